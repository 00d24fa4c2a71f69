// The launcher's Setup window: video mode, sound output and 3D options.
// Three pages ("Graphics output", "Music", "3D"), each with a "Change" button
// that is enabled exactly while a choice on the page differs from the setting
// in force. Main thread only: everything runs from the launcher's GUI build,
// its layouts and the desktop's message dispatch.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/basis.h"

class cColorPic;

namespace ZGUI {
class cButton;
class cCheckbox;
class cDialog;
class cLabel;
class cListBox;
class cListEntry;
class cPageControl;
class cScrollBar;
class cTabSheet;
class cVisElement;
}  // namespace ZGUI

namespace VOXA2::music {
class voxaOption;
}
namespace VOXA2::threedee {
class voxaOption;
}

namespace VOXA2::setupdialog {

// One option of the sound layer or of the 3D layer with the controls that
// show it on its page: a check box (kind 0) or a label, a list box and its
// scroll bar (kind 1). The record owns the controls, which are also children
// of the page; value is the choice on the page, -1 until values are loaded.
struct tOptionControls : public virtual basis::basisStruct {
  ~tOptionControls() override = default;

  std::uint32_t kind = 0;
  std::int32_t value = -1;
  ZGUI::cCheckbox* checkbox = nullptr;
  ZGUI::cLabel* label = nullptr;
  ZGUI::cListBox* list = nullptr;
  ZGUI::cScrollBar* scrollbar = nullptr;
};

template <typename Option>
struct tOptionRecord : public tOptionControls {
  Option* option = nullptr;  // not owned
};

struct musicOption : public tOptionRecord<music::voxaOption> {};
struct threedeeOption : public tOptionRecord<threedee::voxaOption> {};

// The element references that Build sets; the desktop owns the elements.
extern cColorPic* setupback;  // owned, for the life of the GUI
extern ZGUI::cDialog* setupwindow;
extern ZGUI::cPageControl* pcSetup;
extern ZGUI::cTabSheet *tsVideo, *tsInput, *tsMusic, *tsThreedee;
extern ZGUI::cLabel *vdLabel, *vrLabel, *mdLabel, *mfLabel, *mcLabel, *mbLabel;
extern ZGUI::cListBox *vdList, *vrList, *mdList, *mfList, *mcList, *mbList;
extern ZGUI::cScrollBar *vdListSB, *vrListSB, *mdListSB, *mfListSB, *mcListSB, *mbListSB;
extern ZGUI::cButton *vcChange, *mcChange, *threedeeChange;

// The choices on the pages, loaded from the settings in force by Refresh.
extern std::int32_t chosenVideoDevice, chosenWidth, chosenHeight, chosenDepth;
extern std::int32_t chosenSoundDevice, chosenFrequency, chosenChannels, chosenSampleBits;
extern bool videoChanged, musicChanged, threedeeChanged;
// Re-entry guards: a list's selection callbacks do nothing while it is refilled.
extern bool fillingVideoDevices, fillingSoundDevices, fillingModes, fillingFrequencies,
    fillingSampleBits, fillingChannels;

extern std::vector<musicOption*> musicOptions;
extern std::vector<threedeeOption*> threedeeOptions;

// Builds the window hidden, without bounds; false when its picture is missing.
bool Build();
// Names the window and each fixed element "<name>::<element>".
void RenameElements(const char* name);
// Places every element for the current screen; after the build and after
// every change of video mode.
bool Relayout();
// The "Setup" button: loads the settings in force and shows the window.
void Open();
// Loads the settings in force into the pages and brings the window to the front.
void Refresh();
// Before the desktop is deleted: frees what the module owns itself.
void Shutdown();

// "Graphics output" page.
void OnVideoDeviceSelect(ZGUI::cListEntry* entry);
void OnResolutionSelect(ZGUI::cListEntry* entry);
void OnVideoChange(ZGUI::cVisElement* button);
void FillResolutionList();
void UpdateVideoChange();

// "Music" page.
void OnSoundDeviceSelect(ZGUI::cListEntry* entry);
void OnFrequencySelect(ZGUI::cListEntry* entry);
void OnSampleBitsSelect(ZGUI::cListEntry* entry);
void OnChannelsSelect(ZGUI::cListEntry* entry);
void OnMusicChange(ZGUI::cVisElement* button);
void FillSoundLists();
void UpdateMusicChange();
// The option groups below the music lists, made once per build.
void BuildMusicOptions();
void OnMusicOptionSelect(ZGUI::cListEntry* entry);
void OnMusicOptionCheck(ZGUI::cVisElement* checkbox);

// "3D" page, rebuilt from the current device's options on every refresh and layout.
void BuildThreedeeOptions();
void ClearThreedeeOptions();
void OnThreedeeOptionSelect(ZGUI::cListEntry* entry);
void OnThreedeeOptionCheck(ZGUI::cVisElement* checkbox);
void OnThreedeeChange(ZGUI::cVisElement* button);

}  // namespace VOXA2::setupdialog
