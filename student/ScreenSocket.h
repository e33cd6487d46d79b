// The screen link: a TCP connection from the student to the teacher's screen
// port. It reads the teacher's whole-frame requests and reports its own loss
// to the owner; the frames it sends are written by the capture side.
#pragma once

#include "Framework.h"

#include "classroom/ScreenStream.h"

#include <atomic>

class CScreenSocket : public CAsyncSocket {
public:
    explicit CScreenSocket(CWnd* owner) : m_pOwner(owner) {}

    // Connects to the address on the port; the connected flag.
    BOOL Connect(LPCTSTR address, UINT port);
    BOOL IsConnected() const { return m_bConnected; }
    // Set while the link reads or writes; the dispatcher then answers a
    // screen request with "no update".
    BOOL IsBusy() const { return m_busy.load(); }
    int GetJpegQuality() const { return m_nJpegQuality.load(); }
    void SetJpegQuality(int quality) { m_nJpegQuality = quality; }
    // The last request read on the link.
    const zelvo::classroom::ScreenRequest& LastRequest() const { return m_request; }

    void OnReceive(int errorCode) override;
    void OnClose(int errorCode) override;

private:
    void PostLinkLost();

    BOOL m_bConnected = FALSE;
    std::atomic<BOOL> m_busy{FALSE};
    CWnd* m_pOwner;
    zelvo::classroom::ScreenRequest m_request;
    zelvo::classroom::ScreenRequestReader m_reader;
    std::atomic<int> m_nJpegQuality{40};
};
