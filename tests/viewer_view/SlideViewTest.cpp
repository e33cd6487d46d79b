// The slide view against a scripted server: opening, header checks, the
// regions it asks for as it opens, pans, zooms and prefetches, and what it
// does with the replies, and the eyepiece mask kept over the slide.
#include "../viewer_objects/HostileMarks.h"
#include "Dib.h"
#include "ImageDispWnd.h"
#include "InfoWnd.h"
#include "MainFrame.h"
#include "MediaHotSpot.h"
#include "MeasureResultDlg.h"
#include "Navigator.h"
#include "SlideView.h"
#include "TestPeer.h"
#include "TestSupport.h"
#include "ViewerMessages.h"
#include "resource.h"

#include "annotation/ObjectFiles.h"
#include "slidelink/SlideLink.h"
#include "viewer/SlideGeometry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

namespace link = zelvo::slidelink;

namespace {

const char kServer[] = "127.0.0.2";  // its own loopback address: the real server's tests use 127.0.0.1:3030

int Cx() { return ::GetSystemMetrics(SM_CXSCREEN); }
int Cy() { return ::GetSystemMetrics(SM_CYSCREEN); }

// A JPEG of one colour.
std::vector<uint8_t> SolidJpeg(int width, int height, COLORREF colour)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = (JDIMENSION)width;
    c.image_height = (JDIMENSION)height;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row((size_t)width * 3);
    for (int x = 0; x < width; ++x) {
        row[(size_t)x * 3] = GetRValue(colour);
        row[(size_t)x * 3 + 1] = GetGValue(colour);
        row[(size_t)x * 3 + 2] = GetBValue(colour);
    }
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> bytes(out, out + size);
    jpeg_destroy_compress(&c);
    free(out);
    return bytes;
}

link::SlideHeader SlideHeader(const char* signature = "ZELVO DIGITAL SLICE", int tile = 256)
{
    link::SlideHeader h;
    h.signature = signature;
    h.xPixelsPerMetre = 4000000;
    h.yPixelsPerMetre = 4000000;
    h.tileWidth = tile;
    h.tileHeight = tile;
    h.tileColumns = 40;
    h.tileRows = 30;
    return h;
}

const int kFactor = 32;  // 10240 x 7680 pixels, thumbnail 320 x 240

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Overlap(const RECT& a, const RECT& b)
{
    RECT x;
    return ::IntersectRect(&x, &a, &b) != FALSE;
}

int64_t Area(const RECT& r) { return (int64_t)(r.right - r.left) * (r.bottom - r.top); }

class SlideViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fw::SetTimerScale(0.2);
        peer.reset(new CTestPeer(kServer, SLIDE_LINK_PORT));
        ASSERT_EQ(SLIDE_LINK_PORT, peer->Port());
        frame = new CMainFrame;
        frame->SetSlideView(&view);
        ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE));
        testing_support::PumpFor(50);
    }
    void TearDown() override
    {
        if (frame && ::IsWindow(frame->m_hWnd)) frame->DestroyWindow();
        testing_support::PumpFor(20);
        fw::SetTimerScale(1.0);
    }

    // Frames the viewer sent from index `from` on.
    // Frames the viewer sent from index `from` on, keep-alives left out.
    std::vector<link::Request> Requests(size_t from = 0)
    {
        std::vector<link::Request> out;
        const auto frames = peer->Frames();
        for (size_t i = from; i < frames.size(); ++i) {
            link::Request r;
            if (link::ParseRequest(frames[i].body.data(), frames[i].body.size(), r) == link::ParseResult::kOk &&
                r.code != link::kKeepAlive)
                out.push_back(r);
        }
        return out;
    }
    size_t FrameCount() { return peer->Frames().size(); }
    std::vector<RECT> Regions(size_t from, uint32_t code)
    {
        std::vector<RECT> out;
        for (const auto& r : Requests(from))
            if (r.code == code) out.push_back(RECT{r.rect.left, r.rect.top, r.rect.right, r.rect.bottom});
        return out;
    }
    // Region requests inside the screen area at the view origin: what a move
    // asks for. The prefetch rings, whose timer may run meanwhile, lie outside it.
    std::vector<RECT> ScreenRegions(size_t from)
    {
        std::vector<RECT> out;
        const RECT screen = ScreenArea();
        for (const RECT& r : Regions(from, link::kTileRequest))
            if (Inside(r, screen)) out.push_back(r);
        return out;
    }
    void WaitForScreenRegions(size_t from)
    {
        ASSERT_TRUE(testing_support::PumpUntil([&] { return !ScreenRegions(from).empty(); }))
            << "no region asked for in the screen area";
        testing_support::PumpFor(20);  // the rest of the same move
    }
    void WaitForCode(uint32_t code, size_t from = 0)
    {
        ASSERT_TRUE(testing_support::PumpUntil([&] {
            for (const auto& r : Requests(from))
                if (r.code == code) return true;
            return false;
        })) << "no request " << code;
    }
    // Hands the view one media piece of a file: the count as on the wire and
    // the bytes [at, at + n) of data.
    void GiveMedia(const std::string& path, int16_t count, const std::vector<uint8_t>& data, size_t at = 0,
                   size_t n = 0)
    {
        link::MediaReply reply;
        reply.path = path;
        reply.count = count;
        reply.data = data.data() + at;
        reply.dataLength = n;
        view.OnMediaData(reply);
    }
    void SendBody(const std::vector<uint8_t>& body)
    {
        uint8_t len[4];
        for (int i = 0; i < 4; ++i) len[i] = (uint8_t)(body.size() >> (8 * i));
        peer->SendRaw(len, 4);
        peer->SendRaw(body.data(), body.size());
    }
    void SendHeader(const link::SlideHeader& h, int factor = kFactor)
    {
        const auto thumb = SolidJpeg(320, 240, RGB(200, 200, 200));
        SendBody(link::SlideHeaderReplyBody(factor, h, "Verdaline", "0.25um", "40x30", thumb.data(), thumb.size()));
    }
    void SendRegion(uint32_t code, const RECT& r, COLORREF colour)
    {
        const auto jpeg = SolidJpeg(r.right - r.left, r.bottom - r.top, colour);
        SendBody(link::TileReplyBody(code, link::TileRect{r.left, r.top, r.right, r.bottom}, jpeg.data(), jpeg.size()));
    }

    // Connects, opens and answers the header; returns the frame index after it.
    size_t OpenSlide(const char* path = "D:\\Slides\\liver.tif")
    {
        const size_t before = FrameCount();
        frame->OpenSlide(path, kServer, nullptr);
        EXPECT_TRUE(testing_support::PumpUntil([&] {
            for (const auto& r : Requests(before))
                if (r.code == link::kOpenSlide) return true;
            return false;
        }));
        const size_t after = FrameCount();
        SendHeader(SlideHeader());
        EXPECT_TRUE(testing_support::PumpUntil([&] {
            for (const auto& r : Requests(after))
                if (r.code == link::kGetUserMarks) return true;
            return false;
        }));
        return after;
    }
    // Answers every region request from `from` on with one colour; returns what was sent.
    std::vector<RECT> AnswerRegions(size_t from, COLORREF colour)
    {
        std::vector<RECT> sent;
        for (const auto& r : Requests(from)) {
            if (r.code != link::kTileRequest && r.code != link::kTilePrefetch) continue;
            sent.push_back(RECT{r.rect.left, r.rect.top, r.rect.right, r.rect.bottom});
            SendRegion(r.code == link::kTileRequest ? link::kTileRequest : link::kTilePrefetchReply, sent.back(),
                       colour);
        }
        return sent;
    }
    // Until the view has recorded every one of the regions as received.
    void WaitForReceived(const std::vector<RECT>& regions)
    {
        auto covered = [&] {
            for (const RECT& r : regions)
                if (!zelvo::view::SubtractReceivedRects(view.Received(), 0, {r.left, r.top, r.right, r.bottom}).empty())
                    return false;
            return true;
        };
        ASSERT_TRUE(testing_support::PumpUntil(covered)) << view.Received().size() << " received";
    }
    // The screen area at the view origin, in display pixels.
    RECT ScreenArea() const
    {
        return RECT{view.Origin().x, view.Origin().y, view.Origin().x + Cx(), view.Origin().y + Cy()};
    }
    RECT ImageArea() const
    {
        return RECT{0, 0, view.Display()->DisplayWidth(), view.Display()->DisplayHeight()};
    }
    // Drags the display by (dx, dy) as the mouse does, then lets the view catch up.
    void Pan(int dx, int dy)
    {
        CImageDispWnd* d = view.Display();
        RECT v = d->ViewRect();
        d->SetSourceRect(v.left + dx, v.top + dy, v.right + dx, v.bottom + dy, dx, dy);
        view.PostMessage(WM_VIEW_MOVED, 0, 0);
        testing_support::PumpFor(30);
    }
    // Pixel of the display's tile buffer at an image point.
    COLORREF MainPixel(int x, int y)
    {
        return ::GetPixel(view.Display()->MainBuffer().GetMemoryDC(), Cx() + x - view.Origin().x, Cy() + y - view.Origin().y);
    }
    // Zooms in to about full resolution and answers the new screen; returns the frame index after it.
    size_t ZoomToFullResolution()
    {
        const size_t before = FrameCount();
        view.SetMagnification(1000.0, 1);
        // This zoom's own prefetch would only blur what the tests look at.
        view.CancelPrefetch();
        WaitForCode(link::kTileRequest, before);
        WaitForReceived(AnswerRegions(before, RGB(0, 0, 255)));
        return FrameCount();
    }

    std::unique_ptr<CTestPeer> peer;
    testing_support::MessageBoxRecorder boxes;
    CSlideView view;
    CMainFrame* frame = nullptr;
};

bool SameColour(COLORREF a, COLORREF b)
{
    auto close = [](int p, int q) { return p - q <= 6 && q - p <= 6; };
    return close(GetRValue(a), GetRValue(b)) && close(GetGValue(a), GetGValue(b)) && close(GetBValue(a), GetBValue(b));
}

} // namespace

TEST_F(SlideViewTest, OpeningFitsTheSlideAndAsksForOneScreen)
{
    const size_t after = OpenSlide();
    WaitForCode(link::kGetUserMarks, after);

    // The whole slide fits the view: one side fills it, neither is larger.
    RECT client;
    view.GetClientRect(&client);
    const int w = view.Display()->DisplayWidth(), h = view.Display()->DisplayHeight();
    EXPECT_LE(w, client.right + 1);
    EXPECT_LE(h, client.bottom + 1);
    EXPECT_TRUE(std::abs(w - client.right) <= 1 || std::abs(h - client.bottom) <= 1) << w << "x" << h;
    EXPECT_GT(view.Magnification(), 0.0);

    // One request for the screen area, clipped to the image, at the display's scale; then the marks.
    const auto requests = Requests(after);
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(link::kTileRequest, requests[0].code);
    RECT expected;
    const RECT screen = ScreenArea(), image = ImageArea();
    ::IntersectRect(&expected, &screen, &image);
    EXPECT_EQ(expected.left, requests[0].rect.left);
    EXPECT_EQ(expected.top, requests[0].rect.top);
    EXPECT_EQ(expected.right, requests[0].rect.right);
    EXPECT_EQ(expected.bottom, requests[0].rect.bottom);
    EXPECT_DOUBLE_EQ(view.Display()->ScaleX(), requests[0].scaleX);
    EXPECT_DOUBLE_EQ(view.Display()->ScaleY(), requests[0].scaleY);
    EXPECT_EQ(link::kGetMarks, requests[1].code);
    EXPECT_EQ(link::kGetUserMarks, requests[2].code);

    // Title and information text name the slide.
    CString title;
    frame->GetWindowText(title);
    EXPECT_NE(-1, title.Find("Verdaline -- liver -- 图像矩阵:(40x30) -- 0.25um")) << (LPCSTR)title;
    EXPECT_NE(-1, view.InfoWindow()->m_leftText.Find("图像大小：10240x7680像素"));
    EXPECT_NE(-1, view.InfoWindow()->m_leftText.Find("样本尺寸：2.560x1.920mm"));

    // Loading until the region comes; then the region's pixels are in the tile buffer.
    EXPECT_EQ(1, view.Display()->Loading());
    SendRegion(link::kTileRequest, expected, RGB(255, 0, 0));
    WaitForReceived({expected});
    EXPECT_EQ(0, view.Display()->Loading());
    EXPECT_TRUE(SameColour(RGB(255, 0, 0), MainPixel((expected.left + expected.right) / 2, expected.top + 3)));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SlideViewTest, UnusableHeadersAreRefusedAndLeaveTheOpenSlide)
{
    const size_t after = OpenSlide();
    WaitForCode(link::kGetUserMarks, after);
    CString title;
    frame->GetWindowText(title);
    const double magnification = view.Magnification();
    const int displayWidth = view.Display()->DisplayWidth();

    const link::SlideHeader bad[] = {SlideHeader("ZELVO DIGITAL SLICES"), SlideHeader("ZELVO DIGITAL SLICE", 0),
                                     SlideHeader("", 256)};
    for (const auto& h : bad) {
        const size_t before = FrameCount();
        const size_t shown = boxes.boxes.size();
        SendHeader(h);
        ASSERT_TRUE(testing_support::PumpUntil([&] { return boxes.boxes.size() > shown; }));
        EXPECT_EQ("数据不可读！", boxes.boxes.back().text);
        testing_support::PumpFor(50);
        EXPECT_TRUE(Requests(before).empty()) << "a refused header asked for something";
    }
    // A zero thumbnail factor would divide every frame computation.
    {
        const size_t shown = boxes.boxes.size();
        SendHeader(SlideHeader(), 0);
        ASSERT_TRUE(testing_support::PumpUntil([&] { return boxes.boxes.size() > shown; }));
    }
    CString now;
    frame->GetWindowText(now);
    EXPECT_EQ(title, now);
    EXPECT_EQ(magnification, view.Magnification());
    EXPECT_EQ(displayWidth, view.Display()->DisplayWidth());
    EXPECT_EQ(256, view.Header().tileWidth);
}

TEST_F(SlideViewTest, APictureAsksForMarksButNoRegions)
{
    frame->OpenSlide("D:\\Slides\\photo.jpg", kServer, nullptr);
    WaitForCode(link::kOpenSlide);
    const size_t after = FrameCount();
    CString title;
    frame->GetWindowText(title);
    SendHeader(SlideHeader("jpg"));
    WaitForCode(link::kGetUserMarks, after);
    testing_support::PumpFor(50);
    EXPECT_TRUE(Regions(after, link::kTileRequest).empty());
    EXPECT_FALSE(view.IsSlideOpen());
    CString now;
    frame->GetWindowText(now);
    EXPECT_EQ(title, now);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SlideViewTest, PansAskOnlyForWhatIsMissing)
{
    const size_t opened = OpenSlide();
    WaitForCode(link::kTileRequest, opened);
    size_t from = ZoomToFullResolution();
    ASSERT_GT(view.Display()->DisplayWidth(), 5 * Cx());

    // Below two screens: exactly the uncovered strip.
    const int dx = Cx() / 2;
    const RECT before = ScreenArea();
    Pan(dx, 0);
    WaitForScreenRegions(from);
    auto strip = ScreenRegions(from);
    ASSERT_EQ(1u, strip.size());
    EXPECT_EQ(before.right, strip[0].left);
    EXPECT_EQ(before.right + dx, strip[0].right);
    EXPECT_EQ(before.top, strip[0].top);
    EXPECT_EQ(before.bottom, strip[0].bottom);
    {
        const auto sent = Requests(from);
        const auto cancel = std::find_if(sent.begin(), sent.end(), [](const link::Request& r) { return r.code == link::kCancel; });
        const auto request = std::find_if(sent.begin(), sent.end(), [&](const link::Request& r) {
            return r.code == link::kTileRequest && r.rect.left == strip[0].left && r.rect.top == strip[0].top;
        });
        EXPECT_TRUE(cancel < request) << "a move cancels the queued work first";
    }
    WaitForReceived(AnswerRegions(from, RGB(0, 255, 0)));

    // Back over received ground: nothing at all.
    from = FrameCount();
    Pan(-dx, 0);
    testing_support::PumpFor(50);
    EXPECT_TRUE(ScreenRegions(from).empty());

    // Two screens or more: the received list goes and the whole screen is asked again.
    from = FrameCount();
    Pan(0, 2 * Cy());
    WaitForScreenRegions(from);
    const auto whole = ScreenRegions(from);
    ASSERT_EQ(1u, whole.size());
    const RECT screen = ScreenArea();
    EXPECT_EQ(screen.left, whole[0].left);
    EXPECT_EQ(screen.top, whole[0].top);
    EXPECT_EQ(screen.right, whole[0].right);
    EXPECT_EQ(screen.bottom, whole[0].bottom);
    EXPECT_TRUE(view.Received().empty());
}

// A move the clamp holds in place (an object centred at the edge, the frame
// re-centred on itself) still cancels: what the server owed for the place is
// asked for again, here the first screen of a slide just opened.
TEST_F(SlideViewTest, AMoveThatMovesNothingAsksAgainForWhatItCancelled)
{
    const size_t opened = OpenSlide();
    ASSERT_NO_FATAL_FAILURE(WaitForCode(link::kTileRequest, opened));
    const RECT first = Regions(opened, link::kTileRequest).front();
    const size_t from = FrameCount();
    view.PostMessage(WM_VIEW_MOVED, 0, 0);
    ASSERT_NO_FATAL_FAILURE(WaitForCode(link::kTileRequest, from));
    const auto sent = Requests(from);
    ASSERT_EQ(link::kCancel, sent.front().code);
    const RECT again = Regions(from, link::kTileRequest).front();
    EXPECT_TRUE(EqualRect(&first, &again));

    SendRegion(link::kTileRequest, again, RGB(255, 0, 0));
    WaitForReceived({again});
    EXPECT_EQ(0, view.Display()->Loading());
}

TEST_F(SlideViewTest, PrefetchFollowsAMoveWithTwoRings)
{
    const size_t opened = OpenSlide();
    WaitForCode(link::kTileRequest, opened);
    const size_t from = ZoomToFullResolution();
    // The prefetch comes on the timer after the last move: the pan's own
    // request lies in the screen area, the rings outside it.
    Pan(Cx() / 4, 0);
    WaitForCode(link::kTilePrefetch, from);
    testing_support::PumpFor(100);
    const RECT s = ScreenArea();
    std::vector<RECT> inner, outer;
    std::vector<uint32_t> order;
    for (const auto& r : Requests(from)) {
        const RECT rect{r.rect.left, r.rect.top, r.rect.right, r.rect.bottom};
        if (r.code == link::kTileRequest && !Inside(rect, s)) inner.push_back(rect);
        else if (r.code == link::kTilePrefetch) outer.push_back(rect);
        else continue;
        order.push_back(r.code);
    }
    ASSERT_FALSE(inner.empty());
    ASSERT_FALSE(outer.empty());
    // The inner ring comes first, then the outer.
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << "outer ring asked for before the inner one";
    const int cx = Cx(), cy = Cy();
    // Each ring is asked for part by part: inner left, right, top, bottom;
    // outer top, bottom, left, right.
    auto shifted = [&](int l, int t, int r, int b) { return RECT{s.left + l, s.top + t, s.left + r, s.top + b}; };
    const RECT innerParts[] = {shifted(-cx / 2, 0, 0, cy), shifted(cx, 0, cx * 3 / 2, cy),
                               shifted(-cx / 2, -cy / 2, cx * 3 / 2, 0), shifted(-cx / 2, cy, cx * 3 / 2, cy * 3 / 2)};
    const RECT outerParts[] = {shifted(-cx, -cy, 2 * cx, -cy / 2), shifted(-cx, cy * 3 / 2, 2 * cx, 2 * cy),
                               shifted(-cx, -cy / 2, -cx / 2, cy * 3 / 2), shifted(cx * 3 / 2, -cy / 2, 2 * cx, cy * 3 / 2)};
    auto partOf = [](const RECT& r, const RECT (&parts)[4]) {
        for (int k = 0; k < 4; ++k)
            if (Inside(r, parts[k])) return k;
        return -1;
    };
    int last = 0;
    for (const RECT& r : inner) {
        const int part = partOf(r, innerParts);
        EXPECT_GE(part, last) << "inner ring out of order";
        last = part;
    }
    last = 0;
    for (const RECT& r : outer) {
        const int part = partOf(r, outerParts);
        EXPECT_GE(part, last) << "outer ring out of order";
        last = part;
    }
    EXPECT_EQ(0, partOf(inner.front(), innerParts));
    EXPECT_EQ(0, partOf(outer.front(), outerParts));

    // The pieces avoid what is received and cover the rings exactly: with the
    // view well inside the image, areas of 3 and 5 screens less what the
    // earlier screen left received in the inner ring.
    int64_t innerArea = 0, outerArea = 0;
    const RECT innerBox{s.left - cx / 2, s.top - cy / 2, s.left + cx * 3 / 2, s.top + cy * 3 / 2};
    const RECT outerBox{s.left - cx, s.top - cy, s.left + 2 * cx, s.top + 2 * cy};
    for (const RECT& r : inner) {
        EXPECT_TRUE(Inside(r, innerBox));
        for (const auto& got : view.Received()) {
            const RECT g{got.left, got.top, got.right, got.bottom};
            const bool askedNow =
                std::find_if(inner.begin(), inner.end(), [&](const RECT& q) { return EqualRect(&q, &g); }) != inner.end();
            if (!askedNow) {
                EXPECT_FALSE(Overlap(r, g)) << "asked again for a received region";
            }
        }
        innerArea += Area(r);
    }
    for (const RECT& r : outer) {
        EXPECT_TRUE(Inside(r, outerBox));
        EXPECT_FALSE(Overlap(r, innerBox));
        outerArea += Area(r);
    }
    EXPECT_EQ(5LL * cx * cy, outerArea);
    // The earlier screen lay a quarter screen to the left: that much of the left ring is received.
    EXPECT_EQ(3LL * cx * cy - (int64_t)(cx / 4) * cy, innerArea);
}

TEST_F(SlideViewTest, ARegionFromBeforeAZoomIsNotDrawn)
{
    const size_t opened = OpenSlide();
    WaitForCode(link::kTileRequest, opened);
    const RECT old = Regions(opened, link::kTileRequest).front();

    const size_t before = FrameCount();
    view.SetMagnification(view.Magnification() * 3, 1);
    // The zoom's prefetch rings could take in the old rectangle's numbers.
    view.CancelPrefetch();
    WaitForCode(link::kTileRequest, before);
    EXPECT_EQ(link::kCancel, Requests(before).front().code);
    const RECT fresh = Regions(before, link::kTileRequest).front();
    ASSERT_FALSE(Inside(RECT{old.left, old.top, old.left + 64, old.top + 64}, fresh));

    // The late reply to the old request, then a short one, then the real one.
    SendRegion(link::kTileRequest, RECT{old.left, old.top, old.left + 64, old.top + 64}, RGB(255, 0, 255));
    SendBody(std::vector<uint8_t>{0x17, 0x05, 0, 0, 1, 2, 3});
    SendRegion(link::kTileRequest, fresh, RGB(0, 128, 0));
    WaitForReceived({fresh});
    testing_support::PumpFor(50);
    ASSERT_EQ(1u, view.Received().size());
    EXPECT_EQ(fresh.left, view.Received()[0].left);
    EXPECT_EQ(fresh.right, view.Received()[0].right);
    EXPECT_TRUE(SameColour(RGB(0, 128, 0), MainPixel(fresh.left + 2, fresh.top + 2)));
}

TEST_F(SlideViewTest, RegionsThatArriveDuringAZoomAreDropped)
{
    const size_t opened = OpenSlide();
    WaitForCode(link::kTileRequest, opened);
    const RECT old = Regions(opened, link::kTileRequest).front();

    // The old screen's regions are on their way when the user zooms: in the
    // socket, not yet handed to the view.
    const int w = old.right - old.left, h = old.bottom - old.top;
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j)
            SendRegion(link::kTileRequest,
                       RECT{old.left + w * i / 8, old.top + h * j / 8, old.left + w * (i + 1) / 8,
                            old.top + h * (j + 1) / 8},
                       RGB(255, 0, 255));
    ::Sleep(200);
    const size_t before = FrameCount();
    view.SetMagnification(view.Magnification() * 2, 1);
    testing_support::PumpFor(100);
    EXPECT_TRUE(view.Received().empty()) << view.Received().size() << " regions of the old magnification kept";

    const RECT fresh = Regions(before, link::kTileRequest).front();
    SendRegion(link::kTileRequest, fresh, RGB(0, 128, 0));
    WaitForReceived({fresh});
    EXPECT_EQ(1u, view.Received().size());
    for (int i = 1; i < 8; ++i)
        EXPECT_TRUE(SameColour(RGB(0, 128, 0), MainPixel(fresh.left + (fresh.right - fresh.left) * i / 8,
                                                          fresh.top + (fresh.bottom - fresh.top) / 2)));
}

TEST_F(SlideViewTest, OverviewAndDisplayMoveTogether)
{
    const size_t opened = OpenSlide();
    WaitForCode(link::kTileRequest, opened);
    size_t from = ZoomToFullResolution();
    // No prefetch in between: the ring it asks for around the view would hold
    // the ground that the overview's drag below exposes, which is then rightly
    // not asked for again.
    fw::SetTimerScale(20.0);
    CImageDispWnd* display = view.Display();
    CNavigationFrame* nav = view.NavigationFrame();
    ASSERT_NE(nullptr, nav);
    // Thumbnail pixels per display pixel.
    const double k = 1.0 / (kFactor * display->ScaleX());

    // A drag in the display moves the overview's frame along.
    const RECT f0 = nav->m_rect;
    const RECT v0 = display->ViewRect();
    const int dx = 300;
    display->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(600, 400));
    display->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(600 - dx, 400));
    display->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(600 - dx, 400));
    testing_support::PumpFor(50);
    EXPECT_EQ(v0.left + dx, display->ViewRect().left);
    EXPECT_NEAR(f0.left + dx * k, nav->m_rect.left, 1.0);
    EXPECT_EQ(f0.top, nav->m_rect.top);
    EXPECT_EQ(f0.right - f0.left, nav->m_rect.right - nav->m_rect.left);
    WaitForCode(link::kTileRequest, from);
    const auto answered = AnswerRegions(from, RGB(0, 255, 0));

    // A drag of the overview's frame moves the display, which then asks for the new ground.
    WaitForReceived(answered);
    const auto received = view.Received();
    from = FrameCount();
    const RECT f1 = nav->m_rect;
    const RECT v1 = display->ViewRect();
    CNavigatorDlg* overview = view.Navigator();
    const int px = (int)((f1.left + f1.right) / 2 * overview->m_scaleX);
    const int py = (int)((f1.top + f1.bottom) / 2 * overview->m_scaleY);
    const int step = 6;  // overview pixels downwards
    ::SendMessage(overview->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(px, py));
    ::SendMessage(overview->Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(px, py + step));
    ::SendMessage(overview->Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(px, py + step));
    testing_support::PumpFor(50);
    const int frameMoved = nav->m_rect.top - f1.top;
    ASSERT_GT(frameMoved, 0);
    // The frame is kept in whole thumbnail pixels, so the display lands on
    // that grid: within one thumbnail pixel of where it was across.
    EXPECT_NEAR(v1.top + frameMoved / k, display->ViewRect().top, 1.0 / k);
    EXPECT_NEAR(v1.left, display->ViewRect().left, 1.0 / k);
    WaitForCode(link::kTileRequest, from);
    const auto moved = ScreenRegions(from);
    EXPECT_FALSE(moved.empty());
    for (const RECT& r : moved) {
        for (const auto& got : received)
            EXPECT_FALSE(Overlap(r, RECT{got.left, got.top, got.right, got.bottom})) << "asked again for received ground";
    }
}

TEST_F(SlideViewTest, MagnificationBeforeASlideWaitsAndZeroOpensFitted)
{
    // Nothing open: nothing is asked for or scaled.
    EXPECT_EQ(1, view.SetMagnification(600.0, 1));
    EXPECT_EQ(0, view.SetMagnification(0.0, 0));
    testing_support::PumpFor(20);
    EXPECT_EQ(0u, FrameCount());

    const size_t opened = OpenSlide();
    WaitForCode(link::kTileRequest, opened);
    const double fitted = view.Magnification();
    view.SetMagnification(fitted * 4, 1);
    EXPECT_NEAR(fitted * 4, view.Magnification(), 1e-9);

    // As the catalogue's open request does: magnification 0 kept, the next slide opens fitted.
    view.SetMagnification(0.0, 0);
    const size_t again = FrameCount();
    view.OpenSlidePath("D:\\Slides\\kidney.tif");
    WaitForCode(link::kOpenSlide, again);
    SendHeader(SlideHeader());
    ASSERT_TRUE(testing_support::PumpUntil([&] { return std::abs(view.Magnification() - fitted) < 1e-9; }));
}

TEST_F(SlideViewTest, FrameWithDisplayAndOverview)
{
    const size_t opened = OpenSlide();
    WaitForCode(link::kTileRequest, opened);
    WaitForReceived(AnswerRegions(opened, RGB(230, 170, 200)));
    ASSERT_NE(nullptr, view.Navigator());
    EXPECT_TRUE(::IsWindowVisible(view.Navigator()->Hwnd()));
    EXPECT_TRUE(::IsWindowVisible(view.Display()->m_hWnd));
    // The overview is not hidden behind the frame.
    RECT nav;
    ::GetWindowRect(view.Navigator()->Hwnd(), &nav);
    POINT centre{(nav.left + nav.right) / 2, (nav.top + nav.bottom) / 2};
    // Windows of other test programs on the shared display may lie over both
    // for a moment: what counts is which of ours is on top.
    HWND top = nullptr;
    for (int attempt = 0; attempt < 20; ++attempt) {
        top = ::GetAncestor(::WindowFromPoint(centre), GA_ROOT);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(top, &pid);
        if (pid == ::GetCurrentProcessId()) break;
        testing_support::PumpFor(250);
    }
    EXPECT_EQ(view.Navigator()->Hwnd(), top);
    testing_support::PumpFor(300);
    EXPECT_FALSE(testing_support::SaveScreenshot(nullptr, "viewer_slide_view.bmp").empty());
}

TEST_F(SlideViewTest, PublishedMarksGoToTheDisplayAndMeasuringOpensFromTheMenu)
{
    OpenSlide();
    zelvo::ByteWriter marks;
    zelvo::annotation::NoteRecord note;
    note.attributes.SetInt(zelvo::annotation::AttributeBlock::kAnchor, 500);
    note.text = "published";
    zelvo::annotation::WriteAnnotationHeader(marks, "", 1);
    zelvo::annotation::WriteObject(marks, DRAW_NOTE_MARK, note);
    SendBody(link::MarksReplyBody(link::kGetMarks, marks.data().data(), marks.size()));
    ASSERT_TRUE(testing_support::PumpUntil([&] { return view.Display()->Annotations().GetCount() == 1; }));
    EXPECT_EQ(view.Display()->Annotations().GetObjectAt(0)->GetCenter().x, 500);

    frame->SendMessage(WM_COMMAND, ID_MEASURE_MANUAL, 0);
    ASSERT_NE(view.MeasureDialog(), nullptr);
    EXPECT_EQ(view.Display()->MeasureLayer(), &view.MeasureDialog()->Layer());
    frame->SendMessage(WM_COMMAND, ID_MEASURE_MANUAL, 0);
    EXPECT_EQ(view.MeasureDialog(), nullptr);
    EXPECT_EQ(view.Display()->MeasureLayer(), nullptr);
}

TEST_F(SlideViewTest, PublishedMarksWithACoordinateOfTheIntRangeKeepWhatCameBeforeAndSayItOnce)
{
    OpenSlide();
    for (int32_t type : objects_test::kHostileTypes) {
        const size_t shown = boxes.boxes.size();
        const std::vector<uint8_t> marks = objects_test::HostileMarks(type);
        SendBody(link::MarksReplyBody(link::kGetMarks, marks.data(), marks.size()));
        ASSERT_TRUE(testing_support::PumpUntil([&] { return boxes.boxes.size() > shown; })) << type;
        testing_support::PumpFor(30);
        ASSERT_EQ(boxes.boxes.size(), shown + 1) << type;
        EXPECT_EQ(boxes.boxes.back().text, "文件已损坏或含有本程序不认识的对象，只读入了其前面的 3 个对象。");
        CAnnotationLayer& layer = view.Display()->Annotations();
        ASSERT_EQ(layer.GetCount(), 3) << type;
        EXPECT_EQ(layer.GetObjectAt(0)->GetCenter().x, 500);
        EXPECT_EQ(layer.GetObjectAt(2)->GetType(), DRAW_FREEHAND);
    }
}

namespace {

std::vector<uint8_t> FileBytes(const std::string& path) { return testing_support::ReadFileBytes(path); }

} // namespace

TEST_F(SlideViewTest, MediaDownloadsResumeWhereThePartialFileEndsAndTakeOnlyWhatWasAskedFor)
{
    OpenSlide();
    const std::string folder = CMediaDownloads::Folder().GetString();
    const std::vector<uint8_t> picture = SolidJpeg(300, 200, RGB(10, 200, 30));
    ASSERT_GT(picture.size(), 600u);
    const size_t piece = picture.size() / 5 + 1;
    // Where the download breaks: before any piece, after one, before the last.
    for (size_t breakAfter : {size_t(0), size_t(1), size_t(4)}) {
        const std::string name = "resume" + std::to_string(breakAfter);
        const std::string wire = "X:\\media\\" + name + ".jpg";
        // A longer name that ends in this one must not be taken for it.
        const std::string longer = "X:\\media\\big" + name + ".jpg";
        for (const std::string& n : {name, "big" + name}) {
            ::DeleteFileA((folder + n + ".jpg").c_str());
            ::DeleteFileA(CMediaDownloads::PartialPath((n + ".jpg").c_str()));
        }
        zelvo::ByteWriter marks;
        zelvo::annotation::NoteRecord note;
        note.attributes.SetInt(zelvo::annotation::AttributeBlock::kAnchor, 300);
        note.text = wire;
        zelvo::annotation::NoteRecord other = note;
        other.text = longer;
        zelvo::annotation::WriteAnnotationHeader(marks, "", 2);
        zelvo::annotation::WriteObject(marks, DRAW_IMAGE, note);
        zelvo::annotation::WriteObject(marks, DRAW_IMAGE, other);
        const size_t before = FrameCount();
        SendBody(link::MarksReplyBody(link::kGetMarks, marks.data().data(), marks.size()));
        WaitForCode(link::kMediaData, before);
        ASSERT_TRUE(testing_support::PumpUntil([&] { return Requests(before).size() >= 2; }));
        EXPECT_EQ(Requests(before)[0].path, wire);
        EXPECT_EQ(Requests(before)[0].value, 0u);
        CAnnotationLayer& layer = view.Display()->Annotations();
        ASSERT_EQ(layer.GetCount(), 2);
        auto* spot = dynamic_cast<CMediaHotSpot*>(layer.GetObjectAt(0));
        auto* big = dynamic_cast<CMediaHotSpot*>(layer.GetObjectAt(1));
        ASSERT_TRUE(spot && big);
        ASSERT_EQ(spot->m_linkState, 1);

        auto send = [&](int16_t count, size_t from = 0, size_t n = 0) { GiveMedia(wire, count, picture, from, n); };
        auto sendPieces = [&](size_t from, size_t to) {
            for (size_t at = from; at < to; at += piece) {
                const size_t n = std::min(piece, to - at);
                send((int16_t)n, at, n);
            }
        };
        const size_t held = std::min(picture.size(), breakAfter * piece);
        send(0);
        sendPieces(0, held);
        const std::string partial = CMediaDownloads::PartialPath(wire.c_str()).GetString();
        EXPECT_EQ(FileBytes(partial).size(), held);

        // Pieces nobody asked for, of unknown counts or for another file change nothing.
        link::MediaReply stray;
        stray.path = "X:\\media\\stray.jpg";
        stray.count = 10;
        stray.data = picture.data();
        stray.dataLength = 10;
        view.OnMediaData(stray);
        EXPECT_EQ(::GetFileAttributesA(CMediaDownloads::PartialPath(stray.path.c_str())), INVALID_FILE_ATTRIBUTES);
        stray.path = "X:\\media\\..";
        stray.count = -1;
        view.OnMediaData(stray);
        send(-7);
        send(-2);
        EXPECT_EQ(FileBytes(partial).size(), held);
        EXPECT_EQ(spot->m_linkState, 1);

        // The link breaks; asked again, the view says how much it holds and
        // the server goes on from there.
        const size_t again = FrameCount();
        view.RequestMediaFiles(layer);
        WaitForCode(link::kMediaData, again);
        const auto asked = Requests(again);
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(asked[0].path, wire);
        EXPECT_EQ(asked[0].value, held) << "break after " << breakAfter;
        send(0);
        sendPieces(held, picture.size());
        send(-1);

        EXPECT_EQ(FileBytes(folder + name + ".jpg"), picture) << "break after " << breakAfter;
        EXPECT_EQ(::GetFileAttributesA(partial.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(spot->m_linkState, 2);
        ASSERT_NE(spot->Picture(), nullptr);
        EXPECT_EQ(spot->Picture()->GetSize().cx, 300);
        EXPECT_EQ(big->m_linkState, 1);
        EXPECT_EQ(view.RequestedMedia().count(wire), 0u);
        // A late end piece of the finished file is not asked for any more.
        send(-1);
        EXPECT_EQ(FileBytes(folder + name + ".jpg"), picture);
        ::DeleteFileA((folder + name + ".jpg").c_str());
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

namespace {

// The window seen at a point of a window's client area and the screen's
// pixel there; false while a window of another program lies over the point
// (they share the display).
bool SeenAt(HWND wnd, POINT client, HWND& seen, COLORREF& colour)
{
    POINT p = client;
    ::ClientToScreen(wnd, &p);
    seen = ::WindowFromPoint(p);
    if (::GetAncestor(seen, GA_ROOT) != ::GetAncestor(wnd, GA_ROOT)) return false;
    HDC screen = ::GetDC(nullptr);
    colour = ::GetPixel(screen, p.x, p.y);
    ::ReleaseDC(nullptr, screen);
    return true;
}

// Published marks of one picture hot spot per server path.
std::vector<uint8_t> HotSpotMarks(const std::vector<std::string>& paths)
{
    zelvo::ByteWriter marks;
    zelvo::annotation::WriteAnnotationHeader(marks, "", (int32_t)paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        zelvo::annotation::NoteRecord note;
        note.attributes.SetInt(zelvo::annotation::AttributeBlock::kAnchor, 100 + 50 * (int)i);
        note.text = paths[i];
        zelvo::annotation::WriteObject(marks, DRAW_IMAGE, note);
    }
    return marks.data();
}

// Neither the fetched file nor a partial one of that name is there.
void ForgetMediaFile(const std::string& name)
{
    ::DeleteFileA((std::string(CMediaDownloads::Folder().GetString()) + name).c_str());
    ::DeleteFileA(CMediaDownloads::PartialPath(name.c_str()));
}

} // namespace

TEST_F(SlideViewTest, TheEyepieceSurroundStaysOnTheScreenThroughZoomsAndPans)
{
    const size_t opened = OpenSlide();
    WaitForCode(link::kTileRequest, opened);
    WaitForReceived(AnswerRegions(opened, RGB(230, 170, 200)));
    frame->SendMessage(WM_COMMAND, ID_VIEW_EYEPIECE_FIELD, 0);
    ASSERT_TRUE(view.IsEyepieceFieldOn());
    CInfoWnd* info = view.InfoWindow();
    ASSERT_TRUE(info->IsWindowVisible());

    // A point of the plain surround: right of the black ring, half way to
    // the edge, at mid height (the texts are at the top left, the scale bar
    // at the bottom).
    RECT c;
    info->GetClientRect(&c);
    const int ring = c.right / 2 + info->m_holeWidth / 2 + 24;
    const POINT at{(ring + c.right) / 2, c.bottom / 2};
    ASSERT_GT(at.x, ring + 10) << "the view is too narrow for a surround beside the hole";
    const COLORREF surround = RGB(52, 52, 52);
    // What the screen shows there once everything has painted; the frame is
    // raised should another program's window lie over it.
    auto shown = [&](const char* after) {
        HWND seen = nullptr;
        COLORREF got = CLR_INVALID;
        bool ours = false;
        for (int attempt = 0; attempt < 10 && !(ours && seen == info->m_hWnd && got == surround); ++attempt) {
            if (attempt) ::SetWindowPos(frame->m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            testing_support::PumpFor(attempt ? 300 : 100);
            ours = SeenAt(info->m_hWnd, at, seen, got);
        }
        ASSERT_TRUE(ours) << "another program's window lies over the viewer " << after;
        EXPECT_EQ(info->m_hWnd, seen) << "another window is above the eyepiece mask " << after;
        EXPECT_EQ(surround, got) << "the slide shows through the surround " << after;
    };
    shown("once turned on");

    // A change of objective: the zoom and the regions that follow.
    size_t from = FrameCount();
    frame->SendMessage(WM_COMMAND, ID_OBJECTIVE_20X, 0);
    WaitForCode(link::kTileRequest, from);
    WaitForReceived(AnswerRegions(from, RGB(227, 158, 194)));
    shown("after a zoom");

    // A drag inside the hole.
    from = FrameCount();
    CImageDispWnd* display = view.Display();
    RECT d;
    display->GetClientRect(&d);
    const int mx = d.right / 2, my = d.bottom / 2;
    display->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(mx, my));
    display->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(mx - 200, my - 100));
    display->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(mx - 200, my - 100));
    WaitForCode(link::kTileRequest, from);
    WaitForReceived(AnswerRegions(from, RGB(244, 243, 248)));
    shown("after a drag");

    // A move of the overview's navigation frame.
    from = FrameCount();
    CNavigatorDlg* overview = view.Navigator();
    const RECT f = view.NavigationFrame()->m_rect;
    const int px = (int)((f.left + f.right) / 2 * overview->m_scaleX);
    const int py = (int)((f.top + f.bottom) / 2 * overview->m_scaleY);
    ::SendMessage(overview->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(px, py));
    ::SendMessage(overview->Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(px + 4, py + 4));
    ::SendMessage(overview->Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(px + 4, py + 4));
    WaitForCode(link::kTileRequest, from);
    WaitForReceived(AnswerRegions(from, RGB(200, 120, 160)));
    shown("after the navigation frame moved");
    // The hole still shows the slide (the frame raised again should another
    // program's window lie over it).
    HWND seen = nullptr;
    COLORREF got = CLR_INVALID;
    for (int attempt = 0; attempt < 10 && !(SeenAt(info->m_hWnd, {c.right / 2, c.bottom / 2}, seen, got) &&
                                            seen == display->m_hWnd);
         ++attempt) {
        ::SetWindowPos(frame->m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        testing_support::PumpFor(300);
    }
    EXPECT_EQ(display->m_hWnd, seen);
    testing_support::SaveScreenshot(frame->m_hWnd, "viewer_eyepiece_panned.bmp");
}

// Two hot spots naming one file share one download: the file is asked for
// once, and its one answer serves both.
TEST_F(SlideViewTest, AFileNamedByTwoHotSpotsIsAskedForOnce)
{
    OpenSlide();
    for (const char* name : {"shared.jpg", "single.jpg"}) ForgetMediaFile(name);
    const size_t before = FrameCount();
    const std::vector<uint8_t> marks =
        HotSpotMarks({"X:\\media\\shared.jpg", "X:\\media\\single.jpg", "X:\\media\\SHARED.JPG"});
    SendBody(link::MarksReplyBody(link::kGetMarks, marks.data(), marks.size()));
    WaitForCode(link::kMediaData, before);
    testing_support::PumpFor(200);  // the rest of the burst
    std::vector<std::string> asked;
    for (const auto& r : Requests(before))
        if (r.code == link::kMediaData) asked.push_back(r.path);
    EXPECT_EQ(asked, (std::vector<std::string>{"X:\\media\\shared.jpg", "X:\\media\\single.jpg"}));

    const std::vector<uint8_t> picture = SolidJpeg(40, 30, RGB(200, 20, 20));
    GiveMedia("X:\\media\\shared.jpg", 0, picture);
    GiveMedia("X:\\media\\shared.jpg", (int16_t)picture.size(), picture, 0, picture.size());
    GiveMedia("X:\\media\\shared.jpg", -1, picture);
    CAnnotationLayer& layer = view.Display()->Annotations();
    ASSERT_EQ(layer.GetCount(), 3);
    EXPECT_EQ(static_cast<CTextNote*>(layer.GetObjectAt(0))->m_linkState, 2);
    EXPECT_EQ(static_cast<CTextNote*>(layer.GetObjectAt(1))->m_linkState, 1);
    EXPECT_EQ(static_cast<CTextNote*>(layer.GetObjectAt(2))->m_linkState, 2);
    for (const char* name : {"shared.jpg", "single.jpg"}) ForgetMediaFile(name);
}

// The marks are not sent again after a reconnection: once the resumed slide
// is answered, every file still pending is asked for again, once, with the
// bytes already held, and the download goes on from there.
TEST_F(SlideViewTest, AfterAResumeEveryFileStillPendingIsAskedForAgainWithTheBytesHeld)
{
    OpenSlide();
    const char* names[] = {"broken.jpg", "whole.jpg", "unstarted.jpg"};
    for (const char* name : names) ForgetMediaFile(name);
    const std::vector<uint8_t> marks = HotSpotMarks(
        {"X:\\media\\broken.jpg", "X:\\media\\whole.jpg", "X:\\media\\unstarted.jpg", "X:\\media\\broken.jpg"});
    size_t from = FrameCount();
    SendBody(link::MarksReplyBody(link::kGetMarks, marks.data(), marks.size()));
    WaitForCode(link::kMediaData, from);

    const std::vector<uint8_t> picture = SolidJpeg(300, 200, RGB(10, 200, 30));
    const size_t held = picture.size() / 2;
    auto send = [&](const char* path, int16_t count, size_t at = 0, size_t n = 0) {
        GiveMedia(path, count, picture, at, n);
    };
    // One file breaks off half way, one is complete, one has not begun.
    send("X:\\media\\broken.jpg", 0);
    send("X:\\media\\broken.jpg", (int16_t)held, 0, held);
    send("X:\\media\\whole.jpg", 0);
    send("X:\\media\\whole.jpg", (int16_t)picture.size(), 0, picture.size());
    send("X:\\media\\whole.jpg", -1);

    peer->Drop();
    ASSERT_TRUE(testing_support::PumpUntil([&] { return !view.Link()->IsConnected(); }));
    from = FrameCount();
    ASSERT_TRUE(testing_support::PumpUntil([&] {
        for (const auto& r : Requests(from))
            if (r.code == link::kResumeSlide) return true;
        return false;
    }, 10000)) << "the slide was not resumed";
    testing_support::PumpFor(100);
    for (const auto& r : Requests(from)) EXPECT_NE(r.code, link::kMediaData) << "asked before the resume's reply";

    from = FrameCount();
    SendBody(link::CodeOnlyBody(link::kResumeSlide));
    WaitForCode(link::kMediaData, from);
    testing_support::PumpFor(200);
    std::vector<std::pair<std::string, uint32_t>> asked;
    for (const auto& r : Requests(from))
        if (r.code == link::kMediaData) asked.emplace_back(r.path, r.value);
    EXPECT_EQ(asked, (std::vector<std::pair<std::string, uint32_t>>{{"X:\\media\\broken.jpg", (uint32_t)held},
                                                                   {"X:\\media\\unstarted.jpg", 0u}}));

    send("X:\\media\\broken.jpg", (int16_t)(picture.size() - held), held, picture.size() - held);
    send("X:\\media\\broken.jpg", -1);
    EXPECT_EQ(FileBytes(std::string(CMediaDownloads::Folder().GetString()) + "broken.jpg"), picture);
    CAnnotationLayer& layer = view.Display()->Annotations();
    ASSERT_EQ(layer.GetCount(), 4);
    for (int i : {0, 1, 3}) EXPECT_EQ(static_cast<CTextNote*>(layer.GetObjectAt(i))->m_linkState, 2) << i;
    EXPECT_EQ(static_cast<CTextNote*>(layer.GetObjectAt(2))->m_linkState, 1);
    for (const char* name : names) ForgetMediaFile(name);
}
