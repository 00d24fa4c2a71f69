#include "effects2d/scrollycollector.h"

#include <new>
#include <utility>

#include "demo/demo.h"
#include "demo/lists.h"
#include "effects2d/crazyfont.h"
#include "effects2d/crazyfontcollector.h"
#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "script/parser.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/video.h"

namespace VOXA2 {
namespace {

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::errors::NewOrThrow;

// The symbol kind of the option words, and the option each one names.
constexpr std::int32_t kOptionSymbol = 8;
enum : std::int32_t { optSize = 1, optAlign = 2, optVelocity = 3, optAccel = 4 };

enum : std::int32_t {
  errSyntax = 100,
  errInternal = 150,
  errFont = 151,
  errSize = 152,
};

std::string Duplicate(const std::string& text) {
  try {
    return text;
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eOutOfMemory("Could not allocate memory to duplicate duplicate string");
  }
}

void DefineOptionWords(cParserT* parser) {
  static const char* const kWords[] = {"size", "align", "velocity", "accel"};
  for (std::int32_t i = 0; i < 4; i++) {
    std::unique_ptr<cData> entry;
    try {
      entry = std::make_unique<cData>(Duplicate(kWords[i]), kOptionSymbol, i + 1);
    } catch (const std::bad_alloc&) {
      throw new VOXA::errors::eOutOfMemory(
          "Could not allocate memory to duplicate duplicate string");
    }
    parser->Define(std::move(entry));
  }
}

// "(" x "," y ")"
void ReadPair(cParserT* parser, float* x, float* y) {
  parser->Expect(tokOpenParen);
  *x = parser->ParseFloatExpression();
  parser->Expect(tokComma);
  *y = parser->ParseFloatExpression();
  parser->Expect(tokCloseParen);
}

template <typename T>
T* Grow(std::vector<std::unique_ptr<T>>& list, const char* listName, const char* className) {
  std::unique_ptr<T> made(NewOrThrow<T>(className));
  T* raw = made.get();
  AppendToList(list, std::move(made), listName);
  return raw;
}

// One option after ",": colour, position, alpha, or a word of the option table.
void ReadOption(cParserT* parser, tScrollyTextKF* frame) {
  switch (parser->token->code) {
    case tokColor:
      parser->GetToken();
      parser->Expect(tokOpenParen);
      frame->red = parser->ParseFloatExpression();
      parser->Expect(tokComma);
      frame->green = parser->ParseFloatExpression();
      parser->Expect(tokComma);
      frame->blue = parser->ParseFloatExpression();
      parser->Expect(tokCloseParen);
      return;
    case tokPosition:
      parser->GetToken();
      ReadPair(parser, &frame->position.x, &frame->position.y);
      return;
    case tokAlpha:
      parser->GetToken();
      frame->alphaFrom = parser->ParseFloatExpression();
      parser->Expect(tokTo);
      frame->alphaTo = parser->ParseFloatExpression();
      return;
    case tokIdentifier:
      break;
    default:
      parser->Error(errSyntax, "Syntax error!");
  }
  const cData* symbol = static_cast<cIdentToken*>(parser->token.get())->symbol;
  if (!symbol || symbol->kind != kOptionSymbol) parser->Error(errSyntax, "Syntax error!");
  parser->Expect(tokIdentifier);
  switch (symbol->param) {
    case optSize:
      frame->sizeFrom = frame->sizeTo = parser->ParseFloatExpression();
      if (parser->token->code == tokTo) {
        parser->GetToken();
        frame->sizeTo = parser->ParseFloatExpression();
      }
      return;
    case optAlign:
      ReadPair(parser, &frame->align.x, &frame->align.y);
      frame->align.x *= 0.5f;
      frame->align.y *= 0.5f;
      return;
    case optVelocity:
      ReadPair(parser, &frame->velocity.x, &frame->velocity.y);
      return;
    case optAccel:
      ReadPair(parser, &frame->acceleration.x, &frame->acceleration.y);
      return;
    default:
      parser->Error(errInternal, "Internal error!");
  }
}

void ReadKeyFrame(cParserT* parser, tScrolly* description, tScrollyText* text) {
  parser->Check(tokString);
  tScrollyTextKF* frame = Grow(text->keyFrames, "scrolly text key frame list", "tScrollyTextKF");
  const std::string fontName = Duplicate(static_cast<cStringToken*>(parser->token.get())->text);
  parser->Expect(tokString);
  frame->font = description->fontCollector
                    ? static_cast<CrazyFont*>(description->fontCollector->GetData(fontName.c_str()))
                    : nullptr;
  if (!frame->font)
    parser->Error(errFont, "Crazy font \"%s\" coult not be loaded!", fontName.c_str());
  parser->Expect(tokComma);
  frame->start = parser->ParseFloatExpression();
  parser->Expect(tokComma);
  frame->duration = parser->ParseFloatExpression();
  frame->alphaFrom = frame->alphaTo = 1.0f;
  frame->red = frame->green = frame->blue = 1.0f;
  while (parser->token->code != tokSemicolon) {
    parser->Expect(tokComma);
    ReadOption(parser, frame);
  }
  if (!(frame->sizeFrom > 0.0f) || !(frame->sizeTo > 0.0f))
    parser->Error(errSize, "Size must be positive float greater than zero!");

  const auto w = static_cast<float>(screenInfo.virtualWidth);
  const auto h = static_cast<float>(screenInfo.virtualHeight);
  frame->scale = (w * 480.0f) / (static_cast<float>(frame->font->height) * 640.0f);
  frame->width = static_cast<float>(frame->font->TextWidth(text->text.c_str())) * frame->scale;
  frame->height = h;
  for (t2DVector* v : {&frame->position, &frame->velocity, &frame->acceleration}) {
    v->x *= w;
    v->y *= h;
  }
  parser->Expect(tokSemicolon);
}

}  // namespace

void tScrolly::Parse(cParserT* parser, void* context) {
  auto* description = static_cast<tScrolly*>(context);
  DefineOptionWords(parser);
  parser->Expect(tokOpenBrace);
  for (;;) {
    if (parser->token->code == tokCloseBrace) return;
    if (parser->token->code != tokString) parser->Error(errSyntax, "Syntax error!");
    tScrollyText* text = Grow(description->texts, "scrolly texts", "tScrollyText");
    text->text = Duplicate(static_cast<cStringToken*>(parser->token.get())->text);
    parser->Expect(tokString);
    parser->Expect(tokOpenBrace);
    while (parser->token->code != tokCloseBrace) ReadKeyFrame(parser, description, text);
    parser->GetToken();
  }
}

void cVOXAscrollycollector::FreeItem(void* data) { delete static_cast<tScrolly*>(data); }

bool cVOXAscrollycollector::LoadItem(tDataEntry* entry) {
  cVOXAdatacollector* fonts = demo ? demo->FindDataCollector("crazyfont") : nullptr;
  if (!fonts && demo) {
    auto* created = NewOrThrow<cVOXAcrazyfontcollector>("cVOXAcrazyfontcollector", "crazyfont");
    if (!demo->AddDataCollector(created)) delete created;
    fonts = demo->FindDataCollector("crazyfont");
  }
  auto* fontCollector = dynamic_cast<cVOXAcrazyfontcollector*>(fonts);
  if (!fontCollector) return false;

  std::unique_ptr<tScrolly> description(
      NewOrThrow<tScrolly, eCouldNotAllocateMemoryFor>("scrolly", fontCollector));
  {
    std::unique_ptr<cParser> parser(NewOrThrow<cParser>("cParser"));
    if (!parser->ParseFile(entry->name.c_str(), tScrolly::Parse, description.get()))
      description.reset();
  }
  entry->data = description.release();
  if (!entry->data) {
    LogFailure("Could not load %s", entry->name.c_str());
    return false;
  }
  return true;
}

}  // namespace VOXA2
