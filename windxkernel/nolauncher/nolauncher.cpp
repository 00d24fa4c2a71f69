#include "windxkernel/nolauncher/nolauncher.h"

namespace VOXA2 {

LauncherHooks& Hooks() {
  static LauncherHooks hooks;
  return hooks;
}

bool SetupDemos() { return Hooks().setupDemos ? Hooks().setupDemos() : true; }
void FreeDemos() {
  if (Hooks().freeDemos) Hooks().freeDemos();
}
bool Frame(float time) { return Hooks().frame ? Hooks().frame(time) : true; }
bool OnMouseMove(int x, int y, float time) {
  return Hooks().onMouseMove ? Hooks().onMouseMove(x, y, time) : true;
}
bool OnMouseButton(int button, bool pressed, float time) {
  return Hooks().onMouseButton ? Hooks().onMouseButton(button, pressed, time) : true;
}
bool OnMouseWheel(int notches, float time) {
  return Hooks().onMouseWheel ? Hooks().onMouseWheel(notches, time) : true;
}
bool OnKey(int key, bool pressed, float time) {
  return Hooks().onKey ? Hooks().onKey(key, pressed, time) : true;
}
void ResumeFrameCounter(float time) {
  if (Hooks().resumeFrameCounter) Hooks().resumeFrameCounter(time);
}
void PauseFrameCounter(float time) {
  if (Hooks().pauseFrameCounter) Hooks().pauseFrameCounter(time);
}
bool Reinitialize() { return Hooks().reinitialize ? Hooks().reinitialize() : true; }
void ReleaseDeviceResources() {
  if (Hooks().releaseDeviceResources) Hooks().releaseDeviceResources();
}
void CreateDeviceResources() {
  if (Hooks().createDeviceResources) Hooks().createDeviceResources();
}
void ResetLauncherState() { Hooks() = LauncherHooks{}; }

}  // namespace VOXA2
