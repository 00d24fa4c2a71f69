// The Setup window's build, its layout, its refresh with the settings in
// force and its shutdown.
#include "viewer/setupdialog/setupdialog.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "effects2d/pictureloader.h"
#include "foundation/allocate.h"
#include "foundation/pictures.h"
#include "gui/bitmap.h"
#include "gui/container.h"
#include "gui/desktop.h"
#include "gui/metrics.h"
#include "gui/window.h"
#include "viewer/setupdialog/optiongroups.h"
#include "windxkernel/sound.h"
#include "windxkernel/video.h"

namespace VOXA2::setupdialog {

cColorPic* setupback = nullptr;
ZGUI::cDialog* setupwindow = nullptr;
ZGUI::cPageControl* pcSetup = nullptr;
ZGUI::cTabSheet *tsVideo = nullptr, *tsInput = nullptr, *tsMusic = nullptr,
                *tsThreedee = nullptr;
ZGUI::cLabel *vdLabel = nullptr, *vrLabel = nullptr, *mdLabel = nullptr, *mfLabel = nullptr,
             *mcLabel = nullptr, *mbLabel = nullptr;
ZGUI::cListBox *vdList = nullptr, *vrList = nullptr, *mdList = nullptr, *mfList = nullptr,
               *mcList = nullptr, *mbList = nullptr;
ZGUI::cScrollBar *vdListSB = nullptr, *vrListSB = nullptr, *mdListSB = nullptr,
                 *mfListSB = nullptr, *mcListSB = nullptr, *mbListSB = nullptr;
ZGUI::cButton *vcChange = nullptr, *mcChange = nullptr, *threedeeChange = nullptr;

std::int32_t chosenVideoDevice = 0, chosenWidth = 0, chosenHeight = 0, chosenDepth = 0;
std::int32_t chosenSoundDevice = 0, chosenFrequency = 0, chosenChannels = 0,
             chosenSampleBits = 0;
bool videoChanged = false, musicChanged = false, threedeeChanged = false;
bool fillingVideoDevices = false, fillingSoundDevices = false, fillingModes = false,
     fillingFrequencies = false, fillingSampleBits = false, fillingChannels = false;

std::vector<musicOption*> musicOptions;
std::vector<threedeeOption*> threedeeOptions;

namespace {

using detail::Dress;
using VOXA::errors::NewOrThrow;

void LoadPages();

ZGUI::cTabSheet* AddPage(const char* caption, bool autoScrollBars, bool visible) {
  auto* page = NewOrThrow<ZGUI::cTabSheet>("cTabSheet");
  page->SetCaption(caption);
  page->SetFont(detail::NewFont(14));
  page->SetAutoScrollBars(autoScrollBars);
  if (!autoScrollBars) {
    page->SetHScrollBar(false);
    page->SetVScrollBar(false);
  }
  page->SetVisible(visible);
  pcSetup->AddChild(page);
  return page;
}

ZGUI::cLabel* AddLabel(ZGUI::cTabSheet* page, const char* caption) {
  auto* label = NewOrThrow<ZGUI::cLabel>("cLabel");
  Dress(label, 14, 0xFFFFFF, caption);
  page->AddChild(label);
  return label;
}

// A list box with its scroll bar right after it.
ZGUI::cListBox* AddList(ZGUI::cTabSheet* page, ZGUI::cScrollBar** bar) {
  auto* list = NewOrThrow<ZGUI::cListBox>("cListBox");
  Dress(list, 14, 0xFFFFFF, nullptr);
  page->AddChild(list);
  *bar = NewOrThrow<ZGUI::cScrollBar>("cScrollBar");
  Dress(*bar, 14, 0x3F3F3F, nullptr);
  page->AddChild(*bar);
  list->SetScrollBar(*bar);
  return list;
}

ZGUI::cButton* AddChange(ZGUI::cTabSheet* page, void (*onClick)(ZGUI::cVisElement*)) {
  auto* button = NewOrThrow<ZGUI::cButton>("cButton");
  Dress(button, 14, 0x3F3F3F, "Change");
  button->OnClick = onClick;
  page->AddChild(button);
  return button;
}

// The window's parent when it is a visual element.
ZGUI::cVisElement* WindowParent() {
  ZGUI::cElement* parent = setupwindow ? setupwindow->GetParent() : nullptr;
  if (!parent || !parent->IsClass(ZGUI::classid::VisElement)) return nullptr;
  return static_cast<ZGUI::cVisElement*>(parent);
}

void SetBounds(ZGUI::cVisElement* element, std::int32_t left, std::int32_t top,
               std::int32_t right, std::int32_t bottom) {
  element->SetBounds({left, top, right, bottom});
}

void LayoutVideoPage() {
  const detail::tUnits u = detail::Units();
  const std::int32_t mx = u.mx, my = u.my, sb = u.sb, row = u.row;
  const std::int32_t W = tsVideo->GetClientWidth(), H = tsVideo->GetClientHeight();
  const std::int32_t split = H / 2 - row / 2 - my;
  SetBounds(vdLabel, mx, my, W - mx, my + row - 1);
  SetBounds(vdList, mx, my + row, W - mx - sb - 1, split - my);
  SetBounds(vdListSB, W - mx - sb + 1, my + row, W - mx, split - my);
  SetBounds(vrLabel, mx, split, W - mx, split + row - 1);
  SetBounds(vrList, mx, split + row, W - mx - sb - 1, H - 4 * my - row);
  SetBounds(vrListSB, W - mx - sb + 1, split + row, W - mx, H - 4 * my - row);
  SetBounds(vcChange, W / 3, H - 3 * my - row, 2 * W / 3, H - my);
}

// The fixed elements of the music page; answers where its option groups start.
std::int32_t LayoutMusicLists(std::int32_t W, std::int32_t H) {
  const detail::tUnits u = detail::Units();
  const std::int32_t mx = u.mx, my = u.my, sb = u.sb, row = u.row;
  const std::int32_t listBottom = H / 3 - 2 * my - 2 * row / 3;
  SetBounds(mdLabel, mx, my, W - mx, my + row - 1);
  SetBounds(mdList, mx, my + row, W - mx - sb - 1, listBottom);
  SetBounds(mdListSB, W - mx - sb + 1, my + row, W - mx, listBottom);
  const std::int32_t T = H / 3 - 2 * row / 3;
  const std::int32_t columnBottom = 2 * H / 3 - 3 * my - row / 3;
  ZGUI::cLabel* labels[] = {mfLabel, mcLabel, mbLabel};
  ZGUI::cListBox* lists[] = {mfList, mcList, mbList};
  ZGUI::cScrollBar* bars[] = {mfListSB, mcListSB, mbListSB};
  for (std::int32_t c = 0; c < 3; ++c) {
    const std::int32_t L = c * W / 3, R = (c + 1) * W / 3;
    SetBounds(labels[c], L + mx, T, R - mx, T + row - 1);
    SetBounds(lists[c], L + mx, T + row, R - mx - sb - 1, columnBottom);
    SetBounds(bars[c], R - mx - sb + 1, T + row, R - mx, columnBottom);
  }
  return 2 * H / 3 - row / 3 - my;
}

void RefillVideoDevices() {
  fillingVideoDevices = true;
  vdList->Clear();
  for (int i = 0; video::videoDevice* device = video::GetVideoDevice(i); ++i) {
    auto* entry = NewOrThrow<ZGUI::cListEntry_MultiText>("cListEntry_MultiText");
    entry->AddColumn(detail::EntryText(device->GetName()).c_str(), 0, 1);
    entry->AddColumn(detail::EntryText(device->GetDescription()).c_str(), 0, 5);
    entry->OnSelect = OnVideoDeviceSelect;
    vdList->Add(entry);
  }
  fillingVideoDevices = false;
  vdList->SetCurrent(video::GetCurrentVideoDevice());
}

void RefillSoundDevices() {
  fillingSoundDevices = true;
  mdList->Clear();
  for (int i = 0; music::voxaDevice* device = GetSoundDevice(i); ++i) {
    auto* entry = NewOrThrow<ZGUI::cListEntry_Text>(
        "cListEntry_Text", detail::EntryText(device->GetDescription()).c_str());
    entry->OnSelect = OnSoundDeviceSelect;
    mdList->Add(entry);
  }
  fillingSoundDevices = false;
  mdList->SetCurrent(GetSoundDeviceIndex());
}

}  // namespace

bool Build() {
  std::unique_ptr<cColorPic> picture(
      LoadPicture("GUI\\pictures\\setupback", false, "GUI\\pictures\\", nullptr, false));
  if (!picture) return false;
  delete setupback;
  setupback = picture.release();

  setupwindow = NewOrThrow<ZGUI::cDialog>("cDialog");
  setupwindow->SetName("setupwindow");
  ZGUI::cDesktop::Current()->GetClient()->AddChild(setupwindow);
  ZGUI::cObjectContainer* client = setupwindow->GetClient();
  client->SetAutoScrollBars(false);
  client->SetHScrollBar(false);
  client->SetVScrollBar(false);
  Dress(setupwindow, 20, 0x7F7F7F, "Setup");

  pcSetup = NewOrThrow<ZGUI::cPageControl>("cPageControl");
  client->AddChild(pcSetup);
  Dress(pcSetup, 14, 0xFFFFFF, nullptr);

  tsVideo = AddPage("Graphics output", false, true);
  vdLabel = AddLabel(tsVideo, "Output device:");
  vdList = AddList(tsVideo, &vdListSB);
  vrLabel = AddLabel(tsVideo, "Resolution:");
  vrList = AddList(tsVideo, &vrListSB);
  vcChange = AddChange(tsVideo, OnVideoChange);

  tsInput = AddPage("Input", false, false);

  tsMusic = AddPage("Music", true, true);
  mdLabel = AddLabel(tsMusic, "Device:");
  mdList = AddList(tsMusic, &mdListSB);
  mfLabel = AddLabel(tsMusic, "Frequency:");
  mfList = AddList(tsMusic, &mfListSB);
  mcLabel = AddLabel(tsMusic, "Channels:");
  mcList = AddList(tsMusic, &mcListSB);
  mbLabel = AddLabel(tsMusic, "Resolution:");
  mbList = AddList(tsMusic, &mbListSB);
  mcChange = AddChange(tsMusic, OnMusicChange);
  BuildMusicOptions();

  tsThreedee = AddPage("3D", true, true);
  threedeeChange = AddChange(tsThreedee, OnThreedeeChange);
  detail::DropRecords(threedeeOptions);

  RenameElements("Setup");
  return true;
}

void RenameElements(const char* name) {
  setupwindow->SetName(name);
  const struct {
    ZGUI::cElement* element;
    const char* name;
  } elements[] = {
      {pcSetup, "pcSetup"},   {tsVideo, "tsVideo"},     {vdLabel, "vdLabel"},
      {vdList, "vdList"},     {vdListSB, "vdListSB"},   {vrLabel, "vrLabel"},
      {vrList, "vrList"},     {vrListSB, "vrListSB"},   {vcChange, "vcChange"},
      {tsInput, "tsInput"},   {tsMusic, "tsMusic"},     {mdLabel, "mdLabel"},
      {mdList, "mdList"},     {mdListSB, "mdListSB"},   {mfLabel, "mfLabel"},
      {mfList, "mfList"},     {mfListSB, "mfListSB"},   {mcLabel, "mcLabel"},
      {mcList, "mcList"},     {mcListSB, "mcListSB"},   {mbLabel, "mbLabel"},
      {mbList, "mbList"},     {mbListSB, "mbListSB"},   {mcChange, "mcChange"},
      {tsThreedee, "tsThreedee"}, {threedeeChange, "threedeeChange"},
  };
  const std::size_t length = std::strlen(name);
  for (const auto& e : elements) {
    const std::size_t size = length + std::strlen(e.name) + 3;
    std::unique_ptr<char, decltype(&std::free)> buffer(static_cast<char*>(std::calloc(size, 1)),
                                                       &std::free);
    if (!buffer) throw new VOXA::errors::eCouldNotAllocateMemoryFor("element name string!");
    std::snprintf(buffer.get(), size, "%s::%s", name, e.name);
    e.element->SetName(buffer.get());
  }
}

bool Relayout() {
  if (!setupwindow) return true;  // no launcher GUI: a demo runs
  ZGUI::cBitmap* background = nullptr;
  if (setupback) {
    background = new (std::nothrow) ZGUI::cBitmap(
        setupback, ZGUI::ScaleX(setupback->width), ZGUI::ScaleY(setupback->height));
  }
  setupwindow->GetClient()->SetPicture(background);
  if (ZGUI::cVisElement* parent = WindowParent()) {
    const std::int32_t W = parent->GetWidth(), H = parent->GetHeight();
    setupwindow->SetBounds({4 * W / 30, 4 * H / 30, 26 * W / 30, 26 * H / 30});
  }
  pcSetup->SetBounds(
      {0, 0, setupwindow->GetClientWidth() - 1, setupwindow->GetClientHeight() - 1});
  LayoutVideoPage();
  detail::LayoutPage(tsMusic, detail::Groups(musicOptions), mcChange, LayoutMusicLists);
  // An open window shows the mode now in force, not the one before "Change".
  if (setupwindow->IsVisible()) {
    LoadPages();
  } else {
    BuildThreedeeOptions();
  }
  return true;
}

void Open() { Refresh(); }

namespace {

// The settings in force, loaded into the pages; every choice not applied is
// dropped.
void LoadPages() {
  chosenVideoDevice = video::GetCurrentVideoDevice();
  chosenWidth = screenInfo.width;
  chosenHeight = screenInfo.height;
  chosenDepth = screenInfo.bitsPerPixel;
  chosenSoundDevice = GetSoundDeviceIndex();
  chosenFrequency = GetSoundFrequency();
  chosenChannels = GetSoundChannels();
  chosenSampleBits = GetSoundBits();
  RefillVideoDevices();
  RefillSoundDevices();
  detail::LoadValues(musicOptions);
  BuildThreedeeOptions();
  videoChanged = false;
  vcChange->SetEnabled(false);
  musicChanged = false;
  mcChange->SetEnabled(false);
}

}  // namespace

void Refresh() {
  if (!setupwindow) return;
  if (ZGUI::cVisElement* parent = WindowParent()) {
    setupwindow->SetPosition(
        ZGUI::tPoint((parent->GetWidth() - setupwindow->GetWidth()) / 2,
                     (parent->GetHeight() - setupwindow->GetHeight()) / 2));
  }
  LoadPages();
  // Shown in front with the focus: a plain show would leave the dialog behind
  // the main window, which covers it wholly.
  setupwindow->Activate();
}

void Shutdown() {
  ClearThreedeeOptions();
  detail::ClearGroups(musicOptions, tsMusic);
  delete setupback;
  setupback = nullptr;
  // The elements go with the desktop; nothing may reach them until the next build.
  setupwindow = nullptr;
}

}  // namespace VOXA2::setupdialog
