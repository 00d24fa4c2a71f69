// The launcher's entry points for programs built without the launcher (tools,
// and the tests and benchmarks of the layers below it): each does nothing and
// succeeds unless a test installs its own behaviour.
#pragma once

#include <functional>

#include "windxkernel/launcher.h"

namespace VOXA2 {

// Replacements for the entry points; an empty entry keeps the default.
// ResetLauncherState empties them all.
struct LauncherHooks {
  std::function<bool()> setupDemos;
  std::function<void()> freeDemos;
  std::function<bool(float)> frame;
  std::function<bool(int, int, float)> onMouseMove;
  std::function<bool(int, bool, float)> onMouseButton;
  std::function<bool(int, float)> onMouseWheel;
  std::function<bool(int, bool, float)> onKey;
  std::function<void(float)> resumeFrameCounter;
  std::function<void(float)> pauseFrameCounter;
  std::function<bool()> reinitialize;
  std::function<void()> releaseDeviceResources;
  std::function<void()> createDeviceResources;
};
LauncherHooks& Hooks();

}  // namespace VOXA2
