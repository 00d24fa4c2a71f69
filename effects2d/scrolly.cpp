#include "effects2d/scrolly.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "demo/block.h"
#include "demo/demo.h"
#include "effects2d/crazyfont.h"
#include "effects2d/fullscreenfx.h"
#include "effects2d/scrollycollector.h"
#include "foundation/numeric.h"
#include "script/parser.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/material.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/texture.h"
#include "windxkernel/video.h"

namespace VOXA2 {
namespace {

using threedee::SetRenderMode;

// Render mode kinds and values of the device layer.
enum : std::uint32_t { modeDepth = 1, modeCulling = 4, modeBlend = 5 };
enum : std::uint32_t { factorSourceAlpha = 4, factorInverseSourceAlpha = 5 };
// Texture stage arguments and operations.
enum : std::uint32_t { argDiffuse = 1, argTexture = 3, opModulate = 2, addressClamp = 2 };
constexpr std::uint32_t kTriangleFan = 5;

// A colour channel in 0 … 1 as a byte; values outside are held at the ends.
std::uint32_t ChannelByte(float value) {
  return static_cast<std::uint32_t>(std::clamp(TruncToInt(value * 255.0f), 0, 255));
}

void SetStates() {
  SetRenderMode(modeDepth, 0u, 0u);
  SetRenderMode(modeCulling, 0u);
  SetRenderMode(modeBlend, 0u, factorSourceAlpha);
  SetRenderMode(modeBlend, 1u, factorInverseSourceAlpha);
  threedee::ResetTextureStages();
  threedee::DisableTextureStage(1);
  threedee::kernelTextureStage* stage = threedee::GetTextureStage(0);
  if (!stage) return;
  threedee::tStageOperation modulate;
  modulate.arg1.Set(argTexture, 0, 0);
  modulate.operation = opModulate;
  modulate.arg2.Set(argDiffuse, 0, 0);
  stage->SetColorOp(modulate);
  stage->SetAlphaOp(modulate);
  stage->SetAddress(addressClamp);
  stage->SetTexCoordIndex(0);
  stage->SetCameraSpaceNormal(false);
  stage->SetTextureMatrix(nullptr);
}

void PutFloat(std::uint8_t* at, float value) { std::memcpy(at, &value, sizeof value); }

}  // namespace

cVOXAscrolly::cVOXAscrolly(cVOXAdemo* owner) : cVOXAcommand(owner) {
  FindOrCreateCollector<cVOXAscrollycollector>(owner, "scrolly", "cVOXAscrollycollector");
  quad.reset(threedee::VertexArray::Create(false, 4, effects2d::ScreenVertexFormat()));
}

cVOXAscrolly::~cVOXAscrolly() = default;

cVOXAcommand* cVOXAscrolly::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXAscrolly>(owner, "cVOXAscrolly");
}

bool cVOXAscrolly::Parse(float startTime, float lengthTime, cParserT* parser) {
  start = startTime;
  length = lengthTime;
  end = startTime + lengthTime;
  for (;;) {
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return true;
    if (skipped) continue;
    switch (parser->token->code) {
      case tokFile: {
        const std::string name = ReadFileName(parser);
        description = CollectedItem<tScrolly>(demo, "scrolly", name);
        if (!description) return false;
        parser->Expect(tokSemicolon);
        break;
      }
      case tokPosition:
        position.reset(ReadTrack(parser, 1, length));
        parser->Expect(tokSemicolon);
        break;
      case tokAlpha:
        alpha.reset(ReadTrack(parser, 1, length));
        if (alpha) ClampTrack(alpha.get(), 0.0f, 1.0f);
        parser->Expect(tokSemicolon);
        break;
      default:
        parser->Error(errBlockSyntax, "Syntax error!");
        return false;
    }
  }
}

bool cVOXAscrolly::Execute(float, float sinceStart, float) {
  if (!description || !position || !quad) return true;
  position->Evaluate(sinceStart);
  const float p = position->GetValue(0);
  float a = 1.0f;
  if (alpha) {
    alpha->Evaluate(sinceStart);
    a = alpha->GetValue(0);
  }
  if (a == 0.0f) return true;
  if (!threedee::BeginScene()) return false;
  SetStates();
  for (const auto& text : description->texts)
    for (const auto& frame : text->keyFrames)
      if (frame->start <= p && p < frame->start + frame->duration)
        DrawKeyFrame(*frame, text->text.c_str(), p, a);
  threedee::EndScene();
  return true;
}

void cVOXAscrolly::DrawKeyFrame(const tScrollyTextKF& frame, const char* text, float p,
                                float opacity) {
  const float t = p - frame.start;
  const float f = t / frame.duration;
  const float size = frame.sizeFrom + (frame.sizeTo - frame.sizeFrom) * f;
  const auto x0 = static_cast<float>(screenInfo.windowLeft);
  const auto y0 = static_cast<float>(screenInfo.windowTop);
  const float x = frame.position.x + frame.velocity.x * t + frame.acceleration.x * 0.5f * t * t +
                  x0 - frame.width * size * (frame.align.x + 0.5f);
  const float y = frame.position.y + frame.velocity.y * t + frame.acceleration.y * 0.5f * t * t +
                  y0 - frame.height * size * (frame.align.y + 0.5f);
  const float e = (frame.alphaFrom + (frame.alphaTo - frame.alphaFrom) * f) * opacity;
  const std::uint32_t diffuse = ChannelByte(e) << 24 | ChannelByte(frame.red) << 16 |
                                ChannelByte(frame.green) << 8 | ChannelByte(frame.blue);

  threedee::VertexArray* array = quad.get();
  if (!array->Lock(0)) return;
  for (std::uint32_t i = 0; i < 4; i++) {
    std::uint8_t* vertex = array->data + i * array->pointer.stride;
    PutFloat(vertex + array->pointer.reciprocalW, 1.0f);
    std::memcpy(vertex + array->pointer.diffuse, &diffuse, sizeof diffuse);
  }
  array->Unlock();

  float pen = 0.0f;
  for (const char* c = text; *c; c++) {
    const CrazyChar* glyph = frame.font->Char(static_cast<unsigned char>(*c));
    if (glyph && glyph->width != 0) DrawGlyph(*glyph, frame, pen, size, x, y, p);
    pen += static_cast<float>((glyph ? glyph->width : 0) + kCrazyCharGap);
  }
}

void cVOXAscrolly::DrawGlyph(const CrazyChar& glyph, const tScrollyTextKF& frame, float pen,
                             float size, float x, float y, float p) {
  const auto index = static_cast<std::size_t>(glyph.texture);
  if (index >= frame.font->textures.size() || !frame.font->textures[index]) return;
  frame.font->textures[index]->Bind(0);

  const float xl = x + pen * frame.scale * size;
  const float xr = xl + static_cast<float>(glyph.width) * frame.scale * size;
  const float yt = y;
  const float yb = y + frame.height * size;
  const double A = 0.0125 * static_cast<double>(frame.height) * static_cast<double>(size);
  const double l = xl, r = xr, top = yt, bottom = yb, q = p;
  struct Corner {
    double x, y;
    float u, v;
  };
  // Bottom left, bottom right, top right, top left: the fan's order.
  const Corner corners[4] = {
      {l + A * std::sin(0.34 * l + 0.52 * bottom + 1.0501 * q),
       bottom + A * std::cos(0.3 * l + 0.5 * bottom + 1.0123 * q), glyph.tu1, glyph.tv2},
      {r + A * std::cos(0.43 * r + 0.25 * bottom + 1.0423 * q),
       bottom + A * std::sin(0.4 * r + 0.2 * bottom + 1.0123 * q), glyph.tu2, glyph.tv2},
      {r + A * std::cos(0.34 * r + 0.52 * top + 1.0378 * q),
       top + A * std::sin(0.3 * r + 0.5 * top + 1.0123 * q), glyph.tu2, glyph.tv1},
      {l + A * std::cos(0.43 * l + 0.25 * top + 1.0431 * q),
       top + A * std::sin(0.4 * l + 0.2 * top + 1.0099 * q), glyph.tu1, glyph.tv1},
  };

  threedee::VertexArray* array = quad.get();
  if (!array->Lock(0)) return;
  for (std::uint32_t i = 0; i < 4; i++) {
    std::uint8_t* vertex = array->data + i * array->pointer.stride;
    PutFloat(vertex + array->pointer.position, static_cast<float>(corners[i].x));
    PutFloat(vertex + array->pointer.position + 4, static_cast<float>(corners[i].y));
    PutFloat(vertex + array->pointer.position + 8, 0.0f);
    PutFloat(vertex + array->pointer.textureCoords, corners[i].u);
    PutFloat(vertex + array->pointer.textureCoords + 4, corners[i].v);
  }
  array->Unlock();
  threedee::DrawPrimitive(kTriangleFan, array, 0, 3);
}

}  // namespace VOXA2
