#include "tests/view3d/view3d_fixture.h"

#include <algorithm>

#include "demo/datacollector.h"
#include "demo/pipeline.h"
#include "threedee/scene/cameras.h"
#include "threedee/scene/trimesh.h"

namespace view3dtest {

using namespace VOXA2;
using namespace VOXA2::threedee;

std::map<std::string, std::function<c3Dscene*()>>& Scenes() {
  static std::map<std::string, std::function<c3Dscene*()>> scenes;
  return scenes;
}

namespace {

class cSceneCollector : public cVOXAdatacollector {
 public:
  cSceneCollector() : cVOXAdatacollector("3DS") {}
  ~cSceneCollector() override { FreeEntries(); }
  void FreeItem(void* data) override { delete static_cast<c3Dscene*>(data); }
  bool LoadItem(tDataEntry* entry) override {
    const auto made = Scenes().find(entry->name);
    if (made == Scenes().end()) return false;
    entry->data = made->second();
    return entry->data != nullptr;
  }
};

cVOXAdatacollector* NewSceneCollector() { return new cSceneCollector; }

template <class T>
T* Named(const char* name) {
  auto* object = new T;
  object->SetName(name);
  return object;
}

}  // namespace

c3Dscene* NamesOnlyScene() {
  auto* scene = new c3Dscene;
  scene->frames = 100;
  c3Dobject* chain[] = {Named<c3Dcamera>("cam"), Named<c3Dtarget>("aim"),
                        Named<c3Dobject>("thing"), Named<c3DtriangularMesh>("mesh")};
  scene->root = chain[0];
  for (int i = 0; i + 1 < 4; i++) chain[i]->nextSibling = chain[i + 1];
  scene->root->SetScene(scene);
  scene->CollectCamerasAndLights(scene->root);
  return scene;
}

void View3DTest::SetUp() {
  DemoTest::SetUp();
  ASSERT_TRUE(RegisterView3D());
  ASSERT_TRUE(RegisterCommands());
  ASSERT_TRUE(RegisterDataCollectorKind("3DS", NewSceneCollector));
  Scenes()["names"] = NamesOnlyScene;
}

void View3DTest::TearDown() {
  DemoTest::TearDown();
  UnregisterDataCollectorKind("3DS");
  Scenes().clear();
}

cVOXAview3D* View3DTest::View() {
  return dynamic_cast<cVOXAview3D*>(demo->pipelines.at(0)->commands.at(0));
}

bool View3DTest::Logged(const std::string& line) const {
  const auto lines = LogLines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace view3dtest
