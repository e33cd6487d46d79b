// Finding the catalogue server: the client broadcasts 800 zero bytes to UDP
// 6788 and takes the sender of a reply whose text is "88" as the server.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelvo {
namespace catalog {

constexpr uint16_t kDiscoveryPort = 6788;
constexpr uint16_t kCatalogPort = 3031;
constexpr size_t kDiscoverySize = 800;
constexpr char kDiscoveryAnswer[] = "88";

// The text of the datagram up to its first NUL (or its end) is "88".
bool IsDiscoveryReply(const uint8_t* data, size_t size);
// What the clients send: exactly 800 bytes, all zero.
bool IsDiscoveryRequest(const uint8_t* data, size_t size);

} // namespace catalog
} // namespace zelvo
