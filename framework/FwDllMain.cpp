// Entry point of a library built on the framework: its application object is
// initialised when a process maps the library and ends when it unmaps it.
#include "FwApp.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    CWinApp* app = AfxGetApp();
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        ::DisableThreadLibraryCalls(instance);
        fw::SetInstanceHandle(instance);
        if (!app) return FALSE;
        app->m_hInstance = instance;
        return app->InitInstance();
    case DLL_PROCESS_DETACH:
        if (app) app->ExitInstance();
        return TRUE;
    default:
        return TRUE;
    }
}
