// Keyframed objects, the node classes of loaded animations and the time
// mapper: matrices against products formed here from the track values,
// cameras and light records against values worked out from their rules.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <string>

#include "tests/threedee/scene/track_makers.h"
#include "threedee/scene/keyframed.h"
#include "threedee/scene/kbsplines.h"
#include "threedee/scene/scene.h"

namespace {

using namespace VOXA2;
using namespace VOXA2::threedee;
using scenetest::Constant;
using scenetest::Linear;
using scenetest::Turn;

constexpr float kPi = std::numbers::pi_v<float>;

// ---- matrices formed here, from the rules

using M = std::array<double, 16>;

M Identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

M Mul(const M& a, const M& b) {
  M r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      for (int k = 0; k < 4; ++k) r[4 * i + j] += a[4 * i + k] * b[4 * k + j];
  return r;
}

M Translate(double x, double y, double z) {
  M m = Identity();
  m[3] = x, m[7] = y, m[11] = z;
  return m;
}

M Scale(double x, double y, double z) {
  M m = Identity();
  m[0] = x, m[5] = y, m[10] = z;
  return m;
}

// The rotation tracks turn clockwise under M·p: Rodrigues' matrix of the
// negated angle about the unit axis.
M TrackRotation(double x, double y, double z, double angle) {
  const double l = std::sqrt(x * x + y * y + z * z);
  x /= l, y /= l, z /= l;
  const double c = std::cos(-angle), s = std::sin(-angle), t = 1 - c;
  return {t * x * x + c,     t * x * y - s * z, t * x * z + s * y, 0,
          t * x * y + s * z, t * y * y + c,     t * y * z - s * x, 0,
          t * x * z - s * y, t * y * z + s * x, t * z * z + c,     0,
          0,                 0,                 0,                 1};
}

void ExpectMatrix(const Matrix4& actual, const M& expected, double tolerance,
                  const std::string& what) {
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(actual.m[i], expected[i], tolerance) << what << " element " << i;
}

std::array<double, 3> Apply(const Matrix4& m, double x, double y, double z) {
  return {m.m[0] * x + m.m[1] * y + m.m[2] * z + m.m[3],
          m.m[4] * x + m.m[5] * y + m.m[6] * z + m.m[7],
          m.m[8] * x + m.m[9] * y + m.m[10] * z + m.m[11]};
}

bool Finite(const Matrix4& m) {
  for (float v : m.m)
    if (!std::isfinite(v)) return false;
  return true;
}

// ---- keyframed objects

TEST(Keyframed, StretchedBeforeTurned) {
  c3DStemporary object;
  object.scaleTrack = Constant({2, 1, 1});
  object.rotationTrack = Turn(0, 0, 1, kPi / 2);
  object.Update(0, 0, 0, 0);
  ExpectMatrix(object.world, Mul(TrackRotation(0, 0, 1, kPi / 2), Scale(2, 1, 1)), 1e-6,
               "R·diag(2, 1, 1)");
}

TEST(Keyframed, ThreeLevelsEqualParentTimesTRS) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> u(-3, 3), s(0.3f, 2.5f), a(-3, 3);
  for (int round = 0; round < 20; ++round) {
    auto* root = new c3DStemporary;
    c3Dscene scene;
    scene.root = root;
    c3DStemporary* chain[3] = {root, new c3DStemporary, new c3DStemporary};
    chain[0]->firstChild = chain[1];
    chain[1]->firstChild = chain[2];
    M expected = Identity();
    for (c3DStemporary* level : chain) {
      const float p[3] = {u(random), u(random), u(random)};
      const float k[3] = {s(random), s(random), s(random)};
      float r[4] = {u(random), u(random), u(random) + 3.5f, a(random)};
      // A unit axis: the track takes the axis as given.
      const float l = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
      for (int i = 0; i < 3; ++i) r[i] /= l;
      // Keys at 0 and 10: the values at 5 are the midpoints.
      level->positionTrack = Linear(3, {{0, {0, 0, 0}}, {10, {2 * p[0], 2 * p[1], 2 * p[2]}}});
      level->scaleTrack = Linear(3, {{0, {1, 1, 1}}, {10, {2 * k[0] - 1, 2 * k[1] - 1, 2 * k[2] - 1}}});
      level->rotationTrack = Turn(r[0], r[1], r[2], r[3]);
      expected = Mul(expected, Mul(Translate(p[0], p[1], p[2]),
                                   Mul(TrackRotation(r[0], r[1], r[2], r[3]),
                                       Scale(k[0], k[1], k[2]))));
    }
    scene.root->SetScene(&scene);
    ASSERT_TRUE(root->Update(5, 0, 0, 0));
    ExpectMatrix(chain[2]->world, expected, 1e-4, "round " + std::to_string(round));
    Matrix4 product;
    MultiplyMatrices(product, chain[2]->world, chain[2]->inverseWorld);
    ExpectMatrix(product, Identity(), 1e-5, "world × inverse");
  }
}

TEST(Keyframed, HiddenFreezesTheLookTracksButNotTheMatrices) {
  c3DStemporary object;
  object.positionTrack = Linear(3, {{0, {0, 0, 0}}, {10, {10, 0, 0}}});
  object.fovTrack = Linear(1, {{0, {10}}, {10, {110}}});
  auto* hide = new cView3Di_enum;
  object.hideTrack = hide;
  object.Update(2, 0, 0, 0);
  EXPECT_FALSE(object.hidden);
  EXPECT_FLOAT_EQ(object.fovTrack->GetValue(0), 30);
  hide->value = 3;  // a constant: hidden from now on
  object.Update(6, 0, 0, 0);
  EXPECT_TRUE(object.hidden);
  EXPECT_FLOAT_EQ(object.fovTrack->GetValue(0), 30) << "kept from the last shown frame";
  EXPECT_FLOAT_EQ(object.world.m[3], 6) << "the matrices still follow the frame";
  // Without a hide track the flag lasts until the next update.
  c3DStemporary plain;
  plain.hidden = true;
  plain.Update(0, 0, 0, 0);
  EXPECT_FALSE(plain.hidden);
}

TEST(Keyframed, ScaledToNothingStillHasAFiniteInverse) {
  c3DStemporary object;
  object.scaleTrack = Linear(3, {{0, {1, 1, 1}}, {10, {0, 0, 0}}});
  object.positionTrack = Constant({4, 5, 6});
  object.Update(10, 0, 0, 0);
  EXPECT_TRUE(Finite(object.inverseWorld));
  ExpectMatrix(object.inverseWorld, M{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 0,
               "the zero map");
}

TEST(Keyframed, DuplicatesShareNoTrack) {
  auto source = std::make_unique<c3DSmesh>();
  source->SetName("box");
  source->positionTrack = Linear(3, {{0, {0, 0, 0}}, {10, {10, 20, 30}}});
  source->rotationTrack = Turn(1, 1, 0, 0.7f);
  auto* hide = new cView3Di_enum;
  hide->AddKey(0, 0);
  hide->AddKey(8, 1);
  source->hideTrack = hide;
  std::unique_ptr<c3Dobject> copy(source->Duplicate());
  auto* mesh = dynamic_cast<c3DSmesh*>(copy.get());
  ASSERT_NE(mesh, nullptr);
  EXPECT_NE(mesh->positionTrack, source->positionTrack);
  EXPECT_NE(mesh->rotationTrack, source->rotationTrack);
  EXPECT_EQ(mesh->kind, c3Dobject::kTriangularMesh);
  source->Update(4, 0, 0, 0);
  const Matrix4 expected = source->world;
  source.reset();
  mesh->Update(4, 0, 0, 0);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(mesh->world.m[i], expected.m[i]);
  mesh->Update(9, 0, 0, 0);
  EXPECT_TRUE(mesh->hidden);
}

// ---- time mapper

// x of a child moving from 0 to 100 over frames 0 to 100, under the mapper.
float MappedX(cView3Di_position* time, float frame, c3Dtime_mapper** inner = nullptr) {
  auto* mapper = new c3Dtime_mapper;
  mapper->timeTrack = time;
  auto* child = new c3DStemporary;
  child->positionTrack = Linear(3, {{0, {0, 0, 0}}, {100, {100, 0, 0}}});
  auto* sibling = new c3DStemporary;
  sibling->positionTrack = Linear(3, {{0, {0, 0, 0}}, {100, {100, 0, 0}}});
  mapper->nextSibling = sibling;
  c3Dobject* top = mapper;
  if (inner) {
    // Nested: the outer mapper above this one.
    *inner = mapper;
    auto* outer = new c3Dtime_mapper;
    outer->timeTrack = Linear(1, {{0, {0}}, {100, {50}}});
    outer->firstChild = mapper;
    top = outer;
  }
  mapper->firstChild = child;
  c3Dscene scene;
  scene.root = top;
  top->SetScene(&scene);
  EXPECT_TRUE(top->Update(frame, 0, 0, 0));
  EXPECT_FLOAT_EQ(sibling->world.m[3], inner ? 0.5f * frame : frame)
      << "the sibling keeps the frame its mapper's parent gave";
  return child->world.m[3];
}

TEST(TimeMapper, RetimesItsSubtreeOnly) {
  EXPECT_FLOAT_EQ(MappedX(nullptr, 30), 30) << "no time track: the scene's frame";
  EXPECT_FLOAT_EQ(MappedX(Linear(1, {{0, {100}}, {100, {0}}}), 30), 70) << "backwards";
  EXPECT_FLOAT_EQ(MappedX(Constant({0}), 30), 0) << "frozen";
  EXPECT_FLOAT_EQ(MappedX(Constant({0}), 90), 0) << "frozen";
  c3Dtime_mapper* inner = nullptr;
  // Outer: frame 60 → 30; inner: 30 → 100 − 30 = 70.
  EXPECT_FLOAT_EQ(MappedX(Linear(1, {{0, {100}}, {100, {0}}}), 60, &inner), 70) << "nested";
}

// An object whose update fails.
class cFailing : public virtual c3Dobject {
 public:
  bool Update(float, float, float, float) override { return false; }
};

TEST(TimeMapper, ReportsAFailingChild) {
  c3Dtime_mapper mapper;
  mapper.firstChild = new cFailing;
  EXPECT_FALSE(mapper.Update(0, 0, 0, 0));
  c3Dobject plain;
  plain.firstChild = new cFailing;
  EXPECT_FALSE(plain.Update(0, 0, 0, 0)) << "the plain tree walk reports it too";
}

TEST(TimeMapper, DuplicateCopiesTheTimeTrack) {
  c3Dtime_mapper mapper;
  mapper.timeTrack = Linear(1, {{0, {100}}, {100, {0}}});
  mapper.firstChild = new c3DStemporary;
  std::unique_ptr<c3Dobject> copy(mapper.Duplicate());
  auto* twin = dynamic_cast<c3Dtime_mapper*>(copy.get());
  ASSERT_NE(twin, nullptr);
  ASSERT_NE(twin->timeTrack, nullptr);
  EXPECT_NE(twin->timeTrack, mapper.timeTrack);
  twin->timeTrack->Evaluate(25);
  EXPECT_FLOAT_EQ(twin->timeTrack->GetValue(0), 75);
}

// ---- cameras

struct tView {
  Matrix4 view, projection;
  cFustrum fustrum;
  Vector eye{-7, -7, -7};
};

tView ComputeFor(c3Dcamera& camera) {
  tView out;
  camera.ComputeView(out.view, out.projection, out.fustrum, out.eye);
  return out;
}

bool Inside(const cFustrum& f, double x, double y, double z) {
  for (const cPlane& p : f.planes)
    if (p.a * x + p.b * y + p.c * z + p.d > 1e-5) return false;
  return true;
}

struct tCameraScene {
  c3Dscene scene;
  c3DScamera* camera;
  c3DStarget* target;
  tCameraScene(Vector from, Vector to, cView3Di_position* fov, cView3Di_position* roll) {
    camera = new c3DScamera;
    camera->SetName("cam");
    camera->positionTrack = Constant({from.x, from.y, from.z});
    camera->fovTrack = fov;
    camera->rollTrack = roll;
    target = new c3DStarget;
    target->SetName("cam.target");
    target->positionTrack = Constant({to.x, to.y, to.z});
    camera->nextSibling = target;
    camera->target = target;
    scene.root = camera;
    camera->SetScene(&scene);
    camera->Update(0, 0, 0, 0);
  }
};

TEST(Cameras, BaseCameraLooksDownZ) {
  c3Dcamera camera;
  const tView v = ComputeFor(camera);
  EXPECT_FLOAT_EQ(v.projection.m[0], 1);
  EXPECT_FLOAT_EQ(v.projection.m[5], -1);
  EXPECT_FLOAT_EQ(v.projection.m[10], 1) << "near 0, far 1000";
  EXPECT_FLOAT_EQ(v.projection.m[11], 0);
  EXPECT_FLOAT_EQ(v.projection.m[14], 1);
  const double x = std::atan2(1.0, 1.0), y = std::atan2(0.75, 1.0);
  const double expected[6][4] = {{0, 0, -1, 0},
                                 {0, 0, 1, -1000},
                                 {-std::cos(x), 0, -std::sin(x), 0},
                                 {std::cos(x), 0, -std::sin(x), 0},
                                 {0, std::cos(y), -std::sin(y), 0},
                                 {0, -std::cos(y), -std::sin(y), 0}};
  for (int i = 0; i < 6; ++i) {
    const cPlane& p = v.fustrum.planes[i];
    EXPECT_NEAR(p.a, expected[i][0], 1e-6) << i;
    EXPECT_NEAR(p.b, expected[i][1], 1e-6) << i;
    EXPECT_NEAR(p.c, expected[i][2], 1e-6) << i;
    EXPECT_NEAR(p.d, expected[i][3], 1e-3) << i;
  }
  EXPECT_TRUE(Inside(v.fustrum, 0, 0, 500));
  EXPECT_FALSE(Inside(v.fustrum, 0, 0, -1));
  // The culling planes are narrower vertically than the picture (atan 0.75).
  EXPECT_FALSE(Inside(v.fustrum, 0, 0.9, 1));
  EXPECT_TRUE(Inside(v.fustrum, 0.9, 0, 1));
}

TEST(Cameras, KeyframedCameraTable) {
  {
    SCOPED_TRACE("FOV 90 aimed along +y");
    tCameraScene s({0, 0, 0}, {0, 10, 0}, Constant({90}), nullptr);
    const tView v = ComputeFor(*s.camera);
    EXPECT_FLOAT_EQ(v.projection.m[0], 1);
    EXPECT_FLOAT_EQ(v.projection.m[5], -1.3333333f);
    EXPECT_FLOAT_EQ(v.projection.m[10], 1001.0f / 1000.0f);
    EXPECT_FLOAT_EQ(v.projection.m[11], -1 * 1001.0f / 1000.0f);
    EXPECT_NEAR(v.eye.x, 0, 1e-6);
    EXPECT_NEAR(v.eye.y, -1, 1e-6) << "pulled back by f";
    EXPECT_NEAR(v.eye.z, 0, 1e-6);
    const auto t = Apply(v.view, 0, 10, 0);
    EXPECT_NEAR(t[0], 0, 1e-5);
    EXPECT_NEAR(t[1], 0, 1e-5);
    EXPECT_NEAR(t[2], 11, 1e-5);
    // Camera-space x is world x (R = (1, 0, 0)), camera-space y is world −z (U).
    const auto r = Apply(v.view, 1, 10, 0);
    EXPECT_NEAR(r[0], 1, 1e-5);
    const auto up = Apply(v.view, 0, 10, 1);
    EXPECT_NEAR(up[1], -1, 1e-5);
    EXPECT_TRUE(Inside(v.fustrum, 0, 10, 0));
    EXPECT_FALSE(Inside(v.fustrum, 0, -5, 0)) << "behind the eye";
  }
  {
    SCOPED_TRACE("roll 90 turns camera x onto y");
    tCameraScene s({0, 0, 0}, {0, 10, 0}, Constant({90}), Constant({90}));
    const tView v = ComputeFor(*s.camera);
    const auto r = Apply(v.view, 1, 10, 0);
    EXPECT_NEAR(r[0], 0, 1e-5);
    EXPECT_NEAR(r[1], 1, 1e-5);
    EXPECT_NEAR(r[2], 11, 1e-5);
  }
  {
    SCOPED_TRACE("FOV 60 from (3, 4, 5)");
    tCameraScene s({3, 4, 5}, {3, 4, 25}, Constant({60}), nullptr);
    const tView v = ComputeFor(*s.camera);
    const double f = 1 / std::tan(30 * std::numbers::pi / 180);
    EXPECT_NEAR(v.projection.m[0], f, 1e-5);
    EXPECT_NEAR(v.eye.z, 5 - f, 1e-5);
    // Straight ahead at 20 lies on the axis; the side plane passes at x = tan 30 · depth.
    const double depth = 20 + f;
    EXPECT_TRUE(Inside(v.fustrum, 3 + 0.99 * std::tan(0.5235987756) * depth, 4, 25));
    EXPECT_FALSE(Inside(v.fustrum, 3 + 1.01 * std::tan(0.5235987756) * depth, 4, 25));
  }
}

TEST(Cameras, DegenerateSetUpsGiveFiniteViews) {
  struct Case {
    const char* what;
    Vector from, to;
    cView3Di_position* fov;
    bool targetInView;  // not so at FOV 0: the eye is pulled back beyond the far plane
  };
  const Case cases[] = {
      {"no FOV track: 90 degrees", {0, 0, 0}, {0, 10, 0}, nullptr, true},
      {"FOV 0", {0, 0, 0}, {0, 10, 0}, Constant({0}), false},
      {"FOV 180", {0, 0, 0}, {0, 10, 0}, Constant({180}), true},
      {"top-down: target straight below", {0, 0, 50}, {0, 0, 0}, Constant({45}), true},
      {"target straight above", {1, 2, 3}, {1, 2, 30}, Constant({45}), true},
      {"target on the eye", {1, 2, 3}, {1, 2, 3}, Constant({45}), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tCameraScene s(c.from, c.to, c.fov, nullptr);
    const tView v = ComputeFor(*s.camera);
    EXPECT_TRUE(Finite(v.view));
    EXPECT_TRUE(Finite(v.projection));
    for (const cPlane& p : v.fustrum.planes)
      EXPECT_TRUE(std::isfinite(p.a) && std::isfinite(p.b) && std::isfinite(p.c) &&
                  std::isfinite(p.d));
    if (!c.fov) EXPECT_FLOAT_EQ(v.projection.m[0], 1);
    if (c.targetInView)
      EXPECT_TRUE(Inside(v.fustrum, c.to.x, c.to.y, c.to.z)) << "the target is in view";
  }
}

TEST(Cameras, CopiesAimAtTheirOwnScenesTargets) {
  tCameraScene s({0, 0, 0}, {0, 10, 0}, Constant({90}), nullptr);
  std::unique_ptr<c3Dscene> copy(s.scene.Duplicate());
  auto* camera = dynamic_cast<c3DScamera*>(copy->FindObject("cam"));
  ASSERT_NE(camera, nullptr);
  EXPECT_EQ(camera->target, copy->FindObject("cam.target"));
  EXPECT_NE(camera->target, s.target);
  c3DStarget stray;
  stray.SetName("missing");
  s.camera->target = &stray;
  s.camera->SetScene(&s.scene);
  EXPECT_EQ(s.camera->target, nullptr) << "a name the scene lacks leaves no target";
}

// ---- lights

// A copy made while the original holds a device light claims none of it.
TEST(Lights, CopiesHoldNoDeviceLight) {
  auto* omni = new c3DSlight_omni;
  omni->SetName("lamp");
  omni->deviceLight = 3;
  omni->multiplier = 0.25f;
  std::unique_ptr<c3Dobject> owner(omni);
  std::unique_ptr<c3Dobject> copy(omni->Duplicate());
  auto* light = dynamic_cast<c3Dlight*>(copy.get());
  ASSERT_NE(light, nullptr);
  EXPECT_EQ(light->GetName(), std::string("lamp"));
  EXPECT_EQ(light->deviceLight, -1);
  EXPECT_EQ(light->multiplier, 1.0f);
}

TEST(Lights, RecordsFieldByField) {
  c3Dscene scene;
  auto* omni = new c3DSlight_omni;
  omni->positionTrack = Constant({1, 2, 3});
  omni->colourTrack = Constant({1, 0.5f, 0});
  auto* spot = new c3DSlight_spot;
  spot->SetName("spot");
  spot->positionTrack = Constant({0, 0, 10});
  spot->hotspotTrack = Constant({40});
  auto* target = new c3DStarget;
  target->SetName("spot.target");
  target->positionTrack = Constant({3, 0, 0});
  auto* bare = new c3DSlight_spot;
  omni->nextSibling = spot;
  spot->nextSibling = target;
  target->nextSibling = bare;
  spot->target = target;
  scene.root = omni;
  omni->SetScene(&scene);
  ASSERT_TRUE(omni->Update(0, 0, 0, 0));

  DeviceLight record;
  omni->GetLightDescription(record);
  EXPECT_EQ(record.type, 2u);
  EXPECT_EQ(record.position[0], 1);
  EXPECT_EQ(record.position[1], 2);
  EXPECT_EQ(record.position[2], 3);
  EXPECT_EQ(record.direction[0], 0);
  EXPECT_EQ(record.ambient, 0xFF000000u);
  EXPECT_EQ(record.diffuse, 0xFFFF7F00u);
  EXPECT_EQ(record.specular, 0xFF000000u);
  EXPECT_FLOAT_EQ(record.range, 1.8446743e19f);
  EXPECT_EQ(record.falloff, 0);
  EXPECT_EQ(record.theta, 0);
  EXPECT_EQ(record.phi, 0);
  EXPECT_EQ(record.attenuation0, 1);
  EXPECT_EQ(record.attenuation1, 0);
  EXPECT_EQ(record.attenuation2, 0);
  EXPECT_EQ(omni->GetMultiplier(nullptr), 1.0f);

  spot->GetLightDescription(record);
  EXPECT_EQ(record.type, 3u);
  EXPECT_EQ(record.diffuse, 0xFFFFFFFFu) << "no colour track";
  EXPECT_EQ(record.direction[0], 3) << "target minus light, not normalised";
  EXPECT_EQ(record.direction[1], 0);
  EXPECT_EQ(record.direction[2], -10);
  EXPECT_FLOAT_EQ(record.falloff, 1);
  EXPECT_FLOAT_EQ(record.theta, 0.34906585f) << "half the hotspot cone";
  EXPECT_FLOAT_EQ(record.phi, 0.34906585f) << "no falloff track: as theta";
  spot->falloffTrack = Constant({60});
  spot->Update(0, 0, 0, 0);
  spot->GetLightDescription(record);
  EXPECT_FLOAT_EQ(record.phi, 60 * kPi / 360);

  bare->GetLightDescription(record);
  EXPECT_EQ(record.direction[0], 0);
  EXPECT_EQ(record.direction[1], 0);
  EXPECT_EQ(record.direction[2], 0);
  EXPECT_EQ(record.theta, 0);
  EXPECT_EQ(record.phi, 0);

  c3Dlight base;
  base.GetLightDescription(record);
  EXPECT_EQ(record.type, 2u);
  EXPECT_EQ(record.specular, 0xFFFFFFFFu);
  EXPECT_FLOAT_EQ(record.range, 10000);
}

TEST(Lights, ColoursOutOfRangeDoNotSpill) {
  c3DSlight_omni omni;
  omni.colourTrack = Constant({2, -1, 0.5f});
  omni.Update(0, 0, 0, 0);
  DeviceLight record;
  omni.GetLightDescription(record);
  EXPECT_EQ(record.diffuse, 0xFFFF007Fu);
}

// ---- morphing meshes

TEST(Morph, KeepsItsShapeWhileHidden) {
  c3DSmesh mesh;
  const threedee::Vector a[2] = {{0, 0, 0}, {2, 2, 2}}, b[2] = {{10, 0, 0}, {2, 4, 6}};
  auto* morph = new cView3Di_kbsplines_morph(2);
  morph->AddKey(0, a, 0, 0, 0, 0, 0);
  morph->AddKey(10, b, 0, 0, 0, 0, 0);
  morph->Prepare();
  mesh.morphTrack = morph;
  auto part = std::make_unique<cTriMesh>();
  auto render = std::make_unique<cOBSTriMesh>();
  render->originals = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
  render->originalIndices = {1, 0, 1};
  part->meshes.push_back(std::move(render));
  mesh.parts.push_back(std::move(part));
  mesh.boundsDirty = false;
  ASSERT_TRUE(mesh.Update(5, 0, 0, 0));
  const cOBSTriMesh& r = *mesh.parts[0]->meshes[0];
  EXPECT_TRUE(mesh.boundsDirty);
  EXPECT_TRUE(r.originalsChanged);
  EXPECT_FLOAT_EQ(r.originals[0].y, 3);
  EXPECT_FLOAT_EQ(r.originals[0].z, 4);
  EXPECT_FLOAT_EQ(r.originals[1].x, 5);
  EXPECT_FLOAT_EQ(r.originals[2].x, 2);
  auto* hide = new cView3Di_enum;
  hide->value = 1;
  mesh.hideTrack = hide;
  ASSERT_TRUE(mesh.Update(10, 0, 0, 0));
  EXPECT_FLOAT_EQ(r.originals[1].x, 5) << "hidden: not evaluated";
  EXPECT_FALSE(r.originalsChanged);
}

}  // namespace
