#include "annotation/NoteGeometry.h"

#include "annotation/SegmentMeasures.h"

#include <algorithm>
#include <cmath>

namespace zelvo {
namespace annotation {

namespace {

geom::Rect Square(geom::Point c, int half) { return geom::Rect{c.x - half, c.y - half, c.x + half, c.y + half}; }

geom::Rect Inflate(geom::Rect r, int d) { return geom::Rect{r.left - d, r.top - d, r.right + d, r.bottom + d}; }

int Sign(int v) { return (v > 0) - (v < 0); }

// Which side of the box faces the anchor (0 left, 1 bottom, 2 right, 3 top),
// by the box's diagonals; an anchor on a diagonal faces the top or bottom.
int FacingSide(const geom::Rect& box, geom::Point a)
{
    const double cx = (box.left + (double)box.right) / 2, cy = (box.top + (double)box.bottom) / 2;
    const double w = (double)box.right - box.left, h = (double)box.bottom - box.top;
    // ay compared with cy -+ s (ax - cx), s = h / w, multiplied out by w.
    const double dy = (a.y - cy) * w, along = h * (a.x - cx);
    if (a.y > cy) {
        if (dy < -along) return 0;
        if (dy >= along) return 1;
        return 2;
    }
    if (dy > -along) return 2;
    if (dy <= along) return 3;
    return 0;
}

} // namespace

NoteShape BuildNoteShape(const geom::Rect& box, geom::Point anchor, bool withTail)
{
    NoteShape shape;
    shape.anchorHandle = Square(anchor, 7);
    const int mx = (box.left + box.right) / 2, my = (box.top + box.bottom) / 2;
    const geom::Point handlePoints[8] = {{box.left, box.top},     {mx, box.top},     {box.right, box.top},
                                         {box.right, my},         {box.right, box.bottom}, {mx, box.bottom},
                                         {box.left, box.bottom},  {box.left, my}};
    for (int i = 0; i < 8; ++i) shape.handles[i] = Square(handlePoints[i], 4);

    const geom::Rect I = Inflate(box, -3);
    const int W = I.right - I.left, H = I.bottom - I.top;
    const int r = std::max(0, std::min(std::min(W, H) / 12, 12));
    shape.textRect = geom::Rect{(I.left + (I.left + r)) / 2 + 4, (I.top + (I.top + r)) / 2 + 4,
                                (I.right + (I.right - r)) / 2 - 4, (I.bottom + (I.bottom - r)) / 2 - 4};

    // One circle of 3r points, stored in reverse, of which each corner takes a quarter.
    const int n = 3 * r;
    std::vector<geom::Point> circle(n);
    for (int j = 0; j < n; ++j) {
        const double t = (n - 1 - j) * kTwoPi / n;
        circle[j] = geom::Point{(int32_t)(r * std::cos(t)), (int32_t)(r * std::sin(t))};
    }
    // Going round: left side down, bottom-left corner, bottom side, bottom-right
    // corner, right side up, top-right corner, top side, top-left corner.
    const geom::Point S[4] = {{I.left, I.top + r}, {I.left + r, I.bottom}, {I.right, I.bottom - r}, {I.right - r, I.top}};
    const geom::Point E[4] = {{I.left, I.bottom - r}, {I.right - r, I.bottom}, {I.right, I.top + r}, {I.left + r, I.top}};
    const geom::Point centres[4] = {{I.left + r, I.bottom - r}, {I.right - r, I.bottom - r}, {I.right - r, I.top + r},
                                    {I.left + r, I.top + r}};
    const int arcFirst[4] = {n / 2, 3 * n / 4, 0, n / 4};
    const int arcEnd[4] = {3 * n / 4, n, n / 4, n / 2};
    auto appendArc = [&](int side) {
        for (int j = arcFirst[side]; j < arcEnd[side]; ++j)
            shape.outline.push_back(geom::Point{centres[side].x + circle[j].x, centres[side].y + circle[j].y});
    };

    shape.tail = withTail && !RectContains(box, anchor);
    const int s = FacingSide(box, anchor);
    const bool below = anchor.y > (box.top + (double)box.bottom) / 2;
    const bool leftOfCentre = anchor.x < (box.left + (double)box.right) / 2;
    // The tail's base lies at the end of the facing side nearest the anchor.
    const bool baseAtEnd = s == 0 ? below : s == 1 ? !leftOfCentre : s == 2 ? !below : leftOfCentre;
    const int gap = (s == 0 || s == 2) ? H / 8 : W / 8;
    const geom::Point dir{Sign(E[s].x - S[s].x), Sign(E[s].y - S[s].y)};

    shape.outline.reserve(n + 10);
    if (shape.tail) shape.outline.push_back(anchor);
    if (baseAtEnd)
        shape.outline.push_back(E[s]);
    else {
        shape.outline.push_back(geom::Point{S[s].x + gap * dir.x, S[s].y + gap * dir.y});
        shape.outline.push_back(E[s]);
    }
    appendArc(s);
    for (int k = 1; k < 4; ++k) {
        const int t = (s + k) % 4;
        shape.outline.push_back(S[t]);
        shape.outline.push_back(E[t]);
        appendArc(t);
    }
    shape.outline.push_back(S[s]);
    if (baseAtEnd) shape.outline.push_back(geom::Point{E[s].x - gap * dir.x, E[s].y - gap * dir.y});
    return shape;
}

geom::Rect NoteBoundRect(const geom::Rect& box, geom::Point a)
{
    geom::Rect b = box;
    if (b.left > a.x - 6)
        b.left = a.x - 6;
    else if (b.right < a.x + 6)
        b.right = a.x + 6;
    if (b.top > a.y - 6)
        b.top = a.y - 6;
    else if (b.bottom < a.y + 6)
        b.bottom = a.y + 6;
    return b;
}

int NoteHandleTest(const NoteShape& shape, const geom::Rect& box, geom::Point p, bool selected, bool hover)
{
    if (hover) return kNoteHitAnchor;
    if (RectContains(Inflate(shape.anchorHandle, selected ? 4 : 32), p)) return kNoteHitAnchor;
    for (int i = 0; i < 8; ++i)
        if (RectContains(shape.handles[i], p)) return kNoteHitHandle + i;
    if (RectContains(box, p)) return kNoteHitBox;
    return kNoteHitNone;
}

void DragNoteHandle(geom::Rect& box, int hit, geom::Point p)
{
    // Edges each handle moves: left, top, right, bottom.
    static const bool moves[8][4] = {{1, 1, 0, 0}, {0, 1, 0, 0}, {0, 1, 1, 0}, {0, 0, 1, 0},
                                     {0, 0, 1, 1}, {0, 0, 0, 1}, {1, 0, 0, 1}, {1, 0, 0, 0}};
    const int i = hit - kNoteHitHandle;
    if (i < 0 || i >= 8) return;
    if (moves[i][0]) box.left = std::min(p.x, box.right);
    if (moves[i][1]) box.top = std::min(p.y, box.bottom);
    if (moves[i][2]) box.right = std::max(p.x, box.left);
    if (moves[i][3]) box.bottom = std::max(p.y, box.top);
}

void FitRectToAspect(geom::Rect& r, double ratio)
{
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (ratio == 0 || w == 0 || h == 0) return;
    if ((double)w / h >= ratio) {
        const int nw = (int)(h * ratio);
        r.left += (w - nw) / 2;
        r.right = r.left + nw;
    } else {
        const int nh = (int)(w / ratio);
        r.top += (h - nh) / 2;
        r.bottom = r.top + nh;
    }
}

} // namespace annotation
} // namespace zelvo
