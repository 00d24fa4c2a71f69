#include "gui/pagecontrol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/gui/desktop_fixtures.h"
#include "tests/gui/face_fixture.h"

namespace {

using ZGUI::cPageControl;
using ZGUI::cTabSheet;
using ZGUI::tPoint;
using ZGUI::tRect;

// Four sheets "One" to "Four", each filled by a panel of its own colour, in a
// 400 x 300 page control.
class PageControl : public testing::Test {
 protected:
  void SetUp() override {
    s_.desktop->GetFontManager()->AddFont("Arial", guitest::SyntheticFace());
    pages_ = new cPageControl();
    s_.Client()->AddChild(pages_);
    pages_->SetBounds({50, 50, 449, 349});
    pages_->SetFont(new ZGUI::cFont("Arial", 14));
    const char* captions[] = {"One", "Two", "Three", "Four"};
    for (int i = 0; i < 4; ++i) {
      sheets_.push_back(new cTabSheet());
      pages_->AddChild(sheets_[i]);
      sheets_[i]->SetCaption(captions[i]);
      colours_.push_back(kColours[i]);
      auto* panel = new guitest::tPanel(kColours[i]);
      sheets_[i]->AddChild(panel);
      panel->SetBounds({0, 0, 500, 500});
    }
    s_.Frame();
  }

  tPoint Screen(tRect r) { return pages_->ClientToScreen(tPoint(r.left + 6, r.top + 6), pages_); }
  void ClickTab(int page) {
    const tPoint p = Screen(pages_->GetTabRect(page));
    s_.Click(p.x, p.y);
  }
  // The page that is active, drawn and hit in the page area; -1 when these
  // disagree.
  int Shown() {
    const tPoint p = Screen(pages_->GetPageRect());
    const std::uint32_t pixel = ZGUI::UnpackColor(s_.Target().Get(p.x + 100, p.y + 100));
    const ZGUI::cVisElement* hit = s_.desktop->ElementAt(p, false, false, -1);
    for (int i = 0; i < static_cast<int>(sheets_.size()); ++i) {
      if (pages_->GetChild(0) != sheets_[i]) continue;
      const bool focused = pages_->GetFocus() == sheets_[i];
      const bool drawn = pixel == colours_[i];
      const bool hitHere = hit && hit->GetParent() == sheets_[i];
      return focused && drawn && hitHere ? i : -1;
    }
    return -1;
  }

  static constexpr std::uint32_t kColours[4] = {0xC04040, 0x40C040, 0x4040C0, 0xC0C040};
  guitest::tDesktopScreen s_{guitest::Formats()[3], 640, 480};
  cPageControl* pages_ = nullptr;
  std::vector<cTabSheet*> sheets_;
  std::vector<std::uint32_t> colours_;
};

TEST_F(PageControl, TabsAreLaidOutFromTheirCaptions) {
  const int h = ZGUI::cFont("Arial", 14).GetHeight();
  const int three = ZGUI::cFont("Arial", 14).GetTextWidth("Three");
  ASSERT_LT(ZGUI::cFont("Arial", 14).GetTextWidth("One"), 40);
  ASSERT_GT(three, 40);
  // Inset 2, padding 4: a tab is 2 insets, 2 paddings and the wider of its
  // caption and the 40-pixel minimum; the next starts one pixel further.
  EXPECT_EQ(pages_->GetTabRect(0), (tRect{4, 0, 4 + 12 + 40, 2 + h}));
  EXPECT_EQ(pages_->GetTabRect(1), (tRect{57, 0, 57 + 12 + 40, 2 + h}));
  EXPECT_EQ(pages_->GetTabRect(2), (tRect{110, 0, 110 + 12 + three, 2 + h}));
  EXPECT_EQ(pages_->GetTabStrip(), (tRect{0, 0, 399, 4 + h}));
  EXPECT_EQ(pages_->GetFrameRect(), (tRect{0, 3 + h, 399, 299}));
  EXPECT_EQ(pages_->GetPageRect(), (tRect{2, 5 + h, 397, 297}));
  for (auto* sheet : sheets_) EXPECT_EQ(sheet->GetBounds(), pages_->GetPageRect());
  // A non-sheet child is ignored.
  auto* stray = new guitest::tPanel(0);
  pages_->AddChild(stray);
  EXPECT_EQ(pages_->GetChildCount(), 4);
  delete stray;
}

TEST_F(PageControl, ClickedTabsShowTheirPagesAlone) {
  EXPECT_EQ(Shown(), 0);
  struct tStep {
    const char* action;
    int page;
    int shown;
  } steps[] = {
      {"click", 2, 2},  {"click", 3, 3}, {"click", 0, 0},  {"disable", 1, 0}, {"click", 1, 0},
      {"enable", 1, 0}, {"click", 1, 1}, {"remove", 1, 0}, {"click", 2, 2},
  };
  for (const auto& step : steps) {
    const std::string action = step.action;
    if (action == "click") ClickTab(step.page);
    if (action == "disable" || action == "enable")
      sheets_[step.page]->SetEnabled(action == "enable");
    if (action == "remove") {
      // The removed sheet's tab goes; the rest keep their order.
      pages_->RemoveChild(sheets_[step.page]);
      delete sheets_[step.page];
      sheets_.erase(sheets_.begin() + step.page);
      colours_.erase(colours_.begin() + step.page);
    }
    s_.Frame();
    EXPECT_EQ(Shown(), step.shown) << action << " " << step.page;
  }
}

TEST_F(PageControl, HidingASheetClosesItsTabGap) {
  const tRect third = pages_->GetTabRect(2);
  sheets_[1]->SetVisible(false);
  EXPECT_EQ(pages_->GetTabRect(2).left, pages_->GetTabRect(0).right + 1);
  ClickTab(1);  // the hidden page's old tab now lies under the third tab
  EXPECT_EQ(Shown(), 2);
  sheets_[1]->SetVisible(true);
  EXPECT_EQ(pages_->GetTabRect(2), third);
}

}  // namespace
