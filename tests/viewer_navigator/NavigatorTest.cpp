// The overview window and its navigation frame, driven with real mouse
// messages; what they post to the view is recorded by a stand-in window.
#include "Navigator.h"
#include "NavigatorIds.h"
#include "ViewerMessages.h"
#include "JpegTestData.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using testing_support::MessageBoxRecorder;
using testing_support::PumpFor;

namespace {

struct Posted {
    UINT message;
    int w;
    int l;
};

// Stands in for the slide view: the overview's parent and notify window.
class RecordingView : public CWnd {
public:
    std::vector<Posted> posted;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_PAN_VIEW || message == WM_VIEW_MOVED || message == WM_NAVIGATOR_CLOSED)
            posted.push_back({message, (int)(INT_PTR)wParam, (int)lParam});
        return CWnd::WindowProc(message, wParam, lParam);
    }
    int Count(UINT message) const
    {
        int n = 0;
        for (const auto& p : posted) n += p.message == message;
        return n;
    }
};

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

bool UniformPixels(HDC dc, int w, int h)
{
    const COLORREF first = ::GetPixel(dc, 0, 0);
    for (int y = 0; y < h; y += 3)
        for (int x = 0; x < w; x += 3)
            if (::GetPixel(dc, x, y) != first) return false;
    return true;
}

class NavigatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(view.CreateEx(0, nullptr, _T("view"), WS_POPUP | WS_VISIBLE, 0, 0, 1000, 700, nullptr, nullptr));
        dlg = new CNavigatorDlg(&view, &view, WM_NAVIGATOR_CLOSED);
        ASSERT_TRUE(dlg->Create(IDD_NAVIGATOR, &view));
        dlg->ShowWindow(SW_SHOWNOACTIVATE);
        frame = new CNavigationFrame(dlg, &view);
        dlg->SetFrame(frame);
        hwnd = dlg->GetSafeHwnd();
    }
    void TearDown() override
    {
        DropCaptionDrag();
        delete frame;
        delete dlg;
        view.DestroyWindow();
    }
    // A press that the frame does not take starts a window drag; take that
    // request out of the queue before anything is dispatched.
    bool DropCaptionDrag()
    {
        MSG msg;
        bool found = false;
        while (::PeekMessage(&msg, hwnd, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE))
            found = found || msg.wParam == HTCAPTION;
        return found;
    }
    void Send(UINT message, int x, int y, WPARAM keys = 0) { ::SendMessage(hwnd, message, keys, At(x, y)); }
    void Drag(int x0, int y0, int x1, int y1)
    {
        Send(WM_LBUTTONDOWN, x0, y0, MK_LBUTTON);
        Send(WM_MOUSEMOVE, (x0 + x1) / 2, (y0 + y1) / 2, MK_LBUTTON);
        Send(WM_MOUSEMOVE, x1, y1, MK_LBUTTON);
        Send(WM_LBUTTONUP, x1, y1);
    }
    void Settle()
    {
        DropCaptionDrag();
        PumpFor(60);
    }
    bool LoadJpeg(const std::vector<uint8_t>& bytes)
    {
        std::vector<uint8_t> copy(bytes);
        CMemFile file(copy.data(), (UINT)copy.size());
        return dlg->LoadThumbnail(file) != FALSE;
    }
    RECT Frame() const { return frame->m_rect; }

    RecordingView view;
    CNavigatorDlg* dlg = nullptr;
    CNavigationFrame* frame = nullptr;
    HWND hwnd = nullptr;
};

} // namespace

TEST_F(NavigatorTest, OpensAtItsPlaceWithAnEmptyPicture)
{
    RECT rc;
    ::GetWindowRect(hwnd, &rc);
    EXPECT_EQ(2, rc.left);
    EXPECT_EQ(53, rc.top);
    EXPECT_EQ(404, rc.right - rc.left);
    EXPECT_EQ(332, rc.bottom - rc.top);
    EXPECT_TRUE(::GetWindowLongPtr(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(::GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CAPTION & ~WS_BORDER);
    RECT client;
    ::GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, dlg->m_clientW);
    EXPECT_EQ(client.right, dlg->Width());
    EXPECT_EQ(client.bottom, dlg->Height());
    // No thumbnail yet: no division by its zero size.
    EXPECT_DOUBLE_EQ(1.0, dlg->m_scaleX);
    EXPECT_DOUBLE_EQ(1.0, frame->m_scaleX);
    EXPECT_TRUE(UniformPixels(dlg->GetMemoryDC(), dlg->Width(), dlg->Height()));
    // Painting before any slide (no 1:1 size) must not fail.
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpFor(30);
}

TEST_F(NavigatorTest, ThumbnailSizesTheOverviewAndFillsThePicture)
{
    JpegParams p;
    p.width = 640;
    p.height = 480;
    ASSERT_TRUE(LoadJpeg(EncodeJpeg(p)));
    EXPECT_EQ(640, dlg->m_thumbW);
    EXPECT_EQ(320, dlg->m_clientW);
    EXPECT_EQ(240, dlg->m_clientH);
    RECT client, rc;
    ::GetClientRect(hwnd, &client);
    ::GetWindowRect(hwnd, &rc);
    EXPECT_EQ(320, client.right);
    EXPECT_EQ(240, client.bottom);
    EXPECT_EQ(2, rc.left);  // keeps its top-left corner
    EXPECT_EQ(53, rc.top);
    EXPECT_DOUBLE_EQ(0.5, dlg->m_scaleX);
    EXPECT_DOUBLE_EQ(0.5, frame->m_scaleY);
    EXPECT_EQ(320, dlg->Width());
    EXPECT_FALSE(UniformPixels(dlg->GetMemoryDC(), dlg->Width(), dlg->Height()));

    // A tall one is limited to 0.38 of the screen height and keeps its aspect.
    p.width = 100;
    p.height = 400;
    ASSERT_TRUE(LoadJpeg(EncodeJpeg(p)));
    const int limit = (int)(0.38 * ::GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(limit, dlg->m_clientH);
    EXPECT_EQ((int)(limit * 100.0 / 400.0), dlg->m_clientW);
}

TEST_F(NavigatorTest, AThumbnailThatDoesNotDecodeLeavesTheOverviewEmpty)
{
    MessageBoxRecorder boxes;
    JpegParams p;
    p.width = 320;
    p.height = 160;
    ASSERT_TRUE(LoadJpeg(EncodeJpeg(p)));
    ASSERT_FALSE(UniformPixels(dlg->GetMemoryDC(), dlg->Width(), dlg->Height()));

    std::vector<uint8_t> junk(300, 0x5A);
    EXPECT_FALSE(LoadJpeg(junk));
    EXPECT_TRUE(dlg->m_pThumbnail->IsEmpty());
    EXPECT_TRUE(UniformPixels(dlg->GetMemoryDC(), dlg->Width(), dlg->Height()));
    // A truncated JPEG is refused the same way, and an empty file too.
    std::vector<uint8_t> cut = EncodeJpeg(p);
    cut.resize(cut.size() / 3);
    LoadJpeg(cut);
    std::vector<uint8_t> none;
    EXPECT_FALSE(LoadJpeg(none));
    EXPECT_TRUE(UniformPixels(dlg->GetMemoryDC(), dlg->Width(), dlg->Height()));
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpFor(30);
}

TEST_F(NavigatorTest, DraggingTheFramePansTheViewAndReportsTheEnd)
{
    frame->SetFrameRect(50, 50, 150, 120);
    Drag(100, 80, 130, 100);
    EXPECT_EQ(nullptr, ::GetCapture());
    Settle();
    EXPECT_EQ(80, Frame().left);
    EXPECT_EQ(70, Frame().top);
    EXPECT_EQ(180, Frame().right);
    EXPECT_EQ(140, Frame().bottom);
    int sx = 0, sy = 0;
    for (const auto& m : view.posted)
        if (m.message == WM_PAN_VIEW) sx += m.w, sy += m.l;
    EXPECT_EQ(2, view.Count(WM_PAN_VIEW));
    EXPECT_EQ(30, sx);
    EXPECT_EQ(20, sy);
    EXPECT_EQ(1, view.Count(WM_VIEW_MOVED));
    EXPECT_EQ(WM_VIEW_MOVED, view.posted.back().message);
}

TEST_F(NavigatorTest, PressOnTheFrameCapturesTheMouse)
{
    frame->SetFrameRect(50, 50, 150, 120);
    Send(WM_LBUTTONDOWN, 60, 60, MK_LBUTTON);
    EXPECT_EQ(hwnd, ::GetCapture());
    EXPECT_FALSE(DropCaptionDrag());
    Send(WM_LBUTTONUP, 60, 60);
    EXPECT_EQ(nullptr, ::GetCapture());
}

TEST_F(NavigatorTest, ADragThatEndsWhereItBeganReportsNoMove)
{
    frame->SetFrameRect(50, 50, 150, 120);
    Send(WM_LBUTTONDOWN, 100, 80, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 120, 90, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 100, 80, MK_LBUTTON);
    Send(WM_LBUTTONUP, 100, 80);
    Settle();
    EXPECT_EQ(50, Frame().left);
    EXPECT_EQ(50, Frame().top);
    EXPECT_EQ(2, view.Count(WM_PAN_VIEW));
    EXPECT_EQ(0, view.Count(WM_VIEW_MOVED));
}

TEST_F(NavigatorTest, EdgePressesMoveTheWindowNotTheFrame)
{
    frame->SetFrameRect(50, 50, 150, 120);
    const POINT edges[] = {{100, 46}, {154, 80}, {100, 124}, {46, 80}};  // top, right, bottom, left
    const int modes[] = {2, 3, 4, 5};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(modes[i], frame->HitMode(edges[i].x, edges[i].y));
        Send(WM_LBUTTONDOWN, edges[i].x, edges[i].y, MK_LBUTTON);
        EXPECT_TRUE(DropCaptionDrag()) << "edge " << i;
        EXPECT_EQ(modes[i], frame->m_hitMode);
        Send(WM_MOUSEMOVE, edges[i].x + 40, edges[i].y + 30, MK_LBUTTON);
        Send(WM_LBUTTONUP, edges[i].x, edges[i].y);
        EXPECT_EQ(50, Frame().left);
        EXPECT_EQ(50, Frame().top);
        EXPECT_EQ(150, Frame().right);
        EXPECT_EQ(120, Frame().bottom);
    }
    // A release on the edge zone posts nothing either.
    Send(WM_LBUTTONDOWN, 100, 80, MK_LBUTTON);
    Send(WM_LBUTTONUP, 100, 46);
    Settle();
    EXPECT_TRUE(view.posted.empty());
}

TEST_F(NavigatorTest, FrameIsClampedInsideTheOverview)
{
    RECT client;
    ::GetClientRect(hwnd, &client);
    SIZE moved = frame->SetFrameRect(-30, 10, 70, 60);
    EXPECT_EQ(30, moved.cx);
    EXPECT_EQ(0, moved.cy);
    EXPECT_EQ(0, Frame().left);
    EXPECT_EQ(100, Frame().right);

    Drag(50, 30, 50 + 2000, 30 + 2000);
    Settle();
    EXPECT_EQ(client.right, Frame().right);
    EXPECT_EQ(client.bottom, Frame().bottom);
    EXPECT_EQ(100, Frame().right - Frame().left);
    EXPECT_EQ(50, Frame().bottom - Frame().top);
    // The pan reports what the frame really moved.
    int sx = 0, sy = 0;
    for (const auto& m : view.posted)
        if (m.message == WM_PAN_VIEW) sx += m.w, sy += m.l;
    EXPECT_EQ(client.right - 100, sx);
    EXPECT_EQ(client.bottom - 60, sy);
}

TEST_F(NavigatorTest, AFrameLargerThanTheOverviewKeepsCoveringIt)
{
    RECT client;
    ::GetClientRect(hwnd, &client);
    frame->SetFrameRect(100, 100, 100 + client.right + 200, 100 + client.bottom + 100);
    EXPECT_EQ(0, Frame().left);
    EXPECT_EQ(0, Frame().top);
    Drag(200, 150, 100, 100);
    Drag(100, 100, 300, 250);
    Settle();
    EXPECT_LE(Frame().left, 0);
    EXPECT_LE(Frame().top, 0);
    EXPECT_GE(Frame().right, client.right);
    EXPECT_GE(Frame().bottom, client.bottom);
    EXPECT_EQ(client.right + 200, Frame().right - Frame().left);
}

TEST_F(NavigatorTest, DoubleClickCentresTheFrame)
{
    frame->SetFrameRect(20, 20, 120, 80);  // centre (70, 50)
    Send(WM_LBUTTONDBLCLK, 200, 150);
    Settle();
    EXPECT_EQ(200, (Frame().left + Frame().right) / 2);
    EXPECT_EQ(150, (Frame().top + Frame().bottom) / 2);
    ASSERT_EQ(2u, view.posted.size());
    EXPECT_EQ(WM_PAN_VIEW, view.posted[0].message);
    EXPECT_EQ(130, view.posted[0].w);
    EXPECT_EQ(100, view.posted[0].l);
    EXPECT_EQ(WM_VIEW_MOVED, view.posted[1].message);

    // Near a corner the clamp decides, and the pan says how far it really went.
    view.posted.clear();
    Send(WM_LBUTTONDBLCLK, 2, 2);
    Settle();
    EXPECT_EQ(0, Frame().left);
    EXPECT_EQ(0, Frame().top);
    ASSERT_FALSE(view.posted.empty());
    EXPECT_EQ(50 - 200, view.posted[0].w);
    EXPECT_EQ(30 - 150, view.posted[0].l);
}

TEST_F(NavigatorTest, FrameWorksInThumbnailPixels)
{
    JpegParams p;
    p.width = 640;
    p.height = 480;
    ASSERT_TRUE(LoadJpeg(EncodeJpeg(p)));  // scale 0.5
    frame->SetFrameRect(100, 100, 300, 200);
    // Image (300, 150) is client (150, 75): the right edge zone sits at
    // image 302..305, so client 152 is the edge and client 150 inside.
    Send(WM_LBUTTONDOWN, 152, 75, MK_LBUTTON);
    EXPECT_TRUE(DropCaptionDrag());
    EXPECT_EQ(3, frame->m_hitMode);
    Send(WM_LBUTTONUP, 152, 75);
    Drag(100, 75, 130, 85);
    Settle();
    EXPECT_EQ(160, Frame().left);
    EXPECT_EQ(120, Frame().top);
    int sx = 0;
    for (const auto& m : view.posted)
        if (m.message == WM_PAN_VIEW) sx += m.w;
    EXPECT_EQ(60, sx);
    // The clamp area is the client area in image coordinates: 640 x 480.
    frame->SetFrameRect(600, 400, 800, 500);
    EXPECT_EQ(640, Frame().right);
    EXPECT_EQ(480, Frame().bottom);
}

TEST_F(NavigatorTest, CtrlClickCentresOnlyOutsideTheFrame)
{
    frame->SetFrameRect(20, 20, 120, 80);
    Send(WM_LBUTTONDOWN, 70, 50, MK_LBUTTON | MK_CONTROL);  // inside: taken, not re-centred
    Send(WM_LBUTTONUP, 70, 50, MK_CONTROL);
    EXPECT_EQ(20, Frame().left);
    EXPECT_EQ(20, Frame().top);
    Send(WM_LBUTTONDOWN, 250, 200, MK_LBUTTON | MK_CONTROL);
    EXPECT_FALSE(DropCaptionDrag());  // no window drag with Ctrl
    EXPECT_EQ(nullptr, ::GetCapture());
    Send(WM_LBUTTONUP, 250, 200, MK_CONTROL);
    Settle();
    EXPECT_EQ(250, (Frame().left + Frame().right) / 2);
    EXPECT_EQ(200, (Frame().top + Frame().bottom) / 2);
    EXPECT_EQ(1, view.Count(WM_PAN_VIEW));
    EXPECT_EQ(1, view.Count(WM_VIEW_MOVED));
}

TEST_F(NavigatorTest, RightClickHidesAndTellsTheView)
{
    ASSERT_TRUE(::IsWindowVisible(hwnd));
    Send(WM_RBUTTONUP, 10, 10);
    Settle();
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_TRUE(::IsWindow(hwnd));  // only hidden
    ASSERT_EQ(1, view.Count(WM_NAVIGATOR_CLOSED));
}

// Under Wine without a window manager the owner that takes the focus is
// raised over the windows it owns.
TEST_F(NavigatorTest, ComesBackAboveItsOwnerWhenTheOwnerTakesTheFocus)
{
    const auto ownerAbove = [&] {
        for (HWND w = ::GetWindow(hwnd, GW_HWNDPREV); w; w = ::GetWindow(w, GW_HWNDPREV))
            if (w == view.GetSafeHwnd()) return true;
        return false;
    };
    ASSERT_FALSE(ownerAbove());
    ::SetForegroundWindow(view.GetSafeHwnd());
    ::SetFocus(view.GetSafeHwnd());
    // The raise comes back with the display's events; the overview's blink
    // timer (300 ms) looks after it.
    PumpFor(1500);
    EXPECT_FALSE(ownerAbove());
}

TEST_F(NavigatorTest, WindowStaysInsideItsParentWhileMoved)
{
    RECT r{-50, -40, -50 + 404, -40 + 332};
    ::SendMessage(hwnd, WM_MOVING, WMSZ_TOPLEFT, (LPARAM)&r);
    RECT area;
    ::GetClientRect(view.GetSafeHwnd(), &area);
    ::MapWindowPoints(view.GetSafeHwnd(), nullptr, (POINT*)&area, 2);
    EXPECT_EQ(area.left, r.left);
    EXPECT_EQ(area.top, r.top);
    EXPECT_EQ(404, r.right - r.left);
    r = RECT{900, 600, 900 + 404, 600 + 332};
    ::SendMessage(hwnd, WM_MOVING, WMSZ_TOPLEFT, (LPARAM)&r);
    EXPECT_EQ(area.right, r.right);
    EXPECT_EQ(area.bottom, r.bottom);
}

TEST_F(NavigatorTest, PlaceBesideOwnerAndMoveBy)
{
    JpegParams p;
    p.width = 640;
    p.height = 480;
    ASSERT_TRUE(LoadJpeg(EncodeJpeg(p)));  // client 320 x 240, r = 4/3
    // The view is 1000 x 700 (wider than r): its height stays.
    dlg->PlaceBesideOwner();
    RECT rc;
    ::GetWindowRect(hwnd, &rc);
    EXPECT_EQ(0, rc.left);
    EXPECT_EQ(0, rc.top);
    EXPECT_EQ(700, rc.bottom);
    EXPECT_EQ(933, rc.right);
    RECT client;
    ::GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, dlg->m_clientW);
    EXPECT_EQ(client.right, dlg->Width());
    EXPECT_DOUBLE_EQ(client.right / 640.0, dlg->m_scaleX);

    dlg->MoveBy(15, -7);
    ::GetWindowRect(hwnd, &rc);
    EXPECT_EQ(15, rc.left);
    EXPECT_EQ(-7, rc.top);
    EXPECT_EQ(933, rc.right - rc.left);
}

TEST_F(NavigatorTest, SampleSizeGivesTheOneToOneSize)
{
    dlg->SetSampleSize(15.0, 10.0, 3779527, 3779527);
    EXPECT_EQ(56692, dlg->m_oneToOneW);
    EXPECT_EQ(37795, dlg->m_oneToOneH);
    dlg->SetSampleSize(0.0, 0.0, 0, 0);
    EXPECT_EQ(0, dlg->m_oneToOneW);
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpFor(30);
}

TEST_F(NavigatorTest, ScreenshotOfAnOverviewWithFrameAndTexts)
{
    JpegParams p;
    p.width = 640;
    p.height = 400;
    p.photo = true;
    ASSERT_TRUE(LoadJpeg(EncodeJpeg(p)));
    dlg->SetSampleSize(15.0, 9.38, 3779527, 3779527);
    frame->SetFrameRect(200, 120, 400, 260);
    frame->m_markW = 60;
    frame->m_markH = 60;
    ::SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpFor(100);
    // The cross-hair runs across the whole client area through the frame's centre.
    // Frame (200, 120)-(400, 260) at scale 0.5: centre row 95 of the client.
    HDC dc = ::GetDC(hwnd);
    int added = 0;
    for (int x = 0; x < dlg->m_clientW; ++x)
        added += ::GetPixel(dc, x, 95) == RGB(0, 0, 0) && ::GetPixel(dlg->GetMemoryDC(), x, 95) != RGB(0, 0, 0);
    ::ReleaseDC(hwnd, dc);
    EXPECT_FALSE(testing_support::SaveScreenshot(hwnd, "navigator-overview.bmp").empty());
    EXPECT_GT(added, dlg->m_clientW / 4);
}
