// A plain window and memory surfaces for the drawing tests.
#pragma once

#include "Framework.h"

namespace drawing_test {

// A borderless popup whose client area is exactly w x h.
inline HWND MakeWindow(int w, int h)
{
    return ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, w, h, nullptr, nullptr, ::GetModuleHandle(nullptr),
                             nullptr);
}

// A 32-bit memory surface to draw into and read back exactly.
class MemSurface {
public:
    MemSurface(int w, int h)
    {
        HDC screen = ::GetDC(nullptr);
        dc = ::CreateCompatibleDC(screen);
        bitmap = ::CreateCompatibleBitmap(screen, w, h);
        ::ReleaseDC(nullptr, screen);
        old = ::SelectObject(dc, bitmap);
    }
    ~MemSurface()
    {
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
    }
    void Fill(COLORREF c, int w, int h)
    {
        RECT r{0, 0, w, h};
        HBRUSH b = ::CreateSolidBrush(c);
        ::FillRect(dc, &r, b);
        ::DeleteObject(b);
    }
    COLORREF At(int x, int y) const { return ::GetPixel(dc, x, y); }
    // The colour at the point or at one of its eight neighbours (pens of
    // width 2 fall either side of the line).
    bool Near(int x, int y, COLORREF c) const
    {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (At(x + dx, y + dy) == c) return true;
        return false;
    }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
};

} // namespace drawing_test
