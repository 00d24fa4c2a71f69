// The command "bumpscroller" and its gray picture collector: where the 320 x 200
// effect lands on screens of every size, the colour table as it fades, single
// pixels lit through the height field, its slope and the light map, and the
// pictures' loading, sharing and size refusals.
#include "effects2d/bumpscroller.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "effects2d/graypicturecollector.h"
#include "platform/fakehardware.h"
#include "tests/effects2d/fx_fixture.h"
#include "windxkernel/video.h"

namespace fxtest {
namespace {

using namespace VOXA2;

// The light map of the tests: both coordinates count, and along a row of it
// every gray occurs once.
std::uint8_t LightTexel(int u, int v) { return static_cast<std::uint8_t>(3 * u + 5 * v); }

constexpr int kGround = 40;  // the flat background
constexpr int kRaise = 200;  // one raised byte of the field
const std::string kFiles = "buffer DDSsecondary; file \"text\", \"light\", \"ground\";";

void WriteFlat(const std::string& name, int width, int height, int gray) {
  WritePcx("pictures/" + name + ".PCX", width, height,
           [=](int, int) { return static_cast<std::uint8_t>(gray); });
}

// An all-transparent text, the test light map and a flat background.
void WriteScene() {
  WriteFlat("text", 320, 16, 0);
  WritePcx("pictures/light.PCX", 256, 256, LightTexel);
  WriteFlat("ground", 320, 200, kGround);
}

class Bump : public FxTest {
 protected:
  bool CompileBump(const std::string& block, const char* length = "4") {
    return Compile(std::string("pipeline p { entry 0 : ") + length + " : bumpscroller { " + block +
                   " } }");
  }
  cVOXAbumpscroller* Scroller(std::size_t index = 0) {
    return static_cast<cVOXAbumpscroller*>(Command(0, index));
  }
  bool Frame(float sinceStart, float fraction) {
    return Command()->Execute(sinceStart, sinceStart, fraction);
  }
  // A lit gray at an intensity as the screen shows it: red and green, no blue.
  static std::uint32_t Lit(int gray, int intensity = 256) {
    const auto v = static_cast<std::uint32_t>((gray * intensity) >> 8);
    return AsStored(v << 16 | v << 8);
  }
};

// ---- placement ---------------------------------------------------------------

struct PlaceCase {
  PixelMode mode;
  int width, height;
  int left, top, outWidth, outHeight;
  int scale;  // the whole magnification; 0 for a fraction
  int at100;  // offset of the first screen pixel that shows effect pixel 100
};
void PrintTo(const PlaceCase& c, std::ostream* os) {
  *os << c.mode.name << " " << c.width << "x" << c.height;
}

class BumpPlacement : public Bump, public testing::WithParamInterface<PlaceCase> {};

// The effect covers exactly its rectangle and never writes blue, so on a blue
// screen every pixel inside turns blue-less and every pixel outside stays.
TEST_P(BumpPlacement, EffectIsCentredAtTheLargestScaleThatFits) {
  const PlaceCase& c = GetParam();
  WriteScene();
  OnDisplay(
      c.mode,
      [&] {
        ASSERT_TRUE(CompileBump(kFiles));
        video::voxaSurface* back = video::GetBackSurface();
        back->Fill(0x0000FF);
        const std::vector<unsigned char> before = Bytes(back);
        ASSERT_TRUE(Frame(2.0f, 0.0f));
        const std::vector<unsigned char> after = Bytes(back);
        const int bp = screenInfo.bytesPerPixel;
        int changedOutside = 0, blueInside = 0;
        for (int y = 0; y < c.height; y++)
          for (int x = 0; x < c.width; x++) {
            const std::size_t at = (static_cast<std::size_t>(y) * c.width + x) * bp;
            const bool inside =
                x >= c.left && x < c.left + c.outWidth && y >= c.top && y < c.top + c.outHeight;
            std::uint32_t raw = 0;
            std::memcpy(&raw, &after[at], static_cast<std::size_t>(bp));
            if (inside) {
              blueInside += (raw & static_cast<std::uint32_t>(screenInfo.blueMask)) != 0;
            } else {
              changedOutside += std::memcmp(&after[at], &before[at], static_cast<std::size_t>(bp));
            }
          }
        EXPECT_EQ(changedOutside, 0);
        EXPECT_EQ(blueInside, 0);
        if (c.scale == 0) return;
        // Effect pixel (100, 100) is an s x s block. It was lit from field row
        // 105 on flat ground with the light at (144, 150): u = 84, v = 83.
        for (int dy : {0, c.scale - 1})
          for (int dx : {0, c.scale - 1})
            EXPECT_EQ(Pixel(back, c.left + c.at100 + dx, c.top + c.at100 + dy),
                      Lit(LightTexel(84, 83)));
      },
      c.width, c.height);
}

std::vector<PlaceCase> PlaceCases() {
  std::vector<PlaceCase> cases = {
      {kModes[2], 320, 240, 0, 20, 320, 200, 1, 100},
      {kModes[2], 512, 384, 96, 92, 320, 200, 1, 100},
      // The 16.16 step of a third, 21845, falls short of 65536 / 3: the blocks
      // lag one pixel behind 3 x 100.
      {kModes[2], 1024, 768, 32, 84, 960, 600, 3, 301},
      // Smaller than the effect: the fraction that fits the tighter side.
      {kModes[2], 200, 150, 0, 12, 200, 125, 0, 0},  // 0.625
      {kModes[0], 100, 300, 0, 119, 100, 62, 0, 0},  // 0.3125
      {kModes[1], 64, 48, 0, 4, 64, 40, 0, 0},       // 0.2
  };
  for (const PixelMode& mode : kModes) {
    cases.push_back({mode, 640, 480, 0, 40, 640, 400, 2, 200});
    cases.push_back({mode, 800, 600, 80, 100, 640, 400, 2, 200});  // 2.5 across is cut to 2
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Screens, BumpPlacement, testing::ValuesIn(PlaceCases()),
                         [](const auto& info) {
                           return std::string(info.param.mode.name) + "_" +
                                  std::to_string(info.param.width) + "x" +
                                  std::to_string(info.param.height);
                         });

// ---- colour table ------------------------------------------------------------

class BumpFade : public Bump, public testing::WithParamInterface<PixelMode> {};

// At fraction 0 the light stands at (144, 150) and the text is still below the
// field, so screen row 100 was lit from field row 105 at slope 128: u = x - 16,
// v = 83. Every gray of the table appears on it between columns 16 and 271,
// black outside.
TEST_P(BumpFade, ColoursFadeInOverTheFirstSecondAndOutOverTheLast) {
  struct FadeCase {
    const char* length;
    float t;
    int intensity;
  };
  const FadeCase cases[] = {
      {"4", 0.0f, 0},
      {"4", 0.5f, 128},
      {"4", 1.0f, 256},
      {"4", 2.5f, 256},
      {"4", 3.0f, 256},
      {"4", 3.75f, 64},
      // In 1.5 s the two ramps overlap after 0.5 s, and the fade-out wins
      // (the fade-in alone would give 153 at 0.6).
      {"1.5", 0.25f, 64},
      {"1.5", 0.6f, 230},
      {"1.5", 1.25f, 64},
  };
  WriteScene();
  OnDisplay(
      GetParam(),
      [&] {
        for (const FadeCase& c : cases) {
          ASSERT_TRUE(CompileBump(kFiles, c.length));
          ASSERT_TRUE(Frame(c.t, 0.0f));
          for (int x = 0; x < 320; x++) {
            const int u = x - 16;
            const std::uint32_t expected =
                u >= 0 && u < 256 ? Lit(LightTexel(u, 83), c.intensity) : 0;
            ASSERT_EQ(Pixel(video::GetBackSurface(), x, 100), expected)
                << c.length << " s at " << c.t << ", column " << x;
          }
        }
      },
      320, 200);
}

INSTANTIATE_TEST_SUITE_P(Formats, BumpFade, testing::ValuesIn(kModes),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- height field, slope and light ---------------------------------------------

struct FieldCase {
  const char* name;
  float fraction;
  int lightX, lightY;  // sin(75f + 0.2) * 100 + 125 and 100 + cos(75f * 1.862) * 50
  int textHeight;
  bool inText;       // whether the raised byte is the text's or the background's
  int rx, ry;        // the raised byte in its picture
  int bumpX, bumpY;  // where it stands in the field; -1 when it does not show
};
void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.name; }

class BumpField : public Bump, public testing::WithParamInterface<FieldCase> {};

// Text and background are flat but for one raised byte. Its slope is half the
// fall from the upper-left neighbour plus 128, so the byte itself and the one
// below right of it tilt; the lit pixel stands five rows above the field pixel.
TEST_P(BumpField, PixelsAreLitThroughTheSlopeOfTheField) {
  const FieldCase& c = GetParam();
  WritePcx("pictures/text.PCX", 320, c.textHeight, [&](int x, int y) {
    return static_cast<std::uint8_t>(c.inText && x == c.rx && y == c.ry ? kRaise : 0);
  });
  WritePcx("pictures/light.PCX", 256, 256, LightTexel);
  WritePcx("pictures/ground.PCX", 320, 200, [&](int x, int y) {
    return static_cast<std::uint8_t>(!c.inText && x == c.rx && y == c.ry ? kRaise : kGround);
  });
  auto slope = [&](int x, int y) {
    if (x == c.bumpX && y == c.bumpY) return (kGround - kRaise + 256) >> 1;
    if (x == c.bumpX + 1 && y == c.bumpY + 1) return (kRaise - kGround + 256) >> 1;
    return 128;
  };
  OnDisplay(
      kModes[2],
      [&] {
        ASSERT_TRUE(CompileBump(kFiles));
        ASSERT_TRUE(Frame(2.0f, c.fraction));
        // Around (150, 150), and where a text that rose by 150 rows begins:
        // an opaque zero there would tilt the field.
        std::vector<std::pair<int, int>> probes = {{30, 50}, {160, 50}, {230, 50},
                                                   {30, 51}, {160, 51}, {230, 51}};
        for (int y = 148; y <= 152; y++)
          for (int x = 148; x <= 152; x++) probes.emplace_back(x, y);
        for (auto [x, y] : probes) {
          const int g = slope(x, y);
          const int u = x - c.lightX + g, v = y - c.lightY + g;
          const std::uint32_t expected =
              u >= 0 && u < 256 && v >= 0 && v < 256 ? Lit(LightTexel(u, v)) : 0;
          EXPECT_EQ(Pixel(video::GetBackSurface(), x, y - 5), expected) << x << "," << y;
        }
      },
      320, 200);
}

// Scroll position trunc(1200 f): text row r shows at field row r - A + 200.
INSTANTIATE_TEST_SUITE_P(Cases, BumpField,
                         testing::Values(FieldCase{"GroundBumpAtRest", 0.0f, 144, 150, 16, false,
                                                   150, 150, 150, 150},
                                         FieldCase{"TextRisenBy150Rows", 0.125f, 110, 108, 150,
                                                   true, 150, 100, 150, 150},
                                         FieldCase{"TextShorterThanTheScrollLeavesTheGround", 0.25f,
                                                   135, 53, 100, true, 150, 99, -1, -1},
                                         FieldCase{"TextRowAtTheTopOfTheWindow", 0.25f, 135, 53,
                                                   250, true, 150, 249, 150, 149}),
                         [](const auto& info) { return std::string(info.param.name); });

// A background wider than 320 is read as its first 64000 bytes in rows of 320:
// a 640-wide one whose first 100 rows are flat lights like a flat 320 x 200.
TEST_F(Bump, WideBackgroundIsReadAsItsFirst64000Bytes) {
  WriteScene();
  WritePcx("pictures/wide.PCX", 640, 200,
           [](int x, int y) { return static_cast<std::uint8_t>(y < 100 ? kGround : x ^ y); });
  OnDisplay(
      kModes[2],
      [&] {
        ASSERT_TRUE(CompileBump(kFiles));
        ASSERT_TRUE(Frame(2.0f, 0.0f));
        const std::vector<unsigned char> flat = Bytes(video::GetBackSurface());
        ASSERT_TRUE(CompileBump("buffer DDSsecondary; file \"text\", \"light\", \"wide\";"));
        video::GetBackSurface()->Fill(0);
        ASSERT_TRUE(Frame(2.0f, 0.0f));
        EXPECT_EQ(Bytes(video::GetBackSurface()), flat);
      },
      320, 200);
}

// ---- what draws nothing, and failures ---------------------------------------------

TEST_F(Bump, WithoutBufferOrPicturesNothingIsDrawn) {
  WriteScene();
  OnDisplay(kModes[1], [&] {
    for (const char* block :
         {"", ";;", "buffer DDSsecondary;", "file \"text\", \"light\", \"ground\";"}) {
      ASSERT_TRUE(CompileBump(block)) << block;
      video::GetBackSurface()->Fill(0x0000FF);
      const std::vector<unsigned char> before = Bytes(video::GetBackSurface());
      EXPECT_TRUE(Frame(2.0f, 0.1f)) << block;
      EXPECT_EQ(Bytes(video::GetBackSurface()), before) << block;
    }
  });
}

TEST_F(Bump, ABufferThatCannotBeLockedFailsTheFrame) {
  WriteScene();
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(CompileBump(kFiles));
    static_cast<video::kernelSurface*>(video::GetBackSurface())->surface->SimulateLoss();
    EXPECT_FALSE(Frame(2.0f, 0.0f));
    EXPECT_TRUE(Logged("Lock() failed!"));
  });
}

struct RefusedCase {
  const char* name;
  const char* block;
  const char* logged;  // a part of a log line
};
void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class BumpRefused : public Bump, public testing::WithParamInterface<RefusedCase> {};

TEST_P(BumpRefused, BlockFailsTheCompile) {
  const RefusedCase& c = GetParam();
  WriteScene();
  OnDisplay(kModes[0], [&] {
    EXPECT_FALSE(CompileBump(c.block));
    EXPECT_TRUE(LoggedPart(c.logged));
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BumpRefused,
    testing::Values(RefusedCase{"MissingPicture", "file \"text\", \"nope\", \"ground\";",
                                "Error 114 occured: Error on loading command!"},
                    RefusedCase{"NamesWithoutComma", "file \"text\" \"light\", \"ground\";",
                                "Error 2 occured: , expected, but found String!"},
                    RefusedCase{"TwoNames", "file \"text\", \"light\";",
                                "Error 2 occured: , expected, but found ;!"},
                    RefusedCase{"OtherWord", "color 1, 2, 3;", "Error 201 occured: Syntax error!"},
                    RefusedCase{"NotABuffer", "buffer p;", "Error 202 occured: Buffer expected!"}),
    [](const auto& info) { return std::string(info.param.name); });

// The effect reads 320-byte text rows, a 256 x 256 light map and 320 x 200 of
// background: pictures of other sizes are refused when the block is read.
struct SizeCase {
  const char* name;
  int textWidth, textHeight, lightWidth, lightHeight, groundWidth, groundHeight;
  const char* refusal;  // none: taken
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }

class BumpSizes : public Bump, public testing::WithParamInterface<SizeCase> {};

TEST_P(BumpSizes, PictureSizesAreCheckedWhenTheBlockIsRead) {
  const SizeCase& c = GetParam();
  WriteFlat("text", c.textWidth, c.textHeight, 0);
  WriteFlat("light", c.lightWidth, c.lightHeight, 255);
  WriteFlat("ground", c.groundWidth, c.groundHeight, kGround);
  OnDisplay(kModes[2], [&] {
    if (!c.refusal) {
      ASSERT_TRUE(CompileBump(kFiles));
      EXPECT_TRUE(Frame(2.0f, 0.5f));
      return;
    }
    EXPECT_FALSE(CompileBump(kFiles));
    EXPECT_TRUE(LoggedPart(c.refusal));
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BumpSizes,
    testing::Values(SizeCase{"LightMap128", 320, 16, 128, 128, 320, 200,
                             "Bump map light \"light\" must be 256x256 pixels!"},
                    SizeCase{"LightMap256x255", 320, 16, 256, 255, 320, 200,
                             "Bump map light \"light\" must be 256x256 pixels!"},
                    SizeCase{"TextNarrow", 319, 16, 256, 256, 320, 200,
                             "Bump text \"text\" must be 320 pixels wide!"},
                    SizeCase{"TextWide", 321, 16, 256, 256, 320, 200,
                             "Bump text \"text\" must be 320 pixels wide!"},
                    SizeCase{"GroundNarrow", 320, 16, 256, 256, 319, 480,
                             "Bump background \"ground\" must be at least 320x200 pixels!"},
                    SizeCase{"GroundLow", 320, 16, 256, 256, 640, 199,
                             "Bump background \"ground\" must be at least 320x200 pixels!"},
                    SizeCase{"TallTextAndLargeGroundAreTaken", 320, 1000, 256, 256, 641, 480,
                             nullptr},
                    SizeCase{"OneRowOfText", 320, 1, 256, 256, 320, 200, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the collector ---------------------------------------------------------------

TEST_F(Bump, TwoCommandsShareOneLoadOfEachPicture) {
  WriteScene();
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(
        Compile("pipeline p { entry 0 : 1 : bumpscroller { " + kFiles +
                " } entry 0 : 1 : bumpscroller { file \"TEXT\", \"Light\", \"ground\"; } }"));
    EXPECT_EQ(Scroller(0)->text, Scroller(1)->text);
    EXPECT_EQ(Scroller(0)->lightMap, Scroller(1)->lightMap);
    EXPECT_EQ(Scroller(0)->background, Scroller(1)->background);
    auto* collector =
        dynamic_cast<cVOXAgraypicturecollector*>(demo->FindDataCollector("graypicture"));
    ASSERT_NE(collector, nullptr);
    ASSERT_EQ(collector->entries.size(), 3u);
    for (const tDataEntry* entry : collector->entries) EXPECT_EQ(entry->useCount, 2);
    demo->Prepare();  // reads every byte of the pictures once
  });
}

std::uint8_t Pattern(int x, int y) { return static_cast<std::uint8_t>(x * 37 + y * 11); }

// A name gets "pictures\" before it and ".PCX" after it, always; only a
// one-plane picture that a reader takes is loaded, as its bytes.
TEST_F(FxTest, GrayPictureCollectorLoadsOnePlanePicturesByName) {
  WritePcx("pictures/x.PCX", 7, 5, Pattern);  // odd width: padded lines
  WritePcx("pictures/rgb.PCX", 7, 5, Pattern, 3);
  WriteText("pictures/junk.PCX", "no picture at all");
  // 114 characters is the longest name whose path fits in 127.
  const std::string longest(114, 'n'), tooLong(115, 'n');
  WritePcx("pictures/" + longest + ".PCX", 7, 5, Pattern);
  WritePcx("pictures/" + tooLong + ".PCX", 7, 5, Pattern);
  const struct {
    std::string request;
    bool loads;
  } cases[] = {{"x", true},     {"X", true},     {"x.PCX", false}, {"rgb", false},
               {"junk", false}, {"nope", false}, {longest, true},  {tooLong, false}};
  for (const auto& c : cases) {
    cVOXAgraypicturecollector collector("graypicture");
    EXPECT_EQ(collector.kindName, "graypicture");
    auto* picture = static_cast<cMonoPic*>(collector.GetData(c.request.c_str()));
    const std::string line = "Could not load grayscaled image pictures\\" + c.request + ".PCX";
    if (!c.loads) {
      EXPECT_EQ(picture, nullptr) << c.request;
      EXPECT_TRUE(Logged(line)) << c.request;
      EXPECT_TRUE(collector.entries.empty());
      continue;
    }
    ASSERT_NE(picture, nullptr) << c.request;
    ASSERT_EQ(picture->width, 7);
    ASSERT_EQ(picture->height, 5);
    for (int y = 0; y < 5; y++)
      for (int x = 0; x < 7; x++) EXPECT_EQ(picture->pixels[y * 7 + x], Pattern(x, y));
    EXPECT_FALSE(Logged(line));
    collector.PrepareAll();
  }
}

}  // namespace
}  // namespace fxtest
