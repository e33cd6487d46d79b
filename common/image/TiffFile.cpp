#include "image/TiffFile.h"

#include "bytes/ByteReader.h"
#include "image/DibSize.h"

#include <cstring>
#include <vector>

namespace zelvo {

bool MemoryTiffSource::ReadAt(uint64_t offset, void* out, size_t size)
{
    if (offset > m_size || size > m_size - offset) return false;
    if (size) std::memcpy(out, m_data + offset, size);
    return true;
}

namespace {

enum : uint16_t { kShort = 3, kLong = 4 };

struct Entry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint32_t field = 0;
    bool present = false;
    // A single SHORT sits in the low half of the field.
    uint32_t Value() const { return type == kShort ? (field & 0xFFFF) : field; }
};

// count values of a SHORT or LONG entry, inline or at the field's offset.
bool ReadValues(TiffSource& src, const Entry& e, uint32_t count, std::vector<uint32_t>& out)
{
    out.clear();
    if (e.type != kShort && e.type != kLong) return false;
    size_t width = e.type == kShort ? 2 : 4;
    uint64_t bytes = (uint64_t)width * count;
    std::vector<uint8_t> raw((size_t)bytes);
    if (bytes <= 4) {
        for (size_t i = 0; i < bytes; ++i) raw[i] = (uint8_t)(e.field >> (8 * i));
    } else if (!src.ReadAt(e.field, raw.data(), raw.size())) {
        return false;
    }
    ByteReader r(raw.data(), raw.size());
    for (uint32_t i = 0; i < count; ++i) out.push_back(width == 2 ? r.u16() : r.u32());
    return r.ok();
}

} // namespace

TiffResult ParseTiff(TiffSource& src, TiffLayout& out)
{
    out = TiffLayout();
    uint8_t head[8];
    if (!src.ReadAt(0, head, sizeof head)) return TiffResult::unreadable;
    ByteReader hr(head, sizeof head);
    uint16_t order = hr.u16();
    uint16_t magic = hr.u16();
    uint32_t ifd = hr.u32();
    if (order == 0x4D4D) return TiffResult::unsupported;  // big-endian
    if (order != 0x4949 || magic != 42) return TiffResult::invalid;

    uint8_t countBytes[2];
    if (!src.ReadAt(ifd, countBytes, 2)) return TiffResult::unreadable;
    uint32_t count = (uint32_t)(countBytes[0] | (countBytes[1] << 8));
    if (count > kMaxTiffEntries) count = kMaxTiffEntries;
    std::vector<uint8_t> raw(count * 12u);
    if (!src.ReadAt((uint64_t)ifd + 2, raw.data(), raw.size())) return TiffResult::unreadable;

    Entry width, height, bits, compression, samples, strips, rowsPerStrip, colorMap, planar;
    ByteReader r(raw.data(), raw.size());
    for (uint32_t i = 0; i < count; ++i) {
        Entry e;
        e.tag = r.u16();
        e.type = r.u16();
        e.count = r.u32();
        e.field = r.u32();
        e.present = true;
        switch (e.tag) {
        case 256: width = e; break;
        case 257: height = e; break;
        case 258: bits = e; break;
        case 259: compression = e; break;
        case 273: strips = e; break;
        case 277: samples = e; break;
        case 278: rowsPerStrip = e; break;
        case 284: planar = e; break;
        case 320: colorMap = e; break;
        default: break;
        }
    }

    if (!compression.present || compression.Value() != 1) return TiffResult::unsupported;
    if (!width.present || !height.present || !bits.present || !strips.present) return TiffResult::invalid;
    if (planar.present && planar.Value() != 1) return TiffResult::unsupported;

    uint32_t bitCount = 0;
    if (bits.count < 3) {
        bitCount = bits.Value();
    } else {
        // Three samples of 8 bits each; anything else is not read.
        std::vector<uint32_t> perSample;
        if (bits.count != 3) return TiffResult::unsupported;
        if (!ReadValues(src, bits, 3, perSample)) return TiffResult::unreadable;
        for (uint32_t s : perSample)
            if (s != 8) return TiffResult::unsupported;
        bitCount = 24;
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) return TiffResult::unsupported;
    if (samples.present && samples.Value() != (bitCount == 24 ? 3u : 1u)) return TiffResult::unsupported;

    uint32_t w = width.Value(), h = height.Value();
    if (!DibSizeAllowed(w, h, bitCount)) return TiffResult::invalid;
    uint64_t rowBytes = bitCount == 1 ? (w + 7) / 8 : bitCount == 4 ? (w + 1) / 2 : bitCount == 8 ? w : 3ull * w;

    if (strips.count == 0 || strips.count > h) return TiffResult::invalid;
    std::vector<uint32_t> offsets;
    if (!ReadValues(src, strips, strips.count, offsets)) return TiffResult::unreadable;
    // The strips are read as one run: they must follow each other exactly.
    uint64_t rows = rowsPerStrip.present ? rowsPerStrip.Value() : h;
    if (rows == 0) return TiffResult::invalid;
    for (uint32_t i = 1; i < offsets.size(); ++i)
        if ((uint64_t)offsets[i] != (uint64_t)offsets[0] + i * rows * rowBytes) return TiffResult::unsupported;
    if ((uint64_t)offsets[0] + rowBytes * h > src.Length()) return TiffResult::unreadable;

    out.width = w;
    out.height = h;
    out.bitCount = bitCount;
    out.pixelOffset = offsets[0];
    out.rowBytes = (uint32_t)rowBytes;
    out.colors = DibColorCount(bitCount);

    if (out.colors) {
        if (colorMap.present) {
            std::vector<uint32_t> map;
            if (colorMap.count != 3 * out.colors || colorMap.type != kShort) return TiffResult::invalid;
            if (!ReadValues(src, colorMap, colorMap.count, map)) return TiffResult::unreadable;
            for (uint32_t i = 0; i < out.colors; ++i) {
                out.red[i] = (uint8_t)(map[i] >> 8);
                out.green[i] = (uint8_t)(map[out.colors + i] >> 8);
                out.blue[i] = (uint8_t)(map[2 * out.colors + i] >> 8);
            }
        } else {
            for (uint32_t i = 0; i < out.colors; ++i) {
                uint8_t g = (uint8_t)(i * 255 / (out.colors - 1));
                out.red[i] = out.green[i] = out.blue[i] = g;
            }
        }
    }
    return TiffResult::ok;
}

} // namespace zelvo
