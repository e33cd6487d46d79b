// Helpers shared by the tests that run under Wine.
#pragma once

#include "Framework.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// A check made on every pass of a wait; true ends the wait at once
// (ProgramWatch.h sets one: a program the test started died).
using WaitCheckFn = bool (*)();
inline WaitCheckFn& WaitCheck()
{
    static WaitCheckFn check = nullptr;
    return check;
}

// Dispatches this thread's messages until done() is true or the time is up;
// returns done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000)
{
    DWORD start = ::GetTickCount();
    MSG msg;
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return done();
        if (WaitCheck() && WaitCheck()()) return done();
        while (::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessage(&msg);
        }
        if (done()) break;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// Dispatches whatever is queued now, for up to ms milliseconds.
inline void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

// What an exception code means, for the reports of a program that died of one.
inline const char* ExceptionName(DWORD code)
{
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: return "access violation";
    case EXCEPTION_STACK_OVERFLOW: return "stack overflow";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "integer division by zero";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "illegal instruction";
    case EXCEPTION_PRIV_INSTRUCTION: return "privileged instruction";
    case EXCEPTION_BREAKPOINT: return "breakpoint";
    case EXCEPTION_IN_PAGE_ERROR: return "in-page error";
    case EXCEPTION_FLT_DIVIDE_BY_ZERO: return "floating-point division by zero";
    case EXCEPTION_FLT_INVALID_OPERATION: return "floating-point invalid operation";
    case 0xC0000374: return "heap corruption";
    case 0xC0000409: return "stack buffer overrun";
    case 0xE06D7363: return "C++ exception";
    default: return "exception";
    }
}

// Records every message box and answers with a scripted result; whileFirstIsUp
// runs while the first box is up (a real box pumps messages until clicked).
class MessageBoxRecorder {
public:
    struct Box {
        std::string text;
        std::string caption;
        UINT type;
        HWND owner;
        DWORD thread;
        int alsoUp;  // boxes of this recorder already up when it came
    };
    explicit MessageBoxRecorder(int answer = IDOK, std::function<void()> whileFirstIsUp = nullptr)
        : m_answer(answer), m_whileFirstIsUp(std::move(whileFirstIsUp))
    {
        s_self = this;
        m_previous = fw::SetMessageBoxHandler(&Record);
    }
    ~MessageBoxRecorder()
    {
        fw::SetMessageBoxHandler(m_previous);
        s_self = nullptr;
    }
    std::vector<Box> boxes;

private:
    static int Record(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type)
    {
        MessageBoxRecorder& r = *s_self;
        r.boxes.push_back({CStringA(text ? text : _T("")).GetString(), CStringA(caption ? caption : _T("")).GetString(),
                           type, owner, ::GetCurrentThreadId(), r.m_up});
        ++r.m_up;
        if (r.boxes.size() == 1 && r.m_whileFirstIsUp) r.m_whileFirstIsUp();
        --r.m_up;
        return r.m_answer;
    }
    static inline MessageBoxRecorder* s_self = nullptr;
    int m_answer;
    std::function<void()> m_whileFirstIsUp;
    fw::MessageBoxFn m_previous;
    int m_up = 0;
};

// A whole file's bytes; empty when it cannot be read.
inline std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return bytes;
    int c;
    while ((c = fgetc(f)) != EOF) bytes.push_back((uint8_t)c);
    fclose(f);
    return bytes;
}

// Replaces a file with the bytes; false when it cannot be written.
inline bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool whole = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && whole;
}

// Folder for screenshots and logs that tests leave behind.
inline std::string OutputFolder()
{
    const char* env = getenv("ZELVO_TEST_OUTPUT_WIN");
    std::string dir = env && *env ? env : "test-output";
    ::CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

// Saves what the screen shows of a window (the whole screen for nullptr) as a
// 24-bit BMP in the output folder, for people to look at; returns its path,
// empty when it could not be written.
inline std::string SaveScreenshot(HWND wnd, const std::string& name)
{
    RECT rc = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (wnd) {
        // A maximised window reaches past the screen's edges; a copy from
        // outside the screen comes back black.
        RECT window;
        ::GetWindowRect(wnd, &window);
        if (!::IntersectRect(&rc, &window, &rc)) return std::string();
    }
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return std::string();
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    ::GdiFlush();
    const DWORD stride = ((DWORD)w * 3 + 3) & ~3u;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof(BITMAPINFOHEADER);
    fh.bfSize = fh.bfOffBits + stride * (DWORD)h;
    std::string path = OutputFolder() + "\\" + name;
    FILE* f = bits ? fopen(path.c_str(), "wb") : nullptr;
    bool ok = f && fwrite(&fh, sizeof fh, 1, f) == 1 && fwrite(&bi.bmiHeader, sizeof(BITMAPINFOHEADER), 1, f) == 1 &&
              fwrite(bits, stride, (size_t)h, f) == (size_t)h;
    if (f) fclose(f);
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return ok ? path : std::string();
}

// Why a font cannot show a GB2312 text on any machine, empty when it can: the
// font the platform realises must be of the Chinese character set (so that
// the font mapper picks a Chinese face wherever one is installed) and have a
// glyph of its own for every character (asked of the font, so a fallback to
// other fonts does not hide a gap).
inline std::string ChineseFontProblem(HFONT font, const char* text)
{
    const int n = ::MultiByteToWideChar(936, 0, text, -1, nullptr, 0);
    std::wstring wide(n > 1 ? (size_t)n : 1, L'\0');
    if (n > 1) ::MultiByteToWideChar(936, 0, text, -1, &wide[0], n);
    wide.resize(n > 1 ? (size_t)n - 1 : 0);
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    std::string problem;
    const int charset = ::GetTextCharset(dc);
    if (charset != GB2312_CHARSET) problem = "character set " + std::to_string(charset);
    std::vector<WORD> glyphs(wide.size() + 1);
    if (!wide.empty() &&
        ::GetGlyphIndicesW(dc, wide.c_str(), (int)wide.size(), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
        problem += " no glyph indices";
    for (size_t i = 0; i < wide.size(); ++i)
        if (glyphs[i] == 0xFFFF) problem += " no glyph for U+" + std::to_string((unsigned)wide[i]);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    return problem;
}

} // namespace testing_support
