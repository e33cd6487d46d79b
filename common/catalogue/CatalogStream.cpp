#include "CatalogStream.h"

#include <algorithm>
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

namespace {

RequestKind KindOf(int32_t type)
{
    switch (type) {
    case kKeepAlive: return RequestKind::keepAlive;
    case kFolderRequest: return RequestKind::folder;
    case kListRequest: return RequestKind::list;
    case kPreviewRequest: return RequestKind::preview;
    default: return RequestKind::spare;
    }
}

} // namespace

bool CatalogSendQueue::Queue(RequestKind kind, const CCatalogPacket& request)
{
    std::deque<CCatalogPacket>& slot = m_slots[(size_t)kind];
    bool kept = true;
    switch (kind) {
    case RequestKind::folder:
        Remember(request);
        if (slot.size() >= kMaxWaitingFolders || FolderWaits(request.nItemId)) kept = false;
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

bool CatalogSendQueue::FolderWaits(int32_t item) const
{
    if (m_hasCurrent && m_sent == 0 && m_current.nType == kFolderRequest && m_current.nItemId == item) return true;
    for (const CCatalogPacket& p : m_slots[(size_t)RequestKind::folder])
        if (p.nItemId == item) return true;
    return false;
}

void CatalogSendQueue::Remember(const CCatalogPacket& folderRequest)
{
    for (CCatalogPacket& p : m_askedFolders)
        if (p.nItemId == folderRequest.nItemId) {
            p = folderRequest;
            return;
        }
    if (m_askedFolders.size() < kMaxWaitingFolders) m_askedFolders.push_back(folderRequest);
}

void CatalogSendQueue::Reconnect(const CCatalogPacket& saved)
{
    if (m_hasCurrent && m_sent == 0) {
        std::deque<CCatalogPacket>& slot = m_slots[(size_t)KindOf(m_current.nType)];
        if (m_current.nType == kFolderRequest) slot.push_front(m_current);
        else if (slot.empty()) slot.push_back(m_current);
    }
    // The saved list request is the latest one made.
    if (saved.nType == kListRequest) m_slots[(size_t)RequestKind::list].clear();
    if (saved.nType == kFolderRequest) {
        Remember(saved);
        std::deque<CCatalogPacket>& folders = m_slots[(size_t)RequestKind::folder];
        folders.erase(std::remove_if(folders.begin(), folders.end(),
                                     [&](const CCatalogPacket& p) { return p.nItemId == saved.nItemId; }),
                      folders.end());
    }
    SetCurrent(saved);
    const std::vector<CCatalogPacket> asked = m_askedFolders;
    for (const CCatalogPacket& folder : asked)
        if (!(saved.nType == kFolderRequest && saved.nItemId == folder.nItemId)) Queue(RequestKind::folder, folder);
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

void CatalogSendQueue::Forget()
{
    Clear();
    m_askedFolders.clear();
}

const CCatalogPacket* CatalogSendQueue::Waiting(RequestKind kind) const
{
    const std::deque<CCatalogPacket>& slot = m_slots[(size_t)kind];
    return slot.empty() ? nullptr : &slot.front();
}

} // namespace catalog
} // namespace zelvo
