#include "geometry/OutlineGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

using namespace zelvo::geom;

namespace {

std::vector<Point> Hexagon(int scale = 1)
{
    std::vector<Point> v{{0, 0}, {100, -150}, {200, -150}, {300, 0}, {200, 150}, {100, 150}};
    for (Point& p : v) p = {p.x * scale, p.y * scale};
    return v;
}

std::vector<Point> Box(int32_t w, int32_t h) { return {{0, 0}, {w - 1, 0}, {w - 1, h - 1}, {0, h - 1}}; }

int64_t AreaOf(const std::vector<Point>& v)
{
    Chain c = OutlineChain(v);
    return FillArea(c.size(), c.data());
}

std::string Text(double area, double perimeter, double longAxis, double shortAxis, double aspect, double diameter,
                 double roundness, double complexity)
{
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "面积=%6.2fμm^2,  周长=%6.2fμm,  长轴=%6.2fμm,  宽轴=%6.2fμm,  长宽比=%6.2f,  直径=%6.2fμm,  "
                  "圆度=%6.2f,  复杂度=%6.2f",
                  area, perimeter, longAxis, shortAxis, aspect, diameter, roundness, complexity);
    return buf;
}

// Pixels inside or on the outline by flooding the outside of a drawn outline.
int64_t FloodArea(const Chain& chain)
{
    Rect b = BoundingBox(chain.data(), chain.size());
    const int w = b.right - b.left + 3, h = b.bottom - b.top + 3;
    std::vector<char> grid(size_t(w) * h, 0);
    for (const Point& p : chain) grid[size_t(p.y - b.top + 1) * w + (p.x - b.left + 1)] = 1;
    std::vector<int> stack{0};
    grid[0] = 2;
    while (!stack.empty()) {
        int i = stack.back();
        stack.pop_back();
        const int x = i % w, y = i / w;
        const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
        for (auto& n : next) {
            if (n[0] < 0 || n[1] < 0 || n[0] >= w || n[1] >= h) continue;
            const int j = n[1] * w + n[0];
            if (grid[j] == 0) {
                grid[j] = 2;
                stack.push_back(j);
            }
        }
    }
    return std::count_if(grid.begin(), grid.end(), [](char c) { return c != 2; });
}

} // namespace

TEST(OutlineGeometry, RasterizesEachPixelOnceEndingAtTheEnd)
{
    Chain c;
    RasterizeSegment(c, 0, 0, 3, 1);
    const Chain expected{{0, 0}, {1, 0}, {2, 0}, {3, 1}};
    // N = 6: x = 3k/6, y = k/6 for k = 0..6 with repeats dropped.
    ASSERT_EQ(c.size(), expected.size());
    for (size_t i = 0; i < c.size(); ++i) EXPECT_EQ(c[i], expected[i]) << i;

    Chain empty;
    RasterizeSegment(empty, 7, 7, 7, 7);
    EXPECT_TRUE(empty.empty());

    Chain reversed;
    RasterizeSegment(reversed, 3, 1, 0, 0);
    EXPECT_EQ(reversed.front(), (Point{3, 1}));
    EXPECT_EQ(reversed.back(), (Point{0, 0}));
}

TEST(OutlineGeometry, RasterizesSegmentsSpanningTheWholeCoordinateRangeWithoutOverflow)
{
    Chain c;
    const int32_t lo = std::numeric_limits<int32_t>::min();
    RasterizeSegment(c, lo, 0, lo + 3, 0);
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c.back(), (Point{lo + 3, 0}));
    // Hit test on a short segment far out on the axis.
    EXPECT_EQ(PolylineHitTest(lo + 1, 1, lo, 0, lo + 3, 0), 1);
}

TEST(OutlineGeometry, HitTestToleranceIsTwoPixelsLeftInclusiveRightExclusive)
{
    // Vertical segment at x = 10, y 0..20.
    EXPECT_EQ(PolylineHitTest(8, 10, 10, 0, 10, 20), 1);
    EXPECT_EQ(PolylineHitTest(12, 10, 10, 0, 10, 20), 0);
    EXPECT_EQ(PolylineHitTest(11, 10, 10, 0, 10, 20), 1);
    EXPECT_EQ(PolylineHitTest(10, 22, 10, 0, 10, 20), 0);
    EXPECT_EQ(PolylineHitTest(10, -2, 10, 0, 10, 20), 1);
    EXPECT_EQ(PolylineHitTest(10, 10, 10, 10, 10, 10), 0);  // zero length never hits
}

TEST(OutlineGeometry, BoundingBoxOfPointsAndOfNothing)
{
    const std::vector<Point> v{{5, -3}, {-2, 8}, {4, 4}};
    Rect r = BoundingBox(v.data(), v.size());
    EXPECT_EQ(r.left, -2);
    EXPECT_EQ(r.top, -3);
    EXPECT_EQ(r.right, 5);
    EXPECT_EQ(r.bottom, 8);
    Rect none = BoundingBox(nullptr, 0);
    EXPECT_EQ(none.left, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(none.bottom, std::numeric_limits<int32_t>::min());
}

TEST(OutlineGeometry, OutlineChainIsClosedAndFreeOfRepeats)
{
    Chain c = OutlineChain(Box(3, 3));
    ASSERT_EQ(c.size(), 9u);  // 8 ring pixels, first vertex twice
    EXPECT_EQ(c.front(), (Point{0, 0}));
    EXPECT_EQ(c.back(), (Point{0, 0}));
    for (size_t i = 1; i < c.size(); ++i) {
        EXPECT_NE(c[i], c[i - 1]);
        EXPECT_LE(std::abs(c[i].x - c[i - 1].x), 1);
        EXPECT_LE(std::abs(c[i].y - c[i - 1].y), 1);
    }
}

TEST(OutlineGeometry, FillAreaOfKnownShapes)
{
    EXPECT_EQ(AreaOf(Box(3, 3)), 9);
    EXPECT_EQ(AreaOf(Box(100, 50)), 5000);
    EXPECT_EQ(AreaOf({{0, 0}, {10, 0}, {0, 10}}), 66);  // 11 + 10 + ... + 1
    EXPECT_EQ(AreaOf(Hexagon()), 60501);
    // The same outline traversed the other way round.
    std::vector<Point> h = Hexagon();
    std::reverse(h.begin(), h.end());
    EXPECT_EQ(AreaOf(h), 60501);
}

TEST(OutlineGeometry, DegenerateOutlines)
{
    EXPECT_TRUE(OutlineChain({}).empty());
    EXPECT_TRUE(OutlineChain({{4, 4}}).empty());
    EXPECT_TRUE(OutlineChain({{4, 4}, {4, 4}, {4, 4}}).empty());
    EXPECT_EQ(FillArea(0, nullptr), 0);
    EXPECT_EQ(ChainPerimeter(0, nullptr, 1, 1), 0.0);

    // A line there and back covers its own pixels only.
    EXPECT_EQ(AreaOf({{0, 0}, {9, 0}}), 10);
    EXPECT_EQ(AreaOf({{0, 0}, {0, 9}}), 10);
    EXPECT_EQ(AreaOf({{0, 0}, {5, 5}, {9, 9}}), 10);

    // One pixel: every figure is zero, none is NaN.
    const Point one{3, 3};
    Morphometry m = RegionMorphometry(1, &one, 1, 1);
    EXPECT_EQ(m.longAxis, 0.0);
    EXPECT_EQ(m.shortAxis, 0.0);
    EXPECT_EQ(m.aspectRatio, 0.0);
    EXPECT_EQ(m.diameter, 0.0);

    for (const auto& v : std::vector<std::vector<Point>>{{}, {{1, 1}}, {{0, 0}, {9, 0}}}) {
        RegionResults r = ComputeRegionResults(v, 1000000, 1000000);
        std::string text = RegionResultText(r);
        EXPECT_EQ(text.find("nan"), std::string::npos) << text;
        EXPECT_EQ(text.find("inf"), std::string::npos) << text;
    }
    // A line has no width: short axis, aspect ratio and roundness stay 0.
    RegionResults line = ComputeRegionResults({{0, 0}, {9, 0}}, 1000000, 1000000);
    EXPECT_EQ(line.shape.shortAxis, 0.0);
    EXPECT_EQ(line.shape.aspectRatio, 0.0);
}

TEST(OutlineGeometry, SelfOverlappingOutlinesNeedMoreRowRoomThanTheRowIsWide)
{
    // A zig-zag that retraces the same short row many times: each row holds
    // far more outline pixels than twice its width.
    std::vector<Point> v;
    for (int i = 0; i < 50; ++i) {
        v.push_back({0, 0});
        v.push_back({1, 0});
    }
    v.push_back({1, 1});
    Chain c = OutlineChain(v);
    ASSERT_GT(c.size(), 100u);
    // Retracing adds no pixels: the same three as the plain triangle.
    EXPECT_EQ(FillArea(c.size(), c.data()), AreaOf({{0, 0}, {1, 0}, {1, 1}}));
    EXPECT_EQ(FillArea(c.size(), c.data()), 3);

    // Free-hand scribble: bounded by its bounding box, never negative.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> d(0, 30);
    for (int round = 0; round < 200; ++round) {
        std::vector<Point> s;
        for (int i = 0; i < 40; ++i) s.push_back({d(rng), d(rng)});
        Chain sc = OutlineChain(s);
        Rect b = BoundingBox(sc.data(), sc.size());
        const int64_t a = FillArea(sc.size(), sc.data());
        EXPECT_GE(a, 1);
        EXPECT_LE(a, int64_t(b.right - b.left + 1) * (b.bottom - b.top + 1));
    }
}

TEST(OutlineGeometry, ConvexPolygonsMatchAFloodFill)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 300; ++round) {
        const int size = 5 + int(rng() % 200);
        std::uniform_real_distribution<double> angle(0, 6.2831852);
        std::vector<double> angles(3 + rng() % 10);
        for (double& a : angles) a = angle(rng);
        std::sort(angles.begin(), angles.end());
        const double cx = int(rng() % 1000) - 500, cy = int(rng() % 1000) - 500;
        const double rx = size, ry = size * (0.3 + (rng() % 100) / 100.0);
        std::vector<Point> v;
        for (double a : angles)
            v.push_back({int32_t(std::lround(cx + rx * std::cos(a))), int32_t(std::lround(cy + ry * std::sin(a)))});
        v.erase(std::unique(v.begin(), v.end()), v.end());
        Chain c = OutlineChain(v);
        if (c.empty()) continue;
        EXPECT_EQ(FillArea(c.size(), c.data()), FloodArea(c)) << "round " << round;
    }
}

TEST(OutlineGeometry, RectangleResultsAtOneMicronPerPixel)
{
    RegionResults r = ComputeRegionResults(Box(100, 50), 1000000, 1000000);
    EXPECT_EQ(r.areaPixels, 5000);
    // Outline 99 + 49 + 99 + 49 straight steps; every extreme chord is a diagonal.
    const double diagonal = std::sqrt(99.0 * 99 + 49.0 * 49);
    // Width across the diagonal: twice the corner's distance from it.
    const double width = 2 * 99.0 * 49.0 / diagonal;
    EXPECT_NEAR(r.perimeter, 296.0, 1e-9);
    EXPECT_NEAR(r.shape.longAxis, diagonal, 1e-9);
    EXPECT_NEAR(r.shape.shortAxis, width, 1e-9);
    EXPECT_NEAR(r.shape.diameter, diagonal, 1e-9);  // all corners lie on the circle
    EXPECT_NEAR(r.shape.meanDiameter, diagonal, 1e-9);
    EXPECT_EQ(RegionResultText(r),
              Text(5000, 296, diagonal, width, diagonal / width, diagonal,
                   5000 * 4.0 / (diagonal * diagonal * 3.1415926), 296.0 * 296 / (5000 * 12.5663704)));
}

TEST(OutlineGeometry, DefaultHexagonResults)
{
    RegionResults r = ComputeRegionResults(Hexagon(), 1000000, 1000000);
    // Each sloped side (100 across, 150 down) is rasterised at half-pixel
    // steps into 50 diagonal, 50 horizontal and 100 vertical pixel steps; the
    // two flat sides add 100 each.
    const double perimeter = 4 * (50 * std::sqrt(2.0) + 150) + 200;
    // Longest chord joins the top-left and bottom-right corners of the flat sides.
    const double longAxis = std::sqrt(100.0 * 100 + 300.0 * 300);
    // Width: distance of (300,0) from the parallel through (0,0).
    const double shortAxis = 300.0 * 300 / longAxis;
    // The side corners pick up a half-step pixel each: (0,-1) and (300,1).
    const double mean = (std::sqrt(300.0 * 300 + 2 * 2) + 300 + 2 * longAxis) / 4;
    EXPECT_EQ(r.areaPixels, 60501);
    EXPECT_NEAR(r.perimeter, perimeter, 1e-9);
    EXPECT_NEAR(r.shape.longAxis, longAxis, 1e-9);
    EXPECT_NEAR(r.shape.shortAxis, shortAxis, 1e-9);
    EXPECT_NEAR(r.shape.meanDiameter, mean, 1e-9);
    EXPECT_NEAR(r.shape.diameter, longAxis, 1e-9);
    EXPECT_EQ(RegionResultText(r),
              Text(60501, perimeter, longAxis, shortAxis, longAxis / shortAxis, longAxis,
                   60501 * 4.0 / (longAxis * longAxis * 3.1415926), perimeter * perimeter / (60501 * 12.5663704)));
}

TEST(OutlineGeometry, AnisotropicPixelsScaleEachAxisOnItsOwn)
{
    // 1 um wide, 2 um tall pixels.
    RegionResults r = ComputeRegionResults(Box(100, 50), 1000000, 500000);
    EXPECT_NEAR(r.area, 10000.0, 1e-6);
    EXPECT_NEAR(r.perimeter, 2 * 99 * 1.0 + 2 * 49 * 2.0, 1e-9);
    EXPECT_NEAR(r.shape.longAxis, std::sqrt(99.0 * 99 + 98.0 * 98), 1e-9);

    // A diagonal step counts the hypotenuse of the two pixel sizes.
    const Chain diag{{0, 0}, {1, 1}, {2, 2}};
    EXPECT_NEAR(ChainPerimeter(diag.size(), diag.data(), 1.0, 2.0), 2 * std::sqrt(5.0), 1e-12);
}

TEST(OutlineGeometry, ZeroResolutionAndSlideScaleCoordinatesStayFinite)
{
    RegionResults zero = ComputeRegionResults(Hexagon(), 0, 0);
    EXPECT_EQ(zero.area, 0.0);
    EXPECT_EQ(zero.roundness, 0.0);
    EXPECT_EQ(zero.complexity, 0.0);

    // Vertices far apart on a large slide: products exceed 32 bits.
    const Chain far{{0, 0}, {2000000000, 1}, {1, 2000000000}, {0, 0}};
    Morphometry m = RegionMorphometry(far.size(), far.data(), 1.0, 1.0);
    EXPECT_TRUE(std::isfinite(m.shortAxis));
    EXPECT_GT(m.shortAxis, 1.0e9);
    EXPECT_GE(m.longAxis, 2.0e9);
}
