#include "threedee/scene/templates.h"

#include <memory>

#include "foundation/allocate.h"
#include "threedee/scene/interpolator.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/texture.h"

namespace VOXA2::threedee {

cMatTemplate* materialTemplates[kMaterialTemplateCount] = {};

namespace {

enum : int { kOpaque = 0, kTransparent = 1, kNoMap = 2 };

const char* const kOpacityWords[3] = {"opaque", "transparent", "no"};
const char* const kOrdinals[8] = {"st", "nd", "rd", "th", "th", "th", "th", "th"};

// What one build works with: the stage every new stage starts from, and the
// texture bound on each map stage until its pass is reported.
struct tBuild {
  TextureStage base;
  video::voxaTexture* dummy;
};

std::unique_ptr<cMatTemplate> NewTemplate() {
  return std::unique_ptr<cMatTemplate>(VOXA::errors::NewOrThrow<cMatTemplate>("cMatTemplate"));
}

cMatTemplate* Place(int n, std::unique_ptr<cMatTemplate> made) {
  materialTemplates[n] = made.release();
  return materialTemplates[n];
}

// Ambient and diffuse opaque white, specular and emissive 0, blend SRCALPHA
// and INVSRCALPHA, no stages yet.
std::unique_ptr<cRenderStage> NewPass() {
  std::unique_ptr<cRenderStage> pass(VOXA::errors::NewOrThrow<cRenderStage>("cRenderStage"));
  pass->ambient = pass->diffuse = 0xFFFFFFFFu;
  return pass;
}

TextureStage* AddPlainStage(cRenderStage& pass, const tBuild& build) {
  TextureStage* stage = pass.AddStage(&build.base);
  stage->SetColorOp(StageOp(kArgTexture, kOpModulate, kArgDiffuse));
  stage->SetAlphaOp(StageOp(kArgTexture, kOpModulate, kArgDiffuse));
  return stage;
}

std::unique_ptr<cRenderStage> TexturePass(const tBuild& build) {
  auto pass = NewPass();
  AddPlainStage(*pass, build);
  pass->textures[0] = build.dummy;
  return pass;
}

std::unique_ptr<cRenderStage> FactorBlendPass(const tBuild& build) {
  auto pass = NewPass();
  TextureStage* first = pass->AddStage(&build.base);
  first->SetColorOp(StageOp(kArgTexture, kOpBlendFactorAlpha, kArgFactor));
  first->SetAlphaOp(StageOp(kArgTexture, kOpModulate, kArgDiffuse));
  TextureStage* second = pass->AddStage(&build.base);
  second->SetColorOp(StageOp(kArgCurrent, kOpModulate, kArgDiffuse));
  second->SetAlphaOp(StageOp(kArgCurrent, kOpSelectArg1, kArgDiffuse));
  second->SetTexCoordIndex(0);
  second->SetMipFilter(0);
  pass->textures[0] = build.dummy;
  return pass;
}

std::unique_ptr<cMatTemplate> CopyTemplate(const cMatTemplate& source) {
  auto copy = NewTemplate();
  tracks::OrFailFor("render stage list!", [&] {
    copy->passes.reserve(source.passes.size());
    return 0;
  });
  for (const auto& pass : source.passes)
    copy->passes.emplace_back(cRenderStage::Create(*pass));
  copy->opacityTarget = source.opacityTarget;
  copy->firstMapAmountTarget = source.firstMapAmountTarget;
  copy->secondMapAmountTarget = source.secondMapAmountTarget;
  copy->reflectionAmountTarget = source.reflectionAmountTarget;
  copy->diffuseTarget = source.diffuseTarget;
  copy->ambientTarget = source.ambientTarget;
  copy->firstMapSlot = source.firstMapSlot;
  copy->secondMapSlot = source.secondMapSlot;
  copy->reflectionMapSlot = source.reflectionMapSlot;
  copy->lastBlendedPass = source.lastBlendedPass;
  copy->lastEmissivePass = source.lastEmissivePass;
  return copy;
}

void Target(sPosition& target, std::int32_t kind, std::int32_t pass) {
  target.kind = kind;
  target.pass = pass;
}

void BuildOpaqueFirstMap(const tBuild& build) {
  auto t = NewTemplate();
  t->AddPass(TexturePass(build));
  t->firstMapSlot = tMapSlot{0, 0};
  Place(TemplateIndex(0, kOpaque, 0, kNoMap), std::move(t));
}

void BuildTransparentFirstMap(const tBuild& build) {
  LogMessage(5, "Trying to do transparent texture in one pass...");
  auto blend = FactorBlendPass(build);
  auto t = NewTemplate();
  if (cRenderStage::Validate(blend.get())) {
    // texture × amount + diffuse × (1 − amount), then lit.
    t->AddPass(std::move(blend));
    t->firstMapSlot = tMapSlot{0, 0};
    Target(t->firstMapAmountTarget, sPosition::kFactor, 0);
    Target(t->diffuseTarget, sPosition::kFactor, 0);
  } else {
    LogMessage(5, "  failed...");
    // The lit material first, then the texture weighted by its amount over it.
    auto base = NewPass();
    AddPlainStage(*base, build);
    base->srcBlend = kBlendOne;
    base->destBlend = kBlendZero;
    t->AddPass(std::move(base));
    auto texture = TexturePass(build);
    texture->stages[0]->SetTexCoordIndex(0);
    t->AddPass(std::move(texture));
    t->firstMapSlot = tMapSlot{0, 1};
    Target(t->firstMapAmountTarget, sPosition::kMaterial, 1);
    Target(t->diffuseTarget, sPosition::kMaterial, 0);
    Target(t->ambientTarget, sPosition::kMaterial, 0);
    t->lastBlendedPass = -1;
    t->lastEmissivePass = 1;
  }
  Place(TemplateIndex(0, kTransparent, 0, kNoMap), std::move(t));
}

void BuildNoMap(const tBuild& build) {
  auto t = NewTemplate();
  auto pass = NewPass();
  AddPlainStage(*pass, build);
  t->AddPass(std::move(pass));
  Target(t->diffuseTarget, sPosition::kMaterial, 0);
  Target(t->ambientTarget, sPosition::kMaterial, 0);
  Place(TemplateIndex(0, kNoMap, 0, kNoMap), std::move(t));
}

void BuildTransparentMaterials() {
  for (int first : {kOpaque, kTransparent, kNoMap}) {
    const cMatTemplate* opaque = materialTemplates[TemplateIndex(0, first, 0, kNoMap)];
    // The two-pass fallback of the transparent first map cannot carry the
    // material's opacity; the plain texture plan (opacity kept, amount not)
    // draws such materials instead of nothing.
    if (first == kTransparent && opaque->PassCount() != 1)
      opaque = materialTemplates[TemplateIndex(1, kOpaque, 0, kNoMap)];
    auto t = CopyTemplate(*opaque);
    Target(t->opacityTarget, sPosition::kMaterial, 0);
    Place(TemplateIndex(1, first, 0, kNoMap), std::move(t));
  }
}

void BuildSecondMaps(const tBuild& build) {
  for (int material : {0, 1})
    for (int first : {kOpaque, kTransparent}) {
      auto t = CopyTemplate(*materialTemplates[TemplateIndex(material, first, 0, kNoMap)]);
      cRenderStage::AddSecondMapPass(t.get(), &build.base, build.dummy);
      Place(TemplateIndex(material, first, 1, kNoMap), std::move(t));
    }
}

void BuildReflections(const tBuild& build) {
  struct Sister {
    int index;
    std::uint32_t coordinateSet;
  };
  static constexpr Sister kSisters[10] = {{2, 1},  {5, 0},  {8, 1},  {11, 1}, {14, 0},
                                          {20, 1}, {23, 0}, {26, 1}, {29, 1}, {32, 0}};
  for (const Sister& sister : kSisters)
    for (int reflection : {kOpaque, kTransparent}) {
      auto t = CopyTemplate(*materialTemplates[sister.index]);
      cRenderStage::AddEnvironmentMapping(t.get(), sister.coordinateSet, reflection == kOpaque,
                                          &build.base, build.dummy);
      Place(sister.index - 2 + reflection, std::move(t));
    }
}

void Report() {
  for (int n = 0; n < kMaterialTemplateCount; ++n) {
    cMatTemplate* t = materialTemplates[n];
    if (!t) {
      LogMessage(5, "Material template #%i is not in use!", n);
      continue;
    }
    LogMessage(5, "Material template #%i (%s, %s first texture map, %s second texture map, %s reflection map)",
               n, kOpacityWords[n / 18], kOpacityWords[(n % 18) / 6],
               kOpacityWords[(n / 3) % 2 ? kTransparent : kNoMap], kOpacityWords[n % 3]);
    const int passes = t->PassCount();
    LogMessage(5, "  %i pass%s", passes, passes != 1 ? "es" : "");
    for (int i = 0; i < passes; ++i) {
      cRenderStage* pass = t->passes[i].get();
      const int stages = pass->StageCount();
      LogMessage(5, "    %i%s pass: %i texture stage%s", i + 1, kOrdinals[i < 8 ? i : 7], stages,
                 stages != 1 ? "s" : "");
      if (!cRenderStage::Validate(pass)) LogMessage(5, "      DX won't do this! (SUXXX) :|");
      for (auto& texture : pass->textures) texture = nullptr;
    }
  }
}

// The base stage: device stage 0 as it is, with the plain texture operations,
// wrapped addressing, linear filters and no coordinate transform.
void MakeBaseStage(TextureStage& base) {
  if (const TextureStage* stage0 = GetTextureStage(0)) base.Assign(*stage0);
  base.SetColorOp(StageOp(kArgTexture, kOpModulate, kArgDiffuse));
  base.SetAlphaOp(StageOp(kArgTexture, kOpModulate, kArgDiffuse));
  base.SetTextureMatrix(nullptr);
  base.SetCameraSpaceNormal(false);
  base.SetAddress(0);
  base.SetMagFilter(1);
  base.SetMinFilter(1);
  base.SetMipFilter(2);
}

}  // namespace

void BuildMaterialTemplates() {
  if (materialTemplates[0]) return;
  FreeMaterialTemplates();
  BeginScene();
  struct SceneCloser {
    ~SceneCloser() { EndScene(); }
  } closer;
  std::unique_ptr<video::kernelTexture> dummy(video::kernelTexture::FromPicture(2, 2));
  if (!dummy) throw new VOXA::errors::eCouldNotCreateObject("dummy texture!");
  tBuild build{{}, dummy.get()};
  MakeBaseStage(build.base);

  BuildOpaqueFirstMap(build);
  BuildTransparentFirstMap(build);
  BuildNoMap(build);
  BuildTransparentMaterials();
  BuildSecondMaps(build);
  BuildReflections(build);
  Report();

  for (int i = 0; i < 8; ++i) SetTextureStageOp(i, &build.base);
  DisableTextureStage(1);
  ResetTextureStages();
  SetRenderMode(11, 0u);
  SetRenderMode(5, 0u, kBlendSrcAlpha);
  SetRenderMode(5, 1u, kBlendInvSrcAlpha);
}

void FreeMaterialTemplates() {
  for (auto& entry : materialTemplates) {
    delete entry;
    entry = nullptr;
  }
}

}  // namespace VOXA2::threedee
