// One segment as RasterizeSegment draws it, with its pixels computed where
// they are needed instead of stored: N = 2 max(|dx|, |dy|) half steps, and
// pixel k (0..N) is the start plus d k / N truncated toward zero on each
// axis. The arithmetic is exact over the whole int32 range and uses 64-bit
// unsigned products only (the 32-bit programs have no 128-bit integers).
#pragma once

#include "geometry/OutlineGeometry.h"

#include <cstdint>

namespace zelvo {
namespace geom {

class DigitalSegment {
public:
    // k in [first, last]; empty when first > last.
    struct KRange {
        uint64_t first;
        uint64_t last;
        bool empty() const { return first > last; }
    };

    DigitalSegment(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
        : m_x1(x1), m_y1(y1), m_x2(x2), m_y2(y2)
    {
        const int64_t dx = int64_t(x2) - x1, dy = int64_t(y2) - y1;
        m_sx = dx < 0 ? -1 : 1;
        m_sy = dy < 0 ? -1 : 1;
        m_ax = uint64_t(dx < 0 ? -dx : dx);
        m_ay = uint64_t(dy < 0 ? -dy : dy);
        m_major = m_ax > m_ay ? m_ax : m_ay;
    }

    bool empty() const { return m_major == 0; }
    uint64_t steps() const { return 2 * m_major; }
    Point start() const { return Point{m_x1, m_y1}; }
    Point end() const { return Point{m_x2, m_y2}; }
    int64_t dx() const { return int64_t(m_x2) - m_x1; }
    int64_t dy() const { return int64_t(m_y2) - m_y1; }
    uint64_t ax() const { return m_ax; }
    uint64_t ay() const { return m_ay; }

    Point At(uint64_t k) const
    {
        return Point{int32_t(m_x1 + m_sx * int64_t(Offset(m_ax, k))), int32_t(m_y1 + m_sy * int64_t(Offset(m_ay, k)))};
    }

    // Calls f(k, pixel) for k = lo..hi in order, stepping with additions only.
    template <class F>
    void ForEach(uint64_t lo, uint64_t hi, F f) const
    {
        if (m_major == 0 || lo > hi) return;
        const uint64_t twoM = 2 * m_major;
        uint64_t u = Offset(m_ax, lo), v = Offset(m_ay, lo);
        // Remainders of a k by 2M; a and k below 2^32 and 2^33, so the
        // product is taken as the offsets give it: a k - offset 2M.
        uint64_t ru = Remainder(m_ax, lo, u), rv = Remainder(m_ay, lo, v);
        for (uint64_t k = lo;; ++k) {
            f(k, Point{int32_t(m_x1 + m_sx * int64_t(u)), int32_t(m_y1 + m_sy * int64_t(v))});
            if (k == hi) break;
            ru += m_ax;
            if (ru >= twoM) {
                ru -= twoM;
                ++u;
            }
            rv += m_ay;
            if (rv >= twoM) {
                rv -= twoM;
                ++v;
            }
        }
    }

    // The steps whose pixel has x (or y) in [lo, hi]: an interval, since each
    // coordinate moves one way along the segment.
    KRange ColumnRange(int64_t lo, int64_t hi) const { return AxisRange(m_x1, m_sx, m_ax, lo, hi); }
    KRange RowRange(int64_t lo, int64_t hi) const { return AxisRange(m_y1, m_sy, m_ay, lo, hi); }

private:
    // floor(a k / 2M) for a <= M, k <= 2M, M = the major extent (< 2^32):
    // with k = 2j + e and a j = q M + r, the value is q + (2r + a e) / 2M,
    // whose fraction part is below 2.
    uint64_t Offset(uint64_t a, uint64_t k) const
    {
        if (a == 0 || m_major == 0) return 0;
        const uint64_t j = k >> 1, e = k & 1;
        const uint64_t p = a * j;
        const uint64_t q = p / m_major, r = p % m_major;
        return q + ((2 * r + a * e) >= 2 * m_major ? 1 : 0);
    }

    // a k - offset 2M, the remainder of the offset's division, computed
    // without the product a k (which may not fit in 64 bits): with
    // k = 2j + e and a j = q M + r, it is 2r + a e - 2M (offset - q).
    uint64_t Remainder(uint64_t a, uint64_t k, uint64_t offset) const
    {
        if (a == 0 || m_major == 0) return 0;
        const uint64_t j = k >> 1, e = k & 1;
        const uint64_t p = a * j;
        const uint64_t q = p / m_major, r = p % m_major;
        return 2 * r + a * e - 2 * m_major * (offset - q);
    }

    // The first step whose offset along an axis of extent a reaches t
    // (t <= a): ceil(2 t M / a), with t M = q a + r.
    uint64_t FirstStep(uint64_t a, uint64_t t) const
    {
        if (t == 0) return 0;
        const uint64_t p = t * m_major;
        const uint64_t q = p / a, r = p % a;
        return 2 * q + (2 * r + a - 1) / a;
    }

    KRange AxisRange(int32_t origin, int sign, uint64_t a, int64_t lo, int64_t hi) const
    {
        const KRange none{1, 0};
        if (m_major == 0 || lo > hi) return none;
        // Offsets along the axis that land in [lo, hi].
        int64_t tLo = sign > 0 ? lo - origin : origin - hi;
        int64_t tHi = sign > 0 ? hi - origin : origin - lo;
        if (tLo < 0) tLo = 0;
        if (tHi > int64_t(a)) tHi = int64_t(a);
        if (tLo > tHi) return none;
        if (a == 0) return KRange{0, steps()};
        const uint64_t first = FirstStep(a, uint64_t(tLo));
        const uint64_t last = uint64_t(tHi) == a ? steps() : FirstStep(a, uint64_t(tHi) + 1) - 1;
        return KRange{first, last};
    }

    int32_t m_x1, m_y1, m_x2, m_y2;
    int m_sx, m_sy;
    uint64_t m_ax, m_ay, m_major;
};

} // namespace geom
} // namespace zelvo
