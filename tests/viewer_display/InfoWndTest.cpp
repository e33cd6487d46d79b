#include "DisplayTestSupport.h"
#include "InfoWnd.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using display_test::HostWnd;

namespace {

// Copy of the window's region, or null when it has none.
HRGN RegionOf(HWND hwnd)
{
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    if (::GetWindowRgn(hwnd, rgn) == ERROR) {
        ::DeleteObject(rgn);
        return nullptr;
    }
    return rgn;
}

bool Covers(HWND hwnd, int x, int y)
{
    HRGN rgn = RegionOf(hwnd);
    if (!rgn) return false;
    const bool in = ::PtInRegion(rgn, x, y) != FALSE;
    ::DeleteObject(rgn);
    return in;
}

} // namespace

TEST(InfoWnd, StartsHiddenOverTheWholeOwnerWithAnEllipticHole)
{
    HostWnd owner(800, 600);
    CInfoWnd info(&owner);
    ASSERT_TRUE(::IsWindow(info.m_hWnd));
    EXPECT_FALSE(info.IsWindowVisible());
    EXPECT_EQ(info.m_holeWidth, 700);
    EXPECT_EQ(info.m_holeHeight, 700);
    RECT c;
    info.GetClientRect(&c);
    EXPECT_EQ(c.right, 800);
    EXPECT_EQ(c.bottom, 600);

    // The 700 x 700 hole is centred at (400, 300) and higher than the window.
    EXPECT_FALSE(Covers(info.m_hWnd, 400, 300));
    EXPECT_TRUE(Covers(info.m_hWnd, 5, 300));
    EXPECT_TRUE(Covers(info.m_hWnd, 795, 300));
    EXPECT_FALSE(Covers(info.m_hWnd, 400, 5));

    info.Reshape(200, 100);
    EXPECT_FALSE(Covers(info.m_hWnd, 400, 300));
    EXPECT_TRUE(Covers(info.m_hWnd, 400, 360));
    EXPECT_TRUE(Covers(info.m_hWnd, 290, 300));
}

TEST(InfoWnd, HoleLargerThanTheClientLeavesOnlyTheCorners)
{
    HostWnd owner(800, 600);
    CInfoWnd info(&owner);
    info.Reshape(900, 700);
    EXPECT_TRUE(Covers(info.m_hWnd, 1, 1));
    EXPECT_TRUE(Covers(info.m_hWnd, 798, 598));
    EXPECT_FALSE(Covers(info.m_hWnd, 400, 300));
    EXPECT_FALSE(Covers(info.m_hWnd, 400, 2));
    EXPECT_FALSE(Covers(info.m_hWnd, 2, 300));
}

TEST(InfoWnd, TinyClientKeepsThePreviousRegion)
{
    HostWnd owner(800, 600);
    CInfoWnd info(&owner);
    info.Reshape(300, 300);
    HRGN before = RegionOf(info.m_hWnd);
    ASSERT_NE(before, nullptr);

    ::SetWindowPos(owner.m_hWnd, nullptr, 0, 0, 1, 1, SWP_NOZORDER | SWP_NOMOVE);
    info.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(1, 1));
    RECT c;
    info.GetClientRect(&c);
    EXPECT_LE(c.right, 1);
    HRGN after = RegionOf(info.m_hWnd);
    ASSERT_NE(after, nullptr);
    EXPECT_TRUE(::EqualRgn(before, after));
    ::DeleteObject(before);
    ::DeleteObject(after);

    // Growing again cuts a new hole for the new size.
    ::SetWindowPos(owner.m_hWnd, nullptr, 0, 0, 400, 400, SWP_NOZORDER | SWP_NOMOVE);
    info.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(400, 400));
    EXPECT_FALSE(Covers(info.m_hWnd, 200, 200));
    EXPECT_TRUE(Covers(info.m_hWnd, 1, 1));
}

TEST(InfoWnd, PaintsTheSurroundDarkAndTheTextsBesideTheHole)
{
    HostWnd owner(800, 600);
    CInfoWnd info(&owner);
    info.Reshape(300, 300);
    info.SetInfoText(_T("L"), _T("R"));
    EXPECT_EQ(info.m_leftText, CString(_T("L")));
    // Paint into a memory DC through the erase handler.
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, 800, 600);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bmp);
    info.SendMessage(WM_ERASEBKGND, (WPARAM)dc);
    EXPECT_EQ(::GetPixel(dc, 2, 2), RGB(52, 52, 52));
    EXPECT_EQ(::GetPixel(dc, 400, 300), RGB(0, 0, 0));
    // 24 beyond the hole edge is still black, 30 beyond is the surround.
    EXPECT_EQ(::GetPixel(dc, 400 + 150 + 20, 300), RGB(0, 0, 0));
    EXPECT_EQ(::GetPixel(dc, 400 + 150 + 30, 300), RGB(52, 52, 52));
    ::SelectObject(dc, old);
    ::DeleteObject(bmp);
    ::DeleteDC(dc);
}

TEST(InfoWnd, TextFontShowsTheSlideInformation)
{
    HFONT font = CInfoWnd::CreateTextFont();
    EXPECT_EQ("", testing_support::ChineseFontProblem(font, "视场直径：0.50mm 样本尺寸：图像大小：像素"));
    ::DeleteObject(font);
}
