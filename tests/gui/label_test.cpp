// Labels: the lines that word wrap makes, their count, and where the debug
// label looks.
#include "gui/label.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/gui/widget_scene.h"

namespace {

struct tWrapRow {
  const char* name;
  const char* caption;
  const char* widthOf;  // the label is exactly as wide as this text
  std::vector<std::string> lines;
};

const tWrapRow kWraps[] = {
    {"two words", "Run demo", "Run ", {"Run ", "demo"}},
    {"a leading space is dropped", " Run demo", "Run ", {"Run ", "demo"}},
    {"CR LF leaves an empty line", "Run\r\ndemo", "Run demo", {"Run", "", "demo"}},
    {"a final break adds no line", "Run\n", "Run demo", {"Run"}},
    // The space after the long word starts the next line, and is dropped there.
    {"a long word stands alone", "a Information b", "a Info", {"a ", "Information", "b"}},
};

TEST(Label, WordWrapBreaksAtSpacesAndLineBreaks) {
  guitest::tDesktopScreen s(guitest::Formats()[3], 640, 480);
  auto* face = new ZGUI::cBitmapFont();
  ASSERT_TRUE(guitest::LoadLauncherFont(face));
  s.desktop->GetFontManager()->AddFont("Arial", face);
  for (const tWrapRow& row : kWraps) {
    SCOPED_TRACE(row.name);
    ZGUI::cLabel label;
    label.SetFont(new ZGUI::cFont("Arial", 14));
    label.SetCaption(row.caption);
    label.SetBounds({0, 0, label.GetFont()->GetTextWidth(row.widthOf) - 1, 99});
    EXPECT_EQ(label.GetLineCount(), 1);
    label.SetWordWrap(true);
    std::vector<std::string> lines;
    for (auto line : label.BreakLines()) lines.emplace_back(line);
    EXPECT_EQ(lines, row.lines);
    EXPECT_EQ(label.GetLineCount(), static_cast<std::int32_t>(row.lines.size()));
  }
}

TEST(Label, TheDebugLabelNamesTheElementUnderThePointer) {
  guitest::tDesktopScreen s(guitest::Formats()[3], 640, 480);
  auto* debug = new ZGUI::cDebug();
  auto* panel = new guitest::tPanel(0);
  panel->SetName("panel");
  s.Client()->AddChild(debug);
  s.Client()->AddChild(panel);
  debug->SetBounds({0, 0, 99, 19});
  panel->SetBounds({100, 100, 199, 199});
  EXPECT_EQ(debug->GetHAlign(), 2);
  EXPECT_EQ(debug->GetVAlign(), 1);
  s.Move(150, 150);
  s.Frame();
  EXPECT_STREQ(debug->GetCaption(), "panel");
  s.Move(300, 300);
  s.Frame();
  EXPECT_STREQ(debug->GetCaption(), "desktop::Client");
}

}  // namespace
