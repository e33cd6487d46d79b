#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using testing_support::PumpUntil;

namespace {

class CRecordingSocket : public CAsyncSocket {
public:
    std::string received;
    int connects = 0, connectError = -1, closes = 0, accepts = 0, sends = 0;
    CRecordingSocket* acceptInto = nullptr;

    void OnConnect(int error) override { ++connects; connectError = error; }
    void OnAccept(int) override
    {
        ++accepts;
        if (acceptInto) Accept(*acceptInto);
    }
    void OnReceive(int) override
    {
        char buf[256];
        int n = Receive(buf, sizeof buf);
        if (n > 0) received.append(buf, (size_t)n);
    }
    void OnSend(int) override { ++sends; }
    void OnClose(int) override
    {
        // Whatever is still buffered arrives before the close.
        char buf[256];
        int n;
        while ((n = Receive(buf, sizeof buf)) > 0) received.append(buf, (size_t)n);
        ++closes;
    }
};

UINT ListenOnLoopback(CAsyncSocket& listener)
{
    EXPECT_TRUE(listener.Create(0, SOCK_STREAM, FD_ACCEPT, _T("127.0.0.1")));
    EXPECT_TRUE(listener.Listen());
    CString addr;
    UINT port = 0;
    listener.GetSockName(addr, port);
    return port;
}

} // namespace

TEST(AsyncSocket, LoopbackConnectReadWriteAndClose)
{
    CRecordingSocket listener, server, client;
    listener.acceptInto = &server;
    UINT port = ListenOnLoopback(listener);
    ASSERT_NE(port, 0u);

    ASSERT_TRUE(client.Create());
    BOOL immediate = client.Connect(_T("127.0.0.1"), port);
    EXPECT_TRUE(immediate || CAsyncSocket::GetLastError() == WSAEWOULDBLOCK);
    ASSERT_TRUE(PumpUntil([&] { return client.connects == 1 && listener.accepts == 1; }));
    EXPECT_EQ(client.connectError, 0);
    EXPECT_TRUE(PumpUntil([&] { return client.sends >= 1; }));  // writable once connected

    EXPECT_EQ(client.Send("hello", 5), 5);
    ASSERT_TRUE(PumpUntil([&] { return server.received == "hello"; }));
    EXPECT_EQ(server.Send("world!", 6), 6);
    ASSERT_TRUE(PumpUntil([&] { return client.received == "world!"; }));

    // Re-arming a writable socket brings a fresh write notification.
    int before = client.sends;
    client.AsyncSelect(FD_READ | FD_WRITE | FD_CLOSE);
    EXPECT_TRUE(PumpUntil([&] { return client.sends > before; }));

    client.Close();
    EXPECT_TRUE(PumpUntil([&] { return server.closes == 1; }));
    EXPECT_EQ(client.closes, 0);  // a local close is not reported back to its owner
}

TEST(AsyncSocket, PeerClosingMidStreamDeliversTheRestThenTheClose)
{
    CRecordingSocket listener, server, client;
    listener.acceptInto = &server;
    UINT port = ListenOnLoopback(listener);
    ASSERT_TRUE(client.Create());
    client.Connect(_T("127.0.0.1"), port);
    ASSERT_TRUE(PumpUntil([&] { return client.connects == 1 && server.m_hSocket != INVALID_SOCKET; }));

    std::string big(20000, 'x');
    for (size_t i = 0; i < big.size(); ++i) big[i] = (char)('a' + i % 26);
    int sent = 0;
    while (sent < (int)big.size()) {
        int n = server.Send(big.data() + sent, (int)big.size() - sent);
        if (n > 0) sent += n;
        else PumpUntil([] { return false; }, 10);
    }
    server.Close();
    ASSERT_TRUE(PumpUntil([&] { return client.closes == 1; }));
    EXPECT_EQ(client.received, big);
}

TEST(AsyncSocket, ConnectRefusedIsReportedThroughOnConnect)
{
    CAsyncSocket probe;
    UINT freePort = 0;
    {
        ASSERT_TRUE(probe.Create(0, SOCK_STREAM, 0, _T("127.0.0.1")));
        CString a;
        probe.GetSockName(a, freePort);
        probe.Close();  // nobody listens there now
    }
    CRecordingSocket client;
    ASSERT_TRUE(client.Create());
    client.Connect(_T("127.0.0.1"), freePort);
    ASSERT_TRUE(PumpUntil([&] { return client.connects == 1; }));
    EXPECT_NE(client.connectError, 0);
}

namespace {
// Deletes itself on the first read; the queued notifications that follow
// must find nobody.
class CSelfDeletingSocket : public CAsyncSocket {
public:
    static inline int reads = 0;
    static inline bool deleted = false;
    void OnReceive(int) override
    {
        ++reads;
        delete this;
    }
    ~CSelfDeletingSocket() override { deleted = true; }
};
} // namespace

TEST(AsyncSocket, NotificationsForAClosedSocketAreDropped)
{
    CRecordingSocket listener, server;
    listener.acceptInto = &server;
    UINT port = ListenOnLoopback(listener);
    auto* client = new CSelfDeletingSocket;
    ASSERT_TRUE(client->Create());
    client->Connect(_T("127.0.0.1"), port);
    ASSERT_TRUE(PumpUntil([&] { return server.m_hSocket != INVALID_SOCKET; }));
    server.Send("a", 1);
    ASSERT_TRUE(PumpUntil([&] { return CSelfDeletingSocket::deleted; }));
    server.Send("b", 1);
    server.Close();
    testing_support::PumpFor(300);
    EXPECT_EQ(CSelfDeletingSocket::reads, 1);

    // A new socket that may get the same handle value sees none of the old traffic.
    CRecordingSocket fresh;
    ASSERT_TRUE(fresh.Create());
    testing_support::PumpFor(100);
    EXPECT_EQ(fresh.closes, 0);
    EXPECT_TRUE(fresh.received.empty());
}
