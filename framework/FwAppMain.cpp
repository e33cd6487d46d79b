// Entry point of the programs built on the framework: everything happens in
// the one application object.
#include "FwApp.h"

extern "C" int WINAPI _tWinMain(HINSTANCE instance, HINSTANCE previous, LPTSTR cmdLine, int show)
{
    return AfxWinMain(instance, previous, cmdLine, show);
}
