#include "LeftView.h"

#include "CatalogFrame.h"
#include "catalogue/CatalogNames.h"
#include "resource.h"

#include <vector>

IMPLEMENT_DYNCREATE(CLeftView, CTreeView)

const TCHAR CLeftView::kRootText[] = _T("数字化全景切片库");
const TCHAR CLeftView::kPlaceholderText[] = _T("子项");

namespace {
const COLORREF kBackground = RGB(160, 180, 210);
const int32_t kNoId = -1;  // placeholders are not folders
} // namespace

CMainFrame* CLeftView::Frame() const
{
    return dynamic_cast<CMainFrame*>(GetTopLevelParent());
}

void CLeftView::OnInitialUpdate()
{
    CTreeView::OnInitialUpdate();
    CTreeCtrl& tree = GetTreeCtrl();
    HMODULE library = Frame() ? Frame()->ResourceLibrary() : nullptr;
    if (library && m_images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 10, 10)) {
        for (int id : {IDI_LIB_ROOT, IDI_LIB_FOLDER, IDI_LIB_FOLDER_OPEN}) {
            HICON icon = (HICON)::LoadImage(library, MAKEINTRESOURCE(id), IMAGE_ICON, 16, 16, 0);
            m_images.Add(icon);
            if (icon) ::DestroyIcon(icon);
        }
        tree.SetImageList(m_images, TVSIL_NORMAL);
    }
    tree.SetBkColor(kBackground);
    ModifyStyle(0, TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS);
    ResetTree();
}

HTREEITEM CLeftView::Insert(HTREEITEM parent, LPCTSTR text, int image, int selectedImage, int32_t id)
{
    CTreeCtrl& tree = GetTreeCtrl();
    HTREEITEM item = tree.InsertItem(text, image, selectedImage, parent, TVI_LAST);
    if (!item) return nullptr;
    tree.SetItemData(item, (DWORD_PTR)(INT_PTR)id);
    if (id != kNoId) m_items[id] = item;
    return item;
}

void CLeftView::ResetTree()
{
    GetTreeCtrl().DeleteAllItems();
    m_items.clear();
    m_expanded.clear();
    Insert(TVI_ROOT, kRootText, 0, 0, kRootId);
}

HTREEITEM CLeftView::ItemFromId(int32_t id) const
{
    auto it = m_items.find(id);
    return it == m_items.end() ? nullptr : it->second;
}

int32_t CLeftView::IdOf(HTREEITEM item)
{
    if (!item) return kNoId;
    return (int32_t)(INT_PTR)GetTreeCtrl().GetItemData(item);
}

HTREEITEM CLeftView::AddFolder(HTREEITEM parent, LPCTSTR name, bool hasChildren)
{
    // A folder is asked for again after a reconnect: what it already shows stays once.
    CTreeCtrl& tree = GetTreeCtrl();
    for (HTREEITEM i = tree.GetChildItem(parent); i; i = tree.GetNextSiblingItem(i))
        if (IdOf(i) != kNoId && tree.GetItemText(i) == name) return i;
    // Ids are never given twice in a run, so a reply for a deleted item finds nothing.
    HTREEITEM item = Insert(parent, name, 1, 2, m_nextId++);
    if (item && hasChildren) Insert(item, kPlaceholderText, 0, 0, kNoId);
    return item;
}

CString CLeftView::FolderPath(HTREEITEM item)
{
    CTreeCtrl& tree = GetTreeCtrl();
    std::vector<std::u16string> levels;
    for (HTREEITEM i = item; i && tree.GetParentItem(i); i = tree.GetParentItem(i))
        levels.insert(levels.begin(), ToField(tree.GetItemText(i)));
    return FromField(zelvo::catalog::FolderPath(levels));
}

void CLeftView::OnTvnItemexpanded(NMHDR* hdr, LRESULT* result)
{
    *result = 0;
    CMainFrame* frame = Frame();
    if (!frame) return;
    auto* nm = reinterpret_cast<NMTREEVIEW*>(hdr);
    HTREEITEM item = nm->itemNew.hItem;
    int32_t id = IdOf(item);
    if (id == kNoId) return;
    if (id == kRootId) {
        m_expanded.insert(id);
        return;
    }
    if (!m_expanded.insert(id).second) return;
    CTreeCtrl& tree = GetTreeCtrl();
    HTREEITEM child = tree.GetChildItem(item);
    if (child && tree.GetItemText(child) == kPlaceholderText) tree.DeleteItem(child);
    frame->Link().QueueFolderRequest(id, FolderPath(item));
    if (frame->Link().IsOpen()) frame->Link().AsyncSelect(CMySock::kSendEvents);
}

void CLeftView::OnTvnSelchanged(NMHDR* hdr, LRESULT* result)
{
    *result = 0;
    CMainFrame* frame = Frame();
    if (!frame || !frame->Link().IsOpen()) return;
    HTREEITEM item = reinterpret_cast<NMTREEVIEW*>(hdr)->itemNew.hItem;
    int32_t id = IdOf(item);
    if (!item || id == kNoId) return;
    frame->ListView().ClearList();
    frame->SetSelectedItem(id);
    frame->Link().QueueListRequest(id, FolderPath(item));
    frame->Link().AsyncSelect(CMySock::kSendEvents);
    frame->PreView().ClearImage();
}

void CLeftView::OnTvnDeleteitem(NMHDR* hdr, LRESULT* result)
{
    *result = 0;
    HTREEITEM item = reinterpret_cast<NMTREEVIEW*>(hdr)->itemOld.hItem;
    int32_t id = (int32_t)reinterpret_cast<NMTREEVIEW*>(hdr)->itemOld.lParam;
    auto it = m_items.find(id);
    if (it != m_items.end() && it->second == item) m_items.erase(it);
}

BEGIN_MESSAGE_MAP(CLeftView, CTreeView)
    ON_NOTIFY_REFLECT(TVN_ITEMEXPANDED, OnTvnItemexpanded)
    ON_NOTIFY_REFLECT(TVN_SELCHANGED, OnTvnSelchanged)
    ON_NOTIFY_REFLECT(TVN_DELETEITEM, OnTvnDeleteitem)
END_MESSAGE_MAP()
