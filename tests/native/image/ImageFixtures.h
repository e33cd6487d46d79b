// Hand-written BMP and TIFF files for the reader tests (shared with the
// Windows tests), so no binary samples live in the tree.
#pragma once

#include "bytes/ByteReader.h"

#include <cstdint>
#include <vector>

namespace image_fixtures {

// Deterministic pixel bytes.
inline uint8_t PatternByte(size_t i) { return (uint8_t)((i * 37 + 11) ^ (i >> 3)); }

struct BmpParams {
    int32_t width = 5;
    int32_t height = 3;       // negative: rows stored top first
    uint16_t bitCount = 24;
    uint32_t headerSize = 40;
    uint32_t clrUsed = 0;     // written as is
    uint32_t colors = 0;      // entries really written (0: what the bit count implies)
    uint32_t compression = 0;
    uint32_t sizeImage = 0;   // written as is
    uint32_t gap = 0;         // bytes between table and pixels
    int64_t pixelOffsetDelta = 0;
    size_t cutPixels = 0;     // bytes left off the end
};

inline uint32_t StrideOf(int32_t width, uint32_t bits) { return ((uint32_t)width * bits + 31) / 32 * 4; }

inline std::vector<uint8_t> MakeBmp(const BmpParams& s)
{
    uint32_t colors = s.colors ? s.colors : (s.bitCount <= 8 ? (1u << s.bitCount) : 0);
    uint32_t absHeight = (uint32_t)(s.height < 0 ? -(int64_t)s.height : s.height);
    uint32_t pixels = s.width > 0 ? StrideOf(s.width, s.bitCount) * absHeight : 0;
    uint32_t offset = (uint32_t)(14 + s.headerSize + 4 * colors + s.gap + s.pixelOffsetDelta);
    zelvo::ByteWriter w;
    w.u16(19778);
    w.u32(offset + pixels);
    w.u32(0);
    w.u32(offset);
    w.u32(s.headerSize);
    w.i32(s.width);
    w.i32(s.height);
    w.u16(1);
    w.u16(s.bitCount);
    w.u32(s.compression);
    w.u32(s.sizeImage);
    w.i32(3780);
    w.i32(3780);
    w.u32(s.clrUsed);
    w.u32(0);
    w.zeros(s.headerSize > 40 ? s.headerSize - 40 : 0);
    for (uint32_t i = 0; i < colors; ++i) {
        w.u8((uint8_t)(i * 3));
        w.u8((uint8_t)(i * 5));
        w.u8((uint8_t)(i * 7));
        w.u8(0);
    }
    w.zeros(s.gap);
    for (uint32_t i = 0; i < pixels; ++i) w.u8(PatternByte(i));
    std::vector<uint8_t> out = w.take();
    out.resize(out.size() > s.cutPixels ? out.size() - s.cutPixels : 0);
    return out;
}

struct TiffParams {
    uint32_t width = 6;
    uint32_t height = 4;
    uint32_t bitCount = 24;   // 1, 4, 8, 24 or anything for malformed files
    bool withCompression = true;
    uint32_t compression = 1;
    bool colorMap = false;
    uint32_t colorMapCount = 0; // 0: 3 x 2^bits
    uint32_t strips = 1;
    uint32_t stripGap = 0;    // bytes between strips
    uint16_t sampleBits = 8;  // per sample when bitCount is 24
    uint32_t samples = 0;     // SamplesPerPixel tag when non-zero
    bool bigEndianMark = false;
    size_t cut = 0;           // bytes left off the end
    uint32_t claimHeight = 0; // height written in the directory (0: the real one)
};

inline uint32_t TiffRowBytes(uint32_t width, uint32_t bits)
{
    return bits == 1 ? (width + 7) / 8 : bits == 4 ? (width + 1) / 2 : bits == 8 ? width : 3 * width;
}

// Header, pixel strips, side data, then the directory at the end.
inline std::vector<uint8_t> MakeTiff(const TiffParams& s)
{
    uint32_t rowBytes = TiffRowBytes(s.width, s.bitCount);
    uint32_t rowsPerStrip = (s.height + s.strips - 1) / s.strips;
    zelvo::ByteWriter w;
    w.u16(s.bigEndianMark ? 0x4D4D : 0x4949);
    w.u16(42);
    w.u32(0);  // directory offset, patched
    std::vector<uint32_t> stripOffsets;
    size_t n = 0;
    for (uint32_t strip = 0; strip < s.strips; ++strip) {
        stripOffsets.push_back((uint32_t)w.size());
        uint32_t rows = s.height - strip * rowsPerStrip < rowsPerStrip ? s.height - strip * rowsPerStrip : rowsPerStrip;
        for (uint32_t i = 0; i < rows * rowBytes; ++i) w.u8(PatternByte(n++));
        w.zeros(s.stripGap);
    }
    uint32_t stripTable = (uint32_t)w.size();
    for (uint32_t o : stripOffsets) w.u32(o);
    uint32_t bitsTable = (uint32_t)w.size();
    for (int i = 0; i < 3; ++i) w.u16(s.sampleBits);
    uint32_t colors = s.bitCount <= 8 ? (1u << s.bitCount) : 0;
    uint32_t mapCount = s.colorMapCount ? s.colorMapCount : 3 * colors;
    uint32_t mapTable = (uint32_t)w.size();
    for (uint32_t i = 0; i < mapCount; ++i) w.u16((uint16_t)((i * 97) << 4));

    struct E { uint16_t tag, type; uint32_t count, value; };
    std::vector<E> entries;
    entries.push_back({256, 4, 1, s.width});
    entries.push_back({257, 4, 1, s.claimHeight ? s.claimHeight : s.height});
    if (s.bitCount == 24) entries.push_back({258, 3, 3, bitsTable});
    else entries.push_back({258, 3, 1, s.bitCount});
    if (s.withCompression) entries.push_back({259, 3, 1, s.compression});
    entries.push_back({262, 3, 1, s.bitCount == 24 ? 2u : (s.colorMap ? 3u : 1u)});
    if (s.strips == 1) entries.push_back({273, 4, 1, stripOffsets[0]});
    else entries.push_back({273, 4, s.strips, stripTable});
    if (s.samples) entries.push_back({277, 3, 1, s.samples});
    entries.push_back({278, 4, 1, rowsPerStrip});
    if (s.colorMap) entries.push_back({320, 3, mapCount, mapTable});

    uint32_t ifd = (uint32_t)w.size();
    w.patchU32(4, ifd);
    w.u16((uint16_t)entries.size());
    for (const E& e : entries) {
        w.u16(e.tag);
        w.u16(e.type);
        w.u32(e.count);
        w.u32(e.value);
    }
    w.u32(0);
    std::vector<uint8_t> out = w.take();
    out.resize(out.size() > s.cut ? out.size() - s.cut : 0);
    return out;
}

} // namespace image_fixtures
