#include "DrawingTestSupport.h"
#include "RegionMeasure.h"

#include "geometry/CoordinateBound.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>

using drawing_test::MemSurface;
using zelvo::geom::Point;
using Points = std::vector<Point>;

namespace {

int Changed(void* context, CDrawObject*) { return ++*static_cast<int*>(context); }

// The cursor's display count, left as it was.
int CursorCount()
{
    const int count = ::ShowCursor(TRUE) - 1;
    ::ShowCursor(FALSE);
    return count;
}

} // namespace

TEST(RegionMeasure, NewRegionIsTheHexagonWithItsFirstVertexOnTheClick)
{
    CRegionMeasure r(nullptr, DefaultDrawAttributes(), nullptr, nullptr);
    EXPECT_EQ(r.GetType(), DRAW_REGION);
    EXPECT_EQ(r.m_period, 200);
    r.BeginCreate(50, 60);
    EXPECT_EQ(r.GetPoints(), (Points{{50, 60}, {150, -90}, {250, -90}, {350, 60}, {250, 210}, {150, 210}}));
    const RECT b = r.GetImageBounds();
    EXPECT_TRUE(b.left == 50 && b.top == -90 && b.right == 350 && b.bottom == 210);
    EXPECT_EQ(r.GetCenter().x, 200);

    // At scale 2 with a scroll offset the click is converted first.
    CRegionMeasure z(nullptr, DefaultDrawAttributes(), nullptr, nullptr);
    z.SetScale(2.0, 2.0);
    z.SetScroll(10, 20);
    z.BeginCreate(50, 60);
    EXPECT_EQ(z.GetPoints().front(), (Point{30, 40}));
    EXPECT_EQ(z.GetPoints()[3], (Point{330, 40}));
}

TEST(RegionMeasure, VerticesAreInsertedDraggedAndRemoved)
{
    int changes = 0;
    CRegionMeasure r(nullptr, DefaultDrawAttributes(), &Changed, &changes);
    r.BeginCreate(50, 60);
    int index = 0;
    EXPECT_EQ(r.HitPart(150, -90, &index), CPolygonMeasure::HIT_VERTEX);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(r.HitPart(300, -15, &index), CPolygonMeasure::HIT_EDGE);  // between vertices 2 and 3
    EXPECT_EQ(index, 3);
    EXPECT_EQ(r.HitPart(100, 135, &index), CPolygonMeasure::HIT_EDGE);  // the closing edge: insert position 0
    EXPECT_EQ(index, 0);
    EXPECT_EQ(r.HitPart(200, 60, &index), CPolygonMeasure::HIT_INSIDE);
    EXPECT_EQ(r.HitPart(500, 500, &index), CPolygonMeasure::HIT_NONE);
    EXPECT_EQ(index, -1);

    // Not selected: a press is not taken.
    EXPECT_EQ(r.OnLButtonDown(300, -15), 0);
    r.SetSelected(TRUE);
    const int cursors = CursorCount();
    EXPECT_EQ(r.OnLButtonDown(300, -15), 1);
    EXPECT_EQ(r.GetPoints().size(), 7u);
    EXPECT_EQ(r.GetPoints()[3], (Point{300, -14}));  // -14.5 rounds toward zero
    EXPECT_EQ(CursorCount(), cursors - 1);  // hidden while the vertex is dragged
    EXPECT_EQ(r.OnMouseMove(320, -30), 1);
    EXPECT_EQ(r.GetPoints()[3], (Point{320, -29}));
    EXPECT_EQ(r.OnLButtonUp(320, -30), 1);  // released on the vertex: an edit
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(CursorCount(), cursors);  // and shown again

    // A press on the closing edge appends the new vertex.
    EXPECT_EQ(r.OnLButtonDown(100, 135), 1);
    EXPECT_EQ(r.GetPoints().back(), (Point{100, 135}));
    r.OnLButtonUp(100, 135);
    EXPECT_EQ(changes, 2);

    // Right click: a vertex goes while more than three remain; a right click on
    // a vertex never asks to delete the region.
    r.SetPoints({{0, 0}, {100, 0}, {100, 100}, {0, 100}});
    EXPECT_EQ(r.OnRButtonDown(100, 100), 0);
    EXPECT_EQ(r.GetPoints(), (Points{{0, 0}, {100, 0}, {0, 100}}));
    EXPECT_EQ(r.OnRButtonDown(100, 0), 0);
    EXPECT_EQ(r.GetPoints().size(), 3u);
    EXPECT_EQ(r.OnRButtonDown(20, 20), 1);  // inside: the layer asks whether to delete it
    EXPECT_EQ(r.OnLButtonDblClk(20, 20), 1);
    EXPECT_EQ(r.OnLButtonDblClk(90, 90), 0);

    // Released off the outline: deselected, no edit reported.
    r.OnLButtonDown(20, 20);
    EXPECT_EQ(r.OnLButtonUp(300, 300), 0);
    EXPECT_EQ(r.GetFlags() & DOF_SELECTED, 0);
    EXPECT_EQ(changes, 2);
}

TEST(RegionMeasure, DraggingInsideMovesTheOutlineWholeAndKeepsItWithinTheBound)
{
    CRegionMeasure r(nullptr, DefaultDrawAttributes(), nullptr, nullptr);
    r.SetPoints({{0, 0}, {100, 0}, {100, 100}, {0, 100}});
    r.SetScale(2.0, 2.0);
    r.SetSelected(TRUE);
    EXPECT_EQ(r.OnLButtonDown(100, 100), 1);
    EXPECT_EQ(r.GetHitKind(), CPolygonMeasure::HIT_INSIDE);
    EXPECT_EQ(r.OnMouseMove(120, 90), 1);
    EXPECT_EQ(r.GetPoints(), (Points{{10, -5}, {110, -5}, {110, 95}, {10, 95}}));
    r.OnLButtonUp(120, 90);

    // A drag cannot carry it past the bound: it stops there whole.
    const int32_t b = zelvo::geom::kCoordinateBound;
    r.SetScale(1.0, 1.0);
    ASSERT_TRUE(r.SetPoints({{b - 150, 0}, {b - 50, 0}, {b - 50, 100}, {b - 150, 100}}));
    r.OnLButtonDown(b - 100, 50);
    EXPECT_EQ(r.GetHitKind(), CPolygonMeasure::HIT_INSIDE);
    r.OnMouseMove(b + 1000, 50);
    const RECT box = r.GetImageBounds();
    EXPECT_EQ(box.right, b);
    EXPECT_EQ(box.right - box.left, 100);
    r.OnLButtonUp(b + 1000, 50);
}

TEST(RegionMeasure, ResultsOfTheHexagonAndOfARectangle)
{
    CRegionMeasure r(nullptr, DefaultDrawAttributes(), nullptr, nullptr);
    r.SetResolution(1000000, 1000000);
    EXPECT_DOUBLE_EQ(r.ComputeResults(), 60501.0);
    const CString start = "面积=60501.00μm^2,  周长=";
    EXPECT_EQ(CString(r.GetResultText().GetString(), start.GetLength()), start);

    // 100 x 50 pixels of 0.5 um: 1250 um^2, perimeter (99 + 49) x 2 x 0.5.
    r.SetPoints({{0, 0}, {99, 0}, {99, 49}, {0, 49}});
    r.SetResolution(2000000, 2000000);
    EXPECT_DOUBLE_EQ(r.ComputeResults(), 1250.0);
    EXPECT_NE(r.GetResultText().Find("周长=148.00μm"), -1) << r.GetResultText().GetString();
}

TEST(RegionMeasure, OutlinesWithoutAreaOrPointsDrawAndMeasureAsNothing)
{
    MemSurface s(60, 60);
    // A line covers its own pixels; no point or one point covers none.
    const std::pair<Points, double> cases[] = {
        {Points{}, 0.0}, {Points{{5, 5}}, 0.0}, {Points{{5, 5}, {40, 40}}, 36.0}, {Points{{5, 5}, {5, 5}, {5, 5}}, 0.0}};
    for (const auto& c : cases) {
        CRegionMeasure r(nullptr, DefaultDrawAttributes(), nullptr, nullptr);
        ASSERT_TRUE(r.SetPoints(c.first));
        r.SetFlags(DOF_VISIBLE | DOF_SELECTED | DOF_AREA_LABEL);
        r.SetResolution(1000000, 1000000);
        r.Draw(s.dc);
        EXPECT_EQ(r.ComputeResults(), c.second) << c.first.size();
        EXPECT_EQ(r.GetResultText().Find("nan"), -1);
        EXPECT_EQ(r.Contains(20, 20), 0);
        EXPECT_EQ(r.OnRButtonDown(5, 5), 0);
        r.BeginCreate(10, 10);
    }
    CRegionMeasure empty(nullptr, DefaultDrawAttributes(), nullptr, nullptr);
    empty.SetPoints({});
    EXPECT_EQ(empty.ComputeResults(), 0.0);
    EXPECT_EQ(empty.GetCenter().x, 0);
    RECT b;
    empty.GetBoundRect(&b);
    EXPECT_TRUE(::IsRectEmpty(&b));
    int index = 5;
    EXPECT_EQ(empty.HitPart(0, 0, &index), CPolygonMeasure::HIT_NONE);
}

TEST(RegionMeasure, DrawsItsOutlineHandlesAndLabel)
{
    MemSurface s(80, 80);
    s.Fill(RGB(0, 128, 0), 80, 80);
    DrawAttributes a = DefaultDrawAttributes();
    a.borderColor = RGB(255, 0, 0);
    CRegionMeasure r(nullptr, a, nullptr, nullptr);
    r.SetPoints({{10, 10}, {60, 10}, {60, 60}, {10, 60}});
    r.Draw(s.dc);
    EXPECT_EQ(s.At(35, 10), RGB(0, 128, 0));  // no flag: not drawn

    r.SetVisible(TRUE);
    r.Draw(s.dc);
    EXPECT_EQ(s.At(35, 10), RGB(255, 0, 0));
    EXPECT_EQ(s.At(35, 11), RGB(255, 0, 0));  // 3 pixels wide
    EXPECT_EQ(s.At(35, 35), RGB(0, 128, 0));  // hollow

    r.SetSelected(TRUE);
    r.Draw(s.dc);
    EXPECT_EQ(s.At(62, 62), RGB(255, 255, 255));  // inside a handle
    EXPECT_EQ(s.At(56, 60), RGB(0, 0, 0));        // its border

    // The area label goes at the centre on screen, with the label flag only.
    r.SetScroll(-5, -5);
    r.Draw(s.dc);
    EXPECT_EQ(r.GetLabelPosition().x, 0);
    r.SetLabelShown(TRUE);
    r.Draw(s.dc);
    EXPECT_EQ(r.GetLabelPosition().x, 40);
    EXPECT_EQ(r.GetLabelPosition().y, 40);
}

TEST(RegionMeasure, RecordsThroughTheFileOfEachVersion)
{
    DrawAttributes a = DefaultDrawAttributes();
    a.fillColor = 0x123456;
    a.font.lfHeight = -13;
    CRegionMeasure r(nullptr, a, nullptr, nullptr);
    r.SetPoints({{1, 2}, {30, 4}, {5, 60}});
    CMemFile file;
    r.Save(&file);
    ASSERT_EQ(file.GetLength(), 136u + 4 + 3 * 8);
    file.SeekToBegin();
    CRegionMeasure back(nullptr, DefaultDrawAttributes(), nullptr, nullptr);
    back.Load(&file, 2);
    EXPECT_EQ(back.GetPoints(), r.GetPoints());
    DrawAttributes got;
    back.GetAttributes(&got);
    EXPECT_EQ(got.fillColor, 0x123456u);
    EXPECT_EQ(got.font.lfHeight, -13);

    // The older header sets its own fields; the object keeps the rest.
    zelvo::ByteWriter w;
    for (int32_t word : {0, 1, 0, 2, 0x111111, 0x222222, 0x333333}) w.i32(word);
    w.u32(1);
    w.i32(7);
    w.i32(8);
    std::vector<uint8_t> old = w.take();
    CMemFile oldIn(old.data(), UINT(old.size()));
    back.Load(&oldIn, 0);
    back.GetAttributes(&got);
    EXPECT_EQ(back.GetPoints(), (Points{{7, 8}}));
    EXPECT_EQ(got.blink, 1);
    EXPECT_EQ(got.bkMode, 2);
    EXPECT_EQ(got.borderColor, 0x333333u);
    EXPECT_EQ(got.font.lfHeight, -13);

    // A count beyond the file and a coordinate beyond the bound stop the read
    // and leave the object as it was.
    for (int32_t lastX : {7, std::numeric_limits<int32_t>::max()}) {
        zelvo::ByteWriter bad;
        bad.zeros(136);
        bad.u32(lastX == 7 ? 1000 : 1);
        bad.i32(lastX);
        bad.i32(0);
        std::vector<uint8_t> badBytes = bad.take();
        CMemFile badIn(badBytes.data(), UINT(badBytes.size()));
        bool thrown = false;
        try {
            back.Load(&badIn, 2);
        } catch (CFileException* e) {
            thrown = e->m_cause == CFileException::invalidFile;
            e->Delete();
        }
        EXPECT_TRUE(thrown) << lastX;
        EXPECT_EQ(back.GetPoints(), (Points{{7, 8}}));
    }
    zelvo::annotation::RegionRecord beyond;
    beyond.points = {{0, 0}, {zelvo::geom::kCoordinateBound + 1, 0}};
    EXPECT_FALSE(back.SetRecord(beyond));
}
