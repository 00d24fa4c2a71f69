#include "windxkernel/kernel.h"

#include <new>

#include "foundation/archive.h"
#include "platform/backend.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/input.h"
#include "windxkernel/launcherhooks.h"
#include "windxkernel/sound.h"
#include "windxkernel/video.h"

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

// The 3D device layer and the launcher's data join these steps as they are
// built; the launcher hooks stand in for the launcher until then.
bool cWinDXKernel::Initialize() {
  if (!DIInit()) return false;
  if (!DDInit()) return false;
  if (!D3DCreate()) return false;
  VOXA2::video::EnumerateVideoDevices();
  EnumerateSoundDevices();
  if (!VOXA2::SetupDemos()) {
    LogMessage(5, "Could not initialize the Independent VOXA Kernel! Aborting...");
    ReleaseDevices();
    return false;
  }
  ClearInputState();
  inputThread = CreateThread(nullptr, 1048576, UserInteractionThread, nullptr, 0, nullptr);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
  initialised = 1;
  ResumeClock();
  return true;
}

// Runs after a failed start-up as well, so every step copes with what was
// never set up.
void cWinDXKernel::Deinitialize() {
  PauseClock();
  initialised = 0;
  if (inputThread) {
    quitFlag = 1;  // the thread polls until it sees the flag
    WaitForSingleObject(inputThread, INFINITE);
    CloseHandle(inputThread);
    inputThread = nullptr;
  }
  ReleaseDevices();
}

// The same order on every road down: demos, music, sound, video, Direct3D,
// DirectDraw, DirectInput, the file access lists.
void cWinDXKernel::ReleaseDevices() {
  VOXA2::FreeDemos();
  StopMusic();
  FreeSoundDevices();
  VOXA2::video::FreeVideoDevices();
  D3DDeinit();
  DDRelease();
  DIRelease();
  FreeFileAccessLists();
}

bool cWinDXKernel::Activate() {
  if (!DIAcquire()) return false;
  if (!DDRestore()) return false;
  if (!D3DRestore()) return false;
  {
    std::lock_guard lock(InputLock());
    VOXA2::ResumeFrameCounter(GetTime());
  }
  if (initialised) ResumeClock();
  return true;
}

bool cWinDXKernel::Deactivate() {
  if (initialised) PauseClock();
  {
    std::lock_guard lock(InputLock());
    VOXA2::PauseFrameCounter(GetTime());
  }
  return DIUnacquire();
}

bool cWinDXKernel::Render() {
  if (!VOXA2::video::ChooseVideoMode()) return false;
  std::lock_guard lock(InputLock());
  FlushMouseMove();
  return VOXA2::Frame(GetTime());
}

}  // namespace kernel
