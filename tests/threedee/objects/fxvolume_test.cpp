// Convex volumes: the cut of one polygon by a plane case by case, the planes
// of a box, intersections of boxes and cones under random placements against
// a brute-force oracle (a point lies inside the result exactly when it lies
// inside both inputs), and the view volumes' corners projected back onto the
// corners of clip space.
#include "threedee/objects/fxvolume.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using namespace VOXA2::threedee;

c3DFXVCpolygon Polygon(std::initializer_list<Vector> corners, Vector normal = {0, 0, 1},
                       float d = 0) {
  c3DFXVCpolygon p;
  p.vertices = corners;
  p.normal = normal;
  p.distance = d;
  return p;
}

void ExpectVertices(const c3DFXVCpolygon* p, const std::vector<Vector>& expected) {
  ASSERT_NE(p, nullptr);
  ASSERT_EQ(p->vertices.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_FLOAT_EQ(p->vertices[i].x, expected[i].x) << i;
    EXPECT_FLOAT_EQ(p->vertices[i].y, expected[i].y) << i;
    EXPECT_FLOAT_EQ(p->vertices[i].z, expected[i].z) << i;
  }
}

TEST(FXVolume, ClipCasesFollowTheEdgeWalk) {
  const c3DFXVCpolygon square = Polygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  struct Row {
    const char* what;
    c3DFXVCpolygon polygon;
    float planeX;  // the cutter is the plane x = planeX, normal +x
    bool keepPositive;
    std::vector<Vector> expected;  // empty: nothing left
  };
  const Row rows[] = {
      {"wholly kept", square, 2, false, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}},
      {"wholly cut", square, -1, false, {}},
      {"half kept", square, 0.5f, false, {{0, 0, 0}, {0.5f, 0, 0}, {0.5f, 1, 0}, {0, 1, 0}}},
      {"other half", square, 0.5f, true, {{0.5f, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0.5f, 1, 0}}},
      {"closing edge crosses first",
       Polygon({{1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 0}}),
       0.5f,
       false,
       {{0.5f, 0, 0}, {0.5f, 1, 0}, {0, 1, 0}, {0, 0, 0}}},
      // B lies on the plane after a kept vertex and stays; C lies on it after
      // B and goes; D is kept-side but follows C on the plane, and goes too.
      {"vertices on the plane",
       Polygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {-1, 0.5f, 0}}),
       1,
       false,
       {{0, 0, 0}, {1, 0, 0}, {-1, 0.5f, 0}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    c3DFXVCpolygon cutter = Polygon({}, {1, 0, 0}, -row.planeX);
    c3DFXVCpolygon source = row.polygon;
    source.normal.Set(0, 0, 7);
    source.distance = 3;
    source.inverted = true;
    std::unique_ptr<c3DFXVCpolygon> cut(source.Clip(cutter, row.keepPositive));
    if (row.expected.empty()) {
      EXPECT_EQ(cut, nullptr);
      continue;
    }
    ExpectVertices(cut.get(), row.expected);
    EXPECT_EQ(cut->normal.z, 7);
    EXPECT_EQ(cut->distance, 3);
    EXPECT_TRUE(cut->inverted);
    ExpectVertices(&source, row.polygon.vertices);
  }
}

TEST(FXVolume, BoxFacesCarryOutwardPlanesAndBound) {
  c3DFXVolume box;
  box.BuildBox(1, 2, 3);
  const float expected[6][4] = {{0, 0, 1, -3},  {0, 0, -1, -3}, {0, 1, 0, -2},
                                {0, -1, 0, -2}, {1, 0, 0, -1},  {-1, 0, 0, -1}};
  ASSERT_EQ(box.polygons.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    const c3DFXVCpolygon* p = box.polygons[i];
    EXPECT_FLOAT_EQ(p->normal.x, expected[i][0]) << i;
    EXPECT_FLOAT_EQ(p->normal.y, expected[i][1]) << i;
    EXPECT_FLOAT_EQ(p->normal.z, expected[i][2]) << i;
    EXPECT_FLOAT_EQ(p->distance, expected[i][3]) << i;
  }
  Vector low, high;
  ASSERT_TRUE(box.GetBoundingBox(low, high));
  EXPECT_EQ(low.x, -1);
  EXPECT_EQ(low.y, -2);
  EXPECT_EQ(low.z, -3);
  EXPECT_EQ(high.x, 1);
  EXPECT_EQ(high.y, 2);
  EXPECT_EQ(high.z, 3);

  c3DFXVolume empty;
  EXPECT_FALSE(empty.GetBoundingBox(low, high));
  EXPECT_FALSE(empty.Transform(nullptr));
  EXPECT_FALSE(empty.BuildFrustum(nullptr));
  EXPECT_FALSE(empty.BuildFromMesh(nullptr));
}

// ---- the oracle

Matrix4 RandomPlacement(std::mt19937& random) {
  std::uniform_real_distribution<float> angle(0, 6.2831853f), offset(-0.6f, 0.6f), scale(0.5f, 2);
  const float a = angle(random), b = angle(random), s = scale(random);
  const float ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
  // Rz(a) · Rx(b) · s, then a translation: orientation is kept, so outward stays outward.
  return Matrix4{{s * ca, -s * sa * cb, s * sa * sb, offset(random), s * sa, s * ca * cb,
                  -s * ca * sb, offset(random), 0, s * sb, s * cb, offset(random), 0, 0, 0, 1}};
}

void BuildRandom(c3DFXVolume& volume, std::mt19937& random, bool cone) {
  std::uniform_real_distribution<float> size(0.3f, 1.5f);
  if (cone) {
    volume.BuildCone(3 + static_cast<int>(random() % 6), size(random));
  } else {
    volume.BuildBox(size(random), size(random), size(random));
  }
  const Matrix4 m = RandomPlacement(random);
  volume.Transform(&m);
}

// Inside every plane (outward normals); false when a plane passes within margin.
bool Inside(const c3DFXVolume& volume, const Vector& p, bool& nearFace, float margin) {
  bool inside = !volume.polygons.empty();
  for (const c3DFXVCpolygon* face : volume.polygons) {
    const float s = face->Side(p);
    if (std::fabs(s) < margin) nearFace = true;
    if (s > 0) inside = false;
  }
  return inside;
}

TEST(FXVolume, IntersectionHoldsExactlyThePointsInsideBoth) {
  std::mt19937 random(2024);
  std::uniform_real_distribution<float> coordinate(-1.5f, 1.5f);
  int checked = 0, insideBoth = 0;
  for (int trial = 0; trial < 60; ++trial) {
    c3DFXVolume a, b;
    BuildRandom(a, random, trial % 3 == 1);
    BuildRandom(b, random, trial % 3 == 2);
    c3DFXVolume result;
    BuildRandom(result, random, false);
    result.Clear();
    for (const c3DFXVCpolygon* face : a.polygons) {
      auto* copy = new c3DFXVCpolygon(*face);
      result.polygons.push_back(copy);
    }
    result.Intersect(b);
    for (const c3DFXVCpolygon* face : result.polygons) ASSERT_GE(face->vertices.size(), 3u);
    for (int k = 0; k < 400; ++k) {
      const Vector p(coordinate(random), coordinate(random), coordinate(random));
      bool nearFace = false;
      const bool inA = Inside(a, p, nearFace, 1e-3f);
      const bool inB = Inside(b, p, nearFace, 1e-3f);
      if (nearFace) continue;
      const bool inResult = Inside(result, p, nearFace, 0);
      EXPECT_EQ(inResult, inA && inB)
          << "trial " << trial << " at " << p.x << ", " << p.y << ", " << p.z;
      ++checked;
      insideBoth += inA && inB;
    }
    // Every vertex of the result lies in both inputs.
    for (const c3DFXVCpolygon* face : result.polygons)
      for (const Vector& v : face->vertices)
        for (const c3DFXVolume* input : {&a, &b})
          for (const c3DFXVCpolygon* plane : input->polygons) EXPECT_LE(plane->Side(v), 1e-3f);
  }
  EXPECT_GT(insideBoth, checked / 50);
}

TEST(FXVolume, BoxOverlapBoundsTheCommonPart) {
  c3DFXVolume a, b;
  a.BuildBox(1, 1, 1);
  b.BuildBox(1, 2, 0.5f);
  const Matrix4 shift{{1, 0, 0, 0.5f, 0, 1, 0, -1.5f, 0, 0, 1, 0.25f, 0, 0, 0, 1}};
  b.Transform(&shift);
  a.Intersect(b);
  Vector low, high;
  ASSERT_TRUE(a.GetBoundingBox(low, high));
  EXPECT_NEAR(low.x, -0.5f, 1e-5);
  EXPECT_NEAR(high.x, 1, 1e-5);
  EXPECT_NEAR(low.y, -1, 1e-5);
  EXPECT_NEAR(high.y, 0.5f, 1e-5);
  EXPECT_NEAR(low.z, -0.25f, 1e-5);
  EXPECT_NEAR(high.z, 0.75f, 1e-5);

  // Apart: nothing is left.
  const Matrix4 away{{1, 0, 0, 5, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
  c3DFXVolume c, d;
  c.BuildBox(1, 1, 1);
  d.BuildBox(1, 1, 1);
  d.Transform(&away);
  c.Intersect(d);
  EXPECT_TRUE(c.polygons.empty());
  EXPECT_FALSE(c.GetBoundingBox(low, high));
}

// ---- view volumes

tFXView Camera(float nearPlane, float farPlane) {
  tFXView view;
  const float c = 1.0f, q = farPlane / (farPlane - nearPlane);
  view.projection = Matrix4{{c, 0, 0, 0, 0, -c * 4 / 3, 0, 0, 0, 0, q, -nearPlane * q, 0, 0, 1, 0}};
  const float a = 0.4f, ca = std::cos(a), sa = std::sin(a);
  view.view = Matrix4{{ca, 0, -sa, 1, 0, 1, 0, -2, sa, 0, ca, 3, 0, 0, 0, 1}};
  return view;
}

TEST(FXVolume, ViewVolumeCornersProjectOntoClipSpaceCorners) {
  const tFXView view = Camera(1, 100);
  c3DFXVolume frustum, caps, clip;
  ASSERT_TRUE(frustum.BuildFrustum(&view));
  ASSERT_TRUE(caps.BuildFrustumCaps(&view));
  ASSERT_TRUE(clip.BuildClipFrustum(&view));
  ASSERT_EQ(frustum.polygons.size(), 6u);
  ASSERT_EQ(caps.polygons.size(), 2u);
  ASSERT_EQ(clip.polygons.size(), 6u);
  for (const c3DFXVolume* volume : {&frustum, &caps})
    for (const c3DFXVCpolygon* face : volume->polygons)
      for (const Vector& v : face->vertices) {
        const Vector eye = TransformPoint(view.view.m, v);
        const Vector ndc = TransformPoint(view.projection.m, eye);
        EXPECT_NEAR(std::fabs(ndc.x), 1, 1e-4);
        EXPECT_NEAR(std::fabs(ndc.y), 1, 1e-4);
        EXPECT_TRUE(std::fabs(ndc.z) < 1e-4 || std::fabs(ndc.z - 1) < 1e-4) << ndc.z;
      }
  // A point inside the view: behind every outward face, in front of every clip face.
  Matrix4 toWorld;
  Matrix4::Invert(toWorld, view.view);
  const Vector inside = TransformPoint(toWorld.m, Vector(0.1f, 0.2f, 50));
  for (const c3DFXVCpolygon* face : frustum.polygons) EXPECT_LT(face->Side(inside), 0);
  for (const c3DFXVCpolygon* face : clip.polygons) {
    EXPECT_GT(face->Side(inside), 0);
    EXPECT_TRUE(face->inverted);
  }
  // The clip volume stands 0.01 inside the near plane and 1 inside the far one.
  const Vector nearCorner = TransformPoint(view.view.m, clip.polygons[1]->vertices[0]);
  const Vector farCorner = TransformPoint(view.view.m, clip.polygons[0]->vertices[0]);
  EXPECT_NEAR(nearCorner.z, 1.01f, 1e-4);
  EXPECT_NEAR(farCorner.z, 99, 1e-3);

  // A projection whose near plane is 0 still gives finite faces.
  const tFXView flat = Camera(0, 100);
  ASSERT_TRUE(clip.BuildClipFrustum(&flat));
  for (const c3DFXVCpolygon* face : clip.polygons) {
    EXPECT_TRUE(std::isfinite(face->distance));
    for (const Vector& v : face->vertices) EXPECT_TRUE(std::isfinite(v.x + v.y + v.z));
  }
}

TEST(FXVolume, ConeCutByAClipFrustumKeepsThePartInView) {
  const tFXView view = Camera(1, 100);
  c3DFXVolume cone, clip;
  cone.BuildCone(5, 0.5f);
  // A long cone along the view axis, starting behind the camera.
  Matrix4 toWorld;
  Matrix4::Invert(toWorld, view.view);
  Matrix4 placement = toWorld;
  const Matrix4 stretch{{10, 0, 0, 0, 0, 10, 0, 0, 0, 0, 200, -5, 0, 0, 0, 1}};
  float product[16];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += toWorld.m[4 * i + k] * stretch.m[4 * k + j];
      product[4 * i + j] = s;
    }
  std::copy(product, product + 16, placement.m);
  cone.Transform(&placement);
  clip.BuildClipFrustum(&view);
  cone.Intersect(clip);
  ASSERT_FALSE(cone.polygons.empty());
  for (const c3DFXVCpolygon* face : cone.polygons)
    for (const Vector& v : face->vertices) {
      const Vector eye = TransformPoint(view.view.m, v);
      EXPECT_GE(eye.z, 1.01f - 1e-3f);
      EXPECT_LE(eye.z, 99 + 1e-2f);
    }
}

}  // namespace
