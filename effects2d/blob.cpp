#include "effects2d/blob.h"

#include <bit>
#include <new>

#include "demo/block.h"
#include "demo/demo.h"
#include "effects2d/quaddraw.h"
#include "effects2d/texturecollector.h"
#include "foundation/errors.h"
#include "foundation/numeric.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/texture.h"
#include "windxkernel/video.h"

namespace VOXA2 {

using namespace effects2d;
using VOXA::errors::eCouldNotAllocateMemoryFor;

namespace {

constexpr float kDefaultSub = 6.5f;

// One 8-bit gray level on a colour mask. Masks up to 8 bits wide keep the
// level's top bits; wider ones scale it so that 255 still fills the mask, and
// an empty mask adds nothing.
std::uint32_t OnMask(std::uint32_t level, std::uint32_t mask) {
  if (!mask) return 0;
  const int shift = std::countr_zero(mask);
  const int width = std::countr_one(mask >> shift);
  std::uint64_t value;
  if (width <= 8) {
    value = level >> (8 - width);
  } else {
    value = static_cast<std::uint64_t>(level) * ((std::uint64_t{1} << width) - 1) / 255;
  }
  return static_cast<std::uint32_t>(value << shift);
}

}  // namespace

cVOXAblob::cVOXAblob(cVOXAdemo* owner) : cVOXAcommand(owner) {
  FindOrCreateCollector<cVOXAtexturecollector>(owner, "texture", "cVOXAtexturecollector");
}

cVOXAblob::~cVOXAblob() = default;

cVOXAcommand* cVOXAblob::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXAblob>(owner, "cVOXAblob");
}

bool cVOXAblob::Parse(float startTime, float lengthTime, cParserT* parser) {
  SetWindow(this, startTime, lengthTime);
  for (;;) {
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return true;
    if (skipped) continue;
    if (parser->token->code == tokFile) {
      std::string name;
      if (!ReadScreenTextureFile(this, parser, &texture, &name)) return false;
      if (texture->GetWidth() != texture->GetHeight())
        parser->Warning("Screen texture \"%s\" used for blob command should be square!",
                        name.c_str());
      parser->Expect(tokSemicolon);
    } else if (IsWordAnyCase(parser, "sub")) {
      sub.reset(ReadTrack(parser, 1, length));
      parser->Expect(tokSemicolon);
    } else if (IsWordAnyCase(parser, "blob")) {
      ParseBlob(parser);
    } else {
      return BlockSyntaxError(parser);
    }
  }
}

void cVOXAblob::ParseBlob(cParserT* parser) {
  parser->GetToken();
  parser->Expect(tokOpenBrace);
  try {
    blobParameters.emplace_back();
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("blob parameters");
  }
  try {
    blobPoints.emplace_back();
  } catch (const std::bad_alloc&) {
    blobParameters.pop_back();
    throw new eCouldNotAllocateMemoryFor("blob");
  }
  tBlobParameter& blob = blobParameters.back();
  for (;;) {
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return;
    if (skipped) continue;
    if (parser->token->code == tokPosition) {
      blob.position.reset(ReadTrack(parser, 2, length));
      parser->Expect(tokSemicolon);
    } else if (IsWordAnyCase(parser, "multiply")) {
      blob.multiply.reset(ReadTrack(parser, 1, length));
      blob.multiply->clampBelow = true;
      blob.multiply->lowerBound = 0.0f;
      parser->Expect(tokSemicolon);
    } else {
      BlockSyntaxError(parser);
    }
  }
}

std::vector<std::uint32_t> cVOXAblob::MakePalette(std::uint32_t red, std::uint32_t green,
                                                  std::uint32_t blue, std::uint32_t alpha) {
  std::vector<std::uint32_t> entries;
  try {
    entries.resize(256);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("palette");
  }
  for (std::uint32_t i = 0; i < 256; i++)
    entries[i] = alpha | OnMask(i, red) | OnMask(i, green) | OnMask(i, blue);
  return entries;
}

bool cVOXAblob::Execute(float, float sinceStart, float) {
  if (!texture) return true;
  if (palette.empty())
    palette = MakePalette(texture->GetRedMask(), texture->GetGreenMask(), texture->GetBlueMask(),
                          texture->GetAlphaMask());

  const float t = sinceStart;
  const std::int32_t n = texture->GetWidth();
  const double n2 = static_cast<double>(n) * n;
  float threshold = kDefaultSub;
  if (sub) {
    sub->Evaluate(t);
    threshold = sub->GetValue(0);
  }
  for (std::size_t i = 0; i < blobParameters.size(); i++) {
    tBlobParameter& blob = blobParameters[i];
    float x = 0.5f, y = 0.5f, m = 1.0f;
    if (blob.position) {
      blob.position->Evaluate(t);
      x = blob.position->GetValue(0);
      y = blob.position->GetValue(1);
    }
    if (blob.multiply) {
      blob.multiply->Evaluate(t);
      m = blob.multiply->GetValue(0);
    }
    tBlobPoint& point = blobPoints[i];
    point.bx = TruncToInt((1.0 - x) * n);
    point.by = TruncToInt((1.0 - y) * n);
    // A track held at 0 cannot go below it, but NaN would.
    point.strength = m > 0.0f ? TruncToInt(m * n2) : 0;
  }

  video::voxaSurface* surface = texture->GetSurface();
  void* pixels = nullptr;
  int pitch = 0;
  if (!surface || !surface->Lock(&pixels, &pitch, 2)) {
    LogMessage(5, "Locking system memory texture surface failed!");
    return false;
  }
  DrawBlobs(blobPoints.data(), static_cast<std::int32_t>(blobPoints.size()), pixels, n,
            texture->GetHeight(), texture->GetBitCount(), pitch, threshold, palette.data());
  surface->Unlock();
  return true;
}

void cVOXAblob::DrawBlobs(tBlobPoint* points, std::int32_t count, void* pixels, std::int32_t width,
                          std::int32_t height, std::int32_t bitsPerPixel, std::int32_t pitch,
                          float sub, const std::uint32_t* palette) {
  const std::int64_t s = TruncToInt(sub * 256.0);
  const std::int32_t bp = (bitsPerPixel + 7) >> 3;
  if (bp < 2 || bp > 4 || !pixels) return;
  auto* row = static_cast<std::uint8_t*>(pixels);
  // Sums and distances are kept in 64 bits: blobs placed far outside the
  // texture, or several strong ones on one pixel, would otherwise overflow
  // and turn a white centre black.
  for (std::int32_t Y = height; Y >= 1; Y--, row += pitch) {
    for (std::int32_t k = 0; k < count; k++) {
      const std::int64_t dy = static_cast<std::int64_t>(points[k].by) - Y;
      points[k].dy2 = dy * dy;
    }
    std::uint8_t* out = row;
    for (std::int32_t X = width; X >= 1; X--, out += bp) {
      std::uint64_t sum = 0;
      for (std::int32_t k = 0; k < count; k++) {
        const std::int64_t dx = static_cast<std::int64_t>(points[k].bx) - X;
        std::uint64_t d =
            static_cast<std::uint64_t>(dx * dx) + static_cast<std::uint64_t>(points[k].dy2);
        if (d == 0) d = 1;
        sum += static_cast<std::uint32_t>(points[k].strength) / d;
      }
      const std::int64_t v64 = static_cast<std::int64_t>(sum) - s;
      const std::uint32_t v = v64 < 0 ? 0 : v64 > 255 ? 255 : static_cast<std::uint32_t>(v64);
      const std::uint32_t color = palette[v];
      out[0] = static_cast<std::uint8_t>(color);
      out[1] = static_cast<std::uint8_t>(color >> 8);
      if (bp >= 3) out[2] = static_cast<std::uint8_t>(color >> 16);
      if (bp == 4) out[3] = static_cast<std::uint8_t>(color >> 24);
    }
  }
}

}  // namespace VOXA2
