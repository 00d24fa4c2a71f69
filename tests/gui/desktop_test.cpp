// The desktop: incremental drawing against complete redraws, the cursor, the
// frame's messages, closing, and its lifetime against the input thread.
#include "gui/desktop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "gui/keyboard.h"
#include "tests/gui/desktop_fixtures.h"

namespace {

using guitest::tDesktopScreen;
using guitest::tPanel;
using ZGUI::tRect;

class DesktopDrawing : public testing::TestWithParam<guitest::tFormat> {};

TEST_P(DesktopDrawing, EveryIncrementalFrameEqualsACompleteRedraw) {
  tDesktopScreen s(GetParam(), 320, 240);
  auto* back = new tPanel(0xC04020);
  auto* front = new tPanel(0x20C040, true);
  auto* box = new ZGUI::cObjectContainer();
  s.Client()->AddChild(front);
  s.Client()->AddChild(back);
  s.Client()->AddChild(box);
  back->SetBounds({20, 20, 119, 99});
  front->SetBounds({60, 50, 179, 129});
  box->SetBounds({190, 100, 299, 219});
  box->cBackground::SetColor(0x808080);
  auto* inner = new tPanel(0x4040E0);
  box->AddChild(inner);
  inner->SetBounds({10, 10, 209, 309});
  ASSERT_NE(box->GetVScrollBar(), nullptr);

  std::vector<std::function<void()>> steps = {
      [&] {},
      [&] { back->SetPosition({40, 30}); },
      [&] { front->SetSize({60, 40}); },
      [&] { front->Hide(); },
      [&] { front->Show(); },
      [&] { box->SetVScrollPos(37); },
      [&] { box->SetHScrollPos(15); },
      [&] { s.Move(100, 80); },
      [&] { s.Move(310, 230); },  // partly off the screen
      [&] { s.Move(5, 5); },
      [&] {
        s.desktop->InvalidateRect({0, 0, 10, 10});
        s.desktop->InvalidateRect({250, 200, 300, 230});
      },
      [&] { front->BringToFront(); },
      [&] { s.desktop->cBackground::SetColor(0x102030); },
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    steps[i]();
    s.Frame();
    const auto incremental = s.Drawable();
    ASSERT_EQ(guitest::FirstDifference(incremental, s.FullRedraw()), -1) << "frame " << i;
  }
}

TEST_P(DesktopDrawing, AStillFrameWritesOnlyTheCursorsRectangle) {
  tDesktopScreen s(GetParam(), 200, 150);
  auto* panel = new tPanel(0xA0A0A0);
  s.Client()->AddChild(panel);
  panel->SetBounds({10, 10, 150, 120});
  s.Move(60, 40);
  s.Frame();
  const tRect cursor = s.desktop->GetCursorRect();
  // 12 x 16 arrow and a 3-unit shadow: 1 pixel at this size.
  EXPECT_EQ(cursor, (tRect{60, 40, 60 + 12, 40 + 16}));
  const auto before = s.Drawable();
  // Scramble everything outside the cursor's rectangle: a frame that writes
  // anywhere else restores it and shows.
  auto& t = s.Target();
  for (int y = 0; y < t.Height(); ++y)
    for (int x = 0; x < t.Width(); ++x)
      if (!ZGUI::Inside(cursor, {x, y})) t.Set(x, y, t.Get(x, y) ^ 0x5A5A5A5Au);
  const auto scrambled = s.Drawable();
  s.Frame();
  EXPECT_EQ(s.Drawable(), scrambled);
  for (int y = cursor.top; y <= cursor.bottom; ++y)
    for (int x = cursor.left; x <= cursor.right; ++x)
      ASSERT_EQ(t.Get(x, y), guitest::LoadPixel(&before[(y * t.Width() + x) * GetParam().bytes],
                                                GetParam().bytes));
}

INSTANTIATE_TEST_SUITE_P(Formats, DesktopDrawing,
                         testing::Values(guitest::Formats()[0], guitest::Formats()[1],
                                         guitest::Formats()[2], guitest::Formats()[3]),
                         guitest::FormatName);

TEST(Desktop, AnEmptyQueueStillGivesTheTreeOnePlainMessageAndMiceMoveTheCursor) {
  tDesktopScreen s(guitest::Formats()[3], 100, 80);
  std::vector<std::int32_t> seen;
  struct tSpy : ZGUI::cVisElement {
    std::vector<std::int32_t>* seen;
    bool HandleMessage(ZGUI::tMessage* m) override {
      seen->push_back(m->type);
      return false;
    }
  };
  auto* spy = new tSpy();
  spy->seen = &seen;
  s.Client()->AddChild(spy);
  s.Frame();
  EXPECT_EQ(seen, (std::vector<std::int32_t>{ZGUI::messagetype::Plain}));
  seen.clear();
  s.Move(30, 20);
  s.Frame();
  EXPECT_EQ(seen, (std::vector<std::int32_t>{ZGUI::messagetype::Mouse}));
  EXPECT_EQ(s.desktop->GetCursorPosition(), (ZGUI::tPoint{30, 20}));
  EXPECT_EQ(s.desktop->GetCursorRect().left, 30);
}

TEST(Desktop, NamesItsClientAndClosesOnlyWhenAllowed) {
  tDesktopScreen s(guitest::Formats()[3], 64, 48);
  EXPECT_STREQ(s.Client()->GetName(), "desktop::Client");
  EXPECT_EQ(ZGUI::cDesktop::Current(), s.desktop.get());
  EXPECT_FALSE(s.desktop->IsClass(ZGUI::classid::Control));
  int closed = 0;
  bool veto = true;
  s.desktop->onClose = [&](ZGUI::cDesktop*) { ++closed; };
  s.desktop->onCloseQuery = [&](ZGUI::cDesktop*, bool* allow) { *allow = !veto; };
  s.desktop->Close();
  EXPECT_TRUE(s.desktop->IsVisible());
  EXPECT_EQ(closed, 0);
  veto = false;
  s.desktop->Close();
  EXPECT_FALSE(s.desktop->IsVisible());
  s.desktop->Close();
  EXPECT_EQ(closed, 1);
  s.desktop.reset();
  EXPECT_EQ(ZGUI::cDesktop::Current(), nullptr);
}

TEST(Desktop, DrawsNothingBeforeItsFirstResize) {
  guitest::UseFormat(guitest::Formats()[3], 32, 32);
  guitest::tSurface target(32, 32, 4);
  const auto before = target.Memory();
  ZGUI::cGraphicsDevice device(target.Pixels(), target.Pitch(), target.Bounds());
  ZGUI::cDesktop desktop;
  desktop.Draw(&device);
  EXPECT_EQ(target.Memory(), before);
}

// The input thread reports keys under its input lock; the desktop is
// destroyed under the same lock, and the thread sees that it is gone.
TEST(Desktop, IsDestroyedSafelyWhileTheInputThreadReportsKeys) {
  guitest::UseFormat(guitest::Formats()[3], 64, 48);
  std::mutex inputLock;
  auto* desktop = new ZGUI::cDesktop();
  ZGUI::cDesktop* shared = desktop;
  std::atomic<int> reported{0};
  std::thread input([&] {
    for (int i = 0;; ++i) {
      std::lock_guard<std::mutex> hold(inputLock);
      if (!shared) return;
      shared->GetKeyboard()->HandleKey(30 + i % 20, i % 2 == 0);
      ++reported;
    }
  });
  while (reported < 200) desktop->ProcessMessages();
  {
    std::lock_guard<std::mutex> hold(inputLock);
    delete desktop;
    shared = nullptr;
  }
  input.join();
}

}  // namespace
