// Small random received lists and a rectangle: the subtraction must give
// non-empty pieces that are disjoint, avoid every received entry and cover
// the rest of the rectangle exactly, as a pixel mask says.
#include "viewer/SlideGeometry.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace zelvo::view;

namespace {

constexpr int kSide = 48;

Rect ReadRect(const uint8_t* p)
{
    // Coordinates from -8 to kSide + 8, reversed corners included.
    const auto c = [](uint8_t v) { return int32_t(v % (kSide + 17)) - 8; };
    return Rect{c(p[0]), c(p[1]), c(p[2]), c(p[3])};
}

void Paint(std::vector<int>& m, const Rect& r)
{
    const Rect n = Normalised(r);
    for (int y = n.top; y < n.bottom; ++y)
        for (int x = n.left; x < n.right; ++x)
            ++m[(y + 8) * (kSide + 16) + (x + 8)];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4) return 0;
    const Rect r = ReadRect(data);
    RectList received;
    for (size_t i = 4; i + 4 <= size && received.size() < 24; i += 4) received.push_back(ReadRect(data + i));

    const RectList pieces = SubtractReceivedRects(received, 0, r);
    const size_t cells = size_t(kSide + 16) * (kSide + 16);
    std::vector<int> want(cells, 0), covered(cells, 0), got(cells, 0);
    Paint(want, r);
    for (const Rect& e : received) Paint(covered, e);
    for (const Rect& p : pieces) {
        if (p.IsEmpty() || p.left < -8 || p.top < -8 || p.right > kSide + 8 || p.bottom > kSide + 8) std::abort();
        Paint(got, p);
    }
    for (size_t i = 0; i < cells; ++i) {
        const int expected = (want[i] && !covered[i]) ? 1 : 0;
        if (got[i] != expected) std::abort();
    }

    // The ordering keeps the same pieces and leaves distances ascending.
    RectList ordered = pieces;
    const Rect screen{0, 0, kSide, kSide};
    OrderByDistance(ordered, screen);
    if (ordered.size() != pieces.size()) std::abort();
    for (size_t i = 1; i < ordered.size(); ++i)
        if (CentreDistance(ordered[i - 1], screen) > CentreDistance(ordered[i], screen)) std::abort();
    return 0;
}
