// Sizes of device-independent bitmaps, worked out in 64 bits and capped
// before anything is allocated: the dimensions come from files and the
// network and are not trusted.
#pragma once

#include <cstdint>

namespace zelvo {

// Largest pixel block a picture may take (a 32-bit process has 2 GB).
constexpr uint64_t kMaxDibImageBytes = 256ull * 1024 * 1024;
// Largest width or height accepted from any picture file.
constexpr uint32_t kMaxDibDimension = 65535;

// Bytes of one row, padded to a multiple of 4.
inline uint64_t DibRowStride(uint64_t width, uint32_t bitCount)
{
    return ((width * bitCount + 31) / 32) * 4;
}

inline uint64_t DibImageBytes(uint64_t width, uint64_t height, uint32_t bitCount)
{
    return height * DibRowStride(width, bitCount);
}

inline bool IsDibBitCount(uint32_t bitCount)
{
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 || bitCount == 32;
}

// Entries of the colour table that a bit count implies (0 for true colour).
inline uint32_t DibColorCount(uint32_t bitCount)
{
    return bitCount <= 8 ? (1u << bitCount) : 0;
}

// True when a picture of these dimensions may be allocated; imageBytes gets
// the pixel block's size.
inline bool DibSizeAllowed(int64_t width, int64_t height, uint32_t bitCount, uint32_t* imageBytes = nullptr)
{
    if (width <= 0 || height <= 0 || width > kMaxDibDimension || height > kMaxDibDimension) return false;
    if (!IsDibBitCount(bitCount)) return false;
    uint64_t bytes = DibImageBytes((uint64_t)width, (uint64_t)height, bitCount);
    if (bytes > kMaxDibImageBytes) return false;
    if (imageBytes) *imageBytes = (uint32_t)bytes;
    return true;
}

} // namespace zelvo
