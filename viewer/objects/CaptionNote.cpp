#include "CaptionNote.h"

#include <algorithm>

namespace {

const POINT kAnchor{-140, -110};  // outside the window: no tail, no mark in the way
const int kWidth = 500, kHeight = 300;

} // namespace

CCaptionNote::CCaptionNote(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type,
                           int measurement)
    : CTextNote(owner, attributes, onChange, context, type, measurement)
{
}

int CCaptionNote::GetType() const { return DRAW_CAPTION; }

void CCaptionNote::SetScale(double, double) { SetScaleValues(1.0, 1.0); }

void CCaptionNote::SetScroll(int, int) { CTextNote::SetScroll(0, 0); }

void CCaptionNote::BeginCreate(int, int)
{
    m_attr.anchorX = kAnchor.x;
    m_attr.anchorY = kAnchor.y;
    RECT client{0, 0, 0, 0};
    if (m_pOwner && m_pOwner->m_hWnd) m_pOwner->GetClientRect(&client);
    m_box = RECT{client.right - kWidth, client.top, client.right, client.top + kHeight};
    AnchorMoved();
    Rebuild();
}

void CCaptionNote::KeepInside()
{
    if (!m_pOwner || !m_pOwner->m_hWnd) return;
    RECT client;
    m_pOwner->GetClientRect(&client);
    KeepInside(client);
}

void CCaptionNote::KeepInside(const RECT& c)
{
    int dx = 0, dy = 0;
    if (m_box.right > c.right) {
        dx = std::max(c.left - m_box.left, c.right - m_box.right);
        m_pinnedRight = 1;
    } else if (m_pinnedRight) {
        dx = c.right - m_box.right;
    } else if (m_box.left < c.left) {
        dx = c.left - m_box.left;
    }
    // A box read from a file may lie above or left of the window: it would never be seen.
    if (m_box.bottom > c.bottom)
        dy = std::max(c.top - m_box.top, c.bottom - m_box.bottom);
    else if (m_box.top < c.top)
        dy = c.top - m_box.top;
    ::OffsetRect(&m_box, dx, dy);
    Rebuild();
}

int CCaptionNote::OnLButtonDown(int x, int y)
{
    m_pinnedRight = 0;
    return CTextNote::OnLButtonDown(x, y);
}

int CCaptionNote::OnMouseMove(int x, int y)
{
    // Hovering never highlights a caption.
    if (!(m_flags & DOF_SELECTED)) return 0;
    if (!m_dragging) {
        SetCursorFor(ToZoomed(x, y));
        return 0;
    }
    // The note's drags; a handle stops at the opposite edge, so that the box
    // never turns inside out and loses its text.
    CTextNote::OnMouseMove(x, y);
    return 0;
}
