// Image lists, tree and list controls, and the views that are one of them.
#pragma once

#include "FwDocView.h"

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    BOOL DeleteImageList();
    // Index of the new image, -1 on failure.
    int Add(HICON icon);
    int Add(HBITMAP bitmap, HBITMAP mask);
    // -1 removes every image.
    BOOL Remove(int index);
    int GetImageCount() const { return m_hImageList ? ImageList_GetImageCount(m_hImageList) : 0; }
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    operator HIMAGELIST() const { return m_hImageList; }

    HIMAGELIST m_hImageList = nullptr;
};

class CTreeCtrl : public CWnd {
public:
    CTreeCtrl() = default;
    // Operations on a tree that another object owns (a tree view).
    explicit CTreeCtrl(HWND tree) : CWnd(tree) {}

    HTREEITEM InsertItem(LPCTSTR text, int image, int selectedImage, HTREEITEM parent = TVI_ROOT,
                         HTREEITEM after = TVI_LAST);
    BOOL DeleteItem(HTREEITEM item) { return (BOOL)Send(TVM_DELETEITEM, 0, (LPARAM)item); }
    BOOL DeleteAllItems() { return (BOOL)Send(TVM_DELETEITEM, 0, (LPARAM)TVI_ROOT); }
    CString GetItemText(HTREEITEM item) const;
    DWORD_PTR GetItemData(HTREEITEM item) const;
    BOOL SetItemData(HTREEITEM item, DWORD_PTR data);
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const { return (HTREEITEM)Send(TVM_GETNEXTITEM, code, (LPARAM)item); }
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
    HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    BOOL SelectItem(HTREEITEM item) { return (BOOL)Send(TVM_SELECTITEM, TVGN_CARET, (LPARAM)item); }
    BOOL Expand(HTREEITEM item, UINT code) { return (BOOL)Send(TVM_EXPAND, code, (LPARAM)item); }
    BOOL EnsureVisible(HTREEITEM item) { return (BOOL)Send(TVM_ENSUREVISIBLE, 0, (LPARAM)item); }
    BOOL GetItemRect(HTREEITEM item, LPRECT rect, BOOL textOnly) const;
    UINT GetItemState(HTREEITEM item, UINT mask) const { return (UINT)Send(TVM_GETITEMSTATE, (WPARAM)item, mask) & mask; }
    UINT GetCount() const { return (UINT)Send(TVM_GETCOUNT, 0, 0); }
    HIMAGELIST SetImageList(HIMAGELIST list, int kind) { return (HIMAGELIST)Send(TVM_SETIMAGELIST, kind, (LPARAM)list); }
    COLORREF SetBkColor(COLORREF colour) { return (COLORREF)Send(TVM_SETBKCOLOR, 0, (LPARAM)colour); }

private:
    LRESULT Send(UINT m, WPARAM w, LPARAM l) const { return m_hWnd ? ::SendMessage(m_hWnd, m, w, l) : 0; }
};

class CListCtrl : public CWnd {
public:
    CListCtrl() = default;
    explicit CListCtrl(HWND list) : CWnd(list) {}

    int InsertColumn(int index, LPCTSTR heading, int format = LVCFMT_LEFT, int width = -1);
    int InsertItem(int index, LPCTSTR text, int image = -1);
    BOOL SetItemText(int item, int subItem, LPCTSTR text);
    CString GetItemText(int item, int subItem) const;
    DWORD_PTR GetItemData(int item) const;
    BOOL SetItemData(int item, DWORD_PTR data);
    BOOL SetItemState(int item, UINT state, UINT mask);
    UINT GetItemState(int item, UINT mask) const { return (UINT)Send(LVM_GETITEMSTATE, (WPARAM)item, mask); }
    int GetNextItem(int start, UINT flags) const { return (int)Send(LVM_GETNEXTITEM, (WPARAM)start, MAKELPARAM(flags, 0)); }
    BOOL GetItemRect(int item, LPRECT rect, UINT code) const;
    int GetItemCount() const { return (int)Send(LVM_GETITEMCOUNT, 0, 0); }
    BOOL DeleteAllItems() { return (BOOL)Send(LVM_DELETEALLITEMS, 0, 0); }
    BOOL EnsureVisible(int item, BOOL partialOk) { return (BOOL)Send(LVM_ENSUREVISIBLE, (WPARAM)item, partialOk); }
    HIMAGELIST SetImageList(HIMAGELIST list, int kind) { return (HIMAGELIST)Send(LVM_SETIMAGELIST, kind, (LPARAM)list); }
    HIMAGELIST GetImageList(int kind) const { return (HIMAGELIST)Send(LVM_GETIMAGELIST, kind, 0); }
    BOOL SetBkColor(COLORREF colour) { return (BOOL)Send(LVM_SETBKCOLOR, 0, (LPARAM)colour); }
    BOOL SetTextBkColor(COLORREF colour) { return (BOOL)Send(LVM_SETTEXTBKCOLOR, 0, (LPARAM)colour); }
    DWORD SetExtendedStyle(DWORD style) { return (DWORD)Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style); }
    DWORD GetExtendedStyle() const { return (DWORD)Send(LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0); }
    BOOL DeleteItem(int item) { return (BOOL)Send(LVM_DELETEITEM, (WPARAM)item, 0); }
    int GetSelectionMark() const { return m_hWnd ? (int)Send(LVM_GETSELECTIONMARK, 0, 0) : -1; }
    int SetSelectionMark(int item) { return m_hWnd ? (int)Send(LVM_SETSELECTIONMARK, 0, (LPARAM)item) : -1; }
    CSize SetIconSpacing(int cx, int cy);
    BOOL Arrange(UINT code) { return (BOOL)Send(LVM_ARRANGE, code, 0); }

private:
    LRESULT Send(UINT m, WPARAM w, LPARAM l) const { return m_hWnd ? ::SendMessage(m_hWnd, m, w, l) : 0; }
};

class CTreeView : public CCtrlView {
public:
    CTreeView() : CCtrlView(WC_TREEVIEW, 0) {}
    CTreeCtrl& GetTreeCtrl()
    {
        m_tree.m_hWnd = m_hWnd;
        return m_tree;
    }

private:
    CTreeCtrl m_tree{nullptr};
};

class CListView : public CCtrlView {
public:
    CListView() : CCtrlView(WC_LISTVIEW, 0) {}
    CListCtrl& GetListCtrl()
    {
        m_list.m_hWnd = m_hWnd;
        return m_list;
    }

private:
    CListCtrl m_list{nullptr};
};
