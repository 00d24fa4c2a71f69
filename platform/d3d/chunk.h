// A run of up to kChunk pixels along one row, the unit that every stage of
// the pixel path works on, and the planes its values are interpolated from.
#pragma once

#include <cstdint>

namespace platform::raster {

constexpr int kChunk = 64;

// A value across the triangle: v(x, y) = c + dx·x + dy·y, pixel centres at integers.
struct Plane {
  double c = 0, dx = 0, dy = 0;
  double At(double x, double y) const { return c + dx * x + dy * y; }
};

// Colours and fog in 0..255, z in 0..1, rhw = 1/w; texture coordinates
// times rhw, so that u = tu/rhw is perspective-correct.
struct Interpolants {
  Plane r, g, b, a, fog, z, rhw;
  Plane sr, sg, sb;  // specular
  Plane tu[8], tv[8];
};

struct Chunk {
  int x = 0, y = 0, n = 0;
  const Interpolants* values = nullptr;
  alignas(32) std::int32_t r[kChunk], g[kChunk], b[kChunk], a[kChunk];
  alignas(32) std::int32_t fog[kChunk];  // 255 = no fog
  alignas(32) float z[kChunk];
  alignas(32) float w[kChunk];
  alignas(32) std::uint8_t live[kChunk];
};

}  // namespace platform::raster
