// Object containers: which scroll bars a content extent brings, scrolled hit
// tests and coordinates, naming, and the lifetime of a bar that holds the focus.
#include "gui/container.h"

#include <gtest/gtest.h>

#include "tests/gui/desktop_fixtures.h"

namespace {

using ZGUI::cObjectContainer;
using ZGUI::tRect;

struct tBarRow {
  const char* name;
  int width, height;           // the container's pixels
  int extentRight, extentBottom;  // the child's last pixel
  bool h, v;
  int hRange, hVisible, vRange, vVisible;
  int hThickness, vThickness;
};

// 640 x 480: a 2-pixel frame and 20-pixel bars; the client of a 204 x 154
// container is 200 x 150.
const tBarRow kRows[] = {
    {"fits", 204, 154, 99, 99, false, false, 0, 0, 0, 0, 0, 0},
    {"wide", 204, 154, 299, 99, true, false, 100, 200, 0, 0, 20, 0},
    {"tall", 204, 154, 149, 399, false, true, 0, 0, 250, 150, 0, 20},
    {"tall, no room for the bar", 204, 154, 189, 399, true, true, 10, 180, 270, 130, 20, 20},
    {"both", 204, 154, 299, 299, true, true, 120, 180, 170, 130, 20, 20},
    {"one pixel high", 204, 5, 299, 0, true, true, 120, 180, 1, 1, 1, 20},
};

TEST(ObjectContainer, TheContentExtentDecidesTheScrollBars) {
  guitest::UseFormat(guitest::Formats()[3], 640, 480);
  for (const tBarRow& row : kRows) {
    SCOPED_TRACE(row.name);
    cObjectContainer box;
    box.SetBounds({10, 10, 10 + row.width - 1, 10 + row.height - 1});
    auto* child = new guitest::tPanel(0);
    box.AddChild(child);
    child->SetBounds({0, 0, row.extentRight, row.extentBottom});
    ASSERT_EQ(box.GetHScrollBar() != nullptr, row.h);
    ASSERT_EQ(box.GetVScrollBar() != nullptr, row.v);
    if (auto* bar = box.GetHScrollBar()) {
      EXPECT_EQ(bar->GetMax(), row.hRange);
      EXPECT_EQ(bar->GetVisibleAmount(), row.hVisible);
      EXPECT_EQ(bar->GetHeight(), row.hThickness);
      EXPECT_EQ(bar->GetTop(), box.GetClientRect().bottom + 1);
    }
    if (auto* bar = box.GetVScrollBar()) {
      EXPECT_EQ(bar->GetMax(), row.vRange);
      EXPECT_EQ(bar->GetVisibleAmount(), row.vVisible);
      EXPECT_EQ(bar->GetWidth(), row.vThickness);
    }
  }
}

TEST(ObjectContainer, ScrolledChildrenAreHitAndPlacedByContentCoordinates) {
  guitest::tDesktopScreen s(guitest::Formats()[3], 640, 480);
  auto* box = new cObjectContainer();
  s.Client()->AddChild(box);
  box->SetBounds({100, 100, 303, 253});
  auto* far = new guitest::tPanel(0x00FF00);
  auto* big = new guitest::tPanel(0xFF0000);
  box->AddChild(far);
  box->AddChild(big);
  big->SetBounds({0, 0, 399, 399});
  far->SetBounds({300, 250, 339, 279});
  box->SetHScrollPos(150);
  box->SetVScrollPos(200);
  ASSERT_EQ(box->GetScrollOffset(), (ZGUI::tPoint{150, 200}));
  // Content (300, 250) lies at client pixel (150, 50), behind the 2-pixel frame.
  const ZGUI::tPoint screen(100 + 2 + 150, 100 + 2 + 50);
  EXPECT_EQ(box->ElementAt(screen, false, false, -1), far);
  EXPECT_EQ(far->ClientToScreen(ZGUI::tPoint(0, 0), far), screen);
  EXPECT_EQ(far->ScreenToClient(screen, far), (ZGUI::tPoint{0, 0}));
  // The frame and the bars never reach the children beneath them.
  EXPECT_EQ(box->ElementAt({101, 150}, false, false, -1), box);
  const tRect vBar = box->GetVScrollBar()->GetBounds();
  EXPECT_EQ(box->ElementAt({100 + vBar.left + 3, 100 + vBar.top + 40}, false, false, -1),
            box->GetVScrollBar());
  s.Frame();
  EXPECT_EQ(s.Target().Get(screen.x + 10, screen.y + 10), ZGUI::PackColor(0x00FF00));
}

TEST(ObjectContainer, NamesItsBarsAfterItselfAndDropsItsFrameOnRequest) {
  guitest::UseFormat(guitest::Formats()[3], 640, 480);
  cObjectContainer box;
  box.SetBounds({0, 0, 99, 99});
  box.SetHScrollBar(true);
  box.SetAutoScrollBars(false);
  box.SetHScrollBar(true);
  box.SetVScrollBar(true);
  EXPECT_STREQ(box.GetHScrollBar()->GetName(), "::HScroll");
  box.SetName("pane");
  EXPECT_STREQ(box.GetHScrollBar()->GetName(), "pane::HScroll");
  EXPECT_STREQ(box.GetVScrollBar()->GetName(), "pane::VScroll");
  // Nothing to scroll: the range stays 0.
  EXPECT_EQ(box.GetHScrollBar()->GetMax(), 0);
  EXPECT_EQ(box.GetClientRect(), (tRect{2, 2, 97 - 20, 97 - 20}));
  box.SetBorder(false);
  EXPECT_EQ(box.GetClientOffset(), (ZGUI::tPoint{0, 0}));
  EXPECT_EQ(box.GetClientRect(), (tRect{0, 0, 99 - 20, 99 - 20}));
}

// A click gives a container's own bar the focus; the bar must not outlive
// its place in the focus field.
struct tFocusedBar : guitest::tDesktopScreen {
  tFocusedBar() : tDesktopScreen(guitest::Formats()[3], 640, 480) {
    box = new cObjectContainer();
    Client()->AddChild(box);
    box->SetBounds({50, 50, 253, 203});
    child = new guitest::tPanel(0x808080);
    box->AddChild(child);
    child->SetBounds({0, 0, 149, 399});
    bar = box->GetVScrollBar();
    const tRect b = bar->GetBounds();
    Click(50 + b.left + 5, 50 + b.bottom - 5);
  }
  cObjectContainer* box;
  guitest::tPanel* child;
  ZGUI::cScrollBar* bar;
};

TEST(ObjectContainer, ABarWithTheFocusLeavesTheFocusFieldWhenItGoes) {
  {
    tFocusedBar s;
    ASSERT_EQ(s.box->GetFocus(), s.bar);
    ASSERT_EQ(s.bar->GetScrollPos(), 1);
    s.child->SetBounds({0, 0, 99, 99});  // everything fits: the bars go
    EXPECT_EQ(s.box->GetVScrollBar(), nullptr);
    EXPECT_EQ(s.box->GetFocus(), nullptr);
    s.Move(60, 60);
    s.Frame();
  }
  {
    tFocusedBar s;
    s.Client()->RemoveChild(s.box);
    delete s.box;
    s.Frame();
  }
  {
    tFocusedBar s;
    s.desktop.reset();
  }
}

}  // namespace
