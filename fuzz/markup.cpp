// libFuzzer target for marked-up text: the first two bytes give the width of
// the text area, the rest is the text. The document is laid out, hit-tested
// and searched for an anchor; nothing may escape, leak or overflow. Built by
// tools/fuzz.sh only.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gui/hypertext.h"
#include "tests/gui/font_fixtures.h"
#include "windxkernel/video.h"

namespace {

ZGUI::cFontManager* manager = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  VOXA2::screenInfo.width = 640;
  VOXA2::screenInfo.height = 480;
  manager = new ZGUI::cFontManager();
  // Every byte but 0 has a glyph, of a width that depends on the byte.
  std::string characters;
  std::vector<guitest::tGlyphArt> glyphs;
  for (int c = 1; c < 256; ++c) {
    characters += static_cast<char>(c);
    glyphs.push_back(guitest::Block(3 + c % 11, static_cast<std::uint8_t>(c)));
  }
  auto* face = new ZGUI::cBitmapFont();
  guitest::LoadFont(*face, guitest::FontPicture(glyphs, 24), characters.c_str());
  manager->AddFont("Arial", face);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::int32_t width = (data[0] | data[1] << 8) % 2048;
  const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
  ZGUI::cHypertextDocument document;
  document.Build(text.c_str(), width);
  for (std::int32_t y = 0; y < document.GetDocumentHeight(); y += 7) document.HitTest(y % 300, y);
  document.FindAnchor("top");
  return 0;
}
