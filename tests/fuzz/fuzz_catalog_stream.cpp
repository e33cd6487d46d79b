// Everything the catalogue client and server read from the network, on
// arbitrary bytes: the reply stream cut at places the input chooses, request
// records, discovery datagrams and the names inside records.
#include "catalogue/CatalogNames.h"
#include "catalogue/CatalogStream.h"
#include "catalogue/Discovery.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

using namespace zelvo::catalog;

namespace {

struct Sink : ICatalogReplyHandler {
    void OnKeepAliveAnswer() override {}
    void OnTreeEntry(const CCatalogPacket& e) override
    {
        if (FieldText(e.szPath).size() >= kPathUnits) __builtin_trap();
        LastComponent(FieldText(e.szPath));
        ServerPathPrefix(FieldText(e.szPath));
    }
    void OnListItem(std::unique_ptr<CatalogReply> r) override
    {
        if ((int64_t)r->payload.size() + (int64_t)kPacketSize != r->record.nTotalLen) __builtin_trap();
        ListItemText(LastComponent(FieldText(r->record.szPath)));
    }
    void OnPreview(std::unique_ptr<CatalogReply> r) override
    {
        if ((int64_t)r->payload.size() != r->record.nDataSize) __builtin_trap();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IsDiscoveryReply(data, size);
    IsDiscoveryRequest(data, size);
    if (size >= kPacketSize) {
        CCatalogPacket p;
        DecodePacket(data, p);
        Utf16ToUtf8(FieldText(p.szPath));
        uint8_t again[kPacketSize];
        EncodePacket(p, again);
    }
    if (size == 0) return 0;
    // The first byte picks the size of the reads.
    size_t step = 1 + data[0] % 97;
    CatalogReader reader;
    Sink sink;
    for (size_t i = 1; i < size;) {
        size_t n = size - i < step ? size - i : step;
        if (n > reader.SpaceSize()) n = reader.SpaceSize();
        std::memcpy(reader.Space(), data + i, n);
        if (!reader.Commit(n, sink)) break;
        i += n;
    }
    Utf8ToUtf16(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
