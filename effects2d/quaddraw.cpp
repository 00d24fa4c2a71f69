#include "effects2d/quaddraw.h"

#include <string>
#include <utility>

#include "demo/block.h"
#include "demo/demo.h"
#include "windxkernel/material.h"
#include "windxkernel/texture.h"
#include "windxkernel/video.h"

namespace VOXA2::effects2d {
namespace {

// Operation and argument indices of the texture stages.
enum : std::uint32_t { opSelectArg1 = 0, opModulate = 2 };
enum : std::uint32_t { argDiffuse = 1, argTexture = 3 };

}  // namespace

tDrawingArea DrawingArea() {
  return {static_cast<float>(screenInfo.windowLeft), static_cast<float>(screenInfo.windowTop),
          static_cast<float>(screenInfo.virtualWidth),
          static_cast<float>(screenInfo.virtualHeight)};
}

void SetUpStage0(video::voxaTexture* texture, tStageUse use) {
  threedee::ResetTextureStages();
  threedee::DisableTextureStage(1);
  if (texture) texture->Bind(0);
  threedee::kernelTextureStage* stage = threedee::GetTextureStage(0);
  if (!stage) return;
  threedee::tStageOperation op;
  if (use == tStageUse::Modulate) {
    op.operation = opModulate;
    op.arg1.Set(argTexture, 0, 0);
    op.arg2.Set(argDiffuse, 0, 0);
  } else {
    op.operation = opSelectArg1;
    op.arg1.Set(argTexture, 0, 0);
    op.arg2.Set(argDiffuse, 0, 0);
  }
  stage->SetColorOp(op);
  stage->SetAlphaOp(op);
  stage->SetTexCoordIndex(0);
  stage->SetCameraSpaceNormal(false);
  stage->SetTextureMatrix(nullptr);
}

bool ReadTextureFile(cVOXAcommand* command, cParserT* parser, video::voxaTexture** texture,
                     std::string* name) {
  const std::string read = ReadFileName(parser);
  if (name) *name = read;
  *texture = CollectedItem<video::voxaTexture>(command->demo, "texture", read);
  return *texture != nullptr;
}

bool ReadScreenTextureFile(cVOXAcommand* command, cParserT* parser, video::voxaTexture** texture,
                           std::string* name) {
  std::string read;
  if (!ReadTextureFile(command, parser, texture, &read)) return false;
  if (!(*texture)->IsScreenTexture())
    parser->Error(-1, "Texture \"%s\" is no screen texture!", read.c_str());
  if (name) *name = std::move(read);
  return true;
}

}  // namespace VOXA2::effects2d
