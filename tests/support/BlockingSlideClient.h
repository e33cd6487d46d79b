// A plain blocking connection to the slide server, for programs that want to
// see what the server sends without going through the viewer's link: the
// end-to-end test and the streaming benchmark. Every wait is bounded.
#pragma once

#include "slidelink/SlideLink.h"

#include <winsock2.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

class CBlockingSlideClient {
public:
    CBlockingSlideClient() = default;
    CBlockingSlideClient(const CBlockingSlideClient&) = delete;
    CBlockingSlideClient& operator=(const CBlockingSlideClient&) = delete;
    ~CBlockingSlideClient()
    {
        if (m_socket != INVALID_SOCKET) ::closesocket(m_socket);
    }

    bool Connect(const char* host, u_short port, DWORD timeoutMs)
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (m_socket == INVALID_SOCKET) return false;
        ::setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, (const char*)&timeoutMs, sizeof timeoutMs);
        ::setsockopt(m_socket, SOL_SOCKET, SO_SNDTIMEO, (const char*)&timeoutMs, sizeof timeoutMs);
        // Requests leave as they are written, not after the last one is acknowledged.
        const BOOL on = TRUE;
        ::setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, (const char*)&on, sizeof on);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = ::inet_addr(host);
        return ::connect(m_socket, (const sockaddr*)&a, sizeof a) == 0;
    }

    // Opens a slide; frames that come before the header (marks, regions of
    // an earlier slide) are skipped.
    bool Open(const std::string& path)
    {
        if (!SendBody(zelvo::slidelink::StringCommandBody(zelvo::slidelink::kOpenSlide, path, 0))) return false;
        for (int i = 0; i < 64; ++i) {
            std::vector<uint8_t> body;
            if (!ReadBody(body)) return false;
            if (Code(body) == zelvo::slidelink::kOpenSlide) return true;
        }
        return false;
    }

    bool SendBody(const std::vector<uint8_t>& body)
    {
        const std::vector<uint8_t> frame = zelvo::slidelink::Frame(body);
        size_t sent = 0;
        while (sent < frame.size()) {
            const int n = ::send(m_socket, (const char*)frame.data() + sent, (int)(frame.size() - sent), 0);
            if (n <= 0) return false;
            sent += (size_t)n;
        }
        return true;
    }

    // One whole body (code and payload); false on a closed link, a timeout or
    // a length the link would not accept.
    bool ReadBody(std::vector<uint8_t>& body)
    {
        uint8_t prefix[4];
        if (!ReadAll(prefix, 4)) return false;
        const uint32_t length = Le32(prefix);
        if (length < 4 || length > zelvo::slidelink::kMaxBodyLength) return false;
        body.resize(length);
        return ReadAll(body.data(), length);
    }

    SOCKET Socket() const { return m_socket; }

    static uint32_t Code(const std::vector<uint8_t>& body) { return body.size() < 4 ? 0 : Le32(body.data()); }

private:
    static uint32_t Le32(const uint8_t* p)
    {
        return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
    }
    bool ReadAll(uint8_t* dst, size_t wanted)
    {
        size_t got = 0;
        while (got < wanted) {
            const int n = ::recv(m_socket, (char*)dst + got, (int)std::min<size_t>(wanted - got, 1 << 20), 0);
            if (n <= 0) return false;
            got += (size_t)n;
        }
        return true;
    }

    SOCKET m_socket = INVALID_SOCKET;
};
