// Region results (area, perimeter and shape figures) of outlines of growing
// size, computed from the vertices as the objects do, against the baseline
// of the pixel-chain routines that define them (chain, row fill, chain
// morphometry and perimeter); the time and heap each needs; the worst cases
// that the coordinate and length bounds allow; and the time to refuse
// hostile records and marker files. Built without the sanitizers.
#include "HostileMarks.h"
#include "annotation/ObjectFiles.h"
#include "annotation/RegionRecord.h"
#include "geometry/CoordinateBound.h"
#include "geometry/OutlineGeometry.h"
#include "geometry/PolygonOutline.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <new>
#include <vector>

using namespace zelvo;
using namespace zelvo::geom;
using Clock = std::chrono::steady_clock;

// Heap in use and its peak, counted by the global allocation functions.
namespace {
size_t g_inUse = 0, g_peak = 0;
}

void* operator new(size_t n)
{
    void* p = std::malloc(n + 16);
    if (!p) throw std::bad_alloc();
    *static_cast<size_t*>(p) = n;
    g_inUse += n;
    if (g_inUse > g_peak) g_peak = g_inUse;
    return static_cast<char*>(p) + 16;
}
void operator delete(void* p) noexcept
{
    if (!p) return;
    char* base = static_cast<char*>(p) - 16;
    g_inUse -= *reinterpret_cast<size_t*>(base);
    std::free(base);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

struct Cost {
    double ms;
    double peakMb;  // heap above what was in use before
};

template <class F> Cost Measure(F f, int reps)
{
    const size_t before = g_inUse;
    g_peak = before;
    const auto t0 = Clock::now();
    for (int i = 0; i < reps; ++i) f();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / reps;
    return Cost{ms, double(g_peak - before) / (1 << 20)};
}

volatile double g_sink = 0;

RegionResults ChainResults(const std::vector<Point>& v, double px, double py)
{
    RegionResults r{};
    const Chain chain = OutlineChain(v);
    r.areaPixels = FillArea(chain.size(), chain.data());
    r.shape = RegionMorphometry(chain.size(), chain.data(), px, py);
    r.perimeter = ChainPerimeter(chain.size(), chain.data(), px, py);
    return r;
}

std::vector<Point> Square(int32_t side) { return {{0, 0}, {side - 1, 0}, {side - 1, side - 1}, {0, side - 1}}; }

std::vector<Point> Hexagon(int32_t side)
{
    const int32_t t = side / 3, h = side / 2;
    return {{0, 0}, {t, -h}, {2 * t, -h}, {side - 1, 0}, {2 * t, h}, {t, h}};
}

void Report(const char* name, const std::vector<Point>& v, bool baseline)
{
    const int reps = 5;
    const Cost ours = Measure([&] { g_sink = g_sink + ComputeRegionResults(v, 4000000, 4000000).area; }, reps);
    const long long area = (long long)ComputeRegionResults(v, 4000000, 4000000).areaPixels;
    std::printf("%-40s area %16lld px: results %9.3f ms, heap %7.3f MB", name, area, ours.ms, ours.peakMb);
    if (baseline) {
        const Cost chain = Measure([&] { g_sink = g_sink + ChainResults(v, 0.25, 0.25).perimeter; }, 1);
        std::printf("; pixel chain %9.3f ms, heap %8.3f MB", chain.ms, chain.peakMb);
    }
    std::printf("\n");
}

std::vector<uint8_t> RegionBytes(const std::vector<Point>& v)
{
    annotation::RegionRecord r;
    r.points = v;
    ByteWriter w;
    annotation::WriteRegionRecord(w, r);
    return w.take();
}

void ReportRefusal(const char* name, const std::vector<uint8_t>& bytes)
{
    bool refused = false;
    const Cost c = Measure(
        [&] {
            ByteReader in(bytes.data(), bytes.size());
            annotation::RegionRecord r;
            refused = !annotation::ReadRegionRecord(in, 2, r);
        },
        20);
    std::printf("%-52s %8zu bytes: %s in %8.3f ms\n", name, bytes.size(), refused ? "refused" : "READ", c.ms);
}

} // namespace

int main()
{
    std::printf("Region results from the vertices against the pixel chain (0.25 um pixels):\n");
    for (int32_t side : {1000, 10000, 100000}) {
        char name[64];
        std::snprintf(name, sizeof name, "square, side %d", side);
        Report(name, Square(side), true);
        std::snprintf(name, sizeof name, "hexagon, side %d", side);
        Report(name, Hexagon(side), true);
    }
    Report("whole demo slide, 40000 x 30000", {{0, 0}, {39999, 0}, {39999, 29999}, {0, 29999}}, true);
    Report("triangle, 100000 x 10000", {{0, 0}, {99999, 0}, {0, 9999}}, true);

    std::printf("At the bounds (pixel chain baseline left out: gigabytes):\n");
    const int32_t b = kCoordinateBound;
    Report("square around the bound", {{-b, -b}, {b, -b}, {b, b}, {-b, b}}, false);
    // As many full-height edges as the length bound allows.
    std::vector<Point> zigzag;
    for (int32_t i = 0; OutlineLength(zigzag.data(), zigzag.size()) + 2 * int64_t(2 * b) <= kOutlineLengthBound; ++i)
        zigzag.push_back({-b + i * 4096, i % 2 ? b : -b});
    char name[64];
    std::snprintf(name, sizeof name, "zig-zag of %zu full-height edges", zigzag.size());
    Report(name, zigzag, false);
    std::vector<Point> sliver;  // long edges along the long axis: the shape search's slow case
    for (int32_t i = 0; i < 30; ++i) sliver.push_back({i % 2 ? b : -b, i % 2 ? b - 3 * i : -b + 3 * i});
    Report("sliver of 30 edges along its long axis", sliver, false);

    std::printf("Refusing hostile records (the file reader stops at them):\n");
    const int32_t huge = std::numeric_limits<int32_t>::max();
    ReportRefusal("region with a vertex at 2^31-1", RegionBytes({{0, 0}, {huge, 0}, {0, 100}}));
    std::vector<Point> many(1000000, Point{5, 5});
    many.back() = {huge, huge};
    ReportRefusal("region of 10^6 points, the last at 2^31-1", RegionBytes(many));
    std::vector<Point> tooLong;
    for (int32_t i = 0; i < 1000; ++i) tooLong.push_back({i, i % 2 ? b : -b});
    ReportRefusal("region zig-zag of 1000 full-height edges (length)", RegionBytes(tooLong));
    std::vector<uint8_t> lying = RegionBytes({{0, 0}});
    lying[136] = lying[137] = lying[138] = lying[139] = 0xFF;  // 2^32 - 1 points claimed
    ReportRefusal("region claiming 2^32-1 points", lying);

    std::printf("Marker files whose last object has a coordinate of 2^31-1 (read up to it):\n");
    const char* names[] = {"region", "free-hand outline", "segment chain"};
    for (size_t k = 0; k < std::size(objects_test::kHostileTypes); ++k) {
        const std::vector<uint8_t> bytes = objects_test::HostileMarks(objects_test::kHostileTypes[k]);
        struct Count : annotation::IObjectFileHandler {
            bool OnObject(int32_t, const annotation::ObjectRecord&) override { return true; }
        } handler;
        annotation::ReadOutcome outcome;
        const Cost c = Measure([&] { outcome = annotation::ReadAnnotationFile(bytes.data(), bytes.size(), handler); }, 20);
        std::printf("%-52s %8zu bytes: %u read, %s in %8.1f us\n", names[k], bytes.size(), outcome.objectsRead,
                    outcome.result == annotation::ReadResult::malformed ? "the rest refused" : "NOT REFUSED",
                    c.ms * 1000);
    }
    return 0;
}
