// The image-group file: several JPEG pictures one after another behind a
// small index (count, current index, one offset per picture). All numbers
// little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelvo {
namespace annotation {

struct ImageGroupIndex {
    int32_t count = 0;
    int32_t current = 0;
    std::vector<uint32_t> offsets;  // one per picture, from the start of the file
};

// Bytes of the index in front of the pictures of a group of n.
uint64_t ImageGroupHeaderSize(size_t n);

// The offsets of pictures of the given sizes, written one after another
// behind the index (a picture that could not be read has size 0).
std::vector<uint32_t> ImageGroupOffsets(const std::vector<uint64_t>& sizes);

// The index as it begins the file: count, current index, then per picture
// its offset and a zero word.
std::vector<uint8_t> ImageGroupIndexBytes(int32_t current, const std::vector<uint32_t>& offsets);

// Reads the index from the first bytes of a file of fileLength bytes. Refused
// (false) when the bytes are short, the count is negative or its table does
// not fit the file, or an offset lies inside the index or past the end. A
// current index outside 0 .. count - 1 becomes 0.
bool ReadImageGroupIndex(const uint8_t* data, size_t size, uint64_t fileLength, ImageGroupIndex& out);

// Puts a new current index into the file's first 8 bytes (bytes 4-7 only);
// false, changing nothing, when the stored index is already that one or the
// bytes are short.
bool RewriteImageGroupIndex(uint8_t* head, size_t size, int32_t current);

} // namespace annotation
} // namespace zelvo
