#include "classroom/InputMapping.h"

#include <cmath>

namespace zelvo {
namespace classroom {

int32_t MouseFlagsForMessage(uint32_t message)
{
    switch (message) {
    case 0x0200: return kMouseAbsolute | 0x0001;  // move
    case 0x0201: return kMouseAbsolute | 0x0002;  // left down
    case 0x0202: return kMouseAbsolute | 0x0004;  // left up
    case 0x0204: return kMouseAbsolute | 0x0008;  // right down
    case 0x0205: return kMouseAbsolute | 0x0010;  // right up
    default: return kMouseAbsolute;
    }
}

int32_t AbsoluteCoordinate(int32_t pos, int32_t screenSize)
{
    if (screenSize <= 1) return 0;
    const double v = std::trunc(65535.0 / (screenSize - 1) * pos);
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return (int32_t)v;
}

KeyReplay KeyReplayFor(const KeyRecord& r)
{
    const uint32_t flags = (uint32_t)r.flags;
    KeyReplay k;
    k.vk = (uint8_t)(r.vk & 0xFF);
    k.scan = (uint8_t)((flags >> 16) & 0xFF);
    if (flags & 0x80000000u) k.flags |= 2;
    if (flags & 0x01000000u) k.flags |= 1;
    return k;
}

} // namespace classroom
} // namespace zelvo
