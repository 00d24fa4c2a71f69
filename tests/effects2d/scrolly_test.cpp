// Scrolly text descriptions and the "scrolly" command: key frames read and
// converted to screen pixels, and texts drawn where their alignment puts them.
#include "effects2d/scrolly.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "effects2d/crazyfont.h"
#include "effects2d/scrollycollector.h"
#include "platform/fakehardware.h"
#include "tests/effects2d/font_support.h"
#include "tests/effects2d/fx_fixture.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/video.h"

namespace fxtest {
namespace {

using namespace VOXA2;

// "ab": A 3 and B 4 pels wide, 8 high; "cd": C 5 and D 6 pels, 4 high.
void WriteFonts() {
  WidthsFont({3, 4}, 8).Write("fonts/ab.png");
  WriteText("fonts/ab.dsc", "font \"ab\" { text \"AB\", \"ab\"; };");
  WidthsFont({5, 6}, 4).Write("fonts/cd.png");
  WriteText("fonts/cd.dsc", "font \"cd\" { text \"CD\", \"\"; };");
}

class ScrollyDescriptions : public FxTest {
 protected:
  void SetUp() override {
    FxTest::SetUp();
    WriteFonts();
    screenInfo.virtualWidth = 800;
    screenInfo.virtualHeight = 600;
    collector = new cVOXAscrollycollector("scrolly");
    demo = std::make_unique<cVOXAdemo>();
    ASSERT_TRUE(demo->AddDataCollector(collector));
  }
  tScrolly* Read(const std::string& text) {
    WriteText("texts/x.scr", text);
    return static_cast<tScrolly*>(collector->GetData("texts\\x.scr"));
  }

  cVOXAscrollycollector* collector = nullptr;
  FakeFontTextures textures;
};

TEST_F(ScrollyDescriptions, KeyFramesAreStoredInScreenPixels) {
  tScrolly* scrolly = Read(
      "{\n"
      " \"AB\" {\n"
      "  \"ab\", 1, 2, size 0.05, size 0.1, position (0.5, 0.5), velocity (-1, 0),\n"
      "     accel (0.5, 2), align (-1, -1), color (0.5, 0.25, 1), alpha 0.2 to 0.8;\n"
      "  \"AB\", 3, 1, size 0.1 to 0.3, align (0, 0);\n"
      " }\n"
      " \"CDxDC\" { \"cd\", 0, 1 + 1, size 1; }\n"
      "}\n");
  ASSERT_NE(scrolly, nullptr);
  ASSERT_EQ(scrolly->texts.size(), 2u);
  const tScrollyText& ab = *scrolly->texts[0];
  EXPECT_EQ(ab.text, "AB");
  ASSERT_EQ(ab.keyFrames.size(), 2u);
  const tScrollyTextKF& k = *ab.keyFrames[0];
  EXPECT_EQ(k.start, 1.0f);
  EXPECT_EQ(k.duration, 2.0f);
  EXPECT_FLOAT_EQ(k.sizeFrom, 0.1f);
  EXPECT_FLOAT_EQ(k.sizeTo, 0.1f);
  // 800 x 480 / (8 x 640) screen pels per font pel; "AB" is 3 + 10 + 4 font pels.
  EXPECT_FLOAT_EQ(k.scale, 75.0f);
  EXPECT_FLOAT_EQ(k.width, 17 * 75.0f);
  EXPECT_EQ(k.height, 600.0f);
  EXPECT_FLOAT_EQ(k.position.x, 400.0f);
  EXPECT_FLOAT_EQ(k.position.y, 300.0f);
  EXPECT_FLOAT_EQ(k.velocity.x, -800.0f);
  EXPECT_FLOAT_EQ(k.velocity.y, 0.0f);
  EXPECT_FLOAT_EQ(k.acceleration.x, 400.0f);
  EXPECT_FLOAT_EQ(k.acceleration.y, 1200.0f);
  EXPECT_FLOAT_EQ(k.align.x, -0.5f);
  EXPECT_FLOAT_EQ(k.align.y, -0.5f);
  EXPECT_FLOAT_EQ(k.red, 0.5f);
  EXPECT_FLOAT_EQ(k.green, 0.25f);
  EXPECT_FLOAT_EQ(k.blue, 1.0f);
  EXPECT_FLOAT_EQ(k.alphaFrom, 0.2f);
  EXPECT_FLOAT_EQ(k.alphaTo, 0.8f);

  const tScrollyTextKF& grow = *ab.keyFrames[1];
  EXPECT_EQ(grow.font, k.font);
  EXPECT_FLOAT_EQ(grow.sizeFrom, 0.1f);
  EXPECT_FLOAT_EQ(grow.sizeTo, 0.3f);
  EXPECT_EQ(grow.align.x, 0.0f);
  EXPECT_EQ(grow.position.x, 0.0f);
  EXPECT_EQ(grow.alphaFrom, 1.0f);
  EXPECT_EQ(grow.red, 1.0f);

  // Another font; x has no glyph but its gap counts: 5 + 6 + 0 + 6 + 5 + 4 x 10.
  const tScrollyTextKF& cd = *scrolly->texts[1]->keyFrames.at(0);
  EXPECT_NE(cd.font, k.font);
  EXPECT_EQ(cd.duration, 2.0f);
  EXPECT_FLOAT_EQ(cd.scale, 150.0f);
  EXPECT_FLOAT_EQ(cd.width, 62 * 150.0f);

  // The same file again is the same description.
  EXPECT_EQ(collector->GetData("TEXTS\\X.SCR"), scrolly);
}

TEST_F(ScrollyDescriptions, EmptyDescriptionHasNoTexts) {
  tScrolly* scrolly = Read("{ }");
  ASSERT_NE(scrolly, nullptr);
  EXPECT_TRUE(scrolly->texts.empty());
  EXPECT_NE(demo->FindDataCollector("crazyfont"), nullptr);
}

struct BadCase {
  const char* name;
  const char* text;
  const char* logged;
};

TEST_F(ScrollyDescriptions, BrokenDescriptionsAreRefusedWithTheirCode) {
  const BadCase cases[] = {
      {"NoSize", "{ \"AB\" { \"ab\", 0, 1; } }",
       "Error 152 occured: Size must be positive float greater than zero!"},
      {"SizeToZero", "{ \"AB\" { \"ab\", 0, 1, size 0.2 to 0; } }", "Error 152 occured"},
      {"UnknownFont", "{ \"AB\" { \"nofont\", 0, 1, size 0.1; } }",
       "Error 151 occured: Crazy font \"nofont\" coult not be loaded!"},
      {"UnknownOption", "{ \"AB\" { \"ab\", 0, 1, wobble (1, 2); } }",
       "Error 100 occured: Syntax error!"},
      {"KeywordOption", "{ \"AB\" { \"ab\", 0, 1, file (1, 2); } }", "Error 100 occured"},
      {"NoText", "{ 3 }", "Error 100 occured"},
      {"Unclosed", "{ \"AB\" { \"ab\", 0, 1, size 1;", "Error"},
  };
  for (const BadCase& c : cases) {
    EXPECT_EQ(Read(c.text), nullptr) << c.name;
    EXPECT_TRUE(LoggedPart(c.logged)) << c.name;
    EXPECT_TRUE(Logged("Could not load texts\\x.scr")) << c.name;
  }
  EXPECT_TRUE(collector->entries.empty());
}

// The scrolly command on the headless display.
class ScrollyCommand : public FxTest, public testing::WithParamInterface<PixelMode> {
 protected:
  static constexpr int kWidth = 160, kHeight = 120;

  void SetUp() override {
    FxTest::SetUp();
    WriteFonts();
  }
  // Compiles one scrolly block over the description text.
  void CompileScrolly(const std::string& description, const std::string& block) {
    threedee::Setup3DDevice();  // as the kernel does when the application starts
    WriteText("ab.scr", description);
    ASSERT_TRUE(
        Compile("pipeline p { entry 0 : 10 : scrolly { file \"ab.scr\"; " + block + " } }"));
  }
  cVOXAscrolly* Scrolly() { return static_cast<cVOXAscrolly*>(Command()); }
  // Runs the command on a black back buffer, counting scenes and draws.
  void Draw(float sinceStart = 0) {
    scenes = draws = 0;
    platform::Hardware().observeD3D = [this](const platform::D3DCall& call) {
      if (call.method == "BeginScene") scenes++;
      if (call.method == "DrawPrimitive") draws++;
    };
    video::GetBackSurface()->Fill(0);
    ASSERT_TRUE(Command()->Execute(sinceStart, sinceStart, 0));
    platform::Hardware().observeD3D = nullptr;
  }
  struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  };
  static Box Lit() {
    Box box;
    for (int y = 0; y < kHeight; y++)
      for (int x = 0; x < kWidth; x++)
        if (Pixel(video::GetBackSurface(), x, y) != 0) {
          box.left = std::min(box.left, x);
          box.right = std::max(box.right, x);
          box.top = std::min(box.top, y);
          box.bottom = std::max(box.bottom, y);
        }
    return box;
  }
  // The vertex of the quad as (x, y), and its diffuse colour.
  float VertexFloat(int vertex, std::uint32_t offset) {
    threedee::VertexArray* quad = Scrolly()->quad.get();
    float value;
    std::memcpy(&value, quad->data + vertex * quad->pointer.stride + offset, sizeof value);
    return value;
  }
  std::uint32_t Diffuse() {
    threedee::VertexArray* quad = Scrolly()->quad.get();
    std::uint32_t value;
    std::memcpy(&value, quad->data + quad->pointer.diffuse, sizeof value);
    return value;
  }
  static void Shoot(const char* name) {
    const char* dir = std::getenv("VOXA2_SHOT_DIR");
    if (!dir) return;
    video::PresentFrame();
    platform::WritePresentedFramePng(std::string(dir) + "/" + name);
  }

  int scenes = 0, draws = 0;
};

// "AB" at size 0.25 on 160 x 120: 30 pels high, (3 + 10 + 4) x 15 x 0.25 wide,
// centred on the middle of the screen; the wobble moves edges by 0.375 pels.
TEST_P(ScrollyCommand, CentredTextLiesAroundItsPosition) {
  OnDisplay(
      GetParam(),
      [&] {
        CompileScrolly(
            "{ \"AB\" { \"ab\", 0, 10, size 0.25, position (0.5, 0.5), align (0, 0); } }",
            "position 1;");
        Draw();
        EXPECT_EQ(scenes, 1);
        EXPECT_EQ(draws, 2);
        const Box box = Lit();
        const float halfWidth = 17 * 15 * 0.25f / 2;
        EXPECT_NEAR(box.left, 80 - halfWidth, 1.5);
        EXPECT_NEAR(box.right + 1, 80 + halfWidth, 1.5);
        EXPECT_NEAR(box.top, 45, 1.5);
        EXPECT_NEAR(box.bottom + 1, 75, 1.5);
        // Inside A and B white; the gap between them empty.
        video::voxaSurface* back = video::GetBackSurface();
        EXPECT_EQ(Pixel(back, 54, 60), AsStored(0xFFFFFF));
        EXPECT_EQ(Pixel(back, 104, 60), AsStored(0xFFFFFF));
        EXPECT_EQ(Pixel(back, 80, 60), 0u);
        Shoot("fonts-scrolly-centred.png");
      },
      kWidth, kHeight);
}

TEST_P(ScrollyCommand, AlignMinusOnePutsTheTopLeftCornerAtThePosition) {
  OnDisplay(
      GetParam(),
      [&] {
        CompileScrolly(
            "{ \"AB\" { \"ab\", 0, 10, size 0.25, position (0.25, 0.25), align (-1, -1); } }",
            "position 1;");
        Draw();
        const Box box = Lit();
        EXPECT_NEAR(box.left, 40, 1.5);
        EXPECT_NEAR(box.top, 30, 1.5);
        EXPECT_NEAR(box.right + 1, 40 + 17 * 15 * 0.25f, 1.5);
      },
      kWidth, kHeight);
}

INSTANTIATE_TEST_SUITE_P(Modes, ScrollyCommand, testing::ValuesIn(kModes));

class ScrollyFrames : public ScrollyCommand {};

TEST_F(ScrollyFrames, KeyFramesAreActiveFromStartUntilBeforeTheirEnd) {
  OnDisplay(
      kModes[2],
      [&] {
        CompileScrolly("{ \"AB AB\" { \"ab\", 2, 3, size 0.25, position (0.5, 0.5); } }",
                       "position linear 0 to 10;");
        struct At {
          float time;
          int draws;
        };
        // The space has no glyph; its gap still counts.
        for (At at : {At{1.9f, 0}, At{2, 4}, At{4.9f, 4}, At{5, 0}}) {
          Draw(at.time);
          EXPECT_EQ(scenes, 1) << at.time;
          EXPECT_EQ(draws, at.draws) << at.time;
        }
        Draw(2);
        // The last B: pen at 3 + 10 + 4 + 10 + 10 + 3 + 10 font pels.
        const float x = 80 - (4 * 10 + 14) * 15 * 0.25f / 2;
        const float amplitude = 0.0125f * 120 * 0.25f;
        const float left = x + 50 * 15 * 0.25f, right = left + 4 * 15 * 0.25f;
        const std::uint32_t position = Scrolly()->quad->pointer.position;
        // Bottom left, bottom right, top right, top left.
        const float xs[4] = {left, right, right, left}, ys[4] = {75, 75, 45, 45};
        for (int v = 0; v < 4; v++) {
          EXPECT_NEAR(VertexFloat(v, position), xs[v], amplitude) << v;
          EXPECT_NEAR(VertexFloat(v, position + 4), ys[v], amplitude) << v;
          EXPECT_EQ(VertexFloat(v, position + 8), 0.0f);
        }
        EXPECT_EQ(VertexFloat(0, Scrolly()->quad->pointer.reciprocalW), 1.0f);
      },
      kWidth, kHeight);
}

// Top-left aligned, so the first glyph's top left corner is the moving
// position: (40, 30) + (16, 6) t + (8, 12) t² / 2 at t = p - start.
TEST_F(ScrollyFrames, TextMovesWithVelocityAndAcceleration) {
  OnDisplay(
      kModes[2],
      [&] {
        CompileScrolly(
            "{ \"A\" { \"ab\", 2, 8, size 0.25, position (0.25, 0.25), align (-1, -1),"
            " velocity (0.1, 0.05), accel (0.05, 0.1); } }",
            "position linear 0 to 10;");
        const float amplitude = 0.0125f * 120 * 0.25f;
        const std::uint32_t position = Scrolly()->quad->pointer.position;
        for (float t : {0.0f, 1.0f, 2.0f, 5.5f}) {
          Draw(2 + t);
          EXPECT_EQ(draws, 1) << t;
          // Top left is the fourth vertex.
          EXPECT_NEAR(VertexFloat(3, position), 40 + 16 * t + 8 * t * t / 2, amplitude) << t;
          EXPECT_NEAR(VertexFloat(3, position + 4), 30 + 6 * t + 12 * t * t / 2, amplitude) << t;
        }
      },
      kWidth, kHeight);
}

// Z's cell is one pixel wide, so its record has width 0: not drawn, but its
// gap of 10 font pels still moves B along.
TEST_F(ScrollyFrames, GlyphOfWidthZeroIsSkippedButAdvancesThePen) {
  PatternFont("xxxx|x|xxxxx|", 8).Write("fonts/az.png");
  WriteText("fonts/az.dsc", "font \"az.png\" { text \"AZB\", \"\"; };");
  OnDisplay(
      kModes[2],
      [&] {
        CompileScrolly(
            "{ \"AZB\" { \"az\", 0, 10, size 0.25, position (0, 0.5), align (-1, -1); } }",
            "position 1;");
        Draw();
        EXPECT_EQ(draws, 2);
        const float amplitude = 0.0125f * 120 * 0.25f;
        const std::uint32_t position = Scrolly()->quad->pointer.position;
        EXPECT_NEAR(VertexFloat(3, position), (3 + 10 + 0 + 10) * 15 * 0.25f, amplitude);
      },
      kWidth, kHeight);
}

TEST_F(ScrollyFrames, OpacityAndColourComeFromKeyFrameAndAlphaTrack) {
  OnDisplay(
      kModes[2],
      [&] {
        CompileScrolly(
            "{ \"A\" { \"ab\", 0, 2, size 0.25, color (0.5, 0.25, 1), alpha 0.2 to 0.8,"
            " position (0.5, 0.5); } }",
            "position linear 0 to 10; alpha 0.5;");
        // At half the key frame: (0.2 + 0.6 x 0.5) x 0.5 = 0.25, so 63.
        Draw(1);
        EXPECT_EQ(Diffuse(), 0x3F7F3FFFu);
        const std::uint32_t lit = Pixel(video::GetBackSurface(), 80, 60);
        EXPECT_NEAR(lit >> 16 & 0xFF, 127 * 63 / 255, 2);
        EXPECT_NEAR(lit & 0xFF, 63, 2);

        // Values beyond 0 to 1 are held at the ends rather than wrapping.
        demo.reset();
        CompileScrolly("{ \"A\" { \"ab\", 0, 2, size 0.25, color (2, -1, 0.5), alpha 3 to 3; } }",
                       "position 1;");
        Draw();
        EXPECT_EQ(Diffuse(), 0xFFFF007Fu);
      },
      kWidth, kHeight);
}

TEST_F(ScrollyFrames, NothingIsDrawnWithoutPositionOrAtAlphaZero) {
  OnDisplay(
      kModes[2],
      [&] {
        const char* text = "{ \"AB\" { \"ab\", 0, 10, size 0.25, position (0.5, 0.5); } }";
        for (const char* block :
             {"alpha 1;", "position 1; alpha 0;", "position 1; alpha linear 1 to -1;"}) {
          demo.reset();
          CompileScrolly(text, block);
          Draw(9);
          EXPECT_EQ(scenes, 0) << block;
          EXPECT_EQ(Lit().right, -1) << block;
        }
      },
      kWidth, kHeight);
}

// Letters of 5 x 7 dots, drawn 2 x 2 pels each with a warm gradient.
FontPicture LetterFont(const std::string& letters) {
  static const std::map<char, std::vector<const char*>> kDots = {
      {'A', {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
      {'C', {" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "}},
      {'F', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "}},
      {'N', {"#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"}},
      {'O', {" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
      {'R', {"#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"}},
      {'S', {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "}},
      {'T', {"#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "}},
      {'V', {"#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "}},
      {'X', {"#   #", "#   #", " # # ", "  #  ", " # # ", "#   #", "#   #"}},
      {'Y', {"#   #", "#   #", " # # ", "  #  ", "  #  ", "  #  ", "  #  "}},
      {'Z', {"#####", "    #", "   # ", "  #  ", " #   ", "#    ", "#####"}},
      {'2', {" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"}},
  };
  std::string row;
  for (std::size_t i = 0; i < letters.size(); i++) row += "..........x|";
  FontPicture font = PatternFont(row, 16);
  for (std::size_t i = 0; i < letters.size(); i++) {
    const std::vector<const char*>& dots = kDots.at(letters[i]);
    for (int y = 0; y < 14; y++)
      for (int x = 0; x < 10; x++)
        if (dots[static_cast<std::size_t>(y / 2)][x / 2] == '#')
          font.at(static_cast<int>(i) * 12 + x, y + 1) =
              0xFF0000FFu | static_cast<std::uint32_t>(255 - y * 4) << 16 |
              static_cast<std::uint32_t>(255 - y * 8) << 8;
  }
  return font;
}

// Two texts in their own colours, one growing and fading in: a picture for
// people, and each text where its key frame puts it.
TEST_F(ScrollyFrames, TwoTextsShowInTheirColoursAndPlaces) {
  LetterFont("ACFNORSTVXYZ2").Write("fonts/show.png");
  WriteText("fonts/show.dsc", "font \"show.png\" { text \"ACFNORSTVXYZ2\", \"acfnorstvxyz\"; };");
  OnDisplay(
      kModes[2],
      [&] {
        CompileScrolly(
            "{\n"
            " \"Crazy Fonts\" { \"show\", 0, 10, size 0.08, position (0.5, 0.3), color (1, 0.8, "
            "0.3); }\n"
            " \"VOXA2\" { \"show\", 0, 10, size 0.12 to 0.18, position (0.5, 0.7),\n"
            "   color (0.4, 0.7, 1), alpha 0.5 to 1; }\n"
            "}\n",
            "position linear 0 to 10;");
        Draw(5);
        EXPECT_EQ(draws, 10 + 5);
        video::voxaSurface* back = video::GetBackSurface();
        int warm = 0, cold = 0;
        for (int y = 0; y < 480; y += 2)
          for (int x = 0; x < 640; x += 2) {
            const std::uint32_t c = Pixel(back, x, y);
            if (!c) continue;
            const bool isWarm = (c >> 16 & 0xFF) > (c & 0xFF);
            if (isWarm) {
              EXPECT_LT(y, 240) << x << "," << y;
              warm++;
            } else {
              EXPECT_GT(y, 240) << x << "," << y;
              cold++;
            }
          }
        EXPECT_GT(warm, 0);
        EXPECT_GT(cold, 0);
        Shoot("fonts-scrolly-showcase.png");
      },
      640, 480);
}

struct ParseCase {
  const char* name;
  const char* block;
};

TEST_F(ScrollyFrames, BlocksThatCannotHaveTheirDescriptionFailToCompile) {
  WriteText("bad.scr", "{ \"AB\" { \"ab\", 0, 1; } }");
  OnDisplay(kModes[2], [&] {
    const ParseCase cases[] = {
        {"MissingFile", "file \"none.scr\";"},
        {"BrokenFile", "file \"bad.scr\";"},
        {"UnknownWord", "file \"ab.scr\"; color 1;"},
        {"NoSemicolon", "position 1 alpha 1;"},
    };
    WriteText("ab.scr", "{ }");
    for (const ParseCase& c : cases) {
      demo.reset();
      EXPECT_FALSE(
          Compile(std::string("pipeline p { entry 0 : 10 : scrolly { ") + c.block + " } }"))
          << c.name;
    }
    EXPECT_TRUE(LoggedPart("Error 201 occured: Syntax error!"));
  });
}

}  // namespace
}  // namespace fxtest
