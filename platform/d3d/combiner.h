// The texture-stage combiner: Direct3D 7's cascade of up to eight stages, each
// a colour and an alpha operation on two arguments (texture, diffuse, current,
// texture factor, specular; complemented or alpha-replicated), and the
// shortcuts that let common states skip it.
#pragma once

#include <cstdint>

#include "platform/d3d/chunk.h"
#include "platform/d3d/state.h"
#include "platform/d3d/texture.h"

namespace platform::raster {

// One texture stage, decoded: operations and arguments by their Direct3D values.
struct StageSetup {
  DWORD colorOp = D3DTOP_DISABLE, colorArg1 = D3DTA_TEXTURE, colorArg2 = D3DTA_CURRENT;
  DWORD alphaOp = D3DTOP_DISABLE, alphaArg1 = D3DTA_TEXTURE, alphaArg2 = D3DTA_CURRENT;
  bool readsTexture = false;
  Sampler sampler;
};

struct Combiner {
  int stageCount = 0;  // stages before the first disabled one
  StageSetup stages[8];
  std::uint32_t textureFactor = 0;  // ARGB
  bool specularAdd = false;
  bool passesDiffuse = false;  // the diffuse colour comes out unchanged: nothing to run
  bool modulateOnly = false;   // one stage, MODULATE(TEXTURE, DIFFUSE) for colour and alpha
  bool readsSpecular = false;  // an argument or the specular add needs it
};

// The cascade of the settings' stages, up to the first disabled one.
Combiner CompileCombiner(const RenderSettings& s);

// The combiner of one stage on one pixel: ARGB colours in and out, clamped.
struct StageInputs {
  std::uint32_t current, diffuse, texture, factor, specular;
};
std::uint32_t CombineStage(const StageSetup& stage, const StageInputs& in);

// Runs the chunk's colours through every stage: texels[s] holds stage s's
// texture colours, sr, sg and sb the specular colour (read only when needed).
void CombineChunk(const Combiner& k, const std::uint32_t (*texels)[kChunk], const std::int32_t* sr,
                  const std::int32_t* sg, const std::int32_t* sb, Chunk& c);

}  // namespace platform::raster
