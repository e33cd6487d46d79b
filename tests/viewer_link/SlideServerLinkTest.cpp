// The viewer's slide link against the real slide server, started by the test
// fixture on 127.0.0.1:3030 with a small generated library.
#include "MediaDownloads.h"
#include "SlideLinkSocket.h"
#include "TestSupport.h"
#include "ViewerMessages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <jpeglib.h>
#include <setjmp.h>
#include <sstream>

using testing_support::PumpUntil;
namespace link = zelvo::slidelink;

namespace {

bool JpegSize(const uint8_t* data, size_t n, int& w, int& h)
{
    struct Err {
        jpeg_error_mgr mgr;
        jmp_buf jump;
    } err;
    jpeg_decompress_struct cinfo;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = [](j_common_ptr c) { longjmp(reinterpret_cast<Err*>(c->err)->jump, 1); };
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, const_cast<uint8_t*>(data), (unsigned long)n);
    jpeg_read_header(&cinfo, TRUE);
    w = (int)cinfo.image_width;
    h = (int)cinfo.image_height;
    jpeg_destroy_decompress(&cinfo);
    return true;
}

std::string LibraryPath(const char* relative)
{
    const char* lib = getenv("ZELVO_SLIDE_LIBRARY");
    std::string path = std::string("Z:") + (lib ? lib : "") + "/" + relative;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string LibraryFile(const char* relative)
{
    std::ifstream in(LibraryPath(relative), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class CServerOwner : public ISlideLinkOwner, public CWnd {
public:
    CServerOwner() { CreateEx(0, nullptr, _T("owner"), WS_OVERLAPPEDWINDOW, CRect(0, 0, 10, 10), nullptr, 0); }
    HWND GetLinkWindow() const override { return m_hWnd; }
    void OnSlideHeader(const link::SlideHeaderReply& r) override
    {
        header = r.header;
        thumbnailFactor = r.thumbnailFactor;
        matrixText = r.matrixText;
        thumbnailDecodes = JpegSize(r.jpeg, r.jpegLength, thumbW, thumbH);
        ++headers;
    }
    void OnSlideResumed() override {}
    void OnTileData(uint32_t code, const link::TileRect& r, const uint8_t* jpeg, size_t jpegLength) override
    {
        int w = 0, h = 0;
        EXPECT_TRUE(JpegSize(jpeg, jpegLength, w, h));
        EXPECT_EQ(w, r.right - r.left);
        EXPECT_EQ(h, r.bottom - r.top);
        tileArea += (long long)(r.right - r.left) * (r.bottom - r.top);
        ++tiles;
        lastTileCode = code;
    }
    void OnMarkData(uint32_t code, const uint8_t* p, size_t n) override
    {
        (code == link::kGetMarks ? marks : userMarks).assign((const char*)p, n);
        ++markReplies;
    }
    void OnMediaData(const link::MediaReply& reply) override
    {
        mediaCounts.push_back(reply.count);
        if (reply.count > 0) media.append((const char*)reply.data, reply.dataLength);
        if (reply.count == -1) ++mediaEnds;
        if (!downloads || piecesLeft == 0) return;
        if (piecesLeft > 0) --piecesLeft;
        CString finalPath;
        if (downloads->Take(reply, finalPath)) completed.push_back(finalPath.GetString());
    }
    LRESULT OnLinkConnected(WPARAM, LPARAM) { ++connectedPosts; return 0; }

    link::SlideHeader header;
    int headers = 0, thumbnailFactor = 0, thumbW = 0, thumbH = 0, tiles = 0, markReplies = 0, connectedPosts = 0;
    bool thumbnailDecodes = false;
    std::string matrixText, marks, userMarks, media;
    long long tileArea = 0;
    uint32_t lastTileCode = 0;
    std::vector<int16_t> mediaCounts;
    int mediaEnds = 0;
    // Pieces go on to the viewer's media downloads; with a count, the rest
    // is dropped, as when the link breaks there.
    CMediaDownloads* downloads = nullptr;
    int piecesLeft = -1;
    std::vector<std::string> completed;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CServerOwner, CWnd)
    ON_MESSAGE(WM_LINK_CONNECTED, OnLinkConnected)
END_MESSAGE_MAP()

struct Opened {
    CServerOwner owner;
    CSlideLinkSocket link{&owner};
    Opened()
    {
        EXPECT_TRUE(link.ConnectTo("127.0.0.1", SLIDE_LINK_PORT));
        EXPECT_TRUE(PumpUntil([&] { return owner.connectedPosts == 1; }));
        // The catalogue client names slides by a Windows path with ".jpg" added.
        link.SendCommand(link::kOpenSlide, "D:\\Slides\\Teaching\\small.jpg");
        EXPECT_TRUE(PumpUntil([&] { return owner.headers == 1; }, 10000));
    }
};

} // namespace

TEST(SlideServerLink, OpensADemoSlideAndReceivesItsHeader)
{
    Opened o;
    EXPECT_EQ(o.owner.header.signature, "ZELVO DIGITAL SLICE");
    EXPECT_GT(o.owner.header.xPixelsPerMetre, 0);
    EXPECT_GT(o.owner.header.tileWidth, 0);
    EXPECT_GE(o.owner.header.tileColumns * o.owner.header.tileWidth, 3000);
    EXPECT_GE(o.owner.header.tileRows * o.owner.header.tileHeight, 2200);
    EXPECT_TRUE(o.owner.thumbnailDecodes);
    EXPECT_GT(o.owner.thumbnailFactor, 0);
    EXPECT_NEAR(o.owner.thumbW, o.owner.header.tileColumns * o.owner.header.tileWidth / o.owner.thumbnailFactor, 2);
    char matrix[32];
    snprintf(matrix, sizeof matrix, "%dx%d", o.owner.header.tileColumns, o.owner.header.tileRows);
    EXPECT_EQ(o.owner.matrixText, matrix);
}

TEST(SlideServerLink, RegionsMatchTheirRectanglesAndCoverTheRequest)
{
    Opened o;
    TileRequest req = {{100, 50, 1300, 950}, 0.5, 0.5};
    o.link.SendCommand(link::kTileRequest, req);
    const long long wanted = 1200LL * 900LL;
    ASSERT_TRUE(PumpUntil([&] { return o.owner.tileArea >= wanted; }, 20000));
    testing_support::PumpFor(200);
    EXPECT_EQ(o.owner.tileArea, wanted);  // replies do not overlap
    EXPECT_GE(o.owner.tiles, 1);
    EXPECT_EQ(o.owner.lastTileCode, (uint32_t)link::kTileRequest);

    // A prefetch is answered with the prefetch reply code.
    TileRequest pre = {{0, 0, 64, 64}, 0.25, 0.25};
    o.link.SendCommand(link::kTilePrefetch, pre);
    ASSERT_TRUE(PumpUntil([&] { return o.owner.lastTileCode == (uint32_t)link::kTilePrefetchReply; }, 10000));
}

// The viewer's scale is magnification x screen pixels per metre / slide
// pixels per metre: 2000X on a coarse slide, or its two axes apart on a
// screen or slide of unequal resolutions. Each region comes, and the link stays.
TEST(SlideServerLink, RegionsAtHighMagnificationsAndUnequalScalesAreAnswered)
{
    Opened o;
    const TileRequest requests[] = {{{100000, 80000, 101218, 80974}, 100, 100},
                                    {{3000000, 2000000, 3001218, 2000974}, 2000, 2000},
                                    {{100, 1000, 1318, 1974}, 0.5, 5},
                                    {{2000, 100, 3218, 1074}, 20, 2}};
    long long wanted = 0;
    for (const TileRequest& req : requests) {
        o.link.SendCommand(link::kTileRequest, req);
        wanted += (long long)(req.rect.right - req.rect.left) * (req.rect.bottom - req.rect.top);
    }
    ASSERT_TRUE(PumpUntil([&] { return o.owner.tileArea >= wanted || !o.link.IsConnected(); }, 30000));
    EXPECT_EQ(o.owner.tileArea, wanted);
    EXPECT_TRUE(o.link.IsConnected());
}

// A resume the server refuses (the slide left the library while the link was
// down) leaves the viewer showing the slide: its pans must not close the link.
TEST(SlideServerLink, RegionsForASlideTheServerRefusedLeaveTheLinkUp)
{
    CServerOwner owner;
    CSlideLinkSocket linkSocket(&owner);
    ASSERT_TRUE(linkSocket.ConnectTo("127.0.0.1", SLIDE_LINK_PORT));
    ASSERT_TRUE(PumpUntil([&] { return owner.connectedPosts == 1; }));
    linkSocket.SendCommand(link::kResumeSlide, "D:\\Slides\\Teaching\\gone.jpg");
    ASSERT_TRUE(PumpUntil([&] { return owner.headers == 1; }, 10000));
    EXPECT_EQ(owner.header.signature, "");
    TileRequest pan = {{0, 0, 640, 480}, 0.5, 0.5};
    linkSocket.SendCommand(link::kTileRequest, pan);
    // Answered in order: the open's header shows the link outlived the region request.
    linkSocket.SendCommand(link::kOpenSlide, "D:\\Slides\\Teaching\\small.jpg");
    ASSERT_TRUE(PumpUntil([&] { return owner.headers == 2 || !linkSocket.IsConnected(); }, 10000));
    EXPECT_EQ(owner.header.signature, "ZELVO DIGITAL SLICE");
    EXPECT_TRUE(linkSocket.IsConnected());
}

TEST(SlideServerLink, MarksAndAMediaFileInPieces)
{
    Opened o;
    o.link.SendCommand(link::kGetMarks);
    fw::Sleep(10);
    o.link.SendCommand(link::kGetUserMarks);
    ASSERT_TRUE(PumpUntil([&] { return o.owner.markReplies == 2; }, 10000));
    std::string stored = LibraryFile("small.mrk");
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(o.owner.marks, stored);
    EXPECT_TRUE(o.owner.userMarks.empty());

    std::string file = LibraryFile("media/closeup.jpg");
    ASSERT_GT(file.size(), 40000u);
    o.link.SendCommand(link::kMediaData, "\\\\server\\SliceResource\\closeup.jpg", 0);
    ASSERT_TRUE(PumpUntil([&] { return !o.owner.mediaCounts.empty() && o.owner.mediaCounts.back() == -1; }, 20000));
    EXPECT_EQ(o.owner.mediaCounts.front(), 0);  // the start piece
    EXPECT_GT(o.owner.mediaCounts.size(), 3u);  // the file comes in several pieces
    EXPECT_EQ(o.owner.media, file);

    // Resuming from bytes already held sends only the rest.
    o.owner.media.clear();
    o.owner.mediaCounts.clear();
    o.link.SendCommand(link::kMediaData, "\\\\server\\SliceResource\\closeup.jpg", 40000);
    ASSERT_TRUE(PumpUntil([&] { return !o.owner.mediaCounts.empty() && o.owner.mediaCounts.back() == -1; }, 20000));
    EXPECT_EQ(o.owner.media, file.substr(40000));
}

TEST(SlideServerLink, MediaFilesSharingAPartialNameAndAFileThatShrankArriveWhole)
{
    Opened o;
    CMediaDownloads downloads;
    o.owner.downloads = &downloads;
    const std::string folder = CMediaDownloads::Folder().GetString();
    const char* names[] = {"clip.jpg", "clip.avi", "shrinking.jpg"};
    for (const char* name : names) {
        ::DeleteFileA((folder + name).c_str());
        ::DeleteFileA(CMediaDownloads::PartialPath(name));
    }
    auto ask = [&](const char* name) {
        const CString wire = CString("\\\\server\\SliceResource\\") + name;
        const uint32_t held = downloads.Ask(wire);
        o.link.SendCommand(link::kMediaData, wire, held);
        return held;
    };
    // Asks and lets the first pieces of the answer through: start and data.
    auto breakAfter = [&](const char* name, int pieces) {
        const int ends = o.owner.mediaEnds;
        o.owner.piecesLeft = 1 + pieces;
        ask(name);
        EXPECT_TRUE(PumpUntil([&] { return o.owner.mediaEnds == ends + 1; }, 20000));
        o.owner.piecesLeft = -1;
        EXPECT_EQ(testing_support::ReadFileBytes(CMediaDownloads::PartialPath(name).GetString()).size(),
                  pieces * link::kMaxMediaPiece);
    };
    // Whether the fetched file is the library's (big files are not printed).
    auto whole = [&](const char* name, const std::string& expected) {
        const std::vector<uint8_t> bytes = testing_support::ReadFileBytes(folder + name);
        if (std::string(bytes.begin(), bytes.end()) == expected) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << name << ": " << bytes.size() << " bytes of " << expected.size()
                                             << " that differ";
    };

    // The video breaks off; then both names are asked for, as a layer asks.
    breakAfter("clip.avi", 2);
    EXPECT_EQ(ask("clip.jpg"), 0u);
    EXPECT_EQ(ask("clip.avi"), 2 * link::kMaxMediaPiece);
    ASSERT_TRUE(PumpUntil([&] { return o.owner.completed.size() == 2; }, 20000));
    EXPECT_TRUE(whole("clip.jpg", LibraryFile("media/clip.jpg")));
    EXPECT_TRUE(whole("clip.avi", LibraryFile("media/clip.avi")));

    // The server's file shrinks below what the viewer holds of it.
    std::vector<uint8_t> larger(100000);
    for (size_t i = 0; i < larger.size(); ++i) larger[i] = (uint8_t)(i * 7 + i / 251);
    ASSERT_TRUE(testing_support::WriteFileBytes(LibraryPath("media/shrinking.jpg"), larger));
    breakAfter("shrinking.jpg", 2);
    const std::string smaller(larger.begin() + 5000, larger.begin() + 45000);
    ASSERT_TRUE(testing_support::WriteFileBytes(LibraryPath("media/shrinking.jpg"),
                                                std::vector<uint8_t>(smaller.begin(), smaller.end())));
    EXPECT_EQ(ask("shrinking.jpg"), 2 * link::kMaxMediaPiece);
    ASSERT_TRUE(PumpUntil([&] { return o.owner.completed.size() == 3; }, 20000));
    EXPECT_TRUE(whole("shrinking.jpg", smaller));
    for (const char* name : names) {
        EXPECT_EQ(::GetFileAttributesA(CMediaDownloads::PartialPath(name)), INVALID_FILE_ATTRIBUTES) << name;
        ::DeleteFileA((folder + name).c_str());
    }
    EXPECT_TRUE(downloads.Asked().empty());
}
