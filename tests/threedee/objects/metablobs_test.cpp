// Metaballs on the headless device: a single blob gives a closed sphere of the
// expected radius facing out; empty and degenerate fields; random fields and
// oversized surfaces never leave their buffers; copies keep their blobs.
#include "threedee/objects/metablobs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

#include "foundation/random.h"
#include "tests/threedee/objects/object_support.h"
#include "tests/threedee/scene/scene_device.h"
#include "tests/threedee/scene/scene_viewer.h"
#include "tests/threedee/scene/track_makers.h"
#include "threedee/scene/material.h"

namespace {

using namespace VOXA2::threedee;
using objecttest::ReadVertices;
using scenetest::Constant;

struct Blobs {
  c3Dscene scene;
  c3Dmetablobs* blobs = new c3Dmetablobs;
  scenetest::SceneViewer viewer{scene};

  explicit Blobs(int detail, float threshold = 1.0f) {
    auto* material = new cMaterial;
    material->SetName("gel");
    material->diffuse = material->ambient = 0xFF40A0E0u;
    scene.AddMaterial(material);
    blobs->SetName("gel");
    blobs->material = material;
    blobs->detailX = blobs->detailY = blobs->detailZ = detail;
    blobs->threshold = threshold;
  }
  void Add(Vector at, float weight) {
    c3Dmetablobs::tBlob* blob = blobs->AddBlob();
    blob->position = Constant({at.x, at.y, at.z});
    blob->strength = Constant({weight});
  }
  // The reader's closing step, then one frame.
  void Run(float frame = 0) {
    blobs->AllocateGrid();
    auto objects = objecttest::Lights();
    objects.insert(objects.begin(), blobs);
    objecttest::Link(scene, objects);
    viewer.Use();
    ASSERT_TRUE(viewer.Frame(frame));
  }
  std::vector<objecttest::tVertex> Vertices() const {
    return ReadVertices(*blobs->vertexArray, blobs->vertexCount);
  }
};

TEST(Metablobs, OneBlobIsAClosedSphereFacingOut) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    Blobs b(30);
    const float weight = 4.0f, radius = 2.0f;
    b.Add({0, 0, 0}, weight);
    b.blobs->positionTrack = Constant({0, 0, 8});
    b.Run();
    c3Dmetablobs& m = *b.blobs;
    ASSERT_FALSE(m.hidden);
    ASSERT_GT(m.indexCount, 0);
    const float cell = 8.0f / 30;

    std::map<std::pair<int, int>, int> edges;
    for (int i = 0; i < m.indexCount; i += 3)
      for (int k = 0; k < 3; ++k) {
        const int a = m.indices[i + k], c = m.indices[i + (k + 1) % 3];
        ++edges[{std::min(a, c), std::max(a, c)}];
      }
    for (const auto& [edge, uses] : edges)
      ASSERT_EQ(uses, 2) << "edge " << edge.first << "-" << edge.second;

    for (const objecttest::tVertex& v : b.Vertices()) {
      const float r = std::sqrt(v.position.Dot(v.position));
      EXPECT_NEAR(r, radius, 0.1f * cell);
      EXPECT_GT(v.normal.Dot(v.position), 0.0f);
      EXPECT_NEAR(v.normal.Dot(v.normal), 1.0f, 1e-4f);
      EXPECT_FLOAT_EQ(v.u, (v.normal.x + 1) * 0.5f);
      EXPECT_FLOAT_EQ(v.v, (v.normal.y + 1) * 0.5f);
    }
    for (int axis = 0; axis < 3; ++axis) {
      const float low[3] = {m.corners[0].x, m.corners[0].y, m.corners[0].z};
      const float high[3] = {m.corners[7].x, m.corners[7].y, m.corners[7].z};
      EXPECT_NEAR(low[axis], -radius, 0.1f * cell);
      EXPECT_NEAR(high[axis], radius, 0.1f * cell);
    }

    // Seen from the origin along +z, lit from the camera.
    c3Dcamera camera;
    camera.nearPlane = 1;
    b.viewer.Camera(camera);
    ASSERT_TRUE(b.viewer.Draw(0x000000));
    EXPECT_NE(objecttest::PixelAt(32, 24), 0u) << "the sphere covers the middle";
    EXPECT_EQ(objecttest::PixelAt(2, 2), 0u) << "and not the corner";
    objecttest::MaybeWritePng("metablobs_sphere");
  });
}

TEST(Metablobs, EmptyAndDegenerateFields) {
  struct Case {
    const char* what;
    int detail;
    float threshold;
    int blobs;  // one of weight 1 at the origin, a grid point
    bool hidden;
  };
  const Case cases[] = {
      {"no blobs: everything outside", 30, 1.0f, 0, true},
      {"threshold 0, no blobs: -0 counts as outside", 30, 0.0f, 0, true},
      {"negative threshold: everything inside, nothing crossed", 30, -1.0f, 0, true},
      {"a blob on a grid point", 4, 0.6f, 1, false},
  };
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      Blobs b(c.detail, c.threshold);
      b.blobs->gridMin.Set(-2, -2, -2);
      b.blobs->gridMax.Set(2, 2, 2);
      if (c.blobs) {
        b.Add({0, 0, 0}, 1.0f);
        b.Add({1, 1, 1}, 0.0f);  // no weight, also on a grid point
      }
      b.Run();
      EXPECT_EQ(b.blobs->hidden, c.hidden);
      if (c.hidden) {
        EXPECT_EQ(b.blobs->vertexCount, 0);
        EXPECT_EQ(b.blobs->radius, 0.0f);
        for (const Vector& corner : b.blobs->corners) EXPECT_EQ(corner.Dot(corner), 0.0f);
        if (c.threshold == 0.0f) {
          for (std::uint8_t flag : b.blobs->insideFlags) ASSERT_EQ(flag, 0);
        }
      }
      for (const objecttest::tVertex& v : b.Vertices()) {
        ASSERT_TRUE(std::isfinite(v.position.Dot(v.position)));
        ASSERT_TRUE(std::isfinite(v.normal.Dot(v.normal)));
      }
    }
    Blobs small(2);
    small.Run();
    EXPECT_EQ(small.blobs->pointCount, 27);
  });
}

// Every index names a written vertex, and the indices stay in their list.
void ExpectIndicesInside(const c3Dmetablobs& m) {
  ASSERT_LE(m.indexCount, static_cast<int>(m.indices.size()));
  ASSERT_LE(m.vertexCount, c3Dmetablobs::kMaxVertices);
  for (int i = 0; i < m.indexCount; ++i) ASSERT_LT(m.indices[i], m.vertexCount);
}

TEST(Metablobs, RandomFieldsStayInsideTheirBuffers) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    VOXA2::SetRandState(7);
    auto r = [] { return static_cast<float>(VOXA2::Rand()) / VOXA2::kRandMax; };
    for (int detail : {2, 3, 7, 16}) {
      SCOPED_TRACE(detail);
      Blobs b(detail, 2.0f);
      for (int i = 0; i < 60; ++i) b.Add({8 * r() - 4, 8 * r() - 4, 8 * r() - 4}, 0.05f + r());
      b.Run();
      ExpectIndicesInside(*b.blobs);
    }
  });

  // A field inside and outside at random: every cell case, up to twelve
  // indices a cell, and far more crossed edges than 16-bit indices reach.
  const auto lines = scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    Blobs b(64);
    b.Run();
    c3Dmetablobs& m = *b.blobs;
    VOXA2::SetRandState(11);
    for (int frame = 0; frame < 2; ++frame) {
      for (int p = 0; p < m.pointCount; ++p) {
        m.potentials[p] = static_cast<float>(VOXA2::Rand() - 16384) / 16384.0f;
        m.insideFlags[p] = std::signbit(m.potentials[p]) ? 0 : 0xFF;
      }
      m.Extract();
      EXPECT_EQ(m.vertexCount, c3Dmetablobs::kMaxVertices);
      ExpectIndicesInside(m);
    }
  });
  const std::string told =
      "The metablobs \"gel\" need more than 65536 vertices: the rest of the surface is left out";
  EXPECT_EQ(std::count(lines.begin(), lines.end(), told), 1);
}

TEST(Metablobs, ACopyKeepsItsBlobsAndGrid) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    Blobs b(12);
    b.Add({1, 0, 0}, 1.0f);
    b.Add({-1, 0, 0}, 1.0f);
    b.blobs->thresholdTrack = Constant({0.8f});
    b.Run();
    std::unique_ptr<c3Dobject> copy(b.blobs->Duplicate());
    auto* blobs = dynamic_cast<c3Dmetablobs*>(copy.get());
    ASSERT_NE(blobs, nullptr);
    ASSERT_TRUE(blobs->Update(0, 0, 0, 0));
    EXPECT_EQ(blobs->blobs.size(), 2u);
    EXPECT_EQ(blobs->vertexCount, b.blobs->vertexCount);
    EXPECT_EQ(blobs->indexCount, b.blobs->indexCount);
    EXPECT_EQ(blobs->threshold, 0.8f);
  });
}

}  // namespace
