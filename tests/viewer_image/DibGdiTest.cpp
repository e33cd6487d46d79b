#include "Dib.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A 32-bit top-down DIB section selected into a memory DC, to read back what
// was drawn.
struct Canvas {
    Canvas(int w, int h) : width(w)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        dc = ::CreateCompatibleDC(nullptr);
        bitmap = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        old = ::SelectObject(dc, bitmap);
        for (int i = 0; i < w * h; ++i) bits[i] = 0x00ABCDEF;
    }
    ~Canvas()
    {
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
    }
    DWORD At(int x, int y) const { ::GdiFlush(); return bits[y * width + x] & 0xFFFFFF; }
    int width;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    DWORD* bits = nullptr;
};

// A 24-bit picture whose pixel (x, y) from the top is RGB(x * 10, y * 10, 7).
void FillGradient(CDib& dib, int w, int h)
{
    ASSERT_TRUE(dib.Create(w, h, 24));
    for (int y = 0; y < h; ++y) {
        BYTE* row = dib.GetBits() + (size_t)(h - 1 - y) * dib.GetRowStride();
        for (int x = 0; x < w; ++x) {
            row[3 * x] = 7;
            row[3 * x + 1] = (BYTE)(y * 10);
            row[3 * x + 2] = (BYTE)(x * 10);
        }
    }
}

} // namespace

TEST(Dib, CreateComputesLayout)
{
    CDib dib;
    EXPECT_EQ(CSize(0, 0), dib.GetSize());
    ASSERT_TRUE(dib.Create(1, 3, 24));
    EXPECT_EQ(4u, dib.GetRowStride());
    EXPECT_EQ(12u, dib.GetImageSize());
    EXPECT_EQ(nullptr, dib.GetPalette());
    ASSERT_TRUE(dib.Create(33, 2, 1));
    EXPECT_EQ(8u, dib.GetRowStride());
    EXPECT_EQ(2u, dib.GetColorCount());
    EXPECT_EQ(48u, dib.GetHeaderSize());
    EXPECT_NE(nullptr, dib.GetPalette());
    const BITMAPINFOHEADER* h = dib.GetInfoHeader();
    EXPECT_EQ(2u, h->biClrUsed);
    EXPECT_EQ(16u, h->biSizeImage);
    EXPECT_EQ(COLORONCOLOR, dib.SetStretchMode(HALFTONE));
    EXPECT_EQ(HALFTONE, dib.SetStretchMode(COLORONCOLOR));

    testing_support::MessageBoxRecorder boxes;
    EXPECT_FALSE(dib.Create(10, 10, 16));
    EXPECT_TRUE(dib.IsEmpty());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("CDib only supports 1, 8, 24 and 32 bits per pixel", boxes.boxes[0].text);
    EXPECT_FALSE(dib.Create(60000, 60000, 32));  // beyond the cap
    EXPECT_FALSE(dib.Create(0, 5, 24));
}

TEST(Dib, DrawAtNaturalSizeAndStretched)
{
    CDib empty;
    Canvas canvas(40, 40);
    EXPECT_EQ(0, empty.Draw(canvas.dc, 0, 0, 10, 10));
    EXPECT_EQ(0x00ABCDEFu, canvas.At(0, 0));

    CDib dib;
    FillGradient(dib, 8, 6);
    // x2 = x1 and y2 = y1: natural size at (x1, y1).
    EXPECT_NE(0, dib.Draw(canvas.dc, 3, 4, 3, 4));
    EXPECT_EQ((DWORD)((0 << 16) | (0 << 8) | 7), canvas.At(3, 4));          // top-left pixel
    EXPECT_EQ((DWORD)((70 << 16) | (50 << 8) | 7), canvas.At(3 + 7, 4 + 5)); // bottom-right
    EXPECT_EQ(0x00ABCDEFu, canvas.At(3 + 8, 4));
    EXPECT_EQ(0x00ABCDEFu, canvas.At(2, 4));

    // Twice the size: each picture pixel covers 2 x 2.
    Canvas big(40, 40);
    EXPECT_NE(0, dib.Draw(big.dc, 0, 0, 16, 12));
    EXPECT_EQ((DWORD)((70 << 16) | (50 << 8) | 7), big.At(15, 11));
    EXPECT_EQ((DWORD)((10 << 16) | (10 << 8) | 7), big.At(3, 3));
    EXPECT_EQ(0x00ABCDEFu, big.At(16, 0));
}

TEST(Dib, ClipboardCopyReadsBack)
{
    CDib empty;
    EXPECT_FALSE(empty.CopyToClipboard());
    CDib dib;
    FillGradient(dib, 9, 5);
    ASSERT_TRUE(dib.CopyToClipboard());
    ASSERT_TRUE(::OpenClipboard(nullptr));
    HANDLE data = ::GetClipboardData(CF_DIB);
    ASSERT_NE(nullptr, data);
    SIZE_T size = ::GlobalSize(data);
    const BYTE* p = static_cast<const BYTE*>(::GlobalLock(data));
    ASSERT_NE(nullptr, p);
    const BITMAPINFOHEADER* h = reinterpret_cast<const BITMAPINFOHEADER*>(p);
    EXPECT_EQ(40u, h->biSize);
    EXPECT_EQ(9, h->biWidth);
    EXPECT_EQ(5, h->biHeight);
    EXPECT_EQ(24, h->biBitCount);
    EXPECT_GE(size, (SIZE_T)(40 + dib.GetImageSize()));
    EXPECT_EQ(0, std::memcmp(p + 40, dib.GetBits(), dib.GetImageSize()));
    ::GlobalUnlock(data);
    ::CloseClipboard();
}

TEST(Dib, GrabWindowSizes)
{
    HWND wnd = ::CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 120, 70, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, wnd);
    testing_support::PumpFor(50);
    CDib dib;
    EXPECT_GT(dib.GrabWindow(wnd, 101, 50), 0);
    EXPECT_EQ(CSize(104, 50), dib.GetSize());
    EXPECT_GT(dib.GrabWindow(wnd, 0, 0), 0);
    RECT rc;
    ::GetClientRect(wnd, &rc);
    EXPECT_EQ(CSize(rc.right, rc.bottom), dib.GetSize());
    ::DestroyWindow(wnd);

    EXPECT_GT(dib.GrabWindow(nullptr, 0, 0), 0);
    EXPECT_EQ(CSize(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1), dib.GetSize());

    // A bitmap of the same size and depth reuses the block.
    BYTE* bits = dib.GetBits();
    EXPECT_GT(dib.GrabWindow(nullptr, 0, 0), 0);
    EXPECT_EQ(bits, dib.GetBits());
}
