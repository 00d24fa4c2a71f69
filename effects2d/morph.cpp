#include "effects2d/morph.h"

#include <string>

#include "demo/block.h"
#include "demo/demo.h"
#include "effects2d/frame.h"
#include "effects2d/morphcollector.h"
#include "foundation/numeric.h"
#include "gui/pixels.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/video.h"

namespace VOXA2 {

using namespace effects2d;

namespace {

constexpr std::size_t kItemBuffer = 1024;  // the longest item name, with its terminator

}  // namespace

cVOXAmorph::cVOXAmorph(cVOXAdemo* owner) : cVOXAcommand(owner) {
  FindOrCreateCollector<cVOXAmorphcollector>(owner, "morph", "cVOXAmorphcollector");
}

cVOXAcommand* cVOXAmorph::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXAmorph>(owner, "cVOXAmorph");
}

bool cVOXAmorph::Parse(float startTime, float lengthTime, cParserT* parser) {
  SetWindow(this, startTime, lengthTime);
  for (;;) {
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return true;
    if (skipped) continue;
    switch (parser->token->code) {
      case tokBuffer:
        buffer = ReadBufferStatement(parser);
        break;
      case tokFrames:
        position.reset(ReadTrack(parser, 1, length));
        ClampTrack(position.get(), 0.0f, 1.0f);
        parser->Expect(tokSemicolon);
        break;
      case tokFile: {
        // ReadFileName steps over the word before each string: "file", then "to".
        const std::string from = ReadFileName(parser);
        parser->Check(tokTo);
        const std::string to = ReadFileName(parser);
        const std::string item = from + '\x08' + to;
        if (item.size() >= kItemBuffer) {
          LogMessage(5, "Morph name \"%s to %s\" is too long!", from.c_str(), to.c_str());
          return false;
        }
        morph = CollectedItem<tMorph>(demo, "morph", item);
        if (!morph) return false;
        parser->Expect(tokSemicolon);
        break;
      }
      default:
        return BlockSyntaxError(parser);
    }
  }
}

bool cVOXAmorph::Execute(float, float sinceStart, float) {
  if (!morph || !buffer || !position) return true;
  std::uint32_t grays[256];
  for (std::uint32_t i = 0; i < 256; i++) grays[i] = PackScreenColor(i * 0x010101u);
  position->Evaluate(sinceStart);
  const float t = position->GetValue(0);
  SurfaceLock lock(buffer, 2);
  if (!lock.Locked()) {
    LogMessage(5, "Lock() failed!");
    return false;
  }
  DrawPoints(*morph, t, lock.Pixels(), lock.Pitch(), lock.Width(), lock.Height(),
             screenInfo.bytesPerPixel, grays);
  return true;
}

void cVOXAmorph::DrawPoints(const tMorph& morph, float t, std::uint8_t* pixels, std::int32_t pitch,
                            std::int32_t width, std::int32_t height, std::int32_t bytesPerPixel,
                            const std::uint32_t (&grays)[256]) {
  if (!pixels) return;
  ZGUI::pixels::ForDepth(bytesPerPixel, [&]<int B>() {
    for (const tMorphPoint& p : morph.points) {
      const std::int32_t X = TruncToInt(p.x + p.dx * t + 0.5f);
      const std::int32_t Y = TruncToInt(p.y + p.dy * t + 0.5f);
      const std::int32_t G = p.value + TruncToInt(t * p.dvalue);
      // The cloud's far edge (row H) and screens narrower than the square put
      // points outside; a point set made by hand could hold any gray.
      if (X < 0 || X >= width || Y < 0 || Y >= height || G < 0 || G > 255) continue;
      ZGUI::pixels::Store<B>(pixels + static_cast<std::ptrdiff_t>(Y) * pitch + X * B, grays[G]);
    }
  });
}

}  // namespace VOXA2
