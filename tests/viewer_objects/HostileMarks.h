// Annotation files (marker files, the slide server's published marks) whose
// last object holds a coordinate of 2^31 - 1: a region, a free-hand outline
// or a segment chain, behind three sound objects. Used by the layers' and
// the slide view's tests.
#pragma once

#include "annotation/ObjectFiles.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace objects_test {

const int32_t kHostileTypes[] = {4, 14, 6};  // region, free-hand outline, segment chain
const uint32_t kSoundObjectsBeforeHostile = 3;

inline std::vector<uint8_t> HostileMarks(int32_t hostileType)
{
    using namespace zelvo::annotation;
    const int32_t huge = std::numeric_limits<int32_t>::max();
    zelvo::ByteWriter w;
    WriteAnnotationHeader(w, "", kSoundObjectsBeforeHostile + 1);
    NoteRecord note;
    note.attributes.SetInt(AttributeBlock::kAnchor, 500);
    note.attributes.SetInt(AttributeBlock::kAnchor + 4, 400);
    note.text = "前面的标示";
    WriteObject(w, 2, note);
    RegionRecord region;
    region.points = {{0, 0}, {100, -150}, {200, -150}, {300, 0}, {200, 150}, {100, 150}};
    WriteObject(w, 4, region);
    FreehandRecord outline;
    outline.points = {{0, 0}, {10, 0}, {0, 10}};
    WriteObject(w, 14, outline);
    if (hostileType == 6) {
        SegmentRecord segment;
        segment.points = {{0, 300}, {huge, 0}};
        WriteObject(w, 6, segment);
    } else {
        RegionRecord hostile;  // free-hand outlines store the same layout
        hostile.points = {{0, 0}, {huge, 0}, {0, 100}};
        WriteObject(w, hostileType, hostile);
    }
    return w.take();
}

} // namespace objects_test
