#include "UdpClient.h"

#include "catalogue/Discovery.h"

using namespace zelvo::catalog;

BOOL CUdpClient::Broadcast(UINT port)
{
    if (!Create(0, SOCK_DGRAM)) return FALSE;
    BOOL on = TRUE;
    SetSockOpt(SO_BROADCAST, &on, sizeof on);
    BYTE request[kDiscoverySize] = {};
    return SendTo(request, (int)sizeof request, port, _T("255.255.255.255")) == (int)sizeof request;
}

void CUdpClient::OnReceive(int errorCode)
{
    BYTE buf[kDiscoverySize] = {};
    CString host;
    UINT port = 0;
    int n = ReceiveFrom(buf, (int)sizeof buf, host, port);
    if (n > 0 && IsDiscoveryReply(buf, (size_t)n)) m_target = host;
    CAsyncSocket::OnReceive(errorCode);
}
