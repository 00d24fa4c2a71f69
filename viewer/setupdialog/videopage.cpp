// The "Graphics output" page: the display device and its modes.
#include <bit>
#include <cstdio>
#include <string>

#include "gui/button.h"
#include "gui/listbox.h"
#include "viewer/setupdialog/optiongroups.h"
#include "viewer/setupdialog/setupdialog.h"
#include "windxkernel/video.h"

namespace VOXA2::setupdialog {

namespace {

std::string ModeText(const char* format, std::int32_t value1, std::int32_t value2) {
  char text[64];
  std::snprintf(text, sizeof text, format, value1, value2);
  return text;
}

// A 16-bit mode with five green bits is shown as the 15-bit mode it is.
std::int32_t ShownDepth(const video::tVideoMode& mode) {
  return std::popcount(mode.greenMask) == 5 ? 15 : mode.bitsPerPixel;
}

const video::tVideoMode* ChosenDeviceMode(int index) {
  video::videoDevice* device = video::GetVideoDevice(chosenVideoDevice);
  return device ? device->GetMode(index) : nullptr;
}

}  // namespace

void UpdateVideoChange() {
  videoChanged = !(chosenWidth == screenInfo.width && chosenHeight == screenInfo.height &&
                   chosenDepth == screenInfo.bitsPerPixel &&
                   video::GetCurrentVideoDevice() == chosenVideoDevice);
  vcChange->SetEnabled(videoChanged);
}

void FillResolutionList() {
  fillingModes = true;
  vrList->Clear();
  for (int i = 0; const video::tVideoMode* mode = ChosenDeviceMode(i); ++i) {
    auto* row = VOXA::errors::NewOrThrow<ZGUI::cListEntry_MultiText>("cListEntry_MultiText");
    row->AddColumn(ModeText(" %i times %i pixels", mode->width, mode->height).c_str(), 0, 2);
    row->AddColumn(ModeText(" %i bits per pixel", ShownDepth(*mode), 0).c_str(), 0, 3);
    row->OnSelect = OnResolutionSelect;
    vrList->Add(row);
    if (mode->width <= chosenWidth && mode->height <= chosenHeight &&
        mode->bitsPerPixel <= chosenDepth)
      vrList->SetCurrent(i);
  }
  if (vrList->GetCurrent() < 0) vrList->SetCurrent(0);
  fillingModes = false;
  OnResolutionSelect(nullptr);
  UpdateVideoChange();
}

void OnVideoDeviceSelect(ZGUI::cListEntry*) {
  if (fillingVideoDevices) return;
  if (vdList->GetCurrent() >= 0) chosenVideoDevice = vdList->GetCurrent();
  FillResolutionList();
}

void OnResolutionSelect(ZGUI::cListEntry*) {
  if (fillingModes) return;
  if (vrList->GetCurrent() >= 0) {
    if (const video::tVideoMode* mode = ChosenDeviceMode(vrList->GetCurrent())) {
      chosenWidth = mode->width;
      chosenHeight = mode->height;
      chosenDepth = mode->bitsPerPixel;
    }
  }
  UpdateVideoChange();
}

void OnVideoChange(ZGUI::cVisElement*) {
  ClearThreedeeOptions();
  video::RequestVideoMode(chosenVideoDevice, chosenWidth, chosenHeight, chosenDepth);
  Refresh();
  OnVideoDeviceSelect(nullptr);
}

}  // namespace VOXA2::setupdialog
