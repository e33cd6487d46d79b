#include "ImageDispWnd.h"

#include "Dib.h"
#include "DisplayIds.h"
#include "ScaleBar.h"
#include "ViewerMessages.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

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

// Frames a zoom may draw before it gives up; the steps normally end far sooner.
const int kMaxZoomFrames = 2000;

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

BOOL CImageDispWnd::CreateDisplay(CWnd* parent, CWnd* owner, UINT notifyMessage)
{
    m_owner = owner;
    m_parent = parent;
    m_notifyMessage = notifyMessage;
    HINSTANCE instance = ::GetModuleHandle(nullptr);
    m_handCursor = ::LoadCursor(instance, MAKEINTRESOURCE(IDC_DISPLAY_HAND));
    m_grabCursor = ::LoadCursor(instance, MAKEINTRESOURCE(IDC_DISPLAY_GRAB));

    BOOL created;
    if (parent)
        created = CreateEx(0, nullptr, _T("Image Display Window"), 0x52000000, 0, 0, 1, 1, parent->m_hWnd, nullptr);
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

BOOL CImageDispWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    // Under its own class name, so that other programs and tools can find it.
    cs.lpszClass = AfxRegisterNamedWndClass(_T("CImageDispWnd"), CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                                            ::LoadCursor(nullptr, IDC_ARROW));
    return cs.lpszClass != nullptr;
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
    // Without a scale yet the thumbnail has nothing to map to.
    const double fx = m_view.m_scaleX != 0.0 ? m_lowRes.m_scaleX / m_view.m_scaleX : 0.0;
    const double fy = m_view.m_scaleY != 0.0 ? m_lowRes.m_scaleY / m_view.m_scaleY : 0.0;
    RECT out;
    out.left = (int)(rect.left * fx + m_lowRes.m_rect.left + 0.5);
    out.top = (int)(rect.top * fy + m_lowRes.m_rect.top + 0.5);
    out.right = (int)(rect.right * fx + m_lowRes.m_rect.left + 0.5);
    out.bottom = (int)(rect.bottom * fy + m_lowRes.m_rect.top + 0.5);
    return out;
}

void CImageDispWnd::SetSourceRect(int l, int t, int r, int b, int dx, int dy)
{
    m_view.m_rect = RECT{l, t, r, b};
    const double fx = m_view.m_scaleX != 0.0 ? m_lowRes.m_scaleX / m_view.m_scaleX : 0.0;
    const double fy = m_view.m_scaleY != 0.0 ? m_lowRes.m_scaleY / m_view.m_scaleY : 0.0;
    m_lowRes.m_rect = RECT{(int)(l * fx + 0.5), (int)(t * fy + 0.5), (int)(r * fx + 0.5), (int)(b * fy + 0.5)};
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

void CImageDispWnd::ClampToImage(RECT& rect) const
{
    auto clampAxis = [](LONG& start, LONG& end, int extent) {
        const LONG size = end - start;
        if (size <= extent) {
            if (start < 0) { start = 0; end = size; }
            if (end > extent) { end = extent; start = extent - size; }
        } else {
            if (start > 0) { start = 0; end = size; }
            if (end < extent) { end = extent; start = extent - size; }
        }
    };
    clampAxis(rect.left, rect.right, m_displayWidth);
    clampAxis(rect.top, rect.bottom, m_displayHeight);
}

void CImageDispWnd::OnMoving(UINT, LPRECT rect)
{
    if (rect) ClampToImage(*rect);
}

void CImageDispWnd::ApplyViewRect(const RECT& moved)
{
    RECT n = moved;
    ClampToImage(n);
    const RECT old = m_view.m_rect;
    SetSourceRect(n.left, n.top, n.right, n.bottom, n.left - old.left, n.top - old.top);
}

void CImageDispWnd::CenterOn(int x, int y)
{
    const int px = (int)(x * m_view.m_scaleX + 0.5), py = (int)(y * m_view.m_scaleY + 0.5);
    RECT c;
    GetClientRect(&c);
    const int xc = (c.left + c.right) / 2, yc = (c.top + c.bottom) / 2;
    RECT n = m_view.m_rect;
    ::OffsetRect(&n, px - (n.left + xc), py - (n.top + yc));
    ApplyViewRect(n);
    if (m_owner) {
        m_owner->PostMessage(WM_VIEW_ORIGIN, (WPARAM)m_view.m_rect.left, (LPARAM)m_view.m_rect.top);
        m_owner->PostMessage(WM_VIEW_MOVED, 0, 0);
    }
}

// ---------------------------------------------------------------------------
// Picture updates

void CImageDispWnd::StretchLowRes(HDC target, const RECT& viewBand, const RECT& destination)
{
    RECT source = ViewToLowRes(viewBand);
    m_lowRes.DrawLocked(target, &source, &destination);
}

void CImageDispWnd::DrawBackgroundImage(CDib* thumbnail)
{
    if (!thumbnail) return;
    int w = 0, h = 0;
    m_lowRes.GetSize(w, h);
    m_lowRes.Lock();
    if (m_lowRes.GetMemoryDC()) thumbnail->Draw(m_lowRes.GetMemoryDC(), 0, 0, w, h);
    m_lowRes.Unlock();
    if (!m_mainReady) return;
    const int cx = ScreenCx(), cy = ScreenCy();
    RECT all{0, 0, 3 * cx, 3 * cy};
    m_main.Lock();
    StretchLowRes(m_main.GetMemoryDC(), RECT{-cx, -cy, 2 * cx, 2 * cy}, all);
    m_main.Unlock();
}

void CImageDispWnd::PutTile(CDib* tile, const RECT& rect)
{
    if (!tile || !m_mainReady) return;
    const int cx = ScreenCx(), cy = ScreenCy();
    m_main.Lock();
    tile->Draw(m_main.GetMemoryDC(), rect.left + cx, rect.top + cy, rect.right + cx, rect.bottom + cy);
    m_main.Unlock();
}

void CImageDispWnd::FillFromLowRes(int l, int t, int r, int b)
{
    RECT band{l, t, r, b};
    if (IsEmptyRect(band) || !m_mainReady) return;
    ::OffsetRect(&band, m_savedOrigin.x, m_savedOrigin.y);
    RECT image{0, 0, m_displayWidth, m_displayHeight};
    RECT clipped;
    if (!::IntersectRect(&clipped, &band, &image)) return;
    ::OffsetRect(&clipped, -m_savedOrigin.x, -m_savedOrigin.y);
    RECT destination = clipped;
    ::OffsetRect(&destination, ScreenCx(), ScreenCy());
    m_main.Lock();
    StretchLowRes(m_main.GetMemoryDC(), clipped, destination);
    m_main.Unlock();
}

void CImageDispWnd::FillAroundFromLowRes(int l, int t, int r, int b)
{
    m_savedOrigin = CPoint(m_view.m_rect.left, m_view.m_rect.top);
    const int cx = ScreenCx(), cy = ScreenCy();
    FillFromLowRes(-cx, -cy, 2 * cx, t);
    FillFromLowRes(-cx, b, 2 * cx, 2 * cy);
    FillFromLowRes(-cx, t, l, b);
    FillFromLowRes(r, t, 2 * cx, b);
}

CPoint CImageDispWnd::ScrollBy()
{
    const int dx = m_pan.x, dy = m_pan.y;
    if (dx == 0 && dy == 0) return CPoint(0, 0);
    m_savedOrigin = CPoint(m_view.m_rect.left, m_view.m_rect.top);
    m_pan = CPoint(0, 0);
    const int cx = ScreenCx(), cy = ScreenCy();
    if (std::abs(dx) < 2 * cx && std::abs(dy) < 2 * cy) {
        if (m_mainReady) {
            m_main.Lock();
            m_main.Scroll(-dx, -dy);
            m_main.Unlock();
        }
        if (dx < 0 && dy < 0) {
            FillFromLowRes(-cx, -cy, 2 * cx, -cy - dy);
            FillFromLowRes(-cx, -cy - dy, -cx - dx, 2 * cy);
        } else if (dx < 0 && dy > 0) {
            FillFromLowRes(-cx, -cy, -cx - dx, 2 * cy - dy);
            FillFromLowRes(-cx, 2 * cy - dy, 2 * cx, 2 * cy);
        } else if (dx < 0) {
            FillFromLowRes(-cx, -cy, -cx - dx, 2 * cy);
        } else if (dx > 0 && dy < 0) {
            FillFromLowRes(-cx, -cy, 2 * cx, -cy - dy);
            FillFromLowRes(2 * cx - dx, -cy - dy, 2 * cx, 2 * cy);
        } else if (dx > 0 && dy > 0) {
            FillFromLowRes(2 * cx - dx, -cy, 2 * cx, 2 * cy - dy);
            FillFromLowRes(-cx, 2 * cy - dy, 2 * cx, 2 * cy);
        } else if (dx > 0) {
            FillFromLowRes(2 * cx - dx, -cy, 2 * cx, 2 * cy);
        } else if (dy < 0) {
            FillFromLowRes(-cx, -cy, 2 * cx, -cy - dy);
        } else {
            FillFromLowRes(-cx, 2 * cy - dy, 2 * cx, 2 * cy);
        }
    } else {
        FillFromLowRes(-cx, -cy, 2 * cx, 2 * cy);
    }
    return CPoint(dx, dy);
}

RECT CImageDispWnd::ComposeView(double f)
{
    RECT result{0, 0, 0, 0};
    RECT c;
    GetClientRect(&c);
    const int w = c.right - c.left, h = c.bottom - c.top;
    // A factor that is not a real positive number, or one that would shrink
    // the frame to nothing or blow it past any sane size, has no animation.
    if (!std::isfinite(f) || f <= 0.0 || w <= 0 || h <= 0 || !m_mainReady) return result;
    const double wq = w / f, hq = h / f;
    if (wq < 1.0 || hq < 1.0 || wq > 1e6 || hq > 1e6) return result;
    const int W = (int)wq, H = (int)hq;

    const int previousMode = m_main.SetStretchMode(COLORONCOLOR);
    HDC windowDC = ::GetDC(m_hWnd);
    const int xc = (c.left + c.right) / 2, yc = (c.top + c.bottom) / 2;
    CDisplayBuffer temp(m_hWnd, w, h);
    const int cx = ScreenCx(), cy = ScreenCy();
    const float k = (float)cx * (float)cy * 1.2715658e-6f;
    const CPoint O(cx + m_pan.x, cy + m_pan.y);
    HDC viewDC = m_view.GetMemoryDC();
    auto heightOf = [&](int s) { return (int)((int64_t)s * H / W); };
    auto simpleSource = [&](int s, int height) {
        return RECT{O.x + xc - s / 2, O.y + yc - height / 2, O.x + xc + s / 2, O.y + yc + height / 2};
    };
    auto drawSimple = [&](HDC target, int s) {
        RECT src = simpleSource(s, heightOf(s));
        m_main.DrawLocked(target, &src, &c);
    };
    auto drawLarge = [&](HDC target, int s) {
        const int height = heightOf(s);
        if (height <= 0) return;
        const int a = (int)((int64_t)3 * cx * w / s), b = (int)((int64_t)3 * cy * h / height);
        RECT X{xc - a / 2, yc - b / 2, xc + a / 2, yc + b / 2};
        RECT mainSrc{O.x + xc - 3 * cx / 2, O.y + yc - 3 * cy / 2, O.x + xc + 3 * cx / 2, O.y + yc + 3 * cy / 2};
        m_main.DrawLocked(target, &mainSrc, &X);
        RECT F = ViewToLowRes(RECT{xc - s / 2, yc - height / 2, xc + s / 2, yc + height / 2});
        RECT M = ViewToLowRes(RECT{xc - 3 * cx / 2, yc - 3 * cy / 2, xc + 3 * cx / 2, yc + 3 * cy / 2});
        struct Band { RECT dst, src; } bands[] = {
            {{c.left, c.top, c.right, X.top}, {F.left, F.top, F.right, M.top}},
            {{c.left, X.top, X.left, X.bottom}, {F.left, M.top, M.left, M.bottom}},
            {{X.right, X.top, c.right, X.bottom}, {M.right, M.top, F.right, M.bottom}},
            {{c.left, X.bottom, c.right, c.bottom}, {F.left, M.bottom, F.right, F.bottom}},
        };
        for (const Band& band : bands)
            if (!IsEmptyRect(band.dst)) m_lowRes.DrawLocked(target, &band.src, &band.dst);
    };

    int frames = 0;
    if (f > 1.0) {
        const int step = std::max(1, (int)(10 * k * k));
        int last = -1;
        for (int s = w - 1; s >= W - step && frames < kMaxZoomFrames; s -= step, ++frames) {
            drawSimple(viewDC, s);
            m_view.DrawLocked(windowDC);
            fw::Sleep(20);
            last = s;
        }
        if (last >= 0) drawSimple(temp.GetMemoryDC(), last);
    } else {
        int step = std::max(1, (int)(30 * k * k));
        int lastSimple = -1, lastLarge = -1;
        for (int s = w + 1; s <= W + step && frames < kMaxZoomFrames; s += step, ++frames) {
            if (s <= 3 * cx) {
                drawSimple(viewDC, s);
                lastSimple = s;
            } else {
                drawLarge(viewDC, s);
                lastLarge = s;
                const double next = 1.0 / f + step;
                step = next < 1e6 ? std::max(1, (int)next) : 1000000;
            }
            m_view.DrawLocked(windowDC);
        }
        if (lastSimple >= 0) drawSimple(temp.GetMemoryDC(), lastSimple);
        if (lastLarge >= 0) drawLarge(temp.GetMemoryDC(), lastLarge);
    }

    // The main buffer now holds the zoomed picture where the image lies, grey elsewhere.
    m_main.Lock();
    FillSolid(m_main.GetMemoryDC(), RECT{0, 0, 3 * cx, 3 * cy}, kGrey);
    const RECT v = GetViewRect();
    auto sx = [&](int x) { return (int)((x - xc) * f + xc); };
    auto sy = [&](int y) { return (int)((y - yc) * f + yc); };
    RECT I{sx(-v.left), sy(-v.top), sx(m_displayWidth - v.left), sy(m_displayHeight - v.top)};
    if (::IntersectRect(&result, &I, &c)) {
        ::BitBlt(m_main.GetMemoryDC(), cx + result.left, cy + result.top, result.right - result.left,
                 result.bottom - result.top, temp.GetMemoryDC(), result.left, result.top, SRCCOPY);
    } else {
        result = RECT{0, 0, 0, 0};
    }
    m_main.Unlock();
    ::ReleaseDC(m_hWnd, windowDC);
    m_pan = CPoint(0, 0);
    m_main.SetStretchMode(previousMode);
    return result;
}

// ---------------------------------------------------------------------------
// Painting

void CImageDispWnd::DrawContents()
{
    HDC viewDC = m_view.GetMemoryDC();
    if (!viewDC) return;
    RECT C;
    GetClientRect(&C);
    const int W = C.right - C.left, H = C.bottom - C.top;
    if (W <= 0 || H <= 0) return;
    const int cx = ScreenCx(), cy = ScreenCy();
    RECT S = C;
    ::OffsetRect(&S, cx + m_pan.x, cy + m_pan.y);
    const int mainW = 3 * cx, mainH = 3 * cy;

    if (!m_mainReady) {
        if (!m_loading) m_lowRes.DrawLocked(viewDC, &m_lowRes.m_rect, &C);
    } else if (S.left >= 0 && S.top >= 0 && S.right <= mainW && S.bottom <= mainH) {
        m_main.DrawLocked(viewDC, &S, &C);
    } else if (S.right <= 0 || S.bottom <= 0 || S.left >= mainW || S.top >= mainH) {
        if (!m_loading) m_lowRes.DrawLocked(viewDC, &m_lowRes.m_rect, &C);
    } else {
        m_main.DrawLocked(viewDC, &S, &C);
        if (!m_loading) {
            int bandTop = 0, bandBottom = H;
            if (S.top < 0) {
                RECT band{0, 0, W, -S.top};
                StretchLowRes(viewDC, band, band);
                bandTop = -S.top;
            }
            if (S.bottom > mainH) {
                RECT band{0, H - (S.bottom - mainH), W, H};
                StretchLowRes(viewDC, band, band);
                bandBottom = band.top;
            }
            if (S.left < 0) {
                RECT band{0, bandTop, -S.left, bandBottom};
                if (!IsEmptyRect(band)) StretchLowRes(viewDC, band, band);
            }
            if (S.right > mainW) {
                RECT band{W - (S.right - mainW), bandTop, W, bandBottom};
                if (!IsEmptyRect(band)) StretchLowRes(viewDC, band, band);
            }
        }
    }

    if (m_loading) {
        HFONT font = ::CreateFontA(64, 30, 0, 0, 400, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, "黑体");
        HGDIOBJ oldFont = ::SelectObject(viewDC, font);
        const int oldMode = ::SetBkMode(viewDC, TRANSPARENT);
        const COLORREF oldColour = ::SetTextColor(viewDC, RGB(255, 255, 255));
        RECT r = C;
        ::DrawTextA(viewDC, kLoadingText, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_WORDBREAK);
        ::SetTextColor(viewDC, oldColour);
        ::SetBkMode(viewDC, oldMode);
        ::SelectObject(viewDC, oldFont);
        ::DeleteObject(font);
    }

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
}

BOOL CImageDispWnd::OnEraseBkgnd(HDC)
{
    DrawContents();
    return TRUE;
}

void CImageDispWnd::OnPaint()
{
    CPaintDC dc(this);
    m_view.DrawLocked(dc);
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
    int taken = m_scaleBar ? m_scaleBar->OnLButtonUp(p.x, p.y) : 0;
    if (!taken && m_editorLayer) taken = m_editorLayer->OnLButtonUp(flags, p);
    if (!taken && m_annotationLayer) taken = m_annotationLayer->OnLButtonUp(flags, p);
    if (!taken && m_measureLayer) taken = m_measureLayer->OnLButtonUp(flags, p);
    if (!taken) {
        ::SetCursor(m_handCursor);
        if (m_buttonDown && (m_pan.x != 0 || m_pan.y != 0) && m_owner) m_owner->PostMessage(WM_VIEW_MOVED, 0, 0);
    }
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
