#include "SystemTray.h"

CSystemTray::~CSystemTray()
{
    RemoveIcon();
    if (m_hWnd) DestroyWindow();
}

BOOL CSystemTray::Create(CWnd* parent, UINT callbackMessage, LPCTSTR tip, HICON icon, UINT id)
{
    if (LOBYTE(LOWORD(::GetVersion())) < 4) return FALSE;
    if (!CreateEx(0, nullptr, _T(""), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr)) return FALSE;
    m_tnd.cbSize = sizeof m_tnd;
    m_tnd.hWnd = parent ? parent->m_hWnd : m_hWnd;
    m_tnd.uID = id;
    m_tnd.hIcon = icon;
    m_tnd.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_tnd.uCallbackMessage = callbackMessage;
    lstrcpyn(m_tnd.szTip, tip ? tip : _T(""), 64);
    m_bEnabled = ::Shell_NotifyIcon(NIM_ADD, &m_tnd);
    return m_bEnabled;
}

BOOL CSystemTray::SetMenuDefaultItem(UINT item, BOOL byPosition)
{
    m_nDefaultMenuItem = item;
    m_bDefaultMenuItemByPos = byPosition;
    return TRUE;
}

void CSystemTray::RemoveIcon()
{
    if (!m_bEnabled) return;
    ::Shell_NotifyIcon(NIM_DELETE, &m_tnd);
    m_bEnabled = FALSE;
}
