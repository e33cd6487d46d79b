// The arithmetic of input that crosses the classroom channel: what the hook
// library records of a mouse message, and how a key record is replayed.
#pragma once

#include "classroom/Datagram.h"

#include <cstdint>

namespace zelvo {
namespace classroom {

constexpr int32_t kMouseAbsolute = 0x8000;

// mouse_event flags of a mouse message, always with the absolute flag: moves,
// left and right presses and releases; any other message gives the flag alone.
int32_t MouseFlagsForMessage(uint32_t message);
// A screen coordinate on mouse_event's 0..65535 scale:
// trunc(65535.0 / (screenSize - 1) * pos). A screen of one pixel or none maps
// everything to 0; results are kept within int32.
int32_t AbsoluteCoordinate(int32_t pos, int32_t screenSize);

// The arguments of keybd_event for a key record: the virtual key is its low
// byte, the scan code bits 16-23, key-up (2) from bit 31, extended (1) from bit 24.
struct KeyReplay {
    uint8_t vk = 0;
    uint8_t scan = 0;
    uint32_t flags = 0;
};
KeyReplay KeyReplayFor(const KeyRecord& r);

} // namespace classroom
} // namespace zelvo
