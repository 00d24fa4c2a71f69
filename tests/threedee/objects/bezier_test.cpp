// Bezier patches and spikes: tessellated vertices against a direct Bernstein
// evaluation, the strip order, the step cap, the default square's normals, the
// control net's tracks, and the spike's rings, twist, steps and materials.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "tests/threedee/scene/scene_device.h"
#include "tests/threedee/scene/track_makers.h"
#include "threedee/objects/spike.h"
#include "threedee/scene/material.h"

namespace {

using namespace VOXA2::threedee;
using scenetest::Constant;

double Bernstein(int k, double t) {
  static constexpr int kBinomial[4] = {1, 3, 3, 1};
  return kBinomial[k] * std::pow(t, k) * std::pow(1 - t, 3 - k);
}

// S(s, t): s runs over the rows, t over the columns.
Vector Surface(const Vector* net, double s, double t) {
  double out[3] = {0, 0, 0};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      const double w = Bernstein(r, s) * Bernstein(c, t);
      const Vector& p = net[r * 4 + c];
      out[0] += w * p.x, out[1] += w * p.y, out[2] += w * p.z;
    }
  return {float(out[0]), float(out[1]), float(out[2])};
}

const float* VertexPart(VertexArray* array, std::uint32_t offset, int vertex) {
  return reinterpret_cast<const float*>(array->data + array->pointer.stride * vertex + offset);
}

TEST(Bezier, EveryVertexIsTheSurfaceAtItsParameters) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(-2, 2);
    cMaterial material;
    for (int steps : {1, 2, 3, 8, 25}) {
      SCOPED_TRACE(steps);
      c3Dbeziersurface surface;
      surface.material = &material;
      surface.steps = steps;
      Vector net[16];
      for (Vector& p : net) p.Set(coordinate(random), coordinate(random), coordinate(random));
      surface.SetControlPoints(net);
      ASSERT_TRUE(surface.Update(0, 0, 0, 0));
      VertexArray* array = surface.vertexArray;
      ASSERT_NE(array, nullptr);
      ASSERT_TRUE(array->Lock(0));
      const int n = steps + 1;
      for (int i = 0; i <= steps; ++i)
        for (int j = 0; j <= steps; ++j) {
          const Vector expected = Surface(net, double(i) / steps, 1 - double(j) / steps);
          const float* p = VertexPart(array, array->pointer.position, i * n + j);
          EXPECT_NEAR(p[0], expected.x, 2e-4) << i << "," << j;
          EXPECT_NEAR(p[1], expected.y, 2e-4) << i << "," << j;
          EXPECT_NEAR(p[2], expected.z, 2e-4) << i << "," << j;
          const float* uv = VertexPart(array, array->pointer.textureCoords, i * n + j);
          EXPECT_NEAR(uv[0], float(i) / steps, 1e-6);
          EXPECT_NEAR(uv[1], float(j) / steps, 1e-6);
        }
      array->Unlock();
    }
  });
}

TEST(Bezier, StripsSnakeAcrossTheGridAndStepsStopAtAHundred) {
  cMaterial material;
  struct Row {
    int steps;
    std::vector<std::uint16_t> strip;
  };
  for (const Row& row : {Row{1, {1, 3, 0, 2}}, Row{2, {2, 5, 1, 4, 0, 3, 6, 4, 7, 5, 8}}}) {
    c3Dbeziersurface surface;
    surface.material = &material;
    surface.steps = row.steps;
    surface.Update(0, 0, 0, 0);
    EXPECT_EQ(std::vector<std::uint16_t>(surface.indexList.begin(), surface.indexList.begin() + surface.indexCount),
              row.strip);
  }
  c3Dbeziersurface big;
  big.material = &material;
  big.steps = 150;
  big.Update(0, 0, 0, 0);
  EXPECT_EQ(big.steps, 100);
  EXPECT_EQ(big.builtVertexCount, 10201);
  EXPECT_EQ(big.indexCount, 20101);
}

TEST(Bezier, DefaultSquareFacesUpAndBoundsItsNet) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    cMaterial material;
    c3Dbeziersurface surface;
    surface.material = &material;
    surface.steps = 4;
    surface.Update(0, 0, 0, 0);
    VertexArray* array = surface.vertexArray;
    ASSERT_TRUE(array && array->Lock(0));
    for (int k = 0; k < 25; ++k) {
      const float* normal = VertexPart(array, array->pointer.normal, k);
      EXPECT_EQ(normal[0], 0);
      EXPECT_EQ(normal[1], 0);
      EXPECT_FLOAT_EQ(normal[2], 1);
    }
    array->Unlock();
    EXPECT_EQ(surface.corners[0].x, -1);
    EXPECT_EQ(surface.corners[7].y, 1);
    EXPECT_FLOAT_EQ(surface.radius, std::sqrt(2.0f));
  });
}

TEST(Bezier, TracksSetAndMoveTheNet) {
  cMaterial material;
  // Without corners the offset adds up, update after update.
  c3Dbeziersurface drifting;
  drifting.material = &material;
  drifting.moveTracks[5] = Constant({0, 0, 1});
  for (int frame = 0; frame < 10; ++frame) drifting.Update(float(frame), 0, 0, 0);
  EXPECT_FLOAT_EQ(drifting.controlPoints[5].z, 10);

  // With corners each update starts from the flat net between them.
  c3Dbeziersurface stretched;
  stretched.material = &material;
  stretched.cornerTracks[0] = Constant({0, 0, 0});
  stretched.cornerTracks[1] = Constant({4, 0, 0});
  stretched.cornerTracks[2] = Constant({4, 4, 0});
  stretched.cornerTracks[3] = Constant({0, 4, 0});
  stretched.setTracks[15] = Constant({9, 9, 9});
  stretched.moveTracks[15] = Constant({0, 0, 1});
  stretched.moveTracks[5] = Constant({0, 0, 1});
  for (int frame = 0; frame < 3; ++frame) stretched.Update(float(frame), 0, 0, 0);
  EXPECT_FLOAT_EQ(stretched.controlPoints[15].z, 10);
  EXPECT_FLOAT_EQ(stretched.controlPoints[15].x, 9);
  EXPECT_FLOAT_EQ(stretched.controlPoints[5].z, 1);
  // P(2,1) a quarter along the first edge, P(1,2) at the quarter next to K4.
  EXPECT_FLOAT_EQ(stretched.controlPoints[c3Dbeziersurface::NetIndex(2, 1)].x, 1);
  EXPECT_FLOAT_EQ(stretched.controlPoints[c3Dbeziersurface::NetIndex(1, 2)].y, 3);

  // A copy carries the tracks and evaluates like its source.
  std::unique_ptr<c3Dobject> copy(stretched.Duplicate());
  auto* twin = dynamic_cast<c3Dbeziersurface*>(copy.get());
  ASSERT_NE(twin, nullptr);
  twin->Update(5, 0, 0, 0);
  stretched.Update(5, 0, 0, 0);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(twin->controlPoints[k].z, stretched.controlPoints[k].z) << k;
  ASSERT_EQ(twin->positions.size(), stretched.positions.size());

  // Without a material there is nothing to draw with: the net stays unused.
  c3Dbeziersurface bare;
  EXPECT_TRUE(bare.Update(0, 0, 0, 0));
  EXPECT_TRUE(bare.positions.empty());
  EXPECT_EQ(bare.indexCount, 0);
}

// ---- spikes

struct SpikeFixture {
  cMaterial material;
  c3Dspike spike;

  SpikeFixture() {
    spike.material = &material;
    spike.cornerTracks[0] = Constant({-1, -1, 0});
    spike.cornerTracks[1] = Constant({1, -1, 0});
    spike.cornerTracks[2] = Constant({1, 1, 0});
    spike.cornerTracks[3] = Constant({-1, 1, 0});
  }
  // The ring of a patch's control point: 0 centre, 1, 2, or 3 for the border.
  static int Ring(int x, int y) {
    if (x == 4 && y == 1) return 0;
    if ((x == 3 && y == 2) || (x == 4 && y == 2) || (x == 3 && y == 1)) return 1;
    if (x == 1 || y == 4) return 3;
    return 2;
  }
};

TEST(Spike, ProtrudeLiftsTheRingsAndVortexTurnsThem) {
  SpikeFixture lifted;
  lifted.spike.protrudeTrack = Constant({1});
  ASSERT_TRUE(lifted.spike.Update(0, 0, 0, 0));
  const float heights[4] = {1, 0.5f, -0.25f, 0};
  for (c3Dbeziersurface* patch : lifted.spike.patches)
    for (int y = 1; y <= 4; ++y)
      for (int x = 1; x <= 4; ++x)
        EXPECT_FLOAT_EQ(patch->controlPoints[c3Dbeziersurface::NetIndex(x, y)].z, heights[SpikeFixture::Ring(x, y)])
            << x << "," << y;

  SpikeFixture still, turned;
  turned.spike.vortexTrack = Constant({std::numbers::pi_v<float> / 2});
  still.spike.Update(0, 0, 0, 0);
  turned.spike.Update(0, 0, 0, 0);
  for (int p = 0; p < 4; ++p)
    for (int y = 1; y <= 4; ++y)
      for (int x = 1; x <= 4; ++x) {
        const int k = c3Dbeziersurface::NetIndex(x, y);
        const Vector& before = still.spike.patches[p]->controlPoints[k];
        const Vector& after = turned.spike.patches[p]->controlPoints[k];
        const int ring = SpikeFixture::Ring(x, y);
        // Ring 1 a quarter turn, (x, y) to (y, -x); ring 2 a half turn; the rest stay.
        const Vector expected = ring == 1   ? Vector(before.y, -before.x, before.z)
                                : ring == 2 ? Vector(-before.x, -before.y, before.z)
                                            : before;
        EXPECT_NEAR(after.x, expected.x, 1e-6) << p << ": " << x << "," << y;
        EXPECT_NEAR(after.y, expected.y, 1e-6) << p << ": " << x << "," << y;
      }
}

TEST(Spike, LayoutGivesThePatchesStepsPlacementAndMaterials) {
  const float angles[4] = {4.712389f, 3.1415927f, 1.5707964f, 0};
  const float offsets[4][2] = {{0, 0.5f}, {0, 0}, {0.5f, 0}, {0.5f, 0.5f}};
  SpikeFixture one;
  one.spike.steps = 6;
  one.spike.Update(0, 0, 0, 0);
  cMaterial quarter[4];
  SpikeFixture four;
  four.spike.fourMaterials = true;
  for (int p = 0; p < 4; ++p) four.spike.patchMaterials[p] = &quarter[p];
  four.spike.Update(0, 0, 0, 0);
  for (int p = 0; p < 4; ++p) {
    const c3Dbeziersurface* a = one.spike.patches[p];
    EXPECT_EQ(a->steps, 3);
    EXPECT_EQ(a->texAngle, angles[p]);
    EXPECT_EQ(a->texOffsetU, offsets[p][0]);
    EXPECT_EQ(a->texOffsetV, offsets[p][1]);
    EXPECT_EQ(a->texScaleU, 0.5f);
    EXPECT_EQ(a->material, &one.material);
    const c3Dbeziersurface* b = four.spike.patches[p];
    EXPECT_EQ(b->texAngle, angles[p]);
    EXPECT_EQ(b->texOffsetU, 0);
    EXPECT_EQ(b->texScaleV, 1);
    EXPECT_EQ(b->material, &quarter[p]);
  }
  // Patch 0 spans from the middle of the first edge to the centre and K1.
  const Vector* net = one.spike.patches[0]->controlPoints;
  EXPECT_EQ(net[c3Dbeziersurface::NetIndex(1, 1)].x, 0);
  EXPECT_EQ(net[c3Dbeziersurface::NetIndex(1, 1)].y, -1);
  EXPECT_EQ(net[c3Dbeziersurface::NetIndex(1, 4)].x, -1);
}

TEST(Spike, WithoutCornersOrMaterialTheTreeStillMoves) {
  cMaterial material;
  c3Dspike bare;  // no corner tracks: the unit square
  bare.material = &material;
  bare.protrudeTrack = Constant({2});
  bare.Update(0, 0, 0, 0);
  EXPECT_FLOAT_EQ(bare.patches[2]->controlPoints[c3Dbeziersurface::NetIndex(4, 1)].z, 2);
  EXPECT_FLOAT_EQ(bare.patches[2]->controlPoints[c3Dbeziersurface::NetIndex(1, 4)].x, 1);
  EXPECT_FLOAT_EQ(bare.patches[2]->controlPoints[c3Dbeziersurface::NetIndex(1, 4)].y, 1);

  // No material: the spike does not shape itself, but the object after it moves.
  c3Dspike unpainted;
  auto* after = new c3DStemporary;
  after->positionTrack = Constant({3, 0, 0});
  unpainted.nextSibling = after;
  unpainted.Update(0, 0, 0, 0);
  EXPECT_EQ(after->world.m[3], 3);
  EXPECT_FALSE(unpainted.laidOut);
}

}  // namespace
