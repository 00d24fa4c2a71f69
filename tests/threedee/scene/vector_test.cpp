#include "threedee/scene/vector.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using VOXA2::threedee::cPlane;
using VOXA2::threedee::Vector;

constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

TEST(Vector, NormalizeLeavesZeroAndUnitLengthAlone) {
  struct Case {
    Vector in, out;
  } cases[] = {
      {{0, 0, 0}, {0, 0, 0}},
      {{0, 1, 0}, {0, 1, 0}},
      {{3, 4, 0}, {0.6f, 0.8f, 0}},
      {{0, 0, -2}, {0, 0, -1}},
  };
  for (const Case& c : cases) {
    Vector v = c.in;
    v.Normalize();
    EXPECT_FLOAT_EQ(v.x, c.out.x);
    EXPECT_FLOAT_EQ(v.y, c.out.y);
    EXPECT_FLOAT_EQ(v.z, c.out.z);
  }
}

void ExpectPlane(const cPlane& p, float a, float b, float c, float d) {
  EXPECT_NEAR(p.a, a, 1e-6);
  EXPECT_NEAR(p.b, b, 1e-6);
  EXPECT_NEAR(p.c, c, 1e-6);
  EXPECT_NEAR(p.d, d, 1e-5);
}

TEST(Plane, IdentityGivesUnitNormalAndMatchingOffset) {
  cPlane p(0, 0, 2, -4);  // z = 2
  p.Transform(kIdentity, kIdentity);
  ExpectPlane(p, 0, 0, 1, -2);
}

TEST(Plane, TranslationMovesTheOffsetOnly) {
  const float t[3] = {3, -1, 5};
  const float m[16] = {1, 0, 0, t[0], 0, 1, 0, t[1], 0, 0, 1, t[2], 0, 0, 0, 1};
  const float n[3] = {0.6f, 0, 0.8f};
  cPlane p(n[0], n[1], n[2], 7);
  p.Transform(m, kIdentity);
  ExpectPlane(p, n[0], n[1], n[2], 7 - (n[0] * t[0] + n[1] * t[1] + n[2] * t[2]));
}

TEST(Plane, RotationTurnsTheNormalAndKeepsTheOffset) {
  const double angle = 37.0 * M_PI / 180.0;
  const float c = static_cast<float>(std::cos(angle)), s = static_cast<float>(std::sin(angle));
  // A rotation about z; its inverse transpose is itself.
  const float r[16] = {c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  cPlane p(1, 0, 0, -3);  // x = 3
  p.Transform(r, r);
  ExpectPlane(p, c, s, 0, -3);
  // The plane's point (3, 0, 0) lands on the turned plane.
  EXPECT_NEAR(p.a * 3 * c + p.b * 3 * s + p.d, 0, 1e-5);
}

}  // namespace
