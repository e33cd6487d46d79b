#include "annotation/ImageGroupFile.h"

#include "bytes/ByteReader.h"

namespace zelvo {
namespace annotation {

uint64_t ImageGroupHeaderSize(size_t n) { return 8 + 8 * (uint64_t)n; }

std::vector<uint32_t> ImageGroupOffsets(const std::vector<uint64_t>& sizes)
{
    std::vector<uint32_t> offsets;
    offsets.reserve(sizes.size());
    uint64_t at = ImageGroupHeaderSize(sizes.size());
    for (uint64_t size : sizes) {
        offsets.push_back((uint32_t)at);
        at += size;
    }
    return offsets;
}

std::vector<uint8_t> ImageGroupIndexBytes(int32_t current, const std::vector<uint32_t>& offsets)
{
    ByteWriter out;
    out.i32((int32_t)offsets.size());
    out.i32(current);
    for (uint32_t offset : offsets) {
        out.u32(offset);
        out.u32(0);
    }
    return out.data();
}

bool ReadImageGroupIndex(const uint8_t* data, size_t size, uint64_t fileLength, ImageGroupIndex& out)
{
    out = ImageGroupIndex();
    ByteReader in(data, size);
    const int32_t count = in.i32();
    const int32_t current = in.i32();
    if (!in.ok() || count < 0) return false;
    const uint64_t header = ImageGroupHeaderSize((size_t)count);
    if (header > fileLength || header > size) return false;
    std::vector<uint32_t> offsets((size_t)count);
    for (auto& offset : offsets) {
        offset = in.u32();
        in.u32();
        if (offset < header || offset > fileLength) return false;
    }
    if (!in.ok()) return false;
    out.count = count;
    out.current = (current < 0 || current >= count) ? 0 : current;
    out.offsets = std::move(offsets);
    return true;
}

bool RewriteImageGroupIndex(uint8_t* head, size_t size, int32_t current)
{
    if (!head || size < 8) return false;
    ByteReader in(head + 4, 4);
    if (in.i32() == current) return false;
    for (int i = 0; i < 4; ++i) head[4 + i] = (uint8_t)((uint32_t)current >> (8 * i));
    return true;
}

} // namespace annotation
} // namespace zelvo
