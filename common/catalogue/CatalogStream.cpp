#include "CatalogStream.h"

#include <cstring>

namespace zelvo {
namespace catalog {

// ---------------------------------------------------------------------------
// CatalogReader

CatalogReader::CatalogReader()
{
    m_record.fill(0);
}

uint8_t* CatalogReader::Space()
{
    if (m_reply) return m_reply->payload.data() + m_received;
    return m_record.data() + m_received;
}

void CatalogReader::StartRecord()
{
    m_record.fill(0);
    m_reply.reset();
    m_expected = kPacketSize;
    m_received = 0;
}

void CatalogReader::Reset()
{
    StartRecord();
    m_fault = ReadFault::none;
}

bool CatalogReader::Commit(size_t n, ICatalogReplyHandler& handler)
{
    if (m_fault != ReadFault::none) return false;
    if (n > SpaceSize()) n = SpaceSize();
    m_received += n;
    if (m_received < m_expected) return true;
    if (!m_reply) return RecordComplete(handler);
    // The payload is complete: the handler owns the reply from here on.
    std::unique_ptr<CatalogReply> reply = std::move(m_reply);
    StartRecord();
    if (reply->record.nType == kListItem) handler.OnListItem(std::move(reply));
    else handler.OnPreview(std::move(reply));
    return true;
}

bool CatalogReader::RecordComplete(ICatalogReplyHandler& handler)
{
    CCatalogPacket p;
    DecodePacket(m_record.data(), p);
    size_t payload = 0;
    switch (p.nType) {
    case kKeepAliveAnswer:
        StartRecord();
        handler.OnKeepAliveAnswer();
        return true;
    case kTreeEntry:
        StartRecord();
        handler.OnTreeEntry(p);
        return true;
    case kText:
        StartRecord();
        handler.OnText(p);
        return true;
    case kListItem:
        if (p.nTotalLen <= (int32_t)kPacketSize || p.nTotalLen - (int32_t)kPacketSize > kMaxThumbnailBytes) {
            m_fault = ReadFault::listLength;
            return false;
        }
        payload = (size_t)(p.nTotalLen - (int32_t)kPacketSize);
        break;
    case kPreviewImage:
        if (p.nDataSize <= 0 || p.nDataSize > kMaxPreviewBytes ||
            (int64_t)p.nTotalLen < (int64_t)kPacketSize + p.nDataSize) {
            m_fault = ReadFault::previewLength;
            return false;
        }
        payload = (size_t)p.nDataSize;
        break;
    default:
        m_fault = ReadFault::unknownType;
        return false;
    }
    m_reply.reset(new CatalogReply);
    m_reply->record = p;
    m_reply->payload.resize(payload);
    m_expected = payload;
    m_received = 0;
    return true;
}

bool CatalogReader::Feed(const uint8_t* data, size_t n, ICatalogReplyHandler& handler)
{
    while (n > 0) {
        size_t step = n < SpaceSize() ? n : SpaceSize();
        std::memcpy(Space(), data, step);
        if (!Commit(step, handler)) return false;
        data += step;
        n -= step;
    }
    return m_fault == ReadFault::none;
}

// ---------------------------------------------------------------------------
// CatalogSendQueue

bool CatalogSendQueue::Queue(RequestKind kind, const CCatalogPacket& request)
{
    std::deque<CCatalogPacket>& slot = m_slots[(size_t)kind];
    bool kept = true;
    switch (kind) {
    case RequestKind::folder:
        if (slot.size() >= kMaxWaitingFolders) kept = false;
        else slot.push_back(request);
        break;
    case RequestKind::list:
    case RequestKind::preview:
        slot.clear();
        slot.push_back(request);
        break;
    default:
        if (!slot.empty()) kept = false;
        else slot.push_back(request);
        break;
    }
    if (!m_hasCurrent) TakeNext(kind);
    return kept;
}

void CatalogSendQueue::SetCurrent(const CCatalogPacket& request)
{
    m_current = request;
    EncodePacket(m_current, m_currentBytes.data());
    m_hasCurrent = true;
    m_sent = 0;
}

bool CatalogSendQueue::TakeNext(RequestKind kind)
{
    std::deque<CCatalogPacket>& slot = m_slots[(size_t)kind];
    if (slot.empty()) return false;
    SetCurrent(slot.front());
    slot.pop_front();
    return true;
}

const uint8_t* CatalogSendQueue::Unsent(size_t& n) const
{
    n = m_hasCurrent ? kPacketSize - m_sent : 0;
    return m_hasCurrent ? m_currentBytes.data() + m_sent : nullptr;
}

void CatalogSendQueue::Sent(size_t n)
{
    if (!m_hasCurrent) return;
    m_sent += n < kPacketSize - m_sent ? n : kPacketSize - m_sent;
    if (m_sent < kPacketSize) return;
    m_hasCurrent = false;
    m_sent = 0;
    for (RequestKind k : {RequestKind::keepAlive, RequestKind::folder, RequestKind::preview, RequestKind::list,
                          RequestKind::spare})
        if (TakeNext(k)) return;
}

void CatalogSendQueue::Clear()
{
    for (auto& slot : m_slots) slot.clear();
    m_hasCurrent = false;
    m_sent = 0;
}

const CCatalogPacket* CatalogSendQueue::Waiting(RequestKind kind) const
{
    const std::deque<CCatalogPacket>& slot = m_slots[(size_t)kind];
    return slot.empty() ? nullptr : &slot.front();
}

} // namespace catalog
} // namespace zelvo
