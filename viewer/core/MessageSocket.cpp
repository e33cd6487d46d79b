#include "MessageSocket.h"

#include "slidelink/SlideLink.h"

#include <cstring>

namespace {
const long kStreamEvents = FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE;
const long kRearmEvents = FD_READ | FD_WRITE | FD_CLOSE;
} // namespace

CMessageSocket::~CMessageSocket()
{
    ClearQueues();
}

uint32_t CMessageSocket::MaxBodyLength()
{
    return zelvo::slidelink::kMaxBodyLength;
}

BOOL CMessageSocket::CreateStream()
{
    return Create(0, SOCK_STREAM, kStreamEvents);
}

bool CMessageSocket::SendFrame(const void* body, uint32_t length)
{
    if (m_hSocket == INVALID_SOCKET) return false;
    QueueFrame(body, length);
    Rearm();  // the platform answers with a write notification
    return true;
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
    m_receiveCounter = -4;
    m_receiveBuffer.reset();
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

// Reads up to wanted bytes; false ends the pass (would block, error, or the
// peer's end of stream, whose close notification follows).
bool CMessageSocket::ReceiveInto(void* dst, int wanted, int* got)
{
    int n = Receive(dst, wanted);
    if (n == SOCKET_ERROR) {
        if (GetLastError() != WSAEWOULDBLOCK) Close();
        return false;
    }
    if (n == 0) return false;
    *got = n;
    return true;
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
    while (m_receiveCounter < 0) {
        int got = 0;
        if (!ReceiveInto(m_lengthBytes + 4 + m_receiveCounter, -m_receiveCounter, &got)) return;
        m_receiveCounter += got;
        if (m_receiveCounter == 0) {
            m_expectedLength = (uint32_t)m_lengthBytes[0] | ((uint32_t)m_lengthBytes[1] << 8) |
                               ((uint32_t)m_lengthBytes[2] << 16) | ((uint32_t)m_lengthBytes[3] << 24);
            // A body must hold its code and stay within bounds; anything else
            // means the stream cannot be trusted any more.
            if (m_expectedLength < 4 || m_expectedLength > MaxBodyLength()) {
                Close();
                return;
            }
            m_receiveBuffer.reset(new uint8_t[m_expectedLength]);
        }
    }
    while ((uint32_t)m_receiveCounter < m_expectedLength) {
        int got = 0;
        if (!ReceiveInto(m_receiveBuffer.get() + m_receiveCounter, (int)(m_expectedLength - m_receiveCounter), &got))
            return;
        m_receiveCounter += got;
    }
    // The state is reset before the frame is handed on: a modal box opened by
    // its handler dispatches further notifications, which must start afresh.
    std::unique_ptr<uint8_t[]> body = std::move(m_receiveBuffer);
    uint32_t length = m_expectedLength;
    m_receiveCounter = -4;
    Rearm();
    OnFrame(body.get(), length);  // may close or delete this socket
}
