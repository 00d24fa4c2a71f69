#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "gui/bitmap.h"
#include "gui/graphicsdevice.h"
#include "tests/gui/pixel_fixtures.h"

using namespace guitest;
using ZGUI::cBitmap;
using ZGUI::cGraphicsDevice;
using ZGUI::tRect;

namespace {

enum class eBlit { Whole, Blended, Part, OddRows, EvenRows, Transparent, DarkenMasked };

std::uint32_t BitmapPixel(const cBitmap& b, int x, int y) {
  return LoadPixel(b.GetData() + (std::size_t(y) * b.GetWidth() + x) * b.GetDepth(), b.GetDepth());
}

void SetBitmapPixel(cBitmap& b, int x, int y, std::uint32_t v) {
  StorePixel(b.GetData() + (std::size_t(y) * b.GetWidth() + x) * b.GetDepth(), b.GetDepth(), v);
}

// Noise with about a third of the pixels zero, for the transparent blits.
void Scribble(cBitmap& b, tNoise& noise) {
  for (int y = 0; y < b.GetHeight(); ++y)
    for (int x = 0; x < b.GetWidth(); ++x)
      SetBitmapPixel(b, x, y, noise.Next() % 3 == 0 ? 0 : noise.Next() | (noise.Next() << 24));
}

std::uint32_t BlendReference(const tFormat& f, std::uint32_t s, std::uint32_t d) {
  tChannels a = Split(f, s), b = Split(f, d);
  for (int i = 0; i < 3; ++i) a.c[i] = (a.c[i] >> 1) + (b.c[i] >> 1);
  return Join(f, a);
}

std::uint32_t DarkenReference(const tFormat& f, std::uint32_t d) {
  tChannels a = Split(f, d);
  for (int i = 0; i < 3; ++i) a.c[i] >>= 1;
  return Join(f, a);
}

// Which bitmap pixel, if any, lies under device pixel (x, y) for each kind of
// placement, written as plainly as possible.
struct tPlacement {
  std::function<bool(int x, int y, int& bx, int& by)> under;
};

tPlacement Whole(const cBitmap& b, tRect d) {
  std::int64_t r = d.right, bottom = d.bottom;
  if (std::uint32_t(std::int64_t{d.right} - d.left + 1) > std::uint32_t(b.GetWidth()))
    r = std::int64_t{d.left} + b.GetWidth() - 1;
  if (std::uint32_t(std::int64_t{d.bottom} - d.top + 1) > std::uint32_t(b.GetHeight()))
    bottom = std::int64_t{d.top} + b.GetHeight() - 1;
  return {[=](int x, int y, int& bx, int& by) {
    if (x < d.left || x > r || y < d.top || y > bottom) return false;
    bx = x - d.left;
    by = y - d.top;
    return true;
  }};
}

tPlacement Part(const cBitmap& b, tRect s, tRect d) {
  std::int64_t dl = d.left, dt = d.top;
  if (s.left < 0) dl -= s.left, s.left = 0;
  if (s.top < 0) dt -= s.top, s.top = 0;
  if (std::uint32_t(s.right) >= std::uint32_t(b.GetWidth())) s.right = b.GetWidth() - 1;
  if (std::uint32_t(s.bottom) >= std::uint32_t(b.GetHeight())) s.bottom = b.GetHeight() - 1;
  return {[=](int x, int y, int& bx, int& by) {
    if (s.right < s.left || s.bottom < s.top) return false;
    if (x < dl || x > dl + s.right - s.left || y < dt || y > dt + s.bottom - s.top) return false;
    bx = int(s.left + x - dl);
    by = int(s.top + y - dt);
    return true;
  }};
}

class BlitFormats : public testing::TestWithParam<tFormat> {
 protected:
  void SetUp() override { UseFormat(GetParam()); }
};

TEST_P(BlitFormats, EveryBlitMatchesThePerPixelReferenceClippedAtEveryEdge) {
  const tFormat& f = GetParam();
  tNoise noise{23};
  for (eBlit kind : {eBlit::Whole, eBlit::Blended, eBlit::Part, eBlit::OddRows, eBlit::EvenRows,
                     eBlit::Transparent, eBlit::DarkenMasked}) {
    for (int round = 0; round < 200; ++round) {
      cBitmap bitmap;
      bitmap.Create(noise.Range(0, 12), noise.Range(0, 12));
      Scribble(bitmap, noise);
      tSurface surface(30, 20, f.bytes, noise.Next());
      cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
      tRect clip{noise.Range(-3, 12), noise.Range(-3, 8), noise.Range(10, 33), noise.Range(8, 23)};
      device.SetClipRect(clip);
      const int x = noise.Range(-14, 32), y = noise.Range(-14, 22);
      tRect dest{x, y, x + noise.Range(-3, 16), y + noise.Range(-3, 16)};
      tRect source{noise.Range(-6, 14), noise.Range(-6, 14), noise.Range(-3, 16),
                   noise.Range(-3, 16)};

      tPlacement placement =
          kind == eBlit::Whole || kind == eBlit::Blended ? Whole(bitmap, dest)
          : kind == eBlit::Part || kind == eBlit::OddRows || kind == eBlit::EvenRows
              ? Part(bitmap, source, dest)
              : Whole(bitmap, {x, y, x - 2, y - 2});
      tSurface expected = surface;
      tRect area = ZGUI::Intersect(clip, surface.Bounds());
      for (int py = area.top; py <= area.bottom; ++py)
        for (int px = area.left; px <= area.right; ++px) {
          int bx, by;
          if (!placement.under(px, py, bx, by)) continue;
          if (kind == eBlit::OddRows && py % 2 != 1) continue;
          if (kind == eBlit::EvenRows && py % 2 != 0) continue;
          std::uint32_t s = BitmapPixel(bitmap, bx, by), d = expected.Get(px, py);
          switch (kind) {
            case eBlit::Blended:
              expected.Set(px, py, BlendReference(f, s, d));
              break;
            case eBlit::Transparent:
              if (s) expected.Set(px, py, s);
              break;
            case eBlit::DarkenMasked:
              if (s) expected.Set(px, py, DarkenReference(f, d));
              break;
            default:
              expected.Set(px, py, s);
              break;
          }
        }

      switch (kind) {
        case eBlit::Whole:
          device.DrawBitmap(&bitmap, dest);
          break;
        case eBlit::Blended:
          device.DrawBitmapBlended(&bitmap, dest);
          break;
        case eBlit::Part:
          device.DrawBitmapPart(&bitmap, source, dest);
          break;
        case eBlit::OddRows:
          device.CopyBitmapRect(&bitmap, source, dest, true);
          break;
        case eBlit::EvenRows:
          device.CopyBitmapRect(&bitmap, source, dest, false);
          break;
        case eBlit::Transparent:
          device.DrawBitmapTransparent(x, y, &bitmap);
          break;
        case eBlit::DarkenMasked:
          device.DarkenMasked(x, y, &bitmap);
          break;
      }
      ASSERT_EQ(FirstDifference(surface.Memory(), expected.Memory()), -1)
          << "kind " << int(kind) << " round " << round;
    }
  }
}

TEST_P(BlitFormats, ANullOrStaleBitmapDrawsNothing) {
  const tFormat& f = GetParam();
  tSurface surface(16, 16, f.bytes);
  const auto before = surface.Memory();
  cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
  device.DrawBitmap(nullptr, {0, 0, 15, 15});
  device.DrawBitmapPart(nullptr, {0, 0, 15, 15}, {0, 0, 15, 15});
  device.DrawBitmapTransparent(0, 0, nullptr);
  // A bitmap made in another depth is not read with this one's row length.
  UseFormat(Formats()[f.bytes == 4 ? 0 : 3]);
  cBitmap other;
  other.Create(16, 16);
  std::memset(other.GetData(), 0xAB, other.GetBufferSize());
  UseFormat(f);
  device.DrawBitmap(&other, {0, 0, 15, 15});
  device.DrawBitmapBlended(&other, {0, 0, 15, 15});
  device.DarkenMasked(0, 0, &other);
  EXPECT_EQ(surface.Memory(), before);
}

INSTANTIATE_TEST_SUITE_P(Gui, BlitFormats, testing::ValuesIn(Formats()), FormatName);

// The worked placements, on a 32-bit screen, with a bitmap whose pixel (x, y)
// holds 0x00010000 + y * 256 + x + 1.
class BlitExamples : public testing::Test {
 protected:
  void SetUp() override {
    UseFormat(Formats()[3]);
    bitmap.Create(10, 10);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) SetBitmapPixel(bitmap, x, y, 0x10000 + y * 256 + x + 1);
    surface.Fill(0);
  }
  // The covered device pixels as a box, or empty.
  tRect Covered() {
    tRect box = ZGUI::kEmptyRect;
    bool any = false;
    for (int y = 0; y < surface.Height(); ++y)
      for (int x = 0; x < surface.Width(); ++x)
        if (surface.Get(x, y)) {
          if (!any) box = {x, y, x, y};
          any = true;
          box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                 std::max(box.bottom, y)};
        }
    return box;
  }
  cBitmap bitmap;
  tSurface surface{120, 120, 4};
  cGraphicsDevice device{surface.Pixels(), surface.Pitch(), surface.Bounds()};
};

TEST_F(BlitExamples, WholeCopiesStopAtTheBitmapOrTheDestination) {
  device.DrawBitmap(&bitmap, {5, 5, 100, 100});
  EXPECT_EQ(Covered(), (tRect{5, 5, 14, 14}));
  surface.Fill(0);
  device.DrawBitmap(&bitmap, {5, 5, 9, 9});
  EXPECT_EQ(Covered(), (tRect{5, 5, 9, 9}));
  EXPECT_EQ(surface.Get(9, 9), 0x10000u + 4 * 256 + 5);
  // A right edge more than one column left of the left edge counts as unbounded.
  surface.Fill(0);
  device.DrawBitmap(&bitmap, {50, 50, 40, 40});
  EXPECT_EQ(Covered(), (tRect{50, 50, 59, 59}));
}

TEST_F(BlitExamples, APartWithANegativeSourceLeftMovesTheDestination) {
  device.DrawBitmapPart(&bitmap, {-3, 0, 4, 4}, {10, 10, 0, 0});
  EXPECT_EQ(Covered(), (tRect{13, 10, 17, 14}));
  EXPECT_EQ(surface.Get(13, 10), 0x10001u);
  EXPECT_EQ(surface.Get(17, 14), 0x10000u + 4 * 256 + 5);
}

TEST_F(BlitExamples, OddAndEvenRowsCoverTheAreaOnceTogether) {
  UseFormat(Formats()[3], 640, 480);
  cBitmap tall;
  tall.Create(2, 480);
  std::memset(tall.GetData(), 0x11, tall.GetBufferSize());
  tSurface screen(2, 480, 4);
  screen.Fill(0);
  cGraphicsDevice target(screen.Pixels(), screen.Pitch(), screen.Bounds());
  target.CopyBitmapRect(&tall, {0, 0, 1, 479}, {0, 0, 0, 0}, false);
  int even = 0;
  for (int y = 0; y < 480; ++y) even += screen.Get(0, y) != 0 ? 1 : 0;
  EXPECT_EQ(even, 240);
  EXPECT_NE(screen.Get(0, 478), 0u);
  EXPECT_EQ(screen.Get(0, 479), 0u);
  target.CopyBitmapRect(&tall, {0, 0, 1, 479}, {0, 0, 0, 0}, true);
  for (int y = 0; y < 480; ++y) EXPECT_EQ(screen.Get(1, y), 0x11111111u) << y;
  // One even row asked for its odd rows gives nothing.
  screen.Fill(0);
  target.CopyBitmapRect(&tall, {0, 4, 1, 4}, {0, 4, 0, 0}, true);
  for (int y = 0; y < 480; ++y) EXPECT_EQ(screen.Get(0, y), 0u);
}

TEST(BlitValues, ZeroTestsAndBlendsPerDepth) {
  // 24-bit: three zero bytes are transparent, a lone blue 1 is not.
  UseFormat(Formats()[2]);
  cBitmap b24;
  b24.Create(2, 1);
  StorePixel(b24.GetData(), 3, 0x000000);
  StorePixel(b24.GetData() + 3, 3, 0x000001);
  tSurface s24(2, 1, 3);
  s24.Fill(0x556677);
  cGraphicsDevice d24(s24.Pixels(), s24.Pitch(), s24.Bounds());
  d24.DrawBitmapTransparent(0, 0, &b24);
  EXPECT_EQ(s24.Get(0, 0), 0x556677u);
  EXPECT_EQ(s24.Get(1, 0), 0x000001u);

  // 32-bit: a pixel with only its fourth byte set is not zero.
  UseFormat(Formats()[3]);
  cBitmap b32;
  b32.Create(1, 1);
  StorePixel(b32.GetData(), 4, 0xFF000000);
  tSurface s32(1, 1, 4);
  s32.Fill(0x00808080);
  cGraphicsDevice d32(s32.Pixels(), s32.Pitch(), s32.Bounds());
  d32.DarkenMasked(0, 0, &b32);
  EXPECT_EQ(s32.Get(0, 0), 0x00404040u);
  d32.DrawBitmapTransparent(0, 0, &b32);
  EXPECT_EQ(s32.Get(0, 0), 0xFF000000u);

  // White blended over black, and an image blended over itself.
  StorePixel(b32.GetData(), 4, 0x00FFFFFF);
  s32.Fill(0);
  d32.DrawBitmapBlended(&b32, {0, 0, 0, 0});
  EXPECT_EQ(s32.Get(0, 0), 0x007F7F7Fu);
  StorePixel(b32.GetData(), 4, 0x00A5B3C7);
  s32.Fill(0x00A5B3C7);
  d32.DrawBitmapBlended(&b32, {0, 0, 0, 0});
  EXPECT_EQ(s32.Get(0, 0), 0x00A4B2C6u);
}

}  // namespace
