#include "FwTreeList.h"

#include <vector>

namespace {

// Texts of items are read into a buffer that grows until the text fits.
template <class Fill> CString ReadText(Fill fill)
{
    std::vector<TCHAR> buf(260);
    for (int attempt = 0; attempt < 8; ++attempt) {
        buf.assign(buf.size(), 0);
        int n = fill(buf.data(), (int)buf.size());
        if (n < (int)buf.size() - 1) break;
        buf.resize(buf.size() * 4);
    }
    buf.back() = 0;
    return CString(buf.data());
}

} // namespace

// ---------------------------------------------------------------------------
// CImageList

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow)
{
    DeleteImageList();
    m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
    return m_hImageList != nullptr;
}

BOOL CImageList::DeleteImageList()
{
    if (!m_hImageList) return FALSE;
    ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    return TRUE;
}

int CImageList::Add(HICON icon)
{
    return m_hImageList && icon ? ImageList_AddIcon(m_hImageList, icon) : -1;
}

int CImageList::Add(HBITMAP bitmap, HBITMAP mask)
{
    return m_hImageList && bitmap ? ImageList_Add(m_hImageList, bitmap, mask) : -1;
}

BOOL CImageList::Remove(int index)
{
    return m_hImageList ? ImageList_Remove(m_hImageList, index) : FALSE;
}

// ---------------------------------------------------------------------------
// CTreeCtrl

HTREEITEM CTreeCtrl::InsertItem(LPCTSTR text, int image, int selectedImage, HTREEITEM parent, HTREEITEM after)
{
    TVINSERTSTRUCT ins = {};
    ins.hParent = parent;
    ins.hInsertAfter = after;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    ins.item.pszText = const_cast<LPTSTR>(text);
    ins.item.iImage = image;
    ins.item.iSelectedImage = selectedImage;
    return (HTREEITEM)Send(TVM_INSERTITEM, 0, (LPARAM)&ins);
}

CString CTreeCtrl::GetItemText(HTREEITEM item) const
{
    return ReadText([&](TCHAR* buf, int n) {
        TVITEM tv = {};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = buf;
        tv.cchTextMax = n;
        if (!Send(TVM_GETITEM, 0, (LPARAM)&tv)) return 0;
        // The control may hand back its own buffer.
        if (tv.pszText != buf) lstrcpyn(buf, tv.pszText, n);
        return lstrlen(buf);
    });
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const
{
    TVITEM tv = {};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    return Send(TVM_GETITEM, 0, (LPARAM)&tv) ? (DWORD_PTR)tv.lParam : 0;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data)
{
    TVITEM tv = {};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    tv.lParam = (LPARAM)data;
    return (BOOL)Send(TVM_SETITEM, 0, (LPARAM)&tv);
}

BOOL CTreeCtrl::GetItemRect(HTREEITEM item, LPRECT rect, BOOL textOnly) const
{
    *reinterpret_cast<HTREEITEM*>(rect) = item;  // the message takes the item in the rectangle
    return (BOOL)Send(TVM_GETITEMRECT, textOnly, (LPARAM)rect);
}

// ---------------------------------------------------------------------------
// CListCtrl

int CListCtrl::InsertColumn(int index, LPCTSTR heading, int format, int width)
{
    LVCOLUMN col = {};
    col.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM | (width >= 0 ? LVCF_WIDTH : 0);
    col.fmt = format;
    col.cx = width;
    col.pszText = const_cast<LPTSTR>(heading);
    col.iSubItem = index;
    return (int)Send(LVM_INSERTCOLUMN, (WPARAM)index, (LPARAM)&col);
}

int CListCtrl::InsertItem(int index, LPCTSTR text, int image)
{
    LVITEM it = {};
    it.mask = LVIF_TEXT | (image >= 0 ? LVIF_IMAGE : 0);
    it.iItem = index;
    it.pszText = const_cast<LPTSTR>(text);
    it.iImage = image;
    return (int)Send(LVM_INSERTITEM, 0, (LPARAM)&it);
}

BOOL CListCtrl::SetItemText(int item, int subItem, LPCTSTR text)
{
    LVITEM it = {};
    it.iSubItem = subItem;
    it.pszText = const_cast<LPTSTR>(text);
    return (BOOL)Send(LVM_SETITEMTEXT, (WPARAM)item, (LPARAM)&it);
}

CString CListCtrl::GetItemText(int item, int subItem) const
{
    return ReadText([&](TCHAR* buf, int n) {
        LVITEM it = {};
        it.iSubItem = subItem;
        it.pszText = buf;
        it.cchTextMax = n;
        return (int)Send(LVM_GETITEMTEXT, (WPARAM)item, (LPARAM)&it);
    });
}

DWORD_PTR CListCtrl::GetItemData(int item) const
{
    LVITEM it = {};
    it.mask = LVIF_PARAM;
    it.iItem = item;
    return Send(LVM_GETITEM, 0, (LPARAM)&it) ? (DWORD_PTR)it.lParam : 0;
}

BOOL CListCtrl::SetItemData(int item, DWORD_PTR data)
{
    LVITEM it = {};
    it.mask = LVIF_PARAM;
    it.iItem = item;
    it.lParam = (LPARAM)data;
    return (BOOL)Send(LVM_SETITEM, 0, (LPARAM)&it);
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask)
{
    LVITEM it = {};
    it.state = state;
    it.stateMask = mask;
    return (BOOL)Send(LVM_SETITEMSTATE, (WPARAM)item, (LPARAM)&it);
}

BOOL CListCtrl::GetItemRect(int item, LPRECT rect, UINT code) const
{
    rect->left = (LONG)code;
    return (BOOL)Send(LVM_GETITEMRECT, (WPARAM)item, (LPARAM)rect);
}

CSize CListCtrl::SetIconSpacing(int cx, int cy)
{
    DWORD old = (DWORD)Send(LVM_SETICONSPACING, 0, MAKELPARAM(cx, cy));
    return CSize(LOWORD(old), HIWORD(old));
}
