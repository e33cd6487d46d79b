// The records of the graphic objects as the annotation and measurement
// result files store them behind each object's type id. Records carry no
// length of their own, so a reader that cannot read one cannot go on.
// One struct per record layout, read and written by a pair of functions.
#pragma once

#include "annotation/AttributeBlock.h"
#include "annotation/FreehandRecord.h"
#include "annotation/RegionRecord.h"
#include "bytes/ByteReader.h"
#include "geometry/OutlineGeometry.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace zelvo {
namespace annotation {

// File versions: 2 is written; 0 is the older layout, read only.
constexpr int kVersionOld = 0;
constexpr int kVersionCurrent = 2;

// Text notes (type ids 2 and 3).
struct NoteRecord {
    // Version 2: the whole block. Version 0: only the fields the older block
    // held are set (see MergeAttributes); the rest stay zero.
    AttributeBlock attributes;
    int version = kVersionCurrent;
    std::string text;  // without its NUL

    // Puts the fields this record carries into a block that holds the
    // object's values from its construction.
    void MergeAttributes(AttributeBlock& into) const;
};

// Segment chains, angles and arcs (type ids 6, 7 and 8).
struct SegmentRecord {
    AttributeBlock attributes;  // as NoteRecord
    int version = kVersionCurrent;
    std::vector<geom::Point> points;

    void MergeAttributes(AttributeBlock& into) const;
};

// Circles (type id 9): the attribute block alone, whose first three words
// hold the centre and the radius. Every file version holds the whole block.
struct CircleRecord {
    AttributeBlock attributes;

    geom::Point Centre() const { return geom::Point{attributes.Int(0), attributes.Int(4)}; }
    int32_t Radius() const { return attributes.Int(8); }
    void SetGeometry(geom::Point centre, int32_t radius);
    void MergeAttributes(AttributeBlock& into) const { into = attributes; }
};

// Framed shapes: rectangles, ellipses, brackets and arrows (type ids 10 to
// 13). The attribute block, whose bytes 8 to 39 hold the four axis handles.
// Version 0 held the older five-word header of the segments and the handles.
struct FramedRecord {
    AttributeBlock attributes;  // version 0: the header's fields and the handles
    int version = kVersionCurrent;

    geom::Point Handle(int i) const;
    void SetHandle(int i, geom::Point p);
    void MergeAttributes(AttributeBlock& into) const;
};

// Each reader fails (false) on a short record, a length or count that the
// bytes do not hold, or a coordinate outside the coordinate bound, and for
// a version other than 0 and 2 (circles take any version; a circle's radius
// lies between 0 and the coordinate bound).
bool ReadNoteRecord(ByteReader& in, int version, NoteRecord& out);
void WriteNoteRecord(ByteWriter& out, const NoteRecord& record);
bool ReadSegmentRecord(ByteReader& in, int version, SegmentRecord& out);
void WriteSegmentRecord(ByteWriter& out, const SegmentRecord& record);
bool ReadCircleRecord(ByteReader& in, int version, CircleRecord& out);
void WriteCircleRecord(ByteWriter& out, const CircleRecord& record);
bool ReadFramedRecord(ByteReader& in, int version, FramedRecord& out);
void WriteFramedRecord(ByteWriter& out, const FramedRecord& record);

// The fewest and most points a kind's record may hold (angles and arcs are
// made of exactly three).
size_t MinSegmentPoints(int32_t type);
size_t MaxSegmentPoints(int32_t type);

using ObjectRecord =
    std::variant<NoteRecord, SegmentRecord, RegionRecord, FreehandRecord, CircleRecord, FramedRecord>;

// The record layout of a type id; false for ids whose objects are not known.
// Each kind of object is one line here.
bool RecordForType(int32_t type, ObjectRecord& out);

// Reads the record of an object of the given type (known to RecordForType).
bool ReadObjectRecord(ByteReader& in, int32_t type, int version, ObjectRecord& out);
void WriteObjectRecord(ByteWriter& out, const ObjectRecord& record);

} // namespace annotation
} // namespace zelvo
