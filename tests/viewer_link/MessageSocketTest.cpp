#include "MessageSocket.h"
#include "TestPeer.h"

#include <gtest/gtest.h>

using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

class CRecordingSocket : public CMessageSocket {
public:
    std::vector<std::string> frames;
    int sent = 0;
    bool connected = false;
    using CMessageSocket::QueueFrame;
    void OnConnect(int error) override { connected = error == 0; }
    void OnFrame(const uint8_t* body, uint32_t length) override { frames.emplace_back((const char*)body, length); }
    void OnFrameSent() override { ++sent; }
};

struct Pair {
    CTestPeer peer;
    CRecordingSocket sock;
    Pair()
    {
        EXPECT_TRUE(sock.CreateStream());
        sock.Connect(_T("127.0.0.1"), peer.Port());
        EXPECT_TRUE(PumpUntil([&] { return sock.connected && peer.Connected(); }));
    }
};

std::string Frame(const std::string& body)
{
    uint32_t n = (uint32_t)body.size();
    return std::string({(char)n, (char)(n >> 8), (char)(n >> 16), (char)(n >> 24)}) + body;
}

} // namespace

TEST(MessageSocket, LengthPrefixSplitOverSeveralReadsIsReassembled)
{
    Pair p;
    std::string f = Frame(std::string("\x14\x05\x00\x00payload", 11));
    for (char ch : f) {
        p.peer.SendRaw(&ch, 1);
        PumpFor(15);
    }
    ASSERT_TRUE(PumpUntil([&] { return p.sock.frames.size() == 1; }));
    EXPECT_EQ(p.sock.frames[0], std::string("\x14\x05\x00\x00payload", 11));
}

TEST(MessageSocket, TwoFramesInOneReadArriveOnSuccessiveNotifications)
{
    Pair p;
    std::string both = Frame("firstbody") + Frame("second");
    // Stop notifications so that both frames sit in the socket together.
    p.sock.AsyncSelect(0);
    p.peer.SendRaw(both.data(), both.size());
    DWORD avail = 0;
    PumpUntil([&] { p.sock.IOCtl(FIONREAD, &avail); return avail == both.size(); });
    ASSERT_EQ(avail, both.size());
    p.sock.OnReceive(0);
    ASSERT_EQ(p.sock.frames.size(), 1u);
    EXPECT_EQ(p.sock.frames[0], "firstbody");
    p.sock.OnReceive(0);  // the platform's next readable notification
    ASSERT_EQ(p.sock.frames.size(), 2u);
    EXPECT_EQ(p.sock.frames[1], "second");
}

TEST(MessageSocket, FramesQueuedWhileTheCurrentQueueDrainsFollowInOrder)
{
    Pair p;
    p.sock.AsyncSelect(FD_READ | FD_CLOSE);  // drive sending by hand
    PumpFor(50);
    p.sock.QueueFrame("AAAA", 4);
    p.sock.QueueFrame("BBBB", 4);
    p.sock.OnSend(0);  // the queues swap; A goes
    p.sock.QueueFrame("CCCC", 4);
    p.sock.OnSend(0);  // B from the current queue
    p.sock.OnSend(0);  // swap again: C
    p.sock.OnSend(0);  // nothing left
    EXPECT_EQ(p.sock.sent, 3);
    ASSERT_TRUE(PumpUntil([&] { return p.peer.Bytes().size() == 24; }));
    EXPECT_EQ(p.peer.Bytes(), Frame("AAAA") + Frame("BBBB") + Frame("CCCC"));

    // An already framed message is copied as its prefix says.
    std::string framed = Frame("DD") + "garbage";
    p.sock.QueueFrame(framed.data(), 0);
    p.sock.OnSend(0);
    ASSERT_TRUE(PumpUntil([&] { return p.peer.Bytes().size() == 30; }));
    EXPECT_EQ(p.peer.Bytes().substr(24), Frame("DD"));
}

TEST(MessageSocket, SendingWithoutASocketQueuesNothingAndCloseEmptiesTheQueues)
{
    CRecordingSocket s;
    EXPECT_FALSE(s.SendFrame("x", 1));
    Pair p;
    p.sock.AsyncSelect(FD_READ | FD_CLOSE);
    p.sock.QueueFrame("lost", 4);
    p.sock.Close();
    EXPECT_EQ(p.sock.m_hSocket, INVALID_SOCKET);
    p.sock.OnSend(0);  // nothing queued any more
    EXPECT_EQ(p.sock.sent, 0);
}

TEST(MessageSocket, SendNowSendsWithoutWaitingForANotification)
{
    Pair p;
    PumpFor(50);
    ASSERT_TRUE(p.sock.SendFrame("abcd", 4));
    p.sock.SendFrame("efgh", 4);
    p.sock.SendNow();
    // Nothing was dispatched in between: both frames left at once.
    DWORD waiting = 0;
    for (int i = 0; i < 50 && waiting < 16; ++i) {
        ::Sleep(2);
        waiting = p.peer.Waiting();
    }
    EXPECT_EQ(16u, waiting);
}
