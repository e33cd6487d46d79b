// Windows and pixel access for the display tests.
#pragma once

#include "Framework.h"

#include <cstdint>
#include <vector>

namespace display_test {

// A visible top-level window of the framework with a client area of w x h.
class HostWnd : public CWnd {
public:
    HostWnd(int w, int h)
    {
        CreateEx(0, nullptr, _T("host"), WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, w, h, nullptr, nullptr);
    }
    ~HostWnd() override
    {
        if (::IsWindow(m_hWnd)) DestroyWindow();
    }
    // Takes one posted message of this number, if there is one.
    bool TakePosted(UINT message, MSG* out = nullptr)
    {
        MSG msg;
        if (!::PeekMessage(&msg, m_hWnd, message, message, PM_REMOVE)) return false;
        if (out) *out = msg;
        return true;
    }
};

// Pixels of a memory DC as 0x00RRGGBB, top row first.
inline std::vector<uint32_t> ReadPixels(HDC source, int w, int h)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = ::CreateCompatibleDC(source);
    HBITMAP section = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(dc, section);
    ::BitBlt(dc, 0, 0, w, h, source, 0, 0, SRCCOPY);
    ::GdiFlush();
    std::vector<uint32_t> out(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + (size_t)w * h);
    for (uint32_t& p : out) p &= 0xFFFFFF;
    ::SelectObject(dc, old);
    ::DeleteObject(section);
    ::DeleteDC(dc);
    return out;
}

inline void WritePixels(HDC target, const std::vector<uint32_t>& pixels, int w, int h)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    ::SetDIBitsToDevice(target, 0, 0, w, h, 0, 0, 0, h, pixels.data(), &bi, DIB_RGB_COLORS);
}

} // namespace display_test
