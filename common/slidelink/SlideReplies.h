// The viewer's side of the slide link: every body the slide server sends,
// parsed and handed to the view as a typed reply. The socket only feeds the
// bytes in (FrameReader), so that what runs is the code the fuzzers cover.
#pragma once

#include "slidelink/SlideLink.h"

#include <cstddef>
#include <cstdint>

namespace zelvo {
namespace slidelink {

// What the view is handed. Pointers are lent for the call only.
class IReplyHandler {
public:
    virtual ~IReplyHandler() = default;
    // 1300: the slide header reply (its JPEG is the thumbnail).
    virtual void OnSlideHeader(const SlideHeaderReply& reply) = 0;
    // 1302: the slide was resumed after a reconnection.
    virtual void OnSlideResumed() = 0;
    // 1303 and 1310: a region in display pixels, as sent, and its JPEG.
    virtual void OnTileData(uint32_t code, const TileRect& rect, const uint8_t* jpeg, size_t jpegLength) = 0;
    // 1307 and 1311: annotation data as it came; may be empty.
    virtual void OnMarkData(uint32_t code, const uint8_t* data, size_t length) = 0;
    // 1320: one piece of a media file.
    virtual void OnMediaData(const MediaReply& reply) = 0;
};

enum class ReplyKind { kHeader, kResumed, kRegion, kMarks, kMedia, kMalformed, kUnknown };

// Parses one body (code and payload) and calls the handler when it is a
// well-formed reply; a malformed one (shorter than its fixed part, counts
// beyond the bytes there) or one of an unknown code calls nothing.
ReplyKind DispatchReply(const uint8_t* body, size_t length, IReplyHandler& handler);

} // namespace slidelink
} // namespace zelvo
