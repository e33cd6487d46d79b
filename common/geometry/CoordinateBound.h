// The one bound on coordinates read from outside the viewer: annotation and
// measurement files, image groups and the slide server's mark replies. They
// are slide image pixels; the largest slides scanners make are a few hundred
// thousand pixels a side, so a coordinate beyond this bound is not a slide's
// and its record is refused like a malformed one. The slide view opens no
// slide larger than the bound, so every slide's marks fit in it. The outline
// routines may rely on it.
//
// Within it, an outline's cost still grows with its length: many edges that
// each cross the whole bound (a zig-zag of 1000 such edges, 8 KB in a file)
// took 11 s to measure. So outlines (regions, free-hand outlines) are also
// bounded in length, counted as their chain's pixels (per edge, including
// the closing one, the larger of |dx| and |dy|): 2^26, sixteen times around
// the largest slide, measured in under half a second at worst
// (bench_geometry).
// The objects keep edited outlines within both bounds, so what they save
// loads again.
#pragma once

#include "geometry/OutlineGeometry.h"

#include <cstddef>
#include <cstdint>

namespace zelvo {
namespace geom {

constexpr int32_t kCoordinateBound = 1 << 20;

inline bool InCoordinateBound(int32_t v) { return v >= -kCoordinateBound && v <= kCoordinateBound; }
inline bool InCoordinateBound(const Point& p) { return InCoordinateBound(p.x) && InCoordinateBound(p.y); }
inline bool AllInCoordinateBound(const Point* points, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (!InCoordinateBound(points[i])) return false;
    return true;
}

// The nearest value within the bound (for points the user's edits make).
inline int32_t ClampToCoordinateBound(int64_t v)
{
    return int32_t(v < -kCoordinateBound ? -kCoordinateBound : v > kCoordinateBound ? kCoordinateBound : v);
}

constexpr int64_t kOutlineLengthBound = int64_t(1) << 26;

// Chain pixels of the edge a-b: the larger of |dx| and |dy|.
inline int64_t EdgeLength(const Point& a, const Point& b)
{
    const int64_t dx = int64_t(b.x) - a.x, dy = int64_t(b.y) - a.y;
    const int64_t ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
    return ax > ay ? ax : ay;
}

// Chain pixels of the closed outline through the points.
inline int64_t OutlineLength(const Point* points, size_t n)
{
    int64_t total = 0;
    for (size_t i = 0; i + 1 < n; ++i) total += EdgeLength(points[i], points[i + 1]);
    if (n > 1) total += EdgeLength(points[n - 1], points[0]);
    return total;
}

// Every point within the coordinate bound and the outline within its length bound.
inline bool OutlineInBounds(const Point* points, size_t n)
{
    return AllInCoordinateBound(points, n) && OutlineLength(points, n) <= kOutlineLengthBound;
}

} // namespace geom
} // namespace zelvo
