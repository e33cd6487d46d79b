#include "image/JpegHead.h"

#include <cstring>

namespace zelvo {

JpegComRecord InitialJpegComRecord()
{
    JpegComRecord r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.text, "Zelvo Imaging", 13);
    return r;
}

void ApplyComPayload(JpegComRecord& record, const uint8_t* payload, size_t size)
{
    if (!payload) return;
    size_t n = size < sizeof record ? size : sizeof record;
    uint8_t raw[sizeof record];
    std::memcpy(raw, &record, sizeof record);
    std::memcpy(raw, payload, n);
    // Field by field so the integers are read little-endian on any host.
    std::memcpy(record.text, raw, 20);
    record.xPelsPerMeter = (int32_t)((uint32_t)raw[20] | ((uint32_t)raw[21] << 8) | ((uint32_t)raw[22] << 16) | ((uint32_t)raw[23] << 24));
    record.yPelsPerMeter = (int32_t)((uint32_t)raw[24] | ((uint32_t)raw[25] << 8) | ((uint32_t)raw[26] << 16) | ((uint32_t)raw[27] << 24));
    std::memcpy(record.reserved, raw + 28, 20);
}

std::string ComRecordText(const JpegComRecord& record)
{
    size_t len = 0;
    while (len < sizeof record.text && record.text[len]) ++len;
    return std::string(record.text, len);
}

int32_t MarkerPayloadLength(uint8_t high, uint8_t low)
{
    int32_t length = (high << 8) | low;
    return length < 2 ? -1 : length - 2;
}

void DensityToPelsPerMeter(int unit, uint16_t xDensity, uint16_t yDensity, const JpegComRecord& record,
                           int32_t& xPels, int32_t& yPels)
{
    switch (unit) {
    case 1:
        xPels = (int32_t)(xDensity * 39.3701);
        yPels = (int32_t)(yDensity * 39.3701);
        break;
    case 2:
        xPels = xDensity * 100;
        yPels = yDensity * 100;
        break;
    case 3:
        xPels = record.xPelsPerMeter;
        yPels = record.yPelsPerMeter;
        break;
    default:
        xPels = 0;
        yPels = 0;
        break;
    }
}

namespace {

uint16_t BigEndian16(const uint8_t* p) { return (uint16_t)((p[0] << 8) | p[1]); }

bool IsStartOfFrame(uint8_t m)
{
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

} // namespace

JpegHeadResult ScanJpegHead(const uint8_t* data, size_t size, JpegHeadInfo& info, JpegComRecord& record)
{
    info = JpegHeadInfo();
    if (!data || size < 2) return JpegHeadResult::truncated;
    if (data[0] != 0xFF || data[1] != 0xD8) return JpegHeadResult::notJpeg;
    size_t pos = 2;
    // Each round consumes at least two bytes, so the walk ends.
    for (;;) {
        // Fill bytes (0xFF) may stand in front of a marker code.
        while (pos < size && data[pos] != 0xFF) ++pos;
        while (pos < size && data[pos] == 0xFF) ++pos;
        if (pos >= size) return JpegHeadResult::truncated;
        uint8_t marker = data[pos++];
        if (marker == 0x00) return JpegHeadResult::corrupt;
        if (marker == 0xD8 || marker == 0xD9) return JpegHeadResult::corrupt;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (size - pos < 2) return JpegHeadResult::truncated;
        int32_t payload = MarkerPayloadLength(data[pos], data[pos + 1]);
        if (payload < 0) return JpegHeadResult::corrupt;
        pos += 2;
        if (size - pos < (size_t)payload) return JpegHeadResult::truncated;
        const uint8_t* p = data + pos;
        if (marker == 0xFE) {
            ApplyComPayload(record, p, (size_t)payload);
            ++info.comMarkers;
        } else if (marker == 0xE0 && payload >= 12 && std::memcmp(p, "JFIF\0", 5) == 0) {
            info.jfif = true;
            info.densityUnit = p[7];
            info.xDensity = BigEndian16(p + 8);
            info.yDensity = BigEndian16(p + 10);
        } else if (IsStartOfFrame(marker)) {
            if (payload < 6) return JpegHeadResult::corrupt;
            info.height = BigEndian16(p + 1);
            info.width = BigEndian16(p + 3);
            info.components = p[5];
            if ((size_t)payload < 6 + 3 * (size_t)info.components) return JpegHeadResult::corrupt;
        } else if (marker == 0xDA) {
            return info.components ? JpegHeadResult::ok : JpegHeadResult::corrupt;
        }
        pos += (size_t)payload;
    }
}

} // namespace zelvo
