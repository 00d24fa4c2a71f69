// The view3D command's tests: scripts compiled from memory with the view3D
// command and its sub-commands registered, and a "3DS" collector that hands
// out scenes built in code by name.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "tests/demo/demo_fixture.h"
#include "threedee/scene/scene.h"
#include "view3d/view3d.h"

namespace view3dtest {

// The scenes the collector makes on the first request of their name.
std::map<std::string, std::function<VOXA2::threedee::c3Dscene*()>>& Scenes();

// A scene of a camera "cam", a target "aim", a plain object "thing" and an
// empty triangular mesh "mesh", of 100 frames: enough to name, not to draw.
VOXA2::threedee::c3Dscene* NamesOnlyScene();

class View3DTest : public demotest::DemoTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The view3D command of the first entry of the first pipeline.
  VOXA2::cVOXAview3D* View();
  // Whether a log line equals the text.
  bool Logged(const std::string& line) const;
};

}  // namespace view3dtest
