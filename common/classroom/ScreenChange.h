// The screen's pictures on both ends of the screen link: which capture sizes
// the student serves, what changed since the last capture, the rectangle that
// goes out and its crop, and on the teacher's side the placing of a received
// rectangle into a picture of the whole screen.
//
// Captures are device-independent bitmaps: rows bottom-up in memory, each
// padded to a multiple of 4 bytes, pixel bytes blue, green, red.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelvo {
namespace classroom {

// Smaller captures cannot hold the smallest rectangle that is sent.
constexpr int32_t kMinScreenSide = 25;
// Margin around the changed pixels and the smallest side of a rectangle.
constexpr int32_t kChangeMargin = 4;
constexpr int32_t kMinRectSide = 24;

// Rectangle in capture pixels, y counted from the top; right and bottom lie
// just past the rectangle.
struct ScreenRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int64_t Width() const { return (int64_t)right - left; }
    int64_t Height() const { return (int64_t)bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool operator==(const ScreenRect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// The size a request is captured at: its width rounded up to a multiple of 4
// (0 x 0 asks for the screen's own size). False when a side lies outside
// kMinScreenSide..kMaxScreenSide: such requests are not served.
bool ServedCaptureSize(int32_t requestWidth, int32_t requestHeight, int32_t screenWidth, int32_t screenHeight,
                       int32_t& width, int32_t& height);

// Row stride of a bitmap, padded to 4 bytes.
size_t PictureStride(int64_t width, int32_t bytesPerPixel);

// Compares a new capture with the reference taken before, pixel by pixel in
// memory order. A pixel has changed at the first of its bytes that differs
// from the reference by at least the threshold; that byte and the pixel's
// later ones are copied into the reference (its earlier bytes stay). Returns
// the box of the changed pixels with right and bottom at the last changed
// column and row plus one; empty when nothing changed.
ScreenRect ScanChangedPixels(uint8_t* reference, const uint8_t* capture, int32_t width, int32_t height,
                             int32_t bytesPerPixel, uint8_t threshold);

// The rectangle sent for a box of changed pixels: 4 pixels of margin, at
// least 24 pixels each way, a width that is a multiple of 4, and inside the
// capture, so that its last row and column are sent too. Empty for an empty box.
ScreenRect FrameRectFor(const ScreenRect& changed, int32_t width, int32_t height);

// The crop of a rectangle: its width rounded up to a multiple of 4.
int64_t CropWidth(const ScreenRect& r);
// Copies the rectangle out of a bottom-up bitmap into rows of the crop's
// stride (bottom row first). Never reads outside the source: what lies beyond
// its edges is zero.
void CropBottomUp(const uint8_t* source, int32_t sourceWidth, int32_t sourceHeight, int32_t bytesPerPixel,
                  const ScreenRect& r, uint8_t* out);

// The teacher's side. A frame's JPEG decodes to rows bottom row first, each
// pixel's bytes blue, green, red (though declared red, green, blue). Places
// such rows of a width x height rectangle at (x, y) of a top-down RGB picture
// of the whole screen, clipped to it; returns false when nothing of it lies
// on the picture.
bool PasteFrameRows(const uint8_t* rows, int32_t width, int32_t height, int32_t x, int32_t y, uint8_t* screenRgb,
                    int32_t screenWidth, int32_t screenHeight);

} // namespace classroom
} // namespace zelvo
