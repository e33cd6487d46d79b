// The catalogue link: one TCP connection to the catalogue server, a send
// queue with a slot per request kind, and replies read in two phases and
// handed to the main frame by posted messages.
#pragma once

#include "Framework.h"
#include "catalogue/CatalogStream.h"

#include <deque>
#include <memory>

using zelvo::catalog::CatalogReply;
using zelvo::catalog::CCatalogPacket;

class CMySock : public CAsyncSocket, private zelvo::catalog::ICatalogReplyHandler {
public:
    // Events of a new socket and of every re-arm after queueing.
    static const long kCreateEvents = FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE;  // 51
    static const long kSendEvents = FD_READ | FD_WRITE | FD_CLOSE;                  // 35
    static const int kReadsPerNotification = 64;

    CMySock();
    ~CMySock() override;

    // Starts connecting unless the address is empty, the link is connected or
    // an attempt is still under way; the outcome arrives in OnConnect.
    void ConnectServer(LPCTSTR address, UINT port);
    // Closes the socket, drops everything queued and received, and tells the
    // main frame (2023, 1).
    void CloseLink();
    // The same without telling anybody; the list count at reconnect and the
    // folders to ask for again go too.
    void ReleaseLink();

    void QueueKeepAlive();
    void QueueFolderRequest(int32_t item, LPCTSTR path);
    void QueueListRequest(int32_t item, LPCTSTR path);
    void QueuePreviewRequest(LPCTSTR path);

    // Every change of the events goes through here: while a connect is
    // pending its outcome stays among them, or the link would wait for ever.
    BOOL AsyncSelect(long events) override;

    bool IsOpen() const { return m_hSocket != INVALID_SOCKET; }
    bool IsConnected() const { return m_bConnected; }
    bool IsConnecting() const { return m_bConnecting; }
    // Timer ticks since the last keep-alive answer.
    int Misses() const { return m_nMisses; }
    int AddMiss() { return ++m_nMisses; }
    // The oldest list item not yet taken by the frame, or null.
    std::unique_ptr<CatalogReply> TakeReceivedItem();
    size_t ReceivedItemCount() const { return m_receivedItems.size(); }
    const CCatalogPacket& SavedRequest() const { return m_savedRequest; }
    void SetSavedRequest(const CCatalogPacket& request) { m_savedRequest = request; }
    void SetListCountAtReconnect(int32_t count) { m_nListCountAtReconnect = count; }
    const zelvo::catalog::CatalogSendQueue& Queue() const { return m_queue; }

    // Whether this run has had its first connect (process-wide).
    static bool FirstConnectPending() { return s_bFirstConnect; }
    static void ResetFirstConnectForTests() { s_bFirstConnect = true; }

protected:
    void OnReceive(int errorCode) override;
    void OnSend(int errorCode) override;
    void OnConnect(int errorCode) override;
    void OnClose(int errorCode) override;

private:
    void Release();
    void Queue(zelvo::catalog::RequestKind kind, const CCatalogPacket& request);
    static BOOL PostToMain(UINT message, WPARAM wParam);

    void OnKeepAliveAnswer() override;
    void OnTreeEntry(const CCatalogPacket& entry) override;
    void OnListItem(std::unique_ptr<CatalogReply> item) override;
    void OnPreview(std::unique_ptr<CatalogReply> preview) override;

    int m_nMisses = 0;
    zelvo::catalog::CatalogSendQueue m_queue;
    zelvo::catalog::CatalogReader m_reader;
    std::deque<std::unique_ptr<CatalogReply>> m_receivedItems;
    CCatalogPacket m_savedRequest;
    int32_t m_nListCountAtReconnect = 0;
    bool m_bConnected = false;
    bool m_bConnecting = false;
    static bool s_bFirstConnect;
};

// Converts between the record's UTF-16 fields and the program's strings.
CString FromField(const std::u16string& text);
std::u16string ToField(LPCTSTR text);
