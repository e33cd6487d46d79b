#include "catalogue/CatalogNames.h"
#include "catalogue/CatalogStream.h"

#include <gtest/gtest.h>

#include <vector>

using namespace zelvo::catalog;

namespace {

std::vector<uint8_t> Bytes(const CCatalogPacket& p, const std::vector<uint8_t>& payload = {})
{
    std::vector<uint8_t> out(kPacketSize);
    EncodePacket(p, out.data());
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

CCatalogPacket Reply(int32_t type, int32_t item = 7)
{
    CCatalogPacket p = MakeRequest(type, item);
    return p;
}

CCatalogPacket ListItem(int32_t item, size_t thumbnail)
{
    CCatalogPacket p = Reply(kListItem, item);
    p.nTotalLen = (int32_t)(kPacketSize + thumbnail);
    SetFieldText(p.szPath, u"D:\\Lib\\A\\he.tif");
    return p;
}

CCatalogPacket Preview(size_t bytes)
{
    CCatalogPacket p = Reply(kPreviewImage, 0);
    p.nDataSize = (int32_t)bytes;
    p.nTotalLen = (int32_t)(kPacketSize + bytes);
    return p;
}

struct Recorder : ICatalogReplyHandler {
    int keepAlives = 0, texts = 0;
    std::vector<CCatalogPacket> entries;
    std::vector<std::unique_ptr<CatalogReply>> items, previews;
    void OnKeepAliveAnswer() override { ++keepAlives; }
    void OnTreeEntry(const CCatalogPacket& e) override { entries.push_back(e); }
    void OnListItem(std::unique_ptr<CatalogReply> r) override { items.push_back(std::move(r)); }
    void OnPreview(std::unique_ptr<CatalogReply> r) override { previews.push_back(std::move(r)); }
    void OnText(const CCatalogPacket&) override { ++texts; }
};

} // namespace

TEST(CatalogPacket, LayoutIsLittleEndianAtTheFixedOffsets)
{
    CCatalogPacket p = MakeRequest(kListRequest, 0x01020304);
    SetFieldText(p.szPath, u"A\\");
    p.nFlag = -3;
    p.nDataSize = 0x11223344;
    p.szMatrixSize[0] = u'M';
    p.szScanSize[0] = u'S';
    p.nMarkState = 5;
    p.nKnownCount = 9;
    std::vector<uint8_t> b = Bytes(p);
    ASSERT_EQ(b.size(), 1668u);
    EXPECT_EQ(b[0], 0x04);
    EXPECT_EQ(b[3], 0x01);
    EXPECT_EQ(b[4] | (b[5] << 8), 1668);
    EXPECT_EQ(b[8], 3);
    EXPECT_EQ(b[12], 'A');
    EXPECT_EQ(b[14], '\\');
    EXPECT_EQ(b[1556], 0xFD);
    EXPECT_EQ(b[1560], 0x44);
    EXPECT_EQ(b[1564], 'M');
    EXPECT_EQ(b[1596], 'S');
    EXPECT_EQ(b[1660], 5);
    EXPECT_EQ(b[1664], 9);
    CCatalogPacket back;
    DecodePacket(b.data(), back);
    EXPECT_EQ(FieldText(back.szPath), u"A\\");
    EXPECT_EQ(back.nItemId, 0x01020304);
    EXPECT_EQ(back.nDataSize, 0x11223344);
    EXPECT_EQ(back.nKnownCount, 9);
}

TEST(CatalogPacket, EveryTextFieldEndsInNulWhateverTheBytesSay)
{
    std::vector<uint8_t> b(kPacketSize, 'x');
    CCatalogPacket p;
    DecodePacket(b.data(), p);
    EXPECT_EQ(FieldText(p.szPath).size(), kPathUnits - 1);
    EXPECT_EQ(FieldText(p.szInfoName).size(), kInfoUnits - 1);
    EXPECT_EQ(FieldText(p.szInfoValue).size(), kInfoUnits - 1);
    EXPECT_EQ(FieldText(p.szMatrixSize).size(), kMatrixUnits - 1);
    EXPECT_EQ(FieldText(p.szScanSize).size(), kScanUnits - 1);
    EXPECT_FALSE(SetFieldText(p.szMatrixSize, std::u16string(16, u'9')));
    EXPECT_TRUE(FieldText(p.szMatrixSize).empty());
}

TEST(CatalogReader, RepliesSplitIntoOneByteWritesArriveWholeAndOnce)
{
    std::vector<uint8_t> thumb(3000);
    for (size_t i = 0; i < thumb.size(); ++i) thumb[i] = (uint8_t)i;
    std::vector<uint8_t> preview(5, 0xAB);
    std::vector<uint8_t> stream;
    for (const auto& part : {Bytes(Reply(kKeepAliveAnswer)), Bytes(Reply(kTreeEntry, 11)), Bytes(Reply(kText)),
                             Bytes(ListItem(7, thumb.size()), thumb), Bytes(Preview(preview.size()), preview)})
        stream.insert(stream.end(), part.begin(), part.end());
    CatalogReader reader;
    Recorder r;
    for (uint8_t b : stream) {
        ASSERT_GE(reader.SpaceSize(), 1u);
        *reader.Space() = b;
        ASSERT_TRUE(reader.Commit(1, r));
    }
    EXPECT_EQ(r.keepAlives, 1);
    EXPECT_EQ(r.texts, 1);
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_EQ(r.entries[0].nItemId, 11);
    ASSERT_EQ(r.items.size(), 1u);
    EXPECT_EQ(r.items[0]->payload, thumb);
    EXPECT_EQ(FieldText(r.items[0]->record.szPath), u"D:\\Lib\\A\\he.tif");
    ASSERT_EQ(r.previews.size(), 1u);
    EXPECT_EQ(r.previews[0]->payload, preview);
    EXPECT_FALSE(reader.inPayload());
    EXPECT_EQ(reader.SpaceSize(), kPacketSize);
}

TEST(CatalogReader, LengthsOutsideTheBoundsAndUnknownKindsFaultTheStream)
{
    struct Case {
        CCatalogPacket p;
        ReadFault fault;
    };
    CCatalogPacket noThumb = ListItem(1, 0);
    CCatalogPacket hugeThumb = ListItem(1, (size_t)kMaxThumbnailBytes + 1);
    CCatalogPacket negativeTotal = ListItem(1, 0);
    negativeTotal.nTotalLen = -5;
    CCatalogPacket emptyPreview = Preview(0);
    CCatalogPacket hugePreview = Preview((size_t)kMaxPreviewBytes + 1);
    CCatalogPacket shortTotal = Preview(100);
    shortTotal.nTotalLen = (int32_t)kPacketSize + 99;
    CCatalogPacket request = Reply(kListRequest);
    CCatalogPacket strange = Reply(-6);
    for (const Case& c : {Case{noThumb, ReadFault::listLength}, Case{hugeThumb, ReadFault::listLength},
                          Case{negativeTotal, ReadFault::listLength}, Case{emptyPreview, ReadFault::previewLength},
                          Case{hugePreview, ReadFault::previewLength}, Case{shortTotal, ReadFault::previewLength},
                          Case{request, ReadFault::unknownType}, Case{strange, ReadFault::unknownType}}) {
        CatalogReader reader;
        Recorder r;
        std::vector<uint8_t> b = Bytes(c.p);
        b.resize(b.size() + 64);  // whatever follows is not read
        EXPECT_FALSE(reader.Feed(b.data(), b.size(), r));
        EXPECT_EQ(reader.fault(), c.fault) << c.p.nType;
        EXPECT_FALSE(reader.Commit(1, r));
        EXPECT_TRUE(r.items.empty() && r.previews.empty());
        reader.Reset();
        EXPECT_EQ(reader.fault(), ReadFault::none);
    }
    // The largest picture still allowed is read.
    CatalogReader reader;
    Recorder r;
    auto b = Bytes(Preview(kMaxPreviewBytes), std::vector<uint8_t>((size_t)kMaxPreviewBytes));
    EXPECT_TRUE(reader.Feed(b.data(), b.size(), r));
    EXPECT_EQ(r.previews.size(), 1u);
}

TEST(CatalogSendQueue, PriorityAfterEachRecordAndReplacementOfWaitingRequests)
{
    CatalogSendQueue q;
    // Idle: the first request becomes current at once.
    EXPECT_TRUE(q.Queue(RequestKind::list, MakeRequest(kListRequest, 1)));
    ASSERT_TRUE(q.sending());
    EXPECT_EQ(q.current().nItemId, 1);
    // Waiting behind it: a newer list and preview request replaces the older;
    // a second keep-alive is not kept; folder requests wait in turn.
    q.Queue(RequestKind::list, MakeRequest(kListRequest, 2));
    q.Queue(RequestKind::list, MakeRequest(kListRequest, 3));
    q.Queue(RequestKind::preview, MakeRequest(kPreviewRequest, 4));
    q.Queue(RequestKind::preview, MakeRequest(kPreviewRequest, 5));
    q.Queue(RequestKind::folder, MakeRequest(kFolderRequest, 6));
    q.Queue(RequestKind::folder, MakeRequest(kFolderRequest, 7));
    EXPECT_TRUE(q.Queue(RequestKind::keepAlive, MakeRequest(kKeepAlive, 8)));
    EXPECT_FALSE(q.Queue(RequestKind::keepAlive, MakeRequest(kKeepAlive, 9)));
    EXPECT_EQ(q.waiting(RequestKind::list), 1u);
    EXPECT_EQ(q.current().nItemId, 1);

    // Partial sends keep the record current.
    size_t n = 0;
    const uint8_t* p = q.Unsent(n);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(n, kPacketSize);
    q.Sent(1000);
    q.Unsent(n);
    EXPECT_EQ(n, kPacketSize - 1000);
    EXPECT_EQ(q.current().nItemId, 1);

    std::vector<int32_t> order;
    while (q.sending()) {
        q.Unsent(n);
        q.Sent(n);
        if (q.sending()) order.push_back(q.current().nItemId);
    }
    EXPECT_EQ(order, (std::vector<int32_t>{8, 6, 7, 5, 3}));
}

namespace {

// What the queue sends from now on, in order, until it is empty.
std::vector<CCatalogPacket> SendAll(CatalogSendQueue& q)
{
    std::vector<CCatalogPacket> out;
    for (int i = 0; i < 10000 && q.sending(); ++i) {
        size_t n = 0;
        const uint8_t* bytes = q.Unsent(n);
        CCatalogPacket p;
        DecodePacket(bytes, p);
        out.push_back(p);
        q.Sent(n);
    }
    return out;
}

std::vector<std::pair<int32_t, int32_t>> TypesAndItems(const std::vector<CCatalogPacket>& sent)
{
    std::vector<std::pair<int32_t, int32_t>> out;
    for (const CCatalogPacket& p : sent) out.emplace_back(p.nType, p.nItemId);
    return out;
}

} // namespace

TEST(CatalogSendQueue, AfterAReconnectTheSavedRequestGoesFirstAndNoFolderRequestIsLost)
{
    using Sent = std::vector<std::pair<int32_t, int32_t>>;
    CatalogSendQueue q;
    // The root's folders and folder 3's, both sent; folder 4's half sent and
    // 5's waiting when the link closes.
    q.Queue(RequestKind::folder, MakeRequest(kFolderRequest, 0));
    q.Queue(RequestKind::folder, MakeRequest(kFolderRequest, 3));
    SendAll(q);
    q.Queue(RequestKind::folder, MakeRequest(kFolderRequest, 4));
    q.Queue(RequestKind::folder, MakeRequest(kFolderRequest, 5));
    q.Sent(100);
    q.Clear();
    EXPECT_FALSE(q.sending());
    EXPECT_EQ(q.waiting(RequestKind::folder), 0u);
    // Opened while the link is down; a list and a folder request made while
    // the new connection is under way.
    q.Remember(MakeRequest(kFolderRequest, 6));
    q.Queue(RequestKind::list, MakeRequest(kListRequest, 7));
    q.Queue(RequestKind::folder, MakeRequest(kFolderRequest, 8));

    CCatalogPacket saved = MakeRequest(kListRequest, 7);
    saved.nKnownCount = 17;
    q.Reconnect(saved);
    const std::vector<CCatalogPacket> sent = SendAll(q);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0].nKnownCount, 17);
    // Every folder once, the list once.
    EXPECT_EQ(TypesAndItems(sent), (Sent{{kListRequest, 7}, {kFolderRequest, 8}, {kFolderRequest, 0},
                                         {kFolderRequest, 3}, {kFolderRequest, 4}, {kFolderRequest, 5},
                                         {kFolderRequest, 6}}));

    // The same again at the next reconnect; after Forget (the disconnect
    // command) only the saved request.
    q.Clear();
    q.Reconnect(MakeRequest(kFolderRequest, 0));
    EXPECT_EQ(SendAll(q).size(), 6u);
    q.Forget();
    q.Reconnect(MakeRequest(kFolderRequest, 0));
    EXPECT_EQ(TypesAndItems(SendAll(q)), (Sent{{kFolderRequest, 0}}));
}

TEST(CatalogSendQueue, FolderRequestsAreBoundedAndAskedOnceWhileWaiting)
{
    CatalogSendQueue q;
    q.Queue(RequestKind::keepAlive, MakeRequest(kKeepAlive));
    EXPECT_TRUE(q.Queue(RequestKind::folder, MakeRequest(kFolderRequest, 1)));
    EXPECT_FALSE(q.Queue(RequestKind::folder, MakeRequest(kFolderRequest, 1)));
    for (size_t i = 1; i < CatalogSendQueue::kMaxWaitingFolders; ++i)
        EXPECT_TRUE(q.Queue(RequestKind::folder, MakeRequest(kFolderRequest, 10 + (int32_t)i)));
    EXPECT_FALSE(q.Queue(RequestKind::folder, MakeRequest(kFolderRequest, -1)));
    EXPECT_EQ(q.askedFolders().size(), CatalogSendQueue::kMaxWaitingFolders);
}
