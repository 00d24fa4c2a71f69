// The 3D animation collector: description files (kinds, materials, errors with
// their messages), the fallback to "3ds\NAME.3DS", one load per demo with use
// counts, release, retry after a failure, and "use" in a demo script.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "demo/block.h"
#include "demo/command.h"
#include "demo/demo.h"
#include "effects2d/frame.h"
#include "foundation/archive.h"
#include "foundation/fakearchive.h"
#include "foundation/streams.h"
#include "script/parser.h"
#include "tests/support/tempdir.h"
#include "tests/threedee/loaders/chunkwriter.h"
#include "tests/threedee/scene/scene_device.h"
#include "threedee/loaders/animationcollector.h"
#include "threedee/scene/cameras.h"
#include "threedee/scene/map.h"
#include "threedee/scene/material.h"
#include "threedee/scene/scene.h"
#include "threedee/scene/trimesh.h"

namespace {

using namespace chunkwriter;
using VOXA2::cVOXAdemo;
using VOXA2::threedee::c3Dscene;
using VOXA2::threedee::cMap;
using VOXA2::threedee::cMaterial;

std::map<std::string, std::string>& Files() {
  static std::map<std::string, std::string> files;
  return files;
}

std::unique_ptr<TStream> OpenMemoryFile(const char* path, int32_t) {
  auto it = Files().find(path);
  if (it == Files().end()) return nullptr;
  return std::make_unique<TMemFile>(it->second.data(), static_cast<int32_t>(it->second.size()),
                                    true);
}

// A 3DS file of materials only (a keyframer of no nodes makes no objects).
Bytes MaterialsFile(std::initializer_list<std::string> names, std::uint32_t frames = 50) {
  Bytes materials;
  for (const std::string& name : names) materials += Material(name);
  return Main({Chunk(0x3D3D, Chunk(0x3D3E, U32(3)) + materials),
               Chunk(0xB000, "", {Chunk(0xB00A, U16(5) + Str("S") + U32(frames))})});
}

std::vector<std::string> MaterialNames(const c3Dscene* scene) {
  std::vector<std::string> names;
  for (const cMaterial* m : scene->materials) names.push_back(m && m->GetName() ? m->GetName() : "");
  return names;
}

// Stands in for the demo's texture collector: hands out a token for every name.
class RecordingTextures : public VOXA2::cVOXAdatacollector {
 public:
  RecordingTextures() : cVOXAdatacollector("texture") {}
  ~RecordingTextures() override { FreeEntries(); }
  void FreeItem(void*) override {}
  bool LoadItem(VOXA2::tDataEntry* entry) override {
    requested.push_back(entry->name);
    entry->data = this;
    return true;
  }
  std::vector<std::string> requested;
};

// A Text3D scene stand-in: loads when its file exists and counts its deaths.
int text3dDeaths = 0;
class FakeText3D : public c3Dscene {
 public:
  ~FakeText3D() override { ++text3dDeaths; }
  bool Load(const char* fileName) override {
    path = fileName;
    return Files().count(fileName) > 0;
  }
  std::string path;
};
c3Dscene* MakeFakeText3D() { return new FakeText3D(); }

class AnimationCollector : public ::testing::Test {
 protected:
  void SetUp() override {
    Files().clear();
    ClearFileAccessFunctions();
    AddFileAccessFunction(OpenMemoryFile);
    demo = std::make_unique<cVOXAdemo>();
    textures = new RecordingTextures();
    ASSERT_TRUE(demo->AddDataCollector(textures));
    std::remove("debug.txt");
  }
  void TearDown() override {
    demo.reset();
    VOXA2::AnimationSceneKinds()[VOXA2::kAnimationText3D].make = nullptr;
    FreeFileAccessLists();
    Files().clear();
  }
  c3Dscene* Get(const char* name) { return VOXA2::GetAnimation(demo.get(), name); }
  std::size_t Entries() { return VOXA2::Find3DScollector(demo.get())->entries.size(); }
  static std::vector<std::string> Log() { return testsupport::DebugLogLines(); }
  static bool Logged(const std::string& line) {
    std::vector<std::string> log = Log();
    return std::find(log.begin(), log.end(), line) != log.end();
  }

  testsupport::ScopedTempDir dir_;
  std::unique_ptr<cVOXAdemo> demo;
  RecordingTextures* textures = nullptr;
};

struct DescriptionCase {
  const char* label;
  const char* description;  // "3ds\\anim.dsc"; none: no description file
  bool loads;
  std::vector<std::string> materials;  // of the loaded scene
  std::vector<std::string> lines;      // in this order in the log
};

// "3ds\\anim.3DS" holds Chrome, "3ds\\OTHER.3DS" holds Gold; no other scene file exists.
TEST_F(AnimationCollector, DescriptionsLoadTheirSceneOrFallBackOrFail) {
  const std::string parseError = "Error on parsing animation description file \"3ds\\anim.dsc\"!";
  const DescriptionCase cases[] = {
      {"no description", nullptr, true, {"(default)", "Chrome"}, {"Loading 3D animation anim"}},
      {"a3ds naming another file", "animation a3ds \"OTHER\" { }", true, {"(default)", "Gold"}, {}},
      {"empty description", "// nothing here\n", true, {"(default)", "Chrome"}, {}},
      {"text after the block is not read", "animation a3ds \"OTHER\" { ; } animation 7 words", true,
       {"(default)", "Gold"}, {}},
      {"missing scene falls back", "animation a3ds \"MISSING\" { material \"x\" { } }", true,
       {"(default)", "Chrome"}, {"Could not load 3ds\\MISSING.3DS"}},
      {"t3d without its reader falls back", "animation t3d \"garden\" { }", true,
       {"(default)", "Chrome"}, {"Could not load 3ds\\garden.T3D"}},
      {"capital Animation", "Animation a3ds \"OTHER\" { }", false, {},
       {"3ds\\anim.dsc(1,10) Error 100 occured: Syntax error!", parseError}},
      {"unknown kind", "animation 3ds \"OTHER\" { }", false, {},
       {"3ds\\anim.dsc(1,12) Error 100 occured: Syntax error!", parseError}},
      {"unknown item", "animation a3ds \"OTHER\" { texture \"x\" }", false, {},
       {"3ds\\anim.dsc(1,33) Error 101 occured: Syntax error!", parseError}},
      {"unclosed block", "animation a3ds \"OTHER\" { ;", false, {},
       {"3ds\\anim.dsc(1,27) Error 101 occured: Syntax error!", parseError}},
      {"name not a string", "animation a3ds OTHER { }", false, {},
       {"3ds\\anim.dsc(1,21) Error 2 occured: String expected, but found Identifier!", parseError}},
  };
  for (const DescriptionCase& c : cases) {
    SCOPED_TRACE(c.label);
    Files().clear();
    Files()["3ds\\anim.3DS"] = MaterialsFile({"Chrome"});
    Files()["3ds\\OTHER.3DS"] = MaterialsFile({"Gold"});
    if (c.description) Files()["3ds\\anim.dsc"] = c.description;
    std::remove("debug.txt");
    c3Dscene* scene = Get("anim");
    ASSERT_EQ(scene != nullptr, c.loads);
    if (scene) {
      EXPECT_EQ(MaterialNames(scene), c.materials);
      EXPECT_EQ(scene->demo, demo.get());
      ASSERT_TRUE(VOXA2::ReleaseAnimation(demo.get(), scene));
    }
    EXPECT_EQ(Entries(), 0u);
    std::vector<std::string> log = Log();
    auto at = log.begin();
    for (const std::string& line : c.lines) {
      at = std::find(at, log.end(), line);
      EXPECT_NE(at, log.end()) << line << " in " << ::testing::PrintToString(log);
    }
  }
}

TEST_F(AnimationCollector, NothingToLoadIsLoggedAndNotKept) {
  Files()["3ds\\anim.dsc"] = "animation a3ds \"MISSING\" { }";
  EXPECT_EQ(Get("anim"), nullptr);
  EXPECT_TRUE(Logged("Could not load 3ds\\MISSING.3DS"));
  EXPECT_TRUE(Logged("Could not load 3ds\\anim.3DS (compatibility call)"));
  EXPECT_EQ(Entries(), 0u);
}

// Materials of a description: a name of the file (any case) is replaced, a new
// name is added, and a second block of that new name replaces the first; the
// textures are asked for afterwards, description's and file's alike.
TEST_F(AnimationCollector, DescriptionMaterialsReplaceOrAddBeforeTheTexturesLoad) {
  Files()["3ds\\ROBOT01.3DS"] = Main({Editor({Material(
      "CHROME", {Chunk(0xA200, "", {Percent(100), Chunk(0xA300, Str("steel.tga"))})})})});
  Files()["3ds\\robot.dsc"] =
      "animation a3ds \"ROBOT01\" {\n"
      "  material \"chrome\" { diffuse (0.7, 0.7, 0.75) environment { file \"envmap\" } }\n"
      "  material \"decal\" { diffuse (1, 0, 0) };\n"
      "  material \"DECAL\" { texture { file \"logo\" } }\n"
      "}\n";
  c3Dscene* scene = Get("robot");
  ASSERT_NE(scene, nullptr);
  EXPECT_EQ(MaterialNames(scene), (std::vector<std::string>{"(default)", "chrome", "DECAL"}));
  for (cMaterial* m : scene->materials) EXPECT_EQ(m->scene, scene);
  EXPECT_EQ(textures->requested, (std::vector<std::string>{"envmap", "logo"}));
  std::vector<std::string> log = Log();
  const std::vector<std::string> expected = {"replaced material \"chrome\" in animation!",
                                             "Adding material",
                                             "added material \"decal\" to animation!",
                                             "replaced material \"DECAL\" in animation!"};
  auto first = std::find(log.begin(), log.end(), expected[0]);
  ASSERT_LE(first + 4, log.end());
  EXPECT_EQ(std::vector<std::string>(first, first + 4), expected);
}

// The meshes of the tree are pointed at the replacing material; the replaced
// one is gone (the sanitizer would see a stale pointer used).
TEST_F(AnimationCollector, ReplacedMaterialsReachEveryMesh) {
  const Bytes cube = Object("Cube", {Chunk(0x4100, "", {CubeVertices(), CubeMapping(),
                                                        CubeFaces({FaceMaterial("Red", {0, 1, 2, 3, 4, 5}),
                                                                   FaceMaterial("Blue", {6, 7, 8, 9, 10, 11})})})});
  Files()["3ds\\cube.3DS"] =
      Main({Editor({Material("Red"), Material("Blue"), cube}),
            Keyframer({Node(0xB002, "Cube", -1)})});
  Files()["3ds\\cube.dsc"] = "animation a3ds \"cube\" { material \"red\" { diffuse (0, 1, 0) } }";
  std::vector<std::string> parts;
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    c3Dscene* scene = Get("cube");
    ASSERT_NE(scene, nullptr);
    auto* mesh = dynamic_cast<VOXA2::threedee::c3DtriangularMesh*>(scene->root);
    ASSERT_NE(mesh, nullptr);
    for (auto& part : mesh->parts) {
      parts.push_back(part->material->GetName());
      EXPECT_NE(std::find(scene->materials.begin(), scene->materials.end(), part->material),
                scene->materials.end());
    }
    demo.reset();
  });
  std::sort(parts.begin(), parts.end());
  EXPECT_EQ(parts, (std::vector<std::string>{"Blue", "red"}));
}

TEST_F(AnimationCollector, OneLoadPerDemoSharedUntilTheLastRelease) {
  Files()["3ds\\box.3DS"] = MaterialsFile({"Chrome"});
  c3Dscene* first = Get("box");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Get("BOX"), first);
  std::vector<std::string> log = Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Loading 3D animation box"), 1);
  ASSERT_TRUE(VOXA2::ReleaseAnimation(demo.get(), first));
  EXPECT_EQ(Entries(), 1u);
  ASSERT_TRUE(VOXA2::ReleaseAnimation(demo.get(), first));
  EXPECT_EQ(Entries(), 0u);
  EXPECT_FALSE(VOXA2::ReleaseAnimation(demo.get(), first));
}

TEST_F(AnimationCollector, FailedLoadIsTriedAgainOnTheNextRequest) {
  EXPECT_EQ(Get("late"), nullptr);
  Files()["3ds\\late.3DS"] = MaterialsFile({"Chrome"});
  EXPECT_NE(Get("late"), nullptr);
  std::vector<std::string> log = Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Loading 3D animation late"), 2);
}

// A "t3d" description loads that kind's file, under the requested name; the
// collector deletes what it still holds with its demo.
TEST_F(AnimationCollector, Text3DKindLoadsItsOwnFileAndDiesWithTheDemo) {
  VOXA2::AnimationSceneKinds()[VOXA2::kAnimationText3D].make = MakeFakeText3D;
  Files()["3ds\\garden.dsc"] = "animation t3d \"winter\" { }";
  Files()["3ds\\winter.T3D"] = "scene 100 { }";
  auto* scene = dynamic_cast<FakeText3D*>(Get("garden"));
  ASSERT_NE(scene, nullptr);
  EXPECT_EQ(scene->path, "3ds\\winter.T3D");
  EXPECT_EQ(Get("Garden"), scene);
  text3dDeaths = 0;
  demo.reset();
  EXPECT_EQ(text3dDeaths, 1);
}

TEST_F(AnimationCollector, TextureCollectorIsMadeWhenTheDemoHasNone) {
  demo = std::make_unique<cVOXAdemo>();
  Files()["3ds\\box.3DS"] = MaterialsFile({"Chrome"});
  ASSERT_EQ(demo->FindDataCollector("texture"), nullptr);
  ASSERT_NE(Get("box"), nullptr);
  EXPECT_NE(demo->FindDataCollector("texture"), nullptr);
}

// A script command that chooses animations by "use", as the view3D command does.
class cUseCommand : public VOXA2::cVOXAcommand {
 public:
  explicit cUseCommand(cVOXAdemo* owner) : cVOXAcommand(owner) {}
  bool Parse(float, float, VOXA2::cParserT* parser) override {
    while (parser->token->code != VOXA2::tokCloseBrace) {
      if (!VOXA2::IsExactWord(parser, "use")) return VOXA2::BlockSyntaxError(parser);
      parser->GetToken();
      parser->Check(VOXA2::tokString);
      const std::string name = static_cast<VOXA2::cStringToken*>(parser->token.get())->text;
      parser->GetToken();
      c3Dscene* scene = VOXA2::GetAnimation(demo, name.c_str());
      if (!scene) return false;
      used.push_back(scene);
      parser->Expect(VOXA2::tokSemicolon);
    }
    parser->GetToken();
    return true;
  }
  static inline std::vector<c3Dscene*> used;
};
VOXA2::cVOXAcommand* CreateUseCommand(cVOXAdemo* owner) { return new cUseCommand(owner); }
const VOXA2::tCommandDesc useCommandDesc = {"view3D", 0xFE000010, CreateUseCommand, 0};

TEST_F(AnimationCollector, ScriptUseReachesTheAnimation) {
  ASSERT_TRUE(VOXA2::InitCommandRegistry());
  ASSERT_TRUE(VOXA2::RegisterCommand(&useCommandDesc));
  Files()["3ds\\space.dsc"] = "animation a3ds \"SPACE01\" { material \"hull\" { } }";
  Files()["3ds\\SPACE01.3DS"] = MaterialsFile({"Hull"});
  cUseCommand::used.clear();
  Files()["demo.txt"] =
      "pipeline p { entry 0 : 1000 : view3D { use \"space\"; }\n"
      "             entry 0 : 1000 : view3D { use \"SPACE\"; } }";
  demo = std::make_unique<cVOXAdemo>();
  EXPECT_TRUE(demo->Load("demo.txt")) << ::testing::PrintToString(Log());
  ASSERT_EQ(cUseCommand::used.size(), 2u);
  EXPECT_EQ(cUseCommand::used[0], cUseCommand::used[1]);
  EXPECT_EQ(MaterialNames(cUseCommand::used[0]), (std::vector<std::string>{"(default)", "hull"}));

  // An animation that cannot be had fails the demo's load.
  Files()["demo.txt"] = "pipeline p { entry 0 : 1000 : view3D { use \"nowhere\"; } }";
  demo = std::make_unique<cVOXAdemo>();
  EXPECT_FALSE(demo->Load("demo.txt"));
  EXPECT_TRUE(Logged("Could not load 3ds\\nowhere.3DS (compatibility call)"));
  demo.reset();
  VOXA2::FreeCommandRegistry();
}

// The sample tree's scene, through its description, on the device with the
// demo's own texture collector: every object, the camera with its target, the
// description's material, and every texture map filled.
TEST_F(AnimationCollector, SampleSceneLoadsWithItsTextures) {
  ASSERT_TRUE(VOXA2::RegisterEffects2D());  // brings the picture readers
  TFakeArchive tree;
  demo = std::make_unique<cVOXAdemo>();
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    // As the player mounts it: the folder "data" of the working folder.
    std::filesystem::create_directory_symlink(VOXA2_PLAY_DIR "/data", "data");
    tree.SetFileName("data\\");
    AddArchive(&tree);
    c3Dscene* scene = Get("space");
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->frames, 900);
    for (const char* name : {"Planet", "Ring", "Moon", "Station", "Core", "Sun", "Fill"})
      EXPECT_NE(scene->FindObject(name), nullptr) << name;
    EXPECT_NE(scene->FindCamera("Camera01"), nullptr);
    EXPECT_NE(scene->FindObject("Camera01.target"), nullptr);
    EXPECT_EQ(MaterialNames(scene), (std::vector<std::string>{"(default)", "Planet", "Ring", "Moon",
                                                              "Hull", "glow"}));
    // A map whose texture cannot be had is dropped: each textured material keeps its map.
    for (int i = 1; i <= 4; ++i) {
      cMap* map = scene->materials[i]->maps[cMaterial::kTextureMap];
      ASSERT_NE(map, nullptr) << i;
      EXPECT_NE(map->texture, nullptr) << i;
    }
    demo.reset();
  });
  RemoveArchive(&tree);
}

}  // namespace
