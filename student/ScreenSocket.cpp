#include "ScreenSocket.h"

#include "StudentMessages.h"

namespace {
// The teacher sits on the same network: it accepts or refuses at once. The
// bound keeps an address that never answers from holding the UI thread long.
const long kConnectWaitSeconds = 5;
} // namespace

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
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval wait = {kConnectWaitSeconds, 0};
        connected = ::select(0, nullptr, &writable, &failed, &wait) == 1 && FD_ISSET(s, &writable);
    }
    if (!connected || !Attach(s, FD_READ | FD_CLOSE)) {
        ::closesocket(s);
        m_hSocket = INVALID_SOCKET;
        return FALSE;
    }
    m_bConnected = TRUE;
    return TRUE;
}

void CScreenSocket::OnReceive(int)
{
    m_busy = TRUE;
    uint8_t buf[4096];
    int n = Receive(buf, sizeof buf);
    if (n == SOCKET_ERROR && ::WSAGetLastError() != WSAEWOULDBLOCK) {
        m_busy = FALSE;
        PostLinkLost();
        return;
    }
    for (const auto& r : m_reader.Feed(buf, n > 0 ? (size_t)n : 0)) {
        m_request = r;
        m_nJpegQuality = r.quality;
        m_pOwner->PostMessage(WM_FULL_FRAME_REQUEST, (WPARAM)r.width, (LPARAM)r.height);
    }
    m_busy = FALSE;
}

void CScreenSocket::OnClose(int)
{
    PostLinkLost();
}

void CScreenSocket::PostLinkLost()
{
    m_pOwner->PostMessage(WM_LINK_LOST, (WPARAM)this, (LPARAM)-1);
}
