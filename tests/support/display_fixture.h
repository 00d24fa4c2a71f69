// The headless display for tests that run the application in this process:
// the process-wide state of every layer put back as a fresh process has it,
// and the application road run with a body as its initialisation.
#pragma once

#include <functional>

#include "tests/support/tempdir.h"

namespace testsupport {

// Default fake hardware on a 1024x768x32 desktop, no window, no injected
// clock, fresh kernel and launcher state (no launcher behaviour in programs
// without the launcher).
void ResetProcessState();

// A fresh folder and fresh process state while the object lives; the state
// is put back again when it goes.
class DisplayEnvironment {
 public:
  DisplayEnvironment();
  ~DisplayEnvironment();

 private:
  ScopedTempDir dir_;
};

// Runs body as the application's initialisation (with the window made) for
// the command line, then quits; Deinitialize releases what the body set up of
// the display, the device and the input. Returns RunApplication's result.
int RunWithDisplay(const char* commandLine, const std::function<void()>& body);

// The same with the display and the Direct3D device made and the video
// devices listed before body runs (a failure there fails the test).
int RunWithDevices(const char* commandLine, const std::function<void()>& body);

}  // namespace testsupport
