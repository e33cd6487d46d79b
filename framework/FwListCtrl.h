// The list-view control in report view, bound to a dialog item.
#pragma once

#include "FwWnd.h"

class CListCtrl : public CWnd {
public:
    DWORD SetExtendedStyle(DWORD style);
    DWORD GetExtendedStyle() const;
    int InsertColumn(int column, LPCTSTR heading, int format = LVCFMT_LEFT, int width = -1);
    // The new item's index, -1 on failure.
    int InsertItem(int item, LPCTSTR text);
    BOOL SetItemText(int item, int subItem, LPCTSTR text);
    CString GetItemText(int item, int subItem) const;
    BOOL DeleteItem(int item);
    BOOL DeleteAllItems();
    int GetItemCount() const;
    BOOL EnsureVisible(int item, BOOL partialOK);
    int GetSelectionMark() const;
    int SetSelectionMark(int item);
};
