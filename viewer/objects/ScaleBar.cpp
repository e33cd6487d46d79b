#include "ScaleBar.h"

#include <cmath>
#include <cstdlib>

namespace {

// Truncation toward zero that stays defined for values outside the int range.
int Trunc(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return int(v);
}

void Line(HDC dc, int x1, int y1, int x2, int y2)
{
    ::MoveToEx(dc, x1, y1, nullptr);
    ::LineTo(dc, x2, y2);
}

} // namespace

CScaleBar::CScaleBar(CWnd* owner, uint32_t screenPixelsPerMetre)
    : CDrawObject(owner, nullptr, nullptr), m_screenPixelsPerMetre(screenPixelsPerMetre)
{
    // The bar keeps its 200 pixels until the view gives a magnification or a length.
    SetDefaultGeometry();
}

CScaleBar::~CScaleBar() = default;

void CScaleBar::SetDefaultGeometry()
{
    m_moveCursor = ::LoadCursor(nullptr, IDC_SIZEALL);
    m_arrowCursor = ::LoadCursor(nullptr, IDC_ARROW);
    m_crossCursor = ::LoadCursor(nullptr, IDC_CROSS);
    m_rulerStart = POINT{400, 30};
    m_rulerEnd = POINT{Trunc(m_screenPixelsPerMetre * 0.1 + 400), 30};
}

void CScaleBar::Recompute()
{
    m_barPixels = Trunc(m_screenPixelsPerMetre * m_barLength * 0.001);
    // No magnification yet (or a broken one): the bar covers nothing rather
    // than an infinite length.
    m_barSlideLength = m_magnification > 0 ? m_barLength * 1000 / m_magnification : 0.0;
    if (!std::isfinite(m_barSlideLength)) m_barSlideLength = 0.0;
}

void CScaleBar::SetMagnification(double magnification)
{
    m_magnification = magnification;
    Recompute();
}

void CScaleBar::SetLength(double millimetres)
{
    m_barLength = millimetres;
    Recompute();
}

void CScaleBar::ToggleScreenRuler()
{
    m_rulerShown = !m_rulerShown;
    if (!m_rulerShown) m_rulerActive = 0;
}

void CScaleBar::GetBarLabels(CString& microns, CString& centimetres, CString& magnification) const
{
    microns.Format("%dμm", Trunc(m_barSlideLength));
    centimetres.Format("%dcm", Trunc(m_barLength) / 10);
    magnification.Format(" @%dX", Trunc(m_magnification));
}

double CScaleBar::RulerLength() const
{
    const double dx = double(m_rulerEnd.x) - m_rulerStart.x, dy = double(m_rulerEnd.y) - m_rulerStart.y;
    return std::sqrt(dx * dx + dy * dy);
}

CString CScaleBar::GetRulerLabel() const
{
    const double den = double(m_screenPixelsPerMetre) * m_magnification;
    double um = den > 0 ? RulerLength() * 1000000 / den : 0.0;
    if (!std::isfinite(um)) um = 0.0;
    CString text;
    text.Format("%6.2fμm", um);
    return text;
}

void CScaleBar::BuildTicks()
{
    const double length = RulerLength();
    double step = m_screenPixelsPerMetre * 0.001;
    m_ticks.clear();
    const int sx = m_rulerStart.x, sy = m_rulerStart.y, ex = m_rulerEnd.x, ey = m_rulerEnd.y;
    auto half = [](long k) { return k % 10 == 0 ? 30 : k % 5 == 0 ? 23 : 15; };

    if (sx == ex) {
        m_band[0] = POINT{sx + 30, sy};
        m_band[1] = POINT{sx - 30, sy};
        m_band[2] = POINT{ex - 30, ey};
        m_band[3] = POINT{ex + 30, ey};
        if (ey < sy) step = -step;
    } else {
        const double s = double(ey - sy) / double(ex - sx);
        const double u = 1.0 / std::sqrt(s * s + 1);
        const double nx = 30 * u * s, ny = -30 * u;
        m_band[0] = POINT{Trunc(sx + nx), Trunc(sy + ny)};
        m_band[1] = POINT{Trunc(sx - nx), Trunc(sy - ny)};
        m_band[2] = POINT{Trunc(ex - nx), Trunc(ey - ny)};
        m_band[3] = POINT{Trunc(ex + nx), Trunc(ey + ny)};
        if (ex < sx) step = -step;
    }
    // Without a calibration there is no millimetre to mark: no ticks instead
    // of an endless loop.
    if (!(std::fabs(step) > 0.0)) return;

    for (long k = 1; std::abs(Trunc(k * step)) < length; ++k) {
        const int h = half(k);
        if (sx == ex) {
            const double cy = sy + k * step;
            m_ticks.push_back(Segment{Trunc(sx + h), Trunc(cy), Trunc(sx - h), Trunc(cy)});
        } else {
            const double s = double(ey - sy) / double(ex - sx);
            const double u = 1.0 / std::sqrt(s * s + 1);
            const double cx = sx + k * step * u, cy = sy + k * step * u * s;
            m_ticks.push_back(Segment{Trunc(cx + h * u * s), Trunc(cy - h * u), Trunc(cx - h * u * s), Trunc(cy + h * u)});
        }
    }
}

int CScaleBar::HitRuler(int x, int y, int* end)
{
    const POINT p{x, y};
    const POINT ends[2] = {m_rulerStart, m_rulerEnd};
    for (int i = 0; i < 2; ++i) {
        RECT r{ends[i].x - 8, ends[i].y - 8, ends[i].x + 8, ends[i].y + 8};
        if (::PtInRect(&r, p)) {
            if (end) *end = i;
            return HIT_END;
        }
    }
    BuildTicks();
    int code = HIT_NONE;
    if (HRGN band = ::CreatePolygonRgn(m_band, 4, ALTERNATE)) {
        if (::PtInRegion(band, x, y)) code = HIT_BAND;
        ::DeleteObject(band);
    }
    return code;
}

void CScaleBar::Draw(HDC dc)
{
    const RECT& c = m_client;
    const int xl = c.right - 140 - m_barPixels, xr = c.right - 140;
    const int yt = c.bottom - 60, yb = c.bottom - 20, ym = (yt + yb) / 2;

    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
    HPEN black = ::CreatePen(PS_SOLID, 2, RGB(0, 0, 0));
    HGDIOBJ oldPen = ::SelectObject(dc, black);
    Line(dc, xl, yt, xl, yb);
    Line(dc, xr, yt, xr, yb);
    Line(dc, xl, ym, xr, ym);
    HPEN white = ::CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    ::SelectObject(dc, white);
    Line(dc, xl - 1, yt - 1, xl - 1, yb - 1);
    Line(dc, xr - 1, yt - 1, xr - 1, yb - 1);
    Line(dc, xl - 1, ym - 1, xr - 1, ym - 1);
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);
    ::DeleteObject(black);
    ::DeleteObject(white);

    HFONT font = CreateLabelFont();
    HGDIOBJ oldFont = ::SelectObject(dc, font);
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::GetTextColor(dc);

    CString um, cm, mag;
    GetBarLabels(um, cm, mag);
    for (int pass = 0; pass < 2; ++pass) {
        const int d = pass ? -1 : 0;
        ::SetTextColor(dc, pass ? RGB(255, 255, 255) : RGB(0, 0, 0));
        RECT r1{xl + d, yt - 14 + d, xr + d, yb - 14 + d};
        ::DrawTextA(dc, um.GetString(), -1, &r1, DT_CENTER | DT_WORDBREAK);
        RECT r2{xl + d, yt + 22 + d, xr + d, yb + 22 + d};
        ::DrawTextA(dc, cm.GetString(), -1, &r2, DT_CENTER | DT_WORDBREAK);
        ::TextOutA(dc, xr + d, yt + 4 + d, mag.GetString(), mag.GetLength());
    }
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
    ::SelectObject(dc, oldFont);
    ::DeleteObject(font);

    // The ruler's label is written in the device context's own font.
    if (m_rulerShown || m_rulerActive) DrawRuler(dc);
}

HFONT CScaleBar::CreateLabelFont()
{
    LOGFONTA lf{};
    lf.lfHeight = 36;
    lf.lfWidth = 14;
    lf.lfWeight = 400;
    // The micrometre sign is a GB2312 character: an ANSI-charset font would
    // show its two bytes as two Latin letters.
    lf.lfCharSet = GB2312_CHARSET;
    lf.lfPitchAndFamily = FF_SWISS;
    lstrcpynA(lf.lfFaceName, "Arial", LF_FACESIZE);
    return ::CreateFontIndirectA(&lf);
}

void CScaleBar::DrawRuler(HDC dc)
{
    BuildTicks();
    FillRegionAlpha(dc, m_band, 4, 0x323232);

    for (int pass = 0; pass < 2; ++pass) {
        const int d = pass ? 0 : -1;
        HPEN pen = ::CreatePen(PS_SOLID, 1, pass ? RGB(0, 0, 0) : RGB(255, 255, 255));
        HGDIOBJ old = ::SelectObject(dc, pen);
        for (const Segment& t : m_ticks) Line(dc, t.x1 + d, t.y1 + d, t.x2 + d, t.y2 + d);
        Line(dc, m_band[0].x + d, m_band[0].y + d, m_band[1].x + d, m_band[1].y + d);
        Line(dc, m_band[2].x + d, m_band[2].y + d, m_band[3].x + d, m_band[3].y + d);
        Line(dc, m_rulerStart.x + d, m_rulerStart.y + d, m_rulerEnd.x + d, m_rulerEnd.y + d);
        ::SelectObject(dc, old);
        ::DeleteObject(pen);
    }

    const int sx = m_rulerStart.x, sy = m_rulerStart.y, ex = m_rulerEnd.x, ey = m_rulerEnd.y;
    const int dx = ex - sx, dy = ey - sy;
    int x = (sx + ex) / 2, y = (sy + ey) / 2;
    const bool falls = (sx < ex && sy < ey) || (sx > ex && sy > ey);
    if (falls) {
        x += 20;
        y -= 20;
        if (std::abs(dx) < std::abs(dy)) x += 10; else y -= 24;
    } else {
        x += 20;
        y += 20;
        if (std::abs(dx) < std::abs(dy)) x += 8; else y += 8;
    }
    const CString label = GetRulerLabel();
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(dc, RGB(0, 0, 0));
    ::TextOutA(dc, x, y, label.GetString(), label.GetLength());
    ::SetTextColor(dc, RGB(255, 255, 255));
    ::TextOutA(dc, x - 1, y - 1, label.GetString(), label.GetLength());
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
}

int CScaleBar::OnLButtonDown(int x, int y)
{
    m_buttonDown = 1;
    if (!m_rulerShown || !m_rulerActive) return 0;
    m_last = POINT{x, y};
    m_hitCode = HitRuler(x, y, &m_hitEnd);
    if (m_hitCode == HIT_NONE) {
        m_rulerActive = 0;
        return 0;
    }
    ::SetCursor(m_hitCode == HIT_END ? m_crossCursor : m_moveCursor);
    return 1;
}

int CScaleBar::OnLButtonUp(int x, int y)
{
    m_buttonDown = 0;
    if (!m_rulerShown) return 0;
    int end = 0;
    m_rulerActive = HitRuler(x, y, &end) != HIT_NONE ? 1 : 0;
    return m_rulerActive;
}

int CScaleBar::OnMouseMove(int x, int y)
{
    if (!m_rulerShown || !m_rulerActive) return 0;
    if (m_buttonDown) {
        if (m_hitCode == HIT_END) {
            ::SetCursor(m_crossCursor);
            (m_hitEnd ? m_rulerEnd : m_rulerStart) = POINT{x, y};
            InvalidateOwner();
            return 1;
        }
        if (m_hitCode == HIT_BAND) {
            ::SetCursor(m_moveCursor);
            const int dx = x - m_last.x, dy = y - m_last.y;
            m_rulerStart.x += dx;
            m_rulerStart.y += dy;
            m_rulerEnd.x += dx;
            m_rulerEnd.y += dy;
            m_last = POINT{x, y};
            InvalidateOwner();
            return 1;
        }
        ::SetCursor(m_arrowCursor);
        m_rulerActive = 0;
        return 0;
    }
    int end = 0;
    const int code = HitRuler(x, y, &end);
    ::SetCursor(code == HIT_END ? m_crossCursor : code == HIT_BAND ? m_moveCursor : m_arrowCursor);
    return 1;
}
