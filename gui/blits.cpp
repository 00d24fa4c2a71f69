// Bitmap copies onto a graphics device: whole, partial, interlaced, blended,
// transparent and as a darkening mask.
#include <algorithm>
#include <cstring>
#include <limits>

#include "gui/bitmap.h"
#include "gui/graphicsdevice.h"
#include "gui/metrics.h"
#include "gui/pixels.h"

namespace ZGUI {
namespace {

enum { kCopy = 0, kBlend = 1, kTransparent = 2, kDarkenMasked = 3 };

// Placement arithmetic runs in 64 bits; the result is clamped back into the
// 32-bit coordinate range, which only ever shrinks a rectangle.
std::int32_t Clamp32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// A bitmap whose pixels are still in an earlier mode's depth is not drawn.
bool Drawable(const cBitmap* bitmap) {
  return bitmap && bitmap->GetDepth() == GetBytesPerPixel() && bitmap->GetData();
}

}  // namespace

void cGraphicsDevice::SetBitmap(cBitmap* bitmap) {
  if (!bitmap) return;
  const std::int32_t bytes = GetBytesPerPixel();
  if (bitmap->GetDepth() != bytes || !bitmap->GetData()) {
    SetBuffer(nullptr, 0, kEmptyRect);
    return;
  }
  SetBuffer(bitmap->GetData(), bitmap->GetWidth() * bytes,
            tRect{0, 0, bitmap->GetWidth() - 1, bitmap->GetHeight() - 1});
}

// Device pixel (x, y) of the visible area takes bitmap pixel
// (sx + x - visible.left, sy + y - visible.top); parity -1 means every row.
void cGraphicsDevice::CopyRows(const cBitmap* bitmap, tRect visible, std::int32_t sx,
                               std::int32_t sy, int mode, int parity) {
  const int bytes = GetBytesPerPixel();
  const std::uint32_t h = GetHalfMask();
  const std::int64_t width = RectWidth(visible);
  const std::ptrdiff_t sourcePitch = static_cast<std::ptrdiff_t>(bitmap->GetWidth()) * bytes;
  const std::uint8_t* source = bitmap->GetData() + static_cast<std::ptrdiff_t>(sy) * sourcePitch +
                               std::ptrdiff_t{sx} * bytes;
  for (std::int64_t y = visible.top; y <= visible.bottom; ++y, source += sourcePitch) {
    if (parity >= 0 && (y & 1) != parity) continue;
    std::uint8_t* target = At(visible.left, static_cast<std::int32_t>(y));
    if (mode == kCopy) {
      std::memcpy(target, source, static_cast<std::size_t>(width) * bytes);
      continue;
    }
    pixels::ForDepth(bytes, [&]<int B>() {
      const std::uint8_t* s = source;
      std::uint8_t* d = target;
      for (std::int64_t x = 0; x < width; ++x, s += B, d += B) {
        std::uint32_t sp = pixels::Load<B>(s);
        switch (mode) {
          case kBlend:
            pixels::Store<B>(d, ((sp >> 1) & h) + ((pixels::Load<B>(d) >> 1) & h));
            break;
          case kTransparent:
            if (sp) pixels::Store<B>(d, sp);
            break;
          case kDarkenMasked:
            if (sp) pixels::Store<B>(d, (pixels::Load<B>(d) >> 1) & h);
            break;
        }
      }
    });
  }
}

void cGraphicsDevice::PlaceWhole(const cBitmap* bitmap, tRect destination, int mode) {
  if (!Drawable(bitmap)) return;
  // A width that is negative as a signed number counts as unbounded.
  const auto width = static_cast<std::uint32_t>(RectWidth(destination));
  const auto height = static_cast<std::uint32_t>(RectHeight(destination));
  if (width > static_cast<std::uint32_t>(bitmap->GetWidth()))
    destination.right = Clamp32(std::int64_t{destination.left} + bitmap->GetWidth() - 1);
  if (height > static_cast<std::uint32_t>(bitmap->GetHeight()))
    destination.bottom = Clamp32(std::int64_t{destination.top} + bitmap->GetHeight() - 1);
  tRect visible = Intersect(destination, clip_);
  if (IsEmpty(visible)) return;
  CopyRows(bitmap, visible, visible.left - destination.left, visible.top - destination.top, mode,
           -1);
}

void cGraphicsDevice::PlacePart(const cBitmap* bitmap, tRect source, tRect destination,
                                int parity) {
  if (!Drawable(bitmap)) return;
  std::int64_t left = destination.left, top = destination.top;
  if (source.left < 0) {
    left -= source.left;
    source.left = 0;
  }
  if (source.top < 0) {
    top -= source.top;
    source.top = 0;
  }
  if (static_cast<std::uint32_t>(source.right) >= static_cast<std::uint32_t>(bitmap->GetWidth()))
    source.right = bitmap->GetWidth() - 1;
  if (static_cast<std::uint32_t>(source.bottom) >= static_cast<std::uint32_t>(bitmap->GetHeight()))
    source.bottom = bitmap->GetHeight() - 1;
  if (IsEmpty(source)) return;
  // A top-left pushed beyond the coordinate range lies outside every clip.
  if (left > std::numeric_limits<std::int32_t>::max() ||
      top > std::numeric_limits<std::int32_t>::max())
    return;
  tRect placed{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
               Clamp32(left + source.right - source.left),
               Clamp32(top + source.bottom - source.top)};
  tRect visible = Intersect(placed, clip_);
  if (IsEmpty(visible)) return;
  CopyRows(bitmap, visible, source.left + (visible.left - placed.left),
           source.top + (visible.top - placed.top), kCopy, parity);
}

void cGraphicsDevice::DrawBitmap(const cBitmap* bitmap, tRect destination) {
  PlaceWhole(bitmap, destination, kCopy);
}

void cGraphicsDevice::DrawBitmapBlended(const cBitmap* bitmap, tRect destination) {
  PlaceWhole(bitmap, destination, kBlend);
}

void cGraphicsDevice::DrawBitmapPart(const cBitmap* bitmap, tRect source, tRect destination) {
  PlacePart(bitmap, source, destination, -1);
}

void cGraphicsDevice::CopyBitmapRect(const cBitmap* bitmap, tRect source, tRect destination,
                                     bool oddRows) {
  PlacePart(bitmap, source, destination, oddRows ? 1 : 0);
}

void cGraphicsDevice::PlaceAtPoint(std::int32_t x, std::int32_t y, const cBitmap* bitmap,
                                   bool darken) {
  if (!Drawable(bitmap)) return;
  tRect placed{x, y, Clamp32(std::int64_t{x} + bitmap->GetWidth() - 1),
               Clamp32(std::int64_t{y} + bitmap->GetHeight() - 1)};
  tRect visible = Intersect(placed, clip_);
  if (IsEmpty(visible)) return;
  CopyRows(bitmap, visible, visible.left - x, visible.top - y,
           darken ? kDarkenMasked : kTransparent, -1);
}

void cGraphicsDevice::DrawBitmapTransparent(std::int32_t x, std::int32_t y, const cBitmap* bitmap) {
  PlaceAtPoint(x, y, bitmap, false);
}

void cGraphicsDevice::DarkenMasked(std::int32_t x, std::int32_t y, const cBitmap* bitmap) {
  PlaceAtPoint(x, y, bitmap, true);
}

}  // namespace ZGUI
