// Font description files: the crazy font collector reads "fonts\<name>.dsc"
// or falls back to the default sets and colours with the name as the picture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo/demo.h"
#include "effects2d/crazyfont.h"
#include "effects2d/crazyfontcollector.h"
#include "script/tokens.h"
#include "tests/effects2d/font_support.h"
#include "tests/effects2d/fx_fixture.h"

namespace fxtest {
namespace {

using namespace VOXA2;

constexpr int kDefaultCells = 69;

// The default set's 69 cells, glyph i being 2 + i mod 6 pels wide.
FontPicture DefaultSetFont(std::uint32_t separation = kMagenta) {
  std::string row;
  for (int i = 0; i < kDefaultCells; i++)
    row += std::string(static_cast<std::size_t>(3 + i % 6), 'x') + "|";
  return PatternFont(row, 5, kWhite, separation);
}

class FontDescriptions : public FxTest {
 protected:
  void SetUp() override {
    FxTest::SetUp();
    collector = new cVOXAcrazyfontcollector("crazyfont");
    demo = std::make_unique<cVOXAdemo>();
    ASSERT_TRUE(demo->AddDataCollector(collector));
  }
  CrazyFont* Font(const char* name) { return static_cast<CrazyFont*>(collector->GetData(name)); }
  // Whether the font has the default layout: 'A' the first cell, '0' the 27th,
  // lower case borrowing from upper case.
  static bool HasDefaultLayout(const CrazyFont* font) {
    return font && font->Char('A') && font->Char('A')->width == 2 && font->Char('0') &&
           font->Char('0')->width == 2 + 26 % 6 && font->Char('a') && font->Char('a')->width == 2 &&
           font->Char(' ') && font->Char(' ')->width == 2 + 68 % 6 && font->Char(0xE4) &&
           font->Char(0xE4)->width == font->Char(0xC4)->width;
  }

  cVOXAcrazyfontcollector* collector = nullptr;
  FakeFontTextures textures;
};

TEST_F(FontDescriptions, WithoutDescriptionTheDefaultsApplyToThePictureOfTheName) {
  DefaultSetFont().Write("fonts/plain.png");
  CrazyFont* font = Font("plain");
  EXPECT_TRUE(HasDefaultLayout(font));
  // A second request shares the font.
  EXPECT_EQ(Font("PLAIN"), font);
  EXPECT_EQ(Font("nothing"), nullptr);
  EXPECT_TRUE(Logged("could not load font nothing"));
}

struct DescriptionCase {
  const char* name;
  const char* text;    // of "fonts\<name>.dsc"
  const char* logged;  // a part of a log line, or ""
};

TEST_F(FontDescriptions, BrokenDescriptionsFallBackToAllDefaults) {
  const DescriptionCase cases[] = {
      {"oneset", "font \"other\" { text \"AB\"; };", "Error 2 occured"},
      {"inner", "font \"other\" { size 3; };", "Error 101 occured: Syntax error!"},
      {"outer", "typeface \"other\" { };", "Error 100 occured: Syntax error!"},
      {"nosemicolon", "font \"other\" { }", ""},
  };
  // What the broken files name: a picture that would give no default layout.
  PatternFont("xx|", 2).Write("fonts/other.png");
  for (const DescriptionCase& c : cases) {
    DefaultSetFont().Write(std::string("fonts/") + c.name + ".png");
    WriteText(std::string("fonts/") + c.name + ".dsc", c.text);
    EXPECT_TRUE(HasDefaultLayout(Font(c.name))) << c.name;
    if (*c.logged) {
      EXPECT_TRUE(LoggedPart(c.logged)) << c.name;
    }
  }
}

// An empty body keeps the sets and colours but takes the picture it names.
TEST_F(FontDescriptions, BlockWithEmptyBodyNamesOnlyThePicture) {
  DefaultSetFont().Write("fonts/renamed.png");
  WriteText("fonts/body.dsc", "font \"renamed\" { };");
  EXPECT_TRUE(HasDefaultLayout(Font("body")));
}

// The second block's picture and colour win; the set only the first names stays.
TEST_F(FontDescriptions, LaterBlocksChangeOnlyWhatTheyName) {
  constexpr std::uint32_t kGreen = 0x00FF00FF, kRed = 0xFF0000FF;
  FontPicture picture = PatternFont("xxx|xxxx|", 2, kWhite, kGreen, kRed);
  picture.at(0, 1) = kRed;
  picture.Write("fonts/two.png");
  WriteText("fonts/blocks.dsc",
            "// two blocks\n"
            "font \"one\" { text \"PQ\", \"pq\"; background $FF0000FF; separation $FF; };\n"
            "font \"two\" { ; separation $00FF00FF; };\n");
  CrazyFont* font = Font("blocks");
  ASSERT_NE(font, nullptr);
  ASSERT_NE(font->Char('P'), nullptr);
  EXPECT_EQ(font->Char('P')->width, 2);
  EXPECT_EQ(font->Char('Q')->width, 3);
  EXPECT_EQ(font->Char('q')->width, 3);
  EXPECT_EQ(font->Char('A'), nullptr);
  const auto* texture = dynamic_cast<const FakeTexture*>(font->textures.at(0).get());
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->Texel(font->Char('P')->left, 1), 0u);
  EXPECT_EQ(texture->Texel(font->Char('P')->left + 1, 1), kWhite);
}

TEST_F(FontDescriptions, RestorePreloadsEveryTextureAndFreeIgnoresNull) {
  WidthsFont({200, 200, 200}, 128).Write("fonts/big.png");
  WriteText("fonts/big.dsc", "font \"big\" { text \"ABC\", \"\"; };");
  CrazyFont* font = Font("big");
  ASSERT_NE(font, nullptr);
  ASSERT_EQ(font->textureCount, 2);
  EXPECT_TRUE(collector->RestoreAll());
  for (const auto& texture : font->textures)
    EXPECT_EQ(dynamic_cast<const FakeTexture*>(texture.get())->preloads, 1);
  collector->FreeItem(nullptr);
}

TEST(DupStringToken, CopiesOnlyStringTokens) {
  const cStringToken string("text");
  const cNumberToken number(3);
  EXPECT_EQ(DupStringToken(&string), std::optional<std::string>("text"));
  EXPECT_EQ(DupStringToken(&number), std::nullopt);
  EXPECT_EQ(DupStringToken(nullptr), std::nullopt);
}

}  // namespace
}  // namespace fxtest
