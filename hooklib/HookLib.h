// The input hook library zol: system-wide mouse and keyboard hooks that either
// swallow all input (lock) or swallow it and post every event to one window.
#pragma once

#include <windows.h>

// Posted to the target window: wParam the address of the library's mouse
// record (valid inside the installing process), lParam 0.
#define WM_HOOK_MOUSE (WM_USER + 10014)
// wParam the virtual key, lParam the keyboard hook's key flags unchanged.
#define WM_HOOK_KEY (WM_USER + 10015)

extern "C" {
// Removes both hooks; TRUE when neither is left installed.
BOOL WINAPI DeInstallKMHook();
// Installs both hooks for all threads, forwarding to target (lock 0) or
// swallowing everything (lock non-zero). TRUE only when this call installed
// the mouse hook and a keyboard hook is in place afterwards.
BOOL WINAPI InstallKMHook(HWND target, int lock);
LRESULT CALLBACK KMLock(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam);
}
