#include "Navigator.h"

#include "NavigatorIds.h"
#include "ViewerMessages.h"
#include "viewer/NavigationGeometry.h"

#include <cstring>

namespace nav = zelvo::nav;

namespace {

const UINT_PTR kBlinkTimer = 10;
const UINT kBlinkMs = 300;

nav::Rect ToNav(const RECT& r) { return nav::Rect{int32_t(r.left), int32_t(r.top), int32_t(r.right), int32_t(r.bottom)}; }
RECT ToWin(const nav::Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

HFONT MakeArialFont(int height, int width, int escapement)
{
    LOGFONTA lf;
    std::memset(&lf, 0, sizeof lf);
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = escapement;
    lf.lfWeight = FW_NORMAL;
    lf.lfPitchAndFamily = FF_SWISS;
    std::strcpy(lf.lfFaceName, "Arial");
    return ::CreateFontIndirectA(&lf);
}

// Black first, then white one pixel up and left.
void ShadowedText(HDC dc, const char* text, RECT rect, UINT format)
{
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::DrawTextA(dc, text, -1, &rect, format);
    ::OffsetRect(&rect, -1, -1);
    ::SetTextColor(dc, RGB(255, 255, 255));
    ::DrawTextA(dc, text, -1, &rect, format);
}

} // namespace

// ---------------------------------------------------------------------------
// CNavigatorDlg

BEGIN_MESSAGE_MAP(CNavigatorDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_MOUSEMOVE()
    ON_WM_RBUTTONUP()
    ON_WM_CLOSE()
    ON_WM_TIMER()
    ON_WM_MOVING()
END_MESSAGE_MAP()

CNavigatorDlg::CNavigatorDlg(CWnd* parent, CWnd* notify, UINT notifyMessage)
    : CDialog(IDD_NAVIGATOR, parent), m_pNotify(notify), m_notifyMessage(notifyMessage), m_pParent(parent)
{
}

CNavigatorDlg::~CNavigatorDlg()
{
    if (::IsWindow(Hwnd())) DestroyWindow();
    delete m_pThumbnail;
}

BOOL CNavigatorDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_pThumbnail = new CDib;
    m_pThumbnail->SetStretchMode(HALFTONE);
    ::SetWindowPos(Hwnd(), nullptr, 2, 53, 404, 332, SWP_NOZORDER | SWP_NOACTIVATE);
    TakeClientSize();
    DrawThumbnail();
    SetTimer(kBlinkTimer, kBlinkMs);
    return TRUE;
}

void CNavigatorDlg::TakeClientSize()
{
    RECT rc;
    ::GetClientRect(Hwnd(), &rc);
    m_clientW = rc.right - rc.left;
    m_clientH = rc.bottom - rc.top;
    SetScale(nav::PictureScale(m_clientW, m_thumbW), nav::PictureScale(m_clientH, m_thumbH));
    // A zero-sized bitmap cannot be made; keep at least one pixel.
    CreateOrResize(Hwnd(), m_clientW > 0 ? m_clientW : 1, m_clientH > 0 ? m_clientH : 1);
}

void CNavigatorDlg::SetScale(double sx, double sy)
{
    m_scaleX = sx;
    m_scaleY = sy;
    if (m_pFrame) m_pFrame->SetScale(sx, sy);
}

void CNavigatorDlg::SetFrame(CNavigationFrame* frame)
{
    m_pFrame = frame;
    if (m_pFrame) m_pFrame->SetScale(m_scaleX, m_scaleY);
}

void CNavigatorDlg::SetSampleSize(double widthMm, double heightMm, int ppmX, int ppmY)
{
    m_sampleWmm = widthMm;
    m_sampleHmm = heightMm;
    m_ppmX = ppmX;
    m_ppmY = ppmY;
    m_oneToOneW = nav::OneToOnePixels(ppmX, widthMm);
    m_oneToOneH = nav::OneToOnePixels(ppmY, heightMm);
}

BOOL CNavigatorDlg::LoadThumbnail(CFile& file)
{
    if (!m_pThumbnail) return FALSE;
    if (m_pThumbnail->ReadJpeg(file)) {
        FitToThumbnail();
        DrawThumbnail();
        return TRUE;
    }
    // No stale picture of the previous slide stays on show.
    m_pThumbnail->Free();
    m_thumbW = m_thumbH = 0;
    DrawThumbnail();
    return FALSE;
}

void CNavigatorDlg::FitToThumbnail()
{
    CSize size = m_pThumbnail ? m_pThumbnail->GetSize() : CSize(0, 0);
    m_thumbW = size.cx;
    m_thumbH = size.cy;
    int32_t w = 0, h = 0;
    if (!nav::FitThumbnailClient(m_thumbW, m_thumbH, ::GetSystemMetrics(SM_CYSCREEN), w, h)) return;
    RECT win, client;
    ::GetWindowRect(Hwnd(), &win);
    ::GetClientRect(Hwnd(), &client);
    const int marginW = (win.right - win.left) - client.right;
    const int marginH = (win.bottom - win.top) - client.bottom;
    ::SetWindowPos(Hwnd(), nullptr, 0, 0, w + marginW, h + marginH, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    TakeClientSize();
}

void CNavigatorDlg::DrawThumbnail()
{
    if (!GetMemoryDC()) return;
    Lock();
    RECT all{0, 0, Width(), Height()};
    ::FillRect(GetMemoryDC(), &all, (HBRUSH)::GetStockObject(WHITE_BRUSH));
    if (m_pThumbnail && !m_pThumbnail->IsEmpty()) m_pThumbnail->Draw(GetMemoryDC(), 0, 0, Width(), Height());
    Unlock();
    Invalidate(FALSE);
}

void CNavigatorDlg::PlaceBesideOwner()
{
    if (!m_pParent || !m_pParent->GetSafeHwnd()) return;
    RECT parent;
    ::GetWindowRect(m_pParent->GetSafeHwnd(), &parent);
    nav::Rect placed;
    if (!nav::PlaceBesideRect(ToNav(parent), m_clientW, m_clientH, placed)) return;
    ::MoveWindow(Hwnd(), placed.left, placed.top, placed.Width(), placed.Height(), TRUE);
    TakeClientSize();
    DrawThumbnail();
}

void CNavigatorDlg::MoveBy(int dx, int dy)
{
    RECT rc;
    ::GetWindowRect(Hwnd(), &rc);
    ::SetWindowPos(Hwnd(), nullptr, rc.left + dx, rc.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CNavigatorDlg::OnPaint()
{
    CPaintDC dc(this);
    DrawLocked(dc);
    if (m_pFrame) m_pFrame->Draw(dc);
    DrawTexts(dc);
}

void CNavigatorDlg::DrawTexts(HDC dc)
{
    RECT rc;
    ::GetClientRect(Hwnd(), &rc);
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::GetTextColor(dc);
    char text[64];

    HFONT font = MakeArialFont(16, 7, 0);
    HGDIOBJ oldFont = ::SelectObject(dc, font);
    std::snprintf(text, sizeof text, "%0.2fmm", m_sampleWmm);
    ShadowedText(dc, text, rc, DT_CENTER | DT_WORDBREAK);
    ::SelectObject(dc, oldFont);
    ::DeleteObject(font);

    font = MakeArialFont(16, 7, 900);
    oldFont = ::SelectObject(dc, font);
    int len = std::snprintf(text, sizeof text, "%0.2fmm", m_sampleHmm);
    const int y = rc.bottom - (rc.bottom - 7 * len - rc.top) / 2;
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::TextOutA(dc, 1, y + 9, text, len);
    ::SetTextColor(dc, RGB(255, 255, 255));
    ::TextOutA(dc, 0, y + 8, text, len);
    ::SelectObject(dc, oldFont);
    ::DeleteObject(font);

    // Before a slide gives the 1:1 size there is no magnification to show.
    double magnification = 0.0;
    if (nav::OverviewMagnification(m_clientW, m_oneToOneW, magnification)) {
        font = MakeArialFont(20, 9, 0);
        oldFont = ::SelectObject(dc, font);
        std::snprintf(text, sizeof text, "%0.1fX", magnification);
        ShadowedText(dc, text, RECT{rc.right - 80, rc.bottom - 22, rc.right, rc.bottom}, DT_CENTER | DT_WORDBREAK);
        ::SelectObject(dc, oldFont);
        ::DeleteObject(font);
    }
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
}

BOOL CNavigatorDlg::OnEraseBkgnd(HDC) { return TRUE; }

void CNavigatorDlg::OnLButtonDown(UINT flags, CPoint p)
{
    m_drag = 1;
    // The message's own key flags count too: they are what was held at the click.
    const bool ctrl = (flags & MK_CONTROL) != 0 || (::GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0;
    const bool taken = m_pFrame && m_pFrame->OnLButtonDown(p.x, p.y);
    if (!ctrl) {
        if (taken) {
            ::SetCapture(Hwnd());
        } else {
            // Dragging the picture moves the window.
            POINT s{p.x, p.y};
            ::ClientToScreen(Hwnd(), &s);
            ::PostMessage(Hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(s.x, s.y));
        }
    } else if (!taken && m_pFrame) {
        m_pFrame->CenterOn(p.x, p.y, TRUE);
    }
    Invalidate(FALSE);
}

void CNavigatorDlg::OnLButtonUp(UINT, CPoint p)
{
    if (m_pFrame) m_pFrame->OnLButtonUp(p.x, p.y);
    Invalidate(FALSE);
    m_drag = 0;
    ::ReleaseCapture();
}

void CNavigatorDlg::OnLButtonDblClk(UINT, CPoint p)
{
    if (m_pFrame) m_pFrame->OnLButtonDblClk(p.x, p.y);
    Invalidate(FALSE);
}

void CNavigatorDlg::OnMouseMove(UINT, CPoint p)
{
    if (m_pFrame && m_pFrame->OnMouseMove(p.x, p.y)) Invalidate(FALSE);
}

void CNavigatorDlg::OnRButtonUp(UINT, CPoint) { ::PostMessage(Hwnd(), WM_CLOSE, 0, 0); }

void CNavigatorDlg::OnClose()
{
    if (m_pNotify && m_pNotify->GetSafeHwnd()) ::PostMessage(m_pNotify->GetSafeHwnd(), m_notifyMessage, 0, 0);
    ShowWindow(SW_HIDE);
}

void CNavigatorDlg::OnTimer(UINT_PTR id)
{
    if (id != kBlinkTimer) return;
    KeepAboveOwner();
    Invalidate(FALSE);
}

void CNavigatorDlg::KeepAboveOwner()
{
    const HWND self = Hwnd(), owner = ::GetWindow(self, GW_OWNER);
    if (!owner || !::IsWindowVisible(self)) return;
    for (HWND w = ::GetWindow(self, GW_HWNDPREV); w; w = ::GetWindow(w, GW_HWNDPREV)) {
        if (w != owner) continue;
        // Right above the owner: not over other programs' windows.
        const HWND above = ::GetWindow(owner, GW_HWNDPREV);
        ::SetWindowPos(self, above ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
    }
}

void CNavigatorDlg::OnMoving(UINT, LPRECT rect)
{
    RECT area;
    if (m_pParent && m_pParent->GetSafeHwnd()) {
        ::GetClientRect(m_pParent->GetSafeHwnd(), &area);
        ::MapWindowPoints(m_pParent->GetSafeHwnd(), nullptr, reinterpret_cast<POINT*>(&area), 2);
    } else {
        area = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1};
    }
    *rect = ToWin(nav::ClampRect(ToNav(*rect), ToNav(area)));
    Invalidate(FALSE);
}

// ---------------------------------------------------------------------------
// CNavigationFrame

CNavigationFrame::CNavigationFrame(CWnd* owner, CWnd* notify)
    : CDrawObject(owner, nullptr, nullptr), m_pNotify(notify),
      m_cursorWE(::LoadCursor(nullptr, IDC_SIZEWE)), m_cursorNS(::LoadCursor(nullptr, IDC_SIZENS)),
      m_cursorAll(::LoadCursor(nullptr, IDC_SIZEALL)), m_cursorArrow(::LoadCursor(nullptr, IDC_ARROW))
{
}

RECT CNavigationFrame::OwnerArea() const
{
    RECT area{0, 0, 0, 0};
    if (m_pOwner && m_pOwner->GetSafeHwnd()) ::GetClientRect(m_pOwner->GetSafeHwnd(), &area);
    ScreenToImageRect(&area);
    return area;
}

POINT CNavigationFrame::ToImage(int x, int y) const
{
    POINT p{x, y};
    ScreenToImagePoint(&p);
    return p;
}

void CNavigationFrame::Post(UINT message, int wParam, int lParam)
{
    if (m_pNotify && m_pNotify->GetSafeHwnd())
        ::PostMessage(m_pNotify->GetSafeHwnd(), message, (WPARAM)(INT_PTR)wParam, (LPARAM)lParam);
}

SIZE CNavigationFrame::SetFrameRect(int l, int t, int r, int b)
{
    int32_t dx = 0, dy = 0;
    m_rect = ToWin(nav::ClampRect(nav::Rect{l, t, r, b}, ToNav(OwnerArea()), &dx, &dy));
    return SIZE{dx, dy};
}

void CNavigationFrame::CenterOn(int x, int y, BOOL postMoved)
{
    const POINT p = ToImage(x, y);
    const nav::Rect old = ToNav(m_rect);
    const nav::Rect c = nav::CenterRectOn(old, p.x, p.y);
    SetFrameRect(c.left, c.top, c.right, c.bottom);
    m_last = p;
    const int oldCx = (old.left + old.right) / 2, oldCy = (old.top + old.bottom) / 2;
    const int newCx = (m_rect.left + m_rect.right) / 2, newCy = (m_rect.top + m_rect.bottom) / 2;
    Post(WM_PAN_VIEW, newCx - oldCx, newCy - oldCy);
    if (postMoved) Post(WM_VIEW_MOVED, 0, 0);
}

int CNavigationFrame::HitMode(int x, int y) const { return nav::FrameHitMode(ToNav(m_rect), x, y); }

void CNavigationFrame::SetHitCursor(int x, int y)
{
    switch (HitMode(x, y)) {
    case nav::kHitMove: ::SetCursor(m_cursorAll); break;
    case nav::kHitTop:
    case nav::kHitBottom: ::SetCursor(m_cursorNS); break;
    case nav::kHitRight:
    case nav::kHitLeft: ::SetCursor(m_cursorWE); break;
    default: ::SetCursor(m_cursorArrow); break;
    }
}

int CNavigationFrame::OnLButtonDown(int x, int y)
{
    const POINT p = ToImage(x, y);
    SetHitCursor(p.x, p.y);
    m_dragging = 1;
    m_hitMode = HitMode(p.x, p.y);
    m_last = m_dragStart = p;
    return m_hitMode == nav::kHitMove;
}

int CNavigationFrame::OnMouseMove(int x, int y)
{
    const POINT p = ToImage(x, y);
    SetHitCursor(p.x, p.y);
    if (!m_dragging || m_hitMode != nav::kHitMove) return 0;
    const RECT old = m_rect;
    const int dx = p.x - m_last.x, dy = p.y - m_last.y;
    SetFrameRect(old.left + dx, old.top + dy, old.right + dx, old.bottom + dy);
    m_last = p;
    Post(WM_PAN_VIEW, m_rect.left - old.left, m_rect.top - old.top);
    return 1;
}

int CNavigationFrame::OnLButtonUp(int x, int y)
{
    const POINT p = ToImage(x, y);
    SetHitCursor(p.x, p.y);
    m_dragging = 0;
    m_hitMode = HitMode(p.x, p.y);
    const POINT start = m_dragStart;
    m_last = m_dragStart = p;
    if (m_hitMode != nav::kHitMove) return 0;
    if (p.x != start.x || p.y != start.y) Post(WM_VIEW_MOVED, 0, 0);
    return 1;
}

int CNavigationFrame::OnLButtonDblClk(int x, int y)
{
    CenterOn(x, y, TRUE);
    return 1;
}

void CNavigationFrame::Draw(HDC dc)
{
    // One toggle for all frames: with the owner's timer it makes them blink.
    static bool s_outlineShown = false;
    RECT area{0, 0, 0, 0};
    if (m_pOwner && m_pOwner->GetSafeHwnd()) ::GetClientRect(m_pOwner->GetSafeHwnd(), &area);
    RECT r = m_rect;
    ImageToScreenRect(&r);
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;

    HPEN dotted = ::CreatePen(PS_DOT, 1, RGB(0, 0, 0));
    HPEN none = ::CreatePen(PS_NULL, 0, RGB(0, 0, 0));
    HGDIOBJ oldPen = ::SelectObject(dc, dotted);
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
    ::MoveToEx(dc, area.left, cy, nullptr);
    ::LineTo(dc, area.right, cy);
    ::MoveToEx(dc, cx, area.top, nullptr);
    ::LineTo(dc, cx, area.bottom);
    ::SelectObject(dc, s_outlineShown ? dotted : none);
    ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
    s_outlineShown = !s_outlineShown;
    ::Ellipse(dc, cx - m_markW / 2, cy - m_markH / 2, cx + m_markW / 2, cy + m_markH / 2);
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
    ::DeleteObject(dotted);
    ::DeleteObject(none);
}
