#include "effects2d/motion_blur.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "demo/block.h"
#include "demo/lists.h"
#include "effects2d/frame.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/video.h"

namespace VOXA2 {

using namespace effects2d;

namespace {

// The mask of a screen format and the 32-bit words of a row that the blend
// covers; no words for a depth it does not know. Pixels past the last whole
// word group of a row keep their value.
struct tRowBlend {
  std::uint32_t mask = 0;
  std::int32_t words = 0;
};

tRowBlend RowBlend(const tScreenInfo& screen, std::int32_t width) {
  switch (screen.bytesPerPixel) {
    case 2: {
      const auto r = static_cast<std::uint32_t>(screen.redMask);
      const auto g = static_cast<std::uint32_t>(screen.greenMask);
      const auto b = static_cast<std::uint32_t>(screen.blueMask);
      const std::uint32_t h = ((r >> 1) & r) | ((g >> 1) & g) | ((b >> 1) & b);
      return {h | (h << 16), width / 4 * 2};  // two words per four pixels
    }
    case 3:
      return {0x7F7F7F7Fu, width / 4 * 3};  // three words per four pixels
    case 4:
      return {0x007F7F7Fu, width / 2 * 2};  // the fourth byte becomes 0
    default:
      return {};
  }
}

// Each 32-bit word of the temporary row becomes the sum of both words' halves;
// the mask clears the bit that each channel's shift brings in from the next,
// so no channel borrows from its neighbour. Words go through memcpy: a pitch
// need not keep them aligned.
void BlendRow(const std::uint8_t* source, std::uint8_t* temporary, std::int32_t words,
              std::uint32_t mask) {
  for (std::int32_t i = 0; i < words; i++, source += 4, temporary += 4) {
    std::uint32_t s, d;
    std::memcpy(&s, source, 4);
    std::memcpy(&d, temporary, 4);
    d = ((s >> 1) & mask) + ((d >> 1) & mask);
    std::memcpy(temporary, &d, 4);
  }
}

}  // namespace

cVOXAcommand* cVOXAmotion_blur::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXAmotion_blur>(owner, "cVOXAmotion_blur");
}

bool cVOXAmotion_blur::Parse(float startTime, float lengthTime, cParserT* parser) {
  SetWindow(this, startTime, lengthTime);
  for (;;) {
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return true;
    if (skipped) continue;
    if (parser->token->code != tokBuffer) return BlockSyntaxError(parser);
    parser->GetToken();
    tPair pair{};
    pair.source = ReadBufferName(parser);
    parser->Expect(tokTo);
    pair.temporary = ReadTemporaryBufferName(parser);
    RefuseSameBuffer(parser, pair.source, pair.temporary);
    parser->Expect(tokSemicolon);
    AppendToList(pairs, pair, "surface list");
  }
}

bool cVOXAmotion_blur::Execute(float, float, float) {
  for (const tPair& pair : pairs) {
    SurfaceLock temporary(pair.temporary, 3);
    if (!temporary.Locked()) {
      LogMessage(5, "Lock() failed (1)!");
      return false;
    }
    SurfaceLock source(pair.source, 1);
    if (!source.Locked()) {
      LogMessage(5, "Lock() failed! (2)");
      return false;
    }
    const tRowBlend blend = RowBlend(screenInfo, std::min(source.Width(), temporary.Width()));
    const std::int32_t rows = std::min(source.Height(), temporary.Height());
    for (std::int32_t y = 0; y < rows; y++)
      BlendRow(source.Pixels() + static_cast<std::ptrdiff_t>(y) * source.Pitch(),
               temporary.Pixels() + static_cast<std::ptrdiff_t>(y) * temporary.Pitch(), blend.words,
               blend.mask);
    // The guards unlock the source, then the temporary buffer.
  }
  return true;
}

}  // namespace VOXA2
