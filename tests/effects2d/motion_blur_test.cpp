// The command "motion_blur": the history a constant source leaves in the
// temporary buffer, the channel masks of each screen format, the pixels past
// the last whole word group of a row, the refused blocks, and failed locks
// that leave no surface locked.
#include "effects2d/motion_blur.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

#include "platform/ddraw.h"
#include "tests/effects2d/fx_fixture.h"
#include "windxkernel/video.h"

namespace fxtest {
namespace {

using namespace VOXA2;
namespace px = platform::pixels;

const PixelMode kRgb888{"RGB888", px::R8G8B8, 24};
const PixelMode kAllModes[] = {kModes[0], kModes[1], kModes[2], kRgb888};

constexpr const char* kBlurBack =
    "pipeline p { entry 0 : 10 : motion_blur { buffer DDSsecondary to DDStemporary; } }";

IDirectDrawSurface7* Raw(video::voxaSurface* surface) {
  return static_cast<video::kernelSurface*>(surface)->surface;
}

// Every pixel of the surface set to a value in the screen's own format.
void FillRaw(video::voxaSurface* surface, std::uint32_t value) {
  void* pixels = nullptr;
  int pitch = 0;
  ASSERT_TRUE(surface->Lock(&pixels, &pitch, 2));
  const int bp = screenInfo.bytesPerPixel;
  for (int y = 0; y < screenInfo.height; y++)
    for (int x = 0; x < screenInfo.width; x++)
      px::Write(static_cast<BYTE*>(pixels) + y * pitch + x * bp, bp, value);
  surface->Unlock();
}

std::uint32_t ReadRaw(video::voxaSurface* surface, int x, int y) {
  void* pixels = nullptr;
  int pitch = 0;
  EXPECT_TRUE(surface->Lock(&pixels, &pitch, 1));
  const int bp = screenInfo.bytesPerPixel;
  const std::uint32_t value = px::Read(static_cast<BYTE*>(pixels) + y * pitch + x * bp, bp);
  surface->Unlock();
  return value;
}

class MotionBlurTest : public FxTest {
 protected:
  cVOXAmotion_blur* Blur() { return static_cast<cVOXAmotion_blur*>(Command()); }
  video::voxaSurface* Temporary() { return Blur()->pairs.at(0).temporary; }
  bool Frame() { return Blur()->Execute(0.0f, 0.0f, 0.0f); }
};

class MotionBlur : public MotionBlurTest, public testing::WithParamInterface<PixelMode> {};

// Each channel, as many bits as the format keeps, becomes ⌊c/2⌋ + ⌊t/2⌋ of the
// source's c and its own old t: from 0 it climbs to just below c.
TEST_P(MotionBlur, ConstantSourceSettlesJustBelowIt) {
  OnDisplay(GetParam(), [&] {
    ASSERT_TRUE(Compile(kBlurBack));
    const std::uint32_t color = 0xFFC880;  // 255, 200, 128
    video::GetBackSurface()->Fill(color);
    Temporary()->Fill(0);
    const std::int32_t bits[3] = {screenInfo.redBits, screenInfo.greenBits, screenInfo.blueBits};
    std::uint32_t channel[3] = {0, 0, 0};
    const int w = screenInfo.width, h = screenInfo.height;
    for (int frame = 1; frame <= 10; frame++) {
      ASSERT_TRUE(Frame());
      std::uint32_t expected = 0;
      for (int c = 0; c < 3; c++) {
        const std::uint32_t source = (color >> (16 - 8 * c) & 0xFF) >> (8 - bits[c]);
        channel[c] = source / 2 + channel[c] / 2;
        expected |= channel[c] << (8 - bits[c]) << (16 - 8 * c);
      }
      const std::pair<int, int> points[] = {
          {0, 0}, {w - 1, 0}, {w / 2, h / 2}, {0, h - 1}, {w - 1, h - 1}};
      for (auto [x, y] : points)
        ASSERT_EQ(Pixel(Temporary(), x, y), expected)
            << "frame " << frame << " at " << x << "," << y;
    }
    if (screenInfo.redBits == 8) {
      // 255 reaches 253 and 200 reaches 199 in eight frames, and stay there.
      for (int frame = 0; frame < 8; frame++) ASSERT_TRUE(Frame());
      EXPECT_EQ(Pixel(Temporary(), 3, 3), 0xFDC77Fu);
    }
  });
}

INSTANTIATE_TEST_SUITE_P(Formats, MotionBlur, testing::ValuesIn(kAllModes),
                         [](const auto& info) { return std::string(info.param.name); });

// One frame on raw pixels: the mask keeps the shifted channels apart (the
// bit shifted out of one 16-bit pixel never reaches its neighbour) and at 32
// bits per pixel clears the fourth byte.
struct MaskCase {
  const char* name;
  const PixelMode* mode;
  std::uint32_t source, temporary, expected;
};

class MotionBlurMask : public MotionBlurTest, public testing::WithParamInterface<MaskCase> {};

TEST_P(MotionBlurMask, OneFrameOnRawPixels) {
  const MaskCase& c = GetParam();
  OnDisplay(*c.mode, [&] {
    ASSERT_TRUE(Compile(kBlurBack));
    FillRaw(video::GetBackSurface(), c.source);
    FillRaw(Temporary(), c.temporary);
    ASSERT_TRUE(Frame());
    for (int y = 0; y < screenInfo.height; y++)
      for (int x = 0; x < screenInfo.width; x++)
        ASSERT_EQ(ReadRaw(Temporary(), x, y), c.expected) << x << "," << y;
  });
}

INSTANTIATE_TEST_SUITE_P(
    Formats, MotionBlurMask,
    testing::Values(MaskCase{"RGB565FromBlack", &kModes[0], 0xFFFF, 0x0000, 0x7BEF},
                    MaskCase{"RGB565FromWhite", &kModes[0], 0xFFFF, 0xFFFF, 0xF7DE},
                    MaskCase{"RGB555FromBlack", &kModes[1], 0xFFFF, 0x0000, 0x3DEF},
                    MaskCase{"RGB555FromWhite", &kModes[1], 0xFFFF, 0xFFFF, 0x7BDE},
                    MaskCase{"RGB888", &kRgb888, 0xFFFFFF, 0x010101, 0x7F7F7F},
                    MaskCase{"XRGB8888FourthByte", &kModes[2], 0xFFFFFFFF, 0xFF000000, 0x007F7F7F},
                    MaskCase{"XRGB8888FromWhite", &kModes[2], 0xFFFFFFFF, 0xFFFFFFFF, 0x00FEFEFE}),
    [](const auto& info) { return std::string(info.param.name); });

// Rows are blended in groups of whole words: four pixels at 16 and 24 bits,
// two at 32. The pixels after the last whole group keep their value.
struct WidthCase {
  const char* name;
  const PixelMode* mode;
  int width;
  int processed;
};

class MotionBlurWidth : public MotionBlurTest, public testing::WithParamInterface<WidthCase> {};

TEST_P(MotionBlurWidth, PixelsPastTheLastGroupAreLeftAlone) {
  const WidthCase& c = GetParam();
  OnDisplay(
      *c.mode,
      [&] {
        ASSERT_TRUE(Compile(kBlurBack));
        video::GetBackSurface()->Fill(0xFFFFFF);
        Temporary()->Fill(0x000000);
        ASSERT_TRUE(Frame());
        for (int y : {0, screenInfo.height - 1})
          for (int x = 0; x < c.width; x++)
            ASSERT_EQ(Pixel(Temporary(), x, y) != 0, x < c.processed) << x << "," << y;
      },
      c.width, 12);
}

INSTANTIATE_TEST_SUITE_P(Widths, MotionBlurWidth,
                         testing::Values(WidthCase{"RGB565", &kModes[0], 67, 64},
                                         WidthCase{"RGB555", &kModes[1], 66, 64},
                                         WidthCase{"RGB888", &kRgb888, 67, 64},
                                         WidthCase{"XRGB8888", &kModes[2], 67, 66}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BlockCase {
  const char* name;
  const char* block;
  const char* message;  // empty: the block compiles
};

class MotionBlurBlock : public FxTest, public testing::WithParamInterface<BlockCase> {};

TEST_P(MotionBlurBlock, WordsAndRefusals) {
  OnDisplay(kModes[2], [&] {
    const bool compiles = !*GetParam().message;
    EXPECT_EQ(Compile(std::string("buffer trail;\npipeline p { entry 0 : 10 : motion_blur { ") +
                      GetParam().block + " } }"),
              compiles);
    if (!compiles) {
      EXPECT_TRUE(LoggedPart(GetParam().message)) << GetParam().message;
    }
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MotionBlurBlock,
    testing::Values(BlockCase{"ScreenAndDeclaredBuffers",
                              "buffer DDSprimary to trail;; buffer trail to DDStemporary;", ""},
                    BlockCase{"TargetOnScreen", "buffer DDStemporary to DDSsecondary;",
                              "Error 202 occured: Temporary buffer expected!"},
                    BlockCase{"TargetNoBuffer", "buffer DDSsecondary to motion_blur;",
                              "Error 202 occured: Temporary buffer expected!"},
                    BlockCase{"SourceNoBuffer", "buffer nothing to DDStemporary;",
                              "Error 202 occured: Buffer expected!"},
                    BlockCase{"SourceIsTarget", "buffer trail to trail;",
                              "Error 202 occured: Source and target must be different buffers!"},
                    BlockCase{"OtherKeyword", "color 1, 2, 3;",
                              "Error 201 occured: Syntax error!"}),
    [](const auto& info) { return std::string(info.param.name); });

// A block without statements does nothing, and its frames succeed.
TEST_F(MotionBlurTest, EmptyBlockDoesNothing) {
  OnDisplay(kModes[0], [&] {
    ASSERT_TRUE(Compile("pipeline p { entry 0 : 10 : motion_blur { ; ; } }"));
    EXPECT_TRUE(Blur()->pairs.empty());
    EXPECT_TRUE(Frame());
  });
}

// Whichever lock fails, the frame fails with its line and neither surface is
// left locked: once the lost surface is back, fills and frames work again.
struct LockCase {
  const char* name;
  bool loseTemporary;
  const char* line;
};

class MotionBlurLock : public MotionBlurTest, public testing::WithParamInterface<LockCase> {};

TEST_P(MotionBlurLock, FailedLockLeavesNothingLocked) {
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(Compile(kBlurBack));
    IDirectDrawSurface7* temporary = Raw(Temporary());
    IDirectDrawSurface7* source = Raw(video::GetBackSurface());
    IDirectDrawSurface7* lost = GetParam().loseTemporary ? temporary : source;
    lost->SimulateLoss();
    EXPECT_FALSE(Frame());
    EXPECT_TRUE(Logged(GetParam().line));
    EXPECT_EQ(temporary->lockCount(), 0);
    EXPECT_EQ(source->lockCount(), 0);
    lost->Restore();
    EXPECT_EQ(Temporary()->Fill(0x204060), DD_OK);
    EXPECT_EQ(Pixel(Temporary(), 0, 0), 0x204060u);
    video::GetBackSurface()->Fill(0x000000);
    EXPECT_TRUE(Frame());
    EXPECT_EQ(Pixel(Temporary(), 0, 0), 0x102030u);
  });
}

INSTANTIATE_TEST_SUITE_P(Locks, MotionBlurLock,
                         testing::Values(LockCase{"Temporary", true, "Lock() failed (1)!"},
                                         LockCase{"Source", false, "Lock() failed! (2)"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fxtest
