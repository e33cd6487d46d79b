#include "Dib.h"

#include "JpegRead.h"
#include "image/BmpFile.h"
#include "image/DibSize.h"
#include "image/TiffFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const TCHAR kBitCountMessage[] = _T("CDib only supports 1, 8, 24 and 32 bits per pixel");

void FillHeader(BITMAPINFOHEADER* h, int width, int height, int bitCount, DWORD imageSize, UINT colors)
{
    std::memset(h, 0, sizeof *h);
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = (WORD)bitCount;
    h->biCompression = BI_RGB;
    h->biSizeImage = imageSize;
    h->biClrUsed = colors;
    h->biClrImportant = colors;
}

// TIFF reading through buffered stdio.
class StdioTiffSource : public zelvo::TiffSource {
public:
    explicit StdioTiffSource(FILE* f) : m_file(f)
    {
        if (_fseeki64(f, 0, SEEK_END) == 0) {
            long long len = _ftelli64(f);
            m_length = len > 0 ? (uint64_t)len : 0;
        }
    }
    uint64_t Length() const override { return m_length; }
    bool ReadAt(uint64_t offset, void* out, size_t size) override
    {
        if (offset > m_length || size > m_length - offset) return false;
        if (_fseeki64(m_file, (long long)offset, SEEK_SET) != 0) return false;
        return std::fread(out, 1, size, m_file) == size;
    }

private:
    FILE* m_file;
    uint64_t m_length = 0;
};

bool EndsWith(const CString& name, LPCTSTR ending)
{
    int n = lstrlen(ending);
    return name.GetLength() >= n && name.Right(n).CompareNoCase(ending) == 0;
}

} // namespace

CDib::CDib()
{
    m_szComment[0] = '\0';
}

CDib::~CDib()
{
    Free();
}

void CDib::Free()
{
    std::free(m_pBlock);
    m_pBlock = nullptr;
    if (m_hPalette) ::DeleteObject(m_hPalette);
    m_hPalette = nullptr;
    m_pColorTable = nullptr;
    m_pBits = nullptr;
    m_dwRowStride = 0;
    m_dwImageSize = 0;
    m_nColors = 0;
}

void CDib::Attach(BYTE* block)
{
    Free();
    m_pBlock = block;
    ComputeLayout();
    PointBits();
}

UINT CDib::NumColors() const
{
    const BITMAPINFOHEADER* h = GetInfoHeader();
    if (!h) return 0;
    switch (h->biBitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    case 24:
    case 32: return 0;
    case 0: return h->biClrUsed;
    default:
        AfxMessageBox(kBitCountMessage);
        return m_nColors;
    }
}

void CDib::ComputeLayout()
{
    const BITMAPINFOHEADER* h = GetInfoHeader();
    if (!h) return;
    m_dwRowStride = (DWORD)zelvo::DibRowStride((uint32_t)h->biWidth, h->biBitCount);
    m_dwImageSize = h->biSizeImage ? h->biSizeImage : (DWORD)zelvo::DibImageBytes((uint32_t)h->biWidth, (uint32_t)h->biHeight, h->biBitCount);
    m_pColorTable = reinterpret_cast<RGBQUAD*>(m_pBlock + sizeof(BITMAPINFOHEADER));
    m_nColors = NumColors();
}

BOOL CDib::Create(int width, int height, int bitCount)
{
    Free();
    if (!zelvo::IsDibBitCount((uint32_t)bitCount)) {
        AfxMessageBox(kBitCountMessage);
        return FALSE;
    }
    uint32_t imageSize = 0;
    if (!zelvo::DibSizeAllowed(width, height, (uint32_t)bitCount, &imageSize)) return FALSE;
    UINT colors = zelvo::DibColorCount((uint32_t)bitCount);
    BYTE* block = static_cast<BYTE*>(std::malloc(sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * colors + imageSize));
    if (!block) return FALSE;
    FillHeader(reinterpret_cast<BITMAPINFOHEADER*>(block), width, height, bitCount, imageSize, colors);
    Attach(block);
    CreatePalette();
    return TRUE;
}

BOOL CDib::CreatePalette()
{
    if (m_nColors == 0 || !m_pColorTable) return FALSE;
    if (m_hPalette) ::DeleteObject(m_hPalette);
    m_hPalette = nullptr;
    std::vector<BYTE> raw(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * m_nColors);
    LOGPALETTE* lp = reinterpret_cast<LOGPALETTE*>(raw.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = (WORD)m_nColors;
    for (UINT i = 0; i < m_nColors; ++i) {
        lp->palPalEntry[i].peRed = m_pColorTable[i].rgbRed;
        lp->palPalEntry[i].peGreen = m_pColorTable[i].rgbGreen;
        lp->palPalEntry[i].peBlue = m_pColorTable[i].rgbBlue;
        lp->palPalEntry[i].peFlags = 0;
    }
    m_hPalette = ::CreatePalette(lp);
    return TRUE;
}

CSize CDib::GetSize() const
{
    const BITMAPINFOHEADER* h = GetInfoHeader();
    return h ? CSize(h->biWidth, h->biHeight) : CSize(0, 0);
}

int CDib::SetStretchMode(int mode)
{
    int previous = m_nStretchMode;
    m_nStretchMode = mode;
    return previous;
}

int CDib::Draw(HDC dc, int x1, int y1, int x2, int y2, int srcX, int srcY)
{
    if (!m_pBlock || !dc) return 0;
    const BITMAPINFOHEADER* h = GetInfoHeader();
    const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(m_pBlock);
    if (x2 == x1 && y2 == y1) {
        x2 = x1 + h->biWidth;
        y2 = y1 + h->biHeight;
    }
    HPALETTE oldPalette = m_hPalette ? ::SelectPalette(dc, m_hPalette, TRUE) : nullptr;
    if (::GetDeviceCaps(dc, TECHNOLOGY) == DT_RASPRINTER) {
        // Fill the page width with the printer's pixel aspect ratio.
        int horz = ::GetDeviceCaps(dc, HORZRES);
        double logX = ::GetDeviceCaps(dc, LOGPIXELSX), logY = ::GetDeviceCaps(dc, LOGPIXELSY);
        x1 = 0;
        y1 = 0;
        x2 = horz;
        y2 = (int)(logY * horz * h->biHeight / (logX * h->biWidth));
    }
    int result;
    if (x2 - x1 == h->biWidth && y2 - y1 == h->biHeight) {
        result = ::SetDIBitsToDevice(dc, x1, y1, x2 - x1, y2 - y1, srcX, srcY, 0, y2 - y1, m_pBits, info, DIB_RGB_COLORS);
    } else {
        ::SetStretchBltMode(dc, m_nStretchMode);
        result = ::StretchDIBits(dc, x1, y1, x2 - x1, y2 - y1, srcX, srcY, h->biWidth, h->biHeight, m_pBits, info,
                                 DIB_RGB_COLORS, SRCCOPY);
    }
    if (oldPalette) ::SelectPalette(dc, oldPalette, TRUE);
    return result;
}

int CDib::CreateFromBitmap(HBITMAP bitmap)
{
    BITMAP bm;
    if (!bitmap || !::GetObject(bitmap, sizeof bm, &bm)) return 0;
    int bitCount = bm.bmPlanes * bm.bmBitsPixel;
    const BITMAPINFOHEADER* h = GetInfoHeader();
    if (!(h && m_pBits && h->biWidth == bm.bmWidth && h->biHeight == bm.bmHeight && h->biBitCount == bitCount)) {
        if (!Create(bm.bmWidth, bm.bmHeight, bitCount)) return 0;
    }
    HDC screen = ::GetDC(nullptr);
    int lines = ::GetDIBits(screen, bitmap, 0, bm.bmHeight, m_pBits, reinterpret_cast<BITMAPINFO*>(m_pBlock), DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    // The colour table is only known now.
    if (lines && m_nColors) CreatePalette();
    return lines;
}

int CDib::GrabWindow(HWND wnd, int width, int height)
{
    RECT src;
    if (wnd) {
        if (!::GetClientRect(wnd, &src)) return 0;
    } else {
        src.left = 0;
        src.top = 0;
        src.right = ::GetSystemMetrics(SM_CXSCREEN) - 1;
        src.bottom = ::GetSystemMetrics(SM_CYSCREEN) - 1;
    }
    if (width % 4) width += 4 - width % 4;
    int srcWidth = src.right - src.left, srcHeight = src.bottom - src.top;
    bool scaled = width != 0 && height != 0;
    int outWidth = scaled ? width : srcWidth, outHeight = scaled ? height : srcHeight;
    if (outWidth <= 0 || outHeight <= 0) return 0;

    HDC windowDc = ::GetDC(wnd);
    if (!windowDc) return 0;
    HDC memDc = ::CreateCompatibleDC(windowDc);
    HBITMAP bitmap = ::CreateCompatibleBitmap(windowDc, outWidth, outHeight);
    if (!memDc || !bitmap) {
        if (bitmap) ::DeleteObject(bitmap);
        if (memDc) ::DeleteDC(memDc);
        ::ReleaseDC(wnd, windowDc);
        return 0;
    }
    HGDIOBJ old = ::SelectObject(memDc, bitmap);
    if (scaled) {
        ::SetStretchBltMode(memDc, m_nStretchMode);
        ::StretchBlt(memDc, 0, 0, outWidth, outHeight, windowDc, src.left, src.top, srcWidth, srcHeight, SRCCOPY);
    } else {
        ::BitBlt(memDc, 0, 0, outWidth, outHeight, windowDc, src.left, src.top, SRCCOPY);
    }
    // GetDIBits needs the bitmap out of every DC.
    ::SelectObject(memDc, old);
    ::ReleaseDC(wnd, windowDc);
    int lines = CreateFromBitmap(bitmap);
    ::DeleteDC(memDc);
    ::DeleteObject(bitmap);
    return lines;
}

BOOL CDib::CopyToClipboard()
{
    if (!m_pBlock || !::OpenClipboard(nullptr)) return FALSE;
    ::EmptyClipboard();
    DWORD headerSize = GetHeaderSize();
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, headerSize + m_dwImageSize);
    if (!mem) {
        ::CloseClipboard();
        return FALSE;
    }
    BYTE* p = static_cast<BYTE*>(::GlobalLock(mem));
    std::memcpy(p, m_pBlock, headerSize);
    std::memcpy(p + headerSize, m_pBits, m_dwImageSize);
    ::GlobalUnlock(mem);
    if (!::SetClipboardData(CF_DIB, mem)) {
        ::GlobalFree(mem);
        ::CloseClipboard();
        return FALSE;
    }
    ::CloseClipboard();
    return TRUE;
}

BOOL CDib::Load(LPCTSTR path)
{
    CString name(path);
    if (name.GetLength() < 4) return FALSE;
    if (EndsWith(name, _T(".jpg")) || EndsWith(name, _T(".jpeg")) || EndsWith(name, _T(".tsg"))) {
        UINT width = 0, height = 0;
        if (!JpegFile::ReadFile(path, this, &width, &height, m_szComment)) return FALSE;
        ComputeLayout();
        PointBits();
        return TRUE;
    }
    if (EndsWith(name, _T(".bmp"))) {
        try {
            CFile file(path, CFile::modeRead | CFile::shareDenyWrite);
            return ReadBmp(file);
        } catch (CException* e) {
            e->Delete();
            AfxMessageBox(_T("Error reading file (exception thrown)"));
            return FALSE;
        }
    }
    if (EndsWith(name, _T(".tif"))) return ReadTiff(path);
    return FALSE;
}

BOOL CDib::ReadJpeg(CFile& file)
{
    UINT width = 0, height = 0;
    if (!JpegFile::ReadToDib(this, file, &width, &height, m_szComment)) return FALSE;
    ComputeLayout();
    PointBits();
    return TRUE;
}

BOOL CDib::ReadBmp(CFile& file)
{
    Free();
    BYTE* block = nullptr;
    try {
        ULONGLONG start = file.GetPosition();
        ULONGLONG length = file.GetLength();
        ULONGLONG available = length > start ? length - start : 0;
        BYTE fileHeader[zelvo::kBmpFileHeaderSize];
        uint32_t pixelOffset = 0;
        zelvo::BmpResult r = zelvo::ParseBmpFileHeader(fileHeader, file.Read(fileHeader, sizeof fileHeader), pixelOffset);
        if (r == zelvo::BmpResult::shortHeader) {
            AfxMessageBox(_T("Error reading header"));
            return FALSE;
        }
        if (r != zelvo::BmpResult::ok || pixelOffset < zelvo::kBmpFileHeaderSize + zelvo::kBmpInfoHeaderSize ||
            pixelOffset > available) {
            AfxMessageBox(_T("Invalid bitmap file"));
            return FALSE;
        }
        // Header and colour table; a gap before the pixels is not needed.
        UINT infoBytes = pixelOffset - (UINT)zelvo::kBmpFileHeaderSize;
        if (infoBytes > 65536) infoBytes = 65536;
        std::vector<BYTE> info(infoBytes);
        UINT got = file.Read(info.data(), infoBytes);
        zelvo::BmpLayout layout;
        if (zelvo::ParseBmpInfo(info.data(), got, pixelOffset, available, layout) != zelvo::BmpResult::ok) {
            AfxMessageBox(_T("Invalid bitmap file"));
            return FALSE;
        }
        size_t tableBytes = sizeof(RGBQUAD) * layout.tableColors;
        block = static_cast<BYTE*>(std::malloc(sizeof(BITMAPINFOHEADER) + tableBytes + layout.imageBytes));
        if (!block) return FALSE;
        BITMAPINFOHEADER* h = reinterpret_cast<BITMAPINFOHEADER*>(block);
        FillHeader(h, layout.width, layout.height, layout.bitCount, layout.imageBytes, layout.tableColors);
        h->biXPelsPerMeter = layout.xPelsPerMeter;
        h->biYPelsPerMeter = layout.yPelsPerMeter;
        BYTE* table = block + sizeof(BITMAPINFOHEADER);
        std::memset(table, 0, tableBytes);
        std::memcpy(table, info.data() + layout.headerSize, sizeof(RGBQUAD) * layout.fileColors);
        BYTE* bits = table + tableBytes;

        file.Seek((LONGLONG)(start + pixelOffset), CFile::begin);
        if (file.Read(bits, layout.imageBytes) != layout.imageBytes) {
            std::free(block);
            return FALSE;
        }
        if (layout.topDown) {
            DWORD stride = (DWORD)zelvo::DibRowStride((uint32_t)layout.width, layout.bitCount);
            std::vector<BYTE> row(stride);
            for (int32_t top = 0, bottom = layout.height - 1; top < bottom; ++top, --bottom) {
                std::memcpy(row.data(), bits + (size_t)top * stride, stride);
                std::memcpy(bits + (size_t)top * stride, bits + (size_t)bottom * stride, stride);
                std::memcpy(bits + (size_t)bottom * stride, row.data(), stride);
            }
        }
        Attach(block);
        block = nullptr;
        CreatePalette();
        return TRUE;
    } catch (CException* e) {
        e->Delete();
        std::free(block);
        Free();
        AfxMessageBox(_T("Error reading file (exception thrown)"));
        return FALSE;
    }
}

BOOL CDib::ReadTiff(LPCTSTR path)
{
    FILE* f = _tfopen(path, _T("rb"));
    if (!f) return FALSE;
    StdioTiffSource source(f);
    zelvo::TiffLayout layout;
    if (zelvo::ParseTiff(source, layout) != zelvo::TiffResult::ok || !Create(layout.width, layout.height, layout.bitCount)) {
        std::fclose(f);
        Free();
        return FALSE;
    }
    for (UINT i = 0; i < layout.colors && i < m_nColors; ++i) {
        m_pColorTable[i].rgbRed = layout.red[i];
        m_pColorTable[i].rgbGreen = layout.green[i];
        m_pColorTable[i].rgbBlue = layout.blue[i];
        m_pColorTable[i].rgbReserved = 0;
    }
    CreatePalette();

    bool ok = _fseeki64(f, (long long)layout.pixelOffset, SEEK_SET) == 0;
    // The first file row is the top of the picture, the last row in memory.
    for (UINT r = 0; ok && r < layout.height; ++r) {
        BYTE* row = m_pBits + (size_t)(layout.height - 1 - r) * m_dwRowStride;
        ok = std::fread(row, 1, layout.rowBytes, f) == layout.rowBytes;
        if (!ok) break;
        std::memset(row + layout.rowBytes, 0, m_dwRowStride - layout.rowBytes);
        if (layout.bitCount == 24) {
            for (UINT x = 0; x < layout.width; ++x) {
                BYTE t = row[3 * x];
                row[3 * x] = row[3 * x + 2];
                row[3 * x + 2] = t;
            }
        }
    }
    std::fclose(f);
    if (!ok) Free();
    return ok ? TRUE : FALSE;
}
