#include "annotation/ObjectRecords.h"

#include "geometry/CoordinateBound.h"

#include <cstring>
#include <limits>

namespace zelvo {
namespace annotation {

namespace {

// Byte spans (offset, size) of a block that a version-0 record carries.
struct Span {
    size_t offset, size;
};
const Span kOldNoteSpans[] = {{AttributeBlock::kAnchor, 24},
                              {AttributeBlock::kFont, 60},
                              {AttributeBlock::kBkMode, 4},
                              {AttributeBlock::kTextColor, 16}};
const Span kOldSegmentSpans[] = {{AttributeBlock::kBlink, 4}, {108, 4}, {112, 4}, {AttributeBlock::kBorderColor, 4}};

template <size_t N>
void Merge(const AttributeBlock& from, int version, const Span (&spans)[N], AttributeBlock& into)
{
    if (version != kVersionOld) {
        into = from;
        return;
    }
    for (const Span& s : spans) std::memcpy(into.bytes().data() + s.offset, from.bytes().data() + s.offset, s.size);
}

// The older note block: 108 bytes, its fields four bytes further on than in
// the current block, without the reserved words.
bool ReadOldNoteBlock(ByteReader& in, AttributeBlock& block)
{
    uint8_t old[108];
    if (!in.read(old, sizeof old)) return false;
    uint8_t* b = block.bytes().data();
    std::memcpy(b + AttributeBlock::kAnchor, old + 4, 24);
    std::memcpy(b + AttributeBlock::kFont, old + 28, 60);
    std::memcpy(b + AttributeBlock::kBkMode, old + 88, 4);
    std::memcpy(b + AttributeBlock::kTextColor, old + 92, 16);
    return true;
}

// The older segment header: five words, the first unused.
bool ReadOldSegmentHeader(ByteReader& in, AttributeBlock& block)
{
    uint32_t w[5];
    for (uint32_t& v : w) v = in.u32();
    if (!in.ok()) return false;
    block.SetInt(112, (int32_t)w[1]);
    block.SetInt(AttributeBlock::kBorderColor, (int32_t)w[2]);
    block.SetInt(AttributeBlock::kBlink, (int32_t)w[3]);
    block.SetInt(108, (int32_t)w[4]);
    return true;
}

constexpr size_t kHandles = AttributeBlock::kBox;  // four (x, y) pairs

bool NoteCoordinatesInBound(const AttributeBlock& a)
{
    if (!geom::InCoordinateBound(a.anchorX()) || !geom::InCoordinateBound(a.anchorY())) return false;
    for (int i = 0; i < 4; ++i)
        if (!geom::InCoordinateBound(a.box(i))) return false;
    return true;
}

} // namespace

void NoteRecord::MergeAttributes(AttributeBlock& into) const { Merge(attributes, version, kOldNoteSpans, into); }

void SegmentRecord::MergeAttributes(AttributeBlock& into) const
{
    Merge(attributes, version, kOldSegmentSpans, into);
}

bool ReadNoteRecord(ByteReader& in, int version, NoteRecord& out)
{
    out = NoteRecord();
    out.version = version;
    if (version == kVersionCurrent) {
        if (!out.attributes.Read(in)) return false;
    } else if (version == kVersionOld) {
        if (!ReadOldNoteBlock(in, out.attributes)) return false;
    } else {
        return false;
    }
    if (!NoteCoordinatesInBound(out.attributes)) return false;
    // The length counts the text's NUL; a length the record cannot hold
    // (0xFFFFFFFF included) is refused before anything is allocated.
    const uint32_t length = in.u32();
    if (!in.ok() || length > in.remaining()) return false;
    if (length > 0) {
        const char* text = reinterpret_cast<const char*>(in.current());
        out.text.assign(text, strnlen(text, length));
    }
    return in.skip(length);
}

void WriteNoteRecord(ByteWriter& out, const NoteRecord& record)
{
    record.attributes.Write(out);
    out.u32((uint32_t)record.text.size() + 1);
    out.cstr(record.text);
}

bool ReadSegmentRecord(ByteReader& in, int version, SegmentRecord& out)
{
    out = SegmentRecord();
    out.version = version;
    if (version == kVersionCurrent) {
        if (!out.attributes.Read(in)) return false;
    } else if (version == kVersionOld) {
        if (!ReadOldSegmentHeader(in, out.attributes)) return false;
    } else {
        return false;
    }
    const uint32_t count = in.u32();
    if (!in.ok() || count > in.remaining() / 8) return false;
    out.points.resize(count);
    for (geom::Point& p : out.points) {
        p.x = in.i32();
        p.y = in.i32();
    }
    return in.ok() && geom::AllInCoordinateBound(out.points.data(), out.points.size());
}

void WriteSegmentRecord(ByteWriter& out, const SegmentRecord& record)
{
    record.attributes.Write(out);
    out.u32((uint32_t)record.points.size());
    for (const geom::Point& p : record.points) {
        out.i32(p.x);
        out.i32(p.y);
    }
}

void CircleRecord::SetGeometry(geom::Point centre, int32_t radius)
{
    attributes.SetInt(0, centre.x);
    attributes.SetInt(4, centre.y);
    attributes.SetInt(8, radius);
}

bool ReadCircleRecord(ByteReader& in, int, CircleRecord& out)
{
    CircleRecord r;
    if (!r.attributes.Read(in)) return false;
    if (!geom::InCoordinateBound(r.Centre()) || r.Radius() < 0 || r.Radius() > geom::kCoordinateBound) return false;
    out = r;
    return true;
}

void WriteCircleRecord(ByteWriter& out, const CircleRecord& record) { record.attributes.Write(out); }

geom::Point FramedRecord::Handle(int i) const
{
    return geom::Point{attributes.Int(kHandles + 8 * size_t(i)), attributes.Int(kHandles + 8 * size_t(i) + 4)};
}

void FramedRecord::SetHandle(int i, geom::Point p)
{
    attributes.SetInt(kHandles + 8 * size_t(i), p.x);
    attributes.SetInt(kHandles + 8 * size_t(i) + 4, p.y);
}

void FramedRecord::MergeAttributes(AttributeBlock& into) const
{
    Merge(attributes, version, kOldSegmentSpans, into);
    if (version == kVersionOld)
        std::memcpy(into.bytes().data() + kHandles, attributes.bytes().data() + kHandles, 32);
}

bool ReadFramedRecord(ByteReader& in, int version, FramedRecord& out)
{
    FramedRecord r;
    r.version = version;
    if (version == kVersionCurrent) {
        if (!r.attributes.Read(in)) return false;
    } else if (version == kVersionOld) {
        if (!ReadOldSegmentHeader(in, r.attributes) || !in.read(r.attributes.bytes().data() + kHandles, 32))
            return false;
    } else {
        return false;
    }
    for (int i = 0; i < 4; ++i)
        if (!geom::InCoordinateBound(r.Handle(i))) return false;
    out = r;
    return true;
}

void WriteFramedRecord(ByteWriter& out, const FramedRecord& record) { record.attributes.Write(out); }

size_t MinSegmentPoints(int32_t type) { return type == 7 || type == 8 ? 3 : 2; }

size_t MaxSegmentPoints(int32_t type)
{
    return type == 7 || type == 8 ? 3 : std::numeric_limits<size_t>::max();
}

bool RecordForType(int32_t type, ObjectRecord& out)
{
    switch (type) {
    case 1: // caption
    case 2: // text notes
    case 3:
    case 5: // media hot spots: a note whose text names the linked file
    case 101:
    case 102:
    case 103: out = NoteRecord(); return true;
    case 4: out = RegionRecord(); return true;
    case 6: // segment chain, angle, arc
    case 7:
    case 8: out = SegmentRecord(); return true;
    case 9: out = CircleRecord(); return true;
    case 10: // rectangle, ellipse, bracket, arrow
    case 11:
    case 12:
    case 13: out = FramedRecord(); return true;
    case 14: out = FreehandRecord(); return true;
    default: return false;
    }
}

namespace {

// One overload pair per record layout; the kind's own checks on what it read
// go here too.
bool ReadKind(ByteReader& in, int32_t, int version, NoteRecord& r) { return ReadNoteRecord(in, version, r); }
bool ReadKind(ByteReader& in, int32_t type, int version, SegmentRecord& r)
{
    return ReadSegmentRecord(in, version, r) && r.points.size() >= MinSegmentPoints(type) &&
           r.points.size() <= MaxSegmentPoints(type);
}
bool ReadKind(ByteReader& in, int32_t, int version, RegionRecord& r) { return ReadRegionRecord(in, version, r); }
bool ReadKind(ByteReader& in, int32_t, int version, FreehandRecord& r) { return ReadFreehandRecord(in, version, r); }
bool ReadKind(ByteReader& in, int32_t, int version, CircleRecord& r) { return ReadCircleRecord(in, version, r); }
bool ReadKind(ByteReader& in, int32_t, int version, FramedRecord& r) { return ReadFramedRecord(in, version, r); }
void WriteKind(ByteWriter& out, const NoteRecord& r) { WriteNoteRecord(out, r); }
void WriteKind(ByteWriter& out, const CircleRecord& r) { WriteCircleRecord(out, r); }
void WriteKind(ByteWriter& out, const FramedRecord& r) { WriteFramedRecord(out, r); }
void WriteKind(ByteWriter& out, const RegionRecord& r) { WriteRegionRecord(out, r); }
void WriteKind(ByteWriter& out, const FreehandRecord& r) { WriteFreehandRecord(out, r); }
void WriteKind(ByteWriter& out, const SegmentRecord& r) { WriteSegmentRecord(out, r); }

} // namespace

bool ReadObjectRecord(ByteReader& in, int32_t type, int version, ObjectRecord& out)
{
    if (!RecordForType(type, out)) return false;
    return std::visit([&](auto& record) { return ReadKind(in, type, version, record); }, out);
}

void WriteObjectRecord(ByteWriter& out, const ObjectRecord& record)
{
    std::visit([&](const auto& r) { WriteKind(out, r); }, record);
}

} // namespace annotation
} // namespace zelvo
