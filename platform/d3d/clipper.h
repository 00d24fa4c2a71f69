// Clipping in homogeneous space against the view volume −w ≤ x, y ≤ w,
// 0 ≤ z ≤ w and the enabled user planes (Sutherland and Hodgman's polygon
// clipper, in the homogeneous form of Blinn and Newell).
#pragma once

#include <cstdint>

#include "platform/d3d/vertices.h"

namespace platform::raster {

// Room for a triangle cut by all fourteen planes.
constexpr int kMaxClipVertices = 3 + 14 + 2;

// Clips the polygon in[0..n) against the planes in mask; returns the vertex
// count of the result in out (0 when nothing is left).
int ClipPolygon(const ClipVertex* in, int n, std::uint32_t mask, ClipVertex* out);

// Clips a segment; false when nothing is left.
bool ClipLine(ClipVertex& a, ClipVertex& b, std::uint32_t mask);

}  // namespace platform::raster
