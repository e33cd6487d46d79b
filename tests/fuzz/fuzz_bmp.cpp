// BMP header checks over arbitrary files.
#include "image/BmpFile.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint32_t offset = 0;
    if (zelvo::ParseBmpFileHeader(data, size, offset) != zelvo::BmpResult::ok) return 0;
    size_t infoSize = size - zelvo::kBmpFileHeaderSize;
    if (offset >= zelvo::kBmpFileHeaderSize && offset - zelvo::kBmpFileHeaderSize < infoSize)
        infoSize = offset - zelvo::kBmpFileHeaderSize;
    zelvo::BmpLayout layout;
    if (zelvo::ParseBmpInfo(data + zelvo::kBmpFileHeaderSize, infoSize, offset, size, layout) != zelvo::BmpResult::ok)
        return 0;
    // What a reader then touches must lie inside the file.
    volatile uint8_t sink = 0;
    for (uint32_t i = 0; i < 4 * layout.fileColors; ++i) sink = sink ^ data[zelvo::kBmpFileHeaderSize + layout.headerSize + i];
    if (layout.imageBytes) sink = sink ^ data[layout.pixelOffset + layout.imageBytes - 1];
    return 0;
}
