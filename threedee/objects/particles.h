// Particle systems: keyframed scene objects holding a budget of particles in
// their own coordinates, each drawn as one flat, camera-facing triangle. The
// object projects its particles itself and hands the device pre-transformed
// vertices, 256 triangles at a time through two alternating vertex arrays, so
// that a particle costs no matrix change. The kinds (splash, firework, snow)
// only fill the particles and move them each frame.
#pragma once

#include <cstdint>
#include <vector>

#include "threedee/scene/keyframed.h"
#include "threedee/scene/vector.h"

namespace VOXA2::video {
class voxaTexture;
}

namespace VOXA2::threedee {

class VertexArray;

struct tParticle {
  std::uint8_t alive;
  // Diameter of the circle through the triangle's corners, in view-space
  // units: the object's own scale does not apply to it.
  float size;
  float alpha;  // 0..255
  Vector velocity;
  float timeOffset;
  Vector position;         // object coordinates
  float red, green, blue;  // 0..255
};

// The size range and the colour with its random spread that every kind has,
// each with its own defaults.
struct tParticleLook {
  float sizeMinimum, sizeMaximum;
  float red, green, blue;  // 0..255
  float redRandom, greenRandom, blueRandom;

  // The particle's size, then its blue, green and red, in this order of
  // random draws.
  void Generate(tParticle& particle) const;
};

class c3Dparticle_system : public c3DStemporary {
 public:
  static constexpr std::int32_t kArrayVertices = 768;
  enum : std::int32_t { kAdditive = 0, kBlended = 1, kBlendedToo = 2, kMultiplying = 3 };

  c3Dparticle_system();
  ~c3Dparticle_system() override;

  bool Render(bool recurse) override { return RenderParticles(recurse); }
  c3Dobject* Duplicate() const override;
  // The children and siblings first; false only when they fail.
  virtual bool RenderParticles(bool recurse);
  // The largest budget: a count from a scene file is any 32-bit number, and
  // the records of a larger one would be gigabytes that a frame could never
  // draw in time. A larger count fails as a failed allocation does.
  static constexpr std::int32_t kMostParticles = 1 << 20;

  // Resizes the budget, keeping the records that fit; new records are zero.
  // 0 frees it. Every record is then drawn (count = n).
  virtual bool AllocateParticles(std::int32_t n);
  // Draws what the current array holds and switches to the other one.
  void FlushBatch();
  // What every kind's Duplicate shares: tracks, subtree, the particle records
  // and the texture (multipliers and blend mode stay at the copy's defaults).
  void CopyTo(c3Dparticle_system* copy) const;

  std::int32_t Capacity() const { return static_cast<std::int32_t>(particles.size()); }

  std::int32_t count = 0;  // drawing is skipped while it is 0
  std::int32_t first = 0;
  std::int32_t last = 0;  // inclusive
  std::int32_t currentArray = 0;
  std::int32_t verticesLeft = kArrayVertices;
  VertexArray* arrays[2] = {};  // owned; null without a device
  std::vector<tParticle> particles;
  float alphaMultiplier = 1.0f, redMultiplier = 1.0f, greenMultiplier = 1.0f, blueMultiplier = 1.0f;
  std::int32_t blendMode = kAdditive;
  video::voxaTexture* texture = nullptr;  // its collector's
};

}  // namespace VOXA2::threedee
