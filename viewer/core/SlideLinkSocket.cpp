#include "SlideLinkSocket.h"

#include "ViewerMessages.h"

namespace link = zelvo::slidelink;

namespace {
const uint8_t kKeepAliveTicks = 5;
} // namespace

CSlideLinkSocket::CSlideLinkSocket(ISlideLinkOwner* owner) : m_owner(owner) {}

bool CSlideLinkSocket::ConnectTo(LPCSTR host, UINT port)
{
    m_host = host ? host : "";
    m_port = port;
    if (m_connected) return true;
    // A socket left from an earlier attempt is released first.
    if (m_hSocket != INVALID_SOCKET) Close();
    if (!CreateStream()) {
        fw::ShowMessageBox(nullptr, _T("创建Socket失败！"), nullptr, MB_OK);
        return false;
    }
    if (Connect(m_host.c_str(), port) || GetLastError() == WSAEWOULDBLOCK) return true;
    Close();
    return false;
}

void CSlideLinkSocket::ConnectOrClose(LPCSTR host, UINT port)
{
    // Another server knows nothing of the slide resumed after a reconnection:
    // once connected, the owner is told and opens the slide it wants there.
    if (m_host != (host ? host : "") || m_port != port) {
        m_pendingPath.clear();
        m_pendingHeaderReceived = false;
    }
    if (!m_connected) {
        ConnectTo(host, port);
        return;
    }
    SendCommand(link::kCancel);
    Close();
    // A new server address is taken at once rather than at the next tick.
    ConnectTo(host, port);
}

void CSlideLinkSocket::SendBody(const std::vector<uint8_t>& body)
{
    // Only sent while connected: the frame can leave at once.
    if (SendFrame(body.data(), (uint32_t)body.size())) SendNow();
}

void CSlideLinkSocket::SendCommand(UINT code)
{
    if (!m_connected) return;
    switch (code) {
    case link::kKeepAlive:
    case link::kCancel:
    case link::kGetMarks:
    case link::kGetUserMarks:
        SendBody(link::CodeOnlyBody(code));
        break;
    default:
        break;
    }
}

void CSlideLinkSocket::SendCommand(UINT code, LPCSTR text, UINT value)
{
    if (!m_connected || !text) return;
    switch (code) {
    case link::kOpenSlide:
    case link::kResumeSlide:
        SendStringCommand(code, text, 0);
        m_pendingPath = text;
        if (code == link::kOpenSlide) m_pendingHeaderReceived = false;
        break;
    case link::kMediaData:
        SendStringCommand(code, text, value);
        break;
    default:
        break;
    }
}

void CSlideLinkSocket::SendCommand(UINT code, const TileRequest& request)
{
    if (!m_connected) return;
    if (code == link::kTileRequest || code == link::kTilePrefetch) SendTileRequest(code, request);
}

void CSlideLinkSocket::SendStringCommand(UINT code, LPCSTR text, UINT value)
{
    SendBody(link::StringCommandBody(code, text, value));
}

void CSlideLinkSocket::SendTileRequest(UINT code, const TileRequest& request)
{
    link::TileRect r = {request.rect.left, request.rect.top, request.rect.right, request.rect.bottom};
    SendBody(link::TileRequestBody(code, r, request.scaleX, request.scaleY));
}

void CSlideLinkSocket::OnKeepAliveTimer()
{
    if (m_keepAlive > 0) {
        --m_keepAlive;
        SendCommand(link::kKeepAlive);
    } else if (m_connected) {
        Close();
    } else if (!m_host.empty()) {
        // Without a server there is nothing to reconnect to.
        ConnectTo(m_host.c_str(), m_port);
        m_keepAlive = kKeepAliveTicks;
    }
}

void CSlideLinkSocket::ResetState()
{
    m_connected = 0;
    m_keepAlive = 0;
}

void CSlideLinkSocket::Close()
{
    CMessageSocket::Close();
    ResetState();
}

void CSlideLinkSocket::OnConnect(int errorCode)
{
    if (errorCode) return;  // the keep-alive tick tries again
    m_keepAlive = kKeepAliveTicks;
    m_connected = 1;
    if (!m_pendingPath.empty()) {
        std::string path = m_pendingPath;
        if (m_pendingHeaderReceived) {
            fw::Sleep(500);
            SendCommand(link::kResumeSlide, path.c_str());
        } else {
            SendCommand(link::kOpenSlide, path.c_str());
        }
    } else if (m_owner) {
        ::PostMessage(m_owner->GetLinkWindow(), WM_LINK_CONNECTED, (WPARAM)this, 0);
    }
}

void CSlideLinkSocket::OnClose(int errorCode)
{
    ResetState();
    CMessageSocket::OnClose(errorCode);
}

namespace {

// Hands every reply on to the owner, noting a header first: the owner's
// handler may run a modal loop in which the link goes away.
class CHeaderNote : public link::IReplyHandler {
public:
    CHeaderNote(link::IReplyHandler& owner, bool& headerReceived) : m_owner(owner), m_header(headerReceived) {}
    void OnSlideHeader(const link::SlideHeaderReply& reply) override
    {
        m_header = true;
        m_owner.OnSlideHeader(reply);
    }
    void OnSlideResumed() override { m_owner.OnSlideResumed(); }
    void OnTileData(uint32_t code, const link::TileRect& rect, const uint8_t* jpeg, size_t n) override
    {
        m_owner.OnTileData(code, rect, jpeg, n);
    }
    void OnMarkData(uint32_t code, const uint8_t* data, size_t n) override { m_owner.OnMarkData(code, data, n); }
    void OnMediaData(const link::MediaReply& reply) override { m_owner.OnMediaData(reply); }

private:
    link::IReplyHandler& m_owner;
    bool& m_header;
};

} // namespace

void CSlideLinkSocket::OnFrame(const uint8_t* body, uint32_t length)
{
    if (!m_connected) return;
    // Every frame keeps the link alive, whatever its code or shape.
    m_keepAlive = kKeepAliveTicks;
    if (!m_owner) return;
    CHeaderNote note(*m_owner, m_pendingHeaderReceived);
    link::DispatchReply(body, length, note);
}
