// The 136-byte attribute block that begins every object record of the
// annotation and measurement files, kept as its bytes so that a record read
// and written again is the same to the byte. The accessors decode the fields
// a reader has to check or an object has to place; the Windows side copies the
// bytes into its DrawAttributes, whose layout is the same.
#pragma once

#include "bytes/ByteReader.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace zelvo {
namespace annotation {

class AttributeBlock {
public:
    static constexpr size_t kSize = 136;
    // Byte offsets of the fields inside the block.
    static constexpr size_t kAnchor = 0, kBox = 8, kSecondAxis = 24, kFont = 40, kBkMode = 100, kBlink = 104,
                            kTextColor = 120, kTextBkColor = 124, kFillColor = 128, kBorderColor = 132;

    const std::array<uint8_t, kSize>& bytes() const { return m_bytes; }
    std::array<uint8_t, kSize>& bytes() { return m_bytes; }

    int32_t Int(size_t offset) const
    {
        return (int32_t)((uint32_t)m_bytes[offset] | ((uint32_t)m_bytes[offset + 1] << 8) |
                         ((uint32_t)m_bytes[offset + 2] << 16) | ((uint32_t)m_bytes[offset + 3] << 24));
    }
    void SetInt(size_t offset, int32_t v)
    {
        for (int i = 0; i < 4; ++i) m_bytes[offset + i] = (uint8_t)((uint32_t)v >> (8 * i));
    }
    int32_t anchorX() const { return Int(kAnchor); }
    int32_t anchorY() const { return Int(kAnchor + 4); }
    // i: 0 left, 1 top, 2 right, 3 bottom.
    int32_t box(int i) const { return Int(kBox + 4 * (size_t)i); }
    int32_t blink() const { return Int(kBlink); }

    bool Read(ByteReader& in) { return in.read(m_bytes.data(), kSize); }
    void Write(ByteWriter& out) const { out.bytes(m_bytes.data(), kSize); }

private:
    std::array<uint8_t, kSize> m_bytes{};
};

} // namespace annotation
} // namespace zelvo
