// The Setup window as its build leaves it and as its layout places it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "foundation/pictures.h"
#include "gui/bitmap.h"
#include "gui/button.h"
#include "gui/container.h"
#include "gui/fonts.h"
#include "gui/label.h"
#include "gui/listbox.h"
#include "gui/metrics.h"
#include "gui/pagecontrol.h"
#include "gui/window.h"
#include "tests/support/display_fixture.h"
#include "tests/viewer/setupdialog/setup_fixture.h"
#include "viewer/setupdialog/setupdialog.h"
#include "windxkernel/video.h"

namespace sd = VOXA2::setupdialog;
using setuptest::Find;
using setuptest::FindVisual;

namespace {

class SetupStructure : public ::testing::Test {
 protected:
  testsupport::DisplayEnvironment environment_;
};

std::string EntryText(ZGUI::cListBox* list, int index) {
  auto* entry = static_cast<ZGUI::cListEntry_Text*>(list->GetEntry(index));
  return entry && entry->GetText() ? entry->GetText() : "";
}

}  // namespace

TEST_F(SetupStructure, BuildNamesEveryElementAndDressesIt) {
  setuptest::WithSetupWindow({.layout = false}, [](ZGUI::cDesktop& desktop) {
    EXPECT_FALSE(sd::setupwindow->IsVisible());
    EXPECT_STREQ(sd::setupwindow->GetName(), "Setup");
    EXPECT_EQ(Find(&desktop, "setupwindow"), nullptr);
    EXPECT_EQ(sd::setupwindow->GetParent(), desktop.GetClient());
    EXPECT_STREQ(sd::setupwindow->GetCaption(), "Setup");
    EXPECT_EQ(sd::setupwindow->GetColor(), 0x7F7F7Fu);
    EXPECT_EQ(sd::setupwindow->GetFont()->GetSize(), 20);
    EXPECT_FALSE(sd::setupwindow->GetClient()->GetAutoScrollBars());
    EXPECT_STREQ(sd::setupwindow->GetClient()->GetName(), "Setup::Client");

    struct Case {
      const char* name;
      std::int32_t classId;
      const char* caption;  // null: none set
      std::int32_t color;   // -1: not set
    } cases[] = {
        {"Setup::pcSetup", ZGUI::classid::PageControl, nullptr, 0xFFFFFF},
        {"Setup::tsVideo", ZGUI::classid::TabSheet, "Graphics output", -1},
        {"Setup::vdLabel", ZGUI::classid::Label, "Output device:", 0xFFFFFF},
        {"Setup::vdList", ZGUI::classid::ListBox, nullptr, 0xFFFFFF},
        {"Setup::vdListSB", ZGUI::classid::ScrollBar, nullptr, 0x3F3F3F},
        {"Setup::vrLabel", ZGUI::classid::Label, "Resolution:", 0xFFFFFF},
        {"Setup::vrList", ZGUI::classid::ListBox, nullptr, 0xFFFFFF},
        {"Setup::vrListSB", ZGUI::classid::ScrollBar, nullptr, 0x3F3F3F},
        {"Setup::vcChange", ZGUI::classid::Button, "Change", 0x3F3F3F},
        {"Setup::tsInput", ZGUI::classid::TabSheet, "Input", -1},
        {"Setup::tsMusic", ZGUI::classid::TabSheet, "Music", -1},
        {"Setup::mdLabel", ZGUI::classid::Label, "Device:", 0xFFFFFF},
        {"Setup::mdList", ZGUI::classid::ListBox, nullptr, 0xFFFFFF},
        {"Setup::mdListSB", ZGUI::classid::ScrollBar, nullptr, 0x3F3F3F},
        {"Setup::mfLabel", ZGUI::classid::Label, "Frequency:", 0xFFFFFF},
        {"Setup::mfList", ZGUI::classid::ListBox, nullptr, 0xFFFFFF},
        {"Setup::mfListSB", ZGUI::classid::ScrollBar, nullptr, 0x3F3F3F},
        {"Setup::mcLabel", ZGUI::classid::Label, "Channels:", 0xFFFFFF},
        {"Setup::mcList", ZGUI::classid::ListBox, nullptr, 0xFFFFFF},
        {"Setup::mcListSB", ZGUI::classid::ScrollBar, nullptr, 0x3F3F3F},
        {"Setup::mbLabel", ZGUI::classid::Label, "Resolution:", 0xFFFFFF},
        {"Setup::mbList", ZGUI::classid::ListBox, nullptr, 0xFFFFFF},
        {"Setup::mbListSB", ZGUI::classid::ScrollBar, nullptr, 0x3F3F3F},
        {"Setup::mcChange", ZGUI::classid::Button, "Change", 0x3F3F3F},
        {"Setup::tsThreedee", ZGUI::classid::TabSheet, "3D", -1},
        {"Setup::threedeeChange", ZGUI::classid::Button, "Change", 0x3F3F3F},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      ZGUI::cVisElement* e = FindVisual(sd::setupwindow, c.name);
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(e->GetClassID(), c.classId);
      if (c.caption) {
        EXPECT_STREQ(e->GetCaption(), c.caption);
      }
      if (c.color >= 0) {
        EXPECT_EQ(e->GetColor(), std::uint32_t(c.color));
      }
      ASSERT_NE(e->GetFont(), nullptr);
      EXPECT_EQ(e->GetFont()->GetSize(), 14);
      EXPECT_STREQ(e->GetFont()->GetName(), "Arial");
    }
    EXPECT_EQ(std::strlen(sd::vdList->GetName()), 13u);
    EXPECT_EQ(sd::vdList->GetScrollBar(), sd::vdListSB);
    EXPECT_EQ(sd::mbList->GetScrollBar(), sd::mbListSB);

    // Four pages, three tabs: the Input page is built but never shown.
    EXPECT_EQ(sd::pcSetup->GetChildCount(), 4);
    EXPECT_FALSE(sd::tsInput->IsVisible());
    EXPECT_EQ(sd::tsInput->GetChildCount(), 0);
    EXPECT_EQ(sd::pcSetup->GetFocus(), sd::tsVideo);

    // The music page: its 13 fixed elements, then the speaker option's group.
    ASSERT_EQ(sd::tsMusic->GetChildCount(), 16);
    EXPECT_EQ(sd::tsMusic->GetChild(12), sd::mcChange);
    ASSERT_EQ(sd::musicOptions.size(), 1u);
    const sd::musicOption* speaker = sd::musicOptions[0];
    EXPECT_EQ(speaker->kind, 1u);
    EXPECT_EQ(speaker->value, -1);
    EXPECT_EQ(sd::tsMusic->GetChild(13), speaker->label);
    EXPECT_EQ(sd::tsMusic->GetChild(14), speaker->list);
    EXPECT_EQ(sd::tsMusic->GetChild(15), speaker->scrollbar);
    EXPECT_STREQ(speaker->label->GetCaption(), "DirectX Speaker configuration:");
    EXPECT_EQ(speaker->list->GetScrollBar(), speaker->scrollbar);
    ASSERT_EQ(speaker->list->GetCount(), 9);
    EXPECT_EQ(EntryText(speaker->list, 0), " Headphones");
    EXPECT_EQ(EntryText(speaker->list, 8), " Surround");
    EXPECT_EQ(speaker->list->GetCurrent(), -1);

    // The 3D page gets its options from the first layout on.
    EXPECT_TRUE(sd::threedeeOptions.empty());
    ASSERT_EQ(sd::tsThreedee->GetChildCount(), 1);
    EXPECT_EQ(sd::tsThreedee->GetChild(0), sd::threedeeChange);
  });
}

TEST_F(SetupStructure, TabsShowThreePagesInOrder) {
  setuptest::WithSetupWindow([](ZGUI::cDesktop&) {
    // Tabs in the order of the pages; none for the hidden Input page.
    const ZGUI::tRect video = sd::pcSetup->GetTabRect(0), input = sd::pcSetup->GetTabRect(1),
                      music = sd::pcSetup->GetTabRect(2), threedee = sd::pcSetup->GetTabRect(3);
    EXPECT_TRUE(ZGUI::IsEmpty(input));
    ASSERT_FALSE(ZGUI::IsEmpty(video));
    EXPECT_LT(video.right, music.left);
    EXPECT_LT(music.right, threedee.left);
  });
}

struct LayoutCase {
  const char* name;
  int width, height;
  ZGUI::tRect window;
};
void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class SetupLayout : public ::testing::TestWithParam<LayoutCase> {
 protected:
  testsupport::DisplayEnvironment environment_;
};

// Every element of a page lies within the page's client width (a page taller
// than its room scrolls), and no two overlap.
void ExpectTiled(ZGUI::cTabSheet* page) {
  const int W = page->GetClientWidth();
  for (int i = 0; i < page->GetChildCount(); ++i) {
    auto* a = static_cast<ZGUI::cVisElement*>(page->GetChild(i));
    const ZGUI::tRect r = a->GetBounds();
    SCOPED_TRACE(a->GetName() ? a->GetName() : "option control");
    EXPECT_GE(r.left, 0);
    EXPECT_GE(r.top, 0);
    EXPECT_LT(r.right, W);
    for (int j = i + 1; j < page->GetChildCount(); ++j) {
      auto* b = static_cast<ZGUI::cVisElement*>(page->GetChild(j));
      EXPECT_TRUE(ZGUI::IsEmpty(ZGUI::Intersect(r, b->GetBounds())))
          << "overlaps " << (b->GetName() ? b->GetName() : "an option control");
    }
  }
}

TEST_P(SetupLayout, WindowCoversItsShareOfTheScreenAndPagesAreTiled) {
  const LayoutCase& c = GetParam();
  setuptest::WithSetupWindow([&](ZGUI::cDesktop& desktop) {
    if (VOXA2::screenInfo.width != c.width) {
      ASSERT_TRUE(VOXA2::video::RequestVideoMode(VOXA2::video::GetCurrentVideoDevice(), c.width,
                                                 c.height, 16));
      ASSERT_TRUE(VOXA2::video::ChooseVideoMode());
      ZGUI::UpdatePixelFormat();
      desktop.SetBounds({0, 0, c.width - 1, c.height - 1});
      desktop.Reinitialize();
      ASSERT_TRUE(sd::Relayout());
    }
    ASSERT_EQ(VOXA2::screenInfo.width, c.width);
    EXPECT_EQ(sd::setupwindow->GetBounds(), c.window);
    EXPECT_EQ(sd::pcSetup->GetBounds(),
              (ZGUI::tRect{0, 0, sd::setupwindow->GetClientWidth() - 1,
                           sd::setupwindow->GetClientHeight() - 1}));
    const int mx = ZGUI::ScaleX(4), my = ZGUI::ScaleY(4), row = ZGUI::ScaleY(14);
    EXPECT_EQ(sd::vdLabel->GetBounds(),
              (ZGUI::tRect{mx, my, sd::tsVideo->GetClientWidth() - mx, my + row - 1}));
    // The Change buttons end a margin above the foot of their page.
    EXPECT_EQ(sd::vcChange->GetBounds().bottom, sd::tsVideo->GetClientHeight() - my);
    for (ZGUI::cTabSheet* page : {sd::tsVideo, sd::tsMusic, sd::tsThreedee}) ExpectTiled(page);
    // The background is the picture scaled to the canvas.
    ZGUI::cBitmap* background = sd::setupwindow->GetClient()->GetPicture();
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->GetWidth(), ZGUI::ScaleX(sd::setupback->width));
  });
}

INSTANTIATE_TEST_SUITE_P(Modes, SetupLayout,
                         ::testing::Values(LayoutCase{"At640x480", 640, 480, {85, 64, 554, 416}},
                                           LayoutCase{"At800x600", 800, 600, {106, 80, 693, 520}}),
                         [](const auto& info) { return std::string(info.param.name); });
