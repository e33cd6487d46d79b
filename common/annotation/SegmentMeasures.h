// What the segment chain, the angle and the arc measure, in micrometres and
// degrees. Points are slide image pixels; resolutions are pixels per metre
// per axis (0 when unknown, which measures nothing).
#pragma once

#include "geometry/OutlineGeometry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelvo {
namespace annotation {

constexpr double kTwoPi = 6.2831852;
constexpr double kDegreesPerRadian = 57.295780490442965;

// Length of each piece of the chain (n - 1 of them).
std::vector<double> SegmentLengths(const geom::Point* points, size_t n, uint32_t resX, uint32_t resY);

// The angle at points[1] between the arms to points[0] and points[2], 0..180.
double AngleDegrees(const geom::Point points[3], uint32_t resX, uint32_t resY);

struct ArcGeometry {
    // False when the three points lie on one line or coincide (no circle):
    // the arc is then the polyline through them, with radius and angle 0
    // and the polyline's length.
    bool circular = false;
    // False when the circle is too large to draw as one (nearly collinear
    // points): it is then drawn as the polyline; the figures still hold.
    bool drawable = false;
    double cx = 0, cy = 0;  // centre, image pixels
    double radius = 0;      // micrometres
    double length = 0;      // micrometres
    double degrees = 0;
    int start = 0, end = 2;  // indexes of the radial points the arc is drawn from and to
    geom::Rect box{0, 0, 0, 0};  // the circle's bounding box, image pixels
    geom::Point centre{0, 0};    // rounded centre
};

ArcGeometry ComputeArc(const geom::Point points[3], uint32_t resX, uint32_t resY);

} // namespace annotation
} // namespace zelvo
