// The demo script compiler: the top-level statements (buffers, screen textures,
// pipelines, sequences, handlers, "main") and the timelines of the pipelines.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "demo/demo.h"
#include "demo/lists.h"
#include "foundation/allocate.h"
#include "script/parser.h"
#include "threedee/scene/interpolatedvalues.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/video.h"

namespace VOXA2 {
namespace {

using VOXA::errors::NewOrThrow;

enum : std::int32_t {
  errTopLevelSyntax = 100,
  errBlockSyntax = 101,
  errWrongKind = 104,
  errKeyHandlerExpected = 105,
  errCommandExpected = 111,
  errSymbolDefined = 112,
  errInternal = 113,
  errCommandLoad = 114,
  errHandlerExpected = 115,
  errUnknownKey = 116,
  errNoSurface = 120,
};

// Screen textures larger than this cannot be written in the request's four digits.
constexpr std::int32_t kMaxScreenTextureSize = 9999;

std::int32_t Code(cParserT* p) { return p->token->code; }

cIdentToken* Identifier(cParserT* p) {
  if (Code(p) != tokIdentifier) return nullptr;
  return dynamic_cast<cIdentToken*>(p->token.get());
}

bool IsWord(cParserT* p, const char* word) {
  cIdentToken* ident = Identifier(p);
  return ident && ident->text == word;
}

// The object of the current identifier's symbol when it has that kind, else none.
void* SymbolOfKind(cParserT* p, std::int32_t kind, bool* found = nullptr) {
  cIdentToken* ident = Identifier(p);
  auto* container = ident ? dynamic_cast<cContainer*>(ident->symbol) : nullptr;
  const bool match = container && container->kind == kind;
  if (found) *found = match;
  return match ? container->object : nullptr;
}

void DefineObject(cParserT* p, const std::string& name, std::int32_t kind, void* object) {
  auto* entry = NewOrThrow<cContainer>("cContainer", name, kind, object, false);
  p->Define(std::unique_ptr<cData>(entry));
}

// The current token names the new object; defines it and reads on.
void DefineName(cParserT* p, std::int32_t kind, void* object) {
  p->Check(tokIdentifier);
  DefineObject(p, Identifier(p)->text, kind, object);
  p->GetToken();
}

void RedefineText(cParserT* p, const char* name, const char* value) {
  auto* entry = NewOrThrow<cDefine>("cDefine", name, value);
  p->Redefine(std::unique_ptr<cData>(entry));
}

void RedefineTime(cParserT* p, const char* name, float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
  RedefineText(p, name, text);
}

// "loop" A "to" B ";" or "loop" "disabled" ";", the current token after "loop".
void ParseLoop(cParserT* p, bool* on, float* point, float* target) {
  if (Code(p) == tokDisabled) {
    p->GetToken();
    *on = false;
  } else {
    *point = p->ParseFloatExpression();
    p->Expect(tokTo);
    *target = p->ParseFloatExpression();
    *on = true;
  }
  p->Expect(tokSemicolon);
}

float ParseTimeStatement(cParserT* p) {
  p->GetToken();
  const float value = p->ParseFloatExpression();
  p->Expect(tokSemicolon);
  return value;
}

void ParseBuffer(cParserT* p, cVOXAdemo* demo) {
  p->GetToken();
  p->Check(tokIdentifier);
  const std::string name = Identifier(p)->text;
  if (p->FindSymbol(name.c_str())) p->Error(errSymbolDefined, "Symbol already defined!");
  video::voxaSurface* surface = demo->AddSurface(nullptr);
  if (!surface) p->Error(errNoSurface, "Error on allocating new temporary surface!");
  DefineObject(p, name, symTemporaryBuffer, surface);
  p->GetToken();
  p->Expect(tokSemicolon);
}

std::string ScreenTextureRequest(const std::string& name, bool sized, std::int32_t width,
                                 std::int32_t height) {
  std::string request = "\x08";
  if (sized) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "\x08%04d%04d", static_cast<int>(width),
                  static_cast<int>(height));
    request += digits;
  }
  return request + name;
}

void ParseTexture(cParserT* p, cVOXAdemo* demo) {
  p->GetToken();
  p->Check(tokString);
  const std::string name = static_cast<cStringToken*>(p->token.get())->text;
  p->GetToken();
  bool sized = false;
  std::int32_t width = 0, height = 0;
  if (Code(p) == tokComma) {
    p->GetToken();
    const std::int32_t w = p->ParseIntExpression();
    p->Expect(tokComma);
    const std::int32_t h = p->ParseIntExpression();
    if (w < 0 || h < 0)
      p->Error(errNoCode,
               "Width and height must be greater or equal to one pixel, or must be zero for "
               "default size");
    // Sizes beyond four digits would wrap in the request; they are refused.
    if (w > kMaxScreenTextureSize || h > kMaxScreenTextureSize)
      p->Error(errNoCode, "Width and height must be at most %i pixels",
               static_cast<int>(kMaxScreenTextureSize));
    width = w;
    height = h;
    sized = true;
  }
  p->Expect(tokSemicolon);
  cVOXAdatacollector* collector = demo->FindDataCollector("texture");
  if (!collector) {
    collector = CreateDataCollector("texture");
    if (!collector || !demo->AddDataCollector(collector)) {
      delete collector;
      p->Error(errNoCode, "Error on creating texture collector!");
    }
  }
  const std::string request = ScreenTextureRequest(name, sized, width, height);
  if (!collector->GetData(request.c_str()))
    p->Error(errNoCode, "Error on creating new screen texture!");
}

void ParseSequence(cParserT* p, cVOXAdemo* demo) {
  p->GetToken();
  auto* sequence = NewOrThrow<cVOXAsequence>("cVOXAsequence", demo);
  try {
    AppendToList(demo->sequences, sequence, "sequences list!");
  } catch (...) {
    delete sequence;
    throw;
  }
  DefineName(p, symSequence, sequence);
  p->Expect(tokOpenBrace);
  for (;;) {
    const std::int32_t code = Code(p);
    if (code == tokSemicolon) {
      p->GetToken();
    } else if (code == tokCloseBrace) {
      p->GetToken();
      break;
    } else if (code == tokStart) {
      sequence->start = ParseTimeStatement(p);
    } else if (code == tokLength) {
      sequence->length = ParseTimeStatement(p);
    } else if (code == tokRelative) {
      p->GetToken();
      if (Code(p) == tokStart)
        sequence->relativeStart = ParseTimeStatement(p);
      else if (Code(p) == tokLength)
        sequence->relativeLength = ParseTimeStatement(p);
      else
        p->Error(errBlockSyntax, "Syntax error!");
    } else if (code == tokPipeline) {
      p->GetToken();
      bool found = false;
      auto* pipeline = static_cast<cVOXApipeline*>(SymbolOfKind(p, symPipeline, &found));
      if (!found) p->Error(errWrongKind, "Pipeline expected!");
      p->GetToken();
      cVOXAsequence::tPipelineTime time{0.0f, 1.0f};
      for (;;) {
        if (IsWord(p, "add")) {
          p->GetToken();
          time.add = p->ParseFloatExpression();
        } else if (IsWord(p, "multiply")) {
          p->GetToken();
          time.multiply = p->ParseFloatExpression();
        } else {
          break;
        }
      }
      p->Expect(tokSemicolon);
      AppendToList(sequence->pipelines, pipeline, "pipeline list!");
      try {
        AppendToList(sequence->times, time, "pipeline times list!");
      } catch (...) {
        sequence->pipelines.pop_back();
        throw;
      }
    } else {
      p->Error(errBlockSyntax, "Syntax error!");
    }
  }
  sequence->end = sequence->start + sequence->length;
  sequence->relativeEnd = sequence->relativeStart + sequence->relativeLength;
}

void ParseHandlerList(cParserT* p, std::vector<tHandler*>& list, const char* listName) {
  p->GetToken();
  bool found = false;
  auto* handler = static_cast<tHandler*>(SymbolOfKind(p, symHandler, &found));
  if (!found) p->Error(errHandlerExpected, "Handler expected!");
  p->GetToken();
  p->Expect(tokSemicolon);
  AppendToList(list, handler, listName);
}

void ParseHandler(cParserT* p, cVOXAdemo* demo) {
  p->GetToken();
  tHandler* handler = demo->AddHandler();
  // Defined before the body, so a handler may name itself.
  DefineName(p, symHandler, handler);
  p->Expect(tokOpenParen);
  p->Expect(tokCloseParen);
  p->Expect(tokOpenBrace);
  for (;;) {
    const std::int32_t code = Code(p);
    if (code == tokSemicolon) {
      p->GetToken();
    } else if (code == tokCloseBrace) {
      p->GetToken();
      return;
    } else if (code == tokEnable) {
      ParseHandlerList(p, handler->enableList, "handler's enable list!");
    } else if (code == tokDisable) {
      ParseHandlerList(p, handler->disableList, "handler's disable list!");
    } else if (code == tokTrigger) {
      ParseHandlerList(p, handler->triggerList, "handler's trigger list!");
    } else if (code == tokLoop) {
      p->GetToken();
      handler->loopGiven = true;
      ParseLoop(p, &handler->loopOn, &handler->loopPoint, &handler->loopTarget);
    } else if (code == tokJump) {
      handler->jumpGiven = true;
      handler->jumpTime = ParseTimeStatement(p);
    } else {
      p->Error(errBlockSyntax, "Syntax error!");
    }
  }
}

void ParseMain(cParserT* p, cVOXAdemo* demo) {
  p->GetToken();
  p->Expect(tokOpenParen);
  p->Expect(tokCloseParen);
  p->Expect(tokOpenBrace);
  for (;;) {
    const std::int32_t code = Code(p);
    if (code == tokSemicolon) {
      p->GetToken();
    } else if (code == tokCloseBrace) {
      p->GetToken();
      return;
    } else if (code == tokSequence) {
      p->GetToken();
      bool found = false;
      auto* sequence = static_cast<cVOXAsequence*>(SymbolOfKind(p, symSequence, &found));
      if (!found) p->Error(errWrongKind, "Sequence expected!");
      p->GetToken();
      p->Expect(tokSemicolon);
      AppendToList(demo->runList, sequence, "sequences list!");
    } else if (code == tokKey) {
      p->GetToken();
      p->Check(tokIdentifier);
      const std::string keyName = Identifier(p)->text;
      const std::int32_t key = LookupKeyName(keyName.c_str());
      if (key == 0) p->Error(errUnknownKey, "Unknown keycode \"%s\"!", keyName.c_str());
      p->GetToken();
      p->Expect(tokWith);
      bool found = false;
      auto* handler = static_cast<tHandler*>(SymbolOfKind(p, symHandler, &found));
      if (!found) p->Error(errKeyHandlerExpected, "Handler expected!");
      p->GetToken();
      p->Expect(tokSemicolon);
      tKeyHandler* binding = demo->AddKeyHandler();
      binding->key = key;
      binding->handler = handler;
    } else if (code == tokMusic) {
      p->GetToken();
      p->Check(tokString);
      char where[64];
      std::snprintf(where, sizeof where, "(%i,%i)", p->line, p->column);
      demo->musicWhere = std::string(p->GetSourceName() ? p->GetSourceName() : "<unknown>") + where;
      std::string file = static_cast<cStringToken*>(p->token.get())->text;
      p->GetToken();
      p->Expect(tokComma);
      const std::int32_t volume = p->ParseIntExpression();
      p->Expect(tokComma);
      const std::int32_t flag = p->ParseIntExpression();
      p->Expect(tokSemicolon);
      demo->musicFile = std::move(file);
      demo->musicVolume = volume;
      demo->musicFlag = flag != 0;
    } else if (code == tokBod) {
      demo->startOffset = ParseTimeStatement(p);
    } else if (code == tokEod) {
      demo->end = ParseTimeStatement(p);
    } else if (code == tokLoop) {
      p->GetToken();
      ParseLoop(p, &demo->loopOn, &demo->loopPoint, &demo->loopTarget);
    } else {
      p->Error(errBlockSyntax, "Syntax error!");
    }
  }
}

void ParsePipeline(cParserT* p, cVOXAdemo* demo, bool parallel) {
  cVOXApipeline* pipeline = parallel
                                ? NewOrThrow<cVOXAparallelPipeline>("cVOXAparallelPipeline", demo)
                                : NewOrThrow<cVOXApipeline>("cVOXApipeline", demo);
  try {
    AppendToList(demo->pipelines, pipeline, "pipeline list!");
  } catch (...) {
    delete pipeline;
    throw;
  }
  demo->ParseTimeline(pipeline, p);
}

void DefinePredefinedSymbols(cParserT* p, cVOXAdemo* demo) {
  video::voxaSurface* front = video::GetFrontSurface();
  video::voxaSurface* back = video::GetBackSurface();
  video::voxaSurface* temporary = video::kernelSurface::CreateTemporary();
  AppendToList(demo->surfaces, front, "surface list!");
  DefineObject(p, "DDSprimary", symScreenBuffer, front);
  AppendToList(demo->surfaces, back, "surface list!");
  DefineObject(p, "DDSsecondary", symScreenBuffer, back);
  // The shared temporary surface belongs to the video device, never to the demo.
  AppendToList(demo->surfaces, temporary, "surface list!");
  DefineObject(p, "DDStemporary", symTemporaryBuffer, temporary);
  for (std::int32_t i = 0; const tCommandDesc* record = GetRegisteredCommand(i); i++)
    if (record->name) DefineObject(p, record->name, symCommand, const_cast<tCommandDesc*>(record));
}

}  // namespace

bool cVOXAdemo::Load(const char* scriptName) {
  video::kernelSurface* back = video::GetBackSurface();
  back->Fill(0);
  if (loadingPicture) {
    void* pixels = nullptr;
    int pitch = 0;
    if (!back->Lock(&pixels, &pitch, 0)) {
      LogMessage(5, "Lock() failed!");
      return false;
    }
    const std::int32_t width = screenInfo.width, height = screenInfo.height;
    loadingPicture->Draw(pixels, pitch, width, height, (width - loadingPicture->Width()) / 2,
                         (height - loadingPicture->Height()) / 2);
    back->Unlock();
  }
  video::PresentFrame();
  video::GetFrontSurface()->Copy(back);
  auto parser = std::unique_ptr<cParser>(NewOrThrow<cParser>("cParser"));
  return parser->ParseFile(scriptName, ParseStructure, this);
}

void cVOXAdemo::ParseStructure(cParserT* p, void* context) {
  auto* demo = static_cast<cVOXAdemo*>(context);
  DefinePredefinedSymbols(p, demo);
  while (Code(p) != tokEndOfFile) {
    const std::int32_t code = Code(p);
    if (code == tokBuffer) {
      ParseBuffer(p, demo);
    } else if (code == tokPipeline) {
      ParsePipeline(p, demo, false);
    } else if (code == tokSequence) {
      ParseSequence(p, demo);
    } else if (code == tokHandler) {
      ParseHandler(p, demo);
    } else if (code == tokMain) {
      ParseMain(p, demo);
    } else if (IsWord(p, "texture")) {
      ParseTexture(p, demo);
    } else if (IsWord(p, "parallel")) {
      p->GetToken();
      ParsePipeline(p, demo, true);
    } else {
      p->Error(errTopLevelSyntax, "Syntax error!");
    }
  }
}

void cVOXAdemo::ParseTimeline(cVOXApipeline* pipeline, cParserT* p) {
  static const char* const kTimingSymbols[] = {"__LAST_START__", "__LAST_LENGTH__", "__LAST_END__",
                                               "__START__",      "__LENGTH__",      "__END__"};
  for (const char* name : kTimingSymbols) RedefineText(p, name, "0");
  p->Expect(tokPipeline);
  DefineName(p, symPipeline, pipeline);
  p->Expect(tokOpenBrace);
  for (;;) {
    const std::int32_t code = Code(p);
    if (code == tokCloseBrace) {
      p->GetToken();
      return;
    }
    if (code == tokSemicolon) {
      p->GetToken();
      continue;
    }
    if (code != tokEntry) p->Error(errBlockSyntax, "Syntax error!");
    p->GetToken();
    const float start = p->ParseFloatExpression();
    RedefineTime(p, "__START__", start);
    p->Expect(tokColon);
    const float length = p->ParseFloatExpression();
    RedefineTime(p, "__LENGTH__", length);
    RedefineTime(p, "__END__", start + length);
    p->Expect(tokColon);
    bool found = false;
    auto* record = static_cast<tCommandDesc*>(SymbolOfKind(p, symCommand, &found));
    if (!found) p->Error(errCommandExpected, "Command expected");
    if (!record) p->Error(errInternal, "Internal error!");
    p->GetToken();
    p->Expect(tokOpenBrace);
    // A record without a creator, or a creator that fails, is a failed load.
    cVOXAcommand* command = record->creator ? record->creator(pipeline->demo) : nullptr;
    if (!command) p->Error(errCommandLoad, "Error on loading command!");
    pipeline->AddCommand(command);
    if (!command->Parse(start, length, p)) p->Error(errCommandLoad, "Error on loading command!");
    if (IsWord(p, "hide")) {
      p->GetToken();
      command->hideTrack.reset(ParseEnumInterpolator(p, length));
    }
    RedefineTime(p, "__LAST_START__", start);
    RedefineTime(p, "__LAST_LENGTH__", length);
    RedefineTime(p, "__LAST_END__", start + length);
  }
}

}  // namespace VOXA2
