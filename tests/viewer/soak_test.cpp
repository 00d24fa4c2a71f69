// A long session: five rounds of opening Setup and Information, closing them
// and playing a demo, the whole GUI deleted and built again around each demo.
// Nothing may be left behind, and the memory in use stays where it was.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "gui/window.h"
#include "tests/viewer/launcher_fixture.h"
#include "viewer/infodialog/elements.h"
#include "viewer/setupdialog/setupdialog.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
// The allocator's own count; g++ ships no header for it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {

using namespace launchertest;
using VOXA2::mainElements;

std::size_t BytesInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

// Waits until the dialog shows (or no longer shows) in front.
tStep Shown(ZGUI::cWindow* const& window, bool shown) {
  return [&window, shown] {
    return window && window->IsVisible() == shown &&
           (!shown || window->GetParent()->GetChild(0) == window);
  };
}

TEST_F(LauncherSession, FiveDemoRoundsWithBothDialogsLeaveNothingBehind) {
  constexpr int kRounds = 5;
  std::vector<std::size_t> inUse;
  ZGUI::cWindow* setup = nullptr;
  ZGUI::cWindow* information = nullptr;
  std::vector<tStep> steps;
  for (int round = 0; round < kRounds; round++) {
    steps.insert(steps.end(),
                 {LauncherShown(), Frames(2), Do([&] {
                    inUse.push_back(BytesInUse());
                    setup = VOXA2::setupdialog::setupwindow;
                    information = VOXA2::infodialog::infowindow;
                    Click(mainElements.setup);
                  }),
                  Shown(setup, true), Do([&] { Click(setup->GetCloseButton()); }),
                  Shown(setup, false), Do([] { Click(mainElements.info); }),
                  Shown(information, true), Do([] { Click(VOXA2::infodialog::OKbutton); }),
                  Shown(information, false), Do([] {
                    mainElements.list->SetCurrent(1);  // "First", a fifth of a second
                    Click(mainElements.run);
                  }),
                  [] { return VOXA2::currentDemo != nullptr; }});
  }
  steps.push_back(LauncherShown());
  ASSERT_EQ(Run(steps), 0) << testsupport::ReadFile("debug.txt");
  ASSERT_EQ(inUse.size(), std::size_t{kRounds});

  std::string figures;
  for (std::size_t bytes : inUse) figures += " " + std::to_string(bytes);
  RecordProperty("bytes_in_use_at_each_round", figures);
  std::printf("bytes in use at the start of each round:%s\n", figures.c_str());
  // The first round fills what lives until the program ends (fonts of the
  // picture readers, the sound layer's tables); from then on nothing grows.
  const std::size_t settled = inUse[1], last = inUse.back();
  EXPECT_LT(last, settled + 64 * 1024) << figures;
#if defined(__SANITIZE_ADDRESS__)
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
}

}  // namespace
