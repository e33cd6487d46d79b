#include "geometry/PolygonOutline.h"

#include "geometry/CoordinateBound.h"
#include "geometry/MorphometrySteps.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace zelvo {
namespace geom {

namespace {

// sum over i in [0, n) of floor((a i + b) / m); the operands stay below 2^44
// for outlines within the bound.
uint64_t FloorSum(uint64_t n, uint64_t m, uint64_t a, uint64_t b)
{
    uint64_t sum = 0;
    while (n > 0 && m > 0) {
        if (a >= m) {
            sum += n * (n - 1) / 2 * (a / m);
            a %= m;
        }
        if (b >= m) {
            sum += n * (b / m);
            b %= m;
        }
        const uint64_t top = a * n + b;
        if (top < m) break;
        n = top / m;
        b = top % m;
        std::swap(m, a);
    }
    return sum;
}

// Steps of a segment's chain that move on both axes at once. Along the major
// axis every second half step moves; a minor-axis move on the same half step
// makes a diagonal step.
uint64_t DiagonalSteps(const DigitalSegment& s)
{
    const uint64_t major = std::max(s.ax(), s.ay()), minor = std::min(s.ax(), s.ay());
    if (major == 0) return 0;
    return FloorSum(major, major, minor, minor) - FloorSum(major, 2 * major, 2 * minor, minor);
}

// Searches of the outline's pixels for the largest value of a convex function
// without visiting them all. The pixels of a stretch of an edge lie within
// one pixel, on each axis, of the ideal line, so the function is bounded on
// the stretch by its values at the corners of the squares around the
// stretch's ideal ends; a stretch whose bound cannot matter is dropped
// whole, and only short stretches are looked at pixel by pixel.
class PixelSearch {
public:
    explicit PixelSearch(const std::vector<DigitalSegment>& edges) : m_edges(edges) {}

    // The largest value over all pixels, or floor when none is above it.
    // Visits the more promising stretches first.
    template <class Value>
    double Max(const Value& value, double floor) const
    {
        double best = floor;
        std::vector<size_t> order;
        for (size_t i = 0; i < m_edges.size(); ++i)
            if (!m_edges[i].empty()) order.push_back(i);
        std::vector<double> whole(m_edges.size());
        for (size_t i : order) whole[i] = Bound(m_edges[i], value, 0, m_edges[i].steps());
        std::sort(order.begin(), order.end(), [&](size_t l, size_t r) { return whole[l] > whole[r]; });
        for (size_t i : order) {
            const DigitalSegment& e = m_edges[i];
            Stretch stack[kDepth];
            int top = 0;
            stack[top++] = Stretch{0, e.steps(), whole[i]};
            while (top > 0) {
                const Stretch s = stack[--top];
                if (!(s.bound > best)) continue;
                if (s.hi - s.lo < kLeaf) {
                    e.ForEach(s.lo, s.hi, [&](uint64_t, const Point& p) { best = std::max(best, value(double(p.x), double(p.y))); });
                    continue;
                }
                const uint64_t mid = s.lo + (s.hi - s.lo) / 2;
                const Stretch left{s.lo, mid, Bound(e, value, s.lo, mid)};
                const Stretch right{mid + 1, s.hi, Bound(e, value, mid + 1, s.hi)};
                stack[top++] = left.bound > right.bound ? right : left;
                stack[top++] = left.bound > right.bound ? left : right;
            }
        }
        return best;
    }

    // The first pixel in chain order whose value is target (a value that
    // some pixel has).
    template <class Value>
    Point First(const Value& value, double target) const
    {
        for (const DigitalSegment& e : m_edges) {
            if (e.empty()) continue;
            Stretch stack[kDepth];
            int top = 0;
            stack[top++] = Stretch{0, e.steps(), 0.0};
            while (top > 0) {
                const Stretch s = stack[--top];
                if (s.hi - s.lo < kLeaf) {
                    bool hit = false;
                    Point at{0, 0};
                    e.ForEach(s.lo, s.hi, [&](uint64_t, const Point& p) {
                        if (!hit && value(double(p.x), double(p.y)) == target) {
                            hit = true;
                            at = p;
                        }
                    });
                    if (hit) return at;
                    continue;
                }
                if (Bound(e, value, s.lo, s.hi) < target) continue;
                const uint64_t mid = s.lo + (s.hi - s.lo) / 2;
                stack[top++] = Stretch{mid + 1, s.hi, 0.0};
                stack[top++] = Stretch{s.lo, mid, 0.0};
            }
        }
        return Point{0, 0};
    }

private:
    static constexpr uint64_t kLeaf = 64;
    static constexpr int kDepth = 80;  // two per level of halving 2^34 steps
    struct Stretch {
        uint64_t lo, hi;
        double bound;
    };

    template <class Value>
    static double Bound(const DigitalSegment& e, const Value& value, uint64_t lo, uint64_t hi)
    {
        const double x1 = e.start().x, y1 = e.start().y, dx = double(e.dx()), dy = double(e.dy());
        const double steps = double(e.steps());
        double ub = -std::numeric_limits<double>::infinity();
        for (uint64_t k : {lo, hi}) {
            const double qx = x1 + dx * (double(k) / steps), qy = y1 + dy * (double(k) / steps);
            for (double ox : {-1.0, 1.0})
                for (double oy : {-1.0, 1.0}) ub = std::max(ub, value(qx + ox, qy + oy));
        }
        // Room for the rounding of the values at the pixels themselves.
        return ub + std::fabs(ub) * 1e-9 + 1e-9;
    }

    const std::vector<DigitalSegment>& m_edges;
};

struct RowPiece {
    int64_t lo, hi;
    int parity;  // 1 when the outline crosses the row here, 0 when it only touches it
};

// x range of a segment's pixels on row y (the segment has some there).
void ExtendByRow(const DigitalSegment& s, int64_t y, int64_t& lo, int64_t& hi)
{
    const DigitalSegment::KRange k = s.RowRange(y, y);
    if (k.empty()) return;
    const int64_t a = s.At(k.first).x, b = s.At(k.last).x;
    lo = std::min(lo, std::min(a, b));
    hi = std::max(hi, std::max(a, b));
}

// The rows of a sloped edge in increasing y, each row's x range found by
// stepping from the previous row with additions only. Row offset v (rows from
// the start) begins at step F(v) = ceil(2 v M / ay); an x offset is
// floor(ax k / 2M). Both are kept as quotient and remainder. Coordinates
// within the bound keep every product below 2^45.
class RowWalker {
public:
    // Starts at row y of the edge, one of its rows.
    RowWalker(const DigitalSegment& e, int64_t y)
        : m_x1(e.start().x), m_sx(e.dx() < 0 ? -1 : 1), m_down(e.dy() > 0), m_ax(int64_t(e.ax())),
          m_ay(int64_t(e.ay())), m_2m(int64_t(e.steps()))
    {
        m_stepQ = m_2m / m_ay;
        m_stepR = m_2m % m_ay;
        m_addQ = (m_ax * m_stepQ) / m_2m;
        m_addR = (m_ax * m_stepQ) % m_2m;
        const int64_t v = m_down ? y - e.start().y : e.start().y - y;
        // Going down the edge's offsets grow: keep the mark where this row
        // begins; going up they shrink: keep the mark where it ends.
        m_mark = MarkAt(m_down ? v : v + 1);
    }

    // This row's x range; then moves to the next row down.
    void Next(int64_t& lo, int64_t& hi)
    {
        Mark other = m_mark;
        Step(other, m_down ? 1 : -1);
        const Mark& begin = m_down ? m_mark : other;
        const Mark& end = m_down ? other : m_mark;
        // The row's last pixel is the step before the next row begins.
        const int64_t a = m_x1 + m_sx * begin.g;
        const int64_t b = m_x1 + m_sx * (end.rg - m_ax < 0 ? end.g - 1 : end.g);
        lo = std::min(a, b);
        hi = std::max(a, b);
        m_mark = other;
    }

private:
    struct Mark {
        int64_t k, rk;  // F(v) and the remainder of 2 v M + ay - 1 by ay
        int64_t g, rg;  // floor and remainder of ax F(v) / 2M
    };

    Mark MarkAt(int64_t v) const
    {
        const int64_t n = 2 * v * (m_2m / 2) + m_ay - 1;
        Mark m{n / m_ay, n % m_ay, 0, 0};
        m.g = (m_ax * m.k) / m_2m;
        m.rg = (m_ax * m.k) % m_2m;
        return m;
    }

    void Step(Mark& m, int dir) const
    {
        if (dir > 0) {
            m.k += m_stepQ;
            m.rk += m_stepR;
            m.g += m_addQ;
            m.rg += m_addR;
            if (m.rk >= m_ay) {
                m.rk -= m_ay;
                m.k += 1;
                m.rg += m_ax;
            }
            while (m.rg >= m_2m) {
                m.rg -= m_2m;
                m.g += 1;
            }
        } else {
            m.k -= m_stepQ;
            m.rk -= m_stepR;
            m.g -= m_addQ;
            m.rg -= m_addR;
            if (m.rk < 0) {
                m.rk += m_ay;
                m.k -= 1;
                m.rg -= m_ax;
            }
            while (m.rg < 0) {
                m.rg += m_2m;
                m.g -= 1;
            }
        }
    }

    int64_t m_x1;
    int m_sx;
    bool m_down;
    int64_t m_ax, m_ay, m_2m;
    int64_t m_stepQ, m_stepR, m_addQ, m_addR;
    Mark m_mark;
};

} // namespace

PolygonOutline::PolygonOutline(const std::vector<Point>& vertices) : m_vertices(vertices)
{
    const size_t n = vertices.size();
    if (n < 2 || !OutlineInBounds(vertices.data(), n)) return;
    bool anyPixel = false;
    m_edges.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const Point& a = vertices[i];
        const Point& b = vertices[i + 1 == n ? 0 : i + 1];
        m_edges.emplace_back(a.x, a.y, b.x, b.y);
        anyPixel = anyPixel || !m_edges.back().empty();
    }
    if (!anyPixel) m_edges.clear();
}

int64_t PolygonOutline::Area() const
{
    if (empty()) return 0;
    // The pixel count of the chain row by row: the chain's pixels on a row
    // come in stretches of consecutive chain positions; each covers a range
    // of x and crosses the row when one of its chain neighbours lies above
    // and the other below. Ranges that overlap or touch make one run whose
    // crossings add up; the row counts its runs' pixels and the gaps after
    // an odd number of crossings.
    try {
        const size_t n = m_vertices.size();
        const Rect box = BoundingBox(m_vertices.data(), n);
        std::vector<size_t> sloped;
        for (size_t i = 0; i < n; ++i)
            if (m_edges[i].dy() != 0) sloped.push_back(i);
        if (sloped.empty()) return int64_t(box.right) - box.left + 1;

        // Where one sloped edge hands over to the next, the pixels on that
        // row (the first edge's last row, any flat edges, the next edge's
        // first row) are one stretch.
        struct Join {
            int32_t row;
            RowPiece piece;
        };
        std::vector<Join> joins;
        joins.reserve(sloped.size());
        for (size_t t = 0; t < sloped.size(); ++t) {
            const size_t a = sloped[t], b = sloped[(t + 1) % sloped.size()];
            const DigitalSegment& in = m_edges[a];
            const DigitalSegment& out = m_edges[b];
            const int32_t row = in.end().y;
            int64_t lo = in.end().x, hi = lo;
            ExtendByRow(in, row, lo, hi);
            ExtendByRow(out, row, lo, hi);
            for (size_t i = (a + 1) % n;; i = (i + 1) % n) {
                lo = std::min<int64_t>(lo, m_vertices[i].x);
                hi = std::max<int64_t>(hi, m_vertices[i].x);
                if (i == b) break;
            }
            const int parity = (in.dy() < 0 ? 1 : 0) ^ (out.dy() > 0 ? 1 : 0);
            joins.push_back(Join{row, RowPiece{lo, hi, parity}});
        }
        std::sort(joins.begin(), joins.end(), [](const Join& l, const Join& r) { return l.row < r.row; });

        // Rows strictly inside a sloped edge hold one crossing stretch of it.
        std::vector<size_t> byTop;
        for (size_t i : sloped) {
            const DigitalSegment& e = m_edges[i];
            if (e.ay() >= 2) byTop.push_back(i);
        }
        auto topOf = [&](size_t i) { return std::min(m_edges[i].start().y, m_edges[i].end().y); };
        auto bottomOf = [&](size_t i) { return std::max(m_edges[i].start().y, m_edges[i].end().y); };
        std::sort(byTop.begin(), byTop.end(), [&](size_t l, size_t r) { return topOf(l) < topOf(r); });

        // Active edges stay in the order of their last row's ranges, which
        // the next row mostly keeps.
        struct Active {
            RowWalker walker;
            int32_t bottom;
            RowPiece piece;
        };
        std::vector<Active> active;
        std::vector<RowPiece> pieces;
        size_t nextEdge = 0, nextJoin = 0;
        int64_t total = 0;
        for (int64_t y = box.top; y <= box.bottom; ++y) {
            for (; nextEdge < byTop.size() && topOf(byTop[nextEdge]) < y; ++nextEdge) {
                const size_t i = byTop[nextEdge];
                active.push_back(Active{RowWalker(m_edges[i], y), bottomOf(i), RowPiece{0, 0, 1}});
            }
            active.erase(std::remove_if(active.begin(), active.end(), [y](const Active& a) { return a.bottom <= y; }),
                         active.end());
            for (Active& a : active) a.walker.Next(a.piece.lo, a.piece.hi);
            auto byLo = [](const Active& l, const Active& r) { return l.piece.lo < r.piece.lo; };
            if (!std::is_sorted(active.begin(), active.end(), byLo)) std::sort(active.begin(), active.end(), byLo);
            pieces.clear();
            for (const Active& a : active) pieces.push_back(a.piece);
            const size_t crossing = pieces.size();
            for (; nextJoin < joins.size() && joins[nextJoin].row == y; ++nextJoin) pieces.push_back(joins[nextJoin].piece);
            if (pieces.empty()) continue;
            auto pieceLo = [](const RowPiece& l, const RowPiece& r) { return l.lo < r.lo; };
            if (crossing < pieces.size()) std::sort(pieces.begin(), pieces.end(), pieceLo);

            bool inside = false;
            RowPiece run = pieces[0];
            for (size_t j = 1; j < pieces.size(); ++j) {
                const RowPiece& p = pieces[j];
                if (p.lo <= run.hi + 1) {
                    run.hi = std::max(run.hi, p.hi);
                    run.parity ^= p.parity;
                    continue;
                }
                total += run.hi - run.lo + 1;
                if (run.parity) inside = !inside;
                if (inside) total += p.lo - run.hi - 1;
                run = p;
            }
            total += run.hi - run.lo + 1;
        }
        return total;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

double PolygonOutline::Perimeter(double px, double py) const
{
    // Edges meet on their shared vertex, so the chain's steps are the edges' steps.
    uint64_t flat = 0, upright = 0, diagonal = 0;
    for (const DigitalSegment& e : m_edges) {
        const uint64_t d = DiagonalSteps(e);
        diagonal += d;
        flat += e.ax() - d;
        upright += e.ay() - d;
    }
    return double(flat) * px + double(upright) * py + double(diagonal) * std::sqrt(px * px + py * py);
}

Morphometry PolygonOutline::Shape(double px, double py) const
{
    Morphometry m{0, 0, 0, 0, 0};
    if (empty()) return m;
    const double wx = px * px, wy = py * py;

    const Rect box = BoundingBox(m_vertices.data(), m_vertices.size());
    detail::Extremes e{box.left, box.right, box.top, box.bottom, 0, 0, 0, 0, 0, 0, 0, 0};
    e.lTop = e.rTop = e.tLeft = e.bLeft = std::numeric_limits<int32_t>::max();
    e.lBot = e.rBot = e.tRight = e.bRight = std::numeric_limits<int32_t>::min();
    auto extend = [](int32_t v, int32_t& lo, int32_t& hi) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    };
    // Each coordinate moves one way along an edge: its pixels on a side of
    // the box are consecutive steps, with the extremes at their ends.
    for (const DigitalSegment& s : m_edges) {
        if (s.empty()) continue;
        auto column = [&](int32_t x, int32_t& top, int32_t& bottom) {
            const DigitalSegment::KRange k = s.ColumnRange(x, x);
            if (k.empty()) return;
            extend(s.At(k.first).y, top, bottom);
            extend(s.At(k.last).y, top, bottom);
        };
        auto row = [&](int32_t y, int32_t& left, int32_t& right) {
            const DigitalSegment::KRange k = s.RowRange(y, y);
            if (k.empty()) return;
            extend(s.At(k.first).x, left, right);
            extend(s.At(k.last).x, left, right);
        };
        column(e.minX, e.lTop, e.lBot);
        column(e.maxX, e.rTop, e.rBot);
        row(e.minY, e.tLeft, e.tRight);
        row(e.maxY, e.bLeft, e.bRight);
    }

    const detail::LongAxis axis = detail::ChooseLongAxis(e, wx, wy);
    m.longAxis = axis.length;
    m.meanDiameter = axis.meanDiameter;

    // Diameter: the circle through the long axis' ends and the first of the
    // pixels farthest from its middle, when they lie outside the circle on
    // the long axis.
    const PixelSearch search(m_edges);
    const double cxMid = (axis.x1 + axis.x2) / 2.0, cyMid = (axis.y1 + axis.y2) / 2.0, r = m.longAxis / 2.0;
    auto distance = [&](double x, double y) { return detail::MicronLength(x - cxMid, y - cyMid, wx, wy); };
    const double farthest = search.Max(distance, r);
    m.diameter = farthest > r ? detail::CircleDiameter(axis, search.First(distance, farthest), wx, wy) : m.longAxis;

    // Width across the long axis: the spread of a x + b y over the pixels
    // (exact in doubles for coordinates within the bound).
    const double a = axis.y2 - axis.y1, b = axis.x1 - axis.x2;
    const double lowest = -std::numeric_limits<double>::infinity();
    const double high = search.Max([&](double x, double y) { return a * x + b * y; }, lowest);
    const double low = search.Max([&](double x, double y) { return -(a * x + b * y); }, lowest);
    detail::SetShortAxis(m, axis, high + low, wx, wy);
    return m;
}

} // namespace geom
} // namespace zelvo
