// Area, perimeter and shape figures of a closed polygon computed from its
// vertices, equal to what the pixel-chain routines give for OutlineChain of
// the same vertices, without making the chain. The cost follows the
// vertices and the rows the outline spans, not the pixels of its runs:
// - area: per row, the runs of each edge that crosses it, found by
//   arithmetic (a long horizontal run costs one step);
// - perimeter: the horizontal, vertical and diagonal steps of each edge
//   counted in closed form;
// - shape figures: the extremes from the vertices, and the farthest and
//   outermost pixels by a search that drops whole stretches of an edge
//   that cannot hold them.
// The outline must lie within the coordinate and length bounds
// (CoordinateBound.h); beyond them every figure is 0.
#pragma once

#include "geometry/DigitalSegment.h"
#include "geometry/OutlineGeometry.h"

#include <cstdint>
#include <vector>

namespace zelvo {
namespace geom {

class PolygonOutline {
public:
    explicit PolygonOutline(const std::vector<Point>& vertices);

    // True when the outline has no pixel (fewer than two distinct vertices
    // make no chain) or lies beyond the bounds.
    bool empty() const { return m_edges.empty(); }

    // Pixels of the outline and its interior; -1 when memory runs out.
    int64_t Area() const;
    double Perimeter(double px, double py) const;
    Morphometry Shape(double px, double py) const;

private:
    std::vector<Point> m_vertices;
    std::vector<DigitalSegment> m_edges;  // edge i runs from vertex i to vertex i + 1, closing at 0
};

} // namespace geom
} // namespace zelvo
