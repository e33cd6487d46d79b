// The slide view's marks: the published and the user's marks that come with
// a slide, and the linked media files of their hot spots fetched in pieces.
#include "SlideView.h"

#include "AnnotationLayer.h"
#include "ImageDispWnd.h"
#include "MarkerPath.h"
#include "TextNote.h"

#include <algorithm>
#include <vector>

namespace slidelink = zelvo::slidelink;

namespace {

bool IsMediaType(int type) { return type >= DRAW_IMAGE && type <= DRAW_IMAGE_GROUP; }

CString FileNameOf(const CString& path) { return CMediaDownloads::FileName(path); }

} // namespace

void CSlideView::RequestMarks()
{
    if (!m_pLink) return;
    m_pLink->SendCommand(slidelink::kGetMarks);
    fw::Sleep(10);
    m_pLink->SendCommand(slidelink::kGetUserMarks);
}

void CSlideView::OnMarkData(uint32_t code, const uint8_t* payload, size_t length)
{
    // Hot spots made from these marks look for their files beside this path.
    SetMarkerPath(CMediaDownloads::Folder() + FileNameOf(m_slidePath));
    // Published marks go to the display's annotations at once; the user's
    // own marks are held until the user opens the editor.
    if (!payload || length == 0) return;
    if (code == slidelink::kGetMarks && m_pDisplay) {
        CMemFile file(const_cast<BYTE*>(payload), (UINT)length);
        m_pDisplay->Annotations().ReadFile(file);
        RequestMediaFiles(m_pDisplay->Annotations());
    } else if (code == slidelink::kGetUserMarks) {
        m_userMarks.assign(payload, payload + length);
    }
}

void CSlideView::RequestMediaFiles(CAnnotationLayer& layer)
{
    std::vector<CString> asked;
    RequestMediaFiles(layer, asked);
}

void CSlideView::RequestMediaFiles(CAnnotationLayer& layer, std::vector<CString>& asked)
{
    if (!m_pLink) return;
    for (int i = 0; i < layer.GetCount(); ++i) {
        CDrawObject* object = layer.GetObjectAt(i);
        if (!object || !IsMediaType(object->GetType())) continue;
        CTextNote* note = static_cast<CTextNote*>(object);
        if (note->m_linkState != 1) continue;
        // Hot spots naming one file share its download: it collects in one
        // partial file, and a second answer would only send it again.
        const CString name = FileNameOf(note->GetText());
        if (std::any_of(asked.begin(), asked.end(), [&](const CString& a) { return a.CompareNoCase(name) == 0; }))
            continue;
        asked.push_back(name);
        // The bytes already held, so that a broken download goes on from there.
        const UINT held = m_media.Ask(note->GetText());
        m_pLink->SendCommand(slidelink::kMediaData, note->GetText(), held);
    }
}

void CSlideView::RequestPendingMedia()
{
    // The answers on their way when the link broke are lost; the partial
    // files keep what had come, and the marks are not sent again.
    if (!m_pDisplay) return;
    std::vector<CString> asked;
    RequestMediaFiles(m_pDisplay->Annotations(), asked);
    if (auto* editor = dynamic_cast<CAnnotationLayer*>(m_pDisplay->EditorLayer())) RequestMediaFiles(*editor, asked);
}

void CSlideView::OnMediaData(const slidelink::MediaReply& reply)
{
    CString finalPath;
    if (m_media.Take(reply, finalPath)) OnMediaFileComplete(finalPath);
}

namespace {

// Tells the hot spots of a layer that wait for a file of that name; true when one did.
bool HandOver(CAnnotationLayer& layer, const CString& name)
{
    bool found = false;
    for (int i = 0; i < layer.GetCount(); ++i) {
        CDrawObject* object = layer.GetObjectAt(i);
        if (!object || !IsMediaType(object->GetType())) continue;
        CTextNote* note = static_cast<CTextNote*>(object);
        if (note->m_linkState != 1 || FileNameOf(note->GetText()).CompareNoCase(name) != 0) continue;
        note->LoadLinkedMedia();
        found = true;
    }
    return found;
}

} // namespace

void CSlideView::OnMediaFileComplete(const CString& finalPath)
{
    if (!m_pDisplay) return;
    const CString name = FileNameOf(finalPath);
    bool found = HandOver(m_pDisplay->Annotations(), name);
    if (auto* editor = dynamic_cast<CAnnotationLayer*>(m_pDisplay->EditorLayer()))
        found = HandOver(*editor, name) || found;
    if (found && m_pDisplay->m_hWnd) m_pDisplay->Invalidate();
}
