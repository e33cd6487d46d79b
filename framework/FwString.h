// CString: a value string of the program's character type (ANSI code page
// text in the ANSI programs, UTF-16 in the Unicode one).
#pragma once

#include "FwPlatform.h"

#include <cstdarg>
#include <string>

namespace fw {

// printf-style formatting, one implementation per character type.
int FormatV(std::string& out, const char* fmt, va_list args);
int FormatV(std::wstring& out, const wchar_t* fmt, va_list args);

// Code-page conversions between the two character types (ANSI code page).
std::wstring Widen(const char* s, int len = -1);
std::string Narrow(const wchar_t* s, int len = -1);

template <class T> struct CharTraits;
template <> struct CharTraits<char> {
    static size_t Length(const char* s) { return s ? strlen(s) : 0; }
    static int LoadString(HINSTANCE h, UINT id, char* buf, int n) { return ::LoadStringA(h, id, buf, n); }
    static char Upper(char c) { return (char)(UINT_PTR)::CharUpperA((LPSTR)(UINT_PTR)(unsigned char)c); }
    static char Lower(char c) { return (char)(UINT_PTR)::CharLowerA((LPSTR)(UINT_PTR)(unsigned char)c); }
    static int CompareNoCase(const char* a, const char* b) { return ::lstrcmpiA(a, b); }
    static bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
};
template <> struct CharTraits<wchar_t> {
    static size_t Length(const wchar_t* s) { return s ? wcslen(s) : 0; }
    static int LoadString(HINSTANCE h, UINT id, wchar_t* buf, int n) { return ::LoadStringW(h, id, buf, n); }
    static wchar_t Upper(wchar_t c) { return (wchar_t)(UINT_PTR)::CharUpperW((LPWSTR)(UINT_PTR)c); }
    static wchar_t Lower(wchar_t c) { return (wchar_t)(UINT_PTR)::CharLowerW((LPWSTR)(UINT_PTR)c); }
    static int CompareNoCase(const wchar_t* a, const wchar_t* b) { return ::lstrcmpiW(a, b); }
    static bool IsSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }
};

HINSTANCE ResourceHandle();

} // namespace fw

template <class T>
class CStringT {
public:
    using XCHAR = T;
    using PCXSTR = const T*;
    using Traits = fw::CharTraits<T>;

    CStringT() = default;
    CStringT(const T* s) { if (s) m_s.assign(s); }
    CStringT(const T* s, int len) { if (s && len > 0) m_s.assign(s, (size_t)len); }
    CStringT(T ch, int repeat = 1) { if (repeat > 0) m_s.assign((size_t)repeat, ch); }
    CStringT(const std::basic_string<T>& s) : m_s(s) {}
    // The other character type converts through the ANSI code page.
    template <class U, class = std::enable_if_t<!std::is_same<U, T>::value && (std::is_same<U, char>::value || std::is_same<U, wchar_t>::value)>>
    CStringT(const U* s) { Assign(s); }
    template <class U, class = std::enable_if_t<!std::is_same<U, T>::value>>
    CStringT(const CStringT<U>& s) { Assign((const U*)s); }

    operator const T*() const { return m_s.c_str(); }
    const T* GetString() const { return m_s.c_str(); }
    const std::basic_string<T>& str() const { return m_s; }

    int GetLength() const { return (int)m_s.size(); }
    bool IsEmpty() const { return m_s.empty(); }
    void Empty() { m_s.clear(); }
    T GetAt(int i) const { return m_s.at((size_t)i); }
    T operator[](int i) const { return m_s.at((size_t)i); }
    void SetAt(int i, T c) { m_s.at((size_t)i) = c; }

    CStringT& operator=(const T* s) { if (s) m_s.assign(s); else m_s.clear(); return *this; }
    CStringT& operator=(T c) { m_s.assign(1, c); return *this; }
    CStringT& operator+=(const CStringT& s) { m_s += s.m_s; return *this; }
    CStringT& operator+=(const T* s) { if (s) m_s += s; return *this; }
    CStringT& operator+=(T c) { m_s += c; return *this; }

    friend CStringT operator+(const CStringT& a, const CStringT& b) { CStringT r(a); r += b; return r; }
    friend CStringT operator+(const CStringT& a, const T* b) { CStringT r(a); r += b; return r; }
    friend CStringT operator+(const T* a, const CStringT& b) { CStringT r(a); r += b; return r; }
    friend CStringT operator+(const CStringT& a, T b) { CStringT r(a); r += b; return r; }
    friend CStringT operator+(T a, const CStringT& b) { CStringT r(a); r += b; return r; }

    int Compare(const T* s) const { return m_s.compare(s ? s : EmptyText()); }
    int CompareNoCase(const T* s) const { return Traits::CompareNoCase(m_s.c_str(), s ? s : EmptyText()); }
    friend bool operator==(const CStringT& a, const CStringT& b) { return a.m_s == b.m_s; }
    friend bool operator==(const CStringT& a, const T* b) { return a.Compare(b) == 0; }
    friend bool operator==(const T* a, const CStringT& b) { return b.Compare(a) == 0; }
    friend bool operator!=(const CStringT& a, const CStringT& b) { return a.m_s != b.m_s; }
    friend bool operator!=(const CStringT& a, const T* b) { return a.Compare(b) != 0; }
    friend bool operator!=(const T* a, const CStringT& b) { return b.Compare(a) != 0; }
    friend bool operator<(const CStringT& a, const CStringT& b) { return a.m_s < b.m_s; }

    CStringT Mid(int first) const { return Mid(first, GetLength()); }
    CStringT Mid(int first, int count) const {
        if (first < 0) first = 0;
        if (first >= GetLength() || count <= 0) return CStringT();
        return CStringT(m_s.substr((size_t)first, (size_t)count));
    }
    CStringT Left(int count) const { return Mid(0, count); }
    CStringT Right(int count) const {
        if (count <= 0) return CStringT();
        if (count >= GetLength()) return *this;
        return CStringT(m_s.substr(m_s.size() - (size_t)count));
    }

    int Find(T c, int start = 0) const { return Pos(start < 0 ? m_s.npos : m_s.find(c, (size_t)start)); }
    int Find(const T* s, int start = 0) const {
        if (!s || start < 0 || start > GetLength()) return -1;
        return Pos(m_s.find(s, (size_t)start));
    }
    int ReverseFind(T c) const { return Pos(m_s.rfind(c)); }
    int FindOneOf(const T* set) const { return set ? Pos(m_s.find_first_of(set)) : -1; }

    int Replace(const T* from, const T* to) {
        size_t n = Traits::Length(from);
        if (n == 0) return 0;
        std::basic_string<T> rep = to ? to : EmptyText();
        int count = 0;
        for (size_t p = m_s.find(from); p != m_s.npos; p = m_s.find(from, p + rep.size())) {
            m_s.replace(p, n, rep);
            ++count;
        }
        return count;
    }
    int Replace(T from, T to) {
        int count = 0;
        for (T& c : m_s)
            if (c == from) { c = to; ++count; }
        return count;
    }
    int Remove(T c) {
        size_t before = m_s.size();
        m_s.erase(std::remove(m_s.begin(), m_s.end(), c), m_s.end());
        return (int)(before - m_s.size());
    }
    int Insert(int index, const T* s) {
        if (index < 0) index = 0;
        if (index > GetLength()) index = GetLength();
        if (s) m_s.insert((size_t)index, s);
        return GetLength();
    }
    int Delete(int index, int count = 1) {
        if (index >= 0 && index < GetLength() && count > 0) m_s.erase((size_t)index, (size_t)count);
        return GetLength();
    }

    CStringT& MakeUpper() { for (T& c : m_s) c = Traits::Upper(c); return *this; }
    CStringT& MakeLower() { for (T& c : m_s) c = Traits::Lower(c); return *this; }
    CStringT& TrimLeft() {
        size_t i = 0;
        while (i < m_s.size() && Traits::IsSpace(m_s[i])) ++i;
        m_s.erase(0, i);
        return *this;
    }
    CStringT& TrimRight() {
        size_t n = m_s.size();
        while (n > 0 && Traits::IsSpace(m_s[n - 1])) --n;
        m_s.resize(n);
        return *this;
    }
    CStringT& Trim() { return TrimRight().TrimLeft(); }

    void Format(const T* fmt, ...) {
        va_list args;
        va_start(args, fmt);
        fw::FormatV(m_s, fmt, args);
        va_end(args);
    }
    void FormatV(const T* fmt, va_list args) { fw::FormatV(m_s, fmt, args); }
    void AppendFormat(const T* fmt, ...) {
        std::basic_string<T> tail;
        va_list args;
        va_start(args, fmt);
        fw::FormatV(tail, fmt, args);
        va_end(args);
        m_s += tail;
    }

    // Writable buffer of at least minLength characters plus the terminator;
    // ReleaseBuffer fixes the length (up to the first NUL when newLength < 0).
    T* GetBuffer(int minLength = 0) {
        if (minLength > GetLength()) m_s.resize((size_t)minLength);
        return &m_s[0];
    }
    T* GetBufferSetLength(int length) {
        m_s.resize(length > 0 ? (size_t)length : 0);
        return &m_s[0];
    }
    void ReleaseBuffer(int newLength = -1) {
        if (newLength < 0) newLength = (int)Traits::Length(m_s.c_str());
        if (newLength > GetLength()) newLength = GetLength();
        m_s.resize((size_t)newLength);
    }

    BOOL LoadString(UINT id) {
        T buf[1024];
        int n = Traits::LoadString(fw::ResourceHandle(), id, buf, 1024);
        m_s.assign(buf, n > 0 ? (size_t)n : 0);
        return n > 0;
    }

private:
    static const T* EmptyText() { static const T z[1] = {0}; return z; }
    static int Pos(size_t p) { return p == std::basic_string<T>::npos ? -1 : (int)p; }
    void Assign(const char* s) { if (s) m_s = ConvertFrom(s); }
    void Assign(const wchar_t* s) { if (s) m_s = ConvertFrom(s); }
    template <class U> static std::basic_string<T> ConvertFrom(const U* s);

    std::basic_string<T> m_s;
};

template <> template <> inline std::wstring CStringT<wchar_t>::ConvertFrom<char>(const char* s) { return fw::Widen(s); }
template <> template <> inline std::string CStringT<char>::ConvertFrom<wchar_t>(const wchar_t* s) { return fw::Narrow(s); }
template <> template <> inline std::string CStringT<char>::ConvertFrom<char>(const char* s) { return s; }
template <> template <> inline std::wstring CStringT<wchar_t>::ConvertFrom<wchar_t>(const wchar_t* s) { return s; }

using CStringA = CStringT<char>;
using CStringW = CStringT<wchar_t>;
using CString = CStringT<TCHAR>;
