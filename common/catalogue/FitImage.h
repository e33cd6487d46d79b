// Where a picture goes in a box: shrunk (never enlarged) to fit, and centred.
#pragma once

#include <cstdint>

namespace zelvo {
namespace catalog {

struct FittedRect {
    int32_t x = 0, y = 0;          // offset of the top-left corner in the box
    int32_t width = 0, height = 0; // drawn size
};

// The scale is worked out in single precision and sizes are truncated, so
// that the same picture lands on the same pixels everywhere.
inline FittedRect FitImageRect(int32_t boxWidth, int32_t boxHeight, int32_t imageWidth, int32_t imageHeight)
{
    FittedRect r;
    if (boxWidth <= 0 || boxHeight <= 0 || imageWidth <= 0 || imageHeight <= 0) return r;
    float sx = (float)imageWidth / (float)boxWidth;
    float sy = (float)imageHeight / (float)boxHeight;
    float scale = sx > sy ? sx : sy;
    if (scale > 1.0f) {
        r.width = (int32_t)((float)imageWidth / scale);
        r.height = (int32_t)((float)imageHeight / scale);
    } else {
        r.width = imageWidth;
        r.height = imageHeight;
    }
    r.x = (boxWidth - r.width) / 2;
    r.y = (boxHeight - r.height) / 2;
    return r;
}

} // namespace catalog
} // namespace zelvo
