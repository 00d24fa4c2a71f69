// The cross-fade patterns of the "xfade" collector and the command
// "pixel_crossfade": the pattern's values and sharing, which pixels a
// position copies in every pixel format, the columns past the last multiple
// of 8, two pairs in a row, failed locks and the refusals of its block.
#include "effects2d/pixel_crossfade.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "effects2d/xfadecollector.h"
#include "foundation/pictures.h"
#include "foundation/random.h"
#include "platform/ddraw.h"
#include "tests/effects2d/fx_fixture.h"
#include "windxkernel/video.h"

namespace fxtest {
namespace {

using namespace VOXA2;

// The collector straight, on a screen size set for the test.
class XfadePattern : public testing::Test {
 protected:
  void SetUp() override {
    savedScreen_ = screenInfo;
    savedRand_ = GetRandState();
  }
  void TearDown() override {
    screenInfo = savedScreen_;
    SetRandState(savedRand_);
  }
  cMonoPic* Pattern(const char* name, std::int32_t width, std::int32_t height) {
    screenInfo.width = width;
    screenInfo.height = height;
    return static_cast<cMonoPic*>(collector.GetData(name));
  }

  cVOXAxfadecollector collector{"xfade"};

 private:
  tScreenInfo savedScreen_;
  std::uint32_t savedRand_ = 1;
};

struct SizeCase {
  std::int32_t width, height;
};

class XfadePatternSize : public XfadePattern, public testing::WithParamInterface<SizeCase> {};

TEST_P(XfadePatternSize, HasTheScreenSizeAndEveryByteIn2To253) {
  const SizeCase& c = GetParam();
  const cMonoPic* pattern = Pattern("p", c.width, c.height);
  ASSERT_NE(pattern, nullptr);
  ASSERT_EQ(pattern->width, c.width);
  ASSERT_EQ(pattern->height, c.height);
  const std::uint8_t* bytes = pattern->pixels;
  const auto [low, high] = std::minmax_element(bytes, bytes + c.width * c.height);
  EXPECT_GE(*low, 2);
  EXPECT_LE(*high, 253);
  collector.PrepareAll();  // reads every byte, within the picture
}

INSTANTIATE_TEST_SUITE_P(Sizes, XfadePatternSize,
                         testing::Values(SizeCase{320, 200}, SizeCase{640, 480}, SizeCase{801, 601},
                                         SizeCase{68, 7}, SizeCase{1, 1}),
                         [](const auto& info) {
                           return std::to_string(info.param.width) + "x" +
                                  std::to_string(info.param.height);
                         });

// The waves of the formula plus the classic generator's draws, one per pixel
// in row-major order, seeded here by the test's own generator.
TEST_F(XfadePattern, FollowsTheFormulaWithTheSeededGenerator) {
  constexpr std::int32_t kW = 203, kH = 37;
  constexpr std::uint32_t kSeed = 0xC0FFEE;
  SetRandState(kSeed);
  const cMonoPic* pattern = Pattern("p", kW, kH);
  ASSERT_NE(pattern, nullptr);
  std::uint32_t state = kSeed;
  for (std::int32_t y = 0; y < kH; y++)
    for (std::int32_t x = 0; x < kW; x++) {
      state = state * 1103515245u + 12345u;
      const auto draw = static_cast<std::int32_t>((state >> 16) & 0x7FFF);
      const double wave =
          std::sin(0.02 * x) + std::cos(0.0123 * x) + std::cos(0.0321 * x + 0.1 * y);
      const auto value = static_cast<std::int32_t>(wave * 8000.0 + 32767.0) + draw / 2 - 0x2000;
      ASSERT_EQ(pattern->pixels[y * kW + x], value >> 8) << x << "," << y;
    }
}

TEST_F(XfadePattern, OneNameInAnyCaseIsOnePatternTwoNamesAreTwo) {
  cMonoPic* first = Pattern("Dissolve", 64, 48);
  cMonoPic* again = Pattern("dISSOLVE", 64, 48);
  cMonoPic* other = Pattern("other", 64, 48);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(again, first);
  EXPECT_NE(other, first);
  EXPECT_FALSE(std::equal(first->pixels, first->pixels + 64 * 48, other->pixels));
  ASSERT_EQ(collector.entries.size(), 2u);
  EXPECT_EQ(collector.entries[0]->useCount, 2);
}

// On the display: a screen 68 wide, so that columns 64 to 67 lie past the
// last multiple of 8.
constexpr int kW = 68, kH = 10, kColumns = 64;

class Crossfade : public FxTest {
 protected:
  bool CompileBlock(const std::string& block) {
    return Compile(
        "buffer a; buffer b; buffer c;\n"
        "pipeline p { entry 0 : 10 : pixel_crossfade { " +
        block + " } }");
  }
  cVOXApixel_crossfade* Fade() { return static_cast<cVOXApixel_crossfade*>(Command()); }
  video::voxaSurface* Buffer(char name) { return demo->surfaces.at(3 + (name - 'a')); }
  static IDirectDrawSurface7* Device(video::voxaSurface* surface) {
    return static_cast<video::kernelSurface*>(surface)->surface;
  }
  // Distinct raw bytes in every buffer, so that a copied pixel shows.
  void FillBuffers() {
    const std::pair<video::voxaSurface*, int> fills[] = {
        {Buffer('a'), 0}, {Buffer('b'), 85}, {Buffer('c'), 170}, {video::GetBackSurface(), 43}};
    for (const auto& [surface, offset] : fills) {
      void* pixels = nullptr;
      int pitch = 0;
      ASSERT_TRUE(surface->Lock(&pixels, &pitch, 2));
      for (int y = 0; y < kH; y++)
        for (int i = 0; i < kW * screenInfo.bytesPerPixel; i++)
          static_cast<std::uint8_t*>(pixels)[y * pitch + i] =
              static_cast<std::uint8_t>(i * 7 + y * 13 + offset);
      surface->Unlock();
    }
  }
  // The pattern byte of a processed pixel: one run of 64 bytes per row.
  std::uint8_t PatternAt(int x, int y) { return Fade()->pattern->pixels[y * kColumns + x]; }
  // Whether each pixel of `after` is `source`'s, else `before`'s; fails on
  // a pixel that is neither.
  static std::vector<bool> Copied(const std::vector<unsigned char>& before,
                                  const std::vector<unsigned char>& source,
                                  const std::vector<unsigned char>& after) {
    const auto bp = static_cast<std::size_t>(screenInfo.bytesPerPixel);
    std::vector<bool> copied(after.size() / bp);
    for (std::size_t p = 0; p < copied.size(); p++) {
      const auto at = [&](const std::vector<unsigned char>& v) {
        return std::vector<unsigned char>(v.begin() + p * bp, v.begin() + (p + 1) * bp);
      };
      copied[p] = at(after) == at(source);
      EXPECT_TRUE(copied[p] || at(after) == at(before)) << "pixel " << p;
    }
    return copied;
  }
  // The copied pixels are exactly those whose pattern byte is at most
  // p x 255 truncated; a byte within rounding of p x 255 may go either way.
  void ExpectThreshold(const std::vector<bool>& copied, double p) {
    for (int y = 0; y < kH; y++)
      for (int x = 0; x < kW; x++) {
        const bool c = copied[static_cast<std::size_t>(y * kW + x)];
        if (x >= kColumns) {
          ASSERT_FALSE(c) << x << "," << y;
          continue;
        }
        const double v = PatternAt(x, y);
        if (std::abs(v - p * 255.0) > 1e-3) {
          ASSERT_EQ(c, v < p * 255.0) << x << "," << y << " p " << p;
        }
      }
  }
  bool Frame(float t) { return Fade()->Execute(t, t, 0.0f); }
};

class CrossfadeModes : public Crossfade, public testing::WithParamInterface<PixelMode> {};

struct PositionCase {
  const char* position;
  double p;  // after clamping
};

// Fixed positions, clamped to 0 … 1: 0 changes nothing, 1 copies every
// processed pixel and leaves the last four columns.
TEST_P(CrossfadeModes, FixedPositionsCopyByThePattern) {
  const PositionCase cases[] = {{"0", 0.0}, {"-3", 0.0}, {"0.5", 0.5}, {"1", 1.0}, {"7", 1.0}};
  OnDisplay(
      GetParam(),
      [&] {
        for (const PositionCase& c : cases) {
          SCOPED_TRACE(c.position);
          ASSERT_TRUE(
              CompileBlock(std::string("buffer a to b; position ") + c.position + "; file \"x\";"));
          FillBuffers();
          const std::vector<unsigned char> before = Bytes(Buffer('b'));
          ASSERT_TRUE(Frame(1.0f));
          const std::vector<bool> copied = Copied(before, Bytes(Buffer('a')), Bytes(Buffer('b')));
          ExpectThreshold(copied, c.p);
          const auto n = std::count(copied.begin(), copied.end(), true);
          if (c.p == 0.0 || c.p == 1.0) {
            EXPECT_EQ(n, c.p == 0.0 ? 0 : kColumns * kH);
          }
        }
      },
      kW, kH);
}

// Over a linear ramp the copied set follows the threshold and only grows.
TEST_P(CrossfadeModes, TheCopiedSetGrowsAlongARamp) {
  OnDisplay(
      GetParam(),
      [&] {
        ASSERT_TRUE(CompileBlock("buffer a to b; position linear 0 to 1; file \"x\";"));
        FillBuffers();
        const std::vector<unsigned char> before = Bytes(Buffer('b'));
        const std::vector<unsigned char> source = Bytes(Buffer('a'));
        std::vector<bool> last(kW * kH, false);
        for (int k = 0; k <= 20; k++) {
          const float t = 0.5f * static_cast<float>(k);
          ASSERT_TRUE(Frame(t));
          const std::vector<bool> copied = Copied(before, source, Bytes(Buffer('b')));
          ExpectThreshold(copied, t / 10.0);
          for (std::size_t i = 0; i < copied.size(); i++)
            ASSERT_TRUE(copied[i] || !last[i]) << "pixel " << i << " at " << t;
          last = copied;
        }
        EXPECT_EQ(std::count(last.begin(), last.end(), true), kColumns * kH);
      },
      kW, kH);
}

INSTANTIATE_TEST_SUITE_P(Formats, CrossfadeModes, testing::ValuesIn(kModes),
                         [](const auto& info) { return std::string(info.param.name); });

// Pairs run in list order with one threshold: b takes a's pixels, then c
// takes b's, which are a's by then.
TEST_F(Crossfade, TwoPairsRunInOrderWithOneThreshold) {
  OnDisplay(
      kModes[0],
      [&] {
        ASSERT_TRUE(CompileBlock("buffer a to b; buffer b to c; position 0.5; file \"x\";"));
        FillBuffers();
        const std::vector<unsigned char> source = Bytes(Buffer('a'));
        const std::vector<unsigned char> b = Bytes(Buffer('b')), c = Bytes(Buffer('c'));
        ASSERT_TRUE(Frame(0.0f));
        const std::vector<bool> intoB = Copied(b, source, Bytes(Buffer('b')));
        ExpectThreshold(intoB, 0.5);
        EXPECT_EQ(Copied(c, source, Bytes(Buffer('c'))), intoB);
      },
      kW, kH);
}

// A pattern smaller than the screen (made before the screen grew) is read
// only as far as it goes: the rows it does not cover are left.
TEST_F(Crossfade, APatternSmallerThanTheScreenIsNotReadPastItsEnd) {
  OnDisplay(
      kModes[2],
      [&] {
        ASSERT_TRUE(CompileBlock("buffer a to b; position 1; file \"x\";"));
        cMonoPic small;
        small.Create(kColumns, 3);
        cMonoPic* shared = Fade()->pattern;
        Fade()->pattern = &small;
        FillBuffers();
        const std::vector<unsigned char> before = Bytes(Buffer('b'));
        ASSERT_TRUE(Frame(0.0f));
        const std::vector<bool> copied = Copied(before, Bytes(Buffer('a')), Bytes(Buffer('b')));
        Fade()->pattern = shared;
        for (int y = 0; y < kH; y++)
          for (int x = 0; x < kW; x++)
            ASSERT_EQ(copied[static_cast<std::size_t>(y * kW + x)], y < 3 && x < kColumns)
                << x << "," << y;
      },
      kW, kH);
}

// A surface that cannot be locked fails the frame with a log line and leaves
// neither surface locked; once it is back the frame works.
TEST_F(Crossfade, AFailedLockFailsTheFrameAndLeavesNothingLocked) {
  OnDisplay(
      kModes[2],
      [&] {
        ASSERT_TRUE(CompileBlock("buffer a to b; position 1; file \"x\";"));
        for (char lost : {'b', 'a'}) {  // the target is locked first, then the source
          SCOPED_TRACE(lost);
          Device(Buffer(lost))->SimulateLoss();
          EXPECT_FALSE(Frame(0.0f));
          EXPECT_TRUE(Logged("Lock() failed!"));
          EXPECT_EQ(Device(Buffer('a'))->lockCount(), 0);
          EXPECT_EQ(Device(Buffer('b'))->lockCount(), 0);
          Device(Buffer(lost))->Restore();
          EXPECT_TRUE(Frame(0.0f));
        }
      },
      kW, kH);
}

// Refused while compiling, but a frame without a position or a pattern fails
// rather than copying anything.
TEST_F(Crossfade, AFrameWithoutPositionOrPatternFails) {
  OnDisplay(
      kModes[2],
      [&] {
        ASSERT_TRUE(CompileBlock("buffer a to b; position 1; file \"x\";"));
        cMonoPic* shared = Fade()->pattern;
        Fade()->pattern = nullptr;
        EXPECT_FALSE(Frame(0.0f));
        Fade()->pattern = shared;
        Fade()->position.reset();
        EXPECT_FALSE(Frame(0.0f));
      },
      kW, kH);
}

struct BlockCase {
  const char* name;
  const char* block;
  bool compiles;
  const char* message;
};

class CrossfadeBlock : public Crossfade, public testing::WithParamInterface<BlockCase> {};

TEST_P(CrossfadeBlock, WordsAndRefusals) {
  OnDisplay(kModes[2], [&] {
    EXPECT_EQ(CompileBlock(GetParam().block), GetParam().compiles);
    if (*GetParam().message) {
      EXPECT_TRUE(LoggedPart(GetParam().message)) << GetParam().message;
    }
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CrossfadeBlock,
    testing::Values(BlockCase{"AllWords",
                              ";buffer a to b;; buffer DDSsecondary to DDStemporary; position 0.25;"
                              " position 0.5; file \"x\"; file \"y\";",
                              true, ""},
                    BlockCase{"NoPosition", "buffer a to b; file \"x\";", false,
                              "pixel_crossfade without \"position\"!"},
                    BlockCase{"NoFile", "buffer a to b; position 1;", false,
                              "pixel_crossfade without \"file\"!"},
                    BlockCase{"Empty", "", false, "pixel_crossfade without \"position\"!"},
                    BlockCase{"SameBuffer", "buffer a to a; position 1; file \"x\";", false,
                              "Error 202 occured: Source and target must be different buffers!"},
                    BlockCase{"NotABuffer", "buffer a to p; position 1; file \"x\";", false,
                              "Error 202 occured: Buffer expected!"},
                    BlockCase{"FileIsNoString", "position 1; file x;", false,
                              "Error 2 occured: String expected, but found Identifier!"},
                    BlockCase{"UnknownWord", "position 1; file \"x\"; speed 2;", false,
                              "Error 201 occured: Syntax error!"},
                    BlockCase{"OtherCommandsKeyword", "color (1, 2, 3);", false,
                              "Error 201 occured: Syntax error!"}),
    [](const auto& info) { return std::string(info.param.name); });

// The pixel loop straight on memory, for every pixel size: a selected pixel
// takes all its bytes from the source (three at 24 bits, leaving the next
// pixel's), others and the padding behind each row keep theirs, and sizes
// other than 2, 3 and 4 copy nothing.
TEST(CrossfadePixels, EachPixelSizeCopiesWholePixelsOnly) {
  constexpr int kCols = 16, kRows = 3, kPitch = 80;
  constexpr std::uint8_t kThreshold = 100;
  std::vector<std::uint8_t> pattern(kCols * kRows);
  for (std::size_t i = 0; i < pattern.size(); i++)
    pattern[i] = static_cast<std::uint8_t>((i * 37) % 200 + 2);
  std::vector<std::uint8_t> source(kPitch * kRows);
  for (std::size_t i = 0; i < source.size(); i++) source[i] = static_cast<std::uint8_t>(i + 1);
  for (int bp : {1, 2, 3, 4, 5}) {
    SCOPED_TRACE(bp);
    std::vector<std::uint8_t> target(kPitch * kRows, 0);
    cVOXApixel_crossfade::CrossFade(pattern.data(), source.data(), kPitch, target.data(), kPitch,
                                    kCols, kRows, bp, kThreshold);
    const bool copies = bp >= 2 && bp <= 4;
    for (int y = 0; y < kRows; y++)
      for (int i = 0; i < kPitch; i++) {
        const bool selected = copies && i < kCols * bp && pattern[y * kCols + i / bp] <= kThreshold;
        ASSERT_EQ(target[y * kPitch + i], selected ? source[y * kPitch + i] : 0) << y << "," << i;
      }
  }
}

}  // namespace
}  // namespace fxtest
