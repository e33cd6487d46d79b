// A blocking catalogue client over POSIX sockets: what the server's tests and
// the benchmark's baseline use to talk to the server without the program.
#pragma once

#include "catalogue/CatalogStream.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <memory>
#include <string>

namespace zelvo {
namespace catalogueserver {

// Every reply as it came, in order.
struct ReceivedReply {
    catalog::CCatalogPacket record;
    std::vector<uint8_t> payload;
};

class PlainClient : private catalog::ICatalogReplyHandler {
public:
    PlainClient(const std::string& address, uint16_t port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        inet_pton(AF_INET, address.c_str(), &a.sin_addr);
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~PlainClient() { ::close(m_fd); }
    PlainClient(const PlainClient&) = delete;
    PlainClient& operator=(const PlainClient&) = delete;

    bool connected() const { return m_connected; }
    bool closed() const { return m_closed; }

    bool Send(const catalog::CCatalogPacket& request)
    {
        uint8_t bytes[catalog::kPacketSize];
        catalog::EncodePacket(request, bytes);
        size_t sent = 0;
        while (sent < sizeof bytes) {
            ssize_t n = ::send(m_fd, bytes + sent, sizeof bytes - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += (size_t)n;
        }
        return true;
    }
    bool Request(int32_t type, int32_t item, const std::u16string& path, int32_t known = 0)
    {
        catalog::CCatalogPacket p = catalog::MakeRequest(type, item);
        catalog::SetFieldText(p.szPath, path);
        p.nKnownCount = known;
        return Send(p);
    }

    // The next reply; false on timeout, a closed connection or a faulty stream.
    bool Next(ReceivedReply& out, int timeoutMs = 20000)
    {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (m_replies.empty()) {
            int left = (int)std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now())
                           .count();
            if (left <= 0 || m_closed) return false;
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, left) <= 0) return false;
            ssize_t n = ::recv(m_fd, m_reader.Space(), m_reader.SpaceSize(), 0);
            if (n <= 0) {
                m_closed = true;
                return false;
            }
            if (!m_reader.Commit((size_t)n, *this)) return false;
        }
        out = std::move(m_replies.front());
        m_replies.pop_front();
        return true;
    }

private:
    void Push(const catalog::CCatalogPacket& r, std::vector<uint8_t> payload = {})
    {
        m_replies.push_back(ReceivedReply{r, std::move(payload)});
    }
    void OnKeepAliveAnswer() override { Push(catalog::MakeRequest(catalog::kKeepAliveAnswer)); }
    void OnTreeEntry(const catalog::CCatalogPacket& e) override { Push(e); }
    void OnListItem(std::unique_ptr<catalog::CatalogReply> r) override { Push(r->record, std::move(r->payload)); }
    void OnPreview(std::unique_ptr<catalog::CatalogReply> r) override { Push(r->record, std::move(r->payload)); }
    void OnText(const catalog::CCatalogPacket& t) override { Push(t); }

    int m_fd = -1;
    bool m_connected = false, m_closed = false;
    catalog::CatalogReader m_reader;
    std::deque<ReceivedReply> m_replies;
};

} // namespace catalogueserver
} // namespace zelvo
