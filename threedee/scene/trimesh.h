// Loaded geometry: a triangular mesh split into one render part per material
// (cTriMesh), each holding render meshes (cOBSTriMesh) with a device vertex
// array, the undeformed positions, each vertex's index in the loaded mesh and
// 16-bit index runs relative to their lowest index: one triangle list, and
// strips and fans where a builder made them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "threedee/scene/mesh.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2::threedee {

class c3Dbone;
class cTriMesh;
class c3DtriangularMesh;

// A run of indices; triangle j of a strip is (j, j+1, j+2) for even j and
// (j, j+2, j+1) for odd j, of a fan (0, j+1, j+2).
class cTriStrip : public virtual basis::basisObject {
 public:
  static cTriStrip* Clone(const cTriStrip& source);
  std::vector<std::uint16_t> indices;  // relative to lowest
  std::uint16_t lowest = 0, highest = 0;
};

class cTriFan : public virtual basis::basisObject {
 public:
  static cTriFan* Clone(const cTriFan& source);
  std::vector<std::uint16_t> indices;  // relative to lowest
  std::uint16_t lowest = 0, highest = 0;
};

// The (lowest, highest) of a run, its first index when empty of neither.
std::pair<std::uint16_t, std::uint16_t> IndexRange(const std::uint16_t* indices, std::size_t count);

class cOBSTriMesh : public virtual basis::basisObject {
 public:
  // Positions written by a deformer or a morph reach the device with fresh
  // normals, then every run is drawn through the part's material.
  bool Draw();
  // Adds the unit normal of triangle (a, b, c) to its three vertices.
  static void AddFaceNormal(VertexArray* locked, int a, int b, int c);
  void RecomputeNormals();

  std::int32_t boneCount = 0;
  c3Dbone* bones[8] = {};
  cTriMesh* part = nullptr;
  c3DtriangularMesh* owner = nullptr;
  std::unique_ptr<VertexArray> vertices;
  std::vector<Vector> originals;
  bool verticesChanged = false;
  bool originalsChanged = false;
  std::vector<std::int32_t> originalIndices;
  std::vector<std::uint16_t> indices;  // three per triangle, relative to lowest
  std::uint16_t lowest = 0, highest = 0;
  std::vector<std::unique_ptr<cTriStrip>> strips;
  std::vector<std::unique_ptr<cTriFan>> fans;
};

class cTriMesh : public virtual basis::basisObject {
 public:
  // Marks the owner's bounds dirty for a render mesh whose vertices changed,
  // then clears the render meshes' change flags.
  bool Update(float frame, float time, float sinceStart, float fraction);
  // False without a material; else each render mesh through the material.
  bool Render();
  void SetWorldTransform(cOBSTriMesh* mesh);
  void SetScene(c3Dscene* scene, c3DtriangularMesh* newOwner);
  static cTriMesh* Clone(const cTriMesh& source);

  cMaterial* material = nullptr;  // the scene's
  c3DtriangularMesh* owner = nullptr;
  // The texture-coordinate sets the render meshes were built with.
  std::int32_t mapCount = 1;
  std::vector<std::unique_ptr<cOBSTriMesh>> meshes;
};

class c3DtriangularMesh : public virtual c3DfiniteMesh {
 public:
  c3DtriangularMesh() { kind = kTriangularMesh; }

  c3Dobject* Duplicate() const override;
  void CopyTo(c3DtriangularMesh* target) const;
  // Rebinds the bones and the parts' materials by name in the new scene.
  void SetScene(c3Dscene* newScene) override;
  std::int32_t TestVisibility() override;
  void ReplaceMaterial(cMaterial* oldMaterial, cMaterial* newMaterial) override;
  // The first render mesh vertex made from the loaded vertex `original`;
  // null and -1 when there is none.
  void FindRenderVertex(std::int32_t original, cOBSTriMesh*& mesh, std::int32_t& index) const;
  bool Update(float frame, float time, float sinceStart, float fraction) override;
  // Box, centre and radius from the current positions.
  virtual void RecomputeBounds();
  bool Render(bool recurse) override;

  std::vector<std::unique_ptr<cTriMesh>> parts;
  std::vector<c3Dbone*> bones;  // the tree's
  bool boundsDirty = true;
};

// A deformer's pass over one render mesh: move(Vector&) -> bool runs on every
// vertex, starting from the positions a deformer already wrote in this frame
// (else from the originals), and the results go to the vertex array, which
// then holds this frame's positions. Render meshes driven by bones, or whose
// array cannot be locked, are left alone. Answers whether a vertex moved.
template <class Move>
bool DeformRenderMesh(cOBSTriMesh& render, Move&& move) {
  if (render.boneCount != 0 || !render.vertices) return false;
  VertexArray& array = *render.vertices;
  const bool fromRest = !render.verticesChanged;
  if (!array.Lock(fromRest ? 1 : 0)) return false;
  const int count =
      fromRest ? std::min(array.vertexCount, static_cast<int>(render.originals.size()))
               : array.vertexCount;
  bool moved = false;
  for (int i = 0; i < count; ++i) {
    float* at = reinterpret_cast<float*>(array.data +
                                         static_cast<std::size_t>(i) * array.pointer.stride +
                                         array.pointer.position);
    Vector p = fromRest ? render.originals[i] : Vector(at[0], at[1], at[2]);
    if (move(p)) moved = true;
    at[0] = p.x, at[1] = p.y, at[2] = p.z;
  }
  array.Unlock();
  if (fromRest) render.verticesChanged = true;
  return moved;
}

// The pass over every render mesh of the mesh; its bounds are recomputed
// before it is next drawn when a vertex moved.
template <class Move>
void DeformMesh(c3DtriangularMesh& mesh, Move&& move) {
  bool moved = false;
  for (auto& part : mesh.parts)
    for (auto& render : part->meshes)
      if (DeformRenderMesh(*render, move)) moved = true;
  if (moved) mesh.boundsDirty = true;
}

}  // namespace VOXA2::threedee
