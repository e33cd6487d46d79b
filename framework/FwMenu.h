// A menu loaded from the resources, kept by its owner whether or not it is
// set on a window.
#pragma once

#include "FwApp.h"

class CMenu {
public:
    CMenu() = default;
    ~CMenu() { DestroyMenu(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    BOOL LoadMenu(UINT id)
    {
        DestroyMenu();
        m_hMenu = ::LoadMenu(fw::ResourceHandle(), MAKEINTRESOURCE(id));
        return m_hMenu != nullptr;
    }
    // A menu set on a window is destroyed with the window: take it off first.
    BOOL DestroyMenu()
    {
        if (!m_hMenu) return FALSE;
        BOOL ok = ::IsMenu(m_hMenu) && ::DestroyMenu(m_hMenu);
        m_hMenu = nullptr;
        return ok;
    }
    HMENU GetSafeHmenu() const { return m_hMenu; }
    operator HMENU() const { return m_hMenu; }

    HMENU m_hMenu = nullptr;
};
