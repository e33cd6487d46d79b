// The screen pictures' arithmetic on sizes and rectangles from anywhere: the
// change scan, the rectangle sent, its crop and the teacher's placing of a
// received rectangle never touch memory outside their pictures.
#include "classroom/ScreenChange.h"

#include "bytes/ByteReader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace zelvo::classroom;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zelvo::ByteReader in(data, size);
    const int32_t width = in.u8() + 1, height = in.u8() + 1;
    const int32_t bpp = in.u8() % 4 + 1;
    const uint8_t threshold = in.u8();
    ScreenRect changed;
    changed.left = in.i32(), changed.top = in.i32(), changed.right = in.i32(), changed.bottom = in.i32();
    const int32_t x = in.i32(), y = in.i32();

    const size_t bytes = PictureStride(width, bpp) * (size_t)height;
    std::vector<uint8_t> reference(bytes), capture(bytes);
    for (size_t i = 0; i < bytes && in.remaining(); ++i) capture[i] = in.u8();
    for (size_t i = 0; i < bytes && in.remaining(); ++i) reference[i] = in.u8();

    const ScreenRect found = ScanChangedPixels(reference.data(), capture.data(), width, height, bpp, threshold);
    if (!found.IsEmpty() && (found.left < 0 || found.right > width || found.top < 0 || found.bottom > height))
        __builtin_trap();
    for (const ScreenRect& box : {found, changed}) {
        const ScreenRect r = FrameRectFor(box, width, height);
        if (r.IsEmpty()) continue;
        if (r.left < 0 || r.top < 0 || r.right > width || r.bottom > height) __builtin_trap();
        std::vector<uint8_t> crop(PictureStride(CropWidth(r), bpp) * (size_t)r.Height());
        CropBottomUp(capture.data(), width, height, bpp, r, crop.data());
    }
    // Any rectangle at all, as the crop's caller might pass it.
    if (changed.Width() > 0 && changed.Width() <= 4096 && changed.Height() > 0 && changed.Height() <= 4096) {
        std::vector<uint8_t> crop(PictureStride(CropWidth(changed), bpp) * (size_t)changed.Height());
        CropBottomUp(capture.data(), width, height, bpp, changed, crop.data());
    }
    // The teacher: rows of a 3-byte rectangle at any position.
    const int32_t rw = width, rh = height;
    std::vector<uint8_t> rows((size_t)rw * 3 * (size_t)rh, 1);
    std::vector<uint8_t> screen(64 * 48 * 3);
    PasteFrameRows(rows.data(), rw, rh, x, y, screen.data(), 64, 48);
    return 0;
}
