// Everything the slide server parses from a viewer, on arbitrary bytes.
#include "slidelink/SlideLink.h"

#include <cstddef>
#include <cstdint>

using namespace zelvo::slidelink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Request req;
    if (ParseRequest(data, size, req) == ParseResult::kOk && (req.code == kTileRequest || req.code == kTilePrefetch)) {
        auto again = TileRequestBody(req.code, req.rect, req.scaleX, req.scaleY);
        if (again.size() != 44) __builtin_trap();
    }
    FrameReader frames(64 * 1024);
    frames.Feed(data, size);
    std::vector<uint8_t> body;
    while (frames.Next(body)) ParseRequest(body.data(), body.size(), req);
    return 0;
}
