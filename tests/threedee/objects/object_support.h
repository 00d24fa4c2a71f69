// What the procedural objects' tests share: a scene tree linked from a list,
// meshes made from points, the vertices of a vertex array read back, and the
// drawn picture.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/ddraw.h"
#include "platform/fakehardware.h"
#include "tests/threedee/scene/scene_builders.h"
#include "tests/threedee/scene/scene_viewer.h"
#include "tests/threedee/scene/track_makers.h"
#include "threedee/objects/tree.h"
#include "threedee/scene/keyframed.h"
#include "threedee/scene/scene.h"
#include "threedee/scene/vector.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/vertexarray.h"
#include "windxkernel/video.h"

namespace objecttest {

using VOXA2::threedee::Vector;

using scenetest::Link;

// A white point light up and to the left of the camera at the origin, and a
// dim ambient light: objects drawn in front of the camera show their shape.
inline std::vector<VOXA2::threedee::c3Dobject*> Lights() {
  auto* light = new VOXA2::threedee::c3DSlight_omni;
  light->positionTrack = scenetest::Constant({-4, 4, -2});
  light->colourTrack = scenetest::Constant({1, 1, 1});
  auto* ambient = new VOXA2::threedee::c3DSlight_ambient;
  ambient->colourTrack = scenetest::Constant({0.2f, 0.2f, 0.2f});
  return {ambient, light};
}

// The object in front of the camera at the origin with Lights(), one frame
// drawn on black; the picture stays in the back buffer.
inline bool DrawWithLights(VOXA2::threedee::c3Dscene& scene, VOXA2::threedee::c3Dobject* object) {
  auto objects = Lights();
  objects.insert(objects.begin(), object);
  Link(scene, objects);
  scenetest::SceneViewer viewer(scene);
  viewer.Use();
  if (!viewer.Frame(0)) return false;
  VOXA2::threedee::c3Dcamera camera;
  camera.nearPlane = 1;
  viewer.Camera(camera);
  return viewer.Draw(0x000000);
}

struct tVertex {
  Vector position, normal;
  float u = 0, v = 0;
};

// Vertices first .. first + count - 1 of an array (locked for reading here).
inline std::vector<tVertex> ReadVertices(VOXA2::threedee::VertexArray& array, int count,
                                         int first = 0) {
  std::vector<tVertex> out;
  if (!array.Lock(0)) return out;
  const auto& p = array.pointer;
  for (int i = first; i < first + count; ++i) {
    const std::uint8_t* at = array.data + static_cast<std::size_t>(i) * p.stride;
    tVertex v;
    std::memcpy(&v.position, at + p.position, sizeof(Vector));
    if (array.format.normal) std::memcpy(&v.normal, at + p.normal, sizeof(Vector));
    if (array.format.textureSetCount) {
      std::memcpy(&v.u, at + p.textureCoords, sizeof(float));
      std::memcpy(&v.v, at + p.textureCoords + sizeof(float), sizeof(float));
    }
    out.push_back(v);
  }
  array.Unlock();
  return out;
}

inline std::uint32_t PixelAt(int x, int y) {
  namespace px = platform::pixels;
  IDirectDrawSurface7* s = kernel::videoState.back;
  const int bytes = static_cast<int>(s->format().dwRGBBitCount / 8);
  return px::Unpack(s->format(), px::Read(s->pixels() + y * s->pitch() + x * bytes, bytes)) &
         0xFFFFFFu;
}

// A mesh of one render mesh whose vertices are the points, each with the
// normal, and whose triangles are the indices (three a triangle).
inline VOXA2::threedee::c3DSmesh* MeshOfPoints(const char* name, const std::vector<Vector>& points,
                                               const std::vector<std::uint16_t>& indices,
                                               const Vector& normal,
                                               VOXA2::threedee::cMaterial* material = nullptr) {
  using namespace VOXA2::threedee;
  auto* mesh = new c3DSmesh;
  mesh->SetName(name);
  SetPartCount(*mesh, 1);
  VertexFormat format;
  format.position = format.normal = true;
  format.textureSetCount = 0;
  cOBSTriMesh& render = *mesh->parts[0]->meshes[0];
  mesh->parts[0]->material = material;
  SizeRenderMesh(render, static_cast<int>(points.size()), format, static_cast<int>(indices.size()),
                 "original vertices!");
  tMeshWriter out;
  out.Begin(&render);
  for (const Vector& p : points) out.Write(p, normal, 0, 0);
  out.End();
  std::copy(indices.begin(), indices.end(), render.indices.begin());
  render.highest = static_cast<std::uint16_t>(points.size() - 1);
  return mesh;
}

// The positions in the vertex array of the mesh's first render mesh.
inline std::vector<Vector> Positions(VOXA2::threedee::c3DtriangularMesh& mesh) {
  std::vector<Vector> out;
  VOXA2::threedee::VertexArray& array = *mesh.parts[0]->meshes[0]->vertices;
  for (const tVertex& v : ReadVertices(array, array.vertexCount)) out.push_back(v.position);
  return out;
}

// With VOXA2_TEST_PNG_DIR set, the drawn frame as <dir>/<name>.png.
inline void MaybeWritePng(const std::string& name) {
  if (const char* dir = std::getenv("VOXA2_TEST_PNG_DIR")) {
    VOXA2::video::PresentFrame();
    platform::WritePresentedFramePng(std::string(dir) + "/" + name + ".png");
  }
}

}  // namespace objecttest
