#include "threedee/objects/splash.h"

#include <cmath>
#include <numbers>

#include "foundation/random.h"

namespace VOXA2::threedee {

c3Dp_splash::c3Dp_splash() { SetParticleCount(3000); }

bool c3Dp_splash::SetParticleCount(std::int32_t n) {
  AllocateParticles(n);
  for (tParticle& p : particles) {
    const float phi = RandomFraction() * 2 * std::numbers::pi_v<float>;
    const float h = height + RandomFraction() * heightRandom;
    const float s = std::sin(phi), c = std::cos(phi);
    const float l = std::sqrt(s * s + c * c + h * h) / intensity;
    p.velocity.Set(s / l, c / l, h / l);
    const float radius = innerRadius + (RandomFraction() - 0.5f) * outerRadius;
    p.timeOffset = radius * l;
    p.alive = 1;
    Generate(p);
  }
  return true;
}

bool c3Dp_splash::Animate(float frame, float time, float sinceStart, float fraction) {
  if (!c3DStemporary::Animate(frame, time, sinceStart, fraction)) return false;
  const float tau = (frame - startingTime) * timeMultiplier;
  // No factor one half: the fall is as steep as the splashes were tuned to.
  const float drop = -gravity * tau * tau;
  const float alpha = 255 * std::exp(-fadeFactor * tau * tau);
  count = 0;
  for (tParticle& p : particles) {
    const float z = p.velocity.z * tau + drop;
    p.alive = z > 0;
    if (!p.alive) continue;
    p.position.Set(p.velocity.x * (tau + p.timeOffset), p.velocity.y * (tau + p.timeOffset), z);
    p.alpha = alpha;
    ++count;
  }
  return true;
}

c3Dobject* c3Dp_splash::Duplicate() const { return DuplicateAs(*this, "c3Dp_splash"); }

void c3Dp_splash::CopyTo(c3Dp_splash* copy) const {
  c3Dparticle_system::CopyTo(copy);
  static_cast<tSplashFields&>(*copy) = *this;
}

}  // namespace VOXA2::threedee
