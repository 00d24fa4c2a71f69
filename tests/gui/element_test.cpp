#include "gui/element.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/control.h"
#include "gui/messages.h"

namespace {

using ZGUI::cControl;
using ZGUI::cElement;
using Log = std::vector<std::string>;

// A control that writes what happens to it into a shared log and consumes
// messages when told to.
class Recorder : public cControl {
 public:
  Recorder(Log* log, const char* name, bool tabStop = true) : log_(log) {
    SetName(name);
    if (tabStop) SetTabStop(true);
    OnFocusEnter = [this](cControl*) { log_->push_back(std::string("enter ") + GetName()); };
    OnFocusLeave = [this](cControl*) { log_->push_back(std::string("leave ") + GetName()); };
  }
  ~Recorder() override { log_->push_back(std::string("destroy ") + GetName()); }
  bool HandleMessage(ZGUI::tMessage* message) override {
    log_->push_back(GetName());
    return consumes || cControl::HandleMessage(message);
  }
  void HandleEvent(std::int32_t code, std::int32_t a, void* b, cElement* c) override {
    if (code >= 90) log_->push_back(std::string("event ") + GetName());
    if (code == ZGUI::event::ChildRemoved && b != this && logRemovals)
      log_->push_back("removed " + std::to_string(a));
    cControl::HandleEvent(code, a, b, c);
  }
  bool consumes = false;
  bool logRemovals = false;

 private:
  Log* log_;
};

// root { A, B { B1 }, C }, all tab stops, as one tree that owns them.
struct tTree {
  Log log;
  Recorder* root = new Recorder(&log, "root", false);
  Recorder* a = new Recorder(&log, "A");
  Recorder* b = new Recorder(&log, "B");
  Recorder* b1 = new Recorder(&log, "B1");
  Recorder* c = new Recorder(&log, "C");
  tTree() {
    root->AddChild(a);
    root->AddChild(b);
    b->AddChild(b1);
    root->AddChild(c);
    log.clear();
  }
  ~tTree() { delete root; }
};

TEST(ElementTree, MessagesGoToTheFocusPathThenFrontToBackThenSelf) {
  tTree t;
  t.b->SetFocus(t.b1);
  t.root->SetFocus(t.b);
  t.log.clear();
  ZGUI::tMessage message;
  EXPECT_FALSE(t.root->DispatchMessage(&message));
  EXPECT_EQ(t.log, (Log{"B1", "B", "A", "C", "root"}));
  t.log.clear();
  t.a->consumes = true;
  EXPECT_TRUE(t.root->DispatchMessage(&message));
  EXPECT_EQ(t.log, (Log{"B1", "B", "A"}));
  EXPECT_FALSE(t.root->DispatchMessage(nullptr));
}

TEST(ElementTree, FocusCallbacksFollowThePathAndRequestFocusClimbs) {
  tTree t;
  t.root->SetFocus(t.a);
  t.log.clear();
  t.b1->RequestFocus();
  EXPECT_EQ(t.root->GetFocus(), t.b);
  EXPECT_TRUE(t.b1->HasFocus());
  // B takes the path first and tells its own chain, which already ends in B1;
  // then B's focus change tells B1 once more.
  EXPECT_EQ(t.log, (Log{"leave A", "enter B", "enter B1", "enter B1"}));
  t.log.clear();
  t.a->RequestFocus();
  EXPECT_EQ(t.log, (Log{"leave B1", "leave B", "enter A"}));
  EXPECT_FALSE(t.b1->HasFocus());
  EXPECT_EQ(t.b->GetFocus(), t.b1);
  t.log.clear();
  t.a->RequestFocus();  // already focused: nothing happens
  EXPECT_TRUE(t.log.empty());
  t.c->SetEnabled(false);
  t.root->SetFocus(t.c);
  EXPECT_EQ(t.root->GetFocus(), t.a);
}

TEST(ElementTree, AModalChildHoldsFocusAndFront) {
  tTree t;
  t.root->SetFocus(t.a);
  t.root->HandleEvent(ZGUI::event::ModalBegin, 0, static_cast<cElement*>(t.c), nullptr);
  EXPECT_TRUE(t.root->IsModal(t.c));
  t.root->SetFocus(t.b);
  t.root->SetFocus(nullptr);
  EXPECT_EQ(t.root->GetFocus(), t.a);
  t.root->HandleEvent(ZGUI::event::BringToFront, 0, static_cast<cElement*>(t.b), t.b);
  EXPECT_EQ(t.root->GetChild(0), t.a);
  t.root->HandleEvent(ZGUI::event::BringToFront, 0, static_cast<cElement*>(t.c), t.c);
  EXPECT_EQ(t.root->GetChild(0), t.c);
  EXPECT_EQ(t.root->GetChild(1), t.a);
  EXPECT_EQ(t.root->GetChild(2), t.b);
  t.root->SetFocus(t.c);
  EXPECT_EQ(t.root->GetFocus(), t.c);
  t.root->HandleEvent(ZGUI::event::ModalEnd, 0, static_cast<cElement*>(t.c), nullptr);
  EXPECT_FALSE(t.root->IsModal(t.c));
  t.root->HandleEvent(ZGUI::event::SendToBack, 0, static_cast<cElement*>(t.c), t.c);
  EXPECT_EQ(t.root->GetChild(2), t.c);
  t.root->SetFocus(t.b);
  EXPECT_EQ(t.root->GetFocus(), t.b);
}

TEST(ElementTree, ModalityIsRecordedUpToTheRootAndEndsThere) {
  tTree t;
  t.b->HandleEvent(ZGUI::event::ModalBegin, 0, static_cast<cElement*>(t.b1), nullptr);
  EXPECT_TRUE(t.b->IsModal(t.b1));
  EXPECT_TRUE(t.root->IsModal(t.b));
  // An element that was never modal still sends the end up when the list is empty.
  t.b->HandleEvent(ZGUI::event::ModalEnd, 0, static_cast<cElement*>(t.a), nullptr);
  EXPECT_TRUE(t.b->IsModal(t.b1));
  t.b->HandleEvent(ZGUI::event::ModalEnd, 0, static_cast<cElement*>(t.b1), nullptr);
  EXPECT_FALSE(t.root->IsModal(t.b));
  t.root->HandleEvent(ZGUI::event::ModalBegin, 0, static_cast<cElement*>(t.c), nullptr);
  t.c->HandleEvent(ZGUI::event::ModalEnd, 0, static_cast<cElement*>(t.a), nullptr);
  EXPECT_FALSE(t.root->IsModal(t.c));
}

TEST(ElementTree, RemovingTheFocusedTabStopPassesTheFocusOnQuietly) {
  tTree t;
  t.root->SetFocus(t.c);  // the last tab stop
  t.log.clear();
  t.root->RemoveChild(t.c);
  EXPECT_EQ(t.root->GetFocus(), t.a);
  EXPECT_TRUE(t.log.empty());  // no callbacks
  EXPECT_EQ(t.c->GetParent(), nullptr);
  delete t.c;
  t.root->SetFocus(t.a);
  t.root->RemoveChild(t.a);
  EXPECT_EQ(t.root->GetFocus(), t.b);  // the tab stop now at A's position
  delete t.a;
  t.root->RemoveChild(t.b);
  EXPECT_EQ(t.root->GetFocus(), nullptr);
  EXPECT_EQ(t.root->GetTabStopCount(), 0);
  delete t.b;
}

TEST(ElementTree, TabNavigationWrapsAndSkipsWhatCannotTakeTheFocus) {
  tTree t;
  t.root->FocusFirst();
  EXPECT_EQ(t.root->GetFocus(), t.a);
  t.root->MoveFocus(5);
  EXPECT_EQ(t.root->GetFocus(), t.b);
  t.root->FocusNext();
  EXPECT_EQ(t.root->GetFocus(), t.c);
  t.root->FocusNext();
  EXPECT_EQ(t.root->GetFocus(), t.a);
  t.root->MoveFocus(-7);
  EXPECT_EQ(t.root->GetFocus(), t.c);
  t.b->SetVisible(false);
  t.root->FocusPrevious();
  EXPECT_EQ(t.root->GetFocus(), t.a);
  t.c->SetEnabled(false);
  t.root->FocusNext();  // nobody else can take it
  EXPECT_EQ(t.root->GetFocus(), t.a);
  t.root->FocusLast();
  EXPECT_EQ(t.root->GetFocus(), t.a);  // C cannot take the focus
  t.root->MoveFocus(0);  // no other child can: the focus goes
  EXPECT_EQ(t.root->GetFocus(), nullptr);
  t.b->SetVisible(true);
  t.root->MoveFocus(0);
  EXPECT_EQ(t.root->GetFocus(), t.a);
}

TEST(ElementTree, TabStopsKeepTheirOrderAndTheirIndex) {
  tTree t;
  EXPECT_EQ(t.root->GetTabStop(0), t.a);
  EXPECT_EQ(t.c->GetTabOrder(), 2);
  t.c->SetTabOrder(-3);
  EXPECT_EQ(t.root->GetTabStop(0), t.c);
  EXPECT_EQ(t.a->GetTabOrder(), 1);
  t.c->SetTabOrder(99);
  EXPECT_EQ(t.root->GetTabStop(2), t.c);
  t.a->SetTabStop(false);
  EXPECT_EQ(t.root->GetTabStop(0), t.b);
  EXPECT_EQ(t.c->GetTabOrder(), 1);
  t.a->SetTabOrder(0);  // not a tab stop: not moved
  EXPECT_EQ(t.root->GetTabStop(0), t.b);
  t.a->SetTabStop(true);  // back at the end
  EXPECT_EQ(t.root->GetTabStop(2), t.a);
  EXPECT_EQ(t.a->GetTabOrder(), 2);
}

TEST(ElementTree, NotifyReachesEveryElementOnceDepthFirst) {
  tTree t;
  t.b1->Notify(95, 0, nullptr, nullptr);
  EXPECT_EQ(t.log, (Log{"event root", "event A", "event B", "event B1", "event C"}));
}

TEST(ElementTree, ChildrenAreListedFoundAndRemovedByEveryOccurrence) {
  tTree t;
  EXPECT_EQ(t.root->GetChild(-1), nullptr);
  EXPECT_EQ(t.root->GetChild(3), nullptr);
  EXPECT_EQ(t.root->FindChild("B"), t.b);
  EXPECT_EQ(t.root->FindChild("B1"), nullptr);
  EXPECT_EQ(t.root->FindChild(nullptr), nullptr);
  auto* unnamed = new cElement();
  t.root->AddChild(unnamed);
  EXPECT_EQ(t.root->FindChild(nullptr), unnamed);
  t.root->AddChild(t.a);  // A now twice
  EXPECT_EQ(t.root->IndexOfChild(t.a), 0);
  t.root->SetChildIndex(unnamed, -5);
  EXPECT_EQ(t.root->GetChild(0), unnamed);
  t.root->SetChildIndex(unnamed, 50);
  EXPECT_EQ(t.root->GetChild(4), unnamed);
  t.c->logRemovals = true;
  t.root->RemoveChild(t.a);
  EXPECT_FALSE(t.root->HasChild(t.a));
  EXPECT_EQ(t.root->GetChildCount(), 3);
  EXPECT_EQ(t.log.back(), "removed 3");  // the index of the last occurrence
  delete t.a;
  t.root->SetName("root");  // its own name: unchanged
  t.root->SetName(t.root->GetName());
  EXPECT_STREQ(t.root->GetName(), "root");
  t.root->SetName(nullptr);
  EXPECT_EQ(t.root->GetName(), nullptr);
  t.root->SetName("root");
}

TEST(ElementTree, DestructionTakesChildrenFrontToBackWithoutFocusCallbacks) {
  Log log;
  {
    tTree t;
    t.root->SetFocus(t.b);
    t.b->SetFocus(t.b1);
    t.log.clear();
    delete t.root;
    log = t.log;
    t.root = nullptr;
  }
  EXPECT_EQ(log, (Log{"destroy root", "destroy A", "destroy B", "destroy B1", "destroy C"}));
}

TEST(ElementTree, DeleteChildrenLeavesTheFocusFirst) {
  tTree t;
  t.root->SetFocus(t.a);
  t.log.clear();
  t.root->DeleteChildren();
  EXPECT_EQ(t.log, (Log{"leave A", "destroy A", "destroy B", "destroy B1", "destroy C"}));
  EXPECT_EQ(t.root->GetChildCount(), 0);
  EXPECT_EQ(t.root->GetFocus(), nullptr);
  EXPECT_EQ(t.root->GetTabStopCount(), 0);
}

TEST(Control, KeysGoToTheFocusedControlThatWantsThem) {
  tTree t;
  Log keys;
  t.b1->OnKeyDown = [&keys](cControl*, std::int32_t key) { keys.push_back("down " + std::to_string(key)); };
  t.b1->OnChar = [&keys](cControl*, std::uint8_t c) { keys.push_back(std::string("char ") + char(c)); };
  t.b1->OnKeyUp = [&keys](cControl*, std::int32_t key) { keys.push_back("up " + std::to_string(key)); };
  t.b1->RequestFocus();
  ZGUI::tKeyMessage key;
  key.key = 30;
  key.character = 'a';
  key.pressed = true;
  EXPECT_FALSE(t.root->DispatchMessage(&key));  // no key input yet
  t.b1->SetWantsKeys(true);
  EXPECT_TRUE(t.root->DispatchMessage(&key));
  key.character = 0;
  key.key = 99;
  EXPECT_TRUE(t.root->DispatchMessage(&key));
  key.pressed = false;
  EXPECT_TRUE(t.root->DispatchMessage(&key));
  EXPECT_EQ(keys, (Log{"down 30", "char a", "down 99", "up 99"}));
  // Without callbacks the message is consumed all the same; off the focus
  // path it is not.
  t.a->SetWantsKeys(true);
  EXPECT_FALSE(t.a->HandleMessage(&key));
  t.a->RequestFocus();
  EXPECT_TRUE(t.a->HandleMessage(&key));
}

}  // namespace
