// Font pictures made for the tests: glyphs side by side, each followed by a
// marker column, under a marker row, with one spare row at the bottom that the
// loader must never read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "foundation/archive.h"
#include "foundation/fakearchive.h"
#include "foundation/streams.h"
#include "gui/bitmapfont.h"
#include "tests/support/picture_fixtures.h"

namespace guitest {

struct tGlyphArt {
  int width;
  // The intensity of glyph pixel (x, y), y below the font's height - 1.
  std::function<std::uint8_t(int x, int y)> ink;
};

inline constexpr std::uint8_t kSpareRowValue = 0x99;

// A font picture of fontHeight + 1 rows; row fontHeight is the spare one.
inline std::vector<unsigned char> FontPicture(const std::vector<tGlyphArt>& glyphs,
                                              int fontHeight) {
  std::vector<int> start;
  int width = 0;
  for (const auto& g : glyphs) {
    start.push_back(width);
    width += g.width + 1;
  }
  return testsupport::PcxBytes(width, fontHeight + 1, [&](int x, int y) -> std::uint8_t {
    if (y == fontHeight) return kSpareRowValue;
    for (std::size_t k = 0; k < glyphs.size(); ++k) {
      if (x < start[k] || x > start[k] + glyphs[k].width) continue;
      const bool marker = x == start[k] + glyphs[k].width;
      if (y == 0) return marker ? 255 : 0;
      // Marker columns carry noise below row 0, which the loader skips.
      return marker ? 0x5A : glyphs[k].ink(x - start[k], y - 1);
    }
    return 0;
  });
}

inline bool LoadFont(ZGUI::cBitmapFont& font, std::vector<unsigned char> bytes,
                     const char* characterSet) {
  TMemFile stream(bytes.data(), static_cast<int32_t>(bytes.size()), true);
  return font.Load(&stream, characterSet);
}

// A uniform glyph: every pixel of its ink rows at one intensity.
inline tGlyphArt Block(int width, std::uint8_t value) {
  return {width, [value](int, int) { return value; }};
}

// The characters of the launcher's font.
inline constexpr char kLauncherSet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ\xC4\xD6\xDC"
    "abcdefghijklmnopqrstuvwxyz\xE4\xF6\xFC\xDF"
    "1234567890,;.:-_#'+*~\xB4`?=()[]{}/\\&%$\xA7\"!^\xB0<>| @";

// The launcher's font as generated into the build tree (the tests run in the
// build folder after sample_data is built).
inline bool LoadLauncherFont(ZGUI::cBitmapFont* face) {
  TFakeArchive launcher;
  launcher.SetFileName("gen\\launcher\\");
  ClearFileAccessFunctions();
  AddArchive(&launcher);
  const bool loaded = face->Load("fonts\\Arial.pcx", kLauncherSet);
  RemoveArchive(&launcher);
  FreeFileAccessLists();
  return loaded;
}

}  // namespace guitest
