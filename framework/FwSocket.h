// Sockets whose readiness arrives as window messages on the owning thread.
#pragma once

#include "FwString.h"

class CAsyncSocket {
public:
    CAsyncSocket() = default;
    virtual ~CAsyncSocket();
    CAsyncSocket(const CAsyncSocket&) = delete;
    CAsyncSocket& operator=(const CAsyncSocket&) = delete;

    SOCKET m_hSocket = INVALID_SOCKET;
    operator SOCKET() const { return m_hSocket; }

    // Creates the socket, asks for the given notifications and binds it
    // (port 0: any port; address null: any local address).
    BOOL Create(UINT port = 0, int type = SOCK_STREAM,
                long events = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE,
                LPCTSTR address = nullptr);
    BOOL Socket(int type = SOCK_STREAM, long events = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE);
    // Binds an existing handle to this object (the object then owns it).
    BOOL Attach(SOCKET s, long events = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE);
    SOCKET Detach();
    // (Re-)arms notifications; the platform reports a condition that already holds at once.
    virtual BOOL AsyncSelect(long events = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE);
    virtual void Close();

    BOOL Bind(UINT port, LPCTSTR address = nullptr);
    BOOL Listen(int backlog = 5);
    virtual BOOL Accept(CAsyncSocket& connected, SOCKADDR* addr = nullptr, int* addrLen = nullptr);
    // Host names are resolved; FALSE with WSAEWOULDBLOCK means the connect is under way.
    BOOL Connect(LPCTSTR host, UINT port);
    BOOL Connect(const SOCKADDR* addr, int len);
    virtual int Send(const void* buf, int len, int flags = 0);
    virtual int Receive(void* buf, int len, int flags = 0);
    int SendTo(const void* buf, int len, UINT port, LPCTSTR host = nullptr, int flags = 0);
    int SendTo(const void* buf, int len, const SOCKADDR* addr, int addrLen, int flags = 0);
    int ReceiveFrom(void* buf, int len, CString& host, UINT& port, int flags = 0);
    int ReceiveFrom(void* buf, int len, SOCKADDR* addr, int* addrLen, int flags = 0);
    BOOL ShutDown(int how = SD_SEND);
    BOOL SetSockOpt(int option, const void* value, int len, int level = SOL_SOCKET);
    BOOL GetSockOpt(int option, void* value, int* len, int level = SOL_SOCKET);
    BOOL IOCtl(long command, DWORD* argument);
    BOOL GetPeerName(CString& address, UINT& port);
    BOOL GetSockName(CString& address, UINT& port);

    static int GetLastError() { return WSAGetLastError(); }
    // Fills an IPv4 address from a dotted address or a host name; FALSE when unknown.
    static BOOL Resolve(LPCTSTR host, UINT port, SOCKADDR_IN* out);

    // Notifications, run on the thread that created the socket.
    virtual void OnReceive(int errorCode);
    virtual void OnSend(int errorCode);
    virtual void OnOutOfBandData(int errorCode);
    virtual void OnAccept(int errorCode);
    virtual void OnConnect(int errorCode);
    virtual void OnClose(int errorCode);

private:
    friend LRESULT CALLBACK FwSocketSinkProc(HWND, UINT, WPARAM, LPARAM);
    void Register();
    void Unregister();
    UINT m_notifyMessage = 0;
};

LRESULT CALLBACK FwSocketSinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
