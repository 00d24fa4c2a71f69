#include "effects2d/sprite.h"

#include <algorithm>
#include <cmath>

#include "demo/block.h"
#include "demo/demo.h"
#include "effects2d/fullscreenfx.h"
#include "effects2d/quaddraw.h"
#include "effects2d/texturecollector.h"
#include "foundation/numeric.h"
#include "threedee/scene/interpolatedvalues.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/material.h"
#include "windxkernel/texture.h"
#include "windxkernel/vertexarray.h"
#include "windxkernel/viewport.h"

namespace VOXA2 {

using effects2d::tSpriteVertex;

namespace {

constexpr float kPi = 3.14159265358979323846f;
constexpr float kCornerU[4] = {0, 1, 1, 0};
constexpr float kCornerV[4] = {0, 0, 1, 1};
enum : std::uint32_t { addressWrap = 0, addressClamp = 2 };

// The track's component at time t, or the default when the script gave none.
float At(const cVOXAsprite::tTrack& track, float t, float fallback, int component = 0) {
  if (!track) return fallback;
  track->Evaluate(t);
  return track->GetValue(component);
}

cView3Di_position* ReadValue(cParserT* parser, std::int32_t components, float length) {
  cView3Di_position* track = ParseInterpolator(parser, components, length);
  if (!track) BlockSyntaxError(parser);
  return track;
}

void SetAddress(std::uint32_t mode) {
  if (threedee::kernelTextureStage* stage = threedee::GetTextureStage(0)) stage->SetAddress(mode);
}

}  // namespace

cVOXAsprite::cVOXAsprite(cVOXAdemo* owner)
    : cVOXAcommand(owner),
      options(effects2d::optFilter | effects2d::optTransparency | effects2d::optDither |
              effects2d::optCulling) {
  FindOrCreateCollector<cVOXAtexturecollector>(owner, "texture", "cVOXAtexturecollector");
  Batch();
}

cVOXAsprite::~cVOXAsprite() = default;

cVOXAcommand* cVOXAsprite::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXAsprite>(owner, "cVOXAsprite");
}

threedee::TriangleBatch* cVOXAsprite::Batch() {
  // A batch made before there was a device has no vertex array to fill.
  if (!batch_ || !batch_->vertexArray)
    batch_.reset(threedee::CreateBatch(effects2d::ScreenVertexFormat(), 2048, 4096));
  return batch_.get();
}

bool cVOXAsprite::Parse(float startTime, float lengthTime, cParserT* parser) {
  SetWindow(this, startTime, lengthTime);
  for (;;) {
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return true;
    if (skipped) continue;
    switch (parser->token->code) {
      case tokFile:
        if (!effects2d::ReadTextureFile(this, parser, &texture)) return false;
        parser->Expect(tokSemicolon);
        break;
      case tokPosition:
        position.reset(ReadTrack(parser, 2, length));
        parser->Expect(tokSemicolon);
        break;
      case tokTint:
        tint.reset(ReadTrack(parser, 4, length));
        ClampTrack(tint.get(), 0.0f, 1.0f);
        parser->Expect(tokSemicolon);
        break;
      default:
        if (!options.Parse(parser, length)) ReadStatement(parser);
        break;
    }
  }
}

void cVOXAsprite::ReadStatement(cParserT* parser) {
  auto one = [&](tTrack& track) { track.reset(ReadValue(parser, 1, length)); };
  auto comma = [&] { parser->Expect(tokComma); };
  if (parser->token->code != tokIdentifier) BlockSyntaxError(parser);
  if (IsWordAnyCase(parser, "size")) {
    parser->GetToken();
    size.reset(ReadValue(parser, 2, length));
  } else if (IsWordAnyCase(parser, "width")) {
    parser->GetToken();
    one(width);
  } else if (IsWordAnyCase(parser, "height")) {
    parser->GetToken();
    one(height);
  } else if (IsWordAnyCase(parser, "ymul")) {
    parser->GetToken();
    one(ymul);
  } else if (IsWordAnyCase(parser, "alphamul")) {
    parser->GetToken();
    one(alphamul);
  } else if (IsWordAnyCase(parser, "rotation")) {
    parser->GetToken();
    one(rotationZ);
  } else if (IsWordAnyCase(parser, "rotate")) {
    parser->GetToken();
    parser->Check(tokIdentifier);
    tTrack* axis = IsExactWord(parser, "X")   ? &rotationX
                   : IsExactWord(parser, "Y") ? &rotationY
                   : IsExactWord(parser, "Z") ? &rotationZ
                                              : nullptr;
    if (!axis) {
      BlockSyntaxError(parser);
      return;
    }
    parser->GetToken();
    one(*axis);
  } else if (IsWordAnyCase(parser, "vertex")) {
    parser->GetToken();
    const bool add = IsExactWord(parser, "add");
    if (add) parser->GetToken();
    const std::int32_t n = parser->ParseIntExpression();
    if (n < 1 || n > 4)
      parser->Error(-1, "Vertex # must be in range 1..4! (value is %i)", static_cast<int>(n));
    parser->Expect(tokColon);
    (add ? vertexOffset : vertex)[n - 1].reset(ReadValue(parser, 2, length));
  } else if (IsWordAnyCase(parser, "blur")) {
    parser->GetToken();
    if (IsExactWord(parser, "forward") || IsExactWord(parser, "backward")) {
      const bool forward = IsExactWord(parser, "forward");
      parser->GetToken();
      one(forward ? forwardCount : backwardCount);
      comma();
      one(forward ? forwardStep : backwardStep);
    } else if (IsExactWord(parser, "radial")) {
      parser->GetToken();
      one(radialCount);
      comma();
      one(radialStep);
      if (!IsExactWord(parser, "around")) parser->Error(-1, "\"around\" expected!");
      parser->GetToken();
      radialCentre.reset(ReadValue(parser, 2, length));
    } else if (IsExactWord(parser, "gaussian")) {
      parser->GetToken();
      one(gaussCount);
      comma();
      one(gaussStep);
      comma();
      one(gaussWidth);
    } else {
      BlockSyntaxError(parser);
    }
  } else if (IsWordAnyCase(parser, "distort")) {
    parser->GetToken();
    one(distortCount);
    comma();
    one(distortX);
    comma();
    one(distortY);
  } else {
    BlockSyntaxError(parser);
  }
  parser->Expect(tokSemicolon);
}

std::int32_t cVOXAsprite::Capped(std::int32_t count, std::int32_t limit, const char* what) {
  if (count <= limit) return count;
  if (!warned_) {
    LogMessage(5, "Warning: sprite %s count %i held to %i", what, static_cast<int>(count),
               static_cast<int>(limit));
    warned_ = true;
  }
  return limit;
}

bool cVOXAsprite::Execute(float, float sinceStart, float) {
  if (!texture) return true;
  const effects2d::tDrawingArea area = effects2d::DrawingArea();
  // The viewport's pixels left..right span the edges left and right + 1.
  if (threedee::GetViewportRight() >= threedee::GetViewportLeft() &&
      threedee::GetViewportBottom() >= threedee::GetViewportTop()) {
    bounds_ = {area.x0 + static_cast<float>(threedee::GetViewportLeft()),
               area.x0 + static_cast<float>(threedee::GetViewportRight() + 1),
               area.y0 + static_cast<float>(threedee::GetViewportTop()),
               area.y0 + static_cast<float>(threedee::GetViewportBottom() + 1)};
  } else {
    bounds_ = {area.x0, area.x0 + area.width, area.y0, area.y0 + area.height};
  }
  if (!threedee::BeginScene()) return false;
  effects2d::SetFixedModes(effects2d::tFixedModes::Sprite);
  effects2d::SetUpStage0(texture, effects2d::tStageUse::Modulate);
  SetAddress(addressClamp);
  options.SetMissingDefaults();

  const float r = sinceStart;
  const std::int32_t nF = Capped(TruncToInt(At(forwardCount, r, 0.0f)), kMaxCount, "blur");
  const std::int32_t nB = Capped(TruncToInt(At(backwardCount, r, 0.0f)), kMaxCount, "blur");
  const float sF = At(forwardStep, r, 1.0f), sB = At(backwardStep, r, 1.0f);
  for (std::int32_t k = nB; k >= 1; k--) {
    const float w = static_cast<float>(nB + 1 - k) / static_cast<float>(nB + 1);
    Pass(r - static_cast<float>(k) * sB, w * w, false);
  }
  Pass(r, 1.0f, true);
  for (std::int32_t k = 1; k <= nF; k++) {
    const float w = static_cast<float>(nF + 1 - k) / static_cast<float>(nF + 1);
    Pass(r + static_cast<float>(k) * sF, w * w, false);
  }

  SetAddress(addressWrap);
  options.RestoreDefaults();
  threedee::EndScene();
  return true;
}

void cVOXAsprite::Emit(const tSpriteVertex quad[4], const effects2d::tEmission& emission) {
  threedee::TriangleBatch* batch = Batch();
  effects2d::EmitQuad(quad, emission, effects2d::DrawingArea().width, bounds_,
                      [batch](const tSpriteVertex* v, int n) { effects2d::AddFan(batch, v, n); });
}

void cVOXAsprite::Pass(float t, float a, bool main) {
  options.ApplyDither(t);
  if (!options.ApplyTransparency(t)) return;
  options.ApplyCulling(t);
  options.ApplyFilter(t);

  const effects2d::tDrawingArea area = effects2d::DrawingArea();
  const float px = At(position, t, 0.5f, 0), py = At(position, t, 0.5f, 1);
  const float hx = 0.5f * At(size, t, 1.0f, 0) * At(width, t, 1.0f);
  const float hy = 0.5f * At(size, t, 1.0f, 1) * At(height, t, 1.0f);
  const float m = At(ymul, t, 1.0f);

  effects2d::tEmission emission;
  if (main) {
    if (gaussCount) {
      emission.gaussCount =
          Capped(std::max(TruncToInt(At(gaussCount, t, 0.0f)), 0), kMaxGaussCount, "gaussian");
      emission.gaussStep = At(gaussStep, t, 0.0015625f);
      emission.gaussWidth = At(gaussWidth, t, 1.0f);
      if (emission.gaussWidth == 0.0f) emission.gaussCount = 0;
    }
    if (distortCount) {
      emission.distortCount =
          Capped(std::max(TruncToInt(At(distortCount, t, 0.0f)), 0), kMaxCount, "distortion");
      emission.distortX = area.width * At(distortX, t, 0.0f);
      emission.distortY = area.height * At(distortY, t, 0.0f);
    }
  }

  float x[4] = {-hx, hx, hx, -hx}, y[4] = {-hy, -hy, hy, hy};
  if (rotationX) {
    const float angle = At(rotationX, t, 0.0f) * kPi / 180.0f;
    const float s = std::sin(angle), c = std::cos(angle);
    for (int i = 0; i < 4; i++) {
      x[i] *= i < 2 ? 1.0f + s * hy : 1.0f - s * hy;
      y[i] *= c;
    }
  }
  if (rotationY) {
    const float angle = At(rotationY, t, 0.0f) * kPi / 180.0f;
    const float s = std::sin(angle), c = std::cos(angle);
    for (int i = 0; i < 4; i++) {
      x[i] *= c;
      y[i] *= (i == 0 || i == 3) ? 1.0f + s * hx : 1.0f - s * hx;
    }
  }
  if (rotationZ) {
    const float angle = At(rotationZ, t, 0.0f) * kPi / 180.0f;
    const float s = std::sin(angle), c = std::cos(angle);
    for (int i = 0; i < 4; i++) {
      const float xi = x[i], yi = y[i];
      x[i] = xi * c + yi * s + px;
      y[i] = (-xi * s + yi * c) * m + py;
    }
  } else {
    for (int i = 0; i < 4; i++) {
      x[i] += px;
      y[i] = y[i] * m + py;
    }
  }
  for (int i = 0; i < 4; i++)
    if (vertex[i]) {
      x[i] = At(vertex[i], t, 0.0f, 0);
      y[i] = At(vertex[i], t, 0.0f, 1);
    }
  for (int i = 0; i < 4; i++)
    if (vertexOffset[i]) {
      x[i] += At(vertexOffset[i], t, 0.0f, 0);
      y[i] += At(vertexOffset[i], t, 0.0f, 1);
    }

  const float aa = alphamul ? a * At(alphamul, t, 1.0f) : a;
  std::uint32_t rgb = 0x00FFFFFFu;
  float e = aa;
  if (tint) {
    tint->Evaluate(t);
    const float* v = tint->GetValues();
    rgb = effects2d::SaturatedByte(255.0f * v[1]) << 16 |
          effects2d::SaturatedByte(255.0f * v[2]) << 8 | effects2d::SaturatedByte(255.0f * v[3]);
    e = v[0] * aa;
  }
  tSpriteVertex quad[4];
  for (int i = 0; i < 4; i++)
    quad[i] = {x[i] * area.width + area.x0,
               y[i] * area.height + area.y0,
               0.0f,
               0.5f,
               effects2d::SaturatedByte(255.0f * e) << 24 | rgb,
               kCornerU[i],
               kCornerV[i]};
  texture->Bind(0);
  emission.alpha = e;
  Emit(quad, emission);

  if (!main || !radialCount) return;
  const std::int32_t q = Capped(TruncToInt(At(radialCount, t, 0.0f)), kMaxCount, "radial blur");
  if (q < 1) return;
  const float d = At(radialStep, t, 1.0f);
  const float cx = At(radialCentre, t, 0.5f, 0), cy = At(radialCentre, t, 0.5f, 1);
  emission.alpha = e / static_cast<float>(q + 1);
  const std::uint32_t color = effects2d::SaturatedByte(255.0f * emission.alpha) << 24 | rgb;
  for (std::int32_t k = 1; k <= q; k++) {
    const float g = 1.0f + static_cast<float>(k) * d;
    tSpriteVertex copy[4];
    for (int i = 0; i < 4; i++)
      copy[i] = {((x[i] - cx) * g + cx) * area.width + area.x0,
                 ((y[i] - cy) * g + cy) * area.height + area.y0,
                 0.0f,
                 0.5f,
                 color,
                 kCornerU[i],
                 kCornerV[i]};
    Emit(copy, emission);
  }
}

}  // namespace VOXA2
