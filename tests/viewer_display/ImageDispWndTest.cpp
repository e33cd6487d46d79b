#include "DisplayTestSupport.h"
#include "Dib.h"
#include "ImageDispWnd.h"
#include "MeasureResultDlg.h"
#include "ScaleBar.h"
#include "SegmentMeasure.h"
#include "TestSupport.h"
#include "ViewerMessages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

using display_test::HostWnd;
using display_test::ReadPixels;
using display_test::WritePixels;

namespace {

const uint32_t kGreyPixel = 0xC0C0C0;
const UINT kNotify = WM_APP + 7;

int Cx() { return ::GetSystemMetrics(SM_CXSCREEN); }
int Cy() { return ::GetSystemMetrics(SM_CYSCREEN); }

// Each main-buffer pixel tells where it came from (low bits of x and y, and
// the 256-pixel block), so any wrong shift shows.
uint32_t Code(int x, int y)
{
    return (uint32_t)(x & 255) << 16 | (uint32_t)(y & 255) << 8 | (uint32_t)(((x >> 8) & 15) << 4 | ((y >> 8) & 15));
}

// A layer that records calls and takes what it is told to.
class FakeLayer : public IObjectLayer {
public:
    explicit FakeLayer(std::string name, std::string* log) : m_name(std::move(name)), m_log(log) {}
    void Reset(CWnd*) override {}
    void SetScale(float sx, float, int, int) override { lastScale = sx; }
    void SetScroll(int x, int y) override { scroll = CPoint(x, y); }
    void DrawAll(HDC dc) override
    {
        ++draws;
        if (!drawsLine) return;
        // Across the whole view, so that any cut of a partial frame shows.
        HPEN pen = ::CreatePen(PS_SOLID, 3, RGB(250, 20, 20));
        HGDIOBJ old = ::SelectObject(dc, pen);
        ::MoveToEx(dc, 0, 0, nullptr);
        ::LineTo(dc, 800, 600);
        ::SelectObject(dc, old);
        ::DeleteObject(pen);
    }
    void OnViewSize(UINT, int cx, int) override { viewWidth = cx; }
    int OnLButtonDown(UINT, CPoint) override { return Note("down", takeDown); }
    int OnLButtonUp(UINT, CPoint) override { return Note("up", takeUp); }
    int OnMouseMove(UINT, CPoint) override { return Note("move", takeMove); }
    int OnLButtonDblClk(UINT, CPoint) override { return Note("dbl", 1); }
    int OnRButtonDown(UINT, CPoint) override { return Note("rdown", takeRight); }
    int OnMouseWheel(UINT, short, CPoint) override { return Note("wheel", 0); }

    int takeDown = 0, takeUp = 0, takeMove = 0, takeRight = 0;
    bool drawsLine = false;
    float lastScale = 0;
    CPoint scroll;
    int draws = 0;
    int viewWidth = -1;

private:
    int Note(const char* what, int answer)
    {
        *m_log += m_name + ":" + what + " ";
        return answer;
    }
    std::string m_name;
    std::string* m_log;
};

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fw::SetTimerScale(0.01);
        host = std::make_unique<HostWnd>(800, 600);
        ASSERT_TRUE(::IsWindow(host->m_hWnd));
        disp = std::make_unique<CImageDispWnd>();
        ASSERT_TRUE(disp->CreateDisplay(host.get(), host.get(), kNotify));
        // A thumbnail a tenth of the image, so that even thin strips map to
        // whole thumbnail pixels.
        disp->SetImageSize(20000, 20000);
        disp->FitToOwner(20000, 20000, TRUE);
        disp->SetThumbnailSize(2000, 2000);
        SetView(8000, 8000);
        while (host->TakePosted(WM_VIEW_MOVED) || host->TakePosted(WM_VIEW_ORIGIN)) {}
    }
    void TearDown() override
    {
        disp.reset();
        host.reset();
        fw::SetTimerScale(1.0);
    }
    void SetView(int left, int top)
    {
        RECT c;
        disp->GetClientRect(&c);
        disp->SetSourceRect(left, top, left + c.right, top + c.bottom, CImageDispWnd::kUnchanged,
                            CImageDispWnd::kUnchanged);
    }
    void PaintMainCoded()
    {
        const int w = 3 * Cx(), h = 3 * Cy();
        std::vector<uint32_t> px((size_t)w * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) px[(size_t)y * w + x] = Code(x, y);
        WritePixels(disp->MainBuffer().GetMemoryDC(), px, w, h);
    }
    std::vector<uint32_t> MainPixels() { return ReadPixels(disp->MainBuffer().GetMemoryDC(), 3 * Cx(), 3 * Cy()); }

    std::unique_ptr<HostWnd> host;
    std::unique_ptr<CImageDispWnd> disp;
};

} // namespace

TEST_F(DisplayTest, CreationMakesTheThreeBuffersAndCoversTheParent)
{
    int w = 0, h = 0;
    disp->MainBuffer().GetSize(w, h);
    EXPECT_EQ(w, 3 * Cx());
    EXPECT_EQ(h, 3 * Cy());
    disp->LowResBuffer().GetSize(w, h);
    EXPECT_EQ(w, 2000);
    EXPECT_EQ(h, 2000);
    RECT c;
    disp->GetClientRect(&c);
    EXPECT_EQ(c.right, 800);
    EXPECT_EQ(c.bottom, 600);
    EXPECT_NE(disp->HandCursor(), nullptr);
    EXPECT_NE(disp->GrabCursor(), nullptr);
    char name[64] = {};
    ::GetClassNameA(disp->m_hWnd, name, sizeof name);
    EXPECT_STREQ("CImageDispWnd", name);
}

// Every sign combination of the pan offset: the kept part must be an exact
// copy shifted by the offset, and exactly the uncovered strips come from the
// thumbnail (grey here).
TEST_F(DisplayTest, ScrollByMovesTheMainBufferAndRefillsTheUncoveredStrips)
{
    const int W = 3 * Cx(), H = 3 * Cy();
    const int offsets[][2] = {{-37, -53}, {-37, 53}, {-37, 0}, {37, -53}, {37, 53}, {37, 0}, {0, -53}, {0, 53}};
    for (const auto& o : offsets) {
        const int dx = o[0], dy = o[1];
        SCOPED_TRACE(testing::Message() << "dx=" << dx << " dy=" << dy);
        PaintMainCoded();
        disp->SetOrigin(dx, dy);
        CPoint applied = disp->ScrollBy();
        EXPECT_EQ(applied.x, dx);
        EXPECT_EQ(applied.y, dy);
        EXPECT_EQ(disp->PanOffset().x, 0);
        EXPECT_EQ(disp->PanOffset().y, 0);

        std::vector<uint32_t> px = MainPixels();
        long wrong = 0;
        int firstX = -1, firstY = -1;
        for (int y = 0; y < H && wrong < 10; ++y) {
            for (int x = 0; x < W; ++x) {
                const int sx = x + dx, sy = y + dy;
                const bool uncovered = sx < 0 || sx >= W || sy < 0 || sy >= H;
                const uint32_t expected = uncovered ? kGreyPixel : Code(sx, sy);
                if (px[(size_t)y * W + x] != expected && wrong++ == 0) {
                    firstX = x;
                    firstY = y;
                }
            }
        }
        EXPECT_EQ(wrong, 0) << "first wrong pixel at " << firstX << "," << firstY << ": " << std::hex
                            << (firstX >= 0 ? px[(size_t)firstY * W + firstX] : 0);
    }
}

// The pixel work of a realignment may wait until after the frame is shown:
// the frame composed before it is the frame composed after it.
TEST_F(DisplayTest, AFrameComposedBeforeTheOwedRealignmentEqualsOneAfterIt)
{
    for (const CPoint offset : {CPoint(-37, 53), CPoint(Cx() - 5, 0), CPoint(0, -Cy() - 1)}) {
        SCOPED_TRACE(testing::Message() << offset.x << "," << offset.y);
        PaintMainCoded();
        disp->SetOrigin(offset.x, offset.y);
        disp->ScrollBy();
        disp->DrawContents();
        const std::vector<uint32_t> before = ReadPixels(disp->ViewBuffer().GetMemoryDC(), 800, 600);
        disp->MainBuffer();  // the owed work is done when the buffer is used
        disp->DrawContents();
        EXPECT_EQ(before, ReadPixels(disp->ViewBuffer().GetMemoryDC(), 800, 600));
    }
}

// A region that arrives before the owed realignment is done is placed where
// the buffer still holds its place, or, over a strip still to be filled,
// after the realignment: either way the buffer ends as if realigned first.
TEST_F(DisplayTest, RegionsArrivingBeforeTheOwedRealignmentEndWhereTheyBelong)
{
    std::vector<uint32_t> block(64 * 32);
    for (size_t i = 0; i < block.size(); ++i) block[i] = 0x200000 + (uint32_t)i;
    const RECT onScreen{100, 80, 164, 112}, overStrip{2 * Cx() - 30, 80, 2 * Cx() + 34, 112};
    for (const RECT& r : {onScreen, overStrip}) {
        SCOPED_TRACE(r.left);
        PaintMainCoded();
        disp->SetOrigin(37, 53);
        disp->ScrollBy();
        disp->PutPixels(block.data(), 64, 32, r);
        const std::vector<uint32_t> early = MainPixels();
        PaintMainCoded();
        disp->SetOrigin(37, 53);
        disp->ScrollBy();
        disp->MainBuffer();
        disp->PutPixels(block.data(), 64, 32, r);
        EXPECT_EQ(MainPixels(), early);
    }
}

// Moves that come before the last one's realignment was done are realigned
// together: the buffer ends as if each had been realigned at once.
TEST_F(DisplayTest, MovesInARowEndAsIfEachWereRealignedAtOnce)
{
    const std::vector<std::vector<CPoint>> rows = {{CPoint(37, 53), CPoint(-200, 10)},
                                                   {CPoint(600, 0), CPoint(700, -30), CPoint(-90, 400)},
                                                   {CPoint(Cx(), 0), CPoint(Cx() + 10, 0)},
                                                   {CPoint(100, -50), CPoint(-100, 50)}};
    auto move = [&](CPoint d) {
        const RECT v = disp->ViewRect();
        disp->SetSourceRect(v.left + d.x, v.top + d.y, v.right + d.x, v.bottom + d.y, d.x, d.y);
        disp->ScrollBy();
    };
    for (const auto& moves : rows) {
        SCOPED_TRACE(testing::Message() << moves.size() << " moves from " << moves[0].x);
        SetView(8000, 8000);
        PaintMainCoded();
        for (CPoint d : moves) move(d);
        const std::vector<uint32_t> together = MainPixels();
        SetView(8000, 8000);
        PaintMainCoded();
        for (CPoint d : moves) {
            move(d);
            disp->MainBuffer();
        }
        EXPECT_EQ(MainPixels(), together);
    }
}

TEST_F(DisplayTest, ScrollByWithoutOffsetOrByTwoScreensTouchesNothingOrRefillsAll)
{
    PaintMainCoded();
    CPoint none = disp->ScrollBy();
    EXPECT_EQ(none.x, 0);
    EXPECT_EQ(none.y, 0);
    std::vector<uint32_t> px = MainPixels();
    EXPECT_EQ(px[0], Code(0, 0));
    EXPECT_EQ(px[(size_t)100 * 3 * Cx() + 200], Code(200, 100));

    disp->SetOrigin(2 * Cx(), 0);
    CPoint whole = disp->ScrollBy();
    EXPECT_EQ(whole.x, 2 * Cx());
    px = MainPixels();
    for (size_t i = 0; i < px.size(); i += 997) ASSERT_EQ(px[i], kGreyPixel) << i;
}

// Strips that fall outside the image are left as they are.
TEST_F(DisplayTest, StripsOutsideTheImageAreNotFilled)
{
    SetView(100, 100);
    PaintMainCoded();
    disp->SetOrigin(-500, 0);
    disp->ScrollBy();
    std::vector<uint32_t> px = MainPixels();
    const int W = 3 * Cx();
    // View x -cx..-cx+500 lies left of the image (view origin 100): old pixels stay.
    EXPECT_EQ(px[(size_t)10 * W + 5], Code(5, 10));
    // The part of the strip inside the image (x >= -100 in view terms) is grey
    // only where the strip is; the strip ends at view x -cx+500 < -100 here, so
    // the buffer column cx-100 keeps its shifted copy.
    EXPECT_EQ(px[(size_t)10 * W + (Cx() - 100)], Code(Cx() - 100 - 500, 10));
}

TEST_F(DisplayTest, SourceRectMapsToTheThumbnailAndMovesThePanOffset)
{
    disp->SetImageSize(20000, 10000);
    disp->FitToOwner(5000, 2500, FALSE);
    disp->SetThumbnailSize(400, 200);
    std::string unused;
    FakeLayer layer("a", &unused);
    disp->SetAnnotationLayer(&layer);
    disp->SetOrigin(0, 0);

    disp->SetSourceRect(1000, 500, 1800, 1100, 5, 7);
    RECT low = disp->LowResBuffer().m_rect;
    EXPECT_EQ(low.left, 80);
    EXPECT_EQ(low.top, 40);
    EXPECT_EQ(low.right, 144);
    EXPECT_EQ(low.bottom, 88);
    EXPECT_EQ(layer.scroll.x, 1000);
    EXPECT_EQ(layer.scroll.y, 500);
    EXPECT_EQ(disp->PanOffset().x, 5);
    EXPECT_EQ(disp->PanOffset().y, 7);

    disp->SetSourceRect(1000, 500, 1800, 1100, 5, CImageDispWnd::kUnchanged);
    EXPECT_EQ(disp->PanOffset().x, 5);

    RECT mapped = disp->ViewToLowRes(RECT{0, 0, 100, 50});
    EXPECT_EQ(mapped.left, 80);
    EXPECT_EQ(mapped.top, 40);
    EXPECT_EQ(mapped.right, 88);
    EXPECT_EQ(mapped.bottom, 44);
    disp->SetAnnotationLayer(nullptr);
}

TEST_F(DisplayTest, ZeroSizesNeverDivide)
{
    disp->SetImageSize(0, 0);
    disp->FitToOwner(0, 0, FALSE);
    disp->SetThumbnailSize(0, 0);
    EXPECT_TRUE(std::isfinite(disp->ScaleX()));
    EXPECT_TRUE(std::isfinite(disp->ScaleY()));
    // An image of no display size: scale 0.
    disp->SetImageSize(20000, 20000);
    EXPECT_EQ(0.0, disp->ScaleX());
    disp->SetSourceRect(10, 10, 20, 20, 0, 0);
    RECT mapped = disp->ViewToLowRes(RECT{0, 0, 10, 10});
    EXPECT_EQ(mapped.right, mapped.left);
    disp->CenterOn(5, 5);
    disp->DrawContents();
}

TEST_F(DisplayTest, CenterOnNearTheEdgeStaysInsideAndPostsOriginThenMoved)
{
    disp->CenterOn(100, 100);
    RECT v = disp->ViewRect();
    EXPECT_EQ(v.left, 0);
    EXPECT_EQ(v.top, 0);
    MSG msg;
    ASSERT_TRUE(host->TakePosted(WM_VIEW_ORIGIN, &msg));
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_TRUE(host->TakePosted(WM_VIEW_MOVED));

    disp->CenterOn(5000, 6000);
    v = disp->ViewRect();
    EXPECT_EQ(v.left, 5000 - 400);
    EXPECT_EQ(v.top, 6000 - 300);
}

TEST_F(DisplayTest, DraggingEmptyGroundPansAndPostsItsMessages)
{
    disp->SetOrigin(0, 0);
    disp->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 200));
    disp->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 180));
    RECT v = disp->ViewRect();
    EXPECT_EQ(v.left, 8050);
    EXPECT_EQ(v.top, 8020);
    EXPECT_EQ(disp->PanOffset().x, 50);
    EXPECT_EQ(disp->PanOffset().y, 20);
    MSG msg;
    ASSERT_TRUE(host->TakePosted(WM_VIEW_ORIGIN, &msg));
    EXPECT_EQ(msg.wParam, 8050u);
    EXPECT_EQ(msg.lParam, 8020);
    EXPECT_FALSE(host->TakePosted(WM_VIEW_MOVED));
    disp->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(150, 180));
    EXPECT_TRUE(host->TakePosted(WM_VIEW_MOVED));
    EXPECT_EQ(::GetCapture(), nullptr);
}

// The release of a pan is the pan's wherever it falls: over the shown screen
// ruler, or over an object that takes releases, the view still fetches.
TEST_F(DisplayTest, APanReleasedOverTheScreenRulerOrAnObjectStillEnds)
{
    CScaleBar bar(disp.get(), 3780);
    bar.ToggleScreenRuler();  // from (400, 30) to (778, 30), its band 30 pixels either side
    disp->SetScaleBar(&bar);
    std::string log;
    FakeLayer annotation("a", &log);
    annotation.takeUp = 1;
    for (bool overObject : {false, true}) {
        SCOPED_TRACE(overObject ? "over an object" : "over the ruler");
        if (overObject) disp->SetAnnotationLayer(&annotation);
        disp->SetOrigin(0, 0);
        const CPoint release = overObject ? CPoint(200, 400) : CPoint(500, 40);
        disp->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 300));
        disp->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(release.x, release.y));
        disp->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(release.x, release.y));
        EXPECT_TRUE(host->TakePosted(WM_VIEW_MOVED));
        while (host->TakePosted(WM_VIEW_ORIGIN)) {}
    }
    disp->SetAnnotationLayer(nullptr);
    disp->SetScaleBar(nullptr);
}

TEST_F(DisplayTest, PressAtTheOriginOrTakenByALayerDoesNotPan)
{
    disp->SetOrigin(0, 0);
    disp->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0));
    disp->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 100));
    disp->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
    EXPECT_EQ(disp->ViewRect().left, 8000);
    EXPECT_FALSE(host->TakePosted(WM_VIEW_ORIGIN));
    EXPECT_FALSE(host->TakePosted(WM_VIEW_MOVED));

    std::string log;
    FakeLayer editor("e", &log), annotation("a", &log), measure("m", &log);
    disp->SetEditorLayer(&editor);
    disp->SetAnnotationLayer(&annotation);
    disp->SetMeasureLayer(&measure);
    annotation.takeDown = 1;
    disp->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 200));
    EXPECT_EQ(log, "e:down a:down ");
    log.clear();
    disp->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 150));
    EXPECT_EQ(log, "e:move a:move m:move ");
    EXPECT_EQ(disp->ViewRect().left, 8000);
    EXPECT_FALSE(host->TakePosted(WM_VIEW_ORIGIN));
    log.clear();
    disp->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(150, 150));
    EXPECT_EQ(log, "e:up a:up m:up ");
    log.clear();
    disp->SendMessage(WM_LBUTTONDBLCLK, 0, MAKELPARAM(150, 150));
    EXPECT_EQ(log, "m:dbl e:dbl a:dbl ");
    log.clear();
    editor.takeRight = 1;
    disp->SendMessage(WM_RBUTTONUP, 0, MAKELPARAM(150, 150));
    EXPECT_EQ(log, "e:rdown ");

    // Painting hands the scale to every layer and draws each once.
    disp->DrawContents();
    EXPECT_EQ(editor.draws, 1);
    EXPECT_EQ(annotation.draws, 1);
    EXPECT_EQ(measure.draws, 1);
    disp->SetEditorLayer(nullptr);
    disp->SetAnnotationLayer(nullptr);
    disp->SetMeasureLayer(nullptr);
}

TEST_F(DisplayTest, ZoomTransitionWithBadFactorsLeavesEverythingAlone)
{
    PaintMainCoded();
    disp->SetOrigin(3, 4);
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(), 0.0, -2.0, 1e9, 1e-9};
    for (double f : bad) {
        SCOPED_TRACE(f);
        RECT r = disp->ComposeView(f);
        EXPECT_TRUE(::IsRectEmpty(&r));
        EXPECT_EQ(disp->PanOffset().x, 3);
    }
    std::vector<uint32_t> px = MainPixels();
    EXPECT_EQ(px[(size_t)Cy() * 3 * Cx() + Cx()], Code(Cx(), Cy()));
}

TEST_F(DisplayTest, ZoomTransitionRebuildsTheMainBufferAroundTheView)
{
    // View at the image's top-left corner: left and above it stays grey.
    SetView(0, 0);
    PaintMainCoded();
    RECT r = disp->ComposeView(1.0);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 800);
    EXPECT_EQ(r.bottom, 600);
    EXPECT_EQ(disp->PanOffset().x, 0);
    std::vector<uint32_t> px = MainPixels();
    const int W = 3 * Cx();
    EXPECT_EQ(px[(size_t)(Cy() - 1) * W + Cx() - 1], kGreyPixel);
    EXPECT_NE(px[(size_t)(Cy() + 10) * W + Cx() + 10], kGreyPixel);

    r = disp->ComposeView(2.0);
    EXPECT_FALSE(::IsRectEmpty(&r));
    r = disp->ComposeView(0.1);
    EXPECT_FALSE(::IsRectEmpty(&r));

    // Zooming in by two about the client's centre: what lay 100 pixels right of
    // the centre lies 200 pixels right of it (the last frame's steps end near
    // the factor, not on it: within three pixels).
    SetView(8000, 8000);
    PaintMainCoded();
    disp->ComposeView(2.0);
    px = MainPixels();
    auto within = [&](int mx, int my, int ox, int oy) {
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx)
                if (px[(size_t)my * W + mx] == Code(ox + dx, oy + dy)) return true;
        return false;
    };
    EXPECT_TRUE(within(Cx() + 400, Cy() + 300, Cx() + 400, Cy() + 300));
    EXPECT_TRUE(within(Cx() + 600, Cy() + 300, Cx() + 500, Cy() + 300));
    EXPECT_TRUE(within(Cx() + 400, Cy() + 100, Cx() + 400, Cy() + 200));
}

TEST_F(DisplayTest, MinimisedOrNarrowWindowIsHarmless)
{
    std::string unused;
    FakeLayer layer("a", &unused);
    disp->SetAnnotationLayer(&layer);
    disp->Relayout(SIZE_MINIMIZED, 0, 0);
    EXPECT_EQ(layer.viewWidth, 0);
    int w = 0, h = 0;
    disp->ViewBuffer().GetSize(w, h);
    EXPECT_GT(w, 0);
    EXPECT_GT(h, 0);

    disp->MoveWindow(0, 0, 0, 0, FALSE);
    disp->DrawContents();
    RECT r = disp->ComposeView(2.0);
    EXPECT_TRUE(::IsRectEmpty(&r));
    r = disp->ComposeView(0.5);
    EXPECT_TRUE(::IsRectEmpty(&r));

    host->MoveWindow(0, 0, 1, 600, FALSE);
    disp->Relayout(SIZE_RESTORED, 1, 600);
    RECT c;
    disp->GetClientRect(&c);
    EXPECT_EQ(c.right, 1);
    disp->DrawContents();
    r = disp->ComposeView(2.0);
    EXPECT_TRUE(::IsRectEmpty(&r));
    disp->ComposeView(0.5);
    disp->SetAnnotationLayer(nullptr);
}

TEST_F(DisplayTest, LoadingStateKeepsTheThumbnailOutAndCloseNotifiesTheOwner)
{
    // Entirely outside the main buffer: the thumbnail fills the view unless loading.
    disp->SetOrigin(10 * Cx(), 0);
    HDC viewDC = disp->ViewBuffer().GetMemoryDC();
    RECT all{0, 0, 800, 600};
    HBRUSH red = ::CreateSolidBrush(RGB(255, 0, 0));
    ::FillRect(viewDC, &all, red);
    ::DeleteObject(red);
    disp->SetLoading(1);
    disp->DrawContents();
    EXPECT_EQ(::GetPixel(viewDC, 2, 2), RGB(255, 0, 0));
    disp->SetLoading(0);
    disp->DrawContents();
    EXPECT_EQ(::GetPixel(viewDC, 2, 2), RGB(0xC0, 0xC0, 0xC0));

    disp->SendMessage(WM_CLOSE);
    EXPECT_TRUE(host->TakePosted(kNotify));
    EXPECT_FALSE(disp->IsWindowVisible());
}

TEST_F(DisplayTest, TilesLandOneScreenInAndAFrameOverTheBufferEdgeTakesTheRestFromTheThumbnail)
{
    PaintMainCoded();
    CDib tile;
    ASSERT_TRUE(tile.Create(16, 8, 24));
    BYTE* bits = tile.GetBits();
    for (DWORD i = 0; i < tile.GetImageSize(); i += 3) {
        bits[i] = 0x30;      // blue
        bits[i + 1] = 0x20;  // green
        bits[i + 2] = 0x10;  // red
    }
    disp->PutTile(&tile, RECT{100, 50, 116, 58});
    disp->PutTile(nullptr, RECT{0, 0, 10, 10});
    std::vector<uint32_t> px = MainPixels();
    const int W = 3 * Cx();
    EXPECT_EQ(px[(size_t)(Cy() + 50) * W + Cx() + 100], 0x102030u);
    EXPECT_EQ(px[(size_t)(Cy() + 57) * W + Cx() + 115], 0x102030u);
    EXPECT_EQ(px[(size_t)(Cy() + 58) * W + Cx() + 115], Code(Cx() + 115, Cy() + 58));
    EXPECT_EQ(px[(size_t)(Cy() + 49) * W + Cx() + 100], Code(Cx() + 100, Cy() + 49));

    // The view lies 100 pixels left of the main buffer and 50 above it.
    disp->SetOrigin(-Cx() - 100, -Cy() - 50);
    disp->DrawContents();
    std::vector<uint32_t> view = ReadPixels(disp->ViewBuffer().GetMemoryDC(), 800, 600);
    EXPECT_EQ(view[(size_t)10 * 800 + 400], kGreyPixel);   // top band
    EXPECT_EQ(view[(size_t)300 * 800 + 50], kGreyPixel);   // left band
    EXPECT_EQ(view[(size_t)300 * 800 + 100], Code(0, 250));
    EXPECT_EQ(view[(size_t)599 * 800 + 799], Code(699, 549));

    // While loading, those bands are not taken from the thumbnail.
    HDC viewDC = disp->ViewBuffer().GetMemoryDC();
    ::SetPixel(viewDC, 50, 300, RGB(1, 2, 3));
    disp->SetLoading(1);
    disp->DrawContents();
    EXPECT_NE(::GetPixel(viewDC, 50, 300), RGB(0xC0, 0xC0, 0xC0));
}

TEST_F(DisplayTest, MeasuringThroughTheDisplayWithTheResultsDialog)
{
    disp->SetResolution(1000000, 1000000);  // 1 um per pixel
    disp->SetObjectScale();
    CMeasureResultDlg* dialog = new CMeasureResultDlg(&dialog, disp.get(), host.get());
    ASSERT_TRUE(dialog->Create());
    EXPECT_EQ(disp->MeasureLayer(), &dialog->Layer());
    dialog->Kinds().SetCurSel(0);
    dialog->SendMessage(WM_COMMAND, MAKEWPARAM(1042, CBN_SELCHANGE), (LPARAM)dialog->Kinds().m_hWnd);

    // A double click measures at the image point under it (the button's
    // release ends the press the double click begins).
    disp->SendMessage(WM_LBUTTONDBLCLK, 0, MAKELPARAM(400, 400));
    disp->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(400, 400));
    testing_support::PumpFor(30);
    ASSERT_EQ(dialog->Layer().GetCount(), 1);
    auto* segment = static_cast<CSegmentMeasure*>(dialog->Layer().GetObjectAt(0));
    EXPECT_EQ(segment->GetPoints()[1].x, 8400);
    EXPECT_EQ(dialog->List().GetItemCount(), 1);

    // Dragging its end moves the point, not the view.
    disp->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 400));
    disp->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(450, 420));
    disp->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(450, 420));
    testing_support::PumpFor(30);
    EXPECT_EQ(segment->GetPoints()[1].x, 8450);
    EXPECT_EQ(segment->GetPoints()[1].y, 8420);
    EXPECT_EQ(disp->ViewRect().left, 8000);
    EXPECT_EQ(std::string(dialog->List().GetItemText(0, 2).GetString()).substr(0, 6), "448.22");

    dialog->SendMessage(WM_CLOSE);
    EXPECT_EQ(dialog, nullptr);
    EXPECT_EQ(disp->MeasureLayer(), nullptr);
}

// A region's arrival composes only the part of the window it changed: that
// part must be what a whole frame shows there, layers and thumbnail bands
// included, and nothing else may change.
TEST_F(DisplayTest, APartComposedAloneEqualsThatPartOfAWholeFrame)
{
    PaintMainCoded();
    std::string unused;
    FakeLayer layer("a", &unused);
    layer.drawsLine = true;
    disp->SetAnnotationLayer(&layer);
    // The view reaches 100 pixels left of the buffer and 50 above it.
    disp->SetOrigin(-Cx() - 100, -Cy() - 50);
    disp->DrawContents();
    const std::vector<uint32_t> whole = ReadPixels(disp->ViewBuffer().GetMemoryDC(), 800, 600);

    const uint32_t kMark = 0x123456;
    WritePixels(disp->ViewBuffer().GetMemoryDC(), std::vector<uint32_t>(800 * 600, kMark), 800, 600);
    const RECT area{60, 30, 470, 310};
    disp->DrawContents(area);
    const std::vector<uint32_t> part = ReadPixels(disp->ViewBuffer().GetMemoryDC(), 800, 600);
    long wrong = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
            wrong += part[(size_t)y * 800 + x] != (inside ? whole[(size_t)y * 800 + x] : kMark);
        }
    EXPECT_EQ(0, wrong);
    disp->SetAnnotationLayer(nullptr);
}

TEST_F(DisplayTest, DecodedPixelsLandInTheTileBufferClippedOrStretched)
{
    PaintMainCoded();
    const int W = 3 * Cx();
    // One screen in, as the view's rectangles say.
    std::vector<uint32_t> block(16 * 8);
    for (size_t i = 0; i < block.size(); ++i) block[i] = 0x100000 + (uint32_t)i;
    disp->PutPixels(block.data(), 16, 8, RECT{200, 100, 216, 108});
    std::vector<uint32_t> px = MainPixels();
    EXPECT_EQ(0x100000u, px[(size_t)(Cy() + 100) * W + Cx() + 200] & 0xFFFFFF);
    EXPECT_EQ(0x100000u + 127, px[(size_t)(Cy() + 107) * W + Cx() + 215] & 0xFFFFFF);
    EXPECT_EQ(Code(Cx() + 216, Cy() + 100), px[(size_t)(Cy() + 100) * W + Cx() + 216]);
    // Half outside the buffer's left edge: only the inside half is written.
    disp->PutPixels(block.data(), 16, 8, RECT{-Cx() - 8, 0, -Cx() + 8, 8});
    px = MainPixels();
    EXPECT_EQ(0x100008u, px[(size_t)Cy() * W] & 0xFFFFFF);
    EXPECT_EQ(Code(8, Cy()), px[(size_t)Cy() * W + 8]);
    // Another size than its rectangle: stretched over it.
    const std::vector<uint32_t> two(4, 0x445566);
    disp->PutPixels(two.data(), 2, 2, RECT{300, 300, 310, 310});
    px = MainPixels();
    for (int y = 300; y < 310; ++y)
        for (int x = 300; x < 310; ++x) ASSERT_EQ(0x445566u, px[(size_t)(Cy() + y) * W + Cx() + x] & 0xFFFFFF);
    EXPECT_EQ(Code(Cx() + 310, Cy() + 305), px[(size_t)(Cy() + 305) * W + Cx() + 310]);
}

TEST_F(DisplayTest, ARegionArrivingDuringADragRepaintsWhereItShows)
{
    testing_support::PumpFor(50);
    disp->ValidateRect(nullptr);
    disp->SetOrigin(30, 20);  // the drag so far
    disp->InvalidateView(RECT{100, 100, 200, 200});
    RECT update{};
    ASSERT_TRUE(::GetUpdateRect(disp->m_hWnd, &update, FALSE));
    EXPECT_EQ(70, update.left);
    EXPECT_EQ(80, update.top);
    EXPECT_EQ(170, update.right);
    EXPECT_EQ(180, update.bottom);
}
