#include "ScreenSocket.h"

#include "StudentMessages.h"

#include <mstcpip.h>

#include <new>

namespace classroom = zelvo::classroom;

namespace {
// The teacher sits on the same network: it accepts or refuses at once. The
// bound keeps an address that never answers from holding the UI thread long.
const long kConnectWaitSeconds = 5;
// A teacher that reads nothing of a frame for this long has gone.
const DWORD kSendStallMs = 5000;
// Room for the JPEG beyond the picture's own bytes.
const UINT kEncodeSlack = 4096;
// A teacher whose computer lost its power or its cable says no goodbye, and
// an idle link carries nothing that could fail: the platform's keep-alive
// probes find it gone. After 10 s of quiet a probe every 2 s; the platform
// gives up after 10 unanswered probes (Wine's Linux sockets after 9), so a
// vanished teacher is noticed within about half a minute.
const ULONG kKeepAliveIdleMs = 10000;
const ULONG kKeepAliveIntervalMs = 2000;

WPARAM NextLinkId()
{
    // 0 is the teacher's goodbye.
    static std::atomic<WPARAM> last{0};
    return ++last;
}
} // namespace

std::atomic<UINT> CScreenSocket::s_encodeBufferLimit{0};

CScreenSocket::CScreenSocket(CWnd* owner) : m_linkId(NextLinkId()), m_pOwner(owner) {}

CScreenSocket::~CScreenSocket()
{
    delete[] m_pEncodeBuffer;
}

BOOL CScreenSocket::Connect(LPCTSTR address, UINT port)
{
    m_bConnected = FALSE;
    SOCKADDR_IN to;
    if (!CAsyncSocket::Resolve(address, port, &to)) return FALSE;
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return FALSE;
    u_long nonBlocking = 1;
    ::ioctlsocket(s, FIONBIO, &nonBlocking);
    bool connected = ::connect(s, (SOCKADDR*)&to, sizeof to) == 0;
    if (!connected && ::WSAGetLastError() == WSAEWOULDBLOCK) {
        // No message is dispatched while waiting: nothing can delete the link
        // (or its owner's sockets) under this call.
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval wait = {kConnectWaitSeconds, 0};
        connected = ::select(0, nullptr, &writable, &failed, &wait) == 1 && FD_ISSET(s, &writable);
    }
    if (connected) {
        tcp_keepalive probes = {1, kKeepAliveIdleMs, kKeepAliveIntervalMs};
        DWORD returned = 0;
        ::WSAIoctl(s, SIO_KEEPALIVE_VALS, &probes, sizeof probes, nullptr, 0, &returned, nullptr, nullptr);
    }
    if (!connected || !Attach(s, FD_READ | FD_CLOSE)) {
        ::closesocket(s);
        m_hSocket = INVALID_SOCKET;
        return FALSE;
    }
    m_bConnected = TRUE;
    return TRUE;
}

int CScreenSocket::SendCommand(int command, FrameDescriptor* frame, int value)
{
    // A frame sent from the other thread finishes first, so that two frames
    // never interleave on the stream. The wait is bounded by the send stall.
    std::lock_guard<std::mutex> oneAtATime(m_sendLock);
    ++m_busy;
    m_nResult = 1;
    m_nCommand = command;
    m_pFrame = frame;
    m_nValue = value;
    int result = 0;
    if (command == classroom::CMD_SCREEN_FRAME) {
        result = WriteFrame();
    }
    m_pFrame = nullptr;
    --m_busy;
    return m_nResult ? result : 0;
}

int CScreenSocket::WriteFrame()
{
    if (!m_pFrame || !m_pFrame->dib) return 0;
    CDib* dib = m_pFrame->dib;
    const UINT needed = dib->GetImageSize() + kEncodeSlack;
    if (m_pEncodeBuffer && m_nEncodeBufferSize < needed) {
        delete[] m_pEncodeBuffer;
        m_pEncodeBuffer = nullptr;
        m_nEncodeBufferSize = 0;
    }
    if (!m_pEncodeBuffer) {
        m_pEncodeBuffer = new (std::nothrow) BYTE[needed];
        m_nEncodeBufferSize = m_pEncodeBuffer ? needed : 0;
    }
    // The memory file never grows: a JPEG that does not fit fails the encoding.
    int encoded = 0;
    UINT length = 0;
    if (m_pEncodeBuffer) {
        const UINT limit = s_encodeBufferLimit.load();
        CMemFile file(m_pEncodeBuffer, limit && limit < m_nEncodeBufferSize ? limit : m_nEncodeBufferSize, 0);
        const ULONGLONG before = file.GetPosition();
        encoded = dib->SaveJpeg(&file, m_nJpegQuality.load(), 0);
        if (encoded) length = (UINT)(file.GetPosition() - before);
        file.Detach();
    }
    uint8_t head[classroom::kScreenFrameHeadSize];
    classroom::WriteScreenFrameHead(m_pFrame->x, m_pFrame->y, (int32_t)length, head);
    const bool sent = SendAll(head, sizeof head) && (!length || SendAll(m_pEncodeBuffer, length));
    // The box waits for a click and pumps messages: the owner shows it on
    // its own thread, after this send.
    if (m_pEncodeBuffer && !encoded) m_pOwner->PostMessage(WM_JPEG_ERROR);
    if (!sent) {
        m_nResult = 0;
        PostLinkLost();
        return 0;
    }
    return encoded;
}

bool CScreenSocket::SendAll(const BYTE* data, size_t n)
{
    DWORD lastProgress = ::GetTickCount();
    while (n > 0) {
        const int chunk = (int)(n < 0x100000 ? n : 0x100000);
        const int sent = ::send(m_hSocket, (const char*)data, chunk, 0);
        if (sent > 0) {
            data += sent;
            n -= (size_t)sent;
            lastProgress = ::GetTickCount();
            continue;
        }
        if (sent == 0 || ::WSAGetLastError() != WSAEWOULDBLOCK) return false;
        if (::GetTickCount() - lastProgress > kSendStallMs) return false;
        // The socket does not block; wait until the teacher has read some.
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(m_hSocket, &writable);
        timeval wait = {0, 100000};
        ::select(0, nullptr, &writable, nullptr, &wait);
    }
    return true;
}

BOOL CScreenSocket::TakeFullFrameRequest(classroom::ScreenRequest& request)
{
    if (!m_bFullFramePending) return FALSE;
    m_bFullFramePending = false;
    request = m_request;
    return TRUE;
}

void CScreenSocket::OnReceive(int)
{
    ++m_busy;
    uint8_t buf[4096];
    const int n = Receive(buf, sizeof buf);
    if (n == SOCKET_ERROR && ::WSAGetLastError() != WSAEWOULDBLOCK) {
        --m_busy;
        PostLinkLost();
        return;
    }
    // Every byte read is kept until its request is whole.
    for (const auto& r : m_reader.Feed(buf, n > 0 ? (size_t)n : 0)) {
        m_request = r;
        m_nJpegQuality = r.quality;
        if (!m_bFullFramePending) {
            m_bFullFramePending = true;
            m_pOwner->PostMessage(WM_FULL_FRAME_REQUEST, (WPARAM)r.width, (LPARAM)r.height);
        }
    }
    --m_busy;
}

void CScreenSocket::OnClose(int)
{
    PostLinkLost();
}

void CScreenSocket::PostLinkLost()
{
    m_pOwner->PostMessage(WM_LINK_LOST, m_linkId, (LPARAM)-1);
}
