#include "viewer/SlideGeometry.h"

#include "geometry/CoordinateBound.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace zelvo::view {

const char kSlideSignature[] = "ZELVO DIGITAL SLICE";
const char kVerdalineSignature[] = "ZELVO VERDALINE";
const char kPictureSignature[] = "jpg";

namespace {

constexpr int64_t kMin32 = std::numeric_limits<int32_t>::min();
constexpr int64_t kMax32 = std::numeric_limits<int32_t>::max();

int32_t Saturate(int64_t v)
{
    return int32_t(std::clamp(v, kMin32, kMax32));
}

int64_t Abs64(int64_t v)
{
    return v < 0 ? -v : v;
}

} // namespace

Rect Normalised(const Rect& r)
{
    Rect n = r;
    if (n.left > n.right) std::swap(n.left, n.right);
    if (n.top > n.bottom) std::swap(n.top, n.bottom);
    return n;
}

Rect Intersect(const Rect& a, const Rect& b)
{
    Rect x{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (x.IsEmpty()) return Rect{};
    return x;
}

Rect Offset(const Rect& r, int64_t dx, int64_t dy)
{
    return Rect{Saturate(r.left + dx), Saturate(r.top + dy), Saturate(r.right + dx), Saturate(r.bottom + dy)};
}

HeaderKind ClassifyHeader(const slidelink::SlideHeader& h, int32_t thumbnailFactor)
{
    // The signature is compared up to its NUL, as the field is stored.
    const std::string sig(h.signature.c_str());
    if (sig == kPictureSignature) return HeaderKind::kPicture;
    if (sig != kSlideSignature && sig != kVerdalineSignature) return HeaderKind::kRejected;
    if (h.xPixelsPerMetre <= 0 || h.yPixelsPerMetre <= 0 || h.tileWidth <= 0 || h.tileHeight <= 0 ||
        h.tileColumns <= 0 || h.tileRows <= 0 || thumbnailFactor <= 0)
        return HeaderKind::kRejected;
    // Marks and measurements on a slide are refused beyond the coordinate
    // bound, so a slide larger than it could not keep its own.
    if (int64_t(h.tileColumns) * h.tileWidth > geom::kCoordinateBound ||
        int64_t(h.tileRows) * h.tileHeight > geom::kCoordinateBound)
        return HeaderKind::kRejected;
    return HeaderKind::kSlide;
}

void ScreenMicrometres(int32_t widthMm, int32_t heightMm, int32_t& widthUm, int32_t& heightUm)
{
    // A monitor record larger than 2 km would not fit either.
    if (widthMm > 0 && heightMm > 0 && widthMm <= kMax32 / 1000 && heightMm <= kMax32 / 1000) {
        widthUm = widthMm * 1000;
        heightUm = heightMm * 1000;
    } else {
        widthUm = 328000;
        heightUm = 246000;
    }
}

int32_t ScreenPixelsPerMetre(int32_t pixels, int32_t micrometres)
{
    if (micrometres <= 0 || pixels <= 0) return 0;
    return Saturate(int64_t(pixels) * 1000000 / micrometres);
}

int32_t RoundToInt(double v)
{
    if (std::isnan(v)) return 0;
    v += 0.5;
    if (v >= double(kMax32)) return int32_t(kMax32);
    if (v <= double(kMin32)) return int32_t(kMin32);
    return int32_t(v);
}

namespace {

int32_t TruncToInt(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= double(kMax32)) return int32_t(kMax32);
    if (v <= double(kMin32)) return int32_t(kMin32);
    return int32_t(v);
}

} // namespace

bool SpecimenMetres(const slidelink::SlideHeader& h, double& widthM, double& heightM)
{
    if (h.xPixelsPerMetre <= 0 || h.yPixelsPerMetre <= 0 || h.tileWidth <= 0 || h.tileHeight <= 0 ||
        h.tileColumns <= 0 || h.tileRows <= 0)
        return false;
    widthM = double(int64_t(h.tileColumns) * h.tileWidth) / h.xPixelsPerMetre;
    heightM = double(int64_t(h.tileRows) * h.tileHeight) / h.yPixelsPerMetre;
    return true;
}

bool ComputeFit(const slidelink::SlideHeader& h, int32_t clientW, int32_t clientH, int32_t screenPpmX,
                int32_t screenPpmY, double magnification, Fit& out)
{
    if (clientW <= 0 || clientH <= 0 || screenPpmX <= 0 || screenPpmY <= 0) return false;
    Fit f;
    if (!SpecimenMetres(h, f.specimenWidthM, f.specimenHeightM)) return false;
    f.viewWidthM = double(clientW) / screenPpmX;
    f.viewHeightM = double(clientH) / screenPpmY;
    const double rx = f.viewWidthM / f.specimenWidthM;
    const double ry = f.viewHeightM / f.specimenHeightM;
    const bool useGiven = magnification > 0 && std::isfinite(magnification);
    f.magnification = useGiven ? magnification : (ry < rx ? ry : rx);
    f.visibleWidth = RoundToInt(h.xPixelsPerMetre * f.viewWidthM / f.magnification);
    f.visibleHeight = RoundToInt(h.yPixelsPerMetre * f.viewHeightM / f.magnification);
    out = f;
    return true;
}

int32_t DisplaySpan(double magnification, int32_t screenPpm, double specimenM, bool round)
{
    const double v = magnification * screenPpm * specimenM;
    return round ? RoundToInt(v) : TruncToInt(v);
}

bool ComputeInitialFrame(const slidelink::SlideHeader& h, int32_t visibleW, int32_t visibleH, int32_t factor,
                         InitialFrame& out)
{
    if (factor <= 0 || h.tileWidth <= 0 || h.tileHeight <= 0) return false;
    const int64_t tilesX = visibleW / h.tileWidth;
    const int64_t tilesY = visibleH / h.tileHeight;
    const int64_t c0 = (int64_t(h.tileColumns) - tilesX) / 2;
    const int64_t r0 = (int64_t(h.tileRows) - tilesY) / 2;
    const int64_t x0 = int64_t(h.tileWidth) * c0;
    const int64_t y0 = int64_t(h.tileHeight) * r0;
    out.firstColumn = Saturate(c0);
    out.firstRow = Saturate(r0);
    out.frame = Rect{Saturate(x0 / factor), Saturate(y0 / factor), Saturate((visibleW + x0) / factor),
                     Saturate((visibleH + y0) / factor)};
    return true;
}

int32_t EyepieceSpan(int32_t slidePpm, double fieldNumber, int32_t factor, double magnification)
{
    const double d = double(factor) * magnification;
    if (!(d > 0) || !std::isfinite(d)) return 0;
    return TruncToInt(slidePpm * fieldNumber / d);
}

int32_t FrameSpan(int32_t client, int32_t slidePpm, int32_t screenPpm, double magnification, int32_t factor)
{
    const double d = double(screenPpm) * magnification * factor;
    if (!(d > 0) || !std::isfinite(d)) return 0;
    return TruncToInt(double(client) * slidePpm / d);
}

RectList SubtractReceivedRects(const RectList& received, size_t index, const Rect& r)
{
    RectList result;
    const Rect start = Normalised(r);
    if (start.IsEmpty()) return result;
    if (index >= received.size()) {
        result.push_back(start);
        return result;
    }
    // Depth first over (entry index, piece), the pieces pushed in reverse so
    // that they come out in the same order as the nested calls would give.
    std::vector<std::pair<size_t, Rect>> stack;
    stack.emplace_back(index, start);
    while (!stack.empty()) {
        const auto [i, piece] = stack.back();
        stack.pop_back();
        if (i >= received.size()) {
            result.push_back(piece);
            continue;
        }
        const Rect x = Intersect(piece, Normalised(received[i]));
        if (x.IsEmpty()) {
            stack.emplace_back(i + 1, piece);
            continue;
        }
        if (x == piece) continue;
        const int32_t cols[4] = {piece.left, x.left, x.right, piece.right};
        const int32_t rows[4] = {piece.top, x.top, x.bottom, piece.bottom};
        Rect parts[8];
        int n = 0;
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col < 3; ++col) {
                if (row == 1 && col == 1) continue;
                const Rect p{cols[col], rows[row], cols[col + 1], rows[row + 1]};
                if (!p.IsEmpty()) parts[n++] = p;
            }
        }
        for (int k = n - 1; k >= 0; --k) stack.emplace_back(i + 1, parts[k]);
    }
    return result;
}

int64_t CentreDistance(const Rect& p, const Rect& s)
{
    return Abs64((int64_t(p.left) + p.right) - (int64_t(s.left) + s.right)) +
           Abs64((int64_t(p.top) + p.bottom) - (int64_t(s.top) + s.bottom));
}

void OrderByDistance(RectList& pieces, const Rect& screenArea)
{
    std::vector<int64_t> d(pieces.size());
    for (size_t k = 0; k < pieces.size(); ++k) d[k] = CentreDistance(pieces[k], screenArea);
    for (size_t i = 0; i < pieces.size(); ++i) {
        for (size_t j = i + 1; j < pieces.size(); ++j) {
            if (d[j] < d[i]) {
                std::swap(d[i], d[j]);
                std::swap(pieces[i], pieces[j]);
            }
        }
    }
}

RectList PlanRegionRequest(const RectList& received, const ViewState& v, const Rect& relative, bool subtract)
{
    const Rect rel = Normalised(relative);
    if (rel.left == rel.right || rel.top == rel.bottom) return {};
    const Rect image{0, 0, std::max(v.imageW, 0), std::max(v.imageH, 0)};
    const Rect clipped = Intersect(Offset(rel, v.originX, v.originY), image);
    if (clipped.IsEmpty()) return {};
    if (!subtract) return RectList{clipped};
    RectList pieces = SubtractReceivedRects(received, 0, clipped);
    const Rect screenArea = Offset(Rect{0, 0, v.screenW, v.screenH}, v.originX, v.originY);
    OrderByDistance(pieces, screenArea);
    return pieces;
}

MoveResult TrimReceivedAfterMove(RectList& received, const ViewState& v, int32_t sx, int32_t sy)
{
    if (sx == 0 && sy == 0) return MoveResult::kNothing;
    const int64_t cx = v.screenW, cy = v.screenH;
    if (Abs64(sx) < 2 * cx && Abs64(sy) < 2 * cy) {
        const Rect keep{Saturate(-cx + v.originX), Saturate(-cy + v.originY), Saturate(2 * cx + v.originX),
                        Saturate(2 * cy + v.originY)};
        for (size_t k = received.size(); k-- > 0;) {
            const Rect x = Intersect(Normalised(received[k]), keep);
            if (x.IsEmpty())
                received.erase(received.begin() + std::ptrdiff_t(k));
            else
                received[k] = x;
        }
        return MoveResult::kTrimmed;
    }
    received.clear();
    return MoveResult::kCleared;
}

namespace {

// Integer half and one and a half, truncated toward zero.
int32_t Half(int32_t v)
{
    return v / 2;
}
int32_t OneAndHalf(int32_t v)
{
    return Saturate(int64_t(v) * 3 / 2);
}
int32_t Twice(int32_t v)
{
    return Saturate(int64_t(v) * 2);
}

} // namespace

std::array<Rect, 4> InnerRing(int32_t cx, int32_t cy)
{
    return {{
        Rect{-Half(cx), 0, 0, cy},                          // left
        Rect{cx, 0, OneAndHalf(cx), cy},                    // right
        Rect{-Half(cx), -Half(cy), OneAndHalf(cx), 0},      // top
        Rect{-Half(cx), cy, OneAndHalf(cx), OneAndHalf(cy)}, // bottom
    }};
}

std::array<Rect, 4> OuterRing(int32_t cx, int32_t cy)
{
    return {{
        Rect{Saturate(-int64_t(cx)), Saturate(-int64_t(cy)), Twice(cx), -Half(cy)},       // top
        Rect{Saturate(-int64_t(cx)), OneAndHalf(cy), Twice(cx), Twice(cy)},               // bottom
        Rect{Saturate(-int64_t(cx)), -Half(cy), -Half(cx), OneAndHalf(cy)},               // left
        Rect{OneAndHalf(cx), -Half(cy), Twice(cx), OneAndHalf(cy)},                       // right
    }};
}

namespace {

// Lists longer than this are only appended to: the rewriting into bands
// below costs the square of the length.
constexpr size_t kMaxBandedEntries = 256;

// The same area as disjoint rectangles: for each horizontal slab between
// the entries' top and bottom edges the covered spans, joined where they
// touch, and a span continued downwards while the slabs below it have it too.
RectList InBands(const RectList& entries)
{
    std::vector<int32_t> edges;
    for (const Rect& r : entries) {
        edges.push_back(r.top);
        edges.push_back(r.bottom);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    RectList out;
    std::vector<size_t> open;  // rectangles of out that reach the slab before
    std::vector<std::pair<int32_t, int32_t>> spans;
    for (size_t i = 0; i + 1 < edges.size(); ++i) {
        const int32_t top = edges[i], bottom = edges[i + 1];
        spans.clear();
        for (const Rect& r : entries)
            if (r.top <= top && r.bottom >= bottom) spans.push_back({r.left, r.right});
        std::sort(spans.begin(), spans.end());
        std::vector<std::pair<int32_t, int32_t>> joined;
        for (const auto& s : spans) {
            if (!joined.empty() && s.first <= joined.back().second)
                joined.back().second = std::max(joined.back().second, s.second);
            else
                joined.push_back(s);
        }
        std::vector<size_t> next;
        for (const auto& s : joined) {
            size_t k = 0;
            while (k < open.size() && !(out[open[k]].left == s.first && out[open[k]].right == s.second)) ++k;
            if (k < open.size()) {
                out[open[k]].bottom = bottom;
                next.push_back(open[k]);
            } else {
                out.push_back(Rect{s.first, top, s.second, bottom});
                next.push_back(out.size() - 1);
            }
        }
        open.swap(next);
    }
    return out;
}

} // namespace

void AddReceived(RectList& received, const Rect& region)
{
    const Rect r = Normalised(region);
    if (r.IsEmpty()) return;
    received.push_back(r);
    if (received.size() <= kMaxBandedEntries) received = InBands(received);
}

bool RegionWasRequested(const RectList& requestedSince, const Rect& region)
{
    const Rect r = Normalised(region);
    if (r.IsEmpty()) return false;
    for (const Rect& q : requestedSince) {
        const Rect n = Normalised(q);
        if (r.left >= n.left && r.top >= n.top && r.right <= n.right && r.bottom <= n.bottom) return true;
    }
    return false;
}

} // namespace zelvo::view
