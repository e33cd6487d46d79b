#include "MySock.h"

#include "CatalogMessages.h"

using namespace zelvo::catalog;

bool CMySock::s_bFirstConnect = true;

CString FromField(const std::u16string& text)
{
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 strings");
    return CString(reinterpret_cast<const wchar_t*>(text.c_str()), (int)text.size());
}

std::u16string ToField(LPCTSTR text)
{
    CStringW wide(text);
    return std::u16string(reinterpret_cast<const char16_t*>(wide.GetString()), (size_t)wide.GetLength());
}

CMySock::CMySock() = default;

CMySock::~CMySock() = default;

BOOL CMySock::PostToMain(UINT message, WPARAM wParam)
{
    CWnd* main = AfxGetMainWnd();
    return main && main->m_hWnd && main->PostMessage(message, wParam, 0);
}

void CMySock::ConnectServer(LPCTSTR address, UINT port)
{
    // A second connect while one is under way would fail and close the
    // socket of the first.
    if (!address || !*address || m_bConnected || m_bConnecting) return;
    if (!IsOpen() && !Socket(SOCK_STREAM, kCreateEvents)) return;
    m_bConnecting = true;
    if (!Connect(address, port) && GetLastError() != WSAEWOULDBLOCK) {
        m_bConnecting = false;
        Close();
    }
}

BOOL CMySock::AsyncSelect(long events)
{
    if (m_bConnecting) events |= FD_CONNECT;
    return CAsyncSocket::AsyncSelect(events);
}

void CMySock::Release()
{
    if (IsOpen()) {
        ShutDown(SD_SEND);
        Close();
    }
    m_nMisses = 0;
    m_receivedItems.clear();
    m_queue.Clear();
    m_reader.Reset();
    m_bConnected = false;
    m_bConnecting = false;
}

void CMySock::CloseLink()
{
    Release();
    PostToMain(WM_APP_LINK_STATE, kLinkStateClosed);
}

void CMySock::ReleaseLink()
{
    Release();
    m_queue.Forget();
    m_nListCountAtReconnect = 0;
}

std::unique_ptr<CatalogReply> CMySock::TakeReceivedItem()
{
    if (m_receivedItems.empty()) return nullptr;
    std::unique_ptr<CatalogReply> item = std::move(m_receivedItems.front());
    m_receivedItems.pop_front();
    return item;
}

void CMySock::Queue(RequestKind kind, const CCatalogPacket& request)
{
    m_queue.Queue(kind, request);
}

void CMySock::QueueKeepAlive()
{
    Queue(RequestKind::keepAlive, MakeRequest(kKeepAlive));
}

void CMySock::QueueFolderRequest(int32_t item, LPCTSTR path)
{
    CCatalogPacket p = MakeRequest(kFolderRequest, item);
    // A path too long for the record is not sent cut: it would name another folder.
    if (!SetFieldText(p.szPath, ToField(path))) return;
    // A folder opened while the link is down is asked for when it is back.
    if (IsOpen()) Queue(RequestKind::folder, p);
    else m_queue.Remember(p);
}

void CMySock::QueueListRequest(int32_t item, LPCTSTR path)
{
    if (!IsOpen()) return;
    CCatalogPacket p = MakeRequest(kListRequest, item);
    if (!SetFieldText(p.szPath, ToField(path))) return;
    Queue(RequestKind::list, p);
    m_savedRequest = p;
    // The list was emptied for this folder: a reconnect under way must not
    // skip its first items.
    m_nListCountAtReconnect = 0;
}

void CMySock::QueuePreviewRequest(LPCTSTR path)
{
    if (!IsOpen()) return;
    CCatalogPacket p = MakeRequest(kPreviewRequest, 0);
    if (!SetFieldText(p.szPath, ToField(path))) return;
    Queue(RequestKind::preview, p);
}

void CMySock::OnConnect(int errorCode)
{
    m_bConnecting = false;
    m_bConnected = true;
    if (errorCode == 0) {
        if (s_bFirstConnect) {
            s_bFirstConnect = false;
            Queue(RequestKind::folder, MakeRequest(kFolderRequest, 0));
        } else {
            CCatalogPacket again = m_savedRequest;
            again.nKnownCount = m_nListCountAtReconnect;
            m_queue.Reconnect(again);
        }
        AsyncSelect(kSendEvents);
        PostToMain(WM_APP_LINK_STATE, kLinkStateConnected);
    } else {
        CloseLink();
    }
    CAsyncSocket::OnConnect(errorCode);
}

void CMySock::OnSend(int errorCode)
{
    if (!IsOpen()) return;
    size_t n = 0;
    const uint8_t* bytes = m_queue.Unsent(n);
    if (!bytes) return;
    int sent = Send(bytes, (int)n);
    if (sent == SOCKET_ERROR) {
        if (GetLastError() != WSAEWOULDBLOCK) CloseLink();
        return;
    }
    m_queue.Sent((size_t)sent);
    AsyncSelect(kSendEvents);
    CAsyncSocket::OnSend(errorCode);
}

void CMySock::OnReceive(int errorCode)
{
    // What has arrived is read in one go, up to a bound, rather than one read
    // per notification: a list of a thousand slides is two thousand pieces.
    for (int reads = 0; reads < kReadsPerNotification && IsOpen(); ++reads) {
        bool recordPhase = !m_reader.inPayload();
        int n = Receive(m_reader.Space(), (int)m_reader.SpaceSize());
        if (n == SOCKET_ERROR) {
            int error = GetLastError();
            if (error == WSAEWOULDBLOCK) break;
            CloseLink();
            if (recordPhase) {
                CStringW text;
                text.Format(L"\r\nClient接收错误: %i\r\n", error);
                ::OutputDebugStringW(text);
            }
            return;
        }
        if (n == 0) {
            CloseLink();
            return;
        }
        // A reply of no known kind, or with lengths no picture has, means the
        // stream has lost its framing: nothing after it can be trusted.
        if (!m_reader.Commit((size_t)n, *this)) {
            CloseLink();
            return;
        }
    }
    CAsyncSocket::OnReceive(errorCode);
}

void CMySock::OnClose(int errorCode)
{
    CloseLink();
    CAsyncSocket::OnClose(errorCode);
}

void CMySock::OnKeepAliveAnswer()
{
    m_nMisses = 0;
}

void CMySock::OnTreeEntry(const CCatalogPacket& entry)
{
    auto* copy = new CCatalogPacket(entry);
    if (!PostToMain(WM_APP_TREE_ENTRY_ARRIVED, (WPARAM)copy)) delete copy;
}

void CMySock::OnListItem(std::unique_ptr<CatalogReply> item)
{
    // The frame takes every waiting item at each message: one message for
    // items that arrive together is enough.
    bool first = m_receivedItems.empty();
    m_receivedItems.push_back(std::move(item));
    if (first) PostToMain(WM_APP_LIST_ARRIVED, 0);
}

void CMySock::OnPreview(std::unique_ptr<CatalogReply> preview)
{
    CatalogReply* raw = preview.release();
    if (!PostToMain(WM_APP_PREVIEW_ARRIVED, (WPARAM)raw)) delete raw;
}
