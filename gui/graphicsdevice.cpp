#include "gui/graphicsdevice.h"

#include <cstdlib>
#include <new>

#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "gui/metrics.h"
#include "gui/pixels.h"

namespace ZGUI {
namespace {

// Runs op over every pixel of a rectangle that is already clipped.
template <int B, class Op>
void ForEachPixel(std::uint8_t* row, std::int32_t pitch, std::int64_t width, std::int64_t height,
                  Op op) {
  for (std::int64_t y = 0; y < height; ++y, row += pitch) {
    std::uint8_t* p = row;
    for (std::int64_t x = 0; x < width; ++x, p += B) pixels::Store<B>(p, op(pixels::Load<B>(p)));
  }
}

tRect Shifted(const tRect& r, std::int32_t dx, std::int32_t dy) {
  return tRect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

int Sign(std::int64_t v) { return (v > 0) - (v < 0); }

}  // namespace

std::uint32_t AverageColour(std::uint32_t a, std::uint32_t b) {
  return ((a >> 1) & 0x7F7F7F) + ((b >> 1) & 0x7F7F7F);
}

cGraphicsDevice::cGraphicsDevice() { BuildFontPalette(0xFF, 0xFF, 0xFF); }

cGraphicsDevice::cGraphicsDevice(void* pixels, std::int32_t pitch, tRect bounds)
    : cGraphicsDevice() {
  SetBuffer(pixels, pitch, bounds);
}

cGraphicsDevice::~cGraphicsDevice() = default;

void cGraphicsDevice::SetBuffer(void* pixels, std::int32_t pitch, tRect bounds) {
  pixels_ = static_cast<std::uint8_t*>(pixels);
  pitch_ = pitch;
  bounds_ = bounds;
  clip_ = bounds;
}

void cGraphicsDevice::SetClipRect(tRect rect) { clip_ = Intersect(rect, bounds_); }

void cGraphicsDevice::MoveOrigin(std::int32_t dx, std::int32_t dy) {
  pixels_ = At(dx, dy);
  bounds_ = Shifted(bounds_, -dx, -dy);
  clip_ = Shifted(clip_, -dx, -dy);
}

std::uint8_t* cGraphicsDevice::At(std::int32_t x, std::int32_t y) const {
  // Integer arithmetic: a sub-device's origin may lie outside the memory it
  // draws into, and only its clipped pixels are ever dereferenced.
  auto address = reinterpret_cast<std::uintptr_t>(pixels_);
  address += static_cast<std::uintptr_t>(static_cast<std::intptr_t>(y) * pitch_ +
                                         static_cast<std::intptr_t>(x) * GetBytesPerPixel());
  return reinterpret_cast<std::uint8_t*>(address);
}

bool cGraphicsDevice::SetSubArea(const cGraphicsDevice* parent, tRect area) {
  if (!parent || IsEmpty(area)) return false;
  pixels_ = parent->At(area.left, area.top);
  pitch_ = parent->pitch_;
  tRect own{0, 0, area.right - area.left, area.bottom - area.top};
  bounds_ = Intersect(own, Shifted(parent->clip_, -area.left, -area.top));
  clip_ = bounds_;
  SetTextColor(parent->textColor_);
  return !IsEmpty(bounds_);
}

cGraphicsDevice* cGraphicsDevice::CreateSubDevice(tRect area) {
  if (IsEmpty(area)) return nullptr;
  auto* sub = VOXA::errors::NewOrThrow<cGraphicsDevice>("cGraphicsDevice");
  if (!sub->SetSubArea(this, area)) {
    delete sub;
    return nullptr;
  }
  return sub;
}

void cGraphicsDevice::FillRect(tRect rect, std::uint32_t color) {
  tRect r = Intersect(rect, clip_);
  if (IsEmpty(r)) return;
  std::uint32_t packed = PackColor(color);
  std::uint8_t* row = At(r.left, r.top);
  pixels::ForDepth(GetBytesPerPixel(), [&]<int B>() {
    ForEachPixel<B>(row, pitch_, RectWidth(r), RectHeight(r),
                    [packed](std::uint32_t) { return packed; });
  });
}

void cGraphicsDevice::Shade(tRect rect, eShade kind, std::uint32_t color) {
  tRect r = Intersect(rect, clip_);
  if (IsEmpty(r)) return;
  const std::uint32_t h = GetHalfMask();
  const std::uint32_t half = (PackColor(color) >> 1) & h;
  std::uint8_t* row = At(r.left, r.top);
  pixels::ForDepth(GetBytesPerPixel(), [&]<int B>() {
    switch (kind) {
      case eShade::Darken:
        ForEachPixel<B>(row, pitch_, RectWidth(r), RectHeight(r),
                        [h](std::uint32_t p) { return (p >> 1) & h; });
        break;
      case eShade::Lighten:
        ForEachPixel<B>(row, pitch_, RectWidth(r), RectHeight(r),
                        [h](std::uint32_t p) { return ((p >> 1) & h) + h; });
        break;
      case eShade::Blend:
        ForEachPixel<B>(row, pitch_, RectWidth(r), RectHeight(r),
                        [h, half](std::uint32_t p) { return ((p >> 1) & h) + half; });
        break;
    }
  });
}

void cGraphicsDevice::DarkenRect(tRect rect) { Shade(rect, eShade::Darken, 0); }
void cGraphicsDevice::LightenRect(tRect rect) { Shade(rect, eShade::Lighten, 0); }
void cGraphicsDevice::BlendRect(tRect rect, std::uint32_t color) {
  Shade(rect, eShade::Blend, color);
}

void cGraphicsDevice::DrawLine(std::int32_t ix1, std::int32_t iy1, std::int32_t ix2,
                               std::int32_t iy2, std::uint32_t color) {
  // 64-bit throughout: the clipping products of far-away end points overflow 32 bits.
  std::int64_t x1 = ix1, y1 = iy1, x2 = ix2, y2 = iy2;
  const std::int64_t L = clip_.left, T = clip_.top, R = clip_.right, B = clip_.bottom;
  if (IsEmpty(clip_)) return;
  // Left, top, right, bottom: an end point beyond the edge moves onto it.
  if (x1 < L) {
    if (x2 < L) return;
    y1 += (L - x1) * (y2 - y1) / (x2 - x1);
    x1 = L;
  } else if (x2 < L) {
    y2 += (L - x2) * (y1 - y2) / (x1 - x2);
    x2 = L;
  }
  if (y1 < T) {
    if (y2 < T) return;
    x1 += (T - y1) * (x2 - x1) / (y2 - y1);
    y1 = T;
  } else if (y2 < T) {
    x2 += (T - y2) * (x1 - x2) / (y1 - y2);
    y2 = T;
  }
  if (x1 > R) {
    if (x2 > R) return;
    y1 += (R - x1) * (y2 - y1) / (x2 - x1);
    x1 = R;
  } else if (x2 > R) {
    y2 += (R - x2) * (y1 - y2) / (x1 - x2);
    x2 = R;
  }
  if (y1 > B) {
    if (y2 > B) return;
    x1 += (B - y1) * (x2 - x1) / (y2 - y1);
    y1 = B;
  } else if (y2 > B) {
    x2 += (B - y2) * (x1 - x2) / (y1 - y2);
    y2 = B;
  }
  auto inside = [&](std::int64_t x, std::int64_t y) {
    return x >= L && x <= R && y >= T && y <= B;
  };
  // A segment passing beside a corner is still outside after the cuts.
  if (!inside(x1, y1) || !inside(x2, y2)) return;

  const std::int64_t dx = x2 - x1, dy = y2 - y1;
  const std::int64_t n = std::max(std::llabs(dx), std::llabs(dy));
  const std::int64_t stepx = (dx + Sign(dx)) * 65536 / (n + 1);
  const std::int64_t stepy = (dy + Sign(dy)) * 65536 / (n + 1);
  const std::uint32_t packed = PackColor(color) & 0xFFFFFF;
  const int bytes = GetBytesPerPixel();
  if (bytes < 2 || bytes > 4) return;
  for (std::int64_t k = 0; k <= n; ++k) {
    auto x = static_cast<std::int32_t>(x1 + k * stepx / 65536);
    auto y = static_cast<std::int32_t>(y1 + k * stepy / 65536);
    pixels::Store(At(x, y), bytes, packed);
  }
}

void cGraphicsDevice::Bevel(tRect r, std::int32_t bx, std::int32_t by, bool raised, int edges) {
  enum { kLeft = 1, kRight = 2, kTop = 4, kBottom = 8 };
  const std::int64_t w = std::int64_t{r.right} - r.left, h = std::int64_t{r.bottom} - r.top;
  std::int64_t hx = bx, vy = by;
  if (2 * hx > w) hx = w / 2;
  if (2 * vy > h) vy = h / 2;
  auto shade = [this](tRect strip, bool lighten) {
    if (lighten)
      LightenRect(strip);
    else
      DarkenRect(strip);
  };
  for (std::int32_t i = 0; i < hx; ++i) {
    if (edges & kLeft) shade({r.left + i, r.top + i + 1, r.left + i, r.bottom - i - 1}, raised);
    if (edges & kRight) shade({r.right - i, r.top + i + 1, r.right - i, r.bottom - i - 1}, !raised);
  }
  for (std::int32_t j = 0; j < vy; ++j) {
    if (edges & kTop) shade({r.left + j + 1, r.top + j, r.right - j - 1, r.top + j}, raised);
    if (edges & kBottom)
      shade({r.left + j + 1, r.bottom - j, r.right - j - 1, r.bottom - j}, !raised);
  }
}

void cGraphicsDevice::DrawBevel(tRect rect, std::int32_t bx, std::int32_t by, bool raised) {
  Bevel(rect, bx, by, raised, 15);
}
void cGraphicsDevice::DrawBevelLeft(tRect rect, std::int32_t bx, std::int32_t, bool raised) {
  Bevel(rect, bx, 0, raised, 1);
}
void cGraphicsDevice::DrawBevelRight(tRect rect, std::int32_t bx, std::int32_t, bool raised) {
  Bevel(rect, bx, 0, raised, 2);
}
void cGraphicsDevice::DrawBevelTop(tRect rect, std::int32_t, std::int32_t by, bool raised) {
  Bevel(rect, 0, by, raised, 4);
}
void cGraphicsDevice::DrawBevelBottom(tRect rect, std::int32_t, std::int32_t by, bool raised) {
  Bevel(rect, 0, by, raised, 8);
}

void cGraphicsDevice::SetTextColor(std::uint32_t color) {
  textColor_ = color;
  BuildFontPalette(static_cast<std::uint8_t>(textColor_ >> 16),
                   static_cast<std::uint8_t>(textColor_ >> 8),
                   static_cast<std::uint8_t>(textColor_));
}

void cGraphicsDevice::SetTextColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  SetTextColor((std::uint32_t{red} << 16) + (std::uint32_t{green} << 8) + blue);
}

void cGraphicsDevice::BuildFontPalette(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  if (!palette_) {
    palette_.reset(new (std::nothrow) std::uint32_t[256]);
    if (!palette_) throw new VOXA::errors::eCouldNotAllocateMemoryFor("font palette!");
  }
  for (std::uint32_t v = 0; v < 256; ++v)
    palette_[v] = PackColor(((red * v) >> 9) << 16 | ((green * v) >> 9) << 8 | ((blue * v) >> 9));
}

}  // namespace ZGUI
