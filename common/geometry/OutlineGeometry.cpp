#include "geometry/OutlineGeometry.h"

#include "geometry/CoordinateBound.h"
#include "geometry/DigitalSegment.h"
#include "geometry/MorphometrySteps.h"
#include "geometry/PolygonOutline.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>

namespace zelvo {
namespace geom {

namespace {

int64_t Abs64(int64_t v) { return v < 0 ? -v : v; }

} // namespace

using detail::Finite;
using detail::SafeDivide;

void RasterizeSegment(Chain& chain, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    // 64-bit: slide coordinates may span the whole int32 range.
    const int64_t dx = int64_t(x2) - x1;
    const int64_t dy = int64_t(y2) - y1;
    const int64_t steps = 2 * std::max(Abs64(dx), Abs64(dy));
    if (steps < 1) return;
    Point last{x1, y1};
    chain.push_back(last);
    for (int64_t k = 1; k <= steps; ++k) {
        Point p{int32_t(x1 + (dx * k) / steps), int32_t(y1 + (dy * k) / steps)};
        if (p != last) {
            chain.push_back(p);
            last = p;
        }
    }
}

int PolylineHitTest(int32_t px, int32_t py, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    // A pixel (cx, cy) takes the point when cx - 2 <= px < cx + 2 and the
    // same in y: cx in [px - 1, px + 2]. The segment's pixels in those columns
    // are consecutive steps whose y moves by at most one per step, so they
    // cover every row between their first and last.
    const DigitalSegment s(x1, y1, x2, y2);
    const DigitalSegment::KRange k = s.ColumnRange(int64_t(px) - 1, int64_t(px) + 2);
    if (s.empty() || k.empty()) return 0;
    const int32_t ya = s.At(k.first).y, yb = s.At(k.last).y;
    const int64_t lo = std::min(ya, yb), hi = std::max(ya, yb);
    return hi >= int64_t(py) - 1 && lo <= int64_t(py) + 2 ? 1 : 0;
}

Rect BoundingBox(const Point* points, size_t n)
{
    Rect r{std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(),
           std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min()};
    for (size_t i = 0; i < n; ++i) {
        r.left = std::min(r.left, points[i].x);
        r.top = std::min(r.top, points[i].y);
        r.right = std::max(r.right, points[i].x);
        r.bottom = std::max(r.bottom, points[i].y);
    }
    return r;
}

Chain OutlineChain(std::vector<Point> points)
{
    Chain chain;
    const size_t n = points.size();
    if (n < 2) return chain;
    for (size_t i = 0; i + 1 < n; ++i)
        RasterizeSegment(chain, points[i].x, points[i].y, points[i + 1].x, points[i + 1].y);
    RasterizeSegment(chain, points[n - 1].x, points[n - 1].y, points[0].x, points[0].y);
    // Edges meet on shared vertices: drop the repeats.
    chain.erase(std::unique(chain.begin(), chain.end()), chain.end());
    return chain;
}

int64_t FillArea(size_t n, const Point* chain)
{
    if (n == 0 || chain == nullptr) return 0;

    // Every outline pixel as (y, x, chain position), ordered by row, then x,
    // then chain order. Sorting the whole chain once keeps the cost at
    // n log n however tall the outline is, and sizes each row by what it
    // really holds: an outline that crosses or retraces itself can put more
    // pixels in a row than the row is wide.
    struct Entry {
        int32_t y;
        int32_t x;
        size_t pos;
    };
    std::vector<Entry> entries;
    try {
        entries.resize(n);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    for (size_t i = 0; i < n; ++i) entries[i] = Entry{chain[i].y, chain[i].x, i};
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.y != b.y) return a.y < b.y;
        if (a.x != b.x) return a.x < b.x;
        return a.pos < b.pos;
    });

    int64_t total = 0;
    size_t rowStart = 0;
    while (rowStart < n) {
        const int32_t y = entries[rowStart].y;
        size_t rowEnd = rowStart;
        while (rowEnd < n && entries[rowEnd].y == y) ++rowEnd;

        bool inside = false;
        size_t i = rowStart;
        while (i < rowEnd) {
            int sign = 1;
            for (size_t j = i;; ++j) {
                const size_t pos = entries[j].pos;
                const Point& pred = chain[pos == 0 ? n - 1 : pos - 1];
                const Point& succ = chain[pos + 1 == n ? 0 : pos + 1];
                if (pred.y > y) sign = -sign;
                if (succ.y > y) sign = -sign;

                const int64_t b = entries[j].x;
                const bool last = j + 1 == rowEnd;
                const int64_t c = last ? int64_t(std::numeric_limits<int32_t>::max()) : entries[j + 1].x;
                if (!last && c == b) continue;  // the same pixel twice
                if (!last && c == b + 1) {
                    total += 1;
                    continue;
                }
                if (last) {
                    total += 1;
                } else if (sign > 0) {
                    total += inside ? c - b : 1;
                } else {
                    total += inside ? 1 : c - b;
                    inside = !inside;
                }
                i = j + 1;
                break;
            }
        }
        rowStart = rowEnd;
    }
    return total;
}

double MicronsPerPixel(uint32_t pixelsPerMetre)
{
    return pixelsPerMetre ? 1000000.0 / pixelsPerMetre : 0.0;
}

namespace detail {

LongAxis ChooseLongAxis(const Extremes& e, double wx, double wy)
{
    const Point chords[4][2] = {{{e.minX, e.lTop}, {e.maxX, e.rBot}},
                                {{e.minX, e.lBot}, {e.maxX, e.rTop}},
                                {{e.tLeft, e.minY}, {e.bRight, e.maxY}},
                                {{e.tRight, e.minY}, {e.bLeft, e.maxY}}};
    double sum = 0.0;
    int best = 0;
    double bestLen = -1.0;
    for (int k = 0; k < 4; ++k) {
        const double d = MicronLength(double(chords[k][1].x) - chords[k][0].x, double(chords[k][1].y) - chords[k][0].y,
                                      wx, wy);
        sum += d;
        if (d > bestLen) {
            bestLen = d;
            best = k;
        }
    }
    return LongAxis{double(chords[best][0].x), double(chords[best][0].y), double(chords[best][1].x),
                    double(chords[best][1].y), Finite(bestLen), Finite(sum * 0.25)};
}

double CircleDiameter(const LongAxis& axis, const Point& f, double wx, double wy)
{
    const double x1 = axis.x1, y1 = axis.y1, x2 = axis.x2, y2 = axis.y2;
    const double xf = f.x, yf = f.y;
    const double a1 = 2 * (x1 - x2) * wx, b1 = 2 * (y1 - y2) * wy;
    const double c1 = -(x1 - x2) * (x1 + x2) * wx - (y1 - y2) * (y1 + y2) * wy;
    const double a2 = 2 * (x1 - xf) * wx, b2 = 2 * (y1 - yf) * wy;
    const double c2 = -(x1 - xf) * (xf + x1) * wx - (y1 - yf) * (yf + y1) * wy;
    const double det = a1 * b2 - a2 * b1;
    if (det == 0.0) return axis.length;
    const double cx = (b1 * c2 - b2 * c1) / det;
    const double cy = (a2 * c1 - a1 * c2) / det;
    return Finite(2.0 * MicronLength(x1 - cx, y1 - cy, wx, wy));
}

void SetShortAxis(Morphometry& m, const LongAxis& axis, double w, double wx, double wy)
{
    const double a = axis.y2 - axis.y1, b = axis.x1 - axis.x2;
    if (w > 0.0) {
        m.shortAxis = SafeDivide(w * std::sqrt(b * b * wy + a * a * wx), a * a + b * b);
        m.aspectRatio = SafeDivide(m.longAxis, m.shortAxis);
    }
}

} // namespace detail

Morphometry RegionMorphometry(size_t n, const Point* chain, double px, double py)
{
    Morphometry m{0, 0, 0, 0, 0};
    if (n == 0 || chain == nullptr) return m;
    const double wx = px * px, wy = py * py;

    detail::Extremes e{chain[0].x, chain[0].x, chain[0].y, chain[0].y, 0, 0, 0, 0, 0, 0, 0, 0};
    for (size_t i = 1; i < n; ++i) {
        e.minX = std::min(e.minX, chain[i].x);
        e.maxX = std::max(e.maxX, chain[i].x);
        e.minY = std::min(e.minY, chain[i].y);
        e.maxY = std::max(e.maxY, chain[i].y);
    }
    e.lTop = e.rTop = e.tLeft = e.bLeft = std::numeric_limits<int32_t>::max();
    e.lBot = e.rBot = e.tRight = e.bRight = std::numeric_limits<int32_t>::min();
    for (size_t i = 0; i < n; ++i) {
        const Point& p = chain[i];
        if (p.x == e.minX) { e.lTop = std::min(e.lTop, p.y); e.lBot = std::max(e.lBot, p.y); }
        if (p.x == e.maxX) { e.rTop = std::min(e.rTop, p.y); e.rBot = std::max(e.rBot, p.y); }
        if (p.y == e.minY) { e.tLeft = std::min(e.tLeft, p.x); e.tRight = std::max(e.tRight, p.x); }
        if (p.y == e.maxY) { e.bLeft = std::min(e.bLeft, p.x); e.bRight = std::max(e.bRight, p.x); }
    }
    const detail::LongAxis axis = detail::ChooseLongAxis(e, wx, wy);
    m.longAxis = axis.length;
    m.meanDiameter = axis.meanDiameter;

    // Diameter: the circle through the long axis' ends and the pixel that lies
    // farthest outside the circle on the long axis.
    const double cxMid = (axis.x1 + axis.x2) / 2.0, cyMid = (axis.y1 + axis.y2) / 2.0;
    const Point* far = nullptr;
    double farDist = m.longAxis / 2.0;
    for (size_t i = 0; i < n; ++i) {
        const double d = detail::MicronLength(chain[i].x - cxMid, chain[i].y - cyMid, wx, wy);
        if (d > farDist) {
            farDist = d;
            far = &chain[i];
        }
    }
    m.diameter = far ? detail::CircleDiameter(axis, *far, wx, wy) : m.longAxis;

    // Short axis: width of the outline across the long axis. The line
    // coefficients multiply slide coordinates, so they are kept in doubles.
    const double a = axis.y2 - axis.y1, b = axis.x1 - axis.x2;
    const double c = -(b * axis.y1 + a * axis.x1);
    size_t pIndex = 0;
    double pDist = -1.0;
    for (size_t i = 0; i < n; ++i) {
        const double d = std::fabs(a * chain[i].x + b * chain[i].y + c);
        if (d > pDist) {
            pDist = d;
            pIndex = i;
        }
    }
    const double c2 = -(b * chain[pIndex].y + a * chain[pIndex].x);
    double w = 0.0;
    for (size_t i = 0; i < n; ++i) w = std::max(w, std::fabs(a * chain[i].x + b * chain[i].y + c2));
    detail::SetShortAxis(m, axis, w, wx, wy);
    return m;
}

double ChainPerimeter(size_t n, const Point* chain, double px, double py)
{
    double total = 0.0;
    const double diagonal = std::sqrt(px * px + py * py);
    for (size_t i = 1; i < n; ++i) {
        if (chain[i].y == chain[i - 1].y)
            total += px;
        else if (chain[i].x == chain[i - 1].x)
            total += py;
        else
            total += diagonal;
    }
    return total;
}

RegionResults ComputeRegionResults(const std::vector<Point>& vertices, uint32_t resX, uint32_t resY)
{
    RegionResults r{};
    // Outlines come from files and the link only within the bounds, and the
    // objects keep edited ones inside them; anything else is not a slide's.
    if (!OutlineInBounds(vertices.data(), vertices.size())) return r;
    const PolygonOutline outline(vertices);
    r.areaPixels = outline.Area();
    const double pixels = r.areaPixels > 0 ? double(r.areaPixels) : 0.0;
    r.area = SafeDivide(pixels, (resX * 0.000001) * (resY * 0.000001));
    const double px = MicronsPerPixel(resX), py = MicronsPerPixel(resY);
    r.shape = outline.Shape(px, py);
    r.perimeter = outline.Perimeter(px, py);
    r.roundness = SafeDivide(r.area * 4.0, r.shape.diameter * r.shape.diameter * 3.1415926);
    r.complexity = SafeDivide(r.perimeter * r.perimeter, r.area * 12.5663704);
    return r;
}

std::string RegionResultText(const RegionResults& r)
{
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "面积=%6.2fμm^2,  周长=%6.2fμm,  长轴=%6.2fμm,  宽轴=%6.2fμm,  长宽比=%6.2f,  直径=%6.2fμm,  "
                  "圆度=%6.2f,  复杂度=%6.2f",
                  Finite(r.area), Finite(r.perimeter), Finite(r.shape.longAxis), Finite(r.shape.shortAxis),
                  Finite(r.shape.aspectRatio), Finite(r.shape.diameter), Finite(r.roundness), Finite(r.complexity));
    return buf;
}

} // namespace geom
} // namespace zelvo
