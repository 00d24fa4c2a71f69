// Convex volumes held as their boundary polygons, each with the plane it lies
// in. Light rays and the water cut one volume by another every frame (a cone
// by the camera's view volume, a view volume by a box and a mesh hull) and read
// what is left; the volume itself draws nothing.
#pragma once

#include <vector>

#include "foundation/basis.h"
#include "threedee/scene/vector.h"
#include "windxkernel/3dkernel.h"

namespace VOXA2::threedee {

class cOBSTriMesh;
class cTriMesh;
class c3DtriangularMesh;

// The camera a view volume is built for: world to camera, camera to clip space.
struct tFXView {
  Matrix4 view;
  Matrix4 projection;
};

class c3DFXVCpolygon : public virtual basis::basisObject {
 public:
  ~c3DFXVCpolygon() override = default;

  // Growth failures name the list as the calling operation calls it.
  void AddVertex(const Vector& p, const char* listName = "vertex list");
  void AddScaledVertex(const Vector& origin, const Vector& direction, float s,
                       const char* listName = "vertex list");
  // The part on the negative side of the cutter's plane (the positive side with
  // keepPositive), as a new polygon; null when fewer than three vertices remain.
  c3DFXVCpolygon* Clip(const c3DFXVCpolygon& cutter, bool keepPositive) const;
  float Side(const Vector& p) const { return normal.Dot(p) + distance; }

  std::vector<Vector> vertices;
  // Valid once a Transform has run over the polygon (or it was copied from one).
  Vector normal{0, 0, 0};
  float distance = 0;
  bool inverted = false;
};

class c3DFXVolume : public virtual basis::basisObject {
 public:
  c3DFXVolume() = default;
  c3DFXVolume(const c3DFXVolume&) = delete;
  c3DFXVolume& operator=(const c3DFXVolume&) = delete;
  ~c3DFXVolume() override { Clear(); }

  virtual void Clear();
  // Keeps of this volume what lies inside other, closed by other's faces; two
  // polygons of equal side flags keep each other's negative side, of different
  // flags the positive one. other must be another volume.
  virtual bool Intersect(const c3DFXVolume& other);
  // Every vertex through m with the division by w, then every plane anew.
  virtual bool Transform(const Matrix4* m);
  // Triangles, without planes: the caller transforms afterwards.
  virtual bool AddRenderMesh(cOBSTriMesh* mesh);
  virtual bool AddMeshPart(cTriMesh* part);
  // Faces of the view volume in world space: outward normals; the clip
  // frustum's point inward and lie 0.01 inside the near and 1 inside the far
  // plane; the caps are the near and far faces alone.
  virtual bool BuildFrustum(const tFXView* view);
  virtual bool BuildClipFrustum(const tFXView* view);
  virtual bool BuildFrustumCaps(const tFXView* view);
  virtual bool BuildBox(float hx, float hy, float hz);
  // The mesh's triangles in world space.
  virtual bool BuildFromMesh(c3DtriangularMesh* mesh);
  // Apex at the origin, opening along +z to a base of the radius at z = 1,
  // with sides faces; planes are left to the caller's Transform.
  virtual bool BuildCone(int sides, float radius);
  virtual bool GetBoundingBox(Vector& min, Vector& max) const;

  std::vector<c3DFXVCpolygon*> polygons;  // owned

 private:
  enum class FrustumKind { kOutward, kClip, kCaps };
  bool BuildViewVolume(const tFXView* view, FrustumKind kind);
  void Append(c3DFXVCpolygon* polygon, const char* listName);
};

}  // namespace VOXA2::threedee
