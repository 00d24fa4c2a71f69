#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "gui/fonts.h"
#include "gui/graphicsdevice.h"
#include "gui/metrics.h"
#include "tests/gui/font_fixtures.h"
#include "tests/gui/pixel_fixtures.h"

namespace {

using guitest::FontPicture;
using guitest::tFormat;
using guitest::tGlyphArt;
using guitest::tSurface;
using ZGUI::cFont;
using ZGUI::cFontManager;
using ZGUI::cGraphicsDevice;
using ZGUI::tRect;

constexpr int kHeight = 12;

// Glyphs whose pixels run through every intensity, zero included.
std::vector<tGlyphArt> Art() {
  auto ramp = [](int width, int seed) {
    return tGlyphArt{width, [seed, width](int x, int y) {
                       return std::uint8_t((seed + 37 * (y * width + x)) % 256);
                     }};
  };
  return {ramp(5, 0), ramp(3, 11), ramp(7, 200), {2, [](int, int) { return 255; }}};
}

class Text : public testing::TestWithParam<tFormat> {
 protected:
  void SetUp() override {
    guitest::UseFormat(GetParam(), 640, 480);
    auto* face = new ZGUI::cBitmapFont();
    ASSERT_TRUE(guitest::LoadFont(*face, FontPicture(Art(), kHeight), "ABCW"));
    manager_.AddFont("Face", face);
    // At its own height on a 640 x 480 screen the face keeps its pixels.
    font_ = std::make_unique<cFont>("Face", kHeight);
    ASSERT_EQ(font_->GetHeight(), kHeight);
  }

  // The blend of one channel of b bits under colour channel k at intensity v.
  std::uint32_t Channel(std::uint32_t c, std::uint32_t k, std::uint32_t v, int bits) {
    const std::uint32_t sum = (c >> 1) + (((k * v) >> 9) >> (8 - bits));
    return std::min<std::uint32_t>(2 * sum, (1u << bits) - 1);
  }

  // Draws text into a copy of the surface the plain way: every glyph pixel
  // inside the visible area, glyph by glyph from the rectangle's left edge.
  void Reference(tSurface& s, tRect rect, tRect clip, const char* text, std::uint32_t colour) {
    const tFormat& f = GetParam();
    const ZGUI::cBitmapFont* sized = font_->GetSizedFont();
    const tRect visible = ZGUI::Intersect(rect, clip);
    const std::uint32_t k[3] = {colour >> 16 & 0xFF, colour >> 8 & 0xFF, colour & 0xFF};
    int pen = rect.left;
    for (const char* c = text; *c; ++c) {
      const auto* glyph = sized->GetGlyph(static_cast<std::uint8_t>(*c));
      if (!glyph) continue;
      for (int gy = 0; gy < sized->GetHeight(); ++gy)
        for (int gx = 0; gx < glyph->width; ++gx) {
          const int x = pen + gx, y = rect.top + gy;
          const std::uint8_t v = glyph->pixels[gy * glyph->width + gx];
          if (!v || x < visible.left || x > visible.right || y < visible.top || y > visible.bottom)
            continue;
          guitest::tChannels ch = guitest::Split(f, s.Get(x, y));
          for (int i = 0; i < 3; ++i) ch.c[i] = Channel(ch.c[i], k[i], v, f.bits[i]);
          s.Set(x, y, guitest::Join(f, ch));
        }
      pen += glyph->width;
    }
  }

  cFontManager manager_;
  std::unique_ptr<cFont> font_;
};

TEST_P(Text, GlyphsAddTheirColourLikeTheReferenceBlender) {
  const tFormat& f = GetParam();
  struct tCase {
    const char* what;
    bool inRect;
    tRect rect;  // for DrawTextEx only its top-left counts
    tRect clip;
    const char* text;
    std::uint32_t colour;
  };
  const tCase cases[] = {
      {"whole", false, {4, 3, 0, 0}, {0, 0, 59, 39}, "ABCW", 0xFFFFFF},
      {"skips characters without glyph", false, {2, 2, 0, 0}, {0, 0, 59, 39}, "AxB?CyW", 0x80C040},
      {"left cut inside a glyph", false, {10, 5, 0, 0}, {17, 0, 59, 39}, "ABCWA", 0x3377FF},
      {"left cut across glyphs", false, {-9, 5, 0, 0}, {0, 0, 59, 39}, "ABCWA", 0xFF0000},
      {"top cut", false, {3, -4, 0, 0}, {0, 0, 59, 39}, "WCBA", 0x00FF00},
      {"top and left cut", false, {3, 4, 0, 0}, {9, 8, 59, 39}, "WCBA", 0x0000FF},
      {"right and bottom cut", false, {40, 30, 0, 0}, {0, 0, 49, 35}, "ABCW", 0xFFFFFF},
      {"narrow rectangle", true, {5, 5, 15, 30}, {0, 0, 59, 39}, "ABCW", 0xFFFFFF},
      {"short rectangle", true, {5, 5, 50, 9}, {0, 0, 59, 39}, "CAB", 0xA0A0A0},
      {"rectangle and clip", true, {5, 5, 30, 12}, {8, 7, 59, 39}, "CABW", 0x102030},
      {"outside the clip", false, {45, 30, 0, 0}, {0, 0, 20, 20}, "ABC", 0xFFFFFF},
  };
  std::uint32_t seed = 3;
  for (const tCase& c : cases) {
    SCOPED_TRACE(c.what);
    tSurface surface(60, 40, f.bytes, seed++), expected(60, 40, f.bytes, seed - 1);
    cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
    device.SetClipRect(c.clip);
    device.SetTextColor(c.colour);
    tRect rect = c.rect;
    if (c.inRect) {
      device.DrawTextInRect(font_.get(), c.rect, c.text);
    } else {
      device.DrawTextEx(font_.get(), c.rect.left, c.rect.top, c.text);
      rect.right = rect.left + font_->GetTextWidth(c.text);
      rect.bottom = rect.top + font_->GetHeight();
    }
    Reference(expected, rect, ZGUI::Intersect(c.clip, expected.Bounds()), c.text, c.colour);
    EXPECT_EQ(guitest::FirstDifference(surface.Memory(), expected.Memory()), -1);
  }
}

TEST_P(Text, NothingIsDrawnWithoutFontTextOrFace) {
  const tFormat& f = GetParam();
  tSurface surface(30, 20, f.bytes), untouched(30, 20, f.bytes);
  cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
  cFont unknown("Nobody", kHeight);
  device.DrawTextEx(nullptr, 0, 0, "A");
  device.DrawTextEx(font_.get(), 0, 0, nullptr);
  device.DrawTextEx(font_.get(), 0, 0, "");
  device.DrawTextEx(&unknown, 0, 0, "A");
  device.DrawTextInRect(&unknown, {0, 0, 29, 19}, "A");
  device.DrawTextInRect(nullptr, {0, 0, 29, 19}, "A");
  device.DrawTextEx(font_.get(), 0, 0, "xyz");
  EXPECT_EQ(guitest::FirstDifference(surface.Memory(), untouched.Memory()), -1);
}

INSTANTIATE_TEST_SUITE_P(Formats, Text, testing::ValuesIn(guitest::Formats()),
                         guitest::FormatName);

class TextNumbers : public testing::Test {
 protected:
  void Use(int format) {
    guitest::UseFormat(guitest::Formats()[format], 640, 480);
    auto* face = new ZGUI::cBitmapFont();
    ASSERT_TRUE(guitest::LoadFont(*face, FontPicture({guitest::Block(2, 255)}, 4), "W"));
    manager_.AddFont("Face", face);
    font_ = std::make_unique<cFont>("Face", 4);
  }
  // Red text at full intensity over a black 2-byte pixel.
  std::uint16_t RedOverBlack16() {
    std::uint16_t pixels[2] = {0, 0};
    cGraphicsDevice device(pixels, 4, {0, 0, 1, 0});
    device.SetTextColor(0xFF0000);
    device.DrawTextEx(font_.get(), 0, 0, "W");
    return pixels[0];
  }
  cFontManager manager_;
  std::unique_ptr<cFont> font_;
};

TEST_F(TextNumbers, FullIntensityOnThirtyTwoBits) {
  Use(3);
  std::uint32_t pixels[2] = {0x000000, 0x808080};
  cGraphicsDevice device(pixels, 8, {0, 0, 1, 0});
  device.DrawTextEx(font_.get(), 0, 0, "W");
  EXPECT_EQ(pixels[0], 0x00FEFEFEu);
  EXPECT_EQ(pixels[1], 0x00FFFFFFu);
}

TEST_F(TextNumbers, RedOnFiveSixFive) {
  Use(0);
  EXPECT_EQ(RedOverBlack16(), 30u << 11);
}

// The 16-bit tables follow the screen's format without an explicit update
// after the mode changed.
TEST_F(TextNumbers, SixteenBitTextAfterAModeChangeWithoutUpdate) {
  Use(3);
  guitest::SetScreen(guitest::Formats()[0], 640, 480);
  EXPECT_EQ(RedOverBlack16(), 30u << 11);
}

TEST_F(TextNumbers, ASubDeviceDrawsInItsParentsColour) {
  Use(3);
  std::uint32_t pixels[4] = {};
  cGraphicsDevice device(pixels, 16, {0, 0, 3, 0});
  device.SetTextColor(0x00FF00);
  std::unique_ptr<cGraphicsDevice> sub(device.CreateSubDevice({2, 0, 3, 0}));
  ASSERT_NE(sub, nullptr);
  sub->DrawTextEx(font_.get(), 0, 0, "W");
  EXPECT_EQ(pixels[1], 0u);
  EXPECT_EQ(pixels[2], 0x0000FE00u);
  EXPECT_EQ(pixels[3], 0x0000FE00u);
}

}  // namespace
