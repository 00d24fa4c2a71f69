// Vector inner loops of the pixel stages, four pixels at a time with SSE2
// (the x86-64 baseline), or eight with AVX2 where the processor has it (one
// source, simd_loops.inc, compiled for each). Each one gives, bit for bit,
// what the plain loop of the same stage (pixels.cpp, combiner.cpp) gives; the
// pipeline takes them where the state allows (CompilePipeline's VectorLevel),
// and the tests hold every level to the same pixels.
#pragma once

#include <cstdint>

#include "platform/d3d/pixels.h"

namespace platform::raster::simd {

// The best level this build and this processor offer.
VectorLevel Supported();

// The loops below, at level L (Sse2 or Avx2), fill Lanes(n) entries of their
// outputs (a chunk's arrays have room for them); the entries past n are
// never read as pixels.
constexpr int Lanes(int n) { return (n + 7) & ~7; }

// out[i] = (start + i·step) >> 16, clamped to 0..255.
template <VectorLevel L>
void Ramp255(std::int32_t start, std::int32_t step, int n, std::int32_t* out);
// out[i] = start + float(i)·step, in float.
template <VectorLevel L>
void RampFloat(float start, float step, int n, float* out);

// Bilinear sampling of a power-of-two level with wrapping on both axes: the
// arithmetic of BilinearWrapPow2 in pixels.cpp.
template <VectorLevel L>
void BilinearWrapPow2(const TextureLevel& l, const float* u, const float* v, int n,
                      std::uint32_t* out);

// The chunk's colour and alpha times the texels' (ARGB), (x·t + 127) / 255.
template <VectorLevel L>
void Modulate(Chunk& c, const std::uint32_t* texels);

// Writes the chunk's live pixels to an X8R8G8B8 target, blended with the
// pipeline's factors or not. Returns how many pixels it handled from the
// start of the chunk (whole vectors); the caller writes the rest.
template <VectorLevel L, bool Blend>
int WriteX8R8G8B8(const PixelPipeline& p, const Chunk& c);

}  // namespace platform::raster::simd
