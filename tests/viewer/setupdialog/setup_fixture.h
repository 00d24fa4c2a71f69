// The Setup window on the headless display: the kernel's devices up, a
// desktop over the screen with the launcher's font, the launcher's generated
// files readable, and the window built and laid out as the launcher does.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/desktop.h"
#include "gui/element.h"
#include "gui/viselement.h"

namespace setuptest {

// Runs body inside the application's initialisation with the Setup window
// built on a new desktop and (unless told otherwise) laid out; the window is
// shut down and the desktop deleted afterwards, as the launcher does before a
// demo. Each cycle builds anew.
struct tRun {
  const char* commandLine = "debugmode";
  int cycles = 1;
  bool layout = true;
};
void WithSetupWindow(const tRun& run, const std::function<void(ZGUI::cDesktop&)>& body);
inline void WithSetupWindow(const std::function<void(ZGUI::cDesktop&)>& body) {
  WithSetupWindow(tRun{}, body);
}

// The element of that name anywhere below root, or null.
ZGUI::cElement* Find(ZGUI::cElement* root, const char* name);
ZGUI::cVisElement* FindVisual(ZGUI::cElement* root, const char* name);

// One frame of the launcher's GUI: the queued input, then a full redraw into
// a screen-format buffer; answers the picture as 8-bit RGB rows.
std::vector<std::uint8_t> DrawFrame(ZGUI::cDesktop& desktop);
// A click at a screen point, or at the middle of an element, dispatched at once.
void ClickAt(ZGUI::cDesktop& desktop, ZGUI::tPoint p);
void ClickOn(ZGUI::cDesktop& desktop, ZGUI::cVisElement* element);
// A click on the tab of the Setup window's page with that index.
void ShowPage(ZGUI::cDesktop& desktop, int index);
// Writes the picture for review into the build folder's setupdialog-review/.
void SavePicture(const std::string& name, const std::vector<std::uint8_t>& rgb);

}  // namespace setuptest
