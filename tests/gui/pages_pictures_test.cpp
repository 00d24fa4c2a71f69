// Lists, a page control and an information page as drawn, against pictures
// reviewed by eye, at 640 x 480 in 32 bits with the launcher's font. Every
// row must show its own text and nothing of its neighbours.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "gui/hypertextviewer.h"
#include "gui/label.h"
#include "gui/listbox.h"
#include "gui/pagecontrol.h"
#include "gui/scrollbar.h"
#include "tests/gui/desktop_fixtures.h"
#include "tests/gui/png_fixtures.h"
#include "tests/gui/widget_scene.h"

namespace {

using guitest::Canvas;

class Pictures : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists("gen/launcher/fonts/Arial.pcx"))
        << "run the tests from the build folder after building sample_data";
    auto* face = new ZGUI::cBitmapFont();
    ASSERT_TRUE(guitest::LoadLauncherFont(face));
    s_.desktop->GetFontManager()->AddFont("Arial", face);
  }

  template <typename T>
  T* Add(T* element, ZGUI::tRect bounds) {
    s_.Client()->AddChild(element);
    element->SetBounds(bounds);
    element->SetFont(new ZGUI::cFont("Arial", 14));
    return element;
  }
  ZGUI::cListBox* ListBox(ZGUI::tRect bounds) {
    auto* box = Add(new ZGUI::cListBox(), bounds);
    auto* bar = new ZGUI::cScrollBar();
    s_.Client()->AddChild(bar);
    bar->SetBounds({bounds.right + 1, bounds.top, bounds.right + ZGUI::ScaleX(14), bounds.bottom});
    box->SetScrollBar(bar);
    return box;
  }
  void ExpectReviewed(const char* name) {
    s_.Frame();
    EXPECT_EQ(guitest::FirstDifference(s_.Drawable(), s_.FullRedraw()), -1);
    const std::string problem =
        guitest::CompareWithReviewed("pictures", name, 640, 480, 3, s_.Rgb());
    if (!problem.empty()) FAIL() << problem;
  }

  guitest::tDesktopScreen s_{guitest::Formats()[3], 640, 480};
};

TEST_F(Pictures, ListBoxesAndAPageControl) {
  // The demo list: headings and indented demos, scrolled, one demo current.
  auto* demos = ListBox(Canvas(20, 20, 200, 180));
  const char* rows[] = {"Demos of 1999", "Plasma", "Tunnel",    "Starfield", "Demos of 2000",
                        "Metaballs",     "Water",  "Fire",      "Scroller",  "Twister",
                        "Demos of 2001", "Voxels", "Rotozoomer"};
  for (const char* row : rows) {
    const bool heading = row[0] == 'D';
    auto* entry = new ZGUI::cListEntry_IdentedText(row, heading ? 0 : ZGUI::ScaleX(16));
    entry->SetSelectable(!heading);
    if (heading) entry->SetColor(0xFFD080);
    demos->Add(entry);
  }
  demos->GetScrollBar()->SetScrollPos(20);
  demos->SetCurrent(6);
  // Label and value rows with a spacer, read-only.
  auto* info = ListBox(Canvas(20, 200, 200, 300));
  info->Add(new ZGUI::cListEntry_LCRText("Screen", nullptr, "640x480"));
  info->Add(new ZGUI::cListEntry_LCRText("Sound", "on", "44100 Hz"));
  auto* spacer = new ZGUI::cListEntry();
  spacer->SetHeight(ZGUI::ScaleY(8));
  info->Add(spacer);
  info->Add(new ZGUI::cListEntry_LCRText(nullptr, "centre", nullptr));
  info->SetSelectionAllowed(false);
  // Mode rows in weighted columns, the second one current.
  auto* modes = ListBox(Canvas(20, 320, 440, 440));
  const int sizes[][3] = {{640, 480, 16}, {800, 600, 16}, {1024, 768, 32}, {1280, 1024, 32}};
  for (const auto& m : sizes) {
    auto* entry = new ZGUI::cListEntry_MultiText();
    entry->AddColumn(
        (" " + std::to_string(m[0]) + " times " + std::to_string(m[1]) + " pixels").c_str(), 0, 2);
    entry->AddColumn((" " + std::to_string(m[2]) + " bits per pixel").c_str(), 2, 3);
    modes->Add(entry);
  }
  modes->SetCurrent(1);
  // Four pages, the third hidden, the second active.
  auto* pages = Add(new ZGUI::cPageControl(), Canvas(320, 20, 620, 300));
  const char* captions[] = {"Video", "Sound", "3D", "Other"};
  for (const char* caption : captions) {
    auto* sheet = new ZGUI::cTabSheet();
    pages->AddChild(sheet);
    sheet->SetCaption(caption);
    auto* label = new ZGUI::cLabel();
    sheet->AddChild(label);
    label->SetFont(new ZGUI::cFont("Arial", 14));
    label->SetColor(0xFFFFFF);
    label->SetCaption((std::string("The page ") + caption).c_str());
    label->SetBounds(Canvas(10, 10, 200, 40));
  }
  static_cast<ZGUI::cVisElement*>(pages->GetChild(2))->SetVisible(false);
  pages->SetFocus(static_cast<ZGUI::cControl*>(pages->GetChild(1)));
  ExpectReviewed("lists_640x480_X8R8G8B8.png");
}

TEST_F(Pictures, AnInformationPage) {
  auto* viewer = Add(new ZGUI::cHypertextViewer(), Canvas(20, 20, 600, 440));
  auto* bar = new ZGUI::cScrollBar();
  s_.Client()->AddChild(bar);
  bar->SetBounds(Canvas(601, 20, 615, 440));
  viewer->SetScrollBar(bar);
  viewer->SetCaption(
      "<A NAME=top></A><DIV ALIGN=CENTER><H1>Plasma Tunnel</H1><BR>"
      "<FONT COLOR=silver SIZE=4>a demo in four parts</FONT></DIV>"
      "<HR WIDTH=80%>"
      "<P ALIGN=JUSTIFY>The tunnel is drawn with a <FONT COLOR=#FFC040>palette</FONT> that "
      "turns once a second, while the plasma beneath it mixes four sine waves. Both run at "
      "the full rate of the screen, and the music keeps time with every frame of "
      "them.</P>"
      "<P><H3>Credits</H3></P>"
      "<DIV ALIGN=RIGHT>Code: <FONT COLOR=lightgreen>someone</FONT><BR>"
      "Music: <FONT COLOR=lightskyblue>someone&nbsp;else</FONT></DIV>"
      "<HR HEIGHT=6 WIDTH=200>"
      "<P>More at <A HREF=\"http://example.org/\">the web page</A> or "
      "<A HREF=\"mailto:someone@example.org\">by mail</A>; back to "
      "<A HREF=\"#top\">the top</A>.</P>"
      "<P ALIGN=CENTER><SIZE 3>Size 3</SIZE> <SIZE -1>size -1</SIZE> <FONT FACE=Arial "
      "SIZE=2>face</FONT> &amp; the rest</P>");
  ExpectReviewed("infopage_640x480_X8R8G8B8.png");
}

}  // namespace
