// The drawing options of the textured commands: which words they read, and
// which render modes and stage 0 settings each value gives on the device.
#include "effects2d/drawoptions.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/effects2d/fx_fixture.h"
#include "tests/support/scriptread.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/material.h"
#include "windxkernel/rendermodes.h"

namespace {

using namespace VOXA2;
using effects2d::tDrawOptions;
using fxtest::StageState;
using fxtest::State;

// Reads option statements until the end of the text; anything else is an error.
testsupport::ScriptRead Read(tDrawOptions& options, const std::string& text) {
  return testsupport::ReadScript(text, "options.txt", [&](cParserT* parser) {
    while (parser->token->code != tokEndOfFile)
      if (!options.Parse(parser, 10.0f)) parser->Error(201, "Syntax error!");
  });
}

constexpr unsigned kSprite = effects2d::optFilter | effects2d::optTransparency |
                             effects2d::optDither | effects2d::optCulling;
constexpr unsigned kRotozoomer =
    effects2d::optFilter | effects2d::optClamp | effects2d::optTransparency | effects2d::optDither;

struct WordCase {
  const char* text;
  unsigned accepted;
  std::int32_t code;  // 0: read
  const char* message;
};

TEST(DrawOptionWords, AreReadAsTheCommandTakesThem) {
  const WordCase cases[] = {
      {"filter bilinear; filter point;", kSprite, 0, ""},
      {"FILTER point;", kSprite, 0, ""},
      {"filter Point;", kSprite, -1, "Symbolic Spline Definition expected!"},
      {"transparency subtractive;", kSprite, -1, "Symbolic Spline Definition expected!"},
      {"transparency interpolate { 0: mixing, 5: invisible };", kSprite, 0, ""},
      {"dither default; dither enabled; dither disabled;", kSprite, 0, ""},
      {"culling 1;", kSprite, 0, ""},
      {"clamp mirror;", kRotozoomer, 0, ""},
      {"clamp mirror;", kSprite, 201, "Syntax error!"},
      {"culling 1;", kRotozoomer, 201, "Syntax error!"},
  };
  for (const WordCase& c : cases) {
    tDrawOptions options(c.accepted);
    const testsupport::ScriptRead out = Read(options, c.text);
    EXPECT_EQ(out.ok, c.code == 0) << c.text;
    EXPECT_EQ(out.code, c.code) << c.text;
    EXPECT_EQ(out.message, c.message) << c.text;
  }
}

class DrawOptionStates : public fxtest::FxTest {};

TEST_F(DrawOptionStates, EachValueSetsItsStateAndTheDefaultsComeBack) {
  OnDisplay(fxtest::kModes[2], [&] {
    tDrawOptions options(kRotozoomer);
    ASSERT_TRUE(Read(options,
                     "transparency interpolate { 0: additive, 2: filter, "
                     "4: subractive, 6: invisible };"
                     "filter point; clamp border; dither enabled;")
                    .ok);
    const bool hardware = threedee::IsHardwareRasterizer();
    threedee::Setup3DDevice();         // as the kernel does when the application starts
    threedee::DisableTextureStage(1);  // stage 0 on, as a textured command has it
    options.SetMissingDefaults();

    struct Blend {
      float time;
      bool draws;
      DWORD source, destination;
    };
    const Blend blends[] = {{1, true, D3DBLEND_SRCALPHA, D3DBLEND_ONE},
                            {3, true, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR},
                            {5, true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}};
    for (const Blend& b : blends) {
      EXPECT_TRUE(options.ApplyTransparency(b.time)) << b.time;
      EXPECT_EQ(State(D3DRENDERSTATE_SRCBLEND), b.source) << b.time;
      EXPECT_EQ(State(D3DRENDERSTATE_DESTBLEND), b.destination) << b.time;
    }
    // "invisible" draws nothing and leaves the factors as they were.
    EXPECT_FALSE(options.ApplyTransparency(7));
    EXPECT_EQ(State(D3DRENDERSTATE_DESTBLEND), DWORD{D3DBLEND_INVSRCALPHA});

    options.ApplyDither(0);
    options.ApplyFilter(0);
    options.ApplyClamp(0);
    EXPECT_EQ(State(D3DRENDERSTATE_DITHERENABLE), 1u);
    EXPECT_EQ(StageState(D3DTSS_MAGFILTER), DWORD{D3DTFG_POINT});
    EXPECT_EQ(StageState(D3DTSS_ADDRESSU), DWORD{D3DTADDRESS_BORDER});

    // The next command finds the defaults, but for the addressing.
    options.ApplyTransparency(1);
    options.RestoreDefaults();
    EXPECT_EQ(State(D3DRENDERSTATE_SRCBLEND), DWORD{D3DBLEND_SRCALPHA});
    EXPECT_EQ(State(D3DRENDERSTATE_DESTBLEND), DWORD{D3DBLEND_INVSRCALPHA});
    EXPECT_EQ(State(D3DRENDERSTATE_DITHERENABLE), hardware ? 1u : 0u);
    EXPECT_EQ(StageState(D3DTSS_MAGFILTER), DWORD(hardware ? D3DTFG_LINEAR : D3DTFG_POINT));
    EXPECT_EQ(StageState(D3DTSS_ADDRESSU), DWORD{D3DTADDRESS_BORDER});
  });
}

TEST_F(DrawOptionStates, CullingStaysUntilTheNextCommandsFixedModes) {
  OnDisplay(fxtest::kModes[0], [&] {
    threedee::Setup3DDevice();  // as the kernel does when the application starts
    tDrawOptions options(kSprite);
    ASSERT_TRUE(Read(options, "culling 1; dither default;").ok);
    options.ApplyCulling(0);
    options.ApplyDither(0);
    options.RestoreDefaults();
    EXPECT_EQ(State(D3DRENDERSTATE_CULLMODE), DWORD{D3DCULL_CCW});
    // "default" is the device's own dithering, the same as no "dither" at all.
    EXPECT_EQ(State(D3DRENDERSTATE_DITHERENABLE), threedee::IsHardwareRasterizer() ? 1u : 0u);
    for (auto command : {effects2d::tFixedModes::Sprite, effects2d::tFixedModes::FadeToColor}) {
      threedee::SetRenderMode(4, 2u);
      threedee::SetRenderMode(1, 0, 1u);
      effects2d::SetFixedModes(command);
      EXPECT_EQ(State(D3DRENDERSTATE_CULLMODE), DWORD{D3DCULL_NONE});
      EXPECT_EQ(State(D3DRENDERSTATE_ZENABLE), DWORD{D3DZB_FALSE});
    }
    EXPECT_EQ(State(D3DRENDERSTATE_ZWRITEENABLE), 0u);
    EXPECT_EQ(State(D3DRENDERSTATE_SHADEMODE), DWORD{D3DSHADE_FLAT});
  });
}

}  // namespace
