// Random point lists through the outline routines, coordinates over the whole
// int32 range: what the coordinate bound refuses is never measured, what it
// accepts is measured in bounded time, and short outlines give the same
// figures as their pixel chains.
#include "geometry/CoordinateBound.h"
#include "geometry/OutlineGeometry.h"
#include "geometry/PolygonOutline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace zelvo::geom;

namespace {

void Check(bool ok)
{
    if (!ok) std::abort();
}

// Pixels the outline's chain would hold, at most.
uint64_t ChainBound(const std::vector<Point>& v)
{
    uint64_t total = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        const Point& a = v[i];
        const Point& b = v[(i + 1) % v.size()];
        total += uint64_t(std::max(std::llabs(int64_t(b.x) - a.x), std::llabs(int64_t(b.y) - a.y))) + 1;
    }
    return total;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 9) return 0;
    const uint8_t mode = data[0];
    uint32_t resX, resY;
    std::memcpy(&resX, data + 1, 4);
    std::memcpy(&resY, data + 5, 4);
    data += 9;
    size -= 9;

    // Mode 1 reads 16-bit coordinates, so that short outlines are common;
    // otherwise 32-bit ones, the whole range.
    std::vector<Point> points;
    const size_t width = (mode & 1) ? 2 : 4;
    for (size_t i = 0; i + 2 * width <= size && points.size() < 64; i += 2 * width) {
        int32_t x = 0, y = 0;
        if (width == 2) {
            int16_t sx, sy;
            std::memcpy(&sx, data + i, 2);
            std::memcpy(&sy, data + i + 2, 2);
            x = sx;
            y = sy;
        } else {
            std::memcpy(&x, data + i, 4);
            std::memcpy(&y, data + i + 4, 4);
        }
        points.push_back({x, y});
    }
    const double px = MicronsPerPixel(resX), py = MicronsPerPixel(resY);

    // The chain routines and the hit test take any points.
    Morphometry m = RegionMorphometry(points.size(), points.data(), px, py);
    Check(!std::isnan(m.longAxis) && !std::isnan(m.shortAxis) && !std::isnan(m.diameter));
    (void)ChainPerimeter(points.size(), points.data(), px, py);
    (void)FillArea(points.size(), points.data());  // unconnected pixels are no outline, but must not break it
    if (points.size() >= 2)
        (void)PolylineHitTest(points[0].x, points[0].y, points[0].x, points[1].y, points[1].x, points[0].y);

    // The readers' rule: an outline beyond the bounds is refused, and the
    // results of one never measure it.
    const RegionResults r = ComputeRegionResults(points, resX, resY);
    Check(RegionResultText(r).find("nan") == std::string::npos);
    if (!OutlineInBounds(points.data(), points.size())) {
        Check(r.areaPixels == 0 && r.perimeter == 0.0 && r.shape.longAxis == 0.0);
        return 0;
    }

    const PolygonOutline outline(points);
    const int64_t area = outline.Area();
    if (outline.empty()) {
        Check(area == 0);
    } else {
        const Rect b = BoundingBox(points.data(), points.size());
        Check(area >= 1 && area <= (int64_t(b.right) - b.left + 1) * (int64_t(b.bottom) - b.top + 1));
    }
    if (ChainBound(points) > 20000) return 0;

    const Chain chain = OutlineChain(points);
    Check(area == FillArea(chain.size(), chain.data()));
    const Morphometry a = outline.Shape(px, py), c = RegionMorphometry(chain.size(), chain.data(), px, py);
    Check(a.longAxis == c.longAxis && a.shortAxis == c.shortAxis && a.diameter == c.diameter &&
          a.meanDiameter == c.meanDiameter);
    const double perimeter = ChainPerimeter(chain.size(), chain.data(), px, py);
    Check(std::fabs(outline.Perimeter(px, py) - perimeter) <= 1e-9 * (1 + perimeter));
    return 0;
}
