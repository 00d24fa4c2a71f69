#include "view3d/skybox.h"

#include <cmath>
#include <cstring>
#include <string>

#include "demo/block.h"
#include "effects2d/texturecollector.h"
#include "threedee/scene/interpolatedvalues.h"
#include "threedee/scene/renderstage.h"
#include "view3d/overlay.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/material.h"
#include "windxkernel/texture.h"

namespace VOXA2 {
namespace {

threedee::VertexFormat SkyFormat() {
  threedee::VertexFormat format;
  format.position = true;
  format.textureSetCount = 1;
  format.GetVertexSize();
  return format;
}

// Corner signs of each face in drawing order.
constexpr float kCorners[6][4][3] = {
    {{1, 1, 1}, {-1, 1, 1}, {-1, 1, -1}, {1, 1, -1}},
    {{1, -1, 1}, {1, 1, 1}, {1, 1, -1}, {1, -1, -1}},
    {{-1, -1, 1}, {1, -1, 1}, {1, -1, -1}, {-1, -1, -1}},
    {{-1, 1, 1}, {-1, -1, 1}, {-1, -1, -1}, {-1, 1, -1}},
    {{1, -1, -1}, {1, 1, -1}, {-1, 1, -1}, {-1, -1, -1}},
    {{-1, -1, 1}, {-1, 1, 1}, {1, 1, 1}, {1, -1, 1}},
};
constexpr float kUv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

video::voxaTexture* SkyTexture(cVOXAdemo* demo, cParserT* parser, const std::string& name,
                               const std::string& named) {
  auto* texture = CollectedItem<video::voxaTexture>(demo, "texture", name);
  if (!texture) parser->Error(errNoCode, "Could not load skybox texture \"%s\"!", named.c_str());
  return texture;
}

}  // namespace

cVOXA3Dskybox::cVOXA3Dskybox(cVOXAview3D* owner)
    : cVOXA3Dcommand(owner), vertices(threedee::VertexArray::Create(false, 4, SkyFormat())) {}

bool cVOXA3Dskybox::Parse(cParserT* parser) {
  cVOXAdemo* demo = owner->demo;
  FindOrCreateCollector<cVOXAtexturecollector>(demo, "texture", "cVOXAtexturecollector");
  std::string name = ReadStringLiteral(parser);
  if (parser->token->code == tokComma) {
    for (int i = 0; i < 6; ++i) {
      textures[i] = SkyTexture(demo, parser, name, name);
      if (i < 5) {
        parser->Expect(tokComma);
        name = ReadStringLiteral(parser);
      }
    }
  } else {
    for (int i = 0; i < 6; ++i) textures[i] = SkyTexture(demo, parser, name + kSuffixes[i], name);
  }
  if (IsExactWord(parser, "rotation")) {
    parser->GetToken();
    rotationTrack.reset(ParseRotationInterpolator(parser, owner->length));
  }
  parser->Expect(tokSemicolon);
  return true;
}

bool cVOXA3Dskybox::Execute(float, float sinceStart, float, bool* result) {
  *result = true;
  float m[16];
  threedee::GetTransform(m, threedee::kTransformProjection);
  // Corners on the far plane: far / sqrt(3) from the eye along each axis. A
  // projection without depth terms has no far plane to size the cube by.
  const float s = m[11] / (1 - m[10]) / std::sqrt(3.0f);
  if (!std::isfinite(s) || !vertices) {
    owner->SetUpRenderState();
    return true;
  }
  SetOverlayState(threedee::kBlendOne, threedee::kBlendZero, nullptr, 2);
  if (threedee::kernelTextureStage* stage = threedee::GetTextureStage(0)) {
    stage->SetAddressU(2);
    stage->SetAddressV(2);
  }
  threedee::SetTransform(0, threedee::identityMatrix.m);
  const float* r = nullptr;
  if (rotationTrack) {
    rotationTrack->Evaluate(sinceStart);
    r = rotationTrack->GetMatrix();
  }
  const threedee::Vector eye = owner->eyePosition;
  for (int face = 0; face < 6; ++face) {
    vertices->Lock(3);
    for (int k = 0; k < 4; ++k) {
      float p[3] = {kCorners[face][k][0] * s, kCorners[face][k][1] * s, kCorners[face][k][2] * s};
      if (r) {
        float q[4];
        for (int row = 0; row < 4; ++row)
          q[row] =
              r[4 * row] * p[0] + r[4 * row + 1] * p[1] + r[4 * row + 2] * p[2] + r[4 * row + 3];
        for (int c = 0; c < 3; ++c) p[c] = q[c] / q[3];
      }
      p[0] += eye.x, p[1] += eye.y, p[2] += eye.z;
      std::uint8_t* at = vertices->data + k * vertices->pointer.stride;
      std::memcpy(at + vertices->pointer.position, p, sizeof p);
      std::memcpy(at + vertices->pointer.textureCoords, kUv[k], sizeof kUv[k]);
    }
    vertices->Unlock();
    if (textures[face]) textures[face]->Bind(0);
    threedee::DrawPrimitive(5, vertices.get(), 0, 3);
  }
  owner->SetUpRenderState();
  return true;
}

}  // namespace VOXA2
