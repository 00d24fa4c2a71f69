// The particle blocks of Text3D scenes: a table of snippets with the tree each
// builds or the exact error it raises and where; the values each kind's items
// set; the creator and explosion rows; blocks whose texture cannot be had.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "demo/datacollector.h"
#include "demo/demo.h"
#include "foundation/errors.h"
#include "tests/support/tempdir.h"
#include "tests/threedee/loaders/text3d_support.h"
#include "threedee/objects/firework.h"
#include "threedee/objects/snow.h"
#include "threedee/objects/splash.h"

namespace {

using namespace text3dtest;  // and through it VOXA2 and VOXA2::threedee

// One line of particle block inside a scene of 10 frames, on line 1.
std::string Block(const std::string& kind, const std::string& items) {
  return "scene 10 { object particle_" + kind + " \"p\" { " + items + " } }";
}

TEST(Text3DParticles, ParseTable) {
  struct Row {
    std::string text;
    const char* tree;  // null: the error below
    testsupport::RaisedError error;
  };
  const std::vector<Row> rows = {
      {Block("splash", ""), "p", {}},
      {Block("firework", "object temporary \"a\" {} object merge { file \"x\" } ; object temporary \"b\" {}"),
       "p(a,b)", {}},
      {Block("weather_snow", "parameter { position (1, 2, 3) } particle count 1 ; ;"), "p", {}},
      // A texture that cannot be had (no demo here) drops the object, and
      // reading goes on after its block, nested blocks and all.
      {"scene 10 { object particle_splash \"p\" { file \"t\"; parameter { position (1, 2, 3) } }\n"
       " object temporary \"after\" { object particle_weather_snow \"q\" { file \"t\" } } }",
       "after", {}},
      {Block("splash", "particle count 0"), nullptr,
       {-1, "Particle count must be 1 or greater!", 1, 59}},
      {Block("firework", "particle amount 5"), nullptr, {-1, "\"count\" expected!", 1, 58}},
      {Block("splash", "starting 1"), nullptr, {-1, "\"time\" expected!", 1, 51}},
      {Block("weather_snow", "time multiplier 2"), nullptr, {-1, "\"multiplyer\" expected!", 1, 62}},
      {Block("splash", "fade 1"), nullptr, {-1, "\"factor\" expected!", 1, 47}},
      {Block("splash", "inner diameter 1"), nullptr, {-1, "\"radius\" expected!", 1, 55}},
      {Block("splash", "outer radius 1 height 2, 3"), nullptr, {-1, "\"random\" expected!", 1, 65}},
      {Block("weather_snow", "alpha 128 random 10"), nullptr,
       {2, "( expected, but found Number!", 1, 56}},
      {Block("weather_snow", "alpha (128 random 10"), nullptr, {2, ") expected, but found }!", 1, 69}},
      {Block("splash", "color (255 random 0, 0 random 0, 0 random 0)"), nullptr,
       {2, ") expected, but found ,!", 1, 61}},
      {Block("splash", "color (255 random 0) (0 random 0)"), nullptr,
       {2, ", expected, but found (!", 1, 63}},
      {Block("firework", "size 3, 5"), nullptr, {2, "to expected, but found ,!", 1, 50}},
      {Block("weather_snow", "file flake;"), nullptr,
       {2, "String expected, but found Identifier!", 1, 57}},
      {Block("splash", "Gravity 1"), nullptr, {100, "Syntax error!", 1, 48}},
      {Block("weather_snow", "gravity 1"), nullptr, {100, "Syntax error!", 1, 54}},
      {Block("splash", "position (1, 2, 3)"), nullptr, {100, "Syntax error!", 1, 49}},
      {Block("splash", "alpha (1 random 2)"), nullptr, {100, "Syntax error!", 1, 46}},
      {Block("weather_snow", "creator default"), nullptr, {100, "Syntax error!", 1, 54}},
      {Block("firework", "explosion { starting time 1 bogus }"), nullptr,
       {100, "Syntax error!", 1, 76}},
      {Block("firework", "explosion { flying tim 1 }"), nullptr, {-1, "\"time\" expected!", 1, 65}},
      {Block("firework", "explosion { velocity (1, 2) }"), nullptr,
       {2, ", expected, but found )!", 1, 70}},
      {Block("splash", "time multiplyer 1 explosion { }"), nullptr, {100, "Syntax error!", 1, 68}},
  };
  for (const Row& row : rows) text3dtest::ExpectRead(row.text, row.tree, row.error);
}

// A count beyond the budget fails as an allocation that fails does.
TEST(Text3DParticles, ACountBeyondTheBudgetFailsAsAnAllocation) {
  for (const char* kind : {"splash", "firework", "weather_snow"}) {
    SCOPED_TRACE(kind);
    const std::string count = std::to_string(c3Dparticle_system::kMostParticles + 1);
    try {
      ParseScene(Block(kind, "particle count " + count));
      ADD_FAILURE() << "read";
    } catch (VOXA::errors::eError* error) {
      EXPECT_NE(dynamic_cast<VOXA::errors::eCouldNotAllocateMemoryFor*>(error), nullptr);
      EXPECT_STREQ(error->GetMessage(), "Out of memory: Could not allocate memory for particle budget!!");
      delete error;
    }
  }
  c3Dparticle_system system;
  system.AllocateParticles(c3Dparticle_system::kMostParticles);
  EXPECT_EQ(system.Capacity(), c3Dparticle_system::kMostParticles);
}

// The demo's "texture" collector for these tests: every name but "missing"
// gives a stand-in that nothing draws with.
class StandInTextures : public cVOXAdatacollector {
 public:
  StandInTextures() : cVOXAdatacollector("texture") {}
  ~StandInTextures() override { FreeEntries(); }
  void FreeItem(void*) override {}
  bool LoadItem(tDataEntry* entry) override {
    if (entry->name == "missing") return false;
    entry->data = &entry->name;
    return true;
  }
};

class Text3DParticleValues : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(demo.AddDataCollector(new StandInTextures)); }
  template <class System>
  System* Only(const Read& r) {
    EXPECT_TRUE(r.read.ok) << r.read.message;
    return r.scene ? dynamic_cast<System*>(r.scene->root) : nullptr;
  }
  void* Texture(const char* name) {
    return demo.FindDataCollector("texture")->GetData(name);
  }

  testsupport::ScopedTempDir dir_;  // a debug log of its own
  cVOXAdemo demo;
};

TEST_F(Text3DParticleValues, EmptyBlocksKeepTheDefaultsWithABudgetOf3000) {
  const Read r = ParseScene(InScene(R"(
    object particle_splash "s" {}  object particle_firework "f" {}
    object particle_weather_snow "w" {})"),
                            &demo);
  ASSERT_TRUE(r.read.ok) << r.read.message;
  auto* splash = dynamic_cast<c3Dp_splash*>(r.scene->FindObject("s"));
  auto* firework = dynamic_cast<c3Dp_firework*>(r.scene->FindObject("f"));
  auto* snow = dynamic_cast<c3Dp_weather_snow*>(r.scene->FindObject("w"));
  ASSERT_TRUE(splash && firework && snow);
  for (c3Dparticle_system* system : {static_cast<c3Dparticle_system*>(splash),
                                     static_cast<c3Dparticle_system*>(firework),
                                     static_cast<c3Dparticle_system*>(snow)}) {
    EXPECT_EQ(system->Capacity(), 3000);
    EXPECT_EQ(system->texture, nullptr);
  }
  EXPECT_EQ(splash->intensity, 4);
  EXPECT_EQ(splash->sizeMaximum, 12.5f);
  EXPECT_EQ(firework->creator, &c3Dp_firework::CreateDefault);
  EXPECT_TRUE(firework->explosions.empty());
  EXPECT_EQ(snow->alpha, 128);
  EXPECT_EQ(snow->xFlatter, 0.05f);
}

TEST_F(Text3DParticleValues, SplashItems) {
  const Read r = ParseScene(InScene(R"(
    object particle_splash "s"
    {
      particle count 40  size 1 to 3  starting time 2  time multiplyer 0.5
      fade factor 0.75  gravity 3 * 2  inner radius 4  outer radius 0.5
      intensity 7  height 1.5 random 0.25
      color (255 random 0), (16 random 32), (0 random 0)  file "drop";
      particle count 20
    })"),
                            &demo);
  auto* s = Only<c3Dp_splash>(r);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Capacity(), 20);
  EXPECT_EQ(s->sizeMinimum, 1);
  EXPECT_EQ(s->sizeMaximum, 3);
  EXPECT_EQ(s->startingTime, 2);
  EXPECT_EQ(s->timeMultiplier, 0.5f);
  EXPECT_EQ(s->fadeFactor, 0.75f);
  EXPECT_EQ(s->gravity, 6);
  EXPECT_EQ(s->innerRadius, 4);
  EXPECT_EQ(s->outerRadius, 0.5f);
  EXPECT_EQ(s->intensity, 7);
  EXPECT_EQ(s->height, 1.5f);
  EXPECT_EQ(s->heightRandom, 0.25f);
  EXPECT_EQ(s->texture, Texture("drop"));
  // Set up from the whole block, the later count included: sizes and colours.
  for (const tParticle& p : s->particles) {
    EXPECT_GE(p.size, 1);
    EXPECT_LE(p.size, 3);
    EXPECT_EQ(p.red, 255);
    EXPECT_GE(p.green, 16);
    EXPECT_LE(p.green, 48);
    EXPECT_EQ(p.blue, 0);
  }
}

TEST_F(Text3DParticleValues, FireworkItems) {
  const Read r = ParseScene(InScene(R"(
    object particle_firework "f"
    {
      size 2 to 2  gravity 1  time multiplyer 3  creator ScatteredSB
      explosion { starting time 2  flying time 1  velocity (0, 0, 4) }
      explosion { starting time 1; flying time 2; fade factor 0.5; velocity (1, 0, 0); }
      explosion { flying time 3  starting time 2 }
      color (0 random 0), (0 random 0), (200 random 10)  particle count 8  file "spark";
    })"),
                            &demo);
  auto* f = Only<c3Dp_firework>(r);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Capacity(), 8);
  EXPECT_EQ(f->gravity, 1);
  EXPECT_EQ(f->timeMultiplier, 3);
  EXPECT_EQ(f->creator, &c3Dp_firework::CreateScatteredSB);
  EXPECT_EQ(f->texture, Texture("spark"));
  // By starting time; equal times in the file's order. The burst points are
  // worked out as the block closes.
  struct Expected {
    float start, flying, fade;
    Vector burst;
  };
  const Expected expected[] = {{1, 2, 0.5f, {2, 0, 0}}, {2, 1, 0.25f, {0, 0, 4}}, {2, 3, 0.25f, {0, 0, 0}}};
  ASSERT_EQ(f->explosions.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const c3Dp_firework::tExplosion& e = *f->explosions[static_cast<std::size_t>(i)];
    EXPECT_EQ(e.startingTime, expected[i].start);
    EXPECT_EQ(e.flyingTime, expected[i].flying);
    EXPECT_EQ(e.fadeFactor, expected[i].fade);
    EXPECT_EQ(e.burstPoint.x, expected[i].burst.x);
    EXPECT_EQ(e.burstPoint.z, expected[i].burst.z);
  }
  // Equal sizes: ScatteredSB then makes every speed a uniform draw in [0, 1],
  // which the default creator (speeds 0.5 to 1) would not.
  float slowest = 1;
  for (const tParticle& p : f->particles) {
    EXPECT_EQ(p.size, 2);
    EXPECT_GE(p.blue, 200);
    EXPECT_LE(p.blue, 210);
    slowest = std::min(slowest, std::sqrt(p.velocity.Dot(p.velocity)));
  }
  EXPECT_LT(slowest, 0.5f);
}

TEST_F(Text3DParticleValues, SnowItems) {
  const Read r = ParseScene(InScene(R"(
    object particle_weather_snow "w"
    {
      alpha (10 random 5)  xflatter 0.5  yflatter 0.25  time multiplyer -2
      size 4 to 6  color (1 random 2), (3 random 4), (5 random 6)
      particle count 12  file "flake";
    })"),
                            &demo);
  auto* w = Only<c3Dp_weather_snow>(r);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Capacity(), 12);
  EXPECT_EQ(w->alpha, 10);
  EXPECT_EQ(w->alphaRandom, 5);
  EXPECT_EQ(w->xFlatter, 0.5f);
  EXPECT_EQ(w->yFlatter, 0.25f);
  EXPECT_EQ(w->timeMultiplier, -2);
  const float colour[6] = {w->red, w->redRandom, w->green, w->greenRandom, w->blue, w->blueRandom};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(colour[k], k + 1) << k;
  EXPECT_EQ(w->texture, Texture("flake"));
  for (const tParticle& p : w->particles) {
    EXPECT_GE(p.alpha, 10);
    EXPECT_LE(p.alpha, 15);
  }
}

// "creator" uses up the token after it whether or not it names a row.
TEST_F(Text3DParticleValues, CreatorRows) {
  struct Row {
    const char* items;
    c3Dp_firework::Creator creator;
  };
  const std::vector<Row> rows = {
      {"creator Scattered", &c3Dp_firework::CreateScattered},
      {"creator ScatteredSB creator default", &c3Dp_firework::CreateDefault},
      {"creator ScatteredSB creator scattered gravity 2", &c3Dp_firework::CreateScatteredSB},
      {"creator Scattered creator \"ScatteredSB\" gravity 2", &c3Dp_firework::CreateScattered},
      {"creator Scattered creator 3 gravity 2", &c3Dp_firework::CreateScattered},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.items);
    const Read r = ParseScene(Block("firework", row.items), &demo);
    auto* f = Only<c3Dp_firework>(r);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->creator, row.creator);
  }
}

// Without its texture a block yields nothing; the next statement is read.
TEST_F(Text3DParticleValues, AMissingTextureDropsTheObject) {
  const Read r = ParseScene(InScene(R"(
    object particle_weather_snow "w" { particle count 5  file "missing"; }
    object temporary "t" { object particle_firework "f" { file "missing"; size 1 to 2 } })"),
                            &demo);
  ASSERT_TRUE(r.read.ok) << r.read.message;
  EXPECT_EQ(Tree(r.scene->root), "t");
  bool logged = false;
  for (const std::string& line : testsupport::DebugLogLines())
    logged |= line == "Error on loading data \"missing\"";
  EXPECT_TRUE(logged);
}

// A scene is read before its animation's textures are loaded: the "file" item
// makes the demo's texture collector when there is none yet.
TEST(Text3DParticleTextures, TheFileItemMakesTheTextureCollector) {
  testsupport::ScopedTempDir dir;
  cVOXAdemo demo;
  ASSERT_EQ(demo.FindDataCollector("texture"), nullptr);
  const Read r = ParseScene(Block("splash", "file \"nowhere\";"), &demo);
  ASSERT_TRUE(r.read.ok) << r.read.message;
  EXPECT_EQ(r.scene->root, nullptr);
  EXPECT_NE(demo.FindDataCollector("texture"), nullptr);
}

}  // namespace
