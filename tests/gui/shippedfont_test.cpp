// The launcher's own font, as generated into the build tree, drawn whole at
// the sizes the launcher uses on two screens in two depths, against reviewed
// pictures in tests/gui/data (the red channel, widened to 8 bits). A picture
// that differs, or is missing, is written to shipped-font/ in the build folder
// for review.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/archive.h"
#include "foundation/fakearchive.h"
#include "gui/fonts.h"
#include "gui/graphicsdevice.h"
#include "tests/gui/pixel_fixtures.h"

namespace {

const char kLauncherSet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ\xC4\xD6\xDC"
    "abcdefghijklmnopqrstuvwxyz\xE4\xF6\xFC\xDF"
    "1234567890,;.:-_#'+*~\xB4`?=()[]{}/\\&%$\xA7\"!^\xB0<>| @";

bool WriteGray(const std::filesystem::path& path, int width, int height,
               const std::vector<std::uint8_t>& gray) {
  std::filesystem::create_directories(path.parent_path());
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_GRAY;
  return png_image_write_to_file(&image, path.c_str(), 0, gray.data(), 0, nullptr) != 0;
}

bool ReadGray(const std::filesystem::path& path, int width, int height,
              std::vector<std::uint8_t>* gray) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_GRAY;
  if (int(image.width) != width || int(image.height) != height) {
    png_image_free(&image);
    return false;
  }
  gray->assign(std::size_t(width) * height, 0);
  return png_image_finish_read(&image, nullptr, gray->data(), 0, nullptr) != 0;
}

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
  TFakeArchive launcher;
  launcher.SetFileName("gen\\launcher\\");
  ClearFileAccessFunctions();
  AddArchive(&launcher);
  auto* face = new ZGUI::cBitmapFont();
  const bool loaded = face->Load("fonts\\Arial.pcx", kLauncherSet);
  RemoveArchive(&launcher);
  FreeFileAccessLists();
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
  std::vector<std::uint8_t> golden;
  const bool found = ReadGray(std::filesystem::path(source) / "tests/gui/data" / name,
                              screen.width, rows, &golden);
  if (!found || golden != gray) {
    WriteGray(std::filesystem::path("shipped-font") / name, screen.width, rows, gray);
    FAIL() << (found ? "differs from " : "no reviewed picture ") << name
           << "; the drawing is in shipped-font/ of the build folder";
  }
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
