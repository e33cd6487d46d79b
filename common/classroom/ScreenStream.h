// Wire code of the classroom screen link (TCP): the teacher's requests and the
// student's frames, both plain little-endian records one after another. The
// readers take the stream in pieces of any size.
#pragma once

#include "classroom/Datagram.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelvo {
namespace classroom {

constexpr size_t kScreenFrameHeadSize = 16;
// Requests wider or higher than this are not served, so no frame's JPEG is
// longer than the largest capture's bits plus the encoder's slack.
constexpr int32_t kMaxScreenSide = 8192;
constexpr uint32_t kMaxFrameLength = (uint32_t)kMaxScreenSide * kMaxScreenSide * 3u + 4096u;

// i32 1104 and the 20-byte request.
std::vector<uint8_t> EncodeScreenLinkRequest(const ScreenRequest& r);
// i32 1004, x, y, length and the JPEG bytes.
std::vector<uint8_t> EncodeScreenFrame(int32_t x, int32_t y, const uint8_t* jpeg, size_t length);
// The 16 bytes before a frame's JPEG.
void WriteScreenFrameHead(int32_t x, int32_t y, int32_t length, uint8_t out[kScreenFrameHeadSize]);

// The teacher's side: frames out of the student's stream. A command other than
// 1004, or a length below 0 or above kMaxFrameLength, breaks the stream: its
// records have no other framing to find the next one by.
class ScreenFrameReader {
public:
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual void OnFrame(int32_t x, int32_t y, const uint8_t* jpeg, size_t length) = 0;
    };
    explicit ScreenFrameReader(Handler& h) : m_handler(h) {}
    // False once the stream is broken; later bytes are ignored.
    bool Feed(const uint8_t* data, size_t n);
    bool Broken() const { return m_broken; }
    // The command or length that broke the stream.
    int32_t BadValue() const { return m_badValue; }

private:
    Handler& m_handler;
    std::vector<uint8_t> m_pending;
    bool m_broken = false;
    int32_t m_badValue = 0;
};

// The student's side: requests out of the teacher's stream; a command other
// than 1104 is read and dropped.
class ScreenRequestReader {
public:
    // Feeds bytes; returns the requests completed by them.
    std::vector<ScreenRequest> Feed(const uint8_t* data, size_t n);

private:
    std::vector<uint8_t> m_pending;
};

} // namespace classroom
} // namespace zelvo
