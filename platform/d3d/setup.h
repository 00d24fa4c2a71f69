// Triangle set-up and scan conversion, lines and points. Edges are exact
// integer functions on a 1/16-pixel grid with Direct3D's conventions: pixel
// centres at integer coordinates and the top-left fill rule, so two triangles
// that share an edge cover each pixel along it exactly once.
//
// A set-up triangle is drawn into a clip rectangle and a set of rows; every
// row is drawn whole and on its own, so drawing a triangle once per disjoint
// set of rows gives the same pixels as drawing it once, and threads that own
// disjoint rows may draw it at the same time.
#pragma once

#include <cstdint>

#include "platform/d3d/pixels.h"

namespace platform::raster {

// After the viewport mapping: screen x, y, depth z (0..1) and rhw = 1/w.
struct ScreenVertex {
  float x = 0, y = 0, z = 0, rhw = 1;
  float color[4] = {1, 1, 1, 1};  // r, g, b, a in 0..1
  float fog = 1;                  // vertex fog factor
  float specular[3] = {0, 0, 0};
  float tex[8][2] = {};  // per texture stage
};

// The rows one thread draws: bands of `band` rows dealt out in turn to
// `count` threads, this one being `index`. The default is every row. A
// thread owns whole rows because the pixel stages store whole vectors of a
// span, the pixels that fail their tests included (rows are never negative
// once clipped).
struct Rows {
  int band = 1, count = 1, index = 0;
  bool Owns(int y) const { return (y / band) % count == index; }
  // The first row ≥ y that is owned.
  int First(int y) const {
    const int b = y / band, skip = ((index - b % count) % count + count) % count;
    return skip ? (b + skip) * band : y;
  }
  // The owned row after the owned row y.
  int Next(int y) const { return (y + 1) % band ? y + 1 : First(y + 1); }
  bool Any(int top, int bottom) const { return First(top) <= bottom; }
};

struct TriangleSetup {
  // Edge i: E(X, Y) = a·X + b·Y + c on the 1/16 grid, covered when E ≥ 0.
  std::int64_t a[3], b[3], c[3];
  int top = 0, bottom = 0;  // rows that may be covered, inclusive
  int left = 0, right = 0;  // columns, inclusive
  Interpolants values;
};

// Signed doubled area on screen; positive for a clockwise triangle (y down).
double ScreenArea(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2);

// False when the triangle covers no area. Flat shading takes the colour of v0.
// texStages: how many stages' coordinates to set up.
bool SetupTriangle(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                   bool gouraud, TriangleSetup* out, int texStages = 0);
void RasterizeTriangle(const TriangleSetup& t, const Rect& clip, const PixelPipeline& p,
                       const Rows& rows = {});

// One-pixel lines, the last pixel left out as Direct3D does; flat lines take v0's colour.
void RasterizeLine(const ScreenVertex& v0, const ScreenVertex& v1, bool gouraud, const Rect& clip,
                   const PixelPipeline& p, const Rows& rows = {});
// A point covers the pixel whose top-left corner holds it (truncated coordinates).
void RasterizePoint(const ScreenVertex& v, const Rect& clip, const PixelPipeline& p,
                    const Rows& rows = {});

}  // namespace platform::raster
