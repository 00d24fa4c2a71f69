// Rendering passes and material templates. A pass is what the device needs to
// draw geometry once: its texture stages, the texture of each stage, the device
// material, the blend factors and the texture factor. A template is the list
// of passes that draws one combination of material opacity and texture maps on
// the present device, with the places where a material writes its values.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/basis.h"
#include "windxkernel/material.h"

namespace VOXA2::threedee {

class cMatTemplate;

// Blend codes of the device layer (Direct3D 7 order).
enum : std::uint32_t {
  kBlendZero = 0,
  kBlendOne = 1,
  kBlendSrcColor = 2,
  kBlendInvSrcColor = 3,
  kBlendSrcAlpha = 4,
  kBlendInvSrcAlpha = 5,
};

class cRenderStage : public virtual basis::basisObject {
 public:
  static constexpr int kMaxStages = 8;

  cRenderStage() = default;
  cRenderStage(const cRenderStage&) = delete;
  cRenderStage& operator=(const cRenderStage&) = delete;
  ~cRenderStage() override = default;

  // A deep copy: stages (with their matrices) are the copy's own.
  static cRenderStage* Create(const cRenderStage& source);
  // Stages, end of the stage cascade, device material with the textures,
  // blend factors and texture factor, in this order.
  void Apply() const;
  // Whether the device accepts the pass; a pass with exactly one textured stage
  // is retried with lower filters, which stay lowered whatever the answer.
  static bool Validate(cRenderStage* pass);
  // Appends a pass that draws the second texture map, from the base stage.
  static void AddSecondMapPass(cMatTemplate* target, const TextureStage* base,
                               video::voxaTexture* dummy);
  // Adds the reflection map, merged into the only pass when the reflection is
  // opaque and the device takes it, else as a pass of its own.
  static void AddEnvironmentMapping(cMatTemplate* target, std::uint32_t coordinateSet,
                                    bool opaqueReflection, const TextureStage* base,
                                    video::voxaTexture* dummy);

  // Appends a stage copied from base (all settings zero without one).
  TextureStage* AddStage(const TextureStage* base);
  int StageCount() const { return static_cast<int>(stages.size()); }

  std::vector<std::unique_ptr<TextureStage>> stages;
  video::voxaTexture* textures[kMaxStages] = {};  // not owned
  std::uint32_t ambient = 0, diffuse = 0, specular = 0, emissive = 0;
  float power = 0.0f;
  std::uint32_t srcBlend = kBlendSrcAlpha, destBlend = kBlendInvSrcAlpha;
  std::uint32_t textureFactor = 0;
};

// Where a material writes one value: into a pass's material colour (diffuse, or
// ambient for the ambient target), into its texture factor, or nowhere.
struct sPosition : public virtual basis::basisStruct {
  enum : std::int32_t { kMaterial = 0, kFactor = 1, kNone = 2 };
  std::int32_t kind = kNone;
  std::int32_t pass = 0;
};

// The stage of a pass that samples a map; no stage is -1.
struct tMapSlot {
  std::int32_t stage = -1;
  std::int32_t pass = 0;
};

class cMatTemplate : public virtual basis::basisStruct {
 public:
  cMatTemplate() = default;
  cMatTemplate(const cMatTemplate&) = delete;
  cMatTemplate& operator=(const cMatTemplate&) = delete;
  ~cMatTemplate() override = default;

  int PassCount() const { return static_cast<int>(passes.size()); }
  // Appends a pass that the template then owns.
  void AddPass(std::unique_ptr<cRenderStage> pass);

  std::vector<std::unique_ptr<cRenderStage>> passes;
  sPosition opacityTarget, firstMapAmountTarget, secondMapAmountTarget, reflectionAmountTarget,
      diffuseTarget, ambientTarget;
  tMapSlot firstMapSlot, secondMapSlot, reflectionMapSlot;
  // -1: no pass takes the material's blend factors.
  std::int32_t lastBlendedPass = 0;
  std::int32_t lastEmissivePass = 0;
};

// The stage operation records in the device layer's codes.
enum : std::uint32_t {
  kArgCurrent = 0,
  kArgDiffuse = 1,
  kArgTexture = 3,
  kArgFactor = 4,
  kOpSelectArg1 = 0,
  kOpSelectArg2 = 1,
  kOpModulate = 2,
  kOpAdd = 5,
  kOpBlendFactorAlpha = 12,
};
tStageOperation StageOp(std::uint32_t arg1, std::uint32_t operation, std::uint32_t arg2);

}  // namespace VOXA2::threedee
