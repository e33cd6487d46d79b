#include "FwString.h"

#include <cstdio>
#include <vector>

namespace fw {

namespace {
template <class T, class Fn>
int FormatWith(std::basic_string<T>& out, Fn print, const T* fmt, va_list args)
{
    if (!fmt) {
        out.clear();
        return 0;
    }
    std::vector<T> buf(256);
    for (int attempt = 0; attempt < 16; ++attempt) {
        va_list copy;
        va_copy(copy, args);
        int n = print(buf.data(), buf.size(), fmt, copy);
        va_end(copy);
        if (n >= 0 && (size_t)n < buf.size()) {
            out.assign(buf.data(), (size_t)n);
            return n;
        }
        // Older CRTs answer -1 instead of the needed size: grow and retry.
        buf.resize(n >= 0 ? (size_t)n + 1 : buf.size() * 4);
    }
    out.clear();
    return -1;
}
} // namespace

// Narrow text always goes through MinGW's C99 printf, so "%6.2f", infinities
// and rounding ties print the same whatever the system's C runtime is.
int FormatV(std::string& out, const char* fmt, va_list args)
{
    return FormatWith<char>(out, [](char* b, size_t n, const char* f, va_list a) {
        return __mingw_vsnprintf(b, n, f, a);
    }, fmt, args);
}

// Wide text keeps the platform convention that "%s" is a wide string.
int FormatV(std::wstring& out, const wchar_t* fmt, va_list args)
{
    return FormatWith<wchar_t>(out, [](wchar_t* b, size_t n, const wchar_t* f, va_list a) {
        return _vsnwprintf(b, n, f, a);
    }, fmt, args);
}

std::wstring Widen(const char* s, int len)
{
    if (!s) return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, s, len, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring w((size_t)n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, s, len, &w[0], n);
    if (len < 0 && !w.empty()) w.pop_back();  // the converted terminator
    return w;
}

std::string Narrow(const wchar_t* s, int len)
{
    if (!s) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, s, len, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string a((size_t)n, '\0');
    WideCharToMultiByte(CP_ACP, 0, s, len, &a[0], n, nullptr, nullptr);
    if (len < 0 && !a.empty()) a.pop_back();
    return a;
}

} // namespace fw
