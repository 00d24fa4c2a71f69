#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "gui/graphicsdevice.h"
#include "tests/gui/pixel_fixtures.h"

using namespace guitest;
using ZGUI::cGraphicsDevice;
using ZGUI::tRect;

namespace {

enum class eOp { Fill, Darken, Lighten, Blend };

std::uint32_t Reference(const tFormat& f, eOp op, std::uint32_t pixel, std::uint32_t rgb) {
  tChannels ch = Split(f, pixel);
  const std::uint32_t rgb8[3] = {(rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF};
  for (int i = 0; i < 3; ++i) {
    std::uint32_t k = rgb8[i] >> (8 - f.bits[i]);
    std::uint32_t& c = ch.c[i];
    switch (op) {
      case eOp::Fill:
        c = k;
        break;
      case eOp::Darken:
        c >>= 1;
        break;
      case eOp::Lighten:
        c = (c >> 1) + (Max(f, i) >> 1);
        break;
      case eOp::Blend:
        c = (c >> 1) + (k >> 1);
        break;
    }
  }
  return Join(f, ch);
}

void Apply(cGraphicsDevice& device, eOp op, tRect r, std::uint32_t rgb) {
  switch (op) {
    case eOp::Fill:
      device.FillRect(r, rgb);
      break;
    case eOp::Darken:
      device.DarkenRect(r);
      break;
    case eOp::Lighten:
      device.LightenRect(r);
      break;
    case eOp::Blend:
      device.BlendRect(r, rgb);
      break;
  }
}

tRect RandomRect(tNoise& noise, int w, int h) {
  int l = noise.Range(-8, w + 4), t = noise.Range(-8, h + 4);
  return {l, t, l + noise.Range(-2, w), t + noise.Range(-2, h)};
}

class DeviceFormats : public testing::TestWithParam<tFormat> {
 protected:
  void SetUp() override { UseFormat(GetParam()); }
};

// Every pixel inside rectangle and clip follows the per-channel formula; every
// other byte of the memory (row ends, guard bands, the byte after a 24-bit
// pixel) stays as it was.
TEST_P(DeviceFormats, ShadingMatchesThePerChannelReferenceInsideTheClipOnly) {
  const tFormat& f = GetParam();
  tNoise noise{7};
  for (eOp op : {eOp::Fill, eOp::Darken, eOp::Lighten, eOp::Blend}) {
    for (int round = 0; round < 150; ++round) {
      tSurface surface(37, 23, f.bytes, noise.Next());
      cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
      tRect clip = RandomRect(noise, 37, 23);
      device.SetClipRect(clip);
      tRect rect = RandomRect(noise, 37, 23);
      std::uint32_t rgb = noise.Next() & 0xFFFFFF;

      tSurface expected = surface;
      tRect area = ZGUI::Intersect(ZGUI::Intersect(clip, surface.Bounds()), rect);
      if (!ZGUI::IsEmpty(area))
        for (int y = area.top; y <= area.bottom; ++y)
          for (int x = area.left; x <= area.right; ++x)
            expected.Set(x, y, Reference(f, op, expected.Get(x, y), rgb));
      Apply(device, op, rect, rgb);
      ASSERT_EQ(FirstDifference(surface.Memory(), expected.Memory()), -1)
          << "op " << int(op) << " round " << round;
    }
  }
}

TEST_P(DeviceFormats, AFreshDeviceIsEmptyAndDrawsNothing) {
  cGraphicsDevice device;
  EXPECT_EQ(device.GetBounds(), ZGUI::kEmptyRect);
  EXPECT_EQ(device.GetClipRect(), ZGUI::kEmptyRect);
  // No memory is attached: any write would fault.
  device.FillRect({0, 0, 0, 0}, 0xFFFFFF);
  device.DrawLine(0, 0, 0, 0, 0xFFFFFF);
}

TEST_P(DeviceFormats, AClipOutsideTheBoundsDrawsNothing) {
  tSurface surface(16, 16, GetParam().bytes);
  const auto before = surface.Memory();
  cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
  device.SetClipRect({20, 20, 30, 30});
  EXPECT_EQ(device.GetClipRect(), ZGUI::kEmptyRect);
  device.FillRect({0, 0, 15, 15}, 0x123456);
  device.DrawLine(0, 0, 15, 15, 0x123456);
  device.DrawBevel({0, 0, 15, 15}, 2, 2, true);
  EXPECT_EQ(surface.Memory(), before);
  device.SetClipRect({5, 5, 4, 9});
  EXPECT_EQ(device.GetClipRect(), ZGUI::kEmptyRect);
}

// Lines stay inside the clip, and an end point inside the clip is always drawn.
TEST_P(DeviceFormats, ClippedLinesNeverLeaveTheClip) {
  const tFormat& f = GetParam();
  tNoise noise{11};
  const std::uint32_t marker = Reference(f, eOp::Fill, 0, 0xFFFFFF);
  for (int round = 0; round < 300; ++round) {
    tSurface surface(40, 30, f.bytes, 3);
    surface.Fill(0);
    const auto blank = surface.Memory();
    cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
    tRect clip{noise.Range(0, 15), noise.Range(0, 10), noise.Range(20, 39), noise.Range(15, 29)};
    device.SetClipRect(clip);
    int x1 = noise.Range(-30, 70), y1 = noise.Range(-30, 60);
    int x2 = noise.Range(-30, 70), y2 = noise.Range(-30, 60);
    device.DrawLine(x1, y1, x2, y2, 0xFFFFFF);
    auto inClip = [&](int x, int y) {
      return x >= clip.left && x <= clip.right && y >= clip.top && y <= clip.bottom;
    };
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x)
        if (surface.Get(x, y) != 0) {
          ASSERT_TRUE(inClip(x, y)) << x << "," << y;
        }
    if (inClip(x1, y1)) {
      EXPECT_EQ(surface.Get(x1, y1), marker);
    }
    if (inClip(x2, y2)) {
      EXPECT_EQ(surface.Get(x2, y2), marker);
    }
    // Nothing outside the pixels, the row ends included.
    tSurface check = surface;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) check.Set(x, y, 0);
    ASSERT_EQ(FirstDifference(check.Memory(), blank), -1);
  }
}

TEST_P(DeviceFormats, SubDevicesAndOriginsAddressTheSamePixels) {
  const tFormat& f = GetParam();
  tSurface surface(100, 100, f.bytes);
  cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
  device.SetTextColor(0x00FF00);
  std::unique_ptr<cGraphicsDevice> sub(device.CreateSubDevice({-10, -10, 19, 19}));
  ASSERT_TRUE(sub);
  EXPECT_EQ(sub->GetBounds(), (tRect{10, 10, 29, 29}));
  EXPECT_EQ(sub->GetClipRect(), (tRect{10, 10, 29, 29}));
  EXPECT_EQ(sub->GetTextColor(), 0x00FF00u);
  sub->FillRect({10, 10, 10, 10}, 0xFFFFFF);
  EXPECT_EQ(surface.Get(0, 0), Reference(f, eOp::Fill, 0, 0xFFFFFF));
  EXPECT_EQ(device.CreateSubDevice({100, 0, 120, 10}), nullptr);
  EXPECT_EQ(device.CreateSubDevice({5, 5, 4, 9}), nullptr);

  device.MoveOrigin(5, 7);
  EXPECT_EQ(device.GetBounds(), (tRect{-5, -7, 94, 92}));
  device.FillRect({0, 0, 0, 0}, 0x0000FF);
  EXPECT_EQ(surface.Get(5, 7), Reference(f, eOp::Fill, 0, 0x0000FF));
  device.MoveOrigin(-5, -7);
  EXPECT_EQ(device.GetBounds(), surface.Bounds());
  EXPECT_EQ(device.GetClipRect(), surface.Bounds());
  EXPECT_EQ(device.GetPixels(), surface.Pixels());
}

TEST_P(DeviceFormats, BevelsShadeEdgesAndLeaveTheCornerDiagonals) {
  const tFormat& f = GetParam();
  tSurface surface(10, 10, f.bytes);
  const std::uint32_t mid = Reference(f, eOp::Fill, 0, 0x808080);
  surface.Fill(mid);
  cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
  device.DrawBevel({0, 0, 9, 9}, 1, 1, true);
  const std::uint32_t light = Reference(f, eOp::Lighten, mid, 0);
  const std::uint32_t dark = Reference(f, eOp::Darken, mid, 0);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      std::uint32_t want = mid;
      bool corner = (x == 0 || x == 9) && (y == 0 || y == 9);
      if (!corner && (x == 0 || y == 0)) want = light;
      if (!corner && (x == 9 || y == 9)) want = dark;
      EXPECT_EQ(surface.Get(x, y), want) << x << "," << y;
    }
  // Widths beyond half the rectangle are cut to half of right - left.
  tSurface wide(10, 10, f.bytes, 5), cut(10, 10, f.bytes, 5);
  cGraphicsDevice a(wide.Pixels(), wide.Pitch(), wide.Bounds());
  cGraphicsDevice b(cut.Pixels(), cut.Pitch(), cut.Bounds());
  a.DrawBevel({0, 0, 9, 9}, 100, 100, false);
  b.DrawBevel({0, 0, 9, 9}, 4, 4, false);
  EXPECT_EQ(wide.Memory(), cut.Memory());
  // The single edges together make the whole bevel.
  tSurface whole(10, 10, f.bytes, 9), parts(10, 10, f.bytes, 9);
  cGraphicsDevice w(whole.Pixels(), whole.Pitch(), whole.Bounds());
  cGraphicsDevice p(parts.Pixels(), parts.Pitch(), parts.Bounds());
  w.DrawBevel({1, 2, 8, 9}, 2, 3, true);
  p.DrawBevelTop({1, 2, 8, 9}, 2, 3, true);
  p.DrawBevelBottom({1, 2, 8, 9}, 2, 3, true);
  p.DrawBevelLeft({1, 2, 8, 9}, 2, 3, true);
  p.DrawBevelRight({1, 2, 8, 9}, 2, 3, true);
  EXPECT_EQ(whole.Memory(), parts.Memory());
}

INSTANTIATE_TEST_SUITE_P(Gui, DeviceFormats, testing::ValuesIn(Formats()), FormatName);

// The worked values of the packed shading, per format.
struct tShadeCase {
  const char* format;
  eOp op;
  std::uint32_t before, rgb, after;
};

TEST(DeviceValues, PackedShadingGivesTheWorkedValues) {
  const tShadeCase cases[] = {
      {"R5G6B5", eOp::Darken, 0xFFFF, 0, 0x7BEF},
      {"R5G6B5", eOp::Lighten, 0x0000, 0, 0x7BEF},
      {"X1R5G5B5", eOp::Darken, 0x7FFF, 0, 0x3DEF},
      {"X1R5G5B5", eOp::Lighten, 0x0000, 0, 0x3DEF},
      {"X8R8G8B8", eOp::Darken, 0xFF808080, 0, 0x00404040},
      {"X8R8G8B8", eOp::Lighten, 0xFFFFFFFF, 0, 0x00FEFEFE},
      {"X8R8G8B8", eOp::Blend, 0x00000000, 0xFFFFFF, 0x007F7F7F},
      {"X8R8G8B8", eOp::Fill, 0xAABBCCDD, 0x123456, 0x00123456},
      {"R8G8B8", eOp::Darken, 0xFFFFFF, 0, 0x7F7F7F},
      {"R5G6B5", eOp::Fill, 0x0000, 0xFF0000, 0xF800},
      {"R5G6B5", eOp::Blend, 0xFFFF, 0x000000, 0x7BEF},
  };
  for (const auto& c : cases) {
    const tFormat& f = *std::find_if(Formats().begin(), Formats().end(), [&](const tFormat& x) {
      return std::string(x.name) == c.format;
    });
    UseFormat(f);
    tSurface surface(3, 1, f.bytes);
    surface.Set(1, 0, c.before);
    cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
    Apply(device, c.op, {1, 0, 1, 0}, c.rgb);
    EXPECT_EQ(surface.Get(1, 0), c.after) << c.format << " op " << int(c.op);
  }
}

TEST(DeviceValues, FillingOne24BitPixelChangesExactlyThreeBytes) {
  UseFormat(Formats()[2]);
  tSurface surface(4, 1, 3);
  const auto before = surface.Memory();
  cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
  device.FillRect({1, 0, 1, 0}, 0x102030);
  std::size_t first = tSurface::kGuard + 3;
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (i >= first && i < first + 3) continue;
    EXPECT_EQ(surface.Memory()[i], before[i]) << i;
  }
  EXPECT_EQ(surface.Get(1, 0), 0x102030u);
}

// The pixels a line covers, listed as (x, y) pairs.
std::vector<std::pair<int, int>> LinePixels(int x1, int y1, int x2, int y2) {
  UseFormat(Formats()[3]);
  tSurface surface(20, 20, 4);
  surface.Fill(0);
  cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
  device.DrawLine(x1, y1, x2, y2, 0xFFFFFF);
  std::vector<std::pair<int, int>> covered;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      if (surface.Get(x, y)) covered.emplace_back(x, y);
  return covered;
}

TEST(DeviceValues, LinesCoverTheirWorkedPixels) {
  std::vector<std::pair<int, int>> horizontal;
  for (int x = 2; x <= 10; ++x) horizontal.emplace_back(x, 5);
  EXPECT_EQ(LinePixels(10, 5, 2, 5), horizontal);

  const int ys[] = {10, 10, 10, 9, 9, 9, 8, 8, 8, 7, 7};
  std::vector<std::pair<int, int>> slope;
  for (int x = 0; x <= 10; ++x) slope.emplace_back(x, ys[x]);
  std::sort(slope.begin(), slope.end(), [](auto a, auto b) {
    return a.second != b.second ? a.second < b.second : a.first < b.first;
  });
  EXPECT_EQ(LinePixels(0, 10, 10, 7), slope);
  // Drawn backwards the line still ends on its end point.
  auto back = LinePixels(10, 7, 0, 10);
  EXPECT_NE(std::find(back.begin(), back.end(), std::make_pair(0, 10)), back.end());
  EXPECT_NE(std::find(back.begin(), back.end(), std::make_pair(10, 7)), back.end());
  EXPECT_EQ(back.size(), 11u);

  EXPECT_TRUE(LinePixels(-9, 3, -2, 15).empty());
  EXPECT_EQ(LinePixels(7, 7, 7, 7), (std::vector<std::pair<int, int>>{{7, 7}}));
  // Far-away end points are cut without overflow.
  auto far = LinePixels(-2000000000, 4, 2000000000, 4);
  EXPECT_EQ(far.size(), 20u);
}

TEST(DeviceValues, AverageColourHalvesEachChannel) {
  EXPECT_EQ(ZGUI::AverageColour(0xFFFFFF, 0), 0x7F7F7Fu);
  EXPECT_EQ(ZGUI::AverageColour(0x804020, 0x204080), 0x504050u);
}

}  // namespace
