// The per-frame driver: runs the current demo, ends a finished one, starts a
// requested one, or quits when a direct launch has nothing left to do.
#include <algorithm>

#include "viewer/catalogue/loaddemo.h"
#include "viewer/launcher.h"
#include "windxkernel/catchchain.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/kernel.h"
#include "windxkernel/sound.h"
#include "windxkernel/video.h"

namespace VOXA2 {

namespace {

// Mounts the catalogue's data file for its demo unless it is mounted already;
// only a mount made here is undone when the demo fails or ends, so that the
// launcher's own data and other catalogues stay.
void MountForDemo(TArchive* dataFile) {
  mountedForDemo = nullptr;
  if (!dataFile || kernel::IsDataFileMounted(dataFile)) return;
  kernel::MountDataFile(dataFile);
  mountedForDemo = dataFile;
}

void UnmountForDemo() {
  if (mountedForDemo) kernel::UnmountDataFile(mountedForDemo);
  mountedForDemo = nullptr;
}

// A direct launch has no launcher to fall back on: a demo that cannot start
// ends the program, and the exit code says that it failed.
void QuitAfterFailedStart() {
  if (!kernel::directLaunch) return;
  kernel::NoteFailure();
  video::PostApplicationQuit();
}

bool RunRoad() {
  CountFrame();
  if (!currentDemo->Run()) return false;
  video::PresentFrame();
  return true;
}

bool EndRoad() {
  DemoCounter();
  currentDemo.reset();
  StopMusic();
  UnmountForDemo();
  if (kernel::directLaunch) {
    video::PostApplicationQuit();
  } else if (!CreateGUI()) {
    // Without a whole GUI there is nothing left to show.
    LogFailure("Could not rebuild the launcher!");
    DestroyGUI();
    kernel::NoteFailure();
    video::PostApplicationQuit();
  }
  return true;
}

bool StartRoad() {
  startRequested = false;
  if (!InitSound()) {
    LogFailure("Could not initialize the music system!");
    QuitAfterFailedStart();
    return true;
  }
  MountForDemo(chosenCatalogue ? chosenCatalogue->dataFile : nullptr);
  currentDemo = LoadDemo(chosenDemo);
  if (!currentDemo) {
    StopMusic();
    UnmountForDemo();
    LogFailure("Could not load demo! Continuing with the GUI...");
    QuitAfterFailedStart();
    return true;
  }
  const char* music = currentDemo->musicFile ? currentDemo->musicFile->c_str() : nullptr;
  if (!LoadMusic(music, currentDemo->musicFlag)) {
    currentDemo.reset();
    StopMusic();
    UnmountForDemo();
    QuitAfterFailedStart();
    return true;
  }
  DestroyGUI();
  currentDemo->Prepare();
  LogMessage(5, "OK, now we will start the demo...");
  PlayMusic(MusicVolumeForLibrary(currentDemo->musicVolume));
  StartFrameCounter();
  currentDemo->Start();
  return true;
}

// The launcher's windows are not built yet, so a frame without a demo has
// nothing to draw: the program ends.
bool GuiRoad() {
  video::PostApplicationQuit();
  return true;
}

}  // namespace

// Scripts may give any volume; a value over 64 would wrap to a quieter one.
int MusicVolumeForLibrary(std::int32_t volume) {
  return std::clamp<std::int32_t>(volume, 0, 64) * 255 / 64;
}

bool Frame(float) {
  if (currentDemo && currentDemo->running) return RunRoad();
  if (currentDemo) return EndRoad();
  if (startRequested) return StartRoad();
  if (kernel::directLaunch) {
    video::PostApplicationQuit();
    return true;
  }
  return GuiRoad();
}

}  // namespace VOXA2
