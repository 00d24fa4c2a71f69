// The launcher's shared state and its operations: set-up and release of the
// demo side, the per-frame driver, the input hand-off, the frame-rate counter,
// the main window with its actions and its layout. The kernel reaches them
// through windxkernel/launcher.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "viewer/catalogue/catalogue.h"
#include "windxkernel/launcher.h"

#include "gui/types.h"

class TArchive;
class cColorPic;

namespace ZGUI {
class cBitmap;
class cButton;
class cDesktop;
class cHypertextViewer;
class cLabel;
class cListBox;
class cScrollBar;
class cWindow;
}  // namespace ZGUI

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

// The launcher GUI: it exists while no demo runs (built at start-up and after
// every demo, deleted before every demo). The desktop owns every window and
// element; the launcher keeps plain references for its callbacks and layout.
extern ZGUI::cDesktop* desktop;
extern ZGUI::cWindow* mainWindow;
// Kept to make the backgrounds anew at every layout; owned.
extern cColorPic* desktopPicture;
extern cColorPic* mainPicture;

// The main window's elements, valid while the desktop exists.
struct tMainWindowElements {
  ZGUI::cListBox* list = nullptr;  // "main_list"
  ZGUI::cScrollBar* listScrollBar = nullptr;  // "main_list_sb"
  ZGUI::cButton* run = nullptr;  // "main_run"
  ZGUI::cButton* exit = nullptr;  // "main_exit"
  ZGUI::cButton* setup = nullptr;  // "main_setup"
  ZGUI::cButton* info = nullptr;  // "main_info"
  ZGUI::cLabel* quickInfo = nullptr;  // "quickinfo"
  ZGUI::cHypertextViewer* infoText = nullptr;  // "infotext"
  ZGUI::cScrollBar* infoTextScrollBar = nullptr;  // "infotext_sb"
};
extern tMainWindowElements mainElements;

// The characters of the launcher's bitmap font "fonts\Arial.pcx", in the
// order the picture holds their glyphs.
extern const char kLauncherCharacterSet[];

// Builds the whole launcher GUI anew from the catalogue list; false when a
// launcher picture is missing, a dialog cannot be built or the layout fails.
bool CreateGUI();
// Deletes the whole launcher GUI (safe without one) and forgets the choice.
void DestroyGUI();

// The main window in screen pixels for a screen of width x height.
ZGUI::tRect MainWindowRect(std::int32_t width, std::int32_t height);
// The nine elements' rectangles (in the order of tMainWindowElements) for a
// client area of width x height, at the current screen's canvas scale.
struct tMainLayout {
  ZGUI::tRect list, listScrollBar, run, exit, setup, info, quickInfo, infoText, infoTextScrollBar;
};
tMainLayout MainWindowLayout(std::int32_t clientWidth, std::int32_t clientHeight);

// The mouse cursor of the set and name (null: "default", "standard") whose
// size is nearest to the screen's 24 canvas units; a new bitmap the caller
// owns, or null.
ZGUI::cBitmap* LoadMouseCursor(const char* set, const char* name);
// Of the found names, the one whose size (the digits right after the first
// prefixLength characters) is nearest to target; the first found wins a tie,
// names without a size or with size 0 never win. -1 when none qualifies.
int ChooseMouseCursor(const std::vector<std::string>& names, std::size_t prefixLength,
                      std::int32_t target);

// The main window's actions and the callbacks of the demo list's entries.
void ExitAction();
void RunAction();
void SetupAction();
void InformationAction();
void SelectionUpdate();
void SelectionClear();

// The minimised screen's noise: one generator state runs from seed over the
// rows of width pixels; each pixel takes the state's low bytes (2, 3 or 4 bytes
// a pixel; other sizes leave the pixels alone).
void FillNoise(std::uint8_t* pixels, std::ptrdiff_t pitch, std::int32_t width,
               std::int32_t height, std::int32_t bytesPerPixel, std::uint32_t seed);

// The text of the box that a failed start shows: the headline, then the
// first reason lines (the first ones name the cause), each cut to what a line
// of the box holds, as many as fit under it.
std::string StartFailureText(const char* headline, const std::vector<std::string>& reasons);

// A demo's music volume (0 to 64; others are clamped) on the sound layer's scale.
int MusicVolumeForLibrary(std::int32_t volume);

// Posts the last mouse position when it moved while the main window was
// minimised (the moves were held back then).
void PostPendingMouseMove();
// Posts the mouse position as a move: a GUI built anew (after a demo) draws
// the pointer where the mouse is, not in the corner.
void PostMousePosition();
// Forgets the mouse buttons and position that the hand-off keeps.
void ResetInputHandOff();

void StartFrameCounter();
void CountFrame();
// Stops the counter and logs its result.
void DemoCounter();

}  // namespace VOXA2
