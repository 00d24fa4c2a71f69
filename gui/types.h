// The toolkit's two geometry records and the rectangle arithmetic that every
// drawing operation shares. Rectangles are inclusive on both edges.
#pragma once

#include <algorithm>
#include <cstdint>

namespace ZGUI {

struct tRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const tRect&, const tRect&) = default;
};

struct tPoint {
  std::int32_t x = 0, y = 0;
  tPoint() = default;
  tPoint(std::int32_t px, std::int32_t py) : x(px), y(py) {}
  // Explicit, so that an overload taking a width is never chosen by accident.
  explicit tPoint(std::int32_t value) : x(value), y(value) {}
  friend bool operator==(const tPoint&, const tPoint&) = default;
};

inline constexpr tRect kEmptyRect{0, 0, -1, -1};

// Widths in 64 bits: right - left + 1 overflows 32 bits for extreme rectangles.
inline std::int64_t RectWidth(const tRect& r) { return std::int64_t{r.right} - r.left + 1; }
inline std::int64_t RectHeight(const tRect& r) { return std::int64_t{r.bottom} - r.top + 1; }
inline bool IsEmpty(const tRect& r) { return RectWidth(r) <= 0 || RectHeight(r) <= 0; }

// The overlap of two rectangles, or the empty rectangle when either is empty or
// they do not meet.
inline tRect Intersect(const tRect& a, const tRect& b) {
  if (IsEmpty(a) || IsEmpty(b)) return kEmptyRect;
  tRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
  return IsEmpty(r) ? kEmptyRect : r;
}

}  // namespace ZGUI
