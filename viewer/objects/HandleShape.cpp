#include "HandleShape.h"

#include "geometry/CoordinateBound.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace geom = zelvo::geom;

CHandleShape::CHandleShape(CWnd* owner, DrawChangeFn onChange, void* context) : CDrawObject(owner, onChange, context)
{
}

void CHandleShape::LoadCursors()
{
    m_sizeAll = SystemCursor(IDC_SIZEALL);
    m_arrow = SystemCursor(IDC_ARROW);
    m_ibeam = SystemCursor(IDC_IBEAM);
    m_cross = SystemCursor(IDC_CROSS);
}

void CHandleShape::SetVisible(BOOL on)
{
    CDrawObject::SetVisible(on);
    if (!m_attr.blink) return;
    if (on)
        Start();
    else
        Stop();
}

void CHandleShape::SetBlinking(int on)
{
    m_attr.blink = on;
    if (on)
        Start();
    else
        Stop();
}

POINT CHandleShape::ClientToImage(int x, int y) const
{
    POINT p{x, y};
    ScreenToImagePoint(&p);
    return POINT{geom::ClampToCoordinateBound(p.x), geom::ClampToCoordinateBound(p.y)};
}

void CHandleShape::LimitMove(const RECT& box, int* dx, int* dy)
{
    const int64_t b = geom::kCoordinateBound;
    *dx = int(std::max<int64_t>(-b - box.left, std::min<int64_t>(b - box.right, *dx)));
    *dy = int(std::max<int64_t>(-b - box.top, std::min<int64_t>(b - box.bottom, *dy)));
}

void CHandleShape::InvalidateImageRect(RECT image, int grow)
{
    if (!m_pOwner || !m_pOwner->m_hWnd) return;
    ImageToScreenRect(&image);
    ::InflateRect(&image, grow, grow);
    m_pOwner->InvalidateRect(&image, TRUE);
}

bool CHandleShape::InSquare(POINT c, int half, int x, int y)
{
    return int64_t(c.x) - half <= x && x < int64_t(c.x) + half && int64_t(c.y) - half <= y && y < int64_t(c.y) + half;
}

// ---------------------------------------------------------------------------
// Mouse

int CHandleShape::ContainsPoint(int x, int y) { return HitTest(x, y); }

HCURSOR CHandleShape::CursorFor(HitPart part) const
{
    switch (part) {
    case HIT_EDGE: return m_cross;
    case HIT_HANDLE: return m_ibeam;
    case HIT_INSIDE: return m_sizeAll;
    default: return m_arrow;
    }
}

bool CHandleShape::BeginPress(int x, int y)
{
    m_pressed = 1;
    if (!(m_flags & DOF_SELECTED)) return false;
    m_dragPart = FindPart(x, y, &m_dragIndex);
    if (m_dragPart == HIT_NONE) return false;
    m_lastDrag = ClientToImage(x, y);
    return true;
}

int CHandleShape::OnMouseMove(int x, int y)
{
    if (!(m_flags & DOF_SELECTED)) {
        const int hit = ContainsPoint(x, y);
        SetHighlight(hit);
        return hit;
    }
    if (!m_pressed) {
        int index;
        ::SetCursor(CursorFor(FindPart(x, y, &index)));
        return 0;
    }
    if (m_dragPart == HIT_NONE) {
        ::SetCursor(m_arrow);
        return 0;
    }
    const POINT p = ClientToImage(x, y);
    bool changed;
    if (m_dragPart == HIT_INSIDE) {
        changed = MoveBy(p.x - m_lastDrag.x, p.y - m_lastDrag.y);
        m_lastDrag = p;
    } else {
        changed = DragPartTo(m_dragIndex, p);
    }
    if (changed) DragDone();
    return 1;
}

int CHandleShape::OnLButtonUp(int x, int y)
{
    m_pressed = 0;
    int index;
    const HitPart part = FindPart(x, y, &index);
    OnRelease(part, index);
    if (part == HIT_NONE) {
        SetSelected(FALSE);
        return 0;
    }
    NotifyChanged();
    return 1;
}

int CHandleShape::OnRButtonDown(int x, int y) { return ContainsPoint(x, y); }

int CHandleShape::OnLButtonDblClk(int x, int y) { return ContainsPoint(x, y); }

// ---------------------------------------------------------------------------
// Drawing

HPEN CHandleShape::CreateOutlinePen() const
{
    return m_attr.blink ? ::CreatePen(PS_DASHDOT, 1, m_attr.borderColor) : ::CreatePen(PS_SOLID, 2, m_attr.borderColor);
}

void CHandleShape::DrawHandles(HDC dc, const POINT* points, size_t n) const
{
    if (!(m_flags & DOF_SELECTED)) return;
    HPEN black = ::CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ oldPen = ::SelectObject(dc, black);
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(WHITE_BRUSH));
    for (size_t i = 0; i < n; ++i)
        ::Rectangle(dc, points[i].x - 4, points[i].y - 4, points[i].x + 4, points[i].y + 4);
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
    ::DeleteObject(black);
}

POINT CHandleShape::ScreenCenter() const
{
    POINT c = GetCenter();
    ImageToScreenPoint(&c);
    return c;
}

void CHandleShape::DrawAreaLabel(HDC dc, double area)
{
    char text[64];
    std::snprintf(text, sizeof text, "%u: %6.2fμm^2", (unsigned)m_number, area);
    DrawLabelText(dc, ScreenCenter(), text);
}

void CHandleShape::DrawLabelText(HDC dc, POINT at, const char* text)
{
    m_labelPos = at;
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(dc, m_attr.borderColor);
    ::TextOutA(dc, at.x, at.y, text, (int)std::strlen(text));
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
}
