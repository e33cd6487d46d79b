// Checks of a BMP file's headers against the file before anything is read
// into a picture.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelvo {

constexpr size_t kBmpFileHeaderSize = 14;
constexpr size_t kBmpInfoHeaderSize = 40;
constexpr uint16_t kBmpSignature = 19778;  // "BM"

struct BmpLayout {
    int32_t width = 0;
    int32_t height = 0;      // always positive
    bool topDown = false;    // rows stored top row first (negative height in the file)
    uint16_t bitCount = 0;
    uint32_t headerSize = 0; // the file's info header, colour table behind it
    uint32_t fileColors = 0; // colour-table entries present in the file
    uint32_t tableColors = 0; // entries the picture's table gets
    uint32_t pixelOffset = 0;
    uint32_t imageBytes = 0;  // pixel block, rows padded to 4 bytes
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
};

enum class BmpResult { ok, shortHeader, notBitmap, invalid };

// The 14-byte file header: signature and the offset of the pixels.
BmpResult ParseBmpFileHeader(const uint8_t* data, size_t size, uint32_t& pixelOffset);

// The info header and colour table (the bytes behind the file header, size
// of them present) for a file of fileLength bytes whose pixels start at
// pixelOffset. Only uncompressed 1, 4, 8, 24 and 32-bit pictures pass.
BmpResult ParseBmpInfo(const uint8_t* data, size_t size, uint32_t pixelOffset, uint64_t fileLength, BmpLayout& out);

} // namespace zelvo
