#include "annotation/FramedShapes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace zelvo;
using namespace zelvo::annotation;
using geom::Point;

namespace {

const uint32_t kOneMicron = 1000000;

// The frame a new shape gets placed at p: its default handles moved there.
Frame Placed(Point p, int32_t a, int32_t b)
{
    Frame f{};
    const Point local[4] = {{-a, 0}, {a, 0}, {0, -b}, {0, b}};
    for (int i = 0; i < 4; ++i) f.handles[i] = Point{local[i].x + p.x, local[i].y + p.y};
    BuildFrame(f);
    return f;
}

void ExpectPoints(const Point* got, std::vector<Point> want)
{
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].x, want[i].x) << i;
        EXPECT_EQ(got[i].y, want[i].y) << i;
    }
}

bool Near(Point p, Point q, int d) { return std::abs(p.x - q.x) <= d && std::abs(p.y - q.y) <= d; }

} // namespace

TEST(FramedShapes, CircleAtTwoResolutions)
{
    CircleResults c = MeasureCircle(100, 2 * kOneMicron);  // 0.5 um per pixel
    EXPECT_NEAR(c.area, 7853.98, 0.005);
    EXPECT_NEAR(c.perimeter, 314.16, 0.005);
    EXPECT_NEAR(c.diameter, 100.00, 0.005);
    c = MeasureCircle(100, kOneMicron);
    EXPECT_NEAR(c.area, 31415.93, 0.005);
    EXPECT_NEAR(c.perimeter, 628.32, 0.005);
    EXPECT_NEAR(c.diameter, 200.00, 0.005);
    c = MeasureCircle(100, 0);  // no resolution: nothing measured
    EXPECT_EQ(c.area, 0.0);
}

TEST(FramedShapes, PlacedFrameAndAnAxisTurnedStraightDown)
{
    Frame f = Placed({1000, 1000}, 100, 80);
    ExpectPoints(f.corners, {{900, 920}, {900, 1080}, {1100, 1080}, {1100, 920}});
    ExpectPoints(f.handles, {{900, 1000}, {1100, 1000}, {1000, 920}, {1000, 1080}});

    // h1 dragged straight below h0: B keeps its half length and turns with A.
    f.handles[1] = {900, 1200};
    ASSERT_TRUE(RebuildFrame(f, 1));
    ExpectPoints(f.corners, {{980, 1000}, {820, 1000}, {820, 1200}, {980, 1200}});
    ExpectPoints(f.handles, {{900, 1000}, {900, 1200}, {980, 1100}, {820, 1100}});

    // Axis B dragged: A turns about B's middle.
    f.handles[3] = {980, 1300};
    ASSERT_TRUE(RebuildFrame(f, 3));
    ExpectPoints(f.handles, {{880, 1200}, {1080, 1200}, {980, 1100}, {980, 1300}});

    // A handle moved onto its partner leaves no direction: nothing changes.
    const Frame before = f;
    f.handles[2] = f.handles[3];
    EXPECT_FALSE(RebuildFrame(f, 2));
    ExpectPoints(f.corners, {before.corners[0], before.corners[1], before.corners[2], before.corners[3]});
    // Read with a pointless axis A, the frame follows B; with both, it is a point.
    Frame g{};
    g.handles[0] = g.handles[1] = {5, 5};
    g.handles[2] = {0, -10};
    g.handles[3] = {0, 10};
    BuildFrame(g);
    ExpectPoints(g.handles, {{0, 0}, {0, 0}, {0, -10}, {0, 10}});
    Frame point{};
    for (Point& h : point.handles) h = {7, 8};
    BuildFrame(point);
    ExpectPoints(point.corners, {{7, 8}, {7, 8}, {7, 8}, {7, 8}});
}

TEST(FramedShapes, RectangleAndEllipseFigures)
{
    const Frame f = Placed({500, 500}, 100, 80);  // 200 x 160 um
    FramedResults r = RectangleResults(f, kOneMicron, kOneMicron);
    EXPECT_NEAR(r.area, 32000.00, 0.005);
    EXPECT_NEAR(r.perimeter, 720.00, 0.005);
    EXPECT_NEAR(r.longAxis, 200.00, 0.005);
    EXPECT_NEAR(r.shortAxis, 160.00, 0.005);
    EXPECT_NEAR(r.aspect, 1.25, 0.005);
    EXPECT_NEAR(r.diameter, 256.12, 0.005);
    EXPECT_NEAR(r.roundness, 4 * 32000.0 / (256.1249695 * 256.1249695 * 3.1415926), 1e-6);
    EXPECT_EQ(r.tilt, 0.0);

    r = EllipseResults(f, kOneMicron, kOneMicron);
    EXPECT_NEAR(r.area, 25132.74, 0.005);
    EXPECT_NEAR(r.perimeter, 582.65, 0.005);
    EXPECT_NEAR(r.diameter, 200.00, 0.005);

    r = EllipseResults(Placed({0, 0}, 90, 90), kOneMicron, kOneMicron);
    EXPECT_NEAR(r.aspect, 1.0, 1e-9);
    EXPECT_NEAR(r.roundness, 1.0, 1e-7);
    r = EllipseResults(Placed({0, 0}, 90, 0), kOneMicron, kOneMicron);
    EXPECT_EQ(r.shortAxis, 0.0);
    EXPECT_EQ(r.aspect, 0.0);
    // A shape of one point: no diameter to divide by.
    r = RectangleResults(Placed({0, 0}, 0, 0), kOneMicron, kOneMicron);
    EXPECT_EQ(r.roundness, 0.0);
}

TEST(FramedShapes, TiltOfTheFourAxisDirections)
{
    struct Case {
        Point h1;
        double tilt;
    } cases[] = {{{100, 0}, 0.0}, {{-100, 0}, 180.0}, {{0, 100}, 90.0}, {{0, -100}, -90.0}, {{100, 100}, 63.434949}};
    for (const Case& c : cases) {
        Frame f{};
        f.handles[1] = c.h1;
        f.handles[2] = {0, -10};
        f.handles[3] = {0, 10};
        // Twice as many micrometres down as across: only the diagonal turns.
        EXPECT_NEAR(RectangleResults(f, kOneMicron, kOneMicron / 2).tilt, c.tilt, 1e-5) << c.h1.x << "," << c.h1.y;
    }
}

TEST(FramedShapes, ArrowAndBracketOutlines)
{
    const std::vector<Point> arrow = ArrowOutline(120, 70);
    ASSERT_EQ(arrow.size(), 7u);
    ExpectPoints(arrow.data(), {{-120, 0}, {-30, 70}, {-30, 28}, {120, 28}, {120, -28}, {-30, -28}, {-30, -70}});

    const std::vector<Point> bracket = BracketOutline(200, 60);
    ASSERT_EQ(bracket.size(), 184u);  // N = 180, four runs of 46
    EXPECT_TRUE(Near(bracket.front(), {-200, -60}, 1));
    EXPECT_TRUE(Near(bracket[45], {-140, 0}, 1));  // then along the axis
    EXPECT_TRUE(Near(bracket[46], {-60, 0}, 1));
    EXPECT_TRUE(Near(bracket[91], {0, 60}, 1));
    EXPECT_TRUE(Near(bracket[92], {0, 60}, 1));
    EXPECT_EQ(bracket.back().x, 200);
    EXPECT_EQ(bracket.back().y, -60);
    // The bends run left to right along the axis.
    for (size_t i = 1; i < bracket.size(); ++i) EXPECT_GE(bracket[i].x, bracket[i - 1].x) << i;

    // Axis B longer than half of A: the radius is still b, so the brace
    // keeps deepening with B (its bends then overlap along the axis).
    const std::vector<Point> deep = BracketOutline(120, 300);
    ASSERT_EQ(deep.size(), 904u);  // N = 900, four runs of 226
    EXPECT_TRUE(Near(deep.front(), {-120, -300}, 1));
    EXPECT_TRUE(Near(deep[451], {0, 300}, 1));
    EXPECT_TRUE(Near(deep[452], {0, 300}, 1));
    EXPECT_EQ(deep.back().x, 120);
    EXPECT_EQ(deep.back().y, -300);
    EXPECT_TRUE(BracketOutline(200, 0).empty());

    EXPECT_EQ(EllipseOutline(100, 80).size(), 360u);
    EXPECT_EQ(EllipseOutline(100, 80).front().x, 100);
    EXPECT_TRUE(EllipseOutline(0, 0).empty());
    // As large as coordinates may be: the point count stays bounded.
    EXPECT_EQ(EllipseOutline(1 << 21, 1 << 21).size(), size_t(kMaxCurvePoints));
    EXPECT_LE(BracketOutline(1 << 22, 1 << 21).size(), size_t(kMaxCurvePoints) + 4);
}

TEST(FramedShapes, OutlineTurnedIntoTheFrame)
{
    // Axis A from (100, 100) straight down to (100, 340): the tip at h0.
    std::vector<Point> arrow = ArrowOutline(120, 70);
    RotateOutline(arrow, {100, 100}, {100, 340});
    ExpectPoints(arrow.data(), {{100, 100}, {30, 190}, {72, 190}, {72, 340}, {128, 340}, {128, 190}, {170, 190}});

    // Points that fall together are kept once.
    std::vector<Point> dense{{0, 0}, {0, 0}, {1, 0}, {1, 0}, {1, 0}, {0, 0}};
    RotateOutline(dense, {0, 0}, {10, 0});
    ASSERT_EQ(dense.size(), 3u);
    ExpectPoints(dense.data(), {{5, 0}, {6, 0}, {5, 0}});
}
