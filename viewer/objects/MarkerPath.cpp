#include "MarkerPath.h"

namespace {
// Set and read on the UI thread only.
CString g_markerPath;
} // namespace

const CString& GetMarkerPath() { return g_markerPath; }
void SetMarkerPath(const CString& path) { g_markerPath = path; }

CString SlideFileTitle(const CString& path)
{
    // Walks by characters: the second byte of a double-byte character may
    // look like a backslash.
    const char* p = path.GetString();
    int nameStart = 0, dot = -1;
    for (int i = 0; p[i];) {
        if (::IsDBCSLeadByte((BYTE)p[i]) && p[i + 1]) {
            i += 2;
            continue;
        }
        if (p[i] == '\\' || p[i] == '/') {
            nameStart = i + 1;
            dot = -1;
        } else if (p[i] == '.') {
            dot = i;
        }
        ++i;
    }
    const int end = dot >= 0 ? dot : path.GetLength();
    return path.Mid(nameStart, end - nameStart);
}
