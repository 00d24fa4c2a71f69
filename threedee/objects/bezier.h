// Cubic Bezier curves walked by forward differencing, and the bicubic Bezier
// patch built on them: a keyframed one-material mesh whose 4x4 control net
// comes from corner, position and offset tracks, tessellated every frame into
// a grid of (steps + 1)² vertices drawn as one triangle strip.
#pragma once

#include <cstdint>
#include <vector>

#include "threedee/scene/keyframed.h"
#include "threedee/scene/mesh.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2::threedee {

class cBezierCurve : public virtual basis::basisObject {
 public:
  cBezierCurve() = default;
  cBezierCurve(const Vector& p0, const Vector& p1, const Vector& p2, const Vector& p3, std::int32_t n) {
    Setup(p0, p1, p2, p3, n);
  }
  ~cBezierCurve() override = default;

  // The walk stands on p0 and takes n steps to p3.
  void Setup(const Vector& p0, const Vector& p1, const Vector& p2, const Vector& p3, std::int32_t n);
  // The next point, which becomes the current one.
  Vector Step();
  // The n + 1 points from the last entry down: entry n is p0, entry 0 is p3.
  void Fill(Vector* points);

  std::int32_t steps = 1;
  float h = 1, h2 = 1, h3 = 1;
  float differences[3][3] = {};  // per axis: first, second, third difference
  float coefficients[3][3] = {};  // per axis: a, b, c
  Vector current{0, 0, 0};
};

class c3Dbeziersurface : public virtual c3DfiniteMesh,
                         public virtual c3DoneMaterialMesh,
                         public virtual c3DStemporary {
 public:
  static constexpr std::int32_t kMaxSteps = 100;

  c3Dbeziersurface();
  ~c3Dbeziersurface() override;

  bool Update(float frame, float time, float sinceStart, float fraction) override {
    return Tessellate(frame, time, sinceStart, fraction);
  }
  bool Animate(float frame, float time, float sinceStart, float fraction) override {
    return Tessellate(frame, time, sinceStart, fraction);
  }
  bool Draw() override { return DrawGeometry(); }
  // The net's point of column x and row y (1..4 each).
  static int NetIndex(int x, int y) { return (y - 1) * 4 + (x - 1); }

  virtual bool DrawGeometry();
  // The frame's net, tessellation, bounds and normals. Without a material
  // there is nothing to draw with, so the surface then stops after its tracks.
  virtual bool Tessellate(float frame, float time, float sinceStart, float fraction);
  c3Dobject* Duplicate() const override;
  void CopyTo(c3Dbeziersurface* target) const;
  void SetScene(c3Dscene* newScene) override { c3DoneMaterialMesh::SetScene(newScene); }
  // A flat net between four corners: P(1,1), P(4,1), P(4,4), P(1,4).
  virtual void SetCorners(const Vector& k1, const Vector& k2, const Vector& k3, const Vector& k4);
  virtual void SetControlPoints(const Vector* points);

  Vector controlPoints[16];
  cBezierCurve curves[4];
  VertexFormat vertexFormat;
  VertexArray* vertexArray = nullptr;  // owned
  std::int32_t builtVertexCount = 0;
  std::vector<std::uint16_t> indexList;
  std::int32_t indexCount = 0;
  std::int32_t steps = 1;
  cView3Di_position* cornerTracks[4] = {};  // owned
  cView3Di_position* setTracks[16] = {};    // owned
  cView3Di_position* moveTracks[16] = {};   // owned
  float texOffsetU = 0, texOffsetV = 0;
  float texScaleU = 1, texScaleV = 1;
  float texAngle = 0;  // radians, about the placed rectangle's centre
  // The last tessellation's positions, vertex i·(steps + 1) + j.
  std::vector<Vector> positions;

 private:
  void BuildTextureCoordinates(std::int32_t n);
  void BuildStrip(std::int32_t n);
};

}  // namespace VOXA2::threedee
