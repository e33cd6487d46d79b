#include "CircleMeasure.h"

#include "annotation/FramedShapes.h"
#include "geometry/CoordinateBound.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

using zelvo::annotation::CircleRecord;
using zelvo::annotation::ObjectRecord;
namespace geom = zelvo::geom;

namespace {

RECT Union(const RECT& a, const RECT& b)
{
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

bool InBound(POINT centre, int radius)
{
    return geom::InCoordinateBound(geom::Point{(int32_t)centre.x, (int32_t)centre.y}) && radius >= 0 &&
           radius <= geom::kCoordinateBound;
}

} // namespace

CCircleMeasure::CCircleMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context,
                               int type, int showLabel)
    : CHandleShape(owner, onChange, context)
{
    m_type = type;
    ResetRadius();
    m_attr = attributes;
    Init();
    m_showLabel = showLabel;
}

CCircleMeasure::~CCircleMeasure()
{
    Stop();
}

void CCircleMeasure::Init()
{
    LoadCursors();
    m_pressed = 0;
    m_attr.blink = 0;  // a new circle stands still
    m_period = 200;
}

void CCircleMeasure::ResetRadius()
{
    m_radius = 100;
    m_centre = POINT{0, 0};
    m_box = CircleBox();
}

RECT CCircleMeasure::CircleBox() const
{
    return RECT{m_centre.x - m_radius, m_centre.y - m_radius, m_centre.x + m_radius, m_centre.y + m_radius};
}

bool CCircleMeasure::SetGeometry(POINT centre, int radius)
{
    if (!InBound(centre, radius)) return false;
    m_centre = centre;
    m_radius = radius;
    Refresh();
    return true;
}

POINT CCircleMeasure::GetCenter() const { return m_centre; }

void CCircleMeasure::GetBoundRect(RECT* rect) const
{
    *rect = m_box;
    ImageToScreenRect(rect);
}

// ---------------------------------------------------------------------------
// Repainting and blinking

void CCircleMeasure::Refresh()
{
    const RECT previous = m_box;
    m_box = CircleBox();
    if ((m_flags & (DOF_HIGHLIGHT | DOF_VISIBLE)) && m_pOwner && m_pOwner->m_hWnd) {
        // The new box too: a circle that grew must be painted where it grew.
        InvalidateImageRect(Union(previous, m_box), 6);
        RECT label{m_labelPos.x, m_labelPos.y, m_labelPos.x + kLabelWidth, m_labelPos.y + kLabelHeight};
        m_pOwner->InvalidateRect(&label, TRUE);
    }
    PublishBlinkArea();
}

void CCircleMeasure::PublishBlinkArea()
{
    RECT bounds;
    GetBoundRect(&bounds);
    ::InflateRect(&bounds, 6, 6);
    const RECT label{m_labelPos.x, m_labelPos.y, m_labelPos.x + kLabelWidth, m_labelPos.y + kLabelHeight};
    m_blink.Publish(m_pOwner ? m_pOwner->m_hWnd : nullptr, (m_flags & (DOF_HIGHLIGHT | DOF_VISIBLE)) != 0, bounds,
                    label);
}

int CCircleMeasure::Step()
{
    // On the worker thread: never the centre and radius the interface edits.
    m_blink.Invalidate();
    return 1;
}

void CCircleMeasure::SetBlink(int on) { SetBlinking(on); }

void CCircleMeasure::SetSelected(BOOL on)
{
    CDrawObject::SetSelected(on);
    Refresh();
}

void CCircleMeasure::SetVisible(BOOL on)
{
    CHandleShape::SetVisible(on);
    PublishBlinkArea();
}

int CCircleMeasure::SetHighlight(BOOL on)
{
    const int changed = CDrawObject::SetHighlight(on);
    PublishBlinkArea();
    return changed;
}

void CCircleMeasure::Rescale(double sx, double sy)
{
    CDrawObject::Rescale(sx, sy);
    PublishBlinkArea();
}

void CCircleMeasure::SetScroll(int x, int y)
{
    CDrawObject::SetScroll(x, y);
    PublishBlinkArea();
}

// ---------------------------------------------------------------------------
// Mouse

void CCircleMeasure::BeginCreate(int x, int y)
{
    m_centre = ClientToImage(x, y);
    Refresh();
    InvalidateOwner();
}

int CCircleMeasure::HitTest(int x, int y)
{
    POINT p{x, y};
    ScreenToImagePoint(&p);
    // Doubles: the point may lie anywhere in the int range.
    const double dx = double(p.x) - m_centre.x, dy = double(p.y) - m_centre.y;
    return dx * dx + dy * dy <= double(m_radius) * m_radius ? 1 : 0;
}

void CCircleMeasure::ScreenHandles(POINT out[4]) const
{
    RECT box = m_box;
    ImageToScreenRect(&box);
    POINT c = m_centre;
    ImageToScreenPoint(&c);
    out[0] = POINT{c.x, box.top};
    out[1] = POINT{c.x, box.bottom};
    out[2] = POINT{box.left, c.y};
    out[3] = POINT{box.right, c.y};
}

HitPart CCircleMeasure::FindPart(int x, int y, int* index) const
{
    POINT handles[4];
    ScreenHandles(handles);
    for (int i = 0; i < 4; ++i) {
        if (InSquare(handles[i], 5, x, y)) {
            *index = i;
            return HIT_HANDLE;
        }
    }
    if (const_cast<CCircleMeasure*>(this)->HitTest(x, y)) {
        *index = INT_MAX;
        return HIT_INSIDE;
    }
    *index = -1;
    return HIT_NONE;
}

int CCircleMeasure::OnLButtonDown(int x, int y)
{
    if (!BeginPress(x, y)) return 0;
    ::SetCursor(m_dragPart == HIT_INSIDE ? m_sizeAll : nullptr);
    Refresh();
    return 1;
}

bool CCircleMeasure::DragPartTo(int, POINT p)
{
    // Any handle: the radius reaches the pointer, the centre stays.
    const double dx = double(p.x) - m_centre.x, dy = double(p.y) - m_centre.y;
    const int radius = (int)std::min<double>(std::sqrt(dx * dx + dy * dy), geom::kCoordinateBound);
    if (radius == m_radius) return false;
    m_radius = radius;
    return true;
}

bool CCircleMeasure::MoveBy(int dx, int dy)
{
    LimitMove(RECT{m_centre.x, m_centre.y, m_centre.x, m_centre.y}, &dx, &dy);
    if (dx == 0 && dy == 0) return false;
    m_centre.x += dx;
    m_centre.y += dy;
    return true;
}

// ---------------------------------------------------------------------------
// Drawing and results

void CCircleMeasure::Draw(HDC dc)
{
    if (!dc || !m_flags) return;
    RECT box = m_box;
    ImageToScreenRect(&box);
    HPEN pen = CreateOutlinePen();
    HGDIOBJ oldPen = ::SelectObject(dc, pen);
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
    ::Ellipse(dc, box.left, box.top, box.right, box.bottom);
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
    ::DeleteObject(pen);
    POINT handles[4];
    ScreenHandles(handles);
    DrawHandles(dc, handles, 4);
    if (m_showLabel) DrawLabel(dc);
}

void CCircleMeasure::DrawLabel(HDC dc)
{
    double area = 0;
    GetResultText(&area);
    DrawAreaLabel(dc, area);
    PublishBlinkArea();  // the label may have moved
}

const char* CCircleMeasure::GetResultText(double* value)
{
    const zelvo::annotation::CircleResults r = zelvo::annotation::MeasureCircle(m_radius, m_resX);
    std::snprintf(m_result, sizeof m_result, "面积=%6.2fμm^2,  周长=%6.2fμm,  直径=%6.2fμm", r.area, r.perimeter,
                  r.diameter);
    if (value) *value = r.area;
    return m_result;
}

// ---------------------------------------------------------------------------
// Record

bool CCircleMeasure::GetRecord(ObjectRecord& out) const
{
    CircleRecord record;
    record.attributes = ToAttributeBlock(m_attr);
    record.SetGeometry(geom::Point{(int32_t)m_centre.x, (int32_t)m_centre.y}, m_radius);
    out = record;
    return true;
}

bool CCircleMeasure::SetRecord(const ObjectRecord& in)
{
    const CircleRecord* record = std::get_if<CircleRecord>(&in);
    if (!record || !InBound(POINT{record->Centre().x, record->Centre().y}, record->Radius())) return false;
    m_attr = FromAttributeBlock(record->attributes);
    return SetGeometry(POINT{record->Centre().x, record->Centre().y}, record->Radius());
}
