#include "image/Resample.h"

#include <gtest/gtest.h>

#include <vector>

using namespace zelvo::image;

namespace {

struct Image {
    Image(int32_t w, int32_t h, uint32_t fill = 0) : width(w), height(h), px(size_t(w) * h, fill) {}
    Pixels32 View() { return Pixels32{px.data(), width, height, size_t(width)}; }
    ConstPixels32 Const() const { return ConstPixels32{px.data(), width, height, size_t(width)}; }
    uint32_t At(int32_t x, int32_t y) const { return px[size_t(y) * width + x]; }
    int32_t width, height;
    std::vector<uint32_t> px;
};

} // namespace

TEST(Resample, OneToOneCopiesAndAUniformSourceStaysUniform)
{
    Image src(5, 4);
    for (size_t i = 0; i < src.px.size(); ++i) src.px[i] = uint32_t(i * 0x0A0B0C) & 0xFFFFFF;
    Image dst(5, 4, 0xFFFFFFFF);
    StretchBilinear(src.Const(), dst.View(), 0, 0, 5, 4, AxisMap{}, AxisMap{});
    EXPECT_EQ(src.px, dst.px);

    Image grey(3, 2, 0xC0C0C0);
    Image big(97, 61);
    StretchBilinear(grey.Const(), big.View(), 0, 0, 97, 61, MapSpan(0, 3, 0, 97), MapSpan(0, 2, 0, 61));
    for (uint32_t p : big.px) ASSERT_EQ(0xC0C0C0u, p);
}

TEST(Resample, EnlargingBlendsBetweenNeighboursAndHoldsTheEdges)
{
    // Two pixels, black and (200, 100, 0), stretched over eight.
    Image src(2, 1);
    src.px = {0x000000, 0x0064C8};
    Image dst(8, 1);
    StretchBilinear(src.Const(), dst.View(), 0, 0, 8, 1, MapSpan(0, 2, 0, 8), AxisMap{});
    // The source centres 0.5 and 1.5 fall at destination 2 and 6: beyond them
    // the edge colours, in between a ramp.
    EXPECT_EQ(0x000000u, dst.At(0, 0));
    EXPECT_EQ(0x000000u, dst.At(1, 0));
    EXPECT_EQ(0x0064C8u, dst.At(6, 0));
    EXPECT_EQ(0x0064C8u, dst.At(7, 0));
    EXPECT_EQ(0x000D19u, dst.At(2, 0));  // an eighth of the way: 25, 13 (12.5 rounded), 0
    EXPECT_EQ(0x003F7Du, dst.At(4, 0));  // five eighths: 125, 63, 0
}

// The display repaints and refills parts of its buffers on their own: a fill
// in pieces must give exactly the pixels of one fill.
TEST(Resample, AFillInPiecesEqualsOneFill)
{
    Image src(13, 9);
    for (size_t i = 0; i < src.px.size(); ++i) src.px[i] = uint32_t(i * 2654435761u) & 0xFFFFFF;
    const AxisMap x = MapSpan(1.25, 11.5, -7, 300), y = MapSpan(0.5, 8.75, 3, 190);
    Image whole(320, 200), pieces(320, 200);
    StretchBilinear(src.Const(), whole.View(), -7, 3, 300, 190, x, y);
    StretchBilinear(src.Const(), pieces.View(), -7, 3, 100, 190, x, y);
    StretchBilinear(src.Const(), pieces.View(), 100, 3, 300, 77, x, y);
    StretchBilinear(src.Const(), pieces.View(), 100, 77, 300, 190, x, y);
    EXPECT_EQ(whole.px, pieces.px);
    // Only the area asked for is written.
    EXPECT_EQ(0u, whole.At(310, 100));
    EXPECT_EQ(0u, whole.At(10, 195));
}

TEST(Resample, NothingHappensWithoutASourceOrOutsideTheTarget)
{
    Image dst(4, 4, 7);
    Image none(0, 0);
    StretchBilinear(none.Const(), dst.View(), 0, 0, 4, 4, AxisMap{}, AxisMap{});
    Image src(2, 2, 1);
    StretchBilinear(src.Const(), dst.View(), 10, 10, 20, 20, AxisMap{}, AxisMap{});
    StretchBilinear(src.Const(), dst.View(), 3, 0, 1, 4, AxisMap{}, AxisMap{});
    for (uint32_t p : dst.px) EXPECT_EQ(7u, p);
}

TEST(Resample, NearestRepeatsOrDropsWholePixels)
{
    Image src(4, 2);
    src.px = {1, 2, 3, 4, 5, 6, 7, 8};
    Image big(8, 4);
    StretchNearest(src.Const(), big.View(), 0, 0, 8, 4, MapSpan(0, 4, 0, 8), MapSpan(0, 2, 0, 4));
    EXPECT_EQ((std::vector<uint32_t>{1, 1, 2, 2, 3, 3, 4, 4, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 5, 5, 6, 6,
                                     7, 7, 8, 8}),
              big.px);
    Image small(2, 1);
    StretchNearest(src.Const(), small.View(), 0, 0, 2, 1, MapSpan(0, 4, 0, 2), MapSpan(0, 2, 0, 1));
    EXPECT_EQ((std::vector<uint32_t>{6, 8}), small.px);  // the pixels under the centres
    // Beyond the source: its edge.
    Image wide(3, 1);
    StretchNearest(src.Const(), wide.View(), 0, 0, 3, 1, MapSpan(-4, 8, 0, 3), MapSpan(0, 1, 0, 1));
    EXPECT_EQ((std::vector<uint32_t>{1, 3, 4}), wide.px);
}
