// Pictures from "pictures\": loaded through description files or resampled to
// the screen, shared between commands, and drawn by the "picture" command.
#include <gtest/gtest.h>

#include <algorithm>

#include "effects2d/commands.h"
#include "effects2d/loadingpicture.h"
#include "effects2d/picturecollector.h"
#include "effects2d/pictureloader.h"
#include "foundation/errors.h"
#include "script/filters.h"
#include "script/parser.h"
#include "gui/bitmap.h"
#include "tests/effects2d/fx_fixture.h"
#include "windxkernel/video.h"

namespace fxtest {
namespace {

using namespace VOXA2;

// Red, green, blue and white quadrants.
std::uint32_t Quadrant(int x, int y, int width, int height) {
  static const std::uint32_t colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  return colours[(x >= width / 2 ? 1 : 0) + (y >= height / 2 ? 2 : 0)];
}

void WriteQuadrants(const std::string& path, int width, int height) {
  WriteTga(path, width, height, [&](int x, int y) { return Quadrant(x, y, width, height); });
}

class PictureCommand : public FxTest, public testing::WithParamInterface<PixelMode> {
 protected:
  // Runs the one command of the script on a black back buffer.
  void Draw(float sinceStart = 0) {
    video::GetBackSurface()->Fill(0);
    ASSERT_TRUE(Command()->Execute(sinceStart, sinceStart, 0));
  }
};

// Without a description file the picture fills the screen; with the name in
// other case and no extension it is still found.
TEST_P(PictureCommand, PictureWithoutDescriptionIsResampledToTheScreen) {
  WriteQuadrants("pictures/quad.tga", 16, 12);
  OnDisplay(GetParam(), [&] {
    ASSERT_TRUE(
        Compile("pipeline p { entry 0 : 1 : picture { buffer DDSsecondary; file \"Quad\"; } }"));
    auto* bitmap = static_cast<cVOXApicture*>(Command())->picture;
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetWidth(), 64);
    EXPECT_EQ(bitmap->GetHeight(), 48);
    Draw();
    for (auto [x, y] : {std::pair{4, 4}, {59, 4}, {4, 43}, {59, 43}, {20, 18}, {44, 30}})
      EXPECT_EQ(Pixel(video::GetBackSurface(), x, y), AsStored(Quadrant(x, y, 64, 48)))
          << x << "," << y;
  });
}

// A description file's filters decide the size; the picture is centred.
TEST_P(PictureCommand, DescriptionFileFiltersApplyAndThePictureIsCentred) {
  WriteTga("pictures/dot.tga", 10, 8, [](int, int) { return 0xFFFFFF; });
  WriteText("pictures/logo.dsc",
            "// a white block\npicture \"dot.tga\" { rescale (absolute 20, absolute 10); }");
  OnDisplay(GetParam(), [&] {
    ASSERT_TRUE(
        Compile("pipeline p { entry 0 : 1 : picture { buffer DDSsecondary; file \"logo\"; } }"));
    Draw();
    const int left = (64 - 20) / 2, top = (48 - 10) / 2;
    video::voxaSurface* back = video::GetBackSurface();
    EXPECT_NE(Pixel(back, left, top), 0u);
    EXPECT_NE(Pixel(back, left + 19, top + 9), 0u);
    EXPECT_EQ(Pixel(back, left - 1, top), 0u);
    EXPECT_EQ(Pixel(back, left + 20, top + 9), 0u);
    EXPECT_EQ(Pixel(back, left, top + 10), 0u);
    EXPECT_EQ(Pixel(back, left, top - 1), 0u);
  });
}

struct PositionCase {
  const char* name;
  const char* position;
  int left, top;  // where the 8x8 block's corner lands
};
void PrintTo(const PositionCase& c, std::ostream* os) { *os << c.name; }

class PicturePosition : public FxTest, public testing::WithParamInterface<PositionCase> {};

// The corner at fractions of the screen, truncated; partly off screen it is clipped.
TEST_P(PicturePosition, CornerAtTheFractionsOfTheScreen) {
  WriteTga("pictures/block.tga", 8, 8, [](int, int) { return 0xFFFFFF; });
  WriteText("pictures/block.dsc", "picture \"block.tga\" { }");
  const PositionCase& c = GetParam();
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(Compile(std::string("pipeline p { entry 0 : 2 : picture { buffer DDSsecondary; "
                                    "file \"block\"; position ") +
                        c.position + "; } }"));
    video::GetBackSurface()->Fill(0);
    ASSERT_TRUE(Command()->Execute(1, 1, 0.5f));
    int lit = 0;
    for (int y = 0; y < 48; y++)
      for (int x = 0; x < 64; x++) {
        const bool inside = x >= c.left && x < c.left + 8 && y >= c.top && y < c.top + 8;
        EXPECT_EQ(Pixel(video::GetBackSurface(), x, y), inside ? 0xFFFFFFu : 0u) << x << "," << y;
        lit += inside;
      }
  });
}

INSTANTIATE_TEST_SUITE_P(Cases, PicturePosition,
                         testing::Values(PositionCase{"Quarter", "(0.25, 0.5)", 16, 24},
                                         // halfway through a ramp from (0, 0) to (0.5, 0.5): 16, 12
                                         PositionCase{"Ramp", "linear (0, 0) to (0.5, 0.5)", 16,
                                                      12},
                                         PositionCase{"OffTopLeft", "(-0.0625, -0.125)", -4, -6},
                                         PositionCase{"PastTheCorner", "(1.0, 1.0)", 64, 48},
                                         // far beyond any int: nothing drawn, nothing overflows
                                         PositionCase{"FarPastTheCorner", "(1e30, 1e30)", 64, 48},
                                         PositionCase{"FarOffTopLeft", "(-1e30, -1e30)", -8, -8}),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Formats, PictureCommand, testing::ValuesIn(kModes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FxTest, BrokenDescriptionFileFailsTheCompileWithError114) {
  WriteQuadrants("pictures/bad", 16, 12);
  WriteText("pictures/bad.dsc", "picture \"bad\" { Resample (relative 1, relative 1); }");
  OnDisplay(kModes[0], [&] {
    EXPECT_FALSE(Compile("pipeline p { entry 0 : 1 : picture { file \"bad\"; } }"));
    EXPECT_TRUE(LoggedPart("pictures\\bad.dsc(1,") &&
                LoggedPart(") Error 101 occured: Syntax error!"));
    EXPECT_TRUE(Logged("Error on parsing picture description file \"pictures\\bad.dsc\"!"));
    EXPECT_TRUE(Logged("Could not load image \"pictures\\bad\""));
    EXPECT_TRUE(LoggedPart("Error 114 occured: Error on loading command!"));
  });
}

TEST_F(FxTest, OnePictureNamedByTwoCommandsIsLoadedOnce) {
  WriteQuadrants("pictures/quad.tga", 16, 12);
  OnDisplay(kModes[1], [&] {
    ASSERT_TRUE(Compile(
        "pipeline p { entry 0 : 1 : picture { file \"quad.tga\"; }"
        "             entry 0 : 1 : picture { file \"QUAD.TGA\"; buffer DDStemporary; } }"));
    EXPECT_EQ(static_cast<cVOXApicture*>(Command(0, 0))->picture,
              static_cast<cVOXApicture*>(Command(0, 1))->picture);
    const auto lines = LogLines();
    EXPECT_EQ(
        std::count(lines.begin(), lines.end(), "Trying to load bitmap \"pictures\\quad.tga\""), 1);
    demo->Prepare();  // touches every pixel byte of the bitmap once
    // A command without a buffer draws nothing and succeeds.
    EXPECT_TRUE(Command(0, 0)->Execute(0, 0, 0));
  });
}

// The loader on its own: fallback rules and a description without a picture.
TEST_F(FxTest, LoaderFallsBackOnlyWhenAllowedAndNeedsAPicture) {
  WriteQuadrants("art/x.tga", 4, 2);
  WriteText("art/x.dsc", "picture \"x.tga\" { nonsense; }");
  WriteQuadrants("art/y.tga", 4, 2);
  WriteText("art/y.dsc", "/* only a comment */");
  OnDisplay(kModes[2], [&] {
    EXPECT_EQ(LoadPicture("art\\x", false, "art\\", nullptr, true), nullptr);
    std::unique_ptr<cColorPic> fallback(LoadPicture("art\\x", false, "art\\", nullptr, false));
    ASSERT_NE(fallback, nullptr);
    EXPECT_EQ(fallback->width, 4);
    EXPECT_EQ(LoadPicture("art\\y", false, "art\\", nullptr, false), nullptr);
    EXPECT_TRUE(Logged("Could not apply filters to image \"art\\y\""));
    EXPECT_EQ(LoadPicture("art\\none", false, "art\\", nullptr, false), nullptr);
    EXPECT_TRUE(Logged("Could not load image \"art\\none\""));
  });
}

// A filter's result is a picture too: one above the limits is refused by
// name before it is made, as a filter that fails.
TEST_F(FxTest, AFilterResultAboveThePictureLimitsIsRefused) {
  WriteQuadrants("art/big.tga", 4, 2);
  WriteText("art/big.dsc", "picture \"big.tga\" { rescale (absolute 65536, absolute 65536); }");
  OnDisplay(kModes[2], [&] {
    EXPECT_EQ(LoadPicture("art\\big", false, "art\\", nullptr, true), nullptr);
    EXPECT_TRUE(Logged("Picture \"art\\big\" refused: 65536 x 2 pixels is above the limit of "
                       "8192 pixels a side and 64000000 pixels in all"));
    EXPECT_TRUE(Logged("Could not apply filters to image \"art\\big\""));
  });
}

// Stands for a filter that runs out of memory half-way.
class cExhaust : public filter::cFilter {
 public:
  bool Apply(cColorPic**) override {
    throw new VOXA::errors::eOutOfMemory("Out of memory in the test filter!");
  }
  bool Parse(cParserT* parser) override {
    parser->Expect(tokSemicolon);
    return true;
  }
  const filter::tFilterDesc* GetDescription() override;
};

const filter::tFilterDesc kExhaust = {
    "exhaust", tokIdentifier, 0x7E000001,
    [](const filter::tFilterDesc*) -> filter::cFilter* { return new cExhaust; }, 1};

const filter::tFilterDesc* cExhaust::GetDescription() { return &kExhaust; }

// The error passes on to the caller; the picture the filter was given goes
// with the description (the leak checker of the test build sees to that).
TEST_F(FxTest, AFilterThatRunsOutOfMemoryLeavesNoPictureBehind) {
  filter::RegisterFilter(&kExhaust);
  WriteQuadrants("art/x.tga", 4, 2);
  WriteText("art/x.dsc", "picture \"x.tga\" { exhaust; }");
  OnDisplay(kModes[2], [&] {
    try {
      delete LoadPicture("art\\x", false, "art\\", nullptr, true);
      ADD_FAILURE() << "expected the filter's error";
    } catch (VOXA::errors::eError* error) {
      EXPECT_NE(dynamic_cast<VOXA::errors::eOutOfMemory*>(error), nullptr);
      delete error;
    }
  });
}

}  // namespace
}  // namespace fxtest

namespace fxtest {
namespace {

using namespace VOXA2;

// The launcher's way: the demo's picture collector supplies the loading
// picture, which Load centres on both screen buffers before compiling.
TEST_F(FxTest, LoadingPictureFromThePictureCollectorIsCentred) {
  WriteTga("pictures/loading.tga", 10, 6, [](int, int) { return 0xFFFFFF; });
  WriteText("pictures/loading.dsc", "picture \"loading.tga\" { }");
  OnDisplay(kModes[0], [&] {
    WriteText("demo.txt", "main() { eod 1; }");
    demo = std::make_unique<cVOXAdemo>();
    auto* collector = new cVOXApicturecollector("picture");
    ASSERT_TRUE(demo->AddDataCollector(collector));
    auto* bitmap = static_cast<ZGUI::cBitmap*>(collector->GetData("loading"));
    ASSERT_NE(bitmap, nullptr);
    cBitmapLoadingPicture picture(bitmap);
    demo->loadingPicture = &picture;
    ASSERT_TRUE(demo->Load("demo.txt"));
    const int left = (64 - 10) / 2, top = (48 - 6) / 2;
    for (video::voxaSurface* surface : {video::GetBackSurface(), video::GetFrontSurface()}) {
      EXPECT_EQ(Pixel(surface, left, top), AsStored(0xFFFFFF));
      EXPECT_EQ(Pixel(surface, left + 9, top + 5), AsStored(0xFFFFFF));
      EXPECT_EQ(Pixel(surface, left - 1, top), 0u);
      EXPECT_EQ(Pixel(surface, left + 10, top + 5), 0u);
    }
    demo.reset();
  });
}

}  // namespace
}  // namespace fxtest
