// The "Music" page: the sound device, its frequency, channels and sample
// width, and the sound layer's options below them.
#include <cstdio>
#include <string>

#include "gui/button.h"
#include "gui/listbox.h"
#include "viewer/setupdialog/optiongroups.h"
#include "viewer/setupdialog/setupdialog.h"
#include "windxkernel/sound.h"

namespace VOXA2::setupdialog {

namespace {

// One of the three lists that depend on the sound device.
struct tSoundList {
  ZGUI::cListBox* list;
  std::int32_t* chosen;
  bool* filling;
};

// Value i that the device offers for a list, 0 past the last; its row text.
using tValueAt = int (*)(music::voxaDevice* device, int index);
using tRowText = std::string (*)(music::voxaDevice* device, int index, int value);

std::string Formatted(const char* format, int value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// Fills a list with the device's values; the row kept selected is the last
// value not above the chosen one, else the last row.
void FillSoundList(const tSoundList& target, music::voxaDevice* device, tValueAt valueAt,
                   tRowText rowText, void (*onSelect)(ZGUI::cListEntry*)) {
  target.list->Clear();
  for (int i = 0; device; ++i) {
    const int value = valueAt(device, i);
    if (value == 0) break;
    auto* row = VOXA::errors::NewOrThrow<ZGUI::cListEntry_Text>(
        "cListEntry_Text", rowText(device, i, value).c_str());
    row->userWords[0] = static_cast<std::uintptr_t>(value);
    row->OnSelect = onSelect;
    target.list->Add(row);
    if (value <= *target.chosen) target.list->SetCurrentEntry(row);
  }
  if (target.list->GetCurrent() < 0) target.list->SetCurrent(target.list->GetCount() - 1);
}

void TakeSelected(const tSoundList& source) {
  if (*source.filling) return;
  if (ZGUI::cListEntry* row = source.list->GetCurrentEntry())
    *source.chosen = static_cast<std::int32_t>(row->userWords[0]);
  UpdateMusicChange();
}

tSoundList Frequencies() { return {mfList, &chosenFrequency, &fillingFrequencies}; }
tSoundList SampleBits() { return {mbList, &chosenSampleBits, &fillingSampleBits}; }
tSoundList Channels() { return {mcList, &chosenChannels, &fillingChannels}; }

const detail::tOptionNames kMusicNames{"musicOption", "cCheckBox"};

}  // namespace

void UpdateMusicChange() {
  musicChanged = !(GetSoundDeviceIndex() == chosenSoundDevice &&
                   GetSoundFrequency() == chosenFrequency &&
                   GetSoundChannels() == chosenChannels && GetSoundBits() == chosenSampleBits);
  if (detail::AnyChoiceDiffers(musicOptions)) musicChanged = true;
  mcChange->SetEnabled(musicChanged);
}

void FillSoundLists() {
  fillingSampleBits = fillingChannels = fillingFrequencies = true;
  music::voxaDevice* device = GetSoundDevice(chosenSoundDevice);
  FillSoundList(
      Frequencies(), device, [](music::voxaDevice* d, int i) { return d->GetFrequency(i); },
      [](music::voxaDevice*, int, int value) { return Formatted(" %i Hz", value); },
      OnFrequencySelect);
  FillSoundList(
      SampleBits(), device, [](music::voxaDevice* d, int i) { return d->GetBits(i); },
      [](music::voxaDevice*, int, int value) { return Formatted(" %i bits per sample", value); },
      OnSampleBitsSelect);
  FillSoundList(
      Channels(), device, [](music::voxaDevice* d, int i) { return d->GetChannels(i); },
      [](music::voxaDevice* d, int i, int) { return detail::EntryText(d->GetChannelsName(i)); },
      OnChannelsSelect);
  fillingSampleBits = fillingChannels = fillingFrequencies = false;
  OnFrequencySelect(nullptr);
  OnSampleBitsSelect(nullptr);
  OnChannelsSelect(nullptr);
  UpdateMusicChange();
}

void OnSoundDeviceSelect(ZGUI::cListEntry*) {
  if (fillingSoundDevices) return;
  if (mdList->GetCurrent() >= 0) chosenSoundDevice = mdList->GetCurrent();
  FillSoundLists();
}

void OnFrequencySelect(ZGUI::cListEntry*) { TakeSelected(Frequencies()); }
void OnSampleBitsSelect(ZGUI::cListEntry*) { TakeSelected(SampleBits()); }
void OnChannelsSelect(ZGUI::cListEntry*) { TakeSelected(Channels()); }

void OnMusicChange(ZGUI::cVisElement*) {
  for (musicOption* record : musicOptions) record->option->SetValue(record->value);
  SetSoundSettings(chosenSoundDevice, chosenSampleBits, chosenChannels, chosenFrequency);
  UpdateMusicChange();
}

void BuildMusicOptions() {
  detail::DropRecords(musicOptions);
  detail::BuildGroups(musicOptions, tsMusic, GetMusicOption, kMusicNames, "music options list!",
                      OnMusicOptionSelect, OnMusicOptionCheck);
}

void OnMusicOptionSelect(ZGUI::cListEntry* entry) {
  musicOption* record = detail::RecordOf(musicOptions, entry);
  if (!record) return;
  record->value = entry->GetIndex();
  UpdateMusicChange();
}

void OnMusicOptionCheck(ZGUI::cVisElement* checkbox) {
  musicOption* record = detail::RecordOf(musicOptions, checkbox);
  if (!record) return;
  record->value = record->checkbox->GetChecked();
  UpdateMusicChange();
}

}  // namespace VOXA2::setupdialog
