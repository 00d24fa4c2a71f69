// Text3D scenes drawn headless at a few times: a spike, a Bezier surface and
// a light ray, whose tip and middle land where the camera projects them in
// their materials' colours, and the pictures move; a firework and snow with a
// texture from the demo's collector, each where its object puts it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "demo/demo.h"
#include "foundation/archive.h"
#include "foundation/gfxloader.h"
#include "tests/support/picture_fixtures.h"
#include "tests/support/tempdir.h"

#include "tests/support/scriptread.h"
#include "tests/threedee/scene/scene_device.h"
#include "tests/threedee/scene/scene_viewer.h"
#include "threedee/loaders/text3d.h"
#include "threedee/objects/spike.h"
#include "windxkernel/kernel.h"

namespace {

using namespace VOXA2;
using namespace VOXA2::threedee;

constexpr int kWidth = 160, kHeight = 120;

// Looks at the origin from (0, -7, 5), z up.
class ViewCamera : public c3Dcamera {
 public:
  ViewCamera() {
    nearPlane = 1;
    farPlane = 100;
  }
  void ComputeView(Matrix4& view, Matrix4& projection, cFustrum& fustrum, Vector& eyeOut) override {
    c3Dcamera::ComputeView(view, projection, fustrum, eyeOut);
    eye.Set(0, -7, 5);
    Vector forward = Vector(0, 0, 0) - eye;
    forward.Normalize();
    Vector right = Cross(forward, Vector(0, 0, 1));
    right.Normalize();
    const Vector down = Cross(forward, right);
    // Camera space: x right, y down (the projection turns it up), z forward.
    view = Matrix4{{right.x, right.y, right.z, -right.Dot(eye), down.x, down.y, down.z, -down.Dot(eye),
                    forward.x, forward.y, forward.z, -forward.Dot(eye), 0, 0, 0, 1}};
    BuildFustrum(fustrum, view, nearPlane, farPlane, std::atan(1.0f), std::atan(1.0f));
    eyeOut = eye;
  }
  // The pixel that a world point lands on.
  static void Project(const Matrix4& view, const Matrix4& projection, const Vector& p, int& x, int& y) {
    const Vector camera = TransformPoint(view.m, p);
    const Vector clip = TransformPoint(projection.m, camera);
    x = static_cast<int>((clip.x + 1) * kWidth / 2);
    y = static_cast<int>((1 - clip.y) * kHeight / 2);
  }
};

constexpr const char* kScene = R"(
scene 100
{
  material "red"  { diffuse (1, 0.2, 0.2)  self illumination 1  two sided 1 }
  material "blue" { diffuse (0.2, 0.3, 1)  self illumination 1  two sided 1 }
  object spike "thorn"
  {
    material "red"  steps 8
    stretch (-1, -1, 0), (1, -1, 0), (1, 1, 0), (-1, 1, 0)
    protrude linear 0 to 2
    vortex linear 0 to 1.5
    parameter { position (-1.6, 0, 0) }
  }
  object beziersurface "sail"
  {
    material "blue"  steps 10
    stretch (-1, -1, 0), (1, -1, 0), (1, 1, 0), (-1, 1, 0)
    move control point 4, 4: linear (0, 0, 0) to (0, 0, 2)
    move control point 2, 2: linear (0, 0, 0) to (0, 0, -2)
    parameter { position (1.6, 0, 0) }
  }
  object lightray "beam" { origin position (0, 4, 4)  target position (0, 0, -1)  hotspot 12  resolution 12 }
})";

TEST(Text3DRender, SpikeAndSurfaceAtThreeTimes) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    cText3Dscene scene;
    const auto read = testsupport::ReadScript(kScene, "3ds\\render.T3D",
                                              [&](cParserT* parser) { ParseText3DScene(parser, &scene); });
    ASSERT_TRUE(read.ok) << read.message;
    scenetest::SceneViewer viewer(scene);
    viewer.Use();
    ViewCamera camera;
    viewer.Camera(camera);
    std::uint32_t previous = 0;
    for (float frame : {0.0f, 50.0f, 100.0f}) {
      SCOPED_TRACE(frame);
      ASSERT_TRUE(viewer.Frame(frame));
      ASSERT_TRUE(viewer.Draw(0x000000));
      // Halfway up the spike, whose centre rises by 2 · frame / 100.
      int x, y;
      ViewCamera::Project(viewer.viewMatrix, viewer.projection, Vector(-1.6f, 0, frame / 100), x, y);
      const std::uint32_t tip = scenetest::PixelAt(x, y);
      EXPECT_GT(tip >> 16 & 255, 2 * (tip & 255)) << std::hex << tip;
      // The sail's middle.
      ViewCamera::Project(viewer.viewMatrix, viewer.projection, Vector(1.6f, 0, 0), x, y);
      const std::uint32_t sail = scenetest::PixelAt(x, y);
      EXPECT_GT(sail & 255, 2 * (sail >> 16 & 255)) << std::hex << sail;
      // Something moved since the last picture.
      std::uint32_t sum = 0;
      for (int py = 0; py < kHeight; ++py)
        for (int px = 0; px < kWidth; ++px) sum = sum * 31 + scenetest::PixelAt(px, py);
      EXPECT_NE(sum, previous);
      previous = sum;
      scenetest::MaybeWritePng("text3d_frame" + std::to_string(static_cast<int>(frame)));
    }
  }, kWidth, kHeight);
}

constexpr const char* kParticles = R"(
scene 100
{
  object particle_firework "rocket"
  {
    particle count 300  size 0.2 to 0.4  gravity 0.05  time multiplyer 0.1
    color (255 random 0), (0 random 60), (0 random 0)  file "spark";
    explosion { starting time 0  flying time 2  fade factor 0.1  velocity (0, 0, 0.5) }
    parameter { position (-1.6, 0, 0) }
  }
  object particle_weather_snow "snow"
  {
    particle count 300  size 0.15 to 0.3  time multiplyer 0.01  alpha (255 random 0)
    color (0 random 0), (0 random 60), (255 random 0)  file "spark";
    parameter { position (1.6, 0, 0)  scale (0.8, 0.8, 0.8) }
  }
})";

// Where the lit pixels of one hue lie: their centre and bounding box.
struct Lit {
  int count = 0;
  double x = 0, y = 0;
  int left = kWidth, right = -1, top = kHeight, bottom = -1;
};
Lit LitPixels(const std::function<bool(int r, int g, int b)>& hue) {
  Lit lit;
  for (int py = 0; py < kHeight; ++py)
    for (int px = 0; px < kWidth; ++px) {
      const std::uint32_t c = scenetest::PixelAt(px, py);
      if (!hue(c >> 16 & 255, c >> 8 & 255, c & 255)) continue;
      ++lit.count;
      lit.x += px + 0.5, lit.y += py + 0.5;
      lit.left = std::min(lit.left, px), lit.right = std::max(lit.right, px);
      lit.top = std::min(lit.top, py), lit.bottom = std::max(lit.bottom, py);
    }
  if (lit.count) lit.x /= lit.count, lit.y /= lit.count;
  return lit;
}

TEST(Text3DRender, FireworkAndSnowWithTheirTexture) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    // A soft white spot, in the folder that OnDevice works in.
    testsupport::WriteTga("textures/spark.tga", 16, 16, [](int x, int y) {
      const double d = std::hypot(x - 7.5, y - 7.5) / 8;
      const auto v = static_cast<std::uint32_t>(255 * std::max(0.0, 1 - d * d));
      return v * 0x010101u;
    });
    ClearFileAccessFunctions();
    AddFileAccessFunction(kernel::PlainFileAccess);
    RegisterPictureReaders();
    cVOXAdemo demo;
    cText3Dscene scene;
    scene.demo = &demo;
    const auto read = testsupport::ReadScript(kParticles, "3ds\\particles.T3D",
                                              [&](cParserT* parser) { ParseText3DScene(parser, &scene); });
    ASSERT_TRUE(read.ok) << read.message;
    ASSERT_NE(scene.FindObject("rocket"), nullptr) << "the texture was had";
    scenetest::SceneViewer viewer(scene);
    viewer.Use();
    ViewCamera camera;
    viewer.Camera(camera);
    auto red = [](int r, int, int b) { return r > 60 && b < r / 4; };
    auto blue = [](int r, int, int b) { return b > 60 && r < b / 4; };
    auto near = [&](const Vector& p, double x, double y, double within) {
      int px, py;
      ViewCamera::Project(viewer.viewMatrix, viewer.projection, p, px, py);
      EXPECT_NEAR(x, px + 0.5, within);
      EXPECT_NEAR(y, py + 0.5, within);
    };
    // Frame 10: the rocket halfway up, a short trail below its head.
    ASSERT_TRUE(viewer.Frame(10));
    ASSERT_TRUE(viewer.Draw(0x000000));
    const Lit rocket = LitPixels(red);
    ASSERT_GT(rocket.count, 0);
    near({-1.6f, 0, 0.5f}, rocket.x, rocket.y, 3);
    EXPECT_LT(rocket.right - rocket.left, 8);
    // The snow stays inside its cube of 0.8 either way of its place.
    const Lit flakes = LitPixels(blue);
    EXPECT_GT(flakes.count, 100);
    int left = kWidth, top = kHeight, right = -1, bottom = -1;
    for (int k = 0; k < 8; ++k) {
      int x, y;
      ViewCamera::Project(viewer.viewMatrix, viewer.projection,
                          {k & 1 ? 2.4f : 0.8f, k & 2 ? 0.8f : -0.8f, k & 4 ? 0.8f : -0.8f}, x, y);
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
    EXPECT_GE(flakes.left, left - 2);
    EXPECT_LE(flakes.right, right + 2);
    EXPECT_GE(flakes.top, top - 2);
    EXPECT_LE(flakes.bottom, bottom + 2);
    scenetest::MaybeWritePng("text3d_particles10");
    // Frame 30: one unit of scene time after the burst at (0, 0, 1), the
    // sparks spread around (0, 0, 1.5) and fallen by 0.05.
    ASSERT_TRUE(viewer.Frame(30));
    ASSERT_TRUE(viewer.Draw(0x000000));
    const Lit burst = LitPixels(red);
    near({-1.6f, 0, 1.45f}, burst.x, burst.y, 4);
    EXPECT_GT(burst.right - burst.left, 12);
    EXPECT_NE(LitPixels(blue).y, flakes.y) << "the snow fell";
    scenetest::MaybeWritePng("text3d_particles30");
  }, kWidth, kHeight);
  ClearFileAccessFunctions();
}

}  // namespace
