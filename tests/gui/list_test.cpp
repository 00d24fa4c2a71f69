#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "gui/graphicsdevice.h"
#include "gui/lists.h"
#include "tests/gui/face_fixture.h"

namespace {

using ZGUI::cList;
using ZGUI::cListEntry;

// Hooks and entry callbacks in the order they ran.
class RecordingList : public cList {
 public:
  void ContentsChanged() override { log += "contents "; }
  void RangeChanged(std::int32_t first, std::int32_t last) override {
    log += "range" + std::to_string(first) + ":" + std::to_string(last) + " ";
  }
  std::string log;
};

cListEntry* Named(RecordingList& list, char name) {
  auto* entry = new cListEntry();
  entry->userWords[0] = static_cast<std::uintptr_t>(name);
  entry->OnSelect = [&list, name](cListEntry*) { list.log += std::string("sel") + name + " "; };
  entry->OnDeselect = [&list, name](cListEntry*) { list.log += std::string("desel") + name + " "; };
  return entry;
}

std::string Order(const cList& list) {
  std::string order;
  for (std::int32_t i = 0; i < list.GetCount(); ++i)
    order += static_cast<char>(list.GetEntry(i)->userWords[0]);
  return order;
}

TEST(List, BookkeepingOfTheCurrentEntry) {
  struct tCase {
    int count, current;
    const char* ops;
    const char* order;
    int expectCurrent;
    const char* log;
  } cases[] = {
      // The deselect callback runs before the select callback.
      {3, 0, "cur 2", "ABC", 2, "range0:0 deselA range0:0 range2:2 selC range2:2 "},
      {3, 1, "cur 1", "ABC", 1, ""},
      {3, 0, "unsel 2 cur 2", "ABC", -1, "range0:0 deselA range0:0 "},
      {3, 1, "unsel 1", "ABC", -1, "range1:1 deselB range1:1 "},
      {3, 1, "ins 1", "AXBC", 2, "range1:3 contents "},
      {3, 1, "ins 0", "XABC", 2, "range0:3 contents "},
      {3, 1, "ins 2", "ABXC", 1, "range2:3 contents "},
      {3, -1, "ins -5", "XABC", -1, "range0:3 contents "},
      {3, -1, "ins 1000", "ABCX", -1, "range3:3 contents "},
      {3, -1, "before", "XABC", -1, "range0:3 contents "},
      {3, 2, "del 0", "BC", 1, "contents range0:2 "},
      // Removing the current entry deselects nobody.
      {3, 2, "del 2", "AB", -1, "contents range2:2 "},
      {3, 0, "detach 0", "BC", -1, "contents range0:2 "},
      {3, 1, "clear", "", -1, "contents range0:2 "},
      {0, -1, "clear", "", -1, "contents range0:-1 "},
      {3, 0, "swap 0 1", "BAC", 1, "range0:0 range1:1 "},
      {3, 1, "swap 0 2", "CBA", 1, "range0:0 range2:2 "},
      {3, 0, "swap 0 3", "ABC", 0, ""},
      {3, 0, "height 1 5", "ABC", 0, "range1:3 "},
      {3, 0, "cur 7", "ABC", -1, "range0:0 deselA range0:0 "},
  };
  for (const auto& c : cases) {
    RecordingList list;
    for (int i = 0; i < c.count; ++i) list.Add(Named(list, static_cast<char>('A' + i)));
    list.SetCurrent(c.current);
    list.log.clear();
    std::istringstream ops(c.ops);
    std::unique_ptr<cListEntry> detached;
    for (std::string op; ops >> op;) {
      int a = 0, b = 0;
      if (op == "cur" && ops >> a) list.SetCurrent(a);
      if (op == "unsel" && ops >> a) list.GetEntry(a)->SetSelectable(false);
      if (op == "ins" && ops >> a) list.Insert(Named(list, 'X'), a);
      if (op == "before") list.InsertBefore(Named(list, 'X'), nullptr);
      if (op == "del" && ops >> a) list.DeleteAt(a);
      if (op == "detach" && ops >> a) detached.reset(list.DetachAt(a));
      if (op == "clear") list.Clear();
      if (op == "swap" && ops >> a >> b) list.SwapAt(a, b);
      if (op == "height" && ops >> a >> b) list.GetEntry(a)->SetHeight(b);
    }
    EXPECT_EQ(Order(list), c.order) << c.ops;
    EXPECT_EQ(list.GetCurrent(), c.expectCurrent) << c.ops;
    EXPECT_EQ(list.log, c.log) << c.ops;
    if (detached) {
      EXPECT_EQ(detached->GetList(), nullptr);
      EXPECT_EQ(detached->GetIndex(), -1);
    }
  }
}

TEST(List, OutOfRangeQueriesAnswerNone) {
  RecordingList list;
  EXPECT_FALSE(list.Add(nullptr));
  list.Add(Named(list, 'A'));
  EXPECT_EQ(list.GetEntry(-1), nullptr);
  EXPECT_EQ(list.GetEntry(1), nullptr);
  EXPECT_EQ(list.GetCurrentEntry(), nullptr);
  EXPECT_EQ(list.DetachAt(1), nullptr);
  EXPECT_EQ(list.GetFirst(), list.GetLast());
}

class ListFonts : public guitest::FaceFixture {};

// Entries without a font of their own take the list's font and its height.
TEST_F(ListFonts, TextEntriesMeasureThemselves) {
  RecordingList list;
  ZGUI::cFont small("Arial", 14), large("Arial", 30);
  auto* own = new ZGUI::cListEntry_Text("own");
  own->SetFont(new ZGUI::cFont("Arial", 20));
  auto* shared = new ZGUI::cListEntry_LCRText("l", nullptr, "r");
  auto* spacer = new cListEntry();
  spacer->SetHeight(8);
  for (cListEntry* e : std::initializer_list<cListEntry*>{own, shared, spacer}) list.Add(e);
  EXPECT_EQ(shared->GetHeight(), 0);
  list.SetFont(&small);
  EXPECT_EQ(shared->GetHeight(), H(14));
  list.log.clear();
  list.SetFont(&small);
  EXPECT_EQ(list.log, "");
  list.SetFont(&large);
  EXPECT_EQ(own->GetHeight(), H(20));
  EXPECT_EQ(shared->GetHeight(), H(30));
  EXPECT_EQ(spacer->GetHeight(), 8);
  shared->SetFont(new ZGUI::cFont("Arial", 14));
  EXPECT_EQ(shared->GetHeight(), H(14));
  list.Clear();
}

// Columns of weights 2 and 3 over x = 0..99: the second column starts at 40,
// where a lightened separator stands, and its text at 42.
TEST_F(ListFonts, ColumnsShareTheRowByWeight) {
  guitest::tSurface surface(100, 20, 4);
  surface.Fill(0x404040);
  ZGUI::cGraphicsDevice device(surface.Pixels(), surface.Pitch(), surface.Bounds());
  ZGUI::cListEntry_MultiText row;
  row.SetFont(new ZGUI::cFont("Arial", 14));
  row.AddColumn("ab", 0, 2);
  row.AddColumn("cd", 0, 3);
  row.AddColumn(nullptr, 2, 0);  // a weight below 1 adds nothing
  ASSERT_EQ(row.GetColumnCount(), 2);
  row.Draw(&device, 0, 0, 99, 19, false);
  auto inkColumn = [&](int x) {
    for (int y = 0; y < 20; ++y)
      if (surface.Get(x, y) != 0x404040) return true;
    return false;
  };
  EXPECT_EQ(surface.Get(40, 0), 0x9F9F9Fu) << "separator";
  EXPECT_EQ(surface.Get(40, 19), 0x9F9F9Fu);
  EXPECT_FALSE(inkColumn(39));
  EXPECT_FALSE(inkColumn(41));
  EXPECT_TRUE(inkColumn(42));
  EXPECT_TRUE(inkColumn(0));
  EXPECT_FALSE(inkColumn(42 + W("cd")));
  // Selected rows are darkened as a whole before the text. Drawing columns
  // leaves the clip at the last one, so the caller sets it for every row.
  surface.Fill(0x404040);
  device.SetClipRect(surface.Bounds());
  row.RemoveAllColumns();
  row.Draw(&device, 0, 0, 99, 19, true);
  EXPECT_EQ(surface.Get(0, 0), 0x202020u);
  EXPECT_EQ(surface.Get(99, 19), 0x202020u);
}

}  // namespace
