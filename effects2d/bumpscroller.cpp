#include "effects2d/bumpscroller.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>

#include "demo/block.h"
#include "effects2d/frame.h"
#include "effects2d/graypicturecollector.h"
#include "foundation/numeric.h"
#include "gui/pixels.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/video.h"

namespace VOXA2 {

using namespace effects2d;

namespace {

constexpr std::int32_t kW = cVOXAbumpscroller::kWidth;
constexpr std::int32_t kH = cVOXAbumpscroller::kHeight;
constexpr std::int32_t kLightSize = 256;

// The top bits of a level on one channel of the screen format: the level less
// its `drop` low bits, at the channel's shift.
std::uint32_t OnChannel(std::int32_t level, std::int32_t drop, std::int32_t shift) {
  const auto v = static_cast<std::uint32_t>(level);
  const std::uint32_t bits = drop >= 0 ? (drop < 32 ? v >> drop : 0) : v << -drop;
  return bits << shift;
}

}  // namespace

cVOXAbumpscroller::cVOXAbumpscroller(cVOXAdemo* owner) : cVOXAcommand(owner) {
  slope.Create(kW, kH);
  work.Create(kW, kH);
  FindOrCreateCollector<cVOXAgraypicturecollector>(owner, "graypicture",
                                                   "cVOXAgraypicturecollector");
}

cVOXAbumpscroller::~cVOXAbumpscroller() = default;

cVOXAcommand* cVOXAbumpscroller::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXAbumpscroller>(owner, "cVOXAbumpscroller");
}

bool cVOXAbumpscroller::Parse(float startTime, float lengthTime, cParserT* parser) {
  SetWindow(this, startTime, lengthTime);
  for (;;) {
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return true;
    if (skipped) continue;
    switch (parser->token->code) {
      case tokBuffer:
        buffer = ReadBufferStatement(parser);
        break;
      case tokFile:
        if (!ReadPictures(parser)) return false;
        break;
      default:
        return BlockSyntaxError(parser);
    }
  }
}

// "file" text, light map, background ";". The effect reads the background as
// 320 x 200 bytes, the light map as 256 x 256 and the text as rows of 320, so a
// picture of another size is refused here rather than read past its end.
bool cVOXAbumpscroller::ReadPictures(cParserT* parser) {
  struct tSlot {
    cMonoPic** picture;
    bool (*fits)(const cMonoPic& picture);
    const char* refusal;
  };
  const tSlot slots[3] = {
      {&text, [](const cMonoPic& p) { return p.width == kW && p.height >= 1; },
       "Bump text \"%s\" must be 320 pixels wide!"},
      {&lightMap, [](const cMonoPic& p) { return p.width == kLightSize && p.height == kLightSize; },
       "Bump map light \"%s\" must be 256x256 pixels!"},
      {&background, [](const cMonoPic& p) { return p.width >= kW && p.height >= kH; },
       "Bump background \"%s\" must be at least 320x200 pixels!"},
  };
  bool first = true;
  for (const tSlot& slot : slots) {
    // ReadFileName steps over the token before the name: "file", then each ",".
    if (!first) parser->Check(tokComma);
    first = false;
    const std::string name = ReadFileName(parser);
    *slot.picture = CollectedItem<cMonoPic>(demo, "graypicture", name);
    if (!*slot.picture) return false;
    if (!slot.fits(**slot.picture)) {
      *slot.picture = nullptr;
      parser->Error(-1, slot.refusal, name.c_str());
    }
  }
  parser->Expect(tokSemicolon);
  return true;
}

bool cVOXAbumpscroller::Execute(float, float sinceStart, float fraction) {
  if (!buffer || !background || !lightMap || !text) return true;
  const float phase = fraction * 75.0f;
  MakeColors(sinceStart);
  const std::int32_t scroll = TruncToInt(phase * 16.0);
  const std::int32_t lightX = TruncToInt(std::sin(phase + 0.2) * 100.0 + 125.0);
  const std::int32_t lightY = TruncToInt(100.0 + std::cos(phase * 1.862) * 50.0);
  BuildHeightField(scroll);
  ComputeSlope();
  Light(lightX, lightY);
  SurfaceLock lock(buffer, 2);
  if (!lock.Locked()) {
    LogMessage(5, "Lock() failed!");
    return false;
  }
  Output(lock.Pixels(), lock.Pitch(), lock.Width(), lock.Height());
  return true;
}

// Gray levels scaled by the intensity, which rises over the first second and
// falls over the last. The blue term drops 16 bits, not 8, so blue is always 0
// and the light is yellow.
void cVOXAbumpscroller::MakeColors(float sinceStart) {
  std::int32_t intensity = 256;
  if (sinceStart < 1.0f) intensity = TruncToInt(sinceStart * 256.0);
  if (length - sinceStart < 1.0f) intensity = TruncToInt((length - sinceStart) * 256.0);
  // Outside its window (a frame drawn for another time) the level stays in range.
  intensity = std::clamp(intensity, 0, 256);
  for (std::int32_t i = 0; i < 256; i++) {
    const std::int32_t v = (i * intensity) >> 8;
    colors[i] = OnChannel(v, 8 - screenInfo.redBits, screenInfo.redShift) |
                OnChannel(v, 8 - screenInfo.greenBits, screenInfo.greenShift) |
                OnChannel(v, 16 - screenInfo.blueBits, screenInfo.blueShift);
  }
}

// The background with the text window over it: text row r shows at row
// r - scroll + 200, so the text rises from the bottom edge as scroll grows.
// A text byte of 0 lets the background through.
void cVOXAbumpscroller::BuildHeightField(std::int32_t scroll) {
  std::memcpy(work.pixels, background->pixels, static_cast<std::size_t>(kW) * kH);
  for (std::int32_t y = 0; y < kH; y++) {
    const std::int64_t r = static_cast<std::int64_t>(scroll) - kH + y;
    if (r < 0 || r >= text->height) continue;
    const std::uint8_t* from = text->pixels + r * kW;
    std::uint8_t* to = work.pixels + y * kW;
    for (std::int32_t x = 0; x < kW; x++)
      if (from[x]) to[x] = from[x];
  }
}

// Half the fall towards the upper-left neighbour, 128 on flat ground. The
// outer columns are fixed; rows 0 and 199 keep their zeros.
void cVOXAbumpscroller::ComputeSlope() {
  const std::uint8_t* height = work.pixels;
  std::uint8_t* s = slope.pixels;
  for (std::int32_t y = 1; y < kH - 1; y++)
    for (std::int32_t x = 1; x < kW - 1; x++) {
      const std::int32_t fall = height[(y - 1) * kW + x - 1] - height[y * kW + x];
      s[y * kW + x] = static_cast<std::uint8_t>((fall + 256) >> 1);
    }
  for (std::int32_t y = 0; y < kH; y++) {
    s[y * kW] = 0;
    s[y * kW + kW - 1] = 255;
  }
}

// One slope value moves both light-map coordinates; the lit picture lies five
// rows above the field it was lit from.
void cVOXAbumpscroller::Light(std::int32_t lightX, std::int32_t lightY) {
  std::memset(work.pixels, 0, static_cast<std::size_t>(kW) * kH);
  const std::uint8_t* light = lightMap->pixels;
  for (std::int32_t y = 10; y < kH - 1; y++)
    for (std::int32_t x = 0; x < kW; x++) {
      const std::int32_t g = slope.pixels[y * kW + x];
      const std::int32_t u = x - lightX + g;
      const std::int32_t v = y - lightY + g;
      if (u >= 0 && u < kLightSize && v >= 0 && v < kLightSize)
        work.pixels[(y - 5) * kW + x] = light[v * kLightSize + u];
    }
}

// The largest whole magnification that fits (a fraction on screens smaller
// than 320 x 200), centred, sampled in 16.16 fixed point; at 1 the steps are
// exactly one pixel.
void cVOXAbumpscroller::Output(std::uint8_t* pixels, int pitch, std::int32_t clipWidth,
                               std::int32_t clipHeight) {
  const std::int32_t width = screenInfo.width, height = screenInfo.height;
  float sx = static_cast<float>(width) * 0.003125f;
  float sy = static_cast<float>(height) * 0.005f;
  if (sx > 1.0f) sx = std::trunc(sx);
  if (sy > 1.0f) sy = std::trunc(sy);
  const float s = std::min(sx, sy);
  // Never wider or higher than the buffer, whatever the rounding.
  const std::int32_t outWidth = std::min(TruncToInt(s * 320.0f), width);
  const std::int32_t outHeight = std::min(TruncToInt(s * 200.0f), height);
  if (outWidth <= 0 || outHeight <= 0) return;
  const std::int32_t left = (width - outWidth) / 2, top = (height - outHeight) / 2;
  const std::uint32_t columnStep = (static_cast<std::uint32_t>(kW) << 16) / outWidth;
  const std::uint32_t rowStep = (static_cast<std::uint32_t>(kH) << 16) / outHeight;
  const std::int32_t rows = std::min(outHeight, clipHeight - top);
  const std::int32_t columns = std::min(outWidth, clipWidth - left);
  ZGUI::pixels::ForDepth(screenInfo.bytesPerPixel, [&]<int B>() {
    std::uint32_t rowAt = 0;
    for (std::int32_t y = 0; y < rows; y++, rowAt += rowStep) {
      const std::uint8_t* source = work.pixels + (rowAt >> 16) * kW;
      std::uint8_t* out = pixels + static_cast<std::ptrdiff_t>(top + y) * pitch + left * B;
      std::uint32_t columnAt = 0;
      for (std::int32_t x = 0; x < columns; x++, columnAt += columnStep, out += B)
        ZGUI::pixels::Store<B>(out, colors[source[columnAt >> 16]]);
    }
  });
}

}  // namespace VOXA2
