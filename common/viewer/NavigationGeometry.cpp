#include "viewer/NavigationGeometry.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace zelvo::nav {

namespace {

bool Within(int64_t v, int64_t centre, int64_t reach) { return std::llabs(v - centre) <= reach; }

int32_t Saturate(double v)
{
    if (!(v == v)) return 0;
    if (v >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (v <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return int32_t(v);
}

} // namespace

int FrameHitMode(const Rect& f, int32_t x, int32_t y)
{
    // The inner zone is the rectangle grown by 2, with PtInRect's half-open edges.
    if (x >= int64_t(f.left) - 2 && x < int64_t(f.right) + 2 && y >= int64_t(f.top) - 2 && y < int64_t(f.bottom) + 2)
        return kHitMove;
    if (y >= f.top && y <= f.bottom) {
        if (Within(x, f.left, 5)) return kHitLeft;
        if (Within(x, f.right, 5)) return kHitRight;
    }
    if (x < f.left || x > f.right) return kHitNone;
    if (Within(y, f.top, 5)) return kHitTop;
    if (Within(y, f.bottom, 5)) return kHitBottom;
    return kHitNone;
}

void ClampSpan(int32_t& start, int32_t& end, int32_t areaStart, int32_t areaEnd)
{
    const int64_t size = int64_t(end) - start;
    const int64_t area = int64_t(areaEnd) - areaStart;
    int64_t s = start;
    if (size <= area) {
        if (s < areaStart) s = areaStart;
        if (s + size > areaEnd) s = int64_t(areaEnd) - size;
    } else {
        if (s > areaStart) s = areaStart;
        if (s + size < areaEnd) s = int64_t(areaEnd) - size;
    }
    start = int32_t(s);
    end = int32_t(s + size);
}

Rect ClampRect(const Rect& r, const Rect& area, int32_t* dx, int32_t* dy)
{
    Rect out = r;
    ClampSpan(out.left, out.right, area.left, area.right);
    ClampSpan(out.top, out.bottom, area.top, area.bottom);
    if (dx) *dx = out.left - r.left;
    if (dy) *dy = out.top - r.top;
    return out;
}

Rect CenterRectOn(const Rect& r, int32_t x, int32_t y)
{
    const int32_t cx = int32_t((int64_t(r.left) + r.right) / 2);
    const int32_t cy = int32_t((int64_t(r.top) + r.bottom) / 2);
    // 64 bits: points far outside (a saturated conversion) must not wrap.
    const int64_t dx = int64_t(x) - cx, dy = int64_t(y) - cy;
    return Rect{Saturate(double(r.left + dx)), Saturate(double(r.top + dy)), Saturate(double(r.right + dx)),
                Saturate(double(r.bottom + dy))};
}

double PictureScale(int32_t client, int32_t thumbnail)
{
    if (client <= 0 || thumbnail <= 0) return 1.0;
    return double(client) / double(thumbnail);
}

bool FitThumbnailClient(int32_t thumbW, int32_t thumbH, int32_t screenH, int32_t& clientW, int32_t& clientH)
{
    if (thumbW <= 0 || thumbH <= 0) return false;
    int32_t w = 320;
    int32_t h = Saturate(double(thumbH) * 320.0 / thumbW);
    const double limit = 0.38 * screenH;
    if (screenH > 0 && h > limit) {
        h = Saturate(limit);
        w = Saturate(double(h) * thumbW / thumbH);
    }
    clientW = w;
    clientH = h;
    return true;
}

bool PlaceBesideRect(const Rect& owner, int32_t clientW, int32_t clientH, Rect& out)
{
    const int32_t ow = owner.Width(), oh = owner.Height();
    if (clientW <= 0 || clientH <= 0 || ow <= 0 || oh <= 0) return false;
    const double r = double(clientW) / clientH;
    out = owner;
    if (double(ow) / oh <= r)
        out.bottom = Saturate(owner.top + ow / r);
    else
        out.right = Saturate(owner.left + oh * r);
    return true;
}

int32_t OneToOnePixels(int32_t pixelsPerMetre, double sampleMm)
{
    return Saturate(double(pixelsPerMetre) * sampleMm * 0.001);
}

bool OverviewMagnification(int32_t clientW, int32_t oneToOneW, double& out)
{
    if (oneToOneW <= 0) return false;
    out = double(clientW) / oneToOneW;
    return true;
}

} // namespace zelvo::nav
