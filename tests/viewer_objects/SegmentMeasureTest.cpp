#include "DrawingTestSupport.h"
#include "ObjectsTestSupport.h"
#include "SegmentMeasure.h"

#include <gtest/gtest.h>

#include <string>

using objects_test::HostWnd;
using objects_test::kOneMicron;
using drawing_test::MemSurface;
using zelvo::annotation::ObjectRecord;
using zelvo::annotation::SegmentRecord;

namespace {

template <class T> void Prepare(T& shape, uint32_t resY = kOneMicron)
{
    shape.SetResolution(kOneMicron, resY);
    shape.SetVisible(TRUE);
    shape.SetSelected(TRUE);
}

bool SamePoints(const std::vector<POINT>& a, const std::vector<POINT>& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].x != b[i].x || a[i].y != b[i].y) return false;
    return true;
}

} // namespace

TEST(SegmentMeasure, PlacementAndResultTexts)
{
    HostWnd host;
    CSegmentMeasure segment(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_SEGMENT, 1);
    segment.BeginCreate(400, 400);
    EXPECT_TRUE(SamePoints(segment.GetPoints(), {{100, 700}, {400, 400}}));

    Prepare(segment);
    segment.SetPoints({{0, 300}, {300, 0}, {300, 100}});
    double total = 0;
    EXPECT_STREQ(segment.GetResultText(&total), "524.26μm : 424.26μm, 100.00μm, ");
    EXPECT_NEAR(total, 524.26, 0.005);
    // Twice as many micrometres down as across.
    segment.SetResolution(kOneMicron, kOneMicron / 2);
    EXPECT_STREQ(segment.GetResultText(&total), "870.82μm : 670.82μm, 200.00μm, ");

    CAngleMeasure angle(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_ANGLE);
    Prepare(angle);
    EXPECT_STREQ(angle.GetResultText(nullptr), "夹角= 53.13度");

    CArcMeasure arc(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_ARC, 1);
    Prepare(arc);
    double length = 0;
    EXPECT_STREQ(arc.GetResultText(&length), "弧长=382.20μm,  半径=162.50μm,  弧角=134.76度");
    arc.SetPoints({{0, 0}, {100, 0}, {300, 0}});
    EXPECT_STREQ(arc.GetResultText(&length), "弧长=300.00μm,  半径=  0.00μm,  弧角=  0.00度");
}

TEST(SegmentMeasure, ClicksOnLinesHandlesAndInside)
{
    HostWnd host;
    int changes = 0;
    CSegmentMeasure segment(&host, DefaultDrawAttributes(), &objects_test::CountChange, &changes, DRAW_SEGMENT, 1);
    Prepare(segment);  // (0, 300)-(300, 0)
    // Two points enclose nothing.
    EXPECT_EQ(segment.OnLButtonDblClk(150, 150), 0);
    EXPECT_EQ(segment.OnRButtonDown(150, 150), 0);
    // A handle of the last segment: the whole shape goes.
    EXPECT_EQ(segment.OnRButtonDown(0, 300), 1);

    // A press on the line adds a vertex there and drags it.
    ASSERT_EQ(segment.OnLButtonDown(150, 150), 1);
    segment.OnMouseMove(200, 100);
    EXPECT_EQ(segment.OnLButtonUp(200, 100), 1);
    EXPECT_TRUE(SamePoints(segment.GetPoints(), {{0, 300}, {200, 100}, {300, 0}}));
    EXPECT_EQ(changes, 1);
    // With three, a handle's vertex goes.
    EXPECT_EQ(segment.OnRButtonDown(200, 100), 0);
    EXPECT_EQ(segment.GetPoints().size(), 2u);
    EXPECT_EQ(changes, 2);

    // Inside a closed chain: the whole shape moves.
    segment.SetPoints({{100, 100}, {300, 100}, {200, 300}});
    ASSERT_EQ(segment.OnLButtonDown(200, 150), 1);
    segment.OnMouseMove(210, 170);
    segment.OnLButtonUp(210, 170);
    EXPECT_TRUE(SamePoints(segment.GetPoints(), {{110, 120}, {310, 120}, {210, 320}}));
    EXPECT_EQ(segment.OnLButtonDblClk(210, 170), 1);

    // A release away from it deselects; an unselected shape takes no press.
    EXPECT_EQ(segment.OnLButtonUp(700, 10), 0);
    EXPECT_FALSE(segment.GetFlags() & DOF_SELECTED);
    EXPECT_EQ(segment.OnLButtonDown(110, 120), 0);

    // Angles and arcs keep their three points: a press on a line drags a
    // point, a right click on a handle offers the whole shape.
    CAngleMeasure angle(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_ANGLE);
    angle.SetPoints({{300, 100}, {100, 200}, {300, 300}});
    Prepare(angle);
    ASSERT_EQ(angle.OnLButtonDown(200, 150), 1);
    angle.OnMouseMove(150, 150);
    angle.OnLButtonUp(150, 150);
    EXPECT_TRUE(SamePoints(angle.GetPoints(), {{300, 100}, {150, 150}, {300, 300}}));
    EXPECT_EQ(angle.OnRButtonDown(300, 100), 1);
    EXPECT_EQ(angle.GetPoints().size(), 3u);
    CArcMeasure arc(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_ARC, 1);
    Prepare(arc);
    EXPECT_EQ(arc.OnRButtonDown(300, 0), 1);
    EXPECT_EQ(arc.GetPoints().size(), 3u);
}

TEST(SegmentMeasure, BlinkingStepsThroughThePointsAndNeverDividesByNone)
{
    HostWnd host;
    DrawAttributes a = DefaultDrawAttributes();
    a.blink = 1;
    CSegmentMeasure segment(&host, a, nullptr, nullptr, DRAW_SEGMENT, 1);
    segment.SetPoints({});
    EXPECT_EQ(segment.Step(), 1);
    EXPECT_EQ(segment.GetBlinkPhase(), 0);
    segment.SetPoints({{0, 0}, {10, 0}, {20, 0}});
    segment.Step();
    segment.Step();
    EXPECT_EQ(segment.GetBlinkPhase(), 2);
    segment.Step();
    EXPECT_EQ(segment.GetBlinkPhase(), 0);

    // Shown with the flag on, the worker runs until the flag goes off.
    segment.SetVisible(TRUE);
    EXPECT_TRUE(segment.IsRunning());
    EXPECT_TRUE(testing_support::PumpUntil([&] { return segment.GetBlinkPhase() != 0; }, 3000));
    segment.SetBlink(0);
    EXPECT_FALSE(segment.IsRunning());
}

TEST(SegmentMeasure, ArcsDrawThroughTheirMiddlePointAndCollinearOnesAsLines)
{
    HostWnd host;
    DrawAttributes a = DefaultDrawAttributes();
    const COLORREF pen = RGB(255, 0, 0);
    a.borderColor = pen;
    CArcMeasure arc(&host, a, nullptr, nullptr, DRAW_ARC, 0);
    arc.SetResolution(kOneMicron, kOneMicron);
    arc.SetPoints({{20, 120}, {170, 20}, {320, 120}});
    arc.Refresh();
    arc.SetVisible(TRUE);
    MemSurface s(340, 200);
    s.Fill(RGB(0, 0, 255), 340, 200);
    arc.Draw(s.dc);
    EXPECT_TRUE(s.Near(170, 20, pen));
    EXPECT_TRUE(s.Near(20, 120, pen));
    EXPECT_FALSE(s.Near(170, 120, pen));  // the chord is not drawn

    arc.SetPoints({{20, 100}, {120, 100}, {320, 100}});
    arc.Refresh();
    s.Fill(RGB(0, 0, 255), 340, 200);
    arc.Draw(s.dc);
    EXPECT_TRUE(s.Near(70, 100, pen));
    EXPECT_TRUE(s.Near(250, 100, pen));
    RECT bound;
    arc.GetBoundRect(&bound);
    EXPECT_LT(bound.left, 20);
    EXPECT_GT(bound.right, 320);
}

TEST(SegmentMeasure, RecordsKeepTheirPointsAndAnglesNeedThree)
{
    HostWnd host;
    CSegmentMeasure segment(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_SEGMENT, 1);
    segment.SetPoints({{1, 2}, {3, 4}, {5, 6}, {7, 8}});
    ObjectRecord record;
    ASSERT_TRUE(segment.GetRecord(record));
    CSegmentMeasure copy(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_SEGMENT, 1);
    ASSERT_TRUE(copy.SetRecord(record));
    EXPECT_TRUE(SamePoints(copy.GetPoints(), segment.GetPoints()));

    // Through a file: each record ends where the next begins.
    CMemFile file;
    segment.Save(&file);
    copy.SetPoints({{9, 9}, {8, 8}});
    copy.Save(&file);
    file.SeekToBegin();
    CSegmentMeasure first(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_SEGMENT, 1);
    CSegmentMeasure second(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_SEGMENT, 1);
    first.Load(&file, 2);
    second.Load(&file, 2);
    EXPECT_TRUE(SamePoints(first.GetPoints(), segment.GetPoints()));
    EXPECT_TRUE(SamePoints(second.GetPoints(), {{9, 9}, {8, 8}}));

    CAngleMeasure angle(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_ANGLE);
    EXPECT_FALSE(angle.SetRecord(record));  // four points
    std::get<SegmentRecord>(record).points.resize(3);
    EXPECT_TRUE(angle.SetRecord(record));
    EXPECT_EQ(angle.GetPoints()[2].x, 5);
}
