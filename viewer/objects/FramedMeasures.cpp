#include "FramedMeasures.h"

#include <cstdio>

namespace annotation = zelvo::annotation;
namespace geom = zelvo::geom;

namespace {

const geom::Point kMeasureHandles[4] = {{-100, 0}, {100, 0}, {0, -80}, {0, 80}};

// The result line of a framed measurement; the area is its main value.
const char* FormatResults(char (&out)[256], const annotation::FramedResults& r, const char* format, double* value)
{
    std::snprintf(out, sizeof out, format, r.area, r.perimeter, r.longAxis, r.shortAxis, r.aspect, r.diameter,
                  r.roundness, r.tilt);
    if (value) *value = r.area;
    return out;
}

} // namespace

// ---------------------------------------------------------------------------
// Rectangle

CRectangleMeasure::CRectangleMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context,
                                     int type, int showLabel)
    : CFramedShape(owner, attributes, onChange, context, type, showLabel)
{
    Init();
}

void CRectangleMeasure::Init() { SetHandles(kMeasureHandles); }

void CRectangleMeasure::Draw(HDC dc)
{
    if (!dc || !m_flags) return;
    DrawMeasured(dc, ScreenCorners());
    if (m_showLabel) DrawLabel(dc);
}

void CRectangleMeasure::DrawLabel(HDC dc)
{
    double area = 0;
    GetResultText(&area);
    DrawAreaLabel(dc, area);
}

const char* CRectangleMeasure::GetResultText(double* value)
{
    return FormatResults(m_result, annotation::RectangleResults(m_frame, m_resX, m_resY),
                         "面积=%6.2fμm^2,  周长=%6.2fμm,  长轴=%6.2fμm,  宽轴=%6.2fμm,  长宽比=%6.2f,  "
                         "直径=%6.2fμm,  圆度=%6.2f,  倾角=%6.2f",
                         value);
}

// ---------------------------------------------------------------------------
// Ellipse

CEllipseMeasure::CEllipseMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context,
                                 int type, int showLabel)
    : CFramedShape(owner, attributes, onChange, context, type, showLabel)
{
    Init();
}

void CEllipseMeasure::Init()
{
    m_period = 200;
    SetHandles(kMeasureHandles);
}

void CEllipseMeasure::BuildOutline() { BuildOutlineFrom(&annotation::EllipseOutline); }

int CEllipseMeasure::HitTestRegion(int x, int y) { return OutlineContains(x, y); }

void CEllipseMeasure::Draw(HDC dc)
{
    if (!dc || !m_flags) return;
    DrawMeasured(dc, ScreenOutline());
    if (m_showLabel) DrawLabel(dc);
}

void CEllipseMeasure::DrawLabel(HDC dc)
{
    double area = 0;
    GetResultText(&area);
    DrawAreaLabel(dc, area);
}

const char* CEllipseMeasure::GetResultText(double* value)
{
    return FormatResults(m_result, annotation::EllipseResults(m_frame, m_resX, m_resY),
                         "面积=%6.2fμm^2,  周长=%6.2fμm,  长轴=%6.2fμm,  短轴=%6.2fμm,  长宽比=%6.2f,  "
                         "直径=%6.2fμm,  圆度=%6.2f,  倾角=%6.2f",
                         value);
}
