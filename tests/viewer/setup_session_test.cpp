// The Setup window in the running launcher: opened by its button in front of
// the main window, a change of video mode that the next frame applies with
// the whole GUI laid out anew, and a demo that then runs at the new mode.
#include <gtest/gtest.h>

#include <string>

#include "gui/container.h"
#include "gui/listbox.h"
#include "platform/fakehardware.h"
#include "tests/viewer/launcher_fixture.h"
#include "viewer/setupdialog/setupdialog.h"
#include "windxkernel/video.h"

namespace {

using namespace launchertest;
using VOXA2::mainElements;
namespace sd = VOXA2::setupdialog;

std::string SelectedMode() {
  auto* row = static_cast<ZGUI::cListEntry_MultiText*>(sd::vrList->GetCurrentEntry());
  return row ? std::string(row->GetText(0)) + "|" + row->GetText(1) : "(none)";
}

bool ChooseMode(const std::string& text) {
  for (int i = 0; i < sd::vrList->GetCount(); ++i) {
    auto* row = static_cast<ZGUI::cListEntry_MultiText*>(sd::vrList->GetEntry(i));
    if (std::string(row->GetText(0)) + "|" + row->GetText(1) == text) {
      sd::vrList->SetCurrent(i);
      return true;
    }
  }
  return false;
}

bool LoggedInOrder(const std::vector<std::string>& want) {
  std::size_t next = 0;
  for (const std::string& line : testsupport::DebugLogLines())
    if (next < want.size() && line == want[next]) ++next;
  return next == want.size();
}

struct tSeen {
  int width = 0, height = 0, bits = 0, presentedWidth = 0;
};

tSeen Now() {
  return {VOXA2::screenInfo.width, VOXA2::screenInfo.height, VOXA2::screenInfo.bitsPerPixel,
          platform::LastPresentedFrame().width};
}

TEST_F(LauncherSession, SetupChangesTheModeAndTheLauncherAndADemoFollow) {
  const char kMode[] = " 800 times 600 pixels| 16 bits per pixel";
  tSeen before, after, duringDemo, afterDemo;
  bool inFront = false, chosen = false, reopenedUnchanged = false;
  std::string reopenedMode;
  ZGUI::tRect mainBounds, setupBounds;
  EXPECT_EQ(Run({LauncherShown(), Do([] { Click(mainElements.setup); }),
                 Do([&] {
                   before = Now();
                   inFront = sd::setupwindow->IsVisible() &&
                             VOXA2::desktop->GetClient()->IndexOfChild(sd::setupwindow) == 0;
                   chosen = ChooseMode(kMode) && sd::vcChange->IsEnabled();
                   Click(sd::vcChange);
                 }),
                 Frames(2), Do([&] {
                   after = Now();
                   mainBounds = VOXA2::mainWindow->GetBounds();
                   setupBounds = sd::setupwindow->GetBounds();
                   Click(sd::setupwindow->GetCloseButton());
                 }),
                 Do([] { Click(mainElements.setup); }), Do([&] {
                   reopenedMode = SelectedMode();
                   reopenedUnchanged = !sd::vcChange->IsEnabled() && !sd::mcChange->IsEnabled();
                   Click(sd::setupwindow->GetCloseButton());
                 }),
                 Do([] { Click(mainElements.run); }),
                 [&] {
                   if (!VOXA2::currentDemo) return false;
                   duringDemo = Now();
                   return true;
                 },
                 LauncherShown(), Frames(1), Do([&] { afterDemo = Now(); })},
                "debugmode nosound"),
            0);
  EXPECT_TRUE(inFront);
  EXPECT_TRUE(chosen);
  EXPECT_EQ(before.width, 640);
  EXPECT_EQ(before.bits, 16);
  EXPECT_EQ(after.width, 800);
  EXPECT_EQ(after.height, 600);
  EXPECT_EQ(after.bits, 16);
  EXPECT_EQ(after.presentedWidth, 800);
  EXPECT_TRUE(LoggedInOrder({"VOXA2::Reinitialize()", "end of VOXA2::Reinitialize()",
                             "VOXA2::Reinitialize()", "end of VOXA2::Reinitialize()"}));
  EXPECT_EQ(mainBounds, (ZGUI::tRect{50, 50, 750, 550}));
  EXPECT_EQ(setupBounds, (ZGUI::tRect{106, 80, 693, 520}));
  EXPECT_EQ(reopenedMode, kMode);
  EXPECT_TRUE(reopenedUnchanged);
  EXPECT_EQ(duringDemo.width, 800);
  EXPECT_EQ(afterDemo.width, 800);
  EXPECT_EQ(afterDemo.presentedWidth, 800);
}

}  // namespace
