// Screen formats, guarded test surfaces and a per-channel reference model for
// the toolkit's drawing tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "gui/metrics.h"
#include "gui/types.h"
#include "windxkernel/video.h"

namespace guitest {

struct tFormat {
  const char* name;
  std::int32_t bytes;
  std::int32_t shifts[3];
  std::int32_t bits[3];
};

// 5-6-5, 5-5-5, 24-bit, 32-bit X8R8G8B8 and a blue-first 32-bit layout.
inline const std::vector<tFormat>& Formats() {
  static const std::vector<tFormat> formats = {
      {"R5G6B5", 2, {11, 5, 0}, {5, 6, 5}},   {"X1R5G5B5", 2, {10, 5, 0}, {5, 5, 5}},
      {"R8G8B8", 3, {16, 8, 0}, {8, 8, 8}},   {"X8R8G8B8", 4, {16, 8, 0}, {8, 8, 8}},
      {"X8B8G8R8", 4, {0, 8, 16}, {8, 8, 8}},
  };
  return formats;
}

inline std::string FormatName(const testing::TestParamInfo<tFormat>& info) {
  return info.param.name;
}

// Describes the screen as the platform does after a mode change, before the
// toolkit is told.
inline void SetScreen(const tFormat& f, std::int32_t width, std::int32_t height) {
  VOXA2::tScreenInfo s{};
  s.width = s.virtualWidth = width;
  s.height = s.virtualHeight = height;
  s.bytesPerPixel = f.bytes;
  s.bitsPerPixel = f.bytes == 2 ? 16 : f.bytes * 8;
  s.is15Bit = f.bits[1] == 5;
  s.redShift = f.shifts[0];
  s.greenShift = f.shifts[1];
  s.blueShift = f.shifts[2];
  s.redBits = f.bits[0];
  s.greenBits = f.bits[1];
  s.blueBits = f.bits[2];
  s.redMask = ((1 << f.bits[0]) - 1) << f.shifts[0];
  s.greenMask = ((1 << f.bits[1]) - 1) << f.shifts[1];
  s.blueMask = ((1 << f.bits[2]) - 1) << f.shifts[2];
  VOXA2::screenInfo = s;
}

// Makes the format the screen's, as the display set-up would.
inline void UseFormat(const tFormat& f, std::int32_t width = 640, std::int32_t height = 480) {
  SetScreen(f, width, height);
  ZGUI::UpdatePixelFormat();
}

// Channel values of a packed pixel and back: the reference model of the tests.
struct tChannels {
  std::uint32_t c[3];
};

inline tChannels Split(const tFormat& f, std::uint32_t pixel) {
  tChannels out{};
  for (int i = 0; i < 3; ++i) out.c[i] = (pixel >> f.shifts[i]) & ((1u << f.bits[i]) - 1);
  return out;
}

inline std::uint32_t Join(const tFormat& f, const tChannels& ch) {
  std::uint32_t p = 0;
  for (int i = 0; i < 3; ++i) p |= ch.c[i] << f.shifts[i];
  return p;
}

inline std::uint32_t Max(const tFormat& f, int i) { return (1u << f.bits[i]) - 1; }

inline std::uint32_t LoadPixel(const std::uint8_t* p, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= std::uint32_t{p[i]} << (8 * i);
  return v;
}

inline void StorePixel(std::uint8_t* p, int bytes, std::uint32_t v) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Deterministic noise for surfaces and cases.
struct tNoise {
  std::uint32_t state;
  std::uint32_t Next() {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  }
  std::int32_t Range(std::int32_t lo, std::int32_t hi) {
    return lo + static_cast<std::int32_t>(Next() % std::uint32_t(hi - lo + 1));
  }
};

// Pixel memory with a guard band of noise around it and rows longer than the
// drawable width, so that any write outside the drawable area shows.
class tSurface {
 public:
  static constexpr int kGuard = 64, kRowSlack = 5;
  tSurface(int width, int height, int bytes, std::uint32_t seed = 1)
      : width_(width), height_(height), bytes_(bytes), pitch_(width * bytes + kRowSlack) {
    memory_.resize(std::size_t(pitch_) * height + 2 * kGuard);
    tNoise noise{seed};
    for (auto& b : memory_) b = static_cast<std::uint8_t>(noise.Next());
  }
  std::uint8_t* Pixels() { return memory_.data() + kGuard; }
  std::int32_t Pitch() const { return pitch_; }
  ZGUI::tRect Bounds() const { return {0, 0, width_ - 1, height_ - 1}; }
  std::uint8_t* At(int x, int y) { return Pixels() + y * pitch_ + x * bytes_; }
  std::uint32_t Get(int x, int y) { return LoadPixel(At(x, y), bytes_); }
  void Set(int x, int y, std::uint32_t v) { StorePixel(At(x, y), bytes_, v); }
  void Fill(std::uint32_t v) {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) Set(x, y, v);
  }
  const std::vector<std::uint8_t>& Memory() const { return memory_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  int width_, height_, bytes_;
  std::int32_t pitch_;
  std::vector<std::uint8_t> memory_;
};

// The index of the first differing byte, or -1.
inline long FirstDifference(const std::vector<std::uint8_t>& a,
                            const std::vector<std::uint8_t>& b) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
    if (a[i] != b[i]) return static_cast<long>(i);
  return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()));
}

}  // namespace guitest
