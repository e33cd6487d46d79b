#include "classroom/ScreenChange.h"

#include "classroom/ScreenStream.h"

#include <algorithm>
#include <cstring>

namespace zelvo {
namespace classroom {

namespace {

// Pixels compared as one block before looking at them one by one: a screen
// mostly stays as it was, and equal blocks are skipped at memory speed.
const int32_t kBlockPixels = 64;

bool BlockEqual(const uint8_t* a, const uint8_t* b, size_t n)
{
    uint64_t diff = 0;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        diff |= x ^ y;
    }
    for (; i < n; ++i) diff |= (uint64_t)(a[i] ^ b[i]);
    return diff == 0;
}

int64_t RoundUp4(int64_t v)
{
    return (v + 3) & ~(int64_t)3;
}

} // namespace

bool ServedCaptureSize(int32_t requestWidth, int32_t requestHeight, int32_t screenWidth, int32_t screenHeight,
                       int32_t& width, int32_t& height)
{
    int64_t w = requestWidth, h = requestHeight;
    if (w == 0 && h == 0) {
        w = screenWidth;
        h = screenHeight;
    }
    if (w < kMinScreenSide || w > kMaxScreenSide || h < kMinScreenSide || h > kMaxScreenSide) return false;
    width = (int32_t)RoundUp4(w);
    height = (int32_t)h;
    return true;
}

size_t PictureStride(int64_t width, int32_t bytesPerPixel)
{
    if (width <= 0 || bytesPerPixel <= 0) return 0;
    return ((size_t)width * (size_t)bytesPerPixel + 3) & ~(size_t)3;
}

ScreenRect ScanChangedPixels(uint8_t* reference, const uint8_t* capture, int32_t width, int32_t height,
                             int32_t bytesPerPixel, uint8_t threshold)
{
    ScreenRect box;
    if (!reference || !capture || width <= 0 || height <= 0 || bytesPerPixel <= 0) return box;
    const size_t stride = PictureStride(width, bytesPerPixel);
    const size_t bpp = (size_t)bytesPerPixel;
    int32_t left = INT32_MAX, right = -1, top = INT32_MAX, bottom = -1;
    for (int32_t row = 0; row < height; ++row) {
        uint8_t* ref = reference + (size_t)row * stride;
        const uint8_t* cap = capture + (size_t)row * stride;
        const int32_t y = height - 1 - row;
        bool rowChanged = false;
        for (int32_t x0 = 0; x0 < width; x0 += kBlockPixels) {
            const int32_t n = std::min(kBlockPixels, width - x0);
            const size_t at = (size_t)x0 * bpp;
            // With a threshold of 0 every pixel counts as changed.
            if (threshold > 0 && BlockEqual(ref + at, cap + at, (size_t)n * bpp)) continue;
            for (int32_t x = x0; x < x0 + n; ++x) {
                uint8_t* r = ref + (size_t)x * bpp;
                const uint8_t* c = cap + (size_t)x * bpp;
                for (size_t k = 0; k < bpp; ++k) {
                    const int d = c[k] > r[k] ? c[k] - r[k] : r[k] - c[k];
                    if (d >= threshold) {
                        std::memcpy(r + k, c + k, bpp - k);
                        left = std::min(left, x);
                        right = std::max(right, x);
                        rowChanged = true;
                        break;
                    }
                }
            }
        }
        if (rowChanged) {
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return box;
    box.left = left;
    box.right = right + 1;
    box.top = top;
    box.bottom = bottom + 1;
    return box;
}

ScreenRect FrameRectFor(const ScreenRect& changed, int32_t width, int32_t height)
{
    ScreenRect r;
    if (changed.IsEmpty() || width <= 0 || height <= 0) return r;
    // In 64 bits: the box may come from anywhere.
    auto span = [](int64_t lo, int64_t hi, int32_t size, int32_t& outLo, int32_t& outHi) {
        lo = std::max<int64_t>(lo - kChangeMargin, 0);
        hi = std::min<int64_t>(hi + kChangeMargin - 1, size);
        if (hi - lo < kMinRectSide) {
            hi = lo + kMinRectSide;
            if (hi > size) {
                lo = std::max<int64_t>((int64_t)size - kMinRectSide, 0);
                hi = size;
            }
        }
        lo = std::min<int64_t>(lo, size);
        outLo = (int32_t)lo;
        outHi = (int32_t)std::max(hi, lo);
    };
    span(changed.left, changed.right, width, r.left, r.right);
    span(changed.top, changed.bottom, height, r.top, r.bottom);
    // Moved left rather than cropped past the capture's right edge.
    const int64_t w = RoundUp4(r.Width());
    if (r.left + w > width) r.left = (int32_t)std::max<int64_t>(width - w, 0);
    r.right = (int32_t)std::min<int64_t>(r.left + w, width);
    return r;
}

int64_t CropWidth(const ScreenRect& r)
{
    return r.IsEmpty() ? 0 : RoundUp4(r.Width());
}

void CropBottomUp(const uint8_t* source, int32_t sourceWidth, int32_t sourceHeight, int32_t bytesPerPixel,
                  const ScreenRect& r, uint8_t* out)
{
    if (!out || r.IsEmpty() || bytesPerPixel <= 0 || CropWidth(r) > INT32_MAX) return;
    const size_t outStride = PictureStride(CropWidth(r), bytesPerPixel);
    const size_t sourceStride = PictureStride(sourceWidth, bytesPerPixel);
    const size_t bpp = (size_t)bytesPerPixel;
    const int64_t rows = r.Height();
    for (int64_t i = 0; i < rows; ++i) {
        uint8_t* to = out + (size_t)i * outStride;
        std::memset(to, 0, outStride);
        // The rectangle's bottom row is the first in memory.
        const int64_t sourceRow = (int64_t)sourceHeight - r.bottom + i;
        if (!source || sourceRow < 0 || sourceRow >= sourceHeight) continue;
        const int64_t firstColumn = std::max<int64_t>(r.left, 0);
        if (firstColumn >= sourceWidth) continue;
        const size_t skip = (size_t)(firstColumn - r.left) * bpp;
        if (skip >= outStride) continue;
        const size_t available = (size_t)(sourceWidth - firstColumn) * bpp;
        const size_t n = std::min(outStride - skip, available);
        std::memcpy(to + skip, source + (size_t)sourceRow * sourceStride + (size_t)firstColumn * bpp, n);
    }
}

bool PasteFrameRows(const uint8_t* rows, int32_t width, int32_t height, int32_t x, int32_t y, uint8_t* screenRgb,
                    int32_t screenWidth, int32_t screenHeight)
{
    if (!rows || !screenRgb || width <= 0 || height <= 0 || screenWidth <= 0 || screenHeight <= 0) return false;
    const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>((int64_t)x + width, screenWidth);
    const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>((int64_t)y + height, screenHeight);
    if (x0 >= x1 || y0 >= y1) return false;
    const size_t rowBytes = (size_t)width * 3;
    for (int64_t sy = y0; sy < y1; ++sy) {
        // Image row sy - y of the rectangle is the decoded row counted from its bottom.
        const uint8_t* from = rows + (size_t)(height - 1 - (sy - y)) * rowBytes + (size_t)(x0 - x) * 3;
        uint8_t* to = screenRgb + ((size_t)sy * (size_t)screenWidth + (size_t)x0) * 3;
        for (int64_t sx = x0; sx < x1; ++sx, from += 3, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    return true;
}

} // namespace classroom
} // namespace zelvo
