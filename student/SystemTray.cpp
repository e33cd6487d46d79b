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

LRESULT CSystemTray::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_tnd.uCallbackMessage && message == m_tnd.uCallbackMessage) return OnTrayNotification(wParam, lParam);
    return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CSystemTray::OnTrayNotification(WPARAM id, LPARAM mouseMessage)
{
    if (id != m_tnd.uID) return 0;
    CWnd* target = AfxGetMainWnd();
    if (!target || (LOWORD(mouseMessage) != WM_RBUTTONUP && LOWORD(mouseMessage) != WM_LBUTTONDBLCLK)) return 1;
    HMENU menu = ::LoadMenu(AfxGetResourceHandle(), MAKEINTRESOURCE(m_tnd.uID));
    HMENU popup = menu ? ::GetSubMenu(menu, 0) : nullptr;
    if (!popup) {
        if (menu) ::DestroyMenu(menu);
        return 1;
    }
    if (LOWORD(mouseMessage) == WM_RBUTTONUP) {
        ::SetMenuDefaultItem(popup, m_nDefaultMenuItem, m_bDefaultMenuItemByPos);
        POINT at;
        ::GetCursorPos(&at);
        target->SetForegroundWindow();
        // The target's update handlers set the entries before the menu shows.
        ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, target->m_hWnd, nullptr);
        // Without it the menu would not close when the user clicks elsewhere.
        target->PostMessage(WM_NULL);
    } else {
        target->SetForegroundWindow();
        const UINT command = m_bDefaultMenuItemByPos ? ::GetMenuItemID(popup, (int)m_nDefaultMenuItem)
                                                     : m_nDefaultMenuItem;
        target->SendMessage(WM_COMMAND, command, 0);
    }
    ::DestroyMenu(menu);
    return 1;
}
