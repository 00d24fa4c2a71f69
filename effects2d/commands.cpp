#include "effects2d/commands.h"

#include <algorithm>

#include "demo/block.h"
#include "demo/demo.h"
#include "demo/lists.h"
#include "effects2d/frame.h"
#include "effects2d/picturecollector.h"
#include "foundation/numeric.h"
#include "gui/bitmap.h"
#include "gui/graphicsdevice.h"
#include "script/parser.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/sound.h"
#include "windxkernel/video.h"

namespace VOXA2 {

namespace {}  // namespace

// clear

cVOXAcommand* cVOXAclear::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXAclear>(owner, "cVOXAclear");
}

bool cVOXAclear::Parse(float startTime, float lengthTime, cParserT* parser) {
  SetWindow(this, startTime, lengthTime);
  for (;;) {
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return true;
    if (skipped) continue;
    switch (parser->token->code) {
      case tokBuffer:
        AppendToList(buffers, ReadBufferStatement(parser), "surface list");
        break;
      case tokColor:
        color.reset(ReadTrack(parser, 3, length));
        if (color) ClampTrack(color.get(), 0.0f, 255.0f);
        parser->Expect(tokSemicolon);
        break;
      default:
        return BlockSyntaxError(parser);
    }
  }
}

bool cVOXAclear::Execute(float, float sinceStart, float) {
  std::uint32_t value = 0;
  if (color) {
    color->Evaluate(sinceStart);
    const float* rgb = color->GetValues();
    value = 0xFF000000u | static_cast<std::uint32_t>(TruncToInt(rgb[0])) << 16 |
            static_cast<std::uint32_t>(TruncToInt(rgb[1])) << 8 |
            static_cast<std::uint32_t>(TruncToInt(rgb[2]));
  }
  for (video::voxaSurface* buffer : buffers) buffer->Fill(value);
  return true;
}

// copy

cVOXAcommand* cVOXAcopy::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXAcopy>(owner, "cVOXAcopy");
}

bool cVOXAcopy::Parse(float startTime, float lengthTime, cParserT* parser) {
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
    pair.destination = ReadBufferName(parser);
    parser->Expect(tokSemicolon);
    AppendToList(pairs, pair, "surfaces list");
  }
}

bool cVOXAcopy::Execute(float, float, float) {
  for (const tPair& pair : pairs) pair.source->Copy(pair.destination);
  return true;
}

// picture

cVOXApicture::cVOXApicture(cVOXAdemo* owner) : cVOXAcommand(owner) {
  FindOrCreateCollector<cVOXApicturecollector>(owner, "picture", "cVOXApicturecollector");
}

cVOXAcommand* cVOXApicture::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXApicture>(owner, "cVOXApicture");
}

bool cVOXApicture::Parse(float startTime, float lengthTime, cParserT* parser) {
  SetWindow(this, startTime, lengthTime);
  for (;;) {
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return true;
    if (skipped) continue;
    switch (parser->token->code) {
      case tokBuffer:
        buffer = ReadBufferStatement(parser);
        break;
      case tokPosition:
        position.reset(ReadTrack(parser, 2, length));
        parser->Expect(tokSemicolon);
        break;
      case tokFile: {
        const std::string name = ReadFileName(parser);
        picture = CollectedItem<ZGUI::cBitmap>(demo, "picture", name);
        if (!picture) return false;
        parser->Expect(tokSemicolon);
        break;
      }
      default:
        return BlockSyntaxError(parser);
    }
  }
}

bool cVOXApicture::Execute(float, float sinceStart, float) {
  if (!picture || !buffer) return true;
  effects2d::SurfaceLock lock(buffer, 2);
  if (!lock.Locked()) {
    LogMessage(5, "Lock() failed!");
    return false;
  }
  const std::int32_t width = screenInfo.width, height = screenInfo.height;
  std::int32_t x, y;
  if (position) {
    position->Evaluate(sinceStart);
    x = TruncToInt(static_cast<float>(width) * position->GetValue(0));
    y = TruncToInt(static_cast<float>(height) * position->GetValue(1));
  } else {
    x = (width - picture->GetWidth()) / 2;
    y = (height - picture->GetHeight()) / 2;
  }
  // Wholly off the screen the picture draws nothing wherever it lies, so the
  // corner is bounded to just off the screen before the size is added to it.
  x = std::clamp(x, -picture->GetWidth(), width);
  y = std::clamp(y, -picture->GetHeight(), height);
  ZGUI::cGraphicsDevice device(lock.Pixels(), lock.Pitch(),
                               ZGUI::tRect{0, 0, lock.Width() - 1, lock.Height() - 1});
  device.DrawBitmap(picture,
                    ZGUI::tRect{x, y, x + picture->GetWidth() - 1, y + picture->GetHeight() - 1});
  return true;
}

// music_volume

cVOXAcommand* cVOXAmusic_volume::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXAmusic_volume>(owner, "cVOXAmusic_volume");
}

bool cVOXAmusic_volume::Parse(float startTime, float lengthTime, cParserT* parser) {
  SetWindow(this, startTime, lengthTime);
  for (;;) {
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return true;
    if (skipped) continue;
    if (parser->token->code != tokVolume) return BlockSyntaxError(parser);
    volume.reset(ReadTrack(parser, 1, length));
    if (volume) ClampTrack(volume.get(), 0.0f, 64.0f);
    parser->Expect(tokSemicolon);
  }
}

bool cVOXAmusic_volume::Execute(float, float sinceStart, float) {
  if (!volume) return true;
  volume->Evaluate(sinceStart);
  const std::int32_t v = TruncToInt(volume->GetValue(0));
  SetMusicVolume((v * 255 / 64) & 0xFF);
  return true;
}

}  // namespace VOXA2
