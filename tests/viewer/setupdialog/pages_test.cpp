// What the pages of the Setup window preselect, when their "Change" buttons
// are enabled, and what the buttons apply.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "gui/button.h"
#include "gui/label.h"
#include "gui/listbox.h"
#include "gui/pagecontrol.h"
#include "gui/window.h"
#include "platform/ddraw.h"
#include "platform/fakehardware.h"
#include "tests/support/display_fixture.h"
#include "tests/support/tempdir.h"
#include "tests/viewer/setupdialog/setup_fixture.h"
#include "viewer/setupdialog/setupdialog.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/sound.h"
#include "windxkernel/video.h"

namespace sd = VOXA2::setupdialog;
namespace px = platform::pixels;
using setuptest::ClickOn;
using setuptest::Find;
using setuptest::FindVisual;

namespace {

class SetupPages : public ::testing::Test {
 protected:
  testsupport::DisplayEnvironment environment_;
};

// The texts of a row of any of the lists, columns joined with "|".
std::string RowText(ZGUI::cListBox* list, int index) {
  ZGUI::cListEntry* entry = list->GetEntry(index);
  if (!entry) return "(none)";
  if (entry->IsClass(ZGUI::classid::ListEntry_MultiText)) {
    auto* multi = static_cast<ZGUI::cListEntry_MultiText*>(entry);
    std::string text;
    for (int c = 0; c < multi->GetColumnCount(); ++c)
      text += (c ? "|" : "") + std::string(multi->GetText(c));
    return text;
  }
  return static_cast<ZGUI::cListEntry_Text*>(entry)->GetText();
}

std::string SelectedText(ZGUI::cListBox* list) { return RowText(list, list->GetCurrent()); }

// The row whose text is the given one, selected as a click would.
void Choose(ZGUI::cListBox* list, const std::string& text) {
  for (int i = 0; i < list->GetCount(); ++i) {
    if (RowText(list, i) == text) {
      list->SetCurrent(i);
      return;
    }
  }
  ADD_FAILURE() << "no row " << text;
}

platform::FakeDisplayDevice Display(std::uint8_t id, std::vector<DDSURFACEDESC2> modes) {
  platform::FakeDisplayDevice d;
  d.hasGuid = true;
  d.guid.Data1 = id;
  d.name = "display" + std::to_string(id);
  d.description = "Display " + std::to_string(id);
  d.modes = std::move(modes);
  return d;
}

}  // namespace

TEST_F(SetupPages, VideoPagePreselectsTheLastModeThatFits) {
  // Three more display devices; the primary one, in force, comes last.
  auto& displays = platform::Hardware().displays;
  displays.insert(displays.begin(),
                  {Display(1, {platform::MakeMode(1024, 768, px::X8R8G8B8()),
                               platform::MakeMode(1280, 1024, px::X8R8G8B8())}),
                   Display(2, {platform::MakeMode(320, 240, px::X1R5G5B5()),
                               platform::MakeMode(800, 600, px::X1R5G5B5())}),
                   Display(3, {platform::MakeMode(1280, 1024, px::X8R8G8B8())})});
  setuptest::WithSetupWindow([](ZGUI::cDesktop&) {
    VOXA2::video::GetVideoDevice(2)->modeCount = 0;
    ASSERT_EQ(VOXA2::video::GetCurrentVideoDevice(), 3);
    sd::Open();
    ASSERT_EQ(sd::vdList->GetCount(), 4);
    EXPECT_EQ(sd::vdList->GetCurrent(), 3);
    EXPECT_EQ(RowText(sd::vdList, 0), " display1| Display 1 (Software display)");
    struct Case {
      int device;
      const char* row;  // selected afterwards; the chosen mode carries over
      int width, height, depth;
      bool changed;
    } cases[] = {
        // None fits: the first row.
        {0, " 1024 times 768 pixels| 32 bits per pixel", 1024, 768, 32, true},
        // Five green bits show as 15, the mode keeps its 16.
        {1, " 800 times 600 pixels| 15 bits per pixel", 800, 600, 16, true},
        // No modes: the chosen mode stays, the device alone differs.
        {2, "(none)", 800, 600, 16, true},
        {3, " 800 times 600 pixels| 16 bits per pixel", 800, 600, 16, true},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.device);
      sd::vdList->SetCurrent(c.device);
      EXPECT_EQ(sd::chosenVideoDevice, c.device);
      EXPECT_EQ(SelectedText(sd::vrList), c.row);
      EXPECT_EQ(sd::chosenWidth, c.width);
      EXPECT_EQ(sd::chosenHeight, c.height);
      EXPECT_EQ(sd::chosenDepth, c.depth);
      EXPECT_EQ(sd::vcChange->IsEnabled(), c.changed);
    }
    // The mode in force disables Change, another one enables it again.
    Choose(sd::vrList, " 640 times 480 pixels| 16 bits per pixel");
    EXPECT_FALSE(sd::vcChange->IsEnabled());
    Choose(sd::vrList, " 640 times 480 pixels| 32 bits per pixel");
    EXPECT_TRUE(sd::vcChange->IsEnabled());
    // A selection while the device list is refilled changes nothing.
    sd::fillingVideoDevices = true;
    sd::vdList->SetCurrent(0);
    sd::fillingVideoDevices = false;
    EXPECT_EQ(sd::chosenVideoDevice, 3);
    // Reopening shows the settings in force again.
    sd::Open();
    EXPECT_EQ(SelectedText(sd::vrList), " 640 times 480 pixels| 16 bits per pixel");
    EXPECT_FALSE(sd::vcChange->IsEnabled());
  });
}

TEST_F(SetupPages, SoundListsPreselectTheLastValueNotAboveTheChosenOne) {
  setuptest::WithSetupWindow([](ZGUI::cDesktop&) {
    sd::Open();
    EXPECT_EQ(RowText(sd::mdList, 0), " Silence Device");
    EXPECT_EQ(sd::mdList->GetCurrent(), GetSoundDeviceIndex());
    VOXA2::music::kernelDevice* device = GetSoundDevice(sd::chosenSoundDevice);
    const std::vector<int> standard = device->frequencies;
    struct Case {
      const char* name;
      bool has16Bits, hasStereo, noFrequencies;
      int frequency, bits, channels;  // chosen before the fill
      const char* frequencyRow;
      const char* bitsRow;
      const char* channelsRow;
      int wantFrequency, wantBits, wantChannels;  // chosen after it
    } cases[] = {
        {"standard list", true, true, false, 44100, 16, 2, " 44100 Hz", " 16 bits per sample",
         " stereo", 44100, 16, 2},
        {"between entries", true, true, false, 30000, 16, 2, " 22050 Hz", " 16 bits per sample",
         " stereo", 22050, 16, 2},
        {"below every value", true, true, false, 1000, 4, 0, " 48000 Hz", " 16 bits per sample",
         " stereo", 48000, 16, 2},
        {"no 16 bits", false, true, false, 44100, 16, 2, " 44100 Hz", " 8 bits per sample",
         " stereo", 44100, 8, 2},
        {"no stereo", true, false, false, 44100, 16, 2, " 44100 Hz", " 16 bits per sample",
         " mono", 44100, 16, 1},
        {"no frequencies", true, true, true, 12345, 8, 1, "(none)", " 8 bits per sample",
         " mono", 12345, 8, 1},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      device->has16Bits = c.has16Bits;
      device->hasStereo = c.hasStereo;
      device->frequencies = c.noFrequencies ? std::vector<int>{} : standard;
      sd::chosenFrequency = c.frequency;
      sd::chosenSampleBits = c.bits;
      sd::chosenChannels = c.channels;
      sd::FillSoundLists();
      EXPECT_EQ(SelectedText(sd::mfList), c.frequencyRow);
      EXPECT_EQ(SelectedText(sd::mbList), c.bitsRow);
      EXPECT_EQ(SelectedText(sd::mcList), c.channelsRow);
      EXPECT_EQ(sd::chosenFrequency, c.wantFrequency);
      EXPECT_EQ(sd::chosenSampleBits, c.wantBits);
      EXPECT_EQ(sd::chosenChannels, c.wantChannels);
    }
    device->has16Bits = device->hasStereo = true;
    device->frequencies = standard;
  });
}

TEST_F(SetupPages, MusicChangeFollowsEveryChoiceAndAppliesThem) {
  setuptest::WithSetupWindow([](ZGUI::cDesktop& desktop) {
    ASSERT_EQ(GetSoundFrequency(), 48000);
    sd::Open();
    setuptest::ShowPage(desktop, 2);
    ZGUI::cListBox* speakers = sd::musicOptions.at(0)->list;
    EXPECT_EQ(SelectedText(speakers), " Stereo");
    EXPECT_FALSE(sd::mcChange->IsEnabled());
    // An option alone enables Change; back at its value in force it does not.
    Choose(speakers, " Surround");
    EXPECT_TRUE(sd::mcChange->IsEnabled());
    Choose(speakers, " Stereo");
    EXPECT_FALSE(sd::mcChange->IsEnabled());
    // A frequency keeps it enabled whatever the option shows.
    Choose(sd::mfList, " 22050 Hz");
    Choose(speakers, " Surround");
    Choose(speakers, " Stereo");
    EXPECT_TRUE(sd::mcChange->IsEnabled());
    // Reopening discards the choices.
    sd::Open();
    EXPECT_EQ(SelectedText(sd::mfList), " 48000 Hz");
    EXPECT_FALSE(sd::mcChange->IsEnabled());

    const int other = GetSoundDeviceIndex() == 0 ? 1 : 0;
    sd::mdList->SetCurrent(other);
    Choose(sd::mfList, " 22050 Hz");
    Choose(sd::mbList, " 8 bits per sample");
    Choose(sd::mcList, " mono");
    Choose(speakers, " Surround");
    ClickOn(desktop, sd::mcChange);
    EXPECT_EQ(GetSoundDeviceIndex(), other);
    EXPECT_EQ(GetSoundFrequency(), 22050);
    EXPECT_EQ(GetSoundBits(), 8);
    EXPECT_EQ(GetSoundChannels(), 1);
    EXPECT_EQ(GetMusicOption(0)->GetValue(), 8);
    EXPECT_FALSE(sd::mcChange->IsEnabled());
  });
}

namespace {

// Only the second 3D device can W-buffer.
void OnlySecondDeviceWBuffers() {
  auto& devices = platform::Hardware().devices3d;
  ASSERT_EQ(devices.size(), 2u);
  devices[0].desc.dpcTriCaps.dwRasterCaps &= ~D3DPRASTERCAPS_WBUFFER;
  devices[1].desc.dpcTriCaps.dwRasterCaps |= D3DPRASTERCAPS_WBUFFER;
}

const char kWBuffer[] = "Enable Alternate Depth Buffering (W-Buffering)";

}  // namespace

TEST_F(SetupPages, ThreedeeChangeRecreatesTheDeviceAndRebuildsThePage) {
  OnlySecondDeviceWBuffers();
  setuptest::WithSetupWindow([](ZGUI::cDesktop& desktop) {
    VOXA2::threedee::Init3DKernel();
    sd::Open();
    setuptest::ShowPage(desktop, 3);
    ASSERT_EQ(sd::threedeeOptions.size(), 1u);
    ZGUI::cListBox* devices = sd::threedeeOptions[0]->list;
    EXPECT_STREQ(sd::threedeeOptions[0]->label->GetCaption(), "3D device:");
    EXPECT_EQ(devices->GetCount(), 2);
    EXPECT_EQ(devices->GetCurrent(), 0);
    EXPECT_FALSE(sd::threedeeChange->IsEnabled());
    devices->SetCurrent(1);
    EXPECT_TRUE(sd::threedeeChange->IsEnabled());
    devices->SetCurrent(0);
    EXPECT_FALSE(sd::threedeeChange->IsEnabled());
    devices->SetCurrent(1);
    ClickOn(desktop, sd::threedeeChange);
    EXPECT_EQ(kernel::d3dState.currentDevice, 1);
    ASSERT_NE(kernel::d3dState.device, nullptr);
    ASSERT_EQ(sd::threedeeOptions.size(), 2u);
    EXPECT_EQ(sd::threedeeOptions[0]->list->GetCurrent(), 1);
    ASSERT_NE(sd::threedeeOptions[1]->checkbox, nullptr);
    EXPECT_STREQ(sd::threedeeOptions[1]->checkbox->GetCaption(), kWBuffer);
    EXPECT_EQ(sd::threedeeOptions[1]->checkbox->GetChecked(), 1);
    EXPECT_FALSE(sd::threedeeChange->IsEnabled());
    EXPECT_EQ(Find(&desktop, "dlg(MessageBox)"), nullptr);
    // The check box sits under the device list, the button under both.
    EXPECT_GT(sd::threedeeOptions[1]->checkbox->GetBounds().top,
              sd::threedeeOptions[0]->scrollbar->GetBounds().bottom);
    EXPECT_GT(sd::threedeeChange->GetBounds().top,
              sd::threedeeOptions[1]->checkbox->GetBounds().bottom);
  });
}

TEST_F(SetupPages, AFailedThreedeeChangeReportsAndRestoresThePreviousDevice) {
  OnlySecondDeviceWBuffers();
  setuptest::WithSetupWindow([](ZGUI::cDesktop& desktop) {
    VOXA2::threedee::Init3DKernel();
    sd::Open();
    setuptest::ShowPage(desktop, 3);
    // The second device cannot be made.
    platform::Hardware().createDeviceResult = [](const DDPIXELFORMAT&) {
      return kernel::d3dState.currentDevice == 1 ? DDERR_GENERIC : D3D_OK;
    };
    sd::threedeeOptions.at(0)->list->SetCurrent(1);
    ClickOn(desktop, sd::threedeeChange);
    platform::Hardware().createDeviceResult = nullptr;
    ASSERT_NE(kernel::d3dState.device, nullptr);
    EXPECT_EQ(kernel::d3dState.currentDevice, 0);
    ASSERT_EQ(sd::threedeeOptions.size(), 1u);
    EXPECT_EQ(sd::threedeeOptions[0]->list->GetCurrent(), 0);
    EXPECT_FALSE(sd::threedeeChange->IsEnabled());
    auto* box = static_cast<ZGUI::cWindow*>(FindVisual(&desktop, "dlg(MessageBox)"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->IsVisible());
    EXPECT_STREQ(box->GetCaption(), "VOXA2");
    EXPECT_STREQ(FindVisual(box, "dlg(MessageBox)::txt")->GetCaption(),
                 "Could not apply the 3D settings!");
    // In front of the Setup window.
    const ZGUI::tRect r = box->GetBounds();
    EXPECT_EQ(desktop.ElementAt(ZGUI::tPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2),
                                false, false, 1),
              box);
  });
}

TEST_F(SetupPages, ARestartThatFailsTooEndsTheProgramWithOne) {
  OnlySecondDeviceWBuffers();
  const int code = setuptest::WithSetupWindow({}, [](ZGUI::cDesktop& desktop) {
    VOXA2::threedee::Init3DKernel();
    sd::Open();
    setuptest::ShowPage(desktop, 3);
    platform::Hardware().createDeviceResult = [](const DDPIXELFORMAT&) { return DDERR_GENERIC; };
    sd::threedeeOptions.at(0)->list->SetCurrent(1);
    ClickOn(desktop, sd::threedeeChange);
    platform::Hardware().createDeviceResult = nullptr;
    EXPECT_EQ(kernel::d3dState.device, nullptr);
    EXPECT_NE(Find(&desktop, "dlg(MessageBox)"), nullptr);
    const auto log = testsupport::DebugLogLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "Could not restart the previous 3D device either"),
              log.end());
  });
  EXPECT_EQ(code, 1);
}

TEST_F(SetupPages, ModeChangeAppliesInTheNextFrameAndTheOpenPageFollowsIt) {
  setuptest::WithSetupWindow([](ZGUI::cDesktop& desktop) {
    sd::Open();
    Choose(sd::vrList, " 800 times 600 pixels| 32 bits per pixel");
    ASSERT_TRUE(sd::vcChange->IsEnabled());
    ClickOn(desktop, sd::vcChange);
    // Requested only: the page shows the mode still in force.
    EXPECT_EQ(VOXA2::screenInfo.width, 640);
    EXPECT_EQ(SelectedText(sd::vrList), " 640 times 480 pixels| 16 bits per pixel");
    EXPECT_FALSE(sd::vcChange->IsEnabled());
    ASSERT_TRUE(VOXA2::video::ChooseVideoMode());
    EXPECT_EQ(VOXA2::screenInfo.width, 800);
    EXPECT_EQ(VOXA2::screenInfo.bitsPerPixel, 32);
    // Laid out for the new mode while open, the page shows the mode now in
    // force, and the old one is a choice again.
    ASSERT_TRUE(sd::Relayout());
    EXPECT_EQ(SelectedText(sd::vrList), " 800 times 600 pixels| 32 bits per pixel");
    EXPECT_FALSE(sd::vcChange->IsEnabled());
    Choose(sd::vrList, " 640 times 480 pixels| 16 bits per pixel");
    EXPECT_TRUE(sd::vcChange->IsEnabled());
  });
}

TEST_F(SetupPages, OpeningBringsTheWindowInFrontOfAWindowThatCoversIt) {
  setuptest::WithSetupWindow([](ZGUI::cDesktop& desktop) {
    auto* main = new ZGUI::cWindow();
    desktop.GetClient()->AddChild(main);
    main->SetBounds({40, 30, 600, 450});
    main->Activate();
    sd::Open();
    EXPECT_TRUE(sd::setupwindow->IsVisible());
    EXPECT_EQ(desktop.GetClient()->IndexOfChild(sd::setupwindow), 0);
    // Opening centres the window laid out at 4/30 to 26/30; its size stays.
    const ZGUI::tRect r = sd::setupwindow->GetBounds();
    EXPECT_EQ(r, (ZGUI::tRect{85, 63, 554, 415}));
    ZGUI::cVisElement* hit =
        desktop.ElementAt(ZGUI::tPoint(r.left + 10, r.top + 5), false, false, 2);
    EXPECT_EQ(hit, sd::setupwindow);
  });
}

TEST_F(SetupPages, ThreeGuiCyclesDrawEveryPage) {
  setuptest::WithSetupWindow({.cycles = 3}, [](ZGUI::cDesktop& desktop) {
    sd::Open();
    static int cycle = 0;
    const struct {
      int index;
      const char* picture;
    } pages[] = {{0, "video.png"}, {2, "music.png"}, {3, "threedee.png"}};
    for (const auto& page : pages) {
      setuptest::ShowPage(desktop, page.index);
      const std::vector<std::uint8_t> rgb = setuptest::DrawFrame(desktop);
      if (cycle == 0) setuptest::SavePicture(page.picture, rgb);
    }
    ++cycle;
    ClickOn(desktop, sd::setupwindow->GetCloseButton());
    EXPECT_FALSE(sd::setupwindow->IsVisible());
  });
}
