// The segment walk in front of a JPEG's first scan and the comment record.
#include "image/JpegHead.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zelvo::JpegHeadInfo info;
    zelvo::JpegComRecord record = zelvo::InitialJpegComRecord();
    zelvo::ScanJpegHead(data, size, info, record);
    (void)zelvo::ComRecordText(record);
    int32_t x = 0, y = 0;
    zelvo::DensityToPelsPerMeter(info.densityUnit, info.xDensity, info.yDensity, record, x, y);
    zelvo::ApplyComPayload(record, data, size);
    (void)zelvo::ComRecordText(record);
    return 0;
}
