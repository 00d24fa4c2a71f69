// Scenes built in code for the tests that draw them: vector arithmetic in
// double, a box of six two-triangle faces through the mesher, and a scene's
// top-level chain of objects.
#pragma once

#include <array>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

#include "threedee/scene/keyframed.h"
#include "threedee/scene/material.h"
#include "threedee/scene/mesher.h"
#include "threedee/scene/scene.h"

namespace scenetest {

using namespace VOXA2::threedee;

using V3 = std::array<double, 3>;

inline V3 Sub(const V3& a, const V3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline double Dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline V3 Cross(const V3& a, const V3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline V3 Unit(const V3& a) {
  const double l = std::sqrt(Dot(a, a));
  return {a[0] / l, a[1] / l, a[2] / l};
}
inline V3 Place(const Matrix4& m, const V3& p) {
  return {m.m[0] * p[0] + m.m[1] * p[1] + m.m[2] * p[2] + m.m[3],
          m.m[4] * p[0] + m.m[5] * p[1] + m.m[6] * p[2] + m.m[7],
          m.m[8] * p[0] + m.m[9] * p[1] + m.m[10] * p[2] + m.m[11]};
}

// ---- a box through the mesher

// Six faces, each four corners wound so that (p1 − p0) × (p2 − p0) points
// out, drawn as (0, 1, 2) and (0, 2, 3): both triangles of a face start at
// corner 0, whose colour flat shading gives the face.
struct BoxFace {
  V3 corner[4];
  V3 normal;
};

inline std::vector<BoxFace> BoxFaces(const V3& half) {
  std::vector<BoxFace> faces;
  for (int axis = 0; axis < 3; ++axis)
    for (int sign : {-1, 1}) {
      const int u = (axis + 1) % 3, v = (axis + 2) % 3;
      BoxFace f{};
      f.normal[axis] = sign;
      const double du[4] = {-1, 1, 1, -1}, dv[4] = {-1, -1, 1, 1};
      for (int k = 0; k < 4; ++k) {
        f.corner[k][axis] = sign * half[axis];
        f.corner[k][u] = du[k] * half[u];
        f.corner[k][v] = dv[k] * half[v];
      }
      // (u, v) counter-clockwise about +axis; reversed for the − side.
      if (sign < 0) std::swap(f.corner[1], f.corner[3]);
      faces.push_back(f);
    }
  return faces;
}

// The faces across the y axis take the odd material, the others the even one.
inline c3DSmesh* MakeBox(const V3& half, cMaterial* even, cMaterial* odd) {
  auto* box = new c3DSmesh;
  cMesher mesher;
  VertexFormat format;
  format.position = true;
  format.normal = true;
  format.textureSetCount = 1;
  format.GetVertexSize();
  mesher.source.reset(VertexArray::Create(false, 24, format));
  VertexArray* a = mesher.source.get();
  const auto faces = BoxFaces(half);
  for (int f = 0; f < 6; ++f) {
    const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int k = 0; k < 4; ++k) {
      std::uint8_t* at = a->data + static_cast<std::size_t>(4 * f + k) * a->pointer.stride;
      const float p[3] = {static_cast<float>(faces[f].corner[k][0]),
                          static_cast<float>(faces[f].corner[k][1]),
                          static_cast<float>(faces[f].corner[k][2])};
      const float n[3] = {static_cast<float>(faces[f].normal[0]),
                          static_cast<float>(faces[f].normal[1]),
                          static_cast<float>(faces[f].normal[2])};
      std::memcpy(at + a->pointer.position, p, sizeof p);
      std::memcpy(at + a->pointer.normal, n, sizeof n);
      std::memcpy(at + a->pointer.textureCoords, uv[k], sizeof uv[k]);
      mesher.originalIndices.push_back(4 * f + k);
    }
    cMaterial* m = f / 2 % 2 ? odd : even;
    mesher.faces.push_back({4 * f, 4 * f + 1, 4 * f + 2, m});
    mesher.faces.push_back({4 * f, 4 * f + 2, 4 * f + 3, m});
  }
  mesher.SplitByMaterial();
  mesher.CountElements();
  mesher.BuildRenderMeshes(box);
  return box;
}

// The objects as the root's sibling chain, bound to the scene.
inline void Link(c3Dscene& scene, const std::vector<c3Dobject*>& objects) {
  c3Dobject* last = nullptr;
  for (c3Dobject* o : objects) {
    if (last)
      last->nextSibling = o;
    else
      scene.root = o;
    last = o;
  }
  scene.root->SetScene(&scene);
  scene.CollectCamerasAndLights(scene.root);
}

}  // namespace scenetest
