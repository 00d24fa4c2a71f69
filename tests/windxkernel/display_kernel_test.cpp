#include <gtest/gtest.h>

#include "tests/windxkernel/display_support.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/nolauncher/nolauncher.h"
#include "windxkernel/sound.h"
#include "windxkernel/video.h"

using displaytest::ContainsInOrder;
using displaytest::LogLines;

// The kernel's start-up sets up the devices in order, and a failing demo
// set-up tears them down again before the program ends.
TEST(DisplayKernel, FailedDemoSetUpReleasesEveryDevice) {
  displaytest::Environment env;
  int freed = 0;
  VOXA2::Hooks().setupDemos = [] { return false; };
  VOXA2::Hooks().freeDemos = [&] { ++freed; };
  int code = RunApplication(nullptr, nullptr, "debugmode windowed", SW_SHOWNORMAL);
  EXPECT_EQ(code, 1);
  EXPECT_GE(freed, 1);
  EXPECT_EQ(kernel::videoState.directDraw, nullptr);
  EXPECT_EQ(kernel::d3dState.direct3D, nullptr);
  EXPECT_TRUE(kernel::ddDevices.empty());
  EXPECT_EQ(VOXA2::video::GetVideoDevice(0), nullptr);
  EXPECT_EQ(GetSoundDevice(0), nullptr);
  EXPECT_TRUE(ContainsInOrder(
      LogLines(), {"Enumerating all DD devices", "  DirectDraw initialization completed!",
                   "Creating the Direct3D object", "    This works...",
                   "Checking device \"Silence Device\" (-2)",
                   "Could not initialize the Independent VOXA Kernel! Aborting...",
                   "Fatal error occured: Fatal: Error on initialization!"}));
}
