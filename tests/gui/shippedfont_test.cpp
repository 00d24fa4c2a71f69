// The launcher's own font, as generated into the build tree, drawn whole at
// the sizes the launcher uses on two screens in two depths, against reviewed
// pictures in tests/gui/data (the red channel, widened to 8 bits). A picture
// that differs, or is missing, is written to shipped-font/ in the build folder
// for review.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gui/fonts.h"
#include "gui/graphicsdevice.h"
#include "tests/gui/font_fixtures.h"
#include "tests/gui/pixel_fixtures.h"
#include "tests/gui/png_fixtures.h"

namespace {

using guitest::kLauncherSet;

struct tScreen {
  int width, height, format;  // index into guitest::Formats()
};

class ShippedFont : public testing::TestWithParam<tScreen> {};

TEST_P(ShippedFont, AllCharactersAtTheLaunchersSizesMatchTheReviewedPictures) {
  const tScreen& screen = GetParam();
  const guitest::tFormat& f = guitest::Formats()[screen.format];
  const char* source = std::getenv("VOXA2_SOURCE_DIR");
  if (!source) GTEST_SKIP() << "VOXA2_SOURCE_DIR is not set";
  ASSERT_TRUE(std::filesystem::exists("gen/launcher/fonts/Arial.pcx"))
      << "run the tests from the build folder after building sample_data";
  guitest::UseFormat(f, screen.width, screen.height);
  auto* face = new ZGUI::cBitmapFont();
  const bool loaded = guitest::LoadLauncherFont(face);
  ZGUI::cFontManager manager;
  manager.AddFont("Arial", face);
  ASSERT_TRUE(loaded);
  for (const char* c = kLauncherSet; *c; ++c)
    ASSERT_NE(face->GetGlyph(static_cast<std::uint8_t>(*c)), nullptr) << int(std::uint8_t(*c));

  guitest::tSurface surface(screen.width, screen.height, f.bytes, 1);
  ZGUI::cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
  device.FillRect(surface.Bounds(), 0);
  int y = 4;
  for (int size : {10, 14, 20}) {
    ZGUI::cFont font("arial", size);
    int x = 4;
    for (const char* c = kLauncherSet; *c; ++c) {
      const char one[2] = {*c, 0};
      const int width = font.GetTextWidth(one);
      if (x + width > screen.width - 4) {
        x = 4;
        y += font.GetHeight() + 2;
      }
      device.DrawTextEx(&font, x, y, one);
      x += width;
    }
    y += font.GetHeight() + 8;
  }
  ASSERT_LT(y, screen.height);

  // Only the rows that hold text are kept.
  const int rows = y;
  std::vector<std::uint8_t> gray(std::size_t(screen.width) * rows);
  for (int py = 0; py < rows; ++py)
    for (int px = 0; px < screen.width; ++px)
      gray[std::size_t(py) * screen.width + px] = static_cast<std::uint8_t>(
          guitest::Split(f, surface.Get(px, py)).c[0] << (8 - f.bits[0]));
  const std::string name = "shipped_font_" + std::to_string(screen.width) + "x" +
                           std::to_string(screen.height) + "_" + f.name + ".png";
  const std::string problem =
      guitest::CompareWithReviewed("shipped-font", name, screen.width, rows, 1, gray);
  if (!problem.empty()) FAIL() << problem;
}

INSTANTIATE_TEST_SUITE_P(Screens, ShippedFont,
                         testing::Values(tScreen{640, 480, 3}, tScreen{1024, 768, 3},
                                         tScreen{640, 480, 0}, tScreen{1024, 768, 0}),
                         [](const testing::TestParamInfo<tScreen>& info) {
                           return std::to_string(info.param.width) + "x" +
                                  std::to_string(info.param.height) + "_" +
                                  guitest::Formats()[info.param.format].name;
                         });

}  // namespace
