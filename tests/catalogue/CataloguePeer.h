// A catalogue-server stand-in on a loopback address for the client's tests:
// accepts one connection at a time, decodes the requests it receives and
// sends whatever replies a test scripts, in writes as small as asked. It can
// also stop accepting until its accept queue is full, which keeps a client's
// connect pending (the system drops its SYN) until the queue drains.
#pragma once

#include "TestSupport.h"
#include "catalogue/CatalogPacket.h"

#include <string>
#include <vector>

namespace cat = zelvo::catalog;

class CCataloguePeer {
public:
    explicit CCataloguePeer(LPCTSTR address = _T("127.0.0.2"), UINT port = 3031)
        : m_listener(this), m_address(address)
    {
        m_listener.Create(port, SOCK_STREAM, FD_ACCEPT, address);
        m_listener.Listen();
        CString a;
        m_listener.GetSockName(a, m_port);
    }
    ~CCataloguePeer()
    {
        for (SOCKET s : m_fillers) ::closesocket(s);
    }
    UINT Port() const { return m_port; }
    int Accepted() const { return m_accepted; }
    bool Connected() const { return m_conn.m_hSocket != INVALID_SOCKET; }

    // Sends bytes, at most chunk at a time with the client's thread pumped between.
    void SendRaw(const std::vector<uint8_t>& bytes, size_t chunk = 1 << 20)
    {
        size_t sent = 0;
        for (int tries = 0; sent < bytes.size() && tries < 100000; ++tries) {
            size_t n = std::min(chunk, bytes.size() - sent);
            int k = m_conn.Send(bytes.data() + sent, (int)n);
            if (k > 0) sent += (size_t)k;
            else testing_support::PumpFor(1);
            // Let the client read each piece before the next is written.
            MSG msg;
            while (::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessage(&msg);
        }
    }
    void Send(const cat::CCatalogPacket& record, const std::vector<uint8_t>& payload = {}, size_t chunk = 1 << 20)
    {
        std::vector<uint8_t> bytes(cat::kPacketSize);
        cat::EncodePacket(record, bytes.data());
        bytes.insert(bytes.end(), payload.begin(), payload.end());
        SendRaw(bytes, chunk);
    }
    void Drop() { m_conn.Close(); }

    // Stops accepting and connects stand-in clients until one is left
    // waiting: the queue is full. False when it did not fill within the bound.
    bool FillAcceptQueue()
    {
        m_holding = true;
        SOCKADDR_IN sa;
        if (!CAsyncSocket::Resolve(m_address, m_port, &sa)) return false;
        for (int i = 0; i < 64; ++i) {
            SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
            if (s == INVALID_SOCKET) return false;
            u_long nonBlocking = 1;
            ::ioctlsocket(s, FIONBIO, &nonBlocking);
            ::connect(s, (SOCKADDR*)&sa, sizeof sa);
            fd_set writable;
            FD_ZERO(&writable);
            FD_SET(s, &writable);
            timeval wait = {0, 300 * 1000};
            if (::select(0, nullptr, &writable, nullptr, &wait) == 1) {
                m_fillers.push_back(s);
                continue;
            }
            ::closesocket(s);
            return true;
        }
        return false;
    }
    // Takes the stand-ins off the queue and accepts as before.
    void DrainAcceptQueue()
    {
        for (size_t i = 0; i < m_fillers.size(); ++i) {
            SOCKET s = ::accept(m_listener.m_hSocket, nullptr, nullptr);
            if (s != INVALID_SOCKET) ::closesocket(s);
        }
        for (SOCKET s : m_fillers) ::closesocket(s);
        m_fillers.clear();
        m_holding = false;
    }
    // Connects made from now on are refused.
    void StopListening()
    {
        for (SOCKET s : m_fillers) ::closesocket(s);
        m_fillers.clear();
        m_listener.Close();
    }

    // Every complete request received so far, in order.
    std::vector<cat::CCatalogPacket> Requests() const
    {
        std::vector<cat::CCatalogPacket> out;
        for (size_t pos = 0; pos + cat::kPacketSize <= m_bytes.size(); pos += cat::kPacketSize) {
            cat::CCatalogPacket p;
            cat::DecodePacket(reinterpret_cast<const uint8_t*>(m_bytes.data()) + pos, p);
            out.push_back(p);
        }
        return out;
    }
    // Requests of one kind.
    std::vector<cat::CCatalogPacket> Requests(int32_t type) const
    {
        std::vector<cat::CCatalogPacket> out;
        for (const auto& p : Requests())
            if (p.nType == type) out.push_back(p);
        return out;
    }
    void ClearRequests() { m_bytes.resize(m_bytes.size() % cat::kPacketSize); }

    // Keep-alives are answered at once unless a test turns this off.
    bool answerKeepAlives = true;

private:
    class Conn : public CAsyncSocket {
    public:
        explicit Conn(CCataloguePeer* peer) : m_peer(peer) {}
        void OnReceive(int) override
        {
            char buf[8192];
            int n = Receive(buf, sizeof buf);
            if (n <= 0) return;
            size_t before = m_peer->m_bytes.size() / cat::kPacketSize;
            m_peer->m_bytes.append(buf, (size_t)n);
            std::vector<cat::CCatalogPacket> all = m_peer->Requests();
            for (size_t i = before; i < all.size(); ++i)
                if (all[i].nType == cat::kKeepAlive && m_peer->answerKeepAlives) {
                    uint8_t reply[cat::kPacketSize];
                    cat::EncodePacket(cat::MakeRequest(cat::kKeepAliveAnswer), reply);
                    Send(reply, (int)sizeof reply);
                }
        }
        void OnClose(int) override { Close(); }
        CCataloguePeer* m_peer;
    };
    class Listener : public CAsyncSocket {
    public:
        explicit Listener(CCataloguePeer* peer) : m_peer(peer) {}
        void OnAccept(int) override
        {
            if (m_peer->m_holding) return;
            // A notification left over from the held queue finds nothing to
            // accept and must not end the connection already accepted.
            SOCKET s = ::accept(m_hSocket, nullptr, nullptr);
            if (s == INVALID_SOCKET) return;
            m_peer->m_conn.Close();
            m_peer->m_bytes.clear();
            if (m_peer->m_conn.Attach(s)) ++m_peer->m_accepted;
        }
        CCataloguePeer* m_peer;
    };

    Listener m_listener;
    Conn m_conn{this};
    CString m_address;
    UINT m_port = 0;
    bool m_holding = false;
    std::vector<SOCKET> m_fillers;
    int m_accepted = 0;
    std::string m_bytes;
};

// A reply record of a kind for an item.
inline cat::CCatalogPacket Reply(int32_t type, int32_t item, const char16_t* path = u"")
{
    cat::CCatalogPacket p = cat::MakeRequest(type, item);
    cat::SetFieldText(p.szPath, path);
    return p;
}
