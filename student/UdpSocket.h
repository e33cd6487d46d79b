// The classroom command channel's datagram socket: one 260-byte datagram in,
// one out, each in a buffer of its own.
#pragma once

#include "Framework.h"

#include "classroom/Datagram.h"

#include <mutex>

class CUdpSocket {
public:
    enum class ReadResult {
        Datagram,  // a datagram of at most 260 bytes is in the receive buffer
        Nothing,   // nothing was waiting (a late or stale notification)
        Failed,    // the read failed or the datagram was longer than 260 bytes
    };

    // Creates the socket, non-blocking; a failure is shown and the object
    // still exists, every operation on it then failing quietly.
    CUdpSocket();
    virtual ~CUdpSocket();
    CUdpSocket(const CUdpSocket&) = delete;
    CUdpSocket& operator=(const CUdpSocket&) = delete;

    // Reads one datagram and keeps its sender.
    virtual ReadResult Receive();
    // The received datagram's payload.
    virtual const BYTE* GetPayload() const { return m_receive + 4; }
    // command, len bytes of data (at most 256) and zeros, all 260 bytes to the
    // destination. Safe from any thread; the result is not reported.
    virtual void Send(int command, const void* data = nullptr, int len = 0);

    // Binds to the port on every local address; the destination becomes the
    // broadcast address on the same port.
    BOOL Bind(UINT port, BOOL broadcast);
    // The destination address; its port stays.
    void SetDestination(const IN_ADDR& address);
    void ReplyToSender();
    // Asks for message on FD_READ and FD_CLOSE at the window.
    BOOL Register(HWND wnd, UINT message);

    SOCKET Handle() const { return m_socket; }
    const BYTE* Received() const { return m_receive; }
    int ReceivedLength() const { return m_received; }
    IN_ADDR Sender() const { return m_sender.sin_addr; }
    SOCKADDR_IN Destination() const;
    bool SendsToBroadcast() const;

private:
    SOCKET m_socket = INVALID_SOCKET;
    // Separate buffers: the capture worker sends while the UI thread may
    // still read the datagram it received.
    BYTE m_receive[zelvo::classroom::kDatagramSize] = {};
    int m_received = 0;
    BYTE m_send[zelvo::classroom::kDatagramSize] = {};
    const int m_bufferSize = (int)zelvo::classroom::kDatagramSize;
    SOCKADDR_IN m_destination = {};
    SOCKADDR_IN m_sender = {};
    // Guards the send buffer and the destination.
    mutable std::mutex m_sendLock;
};
