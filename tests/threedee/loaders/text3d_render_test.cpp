// A Text3D scene with a spike, a Bezier surface and a light ray drawn headless
// at three times: the spike's tip and the surface's middle land where the
// camera projects them, in their materials' colours, and the pictures move.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "tests/support/scriptread.h"
#include "tests/threedee/scene/scene_device.h"
#include "tests/threedee/scene/scene_viewer.h"
#include "threedee/loaders/text3d.h"
#include "threedee/objects/spike.h"

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

}  // namespace
