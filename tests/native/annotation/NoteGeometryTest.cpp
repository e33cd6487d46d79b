#include "annotation/NoteGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace zelvo;
using namespace zelvo::annotation;
using geom::Point;
using geom::Rect;

namespace {

const Rect kBox{40, 40, 120, 90};  // a new note's box

bool Has(const std::vector<Point>& v, Point p) { return std::find(v.begin(), v.end(), p) != v.end(); }

} // namespace

TEST(NoteGeometry, TailOnlyForItsKindsAndOnlyWhileTheAnchorIsOutside)
{
    const Point outside{140, 110}, inside{60, 60};
    NoteShape s = BuildNoteShape(kBox, outside, true);
    EXPECT_TRUE(s.tail);
    EXPECT_EQ(s.outline.front(), outside);

    s = BuildNoteShape(kBox, inside, true);
    EXPECT_FALSE(s.tail);
    EXPECT_FALSE(Has(s.outline, inside));

    s = BuildNoteShape(kBox, outside, false);
    EXPECT_FALSE(s.tail);
    EXPECT_FALSE(Has(s.outline, outside));
}

TEST(NoteGeometry, TailBaseSitsOnTheSideFacingTheAnchorAtTheNearEnd)
{
    // Inner box (43, 43)-(117, 87): corner radius 3, a circle of 9 points.
    NoteShape s = BuildNoteShape(kBox, Point{140, 110}, true);
    ASSERT_EQ(s.outline.size(), 9u + 10u);
    // Below and to the right: the bottom side, its right end; the base is an
    // eighth of the side long.
    EXPECT_EQ(s.outline[1], (Point{114, 87}));
    EXPECT_EQ(s.outline.back(), (Point{114 - 74 / 8, 87}));

    // Left of a square box and a little below its centre: the left side, its bottom end.
    const Rect square{0, 0, 100, 100};  // inner (3, 3)-(97, 97), radius 7
    s = BuildNoteShape(square, Point{-50, 60}, true);
    EXPECT_EQ(s.outline[1], (Point{3, 97 - 7}));
    EXPECT_EQ(s.outline.back(), (Point{3, 97 - 7 - 94 / 8}));

    // Exactly on a diagonal: the bottom or the top side.
    s = BuildNoteShape(square, Point{200, 200}, true);
    EXPECT_EQ(s.outline[1].y, 97);
    s = BuildNoteShape(square, Point{-100, -100}, true);
    EXPECT_EQ(s.outline[1].y, 3);

    // The text lies inside the box.
    EXPECT_GT(s.textRect.left, square.left);
    EXPECT_LT(s.textRect.right, square.right);
    EXPECT_GT(s.textRect.top, square.top);
    EXPECT_LT(s.textRect.bottom, square.bottom);
}

TEST(NoteGeometry, BoxTooSmallForCornersStillHasItsSides)
{
    const NoteShape s = BuildNoteShape(Rect{0, 0, 10, 10}, Point{30, 30}, true);
    ASSERT_EQ(s.outline.size(), 10u);  // no arc points: the anchor and the straight pieces
    for (Point corner : {Point{3, 3}, Point{7, 3}, Point{7, 7}, Point{3, 7}}) EXPECT_TRUE(Has(s.outline, corner));
    // A box dragged flat does not break the shape.
    EXPECT_FALSE(BuildNoteShape(Rect{50, 50, 50, 50}, Point{0, 0}, true).outline.empty());
}

TEST(NoteGeometry, HandleTestOrder)
{
    const Point anchor{140, 110};
    const NoteShape s = BuildNoteShape(kBox, anchor, true);
    const Point near{anchor.x + 30, anchor.y};
    EXPECT_EQ(NoteHandleTest(s, kBox, near, false, false), kNoteHitAnchor);   // generous while not selected
    EXPECT_EQ(NoteHandleTest(s, kBox, near, true, false), kNoteHitNone);      // tight while selected
    EXPECT_EQ(NoteHandleTest(s, kBox, Point{0, 0}, true, true), kNoteHitAnchor);  // hover wins
    EXPECT_EQ(NoteHandleTest(s, kBox, Point{40, 40}, true, false), kNoteHitHandle);      // top-left
    EXPECT_EQ(NoteHandleTest(s, kBox, Point{120, 65}, true, false), kNoteHitHandle + 3);  // right-middle
    EXPECT_EQ(NoteHandleTest(s, kBox, Point{60, 60}, true, false), kNoteHitBox);
    EXPECT_EQ(NoteHandleTest(s, kBox, Point{0, 200}, true, false), kNoteHitNone);
}

TEST(NoteGeometry, DraggedHandlesNeverInvertTheBox)
{
    Rect box = kBox;
    DragNoteHandle(box, kNoteHitHandle, Point{500, 500});  // top-left past bottom-right
    EXPECT_EQ(box.left, box.right);
    EXPECT_EQ(box.top, box.bottom);

    box = kBox;
    DragNoteHandle(box, kNoteHitHandle + 4, Point{-5, -5});  // bottom-right past top-left
    EXPECT_EQ(box.right, 40);
    EXPECT_EQ(box.bottom, 40);

    box = kBox;
    DragNoteHandle(box, kNoteHitHandle + 1, Point{0, 20});  // top-middle moves the top only
    EXPECT_EQ(box.top, 20);
    EXPECT_EQ(box.left, 40);
    EXPECT_EQ(box.right, 120);
}
