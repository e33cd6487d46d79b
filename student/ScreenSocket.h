// The screen link: a TCP connection from the student to the teacher's screen
// port. It reads the teacher's whole-frame requests and sends screen frames,
// from the UI thread or the capture worker, one whole frame at a time; it
// reports its own loss to the owner.
#pragma once

#include "Dib.h"
#include "Framework.h"

#include "classroom/ScreenStream.h"

#include <atomic>
#include <mutex>

// One frame to send: the rectangle's origin in the capture and its picture.
struct FrameDescriptor {
    int x;
    int y;
    CDib* dib;
};

class CScreenSocket : public CAsyncSocket {
public:
    explicit CScreenSocket(CWnd* owner);
    ~CScreenSocket() override;

    // What the link's WM_LINK_LOST carries: unique among the program's links,
    // so that the loss of a link that a later login replaced is told apart
    // even when the new link lies where the old one lay.
    WPARAM LinkId() const { return m_linkId; }

    // Connects to the address on the port; the connected flag.
    BOOL Connect(LPCTSTR address, UINT port);
    BOOL IsConnected() const { return m_bConnected; }
    // 1004 with a descriptor encodes and sends a ScreenFrame; other commands
    // send nothing. 1 when a frame went out with its JPEG; 0 when encoding
    // failed (the frame then goes out with length 0 and the owner is asked
    // to show the encoder's message), without a descriptor, or when the link
    // failed (the owner is told). Safe from any thread.
    int SendCommand(int command, FrameDescriptor* frame, int value);

    // Set while the link reads or writes; the dispatcher then answers a
    // screen request with "no update".
    BOOL IsBusy() const { return m_busy.load() > 0; }
    int GetJpegQuality() const { return m_nJpegQuality.load(); }
    void SetJpegQuality(int quality) { m_nJpegQuality = quality; }
    // The last request read on the link.
    const zelvo::classroom::ScreenRequest& LastRequest() const { return m_request; }
    // Takes the whole-frame request that the link announced to the owner;
    // FALSE when none is waiting. Requests that arrive before the owner
    // serves one are served together by the latest.
    BOOL TakeFullFrameRequest(zelvo::classroom::ScreenRequest& request);

    // Caps every link's encode buffer (0: no cap), so that a test can make
    // the encoder run out of room as a real failure would.
    static void SetEncodeBufferLimit(UINT bytes) { s_encodeBufferLimit = bytes; }

    void OnReceive(int errorCode) override;
    void OnClose(int errorCode) override;

private:
    int WriteFrame();
    bool SendAll(const BYTE* data, size_t n);
    void PostLinkLost();

    const WPARAM m_linkId;
    BOOL m_bConnected = FALSE;
    // Reads and sends in progress: the two threads each count theirs.
    std::atomic<int> m_busy{0};
    CWnd* m_pOwner;
    int m_nResult = 0;
    zelvo::classroom::ScreenRequest m_request;
    bool m_bFullFramePending = false;
    FrameDescriptor* m_pFrame = nullptr;
    int m_nCommand = 0;
    int m_nValue = 0;
    UINT m_nEncodeBufferSize = 0;
    BYTE* m_pEncodeBuffer = nullptr;
    std::atomic<int> m_nJpegQuality{40};
    zelvo::classroom::ScreenRequestReader m_reader;
    // One frame at a time on the stream.
    std::mutex m_sendLock;
    static std::atomic<UINT> s_encodeBufferLimit;
};
