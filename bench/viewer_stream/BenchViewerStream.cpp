// Slide streaming of the viewer against a running slide server, in one run:
// time to the first complete view after opening, time for half-screen pans to
// complete, and requests and bytes per pan beside a viewer of fixed 256-pixel
// tiles that asks the same server for the same views.
//   bench_viewer_stream.exe SERVER SLIDE [MAGNIFICATION] [PANS]
// Prints one table; exits 0 whatever the figures, 2 when it cannot set up.
#include "ImageDispWnd.h"
#include "MainFrame.h"
#include "SlideView.h"
#include "BlockingSlideClient.h"
#include "TestSupport.h"
#include "ViewerMessages.h"
#include "resource.h"

#include "slidelink/SlideLink.h"
#include "viewer/SlideGeometry.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace link = zelvo::slidelink;
namespace view = zelvo::view;
using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

const double kFirstViewTargetMs = 1000.0;
const double kPanTargetMs = 150.0;
const double kBytesRatioTarget = 0.6;
const int kTile = 256;
// A request frame: length prefix plus its 44-byte body.
const uint64_t kRequestFrameBytes = 4 + link::kTileRequestBodySize;

double NowMs()
{
    static LARGE_INTEGER freq = [] { LARGE_INTEGER f; ::QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return 1000.0 * (double)t.QuadPart / (double)freq.QuadPart;
}

int ScreenCx() { return ::GetSystemMetrics(SM_CXSCREEN); }
int ScreenCy() { return ::GetSystemMetrics(SM_CYSCREEN); }

// The slide view as the viewer runs it, with counters on what comes back.
class CObservedView : public CSlideView {
public:
    void OnTileData(uint32_t code, const link::TileRect& rect, const uint8_t* jpeg, size_t length) override
    {
        CSlideView::OnTileData(code, rect, jpeg, length);
        // Whole frame on the wire: length prefix, code, rectangle, JPEG.
        const uint64_t frame = 8 + 16 + (uint64_t)length;
        if (code == link::kTileRequest) {
            ++replies;
            replyBytes += frame;
        } else {
            ++prefetchReplies;
            prefetchBytes += frame;
        }
        lastReplyAt = NowMs();
        if (watching && completeAt == 0 && ScreenComplete()) completeAt = lastReplyAt;
    }

    // The screen area at the view origin as the view asks for it: clipped to the image.
    view::Rect ScreenArea() const
    {
        const view::Rect screen{Origin().x, Origin().y, Origin().x + ScreenCx(), Origin().y + ScreenCy()};
        return view::Intersect(screen, view::Rect{0, 0, Display()->DisplayWidth(), Display()->DisplayHeight()});
    }
    bool ScreenComplete() const
    {
        if (!IsSlideOpen() || !Display()) return false;
        const view::Rect area = ScreenArea();
        return area.IsEmpty() || view::SubtractReceivedRects(Received(), 0, area).empty();
    }
    // Starts a measurement: counters to zero, completion unknown.
    void Watch()
    {
        replies = prefetchReplies = 0;
        replyBytes = prefetchBytes = 0;
        completeAt = 0;
        watching = true;
    }
    // The demand figures are taken without the 500 ms prefetch, which would
    // otherwise fill the next pan's area in advance.
    void HoldPrefetch()
    {
        CancelPrefetch();
    }

    bool watching = false;
    double completeAt = 0, lastReplyAt = 0;
    int replies = 0, prefetchReplies = 0;
    uint64_t replyBytes = 0, prefetchBytes = 0;
};

// ---------------------------------------------------------------------------
// The baseline: a plain blocking connection asking for whole 256-pixel tiles.

class TileClient {
public:
    // Bounded waits: a missing reply ends the baseline instead of hanging it.
    bool Connect(const char* host) { return m_link.Connect(host, (u_short)SLIDE_LINK_PORT, 15000); }
    bool Open(const std::string& path) { return m_link.Open(path); }
    // Asks for every tile, then takes one reply per tile; false when a reply
    // does not come.
    bool Fetch(const std::vector<view::Rect>& tiles, double sx, double sy, uint64_t& bytes)
    {
        for (const view::Rect& t : tiles) {
            const link::TileRect r{t.left, t.top, t.right, t.bottom};
            if (!m_link.SendBody(link::TileRequestBody(link::kTileRequest, r, sx, sy))) return false;
            bytes += kRequestFrameBytes;
        }
        for (size_t got = 0; got < tiles.size();) {
            std::vector<uint8_t> body;
            if (!m_link.ReadBody(body)) return false;
            bytes += 4 + body.size();
            if (CBlockingSlideClient::Code(body) == link::kTileRequest) ++got;
        }
        return true;
    }

private:
    CBlockingSlideClient m_link;
};

// The 256-pixel grid cells (column, row) that an area touches.
std::set<std::pair<int, int>> TilesOf(const view::Rect& area)
{
    std::set<std::pair<int, int>> cells;
    if (area.IsEmpty()) return cells;
    for (int row = area.top / kTile; row * kTile < area.bottom; ++row)
        for (int col = area.left / kTile; col * kTile < area.right; ++col) cells.insert({col, row});
    return cells;
}

// ---------------------------------------------------------------------------
// Reporting

struct Pan {
    double ms = 0;
    bool complete = false;
    int requests = 0, replies = 0;
    uint64_t bytes = 0;
    view::Rect before, after;
    int tiles = 0;
    uint64_t tileBytes = 0;
    double tileMs = 0;
};

double Median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void Row(const char* metric, const std::string& value, const char* target, const char* verdict)
{
    std::printf("%-44s %14s %12s  %s\n", metric, value.c_str(), target, verdict);
}

std::string Fixed(double v, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

// Requests the view sent in the last step: the tail of its request list
// beyond what was left of the earlier entries (the list is only trimmed on a
// move, never reordered).
int NewRequests(const CObservedView& v, view::RectList before, int sx, int sy)
{
    const view::ViewState state{v.Origin().x, v.Origin().y, ScreenCx(), ScreenCy(), v.Display()->DisplayWidth(),
                                v.Display()->DisplayHeight()};
    view::RectList kept = before;
    if (view::TrimReceivedAfterMove(kept, state, sx, sy) == view::MoveResult::kCleared) kept.clear();
    return (int)v.Requested().size() - (int)kept.size();
}

int Fail(const char* why)
{
    std::fprintf(stderr, "bench_viewer_stream: %s\n", why);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_viewer_stream SERVER SLIDE [MAGNIFICATION=400] [PANS=5]\n");
        return 2;
    }
    const char* server = argv[1];
    // The catalogue names slides by a Windows path; the server finds them by name.
    const std::string slidePath = std::string("D:\\Slides\\") + argv[2];
    const double magnification = argc > 3 ? std::atof(argv[3]) : 400.0;
    int pans = argc > 4 ? std::atoi(argv[4]) : 5;
    if (pans < 1 || pans > 50) pans = 5;
    if (!(magnification > 0 && magnification <= 2000)) return Fail("magnification out of range");

    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    if (!AfxSocketInit()) return Fail("no socket layer");
    testing_support::MessageBoxRecorder boxes;  // a box nobody closes would stop the run

    CObservedView slideView;
    CMainFrame* frame = new CMainFrame;  // deletes itself when its window goes
    frame->SetSlideView(&slideView);
    if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE)) return Fail("no main frame");
    frame->ShowWindow(SW_SHOWMAXIMIZED);
    frame->UpdateWindow();
    PumpFor(300);

    // (a) Open to the first complete view at the magnification the slide opens at.
    slideView.Watch();
    const double openAt = NowMs();
    frame->OpenSlide(slidePath.c_str(), server, nullptr);
    PumpUntil([&] { return slideView.completeAt != 0; }, 30000);
    if (!slideView.IsSlideOpen()) return Fail("the slide did not open (server running? slide name right?)");
    const bool firstComplete = slideView.completeAt != 0;
    const double firstMs = firstComplete ? slideView.completeAt - openAt : NowMs() - openAt;
    const double openMagnification = slideView.Magnification();
    const int firstReplies = slideView.replies;
    const uint64_t firstBytes = slideView.replyBytes;

    // The pans are made at a working magnification; the zoom is not a figure.
    PumpFor(1500);  // the opening prefetch lands first
    slideView.Watch();
    const double zoomAt = NowMs();
    slideView.SetMagnification(magnification, 1);
    slideView.HoldPrefetch();
    PumpUntil([&] { return slideView.completeAt != 0; }, 30000);
    const double zoomMs = slideView.completeAt != 0 ? slideView.completeAt - zoomAt : -1;
    PumpFor(300);
    CImageDispWnd* display = slideView.Display();
    const double scaleX = display->ScaleX(), scaleY = display->ScaleY();

    // (b) Half-screen pans as a drag ends: the view rectangle moves with its
    // pan offset, then the display tells the view. Rightwards while the image
    // lasts, then down, then left.
    std::vector<Pan> results;
    for (int i = 0; i < pans; ++i) {
        const RECT v = display->GetViewRect();
        const int w = v.right - v.left, h = v.bottom - v.top;
        const int stepX = ScreenCx() / 2, stepY = ScreenCy() / 2;
        int dx = 0, dy = 0;
        if (v.right + stepX <= display->DisplayWidth()) dx = stepX;
        else if (v.bottom + stepY <= display->DisplayHeight()) dy = stepY;
        else if (v.left - stepX >= 0) dx = -stepX;
        else break;

        Pan pan;
        pan.before = slideView.ScreenArea();
        const view::RectList requestedBefore = slideView.Requested();
        slideView.Watch();
        const double t0 = NowMs();
        display->SetSourceRect(v.left + dx, v.top + dy, v.left + dx + w, v.top + dy + h, dx, dy);
        slideView.SendMessage(WM_VIEW_MOVED, 0, 0);
        slideView.HoldPrefetch();
        pan.requests = NewRequests(slideView, requestedBefore, dx, dy);
        pan.complete = PumpUntil([&] { return slideView.ScreenComplete(); }, 20000);
        pan.ms = (slideView.completeAt != 0 ? slideView.completeAt : NowMs()) - t0;
        PumpFor(100);  // stragglers of this pan count to it
        pan.replies = slideView.replies;
        pan.bytes = slideView.replyBytes + (uint64_t)pan.requests * kRequestFrameBytes;
        pan.after = slideView.ScreenArea();
        results.push_back(pan);
    }
    if (results.empty()) return Fail("the image is too small for a half-screen pan at this magnification");

    // One more pan with the prefetch allowed, as a reader who pauses sees it.
    double prefetchedPanMs = -1;
    int prefetchedPanRequests = 0;
    {
        const RECT v = display->GetViewRect();
        const int w = v.right - v.left, h = v.bottom - v.top, step = ScreenCy() / 2;
        // Down or up, where no pan has been: only the prefetch can have filled it.
        const int dy = v.bottom + step <= display->DisplayHeight() ? step : (v.top - step >= 0 ? -step : 0);
        // The prefetch the timer would have sent after the last move, sent now.
        slideView.UpdateVisibleArea(2, FALSE);
        slideView.UpdateVisibleArea(3, FALSE);
        const double quietFrom = NowMs();
        PumpUntil([&] { return NowMs() - std::max(quietFrom, slideView.lastReplyAt) > 1000; }, 30000);
        if (dy != 0) {
            const view::RectList requestedBefore = slideView.Requested();
            slideView.Watch();
            const double t0 = NowMs();
            display->SetSourceRect(v.left, v.top + dy, v.left + w, v.top + dy + h, 0, dy);
            slideView.SendMessage(WM_VIEW_MOVED, 0, 0);
            slideView.HoldPrefetch();
            prefetchedPanRequests = NewRequests(slideView, requestedBefore, 0, dy);
            // Complete without a reply when the move asked for nothing.
            if (PumpUntil([&] { return slideView.ScreenComplete(); }, 20000))
                prefetchedPanMs = (slideView.completeAt != 0 ? slideView.completeAt : NowMs()) - t0;
        }
    }

    // (c) The tile viewer over its own connection, at the same scale. It keeps
    // every tile it has, starting with those of the view before the first pan,
    // and for each pan asks for the tiles of the new screen it does not hold.
    bool baselineOk = false;
    {
        TileClient tiles;
        if (tiles.Connect(server) && tiles.Open(slidePath)) {
            baselineOk = true;
            std::set<std::pair<int, int>> held = TilesOf(results.front().before);
            for (Pan& pan : results) {
                std::vector<view::Rect> wanted;
                for (const auto& cell : TilesOf(pan.after)) {
                    if (!held.insert(cell).second) continue;
                    const view::Rect tile{cell.first * kTile, cell.second * kTile, (cell.first + 1) * kTile,
                                          (cell.second + 1) * kTile};
                    // Edge tiles end where the image ends, as the view's requests do.
                    wanted.push_back(view::Intersect(
                        tile, view::Rect{0, 0, display->DisplayWidth(), display->DisplayHeight()}));
                }
                pan.tiles = (int)wanted.size();
                const double t0 = NowMs();
                if (!tiles.Fetch(wanted, scaleX, scaleY, pan.tileBytes)) {
                    baselineOk = false;
                    break;
                }
                pan.tileMs = NowMs() - t0;
            }
        }
    }

    // ---- The table ----
    std::vector<double> panMs;
    double worst = 0, requests = 0, replies = 0, bytes = 0, tileCount = 0, tileBytes = 0, tileMs = 0;
    bool allComplete = true;
    for (const Pan& p : results) {
        panMs.push_back(p.ms);
        worst = std::max(worst, p.ms);
        requests += p.requests;
        replies += p.replies;
        bytes += (double)p.bytes;
        tileCount += p.tiles;
        tileBytes += (double)p.tileBytes;
        tileMs += p.tileMs;
        allComplete = allComplete && p.complete;
    }
    const double n = (double)results.size();
    const double median = Median(panMs);
    const double ratio = tileBytes > 0 ? bytes / tileBytes : 0;

    std::printf("\nSlide streaming: %s on %s, screen %dx%d, opened at %.1fx, pans at %.0fx (scale %.4f)\n",
                slidePath.c_str(), server, ScreenCx(), ScreenCy(), openMagnification, slideView.Magnification(),
                scaleX);
    std::printf("%-44s %14s %12s  %s\n", "metric", "value", "target", "result");
    Row("first complete view (ms)", Fixed(firstMs, 1), "< 1000", firstComplete && firstMs < kFirstViewTargetMs ? "pass" : "FAIL");
    Row("  replies / bytes of the first view", std::to_string(firstReplies) + " / " + std::to_string(firstBytes), "", "");
    Row("view complete after zoom (ms)", zoomMs >= 0 ? Fixed(zoomMs, 1) : "incomplete", "", "info");
    Row(("half-screen pan, median of " + std::to_string(results.size()) + " (ms)").c_str(), Fixed(median, 1),
        "< 150", allComplete && median < kPanTargetMs ? "pass" : "FAIL");
    Row("half-screen pan, worst (ms)", Fixed(worst, 1), "< 150", allComplete && worst < kPanTargetMs ? "pass" : "FAIL");
    Row("half-screen pan after the prefetch (ms)", prefetchedPanMs >= 0 ? Fixed(prefetchedPanMs, 1) : "n/a", "", "info");
    Row("  requests of that pan", std::to_string(prefetchedPanRequests), "", "info");
    Row("requests per pan, viewer", Fixed(requests / n, 1), "", "info");
    Row("replies per pan, viewer", Fixed(replies / n, 1), "", "info");
    Row("bytes per pan, viewer", Fixed(bytes / n, 0), "", "info");
    if (baselineOk) {
        Row("requests (= replies) per pan, 256 tiles", Fixed(tileCount / n, 1), "", "info");
        Row("bytes per pan, 256 tiles", Fixed(tileBytes / n, 0), "", "info");
        Row("time per pan, 256 tiles (ms)", Fixed(tileMs / n, 1), "", "info");
        Row("bytes per pan, viewer / 256 tiles", Fixed(ratio, 3), "<= 0.6", ratio <= kBytesRatioTarget ? "pass" : "FAIL");
    } else {
        Row("bytes per pan, viewer / 256 tiles", "no baseline", "<= 0.6", "FAIL");
    }
    std::printf("\nper pan: ms, requests, replies, bytes | tiles, tile bytes\n");
    for (size_t i = 0; i < results.size(); ++i) {
        const Pan& p = results[i];
        std::printf("  %zu: %8.1f %4d %4d %9llu | %4d %9llu%s\n", i + 1, p.ms, p.requests, p.replies,
                    (unsigned long long)p.bytes, p.tiles, (unsigned long long)p.tileBytes,
                    p.complete ? "" : "  (incomplete)");
    }
    std::printf("Bytes are whole frames both ways (length prefix, code, payload).\n");
    std::fflush(stdout);

    if (::IsWindow(frame->m_hWnd)) frame->DestroyWindow();
    PumpFor(100);
    return 0;
}
