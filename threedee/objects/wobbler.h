// The wobbler: an invisible keyframed object whose plane (through its origin,
// across its local z axis) waves the meshes below it. In the post-update pass,
// after every object has its matrices for the frame, each vertex of the listed
// meshes (or of every triangular mesh of the scene) lying below the plane is
// moved by three chained travelling sine waves, fading in over a depth.
#pragma once

#include <vector>

#include "threedee/scene/keyframed.h"

namespace VOXA2::threedee {

struct tWobbleParameter : public virtual basis::basisStruct {
  Vector origin{0, 0, 0};
  Vector axis{0, 0, 1};
  float fadeArea = 50.0f;
  float intensity = 25.0f;
  float time = 0;
};

class c3Dwobbler : public virtual c3DStemporary {
 public:
  c3Dwobbler() = default;
  ~c3Dwobbler() override;

  bool Update(float frame, float time, float sinceStart, float fraction) override {
    return Animate(frame, time, sinceStart, fraction);
  }
  bool Animate(float frame, float time, float sinceStart, float fraction) override;
  // The post-update of the children and following siblings, then the waves.
  bool PostUpdate() override { return Wobble(); }
  bool Wobble();
  static void Deform(c3Dobject* object, const tWobbleParameter& wave, Matrix4 wobblerWorld,
                     float timeMultiplyer, float waveMultiplyer);
  static void DeformChildren(c3Dobject* object, const tWobbleParameter& wave,
                             const Matrix4& wobblerWorld, float timeMultiplyer,
                             float waveMultiplyer);
  // Rebinds the listed objects by name in the new scene.
  void SetScene(c3Dscene* newScene) override;
  // A copy with the same list and its own copies of the wave tracks.
  c3Dobject* Duplicate() const override;
  void CopyTo(c3Dwobbler* target) const;

  // Empty: every triangular mesh of the scene. The objects are the scene's.
  std::vector<c3Dobject*> objectList;
  float frameTime = 0;
  cView3Di_position* timeMultiplyerTrack = nullptr;  // owned
  cView3Di_position* waveMultiplyerTrack = nullptr;  // owned
  cView3Di_position* intensityTrack = nullptr;       // owned
  cView3Di_position* fadeAreaTrack = nullptr;        // owned
};

}  // namespace VOXA2::threedee
