// A slide-server stand-in on loopback for the link tests: accepts one
// connection at a time, records every frame it receives and sends any bytes.
#pragma once

#include "TestSupport.h"

#include <cstdint>
#include <string>
#include <vector>

class CTestPeer {
public:
    struct Frame {
        uint32_t code;
        std::vector<uint8_t> body;
    };

    explicit CTestPeer(LPCSTR address = "127.0.0.1", UINT port = 0) : m_listener(this)
    {
        m_listener.Create(port, SOCK_STREAM, FD_ACCEPT, address);
        m_listener.Listen();
        CString a;
        m_listener.GetSockName(a, m_port);
    }
    UINT Port() const { return m_port; }
    int Accepted() const { return m_accepted; }
    bool Connected() const { return m_conn.m_hSocket != INVALID_SOCKET; }
    bool PeerClosed() const { return m_peerClosed; }
    // Bytes that have arrived but not been read yet (nothing is dispatched).
    DWORD Waiting()
    {
        DWORD n = 0;
        return m_conn.IOCtl(FIONREAD, &n) ? n : 0;
    }

    void SendRaw(const void* data, size_t n)
    {
        const char* p = static_cast<const char*>(data);
        size_t sent = 0;
        for (int tries = 0; sent < n && tries < 2000; ++tries) {
            int k = m_conn.Send(p + sent, (int)(n - sent));
            if (k > 0) sent += (size_t)k;
            else testing_support::PumpFor(1);
        }
    }
    void SendFrame(uint32_t code, const std::vector<uint8_t>& payload = {})
    {
        std::vector<uint8_t> f;
        uint32_t len = (uint32_t)payload.size() + 4;
        for (int i = 0; i < 4; ++i) f.push_back((uint8_t)(len >> (8 * i)));
        for (int i = 0; i < 4; ++i) f.push_back((uint8_t)(code >> (8 * i)));
        f.insert(f.end(), payload.begin(), payload.end());
        SendRaw(f.data(), f.size());
    }
    void Drop() { m_conn.Close(); }

    // Frames complete so far, in order.
    std::vector<Frame> Frames() const
    {
        std::vector<Frame> out;
        size_t pos = 0;
        while (m_bytes.size() - pos >= 4) {
            uint32_t len = 0;
            for (int i = 0; i < 4; ++i) len |= (uint32_t)(uint8_t)m_bytes[pos + i] << (8 * i);
            if (m_bytes.size() - pos - 4 < len) break;
            Frame f;
            f.body.assign(m_bytes.begin() + (long)pos + 4, m_bytes.begin() + (long)(pos + 4 + len));
            f.code = 0;
            for (int i = 0; i < 4 && i < (int)len; ++i) f.code |= (uint32_t)f.body[(size_t)i] << (8 * i);
            out.push_back(std::move(f));
            pos += 4 + len;
        }
        return out;
    }
    const std::string& Bytes() const { return m_bytes; }
    void ClearBytes() { m_bytes.clear(); }

private:
    class Conn : public CAsyncSocket {
    public:
        explicit Conn(CTestPeer* peer) : m_peer(peer) {}
        void OnReceive(int) override
        {
            char buf[4096];
            int n = Receive(buf, sizeof buf);
            if (n > 0) m_peer->m_bytes.append(buf, (size_t)n);
        }
        void OnClose(int) override
        {
            char buf[4096];
            int n;
            while ((n = Receive(buf, sizeof buf)) > 0) m_peer->m_bytes.append(buf, (size_t)n);
            m_peer->m_peerClosed = true;
            Close();
        }
        CTestPeer* m_peer;
    };
    class Listener : public CAsyncSocket {
    public:
        explicit Listener(CTestPeer* peer) : m_peer(peer) {}
        void OnAccept(int) override
        {
            m_peer->m_conn.Close();
            m_peer->m_peerClosed = false;
            if (Accept(m_peer->m_conn)) ++m_peer->m_accepted;
        }
        CTestPeer* m_peer;
    };

    Listener m_listener;
    Conn m_conn{this};
    UINT m_port = 0;
    int m_accepted = 0;
    bool m_peerClosed = false;
    std::string m_bytes;
};
