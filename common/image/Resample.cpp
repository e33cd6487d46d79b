#include "image/Resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zelvo::image {

namespace {

// Where one destination pixel samples along an axis: the two source indices
// and the weight of the second, 0..256.
struct Tap {
    int32_t i0, i1;
    uint32_t w;
};

Tap TapAt(int32_t d, const AxisMap& m, int32_t size)
{
    // Source coordinate of the pixel centre, in pixel-centre units.
    double c = (d + 0.5) * m.scale + m.offset - 0.5;
    if (!std::isfinite(c)) c = 0;
    c = std::clamp(c, 0.0, double(size - 1));
    const int32_t i0 = int32_t(c);
    const int32_t i1 = std::min(i0 + 1, size - 1);
    const uint32_t w = uint32_t(std::lround((c - i0) * 256.0));
    if (w >= 256) return Tap{i1, i1, 0};
    return Tap{i0, i1, w};
}

// One source row blended horizontally at every destination column: three
// 16-bit channels per pixel (value x 256).
void BlendRow(const uint32_t* row, const std::vector<Tap>& xs, std::vector<uint16_t>& out)
{
    uint16_t* o = out.data();
    for (const Tap& t : xs) {
        const uint32_t a = row[t.i0], b = row[t.i1], wa = 256 - t.w;
        o[0] = uint16_t((a & 0xFF) * wa + (b & 0xFF) * t.w);
        o[1] = uint16_t(((a >> 8) & 0xFF) * wa + ((b >> 8) & 0xFF) * t.w);
        o[2] = uint16_t(((a >> 16) & 0xFF) * wa + ((b >> 16) & 0xFF) * t.w);
        o += 3;
    }
}

// The source index under the centre of destination pixel d, within the source.
int32_t NearestAt(int32_t d, const AxisMap& m, int32_t size)
{
    double c = (d + 0.5) * m.scale + m.offset;
    if (!std::isfinite(c)) c = 0;
    return int32_t(std::clamp(std::floor(c), 0.0, double(size - 1)));
}

// Destination area clipped to the target; false when nothing is left.
bool Clip(const Pixels32& dst, int32_t& left, int32_t& top, int32_t& right, int32_t& bottom)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, dst.width);
    bottom = std::min(bottom, dst.height);
    return left < right && top < bottom;
}

} // namespace

AxisMap MapSpan(double s0, double s1, double d0, double d1)
{
    AxisMap m;
    if (d1 == d0) return m;
    m.scale = (s1 - s0) / (d1 - d0);
    m.offset = s0 - d0 * m.scale;
    return m;
}

void StretchBilinear(const ConstPixels32& src, const Pixels32& dst, int32_t left, int32_t top, int32_t right,
                     int32_t bottom, const AxisMap& x, const AxisMap& y)
{
    if (!src.data || !dst.data || src.width <= 0 || src.height <= 0) return;
    if (!Clip(dst, left, top, right, bottom)) return;

    const int32_t w = right - left;
    std::vector<Tap> xs((size_t)w);
    for (int32_t i = 0; i < w; ++i) xs[size_t(i)] = TapAt(left + i, x, src.width);

    // The horizontal blends of the two source rows in use, kept while the
    // destination rows go on sampling between the same two (an enlargement
    // reuses them for many rows).
    std::vector<uint16_t> rowA(size_t(w) * 3), rowB(size_t(w) * 3);
    int32_t haveA = -1, haveB = -1;
    for (int32_t d = top; d < bottom; ++d) {
        const Tap ty = TapAt(d, y, src.height);
        if (haveA != ty.i0) {
            if (haveB == ty.i0) {
                std::swap(rowA, rowB);
                std::swap(haveA, haveB);
            } else {
                BlendRow(src.data + size_t(ty.i0) * src.stride, xs, rowA);
                haveA = ty.i0;
            }
        }
        if (haveB != ty.i1) {
            BlendRow(src.data + size_t(ty.i1) * src.stride, xs, rowB);
            haveB = ty.i1;
        }
        uint32_t* out = dst.data + size_t(d) * dst.stride + left;
        const uint32_t wb = ty.w, wa = 256 - ty.w;
        const uint16_t* a = rowA.data();
        const uint16_t* b = rowB.data();
        for (int32_t i = 0; i < w; ++i, a += 3, b += 3) {
            const uint32_t c0 = (a[0] * wa + b[0] * wb + 32768) >> 16;
            const uint32_t c1 = (a[1] * wa + b[1] * wb + 32768) >> 16;
            const uint32_t c2 = (a[2] * wa + b[2] * wb + 32768) >> 16;
            out[i] = c0 | (c1 << 8) | (c2 << 16);
        }
    }
}

void StretchNearest(const ConstPixels32& src, const Pixels32& dst, int32_t left, int32_t top, int32_t right,
                    int32_t bottom, const AxisMap& x, const AxisMap& y)
{
    if (!src.data || !dst.data || src.width <= 0 || src.height <= 0) return;
    if (!Clip(dst, left, top, right, bottom)) return;
    const int32_t w = right - left;
    std::vector<int32_t> xs((size_t)w);
    for (int32_t i = 0; i < w; ++i) xs[size_t(i)] = NearestAt(left + i, x, src.width);
    int32_t lastRow = -1;
    const uint32_t* last = nullptr;
    for (int32_t d = top; d < bottom; ++d) {
        const int32_t row = NearestAt(d, y, src.height);
        uint32_t* out = dst.data + size_t(d) * dst.stride + left;
        if (row == lastRow) {
            // A repeated source row: the destination row above is the same.
            std::copy(last, last + w, out);
            continue;
        }
        const uint32_t* in = src.data + size_t(row) * src.stride;
        for (int32_t i = 0; i < w; ++i) out[i] = in[xs[size_t(i)]];
        lastRow = row;
        last = out;
    }
}

} // namespace zelvo::image
