#include "FlatButton.h"

#include <commctrl.h>

BEGIN_MESSAGE_MAP(CFlatButton, CButton)
    ON_WM_MOUSEMOVE()
    ON_WM_KILLFOCUS()
    ON_WM_ACTIVATE()
    ON_WM_SETCURSOR()
    ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
    ON_MESSAGE(WM_CANCELMODE, OnCancelMode)
    ON_MESSAGE(WM_ENABLE, OnEnable)
    ON_MESSAGE(WM_GETDLGCODE, OnGetDlgCode)
    ON_MESSAGE(BM_SETSTYLE, OnSetStyle)
END_MESSAGE_MAP()

namespace {

void FillSolid(HDC dc, int x, int y, int cx, int cy, COLORREF colour)
{
    const COLORREF old = ::SetBkColor(dc, colour);
    RECT r = {x, y, x + cx, y + cy};
    ::ExtTextOut(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

void Draw3dRect(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight)
{
    const int cx = r.right - r.left, cy = r.bottom - r.top;
    FillSolid(dc, r.left, r.top, cx - 1, 1, topLeft);
    FillSolid(dc, r.left, r.top, 1, cy - 1, topLeft);
    FillSolid(dc, r.left + cx - 1, r.top, 1, cy, bottomRight);
    FillSolid(dc, r.left, r.top + cy - 1, cx, 1, bottomRight);
}

} // namespace

CFlatButton::CFlatButton()
{
    for (COLORREF& c : m_crColors) c = 0;
    SetDefaultColors(FALSE);
}

CFlatButton::~CFlatButton()
{
    if (m_hToolTip && ::IsWindow(m_hToolTip)) ::DestroyWindow(m_hToolTip);
}

int CFlatButton::SetColor(int slot, COLORREF colour, BOOL repaint)
{
    if (slot < 0 || slot >= BtnColorMax) return 3;
    m_crColors[slot] = colour;
    if (repaint && m_hWnd) Invalidate();
    return 0;
}

void CFlatButton::SetDefaultColors(BOOL repaint)
{
    for (int slot : {BtnColorInBk, BtnColorOutBk, BtnColorFocusBk}) m_crColors[slot] = ::GetSysColor(COLOR_BTNFACE);
    for (int slot : {BtnColorInFg, BtnColorOutFg, BtnColorFocusFg}) m_crColors[slot] = ::GetSysColor(COLOR_BTNTEXT);
    if (repaint && m_hWnd) Invalidate();
}

void CFlatButton::InitToolTip()
{
    if (m_hToolTip || !m_hWnd) return;
    m_hToolTip = ::CreateWindowEx(0, TOOLTIPS_CLASS, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, AfxGetInstanceHandle(), nullptr);
    if (!m_hToolTip) return;
    ::SendMessage(m_hToolTip, TTM_ACTIVATE, FALSE, 0);
    ::SendMessage(m_hToolTip, TTM_SETMAXTIPWIDTH, 0, 400);
}

void CFlatButton::SetTooltipText(LPCTSTR text, BOOL activate)
{
    if (!text) return;
    InitToolTip();
    if (!m_hToolTip) return;
    TOOLINFO ti = {};
    ti.cbSize = sizeof ti;
    ti.hwnd = m_hWnd;
    ti.uId = 1;
    ti.hinst = AfxGetInstanceHandle();
    ti.lpszText = const_cast<LPTSTR>(text);
    if (::SendMessage(m_hToolTip, TTM_GETTOOLCOUNT, 0, 0) == 0) {
        GetClientRect(&ti.rect);
        ::SendMessage(m_hToolTip, TTM_ADDTOOL, 0, (LPARAM)&ti);
    }
    ::SendMessage(m_hToolTip, TTM_UPDATETIPTEXT, 0, (LPARAM)&ti);
    ::SendMessage(m_hToolTip, TTM_ACTIVATE, activate, 0);
}

BOOL CFlatButton::ReflectDrawItem(LPDRAWITEMSTRUCT dis)
{
    if (!dis || dis->CtlType != ODT_BUTTON) return FALSE;
    CFlatButton* button = dynamic_cast<CFlatButton*>(CWnd::FromHandlePermanent(dis->hwndItem));
    if (!button) return FALSE;
    button->DrawItem(dis);
    return TRUE;
}

HBRUSH CFlatButton::ReflectCtlColor(HWND control)
{
    // The button paints all of itself; the dialog paints nothing behind it.
    return dynamic_cast<CFlatButton*>(CWnd::FromHandlePermanent(control)) ? (HBRUSH)::GetStockObject(NULL_BRUSH)
                                                                          : nullptr;
}

void CFlatButton::PreSubclassWindow()
{
    m_nTypeStyle = GetStyle() & 0x1F;
    if (m_nTypeStyle == BS_DEFPUSHBUTTON) m_bIsDefault = TRUE;
    ModifyStyle(0x1F, BS_OWNERDRAW, SWP_FRAMECHANGED);
}

BOOL CFlatButton::PreTranslateMessage(MSG* msg)
{
    InitToolTip();
    if (m_hToolTip) ::SendMessage(m_hToolTip, TTM_RELAYEVENT, 0, (LPARAM)msg);
    return CButton::PreTranslateMessage(msg);
}

LRESULT CFlatButton::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Two quick clicks are two clicks.
    if (message == WM_LBUTTONDBLCLK) message = WM_LBUTTONDOWN;
    return CButton::DefWindowProc(message, wParam, lParam);
}

void CFlatButton::OnMouseMove(UINT flags, CPoint p)
{
    Default();
    POINT cursor;
    ::GetCursorPos(&cursor);
    const HWND under = ::WindowFromPoint(cursor);
    if ((flags & MK_LBUTTON) && !m_bMouseOnButton) return;
    // Only while this program is the one in use.
    if (under == m_hWnd && ::GetActiveWindow() != nullptr) {
        if (!m_bMouseOnButton) {
            m_bMouseOnButton = TRUE;
            Invalidate();
            TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, m_hWnd, 0};
            ::TrackMouseEvent(&track);
        }
    } else {
        CancelHover();
    }
}

void CFlatButton::CancelHover()
{
    if (!m_bMouseOnButton) return;
    m_bMouseOnButton = FALSE;
    Invalidate(TRUE);
}

LRESULT CFlatButton::OnMouseLeave(WPARAM, LPARAM)
{
    CancelHover();
    return 0;
}

void CFlatButton::OnKillFocus(CWnd* next)
{
    Default();
    CancelHover();
}

LRESULT CFlatButton::OnCancelMode(WPARAM, LPARAM)
{
    Default();
    CancelHover();
    return 0;
}

void CFlatButton::OnActivate(UINT state, CWnd* other, BOOL minimized)
{
    Default();
    if (state == WA_INACTIVE) CancelHover();
}

LRESULT CFlatButton::OnEnable(WPARAM enabled, LPARAM)
{
    const LRESULT r = Default();
    if (!enabled) {
        // A disabled button cannot keep the focus.
        HWND parent = ::GetParent(m_hWnd);
        if (parent && ::GetFocus() == m_hWnd) {
            HWND next = ::GetNextDlgTabItem(parent, m_hWnd, FALSE);
            ::SetFocus(next && next != m_hWnd ? next : parent);
        }
        CancelHover();
    }
    return r;
}

BOOL CFlatButton::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message)
{
    if (m_hCursor) {
        ::SetCursor(m_hCursor);
        return TRUE;
    }
    return (BOOL)Default();
}

LRESULT CFlatButton::OnGetDlgCode(WPARAM, LPARAM)
{
    LRESULT code = Default();
    code |= m_bIsDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON;
    return code;
}

LRESULT CFlatButton::OnSetStyle(WPARAM style, LPARAM redraw)
{
    const UINT type = (UINT)style & 0x1F;
    if (type == BS_DEFPUSHBUTTON) m_bIsDefault = TRUE;
    else if (type == BS_PUSHBUTTON) m_bIsDefault = FALSE;
    // Stays owner-drawn whatever the dialog asks for.
    return CButton::DefWindowProc(BM_SETSTYLE, ((UINT)style & ~0x1Fu) | BS_OWNERDRAW, redraw);
}

void CFlatButton::DrawItem(LPDRAWITEMSTRUCT dis)
{
    HDC dc = dis->hDC;
    m_bIsPressed = (dis->itemState & ODS_SELECTED) != 0;
    m_bIsFocused = (dis->itemState & ODS_FOCUS) != 0;
    m_bIsDisabled = (dis->itemState & ODS_DISABLED) != 0;
    const RECT item = dis->rcItem;
    ::SetBkMode(dc, TRANSPARENT);
    OnDrawBackground(dc, item);
    if (m_bDrawBorder) OnDrawBorder(dc, item);

    CString text;
    GetWindowText(text);
    if (text.IsEmpty()) return;
    RECT caption = item;
    if (m_bIsPressed) ::OffsetRect(&caption, 1, 1);
    RECT centred = caption;
    ::DrawText(dc, text, -1, &centred, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
    ::OffsetRect(&centred, (caption.right - caption.left - (centred.right - centred.left)) / 2,
                 (caption.bottom - caption.top - (centred.bottom - centred.top)) / 2);
    ::SetBkMode(dc, TRANSPARENT);
    if (m_bIsDisabled) {
        ::OffsetRect(&centred, 1, 1);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
        ::DrawText(dc, text, -1, &centred, DT_WORDBREAK | DT_CENTER);
        ::OffsetRect(&centred, -1, -1);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
        ::DrawText(dc, text, -1, &centred, DT_WORDBREAK | DT_CENTER);
    } else {
        const bool lit = m_bMouseOnButton || m_bIsPressed;
        ::SetTextColor(dc, m_crColors[lit ? BtnColorInFg : BtnColorOutFg]);
        ::DrawText(dc, text, -1, &centred, DT_WORDBREAK | DT_CENTER);
    }
}

void CFlatButton::OnDrawBackground(HDC dc, const RECT& r)
{
    const COLORREF colour = m_bMouseOnButton || m_bIsPressed ? m_crColors[BtnColorInBk]
                            : m_bIsFocused                   ? m_crColors[BtnColorFocusBk]
                                                             : m_crColors[BtnColorOutBk];
    FillSolid(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, colour);
}

void CFlatButton::OnDrawBorder(HDC dc, const RECT& r)
{
    if (m_bIsPressed)
        Draw3dRect(dc, r, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    else if (m_bMouseOnButton)
        Draw3dRect(dc, r, ::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNSHADOW));
    // Otherwise flat: no border.
}
