// Fireworks: a sequence of rockets (explosions), each rising from the
// object's origin as a short trail of particles and bursting at the end of
// its flying time into all the particles of the system, which fly apart
// along directions chosen by a creator routine, fall and fade. Only the
// latest started explosion shows.
#pragma once

#include <memory>
#include <vector>

#include "foundation/basis.h"
#include "threedee/objects/particles.h"

namespace VOXA2::threedee {

class c3Dp_firework;

struct tFireworkFields : tParticleLook {
  tFireworkFields() : tParticleLook{5, 12.5f, 0, 0, 0, 255, 255, 255} {}

  float gravity = 9.81f;
  float timeMultiplier = 1;
  // Writes a particle's burst velocity for its size into out.
  void (*creator)(c3Dp_firework& firework, float size, Vector& out) = nullptr;
};

class c3Dp_firework : public c3Dparticle_system, public tFireworkFields {
 public:
  struct tExplosion : public virtual basis::basisStruct {
    float startingTime = 0;
    float flyingTime = 0;
    float fadeFactor = 0.25f;
    Vector burstPoint{0, 0, 0};  // velocity x flying time, set by SetParticleCount
    Vector velocity{0, 0, 0};
  };
  using Creator = decltype(tFireworkFields::creator);
  // The values of "creator": a reserved word matches by its token code, an
  // identifier by its text as well.
  struct tCreatorRow {
    const char* name;  // null for a reserved word
    int tokenCode;
    Creator routine;
  };
  static const tCreatorRow kCreators[3];

  c3Dp_firework();

  // Directions over a cube's worth of angles, speeds 0.5 to 1.
  static void CreateDefault(c3Dp_firework& firework, float size, Vector& out);
  // A uniform point of the unit ball.
  static void CreateScattered(c3Dp_firework& firework, float size, Vector& out);
  // Unit directions, the smallest particles fastest and the largest standing.
  static void CreateScatteredSB(c3Dp_firework& firework, float size, Vector& out);
  // The last row that matches the token sets the creator; none leaves it.
  void ChooseCreator(int tokenCode, const char* text);

  virtual bool SetParticleCount(std::int32_t n);
  // A copy of the record, after every explosion that starts no later; null is ignored.
  virtual void AddExplosion(const tExplosion* record);
  bool Animate(float frame, float time, float sinceStart, float fraction) override;
  c3Dobject* Duplicate() const override;
  void CopyTo(c3Dp_firework* copy) const;

  std::vector<std::unique_ptr<tExplosion>> explosions;  // by starting time
};

}  // namespace VOXA2::threedee
