// The catalogue link against a scripted server: what it sends first after a
// connect and after a reconnect, replies read across small writes, a
// stream that breaks its framing closing the link, and a connect held
// pending by a full accept queue while requests are queued.
#include "CatalogMessages.h"
#include "CataloguePeer.h"
#include "ClientApp.h"
#include "MySock.h"

#include <gtest/gtest.h>

using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

// Stands in for the main frame: keeps what the link posts.
class CPostRecorder : public CWnd {
public:
    CPostRecorder() { CreateEx(0, nullptr, _T("recorder"), WS_OVERLAPPEDWINDOW, CRect(0, 0, 10, 10), nullptr, 0); }
    ~CPostRecorder() override
    {
        for (auto* e : entries) delete e;
        for (auto* p : previews) delete p;
    }
    LRESULT OnLinkState(WPARAM w, LPARAM) { states.push_back((int)w); return 0; }
    LRESULT OnTreeEntry(WPARAM w, LPARAM) { entries.push_back(reinterpret_cast<CCatalogPacket*>(w)); return 0; }
    LRESULT OnList(WPARAM, LPARAM) { ++lists; return 0; }
    LRESULT OnPreview(WPARAM w, LPARAM) { previews.push_back(reinterpret_cast<CatalogReply*>(w)); return 0; }

    std::vector<int> states;
    std::vector<CCatalogPacket*> entries;
    std::vector<CatalogReply*> previews;
    int lists = 0;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CPostRecorder, CWnd)
    ON_MESSAGE(WM_APP_LINK_STATE, OnLinkState)
    ON_MESSAGE(WM_APP_TREE_ENTRY_ARRIVED, OnTreeEntry)
    ON_MESSAGE(WM_APP_LIST_ARRIVED, OnList)
    ON_MESSAGE(WM_APP_PREVIEW_ARRIVED, OnPreview)
END_MESSAGE_MAP()

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        theApp.m_pMainWnd = &recorder;
        CMySock::ResetFirstConnectForTests();
    }
    void TearDown() override { theApp.m_pMainWnd = nullptr; }

    // Connects to the peer and waits for the connected state.
    void Connect()
    {
        size_t before = recorder.states.size();
        link.ConnectServer(_T("127.0.0.2"), peer.Port());
        ASSERT_TRUE(PumpUntil([&] { return recorder.states.size() > before; }));
        ASSERT_EQ(recorder.states.back(), (int)kLinkStateConnected);
    }
    // Asks for a list, which the server takes, then the server drops the link.
    void ListThenLoseTheServer()
    {
        link.QueueListRequest(5, _T("A\\B\\"));
        link.AsyncSelect(CMySock::kSendEvents);
        ASSERT_TRUE(PumpUntil([&] { return peer.Requests(cat::kListRequest).size() == 1; }));
        peer.Drop();
        ASSERT_TRUE(PumpUntil([&] { return recorder.states.back() == (int)kLinkStateClosed; }));
    }

    CPostRecorder recorder;
    CCataloguePeer peer{_T("127.0.0.2"), 0};
    CMySock link;
};

} // namespace

TEST_F(LinkTest, FirstConnectAsksForTheRootAndAReconnectResendsTheSavedListRequest)
{
    // No attempt at an empty address; a second attempt while one is under way changes nothing.
    link.ConnectServer(_T(""), peer.Port());
    EXPECT_FALSE(link.IsOpen());
    link.ConnectServer(_T("127.0.0.2"), peer.Port());
    link.ConnectServer(_T("127.0.0.2"), peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return !recorder.states.empty(); }));
    EXPECT_EQ(recorder.states, std::vector<int>{(int)kLinkStateConnected});
    ASSERT_TRUE(PumpUntil([&] { return peer.Requests().size() == 1; }));
    EXPECT_EQ(peer.Accepted(), 1);
    EXPECT_EQ(peer.Requests()[0].nType, cat::kFolderRequest);
    EXPECT_EQ(peer.Requests()[0].nItemId, 0);
    EXPECT_FALSE(CMySock::FirstConnectPending());

    // The server goes away: the link says so and drops what it held.
    ListThenLoseTheServer();
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(link.IsConnected());

    link.SetListCountAtReconnect(3);
    Connect();
    ASSERT_TRUE(PumpUntil([&] { return peer.Accepted() == 2 && !peer.Requests().empty(); }));
    const cat::CCatalogPacket first = peer.Requests()[0];
    EXPECT_EQ(first.nType, cat::kListRequest);
    EXPECT_EQ(first.nItemId, 5);
    EXPECT_EQ(cat::FieldText(first.szPath), u"A\\B\\");
    EXPECT_EQ(first.nKnownCount, 3);
}

TEST_F(LinkTest, RepliesWrittenByteByByteArriveWholeAndKeepAlivesResetTheMisses)
{
    Connect();
    link.AddMiss();
    link.AddMiss();
    peer.Send(Reply(cat::kKeepAliveAnswer, 0), {}, 7);
    ASSERT_TRUE(PumpUntil([&] { return link.Misses() == 0; }));

    cat::CCatalogPacket entry = Reply(cat::kTreeEntry, 0, u"D:\\Lib\\A");
    entry.nFlag = 1;
    peer.Send(entry, {}, 1);
    std::vector<uint8_t> thumb(300, 0x5A);
    cat::CCatalogPacket item = Reply(cat::kListItem, 9, u"D:\\Lib\\A\\a.b.jpg");
    item.nTotalLen = (int32_t)(cat::kPacketSize + thumb.size());
    peer.Send(item, thumb, 1);
    std::vector<uint8_t> picture(1000, 0x33);
    cat::CCatalogPacket preview = Reply(cat::kPreviewImage, 0);
    preview.nDataSize = (int32_t)picture.size();
    preview.nTotalLen = (int32_t)(cat::kPacketSize + picture.size());
    peer.Send(preview, picture, 3);

    ASSERT_TRUE(PumpUntil([&] { return !recorder.previews.empty(); }));
    ASSERT_EQ(recorder.entries.size(), 1u);
    EXPECT_EQ(cat::FieldText(recorder.entries[0]->szPath), u"D:\\Lib\\A");
    EXPECT_EQ(recorder.lists, 1);
    ASSERT_EQ(link.ReceivedItemCount(), 1u);
    auto received = link.TakeReceivedItem();
    EXPECT_EQ(received->payload, thumb);
    EXPECT_EQ(recorder.previews[0]->payload, picture);
    EXPECT_TRUE(link.IsConnected());
}

TEST_F(LinkTest, AListItemWithoutAThumbnailClosesTheLinkAndDropsWhatWasReceived)
{
    Connect();
    std::vector<uint8_t> thumb(10, 1);
    cat::CCatalogPacket good = Reply(cat::kListItem, 9, u"D:\\Lib\\x.tif");
    good.nTotalLen = (int32_t)(cat::kPacketSize + thumb.size());
    peer.Send(good, thumb);
    ASSERT_TRUE(PumpUntil([&] { return link.ReceivedItemCount() == 1; }));
    cat::CCatalogPacket bad = Reply(cat::kListItem, 9, u"D:\\Lib\\y.tif");
    bad.nTotalLen = (int32_t)cat::kPacketSize;
    peer.Send(bad, std::vector<uint8_t>(64, 0));
    ASSERT_TRUE(PumpUntil([&] { return recorder.states.back() == (int)kLinkStateClosed; }));
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(link.ReceivedItemCount(), 0u);
}

TEST_F(LinkTest, ReArmingForARequestWhileConnectingKeepsTheConnectOutcome)
{
    Connect();
    ListThenLoseTheServer();

    // The server's accept queue is full: the reconnect waits while a folder
    // is opened, and goes through once the queue drains.
    ASSERT_TRUE(peer.FillAcceptQueue());
    link.SetListCountAtReconnect(3);
    link.ConnectServer(_T("127.0.0.2"), peer.Port());
    PumpFor(200);
    ASSERT_TRUE(link.IsConnecting());
    link.QueueFolderRequest(7, _T("A\\C\\"));
    link.AsyncSelect(CMySock::kSendEvents);
    peer.DrainAcceptQueue();
    ASSERT_TRUE(PumpUntil([&] { return link.IsConnected(); }, 10000));
    EXPECT_EQ(recorder.states.back(), (int)kLinkStateConnected);
    ASSERT_TRUE(PumpUntil([&] { return peer.Accepted() == 2 && peer.Requests().size() >= 2; }));
    std::vector<cat::CCatalogPacket> sent = peer.Requests();
    EXPECT_EQ(sent[0].nType, cat::kListRequest);
    EXPECT_EQ(sent[0].nKnownCount, 3);
    EXPECT_EQ(sent[1].nType, cat::kFolderRequest);
    EXPECT_EQ(sent[1].nItemId, 7);
    link.AddMiss();
    link.QueueKeepAlive();
    link.AsyncSelect(CMySock::kSendEvents);
    EXPECT_TRUE(PumpUntil([&] { return link.Misses() == 0; }));

    // An attempt that fails while a list request waits is reported, so the
    // next attempt is made.
    peer.Drop();
    ASSERT_TRUE(PumpUntil([&] { return recorder.states.back() == (int)kLinkStateClosed; }));
    ASSERT_TRUE(peer.FillAcceptQueue());
    link.ConnectServer(_T("127.0.0.2"), peer.Port());
    PumpFor(200);
    ASSERT_TRUE(link.IsConnecting());
    link.QueueListRequest(5, _T("A\\B\\"));
    link.AsyncSelect(CMySock::kSendEvents);
    peer.StopListening();
    ASSERT_TRUE(PumpUntil([&] { return !link.IsConnecting(); }, 10000));
    EXPECT_EQ(recorder.states.back(), (int)kLinkStateClosed);
    EXPECT_FALSE(link.IsOpen());
    CCataloguePeer restarted{_T("127.0.0.2"), 0};
    link.ConnectServer(_T("127.0.0.2"), restarted.Port());
    ASSERT_TRUE(PumpUntil([&] { return link.IsConnected() && restarted.Requests(cat::kListRequest).size() == 1; }));
}
