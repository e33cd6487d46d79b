#include "slidelink/SlideLink.h"

#include "bytes/ByteReader.h"

#include <algorithm>
#include <cstring>

namespace zelvo {
namespace slidelink {

namespace {
constexpr size_t kBodyReserve = 256 * 1024;

void WriteRect(ByteWriter& w, const TileRect& r)
{
    w.i32(r.left);
    w.i32(r.top);
    w.i32(r.right);
    w.i32(r.bottom);
}
} // namespace

std::vector<uint8_t> CodeOnlyBody(uint32_t code)
{
    ByteWriter w;
    w.u32(code);
    return w.take();
}

std::vector<uint8_t> StringCommandBody(uint32_t code, const std::string& text, uint32_t value)
{
    ByteWriter w;
    w.u32(code);
    w.cstr(text);
    w.u32(value);
    return w.take();
}

std::vector<uint8_t> TileRequestBody(uint32_t code, const TileRect& r, double scaleX, double scaleY)
{
    ByteWriter w;
    w.u32(code);
    WriteRect(w, r);
    w.f64(scaleX);
    w.f64(scaleY);
    w.zeros(8);
    return w.take();
}

std::vector<uint8_t> Frame(const std::vector<uint8_t>& body)
{
    ByteWriter w;
    w.u32((uint32_t)body.size());
    w.bytes(body.data(), body.size());
    return w.take();
}

bool ParseSlideHeader(const uint8_t* data, size_t length, SlideHeader& out)
{
    if (!data || length < kSlideHeaderSize) return false;
    ByteReader r(data, kSlideHeaderSize);
    out.signature = r.fixedText(kSignatureSize);
    out.xPixelsPerMetre = r.i32();
    out.yPixelsPerMetre = r.i32();
    r.skip(8);
    out.tileWidth = r.i32();
    out.tileHeight = r.i32();
    out.tileColumns = r.i32();
    out.tileRows = r.i32();
    std::memcpy(out.raw, data, kSlideHeaderSize);
    return r.ok();
}

bool ParseSlideHeaderReply(const uint8_t* payload, size_t length, SlideHeaderReply& out)
{
    if (!payload || length < kSlideHeaderReplyHeadSize) return false;
    ByteReader r(payload, length);
    out.thumbnailFactor = r.i32();
    if (!ParseSlideHeader(r.current(), r.remaining(), out.header)) return false;
    r.skip(kSlideHeaderSize);
    out.textA = r.fixedText(kTextFieldSize);
    out.textB = r.fixedText(kTextFieldSize);
    out.matrixText = r.fixedText(kMatrixTextSize);
    r.read(out.reserved, sizeof out.reserved);
    if (!r.ok()) return false;
    out.jpeg = r.current();
    out.jpegLength = r.remaining();
    return true;
}

bool ParseTileReply(const uint8_t* payload, size_t length, TileRect& rect, const uint8_t*& jpeg,
                    size_t& jpegLength)
{
    if (!payload || length < 16) return false;
    ByteReader r(payload, length);
    rect.left = r.i32();
    rect.top = r.i32();
    rect.right = r.i32();
    rect.bottom = r.i32();
    jpeg = r.current();
    jpegLength = r.remaining();
    return r.ok();
}

bool ParseMediaReply(const uint8_t* payload, size_t length, MediaReply& out)
{
    ByteReader r(payload, length);
    int16_t n = r.i16();
    if (!r.ok() || n < 0 || (size_t)n > r.remaining()) return false;
    out.path = r.fixedText((size_t)n);
    out.count = r.i16();
    if (!r.ok()) return false;
    out.data = r.current();
    out.dataLength = 0;
    if (out.count > 0) {
        if ((size_t)out.count > r.remaining()) return false;
        out.dataLength = (size_t)out.count;
    }
    return true;
}

ParseResult ParseRequest(const uint8_t* body, size_t length, Request& out)
{
    out = Request();
    if (!body || length < 4) return ParseResult::kBadRequest;
    ByteReader r(body, length);
    out.code = r.u32();
    switch (out.code) {
    case kKeepAlive:
    case kCancel:
    case kGetMarks:
    case kGetUserMarks:
        // The payload is not read; extra bytes change nothing.
        return ParseResult::kOk;
    case kOpenSlide:
    case kResumeSlide:
    case kMediaData: {
        const uint8_t* text = r.current();
        const void* nul = std::memchr(text, 0, r.remaining());
        if (!nul) return ParseResult::kBadRequest;
        size_t n = (size_t)(static_cast<const uint8_t*>(nul) - text);
        out.path.assign(reinterpret_cast<const char*>(text), n);
        r.skip(n + 1);
        out.value = r.u32();
        return r.ok() ? ParseResult::kOk : ParseResult::kBadRequest;
    }
    case kTileRequest:
    case kTilePrefetch:
        if (length != kTileRequestBodySize) return ParseResult::kBadRequest;
        out.rect.left = r.i32();
        out.rect.top = r.i32();
        out.rect.right = r.i32();
        out.rect.bottom = r.i32();
        out.scaleX = r.f64();
        out.scaleY = r.f64();
        return r.ok() ? ParseResult::kOk : ParseResult::kBadRequest;
    default:
        return ParseResult::kUnknownCode;
    }
}

std::vector<uint8_t> SlideHeaderBytes(const SlideHeader& h)
{
    ByteWriter w;
    w.fixedText(h.signature, kSignatureSize);
    w.i32(h.xPixelsPerMetre);
    w.i32(h.yPixelsPerMetre);
    w.zeros(8);
    w.i32(h.tileWidth);
    w.i32(h.tileHeight);
    w.i32(h.tileColumns);
    w.i32(h.tileRows);
    w.zeros(4);
    return w.take();
}

std::vector<uint8_t> SlideHeaderReplyBody(int32_t thumbnailFactor, const SlideHeader& header,
                                          const std::string& textA, const std::string& textB,
                                          const std::string& matrixText, const uint8_t* jpeg,
                                          size_t jpegLength)
{
    ByteWriter w;
    w.u32(kOpenSlide);
    w.i32(thumbnailFactor);
    std::vector<uint8_t> h = SlideHeaderBytes(header);
    w.bytes(h.data(), h.size());
    w.fixedText(textA, kTextFieldSize);
    w.fixedText(textB, kTextFieldSize);
    w.fixedText(matrixText, kMatrixTextSize);
    w.zeros(32);
    if (jpeg && jpegLength) w.bytes(jpeg, jpegLength);
    return w.take();
}

std::vector<uint8_t> TileReplyBody(uint32_t code, const TileRect& r, const uint8_t* jpeg, size_t n)
{
    ByteWriter w;
    w.u32(code);
    WriteRect(w, r);
    if (jpeg && n) w.bytes(jpeg, n);
    return w.take();
}

std::vector<uint8_t> MediaReplyBody(const std::string& path, int16_t count, const uint8_t* data,
                                    size_t n)
{
    if (path.size() > 32767) return {};
    if (count > 0 ? (size_t)count != n || !data : n != 0) return {};
    ByteWriter w;
    w.u32(kMediaData);
    w.i16((int16_t)path.size());
    w.bytes(path.data(), path.size());
    w.i16(count);
    if (n) w.bytes(data, n);
    return w.take();
}

std::vector<uint8_t> MarksReplyBody(uint32_t code, const uint8_t* data, size_t n)
{
    ByteWriter w;
    w.u32(code);
    if (data && n) w.bytes(data, n);
    return w.take();
}

bool FrameReader::Feed(const uint8_t* data, size_t n)
{
    size_t pos = 0;
    while (!m_failed && pos < n) {
        if (!m_inBody) {
            size_t take = 4 - m_prefixHave;
            if (take > n - pos) take = n - pos;
            std::memcpy(m_prefix + m_prefixHave, data + pos, take);
            m_prefixHave += take;
            pos += take;
            if (m_prefixHave < 4) break;
            uint32_t len = (uint32_t)m_prefix[0] | ((uint32_t)m_prefix[1] << 8) |
                           ((uint32_t)m_prefix[2] << 16) | ((uint32_t)m_prefix[3] << 24);
            m_prefixHave = 0;
            if (len < 4 || len > m_maxBody) {
                m_failed = true;
                break;
            }
            m_bodyWant = len;
            m_body.clear();
            // Room for an ordinary reply at once; beyond that the body grows
            // with what arrives.
            m_body.reserve(std::min<size_t>(len, kBodyReserve));
            m_inBody = true;
        }
        // Grow with the bytes that really arrive, not with the announced length.
        size_t take = m_bodyWant - m_body.size();
        if (take > n - pos) take = n - pos;
        m_body.insert(m_body.end(), data + pos, data + pos + take);
        pos += take;
        if (m_body.size() == m_bodyWant) {
            m_ready.push_back(std::move(m_body));
            m_body = std::vector<uint8_t>();
            m_inBody = false;
        }
    }
    return !m_failed;
}

size_t FrameReader::Wanted() const
{
    if (m_failed) return 0;
    return m_inBody ? m_bodyWant - m_body.size() : 4 - m_prefixHave;
}

void FrameReader::Reset()
{
    m_prefixHave = 0;
    m_body = std::vector<uint8_t>();
    m_bodyWant = 0;
    m_inBody = false;
    m_failed = false;
    m_ready.clear();
}

bool FrameReader::Next(std::vector<uint8_t>& body)
{
    if (m_ready.empty()) return false;
    body = std::move(m_ready.front());
    m_ready.pop_front();
    return true;
}

} // namespace slidelink
} // namespace zelvo
