// Light rays drawn headless: every pixel against an independent ray test (the
// ray through the pixel meets the cone, cut to the view volume, or not), the
// end-point forms, the sides and the state the ray leaves behind.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d.h"
#include "tests/threedee/scene/scene_device.h"
#include "tests/threedee/scene/scene_viewer.h"
#include "tests/threedee/scene/track_makers.h"
#include "threedee/objects/lightray.h"
#include "threedee/scene/cameras.h"
#include "threedee/scene/material.h"
#include "threedee/scene/scene.h"
#include "threedee/scene/trimesh.h"
#include "threedee/scene/valuetracks.h"
#include "windxkernel/material.h"
#include "windxkernel/d3dinit.h"

namespace {

using namespace VOXA2::threedee;
using D3 = std::array<double, 3>;
using scenetest::Constant;

D3 Sub(const D3& a, const D3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
D3 Add(const D3& a, const D3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
D3 Mul(const D3& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
double Dot(const D3& a, const D3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
D3 Cross(const D3& a, const D3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
D3 Unit(const D3& a) { return Mul(a, 1 / std::sqrt(Dot(a, a))); }

// The cone as the pyramid over its base polygon, in world space, as planes
// n·p <= d (outward normals), built here from the geometry alone.
struct Pyramid {
  std::vector<std::pair<D3, double>> planes;

  Pyramid(const D3& origin, const D3& target, double hotspotDegrees, int sides) {
    const D3 axis = Unit(Sub(target, origin));
    const D3 p = Unit(D3{-axis[1], axis[0], 0});
    const D3 q = Unit(Cross(p, axis));
    const double length = std::sqrt(Dot(Sub(target, origin), Sub(target, origin)));
    const double radius = std::tan(hotspotDegrees * M_PI / 360);
    std::vector<D3> ring;
    for (int k = 0; k < sides; ++k) {
      const double a = 2 * M_PI * k / sides;
      ring.push_back(Add(origin, Mul(Add(Add(Mul(p, radius * std::cos(a)), Mul(q, radius * std::sin(a))), axis), length)));
    }
    const D3 centre = Add(origin, Mul(axis, length * 0.75));
    auto add = [&](const D3& a, const D3& b, const D3& c) {
      D3 n = Unit(Cross(Sub(b, a), Sub(c, a)));
      if (Dot(n, Sub(centre, a)) > 0) n = Mul(n, -1);
      planes.emplace_back(n, Dot(n, a));
    };
    for (int k = 0; k < sides; ++k) add(origin, ring[k], ring[(k + 1) % sides]);
    add(ring[0], ring[1], ring[2]);
  }

  // Whether origin + s·d meets the pyramid for some s in [from, to].
  bool Meets(const D3& origin, const D3& d, double from, double to) const {
    for (const auto& [n, dist] : planes) {
      const double den = Dot(n, d), num = dist - Dot(n, origin);
      if (den == 0) {
        if (num < 0) return false;
      } else if (den > 0) {
        to = std::min(to, num / den);
      } else {
        from = std::max(from, num / den);
      }
    }
    return from <= to;
  }
};

// Looks down +z from the origin: 90 degrees across, near 1, far 100.
class StraightCamera : public c3Dcamera {
 public:
  StraightCamera() {
    nearPlane = 1;
    farPlane = 100;
  }
};

constexpr int kWidth = 64, kHeight = 48;

// The ray through the pixel's point (x, y) in camera (= world) space, z = 1.
D3 PixelRay(double x, double y) { return {2 * x / kWidth - 1, -(1 - 2 * y / kHeight), 1}; }

struct Shot {
  int lit = 0, dark = 0, wrong = 0;
};

// Draws the scene once and compares every pixel whose ray test is certain
// with what was drawn: half white added, or the black background.
Shot Compare(c3Dscene& scene, const Pyramid& cone, const std::string& png) {
  scenetest::SceneViewer viewer(scene);
  viewer.Use();
  StraightCamera camera;
  viewer.Camera(camera);
  EXPECT_TRUE(viewer.Frame(0));
  EXPECT_TRUE(viewer.Draw(0x000000));
  scenetest::MaybeWritePng(png);
  Shot shot;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      // Near the pixel's edges, and with the near plane anywhere in the
      // precision with which it is read back from the projection.
      int meets = 0;
      for (double dx : {0.05, 0.95})
        for (double dy : {0.05, 0.95})
          for (double nearPlane : {0.99, 1.03}) meets += cone.Meets({0, 0, 0}, PixelRay(x + dx, y + dy), nearPlane, 99);
      if (meets != 0 && meets != 8) continue;
      const std::uint32_t pixel = scenetest::PixelAt(x, y);
      const int red = static_cast<int>(pixel >> 16 & 255);
      const bool drawn = pixel != 0;
      if (meets == 8) {
        ++shot.lit;
        if (!drawn || std::abs(red - 127) > 2 || pixel != (pixel & 0xFF) * 0x010101u) ++shot.wrong;
      } else {
        ++shot.dark;
        if (drawn) ++shot.wrong;
      }
    }
  return shot;
}

std::unique_ptr<c3Dscene> RayScene(const D3& from, const D3& to, float hotspot, float resolution) {
  auto scene = std::make_unique<c3Dscene>();
  auto* ray = new c3Dlightray;
  ray->SetName("ray");
  ray->origin.kind = t3DPoint::kPosition;
  ray->origin.track = Constant({float(from[0]), float(from[1]), float(from[2])});
  ray->target.kind = t3DPoint::kPosition;
  ray->target.track = Constant({float(to[0]), float(to[1]), float(to[2])});
  ray->hotspotTrack = Constant({hotspot});
  ray->resolutionTrack = Constant({resolution});
  scene->root = ray;
  ray->SetScene(scene.get());
  return scene;
}

TEST(LightRay, DrawnExactlyWhereThePixelRaysMeetTheCone) {
  struct Row {
    const char* name;
    D3 from, to;
    float hotspot;
    int sides;
  };
  const Row rows[] = {
      {"lightray_across", {-3, -1, 8}, {3, 1, 8}, 40, 12},
      {"lightray_towards", {1, 1, 30}, {-1, 0, 5}, 30, 7},
      {"lightray_inside", {0, 0.1, -2}, {0, 0, 40}, 30, 9},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
      auto scene = RayScene(row.from, row.to, row.hotspot, static_cast<float>(row.sides) + 0.99f);
      const Shot shot = Compare(*scene, Pyramid(row.from, row.to, row.hotspot, row.sides), row.name);
      EXPECT_EQ(shot.wrong, 0) << shot.lit << " lit, " << shot.dark << " dark";
      EXPECT_GT(shot.lit, 20);
    }, kWidth, kHeight);
  }
}

// The ray drawn alone, outside any view: its cone is not cut.
c3Dlightray* DrawnAlone(c3Dscene& scene) {
  auto* ray = dynamic_cast<c3Dlightray*>(scene.root);
  ray->values[0] = 1;
  scene.root->Update(0, 0, 0, 0);
  EXPECT_TRUE(scene.root->Render(true));
  return ray;
}

TEST(LightRay, ResolutionAndLengthShapeTheCone) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    struct Row {
      float resolution;
      std::size_t faces;
    };
    for (const Row row : {Row{7.99f, 8}, Row{2.5f, 4}, Row{-5, 4}, Row{16, 17}}) {
      auto scene = RayScene({0, 0, 0}, {0, 1, 0}, 30, row.resolution);
      EXPECT_EQ(DrawnAlone(*scene)->cone->polygons.size(), row.faces) << row.resolution;
    }
    // Length 2 with end points 1 apart: the base stands 2 from the apex.
    auto scene = RayScene({1, 0, 0}, {1, 1, 0}, 30, 5);
    auto* ray = dynamic_cast<c3Dlightray*>(scene->root);
    ray->lengthTrack = Constant({2});
    DrawnAlone(*scene);
    for (const Vector& v : ray->cone->polygons.back()->vertices) EXPECT_NEAR(v.y, 2, 1e-5);
  });
}

TEST(LightRay, EndPointsFollowTrackObjectOrMeshVertex) {
  c3Dscene scene;
  auto* holder = new c3Dobject;
  holder->SetName("holder");
  holder->world.m[3] = 4, holder->world.m[7] = 5, holder->world.m[11] = 6;
  auto* mesh = new c3DtriangularMesh;
  mesh->SetName("mesh");
  mesh->world.m[3] = -1;
  holder->nextSibling = mesh;
  scene.root = holder;
  Matrix4 toLocal = identityMatrix;
  toLocal.m[3] = 10;  // the ray's own space lies 10 to the left of the world
  const float frame = 0;

  t3DPoint object, vertex, none;
  object.kind = t3DPoint::kObject;
  object.object = holder;
  vertex.kind = t3DPoint::kVertex;
  vertex.mesh = mesh;
  vertex.vertexIndex = 7;  // the mesh has no vertex 7: its own origin
  Vector at;
  ASSERT_TRUE(c3Dlightray::GetEndPointPosition(&object, toLocal, at, frame));
  EXPECT_EQ(at.x, 14);
  EXPECT_EQ(at.y, 5);
  ASSERT_TRUE(c3Dlightray::GetEndPointPosition(&vertex, toLocal, at, frame));
  EXPECT_EQ(at.x, 9);
  EXPECT_EQ(at.y, 0);
  ASSERT_TRUE(c3Dlightray::GetEndPointPosition(&none, toLocal, at, frame));
  EXPECT_EQ(at.x, 0);

  // Re-bound by name in a scene without such objects, they have no position.
  c3Dscene other;
  c3Dlightray::ResolveEndPoint(&object, &other);
  c3Dlightray::ResolveEndPoint(&vertex, &other);
  EXPECT_FALSE(c3Dlightray::GetEndPointPosition(&object, toLocal, at, frame));
  EXPECT_FALSE(c3Dlightray::GetEndPointPosition(&vertex, toLocal, at, frame));
}

TEST(LightRay, HiddenRayDrawsNothingButItsChildren) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    auto scene = RayScene({-3, 0, 8}, {3, 0, 8}, 40, 8);
    auto* child = new c3Dlightray;  // a second ray, far to the right
    child->origin.kind = child->target.kind = t3DPoint::kPosition;
    child->origin.track = Constant({2, 0, 8});
    child->target.track = Constant({4, 0, 8});
    child->hotspotTrack = Constant({60});
    child->resolutionTrack = Constant({8});
    scene->root->firstChild = child;
    scene->root->SetScene(scene.get());
    scenetest::SceneViewer viewer(*scene);
    viewer.Use();
    StraightCamera camera;
    viewer.Camera(camera);
    viewer.Frame(0);
    scene->root->hidden = true;
    viewer.Draw(0);
    EXPECT_EQ(scenetest::PixelAt(14, 24), 0u);       // where the hidden ray would be
    EXPECT_EQ(scenetest::PixelAt(46, 24), 0x7F7F7Fu);  // its child
  });
}

TEST(LightRay, LeavesDepthWritesOnLightsOffAndNoCurrentMaterial) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    auto scene = RayScene({-3, 0, 8}, {3, 0, 8}, 40, 8);
    auto* lamp = new c3Dlight;
    lamp->deviceLight = 2;
    scene->lights.push_back(lamp);
    scene->root->nextSibling = lamp;
    scene->deviceLightSlots[2] = true;
    DeviceLight record{};
    record.type = 2;
    SetLight(2, &record);
    cMaterial material;
    material.Prepare();
    DrawnAlone(*scene);
    IDirect3DDevice7* device = kernel::d3dState.device;
    DWORD zWrite = 0;
    BOOL enabled = TRUE;
    device->GetRenderState(D3DRENDERSTATE_ZWRITEENABLE, &zWrite);
    device->GetLightEnable(2, &enabled);
    EXPECT_EQ(zWrite, 1u);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(lamp->deviceLight, -1);
    EXPECT_FALSE(scene->deviceLightSlots[2]);
    EXPECT_EQ(CurrentMaterial(), nullptr);
  });
}

}  // namespace
