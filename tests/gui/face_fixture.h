// A font manager with a synthetic "Arial" on a 640 x 480, 32-bit screen: the
// widgets' tests measure and draw with it instead of the shipped art. Letters
// have different widths, so that a wrong x shows.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/fonts.h"
#include "tests/gui/font_fixtures.h"
#include "tests/gui/pixel_fixtures.h"

namespace guitest {

inline constexpr char kFaceCharacters[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 &;%#:.,-+!?()'/";

// The synthetic face, for a font manager to take over.
inline ZGUI::cBitmapFont* SyntheticFace() {
  constexpr int kBaseHeight = 48;
  std::vector<tGlyphArt> glyphs;
  for (int i = 0; kFaceCharacters[i]; ++i) {
    const bool space = kFaceCharacters[i] == ' ';
    // Ink from the left edge and down to a baseline 8 rows above the bottom;
    // the spacing is on the right.
    const int width = space ? 12 : 16 + 4 * (i % 5);
    glyphs.push_back({width, [space, width](int x, int y) {
                        return std::uint8_t(space || y >= 40 || x >= width - 4 ? 0 : 180 + y);
                      }});
  }
  auto* face = new ZGUI::cBitmapFont();
  LoadFont(*face, FontPicture(glyphs, kBaseHeight), kFaceCharacters);
  return face;
}

class FaceFixture : public testing::Test {
 protected:
  void SetUp() override {
    UseFormat(Formats()[3], 640, 480);
    manager_.AddFont("Arial", SyntheticFace());
    ASSERT_GT(H(), 0);
  }

  // The width of text in "Arial" at size.
  static std::int32_t W(const char* text, std::int32_t size = 14) {
    return ZGUI::cFont("Arial", size).GetTextWidth(text);
  }
  static std::int32_t H(std::int32_t size = 14) { return ZGUI::cFont("Arial", size).GetHeight(); }
  static std::int32_t Baseline(std::int32_t size) {
    return ZGUI::cFont("Arial", size).GetBaseline();
  }

  ZGUI::cFontManager manager_;
};

}  // namespace guitest
