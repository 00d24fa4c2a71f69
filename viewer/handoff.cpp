// The input hand-off from the kernel's input thread (to the launcher GUI
// first, then to a running demo's key handlers), and the frame-rate counter of
// a running demo.
#include <cstdint>

#include "gui/desktop.h"
#include "gui/keyboard.h"
#include "gui/messages.h"
#include "gui/window.h"
#include "viewer/launcher.h"
#include "windxkernel/debuglog.h"

namespace VOXA2 {

namespace {

// The mouse as the GUI last heard of it: button states (1 pressed) and position.
struct tMouseState {
  std::uint8_t buttons[8] = {};
  int x = 0, y = 0;
  // A move seen while the main window was minimised, posted on its restore.
  bool movedWhileMinimized = false;
};
tMouseState mouse;

bool GuiListens() { return mainWindow && desktop && !kernel::directLaunch; }

}  // namespace

void ResetInputHandOff() { mouse = tMouseState{}; }

// Moves are coalesced while the window is minimised: nothing dispatches the
// queue then, and a long pause would pile them up.
bool OnMouseMove(int x, int y, float) {
  // Kept while a demo runs too: the GUI built after it draws the pointer there.
  mouse.x = x;
  mouse.y = y;
  if (!GuiListens()) return true;
  if (mainWindow->IsMinimized()) {
    mouse.movedWhileMinimized = true;
    return true;
  }
  desktop->GetMessageQueue()->PostMouseMessage(ZGUI::mouseaction::Move, -1, mouse.buttons, x, y);
  return true;
}

void PostPendingMouseMove() {
  if (!GuiListens() || !mouse.movedWhileMinimized) return;
  mouse.movedWhileMinimized = false;
  desktop->GetMessageQueue()->PostMouseMessage(ZGUI::mouseaction::Move, -1, mouse.buttons,
                                               mouse.x, mouse.y);
}

void PostMousePosition() {
  if (!GuiListens()) return;
  mouse.movedWhileMinimized = false;
  desktop->GetMessageQueue()->PostMouseMessage(ZGUI::mouseaction::Move, -1, mouse.buttons,
                                               mouse.x, mouse.y);
}

bool OnMouseWheel(int notches, float) {
  if (!GuiListens() || mainWindow->IsMinimized() || notches == 0) return true;
  desktop->GetMessageQueue()->PostWheelMessage(notches, mouse.buttons, mouse.x, mouse.y);
  return true;
}

bool OnMouseButton(int button, bool pressed, float) {
  if (!GuiListens()) return true;
  // A press on the minimised screen only brings the window back.
  if (mainWindow->IsMinimized() && pressed) {
    redrawAll = true;
    return true;
  }
  if (button < 0 || button >= 8) return true;
  mouse.buttons[button] = pressed ? 1 : 0;
  desktop->GetMessageQueue()->PostMouseMessage(
      pressed ? ZGUI::mouseaction::Press : ZGUI::mouseaction::Release, button, mouse.buttons,
      mouse.x, mouse.y);
  return true;
}

bool OnKey(int key, bool pressed, float) {
  if (GuiListens()) {
    if (mainWindow->IsMinimized() && pressed) {
      redrawAll = true;
      return true;
    }
    desktop->GetKeyboard()->HandleKey(key, pressed);
  }
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
