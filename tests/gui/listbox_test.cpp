#include "gui/listbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/scrollbar.h"
#include "platform/headless.h"
#include "tests/gui/desktop_fixtures.h"
#include "tests/gui/face_fixture.h"

namespace {

using ZGUI::cListBox;
using ZGUI::tPoint;

constexpr int kUp = 97, kNumpad8 = 77, kDown = 102, kNumpad2 = 85, kReturn = 28,
              kNumpadEnter = 91;

// A launcher-style demo list in a desktop: unselectable headings at
// indentation 0, demos indented below them, rows 14 pixels high, a 200 x 100
// list box with its scroll bar beside it.
class ListBoxThroughTheQueue : public testing::Test {
 protected:
  void SetUp() override {
    s_.desktop->GetFontManager()->AddFont("Arial", guitest::SyntheticFace());
    box_ = new cListBox();
    bar_ = new ZGUI::cScrollBar();
    s_.Client()->AddChild(box_);
    s_.Client()->AddChild(bar_);
    box_->SetBounds({100, 100, 299, 199});
    bar_->SetBounds({300, 100, 315, 199});
    box_->SetFont(new ZGUI::cFont("Arial", 14));
    box_->SetScrollBar(bar_);
    const char* rows[] = {"Heading", "a", "b", "c", "Second", "d", "e", "f", "g", "h"};
    for (const char* row : rows) {
      const bool heading = row[1] != '\0';
      auto* entry = new ZGUI::cListEntry_IdentedText(row, heading ? 0 : ZGUI::ScaleX(16));
      entry->SetSelectable(!heading);
      box_->Add(entry);
    }
    box_->OnChar = [this](ZGUI::cControl*, std::uint8_t c) { chars_ += static_cast<char>(c); };
    s_.Frame();
  }

  // The screen point of content row k of the list, two pixels into it.
  tPoint Row(int k) {
    const auto inner = box_->GetInnerRect();
    return box_->ClientToScreen(
        tPoint(inner.left + 5, inner.top + 14 * k + 2 - box_->GetScrollOffset()), box_);
  }
  void Key(int key, std::uint8_t character = 0) {
    s_.Queue()->PostKeyMessage(key, character, true, 0);
    s_.Queue()->PostKeyMessage(key, character, false, 0);
    s_.Frame();
  }

  guitest::tDesktopScreen s_{guitest::Formats()[3], 640, 480};
  cListBox* box_ = nullptr;
  ZGUI::cScrollBar* bar_ = nullptr;
  std::string chars_;
};

TEST_F(ListBoxThroughTheQueue, LayoutFollowsTheRows) {
  EXPECT_EQ(box_->GetInnerRect(), (ZGUI::tRect{1, 1, 198, 98}));
  EXPECT_EQ(bar_->GetMax(), 140 - 98);
  EXPECT_EQ(bar_->GetVisibleAmount(), 98);
  EXPECT_EQ(bar_->GetPageStep(), 14);
  // Rows of 14, 18 and 14 over an inner height of 30, then of 60.
  box_->Clear();
  for (int h : {14, 18, 14}) {
    auto* spacer = new ZGUI::cListEntry();
    spacer->SetHeight(h);
    box_->Add(spacer);
  }
  box_->SetBounds({100, 100, 299, 131});
  EXPECT_EQ(bar_->GetMax(), 16);
  EXPECT_EQ(bar_->GetVisibleAmount(), 30);
  box_->SetBounds({100, 100, 299, 161});
  EXPECT_EQ(bar_->GetMax(), 0);
}

TEST_F(ListBoxThroughTheQueue, ClicksAndDragsAtAScrollOffsetSelectTheRowUnderThePointer) {
  bar_->SetScrollPos(20);
  ASSERT_EQ(box_->GetScrollOffset(), 20);
  const tPoint row3 = Row(3), row5 = Row(5), row6 = Row(6);
  s_.Press(row3.x, row3.y);
  s_.Frame();
  EXPECT_EQ(box_->GetCurrent(), 3);
  s_.Move(row5.x, row5.y);
  s_.Frame();
  EXPECT_EQ(box_->GetCurrent(), 5);
  // Over a heading nothing can be current.
  const tPoint heading = Row(4);
  s_.Move(heading.x, heading.y);
  s_.Frame();
  EXPECT_EQ(box_->GetCurrent(), -1);
  s_.Release(400, 300);
  s_.Move(row6.x, row6.y);
  s_.Frame();
  EXPECT_EQ(box_->GetCurrent(), -1);
  s_.Click(row6.x, row6.y);
  EXPECT_EQ(box_->GetCurrent(), 6);
}

TEST_F(ListBoxThroughTheQueue, ArrowKeysSkipHeadings) {
  s_.Click(Row(1).x, Row(1).y);
  ASSERT_TRUE(box_->HasFocus());
  box_->SetCurrent(-1);
  struct tStep {
    int key;
    std::uint8_t character;
    int current;
  } steps[] = {
      {kDown, 0, -1},  // row 0 is a heading: nothing becomes current
      {kDown, 0, -1},  // and the next press asks for row 0 again
  };
  for (const auto& step : steps) {
    Key(step.key, step.character);
    EXPECT_EQ(box_->GetCurrent(), step.current);
  }
  box_->SetCurrent(1);
  const tStep moves[] = {
      {kUp, 0, 1},        {kDown, 0, 2},    {kNumpad2, 0, 3}, {kDown, 0, 5},
      {kNumpad8, '8', 5}, {kNumpad8, 0, 3}, {kUp, 0, 2},      {kDown, 0, 3},
  };
  for (const auto& step : moves) {
    Key(step.key, step.character);
    EXPECT_EQ(box_->GetCurrent(), step.current) << step.key;
  }
  box_->SetCurrent(9);
  Key(kDown);
  EXPECT_EQ(box_->GetCurrent(), 9);
  // NUMPAD8 with num lock gives "8", which goes on to the control.
  EXPECT_EQ(chars_, "8");
}

TEST_F(ListBoxThroughTheQueue, WithoutSelectionNothingBecomesCurrent) {
  box_->SetCurrent(2);
  box_->SetSelectionAllowed(false);
  EXPECT_EQ(box_->GetCurrent(), -1);
  s_.Click(Row(1).x, Row(1).y);
  Key(kDown);
  box_->SetCurrent(3);
  EXPECT_EQ(box_->GetCurrent(), -1);
}

TEST_F(ListBoxThroughTheQueue, ADisabledListBoxIgnoresPresses) {
  box_->SetEnabled(false);
  s_.Click(Row(1).x, Row(1).y);
  EXPECT_EQ(box_->GetCurrent(), -1);
}

// The list's 10 rows of 14 pixels show 7 at a time (98 of 140 pixels): the
// wheel moves three rows a notch, towards the start when turned away.
TEST_F(ListBoxThroughTheQueue, TheWheelScrollsThreeRowsANotchOverTheListOrItsBar) {
  ASSERT_EQ(bar_->GetMax(), 140 - 98);
  const struct {
    tPoint at;
    int notches;
    int offset;
  } turns[] = {
      {Row(1), -1, 42},         // down by three rows, held at the end
      {Row(1), 1, 0},           // back to the top
      {tPoint(307, 150), -1, 42},  // over the scroll bar too
      {tPoint(400, 300), 1, 42},   // beside the list: nothing
  };
  for (const auto& turn : turns) {
    s_.Queue()->PostWheelMessage(turn.notches, nullptr, turn.at.x, turn.at.y);
    s_.Frame();
    EXPECT_EQ(box_->GetScrollOffset(), turn.offset) << turn.at.x << "," << turn.at.y;
  }
}

// A row set as current (by the program or a key) is scrolled into view, its
// whole height, from either side.
TEST_F(ListBoxThroughTheQueue, TheCurrentRowIsScrolledIntoView) {
  const struct {
    int row;
    int offset;
  } rows[] = {{9, 140 - 98}, {8, 140 - 98}, {1, 14}, {3, 14}, {7, 14}, {2, 14}, {0, 14}};
  for (const auto& r : rows) {
    box_->SetCurrent(r.row);
    EXPECT_EQ(box_->GetScrollOffset(), r.offset) << r.row;
  }
}

// RETURN or a double click on the current row fires its first user callback;
// two presses far apart in time, or on different rows, do not.
TEST_F(ListBoxThroughTheQueue, ReturnOrADoubleClickOpensTheCurrentRow) {
  std::uint32_t now = 1000;
  platform::SetTickSource([&now] { return now; });
  std::vector<int> opened;
  for (int i = 0; i < box_->GetCount(); ++i)
    box_->GetEntry(i)->OnUser1 = [&opened](ZGUI::cListEntry* e) { opened.push_back(e->GetIndex()); };
  s_.Click(Row(2).x, Row(2).y);
  now += 200;
  s_.Click(Row(2).x, Row(2).y);  // a double click
  now += 200;
  s_.Click(Row(2).x, Row(2).y);  // a third press starts anew
  now += 200 + cListBox::kDoubleClickMs;
  s_.Click(Row(2).x, Row(2).y);  // too late for a double click
  now += 100;
  s_.Click(Row(3).x, Row(3).y);  // another row
  Key(kReturn);
  box_->SetCurrent(5);
  Key(kNumpadEnter);
  box_->SetCurrent(-1);
  Key(kReturn);  // nothing current: nothing opened
  platform::SetTickSource(nullptr);
  EXPECT_EQ(opened, (std::vector<int>{2, 3, 5}));
}

}  // namespace
