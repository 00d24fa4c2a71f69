#include "threedee/objects/firework.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "foundation/allocate.h"
#include "foundation/random.h"
#include "script/tokens.h"

namespace VOXA2::threedee {
namespace {

using tExplosion = c3Dp_firework::tExplosion;

tExplosion* CopyExplosion(const tExplosion& source) {
  auto* copy = VOXA::errors::NewOrThrow<tExplosion>("tExplosion");
  copy->startingTime = source.startingTime;
  copy->flyingTime = source.flyingTime;
  copy->fadeFactor = source.fadeFactor;
  copy->burstPoint = source.burstPoint;
  copy->velocity = source.velocity;
  return copy;
}

// Three fractions drawn z first, each less one half; (0, 0, 1) when all are zero.
Vector CubeDirection() {
  Vector v;
  v.z = RandomFraction() - 0.5f;
  v.y = RandomFraction() - 0.5f;
  v.x = RandomFraction() - 0.5f;
  if (v.Dot(v) == 0) v.Set(0, 0, 1);
  return v;
}

}  // namespace

const c3Dp_firework::tCreatorRow c3Dp_firework::kCreators[3] = {
    {nullptr, tokDefault, &c3Dp_firework::CreateDefault},
    {"Scattered", tokIdentifier, &c3Dp_firework::CreateScattered},
    {"ScatteredSB", tokIdentifier, &c3Dp_firework::CreateScatteredSB},
};

c3Dp_firework::c3Dp_firework() {
  creator = &CreateDefault;
  SetParticleCount(3000);
}

void c3Dp_firework::CreateDefault(c3Dp_firework&, float, Vector& out) {
  Vector v = CubeDirection();
  const float speed = 0.5f + 0.5f * RandomFraction();
  v.Normalize();
  out = v.Scaled(speed);
}

void c3Dp_firework::CreateScattered(c3Dp_firework&, float, Vector& out) {
  Vector v;
  do {
    v.z = 2 * RandomFraction() - 1;
    v.y = 2 * RandomFraction() - 1;
    v.x = 2 * RandomFraction() - 1;
  } while (std::sqrt(v.Dot(v)) > 1);
  out = v;
}

void c3Dp_firework::CreateScatteredSB(c3Dp_firework& firework, float size, Vector& out) {
  Vector v = CubeDirection();
  const float range = firework.sizeMaximum - firework.sizeMinimum;
  const float t = range == 0 ? RandomFraction() : (size - firework.sizeMinimum) / range;
  v.Normalize();
  out = v.Scaled(1 - t);
}

void c3Dp_firework::ChooseCreator(int tokenCode, const char* text) {
  for (const tCreatorRow& row : kCreators)
    if (row.tokenCode == tokenCode &&
        (tokenCode != tokIdentifier || (row.name && text && std::strcmp(row.name, text) == 0)))
      creator = row.routine;
}

bool c3Dp_firework::SetParticleCount(std::int32_t n) {
  for (auto& e : explosions)
    if (e) e->burstPoint = e->velocity.Scaled(e->flyingTime);
  if (!creator) creator = &CreateDefault;
  AllocateParticles(n);
  for (tParticle& p : particles) {
    p.alive = 1;
    Generate(p);
    p.velocity.Set(0, 0, 1);
    creator(*this, p.size, p.velocity);
    p.timeOffset = -p.size / (5 * (sizeMinimum + sizeMaximum));
  }
  return true;
}

void c3Dp_firework::AddExplosion(const tExplosion* record) {
  if (!record) return;
  std::unique_ptr<tExplosion> copy(CopyExplosion(*record));
  const auto later = std::find_if(explosions.begin(), explosions.end(), [&](const auto& e) {
    return e && e->startingTime > record->startingTime;
  });
  try {
    explosions.insert(later, std::move(copy));
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("explosion list!");
  }
}

bool c3Dp_firework::Animate(float frame, float time, float sinceStart, float fraction) {
  if (!c3DStemporary::Animate(frame, time, sinceStart, fraction)) return false;
  const tExplosion* e = nullptr;
  for (const auto& candidate : explosions)
    if (candidate && candidate->startingTime <= frame) e = candidate.get();
  count = 0, first = 0, last = 0;
  if (!e) return true;
  const float tau = (frame - e->startingTime) * timeMultiplier;
  if (tau < 0) return true;
  const std::int32_t capacity = Capacity();
  if (tau < e->flyingTime) {
    const Vector head = e->velocity.Scaled(tau);
    const std::int32_t trail = std::max(std::min(capacity, 64), capacity / 64);
    for (std::int32_t i = 0; i < trail; ++i) {
      tParticle& p = particles[static_cast<std::size_t>(i)];
      p.alive = 1;
      p.alpha = 63;
      p.position.Set(head.x, head.y, head.z + p.timeOffset);
    }
    count = trail;
    last = trail - 1;
    return true;
  }
  const float tb = tau - e->flyingTime;
  // No factor one half in the fall, as in the splash.
  const float drop = -gravity * tb * tb;
  const float alpha = 255 * std::exp(-e->fadeFactor * tb * tb);
  // The burst keeps the rocket's motion.
  const Vector centre = e->burstPoint + e->velocity.Scaled(tb);
  if (alpha < 1) {
    last = -1;
    return true;
  }
  for (tParticle& p : particles) {
    p.position = p.velocity.Scaled(tb) + centre;
    p.position.z += drop + p.timeOffset;
    p.alive = 1;
    p.alpha = alpha;
  }
  count = capacity;
  last = capacity - 1;
  return true;
}

c3Dobject* c3Dp_firework::Duplicate() const { return DuplicateAs(*this, "c3Dp_firework"); }

void c3Dp_firework::CopyTo(c3Dp_firework* copy) const {
  c3Dparticle_system::CopyTo(copy);
  static_cast<tFireworkFields&>(*copy) = *this;
  copy->explosions.clear();
  try {
    copy->explosions.reserve(explosions.size());
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("explosions list!");
  }
  for (const auto& e : explosions) copy->explosions.emplace_back(e ? CopyExplosion(*e) : nullptr);
}

}  // namespace VOXA2::threedee
