#include "image/BmpFile.h"

#include "bytes/ByteReader.h"
#include "image/DibSize.h"

namespace zelvo {

BmpResult ParseBmpFileHeader(const uint8_t* data, size_t size, uint32_t& pixelOffset)
{
    pixelOffset = 0;
    if (!data || size < kBmpFileHeaderSize) return BmpResult::shortHeader;
    ByteReader r(data, size);
    if (r.u16() != kBmpSignature) return BmpResult::notBitmap;
    r.u32();  // file size: often wrong in the wild, the real length counts
    r.u32();
    pixelOffset = r.u32();
    return BmpResult::ok;
}

BmpResult ParseBmpInfo(const uint8_t* data, size_t size, uint32_t pixelOffset, uint64_t fileLength, BmpLayout& out)
{
    out = BmpLayout();
    if (pixelOffset < kBmpFileHeaderSize + kBmpInfoHeaderSize || pixelOffset > fileLength) return BmpResult::invalid;
    ByteReader r(data, size);
    uint32_t headerSize = r.u32();
    int32_t width = r.i32();
    int32_t height = r.i32();
    uint16_t planes = r.u16();
    uint16_t bitCount = r.u16();
    uint32_t compression = r.u32();
    r.u32();  // biSizeImage: recomputed, the pixels are uncompressed
    int32_t xPels = r.i32();
    int32_t yPels = r.i32();
    uint32_t clrUsed = r.u32();
    if (!r.ok()) return BmpResult::invalid;
    if (headerSize < kBmpInfoHeaderSize || headerSize > size || headerSize > pixelOffset - kBmpFileHeaderSize)
        return BmpResult::invalid;
    if (planes != 1 || compression != 0) return BmpResult::invalid;
    if (height == INT32_MIN) return BmpResult::invalid;
    int64_t absHeight = height < 0 ? -(int64_t)height : height;
    uint32_t imageBytes = 0;
    if (!DibSizeAllowed(width, absHeight, bitCount, &imageBytes)) return BmpResult::invalid;

    uint32_t tableColors = DibColorCount(bitCount);
    uint32_t fileColors = 0;
    if (tableColors) {
        if (clrUsed > tableColors) return BmpResult::invalid;
        fileColors = clrUsed ? clrUsed : tableColors;
        uint64_t tableEnd = (uint64_t)headerSize + 4ull * fileColors;
        if (tableEnd > size || tableEnd > pixelOffset - kBmpFileHeaderSize) return BmpResult::invalid;
    }
    if ((uint64_t)pixelOffset + imageBytes > fileLength) return BmpResult::invalid;

    out.width = width;
    out.height = (int32_t)absHeight;
    out.topDown = height < 0;
    out.bitCount = bitCount;
    out.headerSize = headerSize;
    out.fileColors = fileColors;
    out.tableColors = tableColors;
    out.pixelOffset = pixelOffset;
    out.imageBytes = imageBytes;
    out.xPelsPerMeter = xPels;
    out.yPelsPerMeter = yPels;
    return BmpResult::ok;
}

} // namespace zelvo
