#include "Dib.h"

#include "JpegWrite.h"

#include "classroom/ScreenChange.h"

#include <new>

namespace classroom = zelvo::classroom;

namespace {

// Pictures larger than this are refused: a 32-bit process has 2 GB for all
// its captures, references, crops and encode buffers.
const uint64_t kMaxImageBytes = 0x40000000ull;

UINT ColorCountFor(int bitCount)
{
    return bitCount == 1 ? 2 : bitCount == 4 ? 16 : bitCount == 8 ? 256 : 0;
}

} // namespace

CDib::CDib() : m_hLock(::CreateEventA(nullptr, FALSE, TRUE, nullptr)) {}

CDib::~CDib()
{
    Empty();
    if (m_hLock) ::CloseHandle(m_hLock);
}

BOOL CDib::Create(int width, int height, int bitCount, BOOL clear)
{
    Empty();
    if (width <= 0 || height <= 0 || !(bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 ||
                                       bitCount == 32))
        return FALSE;
    const uint64_t stride = (((uint64_t)width * (uint64_t)bitCount + 31) / 32) * 4;
    const uint64_t image = stride * (uint64_t)height;
    if (image > kMaxImageBytes) return FALSE;
    const UINT colors = ColorCountFor(bitCount);
    BYTE* header = new (std::nothrow) BYTE[sizeof(BITMAPINFOHEADER) + colors * sizeof(RGBQUAD)]();
    BYTE* bits = header ? new (std::nothrow) BYTE[(size_t)image] : nullptr;
    if (!bits) {
        delete[] header;
        return FALSE;
    }
    m_pHeader = reinterpret_cast<BITMAPINFOHEADER*>(header);
    m_pHeader->biSize = sizeof(BITMAPINFOHEADER);
    m_pHeader->biWidth = width;
    m_pHeader->biHeight = height;
    m_pHeader->biPlanes = 1;
    m_pHeader->biBitCount = (WORD)bitCount;
    m_pHeader->biCompression = BI_RGB;
    m_pHeader->biSizeImage = (DWORD)image;
    m_pBits = bits;
    m_dwRowStride = (DWORD)stride;
    m_dwImageSize = (DWORD)image;
    m_nColors = colors;
    if (clear) {
        memset(m_pBits, 0, (size_t)image);
        RGBQUAD* table = reinterpret_cast<RGBQUAD*>(m_pHeader + 1);
        for (UINT i = 0; i < colors && (bitCount == 1 || bitCount == 8); ++i) {
            const BYTE grey = (BYTE)(bitCount == 1 ? i * 255 : i);
            table[i] = {grey, grey, grey, 0};
        }
    }
    return TRUE;
}

void CDib::Empty()
{
    delete[] reinterpret_cast<BYTE*>(m_pHeader);
    delete[] m_pBits;
    m_pHeader = nullptr;
    m_pBits = nullptr;
    m_dwRowStride = m_dwImageSize = 0;
    m_nColors = 0;
    if (m_hPalette) ::DeleteObject(m_hPalette);
    m_hPalette = nullptr;
}

void CDib::Copy(CDib& source)
{
    if (&source == this) return;
    BYTE* from = source.LockBits();
    LockBits();
    if (from) {
        const CSize size = source.GetDimensions();
        if (Create(size.cx, size.cy, source.GetBitCount(), FALSE)) {
            memcpy(m_pHeader, source.m_pHeader, sizeof(BITMAPINFOHEADER) + m_nColors * sizeof(RGBQUAD));
            memcpy(m_pBits, from, m_dwImageSize);
        }
    }
    UnlockBits();
    source.UnlockBits();
}

BOOL CDib::CopyRect(CDib& source, int left, int top, int right, int bottom)
{
    if (&source == this) return FALSE;
    classroom::ScreenRect r;
    r.left = left, r.top = top, r.right = right, r.bottom = bottom;
    if (r.IsEmpty() || r.Height() > INT_MAX || classroom::CropWidth(r) > INT_MAX || source.GetBitCount() < 8)
        return FALSE;
    BYTE* from = source.LockBits();
    LockBits();
    BOOL ok = FALSE;
    if (from && Create((int)classroom::CropWidth(r), (int)r.Height(), source.GetBitCount(), FALSE)) {
        // The source's colour table goes with its pixels.
        memcpy(m_pHeader + 1, source.m_pHeader + 1, m_nColors * sizeof(RGBQUAD));
        const CSize size = source.GetDimensions();
        classroom::CropBottomUp(from, size.cx, size.cy, source.GetBitCount() / 8, r, m_pBits);
        ok = TRUE;
    }
    UnlockBits();
    source.UnlockBits();
    return ok;
}

int CDib::CaptureWindow(HWND wnd, int width, int height)
{
    RECT source;
    ::GetWindowRect(wnd, &source);
    const int sourceWidth = source.right - source.left, sourceHeight = source.bottom - source.top;
    if (width == 0 && height == 0) {
        width = sourceWidth;
        height = sourceHeight;
    }
    width = (int)(((int64_t)width + 3) & ~(int64_t)3);
    if (width <= 0 || height <= 0 || (uint64_t)width * 3u * (uint64_t)height > kMaxImageBytes) return 0;

    HDC windowDC = ::GetDC(wnd);
    HDC memDC = windowDC ? ::CreateCompatibleDC(windowDC) : nullptr;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* sectionBits = nullptr;
    HBITMAP section = memDC ? ::CreateDIBSection(windowDC, &bi, DIB_RGB_COLORS, &sectionBits, nullptr, 0) : nullptr;
    if (!section || !sectionBits) {
        if (section) ::DeleteObject(section);
        if (memDC) ::DeleteDC(memDC);
        if (windowDC) ::ReleaseDC(wnd, windowDC);
        return 0;
    }
    HGDIOBJ old = ::SelectObject(memDC, section);
    if (width == sourceWidth && height == sourceHeight) {
        ::BitBlt(memDC, 0, 0, width, height, windowDC, 0, 0, SRCCOPY);
    } else {
        ::SetStretchBltMode(memDC, COLORONCOLOR);
        ::StretchBlt(memDC, 0, 0, width, height, windowDC, 0, 0, sourceWidth, sourceHeight, SRCCOPY);
    }
    ::GdiFlush();
    ::ReleaseDC(wnd, windowDC);

    LockBits();
    BOOL ok = TRUE;
    const CSize size = GetDimensions();
    if (!m_pHeader || size.cx != width || size.cy != height || GetBitCount() != 24) ok = Create(width, height, 24, FALSE);
    if (ok) memcpy(m_pBits, sectionBits, (size_t)width * 3u * (size_t)height);
    UnlockBits();

    ::SelectObject(memDC, old);
    ::DeleteDC(memDC);
    ::DeleteObject(section);
    return ok ? 1 : 0;
}

CSize CDib::GetDimensions() const
{
    if (!m_pHeader) return CSize(0, 0);
    return CSize(m_pHeader->biWidth, m_pHeader->biHeight);
}

BYTE* CDib::LockBits()
{
    // Held only for a copy, a scan or an encoding of this one picture.
    ::WaitForSingleObject(m_hLock, INFINITE);
    return m_pBits;
}

void CDib::UnlockBits()
{
    ::SetEvent(m_hLock);
}

int CDib::SaveJpeg(CFile* file, int quality, int rowOrder)
{
    if (!file) return 0;
    return DibToJpeg(file, this, quality, rowOrder);
}

BOOL CDib::SetPaletteEntry(int index, COLORREF colour)
{
    const int bits = GetBitCount();
    if (bits != 1 && bits != 8) {
        ::Beep(1000, 50);
        return FALSE;
    }
    if (index < 0 || (bits == 1 && index > 1) || index > 255) {
        AfxMessageBox("SetPaletteEntry: palette entry out of range");
        return FALSE;
    }
    RGBQUAD* table = reinterpret_cast<RGBQUAD*>(m_pHeader + 1);
    table[index] = {GetBValue(colour), GetGValue(colour), GetRValue(colour), 0};
    return TRUE;
}
