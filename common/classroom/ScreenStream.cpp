#include "classroom/ScreenStream.h"

#include "bytes/ByteReader.h"

#include <algorithm>

namespace zelvo {
namespace classroom {

std::vector<uint8_t> EncodeScreenLinkRequest(const ScreenRequest& r)
{
    ByteWriter w;
    w.i32(CMD_SCREEN_REQUEST);
    uint8_t raw[kScreenRequestSize];
    WriteScreenRequest(r, raw);
    w.bytes(raw, sizeof raw);
    return w.take();
}

void WriteScreenFrameHead(int32_t x, int32_t y, int32_t length, uint8_t out[kScreenFrameHeadSize])
{
    ByteWriter w;
    w.i32(CMD_SCREEN_FRAME);
    w.i32(x);
    w.i32(y);
    w.i32(length);
    const std::vector<uint8_t> head = w.take();
    std::copy(head.begin(), head.end(), out);
}

std::vector<uint8_t> EncodeScreenFrame(int32_t x, int32_t y, const uint8_t* jpeg, size_t length)
{
    std::vector<uint8_t> out(kScreenFrameHeadSize);
    WriteScreenFrameHead(x, y, (int32_t)length, out.data());
    if (jpeg && length) out.insert(out.end(), jpeg, jpeg + length);
    return out;
}

bool ScreenFrameReader::Feed(const uint8_t* data, size_t n)
{
    if (m_broken) return false;
    if (data && n) m_pending.insert(m_pending.end(), data, data + n);
    size_t pos = 0;
    while (m_pending.size() - pos >= kScreenFrameHeadSize) {
        ByteReader r(m_pending.data() + pos, m_pending.size() - pos);
        const int32_t command = r.i32();
        const int32_t x = r.i32(), y = r.i32(), length = r.i32();
        if (command != CMD_SCREEN_FRAME || length < 0 || (uint32_t)length > kMaxFrameLength) {
            m_broken = true;
            m_badValue = command != CMD_SCREEN_FRAME ? command : length;
            m_pending.clear();
            return false;
        }
        if (r.remaining() < (size_t)length) break;
        m_handler.OnFrame(x, y, r.current(), (size_t)length);
        pos += kScreenFrameHeadSize + (size_t)length;
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + (long)pos);
    return true;
}

std::vector<ScreenRequest> ScreenRequestReader::Feed(const uint8_t* data, size_t n)
{
    std::vector<ScreenRequest> out;
    if (data && n) m_pending.insert(m_pending.end(), data, data + n);
    size_t pos = 0;
    while (m_pending.size() - pos >= 4) {
        ByteReader r(m_pending.data() + pos, m_pending.size() - pos);
        if (r.i32() != CMD_SCREEN_REQUEST) {
            pos += 4;
            continue;
        }
        if (r.remaining() < kScreenRequestSize) break;
        out.push_back(ReadScreenRequest(r.current()));
        pos += 4 + kScreenRequestSize;
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + (long)pos);
    return out;
}

} // namespace classroom
} // namespace zelvo
