// A spike: four Bezier patches laid out as the quadrants of a square, whose
// inner control points are pushed along a direction ("protrude") and twisted
// about the local z axis ("vortex") every frame, so that the square grows a
// spike or a dent at its centre. The patches are the spike's children and
// tessellate and draw themselves.
#pragma once

#include "threedee/objects/bezier.h"

namespace VOXA2::threedee {

class c3Dspike : public virtual c3DStemporary {
 public:
  static constexpr int kLinkedPoints = 36;

  c3Dspike();
  ~c3Dspike() override;

  bool Update(float frame, float time, float sinceStart, float fraction) override {
    return Animate(frame, time, sinceStart, fraction);
  }
  bool Animate(float frame, float time, float sinceStart, float fraction) override;
  c3Dobject* Duplicate() const override;
  void CopyTo(c3Dspike* target) const;
  void SetScene(c3Dscene* newScene) override;
  // Lays the patches out between four corners and takes the base shape.
  virtual void SetCorners(const Vector& k1, const Vector& k2, const Vector& k3, const Vector& k4);
  // The link table from the current patches.
  void LinkPatchEdges();
  // A material that a scene replaces, in the spike's own fields too.
  void ReplaceMaterial(cMaterial* oldMaterial, cMaterial* newMaterial);

  Vector baseShape[kLinkedPoints];
  Vector* linkTable[kLinkedPoints] = {};
  c3Dbeziersurface* patches[4] = {};  // the children
  std::int32_t steps = 2;
  cMaterial* material = nullptr;           // the scene's
  cMaterial* patchMaterials[4] = {};       // the scene's
  bool fourMaterials = false;
  cView3Di_position* cornerTracks[4] = {};  // owned
  cView3Di_position* protrudeTrack = nullptr;  // owned
  cView3Di_position* vortexTrack = nullptr;    // owned, radians
  Vector direction{0, 0, 1};
  // Whether a corner layout has set the base shape; a spike without corner
  // tracks is laid out on the square (-1, -1)..(1, 1) at its first update.
  bool laidOut = false;

 private:
  struct ForCopy {};
  explicit c3Dspike(ForCopy) {}
  void CreatePatches();
};

// Walks to the last sibling of chain and appends object there, with that
// sibling's parent and scene.
void AppendSibling(c3Dobject* chain, c3Dobject* object);

}  // namespace VOXA2::threedee
