// A topmost window over the whole screen that shows a picture held in memory
// (top-down, blue, green, red and a spare byte per pixel): a screen whose
// every pixel a test or benchmark knows and changes.
#pragma once

#include "TestSupport.h"

#include <vector>

namespace testing_support {

class PictureWnd : public CWnd {
public:
    PictureWnd() : width(::GetSystemMetrics(SM_CXSCREEN)), height(::GetSystemMetrics(SM_CYSCREEN))
    {
        pixels.resize((size_t)width * height * 4);
    }
    ~PictureWnd() override
    {
        if (m_hWnd) DestroyWindow();
    }
    // Shows the picture as it is now.
    void Show()
    {
        CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, nullptr, _T("picture"), WS_POPUP | WS_VISIBLE, 0, 0, width,
                 height, nullptr, nullptr);
        UpdateWindow();
        PumpFor(100);
    }
    BYTE* At(int x, int y) { return &pixels[((size_t)y * width + x) * 4]; }
    void Set(int x, int y, COLORREF c)
    {
        BYTE* p = At(x, y);
        p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
    }
    // Shows what changed in the rectangle. The paint goes to the X server on
    // this thread's own connection, and a capture reads the screen on
    // another: it returns once the screen shows the rectangle's first pixel.
    void Repaint(int x, int y, int cx, int cy)
    {
        RECT r = {x, y, x + cx, y + cy};
        InvalidateRect(&r, FALSE);
        UpdateWindow();
        ::GdiFlush();
        const BYTE* p = At(x, y);
        const COLORREF want = RGB(p[2], p[1], p[0]);
        PumpUntil([&] {
            HDC screen = ::GetDC(nullptr);
            const COLORREF got = ::GetPixel(screen, x, y);
            ::ReleaseDC(nullptr, screen);
            return got == want;
        }, 2000);
    }
    const int width, height;
    std::vector<BYTE> pixels;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_ERASEBKGND) return TRUE;
        if (message != WM_PAINT) return CWnd::WindowProc(message, wParam, lParam);
        CPaintDC dc(this);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        ::SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, pixels.data(), &bi, DIB_RGB_COLORS);
        return 0;
    }
};

} // namespace testing_support
