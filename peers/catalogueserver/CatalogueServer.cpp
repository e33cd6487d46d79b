#include "CatalogueServer.h"

#include "Network.h"

#include "catalogue/CatalogNames.h"
#include "catalogue/CatalogPacket.h"
#include "catalogue/Discovery.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstring>
#include <thread>
#include <vector>

namespace zelvo {
namespace catalogueserver {

using namespace catalog;

namespace {

std::string Printable(const std::u16string& s)
{
    std::string out;
    for (char c : Utf16ToUtf8(s.substr(0, 200))) out.push_back((unsigned char)c < 0x20 ? '?' : c);
    return out;
}

CCatalogPacket ReplyOf(int32_t type, int32_t item)
{
    CCatalogPacket p = MakeRequest(type, item);
    return p;
}

} // namespace

class CatalogueConnection : public std::enable_shared_from_this<CatalogueConnection> {
public:
    CatalogueConnection(CatalogueServer& server, int fd, std::string peer)
        : m_server(server), m_fd(fd), m_peer(std::move(peer))
    {
    }
    ~CatalogueConnection()
    {
        if (m_fd >= 0) ::close(m_fd);
    }
    void Start()
    {
        auto self = shared_from_this();
        m_running = 2;
        m_reader = std::thread([self] { self->ReadLoop(); self->m_running--; });
        m_worker = std::thread([self] { self->WorkLoop(); self->m_running--; });
    }
    void Close()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_closing) {
            m_closing = true;
            ::shutdown(m_fd, SHUT_RDWR);
        }
        m_cv.notify_all();
    }
    bool finished() const { return m_running.load() == 0; }
    void Join()
    {
        if (m_reader.joinable()) m_reader.join();
        if (m_worker.joinable()) m_worker.join();
    }

private:
    bool closing()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_closing;
    }

    void ReadLoop()
    {
        uint8_t record[kPacketSize];
        size_t have = 0;
        int idleMs = 0;
        while (!closing() && !m_server.stopping()) {
            pollfd p{m_fd, POLLIN, 0};
            int r = ::poll(&p, 1, 250);
            if (r < 0 && errno != EINTR) break;
            if (r <= 0) {
                idleMs += 250;
                if (idleMs >= m_server.settings().idleSeconds * 1000) {
                    m_server.Log("%s idle, closed", m_peer.c_str());
                    break;
                }
                continue;
            }
            ssize_t n = ::recv(m_fd, record + have, kPacketSize - have, 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) break;
            idleMs = 0;
            have += (size_t)n;
            if (have < kPacketSize) continue;
            have = 0;
            CCatalogPacket req;
            DecodePacket(record, req);
            if (!Handle(req)) break;
        }
        m_server.Log("%s closed", m_peer.c_str());
        Close();
    }

    bool Handle(const CCatalogPacket& req)
    {
        switch (req.nType) {
        case kKeepAlive:
            return Send(ReplyOf(kKeepAliveAnswer, 0), nullptr, "-1 keep-alive");
        case kFolderRequest:
            return Folders(req);
        case kListRequest:
        case kPreviewRequest: {
            m_server.Log("%s %d %s \"%s\" item %d known %d", m_peer.c_str(), req.nType,
                         req.nType == kListRequest ? "list" : "preview", Printable(FieldText(req.szPath)).c_str(),
                         req.nItemId, req.nKnownCount);
            std::lock_guard<std::mutex> lock(m_mutex);
            // Only the latest of each waits: the client has moved on from older ones.
            if (req.nType == kListRequest) {
                m_list = req;
                m_hasList = true;
                ++m_listGeneration;
            } else {
                m_preview = req;
                m_hasPreview = true;
            }
            m_cv.notify_all();
            return true;
        }
        default:
            m_server.Log("%s request %d unknown, ignored", m_peer.c_str(), req.nType);
            return true;
        }
    }

    bool Folders(const CCatalogPacket& req)
    {
        std::u16string path = FieldText(req.szPath);
        m_server.Log("%s 2 folder \"%s\" item %d", m_peer.c_str(), Printable(path).c_str(), req.nItemId);
        Catalogue& cat = m_server.catalogue();
        const Catalogue::Folder* folder = cat.FindFolder(path);
        if (!folder) return Text(u"没有这个文件夹");
        int sent = 0;
        for (size_t child : folder->children) {
            CCatalogPacket e = ReplyOf(kTreeEntry, req.nItemId);
            if (!SetFieldText(e.szPath, cat.WireFolder(child))) continue;  // too deep to name
            e.nFlag = cat.folder(child).children.empty() ? 0 : 1;
            if (!Send(e, nullptr, nullptr)) return false;
            ++sent;
        }
        m_server.Log("%s reply -2 folders %d", m_peer.c_str(), sent);
        return true;
    }

    bool Text(const std::u16string& text)
    {
        CCatalogPacket t = ReplyOf(kText, 0);
        SetFieldText(t.szPath, text);
        return Send(t, nullptr, "-4 text");
    }

    void WorkLoop()
    {
        for (;;) {
            CCatalogPacket job;
            bool list = false;
            uint64_t generation = 0;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_cv.wait(lock, [&] { return m_closing || m_hasList || m_hasPreview; });
                if (m_closing) return;
                // A preview is one picture: it goes before the rest of a list.
                if (m_hasPreview) {
                    job = m_preview;
                    m_hasPreview = false;
                } else {
                    job = m_list;
                    m_hasList = false;
                    list = true;
                    generation = m_listGeneration;
                }
            }
            bool ok = list ? SendList(job, generation) : SendPreview(job);
            if (!ok) {
                Close();
                return;
            }
        }
    }

    bool ListSuperseded(uint64_t generation)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_closing || m_listGeneration != generation;
    }

    bool SendList(const CCatalogPacket& req, uint64_t generation)
    {
        Catalogue& cat = m_server.catalogue();
        const Catalogue::Folder* folder = cat.FindFolder(FieldText(req.szPath));
        if (!folder) return Text(u"没有这个文件夹");
        // Resent after a reconnect: the client shows the first items already.
        size_t from = req.nKnownCount > 0 ? (size_t)req.nKnownCount : 0;
        size_t sent = 0;
        bool first = from == 0;
        for (size_t k = from; k < folder->slides.size(); ++k) {
            if (ListSuperseded(generation)) {
                m_server.Log("%s list superseded after %zu items", m_peer.c_str(), sent);
                return true;
            }
            size_t i = folder->slides[k];
            const SlideDescription& d = cat.Describe(i);
            CCatalogPacket item = ReplyOf(kListItem, req.nItemId);
            if (!SetFieldText(item.szPath, cat.WireSlide(i))) continue;
            item.nTotalLen = (int32_t)(kPacketSize + d.thumbnail.size());
            item.nFlag = first ? 1 : 0;
            item.nDataSize = (int32_t)std::min<int64_t>(d.fileSize, INT32_MAX);
            SetFieldText(item.szInfoName, d.infoName.substr(0, kInfoUnits - 1));
            SetFieldText(item.szInfoValue, d.infoValue.substr(0, kInfoUnits - 1));
            SetFieldText(item.szScanSize, d.scanSize.substr(0, kScanUnits - 1));
            SetFieldText(item.szMatrixSize, d.matrixSize.substr(0, kMatrixUnits - 1));
            item.nMarkState = d.readable ? 1 : 0;
            if (!Send(item, &d.thumbnail, nullptr)) return false;
            first = false;
            ++sent;
        }
        m_server.Log("%s reply -3 items %zu from %zu", m_peer.c_str(), sent, from);
        return true;
    }

    bool SendPreview(const CCatalogPacket& req)
    {
        Catalogue& cat = m_server.catalogue();
        long slide = cat.FindSlide(FieldText(req.szPath));
        std::vector<uint8_t> jpeg;
        if (slide < 0 || !cat.Preview((size_t)slide, jpeg) || jpeg.empty()) return Text(u"无法预览");
        CCatalogPacket p = ReplyOf(kPreviewImage, 0);
        SetFieldText(p.szPath, cat.WireSlide((size_t)slide));
        p.nDataSize = (int32_t)jpeg.size();
        p.nTotalLen = (int32_t)(kPacketSize + jpeg.size());
        char what[64];
        std::snprintf(what, sizeof what, "-5 preview %zu bytes", jpeg.size());
        return Send(p, &jpeg, what);
    }

    bool Send(const CCatalogPacket& record, const std::vector<uint8_t>* payload, const char* what)
    {
        uint8_t bytes[kPacketSize];
        EncodePacket(record, bytes);
        std::lock_guard<std::mutex> lock(m_sendMutex);
        if (!WriteAll(bytes, kPacketSize) || (payload && !WriteAll(payload->data(), payload->size()))) return false;
        if (what) m_server.Log("%s reply %s", m_peer.c_str(), what);
        return true;
    }

    bool WriteAll(const uint8_t* p, size_t n)
    {
        while (n > 0) {
            ssize_t w = ::send(m_fd, p, n, MSG_NOSIGNAL);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            p += w;
            n -= (size_t)w;
        }
        return true;
    }

    CatalogueServer& m_server;
    int m_fd;
    std::string m_peer;
    std::thread m_reader, m_worker;
    std::atomic<int> m_running{0};
    std::mutex m_mutex;  // guards the waiting requests and m_closing
    std::condition_variable m_cv;
    bool m_closing = false;
    CCatalogPacket m_list, m_preview;
    bool m_hasList = false, m_hasPreview = false;
    uint64_t m_listGeneration = 0;
    std::mutex m_sendMutex;  // one record (and its picture) on the wire at a time
};

CatalogueServer::CatalogueServer(Catalogue& catalogue, ServerSettings settings)
    : m_catalogue(catalogue), m_settings(settings)
{
}

CatalogueServer::~CatalogueServer()
{
    Stop();
    for (auto& c : m_connections) c->Close();
    slideserver::ReapConnections(m_connections, true);
    for (int fd : m_listens) ::close(fd);
    if (m_udp >= 0) ::close(m_udp);
}

bool CatalogueServer::Listen(const std::string& addresses, uint16_t port, std::string& error)
{
    m_listens = slideserver::ListenTcpOnEach(addresses, port, m_port, error);
    return !m_listens.empty() && m_wake.Open(error);
}

bool CatalogueServer::ListenDiscovery(uint16_t port, std::string& error)
{
    // Broadcasts reach only a socket bound to every address.
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    m_udp = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int on = 1;
    if (m_udp < 0 || ::setsockopt(m_udp, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) < 0 ||
        ::bind(m_udp, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0) {
        error = std::string("cannot take the discovery port: ") + std::strerror(errno);
        return false;
    }
    socklen_t len = sizeof a;
    ::getsockname(m_udp, reinterpret_cast<sockaddr*>(&a), &len);
    m_discoveryPort = ntohs(a.sin_port);
    return true;
}

void CatalogueServer::Stop()
{
    if (!m_stop.exchange(true)) m_wake.Wake();
}

void CatalogueServer::AnswerDiscovery()
{
    uint8_t buf[2048];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t n = ::recvfrom(m_udp, buf, sizeof buf, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) return;
    char host[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &from.sin_addr, host, sizeof host);
    if (!IsDiscoveryRequest(buf, (size_t)n)) {
        Log("%s:%u discovery datagram of %zd bytes ignored", host, ntohs(from.sin_port), n);
        return;
    }
    ::sendto(m_udp, kDiscoveryAnswer, 2, 0, reinterpret_cast<sockaddr*>(&from), len);
    Log("%s:%u discovery answered", host, ntohs(from.sin_port));
}

void CatalogueServer::Run()
{
    while (!m_stop.load()) {
        std::vector<pollfd> p{{m_wake.fd(), POLLIN, 0}};
        if (m_udp >= 0) p.push_back({m_udp, POLLIN, 0});
        size_t firstListen = p.size();
        for (int fd : m_listens) p.push_back({fd, POLLIN, 0});
        int r = ::poll(p.data(), p.size(), 500);
        slideserver::ReapConnections(m_connections, false);
        if (r <= 0) continue;
        if (m_udp >= 0 && (p[1].revents & POLLIN)) AnswerDiscovery();
        for (size_t i = firstListen; i < p.size(); ++i) {
            if (!(p[i].revents & POLLIN)) continue;
            std::string name;
            int fd = slideserver::AcceptClient(p[i].fd, m_settings.sendTimeoutSeconds, name);
            if (fd < 0) continue;
            if (m_connections.size() >= m_settings.maxConnections) {
                Log("too many clients, connection refused");
                ::close(fd);
                continue;
            }
            auto c = std::make_shared<CatalogueConnection>(*this, fd, name);
            Log("%s connected", name.c_str());
            c->Start();
            m_connections.push_back(std::move(c));
        }
    }
    for (auto& c : m_connections) c->Close();
    slideserver::ReapConnections(m_connections, true);
}

void CatalogueServer::Log(const char* fmt, ...)
{
    if (!m_settings.verbose && !m_settings.log) return;
    char line[1024];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    std::lock_guard<std::mutex> lock(m_logMutex);
    if (m_settings.verbose) std::fprintf(stderr, "%s\n", line);
    if (m_settings.log) {
        std::fprintf(m_settings.log, "%s\n", line);
        std::fflush(m_settings.log);
    }
}

} // namespace catalogueserver
} // namespace zelvo
