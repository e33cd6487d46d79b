// Everything the slide link parses from the network, on arbitrary bytes.
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
    SlideHeaderReply header;
    if (ParseSlideHeaderReply(data, size, header) && header.jpeg + header.jpegLength != data + size) __builtin_trap();
    TileRect rect;
    const uint8_t* jpeg = nullptr;
    size_t n = 0;
    if (ParseTileReply(data, size, rect, jpeg, n) && n + 16 != size) __builtin_trap();
    MediaReply media;
    if (ParseMediaReply(data, size, media) && media.data + media.dataLength > data + size) __builtin_trap();
    FrameReader frames;
    frames.Feed(data, size);
    std::vector<uint8_t> body;
    while (frames.Next(body)) ParseRequest(body.data(), body.size(), req);
    return 0;
}
