#include "effects2d/fullscreenfx.h"

#include <cstring>
#include <string>

#include "demo/command.h"
#include "effects2d/frame.h"
#include "foundation/numeric.h"
#include "windxkernel/material.h"
#include "windxkernel/texture.h"
#include "windxkernel/video.h"

namespace VOXA2::effects2d {

void SetModulatedStage0(video::voxaTexture* texture) {
  using threedee::tStageOperation;
  enum : std::uint32_t { argDiffuse = 1, argTexture = 3, opModulate = 2 };
  threedee::ResetTextureStages();
  threedee::DisableTextureStage(1);
  if (texture) texture->Bind(0);
  threedee::kernelTextureStage* stage = threedee::GetTextureStage(0);
  if (!stage) return;
  tStageOperation modulate;
  modulate.arg1.value = argTexture;
  modulate.operation = opModulate;
  modulate.arg2.value = argDiffuse;
  stage->SetColorOp(modulate);
  stage->SetAlphaOp(modulate);
  stage->SetTexCoordIndex(0);
  stage->SetCameraSpaceNormal(false);
  stage->SetTextureMatrix(nullptr);
}

void WriteScreenVertex(const threedee::VertexPointer& layout, std::uint8_t* vertex, float x,
                       float y, std::uint32_t color, float u, float v) {
  const float position[3] = {x, y, 0.0f}, rhw = 1.0f, uv[2] = {u, v};
  std::memcpy(vertex + layout.position, position, sizeof position);
  std::memcpy(vertex + layout.reciprocalW, &rhw, sizeof rhw);
  std::memcpy(vertex + layout.diffuse, &color, sizeof color);
  std::memcpy(vertex + layout.textureCoords, uv, sizeof uv);
}

std::uint32_t ColorByte(float value) {
  const std::int32_t b = TruncToInt(value * 255.0f);
  return static_cast<std::uint32_t>(b < 0 ? 0 : (b > 255 ? 255 : b));
}

}  // namespace VOXA2::effects2d
