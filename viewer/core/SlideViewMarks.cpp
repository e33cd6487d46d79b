// The slide view's marks: the published and the user's marks that come with
// a slide, and the linked media files of their hot spots fetched in pieces.
#include "SlideView.h"

#include "AnnotationLayer.h"
#include "ImageDispWnd.h"
#include "MarkerPath.h"
#include "TextNote.h"

namespace slidelink = zelvo::slidelink;

namespace {

bool IsMediaType(int type) { return type >= DRAW_IMAGE && type <= DRAW_IMAGE_GROUP; }

// The temporary directory's folder of fetched media, with its backslash.
CString MediaFolder();

// The file name and extension of a path with backslashes or slashes.
CString FileNameOf(const CString& path)
{
    int slash = path.ReverseFind('\\');
    int other = path.ReverseFind('/');
    if (other > slash) slash = other;
    return path.Mid(slash + 1);
}

CString MediaFolder()
{
    char temp[MAX_PATH + 1] = "";
    ::GetTempPathA(MAX_PATH, temp);
    return CString(temp) + "SliceResource\\";
}

// Where the pieces of a server file collect until it is complete.
CString PartialMediaPath(const CString& serverPath)
{
    CString name = FileNameOf(serverPath);
    int dot = name.ReverseFind('.');
    if (dot >= 0) name = name.Left(dot);
    return MediaFolder() + name + "partial.dat";
}

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
    SetMarkerPath(MediaFolder() + FileNameOf(m_slidePath));
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
    if (!m_pLink) return;
    for (int i = 0; i < layer.GetCount(); ++i) {
        CDrawObject* object = layer.GetObjectAt(i);
        if (!object || !IsMediaType(object->GetType())) continue;
        CTextNote* note = static_cast<CTextNote*>(object);
        if (note->m_linkState != 1) continue;
        // The bytes already held, so that a broken download goes on from there.
        UINT held = 0;
        HANDLE h = ::CreateFileA(PartialMediaPath(note->GetText()), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD size = ::GetFileSize(h, nullptr);
            if (size != INVALID_FILE_SIZE) held = size;
            ::CloseHandle(h);
        }
        m_requestedMedia[std::string(note->GetText().GetString(), (size_t)note->GetText().GetLength())] = held;
        m_pLink->SendCommand(slidelink::kMediaData, note->GetText(), held);
    }
}

void CSlideView::OnMediaData(const slidelink::MediaReply& reply)
{
    // Only files this view asked for are written, and only under their own name.
    const auto asked = m_requestedMedia.find(reply.path);
    if (asked == m_requestedMedia.end()) return;
    const CString path(reply.path.c_str());
    const CString name = FileNameOf(path);
    if (name.IsEmpty() || name == "." || name == ".." || name.Find(':') >= 0) return;
    ::CreateDirectoryA(MediaFolder(), nullptr);
    const CString partial = PartialMediaPath(path);
    if (reply.count == 0) {
        // A resumed transfer goes on from the bytes held when it was asked for.
        if (asked->second == 0) {
            HANDLE h = ::CreateFileA(partial, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
        }
    } else if (reply.count > 0) {
        HANDLE h = ::CreateFileA(partial, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return;
        DWORD written = 0;
        ::WriteFile(h, reply.data, (DWORD)reply.dataLength, &written, nullptr);
        ::CloseHandle(h);
    } else if (reply.count == -1) {
        const CString finalPath = MediaFolder() + name;
        // The final file is replaced only by a complete one.
        if (::GetFileAttributesA(partial) == INVALID_FILE_ATTRIBUTES ||
            !::MoveFileExA(partial, finalPath, MOVEFILE_REPLACE_EXISTING))
            return;
        m_requestedMedia.erase(asked);
        OnMediaFileComplete(finalPath);
    }
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
