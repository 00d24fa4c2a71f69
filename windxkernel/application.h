// The one application object of the process, the main routine that drives it,
// and the main window's procedure.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/basis.h"
#include "platform/win32.h"

namespace kernel {

class cApplication : public virtual basis::basisObject {
 public:
  cApplication();
  ~cApplication() override;

  virtual bool Launch(int argumentCount, char** argumentVector);
  virtual bool CreateMainWindow();
  virtual bool Initialize() { return true; }
  virtual void Deinitialize() {}
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  virtual bool Activate() { return true; }
  virtual bool Deactivate() { return true; }
  virtual bool Render() { return true; }
  virtual bool ResizeWindow(int clientWidth, int clientHeight);
  virtual void Quit();

  // Index of the first argument equal to word (without regard to ASCII case
  // unless exact), -1 when there is none.
  int FindArgument(const char* word, bool exact) const;

  // Open and close a running period of the frame clock.
  void ResumeClock();
  void PauseClock();

  // Shared with the input thread: atomics, read without the input lock.
  std::atomic<int> debugFlag{0};
  std::atomic<int> fullScreen{1};
  std::atomic<int> quitFlag{0};
  std::atomic<int> activeFlag{0};

  int mouseX = 0, mouseY = 0;  // under the input lock
  int screenWidth = 0, screenHeight = 0;
  int windowX = 0, windowY = 0;
  std::string moduleFileName;  // empty until the launch step read it
  std::string windowClassName = "WinFrame_Window_Class";
  std::string windowTitle;
  HINSTANCE instance = nullptr;
  HWND window = nullptr;
  int argumentCount = 0;
  char** argumentVector = nullptr;

  float totalRunningTime = 0;
  float periodStart = 0;
  double startTime = 0;  // seconds of the tick count at construction: time zero
  int totalFrames = 0;
  int periodFrames = 0;
  int clockRunning = 0;
};

// The input lock: serialises the input thread's polls and the events they
// fire with the main thread's frame. Re-entrant, as the window procedure may
// take it inside a locked section.
std::recursive_mutex& InputLock();
// The input thread counts itself here while it waits for the lock. The mutex
// promises no turn: a main loop that takes it again at once after each frame
// would keep the input thread out for many frames, and late input.
std::atomic<int>& InputLockWaiters();
// Before a frame: lets a waiting input thread have the lock first (bounded).
void LetWaitingInputIn();

}  // namespace kernel

// The application object, or null before the main routine made it and after it deleted it.
kernel::cApplication* GetApplication();

// The main routine: creates the application object, splits the command line,
// launches, creates the window, initialises and runs the message loop.
// Returns 0 after a clean quit and 1 after any failure.
int RunApplication(HINSTANCE instance, HINSTANCE previous, const char* commandLine, int show);

LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

namespace kernel {

// Blanks separate words; double quotes group them, and a doubled double quote
// inside a quoted word stands for one.
std::vector<std::string> SplitCommandLine(const char* commandLine);

// The inverse of SplitCommandLine for a program's argument vector.
std::string JoinCommandLine(int argc, const char* const* argv);

// What the main routine creates; the default makes the kernel. A factory
// answering null is a failed allocation.
void SetApplicationFactory(std::function<cApplication*()> factory);

}  // namespace kernel
