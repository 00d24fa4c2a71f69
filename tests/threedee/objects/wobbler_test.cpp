// The wobbler on meshes built here: which vertices move and how far, which
// meshes it reaches, the order of two wobblers, bounds and lighting after the
// waves, and copies that keep their waves.
#include "threedee/objects/wobbler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "tests/threedee/objects/object_support.h"
#include "tests/threedee/scene/scene_device.h"
#include "tests/threedee/scene/scene_viewer.h"
#include "tests/threedee/scene/track_makers.h"
#include "threedee/objects/tree.h"
#include "threedee/scene/material.h"

namespace {

using namespace VOXA2::threedee;
using objecttest::Positions;
using scenetest::Constant;

// A wall of n × n vertices across x (-40..40) and z (-80..20) at y = 0, two
// triangles a square.
c3DSmesh* Wall(cMaterial* material, const char* name, int n = 21) {
  std::vector<Vector> points;
  for (int row = 0; row < n; ++row)
    for (int col = 0; col < n; ++col)
      points.emplace_back(-40 + 80.0f * col / (n - 1), 0, -80 + 100.0f * row / (n - 1));
  std::vector<std::uint16_t> indices;
  for (int row = 0; row + 1 < n; ++row)
    for (int col = 0; col + 1 < n; ++col) {
      const int a = row * n + col;
      for (int i : {a, a + 1, a + n, a + 1, a + n + 1, a + n})
        indices.push_back(static_cast<std::uint16_t>(i));
    }
  return objecttest::MeshOfPoints(name, points, indices, {0, -1, 0}, material);
}

struct Waves {
  float intensity = 25, fade = 50, time = 0, tm = 0.1f, wm = 0.01f;
  // The three chained waves at a point of a mesh at the world origin, with
  // the plane z = 0 and unit matrices.
  Vector Apply(Vector p) const {
    if (p.z >= 0) return p;
    const float a = intensity * std::min(1.0f, -p.z / fade), phase = time * tm;
    p.x += a * std::sin(wm * (p.y + p.z) + phase);
    p.y += a * std::sin(wm * (p.x + p.z) + phase);
    p.z += a * std::sin(wm * (p.x + p.y) + phase);
    return p;
  }
};

struct Stage {
  c3Dscene scene;
  cMaterial* material = new cMaterial;
  scenetest::SceneViewer viewer{scene};
  Stage() {
    material->SetName("wall");
    material->twoSided = true;
    scene.AddMaterial(material);
  }
  void Run(std::vector<c3Dobject*> objects, float frame) {
    objecttest::Link(scene, std::move(objects));
    viewer.Use();
    ASSERT_TRUE(viewer.Frame(frame));
  }
};

void ExpectNear(const Vector& a, const Vector& b, float tolerance, const std::string& what) {
  EXPECT_NEAR(a.x, b.x, tolerance) << what;
  EXPECT_NEAR(a.y, b.y, tolerance) << what;
  EXPECT_NEAR(a.z, b.z, tolerance) << what;
}

TEST(Wobbler, MovesWhatLiesBelowItsPlaneFadingIn) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    Stage stage;
    c3DSmesh* wall = Wall(stage.material, "wall");
    const std::vector<Vector> rest = wall->parts[0]->meshes[0]->originals;
    auto* wobbler = new c3Dwobbler;
    stage.Run({wobbler, wall}, 3);
    const std::vector<Vector> moved = Positions(*wall);
    Waves waves;
    waves.time = 3;
    for (std::size_t i = 0; i < rest.size(); ++i) {
      const Vector& p = rest[i];
      const float full = 25 * std::min(1.0f, std::max(0.0f, -p.z / 50));
      EXPECT_LE(std::fabs(moved[i].x - p.x), full + 1e-3f);
      EXPECT_LE(std::fabs(moved[i].y - p.y), full + 1e-3f);
      EXPECT_LE(std::fabs(moved[i].z - p.z), full + 1e-3f);
      ExpectNear(moved[i], waves.Apply(p), 1e-3f, "vertex " + std::to_string(i));
      if (p.z >= 0) {
        EXPECT_EQ(moved[i].Dot(moved[i]), p.Dot(p)) << "on or above the plane";
      }
    }
    EXPECT_TRUE(wall->boundsDirty);
  });
}

TEST(Wobbler, ReachesListedMeshesOrEveryMeshOfTheScene) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    for (bool listed : {false, true}) {
      SCOPED_TRACE(listed ? "one listed mesh" : "an empty list");
      Stage stage;
      c3DSmesh* first = Wall(stage.material, "first");
      c3DSmesh* child = Wall(stage.material, "child");
      auto* holder = new c3DStemporary;
      holder->firstChild = child;
      child->parent = holder;
      auto* wobbler = new c3Dwobbler;
      if (listed) wobbler->objectList = {first};
      stage.Run({wobbler, first, holder}, 1);
      const auto rest = first->parts[0]->meshes[0]->originals;
      const auto a = Positions(*first), b = Positions(*child);
      EXPECT_NE(a[0].x, rest[0].x);
      EXPECT_EQ(b[0].x != rest[0].x, !listed);
    }
  });
}

TEST(Wobbler, TheLaterSiblingWavesFirst) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    Stage stage;
    c3DSmesh* wall = Wall(stage.material, "wall", 5);
    const auto rest = wall->parts[0]->meshes[0]->originals;
    auto* earlier = new c3Dwobbler;
    earlier->intensityTrack = Constant({10});
    earlier->waveMultiplyerTrack = Constant({0.05f});
    auto* later = new c3Dwobbler;
    later->intensityTrack = Constant({6});
    later->timeMultiplyerTrack = Constant({0.3f});
    later->fadeAreaTrack = Constant({0});
    stage.Run({earlier, later, wall}, 2);
    Waves first, second;
    first.intensity = 6, first.tm = 0.3f, first.fade = 0, first.time = 2;
    second.intensity = 10, second.wm = 0.05f, second.time = 2;
    const auto moved = Positions(*wall);
    for (std::size_t i = 0; i < rest.size(); ++i)
      ExpectNear(moved[i], second.Apply(first.Apply(rest[i])), 1e-3f, std::to_string(i));
  });
}

TEST(Wobbler, DeformedMeshesAreReLitAndGrowTheirBounds) {
  std::vector<std::uint32_t> pictures[2];
  float thickness[2] = {};  // the wall's extent across itself
  for (int deformed = 0; deformed < 2; ++deformed)
    scenetest::OnDevice(
        scenetest::kMode8888, nullptr,
        [&] {
          Stage stage;
          c3DSmesh* wall = Wall(stage.material, "wall");
          wall->positionTrack = Constant({0, 10, 120});
          wall->rotationTrack = scenetest::Turn(1, 0, 0, -1.2f);
          auto* wobbler = new c3Dwobbler;
          wobbler->positionTrack = Constant({0, 10, 120});
          wobbler->rotationTrack = scenetest::Turn(1, 0, 0, -1.2f);
          wobbler->intensityTrack = Constant({deformed ? 6.0f : 0.0f});
          wobbler->waveMultiplyerTrack = Constant({0.1f});
          auto objects = objecttest::Lights();
          objects.insert(objects.begin(), {wobbler, wall});
          stage.Run(objects, 5);
          wall->RecomputeBounds();
          thickness[deformed] = wall->corners[7].y - wall->corners[0].y;
          c3Dcamera camera;
          camera.nearPlane = 1;
          stage.viewer.Camera(camera);
          ASSERT_TRUE(stage.viewer.Draw(0x000000));
          for (int y = 0; y < 120; y += 3)
            for (int x = 0; x < 160; x += 3)
              pictures[deformed].push_back(objecttest::PixelAt(x, y));
          objecttest::MaybeWritePng(deformed ? "wobbler" : "wobbler_still");
        },
        160, 120);
  EXPECT_NE(pictures[0], pictures[1]);
  EXPECT_EQ(thickness[0], 0.0f);
  EXPECT_GT(thickness[1], 1.0f);
}

TEST(Wobbler, ACopyKeepsItsWaves) {
  c3Dwobbler wobbler;
  wobbler.intensityTrack = Constant({3});
  wobbler.fadeAreaTrack = Constant({4});
  wobbler.timeMultiplyerTrack = Constant({5});
  wobbler.waveMultiplyerTrack = Constant({6});
  std::unique_ptr<c3Dobject> copied(wobbler.Duplicate());
  auto* copy = dynamic_cast<c3Dwobbler*>(copied.get());
  ASSERT_NE(copy, nullptr);
  float expected = 3;
  for (VOXA2::cView3Di_position* track : {copy->intensityTrack, copy->fadeAreaTrack,
                                          copy->timeMultiplyerTrack, copy->waveMultiplyerTrack}) {
    ASSERT_NE(track, nullptr);
    EXPECT_NE(track, wobbler.intensityTrack);
    track->Evaluate(0);
    EXPECT_EQ(track->GetValues()[0], expected++);
  }
}

}  // namespace
