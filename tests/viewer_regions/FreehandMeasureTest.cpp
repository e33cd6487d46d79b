#include "DrawingTestSupport.h"
#include "FreehandMeasure.h"
#include "RegionMeasure.h"
#include "TestSupport.h"

#include "geometry/CoordinateBound.h"

#include <gtest/gtest.h>

#include <algorithm>

using drawing_test::MemSurface;
using zelvo::geom::Point;
using Points = std::vector<Point>;

namespace {

// As the layer makes one: created at the double click, selected, then the
// press that follows starts the drag that draws it.
void Draw(CFreehandMeasure& f, const std::vector<POINT>& path)
{
    f.BeginCreate(path.front().x, path.front().y);
    f.SetVisible(TRUE);
    f.SetSelected(TRUE);
    f.OnLButtonDown(path.front().x, path.front().y);
    for (size_t i = 1; i < path.size(); ++i) f.OnMouseMove(path[i].x, path[i].y);
    f.OnLButtonUp(path.back().x, path.back().y);
}

} // namespace

TEST(FreehandMeasure, DrawnInOneDragAndMeasuredClosed)
{
    CFreehandMeasure f(nullptr, DefaultDrawAttributes(), nullptr, nullptr);
    EXPECT_EQ(f.GetType(), DRAW_FREEHAND);
    EXPECT_TRUE(f.GetPoints().empty());
    EXPECT_TRUE(f.IsDrawing());
    // Holding still at the end repeats the last point; the release keeps one.
    Draw(f, {{0, 0}, {10, 0}, {0, 10}, {0, 10}, {0, 10}});
    EXPECT_FALSE(f.IsDrawing());
    EXPECT_EQ(f.GetPoints(), (Points{{0, 0}, {10, 0}, {0, 10}}));
    f.SetResolution(1000000, 1000000);
    EXPECT_DOUBLE_EQ(f.ComputeResults(), 66.0);  // the closing edge counts

    // Only the trailing run of repeats goes: an earlier pass through the end
    // point keeps what follows it.
    CFreehandMeasure g(nullptr, DefaultDrawAttributes(), nullptr, nullptr);
    Draw(g, {{0, 0}, {5, 5}, {1, 0}, {5, 5}, {5, 5}, {5, 5}});
    EXPECT_EQ(g.GetPoints(), (Points{{0, 0}, {5, 5}, {1, 0}, {5, 5}}));

    // One point: nothing to measure.
    CFreehandMeasure dot(nullptr, DefaultDrawAttributes(), nullptr, nullptr);
    Draw(dot, {{4, 4}, {4, 4}});
    EXPECT_EQ(dot.GetPoints().size(), 1u);
    EXPECT_EQ(dot.ComputeResults(), 0.0);
    EXPECT_NE(dot.GetResultText().Find("周长=  0.00μm"), -1) << dot.GetResultText().GetString();
}

TEST(FreehandMeasure, ADrawnOutlineMovesWholeButNotByItsVertices)
{
    CFreehandMeasure f(nullptr, DefaultDrawAttributes(), nullptr, nullptr);
    Draw(f, {{0, 0}, {40, 0}, {0, 40}});
    f.SetSelected(TRUE);
    const Points drawn = f.GetPoints();
    EXPECT_EQ(f.OnLButtonDown(40, 0), 1);
    EXPECT_EQ(f.GetHitKind(), CPolygonMeasure::HIT_VERTEX);
    EXPECT_EQ(f.OnMouseMove(60, 10), 0);
    EXPECT_EQ(f.GetPoints(), drawn);
    f.OnLButtonUp(40, 0);

    EXPECT_EQ(f.OnLButtonDown(10, 10), 1);
    EXPECT_EQ(f.OnMouseMove(15, 12), 1);
    EXPECT_EQ(f.GetPoints(), (Points{{5, 2}, {45, 2}, {5, 42}}));
}

TEST(FreehandMeasure, DrawnOpenWithoutHandles)
{
    MemSurface s(80, 80);
    s.Fill(RGB(0, 128, 0), 80, 80);
    DrawAttributes a = DefaultDrawAttributes();
    a.borderColor = RGB(255, 0, 0);
    a.blink = 1;  // blinking does not change the pen
    CFreehandMeasure f(nullptr, a, nullptr, nullptr);
    ASSERT_TRUE(f.SetPoints({{10, 10}, {60, 10}, {10, 60}}));
    f.SetFlags(DOF_VISIBLE | DOF_SELECTED);
    f.Draw(s.dc);
    EXPECT_EQ(s.At(35, 10), RGB(255, 0, 0));
    EXPECT_EQ(s.At(35, 11), RGB(255, 0, 0));
    EXPECT_EQ(s.At(10, 35), RGB(0, 128, 0));  // the closing edge is not drawn
    EXPECT_EQ(s.At(62, 12), RGB(0, 128, 0));  // no vertex handle
}

TEST(FreehandMeasure, DrawingStopsGrowingAtTheLengthBoundAndWhatIsSavedLoads)
{
    // Zoomed far out each move spans about two million image pixels.
    CFreehandMeasure f(nullptr, DefaultDrawAttributes(), nullptr, nullptr);
    f.SetScale(0.001, 0.001);
    std::vector<POINT> path;
    for (int i = 0; i < 60; ++i) path.push_back(POINT{i % 2 ? 1000 : -1000, i});
    Draw(f, path);
    // Moves to the far side stop being taken once the outline is as long as
    // it may be; moves near its start still add almost nothing and are taken.
    const Points& p = f.GetPoints();
    const size_t farSide = size_t(std::count_if(p.begin(), p.end(), [](const Point& q) { return q.x > 0; }));
    EXPECT_GT(farSide, 10u);
    EXPECT_LT(farSide, 30u);
    EXPECT_TRUE(zelvo::geom::OutlineInBounds(p.data(), p.size()));

    CMemFile file;
    f.Save(&file);
    file.SeekToBegin();
    CFreehandMeasure back(nullptr, DefaultDrawAttributes(), nullptr, nullptr);
    back.Load(&file, 2);
    EXPECT_EQ(back.GetPoints(), p);

    // An older file holds no free-hand record: nothing is read and the
    // outline stays as it was.
    file.SeekToBegin();
    back.Load(&file, 0);
    EXPECT_EQ(file.GetPosition(), 0u);
    EXPECT_EQ(back.GetPoints(), p);
}

TEST(PolygonWorker, BlinksWhileShownAndPaintsWhatTheInterfacePublished)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, "t", WS_POPUP | WS_VISIBLE, 0, 0, 400, 400, nullptr, nullptr));
    {
        CRegionMeasure r(&owner, DefaultDrawAttributes(), nullptr, nullptr);
        r.m_period = 1;
        r.SetPoints({{10, 10}, {60, 10}, {60, 60}});
        r.SetVisible(TRUE);
        EXPECT_FALSE(r.IsRunning());  // not blinking
        r.SetBlink(TRUE);
        EXPECT_TRUE(r.IsRunning());
        r.SetVisible(FALSE);
        EXPECT_FALSE(r.IsRunning());
        EXPECT_EQ(r.SetHighlight(TRUE), 1);
        EXPECT_TRUE(r.IsRunning());
        EXPECT_EQ(r.SetHighlight(FALSE), 1);  // no flag left
        EXPECT_FALSE(r.IsRunning());

        // The worker repaints the published area. Messages are not pumped
        // here: a paint would validate the window again.
        r.SetVisible(TRUE);
        ::ValidateRect(owner.m_hWnd, nullptr);
        RECT update{};
        // A step invalidates the label first, then the outline: wait for both.
        for (int i = 0; i < 400; ++i) {
            if (::GetUpdateRect(owner.m_hWnd, &update, FALSE) && update.right >= 66) break;
            ::Sleep(5);
        }
        EXPECT_LE(update.left, 4);
        EXPECT_GE(update.right, 66);

        // Edits on this thread while the worker steps: it reads only what
        // each edit publishes, never the points being changed.
        for (int i = 0; i < 3000; ++i) {
            r.SetSelected(TRUE);
            r.OnLButtonDown(35, 10);  // a vertex there, or an edge where one is inserted
            r.OnMouseMove(35, 10 - i % 7);
            r.OnLButtonUp(35, 10);
            if (r.GetPoints().size() > 200) r.SetPoints({{10, 10}, {60, 10}, {60, 60 + i % 50}});
        }
        EXPECT_GT(r.GetPoints().size(), 3u);
        RECT bounds, label, expected;
        r.GetBlinkArea(&bounds, &label);
        r.GetBoundRect(&expected);
        ::InflateRect(&expected, 6, 6);
        EXPECT_TRUE(::EqualRect(&bounds, &expected));
        r.SetBlink(FALSE);
        EXPECT_FALSE(r.IsRunning());
    }
    owner.DestroyWindow();
}
