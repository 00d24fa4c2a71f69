// The launcher's shared state and its operations: set-up and release of the
// demo side, the per-frame driver, the input hand-off and the frame-rate
// counter. The kernel reaches them through windxkernel/launcher.h.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "demo/demo.h"
#include "viewer/catalogue/catalogue.h"
#include "windxkernel/launcher.h"

class TArchive;

namespace VOXA2 {

namespace threedee {
class VertexArray;
}

struct tFrameCounter {
  float startTime = 0;
  float seconds = 0;
  bool paused = false;
  bool running = false;
  std::uint32_t frames = 0;
};

// Every catalogue read at start-up, in the order of the kernel's data files.
extern std::vector<std::unique_ptr<tDCdemocollector>> catalogues;
// What the next start road loads; not owned.
extern tDCdemocollector* chosenCatalogue;
extern tDCdemo* chosenDemo;
extern bool startRequested;
// The running (or just finished) demo.
extern std::unique_ptr<cVOXAdemo> currentDemo;
// The data file that the start road mounted for the current demo, to be
// unmounted again when the demo fails to start or ends; null when it was
// mounted already (the launcher's own data must stay).
extern TArchive* mountedForDemo;
extern bool redrawAll;
extern tFrameCounter frameCounter;
extern threedee::VertexArray* launcherVertices;

bool CreateGUI();
void DestroyGUI();

// A demo's music volume (0 to 64; others are clamped) on the sound layer's scale.
int MusicVolumeForLibrary(std::int32_t volume);

void StartFrameCounter();
void CountFrame();
// Stops the counter and logs its result.
void DemoCounter();

}  // namespace VOXA2
