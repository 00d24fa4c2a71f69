#include "tests/view3d/view3d_fixture.h"

#include <algorithm>

#include "demo/pipeline.h"
#include "threedee/scene/cameras.h"
#include "threedee/scene/trimesh.h"

namespace view3dtest {

using namespace VOXA2;
using namespace VOXA2::threedee;

std::map<std::string, SceneBuilder>& Scenes() {
  static std::map<std::string, SceneBuilder> scenes;
  return scenes;
}

namespace {

// Built by name from the file name the description gives: "3ds\NAME.T3D".
class cBuiltScene : public c3Dscene {
 public:
  bool Load(const char* fileName) override {
    std::string name = fileName;
    name = name.substr(name.rfind('\\') + 1);
    name = name.substr(0, name.rfind('.'));
    const auto builder = Scenes().find(name);
    if (builder == Scenes().end()) return false;
    builder->second(*this);
    return true;
  }
};

c3Dscene* NewBuiltScene() { return new cBuiltScene; }

template <class T>
T* Named(const char* name) {
  auto* object = new T;
  object->SetName(name);
  return object;
}

}  // namespace

void NamesOnlyScene(c3Dscene& scene) {
  scene.frames = 100;
  c3Dobject* chain[] = {Named<c3Dcamera>("cam"), Named<c3Dtarget>("aim"),
                        Named<c3Dobject>("thing"), Named<c3DtriangularMesh>("mesh")};
  scene.root = chain[0];
  for (int i = 0; i + 1 < 4; i++) chain[i]->nextSibling = chain[i + 1];
  scene.root->SetScene(&scene);
  scene.CollectCamerasAndLights(scene.root);
}

void View3DTest::SetUp() {
  DemoTest::SetUp();
  ASSERT_TRUE(RegisterView3D());
  ASSERT_TRUE(RegisterCommands());
  textMaker_ = AnimationSceneKinds()[kAnimationText3D].make;
  AnimationSceneKinds()[kAnimationText3D].make = NewBuiltScene;
  Scenes()["names"] = NamesOnlyScene;
}

void View3DTest::TearDown() {
  DemoTest::TearDown();
  AnimationSceneKinds()[kAnimationText3D].make = textMaker_;
  Scenes().clear();
}

bool View3DTest::Compile(const std::string& text) {
  for (const auto& [name, builder] : Scenes())
    demotest::Files()["3ds\\" + name + ".dsc"] = "animation t3d \"" + name + "\" { }";
  return DemoTest::Compile(text);
}

cVOXAview3D* View3DTest::View() {
  return dynamic_cast<cVOXAview3D*>(demo->pipelines.at(0)->commands.at(0));
}

bool View3DTest::Logged(const std::string& line) const {
  const auto lines = LogLines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace view3dtest
