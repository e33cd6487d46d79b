// The one bound on coordinates read from outside the viewer: annotation and
// measurement files, image groups and the slide server's mark replies. They
// are slide image pixels; the largest slides scanners make are a few hundred
// thousand pixels a side, so a coordinate beyond this bound is not a slide's
// and its record is refused like a malformed one. The outline routines may
// rely on it.
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

} // namespace geom
} // namespace zelvo
