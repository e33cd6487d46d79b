// Random point lists through the outline routines: no crash, no overflow,
// results bounded by the outline's box.
#include "geometry/OutlineGeometry.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace zelvo::geom;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 9) return 0;
    const uint8_t mode = data[0];
    uint32_t resX, resY;
    std::memcpy(&resX, data + 1, 4);
    std::memcpy(&resY, data + 5, 4);
    data += 9;
    size -= 9;

    std::vector<Point> points;
    for (size_t i = 0; i + 8 <= size && points.size() < 64; i += 8) {
        int32_t x, y;
        std::memcpy(&x, data + i, 4);
        std::memcpy(&y, data + i + 4, 4);
        points.push_back({x, y});
    }

    // Shape figures and the perimeter take any point list as a chain.
    Morphometry m = RegionMorphometry(points.size(), points.data(), MicronsPerPixel(resX), MicronsPerPixel(resY));
    if (std::isnan(m.longAxis) || std::isnan(m.shortAxis) || std::isnan(m.diameter)) std::abort();
    (void)ChainPerimeter(points.size(), points.data(), MicronsPerPixel(resX), MicronsPerPixel(resY));
    (void)BoundingBox(points.data(), points.size());
    // Unconnected pixels are not an outline, but must not break the fill.
    (void)FillArea(points.size(), points.data());

    // Outlines are rasterised pixel by pixel: keep them to a screenful.
    const int32_t span = (mode & 1) ? 4096 : 64;
    for (Point& p : points) {
        p.x %= span;
        p.y %= span;
    }
    if (points.size() >= 2)
        (void)PolylineHitTest(points[0].x, points[0].y, points[0].x, points[1].y, points[1].x, points[0].y);
    Chain chain = OutlineChain(points);
    const int64_t area = FillArea(chain.size(), chain.data());
    if (!chain.empty()) {
        Rect b = BoundingBox(chain.data(), chain.size());
        const int64_t box = int64_t(b.right - b.left + 1) * (b.bottom - b.top + 1);
        if (area < 1 || area > box) std::abort();
    } else if (area != 0) {
        std::abort();
    }
    RegionResults r = ComputeRegionResults(points, resX, resY);
    std::string text = RegionResultText(r);
    if (text.find("nan") != std::string::npos) std::abort();
    return 0;
}
