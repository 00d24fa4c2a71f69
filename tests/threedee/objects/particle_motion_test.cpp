// How the particle kinds move with the scene time: tables of times and
// settings against what the records must show.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "foundation/random.h"
#include "script/tokens.h"
#include "threedee/objects/firework.h"
#include "threedee/objects/snow.h"
#include "threedee/objects/splash.h"

namespace {

using namespace VOXA2;
using namespace VOXA2::threedee;

// The scene's update pass hands the frame down as the time.
void At(c3Dobject& object, float time) { ASSERT_TRUE(object.Update(time, 0, 0, 0)); }

TEST(ParticleMotion, SplashShowsTheDropletsAboveGroundAndFades) {
  struct Row {
    const char* name;
    float startingTime, timeMultiplier, intensity, gravity, time;
    double alpha;  // negative: nothing shows, so no alpha to read
  };
  // Under the default gravity the droplets are down again by tau 0.4; a
  // gravity of 1 keeps them up until tau 3.5.
  const std::vector<Row> rows = {
      {"before the start", 10, 1, 4, 9.81f, 5, -1},
      {"at the start the droplets stand on the ground", 10, 1, 4, 9.81f, 10, -1},
      {"tau 0.2 under the default gravity", 10, 1, 4, 9.81f, 10.2f, 252.5},
      {"down again at tau 0.4", 10, 1, 4, 9.81f, 10.4f, -1},
      {"tau 1: about 199", 10, 1, 4, 1, 11, 198.6},
      {"tau 2: about 94", 0, 1, 4, 1, 2, 93.8},
      {"time multiplier 2 doubles tau", 0, 2, 4, 1, 1, 93.8},
      {"time multiplier 0: tau is always 0", 0, 0, 4, 1, 7, -1},
      {"intensity 0: nothing rises", 0, 1, 0, 1, 0.5f, -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    c3Dp_splash splash;
    splash.startingTime = row.startingTime;
    splash.timeMultiplier = row.timeMultiplier;
    splash.intensity = row.intensity;
    splash.gravity = row.gravity;
    splash.SetParticleCount(3000);
    At(splash, row.time);
    const double tau = (row.time - row.startingTime) * row.timeMultiplier;
    int above = 0;
    for (const tParticle& p : splash.particles)
      if (p.velocity.z * tau - row.gravity * tau * tau > 0) ++above;
    EXPECT_EQ(splash.count, above);
    if (row.alpha < 0) {
      EXPECT_EQ(splash.count, 0);
      continue;
    }
    ASSERT_GT(splash.count, 0);
    for (const tParticle& p : splash.particles)
      if (p.alive) {
        EXPECT_NEAR(p.alpha, row.alpha, 0.1);
        EXPECT_GT(p.position.z, 0);
      }
  }
}

c3Dp_firework::tExplosion Explosion(float start, float flying, Vector velocity) {
  c3Dp_firework::tExplosion e;
  e.startingTime = start;
  e.flyingTime = flying;
  e.velocity = velocity;
  return e;
}

TEST(ParticleMotion, FireworkTrailLengthFollowsTheBudget) {
  const std::vector<std::pair<int, int>> rows = {{10, 10}, {3000, 64}, {8192, 128}};
  for (const auto& [capacity, trail] : rows) {
    c3Dp_firework firework;
    const auto e = Explosion(0, 5, {0, 0, 2});
    firework.AddExplosion(&e);
    firework.SetParticleCount(capacity);
    At(firework, 1);
    EXPECT_EQ(firework.count, trail) << capacity;
    EXPECT_EQ(firework.last, trail - 1) << capacity;
    // The trail hangs below the rocket's head.
    EXPECT_NEAR(firework.particles[0].position.z, 2 + firework.particles[0].timeOffset, 1e-5);
    EXPECT_EQ(firework.particles[0].alpha, 63);
  }
}

TEST(ParticleMotion, FireworkBurstsAtItsFlyingTimeAndEndsWhenFaded) {
  struct Row {
    const char* name;
    float time;
    int count;
  };
  // Start 2, flying 3: the burst begins at time 5. 255·exp(-0.25·tb²) < 1
  // from tb = 4.708 on.
  const std::vector<Row> rows = {
      {"before the start", 1.9f, 0},
      {"flying", 4.99f, 64},
      {"the burst at exactly the flying time", 5, 3000},
      {"still glowing at tb 4.70", 9.70f, 3000},
      {"over at tb 4.72", 9.72f, 0},
  };
  c3Dp_firework firework;
  const auto e = Explosion(2, 3, {1, 0, 4});
  firework.AddExplosion(&e);
  firework.SetParticleCount(3000);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    At(firework, row.time);
    EXPECT_EQ(firework.count, row.count);
  }
  At(firework, 5);
  const tParticle& p = firework.particles[17];
  EXPECT_NEAR(p.position.x, 3, 1e-5) << "at the burst point";
  EXPECT_NEAR(p.position.z, 12 + p.timeOffset, 1e-4);
  EXPECT_NEAR(p.alpha, 255, 1e-4);
}

TEST(ParticleMotion, FireworkShowsTheLatestStartedExplosion) {
  c3Dp_firework firework;
  // Out of order; the two at 4 keep the order they came in.
  const auto late = Explosion(8, 1, {0, 0, 1});
  const auto first = Explosion(4, 2, {1, 0, 0});
  const auto second = Explosion(4, 2, {0, 1, 0});
  const auto early = Explosion(0, 2, {0, 0, 3});
  for (const auto* e : {&late, &first, &second, &early}) firework.AddExplosion(e);
  firework.AddExplosion(nullptr);
  ASSERT_EQ(firework.explosions.size(), 4u);
  const std::vector<std::pair<float, float>> order = {{0, 3}, {4, 0}, {4, 0}, {8, 0}};
  for (std::size_t i = 0; i < order.size(); ++i)
    EXPECT_EQ(firework.explosions[i]->startingTime, order[i].first) << i;
  EXPECT_EQ(firework.explosions[1]->velocity.x, 1);
  firework.SetParticleCount(100);
  // At time 5 the second of the two started at 4 flies: its head is at (0, 1, 0).
  At(firework, 5);
  EXPECT_EQ(firework.count, 64);
  EXPECT_NEAR(firework.particles[0].position.x, 0, 1e-6);
  EXPECT_NEAR(firework.particles[0].position.y, 1, 1e-6);
  // The one started at 8 cuts it off.
  At(firework, 8.5f);
  EXPECT_NEAR(firework.particles[0].position.y, 0, 1e-6);
  EXPECT_NEAR(firework.particles[0].position.z, 0.5f + firework.particles[0].timeOffset, 1e-6);
}

TEST(ParticleMotion, FireworkCreatorChosenByName) {
  using F = c3Dp_firework;
  struct Row {
    int token;
    const char* text;
    F::Creator before, after;
  };
  const std::vector<Row> rows = {
      {tokIdentifier, "Scattered", &F::CreateDefault, &F::CreateScattered},
      {tokIdentifier, "ScatteredSB", &F::CreateDefault, &F::CreateScatteredSB},
      {tokDefault, "default", &F::CreateScattered, &F::CreateDefault},
      // Not in the table: the creator before stays.
      {tokIdentifier, "scattered", &F::CreateScatteredSB, &F::CreateScatteredSB},
      {tokString, "Scattered", &F::CreateScatteredSB, &F::CreateScatteredSB},
  };
  F firework;
  for (const Row& row : rows) {
    firework.creator = row.before;
    firework.ChooseCreator(row.token, row.text);
    EXPECT_EQ(firework.creator, row.after) << row.text;
  }
}

TEST(ParticleMotion, SnowFallsInsideItsCubeWithPeriodTwoOverTheSpeed) {
  for (float speed : {0.37f, -1.5f, 40.0f}) {
    c3Dp_weather_snow snow;
    snow.timeMultiplier = speed;
    snow.SetParticleCount(200);
    const float period = 2 / std::abs(speed);
    for (float time : {0.0f, 0.3f, 7.0f, 123.4f, 5000.0f}) {
      At(snow, time);
      std::vector<float> heights;
      for (const tParticle& p : snow.particles) {
        EXPECT_GE(p.position.z, -1) << speed << " at " << time;
        EXPECT_LE(p.position.z, 1) << speed << " at " << time;
        EXPECT_EQ(p.position.x, p.velocity.x);
        heights.push_back(p.position.z);
      }
      At(snow, time + period);
      for (std::size_t i = 0; i < heights.size(); ++i) {
        // A flake at the seam may show as -1 once and 1 the next time.
        const float d = std::abs(snow.particles[i].position.z - heights[i]);
        EXPECT_TRUE(d < 2e-3 || std::abs(d - 2) < 2e-3) << speed << " at " << time;
      }
    }
    EXPECT_EQ(snow.count, 200);
  }
}

TEST(ParticleMotion, SnowWrapsOnlyPastTheBottom) {
  c3Dp_weather_snow snow;
  snow.SetParticleCount(1);
  snow.particles[0].velocity.Set(0.5f, 0.25f, 0);
  const std::vector<std::pair<float, float>> rows = {
      {1, -1}, {1.5f, 0.5f}, {-1, 1}, {-1.25f, -0.75f}, {0, 0}};
  for (const auto& [time, z] : rows) {
    At(snow, time);
    EXPECT_FLOAT_EQ(snow.particles[0].position.z, z) << time;
  }
}

}  // namespace
