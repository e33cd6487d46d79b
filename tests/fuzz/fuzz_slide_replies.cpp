// Everything the viewer receives from the slide server, as it runs in the
// viewer: a byte stream, cut where the input says, through the frame reader
// taking one frame at a time, and each body through the reply dispatch.
#include "slidelink/SlideReplies.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace zelvo::slidelink;

namespace {

// Every lent pointer must lie inside the body it came from.
class Checker : public IReplyHandler {
public:
    const uint8_t* begin = nullptr;
    const uint8_t* end = nullptr;
    void Within(const uint8_t* p, size_t n) const
    {
        if (n && (p < begin || p + n > end)) __builtin_trap();
    }
    void OnSlideHeader(const SlideHeaderReply& r) override
    {
        Within(r.jpeg, r.jpegLength);
        if (r.textA.size() >= kTextFieldSize + 1 || r.matrixText.size() > kMatrixTextSize) __builtin_trap();
    }
    void OnSlideResumed() override {}
    void OnTileData(uint32_t code, const TileRect&, const uint8_t* jpeg, size_t n) override
    {
        if (code != kTileRequest && code != kTilePrefetchReply) __builtin_trap();
        Within(jpeg, n);
        if (jpeg + n != end) __builtin_trap();
    }
    void OnMarkData(uint32_t, const uint8_t* data, size_t n) override { Within(data, n); }
    void OnMediaData(const MediaReply& m) override
    {
        Within(m.data, m.dataLength);
        if (m.count > 0 && m.dataLength != (size_t)m.count) __builtin_trap();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Checker checker;
    // The whole input as one body.
    checker.begin = data;
    checker.end = data + size;
    DispatchReply(data, size, checker);

    // The input as a stream, fed in pieces no larger than what the reader
    // asks for, as the viewer's socket reads it.
    FrameReader reader(1u << 20);
    size_t pos = 0;
    const size_t chunk = size ? (data[0] % 7) + 1 : 1;
    std::vector<uint8_t> body;
    while (pos < size && !reader.failed()) {
        size_t n = reader.Wanted();
        if (n > chunk) n = chunk;
        if (n > size - pos) n = size - pos;
        reader.Feed(data + pos, n);
        pos += n;
        if (reader.pendingBodies() > 1) __builtin_trap();
        while (reader.Next(body)) {
            checker.begin = body.data();
            checker.end = body.data() + body.size();
            DispatchReply(body.data(), body.size(), checker);
        }
    }
    return 0;
}
