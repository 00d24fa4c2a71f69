// Scroll bars driven through the desktop's queue: thumb drags, paging with
// auto-repeat once per frame, and the arrows at the ends of the range.
#include "gui/scrollbar.h"

#include <gtest/gtest.h>

#include "gui/window.h"
#include "tests/gui/desktop_fixtures.h"

namespace {

using ZGUI::cScrollBar;

// The bar lies in the desktop's client, or in a window's: a window must not
// offer the bar that holds its focus a message twice.
struct tBarScreen : guitest::tDesktopScreen {
  explicit tBarScreen(bool inWindow = false) : tDesktopScreen(guitest::Formats()[3], 640, 480) {
    bar = new cScrollBar();
    if (inWindow) {
      auto* window = new ZGUI::cWindow();
      Client()->AddChild(window);
      window->SetBounds({40, 20, 399, 419});
      window->GetClient()->AddChild(bar);
      window->Activate();
    } else {
      Client()->AddChild(bar);
    }
    bar->SetBounds({100, 50, 119, 349});  // 20 x 300, vertical
    bar->SetVisibleAmount(20);
    bar->OnScrollChange = [this](cScrollBar*, std::int32_t code, std::int32_t& value) {
      changes.push_back({code, value});
    };
    Frame();
  }
  // The bar-local point in screen pixels.
  int X(int x) const { return bar->ClientToScreen(ZGUI::tPoint(x, 0), bar).x; }
  int Y(int y) const { return bar->ClientToScreen(ZGUI::tPoint(0, y), bar).y; }
  cScrollBar* bar;
  std::vector<std::pair<int, int>> changes;
};

TEST(ScrollBar, StartsWithTheDocumentedDefaultsAndLaysOutItsParts) {
  cScrollBar fresh;
  EXPECT_EQ(fresh.GetMin(), 0);
  EXPECT_EQ(fresh.GetMax(), 100);
  EXPECT_EQ(fresh.GetScrollPos(), 0);
  EXPECT_EQ(fresh.GetLineStep(), 1);
  EXPECT_EQ(fresh.GetPageStep(), 10);
  EXPECT_EQ(fresh.GetVisibleAmount(), 1);
  EXPECT_EQ(fresh.GetOrientation(), cScrollBar::kVertical);
  EXPECT_EQ(fresh.GetColor(), 0x7F7F7Fu);

  tBarScreen s;
  EXPECT_EQ(s.bar->GetBackArrowRect(), (ZGUI::tRect{0, 0, 19, 19}));
  EXPECT_EQ(s.bar->GetForwardArrowRect(), (ZGUI::tRect{0, 280, 19, 299}));
  EXPECT_EQ(s.bar->GetInnerTrackRect(), (ZGUI::tRect{1, 21, 18, 278}));
  // 20 * 260 / 120 = 43, less the thumb's 2-pixel bevel.
  EXPECT_EQ(s.bar->GetThumbLength(), 41);
  EXPECT_EQ(s.bar->GetTravel(), 258 - 41);
  // A bar shorter than three thicknesses splits its length in three.
  s.bar->SetBounds({100, 50, 119, 79});
  EXPECT_EQ(s.bar->GetBackArrowRect(), (ZGUI::tRect{0, 0, 19, 9}));
  EXPECT_EQ(s.bar->GetTrackRect(), (ZGUI::tRect{0, 10, 19, 19}));
}

TEST(ScrollBar, DraggingTheThumbFollowsThePointerAndReportsEachStep) {
  tBarScreen s;
  s.bar->SetScrollPos(50);
  s.changes.clear();
  const ZGUI::tRect thumb = s.bar->GetThumbRect(50);
  const int grab = 5;
  s.Press(s.X(10), s.Y(thumb.top + grab));
  s.Frame();
  EXPECT_TRUE(s.bar->IsCaptured());
  // The press itself snaps to the position of the thumb's pixel (rounded down).
  const int snapped = (thumb.top - 21) * 100 / s.bar->GetTravel();
  ASSERT_EQ(snapped, 49);
  std::vector<std::pair<int, int>> expected = {{ZGUI::scrollchange::Position, snapped}};
  for (int dy : {30, 60, -200, 400}) {
    s.Move(s.X(10), s.Y(thumb.top + grab + dy));
    s.Frame();
    // From the grab point: (y - (inner top + grab)) * range / travel.
    const int value = std::clamp((thumb.top + dy - 21) * 100 / s.bar->GetTravel(), 0, 100);
    EXPECT_EQ(s.bar->GetScrollPos(), value) << dy;
    expected.push_back({ZGUI::scrollchange::Position, value});
    expected.push_back({ZGUI::scrollchange::ThumbDragged, value});
  }
  s.Release(s.X(10), s.Y(thumb.top + grab + 400));
  s.Frame();
  expected.push_back({ZGUI::scrollchange::ThumbReleased, 100});
  EXPECT_EQ(s.changes, expected);
  EXPECT_FALSE(s.bar->IsCaptured());
}

// Paging repeats once for every frame's idle message until the thumb covers
// the pointer; inside a container that holds the bar as its focus, too.
class HeldTrack : public testing::TestWithParam<bool> {};

TEST_P(HeldTrack, PagesOncePerFrameUntilTheThumbReachesThePointer) {
  tBarScreen s(GetParam());
  const int pointer = 250;
  s.Press(s.X(10), s.Y(pointer));
  s.Frame();
  EXPECT_EQ(s.bar->GetScrollPos(), 10);
  int frames = 0;
  while (s.bar->GetThumbRect(s.bar->GetScrollPos()).bottom < pointer) {
    const int before = s.bar->GetScrollPos();
    s.Frame();
    ASSERT_EQ(s.bar->GetScrollPos(), before + 10);
    ASSERT_LT(++frames, 20);
  }
  const int reached = s.bar->GetScrollPos();
  s.Frame();
  s.Frame();
  EXPECT_EQ(s.bar->GetScrollPos(), reached);
  EXPECT_TRUE(ZGUI::Inside(s.bar->GetThumbRect(reached), {10, pointer}));
  s.Release(s.X(10), s.Y(pointer));
  s.Frame();
  EXPECT_FALSE(s.bar->IsCaptured());
}

INSTANTIATE_TEST_SUITE_P(ScrollBar, HeldTrack, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "InAWindow" : "OnTheDesktop";
                         });

TEST(ScrollBar, AnArrowAtTheEndOfTheRangeStillAnnouncesAChange) {
  tBarScreen s;
  struct tListener : ZGUI::cVisElement {
    std::vector<int> positions;
    void HandleEvent(std::int32_t code, std::int32_t a, void* b, ZGUI::cElement* c) override {
      if (code == ZGUI::event::ScrollChanged) positions.push_back(a);
      cVisElement::HandleEvent(code, a, b, c);
    }
  };
  auto* listener = new tListener();
  s.Client()->AddChild(listener);
  s.bar->SetScrollPos(100);
  s.changes.clear();
  s.Press(s.X(10), s.Y(290));
  s.Release(s.X(10), s.Y(290));
  s.Frame();
  EXPECT_EQ(s.bar->GetScrollPos(), 100);
  EXPECT_EQ(listener->positions, (std::vector<int>{100, 100}));
  EXPECT_EQ(s.changes, (std::vector<std::pair<int, int>>{
                           {ZGUI::scrollchange::Position, 100},
                           {ZGUI::scrollchange::LineForward, 100}}));
}

TEST(ScrollBar, RangeChangesPullEachOtherAndThePositionInside) {
  cScrollBar bar;
  bar.SetScrollPos(60);
  bar.SetMax(-5);
  EXPECT_EQ(bar.GetMin(), -5);
  EXPECT_EQ(bar.GetMax(), -5);
  EXPECT_EQ(bar.GetScrollPos(), -5);
  bar.SetMin(20);
  EXPECT_EQ(bar.GetMax(), 20);
  EXPECT_EQ(bar.GetScrollPos(), 20);
}

}  // namespace
