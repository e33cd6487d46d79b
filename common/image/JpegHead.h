// The parts of JPEG reading that are plain byte work: the scanner's comment
// record, marker lengths, the resolution from the JFIF density, and a walk
// over the segments in front of the first scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zelvo {

// Payload of the slide scanner's COM marker; little-endian.
struct JpegComRecord {
    char text[20];
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint8_t reserved[20];
};
static_assert(sizeof(JpegComRecord) == 48, "comment record is 48 bytes");

// The record every process starts with.
JpegComRecord InitialJpegComRecord();

// Overwrites the first min(size, 48) bytes of the record with a payload;
// bytes behind a shorter payload keep their value.
void ApplyComPayload(JpegComRecord& record, const uint8_t* payload, size_t size);

// The record's text up to its NUL, never beyond the 20-byte field.
std::string ComRecordText(const JpegComRecord& record);

// Payload length of a marker segment from its two big-endian length bytes;
// -1 when the length is under 2 (the length counts its own two bytes).
int32_t MarkerPayloadLength(uint8_t high, uint8_t low);

// Pixels per metre from a JFIF density: unit 1 dots per inch, 2 dots per
// centimetre, 3 the scanner's record; any other unit gives 0 and 0.
void DensityToPelsPerMeter(int unit, uint16_t xDensity, uint16_t yDensity, const JpegComRecord& record,
                           int32_t& xPels, int32_t& yPels);

// What the segments in front of the first scan say.
struct JpegHeadInfo {
    bool jfif = false;
    int densityUnit = 0;
    uint16_t xDensity = 0;
    uint16_t yDensity = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    int components = 0;
    int comMarkers = 0;
};

enum class JpegHeadResult { ok, notJpeg, truncated, corrupt };

// Walks SOI and the marker segments up to SOS; every COM payload met is
// applied to the record, in order, as the decoder does it.
JpegHeadResult ScanJpegHead(const uint8_t* data, size_t size, JpegHeadInfo& info, JpegComRecord& record);

} // namespace zelvo
