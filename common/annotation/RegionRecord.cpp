#include "annotation/RegionRecord.h"

#include "geometry/CoordinateBound.h"

namespace zelvo {
namespace annotation {

namespace {

// Where the words of the older header go in the block, after a skipped first word.
constexpr size_t kOldHeaderFields[] = {AttributeBlock::kBlink,       108, AttributeBlock::kBkMode,
                                       AttributeBlock::kTextBkColor, AttributeBlock::kFillColor,
                                       AttributeBlock::kBorderColor};

} // namespace

void RegionRecord::MergeAttributes(AttributeBlock& into) const
{
    if (version == 2) {
        into = attributes;
    } else if (version == 0) {
        for (size_t offset : kOldHeaderFields) into.SetInt(offset, attributes.Int(offset));
    }
}

bool ReadOutlinePoints(ByteReader& in, std::vector<geom::Point>& out)
{
    const uint32_t n = in.u32();
    // 64 bits: n x 8 must not wrap in the 32-bit programs.
    if (!in.ok() || uint64_t(n) * 8 > in.remaining()) return false;
    std::vector<geom::Point> points(n);
    for (geom::Point& p : points) {
        p.x = in.i32();
        p.y = in.i32();
        if (!geom::InCoordinateBound(p)) return false;
    }
    if (!in.ok() || geom::OutlineLength(points.data(), points.size()) > geom::kOutlineLengthBound) return false;
    out.swap(points);
    return true;
}

void WriteOutlinePoints(ByteWriter& out, const std::vector<geom::Point>& points)
{
    out.u32(uint32_t(points.size()));
    for (const geom::Point& p : points) {
        out.i32(p.x);
        out.i32(p.y);
    }
}

bool ReadRegionRecord(ByteReader& in, int version, RegionRecord& out)
{
    RegionRecord r;
    r.version = version;
    if (version == 2) {
        if (!r.attributes.Read(in)) return false;
    } else if (version == 0) {
        in.skip(4);
        for (size_t offset : kOldHeaderFields) r.attributes.SetInt(offset, in.i32());
        if (!in.ok()) return false;
    }
    if (!ReadOutlinePoints(in, r.points)) return false;
    out = std::move(r);
    return true;
}

void WriteRegionRecord(ByteWriter& out, const RegionRecord& record)
{
    record.attributes.Write(out);
    WriteOutlinePoints(out, record.points);
}

} // namespace annotation
} // namespace zelvo
