// The program's icon in the notification area. Its window receives the
// icon's notifications; the menu they open is that of the icon's id.
#pragma once

#include "Framework.h"

#include <shellapi.h>

class CSystemTray : public CWnd {
public:
    CSystemTray() = default;
    ~CSystemTray() override;

    // Adds the icon; FALSE when the platform is too old or the icon could
    // not be added.
    BOOL Create(CWnd* parent, UINT callbackMessage, LPCTSTR tip, HICON icon, UINT id);
    // The default item of the icon's menu (by position or by command id).
    BOOL SetMenuDefaultItem(UINT item, BOOL byPosition);
    void RemoveIcon();
    BOOL IsEnabled() const { return m_bEnabled; }
    const NOTIFYICONDATA& IconData() const { return m_tnd; }

    // The icon's notifications go to OnTrayNotification.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Right button up: the icon's menu at the pointer, for the application's
    // main window; double click: the menu's default command. 1 when the
    // notification was for this icon.
    virtual LRESULT OnTrayNotification(WPARAM id, LPARAM mouseMessage);

private:
    NOTIFYICONDATA m_tnd = {};
    BOOL m_bEnabled = FALSE;
    UINT m_nDefaultMenuItem = 0;
    BOOL m_bDefaultMenuItemByPos = TRUE;
};
