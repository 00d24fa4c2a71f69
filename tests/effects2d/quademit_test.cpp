// The sprite's quad emission: clipping to the viewport (convex and
// self-crossing quads), the gaussian grid and the distortion row, and the fans
// that reach the triangle batch.
#include "effects2d/quademit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "effects2d/fullscreenfx.h"
#include "tests/effects2d/fx_fixture.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/vertexarray.h"

namespace fxtest {
namespace {

using namespace VOXA2;
using effects2d::tClipBounds;
using effects2d::tEmission;
using effects2d::tSpriteVertex;

constexpr tClipBounds kBounds{0, 100, 0, 80};

struct Quad {
  tSpriteVertex v[4];
};

// Corners 1 to 4 with their fixed texture coordinates and a colour.
Quad MakeQuad(std::initializer_list<std::pair<float, float>> corners,
              std::uint32_t color = 0xFF102030) {
  static constexpr float u[4] = {0, 1, 1, 0}, v[4] = {0, 0, 1, 1};
  Quad q{};
  int i = 0;
  for (auto [x, y] : corners) {
    q.v[i] = {x, y, 0.0f, 0.5f, color, u[i], v[i]};
    i++;
  }
  return q;
}

using Polygon = std::vector<tSpriteVertex>;

std::vector<Polygon> Emit(const Quad& q, const tEmission& e, float screenWidth = 100) {
  std::vector<Polygon> out;
  effects2d::EmitQuad(q.v, e, screenWidth, kBounds,
                      [&](const tSpriteVertex* v, int n) { out.emplace_back(v, v + n); });
  return out;
}

struct ClipCase {
  const char* name;
  Quad quad;
  int count;                                      // vertices after clipping
  std::vector<std::pair<float, float>> expected;  // empty: only the count
};

TEST(SpriteClip, QuadsAgainstTheViewport) {
  const ClipCase cases[] = {
      {"inside",
       MakeQuad({{10, 10}, {50, 10}, {50, 40}, {10, 40}}),
       4,
       {{10, 10}, {50, 10}, {50, 40}, {10, 40}}},
      {"over the left edge",
       MakeQuad({{-20, 10}, {50, 10}, {50, 40}, {-20, 40}}),
       4,
       {{0, 10}, {50, 10}, {50, 40}, {0, 40}}},
      {"left of the viewport", MakeQuad({{-50, 10}, {-10, 10}, {-10, 40}, {-50, 40}}), 0, {}},
      {"below the viewport", MakeQuad({{10, 90}, {50, 90}, {50, 120}, {10, 120}}), 0, {}},
      {"wider than the viewport",
       MakeQuad({{-50, 10}, {150, 10}, {150, 40}, {-50, 40}}),
       4,
       {{0, 10}, {100, 10}, {100, 40}, {0, 40}}},
      // A diamond round the viewport crosses all four edges: 6, then 8.
      {"diamond", MakeQuad({{50, -40}, {130, 40}, {50, 120}, {-30, 40}}), 8, {}},
      // Self-crossing quads: two vertices from every edge of each slab.
      {"folded", MakeQuad({{-60, -60}, {120, 30}, {-60, -60}, {120, 120}}), 10, {}},
      {"zigzag", MakeQuad({{180, 20}, {-100, 120}, {160, -40}, {-80, 140}}), 11, {}},
      // "size (4, 4); rotate X 40;" on a 64 x 48 screen.
      {"tilted past its half height",
       MakeQuad({{-260.55f, -49.54f}, {324.55f, -49.54f}, {-4.55f, 97.54f}, {68.55f, 97.54f}}),
       6,
       {}},
  };
  for (const ClipCase& c : cases) {
    SCOPED_TRACE(c.name);
    tSpriteVertex out[effects2d::kMaxClipped];
    const int n = effects2d::ClipQuad(c.quad.v, kBounds, out);
    ASSERT_EQ(n, c.count);
    for (int i = 0; i < n; i++) {
      EXPECT_GE(out[i].x, kBounds.left);
      EXPECT_LE(out[i].x, kBounds.right);
      EXPECT_GE(out[i].y, kBounds.top);
      EXPECT_LE(out[i].y, kBounds.bottom);
      EXPECT_EQ(out[i].color, 0xFF102030u);
      EXPECT_EQ(out[i].rhw, 0.5f);
    }
    for (std::size_t i = 0; i < c.expected.size(); i++) {
      EXPECT_FLOAT_EQ(out[i].x, c.expected[i].first) << i;
      EXPECT_FLOAT_EQ(out[i].y, c.expected[i].second) << i;
    }
  }
}

// A crossing takes its texture coordinates from where it lies on the edge.
TEST(SpriteClip, CrossingsInterpolateTextureCoordinates) {
  const Quad q = MakeQuad({{-20, 10}, {50, 10}, {50, 40}, {-20, 40}});
  tSpriteVertex out[effects2d::kMaxClipped];
  ASSERT_EQ(effects2d::ClipQuad(q.v, kBounds, out), 4);
  EXPECT_FLOAT_EQ(out[0].u, 20.0f / 70.0f);
  EXPECT_FLOAT_EQ(out[0].v, 0.0f);
  EXPECT_FLOAT_EQ(out[3].u, 20.0f / 70.0f);
  EXPECT_FLOAT_EQ(out[3].v, 1.0f);
}

TEST(SpriteEmission, PlainQuadIsClippedAndSentOnce) {
  const auto fans = Emit(MakeQuad({{10, 10}, {50, 10}, {50, 40}, {10, 40}}), tEmission{});
  ASSERT_EQ(fans.size(), 1u);
  EXPECT_EQ(fans[0].size(), 4u);
  EXPECT_EQ(fans[0][0].color, 0xFF102030u);
}

// Grid copies row by row from (m, m) down to (-m, -m), shifted by (j, i) steps
// of step x screen width, with alpha trunc(exp(-(i^2 + j^2) / sigma^2) * 255 * e).
TEST(SpriteEmission, GaussianGridOffsetsAndWeights) {
  struct Case {
    int m;
    float width, alpha;
  } cases[] = {{1, 1.0f, 1.0f}, {2, 1.0f, 1.0f}, {1, 2.0f, 0.5f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m);
    tEmission e;
    e.alpha = c.alpha;
    e.gaussCount = c.m;
    e.gaussStep = 0.02f;  // 2 pixels on a 100-pixel screen
    e.gaussWidth = c.width;
    const auto fans = Emit(MakeQuad({{40, 30}, {60, 30}, {60, 50}, {40, 50}}), e);
    ASSERT_EQ(fans.size(), static_cast<std::size_t>((2 * c.m + 1) * (2 * c.m + 1)));
    std::size_t k = 0;
    for (int i = c.m; i >= -c.m; i--)
      for (int j = c.m; j >= -c.m; j--, k++) {
        const Polygon& p = fans[k];
        EXPECT_FLOAT_EQ(p[0].x, 40.0f + 2.0f * static_cast<float>(j));
        EXPECT_FLOAT_EQ(p[0].y, 30.0f + 2.0f * static_cast<float>(i));
        const double w = std::exp(-(i * i + j * j) / (c.width * c.width));
        EXPECT_EQ(p[0].color >> 24, static_cast<std::uint32_t>(w * 255 * c.alpha)) << i << j;
        EXPECT_EQ(p[0].color & 0xFFFFFF, 0x102030u);
      }
  }
}

TEST(SpriteEmission, GaussianCornerOfTheFiveByFiveGridWeighsExpMinusEight) {
  tEmission e;
  e.alpha = 1.0f;
  e.gaussCount = 2;
  e.gaussWidth = 1.0f;
  e.gaussStep = 0.0f;
  const auto fans = Emit(MakeQuad({{40, 30}, {60, 30}, {60, 50}, {40, 50}}), e);
  ASSERT_EQ(fans.size(), 25u);
  EXPECT_EQ(fans[0][0].color >> 24, static_cast<std::uint32_t>(std::exp(-8.0) * 255));
  EXPECT_EQ(fans[12][0].color >> 24, 255u);  // the centre copy keeps the pass alpha
}

TEST(SpriteEmission, AlphaZeroWithGaussianDrawsNothing) {
  tEmission e;
  e.alpha = 0.0f;
  e.gaussCount = 1;
  EXPECT_TRUE(Emit(MakeQuad({{40, 30}, {60, 30}, {60, 50}, {40, 50}}), e).empty());
  e.alpha = -0.0f;
  EXPECT_TRUE(Emit(MakeQuad({{40, 30}, {60, 30}, {60, 50}, {40, 50}}), e).empty());
}

// An alpha above 1 would wrap to a nearly transparent byte; it saturates.
TEST(SpriteEmission, AlphaAboveOneSaturates) {
  tEmission e;
  e.alpha = 1.01f;
  e.gaussCount = 1;
  e.gaussWidth = 1.0f;
  const auto fans = Emit(MakeQuad({{40, 30}, {60, 30}, {60, 50}, {40, 50}}), e);
  ASSERT_EQ(fans.size(), 9u);
  EXPECT_EQ(fans[4][0].color >> 24, 255u);
  EXPECT_EQ(effects2d::SaturatedByte(257.5f), 255u);
  EXPECT_EQ(effects2d::SaturatedByte(-3.0f), 0u);
  EXPECT_EQ(effects2d::SaturatedByte(127.9f), 127u);
}

TEST(SpriteEmission, DistortionRowFromMinusAmplitudeWithSharedAlpha) {
  struct Case {
    int n;
    float dx, dy;
    std::vector<std::pair<float, float>> offsets;
    std::uint32_t alpha;
  } cases[] = {
      {2, 10, 0, {{-10, 0}, {0, 0}}, 127},
      {1, 4, 6, {{-4, -6}}, 255},
      {4, 8, -4, {{-8, 4}, {-4, 2}, {0, 0}, {4, -2}}, 63},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    tEmission e;
    e.distortCount = c.n;
    e.distortX = c.dx;
    e.distortY = c.dy;
    const auto fans = Emit(MakeQuad({{40, 30}, {60, 30}, {60, 50}, {40, 50}}), e);
    ASSERT_EQ(fans.size(), c.offsets.size());
    for (std::size_t i = 0; i < fans.size(); i++) {
      EXPECT_FLOAT_EQ(fans[i][0].x, 40 + c.offsets[i].first);
      EXPECT_FLOAT_EQ(fans[i][0].y, 30 + c.offsets[i].second);
      EXPECT_EQ(fans[i][0].color >> 24, c.alpha);
    }
  }
}

class SpriteBatch : public FxTest {};

// Each fan takes the batch's next vertices and writes (b0, b0 + i - 1, b0 + i).
TEST_F(SpriteBatch, FansAroundTheFirstVertex) {
  OnDisplay(kModes[2], [&] {
    threedee::TriangleBatch* batch =
        threedee::CreateBatch(effects2d::ScreenVertexFormat(), 2048, 4096);
    const Quad q = MakeQuad({{10, 10}, {50, 10}, {50, 40}, {10, 40}});
    tSpriteVertex five[5] = {q.v[0], q.v[1], q.v[2], q.v[3], q.v[0]};
    five[4].x = 5;
    effects2d::AddFan(batch, q.v, 4);
    effects2d::AddFan(batch, five, 5);
    effects2d::AddFan(batch, five, 2);  // no triangle: nothing reserved
    ASSERT_EQ(batch->indexCount, 15);
    const std::vector<std::uint16_t> indices(batch->indexList, batch->indexList + 15);
    EXPECT_EQ(indices, (std::vector<std::uint16_t>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7, 4, 7, 8}));
    ASSERT_EQ(batch->pending, 9);
    const auto* stored = reinterpret_cast<const tSpriteVertex*>(batch->vertexArray->data);
    EXPECT_EQ(stored[2].x, 50.0f);
    EXPECT_EQ(stored[8].x, 5.0f);
    EXPECT_EQ(stored[3].u, 0.0f);
    EXPECT_EQ(stored[3].v, 1.0f);
    delete batch;
  });
}

}  // namespace
}  // namespace fxtest
