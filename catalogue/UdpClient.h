// The discovery socket: one broadcast of 800 zero bytes at start, and the
// sender of a "88" answer taken as the catalogue server.
#pragma once

#include "Framework.h"

class CUdpClient : public CAsyncSocket {
public:
    // Answers set target to the server's dotted address.
    explicit CUdpClient(CString& target) : m_target(target) {}

    // Creates the socket (any port) and broadcasts the request to port.
    BOOL Broadcast(UINT port);
    void OnReceive(int errorCode) override;

private:
    CString& m_target;
};
