#include "MessageSocket.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
const long kStreamEvents = FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE;
const long kRearmEvents = FD_READ | FD_WRITE | FD_CLOSE;
} // namespace

CMessageSocket::~CMessageSocket()
{
    ClearQueues();
}

BOOL CMessageSocket::CreateStream()
{
    if (!Create(0, SOCK_STREAM, kStreamEvents)) return FALSE;
    // Every frame is a whole message: it leaves at once instead of waiting
    // for the peer to acknowledge the one before.
    const BOOL on = TRUE;
    SetSockOpt(TCP_NODELAY, &on, sizeof on, IPPROTO_TCP);
    return TRUE;
}

bool CMessageSocket::SendFrame(const void* body, uint32_t length)
{
    if (m_hSocket == INVALID_SOCKET) return false;
    QueueFrame(body, length);
    Rearm();  // the platform answers with a write notification
    return true;
}

void CMessageSocket::SendNow()
{
    // A frame partly sent already goes on at the next writable notification.
    if (m_hSocket == INVALID_SOCKET || m_sentBytes != 0) return;
    while (!m_pending.empty() || !m_current.empty()) {
        const size_t queued = m_pending.size() + m_current.size();
        OnSend(0);
        if (m_hSocket == INVALID_SOCKET || m_sentBytes != 0 || m_pending.size() + m_current.size() == queued) return;
    }
}

void CMessageSocket::QueueFrame(const void* body, uint32_t length)
{
    Entry e;
    if (length > 0) {
        e.size = length + 4;
        e.buffer.reset(new uint8_t[e.size]);
        for (int i = 0; i < 4; ++i) e.buffer[i] = (uint8_t)(length >> (8 * i));
        std::memcpy(e.buffer.get() + 4, body, length);
    } else {
        const uint8_t* p = static_cast<const uint8_t*>(body);
        uint32_t framed = (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
        e.size = framed + 4;
        e.buffer.reset(new uint8_t[e.size]);
        std::memcpy(e.buffer.get(), p, e.size);
    }
    m_pending.push_back(std::move(e));
}

void CMessageSocket::ClearQueues()
{
    m_current.clear();
    m_pending.clear();
}

void CMessageSocket::Close()
{
    ClearQueues();
    m_sentBytes = 0;
    m_reader.Reset();
    CAsyncSocket::Close();
}

void CMessageSocket::OnClose(int errorCode)
{
    Close();
    CAsyncSocket::OnClose(errorCode);
}

void CMessageSocket::Rearm()
{
    AsyncSelect(kRearmEvents);
}

void CMessageSocket::OnSend(int)
{
    if (m_current.empty()) m_current.swap(m_pending);
    if (m_current.empty()) return;

    Entry& e = m_current.front();
    while (m_sentBytes < e.size) {
        int n = Send(e.buffer.get() + m_sentBytes, (int)(e.size - m_sentBytes));
        if (n == SOCKET_ERROR) {
            if (GetLastError() != WSAEWOULDBLOCK) Close();
            return;  // the next write notification continues the frame
        }
        m_sentBytes += (uint32_t)n;
    }
    m_sentBytes = 0;
    m_current.pop_front();
    OnFrameSent();
    if (!m_current.empty() || !m_pending.empty()) Rearm();
}

void CMessageSocket::DrainReceived(int maxFrames)
{
    for (int i = 0; i < maxFrames && m_hSocket != INVALID_SOCKET; ++i) {
        u_long waiting = 0;
        if (::ioctlsocket(m_hSocket, FIONREAD, &waiting) != 0 || waiting == 0) return;
        OnReceive(0);
    }
}

void CMessageSocket::OnReceive(int)
{
    const size_t kChunk = 64 * 1024;
    if (!m_chunk) m_chunk.reset(new uint8_t[kChunk]);
    // Only the bytes of the frame in hand are read: one frame per
    // notification, and the platform reports the socket readable again while
    // more data waits.
    while (m_reader.pendingBodies() == 0) {
        const int wanted = (int)std::min(m_reader.Wanted(), kChunk);
        const int n = Receive(m_chunk.get(), wanted);
        if (n == SOCKET_ERROR) {
            if (GetLastError() != WSAEWOULDBLOCK) Close();
            return;
        }
        if (n == 0) return;  // the peer's end of stream: its close notification follows
        // A body that cannot hold its code or is beyond bounds: the stream
        // cannot be trusted any more.
        if (!m_reader.Feed(m_chunk.get(), (size_t)n)) {
            Close();
            return;
        }
    }
    // The frame leaves the reader before it is handed on: a modal box opened
    // by its handler dispatches further notifications, which start afresh.
    std::vector<uint8_t> body;
    m_reader.Next(body);
    Rearm();
    OnFrame(body.data(), (uint32_t)body.size());  // may close or delete this socket
}
