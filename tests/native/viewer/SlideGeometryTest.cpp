#include "viewer/SlideGeometry.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace zelvo::view;
using zelvo::slidelink::SlideHeader;

namespace {

SlideHeader DemoHeader()
{
    SlideHeader h;
    h.signature = "ZELVO DIGITAL SLICE";
    h.xPixelsPerMetre = h.yPixelsPerMetre = 4000000;
    h.tileWidth = h.tileHeight = 256;
    h.tileColumns = 40;
    h.tileRows = 30;
    return h;
}

// Pixel mask oracle inside a bounded frame.
constexpr int kSide = 64;
using Mask = std::vector<int>;

void Paint(Mask& m, const Rect& r, int add)
{
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, int32_t(kSide)); ++y)
        for (int x = std::max(r.left, 0); x < std::min(r.right, int32_t(kSide)); ++x) m[y * kSide + x] += add;
}

Rect RandomRect(std::mt19937& g)
{
    std::uniform_int_distribution<int> d(0, kSide);
    return Normalised(Rect{d(g), d(g), d(g), d(g)});
}

} // namespace

TEST(SlideHeaderCheck, AcceptsSlidesAndPicturesRejectsTheRest)
{
    EXPECT_EQ(HeaderKind::kSlide, ClassifyHeader(DemoHeader(), 16));
    SlideHeader v = DemoHeader();
    v.signature = "ZELVO VERDALINE";
    EXPECT_EQ(HeaderKind::kSlide, ClassifyHeader(v, 16));
    SlideHeader pic;
    pic.signature = "jpg";
    EXPECT_EQ(HeaderKind::kPicture, ClassifyHeader(pic, 0));

    const auto rejected = [](SlideHeader h, int32_t factor = 16) { return !HeaderMayReplace(h, factor); };
    SlideHeader h = DemoHeader();
    h.signature = "ZELVO DIGITAL";
    EXPECT_TRUE(rejected(h));
    h.signature = "jpgx";
    EXPECT_TRUE(rejected(h));
    EXPECT_TRUE(rejected(DemoHeader(), 0));
    EXPECT_TRUE(rejected(DemoHeader(), -4));
    int32_t SlideHeader::*fields[] = {&SlideHeader::xPixelsPerMetre, &SlideHeader::yPixelsPerMetre,
                                       &SlideHeader::tileWidth,       &SlideHeader::tileHeight,
                                       &SlideHeader::tileColumns,     &SlideHeader::tileRows};
    for (auto f : fields) {
        for (int32_t bad : {0, -1}) {
            h = DemoHeader();
            h.*f = bad;
            EXPECT_TRUE(rejected(h));
        }
    }
    // Image sizes up to the coordinate bound, not beyond.
    h = DemoHeader();
    h.tileColumns = 4096;
    h.tileWidth = 256;  // 2^20 pixels wide
    EXPECT_FALSE(rejected(h));
    h.tileWidth = 257;
    EXPECT_TRUE(rejected(h));
    h = DemoHeader();
    h.tileRows = 4097;
    h.tileHeight = 256;
    EXPECT_TRUE(rejected(h));
    h.tileRows = 1 << 20;
    h.tileHeight = 1 << 12;  // beyond int32 too
    EXPECT_TRUE(rejected(h));
}

TEST(SlideFit, ExampleWindowOnDefaultScreen)
{
    int32_t wUm, hUm;
    ScreenMicrometres(0, 246, wUm, hUm);
    EXPECT_EQ(328000, wUm);
    EXPECT_EQ(246000, hUm);
    const int32_t ppmX = ScreenPixelsPerMetre(1280, wUm), ppmY = ScreenPixelsPerMetre(1024, hUm);
    EXPECT_EQ(3902, ppmX);
    EXPECT_EQ(4162, ppmY);

    Fit f;
    ASSERT_TRUE(ComputeFit(DemoHeader(), 1000, 800, ppmX, ppmY, 0, f));
    EXPECT_NEAR(0.00256, f.specimenWidthM, 1e-12);
    EXPECT_NEAR(0.00192, f.specimenHeightM, 1e-12);
    EXPECT_NEAR(0.25628, f.viewWidthM, 1e-5);
    EXPECT_NEAR(0.19222, f.viewHeightM, 1e-5);
    EXPECT_NEAR(100.109, f.magnification, 5e-4); // the x ratio; y is 100.112
    EXPECT_LT(f.magnification, f.viewHeightM / f.specimenHeightM);
    // The whole specimen width is visible; the height has a little room.
    EXPECT_EQ(10240, f.visibleWidth);
    EXPECT_EQ(7680, f.visibleHeight);

    ASSERT_TRUE(ComputeFit(DemoHeader(), 1000, 800, ppmX, ppmY, 200.0, f));
    EXPECT_EQ(200.0, f.magnification);
    EXPECT_EQ(5126, f.visibleWidth);
}

TEST(SlideFit, ScreenPixelsPerMetreBeyondThirtyTwoBits)
{
    // The unsigned product overflows above 4294 pixels; 64 bits do not.
    EXPECT_EQ(7680LL * 1000000 / 600000, ScreenPixelsPerMetre(7680, 600000));
    EXPECT_EQ(0, ScreenPixelsPerMetre(1280, 0));
    int32_t wUm, hUm;
    ScreenMicrometres(3000000, 10, wUm, hUm);
    EXPECT_EQ(328000, wUm);
}

TEST(SlideFit, NothingDividesByZero)
{
    Fit f;
    f.magnification = 7;
    EXPECT_FALSE(ComputeFit(DemoHeader(), 0, 800, 3902, 4162, 0, f));
    EXPECT_FALSE(ComputeFit(DemoHeader(), 1000, 800, 0, 4162, 0, f));
    SlideHeader h = DemoHeader();
    h.xPixelsPerMetre = 0;
    EXPECT_FALSE(ComputeFit(h, 1000, 800, 3902, 4162, 0, f));
    EXPECT_EQ(7, f.magnification);
    InitialFrame fr;
    EXPECT_FALSE(ComputeInitialFrame(DemoHeader(), 100, 100, 0, fr));
    EXPECT_EQ(0, EyepieceSpan(4000000, 0.18, 0, 100));
    EXPECT_EQ(0, EyepieceSpan(4000000, 0.18, 16, 0));
    EXPECT_EQ(0, FrameSpan(1000, 4000000, 3902, 0, 16));
    EXPECT_EQ(0, FrameSpan(1000, 4000000, 0, 100, 16));
    EXPECT_EQ(int32_t(4000000 * 0.18 / (16 * 100.0)), EyepieceSpan(4000000, 0.18, 16, 100));
}

TEST(SlideFit, InitialFrameCentredOnWholeTiles)
{
    InitialFrame fr;
    // 5126 x 3843 visible: 20 x 15 whole tiles, so column 10 and row 7.
    ASSERT_TRUE(ComputeInitialFrame(DemoHeader(), 5126, 3843, 16, fr));
    EXPECT_EQ(10, fr.firstColumn);
    EXPECT_EQ(7, fr.firstRow);
    EXPECT_EQ((Rect{2560 / 16, 1792 / 16, (5126 + 2560) / 16, (3843 + 1792) / 16}), fr.frame);
    // Wider than the slide: the half is truncated toward zero.
    ASSERT_TRUE(ComputeInitialFrame(DemoHeader(), 256 * 43, 100, 16, fr));
    EXPECT_EQ(-1, fr.firstColumn);
    EXPECT_EQ(-256 / 16, fr.frame.left);
}

TEST(RegionSubtract, FixedCases)
{
    const Rect r{0, 0, 100, 100};
    const RectList eight = SubtractReceivedRects({{25, 25, 75, 75}}, 0, r);
    const RectList expected = {{0, 0, 25, 25},    {25, 0, 75, 25},   {75, 0, 100, 25},   {0, 25, 25, 75},
                               {75, 25, 100, 75}, {0, 75, 25, 100},  {25, 75, 75, 100},  {75, 75, 100, 100}};
    EXPECT_EQ(expected, eight);
    EXPECT_TRUE(SubtractReceivedRects({{10, 10, 20, 20}, {-5, -5, 200, 200}}, 0, r).empty());
    EXPECT_EQ((RectList{{0, 0, 50, 100}}), SubtractReceivedRects({{50, 0, 100, 100}}, 0, r));
    EXPECT_EQ((RectList{r}), SubtractReceivedRects({}, 0, r));
    EXPECT_EQ((RectList{r}), SubtractReceivedRects({{200, 200, 300, 300}}, 0, r));
    // Entries before the index are not used; reversed entries count normalised.
    EXPECT_EQ((RectList{r}), SubtractReceivedRects({{0, 0, 100, 100}}, 1, r));
    EXPECT_TRUE(SubtractReceivedRects({{100, 100, 0, 0}}, 0, r).empty());
}

TEST(RegionSubtract, DepthFirstOrderOverLaterEntries)
{
    // The top-left piece is cut by the second entry before the others appear.
    const RectList got = SubtractReceivedRects({{50, 50, 100, 100}, {0, 0, 10, 10}}, 0, Rect{0, 0, 100, 100});
    const RectList expected = {{10, 0, 50, 10}, {0, 10, 10, 50}, {10, 10, 50, 50},
                               {50, 0, 100, 50}, {0, 50, 50, 100}};
    EXPECT_EQ(expected, got);
}

TEST(RegionSubtract, MatchesPixelMaskOnRandomCases)
{
    std::mt19937 g(20261208);
    for (int round = 0; round < 2000; ++round) {
        RectList received(g() % 7);
        for (Rect& e : received) e = RandomRect(g);
        const Rect r = RandomRect(g);
        const RectList pieces = SubtractReceivedRects(received, 0, r);
        Mask want(kSide * kSide, 0), got(kSide * kSide, 0), covered(kSide * kSide, 0);
        Paint(want, r, 1);
        for (const Rect& e : received) Paint(covered, e, 1);
        for (const Rect& p : pieces) {
            EXPECT_FALSE(p.IsEmpty());
            Paint(got, p, 1);
        }
        for (int i = 0; i < kSide * kSide; ++i) {
            const int expected = (want[i] && !covered[i]) ? 1 : 0;
            ASSERT_EQ(expected, got[i]) << "round " << round << " pixel " << i; // disjoint and exact
        }
    }
}

TEST(RegionSubtract, FiveHundredEntriesIsIterativeAndFast)
{
    RectList received;
    // A grid of small squares with gaps, then a big rectangle over all of it.
    for (int k = 0; k < 500; ++k) received.push_back({(k % 25) * 40, (k / 25) * 40, (k % 25) * 40 + 30, (k / 25) * 40 + 30});
    const RectList pieces = SubtractReceivedRects(received, 0, Rect{0, 0, 1000, 800});
    int64_t area = 0;
    for (const Rect& p : pieces) area += p.Width() * p.Height();
    EXPECT_EQ(1000 * 800 - 500 * 30 * 30, area);
    // The stack grows on the heap, so a very deep chain does not matter.
    RectList chain(20000, Rect{5000, 5000, 6000, 6000});
    EXPECT_EQ(1u, SubtractReceivedRects(chain, 0, Rect{0, 0, 10, 10}).size());
}

TEST(RegionOrder, ExchangeSortTieOrder)
{
    const Rect screen{0, 0, 100, 100}; // centre sums (100, 100)
    // Distances: 40, 20 (a), 20 (b), 0, 20 (c).
    const Rect far{0, 0, 60, 100}, a{20, 0, 100, 100}, b{0, 20, 100, 100}, zero{0, 0, 100, 100}, c{0, -10, 100, 90};
    RectList pieces = {far, a, b, zero, c};
    OrderByDistance(pieces, screen);
    // Not stable: a moves behind b when the 0 and then b pass through
    // position 1 and 2, and c stays after both.
    EXPECT_EQ((RectList{zero, b, a, c, far}), pieces);

    // a, b tied at 20 and a nearer d at 10: d swaps with a at the front, and
    // b, not strictly nearer than a, keeps its place before it.
    const Rect d{0, 0, 110, 100};
    RectList ties = {a, b, d};
    OrderByDistance(ties, screen);
    EXPECT_EQ((RectList{d, b, a}), ties);
    RectList sorted = {d, a, b};
    OrderByDistance(sorted, screen);
    EXPECT_EQ((RectList{d, a, b}), sorted);
}

TEST(RegionRequest, ClipsSubtractsAndOrdersByDistance)
{
    ViewState v{100, 50, 1280, 1024, 2000, 1500};
    // Whole screen, clipped at the image's right and bottom.
    EXPECT_EQ((RectList{{100, 50, 1380, 1074}}), PlanRegionRequest({}, v, {0, 0, 1280, 1024}, true));
    v.originX = 1000;
    v.originY = 1000;
    EXPECT_EQ((RectList{{1000, 1000, 2000, 1500}}), PlanRegionRequest({}, v, {0, 0, 1280, 1024}, false));
    EXPECT_TRUE(PlanRegionRequest({}, v, {5, 0, 5, 100}, false).empty());
    EXPECT_TRUE(PlanRegionRequest({}, v, {1000, 0, 1100, 100}, false).empty()); // past the image
    // Reversed corners count as the same rectangle.
    EXPECT_EQ((RectList{{1000, 1000, 1100, 1100}}), PlanRegionRequest({}, v, {100, 100, 0, 0}, false));

    v = ViewState{0, 0, 100, 100, 1000, 1000};
    const RectList sent = PlanRegionRequest({{25, 25, 75, 75}}, v, {0, 0, 100, 100}, true);
    ASSERT_EQ(8u, sent.size());
    // Middle pieces (distance 75) before corners (150), each group in the
    // order the exchange sort leaves it.
    const RectList order = {{25, 0, 75, 25},   {0, 25, 25, 75},  {75, 25, 100, 75}, {25, 75, 75, 100},
                            {75, 0, 100, 25},  {0, 75, 25, 100}, {0, 0, 25, 25},    {75, 75, 100, 100}};
    EXPECT_EQ(order, sent);
    EXPECT_TRUE(PlanRegionRequest({{0, 0, 1000, 1000}}, v, {0, 0, 100, 100}, true).empty());
    // Without subtraction the received list is not looked at.
    EXPECT_EQ(1u, PlanRegionRequest({{0, 0, 1000, 1000}}, v, {0, 0, 100, 100}, false).size());
}

TEST(RegionMove, PansBelowAndAboveTwoScreens)
{
    const ViewState v{1000, 1000, 100, 80, 10000, 10000};
    RectList received = {{0, 0, 50, 50}, {850, 850, 950, 950}, {1250, 1100, 1400, 1200}, {1100, 900, 1200, 1000}};
    RectList copy = received;
    EXPECT_EQ(MoveResult::kNothing, TrimReceivedAfterMove(copy, v, 0, 0));
    EXPECT_EQ(received, copy);
    // Keep zone (900, 920, 1200, 1160).
    EXPECT_EQ(MoveResult::kTrimmed, TrimReceivedAfterMove(copy, v, 199, -159));
    EXPECT_EQ((RectList{{900, 920, 950, 950}, {1100, 920, 1200, 1000}}), copy);
    copy = received;
    EXPECT_EQ(MoveResult::kCleared, TrimReceivedAfterMove(copy, v, 200, 0));
    EXPECT_TRUE(copy.empty());
    copy = received;
    EXPECT_EQ(MoveResult::kCleared, TrimReceivedAfterMove(copy, v, 0, -160));
    EXPECT_TRUE(copy.empty());
}

TEST(RegionPrefetch, RingsInOrderWithTruncatedHalves)
{
    const auto inner = InnerRing(1281, 1023);
    EXPECT_EQ((Rect{-640, 0, 0, 1023}), inner[0]);
    EXPECT_EQ((Rect{1281, 0, 1921, 1023}), inner[1]);
    EXPECT_EQ((Rect{-640, -511, 1921, 0}), inner[2]);
    EXPECT_EQ((Rect{-640, 1023, 1921, 1534}), inner[3]);
    const auto outer = OuterRing(1281, 1023);
    EXPECT_EQ((Rect{-1281, -1023, 2562, -511}), outer[0]);
    EXPECT_EQ((Rect{-1281, 1534, 2562, 2046}), outer[1]);
    EXPECT_EQ((Rect{-1281, -511, -640, 1534}), outer[2]);
    EXPECT_EQ((Rect{1921, -511, 2562, 1534}), outer[3]);
    // The rings and the screen tile the (-cx, -cy, 2cx, 2cy) area exactly.
    int64_t area = int64_t(1281) * 1023;
    for (const Rect& r : inner) area += r.Width() * r.Height();
    for (const Rect& r : outer) area += r.Width() * r.Height();
    EXPECT_EQ(int64_t(1281 * 3) * (1023 * 3), area);
}

TEST(RegionReply, DelayedRegionAfterZoomIsDropped)
{
    const RectList requested = {{0, 0, 1280, 1024}, {1280, 0, 1920, 1024}};
    EXPECT_TRUE(RegionWasRequested(requested, {1280, 0, 1920, 1024}));
    EXPECT_TRUE(RegionWasRequested(requested, {10, 10, 20, 20}));
    EXPECT_TRUE(RegionWasRequested(requested, {20, 20, 10, 10}));
    // A piece asked for at the old magnification that reaches past the area.
    EXPECT_FALSE(RegionWasRequested(requested, {1900, 1000, 2400, 1300}));
    EXPECT_FALSE(RegionWasRequested({}, {0, 0, 10, 10}));
    EXPECT_FALSE(RegionWasRequested(requested, {5, 5, 5, 9}));
}

TEST(RegionReceived, PiecesOfARequestMergeBackAndPansAskForFewPieces)
{
    // The server's 512-pixel pieces of one screen request, in the order they came.
    RectList received;
    for (const Rect& piece : {Rect{512, 0, 1024, 512}, Rect{0, 0, 512, 512}, Rect{0, 512, 512, 1024},
                              Rect{1024, 0, 1280, 512}, Rect{1024, 512, 1280, 1024}, Rect{512, 512, 1024, 1024}})
        AddReceived(received, piece);
    EXPECT_EQ((RectList{{0, 0, 1280, 1024}}), received);
    // Half a screen to the right: one strip, not one piece per received row.
    ViewState v{640, 0, 1280, 1024, 100000, 100000};
    RectList strip = PlanRegionRequest(received, v, {0, 0, 1280, 1024}, true);
    EXPECT_EQ((RectList{{1280, 0, 1920, 1024}}), strip);
    AddReceived(received, strip[0]);
    // Diagonal drags, one after the other: the missing L is three pieces each time.
    for (int i = 1; i <= 3; ++i) {
        v.originX += 320;
        v.originY += 256;
        TrimReceivedAfterMove(received, v, 320, 256);
        const RectList pieces = PlanRegionRequest(received, v, {0, 0, 1280, 1024}, true);
        EXPECT_EQ(3u, pieces.size()) << i;
        for (const Rect& p : pieces) AddReceived(received, p);
    }
}

TEST(RegionReceived, TheListCoversExactlyWhatWasReceivedWithoutOverlap)
{
    std::mt19937 g(11);
    for (int round = 0; round < 200; ++round) {
        RectList received;
        Mask want(kSide * kSide, 0);
        for (int i = 0; i < 12; ++i) {
            const Rect r = RandomRect(g);
            AddReceived(received, r);
            Paint(want, r, 1);
        }
        Mask got(kSide * kSide, 0);
        for (const Rect& r : received) {
            ASSERT_FALSE(r.IsEmpty());
            Paint(got, r, 1);
        }
        for (int i = 0; i < kSide * kSide; ++i) ASSERT_EQ(want[i] ? 1 : 0, got[i]) << "round " << round << " cell " << i;
    }
}
