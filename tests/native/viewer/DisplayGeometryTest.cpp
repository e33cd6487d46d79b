#include "viewer/DisplayGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace zelvo::view;

namespace {

// A pixel count over an area, to check that rectangles tile it.
class Cover {
public:
    explicit Cover(const Rect& area) : m_area(area), m_cells(size_t(area.Width() * area.Height()), 0) {}
    void Add(const Rect& r)
    {
        const Rect x = Intersect(r, m_area);
        for (int32_t y = x.top; y < x.bottom; ++y)
            for (int32_t i = x.left; i < x.right; ++i) ++Cell(i, y);
    }
    int At(int32_t x, int32_t y) { return Cell(x, y); }
    bool Exactly(int n) const
    {
        for (int c : m_cells)
            if (c != n) return false;
        return true;
    }

private:
    int& Cell(int32_t x, int32_t y) { return m_cells[size_t((y - m_area.top) * m_area.Width() + (x - m_area.left))]; }
    Rect m_area;
    std::vector<int> m_cells;
};

} // namespace

// Every sign combination: what the moved buffer still holds plus the refilled
// strips cover the 3 x 3 area exactly once.
TEST(DisplayScroll, KeptPartAndStripsTileTheArea)
{
    const int32_t cx = 20, cy = 16;
    const Rect area{-cx, -cy, 2 * cx, 2 * cy};
    for (int32_t dx : {-7, 0, 7})
        for (int32_t dy : {-5, 0, 5}) {
            if (dx == 0 && dy == 0) continue;
            SCOPED_TRACE(testing::Message() << dx << "," << dy);
            const ScrollPlan p = PlanScroll(dx, dy, cx, cy);
            ASSERT_TRUE(p.scroll);
            Cover c(area);
            c.Add(Intersect(Offset(area, -dx, -dy), area));
            for (int i = 0; i < p.count; ++i) c.Add(p.strips[size_t(i)]);
            EXPECT_TRUE(c.Exactly(1));
            EXPECT_EQ(dx != 0 && dy != 0 ? 2 : 1, p.count);
        }
    EXPECT_FALSE(PlanScroll(0, 0, cx, cy).scroll);
    EXPECT_EQ(0, PlanScroll(0, 0, cx, cy).count);
    for (const auto& far : {std::pair<int32_t, int32_t>{2 * cx, 0}, {0, -2 * cy}, {std::numeric_limits<int32_t>::min(), 3}}) {
        const ScrollPlan p = PlanScroll(far.first, far.second, cx, cy);
        EXPECT_FALSE(p.scroll);
        ASSERT_EQ(1, p.count);
        EXPECT_EQ(area, p.strips[0]);
    }
}

TEST(DisplayScroll, BandsAroundAndOnTheImage)
{
    const Rect kept{10, 20, 30, 40};
    Cover c(Rect{-100, -80, 200, 160});
    c.Add(kept);
    for (const Rect& b : BandsAround(kept, 100, 80)) c.Add(b);
    EXPECT_TRUE(c.Exactly(1));
    // View at image point (100, 50) of a 1000 x 500 image: a band reaching
    // left of and below the image keeps only its part on the image.
    EXPECT_EQ((Rect{-100, 300, 50, 450}), BandOnImage({-300, 300, 50, 600}, 100, 50, 1000, 500));
    EXPECT_TRUE(BandOnImage({-300, 0, -101, 10}, 100, 50, 1000, 500).IsEmpty());
    EXPECT_TRUE(BandOnImage({5, 5, 5, 10}, 100, 50, 1000, 500).IsEmpty());
}

TEST(DisplayThumbnail, DisplayRectanglesInThumbnailPixels)
{
    // A 20000 x 10000 slide shown at 5000 x 2500 with a 400 x 200 thumbnail.
    const ThumbnailScale k = ThumbnailPerDisplay(400.0 / 20000, 200.0 / 10000, 5000.0 / 20000, 2500.0 / 10000);
    EXPECT_EQ((Rect{80, 40, 144, 88}), ToThumbnail({1000, 500, 1800, 1100}, k));
    EXPECT_EQ((Rect{80, 40, 88, 44}), ToThumbnail({0, 0, 100, 50}, k, 80, 40));
    // No display scale yet: everything maps onto the offset.
    const ThumbnailScale none = ThumbnailPerDisplay(0.1, 0.1, 0, 0);
    EXPECT_EQ((Rect{3, 4, 3, 4}), ToThumbnail({0, 0, 100, 100}, none, 3, 4));
}

TEST(DisplayFrame, TileBufferWhereItReachesAndThumbnailBandsBeyond)
{
    const int32_t cx = 40, cy = 30, w = 30, h = 20;
    // Inside the buffer: the buffer alone.
    FramePlan p = PlanFrame(w, h, 5, -3, cx, cy);
    EXPECT_TRUE(p.fromMain);
    EXPECT_EQ((Rect{45, 27, 75, 47}), p.mainSource);
    EXPECT_EQ(0, p.count);
    // Wholly outside: the thumbnail over the whole client.
    p = PlanFrame(w, h, 2 * cx + 1, 0, cx, cy);
    EXPECT_FALSE(p.fromMain);
    ASSERT_EQ(1, p.count);
    EXPECT_EQ((Rect{0, 0, w, h}), p.bands[0]);
    // Over each edge and corner: the bands cover exactly what S leaves outside.
    const Rect main{0, 0, 3 * cx, 3 * cy};
    for (int32_t px : {-cx - 10, 0, 2 * cx - 20})
        for (int32_t py : {-cy - 8, 0, 2 * cy - 12}) {
            SCOPED_TRACE(testing::Message() << px << "," << py);
            p = PlanFrame(w, h, px, py, cx, cy);
            ASSERT_TRUE(p.fromMain);
            Cover c(Rect{0, 0, w, h});
            c.Add(Offset(Intersect(p.mainSource, main), -p.mainSource.left, -p.mainSource.top));
            for (int i = 0; i < p.count; ++i) c.Add(p.bands[size_t(i)]);
            EXPECT_TRUE(c.Exactly(1));
        }
}

TEST(DisplayZoom, FramesOfZoomingInAndOut)
{
    // 1280 x 1024 screen: k^2 = 2.78, steps 27 in and 83 out.
    const auto in = PlanZoomFrames(1000, 800, 2.0, 1280, 1024, 2000);
    ASSERT_EQ(20u, in.size());
    EXPECT_EQ(999, in.front().s);
    EXPECT_EQ(486, in.back().s);
    EXPECT_EQ(999 * 400 / 500, in.front().height);
    for (const ZoomFrame& z : in) EXPECT_FALSE(z.large);

    const auto out = PlanZoomFrames(1000, 800, 0.25, 1280, 1024, 2000);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(1001, out.front().s);
    int step = 83;
    for (size_t i = 1; i < out.size(); ++i) {
        EXPECT_EQ(step, out[i].s - out[i - 1].s) << i;
        EXPECT_EQ(out[i].s > 3 * 1280, out[i].large);
        if (out[i].large) step += 4;  // 1 / f after every large frame
    }
    EXPECT_LE(out.back().s, 4000 + step);
    EXPECT_GT(out.back().s + step, 4000 + step);

    // No change of scale still shows one frame; bad factors none.
    EXPECT_EQ(1u, PlanZoomFrames(1000, 800, 1.0, 1280, 1024, 2000).size());
    for (double f : {0.0, -2.0, 1e9, 1e-9, std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_TRUE(PlanZoomFrames(1000, 800, f, 1280, 1024, 2000).empty()) << f;
    EXPECT_TRUE(PlanZoomFrames(0, 800, 2.0, 1280, 1024, 2000).empty());
    EXPECT_EQ(5u, PlanZoomFrames(1000, 800, 0.001, 1280, 1024, 5).size());
}

TEST(DisplayZoom, RectanglesOfAFrameAndWhatIsKept)
{
    const ZoomFrame z{500, 400, false};
    EXPECT_EQ((Rect{1280 + 400 - 250, 1024 + 300 - 200, 1280 + 400 + 250, 1024 + 300 + 200}),
              ZoomSource(1280, 1024, 400, 300, z));
    // A large frame: the picture of the whole buffer inside the client, and
    // bands around it that tile the rest of the client.
    const ZoomFrame big{5000, 4000, true};
    const ZoomLargeLayout l = PlanZoomLarge(800, 600, 1280, 1024, 1280, 1024, big);
    EXPECT_EQ((Rect{400 - 307, 300 - 230, 400 + 307, 300 + 230}), l.picture);
    EXPECT_EQ((Rect{1280 + 400 - 1920, 1024 + 300 - 1536, 1280 + 400 + 1920, 1024 + 300 + 1536}), l.mainSource);
    EXPECT_EQ((Rect{400 - 2500, 300 - 2000, 400 + 2500, 300 + 2000}), l.frame);
    Cover c(Rect{0, 0, 800, 600});
    c.Add(l.picture);
    for (const ZoomBand& b : ZoomLargeBands(Rect{0, 0, 800, 600}, l.picture, Rect{}, Rect{})) c.Add(b.destination);
    EXPECT_TRUE(c.Exactly(1));
    const auto bands = ZoomLargeBands(Rect{0, 0, 800, 600}, l.picture, Rect{1, 2, 90, 80}, Rect{20, 30, 60, 50});
    EXPECT_EQ((Rect{1, 2, 90, 30}), bands[0].source);
    EXPECT_EQ((Rect{60, 30, 90, 50}), bands[2].source);

    // View at the image's top-left: left of and above the image nothing is
    // kept; zooming in by 2 about the centre (400, 300).
    const Rect client{0, 0, 800, 600};
    EXPECT_EQ(client, ZoomKeptRect(0, 0, 10000, 10000, client, 1.0));
    EXPECT_EQ((Rect{0, 0, 800, 500}), ZoomKeptRect(0, 0, 600, 400, client, 2.0));
    EXPECT_EQ((Rect{200, 150, 600, 450}), ZoomKeptRect(0, 0, 800, 600, client, 0.5));
    EXPECT_TRUE(ZoomKeptRect(5000, 0, 1000, 1000, client, 1.0).IsEmpty());
}

TEST(DisplayMove, ViewStaysInsideTheImageAndCentresOnAPoint)
{
    EXPECT_EQ((Rect{0, 10, 400, 310}), ClampViewToImage({-50, 10, 350, 310}, 1000, 800));
    EXPECT_EQ((Rect{700, 600, 1000, 800}), ClampViewToImage({900, 700, 1200, 900}, 1000, 800));
    // Larger than the image: it covers the image.
    EXPECT_EQ((Rect{-200, 0, 1000, 900}), ClampViewToImage({-300, 50, 900, 950}, 1000, 800));
    // Full-resolution (5000, 6000) at scale 1 in an 800 x 600 client.
    EXPECT_EQ((Rect{4600, 5700, 5400, 6300}), CenterViewOn({8000, 8000, 8800, 8600}, 800, 600, 5000, 6000, 1, 1, 20000, 20000));
    // Near the corner the view stops at the image's edge.
    EXPECT_EQ((Rect{0, 0, 800, 600}), CenterViewOn({8000, 8000, 8800, 8600}, 800, 600, 100, 100, 1, 1, 20000, 20000));
}
