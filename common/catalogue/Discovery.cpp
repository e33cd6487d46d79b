#include "Discovery.h"

namespace zelvo {
namespace catalog {

bool IsDiscoveryReply(const uint8_t* data, size_t size)
{
    if (!data) return false;
    size_t n = 0;
    while (n < size && data[n]) ++n;
    return n == 2 && data[0] == '8' && data[1] == '8';
}

bool IsDiscoveryRequest(const uint8_t* data, size_t size)
{
    if (!data || size != kDiscoverySize) return false;
    for (size_t i = 0; i < size; ++i)
        if (data[i]) return false;
    return true;
}

} // namespace catalog
} // namespace zelvo
