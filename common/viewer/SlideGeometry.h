// Pure arithmetic of the slide view: header checks, fitting the slide to the
// window, the initial navigation frame, and the bookkeeping of which regions
// have been received and which must be asked for. No window system here, so
// it is tested natively.
#pragma once

#include "slidelink/SlideLink.h"

#include <array>
#include <cstdint>
#include <vector>

namespace zelvo::view {

struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int64_t Width() const { return int64_t(right) - left; }
    int64_t Height() const { return int64_t(bottom) - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool operator==(const Rect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const Rect& o) const { return !(*this == o); }
};
using RectList = std::vector<Rect>;

// Left <= right and top <= bottom.
Rect Normalised(const Rect& r);
// Empty (all zero) when the two do not overlap.
Rect Intersect(const Rect& a, const Rect& b);
// Shifted by (dx, dy), saturated at the int32 range.
Rect Offset(const Rect& r, int64_t dx, int64_t dy);

// ---- Header -------------------------------------------------------------

enum class HeaderKind { kRejected, kPicture, kSlide };

extern const char kSlideSignature[];     // "ZELVO DIGITAL SLICE"
extern const char kVerdalineSignature[]; // "ZELVO VERDALINE"
extern const char kPictureSignature[];   // "jpg"

// What a received header is. A slide needs positive resolution, tile size,
// grid and thumbnail factor, and an image size within the coordinate bound
// (geometry/CoordinateBound.h); anything else is rejected before the open
// slide is touched.
HeaderKind ClassifyHeader(const slidelink::SlideHeader& h, int32_t thumbnailFactor);
inline bool HeaderMayReplace(const slidelink::SlideHeader& h, int32_t thumbnailFactor)
{
    return ClassifyHeader(h, thumbnailFactor) != HeaderKind::kRejected;
}

// ---- Fit ----------------------------------------------------------------

// Physical screen size in µm from a monitor record in mm; 328000 x 246000
// unless both are positive.
void ScreenMicrometres(int32_t widthMm, int32_t heightMm, int32_t& widthUm, int32_t& heightUm);
// pixels x 1000000 / µm in 64 bits, saturated; 0 for a non-positive size.
int32_t ScreenPixelsPerMetre(int32_t pixels, int32_t micrometres);

struct Fit {
    double viewWidthM = 0, viewHeightM = 0;
    double specimenWidthM = 0, specimenHeightM = 0;
    double magnification = 0;
    int32_t visibleWidth = 0, visibleHeight = 0;
};

// Specimen size of an accepted slide header; false when it has none.
bool SpecimenMetres(const slidelink::SlideHeader& h, double& widthM, double& heightM);

// Fits the whole specimen into the client area. magnification > 0 keeps that
// magnification instead of the fit (the fit still fills the other fields).
// False, with out untouched, when any size or resolution is not positive.
bool ComputeFit(const slidelink::SlideHeader& h, int32_t clientW, int32_t clientH, int32_t screenPpmX,
                int32_t screenPpmY, double magnification, Fit& out);

// (int)(v + 0.5) saturated to int32; 0 for NaN.
int32_t RoundToInt(double v);

// Display image size at M: (int)(M x screen ppm x specimen m), rounded when asked.
int32_t DisplaySpan(double magnification, int32_t screenPpm, double specimenM, bool round);

// Initial navigation frame centred on whole tiles, in thumbnail pixels.
struct InitialFrame {
    int32_t firstColumn = 0, firstRow = 0;
    Rect frame;
};
bool ComputeInitialFrame(const slidelink::SlideHeader& h, int32_t visibleW, int32_t visibleH, int32_t factor,
                         InitialFrame& out);

// On-screen eyepiece circle of the navigation frame in thumbnail pixels:
// slide ppm x field number / (factor x M); 0 when it cannot be computed.
int32_t EyepieceSpan(int32_t slidePpm, double fieldNumber, int32_t factor, double magnification);

// Frame span in thumbnail pixels for a client span:
// client x slide ppm / (screen ppm x M x factor); 0 when it cannot be computed.
int32_t FrameSpan(int32_t client, int32_t slidePpm, int32_t screenPpm, double magnification, int32_t factor);

// ---- Regions ------------------------------------------------------------

// The part of r not covered by received[index..]: the eight pieces around
// each overlap, in the order top-left, top-middle, top-right, middle-left,
// middle-right, bottom-left, bottom-middle, bottom-right, each refined
// against the later entries depth first. Iterative, so long lists are safe.
RectList SubtractReceivedRects(const RectList& received, size_t index, const Rect& r);

// |(l + r) - (sl + sr)| + |(t + b) - (st + sb)|.
int64_t CentreDistance(const Rect& piece, const Rect& screenArea);

// Exchange sort by ascending distance: a later piece strictly nearer than the
// one at i swaps with it.
void OrderByDistance(RectList& pieces, const Rect& screenArea);

struct ViewState {
    int32_t originX = 0, originY = 0; // image point at the display's top-left
    int32_t screenW = 0, screenH = 0; // cx, cy
    int32_t imageW = 0, imageH = 0;   // display image size
};

// Rectangles to send for a request relative to the view origin, in sending
// order: clipped to the image, then (with subtract) only what is not
// received, nearest to the screen centre first. Empty when nothing is sent.
RectList PlanRegionRequest(const RectList& received, const ViewState& v, const Rect& relative, bool subtract);

enum class MoveResult { kNothing, kTrimmed, kCleared };

// Received-list update after the display scrolled by (sx, sy): nothing for no
// scroll; below two screens in both axes only the parts inside the keep zone
// (-cx, -cy, 2cx, 2cy) around the origin remain; otherwise all is dropped.
MoveResult TrimReceivedAfterMove(RectList& received, const ViewState& v, int32_t sx, int32_t sy);

// Records a received region. The list is kept as the same area in disjoint
// horizontal bands, each as tall as the rows that share its span allow, so
// that it says the same with few rectangles and later subtractions cut few
// pieces (a pan asks for one strip, not one per piece the server sent).
void AddReceived(RectList& received, const Rect& region);

// The two prefetch rings relative to the origin, in sending order.
std::array<Rect, 4> InnerRing(int32_t cx, int32_t cy);
std::array<Rect, 4> OuterRing(int32_t cx, int32_t cy);

// A region reply is drawn and recorded only when it lies inside something
// requested since the received list was last cleared, so that a reply from
// before a magnification change is dropped.
bool RegionWasRequested(const RectList& requestedSince, const Rect& region);

} // namespace zelvo::view
