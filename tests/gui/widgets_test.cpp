// The widgets as drawn, against pictures reviewed by eye: active and inactive
// windows, buttons released, held and disabled, check boxes, labels in every
// alignment and a wrapped caption, at 640 x 480 in 32 bits and 800 x 600 in
// 16 bits. Every incremental frame of the scene equals a complete redraw.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/gui/desktop_fixtures.h"
#include "tests/gui/png_fixtures.h"
#include "tests/gui/widget_scene.h"

namespace {

struct tScreen {
  int width, height, format;  // index into guitest::Formats()
};

class Widgets : public testing::TestWithParam<tScreen> {};

TEST_P(Widgets, TheSceneMatchesItsReviewedPicture) {
  const tScreen& screen = GetParam();
  ASSERT_TRUE(std::filesystem::exists("gen/launcher/fonts/Arial.pcx"))
      << "run the tests from the build folder after building sample_data";
  const guitest::tFormat& f = guitest::Formats()[screen.format];
  guitest::tDesktopScreen s(f, screen.width, screen.height);
  guitest::tWidgetScene scene(s.desktop.get());
  s.Frame();
  ASSERT_TRUE(scene.fontLoaded);
  ASSERT_TRUE(scene.held->IsPressed());
  ASSERT_EQ(s.Client()->GetFocus(), scene.active);
  s.Frame();
  EXPECT_EQ(guitest::FirstDifference(s.Drawable(), s.FullRedraw()), -1);

  const std::string name = "widgets_" + std::to_string(screen.width) + "x" +
                           std::to_string(screen.height) + "_" + f.name + ".png";
  const std::string problem =
      guitest::CompareWithReviewed("widgets", name, screen.width, screen.height, 3, s.Rgb());
  if (!problem.empty()) FAIL() << problem;
}

INSTANTIATE_TEST_SUITE_P(Screens, Widgets,
                         testing::Values(tScreen{640, 480, 3}, tScreen{800, 600, 0}),
                         [](const testing::TestParamInfo<tScreen>& info) {
                           return std::to_string(info.param.width) + "x" +
                                  std::to_string(info.param.height) + "_" +
                                  guitest::Formats()[info.param.format].name;
                         });

}  // namespace
