// The water surface: the base waves and the splash ripples at known points,
// the splash block, when the surface draws nothing, repeated draws, and the
// picture: covered exactly where the view meets the plane, and only inside a
// clipper's footprint.
#include "threedee/objects/water.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "tests/support/scriptread.h"
#include "tests/threedee/objects/object_support.h"
#include "tests/threedee/scene/scene_device.h"
#include "tests/threedee/scene/scene_viewer.h"
#include "tests/threedee/scene/track_makers.h"
#include "threedee/objects/tree.h"
#include "threedee/scene/material.h"
#include "windxkernel/3dkernel.h"

namespace {

using namespace VOXA2::threedee;
using objecttest::ReadVertices;
using scenetest::Constant;

std::unique_ptr<VertexArray> Row(int count) {
  VertexFormat format;
  format.position = format.normal = true;
  format.textureSetCount = 1;
  format.GetVertexSize();
  return std::unique_ptr<VertexArray>(VertexArray::Create(false, count, format));
}

TEST(Water, BaseWavesAtTheOrigin) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    c3Dwatersurface water;  // the defaults before any frame: k 0.005, amplitude 250, time 0
    auto row = Row(3);
    water.WriteRow(*row, 0, 3, 0, 0, 1, water.amplitude / 2, {});
    const auto v = ReadVertices(*row, 3);
    EXPECT_FLOAT_EQ(v[0].position.z, 125);
    const float length = std::sqrt(1 + 0.625f * 0.625f);
    EXPECT_NEAR(v[0].normal.x, -0.625f / length, 1e-6f);
    EXPECT_NEAR(v[0].normal.y, 0, 1e-6f);
    EXPECT_NEAR(v[0].normal.z, 1 / length, 1e-6f);
    EXPECT_FLOAT_EQ(v[1].position.x, 1);
    EXPECT_FLOAT_EQ(v[1].u, 0.001f);
  });
}

TEST(Water, SplashRipplesFollowTheirFormula) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    c3Dwatersurface water;
    water.time = 7;
    t3Dwater_splash* splash = water.AddSplash();
    splash->start = 5;
    splash->length = 10;
    splash->position = Constant({10, 3});
    splash->height = Constant({100});
    splash->radius = Constant({0.05f});
    splash->fadeFactor = Constant({0.001f});
    splash->waveSpeed = Constant({0.3f});
    splash->Evaluate(water.time);
    auto row = Row(41);
    water.WriteRow(*row, 0, 41, 0, 0, 0.5f, 0, {splash});
    const auto v = ReadVertices(*row, 41);
    for (const auto& vertex : v) {
      const float dx = vertex.position.x - 10, dy = -3, d2 = dx * dx + dy * dy;
      float expected = 100 * std::exp(-0.001f * d2) * std::sin(0.05f * d2 - 0.3f * 7);
      if (std::fabs(expected) <= 0.0001f * 100) expected = 0;
      EXPECT_NEAR(vertex.position.z, expected, 1e-3f) << "x " << vertex.position.x;
      EXPECT_NEAR(vertex.normal.Dot(vertex.normal), 1, 1e-5f);
    }
    // Active from its start, up to (not at) its end.
    for (auto [t, active] : {std::pair{4.9f, false}, {5.0f, true}, {14.9f, true}, {15.0f, false}})
      EXPECT_EQ(splash->IsActive(t), active) << t;
    // A vertex exactly on the centre keeps a finite normal.
    splash->position->GetValues()[0] = 0;
    splash->position->GetValues()[1] = 0;
    splash->Evaluate(water.time);
    water.WriteRow(*row, 0, 1, 0, 0, 1, 0, {splash});
    EXPECT_TRUE(
        std::isfinite(ReadVertices(*row, 1)[0].normal.Dot(ReadVertices(*row, 1)[0].normal)));
  });
}

TEST(Water, SplashBlocks) {
  c3Dscene scene;
  scene.frames = 120;
  struct Case {
    const char* text;
    std::int32_t code;  // 0: read
    const char* message;
  };
  const Case cases[] = {
      {"{ start 5 length 10 position (3, 4) height 50 radius 0.001 wave speed 0.5 fade factor "
       "0.002; }",
       0, ""},
      {"{ start 2 }", 0, ""},
      {"{ wave sped 1 }", -1, "\"speed\" expected!"},
      {"{ fade facter 1 }", -1, "\"factor\" expected!"},
      {"{ size 3 }", 100, "Syntax error!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    t3Dwater_splash splash;
    const auto out = testsupport::ReadScript(c.text, "water.t3d", [&](VOXA2::cParserT* p) {
      EXPECT_TRUE(t3Dwater_splash::Parse(p, &splash, &scene));
    });
    EXPECT_EQ(out.code, c.code);
    EXPECT_EQ(out.message, c.message);
    if (c.code == 0) {
      splash.Evaluate(0);
      if (splash.position) {
        EXPECT_EQ(splash.start, 5);
        EXPECT_EQ(splash.length, 10);
        EXPECT_EQ(splash.px, 3);
        EXPECT_EQ(splash.py, 4);
        EXPECT_EQ(splash.h, 50);
        EXPECT_FLOAT_EQ(splash.w, 0.5f);
        EXPECT_FLOAT_EQ(splash.f, 0.002f);
      } else {
        EXPECT_EQ(splash.start, 2);
        EXPECT_EQ(splash.length, 120) << "the scene's frame count";
        EXPECT_EQ(splash.h, 100);
        EXPECT_FLOAT_EQ(splash.rho, 0.00005f);
        EXPECT_FLOAT_EQ(splash.f, 0.00001f);
        EXPECT_FLOAT_EQ(splash.w, 0.325984f);
      }
    }
    t3Dwater_splash::Release(&splash);
  }
  // The position has two components: a third is the parser's own error.
  t3Dwater_splash splash;
  const auto out = testsupport::ReadScript(
      "{ position (1, 2, 3) }", "water.t3d",
      [&](VOXA2::cParserT* p) { t3Dwater_splash::Parse(p, &splash, &scene); });
  EXPECT_FALSE(out.ok);
  t3Dwater_splash::Release(&splash);
}

// A water plane at y = 2 under the camera at the origin (which looks along +z
// with y down the screen), its surface facing the eye.
struct Pond {
  c3Dscene scene;
  c3Dwatersurface* water = new c3Dwatersurface;
  scenetest::SceneViewer viewer{scene};
  c3Dcamera camera;

  Pond() {
    auto* m = new cMaterial;
    m->SetName("water");
    m->diffuse = m->ambient = m->emissive = 0xFF2070C0u;
    m->twoSided = true;
    scene.AddMaterial(m);
    water->material = m;
    water->SetName("pond");
    water->positionTrack = Constant({0, 2, 0});
    water->rotationTrack = scenetest::Turn(1, 0, 0, std::numbers::pi_v<float> / 2);
    water->unitTrack = Constant({0.5f});
    water->amplitudeTrack = Constant({0});
    camera.nearPlane = 1;
    camera.farPlane = 60;
  }
  void Run(std::vector<c3Dobject*> more = {}) {
    more.insert(more.begin(), water);
    objecttest::Link(scene, more);
    viewer.Use();
    ASSERT_TRUE(viewer.Frame(0));
    viewer.Camera(camera);
  }
  // Where the ray through a point of the screen meets the plane, in world
  // space; false above the horizon or beyond the far plane.
  bool Meets(float sx, float sy, Vector& hit) const {
    const float x = 2 * sx / 160 - 1, y = 2 * sy / 120 - 1;  // view y runs down
    const Vector direction(x, y, 1);
    const Vector point(water->world.m[3], water->world.m[7], water->world.m[11]);
    const Vector normal(water->world.m[2], water->world.m[6], water->world.m[10]);
    const float along = direction.Dot(normal);
    if (along == 0) return false;
    const float t = point.Dot(normal) / along;
    hit = direction.Scaled(t);
    return t > 0 && t < camera.farPlane;
  }
};

// Checks every pixel whose four corners agree on whether they see `wanted`.
template <class Wanted>
void ExpectCoverage(const Pond& pond, Wanted&& wanted, const char* what) {
  int checked = 0;
  for (int py = 0; py < 120; ++py)
    for (int px = 0; px < 160; ++px) {
      int seen = 0;
      for (float dy : {0.0f, 1.0f})
        for (float dx : {0.0f, 1.0f}) {
          Vector hit;
          seen += pond.Meets(px + dx, py + dy, hit) && wanted(hit);
        }
      if (seen % 4 != 0) continue;
      ++checked;
      ASSERT_EQ(objecttest::PixelAt(px, py) != 0, seen == 4) << what << " at " << px << "," << py;
    }
  EXPECT_GT(checked, 160 * 100);
}

TEST(Water, CoversWhatTheViewMeetsOfThePlane) {
  scenetest::OnDevice(
      scenetest::kMode8888, nullptr,
      [] {
        Pond pond;
        pond.Run();
        ASSERT_TRUE(pond.viewer.Draw(0x000000));
        EXPECT_GT(pond.water->columns, 1);
        ExpectCoverage(
            pond, [](const Vector&) { return true; }, "the open plane");
        objecttest::MaybeWritePng("water");
      },
      160, 120);
}

// A box of corners low and high, drawn by nobody.
c3DSmesh* Box(const Vector& low, const Vector& high) {
  auto* box = new c3DSmesh;
  box->SetName("basin");
  SetPartCount(*box, 1);
  VertexFormat format;
  format.position = format.normal = true;
  cOBSTriMesh& mesh = *box->parts[0]->meshes[0];
  SizeRenderMesh(mesh, 8, format, 36, "original vertices!");
  tMeshWriter out;
  out.Begin(&mesh);
  for (int c = 0; c < 8; ++c)
    out.Write({c & 4 ? high.x : low.x, c & 2 ? high.y : low.y, c & 1 ? high.z : low.z}, {0, 0, 1},
              0, 0);
  out.End();
  const std::uint16_t faces[36] = {0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5, 0, 4, 5, 0, 5, 1,
                                   2, 3, 7, 2, 7, 6, 0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3};
  std::copy(std::begin(faces), std::end(faces), mesh.indices.begin());
  mesh.highest = 7;
  return box;
}

TEST(Water, AClipperLimitsItToTheFootprint) {
  scenetest::OnDevice(
      scenetest::kMode8888, nullptr,
      [] {
        Pond pond;
        c3DSmesh* basin = Box({-3, 0, 5}, {3, 4, 15});
        pond.water->clipper = basin;
        pond.Run({basin});
        basin->values[0] = 0;  // not drawn itself
        ASSERT_TRUE(pond.viewer.Draw(0x000000));
        ExpectCoverage(
            pond,
            [](const Vector& hit) { return hit.x > -3 && hit.x < 3 && hit.z > 5 && hit.z < 15; },
            "inside the basin");
        objecttest::MaybeWritePng("water_clipped");
      },
      160, 120);
}

TEST(Water, DrawsNothingWithoutAUsableUnitAndTheSameTwice) {
  scenetest::OnDevice(
      scenetest::kMode8888, nullptr,
      [] {
        for (float unit : {-1.0f, 0.0f, std::nanf("")}) {
          Pond pond;
          pond.water->unitTrack->GetValues()[0] = unit;
          pond.Run();
          EXPECT_TRUE(pond.water->Draw()) << unit;
          EXPECT_EQ(pond.water->vertices, nullptr) << unit;
        }
        Pond none;
        delete none.water->unitTrack;
        none.water->unitTrack = nullptr;
        none.Run();
        EXPECT_FALSE(none.water->Draw());
        EXPECT_TRUE(none.viewer.Draw(0)) << "the render pass goes on";

        Pond pond;
        pond.water->amplitudeTrack->GetValues()[0] = 0.8f;
        pond.Run();
        ASSERT_TRUE(pond.water->Draw());
        const int n = 2 * pond.water->columns;
        const auto first = ReadVertices(*pond.water->vertices, n);
        ASSERT_TRUE(pond.water->Draw());
        const auto second = ReadVertices(*pond.water->vertices, n);
        EXPECT_EQ(pond.water->amplitude, 0.8f);
        for (int i = 0; i < n; ++i) ASSERT_EQ(first[i].position.z, second[i].position.z) << i;

        // A cell far too small for the region: the columns are capped.
        pond.water->unitTrack->GetValues()[0] = 1e-4f;
        ASSERT_TRUE(pond.water->Draw());
        EXPECT_LE(pond.water->columns, c3Dwatersurface::kMaxColumns + 2);
        EXPECT_LE(pond.water->rows, c3Dwatersurface::kMaxColumns + 2);
      },
      160, 120);
}

TEST(Water, ACopyHasItsOwnSplashes) {
  c3Dwatersurface water;
  water.unitTrack = Constant({2});
  t3Dwater_splash* splash = water.AddSplash();
  splash->height = Constant({7});
  splash->start = 3;
  std::unique_ptr<c3Dobject> copied(water.Duplicate());
  auto* copy = dynamic_cast<c3Dwatersurface*>(copied.get());
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->splashes.size(), 1u);
  EXPECT_NE(copy->splashes[0]->height, splash->height);
  copy->splashes[0]->Evaluate(0);
  EXPECT_EQ(copy->splashes[0]->h, 7);
  EXPECT_EQ(copy->splashes[0]->start, 3);
  EXPECT_NE(copy->unitTrack, water.unitTrack);
}

}  // namespace
