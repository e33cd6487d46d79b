// Outline geometry of the measurement objects: pixel chains, hit tests,
// filled area and shape figures. Coordinates are slide image pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zelvo {
namespace geom {

struct Point {
    int32_t x;
    int32_t y;
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
    bool operator!=(const Point& o) const { return !(*this == o); }
};

struct Rect {
    int32_t left, top, right, bottom;
};

using Chain = std::vector<Point>;

// Appends the pixels of the segment (x1,y1)-(x2,y2), each once, ending at (x2,y2).
// A zero-length segment appends nothing.
void RasterizeSegment(Chain& chain, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// 1 when (px,py) lies within the 4x4 tolerance square of a segment pixel.
int PolylineHitTest(int32_t px, int32_t py, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// For n < 1: (INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN).
Rect BoundingBox(const Point* points, size_t n);

// Closed pixel outline of a polygon; first and last pixel are the first vertex.
// Takes the vertex list over (callers that keep theirs pass a copy).
Chain OutlineChain(std::vector<Point> points);

// Pixels of the outline and its interior; -1 when memory runs out.
int64_t FillArea(size_t n, const Point* chain);

// Micrometres per pixel on each axis for a resolution in pixels per metre;
// 0 for an unknown (zero) resolution, so that nothing divides by it.
double MicronsPerPixel(uint32_t pixelsPerMetre);

struct Morphometry {
    double longAxis;     // um
    double shortAxis;    // um
    double aspectRatio;
    double diameter;     // um
    double meanDiameter; // um
};

Morphometry RegionMorphometry(size_t n, const Point* chain, double px, double py);

// Stair-step length of the chain in micrometres.
double ChainPerimeter(size_t n, const Point* chain, double px, double py);

// Everything a region or free-hand outline reports.
struct RegionResults {
    int64_t areaPixels;  // -1 when memory ran out
    double area;         // um^2
    double perimeter;    // um
    Morphometry shape;
    double roundness;
    double complexity;
};

RegionResults ComputeRegionResults(const std::vector<Point>& vertices, uint32_t resX, uint32_t resY);

// The result line, UTF-8.
std::string RegionResultText(const RegionResults& r);

} // namespace geom
} // namespace zelvo
