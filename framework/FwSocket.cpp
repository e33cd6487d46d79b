#include "FwSocket.h"
#include "FwApp.h"

#include <unordered_map>

namespace {

// Every thread that owns sockets has a hidden window that receives their
// notifications, and a map from handle to object. Each registration gets its
// own message number, so a notification still queued for a closed socket
// whose handle value was reused cannot reach the new owner.
struct SocketThreadState {
    HWND sink = nullptr;
    UINT nextMessage = WM_FW_SOCKET_FIRST;
    struct Entry {
        CAsyncSocket* socket;
        UINT message;
    };
    std::unordered_map<SOCKET, Entry> map;
};
thread_local SocketThreadState* t_sockets = nullptr;

const TCHAR kSinkClass[] = _T("FwSocketSink");

SocketThreadState& State()
{
    if (!t_sockets) t_sockets = new SocketThreadState;
    SocketThreadState& st = *t_sockets;
    if (!st.sink) {
        WNDCLASSEX wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &FwSocketSinkProc;
        wc.hInstance = fw::InstanceHandle();
        wc.lpszClassName = kSinkClass;
        ::RegisterClassEx(&wc);  // fails harmlessly when already registered
        st.sink = ::CreateWindowEx(0, kSinkClass, _T(""), WS_OVERLAPPED, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   fw::InstanceHandle(), nullptr);
    }
    return st;
}

} // namespace

LRESULT CALLBACK FwSocketSinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message < WM_FW_SOCKET_FIRST || message > WM_FW_SOCKET_LAST || !t_sockets)
        return ::DefWindowProc(hwnd, message, wParam, lParam);
    auto it = t_sockets->map.find((SOCKET)wParam);
    if (it == t_sockets->map.end() || it->second.message != message) return 0;  // no longer ours
    CAsyncSocket* s = it->second.socket;
    int error = WSAGETSELECTERROR(lParam);
    // A handler may close or delete the socket; nothing of it is used afterwards.
    switch (WSAGETSELECTEVENT(lParam)) {
    case FD_READ: s->OnReceive(error); break;
    case FD_WRITE: s->OnSend(error); break;
    case FD_OOB: s->OnOutOfBandData(error); break;
    case FD_ACCEPT: s->OnAccept(error); break;
    case FD_CONNECT: s->OnConnect(error); break;
    case FD_CLOSE: s->OnClose(error); break;
    default: break;
    }
    return 0;
}

CAsyncSocket::~CAsyncSocket()
{
    if (m_hSocket != INVALID_SOCKET) Close();
}

void CAsyncSocket::Register()
{
    SocketThreadState& st = State();
    m_notifyMessage = st.nextMessage;
    st.nextMessage = st.nextMessage == WM_FW_SOCKET_LAST ? WM_FW_SOCKET_FIRST : st.nextMessage + 1;
    st.map[m_hSocket] = {this, m_notifyMessage};
}

void CAsyncSocket::Unregister()
{
    if (!t_sockets) return;
    auto it = t_sockets->map.find(m_hSocket);
    if (it != t_sockets->map.end() && it->second.socket == this) t_sockets->map.erase(it);
}

BOOL CAsyncSocket::Socket(int type, long events)
{
    SOCKET s = ::socket(AF_INET, type, 0);
    if (s == INVALID_SOCKET) return FALSE;
    if (!Attach(s, events)) {
        int err = WSAGetLastError();
        ::closesocket(s);
        m_hSocket = INVALID_SOCKET;
        WSASetLastError(err);
        return FALSE;
    }
    return TRUE;
}

BOOL CAsyncSocket::Create(UINT port, int type, long events, LPCTSTR address)
{
    if (!Socket(type, events)) return FALSE;
    if (port != 0 || address != nullptr || type == SOCK_DGRAM) {
        if (!Bind(port, address)) {
            int err = WSAGetLastError();
            Close();
            WSASetLastError(err);
            return FALSE;
        }
    }
    return TRUE;
}

BOOL CAsyncSocket::Attach(SOCKET s, long events)
{
    if (s == INVALID_SOCKET) return FALSE;
    m_hSocket = s;
    Register();
    return events == 0 || AsyncSelect(events);
}

SOCKET CAsyncSocket::Detach()
{
    SOCKET s = m_hSocket;
    if (s != INVALID_SOCKET) {
        if (t_sockets && t_sockets->sink) ::WSAAsyncSelect(s, t_sockets->sink, 0, 0);
        Unregister();
    }
    m_hSocket = INVALID_SOCKET;
    return s;
}

BOOL CAsyncSocket::AsyncSelect(long events)
{
    if (m_hSocket == INVALID_SOCKET) {
        WSASetLastError(WSAENOTSOCK);
        return FALSE;
    }
    return ::WSAAsyncSelect(m_hSocket, State().sink, m_notifyMessage, events) == 0;
}

void CAsyncSocket::Close()
{
    if (m_hSocket == INVALID_SOCKET) return;
    SOCKET s = m_hSocket;
    Unregister();
    m_hSocket = INVALID_SOCKET;
    ::closesocket(s);
}

BOOL CAsyncSocket::Resolve(LPCTSTR host, UINT port, SOCKADDR_IN* out)
{
    memset(out, 0, sizeof *out);
    out->sin_family = AF_INET;
    out->sin_port = htons((u_short)port);
    if (!host || !*host) {
        out->sin_addr.s_addr = htonl(INADDR_ANY);
        return TRUE;
    }
    CStringA name(host);
    unsigned long addr = inet_addr(name);
    if (addr == INADDR_NONE && name != "255.255.255.255") {
        hostent* he = gethostbyname(name);
        if (!he || he->h_addrtype != AF_INET || !he->h_addr_list[0]) {
            WSASetLastError(WSAEINVAL);
            return FALSE;
        }
        memcpy(&addr, he->h_addr_list[0], sizeof addr);
    }
    out->sin_addr.s_addr = addr;
    return TRUE;
}

BOOL CAsyncSocket::Bind(UINT port, LPCTSTR address)
{
    SOCKADDR_IN sa;
    if (!Resolve(address, port, &sa)) return FALSE;
    return ::bind(m_hSocket, (SOCKADDR*)&sa, sizeof sa) == 0;
}

BOOL CAsyncSocket::Listen(int backlog)
{
    return ::listen(m_hSocket, backlog) == 0;
}

BOOL CAsyncSocket::Accept(CAsyncSocket& connected, SOCKADDR* addr, int* addrLen)
{
    SOCKET s = ::accept(m_hSocket, addr, addrLen);
    if (s == INVALID_SOCKET) return FALSE;
    return connected.Attach(s);
}

BOOL CAsyncSocket::Connect(LPCTSTR host, UINT port)
{
    SOCKADDR_IN sa;
    if (!Resolve(host, port, &sa)) return FALSE;
    return Connect((SOCKADDR*)&sa, sizeof sa);
}

BOOL CAsyncSocket::Connect(const SOCKADDR* addr, int len)
{
    return ::connect(m_hSocket, addr, len) == 0;
}

int CAsyncSocket::Send(const void* buf, int len, int flags)
{
    return ::send(m_hSocket, static_cast<const char*>(buf), len, flags);
}

int CAsyncSocket::Receive(void* buf, int len, int flags)
{
    return ::recv(m_hSocket, static_cast<char*>(buf), len, flags);
}

int CAsyncSocket::SendTo(const void* buf, int len, UINT port, LPCTSTR host, int flags)
{
    SOCKADDR_IN sa;
    if (!Resolve(host ? host : _T("255.255.255.255"), port, &sa)) return SOCKET_ERROR;
    return SendTo(buf, len, (SOCKADDR*)&sa, sizeof sa, flags);
}

int CAsyncSocket::SendTo(const void* buf, int len, const SOCKADDR* addr, int addrLen, int flags)
{
    return ::sendto(m_hSocket, static_cast<const char*>(buf), len, flags, addr, addrLen);
}

int CAsyncSocket::ReceiveFrom(void* buf, int len, CString& host, UINT& port, int flags)
{
    SOCKADDR_IN sa = {};
    int saLen = sizeof sa;
    int n = ReceiveFrom(buf, len, (SOCKADDR*)&sa, &saLen, flags);
    if (n != SOCKET_ERROR) {
        host = CString(inet_ntoa(sa.sin_addr));
        port = ntohs(sa.sin_port);
    }
    return n;
}

int CAsyncSocket::ReceiveFrom(void* buf, int len, SOCKADDR* addr, int* addrLen, int flags)
{
    return ::recvfrom(m_hSocket, static_cast<char*>(buf), len, flags, addr, addrLen);
}

BOOL CAsyncSocket::ShutDown(int how)
{
    return ::shutdown(m_hSocket, how) == 0;
}

BOOL CAsyncSocket::SetSockOpt(int option, const void* value, int len, int level)
{
    return ::setsockopt(m_hSocket, level, option, static_cast<const char*>(value), len) == 0;
}

BOOL CAsyncSocket::GetSockOpt(int option, void* value, int* len, int level)
{
    return ::getsockopt(m_hSocket, level, option, static_cast<char*>(value), len) == 0;
}

BOOL CAsyncSocket::IOCtl(long command, DWORD* argument)
{
    return ::ioctlsocket(m_hSocket, command, reinterpret_cast<u_long*>(argument)) == 0;
}

BOOL CAsyncSocket::GetPeerName(CString& address, UINT& port)
{
    SOCKADDR_IN sa = {};
    int len = sizeof sa;
    if (::getpeername(m_hSocket, (SOCKADDR*)&sa, &len) != 0) return FALSE;
    address = CString(inet_ntoa(sa.sin_addr));
    port = ntohs(sa.sin_port);
    return TRUE;
}

BOOL CAsyncSocket::GetSockName(CString& address, UINT& port)
{
    SOCKADDR_IN sa = {};
    int len = sizeof sa;
    if (::getsockname(m_hSocket, (SOCKADDR*)&sa, &len) != 0) return FALSE;
    address = CString(inet_ntoa(sa.sin_addr));
    port = ntohs(sa.sin_port);
    return TRUE;
}

void CAsyncSocket::OnReceive(int) {}
void CAsyncSocket::OnSend(int) {}
void CAsyncSocket::OnOutOfBandData(int) {}
void CAsyncSocket::OnAccept(int) {}
void CAsyncSocket::OnConnect(int) {}
void CAsyncSocket::OnClose(int) {}
