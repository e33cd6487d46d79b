#include "UdpSocket.h"

namespace classroom = zelvo::classroom;

namespace {

void ShowSocketError(const char* format, const char* caption)
{
    CString text;
    text.Format(format, ::WSAGetLastError());
    fw::ShowMessageBox(nullptr, text, caption, MB_OK);
}

} // namespace

CUdpSocket::CUdpSocket()
{
    m_destination.sin_family = AF_INET;
    m_sender.sin_family = AF_INET;
    m_socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (m_socket == INVALID_SOCKET) {
        ShowSocketError("SOCKET ERROR! %d", "Error");
        return;
    }
    // A notification can outlive the datagram it announced: a read must
    // never wait on the UI thread.
    u_long nonBlocking = 1;
    ::ioctlsocket(m_socket, FIONBIO, &nonBlocking);
}

CUdpSocket::~CUdpSocket()
{
    if (m_socket != INVALID_SOCKET) ::closesocket(m_socket);
}

CUdpSocket::ReadResult CUdpSocket::Receive()
{
    SOCKADDR_IN from = {};
    int fromLen = sizeof from;
    int n = ::recvfrom(m_socket, reinterpret_cast<char*>(m_receive), m_bufferSize, 0, (SOCKADDR*)&from, &fromLen);
    if (n == SOCKET_ERROR) {
        m_received = 0;
        return ::WSAGetLastError() == WSAEWOULDBLOCK ? ReadResult::Nothing : ReadResult::Failed;
    }
    m_received = n;
    m_sender = from;
    return ReadResult::Datagram;
}

void CUdpSocket::Send(int command, const void* data, int len)
{
    std::lock_guard<std::mutex> lock(m_sendLock);
    classroom::EncodeDatagram(command, data, len > 0 ? (size_t)len : 0, m_send);
    ::sendto(m_socket, reinterpret_cast<const char*>(m_send), m_bufferSize, 0, (const SOCKADDR*)&m_destination,
             sizeof m_destination);
}

BOOL CUdpSocket::Bind(UINT port, BOOL broadcast)
{
    BOOL on = TRUE;
    BOOL optionsOk = ::setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, (const char*)&on, sizeof on) == 0;
    SOCKADDR_IN local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons((u_short)port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    BOOL bound = ::bind(m_socket, (SOCKADDR*)&local, sizeof local) == 0;
    if (!bound) ShowSocketError("Bind Error! %d", "ERROR");
    {
        std::lock_guard<std::mutex> lock(m_sendLock);
        m_destination.sin_port = htons((u_short)port);
        m_destination.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    }
    optionsOk &= ::setsockopt(m_socket, SOL_SOCKET, broadcast ? SO_BROADCAST : SO_REUSEADDR, (const char*)&on,
                              sizeof on) == 0;
    if (!optionsOk) ShowSocketError("Socket option error! %d", "Error");
    return bound;
}

void CUdpSocket::SetDestination(const IN_ADDR& address)
{
    std::lock_guard<std::mutex> lock(m_sendLock);
    m_destination.sin_addr = address;
}

void CUdpSocket::ReplyToSender()
{
    SetDestination(m_sender.sin_addr);
}

BOOL CUdpSocket::Register(HWND wnd, UINT message)
{
    return ::WSAAsyncSelect(m_socket, wnd, message, FD_READ | FD_CLOSE) == 0;
}

SOCKADDR_IN CUdpSocket::Destination() const
{
    std::lock_guard<std::mutex> lock(m_sendLock);
    return m_destination;
}

bool CUdpSocket::SendsToBroadcast() const
{
    std::lock_guard<std::mutex> lock(m_sendLock);
    return m_destination.sin_addr.s_addr == htonl(INADDR_BROADCAST);
}
