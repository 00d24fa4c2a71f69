#include "effects2d/rotozoomer.h"

#include <cmath>

#include "demo/block.h"
#include "demo/demo.h"
#include "effects2d/fullscreenfx.h"
#include "effects2d/texturecollector.h"
#include "foundation/numeric.h"
#include "threedee/scene/interpolatedvalues.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/material.h"

namespace VOXA2 {

using namespace effects2d;

namespace {

constexpr unsigned kOptions = optFilter | optClamp | optTransparency | optDither;
constexpr std::int32_t kBatchVertices = 2048, kBatchIndices = 4096;
constexpr double kRadiansPerDegree = 0.017453292519943295;

}  // namespace

cVOXArotozoomer::cVOXArotozoomer(cVOXAdemo* owner) : cVOXAcommand(owner), options(kOptions) {
  FindOrCreateCollector<cVOXAtexturecollector>(owner, "texture", "cVOXAtexturecollector");
  batch.reset(threedee::CreateBatch(ScreenVertexFormat(), kBatchVertices, kBatchIndices));
}

cVOXArotozoomer::~cVOXArotozoomer() = default;

cVOXAcommand* cVOXArotozoomer::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXArotozoomer>(owner, "cVOXArotozoomer");
}

threedee::TriangleBatch* cVOXArotozoomer::Batch() {
  // Made before any device existed: it has no vertex array to fill.
  const bool empty = batch && !batch->vertexArray && kernel::d3dState.device;
  if (!batch || empty)
    batch.reset(threedee::CreateBatch(ScreenVertexFormat(), kBatchVertices, kBatchIndices));
  return batch.get();
}

bool cVOXArotozoomer::Parse(float startTime, float lengthTime, cParserT* parser) {
  SetWindow(this, startTime, lengthTime);
  for (;;) {
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return true;
    if (skipped) continue;
    if (parser->token->code == tokFile) {
      if (!ReadTextureFile(this, parser, &texture)) return false;
      parser->Expect(tokSemicolon);
    } else if (parser->token->code == tokTint) {
      tint.reset(ReadTrack(parser, 4, length));
      ClampTrack(tint.get(), 0.0f, 1.0f);
      parser->Expect(tokSemicolon);
    } else if (IsWordAnyCase(parser, "angle")) {
      angle.reset(ReadTrack(parser, 1, length));
      parser->Expect(tokSemicolon);
    } else if (IsWordAnyCase(parser, "zoom")) {
      zoom.reset(ReadTrack(parser, 1, length));
      parser->Expect(tokSemicolon);
    } else if (IsWordAnyCase(parser, "blur")) {
      parser->GetToken();
      parser->Check(tokIdentifier);
      // The direction words are written in lower case only.
      const std::string& word = static_cast<cIdentToken*>(parser->token.get())->text;
      std::unique_ptr<cView3Di_position>* count;
      std::unique_ptr<cView3Di_position>* step;
      if (word == "forward") {
        count = &blurForwardCount;
        step = &blurForwardStep;
      } else if (word == "backward") {
        count = &blurBackwardCount;
        step = &blurBackwardStep;
      } else {
        return BlockSyntaxError(parser);
      }
      count->reset(ReadTrack(parser, 1, length));
      parser->Expect(tokComma);
      step->reset(ParseInterpolator(parser, 1, length));
      if (!*step) return BlockSyntaxError(parser);
      parser->Expect(tokSemicolon);
    } else if (!options.Parse(parser, length)) {
      return BlockSyntaxError(parser);
    }
  }
}

std::int32_t cVOXArotozoomer::BlurCount(cView3Di_position* count, float time) {
  if (!count) return 0;
  count->Evaluate(time);
  std::int32_t n = TruncToInt(count->GetValue(0));
  if (n > kMaxBlurCopies) {
    if (!warnedBlur_) LogMessage(5, "rotozoomer: blur count %i reduced to %i", n, kMaxBlurCopies);
    warnedBlur_ = true;
    n = kMaxBlurCopies;
  }
  return n;
}

bool cVOXArotozoomer::Execute(float, float sinceStart, float) {
  if (!texture) return true;
  if (!threedee::BeginScene()) return false;
  SetFixedModes(tFixedModes::Rotozoomer);
  SetModulatedStage0(texture);
  options.SetMissingDefaults();

  const float t = sinceStart;
  const std::int32_t backward = BlurCount(blurBackwardCount.get(), t);
  const std::int32_t forward = BlurCount(blurForwardCount.get(), t);
  auto stepOf = [t](cView3Di_position* step) {
    if (!step) return 1.0f;
    step->Evaluate(t);
    return step->GetValue(0);
  };
  const float backwardStep = stepOf(blurBackwardStep.get());
  const float forwardStep = stepOf(blurForwardStep.get());

  for (std::int32_t k = backward; k >= 1; k--) {
    const float f = static_cast<float>(backward + 1 - k) / static_cast<float>(backward + 1);
    Draw(t - static_cast<float>(k) * backwardStep, f * f);
  }
  Draw(t, 1.0f);
  for (std::int32_t k = 1; k <= forward; k++) {
    const float f = static_cast<float>(forward + 1 - k) / static_cast<float>(forward + 1);
    Draw(t + static_cast<float>(k) * forwardStep, f * f);
  }

  options.RestoreDefaults();
  threedee::EndScene();
  return true;
}

bool cVOXArotozoomer::Draw(float s, float weight) {
  options.ApplyDither(s);
  options.ApplyFilter(s);
  if (!options.ApplyTransparency(s)) return true;
  options.ApplyClamp(s);

  std::uint32_t color;
  if (tint) {
    tint->Evaluate(s);
    const float* argb = tint->GetValues();
    color = ColorByte(argb[0] * weight) << 24 | ColorByte(argb[1]) << 16 | ColorByte(argb[2]) << 8 |
            ColorByte(argb[3]);
  } else {
    color = ColorByte(weight) << 24 | 0xFFFFFFu;
  }
  double theta;
  if (angle) {
    angle->Evaluate(s);
    theta = static_cast<double>(angle->GetValue(0)) * kRadiansPerDegree;
  } else {
    theta = static_cast<double>(s) * 0.1;
  }
  float z = 1.0f;
  if (zoom) {
    zoom->Evaluate(s);
    z = zoom->GetValue(0);
  }
  const auto p = static_cast<float>(z * std::cos(theta));
  const auto q = static_cast<float>(z * std::sin(theta));

  threedee::TriangleBatch* target = Batch();
  if (!target) return true;
  std::uint16_t* indices = nullptr;
  std::uint16_t first = 0;
  threedee::VertexArray* vertices = target->AddIndices(4, 6, &indices, &first);
  if (!vertices) return true;

  const tDrawingArea area = DrawingArea();
  struct Corner {
    float cx, cy, x, y;
  };
  const Corner corners[4] = {{-0.5f, -0.5f, area.x0, area.y0},
                             {0.5f, -0.5f, area.x0 + area.width, area.y0},
                             {0.5f, 0.5f, area.x0 + area.width, area.y0 + area.height},
                             {-0.5f, 0.5f, area.x0, area.y0 + area.height}};
  std::uint8_t* vertex = vertices->pointer.vertex;
  for (const Corner& c : corners) {
    WriteScreenVertex(vertices->pointer, vertex, c.x, c.y, color, p * c.cx + q * c.cy + 0.5f,
                      -q * c.cx + p * c.cy + 0.5f);
    vertex += vertices->pointer.stride;
  }
  const std::uint16_t order[6] = {0, 1, 2, 0, 2, 3};
  for (int i = 0; i < 6; i++) indices[i] = static_cast<std::uint16_t>(first + order[i]);
  return true;
}

}  // namespace VOXA2
