// Slide streaming of the viewer against a running slide server, in one run:
// the first complete view, a zoom (its transition and the regions' arrival),
// a mix of drags (half, tenth and quarter screens and a diagonal) with where
// their time goes, a drag over ground already received, and beside each drag
// a client of fixed 256-pixel tiles that fetches and decodes the same views
// over its own connection with the same decoder.
//   bench_viewer_stream.exe SERVER SLIDE [MAGNIFICATION] [HALF-PANS] [SERVER-LOG]
// SERVER-LOG is the slide server's --log file (a Windows path); with it the
// server's stages are reported too. Exits 0 whatever the figures, 2 when it
// cannot set up.
#include "BlockingSlideClient.h"
#include "ImageDispWnd.h"
#include "JpegRead.h"
#include "MainFrame.h"
#include "SlideView.h"
#include "StageTimes.h"
#include "TestSupport.h"
#include "ViewerMessages.h"
#include "resource.h"

#include "slidelink/SlideLink.h"
#include "viewer/DisplayGeometry.h"
#include "viewer/SlideGeometry.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace link = zelvo::slidelink;
namespace view = zelvo::view;
using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

const int kTile = 256;
// A request frame: length prefix plus its 44-byte body.
const uint64_t kRequestFrameBytes = 4 + link::kTileRequestBodySize;
const int kDragSteps = 8;

double NowMs() { return CStageTimes::NowMs(); }
int ScreenCx() { return ::GetSystemMetrics(SM_CXSCREEN); }
int ScreenCy() { return ::GetSystemMetrics(SM_CYSCREEN); }

// A region as the view handled it.
struct Handled {
    view::Rect rect;
    double at = 0;  // when the view was handed it
};

// The slide view as the viewer runs it, with counters on what comes back.
class CObservedView : public CSlideView {
public:
    void OnTileData(uint32_t code, const link::TileRect& rect, const uint8_t* jpeg, size_t length) override
    {
        const double at = NowMs();
        CSlideView::OnTileData(code, rect, jpeg, length);
        if (!watching) return;
        // Whole frame on the wire: length prefix, code, rectangle, JPEG.
        ++replies;
        replyBytes += 8 + 16 + (uint64_t)length;
        handled.push_back(Handled{view::Rect{rect.left, rect.top, rect.right, rect.bottom}, at});
        if (completeAt == 0 && ScreenComplete()) completeAt = NowMs();
    }
    // The screen area at the view origin as the view asks for it: clipped to the image.
    view::Rect ScreenArea() const
    {
        const CPoint o = Origin();
        const view::Rect screen{o.x, o.y, o.x + ScreenCx(), o.y + ScreenCy()};
        return view::Intersect(screen, view::Rect{0, 0, Display()->DisplayWidth(), Display()->DisplayHeight()});
    }
    bool ScreenComplete() const
    {
        if (!IsSlideOpen() || !Display()) return false;
        const view::Rect area = ScreenArea();
        return area.IsEmpty() || view::SubtractReceivedRects(Received(), 0, area).empty();
    }
    // Starts a measurement: counters and stage times to zero.
    void Watch()
    {
        replies = 0;
        replyBytes = 0;
        completeAt = 0;
        handled.clear();
        Display()->Stages().Reset();
        watching = true;
    }

    bool watching = false;
    double completeAt = 0;
    int replies = 0;
    uint64_t replyBytes = 0;
    std::vector<Handled> handled;
};

// The local address of a socket as the server's log names its peer.
std::string PeerName(SOCKET s)
{
    sockaddr_in a{};
    int len = sizeof a;
    if (::getsockname(s, (sockaddr*)&a, &len) != 0) return std::string();
    return std::string(::inet_ntoa(a.sin_addr)) + ":" + std::to_string(ntohs(a.sin_port));
}

// ---------------------------------------------------------------------------
// The baseline: a blocking connection asking for whole 256-pixel tiles and
// decoding each as it comes, as a tile viewer would before drawing it.

class TileClient {
public:
    bool Connect(const char* host) { return m_link.Connect(host, (u_short)SLIDE_LINK_PORT, 15000); }
    bool Open(const std::string& path) { return m_link.Open(path); }
    std::string Peer() { return PeerName(m_link.Socket()); }
    // Asks for every tile, then takes and decodes one reply per tile; false
    // when a reply does not come or does not decode.
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
            if (CBlockingSlideClient::Code(body) != link::kTileRequest || body.size() < 20) continue;
            UINT w = 0, h = 0;
            if (!JpegFile::DecodeToPixels(body.data() + 20, body.size() - 20, m_pixels, &w, &h)) return false;
            ++got;
        }
        return true;
    }

private:
    CBlockingSlideClient m_link;
    std::vector<uint32_t> m_pixels;
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
// The server's log: per region piece its stages and when it was sent.

struct Piece {
    std::string peer;
    view::Rect rect;
    double queued = 0, read = 0, scale = 0, encode = 0, sentAt = 0;
};

std::vector<Piece> ReadServerLog(const char* path)
{
    std::vector<Piece> pieces;
    if (!path) return pieces;
    std::ifstream f(path);
    for (std::string line; std::getline(f, line);) {
        char peer[64] = {};
        unsigned code = 0;
        Piece p;
        if (std::sscanf(line.c_str(), "%63s reply %u region (%d,%d,%d,%d) scale %*[^ ] queued %lf read %lf scale %lf "
                                      "encode %lf ms at %lf",
                        peer, &code, &p.rect.left, &p.rect.top, &p.rect.right, &p.rect.bottom, &p.queued, &p.read,
                        &p.scale, &p.encode, &p.sentAt) == 11) {
            p.peer = peer;
            pieces.push_back(p);
        }
    }
    return pieces;
}

// ---------------------------------------------------------------------------
// Figures

double Median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Worst(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

std::string Fixed(double v, int decimals = 1)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

enum class Kind { kHalf, kTenth, kQuarter, kDiagonal, kCount };
const char* const kKindNames[] = {"half", "tenth", "quarter", "diagonal"};

// One drag and its figures.
struct Pan {
    Kind kind = Kind::kHalf;
    int dx = 0, dy = 0;
    bool complete = false;
    double completeMs = 0, paintedMs = 0;
    int requests = 0, replies = 0;
    uint64_t bytes = 0;
    view::Rect after;
    double releaseAt = 0;
    std::vector<Handled> handled;
    double stage[CStageTimes::kCount] = {};
    double dragFrameMs = 0;  // median of the drag's own frames
    // The tile client's same view.
    int tiles = 0;
    uint64_t tileBytes = 0;
    double tileMs = 0;
};

// Requests the view sent in the last step: the tail of its request list
// beyond what was left of the earlier entries (the list is only trimmed on a
// move, never reordered).
int NewRequests(const CObservedView& v, view::RectList before, int sx, int sy)
{
    const CPoint o = v.Origin();
    const view::ViewState state{o.x, o.y, ScreenCx(), ScreenCy(), v.Display()->DisplayWidth(),
                                v.Display()->DisplayHeight()};
    if (view::TrimReceivedAfterMove(before, state, sx, sy) == view::MoveResult::kCleared) before.clear();
    return (int)v.Requested().size() - (int)before.size();
}

int Fail(const char* why)
{
    std::fprintf(stderr, "bench_viewer_stream: %s\n", why);
    return 2;
}

class Bench {
public:
    Bench(CObservedView& v, const std::string& server, const std::string& slide) : m_view(v), m_server(server), m_slide(slide) {}

    // A drag through the display window as the mouse makes it, each step
    // painted; then waits until the new screen has come and is painted.
    Pan Drag(Kind kind, int dx, int dy)
    {
        Pan pan;
        pan.kind = kind;
        pan.dx = dx;
        pan.dy = dy;
        CImageDispWnd* d = m_view.Display();
        RECT c;
        d->GetClientRect(&c);
        // From a point that keeps the whole path inside the client.
        const int x0 = dx >= 0 ? c.right * 3 / 4 : c.right / 4, y0 = dy >= 0 ? c.bottom * 3 / 4 : c.bottom / 4;
        const view::RectList requestedBefore = m_view.Requested();
        d->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x0, y0));
        std::vector<double> frames;
        for (int i = 1; i <= kDragSteps; ++i) {
            const double t = NowMs();
            d->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x0 - dx * i / kDragSteps, y0 - dy * i / kDragSteps));
            d->UpdateWindow();
            frames.push_back(NowMs() - t);
        }
        pan.dragFrameMs = Median(frames);
        PumpFor(20);  // the origin messages of the drag
        m_view.Watch();
        pan.releaseAt = NowMs();
        d->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(x0 - dx, y0 - dy));
        // The prefetch that follows a move is held back: these figures are what
        // a move asks for on demand.
        const RECT moved = d->ViewRect();
        pan.complete = PumpUntil(
            [&] {
                m_view.CancelPrefetch();
                // Complete once the view has taken the move and has the new screen.
                return m_view.Origin() == CPoint(moved.left, moved.top) && m_view.ScreenComplete();
            },
            20000);
        const double completeAt = m_view.completeAt != 0 ? m_view.completeAt : NowMs();
        PumpUntil([&] { return !::GetUpdateRect(d->m_hWnd, nullptr, FALSE); }, 5000);
        pan.paintedMs = std::max(d->LastPaintAt(), completeAt) - pan.releaseAt;
        pan.completeMs = completeAt - pan.releaseAt;
        PumpFor(50);  // stragglers of this pan count to it
        m_view.CancelPrefetch();
        pan.requests = NewRequests(m_view, requestedBefore, dx, dy);
        pan.replies = m_view.replies;
        pan.bytes = m_view.replyBytes + (uint64_t)pan.requests * kRequestFrameBytes;
        pan.after = m_view.ScreenArea();
        pan.handled = m_view.handled;
        for (int s = 0; s < CStageTimes::kCount; ++s) pan.stage[s] = d->Stages().Ms((CStageTimes::Stage)s);
        m_view.watching = false;
        return pan;
    }

    // The same views as 256-pixel tiles, each fetched and decoded, keeping
    // every tile held, starting with those of the view before the first pan.
    bool Baseline(std::vector<Pan>& pans, const view::Rect& start)
    {
        TileClient tiles;
        if (!tiles.Connect(m_server.c_str()) || !tiles.Open(m_slide)) return false;
        m_tilePeer = tiles.Peer();
        CImageDispWnd* d = m_view.Display();
        const view::Rect image{0, 0, d->DisplayWidth(), d->DisplayHeight()};
        std::set<std::pair<int, int>> held = TilesOf(start);
        for (Pan& pan : pans) {
            std::vector<view::Rect> wanted;
            for (const auto& cell : TilesOf(pan.after)) {
                if (!held.insert(cell).second) continue;
                const view::Rect tile{cell.first * kTile, cell.second * kTile, (cell.first + 1) * kTile,
                                      (cell.second + 1) * kTile};
                // Edge tiles end where the image ends, as the view's requests do.
                wanted.push_back(view::Intersect(tile, image));
            }
            pan.tiles = (int)wanted.size();
            if (wanted.empty()) continue;
            const double t0 = NowMs();
            if (!tiles.Fetch(wanted, d->ScaleX(), d->ScaleY(), pan.tileBytes)) return false;
            pan.tileMs = NowMs() - t0;
        }
        return true;
    }
    const std::string& TilePeer() const { return m_tilePeer; }

private:
    CObservedView& m_view;
    std::string m_server, m_slide, m_tilePeer;
};

void Row(const std::string& metric, const std::string& value, const char* target = "", const char* verdict = "")
{
    std::printf("%-52s %14s %10s  %s\n", metric.c_str(), value.c_str(), target, verdict);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_viewer_stream SERVER SLIDE [MAGNIFICATION=400] [HALF-PANS=5] [SERVER-LOG]\n");
        return 2;
    }
    const char* server = argv[1];
    // The catalogue names slides by a Windows path; the server finds them by name.
    const std::string slidePath = std::string("D:\\Slides\\") + argv[2];
    const double magnification = argc > 3 ? std::atof(argv[3]) : 400.0;
    int halfPans = argc > 4 ? std::atoi(argv[4]) : 5;
    const char* serverLog = argc > 5 ? argv[5] : nullptr;
    if (halfPans < 1 || halfPans > 20) halfPans = 5;
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

    // Open to the first complete view at the magnification the slide opens at.
    const double openAt = NowMs();
    frame->OpenSlide(slidePath.c_str(), server, nullptr);
    PumpUntil([&] { return slideView.IsSlideOpen(); }, 30000);
    if (!slideView.IsSlideOpen()) return Fail("the slide did not open (server running? slide name right?)");
    slideView.Watch();
    const bool firstComplete = PumpUntil([&] { return slideView.ScreenComplete(); }, 30000);
    const double firstMs = (slideView.completeAt != 0 ? slideView.completeAt : NowMs()) - openAt;
    const int firstReplies = slideView.replies;
    const double openMagnification = slideView.Magnification();
    CImageDispWnd* display = slideView.Display();
    const std::string viewerPeer = slideView.Link() ? PeerName(slideView.Link()->m_hSocket) : std::string();

    // The zoom to the working magnification: its transition, the rest of the
    // step (fills and requests), then the regions' arrival.
    PumpFor(1500);  // the opening prefetch lands first
    RECT client;
    display->GetClientRect(&client);
    const double previousScale = display->ScaleX();
    slideView.Watch();
    const double zoomAt = NowMs();
    slideView.SetMagnification(magnification, 1);
    const double stepMs = NowMs() - zoomAt;
    const double transitionMs = display->Stages().Ms(CStageTimes::kZoom);
    const double factor = previousScale > 0 ? display->ScaleX() / previousScale : 0;
    const size_t zoomFrames =
        view::PlanZoomFrames(client.right, client.bottom, factor, ScreenCx(), ScreenCy(), 2000).size();
    slideView.CancelPrefetch();
    const bool zoomComplete = PumpUntil(
        [&] {
            slideView.CancelPrefetch();
            return slideView.ScreenComplete();
        },
        30000);
    const double zoomMs = (slideView.completeAt != 0 ? slideView.completeAt : NowMs()) - zoomAt;
    PumpUntil([&] { return !::GetUpdateRect(display->m_hWnd, nullptr, FALSE); }, 5000);
    const double zoomPaintedMs = display->LastPaintAt() - zoomAt;
    const double zoomDecodeMs = display->Stages().Ms(CStageTimes::kDecode);
    const int zoomReplies = slideView.replies;
    slideView.watching = false;
    PumpFor(300);
    const view::Rect start = slideView.ScreenArea();

    // The pan mix, each drag as the mouse makes it. Rightwards and down while
    // the image lasts, else back.
    Bench bench(slideView, server, slidePath);
    std::vector<Pan> pans;
    auto drag = [&](Kind kind, int dx, int dy) {
        const RECT v = display->ViewRect();
        if (v.right + dx > display->DisplayWidth()) dx = -dx;
        if (v.bottom + dy > display->DisplayHeight()) dy = -dy;
        pans.push_back(bench.Drag(kind, dx, dy));
    };
    const int cx = ScreenCx(), cy = ScreenCy();
    for (int i = 0; i < halfPans; ++i) drag(Kind::kHalf, cx / 2, 0);
    for (int i = 0; i < 3; ++i) drag(Kind::kTenth, cx / 10, 0);
    for (int i = 0; i < 3; ++i) drag(Kind::kQuarter, cx / 4, 0);
    for (int i = 0; i < 3; ++i) drag(Kind::kDiagonal, cx / 4, cy / 4);
    // Back over ground received by the drags before: nothing to ask for.
    const Pan back = bench.Drag(Kind::kHalf, -cx / 4, -cy / 4);

    const bool baselineOk = bench.Baseline(pans, start);
    const std::vector<Piece> pieces = ReadServerLog(serverLog);

    // ---- The figures ----
    struct Totals {
        std::vector<double> complete, painted, tileMs, dragFrame;
        std::vector<double> completeWithTiles;  // the drags for which the tile client fetched something
        double requests = 0, replies = 0, bytes = 0, tiles = 0, tileBytes = 0;
        int n = 0;
        bool allComplete = true;
    } kinds[(int)Kind::kCount], mix;
    for (const Pan& p : pans) {
        for (Totals* t : {&kinds[(int)p.kind], &mix}) {
            t->complete.push_back(p.completeMs);
            t->painted.push_back(p.paintedMs);
            if (p.tiles > 0) {
                t->tileMs.push_back(p.tileMs);
                t->completeWithTiles.push_back(p.completeMs);
            }
            t->dragFrame.push_back(p.dragFrameMs);
            t->requests += p.requests;
            t->replies += p.replies;
            t->bytes += (double)p.bytes;
            t->tiles += p.tiles;
            t->tileBytes += (double)p.tileBytes;
            t->allComplete = t->allComplete && p.complete;
            ++t->n;
        }
    }

    std::printf("\nSlide streaming: %s on %s, screen %dx%d, opened at %.1fx, pans at %.0fx (display scale %.4f)\n",
                slidePath.c_str(), server, cx, cy, openMagnification, slideView.Magnification(), display->ScaleX());
    std::printf("\nPan mix (drags of %d steps; times from the release; the tile client fetches and decodes)\n",
                kDragSteps);
    std::printf("%-9s %3s %15s %15s %6s %6s %9s | %6s %9s %15s | %6s %6s\n", "pan", "n", "complete ms", "painted ms",
                "reqs", "pieces", "bytes", "tiles", "bytes", "tile ms", "time", "bytes");
    std::printf("%-9s %3s %15s %15s %6s %6s %9s | %6s %9s %15s | %6s %6s\n", "", "", "median/worst", "median/worst",
                "/pan", "/pan", "/pan", "/pan", "/pan", "median/worst", "ratio", "ratio");
    std::printf("(tile times and the time ratio over the drags that needed new tiles)\n");
    for (int k = 0; k < (int)Kind::kCount; ++k) {
        const Totals& t = kinds[k];
        if (!t.n) continue;
        const double n = t.n;
        // A tenth of a screen often needs no new tile: the times are compared
        // over the drags that needed some.
        const std::string timeRatio =
            t.tileMs.empty() ? "-" : Fixed(Median(t.completeWithTiles) / Median(t.tileMs), 2);
        std::printf("%-9s %3d %7.1f/%-7.1f %7.1f/%-7.1f %6.1f %6.1f %9.0f | %6.1f %9.0f %7.1f/%-7.1f | %6s %6.3f%s\n",
                    kKindNames[k], t.n, Median(t.complete), Worst(t.complete), Median(t.painted), Worst(t.painted),
                    t.requests / n, t.replies / n, t.bytes / n, t.tiles / n, t.tileBytes / n, Median(t.tileMs),
                    Worst(t.tileMs), timeRatio.c_str(), t.tileBytes > 0 ? t.bytes / t.tileBytes : 0,
                    t.allComplete ? "" : "  (incomplete)");
    }

    // Where the time of a drag goes, per kind (medians over its drags).
    std::map<std::string, std::vector<const Piece*>> byPeerRect;
    auto key = [](const std::string& peer, const view::Rect& r) {
        return peer + " " + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
               "," + std::to_string(r.bottom);
    };
    for (const Piece& p : pieces) byPeerRect[key(p.peer, p.rect)].push_back(&p);
    std::printf("\nWhere the time of a drag goes (ms, medians over the drags of a kind; from the release)\n");
    std::printf("%-52s", "stage");
    for (int k = 0; k < (int)Kind::kCount; ++k) std::printf(" %9s", kKindNames[k]);
    std::printf("\n");
    auto stageRow = [&](const char* name, const std::function<double(const Pan&)>& of) {
        std::printf("%-52s", name);
        for (int k = 0; k < (int)Kind::kCount; ++k) {
            std::vector<double> v;
            for (const Pan& p : pans)
                if ((int)p.kind == k) v.push_back(of(p));
            std::printf(" %9s", v.empty() ? "-" : Fixed(Median(v)).c_str());
        }
        std::printf("\n");
    };
    // The server's record of each piece the view handled.
    auto piecesOf = [&](const Pan& p) {
        std::vector<std::pair<const Piece*, double>> out;  // piece, handled at
        for (const Handled& h : p.handled) {
            auto it = byPeerRect.find(key(viewerPeer, h.rect));
            if (it == byPeerRect.end()) continue;
            // The latest piece of that rectangle sent before the view had it.
            const Piece* best = nullptr;
            for (const Piece* q : it->second)
                if (q->sentAt <= h.at + 1 && (!best || q->sentAt > best->sentAt)) best = q;
            if (best) out.push_back({best, h.at});
        }
        return out;
    };
    const bool clocksAgree = [&] {
        // The server's and the viewer's clocks are one only where the server
        // sent each piece before the view had it and after the release.
        int checked = 0;
        for (const Pan& p : pans)
            for (const auto& [q, at] : piecesOf(p)) {
                if (q->sentAt > at + 1 || q->sentAt < p.releaseAt - 1) return false;
                ++checked;
            }
        return checked > 0;
    }();
    stageRow("viewer: the move (cancel, requests, overview)", [](const Pan& p) { return p.stage[CStageTimes::kMove]; });
    stageRow("  of it planning and sending requests", [](const Pan& p) { return p.stage[CStageTimes::kRequest]; });
    stageRow("viewer: realigning the tile buffer, after the frame", [](const Pan& p) { return p.stage[CStageTimes::kScroll]; });
    stageRow("viewer: thumbnail fills of the uncovered strips", [](const Pan& p) { return p.stage[CStageTimes::kFill]; });
    if (!pieces.empty()) {
        stageRow("server: pieces", [&](const Pan& p) { return (double)piecesOf(p).size(); });
        stageRow("server: waiting for a worker (longest piece)", [&](const Pan& p) {
            double m = 0;
            for (const auto& e : piecesOf(p)) m = std::max(m, e.first->queued);
            return m;
        });
        stageRow("server: slide read (all pieces)", [&](const Pan& p) {
            double s = 0;
            for (const auto& e : piecesOf(p)) s += e.first->read;
            return s;
        });
        stageRow("server: scaling (all pieces)", [&](const Pan& p) {
            double s = 0;
            for (const auto& e : piecesOf(p)) s += e.first->scale;
            return s;
        });
        stageRow("server: encoding (all pieces)", [&](const Pan& p) {
            double s = 0;
            for (const auto& e : piecesOf(p)) s += e.first->encode;
            return s;
        });
        if (clocksAgree) {
            stageRow("server: first piece sent", [&](const Pan& p) {
                double m = 1e9;
                for (const auto& e : piecesOf(p)) m = std::min(m, e.first->sentAt - p.releaseAt);
                return m < 1e9 ? m : 0;
            });
            stageRow("server: last piece sent", [&](const Pan& p) {
                double m = 0;
                for (const auto& e : piecesOf(p)) m = std::max(m, e.first->sentAt - p.releaseAt);
                return m;
            });
            stageRow("wire and viewer queue: sent to handled (longest)", [&](const Pan& p) {
                double m = 0;
                for (const auto& e : piecesOf(p)) m = std::max(m, e.second - e.first->sentAt);
                return m;
            });
        }
    }
    stageRow("viewer: decoding (all pieces)", [](const Pan& p) { return p.stage[CStageTimes::kDecode]; });
    stageRow("viewer: into the tile buffer (all pieces)", [](const Pan& p) { return p.stage[CStageTimes::kPutTile]; });
    stageRow("viewer: composing frames", [](const Pan& p) { return p.stage[CStageTimes::kCompose]; });
    stageRow("viewer: copying frames to the window", [](const Pan& p) { return p.stage[CStageTimes::kPaint]; });
    stageRow("viewer: complete (every region in the tile buffer)", [](const Pan& p) { return p.completeMs; });
    stageRow("viewer: painted", [](const Pan& p) { return p.paintedMs; });
    stageRow("drawing one step of the drag (composed and copied)", [](const Pan& p) { return p.dragFrameMs; });
    if (!pieces.empty() && !clocksAgree)
        std::printf("(the server's clock does not match the viewer's here: send times left out)\n");

    // ---- The targets ----
    const Totals& half = kinds[(int)Kind::kHalf];
    const double halfRatio = half.tileMs.empty() ? 0 : Median(half.completeWithTiles) / Median(half.tileMs);
    const double bytesRatio = mix.tileBytes > 0 ? mix.bytes / mix.tileBytes : 0;
    const double requestRatio = mix.tiles > 0 ? mix.requests / mix.tiles : 0;
    std::printf("\n%-52s %14s %10s  %s\n", "figure", "value", "target", "result");
    Row("first complete view (ms)", Fixed(firstMs), "< 1000", firstComplete && firstMs < 1000 ? "pass" : "FAIL");
    Row("  its pieces", std::to_string(firstReplies));
    Row("view complete after the zoom (ms)", zoomComplete ? Fixed(zoomMs) : "incomplete", "", "info");
    Row("  the transition's drawing (ms)", Fixed(transitionMs));
    Row("    of it the pauses between its frames (ms)",
        Fixed(factor > 1 ? 20.0 * (double)zoomFrames : 0.0) + " (" + std::to_string(zoomFrames) + " frames)");
    Row("  the rest of the step: fills, requests (ms)", Fixed(stepMs - transitionMs));
    Row("  the regions' arrival after the step (ms)", Fixed(zoomMs - stepMs));
    Row("    of it decoding its pieces (ms)", Fixed(zoomDecodeMs) + " (" + std::to_string(zoomReplies) + " pieces)");
    Row("  painted after the zoom began (ms)", Fixed(zoomPaintedMs));
    Row("pan over ground received, painted (ms)", Fixed(back.paintedMs), "<= 20", back.complete && back.requests == 0 && back.paintedMs <= 20 ? "pass" : "FAIL");
    Row("  its requests", std::to_string(back.requests));
    Row("  the move; composing and copying the frame (ms)", Fixed(back.stage[CStageTimes::kMove]) + "; " +
                                                                Fixed(back.stage[CStageTimes::kCompose]) + " + " +
                                                                Fixed(back.stage[CStageTimes::kPaint]));
    Row("  realigning the buffers after the frame (ms)",
        Fixed(back.stage[CStageTimes::kScroll] + back.stage[CStageTimes::kFill]));
    if (baselineOk) {
        Row("half-screen pan, viewer complete (median ms)", Fixed(Median(half.complete)));
        Row("half-screen pan, tile client fetched and decoded (median ms)", Fixed(Median(half.tileMs)));
        Row("half-screen pan, viewer / tile client", Fixed(halfRatio, 2), "<= 1.5",
            half.allComplete && halfRatio <= 1.5 ? "pass" : "FAIL");
        Row("bytes per pan over the mix, viewer / tiles", Fixed(bytesRatio, 3), "<= 0.8", bytesRatio <= 0.8 ? "pass" : "FAIL");
        Row("requests per pan over the mix, viewer / tiles",
            Fixed(requestRatio, 3) + " (" + Fixed(mix.requests / mix.n, 2) + "/" + Fixed(mix.tiles / mix.n, 2) + ")",
            "<= 0.2", requestRatio <= 0.2 ? "pass" : "FAIL");
    } else {
        Row("tile client", "no baseline", "", "FAIL");
    }
    std::printf("\nPer drag: kind, dx, dy, complete/painted ms, requests, pieces, bytes | tiles, tile bytes, tile ms\n");
    for (size_t i = 0; i < pans.size(); ++i) {
        const Pan& p = pans[i];
        std::printf("  %2zu %-8s %5d %5d %7.1f %7.1f %3d %3d %8llu | %3d %8llu %7.1f%s\n", i + 1, kKindNames[(int)p.kind],
                    p.dx, p.dy, p.completeMs, p.paintedMs, p.requests, p.replies, (unsigned long long)p.bytes, p.tiles,
                    (unsigned long long)p.tileBytes, p.tileMs, p.complete ? "" : "  (incomplete)");
    }
    std::printf("Bytes are whole frames both ways (length prefix, code, payload). Viewer connection %s, tile "
                "client %s.\n",
                viewerPeer.c_str(), bench.TilePeer().c_str());
    std::fflush(stdout);

    if (::IsWindow(frame->m_hWnd)) frame->DestroyWindow();
    PumpFor(100);
    return 0;
}
