#include "MediaDownloads.h"

namespace {

void EmptyFile(const CString& path)
{
    HANDLE h = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
}

} // namespace

CString CMediaDownloads::Folder()
{
    char temp[MAX_PATH + 1] = "";
    ::GetTempPathA(MAX_PATH, temp);
    return CString(temp) + "SliceResource\\";
}

CString CMediaDownloads::FileName(const CString& path)
{
    int slash = path.ReverseFind('\\');
    int other = path.ReverseFind('/');
    if (other > slash) slash = other;
    return path.Mid(slash + 1);
}

CString CMediaDownloads::PartialPath(const CString& serverPath)
{
    // With the extension: clip.jpg and clip.avi must not collect in one file.
    return Folder() + FileName(serverPath) + "partial.dat";
}

uint32_t CMediaDownloads::Ask(const CString& serverPath)
{
    uint32_t held = 0;
    HANDLE h = ::CreateFileA(PartialPath(serverPath), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD size = ::GetFileSize(h, nullptr);
        if (size != INVALID_FILE_SIZE) held = size;
        ::CloseHandle(h);
    }
    Transfer transfer;
    transfer.held = held;
    m_asked[std::string(serverPath.GetString(), (size_t)serverPath.GetLength())] = transfer;
    return held;
}

bool CMediaDownloads::Take(const zelvo::slidelink::MediaReply& reply, CString& finalPath)
{
    // Only files asked for are written, and only under their own name.
    const auto asked = m_asked.find(reply.path);
    if (asked == m_asked.end()) return false;
    const CString path(reply.path.c_str());
    const CString name = FileName(path);
    if (name.IsEmpty() || name == "." || name == ".." || name.Find(':') >= 0) return false;
    ::CreateDirectoryA(Folder(), nullptr);
    const CString partial = PartialPath(path);
    Transfer& transfer = asked->second;
    if (reply.count == 0) {
        if (transfer.held == 0 || transfer.started) {
            EmptyFile(partial);
            transfer.held = 0;
        }
        transfer.started = true;
    } else if (reply.count > 0) {
        HANDLE h = ::CreateFileA(partial, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        ::WriteFile(h, reply.data, (DWORD)reply.dataLength, &written, nullptr);
        ::CloseHandle(h);
    } else if (reply.count == -1) {
        const CString complete = Folder() + name;
        // The final file is replaced only by a complete one.
        if (::GetFileAttributesA(partial) == INVALID_FILE_ATTRIBUTES ||
            !::MoveFileExA(partial, complete, MOVEFILE_REPLACE_EXISTING))
            return false;
        m_asked.erase(asked);
        finalPath = complete;
        return true;
    }
    return false;
}
