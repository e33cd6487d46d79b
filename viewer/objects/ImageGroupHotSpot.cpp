#include "ImageGroupHotSpot.h"

#include "Dib.h"
#include "FwCommonDialogs.h"
#include "MediaFiles.h"

#include "annotation/ImageGroupFile.h"
#include "annotation/MediaNames.h"

namespace names = zelvo::annotation;

namespace {

const char kGroupUnreadableFormat[] = "组图文件 %s 已损坏或不可读。";
const int kNameBuffer = 1900;
const int kMaxNumberedNames = 99;
// The shortest text that can name a group file.
const int kMinPathLength = 5;

// The pictures of a multiple selection: the folder, then the names, each
// ended by a NUL; a single selection is one full path.
std::vector<CString> SelectedPaths(const char* buffer)
{
    std::vector<CString> paths;
    const CString first(buffer);
    const char* next = buffer + first.GetLength() + 1;
    if (!*next) {
        if (!first.IsEmpty()) paths.push_back(first);
        return paths;
    }
    const CString folder = (first.Right(1) == "\\") ? first : first + "\\";
    while (*next && next < buffer + kNameBuffer) {
        const CString name(next);
        paths.push_back(folder + name);
        next += name.GetLength() + 1;
    }
    return paths;
}

std::vector<char> ReadWholeFile(const CString& path, bool& ok)
{
    std::vector<char> bytes;
    ok = false;
    HANDLE h = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(h, &size) && size.QuadPart < 0x7FFFFFFF) {
        bytes.resize((size_t)size.QuadPart);
        DWORD read = 0;
        ok = bytes.empty() || (::ReadFile(h, bytes.data(), (DWORD)bytes.size(), &read, nullptr) && read == bytes.size());
    }
    ::CloseHandle(h);
    if (!ok) bytes.clear();
    return bytes;
}

bool WriteAll(HANDLE h, const void* data, size_t n)
{
    DWORD written = 0;
    return n == 0 || (::WriteFile(h, data, (DWORD)n, &written, nullptr) && written == n);
}

} // namespace

CImageGroupHotSpot::CImageGroupHotSpot(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context,
                                       int type, int measurement)
    : CTextNote(owner, attributes, onChange, context, type, measurement)
{
}

CImageGroupHotSpot::~CImageGroupHotSpot() = default;

// ---------------------------------------------------------------------------
// The group file

void CImageGroupHotSpot::ChoosePictures()
{
    if (m_type != DRAW_IMAGE_GROUP) return;
    std::vector<char> buffer(kNameBuffer + 2, '\0');
    CFileDialog dialog(TRUE, "*.jpg", nullptr, OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY,
                       "Slice Files (*.jpg;*.jpg)|*.jpg; *.jpg||", m_pOwner);
    dialog.m_ofn.lpstrFile = buffer.data();
    dialog.m_ofn.nMaxFile = kNameBuffer;
    dialog.m_ofn.Flags |= OFN_EXPLORER;
    if (dialog.DoModal() != IDOK) return;
    MakeGroup(SelectedPaths(buffer.data()));
}

void CImageGroupHotSpot::MakeGroup(const std::vector<CString>& pictures)
{
    if (pictures.empty()) return;
    m_count = (int)pictures.size();
    m_text = pictures.front();
    m_offsets.assign(pictures.size(), 0);
    m_linkState = 2;
    const std::string name =
        names::ImageGroupName(media::Str(m_referencePath), media::Str(pictures.front()), m_count);
    // Another group's file keeps its name: this one takes the next free one.
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int n = 1; n <= kMaxNumberedNames && h == INVALID_HANDLE_VALUE; ++n) {
        m_text = (n == 1 ? name : names::NumberedName(name, n)).c_str();
        h = ::CreateFileA(m_text, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (h == INVALID_HANDLE_VALUE) {
        m_linkState = 1;
        return;
    }
    std::vector<uint8_t> index = names::ImageGroupIndexBytes(m_current, m_offsets);
    bool ok = WriteAll(h, index.data(), index.size());
    uint64_t at = index.size();
    for (size_t i = 0; ok && i < pictures.size(); ++i) {
        m_offsets[i] = (uint32_t)at;
        bool read = false;
        const std::vector<char> bytes = ReadWholeFile(pictures[i], read);
        // Offsets are 32-bit: a picture that would end beyond them is left out.
        if (!read || at + bytes.size() > 0xFFFFFFFFull) continue;
        ok = WriteAll(h, bytes.data(), bytes.size());
        at += bytes.size();
    }
    index = names::ImageGroupIndexBytes(m_current, m_offsets);
    ok = ok && ::SetFilePointer(h, 0, nullptr, FILE_BEGIN) == 0 && WriteAll(h, index.data(), index.size());
    ::CloseHandle(h);
    if (!ok) {
        ::DeleteFileA(m_text);
        m_linkState = 1;
        m_count = 0;
        m_offsets.clear();
        return;
    }
    m_current = (m_count - 1) / 2;
    if (m_current < 0 || m_current >= m_count) m_current = 0;
    ShowPictureAt(m_offsets[(size_t)m_current]);
}

void CImageGroupHotSpot::LoadLinkedMedia()
{
    const CString candidate(names::LinkedCandidate(media::Str(m_referencePath), media::Str(m_text)).c_str());
    if (m_text.IsEmpty() || !media::FileExists(candidate)) {
        m_linkState = 1;
        return;
    }
    m_linkState = 2;
    m_text = candidate;
    m_count = 0;
    HANDLE h = ::CreateFileA(m_text, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER length{};
    uint8_t head[8] = {};
    DWORD read = 0;
    bool ok = ::GetFileSizeEx(h, &length) && ::ReadFile(h, head, 8, &read, nullptr) && read == 8;
    names::ImageGroupIndex index;
    if (ok) {
        // Only as much of a table as the file can hold is read.
        const int32_t count = (int32_t)(head[0] | head[1] << 8 | head[2] << 16 | (uint32_t)head[3] << 24);
        const uint64_t header = count >= 0 ? names::ImageGroupHeaderSize((size_t)count) : 0;
        ok = count >= 0 && header <= (uint64_t)length.QuadPart;
        std::vector<uint8_t> bytes;
        if (ok) {
            bytes.assign(head, head + 8);
            bytes.resize((size_t)header);
            ok = header == 8 || (::ReadFile(h, bytes.data() + 8, (DWORD)(header - 8), &read, nullptr) && read == header - 8);
        }
        ok = ok && names::ReadImageGroupIndex(bytes.data(), bytes.size(), (uint64_t)length.QuadPart, index);
    }
    ::CloseHandle(h);
    if (!ok) {
        // The rest of the annotations still load; the user is told of this one.
        m_offsets.clear();
        CString text;
        text.Format(kGroupUnreadableFormat, m_text.GetString());
        fw::ShowMessageBox(m_pOwner ? m_pOwner->m_hWnd : nullptr, text, nullptr, MB_OK | MB_ICONWARNING);
        return;
    }
    m_count = index.count;
    m_current = index.current;
    m_offsets = index.offsets;
    if (m_count > 0) ShowPictureAt(m_offsets[(size_t)m_current]);
}

bool CImageGroupHotSpot::SetRecord(const zelvo::annotation::ObjectRecord& record)
{
    if (!CTextNote::SetRecord(record)) return false;
    LoadLinkedMedia();
    return true;
}

bool CImageGroupHotSpot::GetRecord(zelvo::annotation::ObjectRecord& out) const
{
    if (!CTextNote::GetRecord(out)) return false;
    StoreCurrentIndex();
    return true;
}

void CImageGroupHotSpot::StoreCurrentIndex() const
{
    if (m_text.GetLength() < kMinPathLength) return;
    HANDLE h = ::CreateFileA(m_text, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    uint8_t head[8] = {};
    DWORD read = 0, written = 0;
    if (::ReadFile(h, head, 8, &read, nullptr) && read == 8 && names::RewriteImageGroupIndex(head, 8, m_current) &&
        ::SetFilePointer(h, 4, nullptr, FILE_BEGIN) == 4)
        ::WriteFile(h, head + 4, 4, &written, nullptr);
    ::CloseHandle(h);
}

void CImageGroupHotSpot::ShowPictureAt(uint32_t offset)
{
    CFile file;
    if (!file.Open(m_text, CFile::modeRead | CFile::shareDenyWrite)) return;
    std::unique_ptr<CDib> picture(new CDib);
    bool ok = false;
    try {
        file.Seek(offset, CFile::begin);
        ok = picture->ReadJpeg(file) != FALSE;
    } catch (...) {
        ok = false;
    }
    file.Close();
    // A picture that does not decode shows none, not the one before it.
    if (ok)
        m_picture = std::move(picture);
    else
        m_picture.reset();
}

void CImageGroupHotSpot::DeleteLinkedFile()
{
    const CString candidate(names::LinkedCandidate(media::Str(m_referencePath), media::Str(m_text)).c_str());
    if (m_text.IsEmpty() || !media::FileExists(candidate)) return;
    m_text = candidate;
    ::DeleteFileA(candidate);
}

// ---------------------------------------------------------------------------
// Stepping

int CImageGroupHotSpot::StepTo(int index)
{
    if (index < 0) index = 0;
    if (index > m_count - 1) index = m_count - 1;
    if (index == m_current) return 1;
    m_current = index;
    if (m_text.GetLength() < kMinPathLength) return 1;
    ShowPictureAt(m_offsets[(size_t)m_current]);
    InvalidateZoomed(m_bound, 2);
    return 1;
}

int CImageGroupHotSpot::OnLButtonUp(int x, int y)
{
    m_dragging = 0;
    if (m_offsets.empty() || m_count <= 0 || !(m_flags & DOF_VISIBLE)) return 0;
    const POINT p = ToZoomed(x, y);
    if (!Contains(p)) {
        SetSelected(FALSE);
        return 0;
    }
    return StepTo(p.x < (m_box.left + m_box.right) / 2 ? m_current - 1 : m_current + 1);
}

int CImageGroupHotSpot::OnMouseWheel(UINT, short delta, int x, int y)
{
    if (m_offsets.empty() || m_count <= 0) return 0;
    if (!Contains(ToZoomed(x, y))) return 0;
    return StepTo(m_current - (delta > 0 ? 1 : delta < 0 ? -1 : 0));
}

int CImageGroupHotSpot::OnMouseMove(int x, int y)
{
    const int taken = CTextNote::OnMouseMove(x, y);
    SetHighlight(Contains(ToZoomed(x, y)));
    return taken;
}

// ---------------------------------------------------------------------------
// Drawing

void CImageGroupHotSpot::Draw(HDC dc)
{
    CTextNote::Draw(dc);
    if (!(m_flags & (DOF_HIGHLIGHT | DOF_VISIBLE))) return;
    const RECT zoomed{m_shape.textRect.left, m_shape.textRect.top, m_shape.textRect.right, m_shape.textRect.bottom};
    RECT r = ToScreen(zoomed);
    if (m_picture && !m_picture->IsEmpty()) {
        RECT fitted = r;
        const CSize size = m_picture->GetSize();
        if (size.cy > 0) FitRectToAspect(fitted, (double)size.cx / size.cy);
        m_picture->Draw(dc, fitted.left, fitted.top, fitted.right, fitted.bottom);
        r = fitted;
    }
    if (m_flags & DOF_HIGHLIGHT) DrawChevrons(dc, r);
}

void CImageGroupHotSpot::DrawChevrons(HDC dc, const RECT& r) const
{
    const double cy = (r.top + r.bottom) / 2;
    const COLORREF colours[2] = {RGB(0x5A, 0x5A, 0x5A), RGB(0xC8, 0xC8, 0xC8)};
    for (int pass = 0; pass < 2; ++pass) {
        HPEN pen = ::CreatePen(PS_SOLID, 1, colours[pass]);
        HGDIOBJ old = ::SelectObject(dc, pen);
        const int shift = -pass;
        const POINT right[3] = {{(LONG)(r.right - 15 + shift), (LONG)(cy - 11.625)},
                                {(LONG)(r.right + shift), (LONG)cy},
                                {(LONG)(r.right - 15 + shift), (LONG)(cy + 11.625)}};
        const POINT left[3] = {{(LONG)(r.left + 15 + shift), (LONG)(cy - 11.625)},
                               {(LONG)(r.left + shift), (LONG)cy},
                               {(LONG)(r.left + 15 + shift), (LONG)(cy + 11.625)}};
        ::Polyline(dc, right, 3);
        ::Polyline(dc, left, 3);
        ::SelectObject(dc, old);
        ::DeleteObject(pen);
    }
}
