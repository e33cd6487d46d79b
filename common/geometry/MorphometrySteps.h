// The steps of the shape figures that do not depend on how the outline's
// pixels are found, shared by the pixel-chain and the vertex routines so
// that both compute the same doubles.
#pragma once

#include "geometry/OutlineGeometry.h"

#include <cmath>
#include <cstdint>

namespace zelvo {
namespace geom {
namespace detail {

// Bounding box of the outline's pixels, and on each of its four sides the
// outline's first and last pixel.
struct Extremes {
    int32_t minX, maxX, minY, maxY;
    int32_t lTop, lBot;    // y range on the column minX
    int32_t rTop, rBot;    // on the column maxX
    int32_t tLeft, tRight; // x range on the row minY
    int32_t bLeft, bRight; // on the row maxY
};

inline double MicronLength(double dx, double dy, double wx, double wy) { return std::sqrt(dx * dx * wx + dy * dy * wy); }

// Anything that is not a finite number counts (and prints) as 0.00 rather
// than "nan" or "inf".
inline double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

inline double SafeDivide(double num, double den)
{
    if (den == 0.0 || !std::isfinite(den)) return 0.0;
    return Finite(num / den);
}

struct LongAxis {
    double x1, y1, x2, y2;  // its ends A and B
    double length;          // um
    double meanDiameter;    // um
};

// The longest of the four extreme chords (an earlier one wins a tie).
LongAxis ChooseLongAxis(const Extremes& e, double wx, double wy);

// Diameter of the circle through the long axis' ends and f; the long axis
// when the three points are on one line.
double CircleDiameter(const LongAxis& axis, const Point& f, double wx, double wy);

// Short axis and aspect ratio from the outline's width w across the long
// axis, w = max - min of a x + b y with a = y2 - y1, b = x1 - x2.
void SetShortAxis(Morphometry& m, const LongAxis& axis, double w, double wx, double wy);

} // namespace detail
} // namespace geom
} // namespace zelvo
