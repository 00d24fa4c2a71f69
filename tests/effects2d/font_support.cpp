#include "tests/effects2d/font_support.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>

namespace fxtest {

void FontPicture::Write(const std::string& path, bool rgb) const {
  std::filesystem::path p(path);
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t c : pixels) {
    bytes.insert(bytes.end(),
                 {static_cast<std::uint8_t>(c >> 24), static_cast<std::uint8_t>(c >> 16),
                  static_cast<std::uint8_t>(c >> 8)});
    if (!rgb) bytes.push_back(static_cast<std::uint8_t>(c));
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = rgb ? PNG_FORMAT_RGB : PNG_FORMAT_RGBA;
  ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), 0, nullptr)) << path;
}

FontPicture PatternFont(const std::string& topRow, int height, std::uint32_t glyph,
                        std::uint32_t separation, std::uint32_t background) {
  FontPicture font;
  font.width = static_cast<int>(topRow.size());
  font.height = height;
  font.pixels.resize(static_cast<std::size_t>(font.width * height));
  for (int x = 0; x < font.width; x++) {
    const char c = topRow[static_cast<std::size_t>(x)];
    for (int y = 0; y < height; y++)
      font.at(x, y) = c == '|' ? (y == 0 ? separation : background) : c == '.' ? background : glyph;
  }
  return font;
}

FontPicture WidthsFont(const std::vector<int>& widths, int height) {
  std::string row;
  for (int w : widths) row += std::string(static_cast<std::size_t>(w), 'x') + "x|";
  return PatternFont(row, height);
}

std::uint32_t FakeTexture::Texel(int x, int y) const {
  const std::size_t i = static_cast<std::size_t>(y * picture.width + x);
  return static_cast<std::uint32_t>(picture.planes[0].pixels[i]) << 24 |
         static_cast<std::uint32_t>(picture.planes[1].pixels[i]) << 16 |
         static_cast<std::uint32_t>(picture.planes[2].pixels[i]) << 8 | picture.planes[3].pixels[i];
}

FakeFontTextures::FakeFontTextures() {
  VOXA2::SetFontTextureMaker(
      [](cColorPic* picture, tChannelDepths* depths) { return new FakeTexture(picture, *depths); });
}

FakeFontTextures::~FakeFontTextures() { VOXA2::SetFontTextureMaker(nullptr); }

}  // namespace fxtest
