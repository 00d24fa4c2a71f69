#include "gui/metrics.h"

#include <gtest/gtest.h>

#include "tests/gui/pixel_fixtures.h"

using namespace guitest;

namespace {

struct tScaleCase {
  int width, height;
  const char* what;
  int value, expected;
};

TEST(Metrics, ScaleXAndScaleYTruncateAndNeverGoBelowOne) {
  const tScaleCase cases[] = {
      {1024, 768, "x", 640, 1024}, {1024, 768, "x", 1, 1}, {1024, 768, "y", 10, 16},
      {320, 240, "x", 1, 1},       {320, 240, "x", -5, 1}, {0, 0, "x", 7, 7},
      {0, 0, "x", -3, 1},          {0, 0, "y", 0, 1},      {800, 600, "y", 480, 600},
  };
  for (const auto& c : cases) {
    UseFormat(Formats()[3], c.width, c.height);
    int got = std::string(c.what) == "x" ? ZGUI::ScaleX(c.value) : ZGUI::ScaleY(c.value);
    EXPECT_EQ(got, c.expected) << c.width << "x" << c.height << " " << c.what << "(" << c.value
                               << ")";
  }
}

TEST(Metrics, ScalePointNeedsBothSizesAndScaleRectCapsAtAThird) {
  UseFormat(Formats()[3], 640, 480);
  EXPECT_EQ(ZGUI::ScaleRect(10, 10, {0, 0, 5, 5}), ZGUI::tPoint(2, 2));
  EXPECT_EQ(ZGUI::ScaleRect(ZGUI::tPoint(1, 1), {0, 0, 1, 1}), ZGUI::tPoint(1, 1));
  UseFormat(Formats()[3], 1280, 960);
  EXPECT_EQ(ZGUI::ScalePoint(10, 0), ZGUI::tPoint(20, 1));
  EXPECT_EQ(ZGUI::ScaleRect(1, 1, {0, 0, 99, 99}), ZGUI::tPoint(2, 2));
  UseFormat(Formats()[3], 1280, 0);
  EXPECT_EQ(ZGUI::ScalePoint(ZGUI::tPoint(10, 5)), ZGUI::tPoint(10, 5));
  EXPECT_EQ(ZGUI::GetScreenWidth(), 1280);
  EXPECT_EQ(ZGUI::GetScreenHeight(), 0);
}

TEST(Metrics, HalfMaskAndDoublingTableFollowTheFormat) {
  UseFormat(Formats()[0]);
  EXPECT_EQ(ZGUI::GetHalfMask(), 0x7BEFu);
  const std::uint16_t* table = ZGUI::GetDoublingTable();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table[0x4208], 0x8410);
  EXPECT_EQ(table[0x8410], 0xFFFF);
  EXPECT_EQ(table[0x0001], 0x0002);
  UseFormat(Formats()[1]);
  EXPECT_EQ(ZGUI::GetHalfMask(), 0x3DEFu);
  UseFormat(Formats()[3]);
  EXPECT_EQ(ZGUI::GetHalfMask(), 0x7F7F7Fu);
  EXPECT_EQ(ZGUI::GetDoublingTable(), nullptr);
}

// The tables follow the screen even when nobody rebuilt them after a change of
// mode, or after they were released: drawing never sees a stale or missing table.
TEST(Metrics, TablesAreRebuiltForTheCurrentFormatWhenStaleOrReleased) {
  UseFormat(Formats()[3]);
  VOXA2::screenInfo.bytesPerPixel = 2;
  VOXA2::screenInfo.redShift = 11, VOXA2::screenInfo.redBits = 5,
  VOXA2::screenInfo.redMask = 0xF800;
  VOXA2::screenInfo.greenShift = 5, VOXA2::screenInfo.greenBits = 6,
  VOXA2::screenInfo.greenMask = 0x07E0;
  VOXA2::screenInfo.blueShift = 0, VOXA2::screenInfo.blueBits = 5,
  VOXA2::screenInfo.blueMask = 0x1F;
  EXPECT_EQ(ZGUI::GetHalfMask(), 0x7BEFu);
  ASSERT_NE(ZGUI::GetDoublingTable(), nullptr);
  ZGUI::ReleasePixelFormat();
  ASSERT_NE(ZGUI::GetDoublingTable(), nullptr);
  EXPECT_EQ(ZGUI::GetDoublingTable()[0x8410], 0xFFFF);
}

TEST(Metrics, ColoursPackAndUnpackWithLowBitsZero) {
  UseFormat(Formats()[0]);
  EXPECT_EQ(ZGUI::PackColor(0xFFFFFF), 0xFFFFu);
  EXPECT_EQ(ZGUI::UnpackColor(0xFFFF), 0xF8FCF8u);
  UseFormat(Formats()[4]);
  EXPECT_EQ(ZGUI::PackColor(0x112233), 0x332211u);
  EXPECT_EQ(ZGUI::UnpackColor(0x332211), 0x112233u);
}

}  // namespace
