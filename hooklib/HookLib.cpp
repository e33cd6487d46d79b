// The hook procedures run in every process whose thread receives input, so
// everything they need lives in the shared section: the hook handles, the
// target window, the process that installed them and the mouse record whose
// address the target receives.
#include "HookLib.h"

#include "Framework.h"
#include "classroom/Datagram.h"
#include "classroom/InputMapping.h"

namespace classroom = zelvo::classroom;

namespace {

struct SharedHookData {
    HHOOK keyboard;
    HHOOK mouse;
    HINSTANCE module;
    // Set by the installer and read by the hooks in any process: a target
    // kept per process would be 0 everywhere else, and the first key that
    // reached another program would remove the hooks.
    HWND target;
    // The process that set the hooks: only its exit removes them.
    DWORD installer;
    // The mouse record's address as the target's process sees it; a hook in
    // another process posts this one, so the target never gets an address of
    // memory that is not its own.
    const classroom::MouseRecord* installerRecord;
    classroom::MouseRecord record;
};

// Every shared variable is initialised, or the linker would put it in .bss,
// which is not shared.
__attribute__((section("shardata"), shared)) SharedHookData g_shared = {nullptr, nullptr, nullptr, nullptr,
                                                                        0,       nullptr, {0, 0, 0}};

// This process's own handle of the library.
HINSTANCE g_module = nullptr;

class CKMHookApp : public CWinApp {
public:
    BOOL InitInstance() override
    {
        g_module = m_hInstance;
        g_shared.module = m_hInstance;
        return TRUE;
    }
    // Every process that received input while the hooks stood maps the
    // library; only the installer's exit removes them.
    int ExitInstance() override
    {
        if (g_shared.installer == ::GetCurrentProcessId()) DeInstallKMHook();
        return CWinApp::ExitInstance();
    }
};

CKMHookApp theApp;

HWND LiveTarget()
{
    HWND target = g_shared.target;
    return target && ::IsWindow(target) ? target : nullptr;
}

// A look at a message that stays in the queue (HC_NOREMOVE) is not an event:
// forwarding it would send the event twice, and swallowing it would drop the
// message before it is taken, so it would never be forwarded at all.
bool PassedOn(int code)
{
    return code < 0 || code == HC_NOREMOVE;
}

} // namespace

BOOL WINAPI DeInstallKMHook()
{
    if (g_shared.keyboard && ::UnhookWindowsHookEx(g_shared.keyboard)) g_shared.keyboard = nullptr;
    if (g_shared.mouse && ::UnhookWindowsHookEx(g_shared.mouse)) g_shared.mouse = nullptr;
    return !g_shared.keyboard && !g_shared.mouse;
}

BOOL WINAPI InstallKMHook(HWND target, int lock)
{
    g_shared.target = target;
    g_shared.installerRecord = &g_shared.record;
    BOOL result = FALSE;
    if (!g_shared.mouse) {
        g_shared.mouse = ::SetWindowsHookExA(WH_MOUSE, lock ? KMLock : MouseProc, g_module, 0);
        result = g_shared.mouse != nullptr;
        g_shared.installer = ::GetCurrentProcessId();
    }
    if (g_shared.keyboard) return result;
    g_shared.keyboard = ::SetWindowsHookExA(WH_KEYBOARD, lock ? KMLock : KeyboardProc, g_module, 0);
    return result && g_shared.keyboard != nullptr;
}

LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && lParam) {
        const MOUSEHOOKSTRUCT* info = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
        classroom::MouseRecord r;
        r.flags = classroom::MouseFlagsForMessage((uint32_t)wParam);
        r.x = classroom::AbsoluteCoordinate(info->pt.x, ::GetSystemMetrics(SM_CXSCREEN));
        r.y = classroom::AbsoluteCoordinate(info->pt.y, ::GetSystemMetrics(SM_CYSCREEN));
        g_shared.record = r;
        if (HWND target = LiveTarget())
            ::PostMessage(target, WM_HOOK_MOUSE, (WPARAM)g_shared.installerRecord, 0);
    }
    if (PassedOn(code)) return ::CallNextHookEx(g_shared.mouse, code, wParam, lParam);
    return -1;
}

LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        if (HWND target = LiveTarget())
            ::PostMessage(target, WM_HOOK_KEY, wParam, lParam);
        else
            DeInstallKMHook();
    }
    if (PassedOn(code)) return ::CallNextHookEx(g_shared.keyboard, code, wParam, lParam);
    return -1;
}

LRESULT CALLBACK KMLock(int code, WPARAM wParam, LPARAM lParam)
{
    if (code < 0) return ::CallNextHookEx(g_shared.keyboard, code, wParam, lParam);
    return -1;
}
