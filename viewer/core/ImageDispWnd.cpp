#include "ImageDispWnd.h"

#include "Dib.h"
#include "DisplayIds.h"
#include "ScaleBar.h"
#include "ViewerMessages.h"

#include "viewer/DisplayGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace view = zelvo::view;
namespace image = zelvo::image;

namespace {

int ScreenCx() { return ::GetSystemMetrics(SM_CXSCREEN); }
int ScreenCy() { return ::GetSystemMetrics(SM_CYSCREEN); }

const COLORREF kGrey = RGB(0xC0, 0xC0, 0xC0);
const char kLoadingText[] = "数据载入中，请稍候...";

// A solid fill without the outline that Rectangle would add.
void FillSolid(HDC dc, const RECT& r, COLORREF colour)
{
    HBRUSH brush = ::CreateSolidBrush(colour);
    ::FillRect(dc, &r, brush);
    ::DeleteObject(brush);
}

bool IsEmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

view::Rect ToRect(const RECT& r) { return view::Rect{r.left, r.top, r.right, r.bottom}; }
RECT ToWin(const view::Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

RECT Shifted(const RECT& r, int dx, int dy)
{
    RECT s = r;
    ::OffsetRect(&s, dx, dy);
    return s;
}

// Frames a zoom may draw before it gives up; the steps normally end far sooner.
const int kMaxZoomFrames = 2000;

// The owed realignment runs on this timer: timers come after painting.
const UINT_PTR kRealignTimer = 1;
// Rows of a thumbnail fill done in one step of it (about a millisecond).
const LONG kFillRowsPerStep = 96;

} // namespace

BEGIN_MESSAGE_MAP(CImageDispWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_MOVING()
    ON_WM_CLOSE()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_RBUTTONUP()
    ON_WM_MOUSEWHEEL()
    ON_WM_TIMER()
END_MESSAGE_MAP()

CImageDispWnd::CImageDispWnd() = default;

CImageDispWnd::CImageDispWnd(CWnd* parent, CWnd* owner, UINT notifyMessage)
{
    CreateDisplay(parent, owner, notifyMessage);
}

CImageDispWnd::~CImageDispWnd()
{
    if (::IsWindow(m_hWnd)) DestroyWindow();
}

BOOL CImageDispWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    // Under its own class name, so that other programs and tools can find it.
    cs.lpszClass = AfxRegisterNamedWndClass(_T("CImageDispWnd"), CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                                            ::LoadCursor(nullptr, IDC_ARROW));
    return cs.lpszClass != nullptr;
}

BOOL CImageDispWnd::CreateDisplay(CWnd* parent, CWnd* owner, UINT notifyMessage)
{
    m_owner = owner;
    m_parent = parent;
    m_notifyMessage = notifyMessage;
    HINSTANCE instance = ::GetModuleHandle(nullptr);
    m_handCursor = ::LoadCursor(instance, MAKEINTRESOURCE(IDC_DISPLAY_HAND));
    m_grabCursor = ::LoadCursor(instance, MAKEINTRESOURCE(IDC_DISPLAY_GRAB));

    BOOL created;
    // Clipped by its siblings: the eyepiece mask lies over it, and every
    // frame drawn here (a paint, a zoom's steps) would otherwise cover it.
    if (parent)
        created = CreateEx(0, nullptr, _T("Image Display Window"),
                           WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 1, 1, parent->m_hWnd, nullptr);
    else
        created = CreateEx(0, nullptr, _T("DRAQ Zoom Window"), 0x90FE0000, 0, 0, 1, 1, nullptr, nullptr);
    if (!created) return FALSE;
    ShowWindow(SW_SHOWNORMAL);

    const int cx = ScreenCx(), cy = ScreenCy();
    m_view.CreateOrResize(m_hWnd, cx, cy);
    // 3 x 3 screens is large; a failure must leave the buffer unused, not drawn into.
    m_mainReady = cx > 0 && cy > 0 && m_main.CreateOrResize(m_hWnd, 3 * cx, 3 * cy);
    m_lowRes.CreateOrResize(m_hWnd, 1, 1);
    return m_mainReady;
}

int CImageDispWnd::OnCreate(LPCREATESTRUCT)
{
    if (Default() == -1) return -1;
    m_editorLayer = nullptr;
    m_measureLayer = nullptr;
    if (m_annotationLayer) m_annotationLayer->Reset(this);
    return 0;
}

// ---------------------------------------------------------------------------
// Geometry

void CImageDispWnd::FitToOwner(int displayWidth, int displayHeight, BOOL fit)
{
    if (fit && m_parent) {
        RECT r;
        m_parent->GetClientRect(&r);
        MoveWindow(&r, TRUE);
    }
    m_displayWidth = displayWidth;
    m_displayHeight = displayHeight;
    if (m_fullWidth > 0) m_view.m_scaleX = (double)displayWidth / m_fullWidth;
    if (m_fullHeight > 0) m_view.m_scaleY = (double)displayHeight / m_fullHeight;
}

void CImageDispWnd::SetImageSize(int fullWidth, int fullHeight)
{
    m_fullWidth = fullWidth;
    m_fullHeight = fullHeight;
    if (fullWidth > 0) m_view.m_scaleX = (double)m_displayWidth / fullWidth;
    if (fullHeight > 0) m_view.m_scaleY = (double)m_displayHeight / fullHeight;
}

void CImageDispWnd::SetThumbnailSize(int width, int height)
{
    if (width <= 0 || height <= 0) return;
    m_lowRes.CreateOrResize(m_hWnd, width, height);
    if (m_fullWidth > 0) m_lowRes.m_scaleX = (double)width / m_fullWidth;
    if (m_fullHeight > 0) m_lowRes.m_scaleY = (double)height / m_fullHeight;
    RECT all{0, 0, width, height};
    m_lowRes.Lock();
    if (m_lowRes.GetMemoryDC()) FillSolid(m_lowRes.GetMemoryDC(), all, kGrey);
    m_lowRes.Unlock();
}

void CImageDispWnd::SetResolution(int x, int y)
{
    m_view.m_resX = x;
    m_view.m_resY = y;
}

void CImageDispWnd::SetOrigin(int x, int y) { m_pan = CPoint(x, y); }

void CImageDispWnd::OffsetOrigin(int dx, int dy) { m_pan.Offset(dx, dy); }

void CImageDispWnd::ForEachLayerScroll(int x, int y)
{
    if (m_measureLayer) m_measureLayer->SetScroll(x, y);
    if (m_editorLayer) m_editorLayer->SetScroll(x, y);
    if (m_annotationLayer) m_annotationLayer->SetScroll(x, y);
}

RECT CImageDispWnd::GetViewRect()
{
    ForEachLayerScroll(m_view.m_rect.left, m_view.m_rect.top);
    return m_view.m_rect;
}

RECT CImageDispWnd::ViewToLowRes(const RECT& rect) const
{
    const view::ThumbnailScale k =
        view::ThumbnailPerDisplay(m_lowRes.m_scaleX, m_lowRes.m_scaleY, m_view.m_scaleX, m_view.m_scaleY);
    return ToWin(view::ToThumbnail(ToRect(rect), k, m_lowRes.m_rect.left, m_lowRes.m_rect.top));
}

void CImageDispWnd::SetSourceRect(int l, int t, int r, int b, int dx, int dy)
{
    m_view.m_rect = RECT{l, t, r, b};
    const view::ThumbnailScale k =
        view::ThumbnailPerDisplay(m_lowRes.m_scaleX, m_lowRes.m_scaleY, m_view.m_scaleX, m_view.m_scaleY);
    m_lowRes.m_rect = ToWin(view::ToThumbnail(view::Rect{l, t, r, b}, k));
    ForEachLayerScroll(l, t);
    if (dx != kUnchanged && dy != kUnchanged) {
        m_pan.Offset(dx, dy);
        Invalidate();
    } else if (dx != kUnchanged || dy != kUnchanged) {
        Invalidate();
    }
}

void CImageDispWnd::SetObjectScale()
{
    const float sx = (float)m_view.m_scaleX, sy = (float)m_view.m_scaleY;
    IObjectLayer* layers[] = {m_measureLayer, m_editorLayer, m_annotationLayer};
    for (IObjectLayer* layer : layers)
        if (layer) layer->SetScale(sx, sy, m_view.m_resX, m_view.m_resY);
    ForEachLayerScroll(m_view.m_rect.left, m_view.m_rect.top);
    Invalidate();
}

void CImageDispWnd::Relayout(UINT type, int cx, int cy)
{
    // Called from the view's size handler: the default handling of WM_SIZE has
    // nothing to do for this window, and the message being dispatched is not ours.
    if (m_parent) {
        RECT r;
        m_parent->GetClientRect(&r);
        MoveWindow(&r, TRUE);
    }
    const RECT v = m_view.m_rect;
    SetSourceRect(v.left, v.top, v.left + cx, v.top + cy, 0, 0);
    // A minimised window reports 0 x 0; keep the last buffer rather than an empty one.
    if (cx > 0 && cy > 0) m_view.CreateOrResize(m_hWnd, cx, cy);
    if (m_editorLayer) m_editorLayer->OnViewSize(type, cx, cy);
    if (m_annotationLayer) m_annotationLayer->OnViewSize(type, cx, cy);
}

void CImageDispWnd::OnMoving(UINT, LPRECT rect)
{
    if (rect) *rect = ToWin(view::ClampViewToImage(ToRect(*rect), m_displayWidth, m_displayHeight));
}

void CImageDispWnd::ApplyViewRect(const RECT& moved)
{
    const RECT n = ToWin(view::ClampViewToImage(ToRect(moved), m_displayWidth, m_displayHeight));
    const RECT old = m_view.m_rect;
    SetSourceRect(n.left, n.top, n.right, n.bottom, n.left - old.left, n.top - old.top);
}

void CImageDispWnd::CenterOn(int x, int y)
{
    RECT c;
    GetClientRect(&c);
    const view::Rect moved = view::CenterViewOn(ToRect(m_view.m_rect), c.right - c.left, c.bottom - c.top, x, y,
                                                m_view.m_scaleX, m_view.m_scaleY, m_displayWidth, m_displayHeight);
    ApplyViewRect(ToWin(moved));
    if (m_owner) {
        m_owner->PostMessage(WM_VIEW_ORIGIN, (WPARAM)m_view.m_rect.left, (LPARAM)m_view.m_rect.top);
        m_owner->PostMessage(WM_VIEW_MOVED, 0, 0);
    }
}

// ---------------------------------------------------------------------------
// Picture updates

void CImageDispWnd::Stretch(CDisplayBuffer& from, CDisplayBuffer& to, const RECT& area, const image::AxisMap& x,
                            const image::AxisMap& y, bool smooth)
{
    if (IsEmptyRect(area)) return;
    to.Lock();
    from.Lock();
    const image::Pixels32 f = from.Pixels();
    const image::ConstPixels32 source{f.data, f.width, f.height, f.stride};
    if (smooth)
        image::StretchBilinear(source, to.Pixels(), area.left, area.top, area.right, area.bottom, x, y);
    else
        image::StretchNearest(source, to.Pixels(), area.left, area.top, area.right, area.bottom, x, y);
    from.Unlock();
    to.Unlock();
}

void CImageDispWnd::FillFromThumbnail(CDisplayBuffer& target, const RECT& area, int displayX, int displayY)
{
    const view::ThumbnailScale k =
        view::ThumbnailPerDisplay(m_lowRes.m_scaleX, m_lowRes.m_scaleY, m_view.m_scaleX, m_view.m_scaleY);
    if (k.x <= 0 || k.y <= 0) return;  // no scale yet: nothing to map
    CStageScope timing(m_stages, CStageTimes::kFill);
    Stretch(m_lowRes, target, area, image::AxisMap{k.x, displayX * k.x}, image::AxisMap{k.y, displayY * k.y}, true);
}

void CImageDispWnd::StretchThumbnail(CDisplayBuffer& target, const RECT& source, const RECT& destination)
{
    Stretch(m_lowRes, target, destination, image::MapSpan(source.left, source.right, destination.left, destination.right),
            image::MapSpan(source.top, source.bottom, destination.top, destination.bottom), true);
}

void CImageDispWnd::DrawBackgroundImage(CDib* thumbnail)
{
    if (!thumbnail) return;
    int w = 0, h = 0;
    m_lowRes.GetSize(w, h);
    m_lowRes.Lock();
    if (m_lowRes.GetMemoryDC()) thumbnail->Draw(m_lowRes.GetMemoryDC(), 0, 0, w, h);
    m_lowRes.Unlock();
    RefillFromLowRes();
}

void CImageDispWnd::PutTile(CDib* tile, const RECT& rect)
{
    if (!tile || !m_mainReady) return;
    RealignNow();
    CStageScope timing(m_stages, CStageTimes::kPutTile);
    const int cx = ScreenCx(), cy = ScreenCy();
    m_main.Lock();
    tile->Draw(m_main.GetMemoryDC(), rect.left + cx, rect.top + cy, rect.right + cx, rect.bottom + cy);
    m_main.Unlock();
}

void CImageDispWnd::PutPixels(const uint32_t* pixels, int width, int height, const RECT& rect)
{
    if (!pixels || width <= 0 || height <= 0 || !m_mainReady || IsEmptyRect(rect)) return;
    const int cx = ScreenCx(), cy = ScreenCy();
    RECT at = Shifted(rect, cx, cy);
    // While the work owed stays clear of the tile, it does not wait for it: with
    // a realignment owed the tile goes where the buffer still holds its place,
    // and the realignment moves it along.
    const RECT buffer{0, 0, 3 * cx, 3 * cy};
    const RECT unaligned = Shifted(at, m_owedScroll.x, m_owedScroll.y);
    RECT inside;
    if (OwedFillMeets(at) || (m_realignOwed && !(::IntersectRect(&inside, &unaligned, &buffer) &&
                                                 ::EqualRect(&inside, &unaligned))))
        RealignNow();
    if (m_realignOwed) at = unaligned;
    CStageScope timing(m_stages, CStageTimes::kPutTile);
    m_main.Lock();
    const image::Pixels32 main = m_main.Pixels();
    if (width == at.right - at.left && height == at.bottom - at.top) {
        // Row by row, the part inside the buffer.
        const int l = std::max<int>(at.left, 0), r = std::min<int>(at.right, main.width);
        const int t = std::max<int>(at.top, 0), b = std::min<int>(at.bottom, main.height);
        for (int y = t; y < b && l < r; ++y)
            std::memcpy(main.data + (size_t)y * main.stride + l, pixels + (size_t)(y - at.top) * width + (l - at.left),
                        (size_t)(r - l) * sizeof(uint32_t));
    } else {
        image::StretchBilinear(image::ConstPixels32{pixels, width, height, (size_t)width}, main, at.left, at.top,
                               at.right, at.bottom, image::MapSpan(0, width, at.left, at.right),
                               image::MapSpan(0, height, at.top, at.bottom));
    }
    m_main.Unlock();
}

void CImageDispWnd::FillBand(const RECT& r, CPoint origin)
{
    if (!m_mainReady) return;
    const view::Rect band = view::BandOnImage(ToRect(r), origin.x, origin.y, m_displayWidth, m_displayHeight);
    if (band.IsEmpty()) return;
    const int cx = ScreenCx(), cy = ScreenCy();
    FillFromThumbnail(m_main, Shifted(ToWin(band), cx, cy), origin.x - cx, origin.y - cy);
}

void CImageDispWnd::FillFromLowRes(int l, int t, int r, int b)
{
    RealignNow();
    FillBand(RECT{l, t, r, b}, m_savedOrigin);
}

void CImageDispWnd::FillAroundFromLowRes(int l, int t, int r, int b)
{
    RealignNow();
    m_savedOrigin = CPoint(m_view.m_rect.left, m_view.m_rect.top);
    for (const view::Rect& band : view::BandsAround(view::Rect{l, t, r, b}, ScreenCx(), ScreenCy()))
        OweFill(ToWin(band), m_savedOrigin);
}

void CImageDispWnd::RefillFromLowRes()
{
    RealignNow();
    m_savedOrigin = CPoint(m_view.m_rect.left, m_view.m_rect.top);
    const int cx = ScreenCx(), cy = ScreenCy();
    OweFill(RECT{-cx, -cy, 2 * cx, 2 * cy}, m_savedOrigin);
}

void CImageDispWnd::OweFill(const RECT& band, CPoint origin)
{
    if (!m_mainReady || IsEmptyRect(band)) return;
    m_owedFills.push_back(OwedFill{band, origin});
    if (::IsWindow(m_hWnd)) SetTimer(kRealignTimer, 1);
}

bool CImageDispWnd::OwedFillMeets(const RECT& area) const
{
    const int cx = ScreenCx(), cy = ScreenCy();
    for (const OwedFill& f : m_owedFills) {
        const RECT inBuffer = Shifted(f.band, cx, cy);
        RECT x;
        if (::IntersectRect(&x, &inBuffer, &area)) return true;
    }
    return false;
}

CPoint CImageDispWnd::ScrollBy()
{
    const int dx = m_pan.x, dy = m_pan.y;
    if (dx == 0 && dy == 0) return CPoint(0, 0);
    const int cx = ScreenCx(), cy = ScreenCy();
    const CPoint origin(m_view.m_rect.left, m_view.m_rect.top);
    m_savedOrigin = origin;
    m_pan = CPoint(0, 0);
    // Work still owed from before is not done now: a scroll owed and this one
    // make one scroll, and the fills owed keep the ground they were for,
    // seen from the new place (moves in a row cost one realignment).
    const view::Rect area{-cx, -cy, 2 * cx, 2 * cy};
    std::vector<OwedFill> fills;
    for (const OwedFill& f : m_owedFills) {
        const view::Rect moved = view::Intersect(
            view::Offset(ToRect(f.band), (int64_t)f.origin.x - origin.x, (int64_t)f.origin.y - origin.y), area);
        if (!moved.IsEmpty()) fills.push_back(OwedFill{ToWin(moved), origin});
    }
    const view::ScrollPlan plan = view::PlanScroll(dx, dy, cx, cy);
    m_owedFills.clear();
    if (!plan.scroll) {
        // This move alone is two screens or more: nothing is kept, all is filled.
        m_realignOwed = false;
        m_owedScroll = CPoint(0, 0);
    } else {
        // Beyond the buffer in all, the scroll keeps nothing, as the moves one by one would.
        m_owedScroll.Offset(dx, dy);
        m_realignOwed = m_owedScroll != CPoint(0, 0);
        m_owedFills = std::move(fills);
    }
    // The strips this move uncovers are filled after the scroll.
    for (int i = 0; i < plan.count; ++i) OweFill(ToWin(plan.strips[(size_t)i]), origin);
    if (::IsWindow(m_hWnd) && (m_realignOwed || !m_owedFills.empty())) SetTimer(kRealignTimer, 1);
    return CPoint(dx, dy);
}

bool CImageDispWnd::DoOwedStep()
{
    if (m_realignOwed) {
        m_realignOwed = false;
        const CPoint d = m_owedScroll;
        m_owedScroll = CPoint(0, 0);
        CStageScope timing(m_stages, CStageTimes::kScroll);
        m_main.Lock();
        m_main.Scroll(-d.x, -d.y);
        m_main.Unlock();
        return true;
    }
    if (m_owedFills.empty()) return false;
    // A band at a time, a few rows of it, so that arriving regions are not
    // kept waiting behind a long fill.
    OwedFill& f = m_owedFills.front();
    RECT part = f.band;
    part.bottom = std::min<LONG>(part.bottom, part.top + kFillRowsPerStep);
    FillBand(part, f.origin);
    f.band.top = part.bottom;
    if (IsEmptyRect(f.band)) m_owedFills.erase(m_owedFills.begin());
    return true;
}

void CImageDispWnd::RealignNow()
{
    if (!m_realignOwed && m_owedFills.empty()) return;
    if (::IsWindow(m_hWnd)) KillTimer(kRealignTimer);
    while (DoOwedStep()) {}
}

const CDisplayBuffer& CImageDispWnd::MainBuffer()
{
    RealignNow();
    return m_main;
}

void CImageDispWnd::OnTimer(UINT_PTR id)
{
    if (id != kRealignTimer) {
        CWnd::OnTimer(id);
        return;
    }
    // Step by step while nothing else waits: a region or input that comes
    // meanwhile goes first, and the timer brings the rest.
    while (DoOwedStep() && !HIWORD(::GetQueueStatus(QS_POSTMESSAGE | QS_INPUT | QS_SENDMESSAGE))) {}
    if (!m_realignOwed && m_owedFills.empty()) KillTimer(kRealignTimer);
}

RECT CImageDispWnd::ComposeView(double f)
{
    RECT result{0, 0, 0, 0};
    RECT c;
    GetClientRect(&c);
    const int w = c.right - c.left, h = c.bottom - c.top;
    const int cx = ScreenCx(), cy = ScreenCy();
    // A factor that is not a real positive number, or one that would shrink
    // the frame to nothing or blow it past any sane size, has no animation.
    if (!m_mainReady) return result;
    RealignNow();
    const std::vector<view::ZoomFrame> frames = view::PlanZoomFrames(w, h, f, cx, cy, kMaxZoomFrames);
    if (frames.empty()) return result;
    CStageScope timing(m_stages, CStageTimes::kZoom);

    // Whole pixels dropped or repeated (the main buffer's stretch mode
    // COLORONCOLOR), stretched straight between the buffers' pixels.
    const int previousMode = m_main.SetStretchMode(COLORONCOLOR);
    HDC windowDC = ::GetDC(m_hWnd);
    const int xc = (c.left + c.right) / 2, yc = (c.top + c.bottom) / 2;
    const int ox = cx + m_pan.x, oy = cy + m_pan.y;
    auto stretchMain = [&](const RECT& src, const RECT& dst) {
        Stretch(m_main, m_view, dst, image::MapSpan(src.left, src.right, dst.left, dst.right),
                image::MapSpan(src.top, src.bottom, dst.top, dst.bottom), false);
    };
    auto drawSimple = [&](const view::ZoomFrame& z) { stretchMain(ToWin(view::ZoomSource(ox, oy, xc, yc, z)), c); };
    auto drawLarge = [&](const view::ZoomFrame& z) {
        const view::ZoomLargeLayout l = view::PlanZoomLarge(w, h, ox, oy, cx, cy, z);
        stretchMain(ToWin(l.mainSource), ToWin(l.picture));
        const RECT frame = ViewToLowRes(ToWin(l.frame)), area = ViewToLowRes(ToWin(l.area));
        for (const view::ZoomBand& band : view::ZoomLargeBands(ToRect(c), l.picture, ToRect(frame), ToRect(area)))
            StretchThumbnail(m_view, ToWin(band.source), ToWin(band.destination));
    };

    for (const view::ZoomFrame& z : frames) {
        if (z.large)
            drawLarge(z);
        else
            drawSimple(z);
        m_view.DrawLocked(windowDC);
        // The pace of zooming in: the transition is meant to be seen.
        if (f > 1.0) fw::Sleep(20);
    }
    ::ReleaseDC(m_hWnd, windowDC);

    // The main buffer now holds the zoomed picture where the image lies, grey
    // elsewhere. The picture is the last frame, which the view buffer holds:
    // the last large one after any simple ones.
    const RECT v = GetViewRect();
    result = ToWin(view::ZoomKeptRect(v.left, v.top, m_displayWidth, m_displayHeight, ToRect(c), f));
    m_main.Lock();
    const image::Pixels32 main = m_main.Pixels(), frame = m_view.Pixels();
    for (int y = 0; y < main.height; ++y) std::fill_n(main.data + (size_t)y * main.stride, main.width, 0xC0C0C0u);
    for (int y = result.top; y < result.bottom && y < frame.height; ++y) {
        const int l = std::max<int>(result.left, 0), r = std::min<int>(result.right, frame.width);
        if (l < r && cy + y < main.height && cx + r <= main.width)
            std::memcpy(main.data + (size_t)(cy + y) * main.stride + cx + l, frame.data + (size_t)y * frame.stride + l,
                        (size_t)(r - l) * sizeof(uint32_t));
    }
    m_main.Unlock();
    m_pan = CPoint(0, 0);
    m_main.SetStretchMode(previousMode);
    return result;
}

// ---------------------------------------------------------------------------
// Painting

void CImageDispWnd::InvalidateView(const RECT& rect)
{
    // A drag under way shows the view moved by the pan offset.
    const RECT shown = Shifted(rect, -m_pan.x, -m_pan.y);
    RECT c, x;
    GetClientRect(&c);
    if (::IntersectRect(&x, &shown, &c)) InvalidateRect(&x);
}

void CImageDispWnd::DrawLoadingText(HDC dc, const RECT& client)
{
    HFONT font = ::CreateFontA(64, 30, 0, 0, 400, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, "黑体");
    HGDIOBJ oldFont = ::SelectObject(dc, font);
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(dc, RGB(255, 255, 255));
    RECT r = client;
    ::DrawTextA(dc, kLoadingText, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_WORDBREAK);
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
    ::SelectObject(dc, oldFont);
    ::DeleteObject(font);
}

void CImageDispWnd::DrawContents()
{
    RECT c;
    GetClientRect(&c);
    DrawContents(c);
}

void CImageDispWnd::DrawContents(const RECT& area)
{
    HDC viewDC = m_view.GetMemoryDC();
    if (!viewDC) return;
    RECT C, A;
    GetClientRect(&C);
    const int W = C.right - C.left, H = C.bottom - C.top;
    if (W <= 0 || H <= 0 || !::IntersectRect(&A, &area, &C)) return;
    CStageScope timing(m_stages, CStageTimes::kCompose);
    const int cx = ScreenCx(), cy = ScreenCy();

    // With a realignment owed the buffer still lies as before it: the frame
    // is taken from there when the buffer covers the client, else the
    // realignment is done first; so are owed fills that the frame shows.
    CPoint offset = m_pan;
    if (m_realignOwed) offset.Offset(m_owedScroll.x, m_owedScroll.y);
    view::FramePlan plan = view::PlanFrame(W, H, offset.x, offset.y, cx, cy);
    const bool owedFillShows = OwedFillMeets(Shifted(C, cx + m_pan.x, cy + m_pan.y));
    if ((m_realignOwed && (plan.count > 0 || !plan.fromMain)) || owedFillShows) {
        RealignNow();
        plan = view::PlanFrame(W, H, m_pan.x, m_pan.y, cx, cy);
    }
    if (!m_mainReady) {
        plan.fromMain = false;
        plan.count = 1;
        plan.bands[0] = view::Rect{0, 0, W, H};
    }
    if (plan.fromMain) {
        const RECT source = Shifted(A, plan.mainSource.left, plan.mainSource.top);
        m_main.DrawLocked(viewDC, &source, &A);
    }
    if (!m_loading) {
        for (int i = 0; i < plan.count; ++i) {
            const RECT whole = ToWin(plan.bands[(size_t)i]);
            RECT band;
            if (::IntersectRect(&band, &A, &whole)) FillFromThumbnail(m_view, band, m_view.m_rect.left, m_view.m_rect.top);
        }
    }

    // What is drawn over the picture is drawn whole but kept to the area.
    const int saved = ::SaveDC(viewDC);
    ::IntersectClipRect(viewDC, A.left, A.top, A.right, A.bottom);
    if (m_loading) DrawLoadingText(viewDC, C);
    IObjectLayer* layers[] = {m_measureLayer, m_editorLayer, m_annotationLayer};
    for (IObjectLayer* layer : layers) {
        if (!layer) continue;
        layer->SetScale((float)m_view.m_scaleX, (float)m_view.m_scaleY, m_view.m_resX, m_view.m_resY);
        layer->DrawAll(viewDC);
    }
    if (m_scaleBar) {
        RECT frame = C;
        if (m_parent) {
            m_parent->GetClientRect(&frame);
            ::MapWindowPoints(m_parent->m_hWnd, m_hWnd, reinterpret_cast<POINT*>(&frame), 2);
        }
        m_scaleBar->SetClientRect(frame);
        m_scaleBar->Draw(viewDC);
    }
    ::RestoreDC(viewDC, saved);
}

BOOL CImageDispWnd::OnEraseBkgnd(HDC dc)
{
    // Only what was invalidated is composed again.
    RECT area;
    if (::GetClipBox(dc, &area) == NULLREGION) return TRUE;
    DrawContents(area);
    return TRUE;
}

void CImageDispWnd::OnPaint()
{
    CPaintDC dc(this);
    CStageScope timing(m_stages, CStageTimes::kPaint);
    const RECT& r = dc.m_ps.rcPaint;
    if (IsEmptyRect(r)) return;
    m_view.DrawLocked(dc, &r, &r);
    m_lastPaintAt = CStageTimes::NowMs();
}

void CImageDispWnd::OnClose()
{
    if (m_owner) m_owner->PostMessage(m_notifyMessage, 0, 0);
    ShowWindow(SW_HIDE);
}

// ---------------------------------------------------------------------------
// Mouse

void CImageDispWnd::OnLButtonDown(UINT flags, CPoint p)
{
    m_buttonDown = 1;
    SetCapture();
    int taken = m_scaleBar ? m_scaleBar->OnLButtonDown(p.x, p.y) : 0;
    if (!taken && m_editorLayer) taken = m_editorLayer->OnLButtonDown(flags, p);
    if (!taken && m_annotationLayer) taken = m_annotationLayer->OnLButtonDown(flags, p);
    if (!taken && m_measureLayer) taken = m_measureLayer->OnLButtonDown(flags, p);
    if (taken) {
        m_anchor = CPoint(0, 0);
    } else {
        m_anchor = p;
        ::SetCursor(m_grabCursor);
    }
}

void CImageDispWnd::OnLButtonUp(UINT flags, CPoint p)
{
    const bool panning = m_buttonDown && (m_anchor.x != 0 || m_anchor.y != 0);
    int taken = m_scaleBar ? m_scaleBar->OnLButtonUp(p.x, p.y) : 0;
    if (!taken && m_editorLayer) taken = m_editorLayer->OnLButtonUp(flags, p);
    if (!taken && m_annotationLayer) taken = m_annotationLayer->OnLButtonUp(flags, p);
    if (!taken && m_measureLayer) taken = m_measureLayer->OnLButtonUp(flags, p);
    if (!taken) ::SetCursor(m_handCursor);
    // A pan ends wherever it is released, over the screen ruler or an object
    // too: none of them took its press, and the uncovered ground is fetched.
    if ((!taken || panning) && m_buttonDown && (m_pan.x != 0 || m_pan.y != 0) && m_owner)
        m_owner->PostMessage(WM_VIEW_MOVED, 0, 0);
    m_anchor = CPoint(0, 0);
    ::ReleaseCapture();
    m_buttonDown = 0;
    Invalidate();
}

void CImageDispWnd::OnMouseMove(UINT flags, CPoint p)
{
    if (m_buttonDown && (m_anchor.x != 0 || m_anchor.y != 0)) {
        if (!m_owner) return;
        ::SetCursor(m_grabCursor);
        RECT n = m_view.m_rect;
        ::OffsetRect(&n, m_anchor.x - p.x, m_anchor.y - p.y);
        ApplyViewRect(n);
        m_owner->PostMessage(WM_VIEW_ORIGIN, (WPARAM)m_view.m_rect.left, (LPARAM)m_view.m_rect.top);
        m_anchor = p;
        return;
    }
    if (m_scaleBar && m_scaleBar->OnMouseMove(p.x, p.y)) return;
    if (m_editorLayer && m_editorLayer->OnMouseMove(flags, p)) return;
    if (m_annotationLayer && m_annotationLayer->OnMouseMove(flags, p)) return;
    if (m_measureLayer && m_measureLayer->OnMouseMove(flags, p)) return;
    ::SetCursor(m_handCursor);
}

void CImageDispWnd::OnLButtonDblClk(UINT flags, CPoint p)
{
    if (m_measureLayer) m_measureLayer->OnLButtonDblClk(flags, p);
    if (m_editorLayer) m_editorLayer->OnLButtonDblClk(flags, p);
    if (m_annotationLayer) m_annotationLayer->OnLButtonDblClk(flags, p);
}

void CImageDispWnd::OnRButtonUp(UINT flags, CPoint p)
{
    if (m_editorLayer && m_editorLayer->OnRButtonDown(flags, p)) return;
    if (m_annotationLayer && m_annotationLayer->OnRButtonDown(flags, p)) return;
    if (m_measureLayer) m_measureLayer->OnRButtonDown(flags, p);
}

BOOL CImageDispWnd::OnMouseWheel(UINT flags, short delta, CPoint p)
{
    int taken = m_editorLayer ? m_editorLayer->OnMouseWheel(flags, delta, p) : 0;
    if (!taken && m_annotationLayer) m_annotationLayer->OnMouseWheel(flags, delta, p);
    Invalidate();
    return TRUE;
}
