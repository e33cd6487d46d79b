#include "CatalogPacket.h"

#include "bytes/ByteReader.h"

#include <cstring>

namespace zelvo {
namespace catalog {

namespace {

template <size_t N> void PutText(ByteWriter& w, const char16_t (&field)[N])
{
    for (char16_t c : field) w.u16((uint16_t)c);
}

template <size_t N> void GetText(ByteReader& r, char16_t (&field)[N])
{
    for (auto& c : field) c = (char16_t)r.u16();
    field[N - 1] = 0;
}

} // namespace

CCatalogPacket MakeRequest(int32_t type, int32_t itemId)
{
    CCatalogPacket p;
    p.nItemId = itemId;
    p.nTotalLen = (int32_t)kPacketSize;
    p.nType = type;
    return p;
}

void EncodePacket(const CCatalogPacket& p, uint8_t* out)
{
    ByteWriter w;
    w.i32(p.nItemId);
    w.i32(p.nTotalLen);
    w.i32(p.nType);
    PutText(w, p.szPath);
    PutText(w, p.szInfoName);
    PutText(w, p.szInfoValue);
    w.i32(p.nFlag);
    w.i32(p.nDataSize);
    PutText(w, p.szMatrixSize);
    PutText(w, p.szScanSize);
    w.i32(p.nMarkState);
    w.i32(p.nKnownCount);
    std::memcpy(out, w.data().data(), kPacketSize);
}

void DecodePacket(const uint8_t* in, CCatalogPacket& p)
{
    ByteReader r(in, kPacketSize);
    p.nItemId = r.i32();
    p.nTotalLen = r.i32();
    p.nType = r.i32();
    GetText(r, p.szPath);
    GetText(r, p.szInfoName);
    GetText(r, p.szInfoValue);
    p.nFlag = r.i32();
    p.nDataSize = r.i32();
    GetText(r, p.szMatrixSize);
    GetText(r, p.szScanSize);
    p.nMarkState = r.i32();
    p.nKnownCount = r.i32();
}

} // namespace catalog
} // namespace zelvo
