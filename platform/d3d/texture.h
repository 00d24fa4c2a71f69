// Textures as the rasteriser reads them: every level of a surface's mip
// chain decoded to 8-bit ARGB (formats without alpha read alpha 255), and
// the sampler of one texture stage: addressing per axis, point and bilinear
// filters, and the choice of mip level from the texel footprint.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d.h"

namespace platform::raster {

struct TextureLevel {
  int width = 0, height = 0;
  std::vector<std::uint32_t> texels;  // ARGB, rows of width
};

class Texture {
 public:
  // Re-reads the chain when the surface or any level's contents changed.
  // False when there is no texture to read (a null surface or an unknown format).
  bool Update(IDirectDrawSurface7* surface);
  // True when Update would read the chain again.
  bool Stale(IDirectDrawSurface7* surface) const;
  const std::vector<TextureLevel>& levels() const { return levels_; }

 private:
  IDirectDrawSurface7* surface_ = nullptr;
  std::vector<std::uint64_t> versions_;
  std::vector<TextureLevel> levels_;
};

// One pixel of a surface in the format's masks as 8-bit ARGB.
std::uint32_t DecodeTexel(const DDPIXELFORMAT& format, std::uint32_t pixel);

struct Sampler {
  const Texture* texture = nullptr;  // null: reads opaque white
  DWORD addressU = D3DTADDRESS_WRAP, addressV = D3DTADDRESS_WRAP;
  std::uint32_t border = 0;
  bool magLinear = false, minLinear = false;
  DWORD mip = D3DTFP_NONE;
  float lodBias = 0;
  int maxLevel = 0;  // the most detailed level allowed
};

// The sampler of one stage from its texture stage states; a texture without
// levels reads as unbound.
Sampler StageSampler(const DWORD* stageStates, const Texture* texture);

// What a sample at one level of detail reads: one level, or two mixed with
// the second's weight (0..256), each point or bilinear.
struct SamplePlan {
  int level = 0, second = -1;  // second: −1 for none
  bool linear = false;
  std::uint32_t weight = 0;
};
// lod is log2 of the footprint in level-0 texels (≤ 0 magnifies). The
// sampler must have a texture.
SamplePlan PlanSample(const Sampler& s, float lod);

// Mixes two ARGB colours with weight w/256 of b.
std::uint32_t MixTexels(std::uint32_t a, std::uint32_t b, std::uint32_t w);

std::uint32_t Sample(const Sampler& s, float u, float v, float lod);

}  // namespace platform::raster
