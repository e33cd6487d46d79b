#include "PolygonMeasure.h"

#include "annotation/AttributeBlock.h"
#include "geometry/CoordinateBound.h"

#include <algorithm>
#include <climits>
#include <cstring>

using zelvo::annotation::AttributeBlock;
using zelvo::geom::Point;
namespace geom = zelvo::geom;

namespace {

RECT Inflated(RECT r, int by)
{
    ::InflateRect(&r, by, by);
    return r;
}

} // namespace

CPolygonMeasure::CPolygonMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context,
                                 int type)
    : CDrawObject(owner, onChange, context)
{
    m_type = type;
    m_attr = attributes;
    m_period = 200;
    m_sizeAllCursor = SystemCursor(IDC_SIZEALL);
    m_arrowCursor = SystemCursor(IDC_ARROW);
    m_beamCursor = SystemCursor(IDC_IBEAM);
    m_crossCursor = SystemCursor(IDC_CROSS);
}

CPolygonMeasure::~CPolygonMeasure()
{
    // The worker calls Step, which is ours: it ends before we do.
    Stop();
    if (m_cursorHidden) ::ShowCursor(TRUE);
}

// ---- Points -----------------------------------------------------------------

bool CPolygonMeasure::SetPoints(const std::vector<Point>& points)
{
    if (!geom::OutlineInBounds(points.data(), points.size())) return false;
    m_points = points;
    m_length = geom::OutlineLength(points.data(), points.size());
    PointsChanged();
    UpdateBounds();
    return true;
}

void CPolygonMeasure::PointsChanged() { m_resultsValid = false; }

Point CPolygonMeasure::ToImage(int x, int y) const
{
    POINT p{x, y};
    ScreenToImagePoint(&p);
    return Point{geom::ClampToCoordinateBound(p.x), geom::ClampToCoordinateBound(p.y)};
}

POINT CPolygonMeasure::ToScreen(const Point& p) const
{
    POINT s{p.x, p.y};
    ImageToScreenPoint(&s);
    return s;
}

std::vector<POINT> CPolygonMeasure::ScreenPoints() const
{
    std::vector<POINT> out;
    out.reserve(m_points.size());
    for (const Point& p : m_points) out.push_back(ToScreen(p));
    return out;
}

bool CPolygonMeasure::MoveAll(int64_t dx, int64_t dy)
{
    if (m_points.empty()) return false;
    // Limited so that every point stays within the bound: the shape moves whole.
    const geom::Rect box = geom::BoundingBox(m_points.data(), m_points.size());
    dx = std::max<int64_t>(-geom::kCoordinateBound - int64_t(box.left),
                           std::min<int64_t>(geom::kCoordinateBound - int64_t(box.right), dx));
    dy = std::max<int64_t>(-geom::kCoordinateBound - int64_t(box.top),
                           std::min<int64_t>(geom::kCoordinateBound - int64_t(box.bottom), dy));
    if (dx == 0 && dy == 0) return false;
    for (Point& p : m_points) p = Point{int32_t(p.x + dx), int32_t(p.y + dy)};
    PointsChanged();
    return true;
}

bool CPolygonMeasure::MoveVertex(size_t index, const Point& p)
{
    const size_t n = m_points.size();
    if (index >= n) return false;
    int64_t length = 0;
    if (n > 1) {
        const Point& prev = m_points[(index + n - 1) % n];
        const Point& next = m_points[(index + 1) % n];
        const Point& old = m_points[index];
        length = m_length - geom::EdgeLength(prev, old) - geom::EdgeLength(old, next) + geom::EdgeLength(prev, p) +
                 geom::EdgeLength(p, next);
    }
    if (length > geom::kOutlineLengthBound) return false;
    m_points[index] = p;
    m_length = length;
    PointsChanged();
    return true;
}

bool CPolygonMeasure::InsertVertex(size_t index, const Point& p)
{
    const size_t n = m_points.size();
    if (index > n) return false;
    int64_t length = 0;
    if (n > 0) {
        const Point& a = m_points[(index + n - 1) % n];
        const Point& b = m_points[index % n];
        length = m_length - geom::EdgeLength(a, b) + geom::EdgeLength(a, p) + geom::EdgeLength(p, b);
    }
    if (length > geom::kOutlineLengthBound) return false;
    m_points.insert(m_points.begin() + std::ptrdiff_t(index), p);
    m_length = length;
    PointsChanged();
    return true;
}

bool CPolygonMeasure::AppendPoint(const Point& p) { return InsertVertex(m_points.size(), p); }

void CPolygonMeasure::RemoveVertex(size_t index)
{
    if (index >= m_points.size()) return;
    m_points.erase(m_points.begin() + std::ptrdiff_t(index));
    m_length = geom::OutlineLength(m_points.data(), m_points.size());
    PointsChanged();
}

void CPolygonMeasure::DropTrailingRepeats()
{
    // Only the run at the end: the outline may pass through its end point
    // earlier, and those points are part of it.
    bool dropped = false;
    while (m_points.size() >= 2 && m_points[m_points.size() - 2] == m_points.back()) {
        m_points.pop_back();
        dropped = true;
    }
    if (dropped) PointsChanged();  // the length is the same: the repeats added none
}

// ---- State ------------------------------------------------------------------

POINT CPolygonMeasure::GetCenter() const
{
    if (m_points.empty()) return POINT{0, 0};
    const geom::Rect box = geom::BoundingBox(m_points.data(), m_points.size());
    return POINT{LONG((int64_t(box.left) + box.right) / 2), LONG((int64_t(box.top) + box.bottom) / 2)};
}

void CPolygonMeasure::SetSelected(BOOL on)
{
    CDrawObject::SetSelected(on);
    UpdateBounds();
}

void CPolygonMeasure::SetVisible(BOOL on)
{
    CDrawObject::SetVisible(on);
    PublishBlinkArea();
    if (m_attr.blink) {
        if (on)
            Start();
        else
            Stop();
    }
}

void CPolygonMeasure::SetFlags(uint16_t flags)
{
    CDrawObject::SetFlags(flags);
    PublishBlinkArea();
}

int CPolygonMeasure::SetHighlight(BOOL on)
{
    const int changed = CDrawObject::SetHighlight(on);
    PublishBlinkArea();
    if (changed) {
        if (on && m_attr.blink)
            Start();
        else if (m_flags == 0)
            Stop();
    }
    return changed;
}

void CPolygonMeasure::SetBlink(BOOL on)
{
    m_attr.blink = on ? 1 : 0;
    if (on)
        Start();
    else
        Stop();
    UpdateBounds();
}

void CPolygonMeasure::SetLabelShown(BOOL on)
{
    SetFlags(on ? uint16_t(m_flags | DOF_AREA_LABEL) : uint16_t(m_flags & ~DOF_AREA_LABEL));
}

void CPolygonMeasure::Rescale(double sx, double sy)
{
    CDrawObject::Rescale(sx, sy);
    PublishBlinkArea();
}

void CPolygonMeasure::SetResolution(uint32_t rx, uint32_t ry)
{
    CDrawObject::SetResolution(rx, ry);
    m_resultsValid = false;
}

void CPolygonMeasure::SetScroll(int x, int y)
{
    CDrawObject::SetScroll(x, y);
    PublishBlinkArea();
}

void CPolygonMeasure::GetBoundRect(RECT* rect) const
{
    *rect = m_bounds;
    ImageToScreenRect(rect);
}

void CPolygonMeasure::UpdateBounds()
{
    const bool shown = (m_flags & (DOF_HIGHLIGHT | DOF_VISIBLE)) != 0;
    HWND wnd = m_pOwner ? m_pOwner->m_hWnd : nullptr;
    RECT label{m_labelPos.x, m_labelPos.y, m_labelPos.x + kLabelWidth, m_labelPos.y + kLabelHeight};
    RECT old;
    GetBoundRect(&old);
    if (m_points.empty()) {
        m_bounds = RECT{0, 0, 0, 0};
    } else {
        const geom::Rect box = geom::BoundingBox(m_points.data(), m_points.size());
        m_bounds = RECT{box.left, box.top, box.right, box.bottom};
    }
    if (shown && wnd) {
        // The new box too: an outline that grows must be painted where it grew.
        RECT now;
        GetBoundRect(&now);
        old = Inflated(old, 6);
        now = Inflated(now, 6);
        ::InvalidateRect(wnd, &label, TRUE);
        ::InvalidateRect(wnd, &old, TRUE);
        ::InvalidateRect(wnd, &now, TRUE);
    }
    PublishBlinkArea();
}

void CPolygonMeasure::PublishBlinkArea()
{
    RECT bounds;
    GetBoundRect(&bounds);
    const RECT label{m_labelPos.x, m_labelPos.y, m_labelPos.x + kLabelWidth, m_labelPos.y + kLabelHeight};
    m_blink.Publish(m_pOwner ? m_pOwner->m_hWnd : nullptr, (m_flags & (DOF_HIGHLIGHT | DOF_VISIBLE)) != 0,
                    Inflated(bounds, 6), label);
}

void CPolygonMeasure::GetBlinkArea(RECT* bounds, RECT* label) const { m_blink.Get(bounds, label); }

int CPolygonMeasure::Step()
{
    // On the worker thread: only what the interface thread published.
    m_blink.Invalidate();
    return 1;
}

// ---- Results and label --------------------------------------------------------

double CPolygonMeasure::ComputeResults()
{
    // Paints ask for the area each time; it changes only with the outline.
    if (!m_resultsValid) {
        m_results = ComputeRegionResults(m_points, &m_resultText);
        m_resultsValid = true;
    }
    return m_results.area;
}

void CPolygonMeasure::DrawLabel(HDC dc)
{
    if (!(m_flags & DOF_AREA_LABEL) || m_points.empty()) return;
    const double area = ComputeResults();
    const POINT c = GetCenter();
    m_labelPos = ToScreen(Point{c.x, c.y});
    CString text;
    text.Format("%u: %6.2fμm^2", unsigned(m_number), area);
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(dc, m_attr.borderColor);
    ::TextOutA(dc, m_labelPos.x, m_labelPos.y, text.GetString(), text.GetLength());
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
    PublishBlinkArea();
}

// ---- Hit tests ----------------------------------------------------------------

int CPolygonMeasure::Contains(int x, int y) const
{
    if (m_points.size() < 3) return 0;  // no area to be inside of
    // Most points of a pass over many objects lie outside this one's box.
    RECT box;
    GetBoundRect(&box);
    if (x < box.left || x > box.right || y < box.top || y > box.bottom) return 0;
    const std::vector<POINT> s = ScreenPoints();
    return PolygonContains(s.data(), s.size(), x, y);
}

int CPolygonMeasure::HitPart(int x, int y, int* index) const
{
    const std::vector<POINT> s = ScreenPoints();
    const size_t n = s.size();
    for (size_t i = 0; i < n; ++i) {
        const int64_t vx = s[i].x, vy = s[i].y;
        if (vx - 5 <= x && x < vx + 5 && vy - 5 <= y && y < vy + 5) {
            *index = int(i);
            return HIT_VERTEX;
        }
    }
    for (size_t i = 0; i < n; ++i) {
        const POINT& a = s[i];
        const POINT& b = s[(i + 1) % n];
        if (PolylineHitTest(x, y, a.x, a.y, b.x, b.y)) {
            *index = int((i + 1) % n);
            return HIT_EDGE;
        }
    }
    if (Contains(x, y)) {
        *index = INT_MAX;
        return HIT_INSIDE;
    }
    *index = -1;
    return HIT_NONE;
}

void CPolygonMeasure::SetCursorFor(int hitKind) const
{
    switch (hitKind) {
    case HIT_EDGE: ::SetCursor(m_crossCursor); break;
    case HIT_VERTEX: ::SetCursor(m_beamCursor); break;
    case HIT_INSIDE: ::SetCursor(m_sizeAllCursor); break;
    default: ::SetCursor(m_arrowCursor); break;
    }
}

void CPolygonMeasure::HideCursorForDrag()
{
    if (m_cursorHidden) return;
    ::ShowCursor(FALSE);
    m_cursorHidden = true;
}

// ---- Mouse --------------------------------------------------------------------

int CPolygonMeasure::OnLButtonDown(int x, int y)
{
    m_buttonDown = 1;
    if (!(m_flags & DOF_SELECTED)) return 0;
    m_hitKind = HitPart(x, y, &m_hitIndex);
    if (m_hitKind == HIT_NONE) return 0;
    m_lastPoint = ToImage(x, y);
    if (m_hitKind == HIT_EDGE) {
        // Index 0 is the closing edge: the new vertex goes last.
        const size_t at = m_hitIndex == 0 ? m_points.size() : size_t(m_hitIndex);
        if (InsertVertex(at, m_lastPoint)) {
            m_hitIndex = int(at);
            HideCursorForDrag();
        } else {
            m_hitKind = HIT_NONE;  // the outline is as long as it may be
        }
    } else if (m_hitKind == HIT_VERTEX) {
        HideCursorForDrag();
    } else {
        ::SetCursor(m_sizeAllCursor);
    }
    UpdateBounds();
    return 1;
}

int CPolygonMeasure::OnMouseMove(int x, int y)
{
    if (!(m_flags & DOF_SELECTED)) {
        const int inside = Contains(x, y);
        SetHighlight(inside);
        return inside;
    }
    if (!m_buttonDown) {
        int index;
        SetCursorFor(HitPart(x, y, &index));
        return 0;
    }
    const Point p = ToImage(x, y);
    if (m_hitKind == HIT_EDGE || m_hitKind == HIT_VERTEX) {
        if (m_hitIndex >= 0) MoveVertex(size_t(m_hitIndex), p);
    } else if (m_hitKind == HIT_INSIDE) {
        MoveAll(int64_t(p.x) - m_lastPoint.x, int64_t(p.y) - m_lastPoint.y);
        m_lastPoint = p;
    } else {
        ::SetCursor(m_arrowCursor);
        return 0;
    }
    UpdateBounds();
    return 1;
}

int CPolygonMeasure::OnLButtonUp(int x, int y)
{
    m_buttonDown = 0;
    if (m_cursorHidden) {
        ::ShowCursor(TRUE);
        m_cursorHidden = false;
    }
    int index;
    const int kind = HitPart(x, y, &index);
    if (kind != HIT_INSIDE && kind != HIT_VERTEX) {
        SetSelected(FALSE);
        return 0;
    }
    NotifyChanged();
    return 1;
}

int CPolygonMeasure::OnRButtonDown(int x, int y)
{
    int index;
    if (HitPart(x, y, &index) == HIT_VERTEX) {
        // A polygon keeps at least three vertices; a right click on one is
        // never a request to delete the whole outline.
        if (m_points.size() > 3) {
            RemoveVertex(size_t(index));
            UpdateBounds();
        }
        return 0;
    }
    return Contains(x, y);
}

int CPolygonMeasure::OnLButtonDblClk(int x, int y) { return Contains(x, y); }

// ---- Records ------------------------------------------------------------------

void CPolygonMeasure::FillRecord(AttributeBlock& attributes, std::vector<Point>& points) const
{
    attributes = ToAttributeBlock(m_attr);
    points = m_points;
}

void CPolygonMeasure::ApplyRecord(const AttributeBlock& attributes, const std::vector<Point>& points)
{
    m_attr = FromAttributeBlock(attributes);
    SetPoints(points);
}

