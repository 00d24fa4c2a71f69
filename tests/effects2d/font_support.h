// Font pictures and description files written by the tests, and a stand-in
// texture that keeps what a font handed to it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "effects2d/crazyfont.h"
#include "foundation/gfxloader.h"
#include "foundation/pictures.h"
#include "windxkernel/texture.h"

namespace fxtest {

constexpr std::uint32_t kMagenta = 0xFF00FFFF;  // the default separation colour
constexpr std::uint32_t kBlack = 0x000000FF;    // the default background colour
constexpr std::uint32_t kWhite = 0xFFFFFFFF;

// A font picture: a one-row strip of cells; pixels are 0xRRGGBBAA.
struct FontPicture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;

  std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y * width + x)]; }
  // Written as RGBA, or as RGB (no alpha channel) when rgb is set.
  void Write(const std::string& path, bool rgb = false) const;
};

// Cells from a pattern of the top row: '|' a separation pixel, '.' background,
// any other character a glyph pixel. Below the top row the separator columns
// are background and the rest as in the top row.
FontPicture PatternFont(const std::string& topRow, int height, std::uint32_t glyph = kWhite,
                        std::uint32_t separation = kMagenta, std::uint32_t background = kBlack);
// Cells of the given glyph widths, each followed by a separator column.
FontPicture WidthsFont(const std::vector<int>& widths, int height);

class FakeTexture : public VOXA2::video::voxaTexture {
 public:
  FakeTexture(const cColorPic* source, const tChannelDepths& d) : depths(d) {
    picture.Copy(source);
  }
  void Bind(std::uint32_t) override {}
  VOXA2::video::voxaSurface* GetSurface() override { return nullptr; }
  void Update(VOXA2::video::voxaSurface*) override {}
  void PreLoad() override { preloads++; }
  int GetWidth() override { return picture.width; }
  int GetHeight() override { return picture.height; }
  int GetBitCount() override { return 32; }
  std::uint32_t GetRedMask() override { return 0; }
  std::uint32_t GetGreenMask() override { return 0; }
  std::uint32_t GetBlueMask() override { return 0; }
  std::uint32_t GetAlphaMask() override { return 0; }
  bool IsScreenTexture() override { return false; }

  // 0xRRGGBBAA of the texel.
  std::uint32_t Texel(int x, int y) const;

  cColorPic picture;
  tChannelDepths depths;
  int preloads = 0;
};

// Fonts made while it lives get FakeTextures.
class FakeFontTextures {
 public:
  FakeFontTextures();
  ~FakeFontTextures();
};

}  // namespace fxtest
