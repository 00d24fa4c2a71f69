#include "threedee/objects/snow.h"

#include <cmath>

#include "foundation/random.h"

namespace VOXA2::threedee {
namespace {

// Into -1..1 by whole periods of 2. The coarse steps are taken at once: one
// by one, a large time would cost millions of steps, and beyond 2^35 a float
// minus 2000 is the float itself.
float Wrap(float z) {
  if (std::abs(z) > 1000.0f && std::isfinite(z)) {
    const double excess = std::abs(static_cast<double>(z)) - 1000.0;
    const double steps = std::ceil(excess / 2000.0);
    z = static_cast<float>(z > 0 ? z - steps * 2000.0 : z + steps * 2000.0);
  }
  for (float step : {100.0f, 10.0f, 1.0f}) {
    while (z > step) z -= 2 * step;
    while (z < -step) z += 2 * step;
  }
  return z;
}

}  // namespace

c3Dp_weather_snow::c3Dp_weather_snow() { SetParticleCount(3000); }

bool c3Dp_weather_snow::SetParticleCount(std::int32_t n) {
  AllocateParticles(n);
  for (tParticle& p : particles) {
    p.alive = 1;
    Generate(p);
    p.alpha = alpha + RandomFraction() * alphaRandom;
    p.velocity.x = 2 * RandomFraction() - 1;
    p.velocity.y = 2 * RandomFraction() - 1;
    p.velocity.z = 2 * RandomFraction() - 1;
    p.timeOffset = 0;
  }
  first = 0;
  count = Capacity();
  last = count - 1;
  return true;
}

bool c3Dp_weather_snow::Animate(float frame, float time, float sinceStart, float fraction) {
  if (!c3DStemporary::Animate(frame, time, sinceStart, fraction)) return false;
  const float fallen = frame * timeMultiplier;
  for (tParticle& p : particles)
    p.position.Set(p.velocity.x, p.velocity.y, Wrap(p.velocity.z - fallen));
  return true;
}

c3Dobject* c3Dp_weather_snow::Duplicate() const { return DuplicateAs(*this, "c3Dp_weather_snow"); }

void c3Dp_weather_snow::CopyTo(c3Dp_weather_snow* copy) const {
  c3Dparticle_system::CopyTo(copy);
  static_cast<tSnowFields&>(*copy) = *this;
}

}  // namespace VOXA2::threedee
