#include "FwListCtrl.h"

#include <vector>

DWORD CListCtrl::SetExtendedStyle(DWORD style)
{
    return m_hWnd ? (DWORD)::SendMessage(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, (LPARAM)style) : 0;
}

DWORD CListCtrl::GetExtendedStyle() const
{
    return m_hWnd ? (DWORD)::SendMessage(m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) : 0;
}

int CListCtrl::InsertColumn(int column, LPCTSTR heading, int format, int width)
{
    if (!m_hWnd) return -1;
    LVCOLUMN c = {};
    c.mask = LVCF_FMT | LVCF_TEXT | LVCF_SUBITEM | (width >= 0 ? LVCF_WIDTH : 0);
    c.fmt = format;
    c.cx = width;
    c.pszText = const_cast<LPTSTR>(heading);
    c.iSubItem = column;
    return (int)::SendMessage(m_hWnd, LVM_INSERTCOLUMN, (WPARAM)column, (LPARAM)&c);
}

int CListCtrl::InsertItem(int item, LPCTSTR text)
{
    if (!m_hWnd) return -1;
    LVITEM it = {};
    it.mask = LVIF_TEXT;
    it.iItem = item;
    it.pszText = const_cast<LPTSTR>(text);
    return (int)::SendMessage(m_hWnd, LVM_INSERTITEM, 0, (LPARAM)&it);
}

BOOL CListCtrl::SetItemText(int item, int subItem, LPCTSTR text)
{
    if (!m_hWnd) return FALSE;
    LVITEM it = {};
    it.iSubItem = subItem;
    it.pszText = const_cast<LPTSTR>(text);
    return (BOOL)::SendMessage(m_hWnd, LVM_SETITEMTEXT, (WPARAM)item, (LPARAM)&it);
}

CString CListCtrl::GetItemText(int item, int subItem) const
{
    if (!m_hWnd) return CString();
    // The control answers with the length it copied; grow until it fits.
    for (int size = 256; size <= (1 << 20); size *= 4) {
        std::vector<TCHAR> buffer((size_t)size);
        LVITEM it = {};
        it.iSubItem = subItem;
        it.pszText = buffer.data();
        it.cchTextMax = size;
        const int n = (int)::SendMessage(m_hWnd, LVM_GETITEMTEXT, (WPARAM)item, (LPARAM)&it);
        if (n < size - 1) return CString(buffer.data());
    }
    return CString();
}

BOOL CListCtrl::DeleteItem(int item)
{
    return m_hWnd ? (BOOL)::SendMessage(m_hWnd, LVM_DELETEITEM, (WPARAM)item, 0) : FALSE;
}

BOOL CListCtrl::DeleteAllItems() { return m_hWnd ? (BOOL)::SendMessage(m_hWnd, LVM_DELETEALLITEMS, 0, 0) : FALSE; }

int CListCtrl::GetItemCount() const { return m_hWnd ? (int)::SendMessage(m_hWnd, LVM_GETITEMCOUNT, 0, 0) : 0; }

BOOL CListCtrl::EnsureVisible(int item, BOOL partialOK)
{
    return m_hWnd ? (BOOL)::SendMessage(m_hWnd, LVM_ENSUREVISIBLE, (WPARAM)item, (LPARAM)partialOK) : FALSE;
}

int CListCtrl::GetSelectionMark() const { return m_hWnd ? (int)::SendMessage(m_hWnd, LVM_GETSELECTIONMARK, 0, 0) : -1; }

int CListCtrl::SetSelectionMark(int item)
{
    return m_hWnd ? (int)::SendMessage(m_hWnd, LVM_SETSELECTIONMARK, 0, (LPARAM)item) : -1;
}
