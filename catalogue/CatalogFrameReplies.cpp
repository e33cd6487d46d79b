// What the link receives, applied to the tree, the list and the preview.
#include "CatalogFrame.h"

#include "CatalogMessages.h"
#include "CatalogueJpeg.h"
#include "Thumbnails.h"
#include "catalogue/CatalogNames.h"

using namespace zelvo::catalog;

CString CMainFrame::SelectedFolderPath()
{
    HTREEITEM item = m_pLeftView ? m_pLeftView->ItemFromId(m_nSelectedItem) : nullptr;
    return item ? m_pLeftView->FolderPath(item) : CString();
}

LRESULT CMainFrame::OnTreeEntryArrived(WPARAM record, LPARAM)
{
    std::unique_ptr<CCatalogPacket> entry(reinterpret_cast<CCatalogPacket*>(record));
    if (!entry || !m_pLink->IsOpen()) return 0;
    // An entry for an item that is gone (or never was ours) has no place.
    CTreeCtrl& tree = m_pLeftView->GetTreeCtrl();
    HTREEITEM parent = m_pLeftView->ItemFromId(entry->nItemId);
    if (!parent) return 0;
    std::u16string path = FieldText(entry->szPath);
    m_strServerPathPrefix = FromField(zelvo::catalog::ServerPathPrefix(path));
    m_pLeftView->SendMessage(WM_SETREDRAW, FALSE);
    m_pLeftView->AddFolder(parent, FromField(LastComponent(path)), entry->nFlag != 0);
    m_pLeftView->SendMessage(WM_SETREDRAW, TRUE);
    if (!m_bRootExpanded) {
        m_bRootExpanded = true;
        tree.Expand(m_pLeftView->Root(), TVE_EXPAND);
    }
    m_pLeftView->Invalidate();
    return 0;
}

LRESULT CMainFrame::OnListArrived(WPARAM, LPARAM)
{
    // A long list is taken in turns of a fifth of a second, so that the list
    // shows what it holds and the program answers in between; the rest waits
    // in the link for the message posted here.
    const DWORD start = ::GetTickCount();
    while (std::unique_ptr<CatalogReply> item = m_pLink->TakeReceivedItem()) {
        if (item->record.nItemId != m_nSelectedItem) continue;
        if (item->record.nFlag != 0) m_pListView->BeginList();
        if (!m_pListView->Accepting()) continue;
        m_pListView->BeginBatch();
        AddListItem(*item);
        if (::GetTickCount() - start >= kListTurnMs && m_pLink->ReceivedItemCount() > 0) {
            PostMessage(WM_APP_LIST_ARRIVED, 0, 0);
            break;
        }
    }
    m_pListView->EndBatch();
    return 0;
}

void CMainFrame::AddListItem(CatalogReply& item)
{
    const CCatalogPacket& r = item.record;
    std::u16string fileName = LastComponent(FieldText(r.szPath));
    CDib picture;
    // A thumbnail that does not decode leaves its place blank: no box here,
    // in the middle of a list that may hold hundreds.
    DecodeJpeg(picture, item.payload.data(), item.payload.size(), false);
    bool mark = r.nMarkState == 0;
    CString infoName = FromField(FieldText(r.szInfoName)), infoValue = FromField(FieldText(r.szInfoValue));
    HBITMAP icon = MakeIconThumbnail(picture, mark);
    HBITMAP tile = MakeTileThumbnail(picture, mark, infoName, infoValue);
    CString columns[4];
    columns[0].Format(_T("%.2f MB"), (double)r.nDataSize / 1024 / 1024);
    columns[1] = FromField(FieldText(r.szScanSize));
    columns[2] = FromField(FieldText(r.szMatrixSize));
    columns[3].Format(_T("%s: %s"), infoName.GetString(), infoValue.GetString());
    m_pListView->AddSlide(FromField(ListItemText(fileName)), tile, icon, columns);
}

LRESULT CMainFrame::OnPreviewArrived(WPARAM reply, LPARAM)
{
    std::unique_ptr<CatalogReply> preview(reinterpret_cast<CatalogReply*>(reply));
    if (!preview) return 0;
    m_pPreView->LoadImage(preview->payload.data(), preview->payload.size());
    m_pPreView->Invalidate(TRUE);
    return 0;
}
