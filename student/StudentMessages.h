// Window messages and timers inside the student client.
#pragma once

#include <windows.h>

#include "HookLib.h"

#define WM_TRAY_NOTIFY (WM_USER + 10)
#define WM_RUN_STUDENT_MEDIA (WM_USER + 1101)  // thread message to the application
#define WM_HOOK_STOPPED (WM_USER + 10001)
#define WM_UDP_NOTIFY (WM_USER + 10002)
// wParam the id of the screen link that was lost (0: the teacher said goodbye), lParam -1.
#define WM_LINK_LOST (WM_USER + 10010)
// wParam width, lParam height of a whole frame the teacher asked for.
#define WM_FULL_FRAME_REQUEST (WM_USER + 10011)
// A frame whose encoding failed has gone out: the encoder's message is due.
#define WM_JPEG_ERROR (WM_USER + 10012)

// Presence broadcasts during discovery.
#define TIMER_PRESENCE 10
#define PRESENCE_PERIOD_MS 2000
