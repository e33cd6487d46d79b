// The record of a region measurement (type id 4) behind its type id in the
// annotation and measurement result files: the attribute block, uint32 n,
// then n (int32 x, int32 y) points in slide image pixels. Files of version 0
// hold an older 28-byte header instead of the block.
#pragma once

#include "annotation/AttributeBlock.h"
#include "bytes/ByteReader.h"
#include "geometry/OutlineGeometry.h"

#include <vector>

namespace zelvo {
namespace annotation {

struct RegionRecord {
    // Version 2: the whole block. Version 0: only the fields that the older
    // header held are set (blink flag, the reserved word at byte 108,
    // background mode, text background, fill and border colours), the rest
    // stay zero. Other versions hold no header.
    AttributeBlock attributes;
    int version = 2;
    std::vector<geom::Point> points;

    // Puts the fields this record carries into a block that holds the
    // object's values from its construction.
    void MergeAttributes(AttributeBlock& into) const;
};

// Fails on a short record, a point count that the bytes do not hold, a point
// outside the coordinate bound or an outline beyond the length bound. Records carry no length, so the file's
// reading stops at a record that fails.
bool ReadRegionRecord(ByteReader& in, int version, RegionRecord& out);
// Always the version-2 layout.
void WriteRegionRecord(ByteWriter& out, const RegionRecord& record);

// The point list that regions and free-hand outlines share: uint32 n, then n
// points, within the coordinate and outline length bounds.
bool ReadOutlinePoints(ByteReader& in, std::vector<geom::Point>& out);
void WriteOutlinePoints(ByteWriter& out, const std::vector<geom::Point>& points);

} // namespace annotation
} // namespace zelvo
