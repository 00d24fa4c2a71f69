#include "effects2d/pixel_crossfade.h"

#include <cstring>
#include <string>

#include "demo/block.h"
#include "demo/demo.h"
#include "demo/lists.h"
#include "effects2d/frame.h"
#include "effects2d/xfadecollector.h"
#include "foundation/numeric.h"
#include "foundation/pictures.h"
#include "gui/pixels.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/video.h"

namespace VOXA2 {

using namespace effects2d;

namespace {

// One loop per pixel size, so that the size is not asked per pixel.
template <int kBytes>
void CrossFadeRows(const std::uint8_t* pattern, const std::uint8_t* source,
                   std::int32_t sourcePitch, std::uint8_t* destination,
                   std::int32_t destinationPitch, std::int32_t columns, std::int32_t rows,
                   std::uint8_t threshold) {
  for (std::int32_t y = 0; y < rows; y++) {
    for (std::int32_t x = 0; x < columns; x++)
      if (threshold >= pattern[x])
        std::memcpy(destination + x * kBytes, source + x * kBytes, kBytes);
    pattern += columns;
    source += sourcePitch;
    destination += destinationPitch;
  }
}

}  // namespace

cVOXApixel_crossfade::cVOXApixel_crossfade(cVOXAdemo* owner) : cVOXAcommand(owner) {
  FindOrCreateCollector<cVOXAxfadecollector>(owner, "xfade", "cVOXAxfadecollector");
}

cVOXAcommand* cVOXApixel_crossfade::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXApixel_crossfade>(owner, "cVOXApixel_crossfade");
}

bool cVOXApixel_crossfade::Parse(float startTime, float lengthTime, cParserT* parser) {
  SetWindow(this, startTime, lengthTime);
  for (;;) {
    // Without a position or a pattern every frame of the command would fail,
    // and a failed frame ends the demo: such a block is refused while
    // compiling.
    if (parser->token->code == tokCloseBrace) {
      if (!position) parser->Error(-1, "pixel_crossfade without \"position\"!");
      if (!pattern) parser->Error(-1, "pixel_crossfade without \"file\"!");
    }
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return true;
    if (skipped) continue;
    switch (parser->token->code) {
      case tokBuffer: {
        parser->GetToken();
        tPair pair{};
        pair.source = ReadBufferName(parser);
        parser->Expect(tokTo);
        pair.destination = ReadBufferName(parser);
        RefuseSameBuffer(parser, pair.source, pair.destination);
        parser->Expect(tokSemicolon);
        AppendToList(pairs, pair, "surface list");
        break;
      }
      case tokPosition:
        position.reset(ReadTrack(parser, 1, length));
        ClampTrack(position.get(), 0.0f, 1.0f);
        parser->Expect(tokSemicolon);
        break;
      case tokFile: {
        const std::string name = ReadFileName(parser);
        pattern = CollectedItem<cMonoPic>(demo, "xfade", name);
        if (!pattern) return false;
        parser->Expect(tokSemicolon);
        break;
      }
      default:
        return BlockSyntaxError(parser);
    }
  }
}

bool cVOXApixel_crossfade::Execute(float, float sinceStart, float) {
  if (!position || !pattern) return false;
  position->Evaluate(sinceStart);
  const auto threshold =
      static_cast<std::uint8_t>(TruncToInt(static_cast<double>(position->GetValue(0)) * 255.0));

  const std::int32_t columns = screenInfo.width & ~7;
  std::int32_t rows = screenInfo.height;
  // The pattern has the size the screen had when it was made. Should the
  // screen have grown since, only the rows it still covers are faded, rather
  // than reading beyond its end.
  if (columns > 0) {
    const std::int64_t covered =
        static_cast<std::int64_t>(pattern->width) * pattern->height / columns;
    if (covered < rows) rows = static_cast<std::int32_t>(covered);
  }
  for (const tPair& pair : pairs) {
    SurfaceLock destination(pair.destination, 2);
    if (!destination.Locked()) {
      LogMessage(5, "Lock() failed!");
      return false;
    }
    SurfaceLock source(pair.source, 1);
    if (!source.Locked()) {
      LogMessage(5, "Lock() failed!");
      return false;
    }
    // Cut to both buffers, the columns a multiple of 8 still; narrower rows read
    // the pattern as rows of that width, no further than the screen's rows did.
    const std::int32_t width = std::min({columns, source.Width() & ~7, destination.Width() & ~7});
    const std::int32_t height = std::min({rows, source.Height(), destination.Height()});
    CrossFade(pattern->GetPixels(), source.Pixels(), source.Pitch(), destination.Pixels(),
              destination.Pitch(), width, height, screenInfo.bytesPerPixel, threshold);
  }
  return true;
}

void cVOXApixel_crossfade::CrossFade(const std::uint8_t* pattern, const std::uint8_t* source,
                                     std::int32_t sourcePitch, std::uint8_t* destination,
                                     std::int32_t destinationPitch, std::int32_t columns,
                                     std::int32_t rows, std::int32_t bytesPerPixel,
                                     std::uint8_t threshold) {
  if (!pattern || !source || !destination) return;
  ZGUI::pixels::ForDepth(bytesPerPixel, [&]<int B>() {
    CrossFadeRows<B>(pattern, source, sourcePitch, destination, destinationPitch, columns, rows,
                     threshold);
  });
}

}  // namespace VOXA2
