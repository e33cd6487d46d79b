#include "CircleMeasure.h"
#include "DrawingTestSupport.h"
#include "ObjectsTestSupport.h"

#include "geometry/CoordinateBound.h"

#include <gtest/gtest.h>

#include <limits>

using drawing_test::MemSurface;
using objects_test::HostWnd;
using objects_test::kOneMicron;
using zelvo::annotation::CircleRecord;
using zelvo::annotation::ObjectRecord;

namespace {

void ExpectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom)
{
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

// A shown window whose update region the tests read back.
class PaintWnd : public CWnd {
public:
    PaintWnd() { CreateEx(0, nullptr, _T("circle"), WS_POPUP | WS_VISIBLE, 0, 0, 600, 600, nullptr, nullptr); }
    ~PaintWnd() override
    {
        if (::IsWindow(m_hWnd)) DestroyWindow();
    }
    bool NeedsPaint(int x, int y)
    {
        HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
        ::GetUpdateRgn(m_hWnd, rgn, FALSE);
        const bool in = ::PtInRegion(rgn, x, y) != FALSE;
        ::DeleteObject(rgn);
        return in;
    }
};

} // namespace

TEST(CircleMeasure, PlacedAtTheClickAndResizedAboutItsCentre)
{
    HostWnd host;
    int changes = 0;
    CCircleMeasure circle(&host, DefaultDrawAttributes(), &objects_test::CountChange, &changes, DRAW_CIRCLE, 1);
    EXPECT_EQ(circle.m_period, 200);
    circle.SetResolution(2 * kOneMicron, kOneMicron);  // 0.5 um per pixel across; down does not count
    circle.BeginCreate(300, 250);
    EXPECT_EQ(circle.GetCenter().x, 300);
    EXPECT_EQ(circle.GetRadius(), 100);
    RECT box;
    circle.GetBoundRect(&box);
    ExpectRect(box, 200, 150, 400, 350);
    EXPECT_STREQ(circle.GetResultText(nullptr), "面积=7853.98μm^2,  周长=314.16μm,  直径=100.00μm");

    // On the circle is inside; one pixel further is not.
    EXPECT_EQ(circle.HitTest(300, 350), 1);
    EXPECT_EQ(circle.HitTest(371, 321), 0);

    circle.SetVisible(TRUE);
    circle.SetSelected(TRUE);
    // Any handle, dragged anywhere: the radius reaches the pointer.
    ASSERT_EQ(circle.OnLButtonDown(200, 252), 1);  // the left handle
    circle.OnMouseMove(300, 130);
    EXPECT_EQ(circle.OnLButtonUp(300, 130), 1);
    EXPECT_EQ(circle.GetRadius(), 120);
    EXPECT_EQ(circle.GetCenter().x, 300);
    EXPECT_EQ(changes, 1);

    // Inside: the whole circle moves.
    ASSERT_EQ(circle.OnLButtonDown(310, 260), 1);
    circle.OnMouseMove(330, 250);
    circle.OnLButtonUp(330, 250);
    EXPECT_EQ(circle.GetCenter().x, 320);
    EXPECT_EQ(circle.GetCenter().y, 240);
    EXPECT_EQ(circle.OnLButtonDblClk(320, 240), 1);
    EXPECT_EQ(circle.OnRButtonDown(320, 240), 1);

    // A release off the circle deselects it; an unselected circle takes no press.
    EXPECT_EQ(circle.OnLButtonUp(590, 590), 0);
    EXPECT_FALSE(circle.GetFlags() & DOF_SELECTED);
    EXPECT_EQ(circle.OnLButtonDown(320, 240), 0);
}

TEST(CircleMeasure, AGrowingCircleRepaintsWhereItGrew)
{
    PaintWnd wnd;
    CCircleMeasure circle(&wnd, DefaultDrawAttributes(), nullptr, nullptr, DRAW_CIRCLE, 0);
    circle.BeginCreate(300, 300);
    circle.SetVisible(TRUE);
    circle.SetSelected(TRUE);
    ASSERT_EQ(circle.OnLButtonDown(400, 300), 1);  // the right handle
    ::ValidateRect(wnd.m_hWnd, nullptr);
    circle.OnMouseMove(480, 300);
    // The new edge lies distant outside the old box.
    EXPECT_TRUE(wnd.NeedsPaint(300, 130));
    EXPECT_TRUE(wnd.NeedsPaint(470, 300));
    circle.OnLButtonUp(480, 300);

    // Shrinking repaints the old box, which the circle left.
    ASSERT_EQ(circle.OnLButtonDown(480, 300), 1);
    ::ValidateRect(wnd.m_hWnd, nullptr);
    circle.OnMouseMove(350, 300);
    EXPECT_TRUE(wnd.NeedsPaint(470, 300));
}

TEST(CircleMeasure, TheWorkerRepaintsOnlyWhatTheInterfacePublished)
{
    PaintWnd wnd;
    DrawAttributes a = DefaultDrawAttributes();
    a.blink = 1;
    CCircleMeasure circle(&wnd, a, nullptr, nullptr, DRAW_CIRCLE, 1);
    EXPECT_EQ(circle.m_attr.blink, 0);  // a new circle starts still
    circle.m_period = 1;
    circle.BeginCreate(200, 200);
    circle.SetBlink(1);
    circle.SetVisible(TRUE);
    EXPECT_TRUE(circle.IsRunning());
    // Not pumped: a paint would validate the window again.
    ::ValidateRect(wnd.m_hWnd, nullptr);
    for (int i = 0; i < 400 && !wnd.NeedsPaint(200, 96); ++i) ::Sleep(5);
    EXPECT_TRUE(wnd.NeedsPaint(200, 96));

    // Edits on this thread while the worker steps.
    circle.SetSelected(TRUE);
    for (int i = 0; i < 3000; ++i) {
        circle.OnLButtonDown(200, 200 - circle.GetRadius());
        circle.OnMouseMove(200, 150 - i % 40);
        circle.OnLButtonUp(200, 150 - i % 40);
    }
    RECT bounds, label, expected;
    circle.GetBlinkArea(&bounds, &label);
    circle.GetBoundRect(&expected);
    ::InflateRect(&expected, 6, 6);
    EXPECT_TRUE(::EqualRect(&bounds, &expected));
    circle.SetVisible(FALSE);
    EXPECT_FALSE(circle.IsRunning());
}

TEST(CircleMeasure, DrawnOverItsBoxWithHandlesWhenSelected)
{
    HostWnd host;
    DrawAttributes a = DefaultDrawAttributes();
    const COLORREF pen = RGB(255, 0, 0);
    a.borderColor = pen;
    CCircleMeasure circle(&host, a, nullptr, nullptr, DRAW_CIRCLE, 0);
    circle.BeginCreate(150, 150);
    circle.SetVisible(TRUE);
    MemSurface s(300, 300);
    s.Fill(RGB(0, 0, 255), 300, 300);
    circle.Draw(s.dc);
    EXPECT_TRUE(s.Near(150, 51, pen));
    EXPECT_EQ(s.At(150, 150), RGB(0, 0, 255));
    circle.SetSelected(TRUE);
    circle.Draw(s.dc);
    EXPECT_EQ(s.At(150, 50), RGB(255, 255, 255));  // inside the top handle
}

TEST(CircleMeasure, RecordsCarryCentreAndRadiusInTheBlock)
{
    HostWnd host;
    CCircleMeasure circle(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_CIRCLE, 1);
    ASSERT_TRUE(circle.SetGeometry(POINT{140, 70}, 33));
    CMemFile file;
    circle.Save(&file);
    EXPECT_EQ(file.GetLength(), 136u);
    for (int version : {0, 2}) {
        file.SeekToBegin();
        CCircleMeasure back(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_CIRCLE, 1);
        back.Load(&file, version);
        EXPECT_EQ(back.GetCenter().x, 140) << version;
        EXPECT_EQ(back.GetCenter().y, 70) << version;
        EXPECT_EQ(back.GetRadius(), 33) << version;
        RECT box;
        back.GetBoundRect(&box);
        ExpectRect(box, 107, 37, 173, 103);
    }

    // Beyond the bound: refused, the circle as it was.
    CircleRecord distant;
    distant.SetGeometry({0, 0}, zelvo::geom::kCoordinateBound + 1);
    EXPECT_FALSE(circle.SetRecord(distant));
    distant.SetGeometry({std::numeric_limits<int32_t>::max(), 0}, 5);
    EXPECT_FALSE(circle.SetRecord(distant));
    EXPECT_EQ(circle.GetRadius(), 33);
    EXPECT_FALSE(circle.SetGeometry(POINT{0, 0}, -1));
}
