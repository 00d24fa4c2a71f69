// What the block of every script command shares: its time window, the end of
// the block, the syntax error, interpolated parameters, file and buffer names,
// the items of the demo's data collectors, and the command's creation.
#pragma once

#include <cstdint>
#include <string>

#include "demo/demo.h"
#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "script/parser.h"
#include "threedee/scene/valuetracks.h"

namespace VOXA2 {

namespace video {
class voxaSurface;
}

enum : std::int32_t {
  errBlockSyntax = 201,
  errBufferExpected = 202,
};

// Start, length and end of the command from the block's arguments.
void SetWindow(cVOXAcommand* command, float start, float length);
// At "}": consumes it and returns true. At ";": consumes it, sets *skipped.
bool AtBlockEnd(cParserT* parser, bool* skipped);
// Raises "Syntax error!" (201); the false is for the callers' returns.
bool BlockSyntaxError(cParserT* parser);
// Whether the current token is an identifier equal to word, letters A to Z in
// any case.
bool IsWordAnyCase(cParserT* parser, const char* word);
// Whether the current token is an identifier of exactly this text.
bool IsExactWord(cParserT* parser, const char* word);

// keyword, value of `components` components, ";". Clamps as given.
cView3Di_position* ReadTrack(cParserT* parser, std::int32_t components, float length);
void ClampTrack(cView3Di_position* track, float lower, float upper);

// The current token must be a string: returns its text and reads on.
std::string ReadStringLiteral(cParserT* parser);
// "file" "<name>": consumes the keyword and the string, returning its text.
std::string ReadFileName(cParserT* parser);

// The current token must name a buffer (screen or temporary): consumes it and
// returns its surface; "Buffer expected!" (202) otherwise.
video::voxaSurface* ReadBufferName(cParserT* parser);
// At "buffer": the statement "buffer" name ";", returning the name's surface.
video::voxaSurface* ReadBufferStatement(cParserT* parser);
// Likewise for a temporary buffer ("DDStemporary" or a declared one) only;
// "Temporary buffer expected!" (202) otherwise.
video::voxaSurface* ReadTemporaryBufferName(cParserT* parser);

// A pair's source and target must be two surfaces: one surface cannot be
// locked twice at once, so such a pair would fail every frame. Raises "Source
// and target must be different buffers!" (202) when they are one.
void RefuseSameBuffer(cParserT* parser, video::voxaSurface* source, video::voxaSurface* target);

// The item of that name from the demo's collector of the kind, loaded on the
// first request; null when the demo has no such collector or the load failed.
template <typename Item>
Item* CollectedItem(cVOXAdemo* demo, const char* kind, const std::string& name) {
  cVOXAdatacollector* collector = demo->FindDataCollector(kind);
  return collector ? static_cast<Item*>(collector->GetData(name.c_str())) : nullptr;
}

// The demo's collector of the kind; a new Collector(kind) when it has none.
template <typename Collector>
void FindOrCreateCollector(cVOXAdemo* demo, const char* kind, const char* className) {
  if (demo->FindDataCollector(kind)) return;
  auto* collector = VOXA::errors::NewOrThrow<Collector>(className, kind);
  if (!demo->AddDataCollector(collector)) {
    delete collector;
    throw new VOXA::errors::eCouldNotCreateObject(className);
  }
}

// The creator shape of every command.
template <typename Command>
cVOXAcommand* CreateCommand(cVOXAdemo* owner, const char* className) {
  return VOXA::errors::NewOrThrow<Command>(className, owner);
}

}  // namespace VOXA2
