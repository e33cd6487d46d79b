// The slide server: one viewer per TCP connection, each with a reader and a
// region worker, so that a slow or vanished viewer holds up only itself.
#pragma once

#include "Imaging.h"
#include "Library.h"
#include "Network.h"
#include "slidelink/SlideLink.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zelvo {
namespace slideserver {

// Region workers per viewer: the pieces of one request are made in parallel,
// up to half the machine's cores (two at least, four at most).
int DefaultWorkersPerViewer();

struct ServerOptions {
    bool verbose = false;
    std::FILE* log = nullptr;    // one line per request and reply when set
    int piece = 512;             // largest region reply edge, display pixels
    size_t maxQueuedPieces = 4096;
    int jpegQuality = 85;
    int workersPerViewer = DefaultWorkersPerViewer();  // region pieces of one viewer rendered at once
    int idleSeconds = 120;       // viewers send a keep-alive every 5 s
    int sendTimeoutSeconds = 20;
    size_t maxConnections = 256;
    int thumbnailEdge = 512;     // longest thumbnail edge of a whole slide
    int pictureThumbnailEdge = 1024;
};

// A slide opened for serving, shared by every connection showing it.
struct LoadedSlide {
    std::string path;
    std::unique_ptr<SlideSource> source;
    int64_t paddedWidth = 0, paddedHeight = 0; // tile grid extent
    std::vector<uint8_t> headerBody;           // the whole open reply body
};

// Header values the server sends for a source (no thumbnail).
struct HeaderInfo {
    slidelink::SlideHeader header;
    int32_t thumbnailFactor = 1;
    std::string textA, textB, matrixText; // UTF-8
};
HeaderInfo DescribeSlide(const SlideSource& src, const ServerOptions& options);

// The pieces a region is sent in: a grid of nearly equal pieces no wider or
// taller than maxEdge, and, so that the workers share the region evenly, at
// least `workers` of them as long as each keeps minArea pixels. Empty when
// that takes more than maxPieces.
std::vector<slidelink::TileRect> SplitRegion(const slidelink::TileRect& r, int maxEdge, int workers, int64_t minArea,
                                             size_t maxPieces);

class Connection;

class Server {
public:
    Server(const Library& library, ServerOptions options);
    ~Server();

    // Binds and listens on each address of a comma-separated list; port 0
    // takes an ephemeral port.
    bool Listen(const std::string& addresses, uint16_t port, std::string& error);
    uint16_t port() const { return m_port; }
    // Serves until Stop; then closes every connection and waits for them.
    void Run();
    // Safe from any thread (not from a signal handler).
    void Stop();

    // For the connections.
    std::shared_ptr<LoadedSlide> LoadSlide(const std::string& path, std::string& error);
    void ForgetSlide(const std::shared_ptr<LoadedSlide>& slide);
    const Library& library() const { return m_library; }
    const ServerOptions& options() const { return m_options; }
    void Log(bool request, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
    bool stopping() const { return m_stop.load(); }

private:

    const Library& m_library;
    ServerOptions m_options;
    std::vector<int> m_listens;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    WakePipe m_wake;
    std::list<std::shared_ptr<Connection>> m_connections;
    std::mutex m_cacheMutex;
    std::list<std::shared_ptr<LoadedSlide>> m_cache; // most recent first
    std::mutex m_logMutex;
};

} // namespace slideserver
} // namespace zelvo
