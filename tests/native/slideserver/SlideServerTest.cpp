// The slide server in-process on a loopback port, driven by a plain client.
#include "Imaging.h"
#include "Library.h"
#include "Network.h"
#include "Server.h"
#include "slidelink/SlideLink.h"

#include <gtest/gtest.h>
#include <openslide.h>
#include <tiffio.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <thread>

namespace fs = std::filesystem;
using namespace zelvo::slidelink;
using namespace zelvo::slideserver;

namespace {

const char* kSlidePath = "D:\\slides\\demo\\small.jpg"; // as the catalogue client builds it

struct Reply {
    uint32_t code = 0;
    std::vector<uint8_t> payload;
};

class Client {
public:
    explicit Client(uint16_t port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~Client() { ::close(m_fd); }
    bool connected() const { return m_connected; }

    void SendRaw(const std::vector<uint8_t>& bytes)
    {
        size_t sent = 0;
        while (sent < bytes.size()) {
            ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += (size_t)n;
        }
    }
    void Send(const std::vector<uint8_t>& body) { SendRaw(Frame(body)); }

    // The next frame, or false on timeout or when the server closed.
    bool Receive(Reply& out, int timeoutMs = 10000)
    {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        std::vector<uint8_t> body;
        while (!m_reader.Next(body)) {
            int left = (int)std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()).count();
            if (left <= 0 || m_closed) return false;
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, left) <= 0) return false;
            uint8_t buf[65536];
            ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
            if (n <= 0) {
                m_closed = true;
                return false;
            }
            if (!m_reader.Feed(buf, (size_t)n)) return false;
        }
        if (body.size() < 4) return false;
        out.code = body[0] | (body[1] << 8) | (body[2] << 16) | ((uint32_t)body[3] << 24);
        out.payload.assign(body.begin() + 4, body.end());
        return true;
    }
    // True when the server closes the connection within the time.
    bool ClosedByServer(int timeoutMs = 10000)
    {
        Reply r;
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < until) {
            if (!Receive(r, 200) && m_closed) return true;
        }
        return false;
    }

private:
    int m_fd = -1;
    bool m_connected = false;
    bool m_closed = false;
    FrameReader m_reader;
};

struct Tile {
    TileRect rect;
    RgbImage image;
};

bool ToTile(const Reply& r, Tile& t)
{
    const uint8_t* jpeg = nullptr;
    size_t n = 0;
    return ParseTileReply(r.payload.data(), r.payload.size(), t.rect, jpeg, n) && DecodeJpeg(jpeg, n, t.image);
}

int64_t Area(const TileRect& r) { return (int64_t)(r.right - r.left) * (r.bottom - r.top); }

std::vector<uint8_t> Pattern(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = (uint8_t)(i * 131 + (i >> 9));
    return v;
}

void WriteFile(const fs::path& p, const std::vector<uint8_t>& bytes)
{
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), (std::streamsize)bytes.size());
}

// Left half red, right half blue.
uint8_t Expected(int x, int width, int ch) { return x < width / 2 ? (ch == 0 ? 220 : 20) : (ch == 2 ? 220 : 20); }

void WriteBmp(const fs::path& p, int w, int h)
{
    int stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> f(54 + (size_t)stride * h, 0);
    auto put32 = [&](size_t off, uint32_t v) { for (int i = 0; i < 4; ++i) f[off + i] = (uint8_t)(v >> (8 * i)); };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, (uint32_t)f.size());
    put32(10, 54);
    put32(14, 40);
    put32(18, (uint32_t)w);
    put32(22, (uint32_t)h);
    f[26] = 1;
    f[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int ch = 0; ch < 3; ++ch) f[54 + (size_t)y * stride + x * 3 + (2 - ch)] = Expected(x, w, ch);
    WriteFile(p, f);
}

// Stripped, or tiled with a single level.
void WriteTiff(const fs::path& p, int w, int h, bool tiled)
{
    TIFF* t = TIFFOpen(p.c_str(), "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    if (tiled) {
        TIFFSetField(t, TIFFTAG_TILEWIDTH, 256);
        TIFFSetField(t, TIFFTAG_TILELENGTH, 256);
        std::vector<uint8_t> tile(256 * 256 * 3);
        for (int ty = 0; ty < h; ty += 256)
            for (int tx = 0; tx < w; tx += 256) {
                for (int y = 0; y < 256; ++y)
                    for (int x = 0; x < 256; ++x)
                        for (int ch = 0; ch < 3; ++ch) tile[((size_t)y * 256 + x) * 3 + ch] = Expected(tx + x, w, ch);
                TIFFWriteTile(t, tile.data(), tx, ty, 0, 0);
            }
    } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 16);
        std::vector<uint8_t> row((size_t)w * 3);
        for (int x = 0; x < w; ++x)
            for (int ch = 0; ch < 3; ++ch) row[(size_t)x * 3 + ch] = Expected(x, w, ch);
        for (int y = 0; y < h; ++y) TIFFWriteScanline(t, row.data(), y, 0);
    }
    TIFFClose(t);
}

class SlideServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::signal(SIGPIPE, SIG_IGN);
        s_dir = fs::temp_directory_path() / ("slideserver-test-" + std::to_string(::getpid()));
        fs::create_directories(s_dir / "pictures");
        std::string cmd = std::string(SLIDEGEN_PATH) + " --small --out " + s_dir.string();
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        WriteFile(s_dir / "small.user.mrk", Pattern(3000));
        WriteFile(s_dir / "media" / "clip.bin", Pattern(100000));
        // Outside the library: must never be served.
        WriteFile(s_dir.parent_path() / "slideserver-test-secret.jpg", Pattern(10));
        WriteBmp(s_dir / "pictures" / "bmpshot.bmp", 300, 200);
        WriteTiff(s_dir / "pictures" / "stripped.tif", 320, 240, false);
        WriteTiff(s_dir / "pictures" / "flat.tiff", 5000, 300, true);
        s_library = new Library;
        std::string error;
        ASSERT_TRUE(s_library->Index(s_dir.string(), error)) << error;
        s_server = new Server(*s_library, ServerOptions());
        ASSERT_TRUE(s_server->Listen("127.0.0.1", 0, error)) << error;
        s_thread = new std::thread([] { s_server->Run(); });
    }
    static void TearDownTestSuite()
    {
        if (s_server) s_server->Stop();
        if (s_thread) s_thread->join();
        delete s_thread;
        delete s_server;
        delete s_library;
        std::error_code ec;
        fs::remove_all(s_dir, ec);
        fs::remove(s_dir.parent_path() / "slideserver-test-secret.jpg", ec);
    }

    static uint16_t Port() { return s_server->port(); }

    static SlideHeaderReply Open(Client& c, const std::string& path, std::vector<uint8_t>& keep)
    {
        c.Send(StringCommandBody(kOpenSlide, path, 0));
        Reply r;
        SlideHeaderReply h;
        EXPECT_TRUE(c.Receive(r));
        EXPECT_EQ(r.code, (uint32_t)kOpenSlide);
        keep = r.payload;
        EXPECT_TRUE(ParseSlideHeaderReply(keep.data(), keep.size(), h));
        return h;
    }

    // Collects the replies to one region request until they cover `want`.
    static std::vector<Tile> Region(Client& c, uint32_t code, const TileRect& req, double scale, const TileRect& want)
    {
        c.Send(TileRequestBody(code, req, scale, scale));
        std::vector<Tile> tiles;
        int64_t area = 0;
        Reply r;
        while (area < Area(want) && c.Receive(r)) {
            Tile t;
            EXPECT_TRUE(ToTile(r, t));
            EXPECT_EQ(r.code, code == kTileRequest ? (uint32_t)kTileRequest : (uint32_t)kTilePrefetchReply);
            area += Area(t.rect);
            tiles.push_back(std::move(t));
        }
        return tiles;
    }

    static fs::path s_dir;
    static Library* s_library;
    static Server* s_server;
    static std::thread* s_thread;
};

fs::path SlideServerTest::s_dir;
Library* SlideServerTest::s_library = nullptr;
Server* SlideServerTest::s_server = nullptr;
std::thread* SlideServerTest::s_thread = nullptr;

} // namespace

TEST(SlideLibrary, WirePathsMapByNameAndNeverLeaveTheLibrary)
{
    fs::path dir = fs::temp_directory_path() / ("slidelib-test-" + std::to_string(::getpid()));
    fs::create_directories(dir / "organs" / "deep");
    fs::create_directories(dir / "media");
    WriteFile(dir / "organs" / "Liver.svs", {1});
    WriteFile(dir / "organs" / "liver.jpg", {1});
    WriteFile(dir / "organs" / "deep" / "photo.bmp", {1});
    WriteFile(dir / "organs" / "cells.x.tif", {1});
    WriteFile(dir / "organs" / "Liver.mrk", {1});
    WriteFile(dir / "media" / "Movie.AVI", {1});
    WriteFile(dir / "media" / "stray.svs", {1});
    Library lib;
    std::string error;
    ASSERT_TRUE(lib.Index(dir.string(), error));
    std::string root = lib.root();
    // A whole slide wins over a picture of the same name.
    EXPECT_EQ(lib.ResolveSlide("C:\\Slides\\Organs\\LIVER.jpg"), root + "/organs/Liver.svs");
    EXPECT_EQ(lib.ResolveSlide("C:\\x\\photo.jpg"), root + "/organs/deep/photo.bmp");
    EXPECT_EQ(lib.ResolveSlide("liver.jpg.jpg"), root + "/organs/liver.jpg");
    // The catalogue names a slide by its list text (up to the last dot) and ".jpg".
    EXPECT_EQ(lib.ResolveSlide("C:\\x\\cells.x.jpg"), root + "/organs/cells.x.tif");
    EXPECT_EQ(lib.ResolveSlide("C:\\x\\..\\..\\..\\etc\\passwd"), "");
    EXPECT_EQ(lib.ResolveSlide("C:\\x\\Liver.mrk"), "");
    EXPECT_EQ(lib.ResolveSlide("C:\\x\\"), "");
    EXPECT_EQ(lib.ResolveSlide("C:\\x\\stray.jpg"), ""); // media are no slides
    EXPECT_EQ(lib.ResolveMedia("E:\\res\\movie.avi"), root + "/media/Movie.AVI");
    EXPECT_EQ(lib.ResolveMedia("E:\\res\\..\\organs\\Liver.svs"), "");
    EXPECT_EQ(Library::MarksPath("/a/b/liver.svs", true), "/a/b/liver.user.mrk");
    std::error_code ec;
    fs::remove_all(dir, ec);
}

TEST_F(SlideServerTest, OpenGivesAValidHeaderAndADecodableThumbnail)
{
    Client c(Port());
    ASSERT_TRUE(c.connected());
    std::vector<uint8_t> keep;
    SlideHeaderReply h = Open(c, kSlidePath, keep);
    EXPECT_EQ(h.header.signature, "ZELVO DIGITAL SLICE");
    EXPECT_EQ(h.header.xPixelsPerMetre, 4000000); // 0.25 um per pixel
    EXPECT_EQ(h.header.yPixelsPerMetre, 4000000);
    EXPECT_EQ(h.header.tileWidth, 256);
    EXPECT_EQ(h.header.tileHeight, 256);
    EXPECT_EQ(h.header.tileColumns, 12); // 3000 x 2200 covered by 3072 x 2304
    EXPECT_EQ(h.header.tileRows, 9);
    EXPECT_EQ(h.matrixText, "12x9");
    EXPECT_FALSE(h.textA.empty());
    ASSERT_GT(h.thumbnailFactor, 1);
    RgbImage thumb;
    ASSERT_TRUE(DecodeJpeg(h.jpeg, h.jpegLength, thumb));
    EXPECT_EQ(thumb.width, (3072 + h.thumbnailFactor - 1) / h.thumbnailFactor);
    EXPECT_EQ(thumb.height, (2304 + h.thumbnailFactor - 1) / h.thumbnailFactor);

    // A plain picture is announced with "jpg".
    SlideHeaderReply p = Open(c, "D:\\slides\\demo\\picture.jpg", keep);
    EXPECT_EQ(p.header.signature, "jpg");
    EXPECT_TRUE(DecodeJpeg(p.jpeg, p.jpegLength, thumb));
}

TEST_F(SlideServerTest, RegionRepliesMatchTheirRectanglesAndCoverTheRequest)
{
    Client c(Port());
    std::vector<uint8_t> keep;
    Open(c, kSlidePath, keep);
    for (uint32_t code : {(uint32_t)kTileRequest, (uint32_t)kTilePrefetch}) {
        TileRect req{100, 50, 1300, 700};
        std::vector<Tile> tiles = Region(c, code, req, 0.5, req);
        ASSERT_GT(tiles.size(), 1u); // large rectangles come in pieces
        int64_t area = 0;
        for (size_t i = 0; i < tiles.size(); ++i) {
            const Tile& t = tiles[i];
            EXPECT_EQ(t.image.width, t.rect.right - t.rect.left);
            EXPECT_EQ(t.image.height, t.rect.bottom - t.rect.top);
            EXPECT_GE(t.rect.left, req.left);
            EXPECT_GE(t.rect.top, req.top);
            EXPECT_LE(t.rect.right, req.right);
            EXPECT_LE(t.rect.bottom, req.bottom);
            for (size_t j = 0; j < i; ++j) {
                const TileRect& o = tiles[j].rect;
                bool apart = o.right <= t.rect.left || t.rect.right <= o.left || o.bottom <= t.rect.top ||
                             t.rect.bottom <= o.top;
                EXPECT_TRUE(apart) << "pieces overlap";
            }
            area += Area(t.rect);
        }
        EXPECT_EQ(area, Area(req));
    }
}

TEST_F(SlideServerTest, RectanglesAreClippedToTheSlideAndPaddedWithWhite)
{
    Client c(Port());
    std::vector<uint8_t> keep;
    Open(c, kSlidePath, keep);
    // 3072 x 2304 at 0.25 is 768 x 576; the image itself ends at 750 x 550.
    TileRect want{0, 0, 768, 576};
    std::vector<Tile> tiles = Region(c, kTileRequest, TileRect{-500, -500, 100000, 100000}, 0.25, want);
    int64_t area = 0;
    for (const Tile& t : tiles) {
        area += Area(t.rect);
        EXPECT_GE(t.rect.left, 0);
        EXPECT_LE(t.rect.right, 768);
        EXPECT_LE(t.rect.bottom, 576);
        if (t.rect.right == 768 && t.rect.bottom == 576) {
            const uint8_t* px = &t.image.pixels[((size_t)(t.image.height - 3) * t.image.width + t.image.width - 3) * 3];
            EXPECT_GE(px[0], 245);
            EXPECT_GE(px[1], 245);
            EXPECT_GE(px[2], 245);
        }
    }
    EXPECT_EQ(area, Area(want));
    // Entirely outside: nothing comes back, and the link stays usable.
    c.Send(TileRequestBody(kTileRequest, TileRect{5000, 5000, 6000, 6000}, 0.25, 0.25));
    c.Send(CodeOnlyBody(kGetUserMarks));
    Reply r;
    ASSERT_TRUE(c.Receive(r));
    EXPECT_EQ(r.code, (uint32_t)kGetUserMarks);
}

TEST_F(SlideServerTest, PixelsAgreeWithOpenSlideAtThatScale)
{
    openslide_t* osr = openslide_open((s_dir / "small.tif").c_str());
    ASSERT_NE(osr, nullptr);
    Client c(Port());
    std::vector<uint8_t> keep;
    Open(c, kSlidePath, keep);
    struct Case { double scale; int level; int shrink; };
    // Level scales are read 1:1; 1/8 comes from level 2 (1/4) halved.
    for (Case k : {Case{1.0, 0, 1}, Case{0.5, 1, 1}, Case{0.25, 2, 1}, Case{0.125, 2, 2}}) {
        TileRect req{32, 24, 32 + 320, 24 + 256};
        std::vector<Tile> tiles = Region(c, kTileRequest, req, k.scale, req);
        ASSERT_FALSE(tiles.empty());
        const Tile& t = tiles[0];
        int w = t.rect.right - t.rect.left, h = t.rect.bottom - t.rect.top;
        double ds = openslide_get_level_downsample(osr, k.level);
        int sw = w * k.shrink, sh = h * k.shrink;
        std::vector<uint32_t> ref((size_t)sw * sh);
        openslide_read_region(osr, ref.data(), (int64_t)(t.rect.left * k.shrink * ds),
                              (int64_t)(t.rect.top * k.shrink * ds), k.level, sw, sh);
        // 8 x 8 block means at sample points, within JPEG tolerance.
        double worst = 0, total = 0;
        int samples = 0;
        for (int by = 0; by + 8 <= h; by += 24)
            for (int bx = 0; bx + 8 <= w; bx += 24)
                for (int ch = 0; ch < 3; ++ch) {
                    double a = 0, b = 0;
                    for (int y = by; y < by + 8; ++y)
                        for (int x = bx; x < bx + 8; ++x) {
                            a += t.image.pixels[((size_t)y * t.image.width + x) * 3 + ch];
                            for (int sy = 0; sy < k.shrink; ++sy)
                                for (int sx = 0; sx < k.shrink; ++sx) {
                                    uint32_t p = ref[(size_t)(y * k.shrink + sy) * sw + x * k.shrink + sx];
                                    // Premultiplied, over white as the server composes it.
                                    b += ((p >> (16 - 8 * ch)) & 255) + 255 - (p >> 24);
                                }
                        }
                    double d = std::fabs(a / 64 - b / (64.0 * k.shrink * k.shrink));
                    worst = std::max(worst, d);
                    total += d;
                    ++samples;
                }
        EXPECT_LT(worst, 14.0) << "scale " << k.scale;
        EXPECT_LT(total / samples, 3.0) << "scale " << k.scale;
    }
    openslide_close(osr);
}

TEST_F(SlideServerTest, CancelDropsQueuedRegionWork)
{
    Client c(Port());
    std::vector<uint8_t> keep;
    Open(c, kSlidePath, keep);
    // 3072 x 2304 at full scale is 30 pieces; the cancel follows in the same write.
    auto bytes = Frame(TileRequestBody(kTileRequest, TileRect{0, 0, 3072, 2304}, 1.0, 1.0));
    auto cancel = Frame(CodeOnlyBody(kCancel));
    bytes.insert(bytes.end(), cancel.begin(), cancel.end());
    c.SendRaw(bytes);
    int tiles = 0;
    Reply r;
    while (c.Receive(r, 1500)) {
        if (r.code == kTileRequest) ++tiles;
    }
    EXPECT_LE(tiles, 8); // at most what the workers had started; the request alone is 30
    // The link goes on serving after a cancel.
    TileRect req{0, 0, 200, 200};
    std::vector<Tile> after = Region(c, kTileRequest, req, 1.0, req);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(Area(after[0].rect), Area(req));
}

TEST_F(SlideServerTest, MarksAreTheFilesBesideTheSlideOrEmpty)
{
    Client c(Port());
    std::vector<uint8_t> keep;
    Open(c, kSlidePath, keep);
    c.Send(CodeOnlyBody(kGetMarks));
    Reply r;
    ASSERT_TRUE(c.Receive(r));
    EXPECT_EQ(r.code, (uint32_t)kGetMarks);
    std::ifstream f(s_dir / "small.mrk", std::ios::binary);
    std::vector<uint8_t> stored((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(stored.empty());
    EXPECT_EQ(r.payload, stored);
    c.Send(CodeOnlyBody(kGetUserMarks));
    ASSERT_TRUE(c.Receive(r));
    EXPECT_EQ(r.code, (uint32_t)kGetUserMarks);
    EXPECT_EQ(r.payload, Pattern(3000));

    Open(c, "D:\\slides\\demo\\picture.jpg", keep);
    c.Send(CodeOnlyBody(kGetMarks));
    ASSERT_TRUE(c.Receive(r));
    EXPECT_EQ(r.code, (uint32_t)kGetMarks);
    EXPECT_TRUE(r.payload.empty());
}

TEST_F(SlideServerTest, MediaComesInPiecesAndResumesFromTheBytesHeld)
{
    Client c(Port());
    const std::string path = "E:\\SliceResource\\clip.bin";
    const std::vector<uint8_t> file = Pattern(100000);
    auto fetch = [&](uint32_t held, int& starts) {
        c.Send(StringCommandBody(kMediaData, path, held));
        std::vector<uint8_t> data;
        starts = 0;
        Reply r;
        for (int i = 0; i < 100 && c.Receive(r); ++i) {
            MediaReply m;
            EXPECT_EQ(r.code, (uint32_t)kMediaData);
            EXPECT_TRUE(ParseMediaReply(r.payload.data(), r.payload.size(), m));
            EXPECT_EQ(m.path, path);
            if (m.count == 0) {
                EXPECT_TRUE(data.empty());
                ++starts;
            } else if (m.count > 0) {
                EXPECT_LE((size_t)m.count, kMaxMediaPiece);
                data.insert(data.end(), m.data, m.data + m.dataLength);
            } else {
                EXPECT_EQ(m.count, -1);
                break;
            }
        }
        return data;
    };
    int starts = 0;
    EXPECT_EQ(fetch(0, starts), file);
    EXPECT_EQ(starts, 1);
    // A resume continues without a start piece (which would empty the viewer's partial file).
    std::vector<uint8_t> rest = fetch(40000, starts);
    EXPECT_EQ(starts, 0);
    EXPECT_EQ(rest, std::vector<uint8_t>(file.begin() + 40000, file.end()));
    EXPECT_TRUE(fetch(100000, starts).empty());
    // More than the file holds: sent anew, after the two start pieces that
    // tell a viewer holding bytes to drop them.
    EXPECT_EQ(fetch(200000, starts), file);
    EXPECT_EQ(starts, 2);
    // A file that is not there gets no reply; the link goes on.
    c.Send(StringCommandBody(kMediaData, "E:\\x\\missing.avi", 0));
    c.Send(StringCommandBody(kResumeSlide, kSlidePath, 0));
    Reply r;
    ASSERT_TRUE(c.Receive(r));
    EXPECT_EQ(r.code, (uint32_t)kResumeSlide);
}

// A server of its own on a library of its own, for tests that need other
// files or options than the shared one.
struct OwnServer {
    OwnServer(const fs::path& root, ServerOptions options) : dir(root)
    {
        std::string error;
        EXPECT_TRUE(library.Index(dir.string(), error)) << error;
        server.reset(new Server(library, options));
        EXPECT_TRUE(server->Listen("127.0.0.1", 0, error)) << error;
        thread = std::thread([this] { server->Run(); });
    }
    ~OwnServer()
    {
        server->Stop();
        thread.join();
        server.reset();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir;
    Library library;
    std::unique_ptr<Server> server;
    std::thread thread;
};

// A viewer asks for the files of all its hot spots at once when the marks
// arrive: a burst well beyond the media queue is read as the transfers make
// room, every request is answered with its whole file, and the link stays up.
TEST_F(SlideServerTest, ABurstOfMediaRequestsIsAnsweredInFullAndTheLinkStays)
{
    const fs::path dir = s_dir.parent_path() / ("slideserver-burst-" + std::to_string(::getpid()));
    fs::create_directories(dir / "media");
    const int kFiles = 300, kRequests = 320;
    std::map<std::string, std::vector<uint8_t>> files;
    for (int i = 0; i < kFiles; ++i) {
        std::vector<uint8_t> bytes = Pattern(200 + (size_t)i * 7);
        bytes[0] = (uint8_t)i;
        bytes[1] = (uint8_t)(i >> 8);
        const std::string name = "f" + std::to_string(i) + ".bin";
        WriteFile(dir / "media" / name, bytes);
        files["E:\\res\\" + name] = bytes;
    }
    OwnServer own(dir, ServerOptions());
    Client c(own.server->port());
    ASSERT_TRUE(c.connected());
    // One write, as the viewer's burst comes; the first files are asked twice.
    std::vector<uint8_t> burst;
    std::map<std::string, int> asked;
    for (int k = 0; k < kRequests; ++k) {
        const std::string path = "E:\\res\\f" + std::to_string(k % kFiles) + ".bin";
        const std::vector<uint8_t> frame = Frame(StringCommandBody(kMediaData, path, 0));
        burst.insert(burst.end(), frame.begin(), frame.end());
        ++asked[path];
    }
    c.SendRaw(burst);

    // One transfer at a time: start, data, end.
    std::map<std::string, int> answered;
    std::string current;
    std::vector<uint8_t> data;
    int ends = 0;
    Reply r;
    while (ends < kRequests && c.Receive(r, 10000)) {
        ASSERT_EQ(r.code, (uint32_t)kMediaData);
        MediaReply m;
        ASSERT_TRUE(ParseMediaReply(r.payload.data(), r.payload.size(), m));
        if (m.count == 0) {
            current = m.path;
            data.clear();
            continue;
        }
        ASSERT_EQ(m.path, current);
        if (m.count > 0) {
            data.insert(data.end(), m.data, m.data + m.dataLength);
            continue;
        }
        ASSERT_EQ(m.count, -1);
        EXPECT_TRUE(data == files[m.path]) << m.path << ": " << data.size() << " bytes";
        ++answered[m.path];
        ++ends;
    }
    EXPECT_EQ(ends, kRequests);
    EXPECT_EQ(answered, asked);
    c.Send(CodeOnlyBody(kKeepAlive));
    ASSERT_TRUE(c.Receive(r)) << "the link was closed";
    EXPECT_EQ(r.code, (uint32_t)kKeepAlive);
}

// Every region request is answered: requests beyond the piece queue wait
// until it has room; a region of more pieces than the queue holds and a
// piece that cannot be read come back as their rectangle without a picture,
// which the viewer counts as received.
TEST_F(SlideServerTest, RegionsBeyondTheQueueOrUnreadableAreStillAnswered)
{
    const fs::path dir = s_dir.parent_path() / ("slideserver-regions-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::copy_file(s_dir / "small.tif", dir / "small.tif");
    ServerOptions options;
    options.maxQueuedPieces = 8;
    options.workersPerViewer = 1;
    OwnServer own(dir, options);
    Client c(own.server->port());
    std::vector<uint8_t> keep;
    Open(c, "D:\\slides\\small.jpg", keep);

    // Five screens of six pieces each in one write (thirty pieces for a queue
    // of eight), then the whole slide at full size (thirty pieces at once).
    std::vector<uint8_t> burst;
    int64_t wanted = 0;
    for (int k = 0; k < 5; ++k) {
        const TileRect screen{k * 256, 0, k * 256 + 1280, 1024};
        const std::vector<uint8_t> frame = Frame(TileRequestBody(kTileRequest, screen, 1.0, 1.0));
        burst.insert(burst.end(), frame.begin(), frame.end());
        wanted += Area(screen);
    }
    const TileRect whole{0, 0, 3072, 2304};
    const std::vector<uint8_t> frame = Frame(TileRequestBody(kTilePrefetch, whole, 1.0, 1.0));
    burst.insert(burst.end(), frame.begin(), frame.end());
    c.SendRaw(burst);
    int64_t pictured = 0;
    int blank = 0;
    Reply r;
    while ((pictured < wanted || blank == 0) && c.Receive(r)) {
        TileRect rect;
        const uint8_t* jpeg = nullptr;
        size_t n = 0;
        ASSERT_TRUE(ParseTileReply(r.payload.data(), r.payload.size(), rect, jpeg, n));
        if (r.code == kTilePrefetchReply) {
            EXPECT_EQ(Area(rect), Area(whole));
            EXPECT_EQ(n, 0u);
            ++blank;
            continue;
        }
        ASSERT_EQ(r.code, (uint32_t)kTileRequest);
        RgbImage image;
        ASSERT_TRUE(DecodeJpeg(jpeg, n, image));
        EXPECT_EQ(image.width, rect.right - rect.left);
        pictured += Area(rect);
    }
    EXPECT_EQ(pictured, wanted);
    EXPECT_EQ(blank, 1);

    // The slide file loses its pixels under the open slide: a piece not read
    // before cannot be read now.
    fs::resize_file(dir / "small.tif", 4096);
    const TileRect lost{2560, 1536, 3000, 2000};
    c.Send(TileRequestBody(kTileRequest, lost, 1.0, 1.0));
    ASSERT_TRUE(c.Receive(r)) << "an unreadable piece was not answered";
    ASSERT_EQ(r.code, (uint32_t)kTileRequest);
    TileRect rect;
    const uint8_t* jpeg = nullptr;
    size_t n = 0;
    ASSERT_TRUE(ParseTileReply(r.payload.data(), r.payload.size(), rect, jpeg, n));
    EXPECT_EQ(Area(rect), Area(lost));
    EXPECT_EQ(n, 0u);
    EXPECT_FALSE(c.ClosedByServer(300));
}

TEST_F(SlideServerTest, BadRequestsCloseOnlyTheirConnection)
{
    Client steady(Port());
    std::vector<uint8_t> keep;
    Open(steady, kSlidePath, keep);

    std::vector<std::pair<const char*, std::vector<uint8_t>>> bad;
    auto tile = [](TileRect r, double sx, double sy) { return Frame(TileRequestBody(kTileRequest, r, sx, sy)); };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    bad.push_back({"negative rectangle", tile(TileRect{100, 100, 50, 200}, 1, 1)});
    bad.push_back({"NaN scale", tile(TileRect{0, 0, 10, 10}, nan, 1)});
    bad.push_back({"infinite scale", tile(TileRect{0, 0, 10, 10}, 1, std::numeric_limits<double>::infinity())});
    bad.push_back({"zero scale", tile(TileRect{0, 0, 10, 10}, 0, 0)});
    bad.push_back({"negative scale", tile(TileRect{0, 0, 10, 10}, 1, -2)});
    auto shortTile = TileRequestBody(kTileRequest, TileRect{0, 0, 10, 10}, 1, 1);
    shortTile.resize(40);
    bad.push_back({"truncated tile request", Frame(shortTile)});
    auto noNul = CodeOnlyBody(kOpenSlide);
    noNul.insert(noNul.end(), {'a', 'b', 'c'});
    bad.push_back({"string without NUL", Frame(noNul)});
    bad.push_back({"oversized length", {0xFF, 0xFF, 0xFF, 0x7F, 0x14, 0x05, 0, 0}});
    bad.push_back({"body shorter than its code", {2, 0, 0, 0, 1, 2}});
    // Far more than any request needs, though a reply could be that long.
    bad.push_back({"request length of 1 MB", {0, 0, 0x10, 0, 0x14, 0x05, 0, 0}});

    for (auto& [why, bytes] : bad) {
        Client c(Port());
        ASSERT_TRUE(c.connected());
        if (std::string(why).find("scale") != std::string::npos || std::string(why).find("rectangle") != std::string::npos ||
            std::string(why).find("tile") != std::string::npos)
            Open(c, kSlidePath, keep);
        c.SendRaw(bytes);
        EXPECT_TRUE(c.ClosedByServer()) << why;
    }
    // An unknown code is ignored; the steady link still works.
    steady.Send(CodeOnlyBody(4242));
    TileRect req{0, 0, 100, 100};
    std::vector<Tile> tiles = Region(steady, kTileRequest, req, 0.5, req);
    ASSERT_EQ(tiles.size(), 1u);
    EXPECT_EQ(tiles[0].image.width, 100);
}

TEST_F(SlideServerTest, ManyViewersAreServedAtOnce)
{
    const int kClients = 12;
    std::vector<std::thread> threads;
    std::vector<int64_t> served(kClients, 0);
    for (int i = 0; i < kClients; ++i)
        threads.emplace_back([&, i] {
            Client c(Port());
            std::vector<uint8_t> keep;
            Open(c, kSlidePath, keep);
            TileRect req{i * 10, i * 5, i * 10 + 700, i * 5 + 600};
            for (const Tile& t : Region(c, i % 2 ? kTileRequest : kTilePrefetch, req, 0.5, req)) served[i] += Area(t.rect);
        });
    for (auto& t : threads) t.join();
    for (int i = 0; i < kClients; ++i) EXPECT_EQ(served[i], 700 * 600) << i;
}

TEST_F(SlideServerTest, AViewerThatStopsReadingHoldsUpNobodyElse)
{
    Client stuck(Port());
    std::vector<uint8_t> keep;
    Open(stuck, kSlidePath, keep);
    // Far more reply bytes than the socket buffers hold, never read.
    for (int i = 0; i < 8; ++i)
        stuck.Send(TileRequestBody(kTileRequest, TileRect{0, 0, 3072, 2304}, 1.0, 1.0));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Client other(Port());
    Open(other, kSlidePath, keep);
    TileRect req{0, 0, 600, 400};
    auto t0 = std::chrono::steady_clock::now();
    std::vector<Tile> tiles = Region(other, kTileRequest, req, 0.5, req);
    int64_t area = 0;
    for (const Tile& t : tiles) area += Area(t.rect);
    EXPECT_EQ(area, Area(req));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(8));
}

TEST_F(SlideServerTest, BmpAndTiffPicturesAreServedAsPictures)
{
    Client c(Port());
    struct Case { const char* name; int width, height; };
    for (Case k : {Case{"bmpshot", 300, 200}, Case{"stripped", 320, 240}, Case{"flat", 5000, 300}}) {
        std::vector<uint8_t> keep;
        SlideHeaderReply h = Open(c, std::string("C:\\pics\\") + k.name + ".jpg", keep);
        EXPECT_EQ(h.header.signature, "jpg") << k.name;
        EXPECT_EQ(h.header.tileColumns, (k.width + 255) / 256) << k.name;
        EXPECT_EQ(h.header.tileRows, (k.height + 255) / 256) << k.name;
        // Samples well inside each half, at full scale and at a small one.
        for (double scale : {1.0, 0.1}) {
            TileRect req{0, 0, (int32_t)(k.width * scale), (int32_t)(k.height * scale)};
            std::vector<Tile> tiles = Region(c, kTileRequest, req, scale, req);
            ASSERT_FALSE(tiles.empty()) << k.name;
            for (const Tile& t : tiles) {
                int y = (t.rect.bottom - t.rect.top) / 2;
                for (int x = 4; x < t.rect.right - t.rect.left; x += 37) {
                    int fx = (int)((t.rect.left + x) / scale);
                    if (std::abs(fx - k.width / 2) < 8 / scale) continue;
                    const uint8_t* px = &t.image.pixels[((size_t)y * t.image.width + x) * 3];
                    for (int ch = 0; ch < 3; ++ch)
                        EXPECT_NEAR(px[ch], Expected(fx, k.width, ch), 24) << k.name << " scale " << scale << " x " << fx;
                }
            }
        }
    }
}

TEST_F(SlideServerTest, KeepAlivesAreAnsweredSoTheViewerKeepsItsLink)
{
    Client c(Port());
    for (int i = 0; i < 3; ++i) {
        c.Send(CodeOnlyBody(kKeepAlive));
        Reply r;
        ASSERT_TRUE(c.Receive(r, 5000)) << "keep-alive " << i << " unanswered";
        EXPECT_EQ((uint32_t)kKeepAlive, r.code);
    }
}

TEST_F(SlideServerTest, NoRegionIsSentAfterACancelHasBeenRead)
{
    Client c(Port());
    std::vector<uint8_t> keep;
    Open(c, kSlidePath, keep);
    // Many pieces at full size, so that the workers are busy when the cancel comes.
    for (int round = 0; round < 3; ++round) {
        c.Send(TileRequestBody(kTileRequest, TileRect{0, 0, 3072, 2304}, 1.0, 1.0));
        c.Send(CodeOnlyBody(kCancel));
        // The keep-alive's answer comes after the cancel has been read...
        c.Send(CodeOnlyBody(kKeepAlive));
        Reply r;
        do {
            ASSERT_TRUE(c.Receive(r, 10000));
        } while (r.code != kKeepAlive);
        // ...and no region may follow it.
        c.Send(CodeOnlyBody(kGetMarks));
        ASSERT_TRUE(c.Receive(r, 10000));
        EXPECT_EQ((uint32_t)kGetMarks, r.code) << "a region piece came after the cancel";
    }
}

// A slide the library does not hold (or one outside it) is refused with a
// header the viewer does not accept, and the link goes on serving.
TEST_F(SlideServerTest, AnUnknownSlideIsRefusedAndTheLinkStays)
{
    Client c(Port());
    std::vector<uint8_t> keep;
    Open(c, kSlidePath, keep);
    for (const char* path : {"C:\\slides\\nothing.jpg", "C:\\..\\..\\slideserver-test-secret.jpg"}) {
        SCOPED_TRACE(path);
        const SlideHeaderReply refusal = Open(c, path, keep);
        EXPECT_EQ("", refusal.header.signature);
        EXPECT_EQ(0, refusal.thumbnailFactor);
        EXPECT_EQ(0u, refusal.jpegLength);
    }
    // Still the slide opened before: its regions come.
    TileRect req{0, 0, 64, 64};
    EXPECT_EQ(1u, Region(c, kTileRequest, req, 0.5, req).size());
    EXPECT_FALSE(c.ClosedByServer(300));
}

// A slide far larger than any file, made up as it is read: each pixel tells
// where it lies, and every pixel read is counted.
class HugeSource : public SlideSource {
public:
    static constexpr int64_t kEdge = 4000000;
    bool isPicture() const override { return false; }
    int levelCount() const override { return 1; }
    double levelDownsample(int) const override { return 1; }
    void levelSize(int, int64_t& w, int64_t& h) const override { w = h = kEdge; }
    bool readLevel(int, int64_t x, int64_t y, int w, int h, uint8_t* rgb) const override
    {
        read += (int64_t)w * h;
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i, rgb += 3) {
                const int64_t px = x + i, py = y + j;
                const bool inside = px >= 0 && py >= 0 && px < kEdge && py < kEdge;
                rgb[0] = inside ? (uint8_t)(px * 250 / kEdge) : 255;
                rgb[1] = inside ? (uint8_t)(py * 250 / kEdge) : 255;
                rgb[2] = inside ? 0 : 255;
            }
        return true;
    }
    double micronsPerPixel(bool) const override { return 0.25; }
    std::string formatName() const override { return "huge"; }
    mutable int64_t read = 0;
};

// Whatever the scales, a picture costs reads in proportion to its own pixels,
// and each of its pixels shows the part of the slide the scales put there.
TEST(SlideServerRender, ReadsFollowThePicturesSizeAtAnyScale)
{
    struct Case { double sx, sy; };
    const int w = 256, h = 128;
    for (Case k : {Case{1e-4, 1e-4}, Case{1.0, 1e-4}, Case{1e-4, 1.0}, Case{2000, 2000}, Case{2000, 1e-3},
                   Case{1e6, 1e6}, Case{1e-300, 1e-300}}) {
        SCOPED_TRACE(testing::Message() << "scale " << k.sx << ", " << k.sy);
        HugeSource src;
        // Somewhere inside the display extent of the slide at that scale.
        const double dispW = std::min(1e9, HugeSource::kEdge * k.sx), dispH = std::min(1e9, HugeSource::kEdge * k.sy);
        const int64_t x0 = (int64_t)std::max(0.0, dispW / 3 - w), y0 = (int64_t)std::max(0.0, dispH / 3 - h);
        RgbImage img;
        ASSERT_TRUE(RenderRegion(src, x0, y0, w, h, k.sx, k.sy, img));
        ASSERT_EQ(img.width, w);
        ASSERT_EQ(img.height, h);
        EXPECT_LE(src.read, 64LL * w * h + (1 << 24));
        for (int j = 0; j < h; j += 37)
            for (int i = 0; i < w; i += 41) {
                const uint8_t* p = &img.pixels[((size_t)j * w + i) * 3];
                const double fx = (x0 + i + 0.5) / k.sx, fy = (y0 + j + 0.5) / k.sy;
                if (fx >= HugeSource::kEdge || fy >= HugeSource::kEdge) {
                    EXPECT_EQ(p[2], 255) << i << "," << j << " lies beyond the slide";
                    continue;
                }
                EXPECT_NEAR(p[0], fx * 250 / HugeSource::kEdge, 2) << i << "," << j;
                EXPECT_NEAR(p[1], fy * 250 / HugeSource::kEdge, 2) << i << "," << j;
            }
    }
}

// A region is cut into even pieces, enough for the workers when it is large
// and never smaller than needed; the pieces tile it exactly.
TEST(SlideServerPieces, RegionsAreCutEvenlyForTheWorkers)
{
    auto area = [](const std::vector<TileRect>& pieces) {
        int64_t a = 0;
        for (const TileRect& p : pieces) a += Area(p);
        return a;
    };
    // Half a screen: four pieces of 320 x 512 rather than 512 and 128 wide.
    auto half = SplitRegion(TileRect{100, 0, 740, 1024}, 512, 4, 65536, 4096);
    ASSERT_EQ(4u, half.size());
    for (const TileRect& p : half) {
        EXPECT_EQ(320, p.right - p.left);
        EXPECT_EQ(512, p.bottom - p.top);
    }
    EXPECT_EQ(420, half[3].left);
    // A thin strip keeps pieces of a useful size; one worker takes the edge limit only.
    EXPECT_EQ(2u, SplitRegion(TileRect{0, 0, 128, 1024}, 512, 4, 65536, 4096).size());
    EXPECT_EQ(6u, SplitRegion(TileRect{0, 0, 1280, 1024}, 512, 1, 65536, 4096).size());
    auto odd = SplitRegion(TileRect{-7, 3, 1001, 777}, 512, 4, 65536, 4096);
    EXPECT_EQ(int64_t(1008) * 774, area(odd));
    for (const TileRect& p : odd) EXPECT_LE(p.right - p.left, 512);
    // More pieces than the queue takes: none.
    EXPECT_TRUE(SplitRegion(TileRect{0, 0, 2000000000, 2000000000}, 512, 4, 65536, 4096).empty());
    EXPECT_TRUE(SplitRegion(TileRect{5, 5, 5, 9}, 512, 4, 65536, 4096).empty());
}

TEST(SlideServerNetwork, ListensOnEachAddressOfAListOnOnePortOrOnNone)
{
    uint16_t port = 0;
    std::string error;
    std::vector<int> fds = ListenTcpOnEach("127.0.0.1,127.0.0.3", 0, port, error);
    ASSERT_EQ(fds.size(), 2u) << error;
    ASSERT_NE(port, 0);
    for (const char* address : {"127.0.0.1", "127.0.0.3"}) {
        int c = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        inet_pton(AF_INET, address, &a.sin_addr);
        EXPECT_EQ(::connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a), 0) << address;
        ::close(c);
    }
    // Another address on the same port is still free: nothing took every address.
    uint16_t other = 0;
    int extra = ListenTcp("127.0.0.4", port, other, error);
    EXPECT_GE(extra, 0) << error;
    if (extra >= 0) ::close(extra);
    for (int fd : fds) ::close(fd);

    // One bad address: nothing stays bound, and the reason names it.
    fds = ListenTcpOnEach("127.0.0.1,not-an-address", port, other, error);
    EXPECT_TRUE(fds.empty());
    EXPECT_NE(error.find("not-an-address"), std::string::npos);
    int again = ListenTcp("127.0.0.1", port, other, error);
    EXPECT_GE(again, 0) << error;
    if (again >= 0) ::close(again);
}
