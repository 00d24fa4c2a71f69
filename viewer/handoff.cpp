// The input hand-off from the kernel's input thread, and the frame-rate
// counter of a running demo.
#include "viewer/launcher.h"
#include "windxkernel/debuglog.h"

namespace VOXA2 {

// Mouse input goes to the launcher's windows, which this player does not have
// yet; keys still reach the running demo.
bool OnMouseMove(int, int, float) { return true; }

bool OnMouseButton(int, bool, float) { return true; }

bool OnKey(int key, bool pressed, float) {
  if (currentDemo && pressed) currentDemo->FireKeyHandlers(key);
  return true;
}

void StartFrameCounter() {
  if (frameCounter.running) return;
  frameCounter.paused = false;
  frameCounter.seconds = 0;
  frameCounter.frames = 0;
  frameCounter.startTime = GetTime();
  frameCounter.running = true;
}

void CountFrame() {
  if (frameCounter.running && !frameCounter.paused) frameCounter.frames++;
}

void PauseFrameCounter(float) {
  if (frameCounter.paused) return;
  frameCounter.seconds += GetTime() - frameCounter.startTime;
  frameCounter.paused = true;
}

void ResumeFrameCounter(float) {
  if (currentDemo) currentDemo->Restore();
  if (!frameCounter.paused) return;
  frameCounter.startTime = GetTime();
  frameCounter.paused = false;
}

void DemoCounter() {
  if (!frameCounter.running) return;
  frameCounter.running = false;
  if (!frameCounter.paused) frameCounter.seconds += GetTime() - frameCounter.startTime;
  if (frameCounter.frames == 0) return;
  // The clock counts whole milliseconds: frames may be counted in no time at all.
  const double seconds = frameCounter.seconds;
  const double rate = seconds > 0 ? frameCounter.frames / seconds : 0.0;
  LogMessage(5, "Demo counter result: %i frames in %g seconds => %0.2f frames per second",
             static_cast<int>(frameCounter.frames), seconds, rate);
}

}  // namespace VOXA2
