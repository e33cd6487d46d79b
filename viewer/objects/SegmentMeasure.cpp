#include "SegmentMeasure.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using zelvo::annotation::ObjectRecord;
using zelvo::annotation::SegmentRecord;
namespace geom = zelvo::geom;

namespace {

std::vector<geom::Point> ToGeom(const std::vector<POINT>& points)
{
    std::vector<geom::Point> out(points.size());
    for (size_t i = 0; i < points.size(); ++i) out[i] = geom::Point{(int32_t)points[i].x, (int32_t)points[i].y};
    return out;
}

RECT Union(const RECT& a, const RECT& b)
{
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

} // namespace

// ---------------------------------------------------------------------------
// Segment chain

CSegmentMeasure::CSegmentMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context,
                                 int type, int showLabel)
    : CHandleShape(owner, onChange, context)
{
    ResetPoints();
    Init();
    m_attr = attributes;
    m_type = type;
    m_showLabel = showLabel;
}

CSegmentMeasure::~CSegmentMeasure()
{
    Stop();
}

void CSegmentMeasure::Init()
{
    LoadCursors();
    m_pressed = 0;
    m_blinkPhase = 0;
    m_period = 200;
    Refresh();
}

void CSegmentMeasure::ResetPoints() { SetPoints({{0, 300}, {300, 0}}); }

std::vector<POINT> CSegmentMeasure::GetPoints() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_points;
}

void CSegmentMeasure::SetPoints(const std::vector<POINT>& points)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_points = points;
}

RECT CSegmentMeasure::PointsBox() const
{
    if (m_points.empty()) return RECT{0, 0, 0, 0};
    return BoundingBox(m_points.data(), (int)m_points.size());
}

POINT CSegmentMeasure::GetCenter() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    const RECT box = PointsBox();
    return POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
}

std::vector<POINT> CSegmentMeasure::ScreenPoints() const
{
    std::vector<POINT> screen = m_points;
    for (POINT& p : screen) ImageToScreenPoint(&p);
    return screen;
}

void CSegmentMeasure::Refresh()
{
    RECT previous;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        previous = m_box;
        m_box = PointsBox();
    }
    if (!(m_flags & (DOF_HIGHLIGHT | DOF_VISIBLE)) || !m_pOwner || !m_pOwner->m_hWnd) return;
    InvalidateImageRect(Union(previous, m_box), 6);
    RECT label{m_labelPos.x, m_labelPos.y, m_labelPos.x + kLabelWidth, m_labelPos.y + kLabelHeight};
    m_pOwner->InvalidateRect(&label, TRUE);
}

void CSegmentMeasure::SetSelected(BOOL on)
{
    CDrawObject::SetSelected(on);
    Refresh();
}

void CSegmentMeasure::SetBlink(int on) { SetBlinking(on); }

int CSegmentMeasure::Step()
{
    // On the worker thread: only the phase changes here, and never by a
    // division by an empty list.
    RECT box;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        const int n = (int)m_points.size();
        if (m_attr.blink && n > 0) m_blinkPhase = (m_blinkPhase + 1) % n;
        box = m_box;
    }
    if (m_flags & (DOF_HIGHLIGHT | DOF_VISIBLE)) InvalidateImageRect(box, 6);
    return 1;
}

void CSegmentMeasure::BeginCreate(int x, int y)
{
    const POINT p = ClientToImage(x, y);
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_points.size() < 2) return;
    const int dx = p.x - m_points[1].x, dy = p.y - m_points[1].y;
    for (POINT& q : m_points) {
        q.x += dx;
        q.y += dy;
    }
}

void CSegmentMeasure::GetBoundRect(RECT* rect) const
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        *rect = m_box;
    }
    ImageToScreenRect(rect);
}

int CSegmentMeasure::HitTest(int x, int y)
{
    const std::vector<POINT> screen = ScreenPoints();
    return PolygonContains(screen.data(), screen.size(), x, y);
}

HitPart CSegmentMeasure::FindPart(int x, int y, int* index) const
{
    const std::vector<POINT> screen = ScreenPoints();
    for (size_t i = 0; i < screen.size(); ++i) {
        if (InSquare(screen[i], 5, x, y)) {
            *index = (int)i;
            return HIT_HANDLE;
        }
    }
    // The chain is open: no edge from the last point back to the first.
    for (size_t j = 1; j < screen.size(); ++j) {
        if (PolylineHitTest(x, y, screen[j - 1].x, screen[j - 1].y, screen[j].x, screen[j].y)) {
            *index = (int)j;
            return HIT_EDGE;
        }
    }
    if (const_cast<CSegmentMeasure*>(this)->HitTest(x, y)) {
        *index = INT_MAX;
        return HIT_INSIDE;
    }
    *index = -1;
    return HIT_NONE;
}

int CSegmentMeasure::Press(int x, int y, bool insertOnEdge)
{
    if (!BeginPress(x, y)) return 0;
    switch (m_dragPart) {
    case HIT_EDGE:
        if (insertOnEdge) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_points.insert(m_points.begin() + m_dragIndex, m_lastDrag);
        }
        ::SetCursor(nullptr);
        break;
    case HIT_HANDLE: ::SetCursor(nullptr); break;
    default: ::SetCursor(m_sizeAll); break;
    }
    Refresh();
    return 1;
}

int CSegmentMeasure::OnLButtonDown(int x, int y) { return Press(x, y, true); }

bool CSegmentMeasure::DragPartTo(int index, POINT p)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (index < 0 || index >= (int)m_points.size()) return false;
    m_points[(size_t)index] = p;
    return true;
}

bool CSegmentMeasure::MoveBy(int dx, int dy)
{
    std::lock_guard<std::mutex> lock(m_lock);
    LimitMove(PointsBox(), &dx, &dy);
    for (POINT& q : m_points) {
        q.x += dx;
        q.y += dy;
    }
    return true;
}

int CSegmentMeasure::OnRButtonDown(int x, int y)
{
    int index;
    if (FindPart(x, y, &index) != HIT_HANDLE) return HitTest(x, y);
    {
        std::lock_guard<std::mutex> lock(m_lock);
        // A shape at its fewest points goes whole, not by a vertex.
        if (m_points.size() <= zelvo::annotation::MinSegmentPoints(m_type)) return 1;
        m_points.erase(m_points.begin() + index);
        const int n = (int)m_points.size();
        if (m_blinkPhase >= n) m_blinkPhase = 0;
    }
    Refresh();
    NotifyChanged();
    return 0;
}

// ---------------------------------------------------------------------------
// Drawing

void CSegmentMeasure::DrawPolyline(HDC dc, const std::vector<POINT>& screen) const
{
    const int n = (int)screen.size();
    int k = m_blinkPhase;
    if (k >= n) k = 0;
    if (k > 0) {
        ::Polyline(dc, screen.data() + (k - 1), n - (k - 1));
        ::Polyline(dc, screen.data(), k);
    } else if (n > 1) {
        ::Polyline(dc, screen.data(), n);
    }
}

void CSegmentMeasure::Draw(HDC dc)
{
    if (!dc || !m_flags) return;
    const std::vector<POINT> screen = ScreenPoints();
    HPEN pen = CreateOutlinePen();
    HGDIOBJ oldPen = ::SelectObject(dc, pen);
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
    DrawOutline(dc, screen);
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
    ::DeleteObject(pen);
    DrawHandles(dc, screen.data(), screen.size());
    if (m_showLabel) DrawLabel(dc);
}

void CSegmentMeasure::DrawOutline(HDC dc, const std::vector<POINT>& screen) { DrawPolyline(dc, screen); }

namespace {

// Segment and arc labels step aside from a chain that runs corner to corner.
POINT SideStepLabel(POINT at, const std::vector<POINT>& points)
{
    if (points.size() < 2) return at;
    const POINT a = points.front(), b = points.back();
    if ((a.x < b.x && a.y < b.y) || (a.x > b.x && a.y > b.y)) {
        if (std::labs(a.x - b.x) >= std::labs(a.y - b.y))
            at.y -= 16;
        else
            at.x += 10;
    }
    return at;
}

} // namespace

void CSegmentMeasure::DrawLabel(HDC dc)
{
    double total = 0;
    GetResultText(&total);
    char text[64];
    std::snprintf(text, sizeof text, "%u: %6.2fμm", (unsigned)m_number, total);
    DrawLabelText(dc, SideStepLabel(ScreenCenter(), m_points), text);
}

const char* CSegmentMeasure::GetResultText(double* value)
{
    const std::vector<geom::Point> points = ToGeom(GetPoints());
    const std::vector<double> lengths = zelvo::annotation::SegmentLengths(points.data(), points.size(), m_resX, m_resY);
    double total = 0;
    for (double l : lengths) total += l;
    char piece[64];
    std::snprintf(piece, sizeof piece, "%6.2fμm : ", total);
    std::string text = piece;
    // The list stops at the last piece that fits the line.
    for (double l : lengths) {
        std::snprintf(piece, sizeof piece, "%6.2fμm, ", l);
        if (text.size() + std::strlen(piece) >= sizeof m_result) break;
        text += piece;
    }
    std::snprintf(m_result, sizeof m_result, "%s", text.c_str());
    if (value) *value = total;
    return m_result;
}

// ---------------------------------------------------------------------------
// Record

bool CSegmentMeasure::GetRecord(ObjectRecord& out) const
{
    SegmentRecord record;
    record.attributes = ToAttributeBlock(m_attr);
    record.points = ToGeom(GetPoints());
    out = record;
    return true;
}

bool CSegmentMeasure::SetRecord(const ObjectRecord& in)
{
    const SegmentRecord* record = std::get_if<SegmentRecord>(&in);
    if (!record || record->points.size() < zelvo::annotation::MinSegmentPoints(m_type) ||
        record->points.size() > zelvo::annotation::MaxSegmentPoints(m_type))
        return false;
    zelvo::annotation::AttributeBlock block = ToAttributeBlock(m_attr);
    record->MergeAttributes(block);
    m_attr = FromAttributeBlock(block);
    std::vector<POINT> points(record->points.size());
    for (size_t i = 0; i < points.size(); ++i) points[i] = POINT{record->points[i].x, record->points[i].y};
    SetPoints(points);
    m_blinkPhase = 0;
    Refresh();
    return true;
}

// ---------------------------------------------------------------------------
// Angle

CAngleMeasure::CAngleMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type)
    : CSegmentMeasure(owner, attributes, onChange, context, type, 1)
{
    ResetPoints();
    Refresh();
}

void CAngleMeasure::ResetPoints() { SetPoints({{200, -100}, {0, 0}, {200, 100}}); }

int CAngleMeasure::OnLButtonDown(int x, int y) { return Press(x, y, false); }

double CAngleMeasure::Degrees() const
{
    const std::vector<geom::Point> p = ToGeom(GetPoints());
    return p.size() == 3 ? zelvo::annotation::AngleDegrees(p.data(), m_resX, m_resY) : 0.0;
}

const char* CAngleMeasure::GetResultText(double* value)
{
    const double angle = Degrees();
    std::snprintf(m_angleResult, sizeof m_angleResult, "夹角=%6.2f度", angle);
    if (value) *value = angle;
    return m_angleResult;
}

void CAngleMeasure::DrawLabel(HDC dc)
{
    char text[64];
    std::snprintf(text, sizeof text, "%u: %6.2f度", (unsigned)m_number, Degrees());
    POINT at = ScreenCenter();
    at.x -= 30;
    DrawLabelText(dc, at, text);
}

// ---------------------------------------------------------------------------
// Arc

CArcMeasure::CArcMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type,
                         int showLabel)
    : CSegmentMeasure(owner, attributes, onChange, context, type, showLabel)
{
    ResetPoints();
    Refresh();
}

CArcMeasure::~CArcMeasure()
{
    Stop();
}

void CArcMeasure::ResetPoints() { SetPoints({{0, 0}, {150, -100}, {300, 0}}); }

int CArcMeasure::OnLButtonDown(int x, int y) { return Press(x, y, false); }

void CArcMeasure::Refresh()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_box = PointsBox();
        if (m_points.size() == 3) m_arc = zelvo::annotation::ComputeArc(ToGeom(m_points).data(), m_resX, m_resY);
    }
    if ((m_flags & (DOF_HIGHLIGHT | DOF_VISIBLE)) && m_pOwner && m_pOwner->m_hWnd) m_pOwner->Invalidate(TRUE);
}

int CArcMeasure::Step()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        const int n = (int)m_points.size();
        if (m_attr.blink && n > 0) m_blinkPhase = (m_blinkPhase + 1) % n;
    }
    if ((m_flags & (DOF_HIGHLIGHT | DOF_VISIBLE)) && m_pOwner && m_pOwner->m_hWnd) m_pOwner->Invalidate(TRUE);
    return 1;
}

void CArcMeasure::GetBoundRect(RECT* rect) const
{
    if (m_arc.circular && m_arc.drawable) {
        *rect = RECT{m_arc.box.left, m_arc.box.top, m_arc.box.right, m_arc.box.bottom};
        ImageToScreenRect(rect);
    } else {
        CSegmentMeasure::GetBoundRect(rect);
    }
    ::InflateRect(rect, 6, 6);
}

void CArcMeasure::DrawOutline(HDC dc, const std::vector<POINT>& screen)
{
    if (!m_arc.circular || !m_arc.drawable || screen.size() != 3) {
        DrawPolyline(dc, screen);
        return;
    }
    RECT box{m_arc.box.left, m_arc.box.top, m_arc.box.right, m_arc.box.bottom};
    ImageToScreenRect(&box);
    const POINT from = screen[m_arc.start], to = screen[m_arc.end];
    ::Arc(dc, box.left, box.top, box.right, box.bottom, from.x, from.y, to.x, to.y);
}

void CArcMeasure::DrawLabel(HDC dc)
{
    char text[64];
    std::snprintf(text, sizeof text, "%u: %6.2fμm", (unsigned)m_number, m_arc.length);
    DrawLabelText(dc, SideStepLabel(ScreenCenter(), m_points), text);
}

const char* CArcMeasure::GetResultText(double* value)
{
    Refresh();
    std::snprintf(m_arcResult, sizeof m_arcResult, "弧长=%6.2fμm,  半径=%6.2fμm,  弧角=%6.2f度", m_arc.length,
                  m_arc.radius, m_arc.degrees);
    if (value) *value = m_arc.length;
    return m_arcResult;
}
