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

private:
    NOTIFYICONDATA m_tnd = {};
    BOOL m_bEnabled = FALSE;
    UINT m_nDefaultMenuItem = 0;
    BOOL m_bDefaultMenuItemByPos = TRUE;
};
