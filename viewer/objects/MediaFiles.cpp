#include "MediaFiles.h"

#include "annotation/MediaNames.h"

#include <vector>

namespace media {

namespace {

const int kMaxNumberedNames = 99;

HANDLE OpenForReading(const CString& path)
{
    return ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

std::string Str(const CString& s) { return std::string(s.GetString(), (size_t)s.GetLength()); }

bool FileExists(const CString& path)
{
    if (path.IsEmpty()) return false;
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SameContent(const CString& a, const CString& b)
{
    HANDLE ha = OpenForReading(a);
    if (ha == INVALID_HANDLE_VALUE) return false;
    HANDLE hb = OpenForReading(b);
    if (hb == INVALID_HANDLE_VALUE) {
        ::CloseHandle(ha);
        return false;
    }
    LARGE_INTEGER sa{}, sb{};
    bool same = ::GetFileSizeEx(ha, &sa) && ::GetFileSizeEx(hb, &sb) && sa.QuadPart == sb.QuadPart;
    std::vector<char> ba(65536), bb(65536);
    for (LONGLONG left = same ? sa.QuadPart : 0; same && left > 0;) {
        DWORD ra = 0, rb = 0;
        const DWORD want = (DWORD)std::min<LONGLONG>(left, (LONGLONG)ba.size());
        same = ::ReadFile(ha, ba.data(), want, &ra, nullptr) && ::ReadFile(hb, bb.data(), want, &rb, nullptr) &&
               ra == want && rb == want && memcmp(ba.data(), bb.data(), want) == 0;
        left -= want;
    }
    ::CloseHandle(ha);
    ::CloseHandle(hb);
    return same;
}

CString FreeCopyTarget(const CString& source, const CString& proposed)
{
    if (!FileExists(proposed) || SameContent(source, proposed)) return proposed;
    for (int n = 2; n <= kMaxNumberedNames; ++n) {
        const CString other(zelvo::annotation::NumberedName(Str(proposed), n).c_str());
        if (!FileExists(other) || SameContent(source, other)) return other;
    }
    return CString();
}

} // namespace media
