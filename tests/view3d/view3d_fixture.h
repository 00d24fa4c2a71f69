// The view3D command's tests: scripts compiled from memory with the view3D
// command and its sub-commands registered, and animations built in code: the
// demo's "3DS" collector reads a description "3ds\NAME.dsc" naming a scene of
// the Text3D kind, whose maker the tests replace by one that builds NAME.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "tests/demo/demo_fixture.h"
#include "threedee/loaders/animationcollector.h"
#include "threedee/scene/scene.h"
#include "view3d/view3d.h"

namespace view3dtest {

using SceneBuilder = std::function<void(VOXA2::threedee::c3Dscene&)>;
// The animations by name, built on the first request of the name.
std::map<std::string, SceneBuilder>& Scenes();

// A camera "cam", a target "aim", a plain object "thing" and an empty
// triangular mesh "mesh", of 100 frames: enough to name, not to draw.
void NamesOnlyScene(VOXA2::threedee::c3Dscene& scene);

class View3DTest : public demotest::DemoTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Compiles text as "demo.txt" with the descriptions of the scenes beside it.
  bool Compile(const std::string& text);
  // The view3D command of the first entry of the first pipeline.
  VOXA2::cVOXAview3D* View();
  // Whether a log line equals the text.
  bool Logged(const std::string& line) const;

 private:
  VOXA2::tAnimationSceneMaker textMaker_ = nullptr;
};

}  // namespace view3dtest
