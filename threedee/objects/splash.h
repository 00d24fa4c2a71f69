// A ring of droplets thrown up and outwards from the object's origin at a
// starting time; they fall back under gravity, fade, and vanish at height 0
// of the object's own coordinates. Positions are a function of the time
// alone, so the splash can be shown at any time in any order.
#pragma once

#include "threedee/objects/particles.h"

namespace VOXA2::threedee {

// The settings of the object block, copied with the object as one record.
struct tSplashFields : tParticleLook {
  tSplashFields() : tParticleLook{5, 12.5f, 0, 0, 255, 127, 127, 0} {}

  float startingTime = 0;
  float gravity = 9.81f;
  float fadeFactor = 0.25f;
  float timeMultiplier = 1;
  float innerRadius = 1;
  float outerRadius = 1;
  float intensity = 4;
  float height = 2, heightRandom = 2;
};

class c3Dp_splash : public c3Dparticle_system, public tSplashFields {
 public:
  c3Dp_splash();

  // The velocity holds the launch velocity, the time offset the head start
  // that puts the droplet on its ring at the starting time.
  virtual bool SetParticleCount(std::int32_t n);
  bool Animate(float frame, float time, float sinceStart, float fraction) override;
  c3Dobject* Duplicate() const override;
  void CopyTo(c3Dp_splash* copy) const;
};

}  // namespace VOXA2::threedee
