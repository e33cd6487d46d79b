// The record of the catalogue link: 1668 bytes in both directions, the same
// layout for requests and replies. Decoded into a typed record with every
// text field ending in NUL, whatever the bytes said.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zelvo {
namespace catalog {

constexpr size_t kPacketSize = 1668;
constexpr size_t kPathUnits = 260;
constexpr size_t kInfoUnits = 256;
constexpr size_t kMatrixUnits = 16;
constexpr size_t kScanUnits = 32;

// Byte offsets of the fields.
constexpr size_t kOffItemId = 0;
constexpr size_t kOffTotalLen = 4;
constexpr size_t kOffType = 8;
constexpr size_t kOffPath = 12;
constexpr size_t kOffInfoName = kOffPath + 2 * kPathUnits;          // 532
constexpr size_t kOffInfoValue = kOffInfoName + 2 * kInfoUnits;     // 1044
constexpr size_t kOffFlag = kOffInfoValue + 2 * kInfoUnits;         // 1556
constexpr size_t kOffDataSize = kOffFlag + 4;                       // 1560
constexpr size_t kOffMatrixSize = kOffDataSize + 4;                 // 1564
constexpr size_t kOffScanSize = kOffMatrixSize + 2 * kMatrixUnits;  // 1596
constexpr size_t kOffMarkState = kOffScanSize + 2 * kScanUnits;     // 1660
constexpr size_t kOffKnownCount = kOffMarkState + 4;                // 1664
static_assert(kOffKnownCount + 4 == kPacketSize, "the record is 1668 bytes");

// Message kinds: requests are positive, replies negative.
enum PacketType : int32_t {
    kKeepAlive = 1,
    kFolderRequest = 2,
    kListRequest = 3,
    kPreviewRequest = 5,
    kKeepAliveAnswer = -1,
    kTreeEntry = -2,
    kListItem = -3,
    kText = -4,
    kPreviewImage = -5,
};

// Replies above these sizes are not pictures anybody sends: a stream that
// carries one has lost its framing.
constexpr int32_t kMaxThumbnailBytes = 4 * 1024 * 1024;
constexpr int32_t kMaxPreviewBytes = 32 * 1024 * 1024;

struct CCatalogPacket {
    int32_t nItemId = 0;
    int32_t nTotalLen = 0;
    int32_t nType = 0;
    char16_t szPath[kPathUnits] = {};
    char16_t szInfoName[kInfoUnits] = {};
    char16_t szInfoValue[kInfoUnits] = {};
    int32_t nFlag = 0;
    int32_t nDataSize = 0;
    char16_t szMatrixSize[kMatrixUnits] = {};
    char16_t szScanSize[kScanUnits] = {};
    int32_t nMarkState = 0;
    int32_t nKnownCount = 0;
};

// A request of a kind: zero record with its type and length 1668.
CCatalogPacket MakeRequest(int32_t type, int32_t itemId = 0);

// Writes kPacketSize bytes, little-endian.
void EncodePacket(const CCatalogPacket& p, uint8_t* out);
// Reads kPacketSize bytes; every text field is cut at its last unit so that it
// ends in NUL.
void DecodePacket(const uint8_t* in, CCatalogPacket& p);

// The text of a field up to its NUL (never beyond the field).
template <size_t N> std::u16string FieldText(const char16_t (&field)[N])
{
    size_t n = 0;
    while (n < N && field[n]) ++n;
    return std::u16string(field, n);
}
// Stores a text with its NUL; false (the field then empty) when it does not fit.
template <size_t N> bool SetFieldText(char16_t (&field)[N], const std::u16string& text)
{
    for (auto& c : field) c = 0;
    if (text.size() >= N) return false;
    for (size_t i = 0; i < text.size(); ++i) field[i] = text[i];
    return true;
}

} // namespace catalog
} // namespace zelvo
