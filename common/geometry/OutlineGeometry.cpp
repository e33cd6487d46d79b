#include "geometry/OutlineGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>

namespace zelvo {
namespace geom {

namespace {

int64_t Abs64(int64_t v) { return v < 0 ? -v : v; }

// Anything that is not a finite number prints as 0.00 rather than "nan" or "inf".
double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

double SafeDivide(double num, double den)
{
    if (den == 0.0 || !std::isfinite(den)) return 0.0;
    return Finite(num / den);
}

} // namespace

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
    Chain chain;
    RasterizeSegment(chain, x1, y1, x2, y2);
    const int64_t x = px, y = py;
    for (const Point& c : chain) {
        if (int64_t(c.x) - 2 <= x && x < int64_t(c.x) + 2 && int64_t(c.y) - 2 <= y && y < int64_t(c.y) + 2)
            return 1;
    }
    return 0;
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

Morphometry RegionMorphometry(size_t n, const Point* chain, double px, double py)
{
    Morphometry m{0, 0, 0, 0, 0};
    if (n == 0 || chain == nullptr) return m;
    const double wx = px * px, wy = py * py;
    auto length = [&](double dx, double dy) { return std::sqrt(dx * dx * wx + dy * dy * wy); };

    int32_t minX = chain[0].x, maxX = chain[0].x, minY = chain[0].y, maxY = chain[0].y;
    for (size_t i = 1; i < n; ++i) {
        minX = std::min(minX, chain[i].x);
        maxX = std::max(maxX, chain[i].x);
        minY = std::min(minY, chain[i].y);
        maxY = std::max(maxY, chain[i].y);
    }
    int32_t lTop = std::numeric_limits<int32_t>::max(), lBot = std::numeric_limits<int32_t>::min();
    int32_t rTop = lTop, rBot = lBot, tLeft = lTop, tRight = lBot, bLeft = lTop, bRight = lBot;
    for (size_t i = 0; i < n; ++i) {
        const Point& p = chain[i];
        if (p.x == minX) { lTop = std::min(lTop, p.y); lBot = std::max(lBot, p.y); }
        if (p.x == maxX) { rTop = std::min(rTop, p.y); rBot = std::max(rBot, p.y); }
        if (p.y == minY) { tLeft = std::min(tLeft, p.x); tRight = std::max(tRight, p.x); }
        if (p.y == maxY) { bLeft = std::min(bLeft, p.x); bRight = std::max(bRight, p.x); }
    }

    const Point chords[4][2] = {{{minX, lTop}, {maxX, rBot}},
                                {{minX, lBot}, {maxX, rTop}},
                                {{tLeft, minY}, {bRight, maxY}},
                                {{tRight, minY}, {bLeft, maxY}}};
    double sum = 0.0;
    int best = 0;
    double bestLen = -1.0;
    for (int k = 0; k < 4; ++k) {
        const double d = length(double(chords[k][1].x) - chords[k][0].x, double(chords[k][1].y) - chords[k][0].y);
        sum += d;
        if (d > bestLen) {
            bestLen = d;
            best = k;
        }
    }
    m.longAxis = Finite(bestLen);
    m.meanDiameter = Finite(sum * 0.25);
    const double x1 = chords[best][0].x, y1 = chords[best][0].y;
    const double x2 = chords[best][1].x, y2 = chords[best][1].y;

    // Diameter: the circle through the long axis' ends and the pixel that lies
    // farthest outside the circle on the long axis.
    const double cxMid = (x1 + x2) / 2.0, cyMid = (y1 + y2) / 2.0, r = m.longAxis / 2.0;
    const Point* far = nullptr;
    double farDist = r;
    for (size_t i = 0; i < n; ++i) {
        const double d = length(chain[i].x - cxMid, chain[i].y - cyMid);
        if (d > farDist) {
            farDist = d;
            far = &chain[i];
        }
    }
    m.diameter = m.longAxis;
    if (far) {
        const double xf = far->x, yf = far->y;
        const double a1 = 2 * (x1 - x2) * wx, b1 = 2 * (y1 - y2) * wy;
        const double c1 = -(x1 - x2) * (x1 + x2) * wx - (y1 - y2) * (y1 + y2) * wy;
        const double a2 = 2 * (x1 - xf) * wx, b2 = 2 * (y1 - yf) * wy;
        const double c2 = -(x1 - xf) * (xf + x1) * wx - (y1 - yf) * (yf + y1) * wy;
        const double det = a1 * b2 - a2 * b1;
        if (det != 0.0) {
            const double cx = (b1 * c2 - b2 * c1) / det;
            const double cy = (a2 * c1 - a1 * c2) / det;
            m.diameter = Finite(2.0 * length(x1 - cx, y1 - cy));
        }
    }

    // Short axis: width of the outline across the long axis. The line
    // coefficients multiply slide coordinates, so they are kept in doubles.
    const double a = y2 - y1, b = x1 - x2;
    const double c = -(b * y1 + a * x1);
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
    if (w > 0.0) {
        m.shortAxis = SafeDivide(w * std::sqrt(b * b * wy + a * a * wx), a * a + b * b);
        m.aspectRatio = SafeDivide(m.longAxis, m.shortAxis);
    }
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
    const Chain chain = OutlineChain(vertices);
    r.areaPixels = FillArea(chain.size(), chain.data());
    const double pixels = r.areaPixels > 0 ? double(r.areaPixels) : 0.0;
    r.area = SafeDivide(pixels, (resX * 0.000001) * (resY * 0.000001));
    const double px = MicronsPerPixel(resX), py = MicronsPerPixel(resY);
    r.shape = RegionMorphometry(chain.size(), chain.data(), px, py);
    r.perimeter = ChainPerimeter(chain.size(), chain.data(), px, py);
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
