// What the kernel asks of the launcher layer. Until the launcher exists these
// do nothing and succeed; tests install their own behaviour through Hooks().
#pragma once

#include <functional>

namespace VOXA2 {

bool SetupDemos();
void FreeDemos();
bool Frame(float time);
bool OnMouseMove(int x, int y, float time);
bool OnMouseButton(int button, bool pressed, float time);
bool OnKey(int key, bool pressed, float time);
void ResumeFrameCounter(float time);
void PauseFrameCounter(float time);
void Reinitialize();
void ReleaseDeviceResources();
void CreateDeviceResources();

// Replacements for the calls above; an empty entry keeps the default.
struct LauncherHooks {
  std::function<bool()> setupDemos;
  std::function<void()> freeDemos;
  std::function<bool(float)> frame;
  std::function<bool(int, int, float)> onMouseMove;
  std::function<bool(int, bool, float)> onMouseButton;
  std::function<bool(int, bool, float)> onKey;
  std::function<void(float)> resumeFrameCounter;
  std::function<void(float)> pauseFrameCounter;
  std::function<void()> reinitialize;
  std::function<void()> releaseDeviceResources;
  std::function<void()> createDeviceResources;
};
LauncherHooks& Hooks();

}  // namespace VOXA2
