// The catalogue server in-process on loopback ports, on a small library with
// folders, driven by a plain client.
#include "CatalogueServer.h"
#include "Imaging.h"
#include "PlainClient.h"
#include "catalogue/CatalogNames.h"
#include "catalogue/Discovery.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using namespace zelvo::catalog;
using namespace zelvo::catalogueserver;

namespace {

class CatalogueServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::signal(SIGPIPE, SIG_IGN);
        s_dir = fs::temp_directory_path() / ("catalogueserver-test-" + std::to_string(::getpid()));
        fs::create_directories(s_dir / "Histology" / "Liver");
        fs::create_directories(s_dir / "Histology" / "Kidney");
        fs::create_directories(s_dir / "Empty");
        std::string cmd = std::string(SLIDEGEN_PATH) + " --small --out " + (s_dir / "gen").string() + " >/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        fs::rename(s_dir / "gen" / "small.tif", s_dir / "Histology" / "Liver" / "small.tif");
        fs::rename(s_dir / "gen" / "picture.jpg", s_dir / "Histology" / "Kidney" / "a.b.jpg");
        fs::remove_all(s_dir / "gen");
        std::ofstream(s_dir / "Histology" / "Liver" / "broken.svs") << "not a slide";
        s_library = new zelvo::slideserver::Library;
        std::string error;
        ASSERT_TRUE(s_library->Index(s_dir.string(), error)) << error;
        s_catalogue = new Catalogue(*s_library, CatalogueOptions());
        s_server = new CatalogueServer(*s_catalogue, ServerSettings());
        ASSERT_TRUE(s_server->Listen("127.0.0.1", 0, error)) << error;
        ASSERT_TRUE(s_server->ListenDiscovery(0, error)) << error;
        s_thread = new std::thread([] { s_server->Run(); });
    }
    static void TearDownTestSuite()
    {
        if (s_server) s_server->Stop();
        if (s_thread) s_thread->join();
        delete s_thread;
        delete s_server;
        delete s_catalogue;
        delete s_library;
        std::error_code ec;
        fs::remove_all(s_dir, ec);
    }

    // Replies until `count` of the given type arrived (others are kept too).
    static std::vector<ReceivedReply> Collect(PlainClient& c, int32_t type, size_t count)
    {
        std::vector<ReceivedReply> out;
        size_t seen = 0;
        ReceivedReply r;
        while (seen < count && c.Next(r)) {
            if (r.record.nType == type) ++seen;
            out.push_back(std::move(r));
        }
        return out;
    }

    static inline fs::path s_dir;
    static inline zelvo::slideserver::Library* s_library = nullptr;
    static inline Catalogue* s_catalogue = nullptr;
    static inline CatalogueServer* s_server = nullptr;
    static inline std::thread* s_thread = nullptr;
};

} // namespace

TEST_F(CatalogueServerTest, FoldersAreListedUnderThePrefixWithTheirChildFlag)
{
    PlainClient c("127.0.0.1", s_server->port());
    ASSERT_TRUE(c.connected());
    ASSERT_TRUE(c.Request(kFolderRequest, 0, u""));
    auto root = Collect(c, kTreeEntry, 2);
    ASSERT_EQ(root.size(), 2u);
    EXPECT_EQ(FieldText(root[0].record.szPath), u"D:\\Slides\\Empty");
    EXPECT_EQ(root[0].record.nFlag, 0);
    EXPECT_EQ(FieldText(root[1].record.szPath), u"D:\\Slides\\Histology");
    EXPECT_EQ(root[1].record.nFlag, 1);
    EXPECT_EQ(root[1].record.nItemId, 0);

    ASSERT_TRUE(c.Request(kFolderRequest, 77, u"Histology\\"));
    auto children = Collect(c, kTreeEntry, 2);
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(FieldText(children[0].record.szPath), u"D:\\Slides\\Histology\\Kidney");
    EXPECT_EQ(children[1].record.nItemId, 77);

    // Paths that are not folders of the library get a text, nothing else.
    for (const char16_t* bad : {u"..\\", u"Histology\\..\\..\\", u"/etc\\", u"Nowhere\\"}) {
        ASSERT_TRUE(c.Request(kFolderRequest, 1, bad));
        ReceivedReply r;
        ASSERT_TRUE(c.Next(r));
        EXPECT_EQ(r.record.nType, kText);
    }
}

TEST_F(CatalogueServerTest, ListsCarryThumbnailsMarksAndResumeAfterTheKnownCount)
{
    PlainClient c("127.0.0.1", s_server->port());
    ASSERT_TRUE(c.Request(kListRequest, 5, u"Histology\\Liver\\"));
    auto items = Collect(c, kListItem, 2);
    ASSERT_EQ(items.size(), 2u);
    const CCatalogPacket& broken = items[0].record;
    const CCatalogPacket& small = items[1].record;
    EXPECT_EQ(FieldText(broken.szPath), u"D:\\Slides\\Histology\\Liver\\broken.svs");
    EXPECT_EQ(broken.nFlag, 1);
    EXPECT_EQ(broken.nMarkState, 0);
    EXPECT_EQ(FieldText(small.szPath), u"D:\\Slides\\Histology\\Liver\\small.tif");
    EXPECT_EQ(small.nFlag, 0);
    EXPECT_EQ(small.nMarkState, 1);
    EXPECT_EQ(small.nItemId, 5);
    EXPECT_EQ(small.nDataSize, (int32_t)fs::file_size(s_dir / "Histology" / "Liver" / "small.tif"));
    EXPECT_EQ(FieldText(small.szMatrixSize), u"3000x2200");
    EXPECT_EQ(small.nTotalLen, (int32_t)(kPacketSize + items[1].payload.size()));
    zelvo::slideserver::RgbImage thumb;
    ASSERT_TRUE(zelvo::slideserver::DecodeJpeg(items[1].payload.data(), items[1].payload.size(), thumb));
    EXPECT_EQ(thumb.width, 200);
    EXPECT_EQ(thumb.height, 147);

    // Resent after a reconnect with one item known: only the rest, not flagged as a new list.
    ASSERT_TRUE(c.Request(kListRequest, 5, u"Histology\\Liver\\", 1));
    auto rest = Collect(c, kListItem, 1);
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(FieldText(rest[0].record.szPath), u"D:\\Slides\\Histology\\Liver\\small.tif");
    EXPECT_EQ(rest[0].record.nFlag, 0);
    // Keep-alives are answered in between.
    ASSERT_TRUE(c.Request(kKeepAlive, 0, u""));
    ReceivedReply r;
    ASSERT_TRUE(c.Next(r));
    EXPECT_EQ(r.record.nType, kKeepAliveAnswer);
}

TEST_F(CatalogueServerTest, PreviewsFindSlidesByFullNameOrByTheListTextWithJpg)
{
    PlainClient c("127.0.0.1", s_server->port());
    for (const char16_t* path : {u"Histology\\Kidney\\a.b.jpg", u"Histology\\Kidney\\a.jpg", u"Histology\\Liver\\small.jpg"}) {
        ASSERT_TRUE(c.Request(kPreviewRequest, 0, path));
        ReceivedReply r;
        ASSERT_TRUE(c.Next(r));
        ASSERT_EQ(r.record.nType, kPreviewImage) << Utf16ToUtf8(path);
        EXPECT_EQ(r.record.nDataSize, (int32_t)r.payload.size());
        zelvo::slideserver::RgbImage img;
        ASSERT_TRUE(zelvo::slideserver::DecodeJpeg(r.payload.data(), r.payload.size(), img));
        EXPECT_EQ(std::max(img.width, img.height), 640);
    }
    ASSERT_TRUE(c.Request(kPreviewRequest, 0, u"Histology\\Kidney\\zzz.jpg"));
    ReceivedReply r;
    ASSERT_TRUE(c.Next(r));
    EXPECT_EQ(r.record.nType, kText);
}

TEST_F(CatalogueServerTest, DiscoveryAnswersEightHundredZeroBytesOnly)
{
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(s_server->discoveryPort());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    uint8_t request[kDiscoverySize] = {};
    timeval tv{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::sendto(fd, request, 10, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    uint8_t reply[kDiscoverySize] = {};
    EXPECT_LT(::recv(fd, reply, sizeof reply, 0), 0) << "a short datagram was answered";
    ::sendto(fd, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    ssize_t n = ::recv(fd, reply, sizeof reply, 0);
    ASSERT_GT(n, 0);
    EXPECT_TRUE(IsDiscoveryReply(reply, (size_t)n));
    ::close(fd);
}
