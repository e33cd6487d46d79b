#include "slidelink/SlideLink.h"
#include "slidelink/SlideReplies.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

using namespace zelvo::slidelink;

namespace {

std::vector<uint8_t> Le32(uint32_t v) { return {(uint8_t)v, (uint8_t)(v >> 8), (uint8_t)(v >> 16), (uint8_t)(v >> 24)}; }

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> out;
    for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

} // namespace

TEST(SlideLinkBodies, OpenSlideFrameForPathAIs14Bytes)
{
    std::vector<uint8_t> frame = Frame(StringCommandBody(kOpenSlide, "a", 0));
    std::vector<uint8_t> expected = {10, 0, 0, 0, 0x14, 0x05, 0, 0, 'a', 0, 0, 0, 0, 0};
    EXPECT_EQ(frame, expected);
    EXPECT_EQ(Frame(CodeOnlyBody(kKeepAlive)), (std::vector<uint8_t>{4, 0, 0, 0, 0x5A, 0x04, 0, 0}));
}

TEST(SlideLinkBodies, TileRequestIs44BytesAndRoundTrips)
{
    TileRect r{-5, 10, 1000, 2000};
    std::vector<uint8_t> body = TileRequestBody(kTilePrefetch, r, 0.25, 0.5);
    ASSERT_EQ(body.size(), 44u);
    for (size_t i = 36; i < 44; ++i) EXPECT_EQ(body[i], 0) << i;
    double sx;
    std::memcpy(&sx, &body[20], 8);
    EXPECT_EQ(sx, 0.25);
    EXPECT_EQ(body[4], 0xFB); // -5 little-endian
    Request req;
    ASSERT_EQ(ParseRequest(body.data(), body.size(), req), ParseResult::kOk);
    EXPECT_EQ(req.code, (uint32_t)kTilePrefetch);
    EXPECT_EQ(req.rect.left, -5);
    EXPECT_EQ(req.rect.bottom, 2000);
    EXPECT_EQ(req.scaleY, 0.5);
}

TEST(SlideLinkRequests, StringCommandsNeedTheirNulAndValueInsideTheBody)
{
    Request req;
    auto media = StringCommandBody(kMediaData, "C:\\m\\v.avi", 2000);
    ASSERT_EQ(ParseRequest(media.data(), media.size(), req), ParseResult::kOk);
    EXPECT_EQ(req.path, "C:\\m\\v.avi");
    EXPECT_EQ(req.value, 2000u);

    // Without the NUL, or with the value cut short, the body is bad.
    auto noNul = Cat({Le32(kOpenSlide), {'a', 'b', 'c', 'd', 'e'}});
    EXPECT_EQ(ParseRequest(noNul.data(), noNul.size(), req), ParseResult::kBadRequest);
    for (size_t cut = 1; cut <= 4; ++cut)
        EXPECT_EQ(ParseRequest(media.data(), media.size() - cut, req), ParseResult::kBadRequest) << cut;
    // Bodies shorter than the code.
    EXPECT_EQ(ParseRequest(media.data(), 3, req), ParseResult::kBadRequest);
    EXPECT_EQ(ParseRequest(nullptr, 0, req), ParseResult::kBadRequest);
}

TEST(SlideLinkRequests, TileRequestsMustBeExactly44BytesAndUnknownCodesAreReported)
{
    Request req;
    auto body = TileRequestBody(kTileRequest, TileRect{0, 0, 1, 1}, 1, 1);
    EXPECT_EQ(ParseRequest(body.data(), 43, req), ParseResult::kBadRequest);
    body.push_back(0);
    EXPECT_EQ(ParseRequest(body.data(), body.size(), req), ParseResult::kBadRequest);
    auto unknown = Cat({Le32(4242), {1, 2, 3}});
    EXPECT_EQ(ParseRequest(unknown.data(), unknown.size(), req), ParseResult::kUnknownCode);
    EXPECT_EQ(req.code, 4242u);
    auto cancel = CodeOnlyBody(kCancel);
    EXPECT_EQ(ParseRequest(cancel.data(), cancel.size(), req), ParseResult::kOk);
}

TEST(SlideLinkReplies, HeaderReplyRoundTripsWithTextsCutToTheirFields)
{
    SlideHeader h;
    h.signature = "ZELVO DIGITAL SLICE";
    h.xPixelsPerMetre = 4000000;
    h.yPixelsPerMetre = 3999999;
    h.tileWidth = 256;
    h.tileHeight = 240;
    h.tileColumns = 157;
    h.tileRows = 118;
    const uint8_t jpeg[] = {0xFF, 0xD8, 1, 2, 0xFF, 0xD9};
    std::string longText(400, 'x');
    auto body = SlideHeaderReplyBody(80, h, "text A", longText, "157x118 and more text", jpeg, sizeof jpeg);
    ASSERT_EQ(body.size(), 4 + kSlideHeaderReplyHeadSize + sizeof jpeg);
    SlideHeaderReply r;
    ASSERT_TRUE(ParseSlideHeaderReply(body.data() + 4, body.size() - 4, r));
    EXPECT_EQ(r.thumbnailFactor, 80);
    EXPECT_EQ(r.header.signature, "ZELVO DIGITAL SLICE");
    EXPECT_EQ(r.header.xPixelsPerMetre, 4000000);
    EXPECT_EQ(r.header.yPixelsPerMetre, 3999999);
    EXPECT_EQ(r.header.tileWidth, 256);
    EXPECT_EQ(r.header.tileHeight, 240);
    EXPECT_EQ(r.header.tileColumns, 157);
    EXPECT_EQ(r.header.tileRows, 118);
    EXPECT_EQ(std::memcmp(r.header.raw, body.data() + 8, 84), 0);
    EXPECT_EQ(r.textA, "text A");
    EXPECT_EQ(r.textB, std::string(255, 'x'));
    EXPECT_EQ(r.matrixText, "157x118 and mor");
    ASSERT_EQ(r.jpegLength, sizeof jpeg);
    EXPECT_EQ(r.jpeg, body.data() + 4 + 648);

    // A text field without any NUL is cut at its size, not read past it.
    std::vector<uint8_t> raw(648, 'y');
    ASSERT_TRUE(ParseSlideHeaderReply(raw.data(), raw.size(), r));
    EXPECT_EQ(r.header.signature, std::string(48, 'y'));
    EXPECT_EQ(r.textA, std::string(256, 'y'));
    EXPECT_EQ(r.matrixText, std::string(16, 'y'));
    EXPECT_EQ(r.jpegLength, 0u);
    EXPECT_FALSE(ParseSlideHeaderReply(raw.data(), 647, r));
}

TEST(SlideLinkReplies, TileAndMarksReplies)
{
    const uint8_t jpeg[] = {9, 8, 7};
    auto body = TileReplyBody(kTilePrefetchReply, TileRect{1, 2, 3, 4}, jpeg, 3);
    ASSERT_EQ(body.size(), 4u + 16 + 3);
    TileRect r;
    const uint8_t* p = nullptr;
    size_t n = 0;
    ASSERT_TRUE(ParseTileReply(body.data() + 4, body.size() - 4, r, p, n));
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.bottom, 4);
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(p[0], 9);
    EXPECT_FALSE(ParseTileReply(body.data() + 4, 15, r, p, n));
    EXPECT_EQ(MarksReplyBody(kGetUserMarks, nullptr, 0), CodeOnlyBody(kGetUserMarks));
}

TEST(SlideLinkReplies, MediaPiecesAreCheckedAgainstTheBytesThere)
{
    const uint8_t data[] = {1, 2, 3, 4, 5};
    auto body = MediaReplyBody("x\\v.avi", 5, data, 5);
    MediaReply m;
    ASSERT_TRUE(ParseMediaReply(body.data() + 4, body.size() - 4, m));
    EXPECT_EQ(m.path, "x\\v.avi");
    EXPECT_EQ(m.count, 5);
    ASSERT_EQ(m.dataLength, 5u);
    EXPECT_EQ(m.data[4], 5);
    // The count says more than is there.
    EXPECT_FALSE(ParseMediaReply(body.data() + 4, body.size() - 5, m));
    // Start and end pieces carry no data.
    auto end = MediaReplyBody("p", -1, nullptr, 0);
    ASSERT_TRUE(ParseMediaReply(end.data() + 4, end.size() - 4, m));
    EXPECT_EQ(m.count, -1);
    EXPECT_EQ(m.dataLength, 0u);
    // Path length beyond the payload, negative path length, missing count.
    std::vector<uint8_t> bad = {10, 0, 'a', 'b'};
    EXPECT_FALSE(ParseMediaReply(bad.data(), bad.size(), m));
    bad = {0xFF, 0xFF, 0, 0};
    EXPECT_FALSE(ParseMediaReply(bad.data(), bad.size(), m));
    bad = {1, 0, 'a', 0};
    EXPECT_FALSE(ParseMediaReply(bad.data(), bad.size(), m));
    // The builder refuses pieces that the i16 fields cannot describe.
    std::vector<uint8_t> big(40000);
    EXPECT_TRUE(MediaReplyBody("p", 7, big.data(), 40000).empty());
    EXPECT_TRUE(MediaReplyBody(std::string(40000, 'p'), 0, nullptr, 0).empty());
}

TEST(SlideLinkFrames, ReaderReassemblesSplitAndJoinedFrames)
{
    auto a = Frame(StringCommandBody(kOpenSlide, "a", 0));
    auto b = Frame(CodeOnlyBody(kCancel));
    auto stream = Cat({a, b, a});
    FrameReader reader;
    // One byte at a time, including the length prefixes.
    for (uint8_t byte : stream) ASSERT_TRUE(reader.Feed(&byte, 1));
    std::vector<uint8_t> body;
    ASSERT_TRUE(reader.Next(body));
    EXPECT_EQ(body, StringCommandBody(kOpenSlide, "a", 0));
    ASSERT_TRUE(reader.Next(body));
    EXPECT_EQ(body, CodeOnlyBody(kCancel));
    ASSERT_TRUE(reader.Next(body));
    EXPECT_FALSE(reader.Next(body));

    FrameReader whole;
    ASSERT_TRUE(whole.Feed(stream.data(), stream.size()));
    EXPECT_EQ(whole.pendingBodies(), 3u);
}

TEST(SlideLinkFrames, ReaderRejectsOversizedAndShortBodies)
{
    auto over = Le32(kMaxBodyLength + 1);
    FrameReader r1;
    EXPECT_FALSE(r1.Feed(over.data(), over.size()));
    EXPECT_TRUE(r1.failed());
    // Once failed, later bytes change nothing.
    auto good = Frame(CodeOnlyBody(kCancel));
    EXPECT_FALSE(r1.Feed(good.data(), good.size()));
    EXPECT_EQ(r1.pendingBodies(), 0u);

    auto shortBody = Cat({Le32(3), {1, 2, 3}});
    FrameReader r2;
    EXPECT_FALSE(r2.Feed(shortBody.data(), shortBody.size()));

    FrameReader small(64);
    auto tooLong = Cat({Le32(65), std::vector<uint8_t>(65, 0)});
    EXPECT_FALSE(small.Feed(tooLong.data(), tooLong.size()));

    // The largest allowed length is accepted and waits for its bytes.
    auto max = Le32(kMaxBodyLength);
    FrameReader r3;
    EXPECT_TRUE(r3.Feed(max.data(), max.size()));
    EXPECT_EQ(r3.pendingBodies(), 0u);
}

namespace {

// Records what the dispatch hands on, one line per call.
class Recorder : public IReplyHandler {
public:
    std::vector<std::string> calls;
    void OnSlideHeader(const SlideHeaderReply& r) override
    {
        calls.push_back("header " + r.header.signature + " " + r.textA + " " + std::to_string(r.jpegLength));
    }
    void OnSlideResumed() override { calls.push_back("resumed"); }
    void OnTileData(uint32_t code, const TileRect& r, const uint8_t*, size_t n) override
    {
        calls.push_back("tile " + std::to_string(code) + " " + std::to_string(r.left) + "," + std::to_string(r.bottom) +
                        " " + std::to_string(n));
    }
    void OnMarkData(uint32_t code, const uint8_t*, size_t n) override
    {
        calls.push_back("marks " + std::to_string(code) + " " + std::to_string(n));
    }
    void OnMediaData(const MediaReply& m) override
    {
        calls.push_back("media " + m.path + " " + std::to_string(m.count));
    }
};

} // namespace

TEST(SlideLinkReplies, EachReplyReachesItsHandlerParsedAndBrokenOnesNone)
{
    SlideHeader h;
    h.signature = "ZELVO VERDALINE";
    const uint8_t jpeg[] = {1, 2, 3};
    const uint8_t piece[] = {7, 7};
    auto shortHeader = SlideHeaderReplyBody(8, h, "A", "B", "M", nullptr, 0);
    shortHeader.resize(4 + 647);
    auto shortTile = TileReplyBody(kTileRequest, TileRect{}, nullptr, 0);
    shortTile.pop_back();
    auto badMedia = Cat({Le32(kMediaData), {9, 0, 'a'}});
    const std::pair<std::vector<uint8_t>, ReplyKind> bodies[] = {
        {SlideHeaderReplyBody(8, h, "A", "B", "M", jpeg, 3), ReplyKind::kHeader},
        {CodeOnlyBody(kResumeSlide), ReplyKind::kResumed},
        {TileReplyBody(kTilePrefetchReply, TileRect{-4, 0, 10, 20}, jpeg, 3), ReplyKind::kRegion},
        {MarksReplyBody(kGetUserMarks, jpeg, 3), ReplyKind::kMarks},
        {MarksReplyBody(kGetMarks, nullptr, 0), ReplyKind::kMarks},
        {MediaReplyBody("m\\v.avi", 2, piece, 2), ReplyKind::kMedia},
        {shortHeader, ReplyKind::kMalformed},
        {shortTile, ReplyKind::kMalformed},
        {badMedia, ReplyKind::kMalformed},
        {{1, 2, 3}, ReplyKind::kMalformed},
        {CodeOnlyBody(kKeepAlive), ReplyKind::kUnknown},
    };
    Recorder rec;
    for (const auto& [body, kind] : bodies) EXPECT_EQ(kind, DispatchReply(body.data(), body.size(), rec));
    const std::vector<std::string> expected = {"header ZELVO VERDALINE A 3", "resumed", "tile 1310 -4,20 3",
                                               "marks 1311 3", "marks 1307 0", "media m\\v.avi 2"};
    EXPECT_EQ(expected, rec.calls);
}

TEST(SlideLinkFrames, ReaderAsksForExactlyTheBytesOfTheFrameInHand)
{
    auto stream = Cat({Frame(CodeOnlyBody(kCancel)), Frame(StringCommandBody(kOpenSlide, "ab", 0))});
    FrameReader reader;
    size_t pos = 0;
    std::vector<size_t> asked;
    std::vector<uint8_t> body;
    int frames = 0;
    while (pos < stream.size()) {
        const size_t n = reader.Wanted();
        asked.push_back(n);
        ASSERT_TRUE(reader.Feed(stream.data() + pos, n));
        pos += n;
        EXPECT_LE(reader.pendingBodies(), 1u);
        if (reader.Next(body)) ++frames;
    }
    EXPECT_EQ(2, frames);
    EXPECT_EQ((std::vector<size_t>{4, 4, 4, 11}), asked);
    reader.Feed(Le32(2).data(), 4);
    EXPECT_EQ(0u, reader.Wanted());
    reader.Reset();
    EXPECT_EQ(4u, reader.Wanted());
    EXPECT_FALSE(reader.failed());
}
