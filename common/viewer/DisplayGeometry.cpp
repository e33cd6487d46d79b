#include "viewer/DisplayGeometry.h"

#include "viewer/NavigationGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zelvo::view {

namespace {

constexpr double kMin32 = std::numeric_limits<int32_t>::min();
constexpr double kMax32 = std::numeric_limits<int32_t>::max();

// (int) of a double, saturated; 0 for NaN.
int32_t Trunc(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= kMax32) return std::numeric_limits<int32_t>::max();
    if (v <= kMin32) return std::numeric_limits<int32_t>::min();
    return int32_t(v);
}

int32_t Sat(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

} // namespace

ScrollPlan PlanScroll(int32_t dx, int32_t dy, int32_t cx, int32_t cy)
{
    ScrollPlan p;
    if (dx == 0 && dy == 0) return p;
    const int64_t x = dx, y = dy, w = cx, h = cy;
    auto strip = [&](int64_t l, int64_t t, int64_t r, int64_t b) {
        p.strips[size_t(p.count++)] = Rect{Sat(l), Sat(t), Sat(r), Sat(b)};
    };
    if (std::llabs(x) >= 2 * w || std::llabs(y) >= 2 * h) {
        strip(-w, -h, 2 * w, 2 * h);
        return p;
    }
    p.scroll = true;
    if (x < 0 && y < 0) {
        strip(-w, -h, 2 * w, -h - y);
        strip(-w, -h - y, -w - x, 2 * h);
    } else if (x < 0 && y > 0) {
        strip(-w, -h, -w - x, 2 * h - y);
        strip(-w, 2 * h - y, 2 * w, 2 * h);
    } else if (x < 0) {
        strip(-w, -h, -w - x, 2 * h);
    } else if (x > 0 && y < 0) {
        strip(-w, -h, 2 * w, -h - y);
        strip(2 * w - x, -h - y, 2 * w, 2 * h);
    } else if (x > 0 && y > 0) {
        strip(2 * w - x, -h, 2 * w, 2 * h - y);
        strip(-w, 2 * h - y, 2 * w, 2 * h);
    } else if (x > 0) {
        strip(2 * w - x, -h, 2 * w, 2 * h);
    } else if (y < 0) {
        strip(-w, -h, 2 * w, -h - y);
    } else {
        strip(-w, 2 * h - y, 2 * w, 2 * h);
    }
    return p;
}

std::array<Rect, 4> BandsAround(const Rect& r, int32_t cx, int32_t cy)
{
    const int32_t l = Sat(-int64_t(cx)), t = Sat(-int64_t(cy)), rr = Sat(2 * int64_t(cx)), b = Sat(2 * int64_t(cy));
    return {Rect{l, t, rr, r.top}, Rect{l, r.bottom, rr, b}, Rect{l, r.top, r.left, r.bottom},
            Rect{r.right, r.top, rr, r.bottom}};
}

Rect BandOnImage(const Rect& band, int32_t originX, int32_t originY, int32_t imageW, int32_t imageH)
{
    if (band.IsEmpty()) return Rect{};
    const Rect onImage = Intersect(Offset(band, originX, originY), Rect{0, 0, imageW, imageH});
    if (onImage.IsEmpty()) return Rect{};
    return Offset(onImage, -int64_t(originX), -int64_t(originY));
}

ThumbnailScale ThumbnailPerDisplay(double thumbScaleX, double thumbScaleY, double viewScaleX, double viewScaleY)
{
    ThumbnailScale k;
    if (viewScaleX != 0.0) k.x = thumbScaleX / viewScaleX;
    if (viewScaleY != 0.0) k.y = thumbScaleY / viewScaleY;
    if (!std::isfinite(k.x)) k.x = 0;
    if (!std::isfinite(k.y)) k.y = 0;
    return k;
}

Rect ToThumbnail(const Rect& r, const ThumbnailScale& k, int32_t offsetX, int32_t offsetY)
{
    return Rect{Trunc(r.left * k.x + offsetX + 0.5), Trunc(r.top * k.y + offsetY + 0.5),
                Trunc(r.right * k.x + offsetX + 0.5), Trunc(r.bottom * k.y + offsetY + 0.5)};
}

FramePlan PlanFrame(int32_t w, int32_t h, int32_t panX, int32_t panY, int32_t cx, int32_t cy)
{
    FramePlan p;
    if (w <= 0 || h <= 0) return p;
    const int64_t sl = int64_t(cx) + panX, st = int64_t(cy) + panY, sr = sl + w, sb = st + h;
    const int64_t mainW = 3 * int64_t(cx), mainH = 3 * int64_t(cy);
    const Rect client{0, 0, w, h};
    if (sr <= 0 || sb <= 0 || sl >= mainW || st >= mainH) {
        p.bands[size_t(p.count++)] = client;
        return p;
    }
    p.fromMain = true;
    p.mainSource = Rect{Sat(sl), Sat(st), Sat(sr), Sat(sb)};
    int64_t bandTop = 0, bandBottom = h;
    if (st < 0) {
        p.bands[size_t(p.count++)] = Rect{0, 0, w, Sat(-st)};
        bandTop = -st;
    }
    if (sb > mainH) {
        bandBottom = h - (sb - mainH);
        p.bands[size_t(p.count++)] = Rect{0, Sat(bandBottom), w, h};
    }
    if (sl < 0) {
        const Rect band{0, Sat(bandTop), Sat(-sl), Sat(bandBottom)};
        if (!band.IsEmpty()) p.bands[size_t(p.count++)] = band;
    }
    if (sr > mainW) {
        const Rect band{Sat(w - (sr - mainW)), Sat(bandTop), w, Sat(bandBottom)};
        if (!band.IsEmpty()) p.bands[size_t(p.count++)] = band;
    }
    return p;
}

std::vector<ZoomFrame> PlanZoomFrames(int32_t w, int32_t h, double f, int32_t cx, int32_t cy, int maxFrames)
{
    std::vector<ZoomFrame> frames;
    if (!std::isfinite(f) || f <= 0.0 || w <= 0 || h <= 0) return frames;
    const double wq = w / f, hq = h / f;
    if (wq < 1.0 || hq < 1.0 || wq > 1e6 || hq > 1e6) return frames;
    const int32_t W = int32_t(wq), H = int32_t(hq);
    // Single precision, as the step has always been computed.
    const float k = float(cx) * float(cy) * 1.2715658e-6f;
    auto frame = [&](int32_t s) {
        ZoomFrame z;
        z.s = s;
        z.height = int32_t(int64_t(s) * H / W);
        z.large = s > 3 * int64_t(cx);
        return z;
    };
    if (f > 1.0) {
        const int32_t step = std::max(1, int32_t(10 * k * k));
        for (int64_t s = int64_t(w) - 1; s >= int64_t(W) - step && int(frames.size()) < maxFrames; s -= step)
            frames.push_back(frame(int32_t(s)));
    } else {
        int32_t step = std::max(1, int32_t(30 * k * k));
        for (int64_t s = int64_t(w) + 1; s <= int64_t(W) + step && int(frames.size()) < maxFrames; s += step) {
            frames.push_back(frame(int32_t(s)));
            if (frames.back().large) {
                const double next = 1.0 / f + step;
                step = next < 1e6 ? std::max(1, int32_t(next)) : 1000000;
            }
        }
    }
    return frames;
}

Rect ZoomSource(int32_t ox, int32_t oy, int32_t xc, int32_t yc, const ZoomFrame& z)
{
    const int64_t x = int64_t(ox) + xc, y = int64_t(oy) + yc;
    return Rect{Sat(x - z.s / 2), Sat(y - z.height / 2), Sat(x + z.s / 2), Sat(y + z.height / 2)};
}

ZoomLargeLayout PlanZoomLarge(int32_t w, int32_t h, int32_t ox, int32_t oy, int32_t cx, int32_t cy,
                              const ZoomFrame& z)
{
    ZoomLargeLayout l;
    if (z.s <= 0 || z.height <= 0) return l;
    const int32_t xc = w / 2, yc = h / 2;
    const int32_t a = Sat(3 * int64_t(cx) * w / z.s), b = Sat(3 * int64_t(cy) * h / z.height);
    l.picture = Rect{xc - a / 2, yc - b / 2, xc + a / 2, yc + b / 2};
    const int64_t hx = 3 * int64_t(cx) / 2, hy = 3 * int64_t(cy) / 2;
    l.mainSource = Rect{Sat(ox + xc - hx), Sat(oy + yc - hy), Sat(ox + xc + hx), Sat(oy + yc + hy)};
    l.frame = Rect{xc - z.s / 2, yc - z.height / 2, xc + z.s / 2, yc + z.height / 2};
    l.area = Rect{Sat(xc - hx), Sat(yc - hy), Sat(xc + hx), Sat(yc + hy)};
    return l;
}

std::array<ZoomBand, 4> ZoomLargeBands(const Rect& c, const Rect& x, const Rect& f, const Rect& m)
{
    return {ZoomBand{Rect{c.left, c.top, c.right, x.top}, Rect{f.left, f.top, f.right, m.top}},
            ZoomBand{Rect{c.left, x.top, x.left, x.bottom}, Rect{f.left, m.top, m.left, m.bottom}},
            ZoomBand{Rect{x.right, x.top, c.right, x.bottom}, Rect{m.right, m.top, f.right, m.bottom}},
            ZoomBand{Rect{c.left, x.bottom, c.right, c.bottom}, Rect{f.left, m.bottom, f.right, f.bottom}}};
}

Rect ZoomKeptRect(int32_t viewLeft, int32_t viewTop, int32_t imageW, int32_t imageH, const Rect& client, double f)
{
    const int32_t xc = int32_t((int64_t(client.left) + client.right) / 2);
    const int32_t yc = int32_t((int64_t(client.top) + client.bottom) / 2);
    auto sx = [&](int64_t v) { return Trunc(double(v - xc) * f + xc); };
    auto sy = [&](int64_t v) { return Trunc(double(v - yc) * f + yc); };
    const Rect image{sx(-int64_t(viewLeft)), sy(-int64_t(viewTop)), sx(int64_t(imageW) - viewLeft),
                     sy(int64_t(imageH) - viewTop)};
    return Intersect(image, client);
}

Rect ClampViewToImage(const Rect& view, int32_t imageW, int32_t imageH)
{
    Rect r = view;
    nav::ClampSpan(r.left, r.right, 0, imageW);
    nav::ClampSpan(r.top, r.bottom, 0, imageH);
    return r;
}

Rect CenterViewOn(const Rect& view, int32_t clientW, int32_t clientH, int32_t x, int32_t y, double scaleX,
                  double scaleY, int32_t imageW, int32_t imageH)
{
    const int64_t px = Trunc(x * scaleX + 0.5), py = Trunc(y * scaleY + 0.5);
    const int64_t dx = px - (int64_t(view.left) + clientW / 2), dy = py - (int64_t(view.top) + clientH / 2);
    return ClampViewToImage(Offset(view, dx, dy), imageW, imageH);
}

} // namespace zelvo::view
