// Stretching 32-bit pixels (blue, green, red, unused; rows top first) with
// bilinear filtering: how the viewer shows its thumbnail enlarged where tiles
// have not come yet.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelvo::image {

struct Pixels32 {
    uint32_t* data = nullptr;
    int32_t width = 0, height = 0;
    size_t stride = 0;  // pixels from one row to the next
};

struct ConstPixels32 {
    const uint32_t* data = nullptr;
    int32_t width = 0, height = 0;
    size_t stride = 0;
};

// One axis of the mapping from destination to source: the destination pixel
// edge at d lies at source coordinate d x scale + offset.
struct AxisMap {
    double scale = 1, offset = 0;
};

// The mapping that stretches the source span [s0, s1) over [d0, d1).
AxisMap MapSpan(double s0, double s1, double d0, double d1);

// Fills the destination pixels of [left, right) x [top, bottom) (clipped to
// the destination) with the source sampled at each pixel's centre, bilinear
// between the four nearest source pixels; samples beyond the source take its
// edge. The unused byte is written as 0. A fill of the same area in pieces
// gives the same pixels as in one go. Nothing happens for an empty source.
void StretchBilinear(const ConstPixels32& src, const Pixels32& dst, int32_t left, int32_t top, int32_t right,
                     int32_t bottom, const AxisMap& x, const AxisMap& y);

// The same fill taking for each destination pixel the source pixel under its
// centre (the look of a stretch that drops or repeats whole pixels).
void StretchNearest(const ConstPixels32& src, const Pixels32& dst, int32_t left, int32_t top, int32_t right,
                    int32_t bottom, const AxisMap& x, const AxisMap& y);

} // namespace zelvo::image
