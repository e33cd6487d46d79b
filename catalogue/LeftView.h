// The slide-library tree: folders below the root, asked for when a folder is
// first expanded, and the slides of a folder asked for when it is selected.
// Items are named on the wire by ids of this tree (the root is 0), never by
// handles: an id that is not a live item is simply not found.
#pragma once

#include "Framework.h"

#include <map>
#include <set>

class CMainFrame;

class CLeftView : public CTreeView {
    DECLARE_DYNCREATE(CLeftView)
public:
    static const int32_t kRootId = 0;

    void OnInitialUpdate() override;

    // Deletes every item and inserts the root again; forgets the expansions.
    void ResetTree();
    // The live item of an id, or null.
    HTREEITEM ItemFromId(int32_t id) const;
    int32_t IdOf(HTREEITEM item);
    // A child folder under parent (with the placeholder when it has children).
    HTREEITEM AddFolder(HTREEITEM parent, LPCTSTR name, bool hasChildren);
    // Each level's text below the root, each followed by "\".
    CString FolderPath(HTREEITEM item);
    HTREEITEM Root() { return GetTreeCtrl().GetRootItem(); }
    const std::set<int32_t>& Expanded() const { return m_expanded; }

    static const TCHAR kRootText[];         // "数字化全景切片库"
    static const TCHAR kPlaceholderText[];  // "子项"

protected:
    CMainFrame* Frame() const;
    void OnTvnItemexpanded(NMHDR* hdr, LRESULT* result);
    void OnTvnSelchanged(NMHDR* hdr, LRESULT* result);
    void OnTvnDeleteitem(NMHDR* hdr, LRESULT* result);
    DECLARE_MESSAGE_MAP()

private:
    HTREEITEM Insert(HTREEITEM parent, LPCTSTR text, int image, int selectedImage, int32_t id);

    CImageList m_images;
    std::set<int32_t> m_expanded;
    std::map<int32_t, HTREEITEM> m_items;
    int32_t m_nextId = 1;
};
