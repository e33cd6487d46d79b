// Region throughput of the slide server: megapixels per second of JPEG
// regions served for random requests at several display scales, with 1 and
// with 60 viewers at once, beside a plain JPEG encode of the same pixels.
// usage: slideserver_bench [--library DIR] [--slide NAME] [--small]
#include "Imaging.h"
#include "Library.h"
#include "Server.h"
#include "slidelink/SlideLink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace zelvo::slidelink;
using namespace zelvo::slideserver;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kEdge = 512; // requested region edge, display pixels

// One viewer: opens the slide, sends its requests, counts served pixels.
int64_t RunViewer(uint16_t port, const std::string& slide, double scale, int requests, unsigned seed, int64_t dispW,
                  int64_t dispH)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    auto send = [&](const std::vector<uint8_t>& body) {
        auto f = Frame(body);
        size_t s = 0;
        while (s < f.size()) {
            ssize_t n = ::send(fd, f.data() + s, f.size() - s, MSG_NOSIGNAL);
            if (n <= 0) return;
            s += (size_t)n;
        }
    };
    FrameReader reader;
    std::vector<uint8_t> body;
    auto next = [&]() -> bool {
        while (!reader.Next(body)) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 60000) <= 0) return false;
            uint8_t buf[65536];
            ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0 || !reader.Feed(buf, (size_t)n)) return false;
        }
        return true;
    };
    send(StringCommandBody(kOpenSlide, "C:\\bench\\" + slide + ".jpg", 0));
    if (!next()) return -1;
    std::mt19937 rng(seed);
    int64_t want = 0;
    for (int i = 0; i < requests; ++i) {
        int32_t x = (int32_t)(rng() % (uint32_t)std::max<int64_t>(1, dispW - kEdge));
        int32_t y = (int32_t)(rng() % (uint32_t)std::max<int64_t>(1, dispH - kEdge));
        TileRect r{x, y, (int32_t)std::min<int64_t>(x + kEdge, dispW), (int32_t)std::min<int64_t>(y + kEdge, dispH)};
        want += (int64_t)(r.right - r.left) * (r.bottom - r.top);
        send(TileRequestBody(kTileRequest, r, scale, scale));
    }
    int64_t got = 0;
    while (got < want && next()) {
        TileRect r;
        const uint8_t* jpeg;
        size_t n;
        if (ParseTileReply(body.data() + 4, body.size() - 4, r, jpeg, n))
            got += (int64_t)(r.right - r.left) * (r.bottom - r.top);
    }
    ::close(fd);
    return got;
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    std::string dir, slide;
    bool small = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--library" && i + 1 < argc) dir = argv[++i];
        else if (a == "--slide" && i + 1 < argc) slide = argv[++i];
        else if (a == "--small") small = true;
        else {
            std::fprintf(stderr, "usage: slideserver_bench [--library DIR] [--slide NAME] [--small]\n");
            return 2;
        }
    }
    if (dir.empty()) {
        dir = (std::filesystem::temp_directory_path() / (small ? "zelvo-bench-library-small" : "zelvo-bench-library")).string();
        std::string cmd = std::string(SLIDEGEN_PATH) + (small ? " --small" : "") + " --out " + dir;
        if (std::system(cmd.c_str()) != 0) {
            std::fprintf(stderr, "slideserver_bench: cannot generate %s\n", dir.c_str());
            return 1;
        }
    }
    if (slide.empty()) slide = small ? "small" : "he";
    Library lib;
    std::string error;
    if (!lib.Index(dir, error)) {
        std::fprintf(stderr, "slideserver_bench: %s\n", error.c_str());
        return 1;
    }
    std::string file = lib.ResolveSlide(slide + ".jpg");
    auto source = file.empty() ? nullptr : OpenSlideSource(file, error);
    if (!source) {
        std::fprintf(stderr, "slideserver_bench: no slide %s in %s\n", slide.c_str(), dir.c_str());
        return 1;
    }
    HeaderInfo info = DescribeSlide(*source, ServerOptions());
    int64_t padW = (int64_t)info.header.tileColumns * info.header.tileWidth;
    int64_t padH = (int64_t)info.header.tileRows * info.header.tileHeight;

    ServerOptions options;
    options.maxConnections = 512;
    Server server(lib, options);
    if (!server.Listen("127.0.0.1", 0, error)) {
        std::fprintf(stderr, "slideserver_bench: %s\n", error.c_str());
        return 1;
    }
    std::thread run([&] { server.Run(); });
    std::printf("# slide %s %lldx%lld, %u cores, %dx%d regions\n", file.c_str(), (long long)source->width(),
                (long long)source->height(), std::thread::hardware_concurrency(), kEdge, kEdge);

    for (double scale : {1.0, 0.5, 0.25, 0.1}) {
        int64_t dispW = (int64_t)(padW * scale), dispH = (int64_t)(padH * scale);
        // Plain encode of regions rendered the same way, one thread.
        {
            std::mt19937 rng(7);
            std::vector<RgbImage> images;
            for (int i = 0; i < 16; ++i) {
                int64_t x = rng() % (uint64_t)std::max<int64_t>(1, dispW - kEdge);
                int64_t y = rng() % (uint64_t)std::max<int64_t>(1, dispH - kEdge);
                RgbImage img;
                if (RenderRegion(*source, x, y, (int)std::min<int64_t>(kEdge, dispW), (int)std::min<int64_t>(kEdge, dispH),
                                 scale, scale, img))
                    images.push_back(std::move(img));
            }
            auto t0 = Clock::now();
            int64_t px = 0;
            std::vector<uint8_t> jpeg;
            for (int rep = 0; rep < 4; ++rep)
                for (const RgbImage& img : images) {
                    EncodeJpeg(img, options.jpegQuality, jpeg);
                    px += (int64_t)img.width * img.height;
                }
            double s = std::chrono::duration<double>(Clock::now() - t0).count();
            std::printf("jpeg_encode_only scale=%.2f threads=1: %.1f MP/s\n", scale, px / s / 1e6);
        }
        for (int clients : {1, 60}) {
            int perClient = clients == 1 ? 48 : 8;
            std::vector<int64_t> got(clients, 0);
            std::vector<std::thread> threads;
            auto t0 = Clock::now();
            for (int c = 0; c < clients; ++c)
                threads.emplace_back([&, c] {
                    got[c] = RunViewer(server.port(), slide, scale, perClient, 1000u + (unsigned)c, dispW, dispH);
                });
            for (auto& t : threads) t.join();
            double s = std::chrono::duration<double>(Clock::now() - t0).count();
            int64_t total = 0;
            int failed = 0;
            for (int64_t g : got) {
                if (g < 0) ++failed;
                else total += g;
            }
            std::printf("served_regions scale=%.2f clients=%d: %.1f MP/s (%d requests, %.2f s%s)\n", scale, clients,
                        total / s / 1e6, clients * perClient, s, failed ? ", some viewers failed" : "");
            std::fflush(stdout);
        }
    }
    server.Stop();
    run.join();
    return 0;
}
