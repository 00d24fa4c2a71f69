// Crazy fonts: the scanner that cuts glyph cells out of the picture's top row,
// the packer that places them in square textures, and the alias set.
#include "effects2d/crazyfont.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/effects2d/font_support.h"
#include "tests/effects2d/fx_fixture.h"

namespace fxtest {
namespace {

using VOXA2::CrazyChar;
using VOXA2::CrazyFont;

class CrazyFontLoad : public FxTest {
 protected:
  std::unique_ptr<CrazyFont> Load(const std::string& picture, const char* set,
                                  const char* aliases = nullptr) {
    return std::unique_ptr<CrazyFont>(
        CrazyFont::Load(picture.c_str(), set, aliases, kBlack, kMagenta));
  }
  static FakeTexture* Texture(const CrazyFont& font, int t) {
    return dynamic_cast<FakeTexture*>(font.textures.at(static_cast<std::size_t>(t)).get());
  }
  FakeFontTextures textures;
};

struct ScanCase {
  const char* name;
  const char* topRow;
  const char* set;
  // Expected width per character of the set; -1: no record.
  std::vector<int> widths;
};

TEST_F(CrazyFontLoad, ScannerCutsTheCellsOfTheTopRow) {
  const ScanCase cases[] = {
      // Separator at column 4 of 10: A is columns 0-2, B columns 5-8.
      {"ab", "xxxx|xxxxx", "AB", {3, 4}},
      // Two separators side by side give the second no record; a separator, one
      // pixel and a separator give width 0; a last cell at the border is empty.
      {"gaps", "xx||x|", "ABCD", {1, -1, 0, -1}},
      // No separator at all: one glyph over the width less its last column.
      {"whole", "xxxxxx", "A", {5}},
      // A character named twice takes the cell of its last occurrence.
      {"twice", "x|xxx", "AA", {2, 2}},
  };
  for (const ScanCase& c : cases) {
    PatternFont(c.topRow, 4).Write(std::string("fonts/") + c.name + ".png");
    auto font = Load(c.name, c.set);
    ASSERT_NE(font, nullptr) << c.name;
    EXPECT_EQ(font->height, 4) << c.name;
    for (std::size_t i = 0; i < c.widths.size(); i++) {
      const CrazyChar* record = font->Char(static_cast<unsigned char>(c.set[i]));
      if (c.widths[i] < 0) {
        EXPECT_EQ(record, nullptr) << c.name << " " << i;
      } else {
        ASSERT_NE(record, nullptr) << c.name << " " << i;
        EXPECT_EQ(record->width, c.widths[i]) << c.name << " " << i;
        EXPECT_EQ(record->picture, nullptr) << c.name << " " << i;
      }
    }
  }
  EXPECT_TRUE(Logged("character #65 (\"A\"): 3 x 4 pels"));
}

TEST_F(CrazyFontLoad, SetThatOutrunsThePictureGivesNoFont) {
  PatternFont("xx|xx", 3).Write("fonts/short.png");
  EXPECT_EQ(Load("short", "ABC"), nullptr);
  EXPECT_TRUE(
      Logged("  The scanner hit the right border, while there were still characters in "
             "the string (current character is 'B')!"));
  EXPECT_EQ(Load("missing", "A"), nullptr);
  EXPECT_EQ(Load("short", nullptr), nullptr);
}

TEST_F(CrazyFontLoad, PicturesOutsideTheTextureLimitsAreRefused) {
  PatternFont("xx|", 257).Write("fonts/tall.png");
  EXPECT_EQ(Load("tall", "A"), nullptr);
  WidthsFont({257}, 2).Write("fonts/wide.png");
  EXPECT_EQ(Load("wide", "A"), nullptr);
  WidthsFont({256}, 256).Write("fonts/widest.png");
  auto font = Load("widest", "A");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(Texture(*font, 0)->GetWidth(), 256);
}

struct Placement {
  char code;
  int left, top, texture;
};

struct PackCase {
  const char* name;
  std::vector<int> widths;  // of the characters A, B, C, ... in this order
  int height;
  std::vector<int> textureSizes;
  std::vector<Placement> placements;
};

TEST_F(CrazyFontLoad, PackerPlacesGlyphsInLinesOfSquareTextures) {
  const PackCase cases[] = {
      // 100 and 100 share a line (201 pels); 60 does not fit the 55 left.
      {"shared", {100, 100, 60}, 4, {256}, {{'A', 0, 0, 0}, {'B', 101, 0, 0}, {'C', 0, 4, 0}}},
      // 32 high: 8 lines per texture, so the ninth line opens a second one.
      {"tall32",
       {130, 130, 130, 130, 130, 130, 130, 130, 130},
       32,
       {256, 256},
       {{'A', 0, 0, 0}, {'H', 0, 224, 0}, {'I', 0, 0, 1}}},
      // Lines of 200 by 3 x 40: 256 wide, 128 high, square at the larger.
      {"three40", {200, 200, 200}, 40, {256}, {{'C', 0, 80, 0}}},
      // One 20 x 40 glyph: 32 wide, 64 high.
      {"narrow", {20}, 40, {64}, {{'A', 0, 0, 0}}},
  };
  for (const PackCase& c : cases) {
    WidthsFont(c.widths, c.height).Write(std::string("fonts/") + c.name + ".png");
    std::string set;
    for (std::size_t i = 0; i < c.widths.size(); i++) set += static_cast<char>('A' + i);
    auto font = Load(c.name, set.c_str());
    ASSERT_NE(font, nullptr) << c.name;
    ASSERT_EQ(font->textureCount, static_cast<int>(c.textureSizes.size())) << c.name;
    for (std::size_t t = 0; t < c.textureSizes.size(); t++) {
      EXPECT_EQ(Texture(*font, static_cast<int>(t))->GetWidth(), c.textureSizes[t]) << c.name;
      EXPECT_EQ(Texture(*font, static_cast<int>(t))->GetHeight(), c.textureSizes[t]) << c.name;
    }
    for (const Placement& p : c.placements) {
      const CrazyChar* r = font->Char(static_cast<unsigned char>(p.code));
      ASSERT_NE(r, nullptr) << c.name << " " << p.code;
      const int size = c.textureSizes[static_cast<std::size_t>(p.texture)];
      EXPECT_EQ(r->left, p.left) << c.name << " " << p.code;
      EXPECT_EQ(r->top, p.top) << c.name << " " << p.code;
      EXPECT_EQ(r->right, p.left + r->width - 1) << c.name << " " << p.code;
      EXPECT_EQ(r->bottom, p.top + c.height - 1) << c.name << " " << p.code;
      EXPECT_EQ(r->texture, p.texture) << c.name << " " << p.code;
      EXPECT_FLOAT_EQ(r->tu1, static_cast<float>(r->left) / static_cast<float>(size - 1));
      EXPECT_FLOAT_EQ(r->tv1, static_cast<float>(r->top) / static_cast<float>(size - 1));
      EXPECT_FLOAT_EQ(r->tu2, static_cast<float>(r->right) / static_cast<float>(size - 1));
      EXPECT_FLOAT_EQ(r->tv2, static_cast<float>(r->bottom) / static_cast<float>(size - 1));
    }
  }
  EXPECT_TRUE(Logged("Character set placed in 2 \"lines\" of a maximum length of 256 pels"));
  EXPECT_TRUE(Logged("  line 0: (201 pels) \"AB\""));
}

// Glyph pixels go to their place in the texture; the background colour becomes
// transparent black, while a colour that differs from it in alpha only stays.
TEST_F(CrazyFontLoad, GlyphsAreCopiedWithTheBackgroundMadeTransparent) {
  FontPicture picture = PatternFont("xxxx|xxxxx|", 3);
  picture.at(1, 1) = kBlack;
  picture.at(2, 2) = 0x00000080;
  picture.at(6, 1) = 0x12345678;
  picture.Write("fonts/colours.png");
  auto font = Load("colours", "AB");
  ASSERT_NE(font, nullptr);
  const FakeTexture* texture = Texture(*font, 0);
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->depths.alpha, 8);
  const CrazyChar* a = font->Char('A');
  const CrazyChar* b = font->Char('B');
  EXPECT_EQ(texture->Texel(a->left, a->top), kWhite);
  EXPECT_EQ(texture->Texel(a->left + 1, a->top + 1), 0u);
  EXPECT_EQ(texture->Texel(a->left + 2, a->top + 2), 0x00000080u);
  EXPECT_EQ(texture->Texel(b->left + 1, b->top + 1), 0x12345678u);
  // The texel between the two glyphs stays empty.
  EXPECT_EQ(texture->Texel(a->right + 1, a->top), 0u);
}

TEST_F(CrazyFontLoad, PictureWithoutAlphaMakesTexturesWithOneAlphaBit) {
  PatternFont("xxx|", 2).Write("fonts/rgb.png", true);
  auto font = Load("rgb", "A");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(Texture(*font, 0)->depths.alpha, 1);
}

TEST_F(CrazyFontLoad, AliasesCopyTheRecordsOfTheirPartners) {
  WidthsFont({2, 3, 4}, 2).Write("fonts/alias.png");
  PatternFont("x||xx|", 2).Write("fonts/hole.png");
  auto font = Load("alias", "ABE", "aBe");
  ASSERT_NE(font, nullptr);
  for (auto [alias, partner] : {std::pair{'a', 'A'}, {'e', 'E'}}) {
    const CrazyChar* copy = font->Char(static_cast<unsigned char>(alias));
    const CrazyChar* original = font->Char(static_cast<unsigned char>(partner));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, original);
    EXPECT_EQ(copy->width, original->width);
    EXPECT_EQ(copy->left, original->left);
    EXPECT_EQ(copy->texture, original->texture);
    EXPECT_EQ(copy->tu2, original->tu2);
  }
  EXPECT_EQ(font->Char('b'), nullptr);
  EXPECT_EQ(font->Char('B')->width, 3);
  // The partner of x has an empty cell: x keeps what it had (nothing).
  auto holes = Load("hole", "AZB", "axb");
  ASSERT_NE(holes, nullptr);
  EXPECT_EQ(holes->Char('Z'), nullptr);
  EXPECT_EQ(holes->Char('x'), nullptr);
  EXPECT_EQ(holes->Char('b')->width, 1);
}

TEST_F(CrazyFontLoad, TextWidthCountsGlyphsAndGaps) {
  WidthsFont({3, 4}, 2).Write("fonts/ab.png");
  auto font = Load("ab", "AB");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->TextWidth(""), 0);
  EXPECT_EQ(font->TextWidth("A"), 3);
  EXPECT_EQ(font->TextWidth("AB"), 17);
  // A character without a glyph still takes its gap.
  EXPECT_EQ(font->TextWidth("AB?AB"), 3 + 4 + 3 + 4 + 4 * 10);
}

}  // namespace
}  // namespace fxtest
