// The launcher's layout for the screen: the main window, its nine elements and
// the size of the mouse cursor, after a change of video mode to each size.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/bitmap.h"
#include "gui/button.h"
#include "gui/hypertextviewer.h"
#include "gui/label.h"
#include "gui/listbox.h"
#include "gui/scrollbar.h"
#include "tests/viewer/launcher_fixture.h"
#include "windxkernel/video.h"

namespace {

using namespace launchertest;
using ZGUI::tRect;

struct tLayoutCase {
  int width, height;
  tRect window;
  int clientWidth, clientHeight;
  // In the order list, its scroll bar, Run, Exit, Setup, Information, the
  // quick-info line, the description and its scroll bar.
  std::vector<tRect> elements;
  int cursor;
};

void PrintTo(const tLayoutCase& c, std::ostream* os) { *os << c.width << "x" << c.height; }

class LauncherLayout : public LauncherSession,
                       public ::testing::WithParamInterface<tLayoutCase> {};

TEST_P(LauncherLayout, PlacesTheWindowItsElementsAndTheCursorForTheScreen) {
  const tLayoutCase& c = GetParam();
  platform::SetHeadlessDesktop(1280, 1024, 32);
  tRect window;
  int clientWidth = 0, clientHeight = 0, cursor = 0;
  std::vector<tRect> elements;
  EXPECT_EQ(Run({LauncherShown(),
                 Do([&] { VOXA2::video::RequestVideoMode(0, c.width, c.height, 32); }), Frames(1),
                 Do([&] {
                   ASSERT_EQ(VOXA2::screenInfo.width, c.width);
                   window = VOXA2::mainWindow->GetBounds();
                   clientWidth = VOXA2::mainWindow->GetClientWidth();
                   clientHeight = VOXA2::mainWindow->GetClientHeight();
                   const VOXA2::tMainWindowElements& e = VOXA2::mainElements;
                   for (const ZGUI::cVisElement* element :
                        std::vector<const ZGUI::cVisElement*>{
                            e.list, e.listScrollBar, e.run, e.exit, e.setup, e.info, e.quickInfo,
                            e.infoText, e.infoTextScrollBar})
                     elements.push_back(element->GetBounds());
                   cursor = ZGUI::MouseCursor.GetHeight();
                 })}),
            0);
  EXPECT_EQ(window, c.window);
  EXPECT_EQ(clientWidth, c.clientWidth);
  EXPECT_EQ(clientHeight, c.clientHeight);
  ASSERT_EQ(elements.size(), c.elements.size());
  for (std::size_t i = 0; i < elements.size(); ++i) EXPECT_EQ(elements[i], c.elements[i]) << i;
  EXPECT_EQ(cursor, c.cursor);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, LauncherLayout,
    ::testing::Values(
        tLayoutCase{640, 480, {40, 40, 600, 440}, 551, 369,
                    {{0, 0, 350, 118}, {351, 0, 366, 118}, {369, 1, 549, 26},
                     {369, 29, 549, 54}, {369, 65, 549, 90}, {369, 93, 549, 118},
                     {0, 122, 550, 135}, {0, 136, 534, 368}, {535, 136, 550, 368}},
                    24},
        tLayoutCase{800, 600, {50, 50, 750, 550}, 691, 464,
                    {{0, 0, 439, 144}, {440, 0, 459, 144}, {462, 1, 689, 32},
                     {462, 35, 689, 66}, {462, 79, 689, 110}, {462, 113, 689, 144},
                     {0, 148, 690, 164}, {0, 165, 670, 463}, {671, 165, 690, 463}},
                    32},
        tLayoutCase{1024, 768, {64, 64, 960, 704}, 883, 593,
                    {{0, 0, 562, 186}, {563, 0, 587, 186}, {590, 1, 881, 42},
                     {590, 45, 881, 86}, {590, 101, 881, 142}, {590, 145, 881, 186},
                     {0, 190, 882, 211}, {0, 212, 857, 592}, {858, 212, 882, 592}},
                    40}),
    [](const auto& info) {
      return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
    });

// After start-up a change of video mode lays the launcher out even when no
// cursor can be loaded; the cursor of the earlier mode stays.
TEST_F(LauncherSession, AModeChangeWithoutCursorFilesLaysOutAndKeepsTheCursor) {
  tRect window;
  int cursor = 0;
  EXPECT_EQ(Run({LauncherShown(), Do([] {
                   UnmountViewerData();
                   VOXA2::video::RequestVideoMode(0, 800, 600, 32);
                 }),
                 Frames(1), Do([&] {
                   window = VOXA2::mainWindow->GetBounds();
                   cursor = ZGUI::MouseCursor.GetHeight();
                 })}),
            0);
  EXPECT_EQ(window, (tRect{50, 50, 750, 550}));
  EXPECT_EQ(cursor, 24);
  bool said = false;
  for (const std::string& line : testsupport::DebugLogLines())
    said = said || line == "Could not find any mouse cursor bitmap file!";
  EXPECT_TRUE(said);
}

// The cursor files of the launcher's set as a search finds them.
const std::vector<std::string> kCursors{
    "GUI\\mouse\\default\\standard08.pcx", "GUI\\mouse\\default\\standard12.pcx",
    "GUI\\mouse\\default\\standard16.pcx", "GUI\\mouse\\default\\standard24.pcx",
    "GUI\\mouse\\default\\standard32.pcx", "GUI\\mouse\\default\\standard40.pcx",
    "GUI\\mouse\\default\\standard48.pcx", "GUI\\mouse\\default\\standard64.pcx"};
constexpr std::size_t kPrefix = sizeof "GUI\\mouse\\default\\standard" - 1;

TEST(MouseCursorChoice, TakesTheSizeNearestTheTarget) {
  // target = ScaleY(24): screen heights 480, 600, 768, 1024, 1200 and 240.
  const std::vector<std::pair<int, std::string>> cases{
      {24, "24"}, {30, "32"}, {38, "40"}, {51, "48"}, {60, "64"}, {12, "12"}, {1, "08"}};
  for (const auto& [target, size] : cases) {
    const int chosen = VOXA2::ChooseMouseCursor(kCursors, kPrefix, target);
    ASSERT_GE(chosen, 0) << target;
    EXPECT_EQ(kCursors[chosen], "GUI\\mouse\\default\\standard" + size + ".pcx") << target;
  }
}

TEST(MouseCursorChoice, ATieGoesToTheFileFoundFirst) {
  // 20 lies as far from 16 as from 24 (a screen 400 pixels high).
  EXPECT_EQ(kCursors[VOXA2::ChooseMouseCursor(kCursors, kPrefix, 20)], kCursors[2]);
  const std::vector<std::string> reversed(kCursors.rbegin(), kCursors.rend());
  EXPECT_EQ(reversed[VOXA2::ChooseMouseCursor(reversed, kPrefix, 20)], kCursors[3]);
}

TEST(MouseCursorChoice, ReadsTheDigitsRightAfterTheNameAndSkipsSizeZero) {
  const std::vector<std::string> names{"GUI\\mouse\\default\\standard.pcx",
                                       "GUI\\mouse\\default\\standard00.pcx",
                                       "GUI\\mouse\\default\\standardx24.pcx",
                                       "GUI\\mouse\\default\\standard7b.pcx"};
  EXPECT_EQ(VOXA2::ChooseMouseCursor(names, kPrefix, 24), 3);
  EXPECT_EQ(VOXA2::ChooseMouseCursor({names[0], names[1], names[2]}, kPrefix, 24), -1);
}

}  // namespace
