#include "effects2d/logo_rot3d.h"

#include <cmath>
#include <cstring>

#include "demo/block.h"
#include "demo/demo.h"
#include "effects2d/drawoptions.h"
#include "effects2d/quaddraw.h"
#include "effects2d/texturecollector.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/material.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2 {
namespace {

struct tLogoVertex {
  float x, y, z, rhw, u, v;
};

threedee::VertexFormat LogoFormat() {
  threedee::VertexFormat format;
  format.position = true;
  format.reciprocalW = true;
  format.textureSetCount = 1;
  format.GetVertexSize();
  return format;
}

constexpr float kCornerU[4] = {0, 1, 1, 0};
constexpr float kCornerV[4] = {0, 0, 1, 1};

}  // namespace

cVOXAlogo_rot3d::cVOXAlogo_rot3d(cVOXAdemo* owner) : cVOXAcommand(owner) {
  FindOrCreateCollector<cVOXAtexturecollector>(owner, "texture", "cVOXAtexturecollector");
  quad = threedee::VertexArray::Create(false, 4, LogoFormat());
}

cVOXAlogo_rot3d::~cVOXAlogo_rot3d() { delete quad; }

cVOXAcommand* cVOXAlogo_rot3d::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXAlogo_rot3d>(owner, "cVOXAlogo_rot3d");
}

bool cVOXAlogo_rot3d::Parse(float startTime, float lengthTime, cParserT* parser) {
  SetWindow(this, startTime, lengthTime);
  for (;;) {
    bool skipped;
    if (AtBlockEnd(parser, &skipped)) return true;
    if (skipped) continue;
    if (parser->token->code != tokFile) return BlockSyntaxError(parser);
    if (!effects2d::ReadTextureFile(this, parser, &texture)) return false;
    parser->Expect(tokSemicolon);
  }
}

void cVOXAlogo_rot3d::Corners(float t, float out[8]) {
  const effects2d::tDrawingArea area = effects2d::DrawingArea();
  const long double w = area.width, h = area.height, time = t;
  // One unit in the last place above the double nearest to 4/3.
  const long double k = 1.3333333333333335;
  const auto cx = static_cast<float>(area.x0 + 0.5L * w + 0.25L * w * std::sin(1 + 0.323L * time));
  const auto cy = static_cast<float>(area.y0 + 0.5L * h + 0.25L * h * std::cos(1.012L * time - 1));
  const auto hw = static_cast<float>(0.25L * w);
  const auto hh = static_cast<float>(0.25L * h * k * 0.34L * std::sin(4 * time));
  const auto sk = static_cast<float>(0.01L * w * std::cos(4 * time));
  const float corners[8] = {cx - hw + sk, cy - hh, cx + hw - sk, cy - hh,
                            cx + hw + sk, cy + hh, cx - hw - sk, cy + hh};
  std::memcpy(out, corners, sizeof corners);
}

bool cVOXAlogo_rot3d::Execute(float, float sinceStart, float) {
  if (!texture) return true;
  if (!quad) quad = threedee::VertexArray::Create(false, 4, LogoFormat());
  if (!quad || !quad->Lock(3)) return true;
  float corners[8];
  Corners(sinceStart, corners);
  tLogoVertex vertices[4];
  for (int i = 0; i < 4; i++)
    vertices[i] = {corners[2 * i], corners[2 * i + 1], 0.0f, 1.0f, kCornerU[i], kCornerV[i]};
  std::memcpy(quad->data, vertices, sizeof vertices);
  quad->Unlock();

  threedee::BeginScene();
  effects2d::SetFixedModes(effects2d::tFixedModes::LogoRot3d);
  effects2d::SetUpStage0(texture, effects2d::tStageUse::TextureOnly);
  if (threedee::kernelTextureStage* stage = threedee::GetTextureStage(0)) stage->SetAddress(0);
  threedee::DrawPrimitive(5, quad, 0, 3);
  threedee::EndScene();
  return true;
}

}  // namespace VOXA2
