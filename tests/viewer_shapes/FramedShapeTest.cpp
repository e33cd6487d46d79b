#include "DrawingTestSupport.h"
#include "FramedMeasures.h"
#include "MarkShapes.h"
#include "ObjectsTestSupport.h"

#include "geometry/CoordinateBound.h"

#include <gtest/gtest.h>

using drawing_test::MemSurface;
using objects_test::HostWnd;
using objects_test::kOneMicron;
using zelvo::annotation::FramedRecord;
using zelvo::geom::Point;

namespace {

void ExpectFour(const Point* got, std::vector<Point> want)
{
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(got[i], want[i]) << i;
}

template <class T> void Select(T& shape)
{
    shape.SetVisible(TRUE);
    shape.SetSelected(TRUE);
}

// A press on handle i, a drag to (x, y) and the release there.
template <class T> int DragHandle(T& shape, int i, int x, int y)
{
    const Point h = shape.GetFrame().handles[i];
    if (!shape.OnLButtonDown(h.x, h.y)) return 0;
    shape.OnMouseMove(x, y);
    return shape.OnLButtonUp(x, y);
}

} // namespace

TEST(FramedShape, RectangleDraggedByItsHandlesTurnsItsFrame)
{
    HostWnd host;
    int changes = 0;
    CRectangleMeasure rect(&host, DefaultDrawAttributes(), &objects_test::CountChange, &changes, DRAW_RECTANGLE, 1);
    rect.BeginCreate(500, 400);
    ExpectFour(rect.GetFrame().handles, {{400, 400}, {600, 400}, {500, 320}, {500, 480}});
    ExpectFour(rect.GetFrame().corners, {{400, 320}, {400, 480}, {600, 480}, {600, 320}});
    Select(rect);

    // h1 straight below h0: B keeps its half length, perpendicular through the middle.
    EXPECT_EQ(DragHandle(rect, 1, 400, 600), 1);
    EXPECT_EQ(changes, 1);
    ExpectFour(rect.GetFrame().corners, {{480, 400}, {320, 400}, {320, 600}, {480, 600}});
    ExpectFour(rect.GetFrame().handles, {{400, 400}, {400, 600}, {480, 500}, {320, 500}});

    // A handle dropped on its partner would leave the axis no direction: ignored.
    EXPECT_EQ(DragHandle(rect, 2, 320, 500), 1);
    ExpectFour(rect.GetFrame().handles, {{400, 400}, {400, 600}, {480, 500}, {320, 500}});

    // Inside: everything moves, within the coordinate bound.
    ASSERT_EQ(rect.OnLButtonDown(400, 500), 1);
    rect.OnMouseMove(410, 480);
    rect.OnLButtonUp(410, 480);
    ExpectFour(rect.GetFrame().handles, {{410, 380}, {410, 580}, {490, 480}, {330, 480}});
    const int b = zelvo::geom::kCoordinateBound;
    ASSERT_EQ(rect.OnLButtonDown(410, 480), 1);
    rect.OnMouseMove(b + 5000, 480);
    EXPECT_EQ(rect.GetFrame().handles[2].x, b);
    rect.OnLButtonUp(b + 5000, 480);

    // Away from it: deselected; unselected, a press takes nothing.
    EXPECT_EQ(rect.OnLButtonUp(10, 10), 0);
    EXPECT_FALSE(rect.GetFlags() & DOF_SELECTED);
    EXPECT_EQ(rect.OnLButtonDown(b - 80, 480), 0);
}

TEST(FramedShape, ResultLinesOfTheDefaultRectangleAndEllipse)
{
    HostWnd host;
    CRectangleMeasure rect(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_RECTANGLE, 1);
    rect.SetResolution(kOneMicron, kOneMicron);
    rect.BeginCreate(300, 300);
    double area = 0;
    EXPECT_STREQ(rect.GetResultText(&area),
                 "面积=32000.00μm^2,  周长=720.00μm,  长轴=200.00μm,  宽轴=160.00μm,  长宽比=  1.25,  "
                 "直径=256.12μm,  圆度=  0.62,  倾角=  0.00");
    EXPECT_DOUBLE_EQ(area, 32000.0);
    CEllipseMeasure ellipse(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_ELLIPSE, 1);
    ellipse.SetResolution(kOneMicron, kOneMicron);
    ellipse.BeginCreate(300, 300);
    EXPECT_STREQ(ellipse.GetResultText(nullptr),
                 "面积=25132.74μm^2,  周长=582.65μm,  长轴=200.00μm,  短轴=160.00μm,  长宽比=  1.25,  "
                 "直径=200.00μm,  圆度=  0.80,  倾角=  0.00");
}

TEST(FramedShape, BracketsAreHeldByTheirFrameArrowsByTheirOutline)
{
    HostWnd host;
    CBracketShape bracket(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_BRACKET);
    CArrowShape arrow(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_ARROW);
    bracket.BeginCreate(400, 300);
    arrow.BeginCreate(400, 300);
    EXPECT_EQ(bracket.GetOutline().size(), 184u);
    ASSERT_EQ(arrow.GetOutline().size(), 7u);
    EXPECT_EQ(arrow.GetOutline().front(), (Point{280, 300}));  // the tip at h0
    // Inside both frames, off the bracket's line and outside the arrow's shaft.
    EXPECT_EQ(bracket.OnMouseMove(460, 350), 1);
    EXPECT_TRUE(bracket.GetFlags() & DOF_HIGHLIGHT);
    EXPECT_EQ(arrow.OnMouseMove(460, 350), 0);
    EXPECT_EQ(arrow.OnMouseMove(460, 310), 1);
    Select(bracket);
    Select(arrow);
    EXPECT_EQ(bracket.OnLButtonUp(460, 350), 1);
    EXPECT_EQ(arrow.OnLButtonUp(460, 350), 0);
    EXPECT_EQ(bracket.OnRButtonDown(460, 350), 1);
    EXPECT_EQ(arrow.OnLButtonDblClk(460, 350), 0);
    // Neither answers the base hit test.
    EXPECT_EQ(bracket.HitTest(460, 350), 0);
}

TEST(FramedShape, ArrowsCloseTheirOutlineBracketsLeaveItOpen)
{
    HostWnd host;
    DrawAttributes a = DefaultDrawAttributes();
    const COLORREF pen = RGB(255, 0, 0), ground = RGB(0, 0, 255);
    a.borderColor = pen;
    CBracketShape bracket(&host, a, nullptr, nullptr, DRAW_BRACKET);
    CArrowShape arrow(&host, a, nullptr, nullptr, DRAW_ARROW);
    bracket.BeginCreate(220, 100);  // from (20, 40) to (420, 40) by its ends
    arrow.BeginCreate(220, 250);
    bracket.SetVisible(TRUE);
    arrow.SetVisible(TRUE);
    MemSurface s(440, 340);
    s.Fill(ground, 440, 340);
    bracket.Draw(s.dc);
    arrow.Draw(s.dc);
    EXPECT_TRUE(s.Near(220, 160, pen));   // the brace's point
    EXPECT_TRUE(s.Near(120, 100, pen));   // along the axis
    EXPECT_FALSE(s.Near(220, 40, pen));   // no line between its ends
    EXPECT_TRUE(s.Near(145, 215, pen));   // the arrow's closing edge, from the last point to the tip
    EXPECT_FALSE(s.Near(220, 200, pen));  // nothing of the frame while unselected
    bracket.SetSelected(TRUE);
    bracket.Draw(s.dc);
    EXPECT_EQ(s.At(20, 100), RGB(255, 255, 255));  // inside h0's handle
}

TEST(FramedShape, RecordsKeepTheHandlesAndRebuildTheRest)
{
    HostWnd host;
    CEllipseMeasure ellipse(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_ELLIPSE, 1);
    ellipse.BeginCreate(500, 400);
    Select(ellipse);
    DragHandle(ellipse, 1, 500, 600);
    CMemFile file;
    ellipse.Save(&file);
    EXPECT_EQ(file.GetLength(), 136u);
    file.SeekToBegin();
    CEllipseMeasure back(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_ELLIPSE, 1);
    back.Load(&file, 2);
    zelvo::annotation::Frame built{};
    for (int i = 0; i < 4; ++i) built.handles[i] = ellipse.GetFrame().handles[i];
    zelvo::annotation::BuildFrame(built);
    ExpectFour(back.GetFrame().handles, {built.handles[0], built.handles[1], built.handles[2], built.handles[3]});
    ExpectFour(back.GetFrame().corners, {built.corners[0], built.corners[1], built.corners[2], built.corners[3]});
    EXPECT_FALSE(back.GetOutline().empty());

    // The older record: five words, then the handles.
    zelvo::ByteWriter old;
    for (uint32_t v : {0u, 0u, 0x00FF00u, 0u, 0u}) old.u32(v);
    for (int32_t v : {0, 0, 0, 100, 50, 50, -50, 50}) old.i32(v);
    std::vector<uint8_t> bytes = old.take();
    CMemFile oldFile(bytes.data(), UINT(bytes.size()));
    CArrowShape arrow(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_ARROW);
    arrow.Load(&oldFile, 0);
    ExpectFour(arrow.GetFrame().handles, {{0, 0}, {0, 100}, {50, 50}, {-50, 50}});
    EXPECT_EQ(arrow.m_attr.borderColor, 0x00FF00u);

    // A handle beyond the bound: refused, the shape as it was.
    FramedRecord distant;
    distant.SetHandle(3, {0, zelvo::geom::kCoordinateBound + 1});
    EXPECT_FALSE(arrow.SetRecord(distant));
    EXPECT_EQ(arrow.GetFrame().handles[1], (Point{0, 100}));
}
