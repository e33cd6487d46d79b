#include "annotation/FreehandRecord.h"

#include "annotation/RegionRecord.h"

namespace zelvo {
namespace annotation {

bool ReadFreehandRecord(ByteReader& in, int version, FreehandRecord& out)
{
    FreehandRecord r;
    r.version = version;
    if (version >= 2 && (!r.attributes.Read(in) || !ReadOutlinePoints(in, r.points))) return false;
    out = std::move(r);
    return true;
}

void WriteFreehandRecord(ByteWriter& out, const FreehandRecord& record)
{
    record.attributes.Write(out);
    WriteOutlinePoints(out, record.points);
}

} // namespace annotation
} // namespace zelvo
