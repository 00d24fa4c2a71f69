#include "demo/block.h"

#include <string>

#include "demo/command.h"
#include "script/symbols.h"
#include "threedee/scene/interpolatedvalues.h"

namespace VOXA2 {

namespace {

// The symbol of the current token when it is a buffer's, else none.
cContainer* BufferSymbol(cParserT* parser) {
  auto* ident = parser->token->code == tokIdentifier
                    ? dynamic_cast<cIdentToken*>(parser->token.get())
                    : nullptr;
  auto* container = ident ? dynamic_cast<cContainer*>(ident->symbol) : nullptr;
  if (!container || (container->kind != symScreenBuffer && container->kind != symTemporaryBuffer))
    return nullptr;
  return container;
}

}  // namespace

video::voxaSurface* ReadBufferName(cParserT* parser) {
  cContainer* container = BufferSymbol(parser);
  if (!container) parser->Error(errBufferExpected, "Buffer expected!");
  auto* surface = static_cast<video::voxaSurface*>(container->object);
  parser->Expect(tokIdentifier);
  return surface;
}

video::voxaSurface* ReadTemporaryBufferName(cParserT* parser) {
  cContainer* container = BufferSymbol(parser);
  if (!container || container->kind != symTemporaryBuffer)
    parser->Error(errBufferExpected, "Temporary buffer expected!");
  return ReadBufferName(parser);
}

video::voxaSurface* ReadBufferStatement(cParserT* parser) {
  parser->GetToken();
  video::voxaSurface* surface = ReadBufferName(parser);
  parser->Expect(tokSemicolon);
  return surface;
}

void RefuseSameBuffer(cParserT* parser, video::voxaSurface* source, video::voxaSurface* target) {
  if (source == target)
    parser->Error(errBufferExpected, "Source and target must be different buffers!");
}

void SetWindow(cVOXAcommand* command, float start, float length) {
  command->start = start;
  command->length = length;
  command->end = start + length;
}

bool AtBlockEnd(cParserT* parser, bool* skipped) {
  *skipped = false;
  if (parser->token->code == tokCloseBrace) {
    parser->Expect(tokCloseBrace);
    return true;
  }
  if (parser->token->code == tokSemicolon) {
    parser->GetToken();
    *skipped = true;
  }
  return false;
}

bool BlockSyntaxError(cParserT* parser) {
  parser->Error(errBlockSyntax, "Syntax error!");
  return false;
}

bool IsWordAnyCase(cParserT* parser, const char* word) {
  if (parser->token->code != tokIdentifier) return false;
  const std::string& text = static_cast<cIdentToken*>(parser->token.get())->text;
  std::size_t i = 0;
  for (; word[i]; i++) {
    if (i >= text.size()) return false;
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return i == text.size();
}

bool IsExactWord(cParserT* parser, const char* word) {
  return parser->token->code == tokIdentifier &&
         static_cast<cIdentToken*>(parser->token.get())->text == word;
}

cView3Di_position* ReadTrack(cParserT* parser, std::int32_t components, float length) {
  parser->GetToken();
  cView3Di_position* track = ParseInterpolator(parser, components, length);
  if (!track) parser->Error(errBlockSyntax, "Syntax error!");
  return track;
}

void ClampTrack(cView3Di_position* track, float lower, float upper) {
  track->clampAbove = true;
  track->upperBound = upper;
  track->clampBelow = true;
  track->lowerBound = lower;
}

std::string ReadFileName(cParserT* parser) {
  parser->GetToken();
  return ReadStringLiteral(parser);
}

std::string ReadStringLiteral(cParserT* parser) {
  std::string name;
  if (parser->token->code == tokString)
    name = static_cast<cStringToken*>(parser->token.get())->text;
  parser->Expect(tokString);
  return name;
}

}  // namespace VOXA2
