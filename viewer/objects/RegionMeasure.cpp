#include "RegionMeasure.h"

using zelvo::annotation::RegionRecord;
using zelvo::geom::Point;

unsigned CRegionMeasure::s_drawStart = 0;

CRegionMeasure::CRegionMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type)
    : CPolygonMeasure(owner, attributes, onChange, context, type)
{
    SetPoints({{0, 0}, {100, -150}, {200, -150}, {300, 0}, {200, 150}, {100, 150}});
}

CRegionMeasure::~CRegionMeasure() = default;

void CRegionMeasure::BeginCreate(int x, int y)
{
    if (!GetPoints().empty()) {
        // The first vertex lands on the click.
        const Point p = ToImage(x, y);
        const Point first = GetPoints().front();
        MoveAll(int64_t(p.x) - first.x, int64_t(p.y) - first.y);
    }
    UpdateBounds();
    InvalidateOwner();
}

void CRegionMeasure::Draw(HDC dc)
{
    if (m_flags == 0) return;
    const std::vector<POINT> s = ScreenPoints();
    const size_t n = s.size();
    if (n >= 2) {
        HPEN pen = m_attr.blink ? ::CreatePen(PS_DASHDOT, 1, m_attr.borderColor)
                                : ::CreatePen(PS_SOLID, 3, m_attr.borderColor);
        HGDIOBJ oldPen = ::SelectObject(dc, pen);
        HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(HOLLOW_BRUSH));
        // Each paint starts one vertex later, so a blinking outline's dashes march.
        const size_t start = s_drawStart % n;
        s_drawStart = unsigned((start + 1) % n);
        std::vector<POINT> rotated(s.begin() + std::ptrdiff_t(start), s.end());
        rotated.insert(rotated.end(), s.begin(), s.begin() + std::ptrdiff_t(start));
        ::Polygon(dc, rotated.data(), int(n));
        if (m_flags & DOF_SELECTED) {
            ::SelectObject(dc, ::GetStockObject(BLACK_PEN));
            ::SelectObject(dc, ::GetStockObject(WHITE_BRUSH));
            for (const POINT& p : s) ::Rectangle(dc, p.x - 4, p.y - 4, p.x + 4, p.y + 4);
        }
        ::SelectObject(dc, oldBrush);
        ::SelectObject(dc, oldPen);
        ::DeleteObject(pen);
    }
    DrawLabel(dc);
}

RegionRecord CRegionMeasure::GetRecord() const { return MakeRecord<RegionRecord>(); }

bool CRegionMeasure::SetRecord(const RegionRecord& record) { return TakeRecord(record); }

bool CRegionMeasure::GetRecord(zelvo::annotation::ObjectRecord& out) const
{
    out = GetRecord();
    return true;
}

bool CRegionMeasure::SetRecord(const zelvo::annotation::ObjectRecord& record)
{
    const auto* mine = std::get_if<RegionRecord>(&record);
    return mine && SetRecord(*mine);
}
