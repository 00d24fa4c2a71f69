#include "threedee/scene/renderstage.h"


#include "foundation/allocate.h"
#include "threedee/scene/interpolator.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/rendermodes.h"

namespace VOXA2::threedee {
namespace {

template <class T>
std::unique_ptr<T> New(const char* className) {
  return std::unique_ptr<T>(VOXA::errors::NewOrThrow<T>(className));
}

void SetFilters(cRenderStage& pass, int magMin, int mip) {
  for (auto& s : pass.stages) {
    if (magMin >= 0) {
      s->SetMagFilter(magMin);
      s->SetMinFilter(magMin);
    }
    if (mip >= 0) s->SetMipFilter(mip);
  }
}

}  // namespace

tStageOperation StageOp(std::uint32_t arg1, std::uint32_t operation, std::uint32_t arg2) {
  tStageOperation op;
  op.arg1.Set(arg1, 0, 0);
  op.operation = operation;
  op.arg2.Set(arg2, 0, 0);
  return op;
}

TextureStage* cRenderStage::AddStage(const TextureStage* base) {
  auto stage = New<TextureStage>("TextureStage");
  if (base) stage->Assign(*base);
  TextureStage* placed = stage.get();
  tracks::OrFailFor("texture stages!", [&] {
    stages.push_back(std::move(stage));
    return 0;
  });
  return placed;
}

void cMatTemplate::AddPass(std::unique_ptr<cRenderStage> pass) {
  tracks::OrFailFor("render stages list!", [&] {
    passes.push_back(std::move(pass));
    return 0;
  });
}

cRenderStage* cRenderStage::Create(const cRenderStage& source) {
  auto copy = New<cRenderStage>("cRenderStage");
  for (int i = 0; i < kMaxStages; ++i) copy->textures[i] = source.textures[i];
  copy->ambient = source.ambient;
  copy->diffuse = source.diffuse;
  copy->specular = source.specular;
  copy->emissive = source.emissive;
  copy->power = source.power;
  copy->srcBlend = source.srcBlend;
  copy->destBlend = source.destBlend;
  copy->textureFactor = source.textureFactor;
  tracks::OrFailFor("texture stages!", [&] {
    copy->stages.reserve(source.stages.size());
    return 0;
  });
  for (const auto& s : source.stages) copy->AddStage(s.get());
  return copy.release();
}

void cRenderStage::Apply() const {
  const int count = StageCount();
  for (int i = 0; i < count; ++i) SetTextureStageOp(i, stages[i].get());
  DisableTextureStage(count);
  DeviceMaterial material{};
  for (int i = 0; i < kMaxStages; ++i) material.textures[i] = textures[i];
  material.ambient = ambient;
  material.diffuse = diffuse;
  material.specular = specular;
  material.emissive = emissive;
  material.power = power;
  SetMaterial(&material);
  SetRenderMode(5, 0u, srcBlend);
  SetRenderMode(5, 1u, destBlend);
  SetRenderMode(11, textureFactor);
}

bool cRenderStage::Validate(cRenderStage* pass) {
  if (!pass || pass->StageCount() > kMaxStages) return false;
  pass->Apply();
  if (ValidateTextureStages()) return true;
  int textured = 0;
  for (int i = 0; i < pass->StageCount(); ++i)
    if (pass->textures[i]) ++textured;
  if (textured != 1) return false;
  // Cheaper filters, one step at a time: linear, then point mipmaps, then
  // point sampling, then no mipmaps.
  static constexpr int kSteps[4][2] = {{1, -1}, {-1, 1}, {0, -1}, {-1, 0}};
  for (const auto& step : kSteps) {
    SetFilters(*pass, step[0], step[1]);
    pass->Apply();
    if (ValidateTextureStages()) return true;
  }
  return false;
}

void cRenderStage::AddSecondMapPass(cMatTemplate* target, const TextureStage* base,
                                    video::voxaTexture* dummy) {
  auto pass = New<cRenderStage>("cRenderStage");
  TextureStage* stage = pass->AddStage(base);
  stage->SetColorOp(StageOp(kArgTexture, kOpModulate, kArgDiffuse));
  stage->SetAlphaOp(StageOp(kArgTexture, kOpModulate, kArgDiffuse));
  stage->SetTexCoordIndex(0);
  pass->ambient = pass->diffuse = 0xFFFFFFFFu;
  pass->srcBlend = kBlendSrcAlpha;
  pass->destBlend = kBlendInvSrcAlpha;
  pass->textures[0] = dummy;
  const std::int32_t index = target->PassCount();
  target->AddPass(std::move(pass));
  target->secondMapAmountTarget.kind = sPosition::kMaterial;
  target->secondMapAmountTarget.pass = index;
  target->secondMapSlot = tMapSlot{0, index};
  if (target->lastBlendedPass != -1) target->lastBlendedPass++;
  target->lastEmissivePass++;
}

void cRenderStage::AddEnvironmentMapping(cMatTemplate* target, std::uint32_t coordinateSet,
                                         bool opaqueReflection, const TextureStage* base,
                                         video::voxaTexture* dummy) {
  if (target->PassCount() == 1 && opaqueReflection) {
    cRenderStage& only = *target->passes[0];
    TextureStage* stage = only.AddStage(base);
    stage->SetColorOp(StageOp(kArgTexture, kOpAdd, kArgCurrent));
    // The alpha of the stages before it passes through.
    stage->SetAlphaOp(StageOp(kArgTexture, kOpSelectArg2, kArgCurrent));
    stage->SetCameraSpaceNormal(true);
    stage->SetTexCoordIndex(coordinateSet);
    const int added = only.StageCount() - 1;
    if (added < kMaxStages) only.textures[added] = dummy;
    target->reflectionMapSlot = tMapSlot{added, 0};
    LogMessage(5, "Trying to add environment mapping to single pass");
    if (Validate(&only)) {
      LogMessage(5, "  succeeded!");
      return;
    }
    LogMessage(5, "  failed.");
    if (added < kMaxStages) only.textures[added] = nullptr;
    only.stages.pop_back();
  }
  auto pass = New<cRenderStage>("cRenderStage");
  TextureStage* stage = pass->AddStage(base);
  stage->SetColorOp(StageOp(kArgTexture, kOpModulate, kArgDiffuse));
  stage->SetAlphaOp(StageOp(kArgTexture, kOpModulate, kArgDiffuse));
  stage->SetCameraSpaceNormal(true);
  stage->SetTexCoordIndex(coordinateSet);
  // Added to the frame, lit white with full alpha.
  pass->srcBlend = kBlendSrcAlpha;
  pass->destBlend = kBlendOne;
  pass->ambient = 0xFF000000u;
  pass->diffuse = 0xFF000000u;
  pass->emissive = 0xFFFFFFFFu;
  pass->textures[0] = dummy;
  const std::int32_t index = target->PassCount();
  target->AddPass(std::move(pass));
  target->reflectionMapSlot = tMapSlot{0, index};
  if (!opaqueReflection) {
    target->reflectionAmountTarget.kind = sPosition::kMaterial;
    target->reflectionAmountTarget.pass = index;
  }
}

}  // namespace VOXA2::threedee
