// Region and free-hand records from random bytes: a record is read or
// refused; one that is read holds an outline within the bounds,
// writes back to the bytes it came from, and is measured in bounded time.
#include "annotation/FreehandRecord.h"
#include "annotation/RegionRecord.h"
#include "geometry/CoordinateBound.h"

#include <cstdlib>
#include <cstring>

using namespace zelvo;
using namespace zelvo::annotation;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const bool freehand = data[0] & 1;
    const int version = (data[0] >> 1) % 4;  // 0 and 2 occur in files; 1 and 3 are read as the readers say
    ByteReader in(data + 1, size - 1);
    std::vector<geom::Point> points;
    ByteWriter out;
    if (freehand) {
        FreehandRecord r;
        if (!ReadFreehandRecord(in, version, r)) return 0;
        if (version < 2 && (in.position() != 0 || !r.points.empty())) std::abort();
        if (version >= 2) WriteFreehandRecord(out, r);
        points = r.points;
    } else {
        RegionRecord r;
        if (!ReadRegionRecord(in, version, r)) return 0;
        if (version == 2) WriteRegionRecord(out, r);
        points = r.points;
    }
    if (!geom::OutlineInBounds(points.data(), points.size())) std::abort();
    if (out.size() && (out.size() != in.position() || std::memcmp(out.data().data(), data + 1, out.size()) != 0))
        std::abort();
    (void)geom::ComputeRegionResults(points, 1000000, 1000000);
    return 0;
}
