#include "gui/metrics.h"

#include <memory>
#include <new>

#include "foundation/errors.h"
#include "windxkernel/video.h"

namespace ZGUI {
namespace {

const VOXA2::tScreenInfo& Screen() { return VOXA2::screenInfo; }

std::int32_t AtLeastOne(std::int32_t v) { return v < 1 ? 1 : v; }

// 64-bit products so that no canvas value can overflow; the result of a
// division is what 32-bit arithmetic gives whenever that does not overflow.
std::int32_t ScaleBy(std::int32_t v, std::int32_t size, std::int32_t canvas) {
  return static_cast<std::int32_t>(std::int64_t{v} * size / canvas);
}

// The tables belong to the pixel format they were built for. A caller asking
// after the format changed (or after ReleasePixelFormat) gets them rebuilt, so
// no drawing ever uses a missing or stale table.
struct tFormatKey {
  std::int32_t bytesPerPixel = -1;
  std::int32_t masks[3] = {0, 0, 0};
  friend bool operator==(const tFormatKey&, const tFormatKey&) = default;
};

struct tTables {
  tFormatKey key;
  bool built = false;
  std::uint32_t halfMask = 0x7F7F7F;
  std::unique_ptr<std::uint16_t[]> doubling;
} tables;

tFormatKey CurrentKey() {
  const auto& s = Screen();
  return tFormatKey{s.bytesPerPixel, {s.redMask, s.greenMask, s.blueMask}};
}

std::uint32_t ChannelHalf(std::int32_t mask) {
  auto m = static_cast<std::uint32_t>(mask);
  return (m >> 1) & m;
}

void EnsureTables() {
  if (!tables.built || !(tables.key == CurrentKey())) UpdatePixelFormat();
}

}  // namespace

std::int32_t GetScreenWidth() { return Screen().width; }
std::int32_t GetScreenHeight() { return Screen().height; }

std::int32_t ScaleX(std::int32_t x) {
  std::int32_t w = Screen().width;
  return AtLeastOne(w != 0 ? ScaleBy(x, w, 640) : x);
}

std::int32_t ScaleY(std::int32_t y) {
  std::int32_t h = Screen().height;
  return AtLeastOne(h != 0 ? ScaleBy(y, h, 480) : y);
}

tPoint ScalePoint(std::int32_t x, std::int32_t y) {
  std::int32_t w = Screen().width, h = Screen().height;
  if (w != 0 && h != 0) {
    x = ScaleBy(x, w, 640);
    y = ScaleBy(y, h, 480);
  }
  return tPoint(AtLeastOne(x), AtLeastOne(y));
}

tPoint ScalePoint(tPoint p) { return ScalePoint(p.x, p.y); }

tPoint ScaleRect(std::int32_t x, std::int32_t y, tRect limit) {
  std::int32_t w = Screen().width, h = Screen().height;
  std::int64_t sx = x, sy = y;
  if (w != 0 && h != 0) {
    sx = ScaleBy(x, w, 640);
    sy = ScaleBy(y, h, 480);
  }
  std::int64_t lw = RectWidth(limit), lh = RectHeight(limit);
  if (3 * sx > lw) sx = lw / 3;
  if (3 * sy > lh) sy = lh / 3;
  return tPoint(AtLeastOne(static_cast<std::int32_t>(sx)),
                AtLeastOne(static_cast<std::int32_t>(sy)));
}

tPoint ScaleRect(tPoint p, tRect limit) { return ScaleRect(p.x, p.y, limit); }

void UpdatePixelFormat() {
  tables.doubling.reset();
  tables.key = CurrentKey();
  tables.built = true;
  tables.halfMask = 0x7F7F7F;
  const auto& s = Screen();
  if (s.bytesPerPixel != 2) return;
  tables.halfMask =
      (ChannelHalf(s.redMask) | ChannelHalf(s.greenMask) | ChannelHalf(s.blueMask)) & 0xFFFF;
  tables.doubling.reset(new (std::nothrow) std::uint16_t[65536]());
  if (!tables.doubling) {
    tables.built = false;
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("pixel format table!");
  }
  const std::int32_t shifts[3] = {s.redShift, s.greenShift, s.blueShift};
  const std::int32_t bits[3] = {s.redBits, s.greenBits, s.blueBits};
  const std::int32_t masks[3] = {s.redMask, s.greenMask, s.blueMask};
  for (std::uint32_t v = 0; v < 65536; ++v) {
    std::uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
      if (bits[c] <= 0 || bits[c] > 16 || shifts[c] < 0 || shifts[c] > 15) continue;
      std::uint32_t value = (v & static_cast<std::uint32_t>(masks[c])) >> shifts[c];
      std::uint32_t top = (1u << bits[c]) - 1;
      std::uint32_t doubled = std::min(2 * value, top);
      out |= doubled << shifts[c];
    }
    tables.doubling[v] = static_cast<std::uint16_t>(out);
  }
}

void ReleasePixelFormat() {
  tables.doubling.reset();
  tables.built = false;
}

std::int32_t GetBytesPerPixel() { return Screen().bytesPerPixel; }

std::uint32_t GetHalfMask() {
  EnsureTables();
  return tables.halfMask;
}

const std::uint16_t* GetDoublingTable() {
  EnsureTables();
  return tables.doubling.get();
}

std::uint32_t PackColor(std::uint32_t rgb) { return VOXA2::PackScreenColor(rgb); }

std::uint32_t UnpackColor(std::uint32_t pixel) {
  const auto& s = Screen();
  auto channel = [pixel](std::int32_t shift, std::int32_t bits) -> std::uint32_t {
    if (bits <= 0 || bits > 8 || shift < 0 || shift > 31) return 0;
    return ((pixel >> shift) & ((1u << bits) - 1)) << (8 - bits);
  };
  return channel(s.redShift, s.redBits) << 16 | channel(s.greenShift, s.greenBits) << 8 |
         channel(s.blueShift, s.blueBits);
}

}  // namespace ZGUI
