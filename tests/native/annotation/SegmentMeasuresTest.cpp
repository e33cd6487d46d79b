#include "annotation/SegmentMeasures.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zelvo;
using namespace zelvo::annotation;
using geom::Point;

namespace {

const uint32_t kOneMicron = 1000000;  // pixels per metre: 1 um per pixel
const uint32_t kTwoMicrons = 500000;  // 2 um per pixel

// The circle through three points, worked out independently in micrometres.
struct Circle {
    double cx, cy, r;  // micrometres
};
Circle CircleThrough(const Point p[3], double sx, double sy)
{
    const double ax = p[0].x * sx, ay = p[0].y * sy, bx = p[1].x * sx, by = p[1].y * sy, cx = p[2].x * sx,
                 cy = p[2].y * sy;
    const double d = 2 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by));
    const double ux = ((ax * ax + ay * ay) * (by - cy) + (bx * bx + by * by) * (cy - ay) + (cx * cx + cy * cy) * (ay - by)) / d;
    const double uy = ((ax * ax + ay * ay) * (cx - bx) + (bx * bx + by * by) * (ax - cx) + (cx * cx + cy * cy) * (bx - ax)) / d;
    return {ux, uy, std::hypot(ax - ux, ay - uy)};
}

} // namespace

TEST(SegmentMeasures, ChainLengthsAtOneMicronAndAnisotropic)
{
    const Point chain[] = {{0, 300}, {300, 0}, {300, 100}, {0, 100}};
    std::vector<double> l = SegmentLengths(chain, 4, kOneMicron, kOneMicron);
    ASSERT_EQ(l.size(), 3u);
    EXPECT_NEAR(l[0], 300 * std::sqrt(2.0), 1e-9);
    EXPECT_NEAR(l[1], 100, 1e-9);
    EXPECT_NEAR(l[2], 300, 1e-9);

    // 1 um across, 2 um down.
    l = SegmentLengths(chain, 4, kOneMicron, kTwoMicrons);
    EXPECT_NEAR(l[0], std::hypot(300.0, 600.0), 1e-9);
    EXPECT_NEAR(l[1], 200, 1e-9);
    EXPECT_NEAR(l[2], 300, 1e-9);

    EXPECT_TRUE(SegmentLengths(chain, 1, kOneMicron, kOneMicron).empty());
    // Without a resolution nothing is measured, and nothing divides by it.
    for (double v : SegmentLengths(chain, 4, 0, 0)) EXPECT_EQ(v, 0.0);
}

TEST(SegmentMeasures, AngleAtTheVertexWithinZeroTo180)
{
    const Point standard[3] = {{200, -100}, {0, 0}, {200, 100}};
    EXPECT_NEAR(AngleDegrees(standard, kOneMicron, kOneMicron), 53.13, 0.005);
    char text[32];
    std::snprintf(text, sizeof text, "%6.2f", AngleDegrees(standard, kOneMicron, kOneMicron));
    EXPECT_STREQ(text, " 53.13");

    // Arms either side of the negative x axis: the raw difference passes 180.
    const Point reflex[3] = {{-100, -10}, {0, 0}, {-100, 10}};
    // (The degrees-per-radian constant is a little long, hence the tolerance.)
    EXPECT_NEAR(AngleDegrees(reflex, kOneMicron, kOneMicron), 2 * std::atan2(10.0, 100.0) * kDegreesPerRadian, 1e-4);
    const Point straight[3] = {{-100, 0}, {0, 0}, {100, 0}};
    EXPECT_NEAR(AngleDegrees(straight, kOneMicron, kOneMicron), 180.0, 1e-4);

    // Pixels twice as tall as wide: the arms are steeper in micrometres.
    EXPECT_NEAR(AngleDegrees(standard, kOneMicron, kTwoMicrons), 2 * std::atan2(200.0, 200.0) * kDegreesPerRadian, 1e-6);
}

TEST(SegmentMeasures, DefaultArcCentreRadiusLengthAndAngle)
{
    const Point p[3] = {{0, 0}, {150, -100}, {300, 0}};
    const ArcGeometry a = ComputeArc(p, kOneMicron, kOneMicron);
    ASSERT_TRUE(a.circular);
    EXPECT_TRUE(a.drawable);
    EXPECT_NEAR(a.cx, 150, 1e-9);
    EXPECT_NEAR(a.cy, 62.5, 1e-9);
    EXPECT_NEAR(a.radius, 162.5, 1e-9);
    // The sweep over the top, from the half-angle of the chord.
    const double sweep = 2 * std::asin(150 / 162.5);
    EXPECT_NEAR(a.degrees, sweep * kDegreesPerRadian, 1e-4);
    EXPECT_NEAR(a.length, 162.5 * sweep, 1e-3);
    // Drawn counter-clockwise on the screen from the right end to the left.
    EXPECT_EQ(a.start, 2);
    EXPECT_EQ(a.end, 0);
    EXPECT_EQ(a.box.left, -12);  // 150 - 162.5, truncated toward zero
    EXPECT_EQ(a.box.top, -100);
    EXPECT_EQ(a.box.right, 312);
    EXPECT_EQ(a.box.bottom, 225);
    EXPECT_EQ(a.centre, (Point{150, 63}));
}

TEST(SegmentMeasures, MajorArcAndMirrorImage)
{
    // The middle point below the chord and farther than the centre: more than half the circle.
    const Point major[3] = {{0, 0}, {150, 200}, {300, 0}};
    const ArcGeometry m = ComputeArc(major, kOneMicron, kOneMicron);
    const Circle c = CircleThrough(major, 1, 1);
    EXPECT_NEAR(m.radius, c.r, 1e-9);
    const double minor = 2 * std::asin(150 / c.r);
    EXPECT_NEAR(m.degrees, (kTwoPi - minor) * kDegreesPerRadian, 1e-3);
    EXPECT_GT(m.degrees, 180);
    EXPECT_EQ(m.start, 0);
    EXPECT_EQ(m.end, 2);

    // The default arc mirrored top to bottom measures the same and is drawn the other way.
    const Point top[3] = {{0, 0}, {150, -100}, {300, 0}};
    const Point bottom[3] = {{0, 0}, {150, 100}, {300, 0}};
    const ArcGeometry t = ComputeArc(top, kOneMicron, kOneMicron), b = ComputeArc(bottom, kOneMicron, kOneMicron);
    EXPECT_NEAR(b.cy, -62.5, 1e-9);
    EXPECT_NEAR(b.length, t.length, 1e-9);
    EXPECT_NEAR(b.degrees, t.degrees, 1e-9);
    EXPECT_EQ(b.start, t.end);
    EXPECT_EQ(b.end, t.start);
}

TEST(SegmentMeasures, ArcWithAnisotropicPixels)
{
    const Point p[3] = {{0, 0}, {150, -100}, {300, 0}};
    const ArcGeometry a = ComputeArc(p, kOneMicron, kTwoMicrons);
    const Circle c = CircleThrough(p, 1, 2);
    EXPECT_NEAR(a.cx, c.cx, 1e-9);
    EXPECT_NEAR(a.cy * 2, c.cy, 1e-9);
    EXPECT_NEAR(a.radius, c.r, 1e-9);
    // In micrometres the middle point lies beyond the centre: the long way round.
    EXPECT_NEAR(a.length, c.r * (kTwoPi - 2 * std::asin(150 / c.r)), 1e-3);
    EXPECT_GT(a.degrees, 180);
}

TEST(SegmentMeasures, CollinearArcIsItsPolylineWithRadiusZero)
{
    const Point line[3] = {{0, 0}, {100, 0}, {300, 0}};
    const ArcGeometry a = ComputeArc(line, kOneMicron, kOneMicron);
    EXPECT_FALSE(a.circular);
    EXPECT_EQ(a.radius, 0.0);
    EXPECT_EQ(a.degrees, 0.0);
    EXPECT_NEAR(a.length, 300, 1e-9);
    const Point same[3] = {{5, 5}, {5, 5}, {5, 5}};
    EXPECT_FALSE(ComputeArc(same, kOneMicron, kOneMicron).circular);
    EXPECT_FALSE(ComputeArc(line, 0, 0).circular);

    // Nearly on one line: a finite, huge circle, measured but drawn as the polyline.
    const Point nearly[3] = {{-1000000, 0}, {0, 1}, {1000000, 0}};
    const ArcGeometry n = ComputeArc(nearly, kOneMicron, kOneMicron);
    EXPECT_TRUE(n.circular);
    EXPECT_FALSE(n.drawable);
    EXPECT_TRUE(std::isfinite(n.radius));
    EXPECT_NEAR(n.length, 2000000, 1);
}
