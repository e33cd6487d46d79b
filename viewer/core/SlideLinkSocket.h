// The slide link: the viewer's one TCP connection to the slide server, with
// its message codes, keep-alive and reconnection, and the dispatch of the
// server's replies to the slide view that owns it.
#pragma once

#include "MessageSocket.h"

#include "slidelink/SlideReplies.h"

#include <string>

const UINT SLIDE_LINK_PORT = 3030;

// What the link calls on its owner (the slide view): the server's replies,
// parsed, and the window that is told when the link connects.
class ISlideLinkOwner : public zelvo::slidelink::IReplyHandler {
public:
    // The window that receives WM_LINK_CONNECTED.
    virtual HWND GetLinkWindow() const = 0;
};

// A region request: the rectangle in display pixels and the display scale.
struct TileRequest {
    RECT rect;
    double scaleX;
    double scaleY;
};

class CSlideLinkSocket : public CMessageSocket {
public:
    explicit CSlideLinkSocket(ISlideLinkOwner* owner);

    // Starts connecting (remembering host and port for reconnection); true when
    // connected already or the attempt is under way.
    bool ConnectTo(LPCSTR host, UINT port);
    // Connected: cancels, closes, then connects to the given server. Not
    // connected: ConnectTo. A different server forgets the pending slide.
    void ConnectOrClose(LPCSTR host, UINT port);

    // The only ways the viewer sends; dropped without a trace while not connected.
    void SendCommand(UINT code);                                  // 1114, 1305, 1307, 1311
    void SendCommand(UINT code, LPCSTR text, UINT value = 0);     // 1300, 1302, 1320
    void SendCommand(UINT code, const TileRequest& request);      // 1303, 1308

    // Run by the owner every 5000 ms.
    void OnKeepAliveTimer();
    void ResetState();

    void Close() override;
    void OnConnect(int errorCode) override;
    void OnClose(int errorCode) override;

    bool IsConnected() const { return m_connected != 0; }
    int KeepAliveCounter() const { return m_keepAlive; }
    const std::string& PendingPath() const { return m_pendingPath; }
    const std::string& Host() const { return m_host; }

protected:
    void OnFrameSent() override {}
    void OnFrame(const uint8_t* body, uint32_t length) override;

private:
    void SendStringCommand(UINT code, LPCSTR text, UINT value);
    void SendTileRequest(UINT code, const TileRequest& request);
    void SendBody(const std::vector<uint8_t>& body);

    ISlideLinkOwner* m_owner;
    uint8_t m_keepAlive = 0;
    std::string m_host;
    UINT m_port = 0;
    std::string m_pendingPath;
    // Whether the header of the pending slide has arrived: a link lost before
    // it reopens the slide instead of resuming it.
    bool m_pendingHeaderReceived = false;
    int m_connected = 0;
};
