#include "FreehandMeasure.h"

using zelvo::annotation::FreehandRecord;
using zelvo::geom::Point;

CFreehandMeasure::CFreehandMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context,
                                   int type)
    : CPolygonMeasure(owner, attributes, onChange, context, type)
{
}

CFreehandMeasure::~CFreehandMeasure() = default;

void CFreehandMeasure::BeginCreate(int x, int y)
{
    AppendPoint(ToImage(x, y));
    UpdateBounds();
    InvalidateOwner();
}

int CFreehandMeasure::OnMouseMove(int x, int y)
{
    if (!(m_flags & DOF_SELECTED) || !m_buttonDown) return CPolygonMeasure::OnMouseMove(x, y);
    const Point p = ToImage(x, y);
    if (m_drawing) {
        // Beyond the length bound the outline stops growing rather than
        // becoming one that no file could load again.
        AppendPoint(p);
    } else if (m_hitKind == HIT_INSIDE) {
        MoveAll(int64_t(p.x) - m_lastPoint.x, int64_t(p.y) - m_lastPoint.y);
        m_lastPoint = p;
    } else {
        // Vertices and edges of a drawn outline are not dragged.
        ::SetCursor(SystemCursor(IDC_ARROW));
        return 0;
    }
    UpdateBounds();
    return 1;
}

int CFreehandMeasure::OnLButtonUp(int x, int y)
{
    m_drawing = 0;
    DropTrailingRepeats();
    return CPolygonMeasure::OnLButtonUp(x, y);
}

void CFreehandMeasure::Draw(HDC dc)
{
    if (m_flags == 0) return;
    const std::vector<POINT> s = ScreenPoints();
    if (s.size() >= 2) {
        // Open: the closing edge is measured but not drawn.
        HPEN pen = ::CreatePen(PS_SOLID, 3, m_attr.borderColor);
        HGDIOBJ oldPen = ::SelectObject(dc, pen);
        HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(HOLLOW_BRUSH));
        ::Polyline(dc, s.data(), int(s.size()));
        ::SelectObject(dc, oldBrush);
        ::SelectObject(dc, oldPen);
        ::DeleteObject(pen);
    }
    DrawLabel(dc);
}

FreehandRecord CFreehandMeasure::GetRecord() const { return MakeRecord<FreehandRecord>(); }

bool CFreehandMeasure::SetRecord(const FreehandRecord& record)
{
    // An older file held no record: the outline stays as it was.
    if (record.version >= 2 && !TakeRecord(record)) return false;
    // An outline read from a file is complete: a later drag moves it, never extends it.
    m_drawing = 0;
    return true;
}

bool CFreehandMeasure::GetRecord(zelvo::annotation::ObjectRecord& out) const
{
    out = GetRecord();
    return true;
}

bool CFreehandMeasure::SetRecord(const zelvo::annotation::ObjectRecord& record)
{
    const auto* mine = std::get_if<FreehandRecord>(&record);
    return mine && SetRecord(*mine);
}
