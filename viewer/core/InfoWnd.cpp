#include "InfoWnd.h"

#include "ScaleBar.h"

namespace {

void FillEllipse(HDC dc, const RECT& box, COLORREF colour)
{
    HBRUSH brush = ::CreateSolidBrush(colour);
    HGDIOBJ oldBrush = ::SelectObject(dc, brush);
    HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(NULL_PEN));
    ::Ellipse(dc, box.left, box.top, box.right, box.bottom);
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);
    ::DeleteObject(brush);
}

} // namespace

BEGIN_MESSAGE_MAP(CInfoWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_ERASEBKGND()
    ON_WM_PAINT()
END_MESSAGE_MAP()

CInfoWnd::CInfoWnd(CWnd* owner) : m_owner(owner) { CreateInfo(owner); }

CInfoWnd::~CInfoWnd()
{
    if (::IsWindow(m_hWnd)) DestroyWindow();
}

BOOL CInfoWnd::CreateInfo(CWnd* owner)
{
    if (!owner) return FALSE;
    m_owner = owner;
    if (!CreateEx(0, nullptr, _T(""), WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, owner->m_hWnd, nullptr)) return FALSE;
    // A child made later goes below the siblings made before it; the mask
    // belongs over all of them (the display is made first).
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(SW_HIDE);
    m_holeWidth = 700;
    m_holeHeight = 700;
    return TRUE;
}

void CInfoWnd::CoverOwner()
{
    if (!m_owner) return;
    RECT target, current;
    m_owner->GetClientRect(&target);
    ::GetWindowRect(m_hWnd, &current);
    ::MapWindowPoints(nullptr, m_owner->m_hWnd, reinterpret_cast<POINT*>(&current), 2);
    // Moving to where it already is would only bring another WM_SIZE.
    if (!::EqualRect(&target, &current)) MoveWindow(&target, TRUE);
}

void CInfoWnd::UpdateRegion()
{
    RECT c;
    GetClientRect(&c);
    // A window that small has no hole to cut; keep what it had.
    if (c.right - c.left <= 1 || c.bottom - c.top <= 1) return;
    const int xc = (c.left + c.right) / 2, yc = (c.top + c.bottom) / 2;
    HRGN region = ::CreateRectRgnIndirect(&c);
    HRGN hole = ::CreateEllipticRgn(xc - m_holeWidth / 2, yc - m_holeHeight / 2, xc + m_holeWidth / 2,
                                    yc + m_holeHeight / 2);
    ::CombineRgn(region, region, hole, RGN_XOR);
    ::DeleteObject(hole);
    SetWindowRgn(region, TRUE);   // the window owns it now
}

int CInfoWnd::OnCreate(LPCREATESTRUCT)
{
    if (Default() == -1) return -1;
    CoverOwner();
    return 0;
}

void CInfoWnd::OnSize(UINT, int, int)
{
    Default();
    CoverOwner();
    UpdateRegion();
}

void CInfoWnd::SetInfoText(const CString& left, const CString& right)
{
    m_leftText = left;
    m_rightText = right;
    Invalidate();
}

void CInfoWnd::Reshape(int holeWidth, int holeHeight)
{
    m_holeWidth = holeWidth;
    m_holeHeight = holeHeight;
    UpdateRegion();
    Invalidate();
}

BOOL CInfoWnd::OnEraseBkgnd(HDC dc)
{
    RECT c;
    GetClientRect(&c);
    HBRUSH brush = ::CreateSolidBrush(RGB(52, 52, 52));
    ::FillRect(dc, &c, brush);
    ::DeleteObject(brush);
    const int xc = (c.left + c.right) / 2, yc = (c.top + c.bottom) / 2;
    const int hw = m_holeWidth / 2 + 24, hh = m_holeHeight / 2 + 24;
    FillEllipse(dc, RECT{xc - hw, yc - hh, xc + hw, yc + hh}, RGB(0, 0, 0));
    return TRUE;
}

void CInfoWnd::OnPaint()
{
    CPaintDC dc(this);
    RECT c;
    GetClientRect(&c);
    const int xc = (c.left + c.right) / 2, yc = (c.top + c.bottom) / 2;
    const int hw = m_holeWidth / 2 + 16, hh = m_holeHeight / 2 + 16;
    FillEllipse(dc, RECT{xc - hw, yc - hh, xc + hw, yc + hh}, RGB(0, 0, 0));

    if (m_scaleBar && m_owner) {
        RECT frame;
        m_owner->GetClientRect(&frame);
        ::MapWindowPoints(m_owner->m_hWnd, m_hWnd, reinterpret_cast<POINT*>(&frame), 2);
        m_scaleBar->SetClientRect(frame);
        m_scaleBar->Draw(dc);
    }

    HFONT font = CreateTextFont();
    HGDIOBJ oldFont = ::SelectObject(dc, font);
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(dc, RGB(255, 255, 0));
    RECT left{c.left, c.top + 50, xc - m_holeWidth / 2 - 20, c.bottom};
    RECT right{xc + m_holeWidth / 2 + 20, c.top + 50, c.right, c.bottom};
    ::DrawText(dc, m_leftText, m_leftText.GetLength(), &left, DT_WORDBREAK);
    ::DrawText(dc, m_rightText, m_rightText.GetLength(), &right, DT_WORDBREAK);
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
    ::SelectObject(dc, oldFont);
    ::DeleteObject(font);
}

HFONT CInfoWnd::CreateTextFont()
{
    // The Chinese character set: the texts are Chinese, which an ANSI-charset
    // Arial cannot show wherever the platform does not link fonts for it.
    return ::CreateFontA(32, 12, 0, 0, 400, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, "Arial");
}
