#include "annotation/SegmentMeasures.h"

#include <cmath>

namespace zelvo {
namespace annotation {

namespace {

// A pixel offset over the resolution, in metres; nothing without a resolution.
double PerMetre(double d, uint32_t resolution) { return resolution ? d / resolution : 0.0; }

// A circle box edge as an int, saturating: nearly collinear points give
// centres far outside any slide.
int32_t ClampToInt(double v)
{
    if (!(v > -2147483648.0)) return INT32_MIN;
    if (v >= 2147483647.0) return INT32_MAX;
    return (int32_t)v;
}

// Larger circles are drawn as their polyline.
constexpr double kDrawableBound = 1 << 26;

} // namespace

std::vector<double> SegmentLengths(const geom::Point* points, size_t n, uint32_t resX, uint32_t resY)
{
    std::vector<double> lengths;
    for (size_t i = 1; i < n; ++i) {
        const double dx = PerMetre((double)points[i].x - points[i - 1].x, resX);
        const double dy = PerMetre((double)points[i].y - points[i - 1].y, resY);
        lengths.push_back(std::sqrt(dx * dx + dy * dy) * 1000000.0);
    }
    return lengths;
}

double AngleDegrees(const geom::Point p[3], uint32_t resX, uint32_t resY)
{
    const double a1 = std::atan2(PerMetre((double)p[0].y - p[1].y, resY), PerMetre((double)p[0].x - p[1].x, resX));
    const double a2 = std::atan2(PerMetre((double)p[2].y - p[1].y, resY), PerMetre((double)p[2].x - p[1].x, resX));
    double angle = (a1 - a2) * kDegreesPerRadian;
    if (angle < 0) angle = -angle;
    if (angle > 180) angle = 360 - angle;
    return angle;
}

ArcGeometry ComputeArc(const geom::Point p[3], uint32_t resX, uint32_t resY)
{
    ArcGeometry arc;
    const double sx = geom::MicronsPerPixel(resX), sy = geom::MicronsPerPixel(resY);
    const double x0 = p[0].x, y0 = p[0].y, x1 = p[1].x, y1 = p[1].y, x2 = p[2].x, y2 = p[2].y;
    const double sx2 = sx * sx, sy2 = sy * sy;
    const double A1 = 2 * (x1 - x0) * sx2, B1 = 2 * (y1 - y0) * sy2;
    const double C1 = (x0 * x0 - x1 * x1) * sx2 + (y0 * y0 - y1 * y1) * sy2;
    const double A2 = 2 * (x2 - x1) * sx2, B2 = 2 * (y2 - y1) * sy2;
    const double C2 = (x1 * x1 - x2 * x2) * sx2 + (y1 * y1 - y2 * y2) * sy2;
    const double det = B2 * A1 - A2 * B1;

    if (det == 0.0) {
        // No circle: the polyline it is drawn as.
        for (double piece : SegmentLengths(p, 3, resX, resY)) arc.length += piece;
        arc.cx = x1;
        arc.cy = y1;
        arc.centre = p[1];
        arc.box = geom::BoundingBox(p, 3);
        return arc;
    }
    arc.circular = true;
    arc.cx = (C2 * B1 - B2 * C1) / det;
    arc.cy = (A1 * C2 - A2 * C1) / (A2 * B1 - B2 * A1);
    arc.radius = std::sqrt(((x0 - arc.cx) * sx) * ((x0 - arc.cx) * sx) + ((y0 - arc.cy) * sy) * ((y0 - arc.cy) * sy));

    double t[3];
    for (int i = 0; i < 3; ++i) {
        t[i] = std::atan2((p[i].y - arc.cy) * sy, (p[i].x - arc.cx) * sx);
        if (t[i] < 0) t[i] += kTwoPi;
    }
    double sweep;
    if ((t[1] < t[0] && t[1] < t[2]) || (t[1] > t[0] && t[1] > t[2])) {
        if (t[2] < t[0]) {
            sweep = t[2] + kTwoPi - t[0];
            arc.start = 2, arc.end = 0;
        } else {
            sweep = t[0] + kTwoPi - t[2];
            arc.start = 0, arc.end = 2;
        }
    } else if (t[0] < t[2]) {
        sweep = t[2] - t[0];
        arc.start = 2, arc.end = 0;
    } else {
        sweep = t[0] - t[2];
        arc.start = 0, arc.end = 2;
    }
    arc.length = arc.radius * sweep;
    arc.degrees = sweep * kDegreesPerRadian;

    const double rx = arc.radius / sx, ry = arc.radius / sy;
    arc.box = geom::Rect{ClampToInt(arc.cx - rx), ClampToInt(arc.cy - ry), ClampToInt(arc.cx + rx),
                         ClampToInt(arc.cy + ry)};
    arc.centre = geom::Point{ClampToInt(arc.cx + 0.5), ClampToInt(arc.cy + 0.5)};
    arc.drawable = std::fabs(arc.cx) + rx < kDrawableBound && std::fabs(arc.cy) + ry < kDrawableBound;
    return arc;
}

} // namespace annotation
} // namespace zelvo
