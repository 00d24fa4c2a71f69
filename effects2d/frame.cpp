#include "effects2d/frame.h"

#include <string>

#include "demo/command.h"
#include "effects2d/blob.h"
#include "effects2d/bumpscroller.h"
#include "effects2d/commands.h"
#include "effects2d/crazyfontcollector.h"
#include "effects2d/fade_to_color.h"
#include "effects2d/grab_texture.h"
#include "effects2d/graypicturecollector.h"
#include "effects2d/logo_rot3d.h"
#include "effects2d/morph.h"
#include "effects2d/morphcollector.h"
#include "effects2d/motion_blur.h"
#include "effects2d/picturecollector.h"
#include "effects2d/pixel_crossfade.h"
#include "effects2d/rotozoomer.h"
#include "effects2d/sample.h"
#include "effects2d/scrolly.h"
#include "effects2d/scrollycollector.h"
#include "effects2d/slideshow.h"
#include "effects2d/sprite.h"
#include "effects2d/texturecollector.h"
#include "effects2d/wobble.h"
#include "effects2d/xfadecollector.h"
#include "foundation/gfxloader.h"
#include "script/filters.h"
#include "script/symbols.h"
#include "threedee/scene/interpolatedvalues.h"
#include "windxkernel/video.h"

namespace VOXA2 {
namespace effects2d {

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
  if (source == target) parser->Error(errBufferExpected, "Source and target must be different buffers!");
}

SurfaceLock::SurfaceLock(video::voxaSurface* surface, int mode) {
  if (surface && surface->Lock(&pixels_, &pitch_, mode)) surface_ = surface;
}

SurfaceLock::~SurfaceLock() {
  if (surface_) surface_->Unlock();
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
  std::string name;
  if (parser->token->code == tokString)
    name = static_cast<cStringToken*>(parser->token.get())->text;
  parser->Expect(tokString);
  return name;
}

}  // namespace effects2d

namespace {

cVOXAdatacollector* NewPictureCollector() {
  return new (std::nothrow) cVOXApicturecollector("picture");
}
cVOXAdatacollector* NewTextureCollector() {
  return new (std::nothrow) cVOXAtexturecollector("texture");
}
cVOXAdatacollector* NewSampleCollector() {
  return new (std::nothrow) cVOXAsamplecollector("sample");
}
cVOXAdatacollector* NewCrazyFontCollector() {
  return new (std::nothrow) cVOXAcrazyfontcollector("crazyfont");
}
cVOXAdatacollector* NewScrollyCollector() {
  return new (std::nothrow) cVOXAscrollycollector("scrolly");
}
cVOXAdatacollector* NewMorphCollector() {
  return new (std::nothrow) cVOXAmorphcollector("morph");
}
cVOXAdatacollector* NewXfadeCollector() { return new (std::nothrow) cVOXAxfadecollector("xfade"); }
cVOXAdatacollector* NewGrayPictureCollector() {
  return new (std::nothrow) cVOXAgraypicturecollector("graypicture");
}

}  // namespace

bool RegisterEffects2D() {
  static bool readers = false;
  if (!readers) {
    RegisterPictureReaders();
    readers = true;
  }
  if (!filter::RegisterFilters()) return false;
  bool ok = SetBuiltInCommandCreator("clear", cVOXAclear::Create) &&
            SetBuiltInCommandCreator("copy", cVOXAcopy::Create) &&
            SetBuiltInCommandCreator("picture", cVOXApicture::Create) &&
            SetBuiltInCommandCreator("music_volume", cVOXAmusic_volume::Create) &&
            SetBuiltInCommandCreator("sample", cVOXAsample::Create) &&
            SetBuiltInCommandCreator("scrolly", cVOXAscrolly::Create) &&
            SetBuiltInCommandCreator("sprite", cVOXAsprite::Create) &&
            SetBuiltInCommandCreator("logo_rot3d", cVOXAlogo_rot3d::Create) &&
            SetBuiltInCommandCreator("fade_to_color", cVOXAfade_to_color::Create) &&
            SetBuiltInCommandCreator("rotozoomer", cVOXArotozoomer::Create) &&
            SetBuiltInCommandCreator("wobble", cVOXAwobble::Create) &&
            SetBuiltInCommandCreator("slideshow", cVOXAslideshow::Create) &&
            SetBuiltInCommandCreator("blob", cVOXAblob::Create) &&
            SetBuiltInCommandCreator("morph", cVOXAmorph::Create) &&
            SetBuiltInCommandCreator("pixel_crossfade", cVOXApixel_crossfade::Create) &&
            SetBuiltInCommandCreator("motion_blur", cVOXAmotion_blur::Create) &&
            SetBuiltInCommandCreator("grab_texture", cVOXAgrab_texture::Create) &&
            SetBuiltInCommandCreator("bumpscroller", cVOXAbumpscroller::Create);
  // A kind registered before (a second start-up) keeps its creator.
  RegisterDataCollectorKind("picture", NewPictureCollector);
  RegisterDataCollectorKind("texture", NewTextureCollector);
  RegisterDataCollectorKind("sample", NewSampleCollector);
  RegisterDataCollectorKind("crazyfont", NewCrazyFontCollector);
  RegisterDataCollectorKind("scrolly", NewScrollyCollector);
  RegisterDataCollectorKind("morph", NewMorphCollector);
  RegisterDataCollectorKind("xfade", NewXfadeCollector);
  RegisterDataCollectorKind("graypicture", NewGrayPictureCollector);
  return ok;
}

}  // namespace VOXA2
