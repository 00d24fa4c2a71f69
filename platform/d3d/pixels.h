// The per-pixel path. Pixels travel in chunks of up to kChunk along one row;
// each stage is a function chosen once per state change, instantiated from
// templates over the part of the state it depends on, so the loops carry no
// per-pixel tests of the state. Order (Direct3D's): colour, alpha test,
// depth, fog, blend and write. Texture stages will slot in after the colour
// stage, reading the chunk's interpolated colours.
#pragma once

#include <array>
#include <cstdint>

#include "platform/d3d/state.h"
#include "platform/d3d/texture.h"

namespace platform::raster {

constexpr int kChunk = 64;

// A value across the triangle: v(x, y) = c + dx·x + dy·y, pixel centres at integers.
struct Plane {
  double c = 0, dx = 0, dy = 0;
  double At(double x, double y) const { return c + dx * x + dy * y; }
};

// Colours and fog in 0..255, z in 0..1, rhw = 1/w; texture coordinates
// times rhw, so that u = tu/rhw is perspective-correct.
struct Interpolants {
  Plane r, g, b, a, fog, z, rhw;
  Plane sr, sg, sb;  // specular
  Plane tu[8], tv[8];
};

struct Chunk {
  int x = 0, y = 0, n = 0;
  const Interpolants* values = nullptr;
  alignas(32) std::int32_t r[kChunk], g[kChunk], b[kChunk], a[kChunk];
  alignas(32) std::int32_t fog[kChunk];  // 255 = no fog
  alignas(32) float z[kChunk];
  alignas(32) float w[kChunk];
  alignas(32) std::uint8_t live[kChunk];
};

// The vector loops the stages may take (simd.h). None keeps every stage on
// its plain per-pixel loop, which the vector loops match bit for bit.
enum class VectorLevel { None, Sse2, Avx2 };

struct PixelPipeline;
using InterpolateFn = void (*)(const Interpolants&, Chunk&);
using StageFn = void (*)(const PixelPipeline&, Chunk&);

// One texture stage, decoded: operations and arguments by their Direct3D values.
struct StageSetup {
  DWORD colorOp = D3DTOP_DISABLE, colorArg1 = D3DTA_TEXTURE, colorArg2 = D3DTA_CURRENT;
  DWORD alphaOp = D3DTOP_DISABLE, alphaArg1 = D3DTA_TEXTURE, alphaArg2 = D3DTA_CURRENT;
  bool readsTexture = false;
  Sampler sampler;
};

struct PixelPipeline {
  InterpolateFn interpolate = nullptr;
  StageFn shade = nullptr;  // texture stages and specular; null: the colour passes unchanged
  StageFn depth = nullptr;  // null: no depth test
  StageFn fog = nullptr;    // null: no fog
  StageFn write = nullptr;

  Target target;
  // Comparison masks: bit 0 less, bit 1 equal, bit 2 greater.
  std::uint32_t depthCompare = 7, alphaCompare = 7;
  bool alphaTest = false;
  int alphaRef = 0;
  bool depthWrite = true;
  std::uint32_t depthBias = 0;  // in depth-buffer units
  double depthScale = 1;        // 0..1 to the buffer's range
  float wScale = 1;             // w to 0..1 for the W-buffer
  int fogR = 0, fogG = 0, fogB = 0;
  float fogTableScale = 1;  // depth (z, or w) to a table index
  std::array<std::uint8_t, 1024> fogTable{};
  // Blend factor = (k0·255 + ks·Sc + ksa·Sa + kd·Dc) / 255, for source and destination.
  int src[4] = {255, 0, 0, 0}, dst[4] = {0, 0, 0, 0};
  std::array<std::uint8_t, 16> dither{};  // 4x4 Bayer values, zeros when off
  int stageCount = 0;                     // stages before the first disabled one
  StageSetup stages[8];
  std::uint32_t textureFactor = 0;  // ARGB
  bool specularAdd = false;
  bool modulateOnly = false;   // one stage, MODULATE(TEXTURE, DIFFUSE) for colour and alpha
  bool readsSpecular = false;  // an argument or the specular add needs it
  VectorLevel vector = VectorLevel::None;

  // Runs the chunk through every stage.
  void Run(Chunk& c) const;
};

// The vector loops up to `most`, as far as the machine has them.
PixelPipeline CompilePipeline(const RenderSettings& s, const Target& t,
                              VectorLevel most = VectorLevel::Avx2);

// The combiner of one stage on one pixel: ARGB colours in and out, clamped.
struct StageInputs {
  std::uint32_t current, diffuse, texture, factor, specular;
};
std::uint32_t CombineStage(const StageSetup& stage, const StageInputs& in);

// Depth value in buffer units for a Z (or W) clear.
std::uint32_t QuantiseDepth(const PixelPipeline& p, float depth);

}  // namespace platform::raster
