#include "SlideLinkSocket.h"
#include "TestPeer.h"
#include "ViewerMessages.h"

#include <gtest/gtest.h>

using testing_support::PumpFor;
using testing_support::PumpUntil;
namespace link = zelvo::slidelink;

namespace {

// Stands in for the slide view: records what the link hands it.
class CTestOwner : public ISlideLinkOwner, public CWnd {
public:
    CTestOwner() { CreateEx(0, nullptr, _T("owner"), WS_OVERLAPPEDWINDOW, CRect(0, 0, 10, 10), nullptr, 0); }
    HWND GetLinkWindow() const override { return m_hWnd; }
    void OnSlideHeader(const link::SlideHeaderReply& r) override
    {
        headers.push_back(r.header.signature + "|" + r.textA + "|" + r.textB + "|" + r.matrixText + "|" +
                          std::to_string(r.thumbnailFactor) + "|" + std::to_string(r.jpegLength));
    }
    void OnSlideResumed() override { ++resumed; }
    void OnTileData(uint32_t, const link::TileRect& rect, const uint8_t* p, size_t n) override
    {
        tiles.emplace_back((const char*)p, n);
        tileLefts.push_back(rect.left);
        if (pumpInsideHandler) PumpFor(200);  // as a modal box would
    }
    void OnMarkData(uint32_t code, const uint8_t*, size_t n) override { marks.push_back(code); }
    void OnMediaData(const link::MediaReply&) override { ++media; }
    LRESULT OnLinkConnected(WPARAM w, LPARAM) { connectedPosts.push_back((void*)w); return 0; }

    std::vector<std::string> headers, tiles;
    std::vector<int32_t> tileLefts;
    std::vector<uint32_t> marks;
    std::vector<void*> connectedPosts;
    int resumed = 0, media = 0;
    bool pumpInsideHandler = false;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTestOwner, CWnd)
    ON_MESSAGE(WM_LINK_CONNECTED, OnLinkConnected)
END_MESSAGE_MAP()

std::vector<uint8_t> HeaderReplyPayload(const char* signature, size_t jpegBytes)
{
    std::vector<uint8_t> p(648 + jpegBytes, 0);
    p[0] = 8;  // thumbnail factor
    memcpy(&p[4], signature, strlen(signature));
    memcpy(&p[88], "A", 1);
    memcpy(&p[344], "B", 1);
    memcpy(&p[600], "40x30", 5);
    return p;
}

struct Connected {
    CTestOwner owner;
    CTestPeer peer;
    CSlideLinkSocket link{&owner};
    Connected()
    {
        EXPECT_TRUE(link.ConnectTo("127.0.0.1", peer.Port()));
        EXPECT_TRUE(PumpUntil([&] { return link.IsConnected() && peer.Connected(); }));
    }
};

} // namespace

TEST(SlideLink, FramesOfTheOpenRequestAndTheRegionRequestAreExact)
{
    Connected c;
    ASSERT_TRUE(PumpUntil([&] { return c.owner.connectedPosts.size() == 1; }));
    EXPECT_EQ(c.owner.connectedPosts[0], (void*)&c.link);  // no pending slide yet: the view is told

    c.link.SendCommand(link::kOpenSlide, "a");
    TileRequest req = {{-5, 10, 300, 200}, 0.5, 0.25};
    c.link.SendCommand(link::kTileRequest, req);
    ASSERT_TRUE(PumpUntil([&] { return c.peer.Bytes().size() >= 14 + 48; }));
    const std::string& b = c.peer.Bytes();
    const char open[14] = {10, 0, 0, 0, 0x14, 0x05, 0, 0, 'a', 0, 0, 0, 0, 0};
    EXPECT_EQ(b.substr(0, 14), std::string(open, 14));
    auto frames = c.peer.Frames();
    ASSERT_EQ(frames.size(), 2u);
    ASSERT_EQ(frames[1].body.size(), 44u);
    EXPECT_EQ(frames[1].code, 1303u);
    int32_t rect[4];
    memcpy(rect, &frames[1].body[4], 16);
    EXPECT_EQ(rect[0], -5);
    EXPECT_EQ(rect[3], 200);
    double sx, sy;
    memcpy(&sx, &frames[1].body[20], 8);
    memcpy(&sy, &frames[1].body[28], 8);
    EXPECT_EQ(sx, 0.5);
    EXPECT_EQ(sy, 0.25);
    EXPECT_EQ(std::string(frames[1].body.begin() + 36, frames[1].body.end()), std::string(8, '\0'));
    EXPECT_EQ(c.link.PendingPath(), "a");
}

TEST(SlideLink, RepliesGoToTheOwnerByCode)
{
    Connected c;
    c.peer.SendFrame(1300, HeaderReplyPayload("ZELVO DIGITAL SLICE", 5));
    c.peer.SendFrame(1300, std::vector<uint8_t>(647, 0));  // shorter than the head: refused
    c.peer.SendFrame(1302);
    c.peer.SendFrame(1303, std::vector<uint8_t>(20, 1));
    c.peer.SendFrame(1310, std::vector<uint8_t>(16, 2));
    c.peer.SendFrame(1307);
    c.peer.SendFrame(1311, {1, 2, 3});
    c.peer.SendFrame(1303, std::vector<uint8_t>(15, 3));  // shorter than its rectangle: refused
    c.peer.SendFrame(1320, {0, 0, 0, 0});
    ASSERT_TRUE(PumpUntil([&] { return c.owner.media == 1; }));
    ASSERT_EQ(c.owner.headers.size(), 1u);
    EXPECT_EQ(c.owner.headers[0], "ZELVO DIGITAL SLICE|A|B|40x30|8|5");
    EXPECT_EQ(c.owner.resumed, 1);
    ASSERT_EQ(c.owner.tiles.size(), 2u);
    EXPECT_EQ(c.owner.tiles[0].size(), 4u);
    EXPECT_EQ(c.owner.tileLefts[0], 0x01010101);
    EXPECT_EQ(c.owner.tiles[1].size(), 0u);
    EXPECT_EQ(c.owner.marks, (std::vector<uint32_t>{1307, 1311}));
}

TEST(SlideLink, UnknownCodesOnlyRefreshTheKeepAliveCounter)
{
    Connected c;
    for (int i = 0; i < 4; ++i) c.link.OnKeepAliveTimer();
    EXPECT_EQ(c.link.KeepAliveCounter(), 1);
    c.peer.SendFrame(4242, {9, 9});
    ASSERT_TRUE(PumpUntil([&] { return c.link.KeepAliveCounter() == 5; }));
    EXPECT_TRUE(c.owner.tiles.empty());
    EXPECT_TRUE(c.link.IsConnected());
}

TEST(SlideLink, SilentServerIsClosedThenReconnectedAndTheSlideResumed)
{
    fw::SetTimerScale(0.01);  // the 500 ms pause before resuming
    Connected c;
    c.link.SendCommand(link::kOpenSlide, "\\\\srv\\s\\liver.jpg");
    c.peer.SendFrame(1300, HeaderReplyPayload("ZELVO VERDALINE", 0));
    ASSERT_TRUE(PumpUntil([&] { return c.owner.headers.size() == 1; }));
    c.peer.ClearBytes();

    for (int tick = 0; tick < 5; ++tick) c.link.OnKeepAliveTimer();
    ASSERT_TRUE(PumpUntil([&] { return c.peer.Frames().size() == 5; }));
    for (const auto& f : c.peer.Frames()) {
        EXPECT_EQ(f.code, 1114u);
        EXPECT_EQ(f.body.size(), 4u);
    }
    c.link.OnKeepAliveTimer();  // sixth tick: the link is closed
    EXPECT_FALSE(c.link.IsConnected());
    EXPECT_EQ(c.link.KeepAliveCounter(), 0);
    ASSERT_TRUE(PumpUntil([&] { return c.peer.PeerClosed(); }));

    c.peer.ClearBytes();
    c.link.OnKeepAliveTimer();  // seventh: reconnect
    ASSERT_TRUE(PumpUntil([&] { return c.peer.Accepted() == 2 && c.peer.Frames().size() == 1; }));
    fw::SetTimerScale(1.0);
    auto frames = c.peer.Frames();
    EXPECT_EQ(frames[0].code, 1302u);
    EXPECT_EQ(std::string((const char*)&frames[0].body[4]), "\\\\srv\\s\\liver.jpg");
    EXPECT_TRUE(c.owner.connectedPosts.empty() || c.owner.connectedPosts.size() == 1);
}

TEST(SlideLink, LinkLostBeforeTheHeaderReopensTheSlide)
{
    Connected c;
    c.link.SendCommand(link::kOpenSlide, "x.jpg");
    ASSERT_TRUE(PumpUntil([&] { return c.peer.Frames().size() == 1; }));
    c.peer.Drop();  // the server goes before answering
    ASSERT_TRUE(PumpUntil([&] { return !c.link.IsConnected(); }));
    EXPECT_EQ(c.link.KeepAliveCounter(), 0);
    c.peer.ClearBytes();
    c.link.OnKeepAliveTimer();  // counter 0, not connected: reconnect at once
    ASSERT_TRUE(PumpUntil([&] { return c.peer.Frames().size() == 1; }));
    EXPECT_EQ(c.peer.Frames()[0].code, 1300u);
}

TEST(SlideLink, CommandsWhileNotConnectedAreDropped)
{
    CTestOwner owner;
    CSlideLinkSocket linkSocket(&owner);
    linkSocket.SendCommand(link::kOpenSlide, "a");
    linkSocket.SendCommand(link::kKeepAlive);
    EXPECT_EQ(linkSocket.PendingPath(), "");
    // Without a server nothing is attempted by the tick.
    linkSocket.OnKeepAliveTimer();
    EXPECT_EQ(linkSocket.m_hSocket, INVALID_SOCKET);
}

// The new server is not asked to resume the old server's slide: the owner is
// told of the connection and opens there the slide it was asked for.
TEST(SlideLink, ANewServerAddressIsConnectedAtOnceAndTheOwnerOpensItsSlideThere)
{
    Connected c;
    c.link.SendCommand(link::kOpenSlide, "\\\\old\\s\\liver.jpg");
    c.peer.SendFrame(1300, HeaderReplyPayload("ZELVO VERDALINE", 0));
    ASSERT_TRUE(PumpUntil([&] { return c.owner.headers.size() == 1; }));
    ASSERT_TRUE(PumpUntil([&] { return c.owner.connectedPosts.size() == 1; }));

    CTestPeer other("127.0.0.2");
    c.link.ConnectOrClose("127.0.0.2", other.Port());
    c.link.SendCommand(link::kOpenSlide, "\\\\new\\s\\kidney.jpg");  // not connected yet: dropped
    EXPECT_EQ(c.link.Host(), "127.0.0.2");
    ASSERT_TRUE(PumpUntil([&] { return other.Accepted() == 1 && c.link.IsConnected(); }));
    ASSERT_TRUE(PumpUntil([&] { return c.peer.PeerClosed(); }));
    ASSERT_TRUE(PumpUntil([&] { return c.owner.connectedPosts.size() == 2; }));
    PumpFor(100);
    EXPECT_TRUE(other.Frames().empty()) << "the old slide was resumed on the new server";
    EXPECT_EQ(c.link.PendingPath(), "");
}

TEST(SlideLink, OversizedOrCodelessBodiesCloseTheLink)
{
    for (uint32_t len : {0u, 3u, 0x7FFFFFFFu}) {
        Connected c;
        uint8_t prefix[8] = {(uint8_t)len, (uint8_t)(len >> 8), (uint8_t)(len >> 16), (uint8_t)(len >> 24), 1, 2, 3, 4};
        c.peer.SendRaw(prefix, sizeof prefix);
        EXPECT_TRUE(PumpUntil([&] { return !c.link.IsConnected(); })) << len;
        EXPECT_EQ(c.link.KeepAliveCounter(), 0);
        EXPECT_TRUE(c.owner.tiles.empty());
    }
}

TEST(SlideLink, AFrameIsDeliveredOnceEvenWhenItsHandlerRunsAModalLoop)
{
    Connected c;
    c.owner.pumpInsideHandler = true;
    c.peer.SendFrame(1303, std::vector<uint8_t>(16, 7));
    c.peer.SendFrame(1303, std::vector<uint8_t>(17, 8));
    ASSERT_TRUE(PumpUntil([&] { return c.owner.tiles.size() >= 2; }));
    PumpFor(300);
    ASSERT_EQ(c.owner.tiles.size(), 2u);
    EXPECT_EQ(c.owner.tiles[0].size(), 0u);
    EXPECT_EQ(c.owner.tiles[1].size(), 1u);
}
