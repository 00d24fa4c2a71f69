// The command "wobble": the serpentine strips and their chunks, the waves at
// the grid's vertices, its equality with the rotozoomer when the waves are
// off, the addressing it inherits, and "invisible".
#include "effects2d/wobble.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/fakehardware.h"
#include "tests/effects2d/fx_fixture.h"
#include "tests/effects2d/roto_model.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/video.h"

namespace fxtest {
namespace {

using namespace VOXA2;

constexpr int kW = 64, kH = 48, kTexture = 16;

TEST(WobbleStrips, RowsJoinIntoOneSerpentine) {
  struct Case {
    std::int32_t nx, j0, n;
    std::vector<std::uint16_t> indices;
  };
  const Case cases[] = {
      // Two rows of two cells from an even row: left to right, then back.
      {2, 0, 2, {0, 3, 1, 4, 2, 5, 8, 4, 7, 3, 6}},
      // A chunk that starts on an odd row runs right to left.
      {2, 1, 1, {2, 5, 1, 4, 0, 3}},
      {1, 0, 1, {0, 2, 1, 3}},
  };
  for (const Case& c : cases) {
    std::vector<std::uint16_t> out(static_cast<std::size_t>(c.n * (2 * c.nx + 1) + 1), 0xFFFF);
    effects2d::WobbleStripIndices(c.nx, c.j0, c.n, out.data());
    EXPECT_EQ(out, c.indices) << c.nx << " " << c.j0 << " " << c.n;
  }
}

TEST(WobbleStrips, ChunksHoldAtMost1024CellsUnlessTheGridFits) {
  EXPECT_EQ(effects2d::WobbleChunkRows(32, 24), 24);
  EXPECT_EQ(effects2d::WobbleChunkRows(32, 32), 32);  // 1024 cells: one chunk
  EXPECT_EQ(effects2d::WobbleChunkRows(256, 256), 4);
  EXPECT_EQ(effects2d::WobbleChunkRows(40, 30), 25);
  EXPECT_EQ(effects2d::WobbleChunkRows(256, 1), 1);
}

class Wobble : public FxTest, public testing::WithParamInterface<PixelMode> {
 protected:
  void WriteTextures() {
    WriteTga("textures/quad.tga", kTexture, kTexture,
             [](int x, int y) { return QuadrantTexel(x, y, kTexture); });
  }
  bool CompileEntries(const std::string& entries) {
    return Compile("pipeline p { " + entries + " }");
  }
  bool Frame(std::size_t index, float t, std::uint32_t background = 0) {
    video::GetBackSurface()->Fill(background);
    return Command(0, index)->Execute(t, t, 0);
  }
};

struct DrawCall {
  DWORD type, vertices, indices;
};

struct ChunkCase {
  const char* resolution;
  int calls;
  DWORD vertices, indices;  // of every call but the last
  DWORD lastVertices, lastIndices;
};

TEST_P(Wobble, GridsAreDrawnInChunksOfStrips) {
  const ChunkCase cases[] = {
      {"", 1, 33 * 25, 24 * 65 + 1, 33 * 25, 24 * 65 + 1},
      {"resolution (256, 256);", 64, 5 * 257, 4 * 513 + 1, 5 * 257, 4 * 513 + 1},
      {"resolution (0.5, 1000);", 1, 2 * 257, 256 * 3 + 1, 2 * 257, 256 * 3 + 1},
      {"resolution (-3, 2);", 1, 2 * 3, 2 * 3 + 1, 2 * 3, 2 * 3 + 1},
      {"resolution (40, 30);", 2, 26 * 41, 25 * 81 + 1, 6 * 41, 5 * 81 + 1},
      {"resolution (1e20, 1e20);", 64, 5 * 257, 4 * 513 + 1, 5 * 257, 4 * 513 + 1},
  };
  WriteTextures();
  OnDisplay(
      GetParam(),
      [&] {
        threedee::Setup3DDevice();
        std::vector<DrawCall> calls;
        platform::Hardware().observeD3D = [&](const platform::D3DCall& call) {
          if (call.method == "DrawIndexedPrimitive" || call.method == "DrawIndexedPrimitiveVB")
            calls.push_back({call.a, call.c, call.d});
        };
        for (const ChunkCase& c : cases) {
          SCOPED_TRACE(c.resolution);
          ASSERT_TRUE(CompileEntries(std::string("entry 0 : 10 : wobble { file \"quad\"; ") +
                                     c.resolution + " }"));
          calls.clear();
          ASSERT_TRUE(Frame(0, 1));
          ASSERT_EQ(static_cast<int>(calls.size()), c.calls);
          for (std::size_t i = 0; i < calls.size(); i++) {
            const bool last = i + 1 == calls.size();
            EXPECT_EQ(calls[i].type, DWORD{D3DPT_TRIANGLESTRIP});
            EXPECT_EQ(calls[i].vertices, last ? c.lastVertices : c.vertices) << i;
            EXPECT_EQ(calls[i].indices, last ? c.lastIndices : c.indices) << i;
          }
        }
      },
      kW, kH);
}

// The waves at the vertices of an 8 × 6 grid, whose cells are 8 pixels wide
// and high: a pixel on a vertex takes that vertex's coordinates.
TEST_P(Wobble, WavesMoveTheCoordinatesAtTheVertices) {
  struct WaveCase {
    const char* words;
    float time;
    float tuadd, tumul, tvadd, tvmul, sumul, svmul;
    double zoom, theta;
  };
  const WaveCase cases[] = {
      // Defaults: phases t·0.1, frequencies 5, amplitudes 0.1.
      {"", 3, 0.3f, 5, 0.3f, 5, 0.1f, 0.1f, 1, 0},
      {"tuadd 1; tumul 3; tvadd 2; tvmul 7; sumul 0.2; svmul -0.15; zoom 1.5; angle 20;", 3, 1, 3,
       2, 7, 0.2f, -0.15f, 1.5, 20 * 0.017453292519943295},
  };
  WriteTextures();
  OnDisplay(
      GetParam(),
      [&] {
        threedee::Setup3DDevice();
        for (const WaveCase& c : cases) {
          SCOPED_TRACE(c.words);
          ASSERT_TRUE(CompileEntries(std::string("entry 0 : 10 : wobble { file \"quad\"; ") +
                                     "filter point; resolution (8, 6); " + c.words + " }"));
          ASSERT_TRUE(Frame(0, c.time));
          const double p = c.zoom * std::cos(c.theta), q = c.zoom * std::sin(c.theta);
          int checked = 0;
          for (int r = 0; r < 6; r++)
            for (int col = 0; col < 8; col++) {
              const double u = col / 8.0, v = r / 6.0;
              const double uu = u + c.sumul * std::sin(v * c.tvmul + c.tvadd) - 0.5;
              const double vv = v + c.svmul * std::sin(u * c.tumul + c.tuadd) - 0.5;
              const auto expected = SampleQuadrants(p * uu + q * vv + 0.5, -q * uu + p * vv + 0.5,
                                                    kTexture, Addressing::Wrap, 0);
              if (!expected) continue;
              checked++;
              EXPECT_EQ(Pixel(video::GetBackSurface(), col * 8, r * 8), AsStored(*expected))
                  << col << "," << r;
            }
          EXPECT_GT(checked, 30);
        }
      },
      kW, kH);
}

// With the waves off the grid maps the texture as the rotozoomer does.
TEST_P(Wobble, WithoutWavesItDrawsWhatTheRotozoomerDraws) {
  const char* kCases[][2] = {
      {"angle 0; zoom 1;", "sumul 0; svmul 0; zoom 1; angle 0;"},
      {"angle 30; zoom 1.5;", "sumul 0; svmul 0; zoom 1.5; angle 30;"},
  };
  // Large enough that a row of pixels on a texel edge, which float sums
  // may put on either side, stays below 1 %.
  constexpr int kBigW = 256, kBigH = 192;
  WriteTextures();
  OnDisplay(
      GetParam(),
      [&] {
        threedee::Setup3DDevice();
        for (const auto& c : kCases) {
          SCOPED_TRACE(c[1]);
          ASSERT_TRUE(CompileEntries(
              std::string("entry 0 : 10 : rotozoomer { file \"quad\"; filter point; ") + c[0] +
              " } entry 0 : 10 : wobble { file \"quad\"; filter point; " + c[1] + " }"));
          ASSERT_TRUE(Frame(0, 2));
          const std::vector<unsigned char> roto = Bytes(video::GetBackSurface());
          ASSERT_TRUE(Frame(1, 2));
          const std::vector<unsigned char> wobble = Bytes(video::GetBackSurface());
          ASSERT_EQ(roto.size(), wobble.size());
          const std::size_t bytes = static_cast<std::size_t>(screenInfo.bytesPerPixel);
          int same = 0;
          for (std::size_t i = 0; i < roto.size(); i += bytes)
            same += std::equal(roto.begin() + static_cast<std::ptrdiff_t>(i),
                               roto.begin() + static_cast<std::ptrdiff_t>(i + bytes),
                               wobble.begin() + static_cast<std::ptrdiff_t>(i))
                        ? 1
                        : 0;
          EXPECT_GE(same * 100, kBigW * kBigH * 99);
        }
      },
      kBigW, kBigH);
}

// "wobble" sets no addressing: after a rotozoomer with "clamp clamp" it
// samples with clamp too.
TEST_P(Wobble, InheritsTheAddressingThatTheLastCommandLeft) {
  WriteTextures();
  OnDisplay(
      GetParam(),
      [&] {
        threedee::Setup3DDevice();
        ASSERT_TRUE(CompileEntries(
            "entry 0 : 10 : rotozoomer { file \"quad\"; clamp clamp; }"
            " entry 0 : 10 : wobble { file \"quad\"; filter point; sumul 0; svmul 0; zoom 2; }"));
        ASSERT_TRUE(Frame(0, 0));
        ASSERT_TRUE(Frame(1, 0));
        int checked = 0, wrong = 0;
        for (int y = 0; y < kH; y++)
          for (int x = 0; x < kW; x++) {
            const RotoCoords c = RotozoomerCoords(x, y, kW, kH, 2, 0);
            const auto expected = SampleQuadrants(c.u, c.v, kTexture, Addressing::Clamp, 0);
            if (!expected) continue;
            checked++;
            if (Pixel(video::GetBackSurface(), x, y) != AsStored(*expected)) wrong++;
          }
        EXPECT_GE(checked, kW * kH / 4);
        EXPECT_EQ(wrong, 0);
      },
      kW, kH);
}

TEST_P(Wobble, ConstantPhasesStandStillAndInvisibleDrawsNothing) {
  WriteTextures();
  OnDisplay(
      GetParam(),
      [&] {
        threedee::Setup3DDevice();
        ASSERT_TRUE(CompileEntries(
            "entry 0 : 10 : wobble { file \"quad\"; filter point; tuadd 0.5; tvadd 1; }"
            " entry 0 : 10 : wobble { file \"quad\"; filter point; }"
            " entry 0 : 10 : wobble { file \"quad\"; transparency invisible; }"));
        ASSERT_TRUE(Frame(0, 1));
        const auto standing = Bytes(video::GetBackSurface());
        ASSERT_TRUE(Frame(0, 7));
        EXPECT_EQ(Bytes(video::GetBackSurface()), standing);
        // Without the phases the waves travel.
        ASSERT_TRUE(Frame(1, 1));
        const auto travelling = Bytes(video::GetBackSurface());
        ASSERT_TRUE(Frame(1, 7));
        EXPECT_NE(Bytes(video::GetBackSurface()), travelling);

        int draws = 0;
        platform::Hardware().observeD3D = [&](const platform::D3DCall& call) {
          if (call.method.rfind("Draw", 0) == 0) draws++;
        };
        EXPECT_TRUE(Frame(2, 1, 0x204060));
        EXPECT_EQ(draws, 0);
        EXPECT_EQ(Pixel(video::GetBackSurface(), 7, 7), AsStored(0x204060));
      },
      kW, kH);
}

INSTANTIATE_TEST_SUITE_P(Modes, Wobble, testing::Values(kModes[0], kModes[2]),
                         [](const auto& info) { return std::string(info.param.name); });

struct BlockCase {
  const char* name;
  const char* block;
  bool compiles;
  const char* message;
};

class WobbleBlock : public FxTest, public testing::WithParamInterface<BlockCase> {};

TEST_P(WobbleBlock, WordsAreReadAsTheRulesSay) {
  WriteTga("textures/quad.tga", 4, 4, [](int, int) { return 0xFFFFFF; });
  OnDisplay(kModes[2], [&] {
    EXPECT_EQ(
        Compile(std::string("pipeline p { entry 0 : 10 : wobble { ") + GetParam().block + " } }"),
        GetParam().compiles);
    if (*GetParam().message) {
      EXPECT_TRUE(LoggedPart(GetParam().message)) << GetParam().message;
    }
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WobbleBlock,
    testing::Values(
        BlockCase{"AllWords",
                  "file \"quad\"; tint (1, 1, 1, 1); resolution (8, 8); TUADD 1; tumul 2;"
                  "tvAdd 3; tvmul 4; sumul 0.1; svmul 0.2; Zoom 1; angle 5; filter bilinear;"
                  "transparency additive;",
                  true, ""},
        BlockCase{"RotozoomersClamp", "clamp wrap;", false, "Error 201 occured: Syntax error!"},
        BlockCase{"RotozoomersDither", "dither enabled;", false,
                  "Error 201 occured: Syntax error!"},
        BlockCase{"UnknownWord", "wave 3;", false, "Error 201 occured: Syntax error!"},
        BlockCase{"MissingTexture", "file \"nothere\";", false, "Error on loading command!"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fxtest
