#include "DisplayBuffer.h"
#include "DrawingTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using drawing_test::MakeWindow;
using drawing_test::MemSurface;

namespace {

// Four coloured quadrants so that any shift or stretch shows.
void PaintQuadrants(CDisplayBuffer& b, int w, int h)
{
    RECT tl{0, 0, w / 2, h / 2}, tr{w / 2, 0, w, h / 2}, bl{0, h / 2, w / 2, h}, br{w / 2, h / 2, w, h};
    HDC dc = b.GetMemoryDC();
    HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(NULL_PEN));
    // A null pen leaves the Rectangle one pixel short on the right and bottom.
    auto grow = [](RECT r) { return RECT{r.left, r.top, r.right + 1, r.bottom + 1}; };
    RECT r;
    b.Fill(RGB(255, 0, 0), &(r = grow(tl)));
    b.Fill(RGB(0, 255, 0), &(r = grow(tr)));
    b.Fill(RGB(0, 0, 255), &(r = grow(bl)));
    b.Fill(RGB(255, 255, 0), &(r = grow(br)));
    ::SelectObject(dc, oldPen);
}

} // namespace

TEST(DisplayBuffer, BlitToAWindowOfTheSameSizeCopiesOneToOneWithoutStretchMode)
{
    HWND wnd = MakeWindow(64, 48);
    ASSERT_TRUE(wnd);
    CDisplayBuffer b(wnd, 64, 48);
    int w = 0, h = 0;
    b.GetSize(w, h);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);
    PaintQuadrants(b, 64, 48);

    MemSurface target(64, 48);
    ::SetStretchBltMode(target.dc, BLACKONWHITE);
    b.DrawLocked(target.dc);
    EXPECT_EQ(::GetStretchBltMode(target.dc), BLACKONWHITE);
    EXPECT_EQ(target.At(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(target.At(31, 23), RGB(255, 0, 0));
    EXPECT_EQ(target.At(32, 0), RGB(0, 255, 0));
    EXPECT_EQ(target.At(0, 24), RGB(0, 0, 255));
    EXPECT_EQ(target.At(63, 47), RGB(255, 255, 0));

    // A window of another size gets a stretched copy in the canvas's mode.
    ::SetWindowPos(wnd, nullptr, 0, 0, 128, 96, SWP_NOZORDER | SWP_NOMOVE);
    MemSurface big(128, 96);
    ::SetStretchBltMode(big.dc, BLACKONWHITE);
    b.BlitTo(big.dc);
    EXPECT_EQ(::GetStretchBltMode(big.dc), HALFTONE);
    EXPECT_EQ(big.At(10, 10), RGB(255, 0, 0));
    EXPECT_EQ(big.At(120, 90), RGB(255, 255, 0));
    EXPECT_EQ(b.SetStretchMode(COLORONCOLOR), HALFTONE);
    b.BlitTo(big.dc);
    EXPECT_EQ(::GetStretchBltMode(big.dc), COLORONCOLOR);
    ::DestroyWindow(wnd);
}

TEST(DisplayBuffer, StretchToCopiesOneToOneFromTheCornerOfAnEmptySource)
{
    HWND wnd = MakeWindow(64, 48);
    CDisplayBuffer b(wnd, 64, 48);
    PaintQuadrants(b, 64, 48);
    MemSurface target(64, 48);
    target.Fill(RGB(1, 2, 3), 64, 48);
    const RECT empty{32, 24, 32, 24};
    const RECT dest{0, 0, 10, 10};
    b.DrawLocked(target.dc, &empty, &dest);
    EXPECT_EQ(target.At(0, 0), RGB(255, 255, 0));  // from (32,24)
    EXPECT_EQ(target.At(9, 9), RGB(255, 255, 0));
    EXPECT_EQ(target.At(10, 10), RGB(1, 2, 3));

    // A same-size source is copied, not stretched.
    const RECT src{30, 0, 34, 4};
    const RECT dst{20, 20, 24, 24};
    ::SetStretchBltMode(target.dc, BLACKONWHITE);
    b.StretchTo(target.dc, &src, &dst);
    EXPECT_EQ(::GetStretchBltMode(target.dc), BLACKONWHITE);
    EXPECT_EQ(target.At(21, 20), RGB(255, 0, 0));
    EXPECT_EQ(target.At(22, 20), RGB(0, 255, 0));

    // A smaller source is stretched onto the whole client area by default.
    const RECT quarter{0, 0, 32, 24};
    b.StretchTo(target.dc, &quarter);
    EXPECT_EQ(target.At(63, 47), RGB(255, 0, 0));
    ::DestroyWindow(wnd);
}

TEST(DisplayBuffer, ScrollMovesTheOverlapAndKeepsTheUncoveredStrip)
{
    HWND wnd = MakeWindow(64, 48);
    CDisplayBuffer b(wnd, 64, 48);
    PaintQuadrants(b, 64, 48);
    b.Scroll(0, 0);
    MemSurface t(64, 48);
    b.BlitTo(t.dc);
    EXPECT_EQ(t.At(31, 23), RGB(255, 0, 0));
    EXPECT_EQ(t.At(32, 24), RGB(255, 255, 0));

    b.Scroll(100, 0);  // more than the surface: nothing
    b.Scroll(0, -49);
    b.BlitTo(t.dc);
    EXPECT_EQ(t.At(31, 23), RGB(255, 0, 0));

    b.Scroll(4, 2);
    b.BlitTo(t.dc);
    EXPECT_EQ(t.At(35, 25), RGB(255, 0, 0));     // was (31,23)
    EXPECT_EQ(t.At(36, 26), RGB(255, 255, 0));   // was (32,24)
    EXPECT_EQ(t.At(1, 1), RGB(255, 0, 0));       // uncovered strip keeps its pixels
    EXPECT_EQ(t.At(63, 0), RGB(0, 255, 0));

    b.Scroll(-4, -2);
    b.BlitTo(t.dc);
    EXPECT_EQ(t.At(31, 23), RGB(255, 0, 0));
    EXPECT_EQ(t.At(32, 24), RGB(255, 255, 0));
    ::DestroyWindow(wnd);
}

TEST(DisplayBuffer, CreateOrResizeKeepsTheFirstWindow)
{
    HWND first = MakeWindow(20, 20), second = MakeWindow(30, 30);
    CDisplayBuffer b;
    EXPECT_EQ(b.GetMemoryDC(), nullptr);
    MemSurface t(8, 8);
    b.BlitTo(t.dc);  // no surface: nothing, no crash
    b.CreateOrResize(first, 20, 20);
    EXPECT_EQ(b.GetWindow(), first);
    EXPECT_NE(b.GetMemoryDC(), nullptr);
    b.CreateOrResize(second, 50, 40);
    EXPECT_EQ(b.GetWindow(), first);
    int w, h;
    b.GetSize(w, h);
    EXPECT_EQ(w, 50);
    EXPECT_EQ(h, 40);
    b.DestroySurface();
    EXPECT_EQ(b.GetMemoryDC(), nullptr);
    b.DestroySurface();
    EXPECT_EQ(b.m_scaleX, 1.0);
    EXPECT_TRUE(::IsRectEmpty(&b.m_rect));
    ::DestroyWindow(first);
    ::DestroyWindow(second);
}

TEST(DisplayBuffer, DrawWaitsForTheOwnersLockAndReleasesIt)
{
    HWND wnd = MakeWindow(16, 16);
    CDisplayBuffer b(wnd, 16, 16);
    b.Fill(RGB(0, 0, 0));
    MemSurface t(16, 16);
    t.Fill(RGB(9, 9, 9), 16, 16);

    b.Lock();
    std::atomic<bool> drawn{false};
    std::thread painter([&] {
        b.DrawLocked(t.dc);
        drawn = true;
    });
    ::Sleep(50);
    EXPECT_FALSE(drawn);  // held by the owner
    RECT all{0, 0, 17, 17};
    HGDIOBJ oldPen = ::SelectObject(b.GetMemoryDC(), ::GetStockObject(NULL_PEN));
    b.Fill(RGB(0, 200, 0), &all);
    ::SelectObject(b.GetMemoryDC(), oldPen);
    b.Unlock();
    painter.join();
    EXPECT_TRUE(drawn);
    EXPECT_EQ(t.At(8, 8), RGB(0, 200, 0));  // saw the finished update only
    // The lock is free again.
    EXPECT_EQ(::WaitForSingleObject(b.m_hLock, 0), WAIT_OBJECT_0);
    ::SetEvent(b.m_hLock);
    ::DestroyWindow(wnd);
}
