// Docking of toolbars: a docked bar carries a gripper by which it is dragged
// to another edge of its frame or off it into a small floating window; the
// floating window's caption drags it back, and a double click on that caption
// docks it where it was docked last.
#include "FwBars.h"

#include <algorithm>

namespace {

const int kGripper = 8;      // gripper band, pixels
const int kDockZone = 32;    // how near an edge a drop docks there
const int kMargin = 4;       // space round the buttons across the bar
// Posted to a bar whose floating window's caption was double-clicked: docking
// destroys that window, which must not happen inside its own handler.
const UINT WM_FW_REDOCK = 0x0369;

const DWORD kFloatStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
const DWORD kFloatExStyle = WS_EX_TOOLWINDOW;

DWORD AlignmentOf(DockSide side)
{
    switch (side) {
    case DockSide::Top: return CBRS_ALIGN_TOP;
    case DockSide::Bottom: return CBRS_ALIGN_BOTTOM;
    case DockSide::Left: return CBRS_ALIGN_LEFT;
    case DockSide::Right: return CBRS_ALIGN_RIGHT;
    default: return 0;
    }
}

bool IsVertical(DockSide side) { return side == DockSide::Left || side == DockSide::Right; }

// The floating window: it holds the bar as its only child and lends it its caption.
class CFloatingBarFrame : public CWnd {
public:
    explicit CFloatingBarFrame(CToolBar* bar) : m_bar(bar) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_NCLBUTTONDOWN:
            if (wParam == HTCAPTION) {
                m_bar->BeginDrag(CPoint((short)LOWORD(lParam), (short)HIWORD(lParam)));
                return 0;
            }
            break;
        case WM_NCLBUTTONDBLCLK:
            if (wParam == HTCAPTION) {
                m_bar->PostMessage(WM_FW_REDOCK);
                return 0;
            }
            break;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_CLOSE:
            return 0;  // the bar goes back by a drag or a double click, never away
        case WM_COMMAND:
        case WM_NOTIFY:
            if (CFrameWnd* frame = m_bar->GetDockingFrame()) return frame->SendMessage(message, wParam, lParam);
            break;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }

protected:
    void PostNcDestroy() override { delete this; }

private:
    CToolBar* m_bar;
};

// The size of the floating window for a bar client size.
SIZE FloatWindowSize(SIZE client)
{
    RECT r = {0, 0, client.cx, client.cy};
    ::AdjustWindowRectEx(&r, kFloatStyle, FALSE, kFloatExStyle);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void DrawOutline(const RECT& r)
{
    HDC screen = ::GetDC(nullptr);
    RECT inner = r;
    // Two focus rectangles make the outline visible over any picture.
    ::DrawFocusRect(screen, &inner);
    ::InflateRect(&inner, -1, -1);
    ::DrawFocusRect(screen, &inner);
    ::ReleaseDC(nullptr, screen);
}

} // namespace

// ---------------------------------------------------------------------------
// Layout of the bar on a side

CSize CToolBar::CalcDockSize(DockSide side, int length)
{
    if (!m_hWnd) return CSize(0, 0);
    FindHostedControls();
    const int count = GetCount();
    const DWORD buttonSize = (DWORD)::SendMessage(m_hWnd, TB_GETBUTTONSIZE, 0, 0);
    const int buttonWidth = LOWORD(buttonSize), buttonHeight = HIWORD(buttonSize);
    const bool vertical = IsVertical(side);

    // Vertical: one item a row, separators become bands across the bar.
    // Horizontal: one row.
    int widest = buttonWidth;
    for (int i = 0; i < count; ++i) {
        TBBUTTON b = {};
        if (!::SendMessage(m_hWnd, TB_GETBUTTON, (WPARAM)i, (LPARAM)&b)) continue;
        const int state = b.fsState;
        const int want = vertical ? (state | TBSTATE_WRAP) : (state & ~TBSTATE_WRAP);
        if (want != state) {
            TBBUTTONINFO info = {sizeof info, TBIF_STATE | TBIF_BYINDEX};
            info.fsState = (BYTE)want;
            ::SendMessage(m_hWnd, TB_SETBUTTONINFO, (WPARAM)i, (LPARAM)&info);
        }
        if (b.fsStyle & BTNS_SEP) widest = std::max(widest, (int)b.iBitmap);
    }
    for (const Hosted& h : m_hosted) {
        RECT r;
        if (::GetWindowRect(h.wnd, &r)) widest = std::max(widest, (int)(r.right - r.left));
    }
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ::SendMessage(m_hWnd, TB_AUTOSIZE, 0, 0);

    const int grip = HasGripper() ? kGripper : 0;
    CSize size;
    if (vertical) {
        size.cx = widest + 2 * kMargin;
        size.cy = length;
    } else {
        SIZE all = {};
        ::SendMessage(m_hWnd, TB_GETMAXSIZE, 0, (LPARAM)&all);
        size.cx = length > 0 ? length : all.cx + grip + kMargin;
        size.cy = buttonHeight + 6;
    }
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return size;
}

RECT CToolBar::GripperRect() const
{
    RECT w;
    ::GetWindowRect(m_hWnd, &w);
    ::OffsetRect(&w, -w.left, -w.top);
    if (Vertical()) w.bottom = w.top + kGripper;
    else w.right = w.left + kGripper;
    return w;
}

// Controls placed over a separator (the lists of a frame's toolbar) are
// recorded with that separator the first time the layout sees them.
void CToolBar::FindHostedControls()
{
    m_hosted.erase(std::remove_if(m_hosted.begin(), m_hosted.end(), [](const Hosted& h) { return !::IsWindow(h.wnd); }),
                   m_hosted.end());
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (std::any_of(m_hosted.begin(), m_hosted.end(), [child](const Hosted& h) { return h.wnd == child; }))
            continue;
        RECT r;
        ::GetWindowRect(child, &r);
        POINT corner = {r.left, r.top};
        ::ScreenToClient(m_hWnd, &corner);
        for (int i = 0, n = GetCount(); i < n; ++i) {
            TBBUTTON b = {};
            if (!::SendMessage(m_hWnd, TB_GETBUTTON, (WPARAM)i, (LPARAM)&b) || !(b.fsStyle & BTNS_SEP)) continue;
            RECT item;
            GetItemRect(i, &item);
            if (::PtInRect(&item, corner)) {
                m_hosted.push_back(Hosted{child, i});
                break;
            }
        }
    }
}

void CToolBar::MoveHostedControls()
{
    for (const Hosted& h : m_hosted) {
        RECT item, r;
        GetItemRect(h.separator, &item);
        ::GetWindowRect(h.wnd, &r);
        const int height = r.bottom - r.top;
        int y = item.top + (item.bottom - item.top - height) / 2;
        if (y < item.top) y = item.top;
        // Only moved: a drop-down list keeps the height of its open list.
        ::SetWindowPos(h.wnd, nullptr, item.left + (Vertical() ? kMargin : 0), y, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// ---------------------------------------------------------------------------
// Dragging

void CToolBar::BeginDrag(CPoint screen)
{
    if (!m_hWnd || !m_pDockSite || !m_dwDockStyle || m_dragging) return;
    RECT outline;
    ::GetWindowRect(m_pFloatFrame ? m_pFloatFrame->m_hWnd : m_hWnd, &outline);
    m_dragGrab = CPoint(screen.x - outline.left, screen.y - outline.top);
    m_dragStart = screen;
    m_dragOutline = outline;
    m_dragging = true;
    ::SetCapture(m_hWnd);
    DrawOutline(m_dragOutline);
    m_outlineShown = true;
}

DockSide CToolBar::DropTarget(CPoint pt, RECT& outline)
{
    RECT client;
    m_pDockSite->GetClientRect(&client);
    m_pDockSite->ClientToScreen(&client);
    const DWORD allowed = m_dwDockStyle & m_pDockSite->GetDockingStyle();
    if (::PtInRect(&client, pt)) {
        struct Edge {
            DockSide side;
            long distance;
        };
        Edge edges[] = {{DockSide::Top, pt.y - client.top},
                        {DockSide::Bottom, client.bottom - 1 - pt.y},
                        {DockSide::Left, pt.x - client.left},
                        {DockSide::Right, client.right - 1 - pt.x}};
        // The side the bar is on wins while the pointer stays in its zone, so
        // that a press on the gripper and a release do not move it.
        std::stable_sort(std::begin(edges), std::end(edges), [this](const Edge& a, const Edge& b) {
            if ((a.side == m_dockSide) != (b.side == m_dockSide)) return a.side == m_dockSide;
            return a.distance < b.distance;
        });
        for (const Edge& e : edges) {
            if (!(allowed & AlignmentOf(e.side)) || e.distance > kDockZone) continue;
            const DWORD buttonSize = (DWORD)::SendMessage(m_hWnd, TB_GETBUTTONSIZE, 0, 0);
            const int thick = HIWORD(buttonSize) + 6;
            int wide = LOWORD(buttonSize);
            for (int i = 0, n = GetCount(); i < n; ++i) {
                TBBUTTON b = {};
                if (::SendMessage(m_hWnd, TB_GETBUTTON, (WPARAM)i, (LPARAM)&b) && (b.fsStyle & BTNS_SEP))
                    wide = std::max(wide, (int)b.iBitmap);
            }
            wide += 2 * kMargin;
            outline = client;
            switch (e.side) {
            case DockSide::Top: outline.bottom = client.top + thick; break;
            case DockSide::Bottom: outline.top = client.bottom - thick; break;
            case DockSide::Left: outline.right = client.left + wide; break;
            default: outline.left = client.right - wide; break;
            }
            return e.side;
        }
    }
    SIZE all = {};
    ::SendMessage(m_hWnd, TB_GETMAXSIZE, 0, (LPARAM)&all);
    const DWORD buttonSize = (DWORD)::SendMessage(m_hWnd, TB_GETBUTTONSIZE, 0, 0);
    const SIZE window = FloatWindowSize(SIZE{all.cx + kMargin, (LONG)HIWORD(buttonSize) + 6});
    const int grabX = std::min<int>(m_dragGrab.x, window.cx - 1), grabY = std::min<int>(m_dragGrab.y, window.cy - 1);
    outline = RECT{pt.x - grabX, pt.y - grabY, pt.x - grabX + window.cx, pt.y - grabY + window.cy};
    return DockSide::Floating;
}

void CToolBar::DragTo(CPoint screen)
{
    RECT outline;
    DropTarget(screen, outline);
    if (::EqualRect(&outline, &m_dragOutline)) return;
    if (m_outlineShown) DrawOutline(m_dragOutline);
    m_dragOutline = outline;
    DrawOutline(m_dragOutline);
    m_outlineShown = true;
}

void CToolBar::EndDrag(bool drop, CPoint pt)
{
    if (!m_dragging) return;
    m_dragging = false;
    if (m_outlineShown) DrawOutline(m_dragOutline);
    m_outlineShown = false;
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
    if (!drop) return;

    // A click that did not move is no drag.
    if (std::abs(pt.x - m_dragStart.x) < ::GetSystemMetrics(SM_CXDRAG) &&
        std::abs(pt.y - m_dragStart.y) < ::GetSystemMetrics(SM_CYDRAG))
        return;
    RECT outline;
    const DockSide target = DropTarget(pt, outline);
    if (target == DockSide::Floating) {
        m_pDockSite->FloatControlBar(this, CPoint(outline.left, outline.top));
        return;
    }
    static const UINT ids[] = {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM, AFX_IDW_DOCKBAR_LEFT, AFX_IDW_DOCKBAR_RIGHT};
    if (target != m_dockSide) m_pDockSite->DockControlBar(this, ids[(int)target]);
}

// The messages the bar handles for docking: the gripper, the drag and the
// way back from floating. True when one was taken, with its result.
bool CToolBar::DockingMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    if (m_dragging) {
        switch (message) {
        case WM_MOUSEMOVE: {
            POINT pt = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
            ::ClientToScreen(m_hWnd, &pt);
            DragTo(CPoint(pt));
            return true;
        }
        case WM_LBUTTONUP: {
            POINT pt = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
            ::ClientToScreen(m_hWnd, &pt);
            EndDrag(true, CPoint(pt));
            return true;
        }
        case WM_CAPTURECHANGED:
            EndDrag(false, CPoint());
            return true;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) EndDrag(false, CPoint());
            return true;
        }
    }
    switch (message) {
    case WM_FW_REDOCK:
        if (m_pDockSite && IsFloating()) m_pDockSite->DockControlBar(this);
        return true;
    case WM_NCCALCSIZE: {
        result = CWnd::WindowProc(message, wParam, lParam);
        if (HasGripper()) {
            RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
            if (Vertical()) r->top = std::min(r->top + kGripper, r->bottom);
            else r->left = std::min(r->left + kGripper, r->right);
        }
        return true;
    }
    case WM_NCPAINT: {
        result = CWnd::WindowProc(message, wParam, lParam);
        if (HasGripper()) {
            HDC dc = ::GetWindowDC(m_hWnd);
            RECT grip = GripperRect();
            ::FillRect(dc, &grip, ::GetSysColorBrush(COLOR_BTNFACE));
            // Two raised ridges along the bar.
            RECT ridge = grip;
            if (Vertical()) {
                ::InflateRect(&ridge, -2, 0);
                ridge.top = grip.top + 2;
                ridge.bottom = ridge.top + 3;
                ::DrawEdge(dc, &ridge, BDR_RAISEDINNER, BF_RECT);
                ::OffsetRect(&ridge, 0, 3);
            } else {
                ::InflateRect(&ridge, 0, -2);
                ridge.left = grip.left + 2;
                ridge.right = ridge.left + 3;
                ::DrawEdge(dc, &ridge, BDR_RAISEDINNER, BF_RECT);
                ::OffsetRect(&ridge, 3, 0);
            }
            ::DrawEdge(dc, &ridge, BDR_RAISEDINNER, BF_RECT);
            ::ReleaseDC(m_hWnd, dc);
        }
        return true;
    }
    case WM_NCHITTEST: {
        if (!HasGripper()) return false;
        RECT w;
        ::GetWindowRect(m_hWnd, &w);
        POINT pt = {(short)LOWORD(lParam) - w.left, (short)HIWORD(lParam) - w.top};
        RECT grip = GripperRect();
        if (!::PtInRect(&grip, pt)) return false;
        result = HTBORDER;
        return true;
    }
    case WM_NCLBUTTONDOWN:
        if (wParam != HTBORDER || !HasGripper()) return false;
        BeginDrag(CPoint((short)LOWORD(lParam), (short)HIWORD(lParam)));
        return true;
    case WM_NCLBUTTONDBLCLK:
        if (wParam != HTBORDER || !HasGripper() || !m_dwDockStyle) return false;
        {
            RECT r;
            ::GetWindowRect(m_hWnd, &r);
            m_pDockSite->FloatControlBar(this, CPoint(r.left, r.top));
        }
        return true;
    case WM_SETCURSOR:
        if (LOWORD(lParam) != HTBORDER || !HasGripper()) return false;
        ::SetCursor(::LoadCursor(nullptr, IDC_SIZEALL));
        result = TRUE;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// The frame's side

void CFrameWnd::DockControlBar(CToolBar* bar, UINT dockBarId)
{
    if (!bar || !bar->m_hWnd || !m_hWnd) return;
    DockSide side = bar->m_lastDocked;
    switch (dockBarId) {
    case AFX_IDW_DOCKBAR_TOP: side = DockSide::Top; break;
    case AFX_IDW_DOCKBAR_BOTTOM: side = DockSide::Bottom; break;
    case AFX_IDW_DOCKBAR_LEFT: side = DockSide::Left; break;
    case AFX_IDW_DOCKBAR_RIGHT: side = DockSide::Right; break;
    case AFX_IDW_DOCKBAR_FLOAT: {
        RECT r;
        bar->GetWindowRect(&r);
        FloatControlBar(bar, CPoint(r.left, r.top));
        return;
    }
    }
    // A side that the bar or the frame refuses gives the first side both accept.
    const DWORD allowed = bar->m_dwDockStyle & m_dwDockStyle;
    if (!(allowed & AlignmentOf(side))) {
        const DockSide order[] = {DockSide::Top, DockSide::Bottom, DockSide::Left, DockSide::Right};
        auto found = std::find_if(std::begin(order), std::end(order), [&](DockSide s) { return allowed & AlignmentOf(s); });
        if (found == std::end(order)) return;
        side = *found;
    }
    if (std::find(m_dockBars.begin(), m_dockBars.end(), bar->m_hWnd) == m_dockBars.end())
        m_dockBars.push_back(bar->m_hWnd);

    bar->FindHostedControls();
    CWnd* floating = bar->m_pFloatFrame;
    bar->m_pFloatFrame = nullptr;
    bar->m_pDockSite = this;
    bar->m_dockSide = side;
    bar->m_lastDocked = side;
    if (::GetParent(bar->m_hWnd) != m_hWnd) ::SetParent(bar->m_hWnd, m_hWnd);
    if (floating) floating->DestroyWindow();
    RecalcLayout();
    // A flat bar lets the frame paint its background: all of it changed.
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void CFrameWnd::FloatControlBar(CToolBar* bar, CPoint screen)
{
    if (!bar || !bar->m_hWnd || !m_hWnd) return;
    if (std::find(m_dockBars.begin(), m_dockBars.end(), bar->m_hWnd) == m_dockBars.end())
        m_dockBars.push_back(bar->m_hWnd);
    bar->FindHostedControls();
    bar->m_pDockSite = this;
    bar->m_dockSide = DockSide::Floating;
    const CSize client = bar->CalcDockSize(DockSide::Floating, 0);
    const SIZE window = FloatWindowSize(SIZE{client.cx, client.cy});
    if (!bar->m_pFloatFrame) {
        auto* frame = new CFloatingBarFrame(bar);
        LPCTSTR cls = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW), (HBRUSH)(COLOR_BTNFACE + 1));
        CString title;
        bar->GetWindowText(title);
        if (!frame->CreateEx(kFloatExStyle, cls, title, kFloatStyle, screen.x, screen.y, window.cx, window.cy, m_hWnd,
                             nullptr)) {
            delete frame;
            DockControlBar(bar);
            return;
        }
        bar->m_pFloatFrame = frame;
        ::SetParent(bar->m_hWnd, frame->m_hWnd);
        ::SetWindowPos(frame->m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    } else {
        bar->m_pFloatFrame->MoveWindow(screen.x, screen.y, window.cx, window.cy);
    }
    ::MoveWindow(bar->m_hWnd, 0, 0, client.cx, client.cy, TRUE);
    bar->MoveHostedControls();
    RecalcLayout();
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

LRESULT CFrameWnd::OnIdleUpdateCmdUI(WPARAM disableIfNoHandler, LPARAM)
{
    // Floating bars are no longer the frame's children: they are told here.
    for (HWND bar : m_dockBars) {
        auto* toolbar = dynamic_cast<CToolBar*>(CWnd::FromHandlePermanent(bar));
        if (toolbar && toolbar->IsFloating()) toolbar->SendMessage(WM_IDLEUPDATECMDUI, disableIfNoHandler);
    }
    return 0;
}
