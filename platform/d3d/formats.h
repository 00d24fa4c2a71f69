// Packing and unpacking of 8-bit channels in the render target formats, with
// the ordered dither that 16-bit targets take.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/d3d/state.h"

namespace platform::raster {

template <PixelFormat F>
struct Format;

template <>
struct Format<PixelFormat::R5G6B5> {
  static constexpr int kBytes = 2;
  static constexpr bool kDithered = true;
  // d is the 4x4 Bayer value 0..15 (0 without dithering).
  static std::uint32_t Pack(int r, int g, int b, int d) {
    int r5 = Sat(r + (d >> 1)) >> 3, g6 = Sat(g + (d >> 2)) >> 2, b5 = Sat(b + (d >> 1)) >> 3;
    return static_cast<std::uint32_t>((r5 << 11) | (g6 << 5) | b5);
  }
  static void Unpack(std::uint32_t p, int& r, int& g, int& b) {
    int r5 = (p >> 11) & 31, g6 = (p >> 5) & 63, b5 = p & 31;
    r = (r5 << 3) | (r5 >> 2);
    g = (g6 << 2) | (g6 >> 4);
    b = (b5 << 3) | (b5 >> 2);
  }
  static int Sat(int v) { return v > 255 ? 255 : v; }
};

template <>
struct Format<PixelFormat::X1R5G5B5> {
  static constexpr int kBytes = 2;
  static constexpr bool kDithered = true;
  static std::uint32_t Pack(int r, int g, int b, int d) {
    int e = d >> 1;
    int r5 = Sat(r + e) >> 3, g5 = Sat(g + e) >> 3, b5 = Sat(b + e) >> 3;
    return static_cast<std::uint32_t>((r5 << 10) | (g5 << 5) | b5);
  }
  static void Unpack(std::uint32_t p, int& r, int& g, int& b) {
    int r5 = (p >> 10) & 31, g5 = (p >> 5) & 31, b5 = p & 31;
    r = (r5 << 3) | (r5 >> 2);
    g = (g5 << 3) | (g5 >> 2);
    b = (b5 << 3) | (b5 >> 2);
  }
  static int Sat(int v) { return v > 255 ? 255 : v; }
};

template <>
struct Format<PixelFormat::R8G8B8> {
  static constexpr int kBytes = 3;
  static constexpr bool kDithered = false;
  static std::uint32_t Pack(int r, int g, int b, int) {
    return static_cast<std::uint32_t>((r << 16) | (g << 8) | b);
  }
  static void Unpack(std::uint32_t p, int& r, int& g, int& b) {
    r = (p >> 16) & 255;
    g = (p >> 8) & 255;
    b = p & 255;
  }
};

template <>
struct Format<PixelFormat::X8R8G8B8> {
  static constexpr int kBytes = 4;
  static constexpr bool kDithered = false;
  static std::uint32_t Pack(int r, int g, int b, int) {
    return static_cast<std::uint32_t>((r << 16) | (g << 8) | b);
  }
  static void Unpack(std::uint32_t p, int& r, int& g, int& b) {
    r = (p >> 16) & 255;
    g = (p >> 8) & 255;
    b = p & 255;
  }
};

// Pixels and depth values are little-endian words of 2, 3 or 4 bytes.
template <int Bytes>
inline std::uint32_t LoadWord(const BYTE* p) {
  if constexpr (Bytes == 2) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  } else if constexpr (Bytes == 3) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16);
  } else {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
}

template <int Bytes>
inline void StoreWord(BYTE* p, std::uint32_t v) {
  if constexpr (Bytes == 2) {
    auto w = static_cast<std::uint16_t>(v);
    std::memcpy(p, &w, 2);
  } else if constexpr (Bytes == 3) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
    p[2] = static_cast<BYTE>(v >> 16);
  } else {
    std::memcpy(p, &v, 4);
  }
}

}  // namespace platform::raster
