// The demo's cache of crazy fonts ("crazyfont"): each font is described by
// "fonts\<name>.dsc" (picture, character sets, key colours) or, without a
// readable description, by the defaults with the font's name as its picture.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "demo/datacollector.h"
#include "foundation/basis.h"

namespace VOXA2 {

class cParserT;
struct cToken;

struct tFontDesc : public virtual basis::basisStruct {
  ~tFontDesc() override = default;

  static void SetDefaults(tFontDesc* description, const char* name);
  static void FreeStrings(tFontDesc* description);

  std::string font;              // the picture, relative to "fonts\"
  std::string text;              // the characters of the cells from left to right
  std::string aliasText;         // characters drawn with the glyph at the same position of text
  std::uint32_t background = 0;  // 0xRRGGBBAA, transparent inside the glyphs
  std::uint32_t separation = 0;  // 0xRRGGBBAA, the column that ends each cell
};

// The parse callback of a font description file; context is the tFontDesc.
void ReadFontDescription(cParserT* parser, void* context);

// A copy of a string token's text; none for any other token.
std::optional<std::string> DupStringToken(const cToken* token);

class cVOXAcrazyfontcollector : public cVOXAdatacollector {
 public:
  explicit cVOXAcrazyfontcollector(const char* kind) : cVOXAdatacollector(kind) {}
  // The entries go here, so that this kind's FreeItem frees the fonts.
  ~cVOXAcrazyfontcollector() override { FreeEntries(); }

  // The entries' data are CrazyFont pointers.
  void FreeItem(void* data) override;
  bool LoadItem(tDataEntry* entry) override;
  void PrepareItem(void*) override {}
  bool RestoreItem(void* data) override;
};

}  // namespace VOXA2
