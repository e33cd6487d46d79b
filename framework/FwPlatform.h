// Win32 headers in the order Winsock needs, and the framework's fixed ids.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <commctrl.h>
#include <tchar.h>

#include <cstddef>
#include <cstdint>

// Ids of the standard frame parts and commands, as resource scripts use them.
#define AFX_IDW_TOOLBAR        0xE800
#define AFX_IDW_STATUS_BAR     0xE801
#define AFX_IDW_PANE_FIRST     0xE900
#define AFX_IDS_APP_TITLE      0xE000
#define ID_APP_ABOUT           0xE140
#define ID_APP_EXIT            0xE141
#define ID_VIEW_TOOLBAR        0xE800
#define ID_VIEW_STATUS_BAR     0xE801
#define ID_SEPARATOR           0

// Frame style bit: the frame appends the document title to its caption.
// It lives in the class-specific half of the style and is removed before creation.
#define FWS_ADDTOTITLE         0x00008000L
#define FWS_PREFIXTITLE        0x00004000L

// Private messages of the framework itself.
#define WM_IDLEUPDATECMDUI     0x0363
#define WM_FW_SOCKET_FIRST     (WM_USER + 0x3000)
#define WM_FW_SOCKET_LAST      (WM_USER + 0x6FFF)
