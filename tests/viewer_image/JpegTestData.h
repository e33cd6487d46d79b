// JPEG files made at test time with libjpeg.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct JpegParams {
    int width = 40;
    int height = 30;
    int components = 3;       // 1 grey, 3 colour, 4 CMYK
    int densityUnit = 0;
    int xDensity = 1;
    int yDensity = 1;
    int quality = 90;
    bool photo = false;       // detailed content instead of smooth ramps
    std::vector<uint8_t> app1; // an APP1 segment's payload, when not empty
    std::vector<uint8_t> com;  // a COM segment's payload behind it, when not empty
};

std::vector<uint8_t> EncodeJpeg(const JpegParams& params);

// Plain libjpeg decode to top-down rows of output components (RGB or grey).
bool DecodePlain(const std::vector<uint8_t>& jpeg, std::vector<uint8_t>& out, int& width, int& height, int& components);

// A 48-byte comment record.
std::vector<uint8_t> ComRecordBytes(const std::string& text, int32_t x, int32_t y);
