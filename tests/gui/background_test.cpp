#include "gui/background.h"

#include <gtest/gtest.h>

#include <memory>

#include "gui/bitmap.h"
#include "gui/graphicsdevice.h"
#include "gui/metrics.h"
#include "tests/gui/pixel_fixtures.h"

namespace {

using guitest::tFormat;
using guitest::tSurface;
using ZGUI::cBackground;
using ZGUI::cBitmap;
using ZGUI::cGraphicsDevice;
using ZGUI::tRect;

struct tRecordingBackground : cBackground {
  void BackgroundChanged() override { ++changes; }
  int changes = 0;
};

// Colours that survive every format's packing unchanged.
constexpr std::uint32_t kPaper = 0x402080, kInk = 0xF8F8F8;

// A picture whose pixels tell their own position.
std::uint32_t PicturePixel(int x, int y) { return std::uint32_t(x * 8) << 16 | std::uint32_t(y * 8) << 8 | 0x18; }

cBitmap* Picture(int width, int height) {
  auto* bitmap = new cBitmap();
  bitmap->Create(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) bitmap->SetPixel(x, y, PicturePixel(x, y));
  return bitmap;
}

TEST(Background, PlacementsAreTheNinePositions) {
  struct tCase {
    std::int32_t mode, x, y;
  };
  // A 100 x 50 picture in a 301 x 201 area.
  const tCase cases[] = {{2, 0, 0},     {3, 100, 0},  {4, 201, 0},   {5, 0, 75},   {6, 100, 75},
                         {7, 201, 75},  {8, 0, 151},  {9, 100, 151}, {10, 201, 151},
                         {1, 0, 0},     {0, 0, 0},    {11, 0, 0},    {-3, 0, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(ZGUI::BackgroundPlacement(c.mode, 301, 201, 100, 50), ZGUI::tPoint(c.x, c.y))
        << c.mode;
  }
  // A picture larger than the area goes to a negative offset, halves truncating.
  EXPECT_EQ(ZGUI::BackgroundPlacement(6, 10, 10, 15, 20), ZGUI::tPoint(-2, -5));
  EXPECT_EQ(ZGUI::BackgroundPlacement(10, 10, 10, 15, 20), ZGUI::tPoint(-5, -10));
}

class BackgroundDraw : public testing::TestWithParam<tFormat> {
 protected:
  void SetUp() override { guitest::UseFormat(GetParam()); }
  std::uint32_t Packed(std::uint32_t rgb) { return ZGUI::PackColor(rgb); }
  // Half of each channel of the packed pixel plus half of the packed colour.
  std::uint32_t Blend(std::uint32_t under, std::uint32_t over) {
    const tFormat& f = GetParam();
    guitest::tChannels a = guitest::Split(f, under), b = guitest::Split(f, Packed(over));
    for (int i = 0; i < 3; ++i) a.c[i] = (a.c[i] >> 1) + (b.c[i] >> 1);
    return guitest::Join(f, a);
  }
};

// Every placing mode draws the picture once over the colour, opaque or mixed
// half and half with what was there, and leaves the rest of the device alone.
TEST_P(BackgroundDraw, PlacedPicturesLandWhereTheTableSays) {
  const tFormat& f = GetParam();
  constexpr int kW = 31, kH = 21, kPw = 10, kPh = 5;
  for (bool translucent : {false, true}) {
    for (std::int32_t mode = 2; mode <= 11; ++mode) {
      SCOPED_TRACE(testing::Message() << "mode " << mode << (translucent ? " translucent" : ""));
      tSurface surface(kW + 4, kH + 4, f.bytes, 7), before(kW + 4, kH + 4, f.bytes, 7);
      cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
      // The area sits at (2, 2) of the surface: the origin moves there.
      device.MoveOrigin(2, 2);
      tRecordingBackground background;
      background.translucent = translucent;
      background.SetColor(kPaper);
      background.SetPicture(Picture(kPw, kPh));
      background.SetMode(mode);
      background.Draw(&device, {0, 0, kW - 1, kH - 1});
      // (W - w) / 2 = 10, W - w = 21, (H - h) / 2 = 8, H - h = 16; mode 11 is top left.
      const ZGUI::tPoint places[] = {{0, 0},  {10, 0},  {21, 0},  {0, 8}, {10, 8},
                                     {21, 8}, {0, 16}, {10, 16}, {21, 16}, {0, 0}};
      const ZGUI::tPoint at = places[mode - 2];
      for (int y = 0; y < kH + 4; ++y)
        for (int x = 0; x < kW + 4; ++x) {
          const int ax = x - 2, ay = y - 2;
          std::uint32_t want = before.Get(x, y);
          if (ax >= 0 && ax < kW && ay >= 0 && ay < kH) {
            want = translucent ? Blend(want, kPaper) : Packed(kPaper);
            const int px = ax - at.x, py = ay - at.y;
            if (px >= 0 && px < kPw && py >= 0 && py < kPh)
              want = translucent ? Blend(want, PicturePixel(px, py)) : Packed(PicturePixel(px, py));
          }
          ASSERT_EQ(surface.Get(x, y), want) << x << "," << y;
        }
    }
  }
}

TEST_P(BackgroundDraw, TilesCoverTheAreaFromTheOrigin) {
  const tFormat& f = GetParam();
  constexpr int kW = 23, kH = 12, kPw = 7, kPh = 5;
  tSurface surface(kW, kH + 2, f.bytes, 9), before(kW, kH + 2, f.bytes, 9);
  cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
  // The clip cuts the last row of tiles; the colour is not painted.
  device.SetClipRect({0, 0, kW - 1, kH - 1});
  tRecordingBackground background;
  background.SetColor(kPaper);
  background.SetPicture(Picture(kPw, kPh));
  EXPECT_EQ(background.GetMode(), 1);
  background.Draw(&device, {0, 0, kW - 1, kH - 1});
  for (int y = 0; y < kH + 2; ++y)
    for (int x = 0; x < kW; ++x) {
      const std::uint32_t want =
          y < kH ? Packed(PicturePixel(x % kPw, y % kPh)) : before.Get(x, y);
      ASSERT_EQ(surface.Get(x, y), want) << x << "," << y;
    }
}

TEST_P(BackgroundDraw, WithoutPictureTheColourIsFilledOrBlended) {
  const tFormat& f = GetParam();
  for (bool translucent : {false, true}) {
    tSurface surface(6, 4, f.bytes, 5), before(6, 4, f.bytes, 5);
    cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
    tRecordingBackground background;
    background.translucent = translucent;
    background.SetColor(kInk);
    background.Draw(&device, {1, 1, 4, 2});
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x) {
        const bool inside = x >= 1 && x <= 4 && y >= 1 && y <= 2;
        const std::uint32_t old = before.Get(x, y);
        const std::uint32_t want = !inside ? old : translucent ? Blend(old, kInk) : Packed(kInk);
        ASSERT_EQ(surface.Get(x, y), want) << x << "," << y << " " << translucent;
      }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, BackgroundDraw, testing::ValuesIn(guitest::Formats()),
                         guitest::FormatName);

TEST(Background, ChangesAreAnnouncedOnlyWhenTheyShow) {
  guitest::UseFormat(guitest::Formats()[3]);
  tRecordingBackground background;
  EXPECT_EQ(background.GetMode(), 0);
  EXPECT_EQ(background.GetColor(), 0u);
  EXPECT_FALSE(background.translucent);
  background.SetMode(6);  // no picture: ignored
  EXPECT_EQ(background.GetMode(), 0);
  background.SetColor(0);
  EXPECT_EQ(background.changes, 0);
  background.SetColor(0x123456);
  EXPECT_EQ(background.changes, 1);
  cBitmap* picture = Picture(2, 2);
  background.SetPicture(picture);
  EXPECT_EQ(background.changes, 2);
  EXPECT_EQ(background.GetMode(), 1);
  background.SetPicture(picture);  // the same bitmap is neither deleted nor announced
  EXPECT_EQ(background.GetPicture(), picture);
  EXPECT_EQ(background.changes, 2);
  background.SetColor(0x654321);  // hidden behind the tiles
  EXPECT_EQ(background.changes, 2);
  EXPECT_EQ(background.GetColor(), 0x654321u);
  background.SetMode(6);
  background.SetMode(6);
  EXPECT_EQ(background.changes, 3);
  background.SetPicture(Picture(3, 3));  // deletes the first (the sanitizer checks)
  EXPECT_EQ(background.GetMode(), 6);
  EXPECT_EQ(background.changes, 4);
  background.ClearPicture();
  EXPECT_EQ(background.GetPicture(), nullptr);
  EXPECT_EQ(background.GetMode(), 0);
  EXPECT_EQ(background.changes, 5);
  background.ClearPicture();
  EXPECT_EQ(background.changes, 5);
}

}  // namespace
