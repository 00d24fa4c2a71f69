// The per-pixel path. Pixels travel in chunks of up to kChunk along one row;
// each stage is a function chosen once per state change, instantiated from
// templates over the part of the state it depends on, so the loops carry no
// per-pixel tests of the state. Order (Direct3D's): colour, alpha test,
// depth, fog, blend and write. The texture stages (sampling, then the
// combiner of combiner.h) run after the colour stage, reading the chunk's
// interpolated colours.
#pragma once

#include <array>
#include <cstdint>

#include "platform/d3d/chunk.h"
#include "platform/d3d/combiner.h"
#include "platform/d3d/state.h"

namespace platform::raster {

// The vector loops the stages may take (simd.h). None keeps every stage on
// its plain per-pixel loop, which the vector loops match bit for bit.
enum class VectorLevel { None, Sse2, Avx2 };

struct PixelPipeline;
using InterpolateFn = void (*)(const Interpolants&, Chunk&);
using StageFn = void (*)(const PixelPipeline&, Chunk&);

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
  Combiner combiner;
  VectorLevel vector = VectorLevel::None;

  // Runs the chunk through every stage.
  void Run(Chunk& c) const;
};

// The vector loops up to `most`, as far as the machine has them.
PixelPipeline CompilePipeline(const RenderSettings& s, const Target& t,
                              VectorLevel most = VectorLevel::Avx2);

// Depth value in buffer units for a Z (or W) clear.
std::uint32_t QuantiseDepth(const PixelPipeline& p, float depth);

}  // namespace platform::raster
