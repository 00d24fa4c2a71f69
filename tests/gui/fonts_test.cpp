#include "gui/fonts.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/gui/font_fixtures.h"
#include "tests/gui/pixel_fixtures.h"

namespace {

using guitest::Block;
using guitest::FontPicture;
using ZGUI::cBitmapFont;
using ZGUI::cFont;
using ZGUI::cFontManager;

// A base font 20 pixels high with glyphs A (10 wide) and B (4 wide).
cBitmapFont* Face() {
  auto* font = new cBitmapFont();
  EXPECT_TRUE(guitest::LoadFont(*font, FontPicture({Block(10, 200), Block(4, 100)}, 20), "AB"));
  return font;
}

class Fonts : public testing::Test {
 protected:
  void SetUp() override { guitest::UseFormat(guitest::Formats()[3], 640, 480); }
};

TEST_F(Fonts, FacesAreFoundWhateverTheirCase) {
  cFontManager manager;
  manager.AddFont("Arial", Face());
  EXPECT_EQ(manager.GetFontEntry("ARIAL"), manager.GetFontEntry("arial"));
  EXPECT_EQ(manager.GetFontEntry("Arial")->name, "Arial");
  EXPECT_EQ(manager.GetFontEntry(nullptr), nullptr);
  cFont upper("ARIAL", 10);
  EXPECT_EQ(upper.GetHeight(), 10);
  EXPECT_EQ(upper.GetTextWidth("AB"), 6 + 3);  // (10|4 x 10 x 640 + 19199) / 12800
  EXPECT_EQ(upper.GetTextWidth("AB", 1), 6);
  EXPECT_EQ(upper.GetTextWidth(nullptr), 0);
  EXPECT_EQ(upper.GetTextWidth(""), 0);
  EXPECT_STREQ(upper.GetName(), "ARIAL");
  EXPECT_EQ(upper.GetSize(), 10);
}

TEST_F(Fonts, SizedFontsAreSharedByExactSizeAndDroppedOnReinitialize) {
  cFontManager manager;
  manager.AddFont("Arial", Face());
  cFont a("Arial", 10), b("arial", 10), c("Arial", 14);
  EXPECT_EQ(a.GetHeight(), 10);
  EXPECT_EQ(a.GetSizedFont(), b.GetSizedFont());
  EXPECT_NE(a.GetSizedFont(), c.GetSizedFont());
  EXPECT_EQ(manager.GetFont(&a), a.GetSizedFont());
  EXPECT_EQ(manager.GetFont("ARIAL", 14), c.GetSizedFont());
  EXPECT_EQ(manager.GetFont(static_cast<const cFont*>(nullptr)), nullptr);
  guitest::UseFormat(guitest::Formats()[3], 800, 600);
  manager.Reinitialize();
  EXPECT_EQ(a.GetHeight(), 12);
  EXPECT_EQ(cFont(a).GetHeight(), 12);
}

TEST_F(Fonts, AFontNamedWithoutManagerMeasuresNothingUntilNamedAgain) {
  cFont early("Arial", 10);
  cFontManager manager;
  manager.AddFont("Arial", Face());
  EXPECT_EQ(early.GetEntry(), nullptr);
  EXPECT_EQ(early.GetHeight(), 0);
  EXPECT_EQ(early.GetTextWidth("A"), 0);
  EXPECT_EQ(early.GetBaseline(), 0);
  early.SetName("Arial");
  EXPECT_EQ(early.GetHeight(), 10);
}

TEST_F(Fonts, AFaceRegisteredLaterServesFontsNamedBefore) {
  cFontManager manager;
  cFont font("Arial", 10);
  EXPECT_EQ(font.GetHeight(), 0);
  manager.AddFont("arial", Face());
  EXPECT_EQ(font.GetHeight(), 10);
  // The last sized row averages the last ink row with the blank one.
  EXPECT_EQ(font.GetBaseline(), 9);
}

// Replacing a face deletes the old base font (the sanitizer would see a leak
// or a double delete); registering the same font again keeps it.
TEST_F(Fonts, AddFontReplacesTheBaseFont) {
  cFontManager manager;
  manager.AddFont("Arial", nullptr);
  std::unique_ptr<cBitmapFont> unnamed(Face());
  manager.AddFont(nullptr, unnamed.get());  // not taken over
  EXPECT_EQ(manager.GetFontEntry("Arial")->baseFont, nullptr);
  cBitmapFont* first = Face();
  manager.AddFont("Arial", first);
  manager.AddFont("Arial", first);
  EXPECT_EQ(manager.GetFontEntry("Arial")->baseFont.get(), first);
  cBitmapFont* second = Face();
  manager.AddFont("ARIAL", second);
  EXPECT_EQ(manager.GetFontEntry("Arial")->baseFont.get(), second);
}

TEST_F(Fonts, TheCurrentManagerIsTheNewestWhileItLives) {
  EXPECT_EQ(cFontManager::Current(), nullptr);
  {
    cFontManager first;
    EXPECT_EQ(cFontManager::Current(), &first);
    {
      cFontManager second;
      EXPECT_EQ(cFontManager::Current(), &second);
    }
    EXPECT_EQ(cFontManager::Current(), nullptr);
  }
  EXPECT_EQ(cFontManager::Current(), nullptr);
}

}  // namespace
