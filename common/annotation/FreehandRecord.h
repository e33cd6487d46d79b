// The record of a free-hand outline (type id 14) behind its type id in the
// annotation and measurement result files: the attribute block and the
// outline's points as a region stores them. Only files of version 2 hold
// it; in older files the outline has no record at all.
#pragma once

#include "annotation/AttributeBlock.h"
#include "bytes/ByteReader.h"
#include "geometry/OutlineGeometry.h"

#include <vector>

namespace zelvo {
namespace annotation {

struct FreehandRecord {
    // Version 2 and above: the whole block and the points. Older versions:
    // nothing; the object it is given to stays as it was.
    AttributeBlock attributes;
    int version = 2;
    std::vector<geom::Point> points;

    void MergeAttributes(AttributeBlock& into) const
    {
        if (version >= 2) into = attributes;
    }
};

// Fails as a region's record does. For a file version below 2 it reads
// nothing and succeeds: the next object follows at once.
bool ReadFreehandRecord(ByteReader& in, int version, FreehandRecord& out);
void WriteFreehandRecord(ByteWriter& out, const FreehandRecord& record);

} // namespace annotation
} // namespace zelvo
