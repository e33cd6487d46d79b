// A second process on the desktop of the hook tests: it shows a window of its
// own with the focus, then moves the mouse to X Y and presses and releases
// VK, so the hooks run inside this process. Exit code 0 when its window
// received none of that input, 1 when some reached it, 2 on a usage error.
#include <windows.h>

#include <cstdlib>

namespace {
int g_received = 0;

LRESULT CALLBACK ProbeProc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    if (m == WM_KEYDOWN || m == WM_KEYUP || m == WM_LBUTTONDOWN || m == WM_MOUSEMOVE) ++g_received;
    return ::DefWindowProcA(h, m, w, l);
}

void Pump(DWORD ms)
{
    const DWORD start = ::GetTickCount();
    MSG msg;
    while (::GetTickCount() - start < ms) {
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        ::Sleep(5);
    }
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) return 2;
    const int x = atoi(argv[1]), y = atoi(argv[2]), vk = atoi(argv[3]);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZolProbe";
    ::RegisterClassA(&wc);
    HWND w = ::CreateWindowExA(WS_EX_TOPMOST, "ZolProbe", "ZolProbe", WS_POPUP | WS_VISIBLE, 0, 0,
                               ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                               wc.hInstance, nullptr);
    ::SetForegroundWindow(w);
    ::SetFocus(w);
    Pump(200);
    g_received = 0;
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    ::mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (DWORD)(x * 65535 / (cx - 1)), (DWORD)(y * 65535 / (cy - 1)),
                  0, 0);
    ::keybd_event((BYTE)vk, 0, 0, 0);
    ::keybd_event((BYTE)vk, 0, KEYEVENTF_KEYUP, 0);
    Pump(300);
    ::DestroyWindow(w);
    return g_received ? 1 : 0;
}
