#include "slidelink/SlideReplies.h"

#include "bytes/ByteReader.h"

namespace zelvo {
namespace slidelink {

ReplyKind DispatchReply(const uint8_t* body, size_t length, IReplyHandler& handler)
{
    if (!body || length < 4) return ReplyKind::kMalformed;
    ByteReader r(body, length);
    const uint32_t code = r.u32();
    const uint8_t* payload = r.current();
    const size_t n = r.remaining();
    switch (code) {
    case kOpenSlide: {
        SlideHeaderReply reply;
        if (!ParseSlideHeaderReply(payload, n, reply)) return ReplyKind::kMalformed;
        handler.OnSlideHeader(reply);
        return ReplyKind::kHeader;
    }
    case kResumeSlide:
        handler.OnSlideResumed();
        return ReplyKind::kResumed;
    case kTileRequest:
    case kTilePrefetchReply: {
        TileRect rect;
        const uint8_t* jpeg = nullptr;
        size_t jpegLength = 0;
        if (!ParseTileReply(payload, n, rect, jpeg, jpegLength)) return ReplyKind::kMalformed;
        handler.OnTileData(code, rect, jpeg, jpegLength);
        return ReplyKind::kRegion;
    }
    case kGetMarks:
    case kGetUserMarks:
        handler.OnMarkData(code, payload, n);
        return ReplyKind::kMarks;
    case kMediaData: {
        MediaReply reply;
        if (!ParseMediaReply(payload, n, reply)) return ReplyKind::kMalformed;
        handler.OnMediaData(reply);
        return ReplyKind::kMedia;
    }
    default:
        return ReplyKind::kUnknown;
    }
}

} // namespace slidelink
} // namespace zelvo
