// The blob surface's case tables against the rules they are made from, over
// all 256 corner patterns.
#include "threedee/objects/marchingcubes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <set>
#include <vector>

namespace {

using VOXA2::threedee::marching::CaseTables;
using Triangle = std::array<std::uint32_t, 3>;

int Start(std::uint32_t edge) {
  const auto& e = CaseTables().edges[edge];
  return static_cast<int>(e.dx + 2 * e.dy + 4 * e.dz);
}
int End(std::uint32_t edge) { return Start(edge) + (1 << CaseTables().edges[edge].axis); }

std::vector<Triangle> Row(int c) {
  std::vector<Triangle> out;
  const auto& row = CaseTables().triangles[c];
  for (std::uint32_t t = 0; t < CaseTables().triangleCount[c]; ++t)
    out.push_back({row[3 * t], row[3 * t + 1], row[3 * t + 2]});
  return out;
}

bool Joined(int inside) {
  int reached = inside & -inside;
  for (int round = 0; round < 8; ++round)
    for (int c = 0; c < 8; ++c)
      if (reached >> c & 1)
        for (int bit : {1, 2, 4})
          if (inside >> (c ^ bit) & 1) reached |= 1 << (c ^ bit);
  return reached == inside;
}

bool IsFace(int inside) {
  for (int axis = 0; axis < 3; ++axis)
    for (int side = 0; side < 2; ++side) {
      int face = 0;
      for (int c = 0; c < 8; ++c)
        if ((c >> axis & 1) == side) face |= 1 << c;
      if (face == inside) return true;
    }
  return false;
}

TEST(MarchingCubesTables, EdgeNumbering) {
  const std::uint32_t expected[12][4] = {{0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}, {0, 0, 1, 1},
                                         {1, 0, 0, 0}, {1, 1, 0, 0}, {1, 0, 0, 1}, {1, 1, 0, 1},
                                         {2, 0, 0, 0}, {2, 1, 0, 0}, {2, 0, 1, 0}, {2, 1, 1, 0}};
  for (int e = 0; e < 12; ++e) {
    const auto& edge = CaseTables().edges[e];
    EXPECT_EQ((std::array{edge.axis, edge.dx, edge.dy, edge.dz}),
              (std::array{expected[e][0], expected[e][1], expected[e][2], expected[e][3]}))
        << "edge " << e;
  }
}

TEST(MarchingCubesTables, EveryCaseFollowsTheRules) {
  const std::set<int> holes = {30,  45,  54,  57,  60,  75,  86,  89,  90,  99,  101,
                               102, 105, 106, 108, 120, 135, 147, 149, 150, 153, 154,
                               156, 165, 166, 169, 180, 195, 198, 201, 210, 225};
  for (int c = 0; c < 256; ++c) {
    SCOPED_TRACE("case " + std::to_string(c));
    const int k = std::popcount(static_cast<unsigned>(c));
    std::size_t expected = static_cast<std::size_t>(std::min(k, 8 - k));
    if (k == 4) expected = IsFace(c) ? 2 : Joined(c) ? 4 : 0;
    const std::vector<Triangle> row = Row(c);
    EXPECT_EQ(row.size(), expected);
    EXPECT_EQ(row.empty() && c != 0 && c != 255, holes.count(c) == 1);
    for (std::size_t i = 3 * row.size(); i < 12; ++i) EXPECT_EQ(CaseTables().triangles[c][i], 0u);

    for (const Triangle& t : row) {
      // Vertices at the edge midpoints, doubled; the normal must point along
      // the triangle's edges from their inside corners to their outside ones.
      int p[3][3], outward[3] = {};
      for (int v = 0; v < 3; ++v) {
        ASSERT_LT(t[v], 12u);
        const int s = Start(t[v]), e = End(t[v]);
        ASSERT_NE(c >> s & 1, c >> e & 1) << "edge " << t[v] << " is not crossed";
        for (int a = 0; a < 3; ++a) {
          p[v][a] = (s >> a & 1) + (e >> a & 1);
          outward[a] += ((c >> s & 1) ? 1 : -1) * ((e >> a & 1) - (s >> a & 1));
        }
      }
      const int u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
      const int w[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
      const int n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                        u[0] * w[1] - u[1] * w[0]};
      EXPECT_GT(n[0] * outward[0] + n[1] * outward[1] + n[2] * outward[2], 0)
          << "triangle " << t[0] << "," << t[1] << "," << t[2] << " faces inwards";
    }

    const std::vector<Triangle> other = Row(255 - c);
    ASSERT_EQ(other.size(), row.size());
    for (std::size_t i = 0; i < row.size(); ++i) {
      const Triangle turned = {row[i][2], row[i][1], row[i][0]};
      const Triangle& o = other[i];
      const bool rotation = o == turned || o == Triangle{turned[1], turned[2], turned[0]} ||
                            o == Triangle{turned[2], turned[0], turned[1]};
      EXPECT_TRUE(rotation) << "triangle " << i << " of the complement";
    }
  }
}

TEST(MarchingCubesTables, TellingRows) {
  const std::vector<std::pair<int, std::vector<Triangle>>> rows = {
      {1, {{0, 4, 8}}},
      {2, {{0, 9, 5}}},
      {3, {{4, 9, 5}, {4, 8, 9}}},
      {6, {{0, 9, 5}, {1, 10, 4}}},
      {7, {{1, 10, 8}, {1, 8, 5}, {5, 8, 9}}},
      {15, {{9, 11, 10}, {8, 9, 10}}},
      {23, {{5, 1, 9}, {6, 2, 10}, {2, 1, 10}, {9, 1, 2}}},
      {30, {}},
      {60, {}},
      {105, {}},
      {127, {{3, 7, 11}}},
      {128, {{3, 11, 7}}},
      {254, {{0, 8, 4}}},
  };
  for (const auto& [c, triangles] : rows) EXPECT_EQ(Row(c), triangles) << "case " << c;
}

}  // namespace
