// A stream socket that carries framed messages: a u32 body length followed by
// the body. Outgoing frames wait in two queues and leave as the socket becomes
// writable; incoming bytes go to the portable frame reader, one frame per
// readable notification.
#pragma once

#include "Framework.h"

#include "slidelink/SlideLink.h"

#include <cstdint>
#include <deque>
#include <memory>

class CMessageSocket : public CAsyncSocket {
public:
    CMessageSocket() = default;
    ~CMessageSocket() override;

    // A stream socket on any local port with read, write, accept, connect and
    // close notifications.
    BOOL CreateStream();
    // Queues one body as a frame and asks for a write notification; false,
    // queueing nothing, when the socket has no handle.
    bool SendFrame(const void* body, uint32_t length);

    // On a connected socket with nothing in flight: sends the queued frames
    // now rather than at the next writable notification.
    void SendNow();

    // Hands on, at once, the frames that have fully arrived already (at most
    // maxFrames), instead of one per notification later.
    void DrainReceived(int maxFrames);

    void Close() override;
    void OnReceive(int errorCode) override;
    void OnSend(int errorCode) override;
    void OnClose(int errorCode) override;

protected:
    virtual void OnFrameSent() {}
    // One complete body (code and payload); the buffer is only lent.
    virtual void OnFrame(const uint8_t* body, uint32_t length) {}
    // Length > 0: frames the body. Length 0: the body is already a frame and is
    // copied as its length prefix says.
    void QueueFrame(const void* body, uint32_t length);
    void ClearQueues();

private:
    struct Entry {
        std::unique_ptr<uint8_t[]> buffer;
        uint32_t size;
    };
    void Rearm();

    std::deque<Entry> m_pending;   // new frames
    std::deque<Entry> m_current;   // frames being sent
    uint32_t m_sentBytes = 0;
    zelvo::slidelink::FrameReader m_reader;
    std::unique_ptr<uint8_t[]> m_chunk;  // what one read takes from the socket
};
