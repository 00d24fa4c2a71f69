// What the kernel calls of the launcher on top of it. The launcher (viewer/)
// defines these; test programs of the lower layers link stand-ins instead.
#pragma once

namespace VOXA2 {

bool SetupDemos();
void FreeDemos();
bool Frame(float time);
bool OnMouseMove(int x, int y, float time);
bool OnMouseButton(int button, bool pressed, float time);
// The mouse wheel turned by notches (positive: away from the user).
bool OnMouseWheel(int notches, float time);
bool OnKey(int key, bool pressed, float time);
void ResumeFrameCounter(float time);
void PauseFrameCounter(float time);
bool Reinitialize();
void ReleaseDeviceResources();
void CreateDeviceResources();
// Forgets what a run left in the launcher's process-wide state (for a second
// run in the same process); the kernel's own reset calls it.
void ResetLauncherState();

}  // namespace VOXA2
