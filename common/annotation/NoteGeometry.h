// The shape of a text note: a rounded box, optionally with a tail to its
// anchor point (a speech balloon), its handles and where its text goes.
// Coordinates are the note's zoomed coordinates (image pixels times the
// scale, without the scroll offset).
#pragma once

#include "geometry/OutlineGeometry.h"

#include <vector>

namespace zelvo {
namespace annotation {

// What a point hits on a note; handles count from the top-left corner
// clockwise: top-left, top-middle, top-right, right-middle, bottom-right,
// bottom-middle, bottom-left, left-middle.
enum NoteHit { kNoteHitNone = 0, kNoteHitBox = 1, kNoteHitAnchor = 2, kNoteHitHandle = 3 /* .. 10 */ };

struct NoteShape {
    geom::Rect handles[8];
    geom::Rect anchorHandle;
    geom::Rect textRect;
    std::vector<geom::Point> outline;  // closed polygon; begins with the anchor when there is a tail
    bool tail = false;
};

// withTail: the kind draws a tail (it then shows only while the anchor
// lies outside the box).
NoteShape BuildNoteShape(const geom::Rect& box, geom::Point anchor, bool withTail);

// The box widened to take in the anchor's mark.
geom::Rect NoteBoundRect(const geom::Rect& box, geom::Point anchor);

// Which part of the note a point hits, the outline aside.
int NoteHandleTest(const NoteShape& shape, const geom::Rect& box, geom::Point p, bool selected, bool hover);

// Moves the edges a handle (kNoteHitHandle .. +7) stands for to p, never
// past the opposite edge.
void DragNoteHandle(geom::Rect& box, int hit, geom::Point p);

// Narrows the rectangle to the width/height ratio, centred in the old one.
void FitRectToAspect(geom::Rect& r, double ratio);

// Platform point-in-rectangle: left and top inside, right and bottom outside.
inline bool RectContains(const geom::Rect& r, geom::Point p)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

} // namespace annotation
} // namespace zelvo
