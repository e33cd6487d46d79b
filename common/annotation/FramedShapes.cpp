#include "annotation/FramedShapes.h"

#include "annotation/SegmentMeasures.h"

#include <algorithm>
#include <cmath>

namespace zelvo {
namespace annotation {

namespace {

constexpr double kPi = 3.1415926;
constexpr double kQuarterPi = 0.78539815;

double Length(geom::Point a, geom::Point b)
{
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    return std::sqrt(dx * dx + dy * dy);
}

// Each coordinate (a + b) / 2, truncated toward zero.
geom::Point Middle(geom::Point a, geom::Point b)
{
    return geom::Point{int32_t((int64_t(a.x) + b.x) / 2), int32_t((int64_t(a.y) + b.y) / 2)};
}

// p + k n, each coordinate truncated toward zero.
geom::Point Offset(geom::Point p, double k, double nx, double ny)
{
    return geom::Point{int32_t(p.x + k * nx), int32_t(p.y + k * ny)};
}

double SafeDivide(double a, double b) { return b != 0 ? a / b : 0.0; }

// The figures both framed measurements share, in micrometres.
FramedResults AxisFigures(const Frame& f, uint32_t resX, uint32_t resY, double* la, double* lb)
{
    const double sx = geom::MicronsPerPixel(resX), sy = geom::MicronsPerPixel(resY);
    const geom::Point* h = f.handles;
    *la = std::hypot((double(h[0].x) - h[1].x) * sx, (double(h[0].y) - h[1].y) * sy);
    *lb = std::hypot((double(h[2].x) - h[3].x) * sx, (double(h[2].y) - h[3].y) * sy);
    FramedResults r{};
    r.longAxis = std::max(*la, *lb);
    r.shortAxis = std::min(*la, *lb);
    r.aspect = SafeDivide(r.longAxis, r.shortAxis);
    if (h[0].x != h[1].x)
        r.tilt = std::atan2((double(h[1].y) - h[0].y) * sy, (double(h[1].x) - h[0].x) * sx) * kDegreesPerRadian;
    else
        r.tilt = h[1].y > h[0].y ? 90.0 : -90.0;
    return r;
}

} // namespace

bool RebuildFrame(Frame& f, int i)
{
    geom::Point* h = f.handles;
    const bool axisA = i == 0 || i == 1;
    // The moved axis's ends, the other axis's ends (on the normal's side
    // first), and the corners beside the moved axis's first end (on the
    // normal's side first), then beside its second end.
    const int from = axisA ? 0 : 2, to = axisA ? 1 : 3;
    const int plus = axisA ? 2 : 1, minus = axisA ? 3 : 0;
    static const int kCorners[2][4] = {{0, 1, 2, 3}, {3, 0, 1, 2}};
    const int* c = kCorners[axisA ? 0 : 1];
    const double length = Length(h[from], h[to]);
    if (length == 0) return false;
    const double w = Length(h[plus], h[minus]) / 2;
    const double nx = (double(h[to].y) - h[from].y) / length, ny = -(double(h[to].x) - h[from].x) / length;
    const geom::Point m = Middle(h[from], h[to]);
    f.corners[c[0]] = Offset(h[from], w, nx, ny);
    f.corners[c[1]] = Offset(h[from], -w, nx, ny);
    f.corners[c[2]] = Offset(h[to], -w, nx, ny);
    f.corners[c[3]] = Offset(h[to], w, nx, ny);
    h[plus] = Offset(m, w, nx, ny);
    h[minus] = Offset(m, -w, nx, ny);
    return true;
}

void BuildFrame(Frame& f)
{
    if (RebuildFrame(f, 0) || RebuildFrame(f, 2)) return;
    for (geom::Point& c : f.corners) c = f.handles[0];
}

void HalfAxes(const Frame& f, int32_t* a, int32_t* b)
{
    *a = int32_t(Length(f.handles[0], f.handles[1]) / 2);
    *b = int32_t(Length(f.handles[2], f.handles[3]) / 2);
}

std::vector<geom::Point> EllipseOutline(int32_t a, int32_t b)
{
    std::vector<geom::Point> out;
    const int64_t n = std::min<int64_t>(2 * (int64_t(a) + b), kMaxCurvePoints);
    if (n < 1) return out;
    const float step = float(kTwoPi / double(n));
    out.reserve(size_t(n));
    for (int64_t i = 0; i < n; ++i) {
        const double t = double(float(i) * step);
        out.push_back(geom::Point{int32_t(a * std::cos(t) + 0.5), int32_t(b * std::sin(t) + 0.5)});
    }
    return out;
}

std::vector<geom::Point> ArrowOutline(int32_t a, int32_t b)
{
    const int32_t q = a / 4, s = int32_t(b * 0.4);
    return {{-a, 0}, {-q, b}, {-q, s}, {a, s}, {a, -s}, {-q, -s}, {-q, -b}};
}

std::vector<geom::Point> BracketOutline(int32_t a, int32_t b)
{
    std::vector<geom::Point> out;
    const int32_t r = b;
    const int32_t n = std::min(int32_t(r * 3.0), kMaxCurvePoints);
    if (n < 1) return out;
    const float step = float(kTwoPi / double(n));
    // One circle, stored from the end: T[n - i] lies at angle i step.
    std::vector<geom::Point> t(size_t(n) + 1);
    for (int32_t i = 0; i <= n; ++i) {
        const double angle = double(float(i) * step);
        t[size_t(n - i)] = geom::Point{int32_t(r * std::cos(angle)), int32_t(r * std::sin(angle))};
    }
    const int32_t q = n / 4;
    out.reserve(4 * (size_t(q) + 1));
    auto add = [&](int32_t index, int32_t dx, int32_t dy) {
        out.push_back(geom::Point{t[size_t(index)].x + dx, t[size_t(index)].y + dy});
    };
    for (int32_t j = 0; j <= q; ++j) add(n / 2 + j, r - a, -r);
    for (int32_t j = 0; j <= q; ++j) add(q - j, -r, r);
    for (int32_t j = 0; j <= q; ++j) add(n / 2 - j, r, r);
    for (int32_t j = 0; j <= q; ++j) add(3 * n / 4 + j, a - r, -r);
    return out;
}

void RotateOutline(std::vector<geom::Point>& outline, geom::Point h0, geom::Point h1)
{
    const double t = std::atan2(double(h1.y) - h0.y, double(h1.x) - h0.x);
    const double cs = std::cos(t), sn = std::sin(t);
    const geom::Point m = Middle(h0, h1);
    const int32_t mx = int32_t(double(m.x) + 0.5), my = int32_t(double(m.y) + 0.5);
    for (geom::Point& p : outline)
        p = geom::Point{int32_t(p.x * cs - p.y * sn + mx + 0.5), int32_t(p.x * sn + p.y * cs + my + 0.5)};
    outline.erase(std::unique(outline.begin(), outline.end()), outline.end());
}

FramedResults RectangleResults(const Frame& f, uint32_t resX, uint32_t resY)
{
    double la, lb;
    FramedResults r = AxisFigures(f, resX, resY, &la, &lb);
    const double sx = geom::MicronsPerPixel(resX), sy = geom::MicronsPerPixel(resY);
    r.area = la * lb;
    r.perimeter = 2 * (la + lb);
    r.diameter = std::hypot((double(f.corners[0].x) - f.corners[2].x) * sx,
                            (double(f.corners[0].y) - f.corners[2].y) * sy);
    r.roundness = SafeDivide(4 * r.area, r.diameter * r.diameter * kPi);
    return r;
}

FramedResults EllipseResults(const Frame& f, uint32_t resX, uint32_t resY)
{
    double la, lb;
    FramedResults r = AxisFigures(f, resX, resY, &la, &lb);
    r.area = la * lb * kQuarterPi;
    r.perimeter = 2 * (r.longAxis - r.shortAxis) + r.shortAxis * kPi;
    r.diameter = r.longAxis;
    r.roundness = SafeDivide(4 * r.area, r.longAxis * r.longAxis * kPi);
    return r;
}

CircleResults MeasureCircle(int32_t radius, uint32_t resX)
{
    const double s = geom::MicronsPerPixel(resX), rs = double(radius) * s;
    CircleResults c;
    c.area = rs * rs * kPi;
    c.perimeter = rs * kTwoPi;
    c.diameter = c.perimeter * 0.31830989161357204;
    return c;
}

} // namespace annotation
} // namespace zelvo
