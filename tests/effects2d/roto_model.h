// The texture mapping of "rotozoomer" (and of "wobble" with its waves off) as
// the rules state it, for tests: which texel of a point-sampled texture lands
// on a screen pixel, under each addressing mode.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>

namespace fxtest {

enum class Addressing { Wrap, Mirror, Clamp, Border };

// Texel index under an addressing mode; nullopt for the border.
inline std::optional<int> AddressTexel(int i, int size, Addressing mode) {
  switch (mode) {
    case Addressing::Wrap:
      return ((i % size) + size) % size;
    case Addressing::Mirror: {
      const int m = ((i % (2 * size)) + 2 * size) % (2 * size);
      return m < size ? m : 2 * size - 1 - m;
    }
    case Addressing::Clamp:
      return i < 0 ? 0 : (i >= size ? size - 1 : i);
    case Addressing::Border:
      break;
  }
  if (i < 0 || i >= size) return std::nullopt;
  return i;
}

// A size × size texture of four quadrants: red, green (top), blue, white.
inline std::uint32_t QuadrantTexel(int x, int y, int size) {
  static const std::uint32_t colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  return colours[(x >= size / 2 ? 1 : 0) + (y >= size / 2 ? 2 : 0)];
}

// What pixel (x, y) of a W × H drawing area shows for texture coordinates
// (u, v), point sampled from the quadrant texture; `background` where the
// border shows through. nullopt when (u, v) lies so near a texel edge that
// float rounding may pick either side.
inline std::optional<std::uint32_t> SampleQuadrants(double u, double v, int size, Addressing mode,
                                                    std::uint32_t background) {
  const double fx = u * size, fy = v * size;
  constexpr double kMargin = 0.02;
  if (std::fabs(fx - std::round(fx)) < kMargin || std::fabs(fy - std::round(fy)) < kMargin)
    return std::nullopt;
  const auto tx = AddressTexel(static_cast<int>(std::floor(fx)), size, mode);
  const auto ty = AddressTexel(static_cast<int>(std::floor(fy)), size, mode);
  if (!tx || !ty) return background;
  return QuadrantTexel(*tx, *ty, size);
}

// The rotozoomer's coordinates: pixel centres at integer positions, corners
// (−0.5, −0.5) … (0.5, 0.5) turned by theta and scaled by zoom about (0.5, 0.5).
struct RotoCoords {
  double u, v;
};
inline RotoCoords RotozoomerCoords(int x, int y, int width, int height, double zoom, double theta) {
  const double cx = static_cast<double>(x) / width - 0.5,
               cy = static_cast<double>(y) / height - 0.5;
  const double p = zoom * std::cos(theta), q = zoom * std::sin(theta);
  return {p * cx + q * cy + 0.5, -q * cx + p * cy + 0.5};
}

}  // namespace fxtest
