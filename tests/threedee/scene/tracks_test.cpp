// Behaviour of the tracks beyond the reference values: clamping, scaling, the
// pointer track's ownership, output redirection of vertex lists, and the guards
// against degenerate input (zero periods, equal key times, zero axes).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "threedee/scene/kbsplines.h"
#include "threedee/scene/steptracks.h"

namespace {

using namespace VOXA2;
using VOXA2::threedee::Vector;

// ---- clamping and scaling ----

TEST(ValueTrack, ClampAppliesUpperThenLower) {
  struct Case {
    const char* rule;
    float value;
    bool above, below;
    float upper, lower;
    float expected;
  } cases[] = {
      {"above the upper bound", 1.5f, true, false, 1.0f, 0.0f, 1.0f},
      {"below the lower bound", -0.2f, true, true, 1.0f, 0.0f, 0.0f},
      {"flags off leave it", -0.2f, false, false, 1.0f, 0.0f, -0.2f},
      {"lower bound above upper wins", 0.5f, true, true, 0.2f, 0.8f, 0.8f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    cView3Di_position constant(1);
    constant.GetValues()[0] = c.value;
    constant.clampAbove = c.above;
    constant.clampBelow = c.below;
    constant.upperBound = c.upper;
    constant.lowerBound = c.lower;
    constant.Evaluate(3.0f);
    EXPECT_FLOAT_EQ(constant.GetValue(), c.expected);
    // A key of the same value is clamped the same way.
    cView3Di_linear keyed(1);
    keyed.AddKey(0.0f, &c.value);
    keyed.clampAbove = c.above;
    keyed.clampBelow = c.below;
    keyed.upperBound = c.upper;
    keyed.lowerBound = c.lower;
    keyed.Prepare();
    keyed.Evaluate(5.0f);
    EXPECT_FLOAT_EQ(keyed.GetValue(), c.expected);
  }
}

TEST(ValueTrack, ScaleMultipliesValuesAndLeavesTimes) {
  const float v0[2] = {0, 1}, v1[2] = {10, -3}, v2[2] = {4, 4};
  std::vector<std::function<cView3Di_position*()>> makers = {
      [&] {
        auto* t = new cView3Di_linear(2);
        t->AddKey(0, v0), t->AddKey(10, v1), t->AddKey(12, v2);
        return t;
      },
      [&] {
        auto* t = new cView3Di_softy(2);
        t->AddKey(0, v0), t->AddKey(10, v1), t->AddKey(12, v2);
        return t;
      },
      [&] {
        auto* t = new cView3Di_discreet(2);
        t->AddKey(0, v0), t->AddKey(10, v1), t->AddKey(12, v2);
        return t;
      },
      [&] {
        auto* t = new cView3Di_kbsplines(2);
        t->AddKey(0, v0, 0.3f, -0.2f, 0.5f, 0.1f, 0.2f);
        t->AddKey(10, v1, 0, 0, 0, 0, 0);
        t->AddKey(12, v2, -0.5f, 0.4f, 0, 0.3f, 0);
        return t;
      },
  };
  for (auto& make : makers) {
    std::unique_ptr<cView3Di_position> plain(make()), scaled(make());
    plain->Prepare();
    scaled->Prepare();
    scaled->Scale(2.0f);
    SCOPED_TRACE(plain->ClassName());
    for (float t : {-1.0f, 0.0f, 2.5f, 9.0f, 10.0f, 11.3f, 20.0f}) {
      plain->Evaluate(t);
      scaled->Evaluate(t);
      EXPECT_FLOAT_EQ(scaled->GetValues()[0], 2 * plain->GetValues()[0]) << t;
      EXPECT_FLOAT_EQ(scaled->GetValues()[1], 2 * plain->GetValues()[1]) << t;
    }
  }
}

// ---- step tracks ----

TEST(PointerTrack, KeyAccessOutsideTheKeysGivesNullAndChangesNothing) {
  cView3Di_pointer track;
  int a = 1, b = 2, c = 3;
  track.AddKey(0, &a);
  track.AddKey(5, &b);
  track.Prepare();
  track.Evaluate(-1);
  EXPECT_EQ(track.value, nullptr);  // before the first key
  EXPECT_EQ(track.GetKeyValue(2), nullptr);
  EXPECT_EQ(track.GetKeyValue(static_cast<unsigned>(-1)), nullptr);
  track.SetKeyValue(2, &c);
  track.SetKeyValue(static_cast<unsigned>(-1), &c);
  EXPECT_EQ(track.GetKeyValue(0), &a);
  EXPECT_EQ(track.GetKeyValue(1), &b);
  track.SetKeyValue(1, &c);
  track.Evaluate(7);
  EXPECT_EQ(track.value, &c);
}

char* Copy(const char* text) { return strdup(text); }

// LeakSanitizer checks that the owner frees every text, AddressSanitizer that
// the copy reads them safely and frees none.
TEST(PointerTrack, OwnerFreesItsTextsAndCopiesShareThem) {
  auto owner = std::make_unique<cView3Di_pointer>();
  owner->ownsValues = true;
  owner->repeatMode = cView3Dinterpolator::kRepeatLoop;
  owner->AddKey(0, Copy("a.tga"));
  owner->AddKey(2, Copy("b.tga"));
  owner->Prepare();
  {
    std::unique_ptr<cView3Di_pointer> copy(owner->CloneTyped());
    EXPECT_FALSE(copy->ownsValues);
    EXPECT_EQ(copy->repeatMode, cView3Dinterpolator::kRepeatLoop);
    copy->Evaluate(3);
    EXPECT_STREQ(static_cast<char*>(copy->value), "b.tga");
  }
  owner->Evaluate(1);
  EXPECT_STREQ(static_cast<char*>(owner->value), "a.tga");

  // A constant text, and a current value that a replaced key left behind.
  cView3Di_pointer constant;
  constant.ownsValues = true;
  constant.value = Copy("sky.tga");

  cView3Di_pointer replaced;
  replaced.ownsValues = true;
  replaced.AddKey(0, Copy("old.tga"));
  replaced.Evaluate(1);
  replaced.SetKeyValue(0, Copy("new.tga"));
  // Emptying the keys before deletion frees nothing twice.
  replaced.FreeKeys();
  EXPECT_EQ(replaced.value, nullptr);
}

// ---- vertex lists ----

TEST(MorphTrack, OutputGoesToTheBufferItIsGiven) {
  const Vector k0[2] = {{0, 0, 0}, {1, 1, 1}}, k1[2] = {{2, 4, 6}, {3, 1, -1}};
  auto track = std::make_unique<cView3Di_kbsplines_morph>(2);
  EXPECT_EQ(track->GetVertexCount(), 2);
  track->AddKey(0, k0, 0, 0, 0, 0, 0);
  track->AddKey(2, k1, 0, 0, 0, 0, 0);
  track->Prepare();

  Vector first[2] = {{9, 9, 9}, {9, 9, 9}};
  track->SetVertexBuffer(first);
  EXPECT_EQ(first[0].x, 0.0f);  // the new track's zero vertices
  EXPECT_EQ(first[1].z, 0.0f);
  track->Evaluate(2);
  EXPECT_EQ(first[1].x, 3.0f);

  Vector second[2] = {{7, 7, 7}, {7, 7, 7}};
  track->SetVertexBuffer(second);
  EXPECT_EQ(second[1].x, 3.0f);
  track->Evaluate(1);  // halfway: every vertex halfway
  EXPECT_FLOAT_EQ(second[0].y, 2.0f);
  EXPECT_FLOAT_EQ(second[1].z, 0.0f);
  EXPECT_EQ(first[1].x, 3.0f);  // the first buffer is left alone

  std::unique_ptr<cView3Di_morph> copy(track->CloneTyped());
  EXPECT_EQ(copy->GetVertices()[1].x, 0.0f);  // a copy starts with its own zero list
  track.reset();
  EXPECT_FLOAT_EQ(second[0].y, 2.0f);  // deleting the track leaves the buffer
  copy->Evaluate(1);
  EXPECT_FLOAT_EQ(copy->GetVertices()[0].y, 2.0f);
}

// ---- rotations ----

TEST(RotationTrack, WithoutKeysTheMatrixIsTheIdentity) {
  cView3Di_linear_quat linear;
  cView3Di_kbsplines_quat spline;
  for (cView3Di_rotation* track :
       {static_cast<cView3Di_rotation*>(&linear), static_cast<cView3Di_rotation*>(&spline)}) {
    track->Prepare();
    track->Evaluate(4);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(track->GetMatrix()[i], i % 5 == 0 ? 1.0f : 0.0f);
  }
}

float Norm(const sQuaternion& q) {
  return std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
}

TEST(RotationTrack, LongAxesGiveUnitKeysButNotUnitPartialRotations) {
  const float k0[4] = {0, 0, 2, 0.3f}, k1[4] = {0, 0, 2, 1.0f};
  cView3Di_linear_quat track;
  track.AddKey(0, k0);
  track.AddKey(10, k1);
  track.Prepare();
  EXPECT_NEAR(Norm(track.GetKeyOrientation(0)), 1.0f, 1e-6);
  EXPECT_NEAR(Norm(track.GetKeyOrientation(1)), 1.0f, 1e-6);
  track.Evaluate(5);
  // (0, 0, 2 sin h, cos h) with h = 0.25: its length is not one.
  EXPECT_NEAR(Norm(track.GetQuaternion()), std::sqrt(1 + 3 * std::pow(std::sin(0.25), 2)), 1e-5);
}

// ---- degenerate input ----

bool Finite(const float* v, int n) {
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(v[i])) return false;
  }
  return true;
}

// Every kind, built from keys (time, one value or a z rotation by the value).
std::vector<std::unique_ptr<cView3Dinterpolator>> AllKinds(const std::vector<float>& times,
                                                           int repeatMode) {
  std::vector<std::unique_ptr<cView3Dinterpolator>> all;
  auto* linear = new cView3Di_linear(1);
  auto* softy = new cView3Di_softy(1);
  auto* discreet = new cView3Di_discreet(1);
  auto* kb = new cView3Di_kbsplines(1);
  auto* linQuat = new cView3Di_linear_quat;
  auto* softQuat = new cView3Di_softy_quat;
  auto* kbQuat = new cView3Di_kbsplines_quat;
  auto* morph = new cView3Di_kbsplines_morph(1);
  auto* enumTrack = new cView3Di_enum;
  auto* pointer = new cView3Di_pointer;
  static int targets[16];
  float value = 1;
  for (float t : times) {
    const float rotation[4] = {0, 0, 1, value};
    const Vector vertex(value, -value, 2 * value);
    linear->AddKey(t, &value);
    softy->AddKey(t, &value);
    discreet->AddKey(t, &value);
    kb->AddKey(t, &value, 0.2f, 0.5f, -0.3f, 0.4f, 0.3f);
    linQuat->AddKey(t, rotation);
    softQuat->AddKey(t, rotation);
    kbQuat->AddKey(t, rotation, 0.2f, 0.5f, -0.3f, 0.4f, 0.3f);
    morph->AddKey(t, &vertex, 0.2f, 0.5f, -0.3f, 0.4f, 0.3f);
    enumTrack->AddKey(t, static_cast<int>(value));
    pointer->AddKey(t, &targets[static_cast<int>(value) % 16]);
    value += 1;
  }
  for (cView3Dinterpolator* t : std::initializer_list<cView3Dinterpolator*>{
           linear, softy, discreet, kb, linQuat, softQuat, kbQuat, morph, enumTrack, pointer}) {
    t->repeatMode = repeatMode;
    t->Prepare();
    all.emplace_back(t);
  }
  return all;
}

bool ResultIsFinite(cView3Dinterpolator& track) {
  if (auto* v = dynamic_cast<cView3Di_position*>(&track)) return Finite(v->GetValues(), 1);
  if (auto* r = dynamic_cast<cView3Di_rotation*>(&track)) return Finite(r->GetMatrix(), 16);
  if (auto* m = dynamic_cast<cView3Di_morph*>(&track)) {
    return Finite(&m->GetVertices()[0].x, 3);
  }
  return true;
}

// Zero and negative periods, times far away, infinite and NaN times: every
// evaluation returns at once and nothing becomes NaN.
TEST(TrackGuards, RepeatModeNeverHangs) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<std::vector<float>> keySets = {
      {5, 5, 5},       // no span at all
      {-10, 0},        // the step period (the last key's time) is zero
      {-10, -4, -1},   // and negative
      {0, 0.001f, 1},  // a small period against huge times
  };
  const auto start = std::chrono::steady_clock::now();
  for (const auto& times : keySets) {
    for (int mode : {0, 1, 2}) {
      for (auto& track : AllKinds(times, mode)) {
        SCOPED_TRACE(std::string(track->ClassName()) + " mode " + std::to_string(mode));
        for (float t : {-1e30f, -3.0f, 0.0f, 5.0f, 7.5f, 1e30f, 3e38f, inf, -inf, nan}) {
          track->Evaluate(t);
          EXPECT_TRUE(ResultIsFinite(*track)) << "time " << t;
        }
      }
    }
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(TrackGuards, RepeatFarAwayMatchesOnePeriod) {
  const float v0 = 0, v1 = 10;
  cView3Di_linear track(1);
  track.AddKey(0, &v0);
  track.AddKey(8, &v1);
  track.repeatMode = cView3Dinterpolator::kRepeatRepeat;
  track.Prepare();
  track.Evaluate(8.0f * 1000000 + 2.0f);
  EXPECT_NEAR(track.GetValue(), 2.5f, 1e-3);
  track.Evaluate(-8.0f * 1000 + 6.0f);
  EXPECT_NEAR(track.GetValue(), 7.5f, 1e-3);
}

// Keys at equal or falling times are accepted as the parser passes them; the
// splines treat a zero spacing as an even split, so no NaN appears.
TEST(TrackGuards, EqualAndFallingKeyTimesGiveNoNaN) {
  const std::vector<std::vector<float>> keySets = {{0, 1, 1, 2}, {0, 0, 0},       {3, 3},
                                                   {0, 4, 2, 6}, {1, 1, 1, 1, 5}, {0, 2, 5, 2, 6},
                                                   {0, 2, 0, 5}};
  for (const auto& times : keySets) {
    for (int mode : {0, 1, 2}) {
      for (auto& track : AllKinds(times, mode)) {
        SCOPED_TRACE(std::string(track->ClassName()) + " mode " + std::to_string(mode));
        for (float t = -2.0f; t <= 8.0f; t += 0.25f) {
          track->Evaluate(t);
          ASSERT_TRUE(ResultIsFinite(*track)) << "time " << t;
        }
      }
    }
  }
}

TEST(TrackGuards, ZeroAxisIsNoRotation) {
  const float zero[4] = {0, 0, 0, 1.3f}, quarter[4] = {0, 0, 1, 1.5707964f};
  cView3Di_linear_quat linear;
  linear.AddKey(0, zero);
  linear.AddKey(10, quarter);
  linear.Prepare();
  cView3Di_kbsplines_quat spline;
  spline.AddKey(0, zero, 0, 0, 0, 0, 0);
  spline.AddKey(10, quarter, 0, 0, 0, 0, 0);
  spline.Prepare();
  for (cView3Di_rotation* track :
       {static_cast<cView3Di_rotation*>(&linear), static_cast<cView3Di_rotation*>(&spline)}) {
    track->Evaluate(0);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(track->GetMatrix()[i], i % 5 == 0 ? 1.0f : 0.0f);
    track->Evaluate(10);
    EXPECT_NEAR(track->GetMatrix()[1], 1.0f, 1e-6);  // then a quarter turn about z
  }
}

}  // namespace
