// Pure arithmetic of the image display window: which strips of the tile
// buffer a move uncovers, where a frame's picture comes from, the bands that
// are filled from the thumbnail, and the rectangles of the zoom transition.
// cx, cy are the screen size; the tile buffer holds 3 x 3 screens and its
// point (cx + u, cy + v) shows view point (u, v) as it was last aligned.
#pragma once

#include "viewer/SlideGeometry.h"

#include <array>
#include <cstdint>
#include <vector>

namespace zelvo::view {

// ---- Realigning the tile buffer after a move ------------------------------

struct ScrollPlan {
    bool scroll = false;  // the buffer's contents move by (-dx, -dy)
    int count = 0;        // strips to refill from the thumbnail, view coordinates
    std::array<Rect, 2> strips{};
};

// For a pan offset (dx, dy): nothing for (0, 0); below two screens in both
// axes the contents move and the one or two uncovered strips are refilled;
// otherwise nothing moves and the whole area (-cx, -cy, 2cx, 2cy) is refilled.
ScrollPlan PlanScroll(int32_t dx, int32_t dy, int32_t cx, int32_t cy);

// The four bands of the area (-cx, -cy, 2cx, 2cy) around a rectangle: top,
// bottom (both the full width), left and right (beside it).
std::array<Rect, 4> BandsAround(const Rect& r, int32_t cx, int32_t cy);

// The part of a band (view coordinates, the view's left-top at the given
// image point) that lies on the image (0, 0, width, height), in view
// coordinates; empty when none.
Rect BandOnImage(const Rect& band, int32_t originX, int32_t originY, int32_t imageW, int32_t imageH);

// ---- The thumbnail ------------------------------------------------------

// Thumbnail pixels per display pixel on each axis; 0 while the display has
// no scale.
struct ThumbnailScale {
    double x = 0, y = 0;
};
ThumbnailScale ThumbnailPerDisplay(double thumbScaleX, double thumbScaleY, double viewScaleX, double viewScaleY);

// A rectangle of display pixels in thumbnail pixels: each side trunc(v x
// scale + offset + 0.5); the offset is the thumbnail position of the view's
// left-top when the rectangle is in view coordinates, else 0.
Rect ToThumbnail(const Rect& r, const ThumbnailScale& k, int32_t offsetX = 0, int32_t offsetY = 0);

// ---- Composing a frame -----------------------------------------------------

// Where a frame of the client area (w x h) comes from: the part of the tile
// buffer at S = client + (cx + panX, cy + panY), and, for what S leaves
// outside the buffer, bands of the client taken from the thumbnail.
struct FramePlan {
    bool fromMain = false;  // some of S lies in the tile buffer
    Rect mainSource;        // S, tile buffer coordinates (with fromMain)
    int count = 0;          // bands from the thumbnail, client coordinates
    std::array<Rect, 4> bands{};
};
FramePlan PlanFrame(int32_t w, int32_t h, int32_t panX, int32_t panY, int32_t cx, int32_t cy);

// ---- The zoom transition -----------------------------------------------------

// One frame: the width s and height of the part of the old picture that is
// stretched over the client; a large frame is wider than the tile buffer and
// shows the buffer smaller, inside thumbnail bands.
struct ZoomFrame {
    int32_t s = 0, height = 0;
    bool large = false;
};

// The frames of the transition for a client of w x h and the factor f (new
// scale / old scale), in drawing order: zooming in, from w - 1 down in steps of
// trunc(10 k^2); otherwise from w + 1 up in steps of trunc(30 k^2), each
// large frame adding 1 / f to the step; k = cx x cy / (1024 x 768). Empty when
// f is not a finite positive number or the frame would shrink to nothing or
// grow past a million pixels. At most maxFrames.
std::vector<ZoomFrame> PlanZoomFrames(int32_t w, int32_t h, double f, int32_t cx, int32_t cy, int maxFrames);

// The tile buffer rectangle a simple frame stretches over the client: centred
// on the client centre (xc, yc) shifted by the buffer origin (ox, oy) =
// (cx + panX, cy + panY), halves truncated toward zero.
Rect ZoomSource(int32_t ox, int32_t oy, int32_t xc, int32_t yc, const ZoomFrame& frame);

struct ZoomLargeLayout {
    Rect picture;     // X: where the whole tile buffer lands in the client
    Rect mainSource;  // the tile buffer's 3 x 3 screens around the view centre
    Rect frame;       // the frame, view coordinates
    Rect area;        // the 3 x 3 screens, view coordinates
};
ZoomLargeLayout PlanZoomLarge(int32_t w, int32_t h, int32_t ox, int32_t oy, int32_t cx, int32_t cy,
                              const ZoomFrame& frame);

// The four thumbnail bands around the picture of a large frame (top, left,
// right, bottom): the client parts beside X and their thumbnail sources, cut
// from the frame's and the area's thumbnail rectangles. Empty bands are kept
// as empty rectangles.
struct ZoomBand {
    Rect destination, source;
};
std::array<ZoomBand, 4> ZoomLargeBands(const Rect& client, const Rect& picture, const Rect& frameInThumbnail,
                                       const Rect& areaInThumbnail);

// What the tile buffer keeps after the transition: the image's extent in view
// coordinates (view at viewLeft, viewTop; image w x h display pixels),
// scaled by f about the client centre, clipped to the client; empty when
// nothing of it is on the client.
Rect ZoomKeptRect(int32_t viewLeft, int32_t viewTop, int32_t imageW, int32_t imageH, const Rect& client, double f);

// ---- Moving the view -------------------------------------------------------

// Keeps a view rectangle inside the image (0, 0, w, h) without changing its
// size; one larger than the image covers it.
Rect ClampViewToImage(const Rect& view, int32_t imageW, int32_t imageH);

// The view rectangle moved so that the client centre falls on the display
// point of the full-resolution point (x, y), then kept inside the image.
Rect CenterViewOn(const Rect& view, int32_t clientW, int32_t clientH, int32_t x, int32_t y, double scaleX,
                  double scaleY, int32_t imageW, int32_t imageH);

} // namespace zelvo::view
