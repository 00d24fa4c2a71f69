// The command "rotozoomer": its texture mapping (quadrants, zoom, turning,
// addressing modes), the blur copies and their weights, the tint, the words
// of its block, and the states it leaves for the next command.
#include "effects2d/rotozoomer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/fakehardware.h"
#include "tests/effects2d/fx_fixture.h"
#include "tests/effects2d/roto_model.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/material.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/video.h"

namespace fxtest {
namespace {

using namespace VOXA2;
using fxtest::StageState;
using fxtest::State;

constexpr int kW = 64, kH = 48, kTexture = 16;
constexpr double kPi = 3.14159265358979323846;

const PixelMode kTargets[] = {kModes[0], kModes[2]};  // 565 and 32-bit

class Rotozoomer : public FxTest, public testing::WithParamInterface<PixelMode> {
 protected:
  // Each channel within one step of the target's precision.
  static bool Near(std::uint32_t actual, std::uint32_t expected) {
    const std::int32_t bits[3] = {screenInfo.redBits, screenInfo.greenBits, screenInfo.blueBits};
    for (int i = 0; i < 3; i++) {
      const int shift = 16 - 8 * i;
      const int a = static_cast<int>(actual >> shift & 0xFF),
                e = static_cast<int>(AsStored(expected) >> shift & 0xFF);
      if (std::abs(a - e) > (256 >> bits[i]) + 1) return false;
    }
    return true;
  }
  void WriteTextures() {
    WriteTga("textures/quad.tga", kTexture, kTexture,
             [](int x, int y) { return QuadrantTexel(x, y, kTexture); });
    WriteTga("textures/white.tga", 4, 4, [](int, int) { return 0xFFFFFF; });
  }
  // The script's one command, in a 10-second entry.
  bool CompileBlock(const std::string& block) {
    return Compile("pipeline p { entry 0 : 10 : rotozoomer { " + block + " } }");
  }
  // Runs the command at t on the background; true when it returned true.
  bool Frame(float t, std::uint32_t background = 0, std::size_t index = 0) {
    video::GetBackSurface()->Fill(background);
    return Command(0, index)->Execute(t, t, 0);
  }
  // Pixels whose texel the model names without doubt, and those that differ.
  struct Mismatch {
    int checked = 0, wrong = 0, firstX = -1, firstY = -1;
  };
  Mismatch CompareWithModel(double zoom, double theta, Addressing mode, std::uint32_t background) {
    Mismatch m;
    for (int y = 0; y < kH; y++)
      for (int x = 0; x < kW; x++) {
        const RotoCoords c = RotozoomerCoords(x, y, kW, kH, zoom, theta);
        const auto expected = SampleQuadrants(c.u, c.v, kTexture, mode, background);
        if (!expected) continue;
        m.checked++;
        if (Pixel(video::GetBackSurface(), x, y) != AsStored(*expected)) {
          if (m.wrong++ == 0) m.firstX = x, m.firstY = y;
        }
      }
    return m;
  }
};

struct MappingCase {
  const char* name;
  const char* words;
  float time;
  double zoom, theta;
  Addressing mode;
};

TEST_P(Rotozoomer, TextureMappingFollowsZoomAngleAndAddressing) {
  const std::uint32_t background = 0x4080C0;
  const MappingCase cases[] = {
      {"quadrants", "angle 0; zoom 1;", 0, 1, 0, Addressing::Wrap},
      {"two repeats", "angle 0; zoom 2; clamp wrap;", 0, 2, 0, Addressing::Wrap},
      {"mirrored repeats", "angle 0; zoom 2; clamp mirror;", 0, 2, 0, Addressing::Mirror},
      {"edge colours", "angle 0; zoom 2; clamp clamp;", 0, 2, 0, Addressing::Clamp},
      {"border", "angle 0; zoom 2; clamp border;", 0, 2, 0, Addressing::Border},
      {"quarter turn", "angle 90; zoom 1;", 0, 1, kPi / 2, Addressing::Wrap},
      {"turned and zoomed", "angle 30; zoom 1.5; clamp mirror;", 0, 1.5, kPi / 6,
       Addressing::Mirror},
      {"untouched turns at 0.1 rad/s", "", 5, 1, 0.5, Addressing::Wrap},
      {"negative zoom is a half turn", "angle 0; zoom -1;", 0, 1, kPi, Addressing::Wrap},
      {"angle track", "angle linear 0 to 100; zoom 1.25;", 4, 1.25, 40 * kPi / 180,
       Addressing::Wrap},
  };
  WriteTextures();
  OnDisplay(
      GetParam(),
      [&] {
        threedee::Setup3DDevice();
        for (const MappingCase& c : cases) {
          SCOPED_TRACE(c.name);
          ASSERT_TRUE(CompileBlock(std::string("file \"quad\"; filter point; dither disabled; ") +
                                   c.words));
          ASSERT_TRUE(Frame(c.time, background));
          const Mismatch m = CompareWithModel(c.zoom, c.theta, c.mode, background);
          EXPECT_GE(m.checked, kW * kH / 4);
          EXPECT_EQ(m.wrong, 0) << "first at " << m.firstX << "," << m.firstY;
        }
      },
      kW, kH);
}

TEST_P(Rotozoomer, ZoomZeroShowsTheCentreTexelEverywhere) {
  WriteTextures();
  OnDisplay(
      GetParam(),
      [&] {
        threedee::Setup3DDevice();
        ASSERT_TRUE(CompileBlock("file \"quad\"; filter point; dither disabled; zoom 0;"));
        ASSERT_TRUE(Frame(1));
        // (0.5, 0.5) is texel (8, 8): the white quadrant.
        for (auto [x, y] : {std::pair{0, 0}, {63, 0}, {0, 47}, {63, 47}, {31, 23}})
          EXPECT_EQ(Pixel(video::GetBackSurface(), x, y), AsStored(0xFFFFFF)) << x << "," << y;
      },
      kW, kH);
}

struct BlurCase {
  const char* name;
  const char* words;
  float time;
  int copies;   // quads that reach the device
  double grey;  // the resulting grey over black
};

// A white texture over black: each copy that draws blends white with its
// weight as alpha. "invisible" hides the main copy, so that the copies show
// alone.
TEST_P(Rotozoomer, BlurCopiesAndTheirWeights) {
  auto over = [](double dst, int alpha) { return alpha + dst * (255 - alpha) / 255.0; };
  const double quarter = over(0, 63);                      // weight 1/4
  const double two = over(over(0, 255 / 9), 255 * 4 / 9);  // weights 1/9, 4/9
#define VOXA2_HIDE_FROM_5 "transparency interpolate { 0: mixing, 5: invisible };"
  const BlurCase cases[] = {
      {"one backward copy", VOXA2_HIDE_FROM_5 "blur backward 1, 0.1;", 5.05f, 1, quarter},
      {"count 2.9 gives two", VOXA2_HIDE_FROM_5 "blur backward 2.9, 1;", 5.5f, 2, two},
      {"count 0", VOXA2_HIDE_FROM_5 "blur backward 0, 1;", 5.5f, 0, 0},
      {"negative count", VOXA2_HIDE_FROM_5 "blur backward -2, 1;", 5.5f, 0, 0},
      {"no count", VOXA2_HIDE_FROM_5, 5.5f, 0, 0},
      {"one forward copy",
       "transparency interpolate { 0: invisible, 5: mixing }; blur forward 1, 0.1;", 4.95f, 1,
       quarter},
      {"main copy over its copies", "blur backward 3, 0.5; blur forward 2, 0.5;", 5, 6, 255},
  };
#undef VOXA2_HIDE_FROM_5
  WriteTextures();
  OnDisplay(
      GetParam(),
      [&] {
        threedee::Setup3DDevice();
        int quads = 0;
        platform::Hardware().observeD3D = [&](const platform::D3DCall& call) {
          if (call.method == "DrawIndexedPrimitiveVB" || call.method == "DrawIndexedPrimitive")
            quads += static_cast<int>(call.d) / 6;
        };
        for (const BlurCase& c : cases) {
          SCOPED_TRACE(c.name);
          ASSERT_TRUE(CompileBlock(std::string("file \"white\"; dither disabled; ") + c.words));
          quads = 0;
          ASSERT_TRUE(Frame(c.time));
          EXPECT_EQ(quads, c.copies);
          const auto g = static_cast<std::uint32_t>(c.grey);
          for (auto [x, y] : {std::pair{0, 0}, {40, 30}, {63, 47}})
            EXPECT_TRUE(Near(Pixel(video::GetBackSurface(), x, y), g << 16 | g << 8 | g))
                << std::hex << Pixel(video::GetBackSurface(), x, y) << " against grey " << std::dec
                << c.grey;
        }
      },
      kW, kH);
}

// Counts far beyond what a frame can draw are cut, with a warning.
TEST_P(Rotozoomer, HugeBlurCountsAreCapped) {
  WriteTextures();
  OnDisplay(
      GetParam(),
      [&] {
        threedee::Setup3DDevice();
        int quads = 0;
        platform::Hardware().observeD3D = [&](const platform::D3DCall& call) {
          if (call.method == "DrawIndexedPrimitiveVB" || call.method == "DrawIndexedPrimitive")
            quads += static_cast<int>(call.d) / 6;
        };
        ASSERT_TRUE(
            CompileBlock("file \"white\"; blur backward 100000, 0.001; blur forward 1e30, 0;"));
        ASSERT_TRUE(Frame(5));
        EXPECT_EQ(quads, 2 * cVOXArotozoomer::kMaxBlurCopies + 1);
        EXPECT_TRUE(LoggedPart("rotozoomer: blur count 100000 reduced to 256"));
      },
      kW, kH);
}

TEST_P(Rotozoomer, TintIsClampedAndModulatesTheTexture) {
  WriteTextures();
  OnDisplay(
      GetParam(),
      [&] {
        threedee::Setup3DDevice();
        ASSERT_TRUE(CompileBlock("file \"white\"; dither disabled; tint (2, 0.5, -1, 1);"));
        ASSERT_TRUE(Frame(0));
        // (1, 0.5, 0, 1): alpha 255, red 127, green 0, blue 255.
        EXPECT_TRUE(Near(Pixel(video::GetBackSurface(), 10, 10), 0x7F00FF));
        // A half-transparent tint over grey.
        ASSERT_TRUE(CompileBlock("file \"white\"; dither disabled; tint (0.5, 1, 1, 1);"));
        ASSERT_TRUE(Frame(0, 0x000000));
        const double g = 255.0 * 127 / 255;
        EXPECT_TRUE(Near(Pixel(video::GetBackSurface(), 10, 10),
                         static_cast<std::uint32_t>(g) * 0x010101u));
      },
      kW, kH);
}

TEST_P(Rotozoomer, WithoutFileNothingIsDrawnAndNoSceneOpened) {
  OnDisplay(
      GetParam(),
      [&] {
        threedee::Setup3DDevice();
        ASSERT_TRUE(CompileBlock("zoom 2;"));
        int scenes = 0;
        platform::Hardware().observeD3D = [&](const platform::D3DCall& call) {
          if (call.method == "BeginScene") scenes++;
        };
        EXPECT_TRUE(Frame(1, 0x123456));
        EXPECT_EQ(scenes, 0);
        EXPECT_EQ(Pixel(video::GetBackSurface(), 5, 5), AsStored(0x123456));
      },
      kW, kH);
}

// Blend, filter and dither come back to the defaults; the addressing stays.
TEST_P(Rotozoomer, OptionsAreRestoredButTheAddressing) {
  WriteTextures();
  OnDisplay(
      GetParam(),
      [&] {
        threedee::Setup3DDevice();
        ASSERT_TRUE(CompileBlock(
            "file \"quad\"; transparency additive; filter point; clamp mirror; dither enabled;"));
        DWORD sourceSeen = 0, destinationSeen = 0;
        platform::Hardware().observeD3D = [&](const platform::D3DCall& call) {
          if (call.method == "DrawIndexedPrimitiveVB" || call.method == "DrawIndexedPrimitive") {
            sourceSeen = State(D3DRENDERSTATE_SRCBLEND);
            destinationSeen = State(D3DRENDERSTATE_DESTBLEND);
          }
        };
        ASSERT_TRUE(Frame(0));
        platform::Hardware().observeD3D = nullptr;
        EXPECT_EQ(sourceSeen, DWORD{D3DBLEND_SRCALPHA});
        EXPECT_EQ(destinationSeen, DWORD{D3DBLEND_ONE});
        const bool hardware = threedee::IsHardwareRasterizer();
        EXPECT_EQ(State(D3DRENDERSTATE_SRCBLEND), DWORD{D3DBLEND_SRCALPHA});
        EXPECT_EQ(State(D3DRENDERSTATE_DESTBLEND), DWORD{D3DBLEND_INVSRCALPHA});
        EXPECT_EQ(State(D3DRENDERSTATE_DITHERENABLE), hardware ? 1u : 0u);
        EXPECT_EQ(StageState(D3DTSS_MAGFILTER), DWORD(hardware ? D3DTFG_LINEAR : D3DTFG_POINT));
        EXPECT_EQ(StageState(D3DTSS_ADDRESSU), DWORD{D3DTADDRESS_MIRROR});
        EXPECT_EQ(StageState(D3DTSS_COLOROP), DWORD{D3DTOP_MODULATE});
        EXPECT_EQ(StageState(D3DTSS_ALPHAOP), DWORD{D3DTOP_MODULATE});
        EXPECT_EQ(State(D3DRENDERSTATE_ZENABLE), DWORD{D3DZB_FALSE});
        EXPECT_EQ(State(D3DRENDERSTATE_SHADEMODE), DWORD{D3DSHADE_FLAT});
      },
      kW, kH);
}

INSTANTIATE_TEST_SUITE_P(Modes, Rotozoomer, testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

struct BlockCase {
  const char* name;
  const char* block;
  bool compiles;
  const char* message;  // a part of the logged error
};

class RotozoomerBlock : public FxTest, public testing::WithParamInterface<BlockCase> {};

TEST_P(RotozoomerBlock, WordsAreReadAsTheRulesSay) {
  WriteTga("textures/quad.tga", 4, 4, [](int, int) { return 0xFFFFFF; });
  OnDisplay(kModes[2], [&] {
    EXPECT_EQ(Compile(std::string("pipeline p { entry 0 : 10 : rotozoomer { ") + GetParam().block +
                      " } }"),
              GetParam().compiles);
    if (*GetParam().message) {
      EXPECT_TRUE(LoggedPart(GetParam().message)) << GetParam().message;
    }
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RotozoomerBlock,
    testing::Values(
        BlockCase{"AllWords",
                  "file \"quad\"; tint (1, 1, 1, 1); ANGLE 10; Zoom 2; BLUR forward 2, 0.1;"
                  "blur backward 1, 0.2; FILTER point; Clamp border; transparency subractive;"
                  "dither default;",
                  true, ""},
        BlockCase{"CapitalDirection", "blur Forward 1, 1;", false,
                  "Error 201 occured: Syntax error!"},
        BlockCase{"OtherDirection", "blur sideways 1, 1;", false,
                  "Error 201 occured: Syntax error!"},
        BlockCase{"SpritesCulling", "culling 1;", false, "Error 201 occured: Syntax error!"},
        BlockCase{"UnknownWord", "spin 3;", false, "Error 201 occured: Syntax error!"},
        BlockCase{"ValueInCapitals", "filter Point;", false,
                  "Symbolic Spline Definition expected!"},
        BlockCase{"MissingTexture", "file \"nothere\";", false, "Error on loading command!"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fxtest
