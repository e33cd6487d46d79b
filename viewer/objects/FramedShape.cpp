#include "FramedShape.h"

#include "geometry/CoordinateBound.h"

#include <algorithm>
#include <climits>

using zelvo::annotation::FramedRecord;
using zelvo::annotation::ObjectRecord;
namespace annotation = zelvo::annotation;
namespace geom = zelvo::geom;

namespace {

bool HandlesInBound(const annotation::Frame& f)
{
    return geom::AllInCoordinateBound(f.handles, 4);
}

RECT Box(const geom::Point* points, size_t n)
{
    const geom::Rect r = geom::BoundingBox(points, n);
    return RECT{r.left, r.top, r.right, r.bottom};
}

} // namespace

CFramedShape::CFramedShape(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type,
                           int showLabel)
    : CHandleShape(owner, onChange, context)
{
    m_type = type;
    m_pressed = 0;
    CFramedShape::Init();
    m_attr = attributes;
    m_showLabel = showLabel;
}

CFramedShape::~CFramedShape()
{
    Stop();
}

void CFramedShape::Init()
{
    LoadCursors();
    m_period = 200;
    m_attr.blink = 0;
    m_attr.borderColor = 0;
    const geom::Point handles[4] = {{-200, 0}, {200, 0}, {0, -60}, {0, 60}};
    SetHandles(handles);
}

void CFramedShape::SetHandles(const geom::Point handles[4])
{
    std::copy(handles, handles + 4, m_frame.handles);
    BuildFromHandles();
}

void CFramedShape::BuildFromHandles()
{
    annotation::BuildFrame(m_frame);
    BuildOutline();
    Rotate();
}

bool CFramedShape::RebuildFrame(int i)
{
    if (!annotation::RebuildFrame(m_frame, i)) return false;
    BuildOutline();
    Rotate();
    return true;
}

void CFramedShape::BuildOutline() { m_outline.clear(); }

void CFramedShape::BuildOutlineFrom(std::vector<geom::Point> (*make)(int32_t, int32_t))
{
    int32_t a, b;
    annotation::HalfAxes(m_frame, &a, &b);
    m_outline = make(a, b);
}

void CFramedShape::Rotate() { annotation::RotateOutline(m_outline, m_frame.handles[0], m_frame.handles[1]); }

void CFramedShape::OffsetPoints(int dx, int dy)
{
    for (geom::Point& p : m_outline) p = geom::Point{p.x + dx, p.y + dy};
}

void CFramedShape::OffsetAll(int dx, int dy)
{
    for (geom::Point& h : m_frame.handles) h = geom::Point{h.x + dx, h.y + dy};
    for (geom::Point& c : m_frame.corners) c = geom::Point{c.x + dx, c.y + dy};
    OffsetPoints(dx, dy);
}

void CFramedShape::SetBlink(int on) { m_attr.blink = on; }

// ---------------------------------------------------------------------------
// Geometry on the screen

std::vector<POINT> CFramedShape::ScreenPoints(const geom::Point* points, size_t n) const
{
    std::vector<POINT> out(n);
    for (size_t i = 0; i < n; ++i) {
        out[i] = POINT{points[i].x, points[i].y};
        ImageToScreenPoint(&out[i]);
    }
    return out;
}

POINT CFramedShape::GetCenter() const
{
    const RECT box = Box(m_frame.handles, 4);
    return POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
}

void CFramedShape::GetBoundRect(RECT* rect) const
{
    *rect = Box(m_frame.corners, 4);
    ::InflateRect(rect, 6, 6);
    ImageToScreenRect(rect);
}

int CFramedShape::HitTestRegion(int x, int y)
{
    const std::vector<POINT> corners = ScreenCorners();
    return PolygonContains(corners.data(), corners.size(), x, y);
}

int CFramedShape::OutlineContains(int x, int y)
{
    // The outline lies inside the frame's bound: most points of a pass over
    // many objects are answered without turning the outline to the screen.
    RECT bound;
    GetBoundRect(&bound);
    if (x < bound.left || x > bound.right || y < bound.top || y > bound.bottom) return 0;
    const std::vector<POINT> outline = ScreenOutline();
    return PolygonContains(outline.data(), outline.size(), x, y);
}

HitPart CFramedShape::FindPart(int x, int y, int* index) const
{
    const std::vector<POINT> handles = ScreenHandles();
    for (int i = 0; i < 4; ++i) {
        if (InSquare(handles[(size_t)i], 8, x, y)) {
            *index = i;
            return HIT_HANDLE;
        }
    }
    if (const_cast<CFramedShape*>(this)->HitTestRegion(x, y)) {
        *index = INT_MAX;
        return HIT_INSIDE;
    }
    *index = -1;
    return HIT_NONE;
}

// ---------------------------------------------------------------------------
// Mouse

void CFramedShape::SetSelected(BOOL on)
{
    CDrawObject::SetSelected(on);
    InvalidateOwner();
}

void CFramedShape::BeginCreate(int x, int y)
{
    // The default handles lie about (0, 0).
    const POINT p = ClientToImage(x, y);
    int dx = p.x, dy = p.y;
    LimitMove(Box(m_frame.handles, 4), &dx, &dy);
    for (geom::Point& h : m_frame.handles) h = geom::Point{h.x + dx, h.y + dy};
    BuildFromHandles();
    InvalidateOwner();
}

HCURSOR CFramedShape::CursorFor(HitPart part) const
{
    return part == HIT_HANDLE ? m_cross : part == HIT_INSIDE ? m_sizeAll : m_arrow;
}

int CFramedShape::OnLButtonDown(int x, int y)
{
    if (!BeginPress(x, y)) {
        if (m_flags & DOF_SELECTED) ::SetCursor(m_arrow);
        return 0;
    }
    ::SetCursor(CursorFor(m_dragPart));
    return 1;
}

bool CFramedShape::DragPartTo(int index, POINT p)
{
    ::SetCursor(m_cross);
    if (index < 0 || index > 3) return false;
    annotation::Frame moved = m_frame;
    moved.handles[index] = geom::Point{p.x, p.y};
    // A handle dropped on its partner leaves the axis no direction: the move
    // is ignored. So is one that would carry the other axis's ends beyond
    // the coordinate bound, which no file could load again.
    if (!annotation::RebuildFrame(moved, index) || !HandlesInBound(moved)) return false;
    m_frame = moved;
    BuildOutline();
    Rotate();
    return true;
}

bool CFramedShape::MoveBy(int dx, int dy)
{
    ::SetCursor(m_sizeAll);
    LimitMove(Box(m_frame.handles, 4), &dx, &dy);
    if (dx == 0 && dy == 0) return false;
    OffsetAll(dx, dy);
    return true;
}

void CFramedShape::OnRelease(HitPart part, int index)
{
    if (part == HIT_HANDLE) RebuildFrame(index);
    InvalidateOwner();
}

// ---------------------------------------------------------------------------
// Drawing

void CFramedShape::DrawWithOutlinePen(HDC dc, const std::vector<POINT>& points, bool closed) const
{
    if (points.size() < 2) return;
    HPEN pen = CreateOutlinePen();
    HGDIOBJ oldPen = ::SelectObject(dc, pen);
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
    if (closed)
        ::Polygon(dc, points.data(), (int)points.size());
    else
        ::Polyline(dc, points.data(), (int)points.size());
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
    ::DeleteObject(pen);
}

void CFramedShape::DrawSelectedFrame(HDC dc)
{
    if (!(m_flags & DOF_SELECTED)) return;
    const std::vector<POINT> corners = ScreenCorners();
    HPEN pen = ::CreatePen(PS_DASHDOT, 1, m_attr.borderColor);
    HGDIOBJ oldPen = ::SelectObject(dc, pen);
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
    ::Polygon(dc, corners.data(), 4);
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
    ::DeleteObject(pen);
    const std::vector<POINT> handles = ScreenHandles();
    DrawHandles(dc, handles.data(), handles.size());
}

void CFramedShape::DrawMeasured(HDC dc, const std::vector<POINT>& shape)
{
    DrawWithOutlinePen(dc, shape, true);
    const std::vector<POINT> handles = ScreenHandles();
    DrawHandles(dc, handles.data(), handles.size());
}

void CFramedShape::Draw(HDC dc)
{
    if (!dc || !m_flags) return;
    DrawSelectedFrame(dc);
}

// ---------------------------------------------------------------------------
// Record

bool CFramedShape::GetRecord(ObjectRecord& out) const
{
    FramedRecord record;
    record.attributes = ToAttributeBlock(m_attr);
    for (int i = 0; i < 4; ++i) record.SetHandle(i, m_frame.handles[i]);
    out = record;
    return true;
}

bool CFramedShape::SetRecord(const ObjectRecord& in)
{
    const FramedRecord* record = std::get_if<FramedRecord>(&in);
    if (!record) return false;
    geom::Point handles[4];
    for (int i = 0; i < 4; ++i) handles[i] = record->Handle(i);
    if (!geom::AllInCoordinateBound(handles, 4)) return false;
    zelvo::annotation::AttributeBlock block = ToAttributeBlock(m_attr);
    record->MergeAttributes(block);
    m_attr = FromAttributeBlock(block);
    SetHandles(handles);
    InvalidateOwner();
    return true;
}
