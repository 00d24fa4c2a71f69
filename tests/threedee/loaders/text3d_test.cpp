// Text3D scene files read through the script parser: a table of snippets with
// the tree each builds or the exact error it raises and where; the values the
// object kinds take; material statements replacing a material everywhere it
// is used; merged animations from the demo's collector.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "demo/datacollector.h"
#include "demo/demo.h"
#include "tests/support/scriptread.h"
#include "tests/threedee/loaders/text3d_support.h"
#include "tests/support/tempdir.h"
#include "foundation/archive.h"
#include "threedee/loaders/text3d.h"
#include "windxkernel/kernel.h"
#include "threedee/objects/lightray.h"
#include "threedee/objects/spike.h"
#include "threedee/objects/wobbler.h"
#include "threedee/scene/keyframed.h"
#include "threedee/scene/material.h"

namespace {

using namespace VOXA2;
using namespace VOXA2::threedee;

using text3dtest::InScene;
using text3dtest::ParseScene;
using text3dtest::Read;
using text3dtest::Tree;

TEST(Text3D, ParseTable) {
  struct Row {
    const char* text;
    const char* tree;  // null: the error below
    testsupport::RaisedError error;
  };
  const Row rows[] = {
      {"scene 100 { }", "", {}},
      {"scene 100 { ; ; } object temporary \"never\" {}", "", {}},
      {"Scene 100 { }", nullptr, {-1, "\"scene\" expected!", 1, 6}},
      {"100 { }", nullptr, {2, "Identifier expected, but found Number!", 1, 4}},
      {"scene 0 { }", nullptr, {-1, "Frame count must be 1 or greater!", 1, 10}},
      {"scene 10 { blah }", nullptr, {100, "Syntax error!", 1, 16}},
      {"scene 10 { object temporary \"a\" { object temporary \"b\" {} object temporary \"c\" {} }\n"
       " object temporary \"d\" {} }",
       "a(b,c),d",
       {}},
      {"scene 10 { object temporary \"a\" {} attach to \"A\": temporary \"b\" {}\n"
       " attach to \"a\": timemapper \"c\" { object lightray \"e\" {} } }",
       "a(b,c(e))",
       {}},
      {"scene 10 { attach to \"later\": temporary \"b\" {} object temporary \"later\" {} }", nullptr,
       {-1, "Object \"later\" not found!", 1, 30}},
      {"scene 10 { object temporary \"a\" {} add fairylights to \"a\" {} }", nullptr,
       {-1, "Adder of type \"fairylights\" does not exists!", 1, 60}},
      {"scene 10 { object temporary \"a\" {} add garland to \"a\" {} }", nullptr,
       {-1, "Adder of type \"garland\" does not exists!", 1, 56}},
      {"scene 10 { object temporary \"a\" { bogus } }", nullptr, {100, "Syntax error!", 1, 40}},
      {"scene 10 { object temporary \"a\" { parameter { position (1, 2, 3) bogus 1 } } }", nullptr,
       {100, "Syntax error!", 1, 71}},
      {"scene 10 { object temporary a {} }", nullptr, {2, "String expected, but found Identifier!", 1, 30}},
      {"scene 10 { object beziersurface \"b\" { steps 0 } }", nullptr,
       {-1, "Step value must be 1 or greater!", 1, 48}},
      {"scene 10 { object beziersurface \"b\" { set control point 0, 1: (1, 2, 3) } }", nullptr,
       {-1, "x must be in range 1 to 4!", 1, 59}},
      {"scene 10 { object beziersurface \"b\" { move control point 1, 5: (1, 2, 3) } }", nullptr,
       {-1, "y must be in range 1 to 4!", 1, 63}},
      {"scene 10 { object beziersurface \"b\" { move control pt 1, 1: (1, 2, 3) } }", nullptr,
       {100, "Syntax error!", 1, 54}},
      {"scene 10 { object beziersurface \"b\" { stretch (0,0,0), (1,0,0), (1,1,0) } }", nullptr,
       {2, ", expected, but found }!", 1, 74}},
      {"scene 10 { object spike \"s\" { steps 3 } }", nullptr,
       {-1, "Step value must an even positive number!", 1, 40}},
      {"scene 10 { object spike \"s\" { material \"nope\" } }", nullptr,
       {-1, "Material \"nope\" does not exists!", 1, 48}},
      {"scene 10 { object lightray \"r\" { origin bogus } }", nullptr, {100, "Syntax error!", 1, 46}},
      {"scene 10 { object lightray \"r\" { origin object \"nope\" } }", nullptr,
       {-1, "Could not find object \"nope\"", 1, 56}},
      {"scene 10 { object temporary \"t\" {} object lightray \"r\" { target vertex 3 in \"t\" } }", nullptr,
       {-1, "\"of\" expected!", 1, 80}},
      {"scene 10 { object temporary \"t\" {} object lightray \"r\" { target vertex 3 of \"t\" } }", nullptr,
       {-1, "Could not find object \"t\" or object is no triangular mesh!", 1, 82}},
      {"scene 10 { object merge { } }", nullptr, {-1, "\"file\" expected!", 1, 30}},
      {"scene 10 { object merge { file \"x\" suffix 3 } }", nullptr, {100, "Syntax error!", 1, 44}},
  };
  for (const Row& row : rows) text3dtest::ExpectRead(row.text, row.tree, row.error);
}

// Kinds whose blocks are not read yet are refused as unknown; kind words are
// matched with their case.
TEST(Text3D, KindsNotBuiltHereAreUnknown) {
  for (const char* kind : {"Particle_splash", "particle_Firework", "PARTICLE_WEATHER_SNOW",
                           "Wobbler", "Temporary"}) {
    SCOPED_TRACE(kind);
    const Read r = ParseScene(std::string("scene 10 { object ") + kind + " \"x\" { } }");
    const std::int32_t after = 19 + static_cast<std::int32_t>(std::string(kind).size());
    testsupport::ExpectRaised(r.read, {-1, "Object type expected!", 1, after});
  }
}

bool Logged(const std::string& line) {
  for (const std::string& l : testsupport::DebugLogLines())
    if (l == line) return true;
  return false;
}

Vector Value3(cView3Di_position* track, float frame) {
  track->Evaluate(frame);
  return {track->GetValue(0), track->GetValue(1), track->GetValue(2)};
}

TEST(Text3D, ItemsFillTheirObjects) {
  testsupport::ScopedTempDir dir;  // a debug log of its own
  const Read r = ParseScene(InScene(R"(
    material "m1" { diffuse (1, 0, 0) }  material "m2" {}  material "m3" {}  material "m4" {}
    object beziersurface "b"
    {
      material "M1"  steps 150
      set control point 4, 4: (1, 2, 3)  move control point 1, 2: (0, 0, 1)
      stretch (0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)
      parameter { position (5, 0, 0) }
    }
    object spike "s"
    {
      material "m1", "m2", "m3", "m4"  steps 6  direction (0, 2, 0)
      vortex 0.5  protrude linear 0 to 1  material "m2"
    }
    object lightray "r" { origin position (0, 0, 6)  target object "b"  hotspot 25  resolution 16  length 4 }
    object timemapper "tm" { mapper linear 0 to 5 }
    object beziersurface "nomat" { material "unknown" })"));
  ASSERT_TRUE(r.read.ok) << r.read.message;
  cText3Dscene& scene = *r.scene;
  EXPECT_EQ(Tree(scene.root), "b,s(" + std::string(scene.root->nextSibling->firstChild->GetName()) + "," +
                                  scene.root->nextSibling->firstChild->nextSibling->GetName() + "," +
                                  scene.root->nextSibling->firstChild->nextSibling->nextSibling->GetName() +
                                  "," +
                                  scene.root->nextSibling->firstChild->nextSibling->nextSibling->nextSibling
                                      ->GetName() +
                                  "),r,tm,nomat");

  auto* b = dynamic_cast<c3Dbeziersurface*>(scene.FindObject("b"));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->material, scene.FindMaterial("m1"));
  EXPECT_EQ(b->steps, 150);
  const Vector set = Value3(b->setTracks[15], 0);
  EXPECT_EQ(set.x, 1);
  EXPECT_EQ(set.y, 2);
  EXPECT_EQ(set.z, 3);
  EXPECT_EQ(Value3(b->moveTracks[c3Dbeziersurface::NetIndex(1, 2)], 0).z, 1);
  for (int k = 0; k < 16; ++k) {
    EXPECT_EQ(b->setTracks[k] != nullptr, k == 15) << k;
    EXPECT_EQ(b->moveTracks[k] != nullptr, k == 4) << k;
  }
  EXPECT_EQ(Value3(b->cornerTracks[2], 0).y, 1);
  EXPECT_EQ(Value3(b->positionTrack, 0).x, 5);

  auto* s = dynamic_cast<c3Dspike*>(scene.FindObject("s"));
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(s->fourMaterials);  // a later single name leaves the mode on
  EXPECT_EQ(s->material, scene.FindMaterial("m2"));
  for (int p = 0; p < 4; ++p) EXPECT_EQ(s->patchMaterials[p], scene.materials[p]) << p;
  EXPECT_EQ(s->steps, 6);
  EXPECT_EQ(s->direction.y, 2);
  s->protrudeTrack->Evaluate(5);
  EXPECT_FLOAT_EQ(s->protrudeTrack->GetValue(0), 0.5f);  // a ramp over the scene's 10 frames
  EXPECT_FLOAT_EQ((s->vortexTrack->Evaluate(0), s->vortexTrack->GetValue(0)), 0.5f);

  auto* ray = dynamic_cast<c3Dlightray*>(scene.FindObject("r"));
  ASSERT_NE(ray, nullptr);
  EXPECT_EQ(ray->origin.kind, t3DPoint::kPosition);
  EXPECT_EQ(Value3(ray->origin.track, 0).z, 6);
  EXPECT_EQ(ray->target.kind, t3DPoint::kObject);
  EXPECT_EQ(ray->target.object, b);
  for (auto [track, value] : {std::pair{ray->hotspotTrack, 25.0f}, {ray->resolutionTrack, 16.0f},
                              {ray->lengthTrack, 4.0f}}) {
    track->Evaluate(0);
    EXPECT_EQ(track->GetValue(0), value);
  }
  auto* mapper = dynamic_cast<c3Dtime_mapper*>(scene.FindObject("tm"));
  ASSERT_NE(mapper, nullptr);
  mapper->timeTrack->Evaluate(10);
  EXPECT_EQ(mapper->timeTrack->GetValue(0), 5);

  EXPECT_EQ(dynamic_cast<c3Dbeziersurface*>(scene.FindObject("nomat"))->material, nullptr);
  EXPECT_TRUE(Logged("3ds\\test.T3D(19,56) Warning: Material \"unknown\" does not exists!"));
  EXPECT_TRUE(Logged("added material \"m4\""));
}

TEST(Text3D, MaterialStatementReplacesTheMaterialEverywhere) {
  testsupport::ScopedTempDir dir;  // a debug log of its own
  const Read r = ParseScene(InScene(R"(
    material "glass" {}
    object beziersurface "b" { material "glass" }
    object spike "one" { material "glass" }
    object spike "four" { material "glass", "glass", "glass", "glass" }
    material "GLASS" { diffuse (0, 1, 0) }
    object beziersurface "after" { material "Glass" })"));
  ASSERT_TRUE(r.read.ok) << r.read.message;
  cText3Dscene& scene = *r.scene;
  ASSERT_EQ(scene.materials.size(), 1u);
  cMaterial* glass = scene.materials[0];
  EXPECT_STREQ(glass->GetName(), "GLASS");
  EXPECT_EQ(dynamic_cast<c3Dbeziersurface*>(scene.FindObject("b"))->material, glass);
  EXPECT_EQ(dynamic_cast<c3Dbeziersurface*>(scene.FindObject("after"))->material, glass);
  auto* one = dynamic_cast<c3Dspike*>(scene.FindObject("one"));
  auto* four = dynamic_cast<c3Dspike*>(scene.FindObject("four"));
  EXPECT_EQ(one->material, glass);
  for (cMaterial* m : four->patchMaterials) EXPECT_EQ(m, glass);
  // The spikes hand the material on at their first layout.
  scene.root->Update(0, 0, 0, 0);
  for (c3Dspike* spike : {one, four})
    for (c3Dbeziersurface* patch : spike->patches) EXPECT_EQ(patch->material, glass);
  EXPECT_TRUE(Logged("added material \"glass\""));
  EXPECT_TRUE(Logged("replaced material \"GLASS\""));
}

// ---- merge

// The demo's "3DS" collector for these tests: animations made by code.
std::map<std::string, std::function<c3Dscene*(cVOXAdemo*)>>& Animations() {
  static std::map<std::string, std::function<c3Dscene*(cVOXAdemo*)>> made;
  return made;
}

class TestAnimations : public cVOXAdatacollector {
 public:
  TestAnimations() : cVOXAdatacollector("3DS") {}
  ~TestAnimations() override { FreeEntries(); }
  void FreeItem(void* data) override { delete static_cast<c3Dscene*>(data); }
  bool LoadItem(tDataEntry* entry) override {
    auto made = Animations().find(entry->name);
    if (made == Animations().end()) return false;
    entry->data = made->second(demo);
    return entry->data != nullptr;
  }
};

class Text3DMerge : public ::testing::Test {
 protected:
  void SetUp() override {
    // A debug log of its own, in the fixture's folder.
    ASSERT_TRUE(demo.AddDataCollector(new TestAnimations));
    Animations()["robot"] = [](cVOXAdemo*) {
      auto* scene = new c3Dscene;
      auto* body = new c3DStemporary;
      body->SetName("body");
      auto* camera = new c3DScamera;
      camera->SetName("cam");
      auto* lamp = new c3DSlight_omni;
      lamp->SetName("lamp");
      body->firstChild = camera;
      camera->nextSibling = lamp;
      scene->root = body;
      body->SetScene(scene);
      auto* chrome = new cMaterial;
      chrome->SetName("chrome");
      scene->AddMaterial(chrome);
      scene->CollectCamerasAndLights(scene->root);
      return scene;
    };
    Animations()["empty"] = [](cVOXAdemo*) { return new c3Dscene; };
    Animations()["self"] = [](cVOXAdemo* demo) -> c3Dscene* {
      const Read r = ParseScene(InScene("object temporary \"x\" {} object merge { file \"self\" }"), demo);
      return r.read.ok ? r.scene->Duplicate() : nullptr;
    };
  }
  void TearDown() override { Animations().clear(); }

  testsupport::ScopedTempDir dir_;
  cVOXAdemo demo;
};

TEST_F(Text3DMerge, CopiesTheAnimationUnderItsNewNames) {
  // A user that holds the animation already: the merges must leave it as it is.
  cVOXAdatacollector* collector = demo.FindDataCollector("3DS");
  auto* cached = static_cast<c3Dscene*>(collector->GetData("robot"));
  ASSERT_NE(cached, nullptr);

  const Read r = ParseScene(InScene(R"(
    object merge { file "robot" }
    object temporary "t" { object merge { file "robot" suffix "bot1." } }
    attach to "t": merge { file "robot"; suffix none }
    object merge { file "missing" }
    object merge { suffix default file "self" }
    object temporary "after" {})"),
                            &demo);
  ASSERT_TRUE(r.read.ok) << r.read.message;
  cText3Dscene& scene = *r.scene;
  EXPECT_EQ(Tree(scene.root),
            "robot.body(robot.cam,robot.lamp),t(bot1.body(bot1.cam,bot1.lamp),body(cam,lamp)),self.x,after");
  ASSERT_EQ(scene.materials.size(), 3u);
  EXPECT_STREQ(scene.materials[0]->GetName(), "robot.chrome");
  EXPECT_STREQ(scene.materials[1]->GetName(), "bot1.chrome");
  EXPECT_STREQ(scene.materials[2]->GetName(), "chrome");
  for (cMaterial* m : scene.materials) EXPECT_EQ(m->scene, &scene);
  ASSERT_EQ(scene.cameras.size(), 3u);
  ASSERT_EQ(scene.lights.size(), 3u);
  EXPECT_STREQ(scene.cameras[1]->GetName(), "bot1.cam");
  EXPECT_STREQ(scene.lights[2]->GetName(), "lamp");
  for (c3Dcamera* camera : scene.cameras) {
    EXPECT_EQ(camera->scene, &scene);
    EXPECT_EQ(camera->currentView, &scene.currentView);
  }
  EXPECT_TRUE(Logged("Recursive use of data piece called \"self\" detected! Aborting..."));
  EXPECT_TRUE(Logged("Error on loading data \"missing\""));

  // The cached animation is untouched and held by its first user alone.
  EXPECT_EQ(Tree(cached->root), "body(cam,lamp)");
  EXPECT_STREQ(cached->materials[0]->GetName(), "chrome");
  EXPECT_EQ(cached->root->scene, cached);
  scene.FindObject("body")->SetName("renamed");
  EXPECT_STREQ(cached->root->GetName(), "body");
  EXPECT_TRUE(collector->ReleaseDataByPointer(cached));
  for (tDataEntry* entry : collector->entries) EXPECT_NE(entry->name, "robot");
}

TEST_F(Text3DMerge, AnAnimationWithoutObjectsFailsTheFileAndIsReleased) {
  const Read r = ParseScene(InScene("object merge { file \"empty\" }"), &demo);
  testsupport::ExpectRaised(r.read, {-1, "Scene \"empty\" contains no objects!", 4, 2});
  cVOXAdatacollector* collector = demo.FindDataCollector("3DS");
  ASSERT_NE(collector, nullptr);
  EXPECT_TRUE(collector->entries.empty());
}

// A wobbler names triangular meshes of earlier statements only, and "all"
// leaves its list empty. Before each case the merged "pair" brings the meshes
// "a" and "b", and a Bezier surface "bs" follows.
TEST_F(Text3DMerge, WobblerBlock) {
  Animations()["pair"] = [](cVOXAdemo*) {
    auto* scene = new c3Dscene;
    auto* a = new c3DSmesh;
    a->SetName("a");
    auto* b = new c3DSmesh;
    b->SetName("b");
    a->nextSibling = b;
    scene->root = a;
    a->SetScene(scene);
    return scene;
  };
  struct Case {
    const char* text;
    std::int32_t code;  // 0: read
    const char* message;
    std::vector<std::string> listed;
  } cases[] = {
      {"objects \"A\", \"b\"", 0, "", {"a", "b"}},
      {"objects , \"b\", \"b\"", 0, "", {"b", "b"}},
      {"objects \"a\" objects all", 0, "", {}},
      {"objects \"later\" } object temporary \"later\" {", -1,
       "Object \"later\" does not exists in 3DS animation!", {}},
      {"objects \"w\"", -1, "Object \"w\" does not exists in 3DS animation!", {}},
      {"objects \"a\", \"bs\"", -1, "Object \"bs\" is no mesh!", {}},
      {"objects a", 2, "String expected, but found Identifier!", {}},
      {"objects \"a\",", 2, "String expected, but found }!", {}},
      {"time 0.5", 100, "Syntax error!", {}},
      {"fade factor 2", 100, "Syntax error!", {}},
      {"Intensity 2", 100, "Syntax error!", {}},
      {"position (0, 0, 1)", 100, "Syntax error!", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const Read r = ParseScene(
        InScene(std::string("object merge { file \"pair\" suffix none } object beziersurface \"bs\" "
                            "{ } object wobbler \"w\" { ") +
                c.text + " }"),
        &demo);
    EXPECT_EQ(r.read.code, c.code);
    EXPECT_EQ(r.read.message, c.message);
    if (c.code != 0) continue;
    auto* w = dynamic_cast<c3Dwobbler*>(r.scene->FindObject("w"));
    ASSERT_NE(w, nullptr);
    std::vector<std::string> listed;
    for (c3Dobject* object : w->objectList) listed.push_back(object->GetName());
    EXPECT_EQ(listed, c.listed);
  }

  // The tracks, a later item replacing an earlier one; children and a track block.
  const Read r = ParseScene(InScene(R"(object wobbler "w" {
      time multiplyer 1  wave multiplyer 2  intensity 7  intensity 3; fade area 4
      parameter { position (0, 0, 5) }  object temporary "c" { } })"));
  ASSERT_TRUE(r.read.ok) << r.read.message;
  auto* w = dynamic_cast<c3Dwobbler*>(r.scene->FindObject("w"));
  ASSERT_NE(w, nullptr);
  float expected = 1;
  for (cView3Di_position* track :
       {w->timeMultiplyerTrack, w->waveMultiplyerTrack, w->intensityTrack, w->fadeAreaTrack}) {
    ASSERT_NE(track, nullptr);
    track->Evaluate(0);
    EXPECT_EQ(track->GetValue(0), expected++);
  }
  EXPECT_EQ(Value3(w->positionTrack, 0).z, 5);
  EXPECT_EQ(Tree(r.scene->root), "w(c)");
}

TEST(Text3D, DuplicateIsATextSceneWhoseSpikesDriveTheirOwnPatches) {
  const Read r = ParseScene(InScene(R"(
    material "m" {}
    object spike "s" { material "m" protrude 1 }
    object lightray "r" { origin object "s" target position (0, 0, 1) })"));
  ASSERT_TRUE(r.read.ok) << r.read.message;
  std::unique_ptr<c3Dscene> copy(r.scene->Duplicate());
  ASSERT_NE(dynamic_cast<cText3Dscene*>(copy.get()), nullptr);
  auto* source = dynamic_cast<c3Dspike*>(r.scene->FindObject("s"));
  auto* spike = dynamic_cast<c3Dspike*>(copy->FindObject("s"));
  ASSERT_NE(spike, nullptr);
  EXPECT_EQ(spike->material, copy->materials[0]);
  c3Dobject* child = spike->firstChild;
  for (c3Dbeziersurface* patch : spike->patches) {
    EXPECT_EQ(patch, child);
    child = child->nextSibling;
  }
  copy->root->Update(0, 0, 0, 0);
  EXPECT_FLOAT_EQ(spike->patches[0]->controlPoints[c3Dbeziersurface::NetIndex(4, 1)].z, 1);
  EXPECT_EQ(source->patches[0]->controlPoints[c3Dbeziersurface::NetIndex(4, 1)].z, 0);
  EXPECT_EQ(dynamic_cast<c3Dlightray*>(copy->FindObject("r"))->origin.object, spike);
}

// The sample scenes, loaded from files as an animation description loads them.
class Text3DFiles : public Text3DMerge {
 protected:
  void SetUp() override {
    Text3DMerge::SetUp();
    ClearFileAccessFunctions();
    AddFileAccessFunction(kernel::PlainFileAccess);
  }
  void TearDown() override {
    ClearFileAccessFunctions();
    Text3DMerge::TearDown();
  }
  bool LoadFile(cText3Dscene& scene, const char* name) {
    std::filesystem::create_directories(dir_.path() / "3ds");
    std::filesystem::copy_file(std::filesystem::path(std::getenv("VOXA2_SOURCE_DIR")) /
                                   "tests/threedee/loaders/data" / name,
                               dir_.path() / "3ds" / name);
    scene.demo = &demo;
    const bool ok = scene.Load((std::string("3ds\\") + name).c_str());
    if (!ok)
      for (const std::string& line : testsupport::DebugLogLines()) ADD_FAILURE() << line;
    return ok;
  }
};

TEST_F(Text3DFiles, SampleScenesLoadAndRun) {
  cText3Dscene kinds;
  ASSERT_TRUE(LoadFile(kinds, "kinds.T3D"));
  EXPECT_EQ(kinds.parser, nullptr);
  auto* spike = dynamic_cast<c3Dspike*>(kinds.FindObject("s"));
  ASSERT_NE(spike, nullptr);
  c3Dobject* mapper = kinds.FindObject("tm");
  EXPECT_EQ(Tree(mapper->firstChild, mapper).substr(0, 6), "inner(");
  EXPECT_NE(kinds.FindObject("late"), nullptr);
  // "M2" replaced "m2" after the spike named it.
  EXPECT_EQ(spike->material, kinds.FindMaterial("m2"));
  EXPECT_STREQ(spike->material->GetName(), "M2");
  for (float frame : {0.0f, 10.0f, 25.0f}) EXPECT_TRUE(kinds.root->Update(frame, 0, 0, 0));

  cText3Dscene merged;
  ASSERT_TRUE(LoadFile(merged, "merge.T3D"));
  EXPECT_EQ(Tree(merged.root),
            "turntable(body(cam,lamp)),bot1.body(bot1.cam,bot1.lamp),self.x,beam");
  EXPECT_EQ(dynamic_cast<c3Dlightray*>(merged.FindObject("beam"))->origin.object, merged.FindObject("bot1.cam"));

  cText3Dscene missing;
  EXPECT_FALSE(missing.Load("3ds\\none.T3D"));
}

}  // namespace
