// The command "morph" and its collector: the pairing of two pictures' lit
// pixels, the random cloud of a missing picture, the plotting at a morph
// position in each screen format, points outside the buffer, and the
// refusals of pictures, names and blocks.
#include "effects2d/morph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "effects2d/morphcollector.h"
#include "foundation/random.h"
#include "tests/effects2d/fx_fixture.h"
#include "windxkernel/video.h"

namespace fxtest {
namespace {

using namespace VOXA2;

struct Lit {
  int c, r, g;  // column, row, gray
};

// "morphs/<name>.pcx", 256 wide, black but for the lit pixels.
void WritePicture(const std::string& name, const std::vector<Lit>& lit, int height = 256) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(256 * height), 0);
  for (const Lit& p : lit)
    pixels[static_cast<std::size_t>(p.r * 256 + p.c)] = static_cast<std::uint8_t>(p.g);
  WritePcx("morphs/" + name + ".pcx", 256, height,
           [&](int x, int y) { return pixels[static_cast<std::size_t>(y * 256 + x)]; });
}

// The order in which a morph takes a picture's lit pixels: byte order.
std::vector<Lit> InByteOrder(std::vector<Lit> lit) {
  std::sort(lit.begin(), lit.end(),
            [](const Lit& a, const Lit& b) { return a.r * 256 + a.c < b.r * 256 + b.c; });
  return lit;
}

// Lit pixels at distinct places: pixel i at byte step * i + first.
std::vector<Lit> Spread(int count, int step, int first) {
  std::vector<Lit> lit;
  for (int i = 0; i < count; i++) {
    const int k = (step * i + first) % 65536;
    lit.push_back({k % 256, k / 256, 1 + i % 255});
  }
  return lit;
}

// A random cloud coordinate from the next value of the generator.
float Cloud(float height, float scale) {
  return static_cast<float>((Rand() * static_cast<double>(3.0518509e-05f) - 0.5) * height +
                            128.0 * scale);
}

class MorphTest : public FxTest {
 protected:
  bool CompileBlock(const std::string& block) {
    return Compile("pipeline p { entry 0 : 10 : morph { " + block + " } }");
  }
  cVOXAmorph* Morph() { return static_cast<cVOXAmorph*>(Command()); }
  bool Frame() { return Command()->Execute(0.0f, 0.0f, 0.0f); }
  // A morph loaded straight from a fresh collector, with the generator at seed.
  tMorph* Load(cVOXAmorphcollector* collector, const std::string& item, std::uint32_t seed) {
    SetRandState(seed);
    return static_cast<tMorph*>(collector->GetData(item.c_str()));
  }
};

// 100 pixels into 300: every "from" pixel starts three points, in turn, and
// every "to" pixel ends one; the square sits centred at 1:1 on 320 x 256.
TEST_F(MorphTest, HundredLitPixelsIntoThreeHundredGiveThreeHundredPoints) {
  const std::vector<Lit> from = Spread(100, 613, 0), to = Spread(300, 211, 5);
  WritePicture("a", from);
  WritePicture("b", to);
  OnDisplay(
      kModes[0],
      [&] {
        ASSERT_TRUE(CompileBlock("file \"a\" to \"b\";"));
        const tMorph* morph = Morph()->morph;
        ASSERT_NE(morph, nullptr);
        ASSERT_EQ(morph->points.size(), 300u);
        const std::vector<Lit> a = InByteOrder(from), b = InByteOrder(to);
        std::map<std::pair<float, float>, int> starts;
        for (std::size_t i = 0; i < 300; i++) {
          const tMorphPoint& p = morph->points[i];
          const Lit& s = a[i % 100];
          const Lit& e = b[i];
          EXPECT_EQ(p.x, static_cast<float>(s.c + 32)) << i;
          EXPECT_EQ(p.y, static_cast<float>(s.r)) << i;
          EXPECT_EQ(p.value, s.g) << i;
          EXPECT_EQ(p.x + p.dx, static_cast<float>(e.c + 32)) << i;
          EXPECT_EQ(p.y + p.dy, static_cast<float>(e.r)) << i;
          EXPECT_EQ(p.dvalue, static_cast<float>(e.g - s.g)) << i;
          starts[{p.x, p.y}]++;
        }
        EXPECT_EQ(starts.size(), 100u);
        for (const auto& [place, count] : starts) EXPECT_EQ(count, 3);
      },
      320, 256);
}

struct CloudCase {
  const char* name;
  bool fromOnly;  // else only a "to" picture
  int width, height;
};
void PrintTo(const CloudCase& c, std::ostream* os) { *os << c.name; }

class MorphCloud : public MorphTest, public testing::WithParamInterface<CloudCase> {};

// A missing picture pairs with a cloud in the square of side H around the
// centre, at gray 0; under 256 rows the picture side is scaled by H / 256.
TEST_P(MorphCloud, AMissingPictureIsARandomSquareAtGrayZero) {
  const CloudCase& c = GetParam();
  const std::vector<Lit> lit = Spread(40, 1237, 77);
  WritePicture("a", lit);
  OnDisplay(
      kModes[2],
      [&] {
        cVOXAmorphcollector collector("morph");
        const tMorph* morph = Load(&collector,
                                   c.fromOnly ? "a\x08"
                                              : "\x08"
                                                "a",
                                   1234);
        ASSERT_NE(morph, nullptr);
        ASSERT_EQ(morph->points.size(), lit.size());
        const float w = static_cast<float>(c.width), h = static_cast<float>(c.height);
        const float s = c.height < 256 ? h / 256.0f : 1.0f;
        const float offX = w / 2 - 128.0f * s, offY = h / 2 - 128.0f * s;
        const std::vector<Lit> pixels = InByteOrder(lit);
        SetRandState(1234);
        for (std::size_t i = 0; i < pixels.size(); i++) {
          const tMorphPoint& p = morph->points[i];
          const float px = static_cast<float>(pixels[i].c) * s;
          const float py = static_cast<float>(pixels[i].r) * s;
          float cloudX, cloudY;  // on the screen
          if (c.fromOnly) {
            const float ex = Cloud(h, s), ey = Cloud(h, s);
            EXPECT_FLOAT_EQ(p.x, px + offX) << i;
            EXPECT_FLOAT_EQ(p.y, py + offY) << i;
            EXPECT_EQ(p.value, pixels[i].g) << i;
            EXPECT_FLOAT_EQ(p.dx, ex - px) << i;
            EXPECT_FLOAT_EQ(p.dy, ey - py) << i;
            EXPECT_EQ(p.dvalue, static_cast<float>(-pixels[i].g)) << i;
            cloudX = p.x + p.dx;
            cloudY = p.y + p.dy;
          } else {
            const float sx = Cloud(h, s), sy = Cloud(h, s);
            EXPECT_FLOAT_EQ(p.x, sx + offX) << i;
            EXPECT_FLOAT_EQ(p.y, sy + offY) << i;
            EXPECT_EQ(p.value, 0) << i;
            // A start and its delta each rounded once: close to the pixel, not on it.
            EXPECT_NEAR(p.x + p.dx, px + offX, 1e-3) << i;
            EXPECT_NEAR(p.y + p.dy, py + offY, 1e-3) << i;
            EXPECT_EQ(p.dvalue, static_cast<float>(pixels[i].g)) << i;
            cloudX = p.x;
            cloudY = p.y;
          }
          EXPECT_GE(cloudX, w / 2 - h / 2 - 1e-3f) << i;
          EXPECT_LE(cloudX, w / 2 + h / 2 + 1e-3f) << i;
          EXPECT_GE(cloudY, -1e-3f) << i;
          EXPECT_LE(cloudY, h + 1e-3f) << i;
        }
      },
      c.width, c.height);
}

INSTANTIATE_TEST_SUITE_P(Cases, MorphCloud,
                         testing::Values(CloudCase{"FromOnly256", true, 320, 256},
                                         CloudCase{"ToOnly256", false, 320, 256},
                                         CloudCase{"FromOnly200", true, 320, 200},
                                         CloudCase{"ToOnly200", false, 320, 200}),
                         [](const auto& info) { return std::string(info.param.name); });

// The generator's largest value puts a cloud point on row H itself, one row
// below the buffer: it is built there and dropped when plotted.
TEST_F(MorphTest, TheCloudsLastRowLiesOutsideAndIsNotPlotted) {
  WritePicture("a", {{5, 6, 200}});
  OnDisplay(
      kModes[0],
      [&] {
        // The state before the one whose next value is 32767, for the row.
        std::uint32_t inverse = 1103515245u;
        for (int i = 0; i < 5; i++) inverse *= 2u - 1103515245u * inverse;
        const std::uint32_t last = (0x7FFF0000u - 12345u) * inverse;
        cVOXAmorphcollector collector("morph");
        const tMorph* morph = Load(&collector,
                                   "\x08"
                                   "a",
                                   (last - 12345u) * inverse);
        ASSERT_NE(morph, nullptr);
        ASSERT_EQ(morph->points.size(), 1u);
        EXPECT_EQ(morph->points[0].y, 256.0f);

        const int pitch = 320 * 2;
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(pitch * 256), 0xAA);
        std::uint32_t grays[256];
        for (std::uint32_t i = 0; i < 256; i++) grays[i] = i * 0x0101u;
        cVOXAmorph::DrawPoints(*morph, 0.0f, pixels.data(), pitch, 320, 256, 2, grays);
        EXPECT_TRUE(
            std::all_of(pixels.begin(), pixels.end(), [](std::uint8_t b) { return b == 0xAA; }));
        cVOXAmorph::DrawPoints(*morph, 1.0f, pixels.data(), pitch, 320, 256, 2, grays);
        EXPECT_EQ(pixels[static_cast<std::size_t>(6 * pitch + (5 + 32) * 2)], 200);
      },
      320, 256);
}

// Hand-made points on a 4 x 3 buffer with padded rows: only the point inside
// is written, with as many bytes as a pixel has; other sizes write nothing.
TEST(MorphDrawPoints, PointsOutsideAndOddPixelSizesWriteNothing) {
  tMorph morph;
  morph.points = {
      {1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 200},    // inside
      {4.0f, 0.0f, 0.0f, 0.0f, 0.0f, 100},    // one column right of the buffer
      {0.0f, 3.0f, 0.0f, 0.0f, 0.0f, 100},    // one row below it
      {-2.0f, 0.0f, 0.0f, 0.0f, 0.0f, 100},   // left of it
      {0.0f, -2.0f, 0.0f, 0.0f, 0.0f, 100},   // above it
      {2.0f, 2.0f, 0.0f, 0.0f, 300.0f, 100},  // a gray beyond the table
  };
  std::uint32_t grays[256];
  for (std::uint32_t i = 0; i < 256; i++) grays[i] = 0x04030201u * i;
  for (int bytes : {1, 2, 3, 4, 5}) {
    const int pitch = 4 * bytes + 3;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(pitch * 3), 0xAA);
    std::vector<std::uint8_t> expected = pixels;
    if (bytes >= 2 && bytes <= 4)
      std::memcpy(&expected[static_cast<std::size_t>(pitch + bytes)], &grays[200],
                  static_cast<std::size_t>(bytes));
    cVOXAmorph::DrawPoints(morph, 1.0f, pixels.data(), pitch, 4, 3, bytes, grays);
    EXPECT_EQ(pixels, expected) << bytes << " bytes per pixel";
  }
}

struct Screen {
  PixelMode mode;
  int width, height;
};
void PrintTo(const Screen& s, std::ostream* os) {
  *os << s.mode.name << "_" << s.width << "x" << s.height;
}

class MorphDraw : public MorphTest, public testing::WithParamInterface<Screen> {};

// At t = num / den every pair stands at its weighted place with the start gray
// plus the truncated share of the change; everything else keeps the fill.
TEST_P(MorphDraw, PointsStandAtTheirPlaceAndGrayForTheFramesValue) {
  const std::vector<Lit> from = {
      {0, 0, 77}, {10, 20, 200}, {100, 50, 8}, {255, 255, 255}, {200, 3, 128}};
  const std::vector<Lit> to = {
      {30, 40, 100}, {12, 13, 255}, {0, 255, 31}, {128, 128, 9}, {250, 100, 1}};
  WritePicture("a", from);
  WritePicture("b", to);
  struct FramesCase {
    const char* frames;
    int num, den;  // t
  };
  const FramesCase cases[] = {{"0", 0, 1}, {"1", 1, 1}, {"0.5", 1, 2}, {"1.5", 1, 1}, {"-1", 0, 1}};
  const Screen& screen = GetParam();
  OnDisplay(
      screen.mode,
      [&] {
        video::voxaSurface* back = video::GetBackSurface();
        const int w = screen.width, h = screen.height;
        const double s = h < 256 ? h / 256.0 : 1.0;
        const std::vector<Lit> a = InByteOrder(from), b = InByteOrder(to);
        for (const FramesCase& c : cases) {
          SCOPED_TRACE(c.frames);
          ASSERT_TRUE(CompileBlock(
              std::string("buffer DDSsecondary; file \"a\" to \"b\"; frames ") + c.frames + ";"));
          std::map<std::pair<int, int>, int> expected;
          for (std::size_t i = 0; i < a.size(); i++) {
            const double col = ((c.den - c.num) * a[i].c + c.num * b[i].c) * s / c.den;
            const double row = ((c.den - c.num) * a[i].r + c.num * b[i].r) * s / c.den;
            const int x = static_cast<int>(col + w / 2.0 - 128 * s + 0.5);
            const int y = static_cast<int>(row + h / 2.0 - 128 * s + 0.5);
            expected[{x, y}] = a[i].g + c.num * (b[i].g - a[i].g) / c.den;
          }
          back->Fill(0x0000FF);
          const std::vector<unsigned char> before = Bytes(back);
          ASSERT_TRUE(Frame());
          const std::vector<unsigned char> after = Bytes(back);
          const int bpp = screenInfo.bytesPerPixel;
          for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
              const auto found = expected.find({x, y});
              if (found != expected.end()) {
                EXPECT_EQ(Pixel(back, x, y), AsStored(0x010101u * found->second)) << x << "," << y;
              } else {
                const std::size_t at = static_cast<std::size_t>((y * w + x) * bpp);
                ASSERT_TRUE(
                    std::equal(before.begin() + at, before.begin() + at + bpp, after.begin() + at))
                    << x << "," << y;
              }
            }
        }
      },
      screen.width, screen.height);
}

INSTANTIATE_TEST_SUITE_P(Screens, MorphDraw,
                         testing::Values(Screen{kModes[0], 320, 256}, Screen{kModes[1], 320, 256},
                                         Screen{kModes[2], 320, 256}, Screen{kModes[2], 320, 200}),
                         [](const auto& info) {
                           return std::string(info.param.mode.name) + "_" +
                                  std::to_string(info.param.height);
                         });

struct GrayCase {
  PixelMode mode;
  std::uint32_t white, gray8;  // gray 255 and gray 8 as stored
};
void PrintTo(const GrayCase& c, std::ostream* os) { *os << c.mode.name; }

class MorphGrays : public MorphTest, public testing::WithParamInterface<GrayCase> {};

// Each gray keeps the top bits of its level in every channel.
TEST_P(MorphGrays, GraysAreWrittenInTheScreensFormat) {
  WritePicture("pair", {{0, 0, 255}, {1, 0, 8}});
  OnDisplay(
      GetParam().mode,
      [&] {
        ASSERT_TRUE(CompileBlock("buffer DDSsecondary; file \"pair\" to \"pair\"; frames 0;"));
        ASSERT_TRUE(Frame());
        const std::vector<unsigned char> bytes = Bytes(video::GetBackSurface());
        const int bpp = screenInfo.bytesPerPixel;
        auto raw = [&](int x) {
          std::uint32_t value = 0;
          std::memcpy(&value, &bytes[static_cast<std::size_t>(x * bpp)],
                      static_cast<std::size_t>(bpp));
          return value;
        };
        EXPECT_EQ(raw(32), GetParam().white);
        EXPECT_EQ(raw(33), GetParam().gray8);
      },
      320, 256);
}

INSTANTIATE_TEST_SUITE_P(Formats, MorphGrays,
                         testing::Values(GrayCase{kModes[0], 0xFFFFu, 0x0841u},
                                         GrayCase{kModes[1], 0x7FFFu, 0x0421u},
                                         GrayCase{kModes[2], 0xFFFFFFu, 0x080808u}),
                         [](const auto& info) { return std::string(info.param.mode.name); });

// Without a buffer, a morph or a position a frame draws nothing and succeeds.
TEST_F(MorphTest, AnIncompleteBlockDrawsNothing) {
  WritePicture("a", {{0, 0, 255}, {128, 128, 255}});
  const char* blocks[] = {"file \"a\" to \"a\"; frames 0;", "buffer DDSsecondary; frames 0;",
                          "buffer DDSsecondary; file \"a\" to \"a\";", ""};
  OnDisplay(
      kModes[0],
      [&] {
        video::voxaSurface* back = video::GetBackSurface();
        for (const char* block : blocks) {
          ASSERT_TRUE(CompileBlock(block)) << block;
          back->Fill(0x123456);
          const std::vector<unsigned char> before = Bytes(back);
          EXPECT_TRUE(Frame()) << block;
          EXPECT_EQ(Bytes(back), before) << block;
        }
      },
      320, 256);
}

// A buffer that cannot be locked fails the frame.
TEST_F(MorphTest, ABufferThatCannotBeLockedFailsTheFrame) {
  WritePicture("a", {{0, 0, 255}});
  OnDisplay(
      kModes[2],
      [&] {
        ASSERT_TRUE(CompileBlock("buffer DDSsecondary; file \"a\" to \"a\"; frames 0;"));
        static_cast<video::kernelSurface*>(video::GetBackSurface())->surface->SimulateLoss();
        EXPECT_FALSE(Frame());
        EXPECT_TRUE(Logged("Lock() failed!"));
      },
      320, 256);
}

struct RefusedCase {
  const char* name;
  std::string block;
  std::string message;
};
void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class MorphRefused : public MorphTest, public testing::WithParamInterface<RefusedCase> {};

// Pictures that are not 256 x 256, an all-black pair, over-long names and
// malformed blocks stop the compile with a line that says why.
TEST_P(MorphRefused, TheCompileFailsWithItsLine) {
  WritePicture("a", {{3, 4, 90}});
  WritePicture("short", {{3, 4, 90}}, 255);
  WritePicture("black", {});
  OnDisplay(
      kModes[0],
      [&] {
        EXPECT_FALSE(CompileBlock(GetParam().block));
        EXPECT_TRUE(LoggedPart(GetParam().message)) << GetParam().message;
      },
      320, 256);
}

const std::string kLong(300, 'x');
const std::string kHalf(600, 'y');

INSTANTIATE_TEST_SUITE_P(
    Cases, MorphRefused,
    testing::Values(RefusedCase{"ShortFrom", "file \"short\" to \"a\";",
                                "morphs\\short.PCX is no 256x256 grayscale picture!"},
                    RefusedCase{"ShortTo", "file \"a\" to \"short\";",
                                "morphs\\short.PCX is no 256x256 grayscale picture!"},
                    RefusedCase{"Missing", "file \"a\" to \"nothere\";",
                                "morphs\\nothere.PCX is no 256x256 grayscale picture!"},
                    RefusedCase{"LoadingFailsTheCommand", "file \"nothere\" to \"a\";",
                                "Error on loading command!"},
                    RefusedCase{"AllBlack", "file \"black\" to \"black\";",
                                "black to black: morph has no lit pixels"},
                    RefusedCase{"BlackAlone", "file \"\" to \"black\";",
                                " to black: morph has no lit pixels"},
                    RefusedCase{"NoNames", "file \"\" to \"\";", " to : morph has no lit pixels"},
                    RefusedCase{"PathTooLong", "file \"" + kLong + "\" to \"a\";",
                                "Morph picture name \"" + kLong + "\" is too long!"},
                    RefusedCase{"ItemTooLong", "file \"" + kHalf + "\" to \"" + kHalf + "\";",
                                "Morph name \"" + kHalf + " to " + kHalf + "\" is too long!"},
                    RefusedCase{"NoTo", "file \"a\", \"a\";", "expected, but found"},
                    RefusedCase{"OtherWord", "color 1;", "Syntax error!"},
                    RefusedCase{"NoBuffer", "buffer morph;", "Buffer expected!"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fxtest
