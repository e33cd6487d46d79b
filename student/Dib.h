// The student client's picture: a device-independent bitmap whose bits are
// guarded by an auto-reset event, so that the capture worker and the UI
// thread can hand captures between them. Captures are 24 bits a pixel,
// bottom-up, bytes blue, green, red, widths a multiple of 4.
#pragma once

#include "Framework.h"

class CDib {
public:
    // No bitmap; the lock is free.
    CDib();
    virtual ~CDib();
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    // New header and bits; with clear, the bits are zero and 1- and 8-bit
    // bitmaps get a grey colour table. The caller holds the lock when the
    // bitmap is shared. FALSE when there is no memory for it.
    BOOL Create(int width, int height, int bitCount, BOOL clear);
    // Frees header, bits and palette (under the lock when shared).
    void Empty();
    // This bitmap becomes an exact copy of the source; nothing happens when
    // the source is empty.
    void Copy(CDib& source);
    // This bitmap becomes the rectangle (right and bottom exclusive) of the
    // source, its width rounded up to a multiple of 4; what lies outside the
    // source is black.
    BOOL CopyRect(CDib& source, int left, int top, int right, int bottom);
    // Captures the window (the desktop) scaled to width x height, the width
    // rounded up to a multiple of 4; 0 x 0 or the window's own size copies it
    // one to one. 1 on success, 0 when no device context or memory could be had.
    int CaptureWindow(HWND wnd, int width, int height);

    CSize GetDimensions() const;
    DWORD GetImageSize() const { return m_dwImageSize; }
    int GetBitCount() const { return m_pHeader ? m_pHeader->biBitCount : 0; }
    DWORD GetRowStride() const { return m_dwRowStride; }
    const BITMAPINFOHEADER* GetHeader() const { return m_pHeader; }
    BOOL IsEmpty() const { return m_pHeader == nullptr; }

    // Waits for the lock and returns the bits (nullptr when empty).
    BYTE* LockBits();
    void UnlockBits();

    // Writes the bitmap as JPEG into the file: row order 0 feeds the rows as
    // they lie in memory, 1 upright in RGB. 0 when there is no file or the
    // encoding failed.
    int SaveJpeg(CFile* file, int quality, int rowOrder);
    // Colour-table entries of 1- and 8-bit bitmaps.
    BOOL SetPaletteEntry(int index, COLORREF colour);

private:
    BITMAPINFOHEADER* m_pHeader = nullptr;  // followed by the colour table
    BYTE* m_pBits = nullptr;
    DWORD m_dwRowStride = 0;
    DWORD m_dwImageSize = 0;
    UINT m_nColors = 0;
    HPALETTE m_hPalette = nullptr;
    HANDLE m_hLock;
};
