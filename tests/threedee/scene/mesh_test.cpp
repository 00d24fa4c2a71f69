// The drawable side of the scene: the mesher's parts against the loaded mesh
// (the corners of every triangle unchanged in world space, also across a
// split), the visibility test against a vertex-by-vertex check over random
// placements, and the light set-up against the device's own log of lights.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/fakehardware.h"
#include "tests/threedee/scene/scene_device.h"
#include "tests/threedee/scene/scene_viewer.h"
#include "threedee/scene/keyframed.h"
#include "threedee/scene/material.h"
#include "threedee/scene/mesher.h"
#include "threedee/scene/scene.h"
#include "windxkernel/3dkernel.h"

namespace {

using namespace VOXA2;
using namespace VOXA2::threedee;

// ---- the mesher

struct Face {
  int a, b, c;
  int material;  // index into the case's materials
};

struct MesherCase {
  const char* rule;
  int vertexCount;
  std::vector<Face> faces;
  std::vector<int> mapsOf;  // texture maps of each material (0..2)
  // Expected per part: material, vertices used (source indices, ascending), faces.
  struct Part {
    int material;
    std::vector<int> vertices;
    int faces;
  };
  std::vector<Part> parts;
};

const MesherCase kMesherCases[] = {
    {"faces of A, B, A: A first; unused vertices dropped; a shared vertex in both",
     8,
     {{0, 1, 2, 0}, {2, 3, 4, 1}, {4, 5, 0, 0}},
     {1, 1},
     {{0, {0, 1, 2, 4, 5}, 2}, {1, {2, 3, 4}, 1}}},
    {"one material with two maps: two coordinate sets",
     4,
     {{3, 1, 0, 0}, {1, 3, 2, 0}},
     {2},
     {{0, {0, 1, 2, 3}, 2}}},
    {"a material without maps still has one set",
     5,
     {{4, 2, 0, 0}},
     {0},
     {{0, {0, 2, 4}, 1}}},
};

VertexFormat SourceFormat() {
  VertexFormat format;
  format.position = true;
  format.normal = true;
  format.textureSetCount = 1;
  format.GetVertexSize();
  return format;
}

Vector SourcePosition(int v) {
  return {static_cast<float>(v % 7) - 3.0f, static_cast<float>(v / 7 % 5),
          0.25f * static_cast<float>(v)};
}

// A loaded mesh as the loaders hand it over: positions from SourcePosition,
// coordinates (v, -v), original index 1000 + v.
void Fill(cMesher& mesher, int vertexCount) {
  mesher.source.reset(VertexArray::Create(false, vertexCount, SourceFormat()));
  ASSERT_NE(mesher.source, nullptr);
  VertexArray* a = mesher.source.get();
  for (int v = 0; v < vertexCount; ++v) {
    std::uint8_t* at = a->data + static_cast<std::size_t>(v) * a->pointer.stride;
    const Vector p = SourcePosition(v);
    const float n[3] = {0, 0, 1}, uv[2] = {static_cast<float>(v), -static_cast<float>(v)};
    std::memcpy(at + a->pointer.position, &p, sizeof p);
    std::memcpy(at + a->pointer.normal, n, sizeof n);
    std::memcpy(at + a->pointer.textureCoords, uv, sizeof uv);
    mesher.originalIndices.push_back(1000 + v);
  }
}

Vector World(const Matrix4& m, const Vector& p) {
  return {m.m[0] * p.x + m.m[1] * p.y + m.m[2] * p.z + m.m[3],
          m.m[4] * p.x + m.m[5] * p.y + m.m[6] * p.z + m.m[7],
          m.m[8] * p.x + m.m[9] * p.y + m.m[10] * p.z + m.m[11]};
}

Matrix4 SomePlacement() {
  Matrix4 m = identityMatrix;
  const float c = std::cos(0.6f), s = std::sin(0.6f);
  m.m[0] = 2 * c, m.m[1] = -s, m.m[4] = 2 * s, m.m[5] = c, m.m[10] = 0.5f;
  m.m[3] = 1, m.m[7] = -2, m.m[11] = 3;
  return m;
}

// Every triangle of every render mesh, in world space, against the loaded
// faces of its material (in order): the same corners at the same places, the
// original indices and coordinates carried along.
void ExpectCornersKept(const c3DtriangularMesh& mesh, const std::vector<cMesher::tFace>& faces) {
  for (const auto& part : mesh.parts) {
    std::vector<cMesher::tFace> own;
    for (const auto& f : faces)
      if (f.material == part->material) own.push_back(f);
    std::size_t next = 0;
    for (const auto& render : part->meshes) {
      VertexArray* a = render->vertices.get();
      ASSERT_TRUE(a->Lock(0));
      EXPECT_EQ(a->format.textureSetCount, static_cast<std::uint32_t>(part->mapCount));
      EXPECT_LE(a->vertexCount, kMaxRenderMeshVertices);
      for (std::size_t j = 0; j + 2 < render->indices.size(); j += 3, ++next) {
        ASSERT_LT(next, own.size());
        const int corners[3] = {own[next].a, own[next].b, own[next].c};
        for (int k = 0; k < 3; ++k) {
          const int v = render->lowest + render->indices[j + k];
          ASSERT_LE(v, render->highest);
          const std::uint8_t* at = a->data + static_cast<std::size_t>(v) * a->pointer.stride;
          Vector p;
          std::memcpy(&p, at + a->pointer.position, sizeof p);
          const Vector got = World(mesh.world, p), want = World(mesh.world, SourcePosition(corners[k]));
          EXPECT_FLOAT_EQ(got.x, want.x);
          EXPECT_FLOAT_EQ(got.y, want.y);
          EXPECT_FLOAT_EQ(got.z, want.z);
          EXPECT_EQ(render->originalIndices[static_cast<std::size_t>(v)], 1000 + corners[k]);
          float u;
          std::memcpy(&u, at + a->pointer.textureCoords, sizeof u);
          EXPECT_EQ(u, static_cast<float>(corners[k]));
          EXPECT_EQ(render->originals[static_cast<std::size_t>(v)].z, SourcePosition(corners[k]).z);
        }
      }
      a->Unlock();
    }
    EXPECT_EQ(next, own.size()) << "every face drawn once";
  }
}

TEST(Mesher, PartsPerMaterialKeepEveryCorner) {
  for (const MesherCase& c : kMesherCases) {
    SCOPED_TRACE(c.rule);
    std::vector<std::unique_ptr<cMaterial>> materials;
    c3DtriangularMesh mesh;
    mesh.world = SomePlacement();
    std::vector<cMesher::tFace> faces;
    const auto lines = scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
      for (std::size_t m = 0; m < c.mapsOf.size(); ++m) {
        materials.push_back(std::make_unique<cMaterial>());
        materials.back()->SetName(std::string(1, static_cast<char>('A' + m)).c_str());
        for (int k = 0; k < c.mapsOf[m]; ++k) materials.back()->maps[k] = new cMap;
      }
      cMesher mesher;
      Fill(mesher, c.vertexCount);
      for (const Face& f : c.faces)
        mesher.faces.push_back({f.a, f.b, f.c, materials[static_cast<std::size_t>(f.material)].get()});
      faces = mesher.faces;
      mesher.SplitByMaterial();
      mesher.CountElements();
      mesher.BuildRenderMeshes(&mesh);
      ASSERT_EQ(mesh.parts.size(), c.parts.size());
      for (std::size_t p = 0; p < c.parts.size(); ++p) {
        const auto& want = c.parts[p];
        const cTriMesh& part = *mesh.parts[p];
        EXPECT_EQ(part.material, materials[static_cast<std::size_t>(want.material)].get());
        EXPECT_EQ(part.owner, &mesh);
        EXPECT_EQ(part.mapCount, std::max(1, c.mapsOf[static_cast<std::size_t>(want.material)]));
        ASSERT_EQ(part.meshes.size(), 1u);
        const cOBSTriMesh& render = *part.meshes[0];
        std::vector<std::int32_t> originals;
        for (int v : want.vertices) originals.push_back(1000 + v);
        EXPECT_EQ(render.originalIndices, originals) << "ascending source order";
        EXPECT_EQ(render.indices.size(), static_cast<std::size_t>(3 * want.faces));
        EXPECT_EQ(render.lowest, 0);
        EXPECT_EQ(render.highest, want.vertices.size() - 1);
        EXPECT_TRUE(render.strips.empty() && render.fans.empty());
      }
      ExpectCornersKept(mesh, faces);
      mesh.parts.clear();
    });
    std::vector<std::string> logged, expected;
    for (const auto& line : lines)
      if (line.find("Creating cOMmesh") != std::string::npos) logged.push_back(line);
    for (const auto& want : c.parts)
      expected.push_back("    Creating cOMmesh(\"" +
                         std::string(1, static_cast<char>('A' + want.material)) + "\"), with " +
                         std::to_string(want.vertices.size()) + " vertices (out of " +
                         std::to_string(c.vertexCount) + ") and " + std::to_string(want.faces) +
                         " faces (out of " + std::to_string(c.faces.size()) + ") assigned");
    EXPECT_EQ(logged, expected);
  }
}

TEST(Mesher, APartBeyondSixteenBitIndicesIsSplit) {
  // A 300 × 250 grid of one material: 75,000 vertices, two triangles a cell.
  constexpr int kW = 300, kH = 250;
  c3DtriangularMesh mesh;
  mesh.world = SomePlacement();
  cMaterial material;
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    cMesher mesher;
    Fill(mesher, kW * kH);
    for (int y = 0; y + 1 < kH; ++y)
      for (int x = 0; x + 1 < kW; ++x) {
        const int v = y * kW + x;
        mesher.faces.push_back({v, v + 1, v + kW, &material});
        mesher.faces.push_back({v + 1, v + kW + 1, v + kW, &material});
      }
    const auto faces = mesher.faces;
    mesher.SplitByMaterial();
    mesher.BuildRenderMeshes(&mesh);
    ASSERT_EQ(mesh.parts.size(), 1u);
    EXPECT_EQ(mesh.parts[0]->meshes.size(), 2u);
    ExpectCornersKept(mesh, faces);
    mesh.parts.clear();
  });
}

// ---- visibility

// A cloud of points in a box, made a mesh with one render mesh.
void MakeCloud(c3DtriangularMesh& mesh, std::mt19937& random, bool sphere) {
  std::uniform_real_distribution<float> u(-1, 1);
  auto part = std::make_unique<cTriMesh>();
  auto render = std::make_unique<cOBSTriMesh>();
  const float stretch[3] = {1 + 2 * std::abs(u(random)), 1 + std::abs(u(random)), 1};
  while (render->originals.size() < 40) {
    Vector p(u(random), u(random), u(random));
    if (sphere) {
      p.Normalize();
      if (p.Dot(p) == 0) continue;
    }
    render->originals.push_back({p.x * stretch[0] + 0.3f, p.y * stretch[1], p.z * stretch[2] - 0.2f});
  }
  part->meshes.push_back(std::move(render));
  mesh.parts.push_back(std::move(part));
}

Matrix4 RandomPlacement(std::mt19937& random, bool uniform) {
  std::uniform_real_distribution<float> u(-1, 1), s(0.1f, 4.0f), at(-30, 30);
  Vector axis(u(random), u(random), u(random));
  if (axis.Dot(axis) < 1e-3f) axis.Set(0, 0, 1);
  axis.Normalize();
  const double angle = 3.14159 * u(random);
  const double c = std::cos(angle), sn = std::sin(angle), t = 1 - c;
  const double r[9] = {t * axis.x * axis.x + c,          t * axis.x * axis.y - sn * axis.z,
                       t * axis.x * axis.z + sn * axis.y, t * axis.x * axis.y + sn * axis.z,
                       t * axis.y * axis.y + c,          t * axis.y * axis.z - sn * axis.x,
                       t * axis.x * axis.z - sn * axis.y, t * axis.y * axis.z + sn * axis.x,
                       t * axis.z * axis.z + c};
  const float k0 = s(random);
  const float k[3] = {k0, uniform ? k0 : s(random), uniform ? k0 : 10 * s(random)};
  Matrix4 m = identityMatrix;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) m.m[4 * i + j] = static_cast<float>(r[3 * i + j]) * k[j];
  m.m[3] = at(random), m.m[7] = at(random), m.m[11] = at(random) + 20;
  return m;
}

TEST(Visibility, NeverCullsAVisibleVertexNorKeepsAVisibleOneOut) {
  std::mt19937 random(11);
  std::uniform_real_distribution<float> u(-1, 1);
  int counts[3] = {};
  for (bool uniform : {true, false})
    for (int round = 0; round < 1500; ++round) {
      c3Dscene scene;
      scenetest::SceneViewer viewer(scene);
      scene.currentView = &viewer.view;
      c3DScamera camera;
      camera.farPlane = 40 + 30 * std::abs(u(random));
      camera.positionTrack = new cView3Di_position(3);
      for (int i = 0; i < 3; ++i) camera.positionTrack->GetValues()[i] = 8 * u(random);
      camera.fovTrack = new cView3Di_position(1);
      camera.fovTrack->GetValues()[0] = 30 + 90 * std::abs(u(random));
      c3DStarget target;
      target.positionTrack = new cView3Di_position(3);
      auto* mesh = new c3DtriangularMesh;
      scene.root = mesh;
      mesh->SetScene(&scene);
      MakeCloud(*mesh, random, round % 2 == 0);
      mesh->world = RandomPlacement(random, uniform);
      // Aim near the mesh, so that many cases straddle the planes.
      for (int i = 0; i < 3; ++i)
        target.positionTrack->GetValues()[i] = mesh->world.m[4 * i + 3] + 6 * u(random);
      target.Update(0, 0, 0, 0);
      camera.target = &target;
      camera.Update(0, 0, 0, 0);
      Matrix4 v, p;
      Vector eye;
      camera.ComputeView(v, p, viewer.view.fustrum, eye);

      const std::int32_t answer = mesh->TestVisibility();
      int inside = 0;
      const auto& originals = mesh->parts[0]->meshes[0]->originals;
      for (const Vector& o : originals) {
        const Vector w = World(mesh->world, o);
        bool in = true;
        for (const cPlane& plane : viewer.view.fustrum.planes)
          in = in && plane.a * w.x + plane.b * w.y + plane.c * w.z + plane.d <= 0;
        inside += in ? 1 : 0;
      }
      const std::string where = (uniform ? "uniform " : "non-uniform ") + std::to_string(round);
      if (inside > 0) EXPECT_NE(answer, 0) << where << ": a vertex is in view";
      if (answer == 2) EXPECT_EQ(inside, static_cast<int>(originals.size())) << where;
      ++counts[answer];
    }
  // The placements reach all three answers.
  EXPECT_GT(counts[0], 100);
  EXPECT_GT(counts[1], 100);
  EXPECT_GT(counts[2], 100);
}

TEST(Visibility, EdgeCases) {
  c3Dscene scene;
  scenetest::SceneViewer viewer(scene);
  scene.currentView = &viewer.view;
  c3Dcamera camera;  // looks down +z from the origin
  Vector eye;
  camera.ComputeView(viewer.viewMatrix, viewer.projection, viewer.view.fustrum, eye);
  auto* mesh = new c3DtriangularMesh;
  scene.root = mesh;
  mesh->SetScene(&scene);
  EXPECT_EQ(mesh->TestVisibility(), 1) << "no vertices";
  EXPECT_EQ(mesh->radius, 0);
  EXPECT_FALSE(mesh->boundsDirty);

  auto part = std::make_unique<cTriMesh>();
  auto render = std::make_unique<cOBSTriMesh>();
  render->originals = {{-1, -1, -1}, {1, 1, 1}, {0, 0, 0}};
  part->meshes.push_back(std::move(render));
  mesh->parts.push_back(std::move(part));
  mesh->boundsDirty = true;
  mesh->world.m[11] = 100;
  EXPECT_EQ(mesh->TestVisibility(), 2) << "ahead, wholly inside";
  EXPECT_FLOAT_EQ(mesh->radius, std::sqrt(3.0f));
  EXPECT_EQ(mesh->corners[5].x, 1);
  EXPECT_EQ(mesh->corners[5].y, -1);
  EXPECT_EQ(mesh->corners[5].z, 1);
  mesh->world.m[11] = -100;
  EXPECT_EQ(mesh->TestVisibility(), 0) << "behind the eye";
  mesh->world.m[11] = 0;
  EXPECT_EQ(mesh->TestVisibility(), 1) << "across the near plane";
  // Beyond the right-hand plane by less than a corner sphere's radius, every
  // corner: the common plane culls it.
  mesh->world.m[11] = 50;
  mesh->world.m[3] = 50 + 2.5f;
  EXPECT_EQ(mesh->TestVisibility(), 0);
}

// A unit sphere stretched ten times along z, its centre beyond the far plane
// and its near pole inside. Stretching the corner-to-centre distance by the
// matrix alone gives corner 7 a sphere wholly beyond the far plane, which
// would cull the mesh; the radius from the largest stretch keeps it.
TEST(Visibility, StretchedSphereReachingIntoTheViewIsKept) {
  c3Dscene scene;
  scenetest::SceneViewer viewer(scene);
  scene.currentView = &viewer.view;
  c3Dcamera camera;  // looks down +z from the origin
  camera.farPlane = 100;
  Vector eye;
  camera.ComputeView(viewer.viewMatrix, viewer.projection, viewer.view.fustrum, eye);
  auto* mesh = new c3DtriangularMesh;
  scene.root = mesh;
  mesh->SetScene(&scene);
  auto part = std::make_unique<cTriMesh>();
  auto render = std::make_unique<cOBSTriMesh>();
  for (int i = 0; i < 6; ++i) {
    Vector p(0, 0, 0);
    (i < 2 ? p.x : i < 4 ? p.y : p.z) = i % 2 ? 1.0f : -1.0f;
    render->originals.push_back(p);
  }
  part->meshes.push_back(std::move(render));
  mesh->parts.push_back(std::move(part));
  mesh->boundsDirty = true;
  const float farZ = 100, centreZ = farZ + 8;
  mesh->world.m[10] = 10;
  mesh->world.m[11] = centreZ;

  // The case is only telling if the matrix-stretched radius would cull it.
  const float length = std::sqrt(3.0f);
  const float stretched = std::sqrt(1.0f + 1.0f + 100.0f) * (1 + 1 / length);
  ASSERT_GT(centreZ + 10 - stretched, farZ) << "corner 7's small sphere lies beyond the far plane";
  // The near pole is in view.
  const Vector pole = World(mesh->world, {0, 0, -1});
  for (const cPlane& plane : viewer.view.fustrum.planes)
    ASSERT_LE(plane.a * pole.x + plane.b * pole.y + plane.c * pole.z + plane.d, 0);

  EXPECT_EQ(mesh->TestVisibility(), 1);
  EXPECT_FLOAT_EQ(mesh->radius, 1);
  // Moved on until the pole too lies beyond, it is culled.
  mesh->world.m[11] = farZ + 10 + 10 * (length + 1) + 1;
  EXPECT_EQ(mesh->TestVisibility(), 0);
}

// ---- the light set-up

struct LightLog {
  std::vector<std::string> calls;
  LightLog() {
    platform::Hardware().observeD3D = [this](const platform::D3DCall& c) {
      if (c.method == "SetLight" || c.method == "LightEnable")
        calls.push_back(c.method + " " + std::to_string(c.a) + " " + std::to_string(c.b));
      if (c.method == "SetRenderState" && c.a == D3DRENDERSTATE_AMBIENT)
        calls.push_back("Ambient " + std::to_string(c.b));
    };
  }
  ~LightLog() { platform::Hardware().observeD3D = nullptr; }
  std::vector<std::string> Take() { return std::exchange(calls, {}); }
};

// The device names light types in its own codes.
std::vector<std::string> LitSlot(int slot, int type = D3DLIGHT_POINT) {
  return {"SetLight " + std::to_string(slot) + " " + std::to_string(type),
          "LightEnable " + std::to_string(slot) + " 1"};
}

template <class... V>
std::vector<std::string> Join(V... parts) {
  std::vector<std::string> all;
  (all.insert(all.end(), parts.begin(), parts.end()), ...);
  return all;
}

TEST(LightSetUp, SlotsFollowTheDeviceLog) {
  std::vector<std::string> log;
  const auto lines = scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    c3Dscene scene;
    std::vector<c3DSlight_omni*> lights;
    c3Dobject* last = nullptr;
    for (int i = 0; i < 9; ++i) {
      auto* light = new c3DSlight_omni;
      light->SetName(("L" + std::to_string(i)).c_str());
      lights.push_back(light);
      if (last)
        last->nextSibling = light;
      else
        scene.root = light;
      last = light;
    }
    auto* first = new c3Dmesh;
    auto* second = new c3Dmesh;
    last->nextSibling = first;
    first->nextSibling = second;
    scene.root->SetScene(&scene);
    scene.CollectCamerasAndLights(scene.root);
    scenetest::SceneViewer viewer(scene);
    viewer.Use();
    viewer.Frame(0);
    LightLog device;

    SCOPED_TRACE("nine lights: 0 to 7 take the slots, the ninth is reported");
    ASSERT_TRUE(first->Render(false));
    EXPECT_FALSE(first->skip);
    EXPECT_EQ(device.Take(), Join(LitSlot(0), LitSlot(1), LitSlot(2), LitSlot(3), LitSlot(4),
                                  LitSlot(5), LitSlot(6), LitSlot(7)));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(lights[i]->deviceLight, i);
    EXPECT_EQ(lights[8]->deviceLight, -1);
    ASSERT_TRUE(first->Render(false));
    EXPECT_TRUE(device.Take().empty()) << "the same mesh again: no light calls";

    lights[2]->hidden = true;
    ASSERT_TRUE(second->Render(false));
    EXPECT_EQ(device.Take(), Join(std::vector<std::string>{"LightEnable 2 0"}, LitSlot(2)))
        << "hidden light 2 frees its slot for the ninth";
    EXPECT_EQ(lights[8]->deviceLight, 2);

    lights[5]->values[0] = 2;  // shown flag 2: not a shown light
    ASSERT_TRUE(first->Render(false));
    EXPECT_EQ(device.Take(), std::vector<std::string>{"LightEnable 5 0"});
    EXPECT_EQ(lights[5]->deviceLight, -1);

    // An ambient light sets the colour; its slot's record is type 0, so the
    // device light stays off.
    auto* ambient = new c3DSlight_ambient;
    ambient->colourTrack = new cView3Di_position(3);
    ambient->colourTrack->GetValues()[0] = 0.5f;
    second->nextSibling = ambient;
    scene.lights.push_back(ambient);
    ambient->values[0] = 1;
    ambient->deviceLight = -1;
    ASSERT_TRUE(second->Render(false));
    EXPECT_EQ(device.Take(),
              (std::vector<std::string>{"Ambient " + std::to_string(0xFF7F0000u), "LightEnable 5 0"}));
    EXPECT_EQ(ambient->deviceLight, 5);

    // A hidden mesh neither tests its visibility nor touches the lights.
    first->hidden = true;
    ASSERT_TRUE(first->Render(false));
    EXPECT_TRUE(first->skip);
    EXPECT_TRUE(device.Take().empty());
  });
  EXPECT_NE(std::find(lines.begin(), lines.end(), " Could not set up light #8 (L8)!!!"),
            lines.end());
}

}  // namespace
