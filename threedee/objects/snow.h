// Snow: flakes scattered through the cube from -1 to 1 of the object's own
// coordinates, falling along -z at a steady speed and entering again at the
// top when they leave at the bottom. The object's tracks scale and place the
// cube in the scene.
#pragma once

#include "threedee/objects/particles.h"

namespace VOXA2::threedee {

// The weather base: nothing of its own.
class c3Dp_weather : public c3Dparticle_system {};

struct tSnowFields : tParticleLook {
  tSnowFields() : tParticleLook{2.5f, 7.5f, 255, 255, 255, 0, 0, 0} {}

  float timeMultiplier = 1;  // falling speed, object units per unit of scene time
  // Kept and copied; nothing reads them.
  float xFlatter = 0.05f, yFlatter = 0.05f;
  float alpha = 128, alphaRandom = 127;
};

class c3Dp_weather_snow : public c3Dp_weather, public tSnowFields {
 public:
  c3Dp_weather_snow();

  // The velocity holds the flake's home position.
  virtual bool SetParticleCount(std::int32_t n);
  bool Animate(float frame, float time, float sinceStart, float fraction) override;
  c3Dobject* Duplicate() const override;
  void CopyTo(c3Dp_weather_snow* copy) const;
};

}  // namespace VOXA2::threedee
