// The record of a free-hand outline (type id 14) behind its type id in the
// annotation and measurement result files: the attribute block and the
// outline's points as a region stores them. Only files of version 2 hold
// it; what older files held for it is not known.
#pragma once

#include "annotation/AttributeBlock.h"
#include "bytes/ByteReader.h"
#include "geometry/OutlineGeometry.h"

#include <vector>

namespace zelvo {
namespace annotation {

struct FreehandRecord {
    AttributeBlock attributes;
    std::vector<geom::Point> points;

    void MergeAttributes(AttributeBlock& into) const { into = attributes; }
};

// Fails as a region's record does, and for a file version below 2: the rest
// of such a file cannot be found, so its reading stops there.
bool ReadFreehandRecord(ByteReader& in, int version, FreehandRecord& out);
void WriteFreehandRecord(ByteWriter& out, const FreehandRecord& record);

} // namespace annotation
} // namespace zelvo
