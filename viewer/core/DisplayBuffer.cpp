#include "DisplayBuffer.h"

#include <algorithm>

COffscreenCanvas::~COffscreenCanvas() { DestroySurface(); }

BOOL COffscreenCanvas::CreateSurface(HWND window, int width, int height)
{
    DestroySurface();  // a failed earlier surface may have left its DC
    m_hWnd = window;
    m_width = width;
    m_height = height;
    HDC windowDC = ::GetDC(window);
    // A 32-bit section rather than a device bitmap: decoded tiles and the
    // enlarged thumbnail are written into its pixels directly.
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_hBitmap = width > 0 && height > 0 ? ::CreateDIBSection(windowDC, &bi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    m_pBits = m_hBitmap ? static_cast<uint32_t*>(bits) : nullptr;
    m_hMemDC = ::CreateCompatibleDC(windowDC);
    ::ReleaseDC(window, windowDC);
    if (m_hMemDC && m_hBitmap) m_hOldBitmap = ::SelectObject(m_hMemDC, m_hBitmap);
    return m_hMemDC && m_hBitmap;
}

void COffscreenCanvas::DestroySurface()
{
    if (m_hMemDC) {
        // Put the original bitmap back so that ours is free to delete.
        if (m_hOldBitmap) ::SelectObject(m_hMemDC, m_hOldBitmap);
        ::DeleteDC(m_hMemDC);
        m_hMemDC = nullptr;
    }
    m_hOldBitmap = nullptr;
    if (m_hBitmap) {
        ::DeleteObject(m_hBitmap);
        m_hBitmap = nullptr;
    }
    m_pBits = nullptr;
}

zelvo::image::Pixels32 COffscreenCanvas::Pixels() const
{
    if (!m_pBits) return zelvo::image::Pixels32{};
    ::GdiFlush();
    return zelvo::image::Pixels32{m_pBits, m_width, m_height, (size_t)m_width};
}

BOOL COffscreenCanvas::Resize(int width, int height)
{
    DestroySurface();
    CreateSurface(m_hWnd, width, height);
    return TRUE;
}

void COffscreenCanvas::Scroll(int dx, int dy)
{
    if (!m_hMemDC) return;
    const int w = m_width - std::abs(dx), h = m_height - std::abs(dy);
    if (w < 0 || h < 0) return;
    ::BitBlt(m_hMemDC, std::max(dx, 0), std::max(dy, 0), w, h, m_hMemDC, std::max(-dx, 0), std::max(-dy, 0), SRCCOPY);
}

void COffscreenCanvas::BlitTo(HDC dc)
{
    if (!m_hMemDC) return;
    RECT client{0, 0, 0, 0};
    ::GetClientRect(m_hWnd, &client);
    const int cw = client.right - client.left, ch = client.bottom - client.top;
    if (cw == m_width && ch == m_height) {
        ::BitBlt(dc, 0, 0, m_width, m_height, m_hMemDC, 0, 0, SRCCOPY);
    } else {
        ::SetStretchBltMode(dc, m_stretchMode);
        ::StretchBlt(dc, client.left, client.top, cw, ch, m_hMemDC, 0, 0, m_width, m_height, SRCCOPY);
    }
}

void COffscreenCanvas::StretchTo(HDC dc, const RECT* source, const RECT* destination)
{
    if (!m_hMemDC || !source) return;
    RECT dst;
    if (destination)
        dst = *destination;
    else
        ::GetClientRect(m_hWnd, &dst);
    const int sw = source->right - source->left, sh = source->bottom - source->top;
    const int dw = dst.right - dst.left, dh = dst.bottom - dst.top;
    if ((sw != 0 || sh != 0) && (sw != dw || sh != dh)) {
        ::SetStretchBltMode(dc, m_stretchMode);
        ::StretchBlt(dc, dst.left, dst.top, dw, dh, m_hMemDC, source->left, source->top, sw, sh, SRCCOPY);
    } else {
        ::BitBlt(dc, dst.left, dst.top, dw, dh, m_hMemDC, source->left, source->top, SRCCOPY);
    }
}

void COffscreenCanvas::FillRect(COLORREF colour, const RECT* rect)
{
    if (!m_hMemDC) return;
    RECT r = rect ? *rect : RECT{0, 0, m_width, m_height};
    HBRUSH brush = ::CreateSolidBrush(colour);
    HGDIOBJ old = ::SelectObject(m_hMemDC, brush);
    ::Rectangle(m_hMemDC, r.left, r.top, r.right, r.bottom);
    ::SelectObject(m_hMemDC, old);
    ::DeleteObject(brush);
}

int COffscreenCanvas::SetStretchMode(int mode)
{
    const int previous = m_stretchMode;
    m_stretchMode = mode;
    return previous;
}

// ---------------------------------------------------------------------------

CDisplayBuffer::CDisplayBuffer() { m_hLock = ::CreateEvent(nullptr, FALSE, TRUE, nullptr); }

CDisplayBuffer::CDisplayBuffer(HWND window, int width, int height) : CDisplayBuffer()
{
    CreateSurface(window, width, height);
}

CDisplayBuffer::~CDisplayBuffer()
{
    if (m_hLock) ::CloseHandle(m_hLock);
}

BOOL CDisplayBuffer::CreateOrResize(HWND window, int width, int height)
{
    if (!m_hBitmap) return CreateSurface(window, width, height);
    return Resize(width, height);
}

void CDisplayBuffer::Lock()
{
    ::WaitForSingleObject(m_hLock, INFINITE);
    ::ResetEvent(m_hLock);
}

void CDisplayBuffer::Unlock() { ::SetEvent(m_hLock); }

void CDisplayBuffer::DrawLocked(HDC dc, const RECT* source, const RECT* destination)
{
    Lock();
    if (source)
        StretchTo(dc, source, destination);
    else
        BlitTo(dc);
    Unlock();
}

void CDisplayBuffer::GetSize(int& width, int& height) const
{
    width = m_width;
    height = m_height;
}
