// The few places where a program touches the person or the machine in ways a
// test cannot wait for: message boxes, timer periods, the shell and shutdown.
// Each goes through one replaceable function; the defaults are the real calls.
#pragma once

#include "FwString.h"

namespace fw {

// Every message box of the programs goes through here.
using MessageBoxFn = int (*)(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type);
int ShowMessageBox(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type);
// Replaces the handler and returns the previous one (nullptr restores the default).
MessageBoxFn SetMessageBoxHandler(MessageBoxFn fn);

// The default handler also obeys the environment, so tests can run whole programs:
// FW_MSGBOX_LOG=<file> appends "caption|text|type" lines (UTF-8) instead of showing
// the box, and answers from FW_MSGBOX_ANSWERS (comma-separated IDs, used in order;
// when they run out, the first button of the box).
int FirstButtonOf(UINT type);

// Timer periods and deliberate pauses are multiplied by this factor (default 1,
// or FW_TIMER_SCALE from the environment). Results are at least 1 ms.
void SetTimerScale(double scale);
double GetTimerScale();
UINT ScaleMilliseconds(UINT ms);
void Sleep(DWORD ms);

// Starting programs or documents and ending the session.
class IShell {
public:
    virtual ~IShell() = default;
    virtual HINSTANCE Execute(HWND owner, LPCTSTR verb, LPCTSTR file, LPCTSTR params, LPCTSTR dir, int show) = 0;
    virtual BOOL EndSession(UINT flags, DWORD reason) = 0;
};
// The real shell; FW_SHUTDOWN_LOG=<file> makes EndSession append "flags" to that
// file instead of ending the session (a session cannot be ended under test).
IShell& Shell();
// Installs another shell (nullptr restores the real one); returns the previous.
IShell* SetShell(IShell* shell);

} // namespace fw

inline int AfxMessageBoxOwner(HWND owner, LPCTSTR text, UINT type)
{
    return fw::ShowMessageBox(owner, text, nullptr, type);
}
