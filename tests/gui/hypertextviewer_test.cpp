#include "gui/hypertextviewer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/scrollbar.h"
#include "platform/headless.h"
#include "tests/gui/desktop_fixtures.h"
#include "tests/gui/face_fixture.h"
#include "tests/support/tempdir.h"

namespace {

using ZGUI::cHypertextViewer;
using ZGUI::tPoint;

// A 300 x 100 viewer with its scroll bar: an anchor at the top, six lines,
// four links at document y 98, more lines and an anchor near the end.
class ViewerLinks : public testing::Test {
 protected:
  void SetUp() override {
    s_.desktop->GetFontManager()->AddFont("Arial", guitest::SyntheticFace());
    viewer_ = new cHypertextViewer();
    bar_ = new ZGUI::cScrollBar();
    s_.Client()->AddChild(viewer_);
    s_.Client()->AddChild(bar_);
    viewer_->SetBounds({100, 100, 399, 199});
    bar_->SetBounds({400, 100, 415, 199});
    viewer_->SetScrollBar(bar_);
    std::string text = "<A NAME=top>Top</A>";
    for (int i = 0; i < 6; ++i) text += "<BR>line";
    text +=
        "<BR><A HREF=\"#end\">jump</A> <A HREF=\"http://example.org/\">web</A> "
        "<A HREF=\"file:/etc/passwd\">bad</A> <A HREF=\"#nowhere\">lost</A>";
    for (int i = 0; i < 9; ++i) text += "<BR>line";
    text += "<BR><A NAME=END>End</A>";
    viewer_->SetCaption(text.c_str());
    platform::TakeHeadlessOpenedDocuments();
    s_.Frame();
  }

  // The screen point of a link word's last drawn pixel (its underline's right
  // end) at the present scroll offset.
  tPoint Corner(const char* word) {
    for (const auto& line : viewer_->GetDocument().GetLines())
      for (const auto& s : line->segments)
        if (s->text == word) {
          const auto text = viewer_->GetTextRect();
          return viewer_->ClientToScreen(
              tPoint(text.left + s->x + s->width - 1,
                     text.top + line->y + s->y + s->height - 1 - viewer_->GetScrollOffset()),
              viewer_);
        }
    ADD_FAILURE() << word;
    return tPoint(0, 0);
  }

  testsupport::ScopedTempDir dir_;
  guitest::tDesktopScreen s_{guitest::Formats()[3], 640, 480};
  cHypertextViewer* viewer_ = nullptr;
  ZGUI::cScrollBar* bar_ = nullptr;
};

TEST_F(ViewerLinks, TheScrollBarFollowsTheDocument) {
  const int h = ZGUI::cFont("Arial", 14).GetHeight();
  EXPECT_EQ(viewer_->GetDocument().GetDocumentHeight(), 18 * h);
  EXPECT_EQ(bar_->GetMax(), 18 * h - 98);
  EXPECT_EQ(bar_->GetVisibleAmount(), 98);
  EXPECT_EQ(bar_->GetPageStep(), 49);
  viewer_->SetCaption("short");
  EXPECT_EQ(bar_->GetMax(), 0);
}

TEST_F(ViewerLinks, LinksAtAScrollOffsetActOnceOnTheirDrawnPixels) {
  bar_->SetScrollPos(30);
  ASSERT_EQ(viewer_->GetScrollOffset(), 30);
  const tPoint web = Corner("web");
  s_.Click(web.x, web.y);
  EXPECT_EQ(platform::TakeHeadlessOpenedDocuments(),
            std::vector<std::string>{"http://example.org/"});
  // Only web and mail links leave the program.
  const tPoint bad = Corner("bad");
  s_.Click(bad.x, bad.y);
  EXPECT_TRUE(platform::TakeHeadlessOpenedDocuments().empty());
  // A press on one link and a release on another does nothing.
  const tPoint jump = Corner("jump");
  s_.Press(web.x, web.y);
  s_.Release(jump.x, jump.y);
  s_.Frame();
  EXPECT_TRUE(platform::TakeHeadlessOpenedDocuments().empty());
  EXPECT_EQ(viewer_->GetScrollOffset(), 30);
  // An unknown anchor does nothing; a known one scrolls to it, at most to the end.
  const tPoint lost = Corner("lost");
  s_.Click(lost.x, lost.y);
  EXPECT_EQ(viewer_->GetScrollOffset(), 30);
  s_.Click(jump.x, jump.y);
  EXPECT_EQ(viewer_->GetScrollOffset(), bar_->GetMax());
  EXPECT_LT(bar_->GetMax(), viewer_->GetDocument().FindAnchor("end")->y);
}

TEST_F(ViewerLinks, TheHitTestAllowsForTheBorder) {
  const auto text = viewer_->GetTextRect();
  ASSERT_EQ(text.left, 1);
  const cHypertextViewer::tSegment* top = viewer_->GetDocument().GetLines()[0]->segments[0].get();
  EXPECT_EQ(viewer_->HitTest(text.left + top->width - 1, text.top + top->height - 1), top);
  EXPECT_EQ(viewer_->HitTest(text.left + top->width, text.top), nullptr);
  EXPECT_EQ(viewer_->HitTest(text.left - 1, text.top), nullptr);
}

}  // namespace
