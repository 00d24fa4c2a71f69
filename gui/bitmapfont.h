// Bitmap fonts: glyphs of 8-bit intensities (0 transparent) cut from a
// run-length coded 8-bit PCX whose first row marks the end of every glyph with
// a 255. A face is loaded once; every size is built from it by a box filter,
// keeping its share of the 640 x 480 canvas on the current screen.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/basis.h"

class TStream;

namespace ZGUI {

class cBitmapFont : public virtual basis::basisObject {
 public:
  struct tCharacter : public virtual basis::basisStruct {
    tCharacter() = default;
    tCharacter(const tCharacter&) = delete;
    tCharacter& operator=(const tCharacter&) = delete;
    ~tCharacter() override;

    std::int32_t width = 0;
    // width x the font's height bytes, rows top to bottom.
    std::uint8_t* pixels = nullptr;
    // Pixels that belong to someone else and stay when the glyph goes.
    bool borrowed = false;
  };

  static constexpr std::int32_t kGlyphCount = 256;

  cBitmapFont();
  // A font built from source at size (a failed build leaves it empty).
  cBitmapFont(const cBitmapFont* source, std::int32_t size);
  cBitmapFont(const cBitmapFont&) = delete;
  cBitmapFont& operator=(const cBitmapFont&) = delete;
  ~cBitmapFont() override;

  // The base font from a picture of the data tree, cut by characterSet (code
  // page 1252 bytes in the order the picture holds the glyphs). False, with
  // the font left empty, for a missing, malformed or truncated picture and for
  // one that gives no glyph; an empty set leaves the font as it was.
  bool Load(const char* fileName, const char* characterSet);
  // The same from a stream that stays the caller's.
  bool Load(TStream* stream, const char* characterSet);
  // A copy of source resampled to size canvas units for the current screen;
  // false for no source, a size below 1 or a screen on which the size has no
  // pixel row (the font is then empty).
  bool BuildScaled(const cBitmapFont* source, std::int32_t size);

  std::int32_t GetHeight() const { return height_; }
  std::int32_t GetBaseline() const { return baseline_; }
  // The sum of the widths of the first length bytes; bytes without a glyph add 0.
  std::int32_t GetTextWidth(const char* text, std::int32_t length) const;
  const tCharacter* GetGlyph(std::uint8_t code) const { return glyphs_[code]; }
  void ClearGlyphs();

 private:
  tCharacter* CreateGlyph(std::uint8_t code, std::int32_t width);
  void ComputeBaseline();

  std::int32_t height_ = 0;
  std::int32_t baseline_ = 0;
  std::unique_ptr<tCharacter*[]> glyphs_;
};

}  // namespace ZGUI
