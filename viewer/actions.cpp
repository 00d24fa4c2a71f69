// What the main window's buttons and the demo list's entries do. Nothing here
// starts a demo: the run action records the choice, and the next frame starts it.
#include <cstdio>
#include <string>

#include "gui/button.h"
#include "gui/hypertextviewer.h"
#include "gui/label.h"
#include "gui/listbox.h"
#include "viewer/infodialog/infodialog.h"
#include "viewer/launcher.h"
#include "viewer/setupdialog/setupdialog.h"
#include "windxkernel/video.h"

namespace VOXA2 {

namespace {

struct tSelection {
  tDCdemocollector* catalogue = nullptr;
  tDCdemo* demo = nullptr;
};

// The selected entry's catalogue and demo; a heading has neither, a demo
// entry whose index lies outside its catalogue's list no demo.
tSelection Selected() {
  tSelection s;
  ZGUI::cListEntry* entry = mainElements.list ? mainElements.list->GetCurrentEntry() : nullptr;
  if (!entry) return s;
  s.catalogue = reinterpret_cast<tDCdemocollector*>(entry->userWords[0]);
  if (s.catalogue && entry->userWords[1] < s.catalogue->enlisted.size())
    s.demo = s.catalogue->enlisted[entry->userWords[1]];
  return s;
}

void ShowNothing() {
  mainElements.run->SetEnabled(false);
  mainElements.quickInfo->SetCaption(nullptr);
  mainElements.infoText->SetCaption(nullptr);
}

}  // namespace

void ExitAction() { video::PostApplicationQuit(); }

void RunAction() {
  const tSelection s = Selected();
  if (!s.catalogue || !s.demo) return;
  chosenCatalogue = s.catalogue;
  chosenDemo = s.demo;
  startRequested = true;
}

void SetupAction() { setupdialog::Open(); }

void InformationAction() { infodialog::Open(); }

void SelectionUpdate() {
  const tSelection s = Selected();
  if (!s.catalogue) {
    ShowNothing();
    return;
  }
  std::string quick;
  if (s.catalogue->width > 0 && s.catalogue->height > 0) {
    char line[64];
    std::snprintf(line, sizeof line, "Preferred resolution: %i times %i", s.catalogue->width,
                  s.catalogue->height);
    quick = line;
  }
  mainElements.quickInfo->SetCaption(quick.c_str());
  mainElements.run->SetEnabled(s.demo && s.demo->file);
  mainElements.infoText->SetCaption(s.demo && s.demo->description ? s.demo->description->c_str()
                                                                   : nullptr);
}

void SelectionClear() { ShowNothing(); }

}  // namespace VOXA2
