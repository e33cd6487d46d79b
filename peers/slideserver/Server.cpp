#include "Server.h"

#include "Network.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdarg>
#include <cstring>
#include <deque>
#include <fstream>
#include <chrono>
#include <thread>

namespace zelvo {
namespace slideserver {

using namespace slidelink;

namespace {

constexpr int kTileEdge = 256;
constexpr double kDefaultMicronsPerPixel = 0.25;
constexpr size_t kCacheSlides = 8;
constexpr uint32_t kMaxRequestBody = 64 * 1024;
// Pieces smaller than this cost more in their JPEG headers than they gain by
// being made at the same time as others.
constexpr int64_t kMinPieceArea = 256 * 256;
// Media requests a link may have waiting; beyond them its requests are not
// read until the transfers catch up.
constexpr size_t kMaxQueuedMedia = 256;


// Milliseconds of the raw monotonic clock, which Wine's performance counter
// follows, so that the server's and the viewer's moments can be compared.
double MonotonicMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC_RAW, &t);
    return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}

std::string Printable(const std::string& s)
{
    std::string out;
    for (char c : s.substr(0, 200)) out.push_back((unsigned char)c < 0x20 ? '?' : c);
    return out;
}

} // namespace

std::vector<TileRect> SplitRegion(const TileRect& r, int maxEdge, int workers, int64_t minArea, size_t maxPieces)
{
    std::vector<TileRect> out;
    const int64_t w = int64_t(r.right) - r.left, h = int64_t(r.bottom) - r.top;
    if (w <= 0 || h <= 0) return out;
    const int64_t edge = std::max(1, maxEdge);
    int64_t cols = (w + edge - 1) / edge, rows = (h + edge - 1) / edge;
    const int64_t wanted = std::min<int64_t>(workers, std::max<int64_t>(1, w * h / std::max<int64_t>(1, minArea)));
    // Cut the longer side of the pieces again until there are enough.
    while (cols * rows < wanted) {
        if (w * rows >= h * cols && cols < w)
            ++cols;
        else if (rows < h)
            ++rows;
        else
            break;
    }
    if (cols * rows > (int64_t)maxPieces) return out;
    for (int64_t j = 0; j < rows; ++j)
        for (int64_t i = 0; i < cols; ++i)
            out.push_back(TileRect{(int32_t)(r.left + w * i / cols), (int32_t)(r.top + h * j / rows),
                                   (int32_t)(r.left + w * (i + 1) / cols), (int32_t)(r.top + h * (j + 1) / rows)});
    return out;
}

int DefaultWorkersPerViewer()
{
    const int cores = (int)std::thread::hardware_concurrency();
    return std::clamp(cores / 2, 2, 4);
}

HeaderInfo DescribeSlide(const SlideSource& src, const ServerOptions& options)
{
    HeaderInfo info;
    int64_t w = std::max<int64_t>(1, src.width()), h = std::max<int64_t>(1, src.height());
    int64_t cols = (w + kTileEdge - 1) / kTileEdge, rows = (h + kTileEdge - 1) / kTileEdge;
    info.header.signature = src.isPicture() ? "jpg" : "ZELVO DIGITAL SLICE";
    double mpp = src.micronsPerPixel();
    bool known = mpp > 0;
    if (!known) mpp = kDefaultMicronsPerPixel;
    double mppY = known ? src.micronsPerPixel(true) : 0;
    if (!(mppY > 0)) mppY = mpp;
    info.header.xPixelsPerMetre = (int32_t)std::lround(std::min(2.0e9, std::max(1.0, 1.0e6 / mpp)));
    info.header.yPixelsPerMetre = (int32_t)std::lround(std::min(2.0e9, std::max(1.0, 1.0e6 / mppY)));
    info.header.tileWidth = info.header.tileHeight = kTileEdge;
    info.header.tileColumns = (int32_t)std::min<int64_t>(cols, INT32_MAX / kTileEdge);
    info.header.tileRows = (int32_t)std::min<int64_t>(rows, INT32_MAX / kTileEdge);
    int edge = src.isPicture() ? options.pictureThumbnailEdge : options.thumbnailEdge;
    int64_t longest = std::max(cols, rows) * kTileEdge;
    info.thumbnailFactor = (int32_t)std::max<int64_t>(1, (longest + edge - 1) / edge);
    info.textA = src.formatName();
    char b[128];
    if (src.objectivePower() > 0)
        std::snprintf(b, sizeof b, "%g倍 %.3f微米/像素%s", src.objectivePower(), mpp, known ? "" : "(估计)");
    else
        std::snprintf(b, sizeof b, "%.3f微米/像素%s", mpp, known ? "" : "(估计)");
    info.textB = b;
    std::snprintf(b, sizeof b, "%dx%d", info.header.tileColumns, info.header.tileRows);
    info.matrixText = b;
    return info;
}

// One viewer.
class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(Server& server, int fd, std::string peer) : m_server(server), m_fd(fd), m_peer(std::move(peer)) {}
    ~Connection()
    {
        if (m_fd >= 0) ::close(m_fd);
    }

    void Start()
    {
        int workers = std::max(1, m_server.options().workersPerViewer);
        m_running = 1 + workers;
        auto self = shared_from_this();
        m_reader = std::thread([self] { self->ReadLoop(); self->m_running--; });
        for (int i = 0; i < workers; ++i)
            m_workers.emplace_back([self, i] { self->WorkLoop(i == 0); self->m_running--; });
    }
    void Close()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_closing) {
            m_closing = true;
            ::shutdown(m_fd, SHUT_RDWR);
        }
        m_cv.notify_all();
        m_room.notify_all();
    }
    bool finished() const { return m_running.load() == 0; }
    void Join()
    {
        if (m_reader.joinable()) m_reader.join();
        for (auto& w : m_workers)
            if (w.joinable()) w.join();
    }

private:
    struct Job {
        bool media = false;
        uint32_t replyCode = 0;
        TileRect rect;
        double sx = 0, sy = 0;
        std::shared_ptr<LoadedSlide> slide;
        std::string wirePath, file;
        uint32_t held = 0;
        uint64_t generation = 0; // regions: the cancel count when queued
        std::chrono::steady_clock::time_point queuedAt;
    };

    bool closing()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_closing;
    }

    void ReadLoop()
    {
        const ServerOptions& opt = m_server.options();
        // Requests are a path at most: a small bound keeps a hostile length
        // from holding memory.
        FrameReader frames(kMaxRequestBody);
        std::vector<uint8_t> buf(64 * 1024), body;
        int idleMs = 0;
        while (!closing() && !m_server.stopping()) {
            pollfd p{m_fd, POLLIN, 0};
            int r = ::poll(&p, 1, 250);
            if (r < 0 && errno != EINTR) break;
            if (r <= 0) {
                idleMs += 250;
                if (idleMs >= opt.idleSeconds * 1000) {
                    m_server.Log(false, "%s idle, closed", m_peer.c_str());
                    break;
                }
                continue;
            }
            ssize_t n = ::recv(m_fd, buf.data(), buf.size(), 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) break;
            idleMs = 0;
            if (!frames.Feed(buf.data(), (size_t)n)) {
                m_server.Log(true, "%s bad frame length, closed", m_peer.c_str());
                break;
            }
            bool ok = true;
            while (ok && frames.Next(body)) ok = Handle(body);
            if (!ok) break;
        }
        Close();
    }

    bool Bad(const char* why)
    {
        m_server.Log(true, "%s bad request: %s, closed", m_peer.c_str(), why);
        return false;
    }

    bool Handle(const std::vector<uint8_t>& body)
    {
        Request req;
        ParseResult pr = ParseRequest(body.data(), body.size(), req);
        if (pr == ParseResult::kUnknownCode) {
            m_server.Log(true, "%s code %u unknown, ignored", m_peer.c_str(), req.code);
            return true;
        }
        if (pr == ParseResult::kBadRequest) return Bad("malformed body");
        switch (req.code) {
        case kKeepAlive:
            // The viewer closes a link whose server has been silent for a while.
            return Send(CodeOnlyBody(kKeepAlive), nullptr);
        case kOpenSlide:
        case kResumeSlide:
            return OpenSlide(req);
        case kTileRequest:
        case kTilePrefetch:
            return QueueRegion(req);
        case kCancel: {
            {
                // Pieces being made now are dropped too: the viewer may already
                // be at another magnification, where they would fit elsewhere.
                std::lock_guard<std::mutex> sending(m_sendMutex);
                ++m_generation;
            }
            std::lock_guard<std::mutex> lock(m_mutex);
            size_t before = m_jobs.size();
            m_jobs.erase(std::remove_if(m_jobs.begin(), m_jobs.end(), [](const Job& j) { return !j.media; }),
                         m_jobs.end());
            m_queuedPieces = 0;
            m_room.notify_all();
            m_server.Log(true, "%s 1305 cancel, %zu queued dropped", m_peer.c_str(), before - m_jobs.size());
            return true;
        }
        case kGetMarks:
        case kGetUserMarks:
            return SendMarks(req.code);
        case kMediaData:
            return QueueMedia(req);
        }
        return true;
    }

    bool OpenSlide(const Request& req)
    {
        m_server.Log(true, "%s %u open \"%s\"", m_peer.c_str(), req.code, Printable(req.path).c_str());
        std::string file = m_server.library().ResolveSlide(req.path);
        if (file.empty()) return Refuse("no such slide in the library");
        std::string error;
        std::shared_ptr<LoadedSlide> slide = m_server.LoadSlide(file, error);
        if (!slide) return Refuse(("cannot read " + file + ": " + error).c_str());
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_slide = slide;
            // Work for the previous slide is of no use any more.
            m_jobs.erase(std::remove_if(m_jobs.begin(), m_jobs.end(), [](const Job& j) { return !j.media; }),
                         m_jobs.end());
            m_queuedPieces = 0;
            m_room.notify_all();
        }
        if (req.code == kResumeSlide) return Send(CodeOnlyBody(kResumeSlide), "1302 resumed");
        return Send(slide->headerBody, "1300 header");
    }

    // A slide that cannot be shown is answered with a header the viewer
    // refuses (no signature): it tells the user, and the link stays up. A
    // closed link would only make the viewer reconnect and ask again.
    bool Refuse(const char* why)
    {
        m_server.Log(true, "%s %s, refused", m_peer.c_str(), why);
        return Send(SlideHeaderReplyBody(0, SlideHeader(), "", "", "", nullptr, 0), "1300 refusal");
    }

    bool QueueRegion(const Request& req)
    {
        const TileRect& r = req.rect;
        m_server.Log(true, "%s %u region (%d,%d,%d,%d) scale %g,%g", m_peer.c_str(), req.code, r.left, r.top,
                     r.right, r.bottom, req.scaleX, req.scaleY);
        std::shared_ptr<LoadedSlide> slide;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            slide = m_slide;
        }
        if (!slide) {
            // A viewer whose slide was refused (it left the library while the
            // viewer was away) still shows it and pans over it; a closed link
            // would only bring it back to be refused again.
            m_server.Log(true, "%s no slide open, region ignored", m_peer.c_str());
            return true;
        }
        // Any positive scale and any ratio of the two is answered: the work
        // is bounded by the pieces' pixels, whatever area of the slide they show.
        double sx = req.scaleX, sy = req.scaleY;
        if (!std::isfinite(sx) || !std::isfinite(sy) || sx <= 0 || sy <= 0) return Bad("impossible scale");
        if (r.right < r.left || r.bottom < r.top) return Bad("negative rectangle");
        int64_t dispW = (int64_t)std::min<double>(INT32_MAX, std::ceil((double)slide->paddedWidth * sx));
        int64_t dispH = (int64_t)std::min<double>(INT32_MAX, std::ceil((double)slide->paddedHeight * sy));
        int64_t l = std::max<int64_t>(r.left, 0), t = std::max<int64_t>(r.top, 0);
        int64_t rr = std::min<int64_t>(r.right, dispW), b = std::min<int64_t>(r.bottom, dispH);
        if (l >= rr || t >= b) return true;
        const ServerOptions& opt = m_server.options();
        const std::vector<TileRect> pieces =
            SplitRegion(TileRect{(int32_t)l, (int32_t)t, (int32_t)rr, (int32_t)b}, opt.piece,
                        std::max(1, opt.workersPerViewer), kMinPieceArea, opt.maxQueuedPieces);
        uint32_t reply = req.code == kTileRequest ? (uint32_t)kTileRequest : (uint32_t)kTilePrefetchReply;
        if (pieces.empty()) {
            // More pieces than the queue ever holds: the viewer records the
            // region as received without a picture and keeps its low-resolution
            // ground there, rather than waiting for it for good.
            const TileRect whole{(int32_t)l, (int32_t)t, (int32_t)rr, (int32_t)b};
            char what[128];
            std::snprintf(what, sizeof what, "%u region (%d,%d,%d,%d) too large, without a picture", reply,
                          whole.left, whole.top, whole.right, whole.bottom);
            return Send(TileReplyBody(reply, whole, nullptr, 0), what);
        }
        uint64_t generation;
        {
            std::lock_guard<std::mutex> sending(m_sendMutex);
            generation = m_generation;
        }
        // A full queue is not refused: the link is not read until the workers
        // have made room, so that every region is answered in bounded memory.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_room.wait(lock, [&] { return m_closing || m_queuedPieces + pieces.size() <= opt.maxQueuedPieces; });
        if (m_closing) return false;
        for (const TileRect& piece : pieces) {
            Job j;
            j.replyCode = reply;
            j.rect = piece;
            j.sx = sx;
            j.sy = sy;
            j.slide = slide;
            j.generation = generation;
            j.queuedAt = std::chrono::steady_clock::now();
            m_jobs.push_back(std::move(j));
        }
        m_queuedPieces += pieces.size();
        m_cv.notify_all();
        return true;
    }

    bool SendMarks(uint32_t code)
    {
        std::shared_ptr<LoadedSlide> slide;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            slide = m_slide;
        }
        m_server.Log(true, "%s %u marks", m_peer.c_str(), code);
        std::vector<uint8_t> data;
        if (slide) {
            std::string path = Library::MarksPath(slide->path, code == kGetUserMarks);
            if (!ReadWholeFile(path, kMaxBodyLength - 4, data)) data.clear();
        }
        char what[64];
        std::snprintf(what, sizeof what, "%u marks", code);
        return Send(MarksReplyBody(code, data.data(), data.size()), what);
    }

    bool QueueMedia(const Request& req)
    {
        m_server.Log(true, "%s 1320 media \"%s\" held %u", m_peer.c_str(), Printable(req.path).c_str(), req.value);
        if (req.path.size() > 32767) return Bad("media path too long");
        std::string file = m_server.library().ResolveMedia(req.path);
        if (file.empty()) {
            m_server.Log(false, "%s media \"%s\" not in the library", m_peer.c_str(), Printable(req.path).c_str());
            return true;
        }
        // As with regions, a full queue holds the link's requests back unread.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_room.wait(lock, [&] { return m_closing || m_queuedMedia < kMaxQueuedMedia; });
        if (m_closing) return false;
        ++m_queuedMedia;
        Job j;
        j.media = true;
        j.wirePath = req.path;
        j.file = file;
        j.held = req.value;
        m_jobs.push_back(std::move(j));
        m_cv.notify_all();
        return true;
    }

    // Media pieces of one file must not interleave with another transfer of
    // it, so only the first worker sends media.
    void WorkLoop(bool takesMedia)
    {
        for (;;) {
            Job job;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                std::deque<Job>::iterator it;
                m_cv.wait(lock, [&] {
                    if (m_closing) return true;
                    it = takesMedia ? m_jobs.begin()
                                    : std::find_if(m_jobs.begin(), m_jobs.end(), [](const Job& j) { return !j.media; });
                    return it != m_jobs.end();
                });
                if (m_closing) return;
                job = std::move(*it);
                m_jobs.erase(it);
                if (job.media && m_queuedMedia > 0) --m_queuedMedia;
                if (!job.media && m_queuedPieces > 0) --m_queuedPieces;
                m_room.notify_all();
            }
            bool ok = job.media ? SendMedia(job) : SendRegion(job);
            if (!ok) {
                Close();
                return;
            }
        }
    }

    bool SendRegion(const Job& job)
    {
        using Clock = std::chrono::steady_clock;
        const auto ms = [](Clock::time_point a, Clock::time_point b) {
            return std::chrono::duration<double, std::milli>(b - a).count();
        };
        const Clock::time_point started = Clock::now();
        const TileRect& r = job.rect;
        RgbImage img;
        std::vector<uint8_t> jpeg;
        RenderTimes render;
        bool ok = RenderRegion(*job.slide->source, r.left, r.top, r.right - r.left, r.bottom - r.top, job.sx,
                               job.sy, img, &render);
        const Clock::time_point rendered = Clock::now();
        ok = ok && EncodeJpeg(img, m_server.options().jpegQuality, jpeg);
        const Clock::time_point encoded = Clock::now();
        if (!ok) {
            m_server.Log(false, "%s region (%d,%d,%d,%d) unreadable", m_peer.c_str(), r.left, r.top, r.right,
                         r.bottom);
            // OpenSlide keeps a read error for good: the next open reopens the file.
            m_server.ForgetSlide(job.slide);
            // Answered all the same, without a picture: the viewer counts the
            // piece as received and shows its low-resolution ground there.
            char what[128];
            std::snprintf(what, sizeof what, "%u region (%d,%d,%d,%d) without a picture", job.replyCode, r.left,
                          r.top, r.right, r.bottom);
            return Send(TileReplyBody(job.replyCode, r, nullptr, 0), what, &job.generation);
        }
        // The stages of the piece, for the streaming benchmark.
        char what[192];
        std::snprintf(what, sizeof what, "%u region (%d,%d,%d,%d) scale %g,%g queued %.1f read %.1f scale %.1f encode %.1f ms",
                      job.replyCode, r.left, r.top, r.right, r.bottom, job.sx, job.sy, ms(job.queuedAt, started),
                      render.readMs, render.scaleMs, ms(rendered, encoded));
        return Send(TileReplyBody(job.replyCode, r, jpeg.data(), jpeg.size()), what, &job.generation);
    }

    bool SendMedia(const Job& job)
    {
        std::ifstream f(job.file, std::ios::binary);
        if (!f) {
            m_server.Log(false, "%s media %s unreadable", m_peer.c_str(), job.file.c_str());
            return true;
        }
        f.seekg(0, std::ios::end);
        uint64_t size = (uint64_t)std::max<std::streamoff>(0, f.tellg());
        uint64_t from = job.held;
        // A resume goes on without a start piece. A count beyond the file
        // (another file, or this one before it shrank) sends the file anew:
        // a viewer that held bytes takes one start piece as the head of a
        // resume, and only a second one as "empty the partial file".
        if (from == 0 || from > size) {
            const int starts = from == 0 ? 1 : 2;
            from = 0;
            for (int i = 0; i < starts; ++i)
                if (!Send(MediaReplyBody(job.wirePath, 0, nullptr, 0), "1320 media start")) return false;
        }
        f.seekg((std::streamoff)from);
        std::vector<uint8_t> piece(kMaxMediaPiece);
        uint64_t pos = from;
        while (pos < size) {
            if (closing()) return false;
            size_t n = (size_t)std::min<uint64_t>(kMaxMediaPiece, size - pos);
            if (!f.read(reinterpret_cast<char*>(piece.data()), (std::streamsize)n)) {
                // The file shrank under us: end here, the viewer asks again.
                m_server.Log(false, "%s media %s read failed", m_peer.c_str(), job.file.c_str());
                return true;
            }
            if (!Send(MediaReplyBody(job.wirePath, (int16_t)n, piece.data(), n), nullptr)) return false;
            pos += n;
        }
        char what[96];
        std::snprintf(what, sizeof what, "1320 media end, %llu bytes from %llu", (unsigned long long)(size - from),
                      (unsigned long long)from);
        return Send(MediaReplyBody(job.wirePath, -1, nullptr, 0), what);
    }

    // With a generation: nothing is sent when a cancel came after the job was queued.
    bool Send(const std::vector<uint8_t>& body, const char* what, const uint64_t* generation = nullptr)
    {
        if (body.empty()) return false;
        std::vector<uint8_t> frame = Frame(body);
        std::lock_guard<std::mutex> lock(m_sendMutex);
        if (generation && *generation != m_generation) {
            if (what) m_server.Log(false, "%s %s cancelled, not sent", m_peer.c_str(), what);
            return true;
        }
        size_t sent = 0;
        while (sent < frame.size()) {
            ssize_t n = ::send(m_fd, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                m_server.Log(false, "%s send failed (%s), closed", m_peer.c_str(), std::strerror(errno));
                Close();
                return false;
            }
            sent += (size_t)n;
        }
        // The moment on the clock that the viewer's timings use, for the streaming benchmark.
        if (what) m_server.Log(false, "%s reply %s at %.1f, %zu bytes", m_peer.c_str(), what, MonotonicMs(), body.size());
        return true;
    }

    Server& m_server;
    int m_fd;
    std::string m_peer;
    std::thread m_reader;
    std::vector<std::thread> m_workers;
    std::atomic<int> m_running{0};
    std::mutex m_mutex; // guards everything below
    std::condition_variable m_cv;   // work for the workers
    std::condition_variable m_room; // room in the queue for the reader
    bool m_closing = false;
    std::deque<Job> m_jobs;
    size_t m_queuedPieces = 0;
    size_t m_queuedMedia = 0;
    std::shared_ptr<LoadedSlide> m_slide;
    std::mutex m_sendMutex; // guards the socket's writes and the cancel count
    uint64_t m_generation = 0;
};

Server::Server(const Library& library, ServerOptions options) : m_library(library), m_options(options) {}

Server::~Server()
{
    Stop();
    for (auto& c : m_connections) c->Close();
    ReapConnections(m_connections, true);
    for (int fd : m_listens) ::close(fd);
}

bool Server::Listen(const std::string& addresses, uint16_t port, std::string& error)
{
    m_listens = ListenTcpOnEach(addresses, port, m_port, error);
    return !m_listens.empty() && m_wake.Open(error);
}

void Server::Stop()
{
    if (!m_stop.exchange(true)) m_wake.Wake();
}

void Server::Run()
{
    while (!m_stop.load()) {
        std::vector<pollfd> p{{m_wake.fd(), POLLIN, 0}};
        for (int fd : m_listens) p.push_back({fd, POLLIN, 0});
        int r = ::poll(p.data(), p.size(), 500);
        ReapConnections(m_connections, false);
        if (r <= 0) continue;
        for (size_t i = 1; i < p.size(); ++i) {
            if (!(p[i].revents & POLLIN)) continue;
            std::string name;
            int fd = AcceptClient(p[i].fd, m_options.sendTimeoutSeconds, name);
            if (fd < 0) continue;
            if (m_connections.size() >= m_options.maxConnections) {
                Log(false, "too many viewers, connection refused");
                ::close(fd);
                continue;
            }
            auto c = std::make_shared<Connection>(*this, fd, name);
            Log(false, "%s connected", name.substr(0, name.find(':')).c_str());
            c->Start();
            m_connections.push_back(std::move(c));
        }
    }
    for (auto& c : m_connections) c->Close();
    ReapConnections(m_connections, true);
}

std::shared_ptr<LoadedSlide> Server::LoadSlide(const std::string& path, std::string& error)
{
    std::lock_guard<std::mutex> lock(m_cacheMutex);
    for (auto it = m_cache.begin(); it != m_cache.end(); ++it) {
        if ((*it)->path == path) {
            auto s = *it;
            m_cache.erase(it);
            m_cache.push_front(s);
            return s;
        }
    }
    auto slide = std::make_shared<LoadedSlide>();
    slide->path = path;
    slide->source = OpenSlideSource(path, error);
    if (!slide->source) return nullptr;
    HeaderInfo info = DescribeSlide(*slide->source, m_options);
    slide->paddedWidth = (int64_t)info.header.tileColumns * info.header.tileWidth;
    slide->paddedHeight = (int64_t)info.header.tileRows * info.header.tileHeight;
    double f = 1.0 / info.thumbnailFactor;
    int tw = (int)std::max<int64_t>(1, (slide->paddedWidth + info.thumbnailFactor - 1) / info.thumbnailFactor);
    int th = (int)std::max<int64_t>(1, (slide->paddedHeight + info.thumbnailFactor - 1) / info.thumbnailFactor);
    RgbImage thumb;
    std::vector<uint8_t> jpeg;
    if (!RenderRegion(*slide->source, 0, 0, tw, th, f, f, thumb) || !EncodeJpeg(thumb, 85, jpeg)) {
        error = "thumbnail unreadable";
        return nullptr;
    }
    slide->headerBody = SlideHeaderReplyBody(
        info.thumbnailFactor, info.header, CutGb2312(ToGb2312(info.textA), kTextFieldSize - 1),
        CutGb2312(ToGb2312(info.textB), kTextFieldSize - 1), CutGb2312(ToGb2312(info.matrixText), kMatrixTextSize - 1),
        jpeg.data(), jpeg.size());
    m_cache.push_front(slide);
    if (m_cache.size() > kCacheSlides) m_cache.pop_back();
    return slide;
}

void Server::ForgetSlide(const std::shared_ptr<LoadedSlide>& slide)
{
    std::lock_guard<std::mutex> lock(m_cacheMutex);
    m_cache.remove(slide);
}

void Server::Log(bool request, const char* fmt, ...)
{
    if (!(request && m_options.verbose) && !m_options.log) return;
    char line[1024];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    std::lock_guard<std::mutex> lock(m_logMutex);
    if (request && m_options.verbose) std::fprintf(stderr, "%s\n", line);
    if (m_options.log) {
        std::fprintf(m_options.log, "%s\n", line);
        std::fflush(m_options.log);
    }
}

} // namespace slideserver
} // namespace zelvo
