// Visual elements: geometry and its notifications, invalidation on its way to
// the desktop, hit tests, the mouse callbacks, captions and the enabled state.
#include "gui/viselement.h"

#include <gtest/gtest.h>

#include "gui/control.h"
#include "tests/gui/desktop_fixtures.h"

namespace {

using ZGUI::cVisElement;
using ZGUI::tPoint;
using ZGUI::tRect;

// Records the events that reach it and the areas that reach the top.
struct tRoot : cVisElement {
  std::vector<std::int32_t> events;
  std::vector<tRect> areas;
  void HandleEvent(std::int32_t code, std::int32_t a, void* b, ZGUI::cElement* c) override {
    events.push_back(code);
    if (code == ZGUI::event::InvalidateRect) {
      areas.push_back(*static_cast<tRect*>(b));
      return;
    }
    cVisElement::HandleEvent(code, a, b, c);
  }
};

TEST(VisElement, GeometrySettersInvalidateNotifyAndCallBackEvenWithoutChange) {
  tRoot root;
  root.SetBounds({0, 0, 639, 479});
  auto* e = new cVisElement();
  root.AddChild(e);
  e->SetPosition({10, 20});
  e->SetSize({100, 50});
  EXPECT_EQ(e->GetBounds(), (tRect{10, 20, 110, 70}));
  EXPECT_EQ(e->GetWidth(), 101);
  EXPECT_EQ(e->GetSize(), (tPoint{100, 50}));
  std::vector<std::string> calls;
  e->OnMove = [&](cVisElement*) { calls.push_back("move"); };
  e->OnResize = [&](cVisElement*) { calls.push_back("resize"); };
  root.events.clear();
  root.areas.clear();
  e->SetBounds(e->GetBounds());
  EXPECT_EQ(calls, (std::vector<std::string>{"move", "resize"}));
  EXPECT_EQ(root.events, (std::vector<std::int32_t>{17, 27, 17}));
  EXPECT_EQ(root.areas, (std::vector<tRect>{{10, 20, 110, 70}, {10, 20, 110, 70}}));
}

TEST(VisElement, AreasAreClippedUpTheTreeAndDroppedUnderAHiddenAncestor) {
  tRoot root;
  root.SetBounds({0, 0, 639, 479});
  auto* parent = new cVisElement();
  auto* child = new cVisElement();
  root.AddChild(parent);
  parent->AddChild(child);
  parent->SetBounds({100, 100, 199, 149});
  child->SetBounds({80, 30, 179, 129});  // sticks out of the parent
  root.areas.clear();
  child->InvalidateRect({0, 0, 9, 9});
  child->Invalidate();
  EXPECT_EQ(root.areas, (std::vector<tRect>{{180, 130, 189, 139}, {180, 130, 199, 149}}));
  root.areas.clear();
  child->Hide();  // a hidden element still reports its old area
  EXPECT_EQ(root.areas, (std::vector<tRect>{{180, 130, 199, 149}}));
  child->Show();
  root.areas.clear();
  parent->SetVisible(false);
  root.areas.clear();
  child->Invalidate();
  EXPECT_TRUE(root.areas.empty());
}

TEST(VisElement, OnlyTheFrontElementUnderThePointerReactsEvenWhenDisabled) {
  guitest::tDesktopScreen s(guitest::Formats()[3], 640, 480);
  std::vector<std::string> log;
  auto make = [&](const char* name) {
    auto* e = new cVisElement();
    e->SetName(name);
    e->OnClick = [&log, name](cVisElement*) { log.push_back(std::string(name) + " click"); };
    e->OnMouseDown = [&log, name](cVisElement*, std::int32_t button, std::int32_t x,
                                  std::int32_t y) {
      log.push_back(std::string(name) + " down " + std::to_string(button) + " " +
                    std::to_string(x) + "," + std::to_string(y));
      return false;
    };
    s.Client()->AddChild(e);
    return e;
  };
  cVisElement* front = make("front");
  cVisElement* back = make("back");
  front->SetBounds({10, 10, 59, 59});
  back->SetBounds({40, 40, 99, 99});
  front->SetEnabled(false);
  s.Click(59, 59);  // the bottom-right pixel counts as inside
  s.Click(50, 50, 1);
  s.Click(80, 80);
  EXPECT_EQ(log, (std::vector<std::string>{"front down 0 49,49", "front click",
                                           "front down 1 40,40", "back down 0 40,40",
                                           "back click"}));
  EXPECT_EQ(s.desktop->ElementAt({20, 20}, false, false, -1), s.Client());
  EXPECT_EQ(s.desktop->ElementAt({20, 20}, true, false, -1), front);
  EXPECT_EQ(s.desktop->ElementAt({59, 59}, false, false, -1), back);
  log.clear();
  back->OnMouseDown = [](cVisElement*, std::int32_t, std::int32_t, std::int32_t) { return true; };
  s.Click(80, 80);
  EXPECT_TRUE(log.empty());
}

TEST(VisElement, CaptionsChangeOnlyByTextAndUserTextSurvivesItself) {
  tRoot root;
  auto* e = new cVisElement();
  root.AddChild(e);
  e->SetCaption("Run");
  root.events.clear();
  const std::string same = "Run";
  e->SetCaption(same.c_str());
  EXPECT_TRUE(root.events.empty());
  e->SetCaption("Exit");
  EXPECT_EQ(root.events, (std::vector<std::int32_t>{17, 28}));
  e->SetUserText("note");
  e->SetUserText(e->GetUserText());
  EXPECT_STREQ(e->GetUserText(), "note");
}

TEST(VisElement, DisablingTheFocusedControlMovesTheFocusOnHidingDoesNot) {
  tRoot root;
  auto* a = new ZGUI::cControl();
  auto* b = new ZGUI::cControl();
  root.AddChild(a);
  root.AddChild(b);
  a->SetTabStop(true);
  b->SetTabStop(true);
  root.SetFocus(a);
  a->Hide();
  EXPECT_EQ(root.GetFocus(), a);
  a->Show();
  a->SetEnabled(false);
  EXPECT_EQ(root.GetFocus(), b);
}

}  // namespace
