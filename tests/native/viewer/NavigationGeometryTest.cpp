#include "viewer/NavigationGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace zelvo::nav;

namespace {

const Rect kFrame{100, 100, 200, 150};

} // namespace

TEST(NavigationHitMode, InnerZoneIsTheRectangleGrownByTwoHalfOpen)
{
    EXPECT_EQ(kHitMove, FrameHitMode(kFrame, 150, 125));
    EXPECT_EQ(kHitMove, FrameHitMode(kFrame, 98, 98));
    EXPECT_EQ(kHitMove, FrameHitMode(kFrame, 201, 151));
    // Right and bottom of the grown rectangle are outside (PtInRect).
    EXPECT_NE(kHitMove, FrameHitMode(kFrame, 202, 125));
    EXPECT_NE(kHitMove, FrameHitMode(kFrame, 150, 152));
}

TEST(NavigationHitMode, EdgeZonesJustOutside)
{
    EXPECT_EQ(kHitLeft, FrameHitMode(kFrame, 97, 125));
    EXPECT_EQ(kHitLeft, FrameHitMode(kFrame, 95, 100));
    EXPECT_EQ(kHitNone, FrameHitMode(kFrame, 94, 125));
    EXPECT_EQ(kHitRight, FrameHitMode(kFrame, 202, 125));
    EXPECT_EQ(kHitRight, FrameHitMode(kFrame, 205, 150));
    EXPECT_EQ(kHitNone, FrameHitMode(kFrame, 206, 125));
    EXPECT_EQ(kHitTop, FrameHitMode(kFrame, 150, 97));
    EXPECT_EQ(kHitTop, FrameHitMode(kFrame, 100, 95));
    EXPECT_EQ(kHitNone, FrameHitMode(kFrame, 150, 94));
    EXPECT_EQ(kHitBottom, FrameHitMode(kFrame, 150, 152));
    EXPECT_EQ(kHitBottom, FrameHitMode(kFrame, 200, 155));
    EXPECT_EQ(kHitNone, FrameHitMode(kFrame, 150, 156));
    // Corners outside both spans belong to nobody.
    EXPECT_EQ(kHitNone, FrameHitMode(kFrame, 96, 96));
    EXPECT_EQ(kHitNone, FrameHitMode(kFrame, 204, 154));
    // A point left of the frame but above its top is not the left edge.
    EXPECT_EQ(kHitNone, FrameHitMode(kFrame, 97, 97 - 1));
}

TEST(NavigationHitMode, ExtremeCoordinatesDoNotOverflow)
{
    const int32_t big = std::numeric_limits<int32_t>::max();
    const int32_t small = std::numeric_limits<int32_t>::min();
    EXPECT_EQ(kHitNone, FrameHitMode(kFrame, big, big));
    EXPECT_EQ(kHitNone, FrameHitMode(kFrame, small, small));
    const Rect edge{small, small, big, big};
    EXPECT_EQ(kHitMove, FrameHitMode(edge, 0, 0));
}

TEST(NavigationClamp, SmallerSpanIsPushedBackInside)
{
    int32_t s = -30, e = 20;
    ClampSpan(s, e, 0, 100);
    EXPECT_EQ(0, s);
    EXPECT_EQ(50, e);
    s = 80, e = 130;
    ClampSpan(s, e, 0, 100);
    EXPECT_EQ(50, s);
    EXPECT_EQ(100, e);
    s = 10, e = 60;
    ClampSpan(s, e, 0, 100);
    EXPECT_EQ(10, s);
    EXPECT_EQ(60, e);
    s = 0, e = 100;  // exactly the area
    ClampSpan(s, e, 0, 100);
    EXPECT_EQ(0, s);
    EXPECT_EQ(100, e);
}

TEST(NavigationClamp, LargerSpanKeepsCoveringTheArea)
{
    int32_t s = 20, e = 170;
    ClampSpan(s, e, 0, 100);
    EXPECT_EQ(0, s);
    EXPECT_EQ(150, e);
    s = -100, e = 50;
    ClampSpan(s, e, 0, 100);
    EXPECT_EQ(-50, s);
    EXPECT_EQ(100, e);
    s = -20, e = 130;
    ClampSpan(s, e, 0, 100);
    EXPECT_EQ(-20, s);
    EXPECT_EQ(130, e);
}

TEST(NavigationClamp, RectReportsHowFarLeftTopMoved)
{
    int32_t dx = 0, dy = 0;
    Rect r = ClampRect(Rect{-10, 290, 40, 340}, Rect{0, 0, 320, 300}, &dx, &dy);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(50, r.right);
    EXPECT_EQ(250, r.top);
    EXPECT_EQ(300, r.bottom);
    EXPECT_EQ(10, dx);
    EXPECT_EQ(-40, dy);
}

TEST(NavigationGeometry, CenterOnUsesIntegerHalves)
{
    Rect r = CenterRectOn(Rect{0, 0, 11, 21}, 100, 50);
    EXPECT_EQ(95, r.left);   // centre of 0..11 is 5
    EXPECT_EQ(106, r.right);
    EXPECT_EQ(40, r.top);
    EXPECT_EQ(61, r.bottom);
    // A point at the end of the range saturates instead of wrapping.
    r = CenterRectOn(Rect{0, 0, 100, 100}, std::numeric_limits<int32_t>::max(), 0);
    EXPECT_EQ(std::numeric_limits<int32_t>::max(), r.right);
    EXPECT_GT(r.left, 0);
}

TEST(NavigationGeometry, ScaleNeverInfiniteOrZero)
{
    EXPECT_DOUBLE_EQ(2.0, PictureScale(640, 320));
    EXPECT_DOUBLE_EQ(1.0, PictureScale(400, 0));
    EXPECT_DOUBLE_EQ(1.0, PictureScale(0, 300));
    EXPECT_DOUBLE_EQ(1.0, PictureScale(400, -1));
}

TEST(NavigationGeometry, ThumbnailClientSize)
{
    int32_t w = 0, h = 0;
    ASSERT_TRUE(FitThumbnailClient(640, 480, 1024, w, h));
    EXPECT_EQ(320, w);
    EXPECT_EQ(240, h);
    // Tall: 0.38 x 1024 = 389.12 -> 389; width 389 x 100 / 400 = 97.25 -> 97.
    ASSERT_TRUE(FitThumbnailClient(100, 400, 1024, w, h));
    EXPECT_EQ(97, w);
    EXPECT_EQ(389, h);
    // Truncation of the height: 320 x 333 / 1000 = 106.56.
    ASSERT_TRUE(FitThumbnailClient(1000, 333, 1024, w, h));
    EXPECT_EQ(106, h);
    w = h = 7;
    EXPECT_FALSE(FitThumbnailClient(0, 100, 1024, w, h));
    EXPECT_FALSE(FitThumbnailClient(100, 0, 1024, w, h));
    EXPECT_EQ(7, w);
    EXPECT_EQ(7, h);
}

TEST(NavigationGeometry, PlaceBesideKeepsOwnerWidthOrHeight)
{
    Rect out;
    // Owner 400x600 (ratio 0.67) with overview 320x240 (r = 1.33): width kept.
    ASSERT_TRUE(PlaceBesideRect(Rect{10, 20, 410, 620}, 320, 240, out));
    EXPECT_EQ(10, out.left);
    EXPECT_EQ(20, out.top);
    EXPECT_EQ(410, out.right);
    EXPECT_EQ(320, out.bottom);  // 20 + 400 / 1.333
    // Owner 1000x300 (ratio 3.3): height kept.
    ASSERT_TRUE(PlaceBesideRect(Rect{0, 0, 1000, 300}, 320, 240, out));
    EXPECT_EQ(300, out.bottom);
    EXPECT_EQ(400, out.right);
    EXPECT_FALSE(PlaceBesideRect(Rect{0, 0, 1000, 300}, 320, 0, out));
    EXPECT_FALSE(PlaceBesideRect(Rect{0, 0, 1000, 0}, 320, 240, out));
    EXPECT_FALSE(PlaceBesideRect(Rect{0, 0, 0, 300}, 320, 240, out));
}

TEST(NavigationGeometry, OneToOneAndMagnification)
{
    EXPECT_EQ(3779, OneToOnePixels(3779527, 1.0));
    EXPECT_EQ(56692, OneToOnePixels(3779527, 15.0));
    EXPECT_EQ(0, OneToOnePixels(3779527, std::nan("")));
    double m = -1;
    ASSERT_TRUE(OverviewMagnification(320, 3200, m));
    EXPECT_DOUBLE_EQ(0.1, m);
    m = -1;
    EXPECT_FALSE(OverviewMagnification(320, 0, m));
    EXPECT_DOUBLE_EQ(-1, m);
}
