#include "gui/bitmapfont.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "foundation/archive.h"
#include "foundation/errors.h"
#include "tests/gui/font_fixtures.h"
#include "tests/gui/pixel_fixtures.h"

namespace {

using guitest::Block;
using guitest::FontPicture;
using guitest::LoadFont;
using guitest::tGlyphArt;
using ZGUI::cBitmapFont;

// Three glyphs with a distinct value in every pixel.
std::vector<tGlyphArt> ThreeGlyphs() {
  auto art = [](int k, int width) {
    return tGlyphArt{width, [k](int x, int y) { return std::uint8_t(40 * (k + 1) + 8 * y + x); }};
  };
  return {art(0, 2), art(1, 3), art(2, 1)};
}

TEST(BitmapFont, LoadCutsTheGlyphsAtTheMarkers) {
  cBitmapFont font;
  ASSERT_TRUE(LoadFont(font, FontPicture(ThreeGlyphs(), 5), "ABC"));
  EXPECT_EQ(font.GetHeight(), 5);
  const int widths[] = {2, 3, 1};
  for (int k = 0; k < 3; ++k) {
    const auto* glyph = font.GetGlyph(static_cast<std::uint8_t>('A' + k));
    ASSERT_NE(glyph, nullptr);
    ASSERT_EQ(glyph->width, widths[k]);
    EXPECT_FALSE(glyph->borrowed);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < widths[k]; ++x) {
        // The last row is blank: the spare picture row is never read.
        const int want = y == 4 ? 0 : 40 * (k + 1) + 8 * y + x;
        EXPECT_EQ(glyph->pixels[y * widths[k] + x], want) << k << " " << x << "," << y;
      }
  }
  EXPECT_EQ(font.GetGlyph('D'), nullptr);
  EXPECT_EQ(font.GetTextWidth("ABCD", 4), 6);
  EXPECT_EQ(font.GetTextWidth("ABCD", 2), 5);
  EXPECT_EQ(font.GetTextWidth(nullptr, 3), 0);
}

TEST(BitmapFont, LoadReadsFilesOfTheDataTree) {
  static std::vector<unsigned char> picture;
  picture = FontPicture(ThreeGlyphs(), 5);
  ClearFileAccessFunctions();
  AddFileAccessFunction([](const char* path, int32_t) -> std::unique_ptr<TStream> {
    if (std::strcmp(path, "fonts\\Test.pcx") != 0) return nullptr;
    return std::make_unique<TMemFile>(picture.data(), static_cast<int32_t>(picture.size()), true);
  });
  cBitmapFont font;
  EXPECT_TRUE(font.Load("fonts\\Test.pcx", "ABC"));
  EXPECT_EQ(font.GetTextWidth("ABC", 3), 6);
  EXPECT_FALSE(font.Load("fonts\\Missing.pcx", "ABC"));
  EXPECT_EQ(font.GetGlyph('A'), nullptr);
  FreeFileAccessLists();
}

TEST(BitmapFont, AnEmptyCharacterSetLeavesTheFontAsItWas) {
  cBitmapFont font;
  ASSERT_TRUE(LoadFont(font, FontPicture(ThreeGlyphs(), 5), "ABC"));
  EXPECT_FALSE(LoadFont(font, FontPicture(ThreeGlyphs(), 5), ""));
  EXPECT_NE(font.GetGlyph('A'), nullptr);
}

// Each malformed picture is refused: false, no glyph, nothing leaked or read
// out of bounds (the sanitizers watch).
TEST(BitmapFont, MalformedPicturesAreRefused) {
  const auto good = FontPicture(ThreeGlyphs(), 5);
  auto with = [&good](std::size_t at, std::vector<unsigned char> bytes) {
    auto out = good;
    for (std::size_t i = 0; i < bytes.size(); ++i) out[at + i] = bytes[i];
    return out;
  };
  struct tCase {
    const char* what;
    std::vector<unsigned char> bytes;
    const char* set = "ABC";
  };
  auto truncated = std::vector<unsigned char>(good.begin(), good.begin() + 140);
  const tCase cases[] = {
      {"not a PCX", with(0, {11})},
      {"old version", with(1, {4})},
      {"not run-length", with(2, {0})},
      {"four bits", with(3, {4})},
      {"three planes", with(65, {3})},
      {"Ymax below Ymin", with(6, {9, 0})},
      {"Ymax equal to Ymin", with(10, {0, 0})},
      {"one row only", with(10, {1, 0})},
      {"no bytes per line", with(66, {0, 0})},
      {"bytes per line smaller than the glyphs", with(66, {2, 0})},
      {"more rows than the data holds", with(10, {0xFF, 0x7F})},
      {"truncated data", truncated},
      {"header only", std::vector<unsigned char>(good.begin(), good.begin() + 128)},
      {"short header", std::vector<unsigned char>(good.begin(), good.begin() + 100)},
      {"empty file", {}},
      {"fewer markers than characters", good, "ABCDEFGH"},
      {"only zero-width glyphs", FontPicture({Block(0, 0), Block(0, 0)}, 5), "AB"},
  };
  for (const tCase& c : cases) {
    SCOPED_TRACE(c.what);
    cBitmapFont font;
    ASSERT_TRUE(LoadFont(font, good, "ABC"));
    EXPECT_FALSE(LoadFont(font, c.bytes, c.set));
    for (int code = 0; code < 256; ++code) EXPECT_EQ(font.GetGlyph(std::uint8_t(code)), nullptr);
  }
}

TEST(BitmapFont, AZeroWidthGlyphIsNoGlyphAndTheFirstOfTwinsWins) {
  cBitmapFont font;
  ASSERT_TRUE(
      LoadFont(font, FontPicture({Block(2, 10), Block(0, 0), Block(3, 20), Block(1, 30)}, 4),
               "ABAC"));
  EXPECT_EQ(font.GetGlyph('B'), nullptr);
  ASSERT_NE(font.GetGlyph('A'), nullptr);
  EXPECT_EQ(font.GetGlyph('A')->width, 2);
  EXPECT_EQ(font.GetGlyph('A')->pixels[0], 10);
  // The twin's columns still count, so C starts after them.
  ASSERT_NE(font.GetGlyph('C'), nullptr);
  EXPECT_EQ(font.GetGlyph('C')->width, 1);
  EXPECT_EQ(font.GetGlyph('C')->pixels[0], 30);
}

struct tScaleCase {
  int screenWidth, screenHeight, baseHeight, baseWidth, size;
  int height, width;
};

// Heights are screen height x size / 480; widths (w x size x W + d - 1 + d / 2)
// / d with d = base height x 640, worked by hand.
TEST(BitmapFont, ScaledFontsFollowTheScreen) {
  const tScaleCase cases[] = {
      {640, 480, 20, 10, 10, 10, 6},     {800, 600, 20, 10, 10, 12, 7},
      {1024, 768, 24, 12, 14, 22, 12},   {1280, 960, 24, 1, 20, 40, 3},
      {640, 480, 24, 12, 48, 48, 25},    {1920, 1200, 24, 14, 50, 125, 88},
      {320, 240, 24, 12, 1, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.screenWidth << "x" << c.screenHeight << " size "
                                    << c.size);
    guitest::UseFormat(guitest::Formats()[3], c.screenWidth, c.screenHeight);
    cBitmapFont base;
    ASSERT_TRUE(LoadFont(base, FontPicture({Block(c.baseWidth, 100)}, c.baseHeight), "A"));
    cBitmapFont sized;
    EXPECT_EQ(sized.BuildScaled(&base, c.size), c.height > 0);
    EXPECT_EQ(sized.GetHeight(), c.height);
    const auto* glyph = sized.GetGlyph('A');
    if (c.height == 0) {
      EXPECT_EQ(glyph, nullptr);
      continue;
    }
    ASSERT_NE(glyph, nullptr);
    EXPECT_EQ(glyph->width, c.width);
  }
}

TEST(BitmapFont, SizeZeroAndNoScreenBuildNothing) {
  guitest::UseFormat(guitest::Formats()[3], 640, 480);
  cBitmapFont base;
  ASSERT_TRUE(LoadFont(base, FontPicture({Block(4, 100)}, 20), "A"));
  cBitmapFont sized(&base, 10);
  ASSERT_NE(sized.GetGlyph('A'), nullptr);
  EXPECT_FALSE(sized.BuildScaled(&base, 0));
  EXPECT_FALSE(sized.BuildScaled(nullptr, 10));
  EXPECT_NE(sized.GetGlyph('A'), nullptr);  // unchanged
  cBitmapFont none(&base, 0);
  EXPECT_EQ(none.GetHeight(), 0);
  EXPECT_EQ(none.GetGlyph('A'), nullptr);
  guitest::UseFormat(guitest::Formats()[3], 0, 0);
  cBitmapFont noScreen;
  EXPECT_FALSE(noScreen.BuildScaled(&base, 10));
  EXPECT_EQ(noScreen.GetHeight(), 0);
}

// Halving on a 640 x 480 screen averages 2 x 2 blocks; the column past the
// glyph's right edge counts as transparent.
TEST(BitmapFont, ShrinkingAveragesBlocks) {
  guitest::UseFormat(guitest::Formats()[3], 640, 480);
  cBitmapFont base;
  ASSERT_TRUE(LoadFont(base,
                       FontPicture({{5, [](int x, int y) { return std::uint8_t(10 * x + y); }}}, 20),
                       "A"));
  cBitmapFont sized(&base, 10);
  const auto* glyph = sized.GetGlyph('A');
  ASSERT_NE(glyph, nullptr);
  ASSERT_EQ(glyph->width, 3);  // (5 x 10 x 640 + 12799 + 6400) / 12800
  // Row 0 averages source rows 0 and 1: (0+1+10+11)/4 = 5, (20+21+30+31)/4 = 25,
  // (40+41)/4 = 20 with the missing column counted as 0.
  EXPECT_EQ(glyph->pixels[0], 5);
  EXPECT_EQ(glyph->pixels[1], 25);
  EXPECT_EQ(glyph->pixels[2], 20);
  // Row 9 takes source rows 18 and 19, the second being the blank last row.
  EXPECT_EQ(glyph->pixels[9 * 3 + 0], (18 + 28) / 4);
}

TEST(BitmapFont, TheBaselineIsTheMeanLowestInkRowOfTheLettersOnIt) {
  guitest::UseFormat(guitest::Formats()[3], 640, 480);
  // A reaches down to row 7, B to row 9; g (a descender) does not count.
  auto down = [](int last) {
    return tGlyphArt{2, [last](int, int y) { return std::uint8_t(y <= last ? 200 : 0); }};
  };
  cBitmapFont letters;
  ASSERT_TRUE(LoadFont(letters, FontPicture({down(7), down(9), down(11)}, 13), "ABg"));
  EXPECT_EQ(letters.GetBaseline(), 8);
  cBitmapFont sized(&letters, 13);
  EXPECT_EQ(sized.GetBaseline(), 8);
  cBitmapFont blank;
  ASSERT_TRUE(LoadFont(blank, FontPicture({Block(2, 0)}, 13), "A"));
  cBitmapFont blankSized(&blank, 10);
  EXPECT_EQ(blankSized.GetBaseline(), 10 * 4 / 5);
}

}  // namespace
