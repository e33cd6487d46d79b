// Both directions of the catalogue link as byte work: the client's reply
// reader (record, then the JPEG that some replies carry) and its send queue.
// The socket only moves bytes in and out of these.
#pragma once

#include "CatalogPacket.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace zelvo {
namespace catalog {

// A reply with the picture that followed its record.
struct CatalogReply {
    CCatalogPacket record;
    std::vector<uint8_t> payload;  // thumbnail (-3) or preview (-5) JPEG
};

class ICatalogReplyHandler {
public:
    virtual ~ICatalogReplyHandler() = default;
    virtual void OnKeepAliveAnswer() = 0;
    virtual void OnTreeEntry(const CCatalogPacket& entry) = 0;
    virtual void OnListItem(std::unique_ptr<CatalogReply> item) = 0;
    virtual void OnPreview(std::unique_ptr<CatalogReply> preview) = 0;
    virtual void OnText(const CCatalogPacket&) {}
};

enum class ReadFault {
    none,
    listLength,     // a list item without a thumbnail, or with one beyond the cap
    previewLength,  // a preview of no bytes, beyond the cap, or longer than its total
    unknownType,
};

// Replies in two phases: the 1668-byte record, then the payload it announces.
class CatalogReader {
public:
    CatalogReader();

    // Where the next bytes go, and at most how many fit before the current
    // record or payload is complete.
    uint8_t* Space();
    size_t SpaceSize() const { return m_expected - m_received; }
    // n bytes were put at Space(): hands on what they complete. False once the
    // stream has faulted; it cannot be trusted after that and reads nothing more.
    bool Commit(size_t n, ICatalogReplyHandler& handler);
    // Commits a buffer in as many steps as it takes.
    bool Feed(const uint8_t* data, size_t n, ICatalogReplyHandler& handler);
    // Forgets a partial reply: the record phase starts again.
    void Reset();

    ReadFault fault() const { return m_fault; }
    bool inPayload() const { return m_reply != nullptr; }
    size_t expected() const { return m_expected; }
    size_t received() const { return m_received; }

private:
    bool RecordComplete(ICatalogReplyHandler& handler);
    void StartRecord();

    std::array<uint8_t, kPacketSize> m_record;
    std::unique_ptr<CatalogReply> m_reply;
    size_t m_expected = kPacketSize;
    size_t m_received = 0;
    ReadFault m_fault = ReadFault::none;
};

// Request kinds in the order of the queue's slots.
enum class RequestKind { preview, keepAlive, folder, list, spare };

// One record in flight and the requests waiting behind it, per kind: one
// keep-alive, the latest list and preview request (an older one is of a
// folder or slide no longer selected), and every folder request in turn (each
// expansion asks once only). The folder requests are also kept beyond the
// connection: a closing link may lose any of them, waiting, in flight or half
// answered, and the server says nowhere that a folder's answer is complete, so
// each is asked again after a reconnect.
class CatalogSendQueue {
public:
    static constexpr size_t kMaxWaitingFolders = 1024;

    // False when the request was not kept (a keep-alive already waiting, a
    // folder already waiting, or too many folder requests). When nothing is
    // being sent, the first request waiting of this kind becomes the current
    // record.
    bool Queue(RequestKind kind, const CCatalogPacket& request);
    // A folder request to be made at the next reconnect (the link is closed).
    void Remember(const CCatalogPacket& folderRequest);
    // A new connection after a lost one, before anything is sent on it: the
    // saved request goes first, a record queued while connecting waits behind
    // it, and every folder asked for since Forget is asked for again.
    void Reconnect(const CCatalogPacket& saved);
    // The unsent rest of the current record; null when nothing is current.
    const uint8_t* Unsent(size_t& n) const;
    // n more bytes went out; once the record is complete the next waiting
    // request (keep-alive, folder, preview, list) becomes current.
    void Sent(size_t n);
    // The link closed: nothing waits or is in flight; the folders asked for
    // are kept for the reconnect.
    void Clear();
    // The session ends: the folders asked for go too.
    void Forget();

    bool sending() const { return m_hasCurrent; }
    size_t sentBytes() const { return m_sent; }
    size_t waiting(RequestKind kind) const { return m_slots[(size_t)kind].size(); }
    // The first request waiting of a kind, or null.
    const CCatalogPacket* Waiting(RequestKind kind) const;
    const CCatalogPacket& current() const { return m_current; }
    // The folder requests a reconnect makes again, in the order first made.
    const std::vector<CCatalogPacket>& askedFolders() const { return m_askedFolders; }

private:
    void SetCurrent(const CCatalogPacket& request);
    bool TakeNext(RequestKind kind);
    bool FolderWaits(int32_t item) const;

    std::deque<CCatalogPacket> m_slots[5];
    CCatalogPacket m_current;
    std::array<uint8_t, kPacketSize> m_currentBytes{};
    bool m_hasCurrent = false;
    size_t m_sent = 0;
    std::vector<CCatalogPacket> m_askedFolders;
};

} // namespace catalog
} // namespace zelvo
