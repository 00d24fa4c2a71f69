// How the three particle kinds fill their records from a fixed generator
// state: the first records against the generator's rule worked out here in
// double precision, and properties that every record of a budget must have.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "foundation/random.h"
#include "threedee/objects/firework.h"
#include "threedee/objects/snow.h"
#include "threedee/objects/splash.h"

namespace {

using namespace VOXA2;
using namespace VOXA2::threedee;

constexpr std::uint32_t kSeed = 20261211;

// The runtime's generator, written out again: fractions rand() / 32767.
struct Lcg {
  std::uint32_t state;
  double Next() {
    state = state * 1103515245u + 12345u;
    return static_cast<double>((state >> 16) & 0x7FFF) / 32767.0;
  }
};

double Length(const Vector& v) {
  return std::sqrt(double{v.x} * v.x + double{v.y} * v.y + double{v.z} * v.z);
}

void ExpectNear(double actual, double expected, const std::string& what) {
  EXPECT_NEAR(actual, expected, 1e-4 * (1 + std::abs(expected))) << what;
}

struct Colour {
  double red, green, blue;
};
// Blue, green, red: the order the kinds draw their colour spreads in.
Colour DrawColour(Lcg& lcg, const Colour& base, const Colour& spread) {
  const double b = base.blue + lcg.Next() * spread.blue;
  const double g = base.green + lcg.Next() * spread.green;
  const double r = base.red + lcg.Next() * spread.red;
  return {r, g, b};
}

void ExpectColour(const tParticle& p, const Colour& c, const std::string& row) {
  ExpectNear(p.red, c.red, row + " red");
  ExpectNear(p.green, c.green, row + " green");
  ExpectNear(p.blue, c.blue, row + " blue");
}

TEST(ParticleGeneration, SplashRecordsFollowTheGenerator) {
  c3Dp_splash splash;
  splash.innerRadius = 3;
  splash.outerRadius = 2;
  splash.intensity = 6;
  splash.height = 1;
  splash.heightRandom = 3;
  SetRandState(kSeed);
  splash.SetParticleCount(500);
  Lcg lcg{kSeed};
  for (int i = 0; i < 3; ++i) {
    const tParticle& p = splash.particles[i];
    const std::string row = "record " + std::to_string(i);
    const double phi = lcg.Next() * 2 * std::numbers::pi;
    const double h = 1 + lcg.Next() * 3;
    const double l = std::sqrt(1 + h * h) / 6;
    const double radius = 3 + (lcg.Next() - 0.5) * 2;
    const double size = 5 + lcg.Next() * 7.5;
    const Colour colour = DrawColour(lcg, {0, 0, 255}, {127, 127, 0});
    ExpectNear(p.velocity.x, std::sin(phi) / l, row + " vx");
    ExpectNear(p.velocity.y, std::cos(phi) / l, row + " vy");
    ExpectNear(p.velocity.z, h / l, row + " vz");
    ExpectNear(p.timeOffset, radius * l, row + " head start");
    ExpectNear(p.size, size, row + " size");
    ExpectColour(p, colour, row);
    EXPECT_EQ(p.alive, 1) << row;
  }
  // Every droplet: launched at the intensity, rising h in [1, 4] per unit of
  // horizontal travel, on a ring within 3 ± 1.
  for (const tParticle& p : splash.particles) {
    EXPECT_NEAR(Length(p.velocity), 6, 1e-4);
    const double horizontal = std::hypot(p.velocity.x, p.velocity.y);
    const double h = p.velocity.z / horizontal;
    EXPECT_GE(h, 1 - 1e-5);
    EXPECT_LE(h, 4 + 1e-5);
    const double radius = p.timeOffset * 6 / std::sqrt(1 + h * h);
    EXPECT_GE(radius, 2 - 1e-5);
    EXPECT_LE(radius, 4 + 1e-5);
  }
}

TEST(ParticleGeneration, FireworkRecordsFollowTheGenerator) {
  c3Dp_firework firework;
  firework.red = 10;
  firework.redRandom = 20;
  SetRandState(kSeed);
  firework.SetParticleCount(400);
  Lcg lcg{kSeed};
  for (int i = 0; i < 3; ++i) {
    const tParticle& p = firework.particles[i];
    const std::string row = "record " + std::to_string(i);
    const double size = 5 + lcg.Next() * 7.5;
    const Colour colour = DrawColour(lcg, {10, 0, 0}, {20, 255, 255});
    const double z = lcg.Next() - 0.5, y = lcg.Next() - 0.5, x = lcg.Next() - 0.5;
    const double speed = (0.5 + 0.5 * lcg.Next()) / std::sqrt(x * x + y * y + z * z);
    ExpectNear(p.size, size, row + " size");
    ExpectColour(p, colour, row);
    ExpectNear(p.velocity.x, x * speed, row + " vx");
    ExpectNear(p.velocity.y, y * speed, row + " vy");
    ExpectNear(p.velocity.z, z * speed, row + " vz");
    ExpectNear(p.timeOffset, -size / (5 * 17.5), row + " trail offset");
  }
}

// Speeds by creator, over a whole budget: the rule each creator keeps.
TEST(ParticleGeneration, FireworkCreatorsKeepTheirSpeeds) {
  struct Row {
    const char* name;
    c3Dp_firework::Creator creator;
    float sizeMinimum, sizeMaximum;
    std::function<void(const tParticle&, double speed)> check;
  };
  const std::vector<Row> rows = {
      {"default: 0.5 to 1", &c3Dp_firework::CreateDefault, 5, 12.5f,
       [](const tParticle&, double s) {
         EXPECT_GE(s, 0.5 - 1e-6);
         EXPECT_LE(s, 1 + 1e-6);
       }},
      {"scattered: inside the unit ball", &c3Dp_firework::CreateScattered, 5, 12.5f,
       [](const tParticle&, double s) { EXPECT_LE(s, 1 + 1e-6); }},
      {"scattered by size: 1 - t", &c3Dp_firework::CreateScatteredSB, 5, 12.5f,
       [](const tParticle& p, double s) { EXPECT_NEAR(s, 1 - (p.size - 5) / 7.5, 1e-5); }},
      {"scattered by size, one size: 0 to 1", &c3Dp_firework::CreateScatteredSB, 6, 6,
       [](const tParticle&, double s) { EXPECT_LE(s, 1 + 1e-6); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    c3Dp_firework firework;
    firework.creator = row.creator;
    firework.sizeMinimum = row.sizeMinimum;
    firework.sizeMaximum = row.sizeMaximum;
    SetRandState(kSeed);
    firework.SetParticleCount(3000);
    double slowest = 2, fastest = 0;
    for (const tParticle& p : firework.particles) {
      const double s = Length(p.velocity);
      row.check(p, s);
      slowest = std::min(slowest, s);
      fastest = std::max(fastest, s);
    }
    // 3000 draws reach close to both ends of each range.
    EXPECT_GT(fastest, 0.95);
    EXPECT_LT(slowest, row.creator == &c3Dp_firework::CreateDefault ? 0.55 : 0.1);
  }
}

TEST(ParticleGeneration, SnowRecordsFollowTheGenerator) {
  c3Dp_weather_snow snow;
  SetRandState(kSeed);
  snow.SetParticleCount(3000);
  Lcg lcg{kSeed};
  for (int i = 0; i < 3; ++i) {
    const tParticle& p = snow.particles[i];
    const std::string row = "record " + std::to_string(i);
    const double size = 2.5 + lcg.Next() * 5;
    const Colour colour = DrawColour(lcg, {255, 255, 255}, {0, 0, 0});
    const double alpha = 128 + lcg.Next() * 127;
    const double x = 2 * lcg.Next() - 1, y = 2 * lcg.Next() - 1, z = 2 * lcg.Next() - 1;
    ExpectNear(p.size, size, row + " size");
    ExpectColour(p, colour, row);
    ExpectNear(p.alpha, alpha, row + " alpha");
    ExpectNear(p.velocity.x, x, row + " home x");
    ExpectNear(p.velocity.y, y, row + " home y");
    ExpectNear(p.velocity.z, z, row + " home z");
  }
  for (const tParticle& p : snow.particles) {
    for (float c : {p.velocity.x, p.velocity.y, p.velocity.z}) {
      EXPECT_GE(c, -1);
      EXPECT_LE(c, 1);
    }
    EXPECT_GE(p.alpha, 128);
    EXPECT_LE(p.alpha, 255);
  }
  EXPECT_EQ(snow.count, 3000);
  EXPECT_EQ(snow.last, 2999);
}

// A copy shares the texture, owns its records, and has drawn its own default
// particles first, as a fresh object does.
TEST(ParticleGeneration, DuplicateCopiesRecordsAfterDrawingItsOwn) {
  c3Dp_weather_snow snow;
  snow.SetParticleCount(10);
  snow.timeMultiplier = 3;
  const std::uint32_t before = GetRandState();
  std::unique_ptr<c3Dobject> copy(snow.Duplicate());
  auto* twin = dynamic_cast<c3Dp_weather_snow*>(copy.get());
  ASSERT_NE(twin, nullptr);
  Lcg lcg{before};
  for (int i = 0; i < 3000 * 8; ++i) lcg.Next();
  EXPECT_EQ(GetRandState(), lcg.state) << "eight draws for each of 3000 defaults";
  ASSERT_EQ(twin->Capacity(), 10);
  EXPECT_NE(twin->particles.data(), snow.particles.data());
  EXPECT_EQ(twin->particles[7].velocity.z, snow.particles[7].velocity.z);
  EXPECT_EQ(twin->timeMultiplier, 3);
  EXPECT_EQ(twin->kind, c3Dobject::kParticleSystem);
}

}  // namespace
