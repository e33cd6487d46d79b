#include "classroom/ScreenChange.h"
#include "classroom/ScreenStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace zelvo::classroom;

namespace {

// A 24-bit bottom-up capture with a pixel's bytes set at image point (x, y).
struct Capture {
    Capture(int32_t w, int32_t h) : width(w), height(h), bits(PictureStride(w, 3) * (size_t)h, 0) {}
    uint8_t* At(int32_t x, int32_t y) { return &bits[(size_t)(height - 1 - y) * PictureStride(width, 3) + (size_t)x * 3]; }
    void Set(int32_t x, int32_t y, uint8_t b, uint8_t g, uint8_t r)
    {
        uint8_t* p = At(x, y);
        p[0] = b, p[1] = g, p[2] = r;
    }
    int32_t width, height;
    std::vector<uint8_t> bits;
};

ScreenRect Rect(int32_t l, int32_t t, int32_t r, int32_t b)
{
    ScreenRect s;
    s.left = l, s.top = t, s.right = r, s.bottom = b;
    return s;
}

} // namespace

TEST(ScreenCapture, ServedSizesAreRoundedToFourAndBounded)
{
    int32_t w = 0, h = 0;
    ASSERT_TRUE(ServedCaptureSize(1366, 768, 1280, 1024, w, h));
    EXPECT_EQ(1368, w);
    EXPECT_EQ(768, h);
    ASSERT_TRUE(ServedCaptureSize(0, 0, 1366, 768, w, h)) << "0 x 0: the screen's own size";
    EXPECT_EQ(1368, w);
    ASSERT_TRUE(ServedCaptureSize(25, 8192, 1280, 1024, w, h));
    EXPECT_EQ(28, w);
    for (auto bad : {std::pair<int32_t, int32_t>{24, 100}, {100, 24}, {8193, 100}, {100, 8193}, {-1280, 1024},
                     {0, 1024}, {INT32_MAX, INT32_MAX}, {INT32_MIN, 100}})
        EXPECT_FALSE(ServedCaptureSize(bad.first, bad.second, 1280, 1024, w, h)) << bad.first << "x" << bad.second;
    EXPECT_FALSE(ServedCaptureSize(0, 0, 20, 1024, w, h)) << "a screen too small to serve";
}

TEST(ScreenChangeScan, FindsTheChangedPixelsAndUpdatesTheReference)
{
    Capture reference(64, 40), capture(64, 40);
    EXPECT_TRUE(ScanChangedPixels(reference.bits.data(), capture.bits.data(), 64, 40, 3, 8).IsEmpty());

    // Rows are bottom-up in memory: y counts from the top of the picture.
    capture.Set(5, 2, 0, 0, 200);
    capture.Set(50, 30, 0, 9, 0);
    capture.Set(20, 10, 7, 0, 0);  // below the threshold of 8
    const ScreenRect box = ScanChangedPixels(reference.bits.data(), capture.bits.data(), 64, 40, 3, 8);
    EXPECT_EQ(Rect(5, 2, 51, 31), box);
    EXPECT_EQ(200, reference.At(5, 2)[2]);
    EXPECT_EQ(0, reference.At(20, 10)[0]) << "an unchanged pixel keeps its reference";
    EXPECT_TRUE(ScanChangedPixels(reference.bits.data(), capture.bits.data(), 64, 40, 3, 8).IsEmpty())
        << "the reference now holds the change";

    // A pixel changes at its first byte that differs enough; the bytes before
    // it keep their reference values.
    capture.Set(1, 1, 5, 100, 60);
    EXPECT_EQ(Rect(1, 1, 2, 2), ScanChangedPixels(reference.bits.data(), capture.bits.data(), 64, 40, 3, 8));
    EXPECT_EQ(0, reference.At(1, 1)[0]);
    EXPECT_EQ(100, reference.At(1, 1)[1]);
    EXPECT_EQ(60, reference.At(1, 1)[2]);
}

TEST(ScreenChangeScan, ThresholdZeroMarksEveryPixelAnd255OnlyFullSwings)
{
    Capture reference(28, 25), capture(28, 25);
    EXPECT_EQ(Rect(0, 0, 28, 25), ScanChangedPixels(reference.bits.data(), capture.bits.data(), 28, 25, 3, 0));
    capture.Set(3, 4, 254, 0, 0);
    capture.Set(9, 9, 0, 255, 0);
    EXPECT_EQ(Rect(9, 9, 10, 10), ScanChangedPixels(reference.bits.data(), capture.bits.data(), 28, 25, 3, 255));
}

TEST(ScreenChangeRect, MarginMinimumSpanAndEdges)
{
    // One pixel well inside: 24 x 24 from 4 pixels before it.
    EXPECT_EQ(Rect(96, 46, 120, 70), FrameRectFor(Rect(100, 50, 101, 51), 640, 480));
    // The bottom-right corner: the last column and row are inside the rectangle.
    EXPECT_EQ(Rect(616, 456, 640, 480), FrameRectFor(Rect(639, 479, 640, 480), 640, 480));
    // The top-left corner.
    EXPECT_EQ(Rect(0, 0, 24, 24), FrameRectFor(Rect(0, 0, 1, 1), 640, 480));
    // A wide change near the right edge: its rounded width moves it left
    // instead of reaching past the capture.
    const ScreenRect wide = FrameRectFor(Rect(590, 10, 639, 11), 640, 480);
    EXPECT_EQ(Rect(584, 6, 640, 30), wide);
    EXPECT_EQ(0, CropWidth(wide) % 4);
    // The whole capture.
    EXPECT_EQ(Rect(0, 0, 640, 480), FrameRectFor(Rect(0, 0, 640, 480), 640, 480));
    EXPECT_TRUE(FrameRectFor(ScreenRect(), 640, 480).IsEmpty());
}

TEST(ScreenChangeCrop, CopiesTheRectangleBottomRowFirstAndNeverReadsOutside)
{
    Capture source(32, 30);
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 32; ++x) source.Set(x, y, (uint8_t)x, (uint8_t)y, 7);
    const ScreenRect r = Rect(4, 3, 12, 9);
    std::vector<uint8_t> out(PictureStride(CropWidth(r), 3) * (size_t)r.Height());
    CropBottomUp(source.bits.data(), 32, 30, 3, r, out.data());
    // First row in memory: the rectangle's bottom row, y = 8.
    EXPECT_EQ(4, out[0]);
    EXPECT_EQ(8, out[1]);
    EXPECT_EQ(11, out[7 * 3]);
    EXPECT_EQ(3, out[PictureStride(8, 3) * 5 + 1]) << "last row in memory: the top row";

    // Rectangles that reach past the source's edges (the source vector is
    // exactly its bitmap, so a read outside would be caught): zero there.
    for (const ScreenRect& edge : {Rect(26, 0, 32, 30), Rect(30, 25, 37, 30), Rect(-3, -2, 5, 40)}) {
        std::vector<uint8_t> crop(PictureStride(CropWidth(edge), 3) * (size_t)edge.Height(), 0xEE);
        CropBottomUp(source.bits.data(), 32, 30, 3, edge, crop.data());
        const size_t stride = PictureStride(CropWidth(edge), 3);
        if (edge.left == 26) {
            EXPECT_EQ(31, crop[5 * 3]) << "the last column";
            EXPECT_EQ(0, crop[6 * 3]) << "past the right edge";
        } else if (edge.left == 30) {
            EXPECT_EQ(29, crop[1]) << "the last row";
        } else {
            EXPECT_EQ(0, crop[1]) << "below the source";
            EXPECT_EQ(0, crop[stride * 10 + 1]) << "left of the source";
            EXPECT_EQ(0, crop[stride * 10 + 3 * 3]) << "the bottom row of the source, column 0";
            EXPECT_EQ(29, crop[stride * 10 + 3 * 3 + 1]);
        }
    }
}

TEST(ScreenFrameRows, APastedFrameIsTheCapturedRectangleUprightInRgb)
{
    // The student's crop is what the teacher's decoder hands back.
    Capture source(40, 30);
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x) source.Set(x, y, (uint8_t)(x + 1), (uint8_t)(y + 1), 200);
    const ScreenRect r = Rect(8, 5, 32, 29);
    std::vector<uint8_t> rows(PictureStride(CropWidth(r), 3) * (size_t)r.Height());
    CropBottomUp(source.bits.data(), 40, 30, 3, r, rows.data());
    std::vector<uint8_t> screen(40 * 30 * 3, 0);
    ASSERT_TRUE(PasteFrameRows(rows.data(), (int32_t)CropWidth(r), (int32_t)r.Height(), r.left, r.top, screen.data(), 40, 30));
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            const uint8_t* p = &screen[((size_t)y * 40 + (size_t)x) * 3];
            const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            ASSERT_EQ(inside ? 200 : 0, p[0]) << x << "," << y << ": red first";
            ASSERT_EQ(inside ? y + 1 : 0, p[1]) << x << "," << y;
            ASSERT_EQ(inside ? x + 1 : 0, p[2]) << x << "," << y;
        }

    // Rectangles from the network are clipped to the picture.
    EXPECT_TRUE(PasteFrameRows(rows.data(), 24, 24, 30, -10, screen.data(), 40, 30));
    EXPECT_FALSE(PasteFrameRows(rows.data(), 24, 24, INT32_MAX, 0, screen.data(), 40, 30));
    EXPECT_FALSE(PasteFrameRows(rows.data(), 24, 24, INT32_MIN, INT32_MIN, screen.data(), 40, 30));
}
