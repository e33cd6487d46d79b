// Fill area and region results of the default hexagon at growing sizes.
// Baseline: counting the same outline row by row with a scan of the whole
// chain for each row (cost outline length x height). The target is that our
// cost grows with outline length plus height.
#include "geometry/OutlineGeometry.h"

#include <chrono>
#include <cstdio>
#include <vector>

using namespace zelvo::geom;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<Point> Hexagon(int scale)
{
    std::vector<Point> v{{0, 0}, {100, -150}, {200, -150}, {300, 0}, {200, 150}, {100, 150}};
    for (Point& p : v) p = {p.x * scale, p.y * scale};
    return v;
}

// Per-row scan of the whole chain; the row's span between the extreme
// pixels is counted, which is right for this convex outline.
int64_t RowScanArea(const Chain& c)
{
    Rect b = BoundingBox(c.data(), c.size());
    int64_t total = 0;
    for (int32_t y = b.top; y <= b.bottom; ++y) {
        int32_t lo = b.right + 1, hi = b.left - 1;
        for (const Point& p : c)
            if (p.y == y) {
                if (p.x < lo) lo = p.x;
                if (p.x > hi) hi = p.x;
            }
        if (hi >= lo) total += hi - lo + 1;
    }
    return total;
}

template <class F> double MicrosPerCall(F f, int reps)
{
    auto t0 = Clock::now();
    for (int i = 0; i < reps; ++i) f();
    return std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / reps;
}

} // namespace

int main()
{
    volatile int64_t sink = 0;
    for (int scale : {1, 10, 30}) {
        const std::vector<Point> v = Hexagon(scale);
        const Chain c = OutlineChain(v);
        const Rect b = BoundingBox(c.data(), c.size());
        const int height = b.bottom - b.top + 1;
        const int reps = scale == 1 ? 200 : scale == 10 ? 20 : 5;
        const double fill = MicrosPerCall([&] { sink = sink + FillArea(c.size(), c.data()); }, reps);
        const double results = MicrosPerCall([&] { sink = sink + ComputeRegionResults(v, 1000000, 1000000).areaPixels; }, reps);
        const double baseline = MicrosPerCall([&] { sink = sink + RowScanArea(c); }, scale == 30 ? 1 : reps);
        std::printf("hexagon x%-2d chain %6zu height %5d area %10lld: fill %9.1f us, results %9.1f us, "
                    "row-scan baseline %11.1f us, fill per (chain+height) %.3f us\n",
                    scale, c.size(), height, (long long)FillArea(c.size(), c.data()), fill, results, baseline,
                    fill / double(c.size() + height));
    }
    return 0;
}
