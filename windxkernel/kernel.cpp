#include "windxkernel/kernel.h"

#include <new>

#include "foundation/archive.h"
#include "platform/backend.h"
#include "windxkernel/debuglog.h"

namespace kernel {

// The window title names the platform we really run on.
cWinDXKernel::cWinDXKernel() {
  windowClassName = "VOXA2_WIN32_DX7_kernel";
  windowTitle = std::string("VOXA2 viewer for Linux/") + platform::CurrentBackend().Name();
}

std::unique_ptr<TStream> PlainFileAccess(const char* path, int32_t) {
  std::unique_ptr<TFile> file(new (std::nothrow) TFile);
  if (!file) throw new VOXA::errors::eCouldNotCreateObject("TFile");
  file->SetName(path);
  if (!file->Open(1)) return nullptr;
  return file;
}

bool cWinDXKernel::Launch(int count, char** vector) {
  if (!cApplication::Launch(count, vector)) return false;
  ClearFileAccessFunctions();
  AddFileAccessFunction(PlainFileAccess);
  if (FindArgument("nosound", false) >= 0) {
    LogMessage(5, "  making no sound device standard");
    noSound = true;
  }
  if (FindArgument("directlaunch", false) >= 0) {
    LogMessage(5, "  disabling GUI");
    directLaunch = true;
  }
  if (!platform::CurrentBackend().HasDisplay())
    LogMessage(5, "  no display available: running headless, without a window");
  return true;
}

bool cWinDXKernel::Initialize() {
  // Until the display set-up exists, a window gets the size of the smallest
  // classic mode, as the mode set-up would give it.
  ResizeWindow(640, 480);
  initialised = 1;
  ResumeClock();
  return true;
}

void cWinDXKernel::Deinitialize() {
  PauseClock();
  initialised = 0;
}

bool cWinDXKernel::Activate() {
  if (initialised) ResumeClock();
  return true;
}

bool cWinDXKernel::Deactivate() {
  if (initialised) PauseClock();
  return true;
}

bool cWinDXKernel::Render() {
  std::lock_guard lock(InputLock());
  return true;
}

}  // namespace kernel
