// Pure arithmetic of the overview window and its navigation frame: hit modes,
// keeping rectangles inside an area, and the window sizes derived from the
// thumbnail. No window system here, so it is tested natively.
#pragma once

#include <cstdint>

namespace zelvo::nav {

struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
};

// What a press at (x, y) does to the frame rectangle.
enum HitMode : int {
    kHitNone = 0,
    kHitMove = 1,
    kHitTop = 2,
    kHitRight = 3,
    kHitBottom = 4,
    kHitLeft = 5,
};

int FrameHitMode(const Rect& frame, int32_t x, int32_t y);

// One axis of the clamp: a span not larger than the area is pushed back
// inside it; a larger one is placed so that it covers the area. The size is
// kept either way.
void ClampSpan(int32_t& start, int32_t& end, int32_t areaStart, int32_t areaEnd);
// Both axes; returns how far the left/top moved through dx, dy.
Rect ClampRect(const Rect& r, const Rect& area, int32_t* dx = nullptr, int32_t* dy = nullptr);

// Moves the rectangle so that its centre ((l + r) / 2, (t + b) / 2) is (x, y).
Rect CenterRectOn(const Rect& r, int32_t x, int32_t y);

// Client pixels per thumbnail pixel; 1 when either size is not positive, so
// that an empty thumbnail never gives an infinite or zero scale.
double PictureScale(int32_t client, int32_t thumbnail);

// Client size of the overview for a thumbnail: 320 wide, the height by the
// aspect; a picture taller than 0.38 x the screen height is limited to that
// and narrowed to keep its aspect. False (and nothing set) for an empty
// thumbnail.
bool FitThumbnailClient(int32_t thumbW, int32_t thumbH, int32_t screenH, int32_t& clientW, int32_t& clientH);

// Window rectangle beside the owner for a plain picture: the owner's
// top-left, the owner's width or height kept, the other side from the
// overview's client aspect. False for an empty owner or client.
bool PlaceBesideRect(const Rect& owner, int32_t clientW, int32_t clientH, Rect& out);

// Screen pixels that the whole sample takes at magnification 1.
int32_t OneToOnePixels(int32_t pixelsPerMetre, double sampleMm);

// Magnification of the overview; false when the 1:1 size is not known yet.
bool OverviewMagnification(int32_t clientW, int32_t oneToOneW, double& out);

} // namespace zelvo::nav
