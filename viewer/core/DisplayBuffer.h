// Off-screen surfaces: every picture is drawn here first and copied to its
// window in one step.
#pragma once

#include "Framework.h"

#include "image/Resample.h"

class COffscreenCanvas {
public:
    COffscreenCanvas() = default;
    COffscreenCanvas(const COffscreenCanvas&) = delete;
    COffscreenCanvas& operator=(const COffscreenCanvas&) = delete;
    virtual ~COffscreenCanvas();

    BOOL CreateSurface(HWND window, int width, int height);
    void DestroySurface();
    BOOL Resize(int width, int height);
    // Moves the contents inside the surface; the uncovered strip keeps its pixels.
    void Scroll(int dx, int dy);
    // Whole surface onto the window's client area (1:1 when the sizes match).
    void BlitTo(HDC dc);
    // source onto destination (default: the client rectangle), stretched
    // when the sizes differ and the source is not empty.
    void StretchTo(HDC dc, const RECT* source, const RECT* destination = nullptr);
    // Rectangle in a solid brush of the colour, outlined with the current pen.
    void FillRect(COLORREF colour, const RECT* rect = nullptr);
    int SetStretchMode(int mode);

    HDC GetDC() const { return m_hMemDC; }
    HWND GetWindow() const { return m_hWnd; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The surface's pixels (blue, green, red, unused; rows top first), for
    // code that writes them directly; empty without a surface. Drawing
    // through the memory DC already done is complete when this returns.
    zelvo::image::Pixels32 Pixels() const;

protected:
    int m_stretchMode = HALFTONE;
    HWND m_hWnd = nullptr;
    int m_width = 0;
    int m_height = 0;
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOldBitmap = nullptr;
    HDC m_hMemDC = nullptr;
    uint32_t* m_pBits = nullptr;
};

// A canvas with a lock (an auto-reset event used as a mutex), the scale it
// holds the slide at and the region of the view it stands for.
class CDisplayBuffer : public COffscreenCanvas {
public:
    CDisplayBuffer();
    CDisplayBuffer(HWND window, int width, int height);
    ~CDisplayBuffer() override;

    BOOL CreateOrResize(HWND window, int width, int height);
    // Copies out under the lock; not recursive.
    void DrawLocked(HDC dc, const RECT* source = nullptr, const RECT* destination = nullptr);
    void GetSize(int& width, int& height) const;
    HDC GetMemoryDC() const { return m_hMemDC; }
    void ReleaseMemoryDC(HDC) {}
    void Fill(COLORREF colour, const RECT* rect = nullptr) { FillRect(colour, rect); }

    // Owners that update the pixels hold the same lock.
    void Lock();
    void Unlock();

    HANDLE m_hLock;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
    int m_resX = 0;
    int m_resY = 0;
    RECT m_rect{0, 0, 0, 0};
};
