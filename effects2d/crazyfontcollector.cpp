#include "effects2d/crazyfontcollector.h"

#include <memory>
#include <new>

#include "effects2d/crazyfont.h"
#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "script/parser.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/texture.h"

namespace VOXA2 {
namespace {

// The cells of the default font picture, and the letters that borrow their
// glyphs (lower case from upper case; ä, ö, ü from Ä, Ö, Ü).
constexpr const char kDefaultText[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!\"$%&/:()[]{}?\xDF\\\xC4\xD6\xDC#'*+~.,;-_<>| ";
constexpr const char kDefaultAlias[] =
    "abcdefghijklmnopqrstuvwxyz0123456789!\"$%&/:()[]{}?\xDF\\\xE4\xF6\xFC";
static_assert(sizeof kDefaultText - 1 == 69 && sizeof kDefaultAlias - 1 == 55);

std::string Duplicate(const char* text) {
  try {
    return text;
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eOutOfMemory("Could not allocate memory to duplicate duplicate string");
  }
}

bool IsWord(cParserT* parser, const char* word) {
  return parser->token->code == tokIdentifier &&
         static_cast<cIdentToken*>(parser->token.get())->text == word;
}

// The string token's text into target, then the string token is required.
void ReadString(cParserT* parser, std::string* target) {
  if (std::optional<std::string> text = DupStringToken(parser->token.get()))
    *target = std::move(*text);
  parser->Expect(tokString);
}

void ReadFontBlock(cParserT* parser, tFontDesc* description) {
  ReadString(parser, &description->font);
  parser->Expect(tokOpenBrace);
  while (parser->token->code != tokCloseBrace) {
    if (parser->token->code == tokSemicolon) {
      parser->GetToken();
    } else if (IsWord(parser, "text")) {
      parser->GetToken();
      ReadString(parser, &description->text);
      parser->Expect(tokComma);
      ReadString(parser, &description->aliasText);
    } else if (IsWord(parser, "background")) {
      parser->GetToken();
      description->background = static_cast<std::uint32_t>(parser->ParseIntExpression());
    } else if (IsWord(parser, "separation")) {
      parser->GetToken();
      description->separation = static_cast<std::uint32_t>(parser->ParseIntExpression());
    } else {
      parser->Error(101, "Syntax error!");
    }
  }
  parser->Expect(tokCloseBrace);
  parser->Expect(tokSemicolon);
}

}  // namespace

void tFontDesc::SetDefaults(tFontDesc* description, const char* name) {
  description->font = Duplicate(name ? name : "");
  description->text = Duplicate(kDefaultText);
  description->aliasText = Duplicate(kDefaultAlias);
  description->background = 0x000000FF;
  description->separation = 0xFF00FFFF;
}

void tFontDesc::FreeStrings(tFontDesc* description) {
  description->font.clear();
  description->text.clear();
  description->aliasText.clear();
}

std::optional<std::string> DupStringToken(const cToken* token) {
  if (!token || token->code != tokString) return std::nullopt;
  const auto* string = dynamic_cast<const cStringToken*>(token);
  if (!string) return std::nullopt;
  return Duplicate(string->text.c_str());
}

void ReadFontDescription(cParserT* parser, void* context) {
  auto* description = static_cast<tFontDesc*>(context);
  while (parser->token->code != tokEndOfFile) {
    if (!IsWord(parser, "font")) parser->Error(100, "Syntax error!");
    parser->GetToken();
    ReadFontBlock(parser, description);
  }
}

void cVOXAcrazyfontcollector::FreeItem(void* data) { delete static_cast<CrazyFont*>(data); }

bool cVOXAcrazyfontcollector::RestoreItem(void* data) {
  if (auto* font = static_cast<CrazyFont*>(data))
    for (auto& texture : font->textures)
      if (texture) texture->PreLoad();
  return true;
}

bool cVOXAcrazyfontcollector::LoadItem(tDataEntry* entry) {
  const char* name = entry->name.c_str();
  tFontDesc description;
  tFontDesc::SetDefaults(&description, name);
  {
    std::unique_ptr<cParser> parser(VOXA::errors::NewOrThrow<cParser>("cParser"));
    std::string fileName;
    try {
      fileName = "fonts\\" + entry->name + ".dsc";
    } catch (const std::bad_alloc&) {
      throw new VOXA::errors::eCouldNotAllocateMemoryFor("file name");
    }
    // A missing or broken description leaves nothing of what it had set.
    if (!parser->ParseFile(fileName.c_str(), ReadFontDescription, &description)) {
      tFontDesc::FreeStrings(&description);
      tFontDesc::SetDefaults(&description, name);
    }
  }
  CrazyFont* font = CrazyFont::Load(description.font.c_str(), description.text.c_str(),
                                    description.aliasText.c_str(), description.background,
                                    description.separation);
  entry->data = font;
  tFontDesc::FreeStrings(&description);
  if (!font) {
    LogMessage(5, "could not load font %s", name);
    return false;
  }
  return true;
}

}  // namespace VOXA2
