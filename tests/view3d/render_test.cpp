// view3D blocks drawn on the headless device: a cube's silhouette against
// the hull of its corners projected here, the stretch of the projection,
// transparent materials after the opaque ones, fog by distance, and a frame
// that fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ddraw.h"
#include "platform/fakehardware.h"
#include "tests/threedee/scene/scene_builders.h"
#include "tests/threedee/scene/scene_device.h"
#include "tests/threedee/scene/track_makers.h"
#include "tests/view3d/view3d_fixture.h"
#include "threedee/scene/cameras.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/video.h"

namespace view3dtest {
namespace {

using namespace VOXA2;
using namespace VOXA2::threedee;
using scenetest::V3;
namespace px = platform::pixels;

constexpr int kWidth = 160, kHeight = 120;

std::string Entry(const std::string& block) {
  return "pipeline p { entry 0 : 200 : view3D {\n" + block + "\n} }\n";
}

std::uint32_t PixelAt(int x, int y) {
  IDirectDrawSurface7* s = kernel::videoState.back;
  const int bytes = static_cast<int>(s->format().dwRGBBitCount / 8);
  return px::Unpack(s->format(), px::Read(s->pixels() + y * s->pitch() + x * bytes, bytes)) &
         0xFFFFFFu;
}

void FillTarget(std::uint32_t rgb) {
  IDirectDrawSurface7* back = kernel::videoState.back;
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = px::Pack(back->format(), rgb);
  back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

void MaybeWritePng(const std::string& name) {
  if (const char* dir = std::getenv("VOXA2_TEST_PNG_DIR")) {
    video::PresentFrame();
    platform::WritePresentedFramePng(std::string(dir) + "/" + name + ".png");
  }
}

// A material lit by the white ambient light of the scenes below: its own
// ambient colour, whatever the face's direction.
cMaterial* Paint(c3Dscene& scene, const char* name, std::uint32_t color, float transparency = 0) {
  auto* m = new cMaterial;
  m->SetName(name);
  m->ambient = m->diffuse = color;
  m->shading = 0;
  m->transparency = transparency;
  scene.AddMaterial(m);
  return m;
}

c3Dlight* WhiteAmbient() {
  auto* light = new c3DSlight_ambient;
  light->SetName("ambient");
  light->colourTrack = scenetest::Constant({1, 1, 1});
  return light;
}

// The base camera: at the origin looking down +z, 90 degrees both ways.
c3Dcamera* Camera() {
  auto* camera = new c3Dcamera;
  camera->SetName("cam");
  camera->nearPlane = 1;
  camera->farPlane = 100;
  return camera;
}

// A white unit cube turned about (1, 1, 0), moving from x 0 at frame 0 to
// x 1 at frame 100, 6 units ahead.
c3DSmesh* cube = nullptr;
void CubeScene(c3Dscene& scene) {
  scene.frames = 100;
  cMaterial* white = Paint(scene, "white", 0xFFFFFFFFu);
  cube = scenetest::MakeBox({1, 1, 1}, white, white);
  cube->SetName("cube");
  cube->positionTrack = scenetest::Linear(3, {{0, {0, 0, 6}}, {100, {1, 0, 6}}});
  cube->rotationTrack = scenetest::Turn(1, 1, 0, 0.6f);
  scenetest::Link(scene, {Camera(), WhiteAmbient(), cube});
}

// Screen position of a world point through the base camera, the projection's
// horizontal scale multiplied by sx.
std::array<double, 2> Project(const V3& p, double sx) {
  return {(sx * p[0] / p[2] + 1) * kWidth / 2, (1 + p[1] / p[2]) * kHeight / 2};
}

// Signed distance of (x, y) from the convex hull's boundary, positive inside.
double InsideBy(std::vector<std::array<double, 2>> points, double x, double y) {
  std::sort(points.begin(), points.end());
  auto cross = [](const auto& o, const auto& a, const auto& b) {
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
  };
  std::vector<std::array<double, 2>> hull;
  for (int pass = 0; pass < 2; pass++) {
    const std::size_t base = hull.size();
    for (const auto& p : points) {
      while (hull.size() >= base + 2 && cross(hull[hull.size() - 2], hull.back(), p) <= 0)
        hull.pop_back();
      hull.push_back(p);
    }
    hull.pop_back();
    std::reverse(points.begin(), points.end());
  }
  double inside = 1e9;
  for (std::size_t i = 0; i < hull.size(); i++) {
    const auto& a = hull[i];
    const auto& b = hull[(i + 1) % hull.size()];
    const double dx = b[0] - a[0], dy = b[1] - a[1];
    inside = std::min(inside, ((x - a[0]) * dy - (y - a[1]) * dx) / -std::hypot(dx, dy));
  }
  return inside;
}

// Every lit pixel within a pixel of the hull of the cube's projected corners,
// every dark one within a pixel of its outside.
void ExpectCubeSilhouette(double sx) {
  std::vector<std::array<double, 2>> corners;
  for (int i = 0; i < 8; i++)
    corners.push_back(Project(scenetest::Place(cube->world, {i & 4 ? 1. : -1., i & 2 ? 1. : -1.,
                                                             i & 1 ? 1. : -1.}),
                              sx));
  int lit = 0, wrong = 0;
  for (int y = 0; y < kHeight; y++)
    for (int x = 0; x < kWidth; x++) {
      const bool covered = PixelAt(x, y) != 0;
      const double inside = InsideBy(corners, x + 0.5, y + 0.5);
      lit += covered;
      if (covered ? inside < -1 : inside > 1) {
        if (++wrong <= 5) ADD_FAILURE() << "pixel " << x << "," << y << " inside by " << inside;
      }
    }
  EXPECT_GT(lit, 100) << "the cube is in sight";
}

class View3DRender : public View3DTest {
 protected:
  // Compiles the block on a fresh device and runs body there; the debug log.
  std::vector<std::string> OnScreen(const std::string& block, const std::function<void()>& body) {
    return scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
      ASSERT_TRUE(Compile(Entry(block))) << ::testing::PrintToString(LogLines());
      body();
      demo.reset();
    }, kWidth, kHeight);
  }
  bool Frame(float time) {
    FillTarget(0);
    return View()->Execute(time, time, time / 200);
  }
};

TEST_F(View3DRender, CubeSilhouetteIsTheHullOfItsProjectedCorners) {
  Scenes()["cube"] = CubeScene;
  OnScreen("use \"cube\"; frames linear 0 to 100; camera \"cam\"; clearzbuffer; draw all;", [&] {
    for (float time : {0.0f, 100.0f}) {
      SCOPED_TRACE(time);
      ASSERT_TRUE(Frame(time));
      ExpectCubeSilhouette(1);
    }
    MaybeWritePng("view3d_cube");
  });
}

// Stretches apply once per frame to the camera's projection: a frame without
// "camera" does not multiply the last frame's stretch again.
TEST_F(View3DRender, StretchDoublesTheWidthAndDoesNotCompound) {
  Scenes()["cube"] = CubeScene;
  OnScreen(
      "use \"cube\"; frames 50; if interpolate { 0: true, 1: false } camera \"cam\";\n"
      "camera_stretch 2, 1; clearzbuffer; draw all;",
      [&] {
        for (int frame = 0; frame < 100; frame++) {
          ASSERT_TRUE(Frame(static_cast<float>(frame)));
          ASSERT_EQ(View()->projectionMatrix.m[0], 2 * View()->cameraProjection.m[0]) << frame;
          ASSERT_EQ(View()->projectionMatrix.m[5], View()->cameraProjection.m[5]) << frame;
        }
        ExpectCubeSilhouette(2);
        MaybeWritePng("view3d_cube_stretched");
      });
}

// A transparent box first in the tree, an opaque one after it, and a box
// without a material, whose drawing fails.
void GlassScene(c3Dscene& scene, bool withBroken) {
  scene.frames = 10;
  auto* glass = scenetest::MakeBox({1, 1, 1}, Paint(scene, "glass", 0xFF40C0FFu, 0.5f),
                                   Paint(scene, "glass2", 0xFF40C0FFu, 0.5f));
  glass->SetName("glass");
  glass->positionTrack = scenetest::Constant({0, 0, 5});
  auto* box = scenetest::MakeBox({1, 1, 1}, Paint(scene, "red", 0xFFFF0000u),
                                 Paint(scene, "red2", 0xFFFF0000u));
  box->SetName("box");
  box->positionTrack = scenetest::Constant({0.5f, 0, 8});
  auto* broken = new c3DoneMaterialMesh;
  broken->SetName("broken");
  scenetest::Link(scene, {Camera(), WhiteAmbient(), glass, box});
  if (withBroken) box->nextSibling = broken;
  else delete broken;
  scene.root->SetScene(&scene);
}

struct BatchCase {
  const char* name;
  const char* draws;
  std::vector<std::string> calls;  // draws and Z writes in device order
};

class DeferredDrawing : public View3DRender, public ::testing::WithParamInterface<BatchCase> {};

TEST_P(DeferredDrawing, TransparentDrawsFollowWithZWritesOff) {
  Scenes()["glass"] = [](c3Dscene& scene) { GlassScene(scene, false); };
  OnScreen(std::string("use \"glass\"; frames 0; camera \"cam\"; clearzbuffer; ") +
               GetParam().draws,
           [&] {
             // The second frame: the device holds the states of a finished frame.
             ASSERT_TRUE(Frame(0));
             std::vector<std::string> calls;
             platform::Hardware().observeD3D = [&](const platform::D3DCall& c) {
               const std::string draw = c.method.rfind("DrawIndexedPrimitive", 0) == 0 ? "draw" : "";
               if (!draw.empty() && (calls.empty() || calls.back() != draw)) calls.push_back(draw);
               if (c.method == "SetRenderState" && c.a == D3DRENDERSTATE_ZWRITEENABLE)
                 calls.push_back("zwrite " + std::to_string(c.b));
             };
             ASSERT_TRUE(Frame(0));
             platform::Hardware().observeD3D = nullptr;
             EXPECT_EQ(calls, GetParam().calls);
             EXPECT_TRUE(View()->batch->Empty());
             MaybeWritePng(std::string("view3d_batch_") + GetParam().name);
           });
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, DeferredDrawing,
    ::testing::Values(
        BatchCase{"AtTheEnd", "draw all;", {"draw", "zwrite 0", "draw", "zwrite 1"}},
        BatchCase{"AtAFlush", "draw \"glass\"; flush draw \"box\";",
                  {"zwrite 0", "draw", "zwrite 1", "draw"}},
        BatchCase{"FlushTwice", "draw \"glass\", \"box\"; flush; flush",
                  {"draw", "zwrite 0", "draw", "zwrite 1"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(View3DRender, AFailedFrameDiscardsItsBatchAndEndsItsScene) {
  Scenes()["glass"] = [](c3Dscene& scene) { GlassScene(scene, true); };
  const auto log = OnScreen("use \"glass\"; frames 0; camera \"cam\"; draw \"glass\"; draw \"broken\"; alpha 0.5;",
           [&] {
             bool zwriteOff = false;
             platform::Hardware().observeD3D = [&](const platform::D3DCall& c) {
               if (c.method == "SetRenderState" && c.a == D3DRENDERSTATE_ZWRITEENABLE && c.b == 0)
                 zwriteOff = true;
             };
             EXPECT_FALSE(Frame(0));
             platform::Hardware().observeD3D = nullptr;
             EXPECT_FALSE(zwriteOff) << "the deferred glass is not drawn";
             EXPECT_TRUE(View()->batch->Empty());
             EXPECT_EQ(View()->alpha, 1.0f) << "the commands after it did not run";
             // The scene was ended: a new one opens.
             EXPECT_TRUE(BeginScene());
             EndScene();
           });
  EXPECT_NE(std::find(log.begin(), log.end(), "view3D command #4 failed (result is true)!"),
            log.end());
}

// Boxes straight ahead at growing distances, each as large on screen as the
// others, side by side.
void FogScene(c3Dscene& scene) {
  scene.frames = 10;
  cMaterial* white = Paint(scene, "white", 0xFFFFFFFFu);
  std::vector<c3Dobject*> objects{Camera(), WhiteAmbient()};
  const float distances[] = {10, 25, 40, 55, 70, 95};
  for (int i = 0; i < 6; i++) {
    const float z = distances[i];
    auto* box = scenetest::MakeBox({0.06 * z, 0.06 * z, 0.06 * z}, white, white);
    box->SetName(("box" + std::to_string(i)).c_str());
    box->positionTrack = scenetest::Constant({(-0.75f + 0.3f * i) * z, 0, z});
    objects.push_back(box);
  }
  scene.root = objects[0];
  for (std::size_t i = 1; i < objects.size(); i++) objects[i - 1]->nextSibling = objects[i];
  scene.root->SetScene(&scene);
  scene.CollectCamerasAndLights(scene.root);
}

struct FogCase {
  const char* name;
  const char* fog;
  bool fogged;
};

class Fog : public View3DRender, public ::testing::WithParamInterface<FogCase> {};

TEST_P(Fog, RisesWithDistance) {
  Scenes()["row"] = FogScene;
  // A first frame with fog, so that a frame without must switch it off.
  OnScreen("use \"row\"; fog (0, 0, 1); frames 0;",
           [&] {
             ASSERT_TRUE(Frame(0));
             ASSERT_TRUE(Compile(Entry(std::string("use \"row\"; frames 0; camera \"cam\"; clearzbuffer; ") +
                                       GetParam().fog + " draw all;")));
             ASSERT_TRUE(Frame(0));
             int previous = 256;
             for (int i = 0; i < 6; i++) {
               const double z = i == 5 ? 95 : 10 + 15 * i;
               const auto at = Project({(-0.75 + 0.3 * i) * z, 0, z}, 1);
               const std::uint32_t rgb = PixelAt(static_cast<int>(at[0]), static_cast<int>(at[1]));
               const int red = static_cast<int>(rgb >> 16), green = static_cast<int>(rgb >> 8 & 255);
               EXPECT_EQ(red, 255) << i;
               if (!GetParam().fogged) {
                 EXPECT_EQ(green, 255) << i;
                 continue;
               }
               EXPECT_LE(green, previous) << "box " << i;
               previous = green;
               if (i == 0) EXPECT_EQ(green, 255) << "before the fog starts";
               if (i == 5) EXPECT_EQ(green, 0) << "beyond its end";
             }
             MaybeWritePng(std::string("view3d_fog_") + GetParam().name);
           });
}

INSTANTIATE_TEST_SUITE_P(Statements, Fog,
                         ::testing::Values(FogCase{"Ranged", "fog (1, 0, 0) ranged 0.2, 0.8;", true},
                                           FogCase{"Disabled", "fog disabled ranged 0.2, 0.8;", false},
                                           FogCase{"None", "", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace view3dtest

namespace view3dtest {
namespace {

struct SettingCase {
  const char* name;
  const char* settings;  // between the camera and the drawing
  float time;
  std::uint32_t centre;  // the cube's middle
  bool seen;             // any pixel lit
};

class DisplaySettings : public View3DRender, public ::testing::WithParamInterface<SettingCase> {};

TEST_P(DisplaySettings, LastForTheFrame) {
  Scenes()["cube"] = CubeScene;
  OnScreen(std::string("use \"cube\"; frames 0; camera \"cam\"; clearzbuffer;\n") +
               GetParam().settings + "\ndraw all;",
           [&] {
             ASSERT_TRUE(Frame(GetParam().time));
             const std::uint32_t centre = PixelAt(kWidth / 2, kHeight / 2);
             for (int k = 0; k < 24; k += 8)
               EXPECT_NEAR(static_cast<int>(centre >> k & 255),
                           static_cast<int>(GetParam().centre >> k & 255), 1)
                   << std::hex << centre;
             int lit = 0;
             for (int y = 0; y < kHeight; y++)
               for (int x = 0; x < kWidth; x++) lit += PixelAt(x, y) != 0;
             EXPECT_EQ(lit > 0, GetParam().seen);
             MaybeWritePng(std::string("view3d_setting_") + GetParam().name);
           });
}

INSTANTIATE_TEST_SUITE_P(
    Statements, DisplaySettings,
    ::testing::Values(
        SettingCase{"None", "", 0, 0xFFFFFF, true},
        SettingCase{"HideAllShowTwo", "hide all; show \"cube\", \"ambient\";", 0, 0xFFFFFF, true},
        SettingCase{"HiddenLight", "hide \"ambient\";", 0, 0x000000, false},
        SettingCase{"Wireframed", "wireframed 3;", 0, 0x000000, true},
        SettingCase{"Solid", "wireframed 0;", 0, 0xFFFFFF, true},
        SettingCase{"Tint", "tint (1, 0.5, -1);", 0, 0xFF7F00, true},
        SettingCase{"TintOfAnEarlierFrameOnly", "if interpolate { 0: true, 1: false } tint (1, 0, 0);",
                    2, 0xFFFFFF, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(View3DRender, HideAllDrawsNothing) {
  Scenes()["cube"] = CubeScene;
  OnScreen("use \"cube\"; frames 0; camera \"cam\"; clearzbuffer; hide all; draw all;", [&] {
    ASSERT_TRUE(Frame(0));
    for (int y = 0; y < kHeight; y++)
      for (int x = 0; x < kWidth; x++) ASSERT_EQ(PixelAt(x, y), 0u) << x << "," << y;
  });
}

}  // namespace
}  // namespace view3dtest
