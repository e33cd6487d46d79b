// The in-memory picture: a device-independent bitmap (header, colour table,
// bottom-up pixel rows) in one heap block, drawn into device contexts and
// onto the clipboard and filled from JPEG, BMP and TIFF files or from GDI.
#pragma once

#include "Framework.h"

class CDib {
public:
    CDib();
    ~CDib();
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    void Free();
    BOOL Create(int width, int height, int bitCount);
    BOOL CreatePalette();
    void ComputeLayout();
    // Entries of the colour table for the header's bit count.
    UINT NumColors() const;

    CSize GetSize() const;
    DWORD GetImageSize() const { return m_dwImageSize; }
    DWORD GetHeaderSize() const { return sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * m_nColors; }
    int SetStretchMode(int mode);

    int Draw(HDC dc, int x1, int y1, int x2, int y2, int srcX = 0, int srcY = 0);
    int CreateFromBitmap(HBITMAP bitmap);
    int GrabWindow(HWND wnd, int width, int height);
    BOOL CopyToClipboard();

    BOOL Load(LPCTSTR path);
    BOOL ReadJpeg(CFile& file);
    BOOL ReadBmp(CFile& file);
    BOOL ReadTiff(LPCTSTR path);

    BOOL IsEmpty() const { return m_pBlock == nullptr; }
    BITMAPINFOHEADER* GetInfoHeader() const { return reinterpret_cast<BITMAPINFOHEADER*>(m_pBlock); }
    RGBQUAD* GetColorTable() const { return m_pColorTable; }
    BYTE* GetBits() const { return m_pBits; }
    DWORD GetRowStride() const { return m_dwRowStride; }
    UINT GetColorCount() const { return m_nColors; }
    HPALETTE GetPalette() const { return m_hPalette; }
    const char* GetComment() const { return m_szComment; }

private:
    friend class JpegFile;
    // Takes a new block (header first) as this picture's own.
    void Attach(BYTE* block);
    void PointBits() { m_pBits = m_pBlock ? m_pBlock + GetHeaderSize() : nullptr; }

    BYTE* m_pBlock = nullptr;
    char m_szComment[256];
    RGBQUAD* m_pColorTable = nullptr;
    BYTE* m_pBits = nullptr;
    DWORD m_dwRowStride = 0;
    DWORD m_dwImageSize = 0;
    UINT m_nColors = 0;
    HPALETTE m_hPalette = nullptr;
    int m_nStretchMode = COLORONCOLOR;
};
