// Particles drawn headless: the device draws they make, where their centres
// land against the device's own projection, what fog does to them, and a
// picture of each kind under each kind of blending.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ddraw.h"
#include "platform/fakehardware.h"
#include "tests/threedee/scene/scene_builders.h"
#include "tests/threedee/scene/scene_device.h"
#include "tests/threedee/scene/scene_viewer.h"
#include "tests/threedee/scene/track_makers.h"
#include "threedee/objects/firework.h"
#include "threedee/objects/snow.h"
#include "threedee/objects/splash.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/video.h"
#include "windxkernel/viewport.h"

namespace {

using namespace VOXA2;
using namespace VOXA2::threedee;
using scenetest::Link;
using scenetest::MaybeWritePng;
using scenetest::PixelAt;

constexpr int kWidth = 192, kHeight = 144;

int Channel(std::uint32_t rgb, int k) { return static_cast<int>((rgb >> (16 - 8 * k)) & 255); }

// Opaque white particles of one size at the given object-space points.
void Place(c3Dparticle_system& system, const std::vector<Vector>& points, float size) {
  system.AllocateParticles(static_cast<std::int32_t>(points.size()));
  for (std::size_t i = 0; i < points.size(); ++i) {
    tParticle& p = system.particles[i];
    p.alive = 1;
    p.size = size;
    p.alpha = p.red = p.green = p.blue = 255;
    p.position = points[i];
  }
}

// The base camera: at the origin looking along +z, near 1, far 100.
void LookAhead(scenetest::SceneViewer& viewer) {
  c3Dcamera camera;
  camera.nearPlane = 1;
  camera.farPlane = 100;
  viewer.Camera(camera);
}

TEST(ParticleRender, DrawsInBatchesOf256AfterTheChildren) {
  struct Row {
    const char* name;
    std::function<void(c3Dparticle_system&)> change;
    std::vector<DWORD> vertices;  // per draw, in order
  };
  const std::vector<Row> rows = {
      {"300 visible among four clipped", [](c3Dparticle_system&) {}, {3, 768, 132}},
      {"alpha multiplier 0", [](c3Dparticle_system& s) { s.alphaMultiplier = -0.0f; }, {3}},
      {"count 0", [](c3Dparticle_system& s) { s.count = 0; }, {3}},
      {"hidden", [](c3Dparticle_system& s) { s.hidden = true; }, {3}},
      {"not shown", [](c3Dparticle_system& s) { s.values[0] = 0; }, {3}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<DWORD> draws;
    scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
      c3Dscene scene;
      auto* system = new c3Dparticle_system;
      std::vector<Vector> points;
      for (int i = 0; i < 300; ++i)
        points.push_back(
            {static_cast<float>(i % 20) * 0.2f - 2, static_cast<float>(i / 20) * 0.1f - 0.7f, 5});
      // On the near plane, behind the eye, past the far plane, left of the view.
      for (Vector clipped :
           {Vector{0, 0, 1}, Vector{0, 0, -3}, Vector{0, 0, 101}, Vector{-9, 0, 5}})
        points.push_back(clipped);
      Place(*system, points, 0.1f);
      auto* child = new c3Dparticle_system;
      Place(*child, {{0, 0, 5}}, 0.1f);
      system->firstChild = child;
      Link(scene, {system});
      scenetest::SceneViewer viewer(scene);
      viewer.Use();
      ASSERT_TRUE(viewer.Frame(0));
      LookAhead(viewer);
      row.change(*system);
      platform::Hardware().observeD3D = [&](const platform::D3DCall& call) {
        if (call.method == "DrawPrimitiveVB" || call.method == "DrawPrimitive") {
          EXPECT_EQ(call.a, static_cast<DWORD>(D3DPT_TRIANGLELIST));
          draws.push_back(call.c);
        }
      };
      ASSERT_TRUE(viewer.Draw(0));
      platform::Hardware().observeD3D = nullptr;
    });
    EXPECT_EQ(draws, row.vertices);
  }
}

// The covered pixels' centre, weighted by brightness, over the whole screen.
std::array<double, 2> LitCentre() {
  double sx = 0, sy = 0, sum = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const double w = Channel(PixelAt(x, y), 1);
      sx += w * x, sy += w * y, sum += w;
    }
  return {sum ? sx / sum : -1, sum ? sy / sum : -1};
}

// Where a particle's triangle lands is where the device puts its point: the
// same viewport, view and projection, a moved camera and a moved system.
TEST(ParticleRender, CentresLandWhereTheDeviceProjects) {
  scenetest::OnDevice(
      scenetest::kMode8888, nullptr,
      [&] {
        c3Dscene scene;
        auto* system = new c3Dparticle_system;
        system->positionTrack = scenetest::Constant({0.3f, -0.2f, 1});
        system->rotationTrack = scenetest::Turn(0, 0, 1, 0.4f);
        Link(scene, {system});
        scenetest::SceneViewer viewer(scene);
        viewer.Use();
        ASSERT_TRUE(viewer.Frame(0));
        LookAhead(viewer);
        // The eye moved right and up, turned a little about y.
        const float c = std::cos(0.15f), s = std::sin(0.15f);
        const float view[16] = {c, 0, -s, -0.4f, 0, 1, 0, 0.25f, s, 0, c, 0.5f, 0, 0, 0, 1};
        SetTransform(kTransformView, view);
        SetViewport(10, 6, 117, 89);
        for (const Vector& at : {Vector{-1.2f, 0.9f, 5}, Vector{1.1f, -0.8f, 4}, Vector{0, 0, 6},
                                 Vector{1.6f, 1.1f, 7}}) {
          Place(*system, {at}, 1.2f);
          ASSERT_TRUE(viewer.Draw(0));
          // The object's own placement, then the device's projection.
          const Matrix4& m = system->world;
          float point[3];
          for (int r = 0; r < 3; ++r)
            point[r] =
                m.m[4 * r] * at.x + m.m[4 * r + 1] * at.y + m.m[4 * r + 2] * at.z + m.m[4 * r + 3];
          ASSERT_TRUE(ProjectToScreen(point));
          const auto centre = LitCentre();
          EXPECT_NEAR(centre[0], point[0], 0.5) << at.x << ", " << at.y << ", " << at.z;
          EXPECT_NEAR(centre[1], point[1], 0.5) << at.x << ", " << at.y << ", " << at.z;
          ASSERT_GT(point[0], 25);
          ASSERT_LT(point[0], kWidth - 25);
          ASSERT_GT(point[1], 25);
          ASSERT_LT(point[1], kHeight - 25);
        }
        MaybeWritePng("particle_centre");
      },
      kWidth, kHeight);
}

// Particles carry no specular colour, where the device would read a fog
// factor: they are never painted in the fog colour.
TEST(ParticleRender, ParticlesUnderFogKeepTheirColour) {
  scenetest::OnDevice(
      scenetest::kMode8888, nullptr,
      [&] {
        c3Dscene scene;
        auto* system = new c3Dparticle_system;
        Place(*system, {{0, 0, 50}}, 20);
        system->blendMode = c3Dparticle_system::kBlended;
        Link(scene, {system});
        scenetest::SceneViewer viewer(scene);
        viewer.Use();
        ASSERT_TRUE(viewer.Frame(0));
        LookAhead(viewer);
        // Red linear fog, complete long before the particle's distance.
        SetRenderMode(8, 0, 1);
        SetRenderMode(8, 1, 0xFFFF0000u);
        SetRenderMode(8, 5, 0);
        SetRenderMode(8, 6, 1);
        SetRenderMode(8, 7, 2);
        SetFog(2, 0.0f);
        SetFog(3, 0.05f);
        ASSERT_TRUE(viewer.Draw(0));
        const std::uint32_t centre = PixelAt(kWidth / 2, kHeight / 2);
        EXPECT_EQ(centre, 0xFFFFFFu);
        SetRenderMode(8, 0, 0);
      },
      kWidth, kHeight);
}

// Each kind in a typical moment, drawn additively over a dark ground and
// multiplying over a mid-grey one: additive particles only brighten what lies
// behind them, multiplying ones only darken it.
TEST(ParticleRender, EachKindBrightensAdditivelyAndDarkensMultiplying) {
  struct Kind {
    const char* name;
    std::function<c3Dparticle_system*()> make;
    float time;
  };
  const std::vector<Kind> kinds = {
      {"splash",
       [] {
         auto* splash = new c3Dp_splash;
         splash->gravity = 2;
         splash->startingTime = 1;
         splash->SetParticleCount(600);
         return splash;
       },
       1.6f},
      {"firework",
       [] {
         auto* firework = new c3Dp_firework;
         firework->gravity = 0.3f;
         firework->red = 200, firework->redRandom = 55;
         firework->green = 80, firework->greenRandom = 120;
         firework->blue = 0, firework->blueRandom = 60;
         c3Dp_firework::tExplosion e;
         e.flyingTime = 1;
         e.velocity.Set(0.2f, 0, 1);
         firework->AddExplosion(&e);
         firework->creator = &c3Dp_firework::CreateScattered;
         firework->SetParticleCount(800);
         return firework;
       },
       2.2f},
      {"snow",
       [] {
         auto* snow = new c3Dp_weather_snow;
         snow->red = 170, snow->green = 200, snow->redRandom = 60;
         snow->SetParticleCount(500);
         return snow;
       },
       0.7f},
  };
  struct Blend {
    std::int32_t mode;
    std::uint32_t ground;
    int sign;  // +1: no channel may fall; -1: none may rise
  };
  for (const Kind& kind : kinds)
    for (const Blend& blend : {Blend{c3Dparticle_system::kAdditive, 0x101830u, 1},
                               Blend{c3Dparticle_system::kMultiplying, 0x808080u, -1}}) {
      const std::string name =
          std::string(kind.name) + (blend.sign > 0 ? "_additive" : "_multiplying");
      SCOPED_TRACE(name);
      scenetest::OnDevice(
          scenetest::kMode8888, nullptr,
          [&] {
            c3Dscene scene;
            c3Dparticle_system* system = kind.make();
            system->blendMode = blend.mode;
            // Object z towards the top of the screen and a little towards the eye, the
            // system 70 units ahead and 16 times its own size.
            system->positionTrack = scenetest::Constant({0, 12, 70});
            system->rotationTrack = scenetest::Turn(1, 0, 0, -1.2f);
            system->scaleTrack = scenetest::Constant({16, 16, 16});
            Link(scene, {system});
            scenetest::SceneViewer viewer(scene);
            viewer.Use();
            ASSERT_TRUE(viewer.Frame(kind.time));
            LookAhead(viewer);
            ASSERT_TRUE(viewer.Draw(blend.ground));
            int changed = 0;
            for (int y = 0; y < kHeight; ++y)
              for (int x = 0; x < kWidth; ++x) {
                const std::uint32_t p = PixelAt(x, y);
                changed += p != blend.ground;
                for (int k = 0; k < 3; ++k)
                  ASSERT_GE(blend.sign * (Channel(p, k) - Channel(blend.ground, k)), 0)
                      << x << ", " << y;
              }
            EXPECT_GT(changed, 200) << "the particles show";
            MaybeWritePng("particles_" + name);
          },
          kWidth, kHeight);
    }
}

}  // namespace
