// Windows, dialogs and the widgets in them, driven through the desktop's
// queue: click semantics, dragging, minimising, close queries, modality and
// the message box.
#include "gui/window.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "gui/button.h"
#include "gui/label.h"
#include "tests/gui/desktop_fixtures.h"
#include "tests/gui/widget_scene.h"

namespace {

using ZGUI::tPoint;
using ZGUI::tRect;

// Two windows with the launcher's font; the first holds a button, a check
// box and a label.
struct tWindows : guitest::tDesktopScreen {
  tWindows() : tDesktopScreen(guitest::Formats()[3], 640, 480) {
    auto* face = new ZGUI::cBitmapFont();
    fontLoaded = guitest::LoadLauncherFont(face);
    desktop->GetFontManager()->AddFont("Arial", face);
    other = AddWindow("other", {300, 40, 599, 299});
    window = AddWindow("main", {20, 20, 319, 319});
    button = Add(new ZGUI::cButton(), {10, 10, 109, 39});
    box = Add(new ZGUI::cCheckbox(), {10, 60, 149, 75});
    label = Add(new ZGUI::cLabel(), {10, 100, 149, 129});
    for (ZGUI::cVisElement* e :
         {static_cast<ZGUI::cVisElement*>(button), static_cast<ZGUI::cVisElement*>(box),
          static_cast<ZGUI::cVisElement*>(label)}) {
      e->OnClick = [this, e](ZGUI::cVisElement* source) {
        if (source == e) ++clicks;
      };
    }
    other->Show();
    window->Activate();
    Frame();
  }
  ZGUI::cWindow* AddWindow(const char* name, tRect bounds) {
    auto* w = new ZGUI::cWindow();
    w->SetName(name);
    Client()->AddChild(w);
    w->SetFont(new ZGUI::cFont("Arial", 14));
    w->SetCaption(name);
    w->SetBounds(bounds);
    return w;
  }
  template <class T>
  T* Add(T* element, tRect bounds) {
    window->GetClient()->AddChild(element);
    element->SetFont(new ZGUI::cFont("Arial", 12));
    element->SetCaption("caption");
    element->SetBounds(bounds);
    return element;
  }
  static tPoint Centre(ZGUI::cVisElement* e) {
    return e->ClientToScreen(tPoint(e->GetWidth() / 2, e->GetHeight() / 2), e);
  }
  // A point on a window's title, left of its frame buttons.
  static tPoint OnTitle(ZGUI::cWindow* w) {
    const tRect t = w->GetTitleInnerRect();
    return w->ClientToScreen(tPoint(t.left + 20, (t.top + t.bottom) / 2), w);
  }
  bool fontLoaded = false;
  ZGUI::cWindow* window;
  ZGUI::cWindow* other;
  ZGUI::cButton* button;
  ZGUI::cCheckbox* box;
  ZGUI::cLabel* label;
  int clicks = 0;
};

struct tClickRow {
  const char* name;
  int target;  // 0 button, 1 check box, 2 label
  bool enabled;
  int mouseButton;
  const char* path;  // p/r: press or release, on (+) or off (-) the target; m: move
  int clicks;
};

const tClickRow kClicks[] = {
    {"button, out and back in", 0, true, 0, "p+ m- m+ r+", 1},
    {"button, released outside", 0, true, 0, "p+ m- r-", 0},
    {"button, pressed outside", 0, true, 0, "p- m+ r+", 0},
    {"button, right button", 0, true, 1, "p+ r+", 0},
    {"button, disabled", 0, false, 0, "p+ r+", 0},
    {"check box", 1, true, 0, "p+ r+", 1},
    {"check box, released outside", 1, true, 0, "p+ m- r-", 0},
    {"check box, disabled", 1, false, 0, "p+ r+", 0},
    {"label inside a window", 2, true, 0, "p+ r+", 1},
    {"label, right button", 2, true, 1, "p+ r+", 0},
};

TEST(WindowClicks, EachClickCallsOnClickExactlyOnceOrNotAtAll) {
  for (const tClickRow& row : kClicks) {
    SCOPED_TRACE(row.name);
    tWindows s;
    ZGUI::cVisElement* target = row.target == 0   ? static_cast<ZGUI::cVisElement*>(s.button)
                                : row.target == 1 ? static_cast<ZGUI::cVisElement*>(s.box)
                                                  : static_cast<ZGUI::cVisElement*>(s.label);
    target->SetEnabled(row.enabled);
    const tPoint on = tWindows::Centre(target);
    const tPoint off = s.window->GetClient()->ClientToScreen(tPoint(200, 200), nullptr);
    for (const char* c = row.path; *c; ++c) {
      if (*c == ' ') continue;
      const tPoint at = c[1] == '+' ? on : off;
      if (*c == 'p') s.Press(at.x, at.y, row.mouseButton);
      if (*c == 'r') s.Release(at.x, at.y, row.mouseButton);
      if (*c == 'm') s.Move(at.x, at.y);
      ++c;
      s.Frame();
    }
    s.Frame();
    EXPECT_EQ(s.clicks, row.clicks);
    if (row.target == 1) {
      EXPECT_EQ(s.box->GetChecked(), row.clicks);
    }
  }
}

TEST(WindowClicks, ACheckBoxShowsTheNewStateWhileHeldAndOnlyItsCommitCalls) {
  tWindows s;
  const tPoint on = tWindows::Centre(s.box);
  s.Press(on.x, on.y);
  s.Frame();
  EXPECT_EQ(s.box->GetChecked(), 1);
  EXPECT_EQ(s.clicks, 0);
  s.Release(on.x, on.y);
  s.Frame();
  EXPECT_EQ(s.clicks, 1);
  s.box->SetChecked(2);
  s.box->SetChecked(-1);
  EXPECT_EQ(s.clicks, 1);
  s.box->SetChecked(1);
  EXPECT_EQ(s.clicks, 2);
  EXPECT_EQ(s.box->GetChecked(), 1);
}

TEST(Windows, DraggingTheTitleMovesByThePointersTravelAndRaisesTheWindow) {
  tWindows s;
  ASSERT_TRUE(s.fontLoaded);
  const tRect before = s.other->GetBounds();
  const tPoint grab = tWindows::OnTitle(s.other);
  s.Press(grab.x, grab.y);
  s.Frame();
  EXPECT_EQ(s.Client()->GetChild(0), s.other);
  EXPECT_EQ(s.Client()->GetFocus(), s.other);
  s.Move(grab.x - 50, grab.y + 10);
  s.Frame();
  s.Move(grab.x - 123, grab.y + 45);
  s.Release(grab.x - 123, grab.y + 45);
  s.Frame();
  EXPECT_EQ(s.other->GetBounds(), ZGUI::Offset(before, -123, 45));
  // Moving the mouse afterwards moves nothing.
  s.Move(grab.x, grab.y);
  s.Frame();
  EXPECT_EQ(s.other->GetBounds(), ZGUI::Offset(before, -123, 45));
}

TEST(Windows, NoDragStartsOnAFrameButtonOrWhileADialogIsModal) {
  tWindows s;
  const tRect before = s.window->GetBounds();
  const tPoint cross = tWindows::Centre(s.window->GetCloseButton());
  s.Press(cross.x, cross.y);
  s.Frame();
  s.Move(cross.x + 40, cross.y + 40);
  s.Release(cross.x + 40, cross.y + 40);
  s.Frame();
  EXPECT_EQ(s.window->GetBounds(), before);
  EXPECT_TRUE(s.window->IsVisible());

  ASSERT_TRUE(ZGUI::MessageBox(s.Client(), "Busy", "Note", nullptr));
  const tRect other = s.other->GetBounds();
  const tPoint grab = tWindows::OnTitle(s.other);
  s.Press(grab.x, grab.y);
  s.Move(grab.x + 30, grab.y + 30);
  s.Release(grab.x + 30, grab.y + 30);
  s.Frame();
  EXPECT_EQ(s.other->GetBounds(), other);
  EXPECT_FALSE(s.other->HasFocus());
  EXPECT_TRUE(s.Client()->GetChild(0)->IsClass(ZGUI::classid::Dialog));
}

TEST(Windows, MinimisingHidesTheWindowAndItsFocusUntilShown) {
  tWindows s;
  const tPoint title = tWindows::OnTitle(s.window);
  const std::uint32_t drawn = s.Target().Get(title.x, title.y);
  const tPoint bar = tWindows::Centre(s.window->GetMinimizeButton());
  s.Click(bar.x, bar.y);
  s.Frame();
  EXPECT_TRUE(s.window->IsMinimized());
  EXPECT_FALSE(s.window->IsShowing());
  EXPECT_FALSE(s.window->CanTakeFocus());
  EXPECT_EQ(s.Client()->GetFocus(), s.other);
  EXPECT_EQ(s.Target().Get(title.x, title.y), ZGUI::PackColor(0x305070));
  int shown = 0;
  s.window->OnWindowShown = [&](ZGUI::cWindow*) { ++shown; };
  s.window->Activate();
  s.Frame();
  EXPECT_FALSE(s.window->IsMinimized());
  EXPECT_EQ(s.Client()->GetFocus(), s.window);
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(s.Target().Get(title.x, title.y), drawn);
}

TEST(Windows, AVetoedCloseKeepsTheWindowAndAnAllowedOneMovesTheFocusOn) {
  tWindows s;
  int closed = 0;
  bool veto = true;
  s.window->OnWindowClose = [&](ZGUI::cWindow*) { ++closed; };
  s.window->OnCloseQuery = [&](ZGUI::cWindow*, bool& allow) { allow = !veto; };
  const tPoint cross = tWindows::Centre(s.window->GetCloseButton());
  s.Click(cross.x, cross.y);
  EXPECT_TRUE(s.window->IsVisible());
  EXPECT_EQ(closed, 0);
  veto = false;
  s.Click(cross.x, cross.y);
  EXPECT_FALSE(s.window->IsVisible());
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(s.Client()->GetFocus(), s.other);
  s.window->Close();
  EXPECT_EQ(closed, 1);
}

TEST(Windows, TheFrameFollowsTheScreenAndAWindowWithoutFontHasAnEmptyTitle) {
  guitest::UseFormat(guitest::Formats()[3], 1280, 960);
  ZGUI::cWindow window;
  window.SetBounds({0, 0, 199, 99});
  EXPECT_EQ(window.GetClientOffset(), (tPoint{2 + 6, 2 + 6}));
  EXPECT_EQ(window.GetTitleRect(), (tRect{6, 6, 193, 6 + 4 - 1}));
  EXPECT_TRUE(ZGUI::IsEmpty(window.GetTitleInnerRect()));
  EXPECT_TRUE(ZGUI::IsEmpty(window.GetCloseButton()->GetBounds()));
  EXPECT_FALSE(window.IsVisible());
  EXPECT_STREQ(window.GetClient()->GetName(), "::Client");
  window.SetName("w");
  EXPECT_STREQ(window.GetCloseButton()->GetName(), "w::cbClose");
  EXPECT_STREQ(window.GetMinimizeButton()->GetName(), "w::cbMinimize");
}

TEST(MessageBoxes, SitInTheMiddleAndStayModalUntilTheLastIsClosed) {
  tWindows s;
  std::vector<ZGUI::cDialog*> results;
  auto record = [&](ZGUI::cDialog* d, std::int32_t code) {
    EXPECT_EQ(code, 0);
    results.push_back(d);
  };
  ASSERT_TRUE(ZGUI::MessageBox(
      nullptr, "The first message, long enough to wrap over two or more lines of the box.", "One",
      record));
  ASSERT_TRUE(ZGUI::MessageBox(nullptr, "Second", "Two", record));
  auto* second = static_cast<ZGUI::cDialog*>(s.desktop->GetChild(0));
  auto* first = static_cast<ZGUI::cDialog*>(s.desktop->GetChild(1));
  ASSERT_TRUE(first->IsClass(ZGUI::classid::Dialog));
  EXPECT_STREQ(first->GetName(), "dlg(MessageBox)");
  EXPECT_EQ(first->GetBounds(), (tRect{160, 160, 480, 320}));
  auto* text = static_cast<ZGUI::cLabel*>(first->GetClient()->FindChild("dlg(MessageBox)::txt"));
  ASSERT_NE(text, nullptr);
  EXPECT_GT(text->GetLineCount(), 1);
  EXPECT_TRUE(s.desktop->IsModal(first));
  EXPECT_TRUE(s.desktop->IsModal(second));
  s.Frame();

  // While the boxes are open, a click cannot take the focus into the windows.
  const tPoint grab = tWindows::OnTitle(s.other);
  s.Click(grab.x, grab.y);
  EXPECT_FALSE(s.other->HasFocus());
  EXPECT_EQ(s.desktop->GetFocus(), second);

  auto* ok = static_cast<ZGUI::cButton*>(second->GetClient()->FindChild("dlg(MessageBox)::btn"));
  ASSERT_NE(ok, nullptr);
  const tPoint press = tWindows::Centre(ok);
  s.Click(press.x, press.y);
  EXPECT_FALSE(second->IsVisible());
  EXPECT_EQ(results, (std::vector<ZGUI::cDialog*>{second}));
  EXPECT_FALSE(s.desktop->IsModal(second));
  EXPECT_TRUE(s.desktop->IsModal(first));
  EXPECT_EQ(s.desktop->GetFocus(), first);

  const tPoint cross = tWindows::Centre(first->GetCloseButton());
  s.Click(cross.x, cross.y);
  EXPECT_FALSE(first->IsVisible());
  EXPECT_EQ(results, (std::vector<ZGUI::cDialog*>{second, first}));
  EXPECT_FALSE(s.desktop->IsModal(first));
  s.Click(grab.x, grab.y);
  EXPECT_TRUE(s.other->HasFocus());
}

}  // namespace

namespace {

// ESCAPE closes the dialog that holds the focus, even while one of its
// controls (which take every key) holds it in turn; a window that is no
// dialog stays.
TEST(MessageBoxes, EscapeClosesTheFocusedDialogOnly) {
  tWindows s;
  constexpr int kEscape = 1;
  auto escape = [&s] {
    s.Queue()->PostKeyMessage(kEscape, 0, true, 0);
    s.Queue()->PostKeyMessage(kEscape, 0, false, 0);
    s.Frame();
  };
  ASSERT_TRUE(ZGUI::MessageBox(nullptr, "First", "One", nullptr));
  ASSERT_TRUE(ZGUI::MessageBox(nullptr, "Second", "Two", nullptr));
  auto* second = static_cast<ZGUI::cDialog*>(s.desktop->GetChild(0));
  auto* first = static_cast<ZGUI::cDialog*>(s.desktop->GetChild(1));
  auto* ok = static_cast<ZGUI::cButton*>(second->GetClient()->FindChild("dlg(MessageBox)::btn"));
  ok->SetWantsKeys(true);
  ok->RequestFocus();
  ASSERT_TRUE(ok->HasFocus());
  s.Frame();
  escape();
  EXPECT_FALSE(second->IsVisible());
  EXPECT_TRUE(first->IsVisible());
  escape();
  EXPECT_FALSE(first->IsVisible());
  s.other->Activate();
  ASSERT_TRUE(s.other->HasFocus());
  escape();
  EXPECT_TRUE(s.other->IsVisible());
}

TEST(MessageBoxes, NeedAParentOrADesktop) {
  guitest::UseFormat(guitest::Formats()[3], 640, 480);
  ASSERT_EQ(ZGUI::cDesktop::Current(), nullptr);
  EXPECT_FALSE(ZGUI::MessageBox(nullptr, "text", "caption", nullptr));
}

}  // namespace
