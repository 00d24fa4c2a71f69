// "clear" and "copy" on the back buffer and temporary buffers in every pixel format.
#include <gtest/gtest.h>

#include "effects2d/commands.h"
#include "tests/effects2d/fx_fixture.h"
#include "windxkernel/video.h"

namespace fxtest {
namespace {

using namespace VOXA2;

class ClearCopy : public FxTest, public testing::WithParamInterface<PixelMode> {};

// A ramp from black to (255, 128, 64) over 10 seconds, sampled through whole
// demo frames at known times; the values are clamped and truncated.
TEST_P(ClearCopy, ClearFillsWithTheRampAtTheFramesTime) {
  OnDisplay(GetParam(), [&] {
    ASSERT_TRUE(
        Compile("buffer work;"
                "pipeline p { entry 0 : 10 : clear { ; buffer DDSsecondary; buffer work;"
                "  color linear (0, 0, -40) to (255, 128, 400); } }"
                "sequence s { length 10; relative length 10; pipeline p; }"
                "main() { sequence s; eod 10; }"));
    demo->Prepare();
    now = 0;
    demo->Start();
    struct Case {
      float time;
      std::uint32_t rgb;
    } cases[] = {
        {0.0f, 0x000000},        // blue below 0 clamps to 0
        {5.0f, 0x7F4000 | 180},  // 127.5 -> 127, 64, 180
        {7.5f, 0xBF6000 | 255},  // blue beyond 255 clamps
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.time);
      now = c.time;
      ASSERT_TRUE(demo->Run());
      EXPECT_EQ(Pixel(video::GetBackSurface(), 0, 0), AsStored(c.rgb));
      EXPECT_EQ(Pixel(video::GetBackSurface(), 63, 47), AsStored(c.rgb));
      EXPECT_EQ(Pixel(demo->surfaces.at(3), 31, 20), AsStored(c.rgb));
    }
  });
}

TEST_P(ClearCopy, ClearWithoutColourIsBlackAndWithoutBuffersDoesNothing) {
  OnDisplay(GetParam(), [&] {
    ASSERT_TRUE(
        Compile("pipeline p { entry 0 : 1 : clear { buffer DDSsecondary; }"
                "             entry 0 : 1 : clear { } }"));
    video::GetBackSurface()->Fill(0xFFFFFF);
    EXPECT_TRUE(Command(0, 0)->Execute(0, 0, 0));
    EXPECT_EQ(Pixel(video::GetBackSurface(), 5, 5), 0u);
    video::GetBackSurface()->Fill(0xFFFFFF);
    EXPECT_TRUE(Command(0, 1)->Execute(0, 0, 0));
    EXPECT_EQ(Pixel(video::GetBackSurface(), 5, 5), AsStored(0xFFFFFF));
  });
}

// Copies run in list order: a -> b, then b -> the back buffer.
TEST_P(ClearCopy, CopyIsByteIdenticalAndRunsInListOrder) {
  OnDisplay(GetParam(), [&] {
    ASSERT_TRUE(Compile(
        "buffer a; buffer b;"
        "pipeline p { entry 0 : 1 : copy { buffer a to b; ; buffer b to DDSsecondary; } }"));
    video::voxaSurface* a = demo->surfaces.at(3);
    void* pixels = nullptr;
    int pitch = 0;
    ASSERT_TRUE(a->Lock(&pixels, &pitch, 2));
    for (int y = 0; y < screenInfo.height; y++)
      for (int x = 0; x < screenInfo.width * screenInfo.bytesPerPixel; x++)
        static_cast<unsigned char*>(pixels)[y * pitch + x] =
            static_cast<unsigned char>(x * 7 + y * 13);
    a->Unlock();
    EXPECT_TRUE(Command()->Execute(0, 0, 0));
    EXPECT_EQ(Bytes(demo->surfaces.at(4)), Bytes(a));
    EXPECT_EQ(Bytes(video::GetBackSurface()), Bytes(a));
  });
}

INSTANTIATE_TEST_SUITE_P(Formats, ClearCopy, testing::ValuesIn(kModes),
                         [](const auto& info) { return std::string(info.param.name); });

struct ParseErrorCase {
  const char* name;
  const char* block;
  const char* message;
};
void PrintTo(const ParseErrorCase& c, std::ostream* os) { *os << c.name; }

class BlockErrors : public FxTest, public testing::WithParamInterface<ParseErrorCase> {};

TEST_P(BlockErrors, FailTheCompileWithTheirCode) {
  OnDisplay(kModes[2], [&] {
    EXPECT_FALSE(Compile(std::string("pipeline p { entry 0 : 1 : ") + GetParam().block));
    EXPECT_TRUE(LoggedPart(GetParam().message)) << GetParam().message;
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlockErrors,
    testing::Values(ParseErrorCase{"NotABuffer", "clear { buffer p; } }",
                                   "Error 202 occured: Buffer expected!"},
                    ParseErrorCase{"UndeclaredWord", "copy { buffer DDSsecondary to nothing; } }",
                                   "Error 202 occured: Buffer expected!"},
                    ParseErrorCase{"OtherCommandsKeyword", "copy { color (1, 2, 3); } }",
                                   "Error 201 occured: Syntax error!"},
                    ParseErrorCase{"UnknownWord", "clear { colour (1, 2, 3); } }",
                                   "Error 201 occured: Syntax error!"},
                    ParseErrorCase{"EndOfFileInside", "clear { buffer DDSsecondary;",
                                   "Error 201 occured: Syntax error!"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fxtest
