// "sprite", "logo_rot3d" and "fade_to_color" drawn by the software device on
// the headless display: coverage, blending computed from the rules, the states
// left behind, and the blocks that fail to compile.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "effects2d/logo_rot3d.h"
#include "tests/effects2d/fx_fixture.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/material.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/video.h"
#include "windxkernel/viewport.h"

namespace fxtest {
namespace {

using namespace VOXA2;
using fxtest::StageState;
using fxtest::State;

constexpr std::uint32_t kBackground = 0x204060;

// One channel of a pixel within the screen's precision of the expected value.
void ExpectNear(std::uint32_t got, std::uint32_t want, const std::string& where) {
  const int bits[3] = {screenInfo.redBits, screenInfo.greenBits, screenInfo.blueBits};
  for (int c = 0; c < 3; c++) {
    const int shift = 16 - 8 * c;
    const int g = static_cast<int>(got >> shift & 0xFF), w = static_cast<int>(want >> shift & 0xFF);
    const int step = 1 << (8 - bits[c]);
    // The stored value keeps the top bits; the blend may round either way.
    const int stored = w / step * step;
    EXPECT_LE(std::abs(g - stored), step == 1 ? 1 : step)
        << where << " channel " << c << ": got " << g << ", want " << w;
  }
}

// a over b with alpha/255, per channel.
std::uint32_t Blend(std::uint32_t a, std::uint32_t b, int alpha) {
  std::uint32_t out = 0;
  for (int shift : {16, 8, 0}) {
    const int ca = static_cast<int>(a >> shift & 0xFF), cb = static_cast<int>(b >> shift & 0xFF);
    out |= static_cast<std::uint32_t>((ca * alpha + cb * (255 - alpha)) / 255) << shift;
  }
  return out;
}

class QuadCommands : public FxTest, public testing::WithParamInterface<PixelMode> {
 protected:
  void SetUp() override {
    FxTest::SetUp();
    WriteTga("textures/gold.tga", 8, 8, [](int, int) { return 0xE0A020u; });
  }

  // The device as the kernel leaves it at start-up, the back buffer cleared.
  static void StartDevice() {
    threedee::Setup3DDevice();
    threedee::ResetViewport();
    video::GetBackSurface()->Fill(kBackground);
  }

  bool CompileBlock(const std::string& block) {
    return Compile("pipeline p { entry 0 : 10 : " + block + " }");
  }

  // Optional picture of the back buffer, for a human to look at.
  static void Dump(const char* name) {
    const char* folder = std::getenv("VOXA2_QUAD_DUMP");
    if (!folder) return;
    const std::string path = std::string(folder) + "/" + name + ".ppm";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fprintf(f, "P6 %d %d 255\n", screenInfo.width, screenInfo.height);
    for (int y = 0; y < screenInfo.height; y++)
      for (int x = 0; x < screenInfo.width; x++) {
        const std::uint32_t p = Pixel(video::GetBackSurface(), x, y);
        const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16),
                                      static_cast<unsigned char>(p >> 8),
                                      static_cast<unsigned char>(p)};
        std::fwrite(rgb, 1, 3, f);
      }
    std::fclose(f);
  }

  // Every pixel inside [x0, x1) x [y0, y1) is `inside`, every other the background.
  void ExpectRectangle(int x0, int y0, int x1, int y1, std::uint32_t inside) {
    for (int y = 0; y < screenInfo.height; y++)
      for (int x = 0; x < screenInfo.width; x++) {
        const bool in = x >= x0 && x < x1 && y >= y0 && y < y1;
        const std::uint32_t want = AsStored(in ? inside : kBackground);
        const std::uint32_t got = Pixel(video::GetBackSurface(), x, y);
        if (got != want) {
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << got << ", want "
                        << want;
          return;
        }
      }
  }
};

// ------------------------------------------------------------------ sprite

TEST_P(QuadCommands, SpriteWithOnlyAFileCoversTheWholeDrawingArea) {
  OnDisplay(GetParam(), [&] {
    ASSERT_TRUE(CompileBlock("sprite { file \"gold\"; }"));
    StartDevice();
    EXPECT_TRUE(Command()->Execute(1, 1, 0.1f));
    ExpectRectangle(0, 0, 64, 48, 0xE0A020);
  });
}

TEST_P(QuadCommands, SpriteCoversItsRectangleAndNothingOutside) {
  struct Case {
    const char* block;
    int x0, y0, x1, y1;
  } cases[] = {
      {"sprite { file \"gold\"; size (0.5, 0.5); }", 16, 12, 48, 36},
      {"sprite { file \"gold\"; position (0.25, 0.75); size (0.25, 0.5); }", 8, 24, 24, 48},
      {"sprite { file \"gold\"; size (0.5, 1); Width 0.5; height 0.5; }", 24, 12, 40, 36},
      // Half outside on the left: clipped at the viewport's edge.
      {"sprite { file \"gold\"; position (0, 0.5); size (0.5, 0.5); }", 0, 12, 16, 36},
      // Corners pinned and moved.
      {"sprite { file \"gold\"; vertex 1: (0.125, 0.25); vertex 4: (0.125, 0.75);"
       " vertex add 2: (0.125, 0); vertex add 3: (0.125, 0); size (0.5, 0.5); }",
       8, 12, 56, 36},
      // Tilted about X by 90 degrees: collapsed to its centre line.
      {"sprite { file \"gold\"; rotate X 90; }", 0, 0, 0, 0},
  };
  OnDisplay(GetParam(), [&] {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.block);
      ASSERT_TRUE(CompileBlock(c.block));
      StartDevice();
      EXPECT_TRUE(Command()->Execute(0, 0, 0));
      ExpectRectangle(c.x0, c.y0, c.x1, c.y1, 0xE0A020);
    }
  });
}

TEST_P(QuadCommands, SpriteTintAndAlphaBlendOverTheBackground) {
  struct Case {
    const char* block;
    std::uint32_t colour;
    int alpha;
  } cases[] = {
      {"sprite { file \"gold\"; tint (0.5, 1, 1, 1); }", 0xE0A020, 127},
      {"sprite { file \"gold\"; tint (1, 1, 0.5, 0); }", 0xE05000, 255},
      {"sprite { file \"gold\"; alphamul 0.25; }", 0xE0A020, 63},
      // More than opaque stays opaque rather than wrapping to nearly clear.
      {"sprite { file \"gold\"; alphamul 1.01; }", 0xE0A020, 255},
      {"sprite { file \"gold\"; transparency subractive; tint (0.5, 1, 1, 1); }", 0xE0A020, 127},
  };
  OnDisplay(GetParam(), [&] {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.block);
      ASSERT_TRUE(CompileBlock(c.block));
      StartDevice();
      EXPECT_TRUE(Command()->Execute(0, 0, 0));
      // The texel is modulated by the tint before the blend.
      ExpectNear(Pixel(video::GetBackSurface(), 20, 20),
                 Blend(c.colour, AsStored(kBackground), c.alpha), "centre");
    }
  });
}

TEST_P(QuadCommands, SpriteInvisibleDrawsNothingAndSucceeds) {
  OnDisplay(GetParam(), [&] {
    ASSERT_TRUE(CompileBlock("sprite { file \"gold\"; transparency invisible; }"));
    StartDevice();
    EXPECT_TRUE(Command()->Execute(0, 0, 0));
    ExpectRectangle(0, 0, 0, 0, 0);
  });
}

INSTANTIATE_TEST_SUITE_P(Formats, QuadCommands, testing::ValuesIn(kModes),
                         [](const auto& info) { return std::string(info.param.name); });

class SpriteStates : public QuadCommands {};

// Options given to one sprite are set back for the next command, but for
// culling; the texture addressing returns to wrap.
TEST_F(SpriteStates, OptionsAreRestoredAfterEachCommand) {
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(
        Compile("pipeline p { entry 0 : 10 : sprite { file \"gold\"; transparency additive;"
                " dither enabled; filter bilinear; culling 1; }"
                " entry 0 : 10 : fade_to_color { color (128, 0, 0, 0); } }"));
    StartDevice();
    const bool hardware = threedee::IsHardwareRasterizer();
    ASSERT_TRUE(Command(0, 0)->Execute(0, 0, 0));
    EXPECT_EQ(State(D3DRENDERSTATE_SRCBLEND), DWORD{D3DBLEND_SRCALPHA});
    EXPECT_EQ(State(D3DRENDERSTATE_DESTBLEND), DWORD{D3DBLEND_INVSRCALPHA});
    EXPECT_EQ(State(D3DRENDERSTATE_DITHERENABLE), hardware ? 1u : 0u);
    EXPECT_EQ(StageState(D3DTSS_MAGFILTER), DWORD(hardware ? D3DTFG_LINEAR : D3DTFG_POINT));
    EXPECT_EQ(StageState(D3DTSS_ADDRESSU), DWORD{D3DTADDRESS_WRAP});
    EXPECT_EQ(State(D3DRENDERSTATE_CULLMODE), DWORD{D3DCULL_CCW});
    // Additive over the background: gold added to it.
    const std::uint32_t bg = AsStored(kBackground);
    std::uint32_t added = 0;
    for (int shift : {16, 8, 0})
      added |= std::min(0xFFu, (0xE0A020u >> shift & 0xFF) + (bg >> shift & 0xFF)) << shift;
    ExpectNear(Pixel(video::GetBackSurface(), 5, 5), added, "additive");
    // The fade after it blends with source alpha again.
    ASSERT_TRUE(Command(0, 1)->Execute(0, 0, 0));
    ExpectNear(Pixel(video::GetBackSurface(), 5, 5), Blend(0, AsStored(added), 128), "fade");
    EXPECT_EQ(State(D3DRENDERSTATE_CULLMODE), DWORD{D3DCULL_NONE});
  });
}

// Counter-clockwise culling drops the mirrored quad and keeps the plain one.
TEST_F(SpriteStates, CullingDropsTheMirroredQuad) {
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(
        Compile("pipeline p { entry 0 : 10 : sprite { file \"gold\"; culling 1; size (-0.5, 0.5); }"
                " entry 0 : 10 : sprite { file \"gold\"; culling 1; size (0.5, 0.5); } }"));
    StartDevice();
    ASSERT_TRUE(Command(0, 0)->Execute(0, 0, 0));
    ExpectRectangle(0, 0, 0, 0, 0);
    ASSERT_TRUE(Command(0, 1)->Execute(0, 0, 0));
    ExpectRectangle(16, 12, 48, 36, 0xE0A020);
  });
}

// Copies from earlier moments: at r, the copies at r - 0.2 and r - 0.1 weigh
// (1/3)^2 and (2/3)^2 of the main quad's alpha.
TEST_F(SpriteStates, BackwardBlurCopiesWeighTheirDistance) {
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(CompileBlock(
        "sprite { file \"gold\"; size (0.05, 0.1); position linear (0, 0.5) to (10, 0.5);"
        " blur backward 2, 0.1; }"));
    StartDevice();
    video::GetBackSurface()->Fill(0);
    ASSERT_TRUE(Command()->Execute(0.5f, 0.5f, 0.05f));
    Dump("sprite-blur");
    // Centres at 0.5, 0.4 and 0.3 of the 64-pixel width.
    ExpectNear(Pixel(video::GetBackSurface(), 32, 24), 0xE0A020, "main");
    ExpectNear(Pixel(video::GetBackSurface(), 25, 24), Blend(0xE0A020, 0, 113), "r - 0.1");
    ExpectNear(Pixel(video::GetBackSurface(), 19, 24), Blend(0xE0A020, 0, 28), "r - 0.2");
    EXPECT_EQ(Pixel(video::GetBackSurface(), 12, 24), 0u);
  });
}

// A radial copy is zoomed about its centre and shares the pass alpha with
// the main quad: scale 1 + k * step, alpha e / (count + 1).
TEST_F(SpriteStates, RadialCopiesAreZoomedAboutTheirCentre) {
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(CompileBlock(
        "sprite { file \"gold\"; size (0.25, 0.25); blur radial 1, 1 around (0.5, 0.5); }"));
    StartDevice();
    ASSERT_TRUE(Command()->Execute(0, 0, 0));
    Dump("sprite-radial");
    const std::uint32_t bg = AsStored(kBackground);
    ExpectNear(Pixel(video::GetBackSurface(), 32, 24), 0xE0A020, "main");
    ExpectNear(Pixel(video::GetBackSurface(), 18, 14), Blend(0xE0A020, bg, 127), "copy");
    EXPECT_EQ(Pixel(video::GetBackSurface(), 14, 10), bg);
  });
}

// A tilt past the half height crosses the quad over itself; clipping it
// stays within its buffers, and huge counts are held with a warning.
TEST_F(SpriteStates, SelfCrossingQuadsAndHugeCountsStayBounded) {
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(
        Compile("pipeline p { entry 0 : 10 : sprite { file \"gold\"; size (4, 4); rotate X 40; }"
                " entry 0 : 10 : sprite { file \"gold\"; vertex 1: (-1, -1); vertex 2: (2, 1.5);"
                "   vertex 3: (-1.5, 2); vertex 4: (1.8, -0.6); rotate Y 130; }"
                " entry 0 : 10 : sprite { file \"gold\"; size (0.05, 0.05);"
                "   blur gaussian 1000, 0.001, 2; distort 100000, 0.1, 0; blur radial 2, 0.1 "
                "around (0.5, 0.5); } }"));
    StartDevice();
    for (std::size_t i = 0; i < 3; i++) EXPECT_TRUE(Command(0, i)->Execute(0, 0, 0)) << i;
    EXPECT_TRUE(LoggedPart("gaussian count 1000 held to 16"));
  });
}

TEST_F(SpriteStates, WithoutAFileNothingIsDrawn) {
  OnDisplay(kModes[0], [&] {
    ASSERT_TRUE(CompileBlock("sprite { size (0.5, 0.5); }"));
    StartDevice();
    EXPECT_TRUE(Command()->Execute(0, 0, 0));
    ExpectRectangle(0, 0, 0, 0, 0);
  });
}

// ------------------------------------------------------------- logo_rot3d

// At t = pi / 8 the turn is at its widest (sin 4t = 1) and the slant is 0:
// the logo is the rectangle of the rules' centre and half extents.
TEST_P(QuadCommands, LogoBoundingBoxAtKnownTimes) {
  OnDisplay(
      GetParam(),
      [&] {
        ASSERT_TRUE(CompileBlock("logo_rot3d { file \"gold\"; }"));
        StartDevice();
        const double t = std::acos(-1.0) / 8;
        const double w = 160, h = 120;
        const double cx = 0.5 * w + 0.25 * w * std::sin(1 + 0.323 * t);
        const double cy = 0.5 * h + 0.25 * h * std::cos(1.012 * t - 1);
        const double hw = 0.25 * w, hh = 0.25 * h * (4.0 / 3) * 0.34;
        ASSERT_TRUE(Command()->Execute(static_cast<float>(t), static_cast<float>(t), 0));
        Dump("logo");
        int x0 = 1000, y0 = 1000, x1 = -1, y1 = -1;
        const std::uint32_t bg = AsStored(kBackground);
        for (int y = 0; y < 120; y++)
          for (int x = 0; x < 160; x++)
            if (Pixel(video::GetBackSurface(), x, y) != bg) {
              x0 = std::min(x0, x), y0 = std::min(y0, y);
              x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
        // Pixel centres on whole numbers: the first covered pixel is the edge
        // rounded up, the last the right edge rounded up, less one.
        EXPECT_NEAR(x0, std::ceil(cx - hw), 1);
        EXPECT_NEAR(x1, std::ceil(cx + hw) - 1, 1);
        EXPECT_NEAR(y0, std::ceil(cy - hh), 1);
        EXPECT_NEAR(y1, std::ceil(cy + hh) - 1, 1);
        EXPECT_EQ(Pixel(video::GetBackSurface(), static_cast<int>(cx), static_cast<int>(cy)),
                  AsStored(0xE0A020));

        // At t = 0 the quad has no height: nothing is drawn.
        video::GetBackSurface()->Fill(kBackground);
        ASSERT_TRUE(Command()->Execute(0, 0, 0));
        ExpectRectangle(0, 0, 0, 0, 0);
      },
      160, 120);
}

TEST(LogoRot3d, CornersFollowTheFixedPath) {
  screenInfo.virtualWidth = 640, screenInfo.virtualHeight = 480;
  screenInfo.windowLeft = screenInfo.windowTop = 0;
  float c[8];
  cVOXAlogo_rot3d::Corners(0, c);
  const float cx = 320 + 160 * std::sin(1.0f), cy = 240 + 120 * std::cos(1.0f);
  // Zero height, slant 0.01 W: a horizontal line.
  const float expected[8] = {cx - 160 + 6.4f, cy, cx + 160 - 6.4f, cy,
                             cx + 160 + 6.4f, cy, cx - 160 - 6.4f, cy};
  for (int i = 0; i < 8; i++) EXPECT_NEAR(c[i], expected[i], 1e-3) << i;
  // The turn repeats every pi / 2 seconds; upside down in between.
  float a[8], b[8];
  cVOXAlogo_rot3d::Corners(0.3f, a);
  cVOXAlogo_rot3d::Corners(0.3f + 3.14159265f / 4, b);
  EXPECT_NEAR(a[1] - a[5], -(b[1] - b[5]), 1e-2);
  screenInfo = tScreenInfo{};
}

// ---------------------------------------------------------- fade_to_color

TEST_P(QuadCommands, FadeBlendsTheColourOverTheBackground) {
  struct Case {
    const char* color;
    std::uint32_t rgb;
    int alpha;
  } cases[] = {
      {"(128, 255, 255, 255)", 0xFFFFFF, 128}, {"(64, 255, 0, 0)", 0xFF0000, 64},
      {"(255, 10, 20, 30)", 0x0A141E, 255},    {"(200.9, 0, 128.7, 255)", 0x0080FF, 200},
      {"(300, 255, -5, 0)", 0xFF0000, 255},  // clamped before truncation
  };
  OnDisplay(GetParam(), [&] {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.color);
      ASSERT_TRUE(CompileBlock(std::string("fade_to_color { color ") + c.color + "; }"));
      StartDevice();
      EXPECT_TRUE(Command()->Execute(0, 0, 0));
      const std::uint32_t want = Blend(c.rgb, AsStored(kBackground), c.alpha);
      for (auto [x, y] : {std::pair{0, 0}, {63, 47}, {31, 20}})
        ExpectNear(Pixel(video::GetBackSurface(), x, y), want, std::to_string(x));
    }
  });
}

TEST_P(QuadCommands, FadeWithAlphaBelowOneLeavesThePicture) {
  OnDisplay(GetParam(), [&] {
    ASSERT_TRUE(
        CompileBlock("fade_to_color { color linear (0, 255, 255, 255) to (255, 255, 255, 255); }"));
    StartDevice();
    EXPECT_TRUE(Command()->Execute(0.03f, 0.03f, 0));  // alpha 0.765
    ExpectRectangle(0, 0, 0, 0, 0);
  });
}

// A drawing area smaller than the back buffer sits centred in it; the quads
// of the commands cover that area, the same as the viewport does.
TEST_F(SpriteStates, QuadsCoverTheDrawingAreaWhereverItSits) {
  OnDisplay(kModes[2], [&] {
    screenInfo.preferredWidth = 32;
    screenInfo.preferredHeight = 24;
    ASSERT_TRUE(video::RequestVideoMode(video::GetCurrentVideoDevice(), 32, 24, 32));
    ASSERT_TRUE(video::ChooseVideoMode());
    ASSERT_EQ(screenInfo.windowLeft, 16);
    ASSERT_EQ(screenInfo.windowTop, 12);
    ASSERT_TRUE(
        Compile("pipeline p { entry 0 : 10 : fade_to_color { color (255, 255, 0, 0); }"
                " entry 0 : 10 : sprite { file \"gold\"; position (0.75, 0.5); } }"));
    StartDevice();
    ASSERT_TRUE(Command(0, 0)->Execute(0, 0, 0));
    ExpectRectangle(16, 12, 48, 36, 0xFF0000);
    video::GetBackSurface()->Fill(kBackground);
    ASSERT_TRUE(Command(0, 1)->Execute(0, 0, 0));
    // The sprite spans 0.25 to 1.25 of the area's width: the quarter beyond
    // the area's right edge is clipped.
    ExpectRectangle(24, 12, 48, 36, 0xE0A020);
  });
}

// ------------------------------------------------------- blocks refused

struct BlockCase {
  const char* name;
  const char* block;
  const char* message;
};
void PrintTo(const BlockCase& c, std::ostream* os) { *os << c.name; }

class QuadBlocks : public FxTest, public testing::WithParamInterface<BlockCase> {};

TEST_P(QuadBlocks, FailTheCompile) {
  WriteTga("textures/gold.tga", 8, 8, [](int, int) { return 0xE0A020u; });
  OnDisplay(kModes[2], [&] {
    EXPECT_FALSE(Compile(std::string("pipeline p { entry 0 : 1 : ") + GetParam().block + " }"));
    if (GetParam().message[0]) {
      EXPECT_TRUE(LoggedPart(GetParam().message)) << GetParam().message;
    }
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuadBlocks,
    testing::Values(
        BlockCase{"FadeWithoutColour", "fade_to_color { }", "fade_to_color without \"color\"!"},
        BlockCase{"FadeOtherWord", "fade_to_color { tint (1, 1, 1, 1); }", "Syntax error!"},
        BlockCase{"VertexZero", "sprite { vertex 0: (0, 0); }",
                  "Vertex # must be in range 1..4! (value is 0)"},
        BlockCase{"VertexFive", "sprite { vertex add 5: (0, 0); }",
                  "Vertex # must be in range 1..4! (value is 5)"},
        BlockCase{"RotateLowerCaseAxis", "sprite { rotate x 10; }", "Syntax error!"},
        BlockCase{"RadialWithoutAround", "sprite { blur radial 2, 0.1 about (0.5, 0.5); }",
                  "\"around\" expected!"},
        BlockCase{"BlurUnknownKind", "sprite { blur sideways 2, 0.1; }", "Syntax error!"},
        BlockCase{"SpriteClampOption", "sprite { clamp wrap; }", "Syntax error!"},
        BlockCase{"SpriteUnknownWord", "sprite { zoom 2; }", "Syntax error!"},
        BlockCase{"SpriteMissingTexture", "sprite { file \"nothere\"; }", ""},
        BlockCase{"LogoOtherWord", "logo_rot3d { position (0, 0); }", "Syntax error!"}),
    [](const auto& info) { return std::string(info.param.name); });

class QuadBlocksAccepted : public FxTest {};

TEST_F(QuadBlocksAccepted, WordsInAnyCaseAndEveryStatement) {
  WriteTga("textures/gold.tga", 8, 8, [](int, int) { return 0xE0A020u; });
  OnDisplay(kModes[2], [&] {
    EXPECT_TRUE(Compile(
        "pipeline p { entry 0 : 1 : sprite { file \"gold\"; ROTATE X 10; Rotate Y 5; rotate Z 3;"
        " rotation 4; SIZE (1, 1); ymul 1; tint (1, 1, 1, 1); alphamul 1; ; vertex 2: (1, 0);"
        " vertex add 3: (0, 0); blur forward 1, 0.1; blur backward 1, 0.1;"
        " blur radial 1, 0.1 around (0.5, 0.5); blur gaussian 1, 0.001, 1; distort 2, 0.01, 0;"
        " FILTER point; culling 0; transparency mixing; dither default; }"
        " entry 0 : 1 : logo_rot3d { } entry 0 : 1 : logo_rot3d { file \"gold\"; } }"));
  });
}

}  // namespace
}  // namespace fxtest
