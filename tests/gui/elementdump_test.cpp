// The element dump: every element with its fields, list rows with theirs, and
// rectangles that are where the mouse hits the element.
#include "gui/elementdump.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gui/button.h"
#include "gui/label.h"
#include "gui/listbox.h"
#include "gui/scrollbar.h"
#include "gui/window.h"
#include "tests/gui/desktop_fixtures.h"
#include "tests/gui/face_fixture.h"

namespace {

using ZGUI::tPoint;
using ZGUI::tRect;

std::vector<std::vector<std::string>> Lines(const std::string& dump) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(dump);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields;
    std::istringstream f(line);
    for (std::string field; std::getline(f, field, '\t');) fields.push_back(field);
    if (line.back() == '\t') fields.emplace_back();
    lines.push_back(fields);
  }
  return lines;
}

tRect ParseRect(const std::string& text) {
  tRect r;
  EXPECT_EQ(std::sscanf(text.c_str(), "%d,%d,%d,%d", &r.left, &r.top, &r.right, &r.bottom), 4)
      << text;
  return r;
}

tPoint Centre(const tRect& r) { return tPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); }

// A window with a button, a hidden and disabled label and a demo list whose
// last rows are scrolled out of sight.
struct tScene : guitest::tDesktopScreen {
  tScene() : tDesktopScreen(guitest::Formats()[3], 640, 480) {
    desktop->GetFontManager()->AddFont("Arial", guitest::SyntheticFace());
    window = new ZGUI::cWindow();
    window->SetName("main");
    Client()->AddChild(window);
    window->SetFont(new ZGUI::cFont("Arial", 14));
    window->SetCaption("Main window");
    window->SetBounds({40, 30, 439, 379});
    button = Place(new ZGUI::cButton(), "run", {250, 10, 339, 39});
    button->SetCaption("R\\un\tnow\n");
    button->OnClick = [this](ZGUI::cVisElement*) { ++clicks; };
    label = Place(new ZGUI::cLabel(), "note", {250, 60, 339, 79});
    label->SetCaption("note");
    label->SetVisible(false);
    label->SetEnabled(false);
    box = Place(new ZGUI::cListBox(), "list", {10, 10, 209, 109});
    bar = Place(new ZGUI::cScrollBar(), "bar", {210, 10, 225, 109});
    box->SetFont(new ZGUI::cFont("Arial", 14));
    box->SetScrollBar(bar);
    const char* rows[] = {"Heading", "a", "b", "c", "d", "e", "f", "g", "h", "i"};
    for (const char* row : rows) {
      auto* entry = new ZGUI::cListEntry_IdentedText(row, row[1] ? 0 : 16);
      entry->SetSelectable(row[1] == '\0');
      entry->SetColor(row[1] ? 0xDFDFDF : 0xBFBFBF);
      box->Add(entry);
    }
    window->Activate();
    Frame();
  }
  template <class T>
  T* Place(T* element, const char* name, tRect bounds) {
    window->GetClient()->AddChild(element);
    element->SetName(name);
    element->SetBounds(bounds);
    return element;
  }
  // The dump's line of the element or row whose third field is `key`.
  std::vector<std::string> Line(const std::string& kind, const std::string& key) {
    for (auto& line : Lines(ZGUI::DumpElements(*desktop)))
      if (line.size() == 8 && line[0] == kind && line[2] == key) return line;
    ADD_FAILURE() << "no " << kind << " " << key;
    return std::vector<std::string>(8);
  }
  void Click(tPoint p) {
    Move(p.x, p.y);
    guitest::tDesktopScreen::Click(p.x, p.y);
  }

  ZGUI::cWindow* window;
  ZGUI::cButton* button;
  ZGUI::cLabel* label;
  ZGUI::cListBox* box;
  ZGUI::cScrollBar* bar;
  int clicks = 0;
};

TEST(ElementDump, ListsEachElementWithItsFlagsCaptionAndDepth) {
  tScene s;
  const auto root = Lines(ZGUI::DumpElements(*s.desktop)).front();
  EXPECT_EQ(root, (std::vector<std::string>{"element", "0", "desktop", "cDesktop", "1", "1",
                                            "0,0,639,479", ""}));
  const auto window = s.Line("element", "main");
  EXPECT_EQ(window[3], "cWindow");
  EXPECT_EQ(window[4] + window[5], "11");
  EXPECT_EQ(window[6], "40,30,439,379");
  EXPECT_EQ(window[7], "Main window");
  const auto button = s.Line("element", "run");
  EXPECT_EQ(button[3], "cButton");
  EXPECT_GT(std::stoi(button[1]), std::stoi(window[1]));
  EXPECT_EQ(button[7], "R\\\\un\\tnow\\n");
  const auto label = s.Line("element", "note");
  EXPECT_EQ(label[4] + label[5], "00");
  EXPECT_EQ(label[7], "note");
}

TEST(ElementDump, RowsCarryTextColourAndSelection) {
  tScene s;
  s.box->SetCurrent(2);
  const auto heading = s.Line("row", "0");
  EXPECT_EQ(heading[3] + " " + heading[4] + heading[5] + " " + heading[7], "DFDFDF 00 Heading");
  const auto current = s.Line("row", "2");
  EXPECT_EQ(current[3] + " " + current[4] + current[5] + " " + current[7], "BFBFBF 11 b");
  EXPECT_EQ(s.Line("row", "9")[6], "-") << "scrolled out of sight";
}

TEST(ElementDump, RectanglesAreWhereTheMouseHitsTheElement) {
  tScene s;
  s.Click(Centre(ParseRect(s.Line("element", "run")[6])));
  EXPECT_EQ(s.clicks, 1);
  for (int row : {1, 3, 5}) {
    SCOPED_TRACE(row);
    const std::string index = std::to_string(row);
    const tRect r = ParseRect(s.Line("row", index)[6]);
    EXPECT_EQ(r.right - r.left + 1, ZGUI::RectWidth(s.box->GetInnerRect()));
    s.Click(Centre(r));
    EXPECT_EQ(s.box->GetCurrent(), row);
    EXPECT_EQ(s.Line("row", index)[5], "1");
  }
}

TEST(ElementDump, WithoutADesktopTheDumpIsEmpty) {
  EXPECT_EQ(ZGUI::DumpCurrentDesktop(), "");
  tScene s;
  EXPECT_EQ(ZGUI::DumpCurrentDesktop(), ZGUI::DumpElements(*s.desktop));
}

}  // namespace
