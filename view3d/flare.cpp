#include "view3d/flare.h"

#include "demo/block.h"
#include "effects2d/fullscreenfx.h"
#include "effects2d/texturecollector.h"
#include "threedee/scene/interpolatedvalues.h"
#include "threedee/scene/material.h"
#include "threedee/scene/renderstage.h"
#include "view3d/overlay.h"
#include "windxkernel/material.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/texture.h"
#include "windxkernel/video.h"
#include "windxkernel/viewport.h"

namespace VOXA2 {
namespace {

const tSymbolicName kBlendNames[4] = {
    {tFlare::kAdditive, tokIdentifier, "additive"},
    {tFlare::kMixing, tokIdentifier, "mixing"},
    {tFlare::kSubtractive, tokIdentifier, "subtractive"},
    {tFlare::kFilter, tokIdentifier, "filter"},
};
const tSymbolicSplineDef kBlends{4, kBlendNames};

}  // namespace

bool tFlare::Parse(cParserT* parser, tFlare* flare, cVOXAview3D* owner) {
  if (!flare || !owner) return false;
  FindOrCreateCollector<cVOXAtexturecollector>(owner->demo, "texture", "cVOXAtexturecollector");
  const std::string name = ReadStringLiteral(parser);
  flare->texture = CollectedItem<video::voxaTexture>(owner->demo, "texture", name);
  if (!flare->texture)
    parser->Error(errNoCode, "Could not load flare texture \"%s\"!", name.c_str());
  parser->Expect(tokComma);
  flare->position.reset(ParseInterpolator(parser, 1, owner->length));
  parser->Expect(tokComma);
  flare->size.reset(ParseInterpolator(parser, 1, owner->length));
  parser->Expect(tokComma);
  flare->color.reset(ParseInterpolator(parser, 4, owner->length));
  parser->Expect(tokComma);
  flare->blend.reset(ParseSymbolicInterpolator(parser, &kBlends, owner->length));
  parser->Expect(tokSemicolon);
  return true;
}

cVOXA3Dflare::cVOXA3Dflare(cVOXAview3D* owner)
    : cVOXA3Dcommand(owner),
      vertexArray(threedee::VertexArray::Create(true, 4, threedee::ScreenVertexFormat())) {}

bool cVOXA3Dflare::Parse(cParserT* parser) {
  if (!owner->currentAnimation) parser->Error(errNoCode, "An animation must be used first!");
  const std::string name = ReadStringLiteral(parser);
  object = owner->currentAnimation->FindObject(name.c_str());
  if (!object) parser->Error(errNoCode, "Could not find object \"%s\" in animation!", name.c_str());
  if (IsExactWord(parser, "force")) {
    force = true;
    parser->GetToken();
  }
  parser->Expect(tokOpenBrace);
  while (parser->token->code != tokCloseBrace) {
    flares.push_back(std::unique_ptr<tFlare>(VOXA::errors::NewOrThrow<tFlare>("tFlare")));
    if (!tFlare::Parse(parser, flares.back().get(), owner))
      parser->Error(errNoCode, "Error on loading flare!");
  }
  parser->Expect(tokCloseBrace);
  return true;
}

bool cVOXA3Dflare::Execute(float, float sinceStart, float, bool* result) {
  *result = false;
  if (!object) return false;
  if (flares.empty()) return true;
  const threedee::Matrix4& m = object->world;
  float p[3] = {m.m[3], m.m[7], m.m[11]};
  if (!(force ? threedee::ProjectToScreen(p) : threedee::FlareVisibilityTest(p))) return true;
  *result = true;
  SetOverlayState(threedee::kBlendSrcAlpha, threedee::kBlendOne, nullptr, 2);
  if (threedee::kernelTextureStage* stage = threedee::GetTextureStage(0)) {
    stage->SetAddressU(2);
    stage->SetAddressV(2);
  }
  const float cx = static_cast<float>(threedee::GetViewportLeft() + screenInfo.windowLeft) +
                   static_cast<float>(threedee::GetViewportWidth()) * 0.5f;
  const float cy = static_cast<float>(threedee::GetViewportTop() + screenInfo.windowTop) +
                   static_cast<float>(threedee::GetViewportHeight()) * 0.5f;
  for (const auto& flare : flares) {
    flare->position->Evaluate(sinceStart);
    flare->size->Evaluate(sinceStart);
    flare->color->Evaluate(sinceStart);
    flare->blend->Evaluate(sinceStart);
    const float along = flare->position->GetValue(), s = flare->size->GetValue();
    const float* c = flare->color->GetValues();
    const float hw = static_cast<float>(owner->viewWidth) * s * 0.5f;
    // 4/3: on a 4:3 viewport the square is as high as it is wide.
    const float hh = static_cast<float>(owner->viewHeight * s * 0.5 * 1.3333333333333335);
    const std::uint32_t colour = threedee::PackArgb(c[0] * 255, c[1] * 255, c[2] * 255, c[3] * 255);
    switch (flare->blend->value) {
      case tFlare::kAdditive:
        threedee::SetRenderMode(5, 0, threedee::kBlendSrcAlpha);
        threedee::SetRenderMode(5, 1, threedee::kBlendOne);
        break;
      case tFlare::kFilter:
        threedee::SetRenderMode(5, 0, threedee::kBlendZero);
        threedee::SetRenderMode(5, 1, threedee::kBlendSrcColor);
        break;
      default:  // "subtractive" has always mixed
        threedee::SetRenderMode(5, 0, threedee::kBlendSrcAlpha);
        threedee::SetRenderMode(5, 1, threedee::kBlendInvSrcAlpha);
        break;
    }
    const float fx = cx + (p[0] - cx) * along, fy = cy + (p[1] - cy) * along;
    const float corners[4][4] = {{fx - hw, fy - hh, 0, 0},
                                 {fx + hw, fy - hh, 1, 0},
                                 {fx + hw, fy + hh, 1, 1},
                                 {fx - hw, fy + hh, 0, 1}};
    if (!vertexArray || !vertexArray->Lock(3)) continue;
    for (int k = 0; k < 4; ++k)
      effects2d::WriteScreenVertex(
          vertexArray->pointer, vertexArray->data + k * vertexArray->pointer.stride, corners[k][0],
          corners[k][1], colour, corners[k][2], corners[k][3]);
    vertexArray->Unlock();
    if (flare->texture) flare->texture->Bind(0);
    threedee::DrawPrimitive(5, vertexArray.get(), 0, 3);
  }
  owner->SetUpRenderState();
  return true;
}

}  // namespace VOXA2
