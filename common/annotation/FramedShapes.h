// What the circle and the framed shapes (rectangle, ellipse, bracket, arrow)
// compute: the rotatable frame of two perpendicular axes, the outlines built
// in it, and the figures the circle, the rectangle and the ellipse report.
// Coordinates are slide image pixels; resolutions are pixels per metre per
// axis (0 when unknown, which measures nothing).
#pragma once

#include "geometry/OutlineGeometry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelvo {
namespace annotation {

// Axis A runs from handle 0 to handle 1 and sets the tilt; axis B, from
// handle 2 to handle 3, stands perpendicular to it through its middle.
// Corners in polygon order: next to h0 on h2's side, next to h0 on h3's
// side, next to h1 on h3's side, next to h1 on h2's side.
struct Frame {
    geom::Point handles[4];
    geom::Point corners[4];
};

// Rebuilds the frame after handle i moved: the moved axis keeps its new
// ends, the other keeps its half length and turns to stand perpendicular
// through the moved axis's middle. False, and the frame unchanged, when the
// moved axis has no length (it has no direction to follow).
bool RebuildFrame(Frame& frame, int i);
// The frame of handles as placed or read: built from axis A, or from axis B
// when A has no length; both without length make a frame of one point.
void BuildFrame(Frame& frame);

// Half the lengths of the axes, truncated.
void HalfAxes(const Frame& frame, int32_t* a, int32_t* b);

// Curves are drawn with at most this many points, whatever their size: at
// the coordinate bound a piece then strays less than a pixel from the curve,
// and a shape read from a file costs bounded time and memory.
constexpr int32_t kMaxCurvePoints = 4096;

// Outlines about (0, 0) with axis A along +x and +y towards h3's side.
std::vector<geom::Point> EllipseOutline(int32_t a, int32_t b);
// Tip at -a (h0), tail at +a.
std::vector<geom::Point> ArrowOutline(int32_t a, int32_t b);
// A brace whose point faces +y; its corner radius is b, so that the brace
// deepens with axis B however long it grows (beyond a / 2 its bends overlap).
std::vector<geom::Point> BracketOutline(int32_t a, int32_t b);

// Turns and moves a local outline into the frame of axis A (h0 to h1), then
// drops points equal to their predecessor.
void RotateOutline(std::vector<geom::Point>& outline, geom::Point h0, geom::Point h1);

struct FramedResults {
    double area;       // um^2
    double perimeter;  // um
    double longAxis;   // um
    double shortAxis;  // um
    double aspect;     // 0 when the short axis is 0
    double diameter;   // um
    double roundness;  // 0 when the diameter is 0
    double tilt;       // degrees of axis A, -180..180
};

FramedResults RectangleResults(const Frame& frame, uint32_t resX, uint32_t resY);
FramedResults EllipseResults(const Frame& frame, uint32_t resX, uint32_t resY);

struct CircleResults {
    double area;       // um^2
    double perimeter;  // um
    double diameter;   // um
};

// Measured across: only the x resolution counts.
CircleResults MeasureCircle(int32_t radius, uint32_t resX);

} // namespace annotation
} // namespace zelvo
