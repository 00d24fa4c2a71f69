#include "effects2d/wobble.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "demo/block.h"
#include "demo/demo.h"
#include "effects2d/fullscreenfx.h"
#include "effects2d/texturecollector.h"
#include "foundation/numeric.h"
#include "windxkernel/3dkernel.h"

namespace VOXA2 {

using namespace effects2d;

namespace effects2d {

std::int32_t WobbleChunkRows(std::int32_t nx, std::int32_t ny) {
  return nx * ny <= kWobbleMaxCells ? ny : kWobbleMaxCells / nx;
}

void WobbleStripIndices(std::int32_t nx, std::int32_t j0, std::int32_t n, std::uint16_t* out) {
  const std::int32_t row = nx + 1;
  auto top = [&](std::int32_t k, std::int32_t c) {
    return static_cast<std::uint16_t>(k * row + c);
  };
  auto bottom = [&](std::int32_t k, std::int32_t c) {
    return static_cast<std::uint16_t>((k + 1) * row + c);
  };
  for (std::int32_t k = 0; k < n; k++) {
    const bool last = k == n - 1;
    if ((j0 + k) % 2 == 0) {
      for (std::int32_t c = 0; c < nx; c++) {
        *out++ = top(k, c);
        *out++ = bottom(k, c);
      }
      *out++ = top(k, nx);
      if (last) *out++ = bottom(k, nx);
    } else {
      for (std::int32_t c = nx; c > 0; c--) {
        *out++ = top(k, c);
        *out++ = bottom(k, c);
      }
      *out++ = top(k, 0);
      if (last) *out++ = bottom(k, 0);
    }
  }
}

}  // namespace effects2d

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr std::uint32_t kTriangleStrip = 4;

// A track's first value at t, or the default without a track.
float ValueOr(cView3Di_position* track, float t, float fallback) {
  if (!track) return fallback;
  track->Evaluate(t);
  return track->GetValue(0);
}

// Grid cells in one direction: truncated, then kept within 1 … 256 (a NaN
// gives 1, a huge value 256).
std::int32_t Cells(float value) {
  return std::clamp(TruncToInt(value), std::int32_t{1}, kWobbleMaxResolution);
}

}  // namespace

cVOXAwobble::cVOXAwobble(cVOXAdemo* owner)
    : cVOXAcommand(owner),
      vertexFormat(ScreenVertexFormat()),
      options(optFilter | optTransparency) {
  FindOrCreateCollector<cVOXAtexturecollector>(owner, "texture", "cVOXAtexturecollector");
}

cVOXAcommand* cVOXAwobble::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXAwobble>(owner, "cVOXAwobble");
}

bool cVOXAwobble::Parse(float startTime, float lengthTime, cParserT* parser) {
  SetWindow(this, startTime, lengthTime);
  struct Word {
    const char* word;
    std::unique_ptr<cView3Di_position>* track;
  };
  const Word words[] = {{"tuadd", &tuadd}, {"tumul", &tumul}, {"tvadd", &tvadd}, {"tvmul", &tvmul},
                        {"sumul", &sumul}, {"svmul", &svmul}, {"zoom", &zoom},   {"angle", &angle}};
  for (;;) {
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return true;
    if (skipped) continue;
    if (parser->token->code == tokFile) {
      if (!ReadTextureFile(this, parser, &texture)) return false;
      parser->Expect(tokSemicolon);
      continue;
    }
    if (parser->token->code == tokTint) {
      tint.reset(ReadTrack(parser, 4, length));
      ClampTrack(tint.get(), 0.0f, 1.0f);
      parser->Expect(tokSemicolon);
      continue;
    }
    if (parser->token->code == tokResolution) {
      resolution.reset(ReadTrack(parser, 2, length));
      parser->Expect(tokSemicolon);
      continue;
    }
    const Word* found = nullptr;
    for (const Word& w : words)
      if (IsWordAnyCase(parser, w.word)) found = &w;
    if (found) {
      found->track->reset(ReadTrack(parser, 1, length));
      parser->Expect(tokSemicolon);
    } else if (!options.Parse(parser, length)) {
      return BlockSyntaxError(parser);
    }
  }
}

bool cVOXAwobble::Execute(float, float sinceStart, float) {
  if (!texture) return true;
  if (!threedee::BeginScene()) return false;
  const float t = sinceStart;
  SetFixedModes(tFixedModes::Wobble);
  SetModulatedStage0(texture);
  options.SetMissingDefaults();
  if (!options.ApplyTransparency(t)) {
    // Nothing to draw; the scene is closed all the same.
    threedee::EndScene();
    return true;
  }
  options.ApplyFilter(t);

  std::uint32_t color = 0xFFFFFFFFu;
  if (tint) {
    tint->Evaluate(t);
    const float* argb = tint->GetValues();
    color = ColorByte(argb[0]) << 24 | ColorByte(argb[1]) << 16 | ColorByte(argb[2]) << 8 |
            ColorByte(argb[3]);
  }
  std::int32_t nx = 32, ny = 24;
  if (resolution) {
    resolution->Evaluate(t);
    nx = Cells(resolution->GetValue(0));
    ny = Cells(resolution->GetValue(1));
  }
  const float tuAdd = ValueOr(tuadd.get(), t, t * 0.1f);
  const float tvAdd = ValueOr(tvadd.get(), t, t * 0.1f);
  const float tuMul = ValueOr(tumul.get(), t, 5.0f);
  const float tvMul = ValueOr(tvmul.get(), t, 5.0f);
  const float suMul = ValueOr(sumul.get(), t, 0.1f);
  const float svMul = ValueOr(svmul.get(), t, 0.1f);
  const double theta = angle ? ValueOr(angle.get(), t, 0.0f) * kRadiansPerDegree : 0.0;
  const float z = ValueOr(zoom.get(), t, 1.0f);
  const auto p = static_cast<float>(z * std::cos(theta));
  const auto q = static_cast<float>(z * std::sin(theta));

  const tDrawingArea area = DrawingArea();
  const float cw = area.width / static_cast<float>(nx), ch = area.height / static_cast<float>(ny);
  const float du = 1.0f / static_cast<float>(nx), dv = 1.0f / static_cast<float>(ny);

  const std::int32_t vertexCount = (nx + 1) * (ny + 1);
  if (!grid_ || grid_->vertexCount < vertexCount) {
    grid_.reset();
    grid_.reset(threedee::VertexArray::Create(false, vertexCount, vertexFormat));
  }
  if (grid_ && grid_->Lock(3) && grid_->data) {
    const threedee::VertexPointer& layout = grid_->pointer;
    std::uint8_t* vertex = grid_->data;
    float y = area.y0, v = 0.0f;
    for (std::int32_t r = 0; r <= ny; r++) {
      const float phase = v * tvMul + tvAdd;
      const float pushU = suMul * std::sin(phase);
      float x = area.x0, u = 0.0f;
      for (std::int32_t c = 0; c <= nx; c++) {
        const float uu = u + pushU - 0.5f;
        const float vv = v + svMul * std::sin(u * tuMul + tuAdd) - 0.5f;
        WriteScreenVertex(layout, vertex, x, y, color, p * uu + q * vv + 0.5f,
                          -q * uu + p * vv + 0.5f);
        vertex += layout.stride;
        x += cw;
        u += du;
      }
      y += ch;
      v += dv;
    }
    grid_->Unlock();

    const std::int32_t rows = WobbleChunkRows(nx, ny);
    std::vector<std::uint16_t> indices;
    try {
      indices.resize(static_cast<std::size_t>(rows * (2 * nx + 1) + 1));
    } catch (const std::bad_alloc&) {
      throw new VOXA::errors::eCouldNotAllocateMemoryFor("indices list");
    }
    for (std::int32_t j0 = 0; j0 < ny; j0 += rows) {
      const std::int32_t n = std::min(rows, ny - j0);
      WobbleStripIndices(nx, j0, n, indices.data());
      threedee::DrawIndexedPrimitive(kTriangleStrip, grid_.get(), indices.data(),
                                     n * (2 * nx + 1) + 1, j0 * (nx + 1),
                                     static_cast<std::uint32_t>((j0 + n) * (nx + 1) + nx));
    }
  }

  options.RestoreDefaults();
  threedee::EndScene();
  return true;
}

}  // namespace VOXA2
