// The first directory of an uncompressed little-endian TIFF file: the few
// tags a picture needs, each checked against the file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelvo {

// Random access to the file's bytes; ReadAt fails on a short read.
class TiffSource {
public:
    virtual ~TiffSource() = default;
    virtual uint64_t Length() const = 0;
    virtual bool ReadAt(uint64_t offset, void* out, size_t size) = 0;
};

class MemoryTiffSource : public TiffSource {
public:
    MemoryTiffSource(const uint8_t* data, size_t size) : m_data(data), m_size(data ? size : 0) {}
    uint64_t Length() const override { return m_size; }
    bool ReadAt(uint64_t offset, void* out, size_t size) override;

private:
    const uint8_t* m_data;
    size_t m_size;
};

// Directory entries beyond this many are not read.
constexpr uint32_t kMaxTiffEntries = 512;

struct TiffLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitCount = 0;    // 1, 4, 8 or 24
    uint64_t pixelOffset = 0; // first file row; the rows follow back to back
    uint32_t rowBytes = 0;    // bytes of one file row
    uint32_t colors = 0;      // colour-table entries (0 for 24 bits)
    uint8_t red[256] = {};
    uint8_t green[256] = {};
    uint8_t blue[256] = {};
};

enum class TiffResult { ok, unreadable, unsupported, invalid };

TiffResult ParseTiff(TiffSource& source, TiffLayout& out);

} // namespace zelvo
