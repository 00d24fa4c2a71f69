// Crazy fonts: proportional bitmap fonts cut out of one colour picture whose
// top row marks where each glyph cell ends, packed into a few square textures.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "foundation/basis.h"
#include "foundation/gfxloader.h"
#include "foundation/pictures.h"

namespace VOXA2 {

namespace video {
class voxaTexture;
}

// Where one glyph lies in the font's textures.
struct CrazyChar {
  CrazyChar() = default;
  // A copy takes the placement only, never the glyph picture.
  CrazyChar(const CrazyChar& other);
  CrazyChar& operator=(const CrazyChar&) = delete;

  void FreePicture() { picture.reset(); }

  std::int32_t width = 0;
  std::int32_t left = 0, top = 0;
  std::int32_t right = 0, bottom = 0;  // inclusive
  std::int32_t texture = 0;
  float tu1 = 0, tv1 = 0, tu2 = 0, tv2 = 0;
  std::unique_ptr<cColorPic> picture;  // only while the font is being built
};

class CrazyFont : public virtual basis::basisStruct {
 public:
  // The largest side of a font texture, and so the tallest font and widest glyph.
  static constexpr std::int32_t kTextureSize = 256;
  // The most glyphs one packing line holds.
  static constexpr std::int32_t kLineCapacity = 248;

  CrazyFont() = default;
  CrazyFont(const CrazyFont&) = delete;
  CrazyFont& operator=(const CrazyFont&) = delete;
  ~CrazyFont() override;

  // Reads "fonts\<picture>" and cuts the glyphs of the character set out of it;
  // colours are 0xRRGGBBAA. A new font the caller owns, or none.
  static CrazyFont* Load(const char* picture, const char* characters, const char* aliases,
                         std::uint32_t background, std::uint32_t separation);

  // The glyph record of a character, or none.
  const CrazyChar* Char(unsigned char code) const { return chars[code].get(); }

  // Width in font pixels of a text laid out on one line: the glyphs' widths
  // and 10 between neighbours.
  std::int32_t TextWidth(const char* text) const;

  std::int32_t height = 0;
  std::unique_ptr<CrazyChar> chars[256];
  std::int32_t textureCount = 0;
  std::vector<std::unique_ptr<video::voxaTexture>> textures;
};

// The gap in font pixels after every character of a text.
constexpr std::int32_t kCrazyCharGap = 10;

// How fonts make their textures from a packed picture and the picture's channel
// depths; empty means the kernel's texture. Tests put their own in.
using tFontTextureMaker =
    std::function<video::voxaTexture*(cColorPic* picture, tChannelDepths* depths)>;
void SetFontTextureMaker(tFontTextureMaker maker);

}  // namespace VOXA2
