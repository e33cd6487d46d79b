// TIFF directory reading over arbitrary files.
#include "image/TiffFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zelvo::MemoryTiffSource source(data, size);
    zelvo::TiffLayout layout;
    if (zelvo::ParseTiff(source, layout) != zelvo::TiffResult::ok) return 0;
    // The rows a reader then takes must lie inside the file.
    volatile uint8_t sink = data[layout.pixelOffset + (uint64_t)layout.rowBytes * layout.height - 1];
    (void)sink;
    return 0;
}
