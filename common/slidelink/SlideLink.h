// Wire code of the slide link between the viewer and the slide server: frame
// and body building, and bounded parsing of everything either side receives.
// Every length on the wire is checked against the bytes really there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace zelvo {
namespace slidelink {

enum Code : uint32_t {
    kKeepAlive = 1114,
    kOpenSlide = 1300,
    kResumeSlide = 1302,
    kTileRequest = 1303,
    kCancel = 1305,
    kGetMarks = 1307,
    kTilePrefetch = 1308,
    kTilePrefetchReply = 1310,
    kGetUserMarks = 1311,
    kMediaData = 1320,
};

// Largest body either side accepts: a thumbnail JPEG or a marks payload of a
// few MB fits with room to spare.
constexpr uint32_t kMaxBodyLength = 64u * 1024u * 1024u;
constexpr size_t kSlideHeaderSize = 84;
constexpr size_t kSlideHeaderReplyHeadSize = 648;
constexpr size_t kTileRequestBodySize = 44;
constexpr size_t kTextFieldSize = 256;
constexpr size_t kMatrixTextSize = 16;
constexpr size_t kSignatureSize = 48;
// Media pieces carry an i16 count.
constexpr size_t kMaxMediaPiece = 32767;

struct TileRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct SlideHeader {
    std::string signature;
    int32_t xPixelsPerMetre = 0, yPixelsPerMetre = 0;
    int32_t tileWidth = 0, tileHeight = 0, tileColumns = 0, tileRows = 0;
    uint8_t raw[kSlideHeaderSize] = {};
};

struct SlideHeaderReply {
    int32_t thumbnailFactor = 0;
    SlideHeader header;
    std::string textA, textB, matrixText;
    uint8_t reserved[32] = {};
    const uint8_t* jpeg = nullptr;
    size_t jpegLength = 0;
};

struct MediaReply {
    std::string path;
    int16_t count = 0;
    const uint8_t* data = nullptr;
    size_t dataLength = 0;
};

struct Request {
    uint32_t code = 0;
    std::string path;
    uint32_t value = 0;
    TileRect rect;
    double scaleX = 0, scaleY = 0;
};

enum class ParseResult { kOk, kBadRequest, kUnknownCode };

// Bodies (code + payload, no length prefix).
std::vector<uint8_t> CodeOnlyBody(uint32_t code);
std::vector<uint8_t> StringCommandBody(uint32_t code, const std::string& text, uint32_t value);
std::vector<uint8_t> TileRequestBody(uint32_t code, const TileRect& r, double scaleX, double scaleY);
// u32 length + body.
std::vector<uint8_t> Frame(const std::vector<uint8_t>& body);

// Viewer side; payload = body after the 4-byte code.
bool ParseSlideHeader(const uint8_t* data, size_t length, SlideHeader& out);
bool ParseSlideHeaderReply(const uint8_t* payload, size_t length, SlideHeaderReply& out);
bool ParseTileReply(const uint8_t* payload, size_t length, TileRect& rect, const uint8_t*& jpeg,
                    size_t& jpegLength);
bool ParseMediaReply(const uint8_t* payload, size_t length, MediaReply& out);

// Server side: a whole body (code included).
ParseResult ParseRequest(const uint8_t* body, size_t length, Request& out);

// The 84 header bytes from its fields (bytes not carried by a field are zero).
std::vector<uint8_t> SlideHeaderBytes(const SlideHeader& h);
// Texts are raw bytes (already in the viewer's code page), cut to their fields.
std::vector<uint8_t> SlideHeaderReplyBody(int32_t thumbnailFactor, const SlideHeader& header,
                                          const std::string& textA, const std::string& textB,
                                          const std::string& matrixText, const uint8_t* jpeg,
                                          size_t jpegLength);
std::vector<uint8_t> TileReplyBody(uint32_t code, const TileRect& r, const uint8_t* jpeg, size_t n);
// Empty when the path or the piece does not fit the i16 fields.
std::vector<uint8_t> MediaReplyBody(const std::string& path, int16_t count, const uint8_t* data,
                                    size_t n);
std::vector<uint8_t> MarksReplyBody(uint32_t code, const uint8_t* data, size_t n);

// Reassembles bodies from a byte stream. A length prefix above the bound
// (kMaxBodyLength unless given) or below 4 puts the reader in a failed state for good.
class FrameReader {
public:
    // A side that only ever receives small bodies may set a lower bound.
    explicit FrameReader(uint32_t maxBody = kMaxBodyLength) : m_maxBody(maxBody) {}

    // Returns false once the stream is malformed.
    bool Feed(const uint8_t* data, size_t n);
    bool Next(std::vector<uint8_t>& body);
    bool failed() const { return m_failed; }
    size_t pendingBodies() const { return m_ready.size(); }
    // Bytes that complete the length prefix or the body being read (0 once
    // failed), so that a reader of a socket can take one frame at a time.
    size_t Wanted() const;
    // Back to the start of a stream: nothing held, not failed.
    void Reset();

private:
    uint32_t m_maxBody;
    uint8_t m_prefix[4] = {};
    size_t m_prefixHave = 0;
    std::vector<uint8_t> m_body;
    size_t m_bodyWant = 0;
    bool m_inBody = false;
    bool m_failed = false;
    std::deque<std::vector<uint8_t>> m_ready;
};

} // namespace slidelink
} // namespace zelvo
