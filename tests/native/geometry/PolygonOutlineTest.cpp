// The vertex routines against the pixel-chain definitions they replace.
#include "geometry/CoordinateBound.h"
#include "geometry/DigitalSegment.h"
#include "geometry/PolygonOutline.h"

#include <gtest/gtest.h>

#include <random>

using namespace zelvo::geom;

namespace {

// Every figure of the vertex routines equals the chain's; the perimeter sums
// the same steps in another order.
void ExpectSameAsChain(const std::vector<Point>& v, double px, double py, const char* what)
{
    const Chain c = OutlineChain(v);
    const PolygonOutline o(v);
    EXPECT_EQ(o.Area(), FillArea(c.size(), c.data())) << what;
    EXPECT_NEAR(o.Perimeter(px, py), ChainPerimeter(c.size(), c.data(), px, py),
                1e-9 * (1 + ChainPerimeter(c.size(), c.data(), px, py)))
        << what;
    const Morphometry a = o.Shape(px, py), b = RegionMorphometry(c.size(), c.data(), px, py);
    EXPECT_EQ(a.longAxis, b.longAxis) << what;
    EXPECT_EQ(a.shortAxis, b.shortAxis) << what;
    EXPECT_EQ(a.aspectRatio, b.aspectRatio) << what;
    EXPECT_EQ(a.diameter, b.diameter) << what;
    EXPECT_EQ(a.meanDiameter, b.meanDiameter) << what;
}

} // namespace

TEST(DigitalSegment, PixelsAndRangesMatchTheRasterisedChainOverTheWholeRange)
{
    std::mt19937 rng(99);
    const int32_t lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
    for (int round = 0; round < 2000; ++round) {
        // Short segments anywhere, and segments across the whole range checked
        // against 128-bit arithmetic.
        const bool whole = round % 2;
        std::uniform_int_distribution<int32_t> any(lo, hi), near(-40, 40);
        const int32_t x1 = any(rng), y1 = any(rng);
        const int32_t x2 = whole ? any(rng) : int32_t(std::clamp<int64_t>(int64_t(x1) + near(rng), lo, hi));
        const int32_t y2 = whole ? any(rng) : int32_t(std::clamp<int64_t>(int64_t(y1) + near(rng), lo, hi));
        const DigitalSegment s(x1, y1, x2, y2);
        const __int128 dx = __int128(x2) - x1, dy = __int128(y2) - y1;
        const __int128 n = 2 * std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy);
        ASSERT_EQ(__int128(s.steps()), n);
        if (n == 0) continue;
        std::uniform_int_distribution<uint64_t> step(0, uint64_t(n));
        for (int i = 0; i < 20; ++i) {
            const uint64_t k = i == 0 ? 0 : i == 1 ? uint64_t(n) : step(rng);
            const Point p = s.At(k);
            ASSERT_EQ(p.x, int32_t(x1 + dx * __int128(k) / n)) << x1 << "," << y1 << " " << x2 << "," << y2 << " k" << k;
            ASSERT_EQ(p.y, int32_t(y1 + dy * __int128(k) / n));
            // The steps on this pixel's column and row include k and stop where the
            // column or row changes.
            for (bool column : {true, false}) {
                const int64_t c = column ? p.x : p.y;
                const DigitalSegment::KRange r = column ? s.ColumnRange(c, c) : s.RowRange(c, c);
                ASSERT_LE(r.first, k);
                ASSERT_GE(r.last, k);
                auto coord = [&](uint64_t j) { return column ? s.At(j).x : s.At(j).y; };
                EXPECT_EQ(coord(r.first), c);
                EXPECT_EQ(coord(r.last), c);
                if (r.first > 0) {
                    EXPECT_NE(coord(r.first - 1), c);
                }
                if (r.last < s.steps()) {
                    EXPECT_NE(coord(r.last + 1), c);
                }
            }
        }
        // Stepping through a stretch gives the same pixels.
        const uint64_t from = step(rng), to = std::min<uint64_t>(from + 100, uint64_t(n));
        s.ForEach(from, to, [&](uint64_t k, const Point& p) { ASSERT_EQ(p, s.At(k)) << k; });
        if (!whole) {
            Chain chain;
            RasterizeSegment(chain, x1, y1, x2, y2);
            Chain mine{s.At(0)};
            for (uint64_t k = 1; k <= s.steps(); ++k)
                if (s.At(k) != mine.back()) mine.push_back(s.At(k));
            EXPECT_EQ(chain, mine);
        }
    }
}

TEST(DigitalSegment, HitTestEqualsThePixelRuleWithoutRasterising)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<int32_t> d(-30, 30);
    for (int round = 0; round < 3000; ++round) {
        const int32_t x1 = d(rng), y1 = d(rng), x2 = d(rng), y2 = d(rng), px = d(rng), py = d(rng);
        Chain chain;
        RasterizeSegment(chain, x1, y1, x2, y2);
        int expected = 0;
        for (const Point& c : chain)
            if (c.x - 2 <= px && px < c.x + 2 && c.y - 2 <= py && py < c.y + 2) expected = 1;
        ASSERT_EQ(PolylineHitTest(px, py, x1, y1, x2, y2), expected) << x1 << "," << y1 << " " << x2 << "," << y2;
    }
    // A segment across the whole range answers at once, exactly.
    const int32_t lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(PolylineHitTest(0, 0, lo, lo, hi, hi), 1);
    EXPECT_EQ(PolylineHitTest(0, 3, lo, lo, hi, hi), 1);  // pixel (2, 2)
    EXPECT_EQ(PolylineHitTest(0, 4, lo, lo, hi, hi), 0);
    EXPECT_EQ(PolylineHitTest(hi, hi, lo, lo, hi, hi), 1);
}

TEST(PolygonOutline, EqualsTheChainOnRandomOutlines)
{
    std::mt19937 rng(2024);
    const double pixelSizes[][2] = {{1.0, 1.0}, {0.25, 0.25}, {0.5, 1.5}, {3.0, 0.2}};
    for (int round = 0; round < 1500; ++round) {
        std::vector<Point> v;
        const int kind = round % 5;
        const int span = 3 + int(rng() % (kind == 4 ? 400 : 40));
        std::uniform_int_distribution<int32_t> d(-span, span);
        const int count = 1 + int(rng() % 12);
        for (int i = 0; i < count; ++i) {
            Point p{d(rng), d(rng)};
            if (kind == 1 && !v.empty() && rng() % 2) p = v[rng() % v.size()];  // revisits and repeats
            if (kind == 2) p.y = p.y % 3;                                         // flat, row-hugging outlines
            if (kind == 3 && !v.empty()) p = {v.back().x + d(rng) % 2, v.back().y + d(rng) % 2};  // free-hand steps
            v.push_back(p);
        }
        // Far out on the slide, the same figures.
        if (round % 7 == 0)
            for (Point& p : v) p = {p.x + kCoordinateBound - 500, p.y - kCoordinateBound + 500};
        const double* size = pixelSizes[round % 4];
        ExpectSameAsChain(v, size[0], size[1], ("round " + std::to_string(round)).c_str());
    }
}

TEST(PolygonOutline, KnownShapesAndTheWholeSlide)
{
    ExpectSameAsChain({{0, 0}, {100, -150}, {200, -150}, {300, 0}, {200, 150}, {100, 150}}, 1, 1, "hexagon");
    ExpectSameAsChain({{0, 0}, {10, 0}, {0, 10}}, 1, 1, "closing free-hand triangle");
    EXPECT_EQ(PolygonOutline({{0, 0}, {10, 0}, {0, 10}}).Area(), 66);
    EXPECT_EQ(PolygonOutline({{0, 0}, {99, 0}, {99, 49}, {0, 49}}).Area(), 5000);

    // A region around the whole 40000 x 30000 demo slide, and one as large as the bound.
    const PolygonOutline slide({{0, 0}, {39999, 0}, {39999, 29999}, {0, 29999}});
    EXPECT_EQ(slide.Area(), int64_t(40000) * 30000);
    EXPECT_DOUBLE_EQ(slide.Perimeter(0.25, 0.25), 2 * (39999 + 29999) * 0.25);
    const Morphometry m = slide.Shape(0.25, 0.25);
    EXPECT_DOUBLE_EQ(m.longAxis, std::sqrt(39999.0 * 39999 + 29999.0 * 29999) * 0.25);
    EXPECT_DOUBLE_EQ(m.diameter, m.longAxis);
    const int32_t b = kCoordinateBound;
    EXPECT_EQ(PolygonOutline({{-b, -b}, {b, -b}, {b, b}, {-b, b}}).Area(), (2 * int64_t(b) + 1) * (2 * int64_t(b) + 1));

    // Nothing outside the bound is measured, and no pixel means no figure.
    EXPECT_TRUE(PolygonOutline({{0, 0}, {b + 1, 0}, {0, 5}}).empty());
    EXPECT_EQ(PolygonOutline({{0, 0}, {b + 1, 0}, {0, 5}}).Area(), 0);
    EXPECT_TRUE(PolygonOutline({{3, 3}, {3, 3}}).empty());
    std::vector<Point> zigzag;
    for (int i = 0; i < 34; ++i) zigzag.push_back({i, i % 2 ? b : -b});
    EXPECT_TRUE(PolygonOutline(zigzag).empty());
    const RegionResults r = ComputeRegionResults({{0, 0}, {std::numeric_limits<int32_t>::max(), 0}, {0, 5}}, 1000000, 1000000);
    EXPECT_EQ(r.areaPixels, 0);
    EXPECT_EQ(r.perimeter, 0.0);
}
