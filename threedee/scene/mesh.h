// Drawable objects of the tree. c3Dmesh fixes the render protocol (children
// and siblings first, then the shown and visibility tests, then the lights)
// and gives up to eight scene lights device slots; c3DfiniteMesh adds an
// object-space bounding volume tested against the view volume; a
// c3DoneMaterialMesh hands itself to its single material, which calls its
// Draw back, at once or from the render batch.
#pragma once

#include <cstdint>

#include "threedee/scene/object.h"
#include "threedee/scene/vector.h"

namespace VOXA2::threedee {

class cMaterial;
struct cFustrum;

class c3Dmesh : public virtual c3Dobject {
 public:
  c3Dmesh() { kind = kMesh; }

  // 0 outside the view, 1 partly inside (or not tested), 2 wholly inside.
  virtual std::int32_t TestVisibility() { return 1; }
  // After the subtree and the following siblings: leaves the skip flag clear
  // only when the mesh is to be drawn, with its lights set up.
  bool Render(bool recurse) override;
  virtual void ReplaceMaterial(cMaterial* oldMaterial, cMaterial* newMaterial);
  // Gives the scene's shown lights device slots, unless this mesh was lit last.
  virtual void SetUpLights();
  c3Dobject* Duplicate() const override;
  void CopyTo(c3Dmesh* target) const;

  // Meshes drawn after drawing that went past the light set-up light again.
  static void ForgetLastLitMesh();

  Vector position{0, 0, 0};
  // Kept for the derived classes (a surface's centre and half extents).
  float meshValues[3] = {};
  bool skip = false;
};

// The corner spheres of a box tested against a view volume: 0 when the
// box lies outside one plane, 2 when wholly inside all, else 1.
std::int32_t TestBoxVisibility(const Vector corners[8], const Vector& center, float radius,
                               const float* world, const cFustrum& fustrum);

class c3DfiniteMesh : public virtual c3Dmesh {
 public:
  c3DfiniteMesh();

  std::int32_t TestVisibility() override;
  c3Dobject* Duplicate() const override;
  void CopyTo(c3DfiniteMesh* target) const;
  static void CopyBounds(const c3DfiniteMesh& source, c3DfiniteMesh& destination);
  // Bits 1, 2, 4, 8, 16, 32 for planes 2, 3, 4, 5, 1, 0 that the sphere's
  // centre lies beyond; 0xFFFF when the whole sphere lies beyond one.
  static std::uint16_t ClassifySphere(const Vector& center, float radius,
                                      const cFustrum& fustrum);

  // Corner i takes x from the maximum when i & 4, y when i & 2, z when i & 1.
  Vector corners[8];
  Vector center{0, 0, 0};
  // Largest distance of a vertex from the centre; 0 or less: no bounds yet.
  float radius = 0;
};

class c3DoneMaterialMesh : public virtual c3Dmesh {
 public:
  // Draws with the states the material set; the base draws nothing.
  virtual bool Draw() { return true; }
  bool Render(bool recurse) override;
  void ReplaceMaterial(cMaterial* oldMaterial, cMaterial* newMaterial) override;
  c3Dobject* Duplicate() const override;
  void CopyTo(c3DoneMaterialMesh* target) const;
  // Takes the new scene's material of the same name, or none.
  void SetScene(c3Dscene* newScene) override;

  cMaterial* material = nullptr;  // the scene's
};

}  // namespace VOXA2::threedee
