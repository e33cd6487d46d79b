#include "ClientView.h"

#include "CatalogFrame.h"
#include "CatalogMessages.h"
#include "catalogue/CatalogNames.h"

IMPLEMENT_DYNCREATE(CPemberlo_ClientView, CListView)

int CPemberlo_ClientView::s_nNextItem = 0;

namespace {
const COLORREF kBackground = RGB(160, 180, 210);
struct Column {
    const TCHAR* title;
    int format;
    int width;
};
const Column kColumns[] = {{_T("切片名称"), LVCFMT_LEFT, 256},
                           {_T("文件大小"), LVCFMT_RIGHT, 80},
                           {_T("扫描尺寸"), LVCFMT_RIGHT, 140},
                           {_T("矩阵大小"), LVCFMT_RIGHT, 140},
                           {_T("切片信息"), LVCFMT_LEFT, 360}};
} // namespace

CMainFrame* CPemberlo_ClientView::Frame() const
{
    return dynamic_cast<CMainFrame*>(GetTopLevelParent());
}

BOOL CPemberlo_ClientView::PreCreateWindow(CREATESTRUCT& cs)
{
    // The thumbnails belong to this view, not to the control.
    if (!CListView::PreCreateWindow(cs)) return FALSE;
    cs.style |= LVS_ICON | LVS_SINGLESEL | LVS_SHAREIMAGELISTS;
    return TRUE;
}

void CPemberlo_ClientView::OnInitialUpdate()
{
    CListView::OnInitialUpdate();
    CListCtrl& list = GetListCtrl();
    m_icons.Create(kIconSize, kIconSize, ILC_COLOR16, 10, 10);
    m_tiles.Create(kTileWidth, kTileHeight, ILC_COLOR16, 10, 10);
    list.SetImageList(m_tiles, LVSIL_NORMAL);
    int index = 0;
    for (const Column& c : kColumns) list.InsertColumn(index++, c.title, c.format, c.width);
    list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    list.SetBkColor(kBackground);
    list.SetTextBkColor(kBackground);
    list.SetIconSpacing(310, 130);
}

void CPemberlo_ClientView::ClearList()
{
    Show();
    m_bAccepting = false;
    m_icons.Remove(-1);
    m_tiles.Remove(-1);
    m_nImages = 0;
    GetListCtrl().DeleteAllItems();
}

void CPemberlo_ClientView::BeginList()
{
    ClearList();
    m_bAccepting = true;
    s_nNextItem = 0;
}

int CPemberlo_ClientView::AddSlide(LPCTSTR text, HBITMAP tile, HBITMAP icon, const CString columns[4])
{
    // Both lists keep one image per item, at the item's index, even when a
    // thumbnail could not be made. Room is made ahead, doubling, so that a long
    // list is not copied again for every few thumbnails.
    if (m_nImages >= m_tiles.GetImageCount()) {
        int room = m_nImages < 32 ? 64 : 2 * m_nImages;
        ImageList_SetImageCount(m_tiles, room);
        ImageList_SetImageCount(m_icons, room);
    }
    int image = m_nImages++;
    ImageList_Replace(m_tiles, image, tile, nullptr);
    ImageList_Replace(m_icons, image, icon, nullptr);
    CListCtrl& list = GetListCtrl();
    int item = list.InsertItem(s_nNextItem, text, image);
    if (item < 0) return -1;
    for (int c = 0; c < 4; ++c) list.SetItemText(item, c + 1, columns[c]);
    ++s_nNextItem;
    return item;
}

CString CPemberlo_ClientView::SlidePath(int item)
{
    CMainFrame* frame = Frame();
    if (!frame || item < 0 || item >= GetListCtrl().GetItemCount()) return CString();
    return FromField(zelvo::catalog::SlideRequestPath(ToField(frame->SelectedFolderPath()),
                                                      ToField(GetListCtrl().GetItemText(item, 0))));
}

void CPemberlo_ClientView::BeginBatch()
{
    if (m_bHeld) return;
    SendMessage(WM_SETREDRAW, FALSE);
    m_bHeld = true;
    m_dwHeldSince = ::GetTickCount();
}

void CPemberlo_ClientView::EndBatch()
{
    if (!m_bHeld) return;
    // Showing the list again costs the control a pass over every item: while
    // items keep coming it is done a few times a second, and once they stop.
    if (::GetTickCount() - m_dwHeldSince >= kShowEveryMs) Show();
    else SetTimer(kShowTimer, kQuietMs);
}

void CPemberlo_ClientView::Show()
{
    KillTimer(kShowTimer);
    if (!m_bHeld) return;
    m_bHeld = false;
    SendMessage(WM_SETREDRAW, TRUE);
    Invalidate();
}

void CPemberlo_ClientView::OnTimer(UINT_PTR id)
{
    if (id == kShowTimer) Show();
    else Default();
}

void CPemberlo_ClientView::SetMode(ListMode mode)
{
    m_mode = mode;
    CListCtrl& list = GetListCtrl();
    switch (mode) {
    case ListMode::slices:
        ModifyStyle(LVS_TYPEMASK, LVS_ICON);
        list.SetImageList(m_tiles, LVSIL_NORMAL);
        list.SetIconSpacing(310, 130);
        break;
    case ListMode::thumbnails:
        ModifyStyle(LVS_TYPEMASK, LVS_ICON);
        list.SetImageList(m_icons, LVSIL_NORMAL);
        list.SetIconSpacing(220, 234);
        break;
    case ListMode::report:
        ModifyStyle(LVS_TYPEMASK, LVS_REPORT);
        list.SetImageList(nullptr, LVSIL_NORMAL);
        break;
    }
    list.Arrange(LVA_DEFAULT);
    Invalidate();
}

void CPemberlo_ClientView::OnSize(UINT type, int cx, int cy)
{
    Default();
    GetListCtrl().Arrange(LVA_DEFAULT);
}

void CPemberlo_ClientView::OnNMDblclk(NMHDR* hdr, LRESULT* result)
{
    *result = 0;
    int index = reinterpret_cast<NMITEMACTIVATE*>(hdr)->iItem;
    if (CWnd* main = AfxGetMainWnd()) main->PostMessage(WM_APP_OPEN_LIST_ITEM, (WPARAM)(INT_PTR)index, 0);
}

void CPemberlo_ClientView::OnLvnItemchanged(NMHDR* hdr, LRESULT* result)
{
    *result = 0;
    auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
    // Only changes of the selection and focus matter here, not text or images.
    if (!(nm->uChanged & LVIF_STATE)) return;
    CMainFrame* frame = Frame();
    if (!frame) return;
    if (nm->uNewState != (LVIS_FOCUSED | LVIS_SELECTED)) {
        frame->PreView().ClearImage();
        return;
    }
    CString path = SlidePath(nm->iItem);
    if (!frame->Link().IsOpen() || path.IsEmpty()) return;
    frame->Link().QueuePreviewRequest(path);
    frame->Link().AsyncSelect(CMySock::kSendEvents);
}

BEGIN_MESSAGE_MAP(CPemberlo_ClientView, CListView)
    ON_WM_SIZE()
    ON_WM_TIMER()
    ON_NOTIFY_REFLECT(NM_DBLCLK, OnNMDblclk)
    ON_NOTIFY_REFLECT(LVN_ITEMCHANGED, OnLvnItemchanged)
END_MESSAGE_MAP()
