// The slideshow: its schedule of fades, holds and transitions over the window,
// the shuffle drawn from the player's generator, every wipe at chosen points
// of its slot, and pictures smaller than the screen.
#include "effects2d/slideshow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/random.h"
#include "platform/fakehardware.h"
#include "tests/effects2d/fx_fixture.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/video.h"

namespace fxtest {
namespace {

using namespace VOXA2;

constexpr int kW = 64, kH = 48;

// A colour that every pixel format keeps exactly and that names the picture
// (1 to 3) and the pixel: red x mod 32, green y mod 32, blue the picture and
// the high bits of x and y.
std::uint32_t Code(int id, int x, int y) {
  const int blue = (id << 3 | (x >> 5) << 2 | (y >> 5) << 1) << 3;
  return static_cast<std::uint32_t>((x & 31) << 3 << 16 | (y & 31) << 3 << 8 | blue);
}

// A picture kept at its own size (a description file without filters).
void WritePicture(const std::string& name, int id, int width, int height) {
  WriteTga("pictures/" + name + ".tga", width, height,
           [id](int x, int y) { return Code(id, x, y); });
  WriteText("pictures/" + name + ".dsc", "picture \"" + name + ".tga\" { }");
}

// The generator's rule, kept apart from the player's: the order and the kinds
// of the transitions that n pictures get from the state, and the state after.
struct Drawn {
  std::vector<std::int32_t> order;
  std::vector<std::int32_t> kinds;  // of slots 2, 4, ..., 2n - 2
  std::uint32_t state;
};

Drawn DrawSchedule(std::uint32_t state, int n) {
  auto next = [&] {
    state = state * 1103515245u + 12345u;
    return static_cast<std::int32_t>((state >> 16) & 0x7FFF);
  };
  Drawn d;
  for (int i = 0; i < n; i++) d.order.push_back(i);
  for (int c = n; c >= 2; c--) {
    const int r = (next() * c) >> 15;
    // Taken out and put at the end of the first c entries.
    std::rotate(d.order.begin() + r, d.order.begin() + r + 1, d.order.begin() + c);
  }
  for (int k = 1; k < n; k++) d.kinds.push_back(1 + ((next() * 13) >> 15));
  d.state = state;
  return d;
}

// The stored value of one channel as the blending reads it back (the format's
// bits repeated into the low bits), blended with black at alpha a.
std::uint32_t FadedChannel(std::uint32_t stored, int bits, int alpha) {
  const std::uint32_t top = stored >> (8 - bits);
  std::uint32_t value = top << (8 - bits);
  for (int shift = 8 - 2 * bits; shift > -bits; shift -= bits)
    value |= shift >= 0 ? top << shift : top >> -shift;
  return (value * static_cast<std::uint32_t>(255 - alpha) + 127) / 255;
}

// Each channel cut to the screen format's bits, as the screen keeps it.
std::uint32_t Stored(std::uint32_t rgb) {
  auto cut = [](std::uint32_t c, std::int32_t bits) { return (c >> (8 - bits)) << (8 - bits); };
  return cut(rgb >> 16 & 0xFF, screenInfo.redBits) << 16 |
         cut(rgb >> 8 & 0xFF, screenInfo.greenBits) << 8 | cut(rgb & 0xFF, screenInfo.blueBits);
}

// The colour under a black quad of the strength, as the screen keeps it.
std::uint32_t Faded(std::uint32_t rgb, float strength) {
  const int alpha = static_cast<int>(strength * 255.0f);
  const std::uint32_t stored = Stored(rgb);
  return Stored(FadedChannel(stored >> 16 & 0xFF, screenInfo.redBits, alpha) << 16 |
                FadedChannel(stored >> 8 & 0xFF, screenInfo.greenBits, alpha) << 8 |
                FadedChannel(stored & 0xFF, screenInfo.blueBits, alpha));
}

class Slideshow : public FxTest {
 protected:
  // The display with the 3D device in the state the kernel starts it in. The
  // device rasterises in software, so the fades are not dithered and every
  // pixel of them follows from the blending rule.
  void OnScreen(const PixelMode& mode, const std::function<void()>& body, int width = kW,
                int height = kH) {
    platform::Hardware().devices3d = {platform::SoftwareD3DDevice()};
    OnDisplay(
        mode,
        [&] {
          threedee::Setup3DDevice();
          body();
        },
        width, height);
  }

  cVOXAslideshow* Show() { return static_cast<cVOXAslideshow*>(Command()); }

  // One frame at time t on a back buffer filled with `background`.
  void Frame(float t, std::uint32_t background = 0) {
    video::GetBackSurface()->Fill(background);
    ASSERT_TRUE(Show()->Execute(t, t, t / Show()->length));
  }

  std::vector<std::uint32_t> Screen() {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < kH; y++)
      for (int x = 0; x < kW; x++) out.push_back(Pixel(video::GetBackSurface(), x, y));
    return out;
  }

  // Which picture fills the whole screen, or 0.
  int ShownPicture() {
    const std::vector<std::uint32_t> screen = Screen();
    for (int id = 1; id <= 3; id++) {
      bool all = true;
      for (int i = 0; i < kW * kH && all; i++) all = screen[i] == Code(id, i % kW, i / kW);
      if (all) return id;
    }
    return 0;
  }
};

class SlideshowFormats : public Slideshow, public testing::WithParamInterface<PixelMode> {};

// One picture over 3 s: fade in over the first second, hold, fade out.
TEST_P(SlideshowFormats, OnePictureFadesInHoldsAndFadesOut) {
  WriteTga("pictures/gray.tga", kW, kH, [](int, int) { return 0xC8C8C8u; });
  WriteText("pictures/gray.dsc", "picture \"gray.tga\" { }");
  OnScreen(GetParam(), [&] {
    ASSERT_TRUE(Compile("pipeline p { entry 0 : 3 : slideshow { file \"gray\"; } }"));
    EXPECT_EQ(Show()->slotCount, 3);
    EXPECT_FLOAT_EQ(Show()->slotLength, 1.0f);
    struct Case {
      float t, strength;  // strength of the black quad
    };
    for (const Case c : {Case{0.0f, 1.0f}, Case{0.25f, 0.75f}, Case{0.5f, 0.5f}, Case{1.5f, 0.0f},
                         Case{2.5f, 0.5f}, Case{2.75f, 0.75f}, Case{3.0f, 1.0f}}) {
      Frame(c.t, 0xFFFFFF);
      const std::uint32_t expected = Faded(0xC8C8C8, c.strength);
      for (auto [x, y] : {std::pair{0, 0}, {kW - 1, 0}, {31, 20}, {0, kH - 1}, {kW - 1, kH - 1}})
        EXPECT_EQ(Pixel(video::GetBackSurface(), x, y), expected)
            << "t " << c.t << " at " << x << "," << y;
    }
  });
}

// Three pictures over 7 s: each hold shows one of them, each exactly once, in
// the order the generator drew; the transitions come from the same draw.
TEST_P(SlideshowFormats, ThreePicturesAreShownOnceEachInTheDrawnOrder) {
  for (int id = 1; id <= 3; id++) WritePicture("p" + std::to_string(id), id, kW, kH);
  OnScreen(GetParam(), [&] {
    ASSERT_TRUE(Compile(
        "pipeline p { entry 0 : 7 : slideshow { file \"p1\"; file \"p2\"; ; file \"p3\"; } }"));
    SetRandState(2026);
    const Drawn drawn = DrawSchedule(2026, 3);
    std::vector<int> shown;
    for (float t : {1.5f, 3.5f, 5.5f}) {
      Frame(t);
      shown.push_back(ShownPicture());
    }
    EXPECT_EQ(shown,
              (std::vector<int>{drawn.order[0] + 1, drawn.order[1] + 1, drawn.order[2] + 1}));
    std::vector<int> sorted = shown;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{1, 2, 3}));
    const auto& slots = Show()->schedule;
    ASSERT_EQ(slots.size(), 7u);
    EXPECT_EQ(slots[2].kind, drawn.kinds[0]);
    EXPECT_EQ(slots[4].kind, drawn.kinds[1]);
    EXPECT_EQ(slots[0].from, -1);
    EXPECT_EQ(slots[6].to, -1);
    EXPECT_EQ(GetRandState(), drawn.state);
  });
}

// A window of no length has slots of no length: a frame is the first slot at
// its start or the last one finished (black both), never outside the schedule.
TEST_F(Slideshow, AWindowOfNoLengthStaysInsideTheSchedule) {
  WritePicture("a", 1, kW, kH);
  OnScreen(kModes[2], [&] {
    ASSERT_TRUE(Compile("pipeline p { entry 0 : 0 : slideshow { file \"a\"; } }"));
    for (float t : {0.0f, 0.5f}) {
      video::GetBackSurface()->Fill(0xFFFFFF);
      EXPECT_TRUE(Show()->Execute(t, t, 0.0f));
      EXPECT_EQ(Pixel(video::GetBackSurface(), 5, 5), 0u) << t;
    }
  });
}

INSTANTIATE_TEST_SUITE_P(Formats, SlideshowFormats, testing::ValuesIn(kModes),
                         [](const auto& info) { return std::string(info.param.name); });

// Running forward keeps the schedule; a time before the last frame's (a
// restart, or time running back) draws a new one from the generator's state.
TEST_F(Slideshow, OnlyTimeRunningBackReshuffles) {
  for (int id = 1; id <= 3; id++) WritePicture("p" + std::to_string(id), id, kW, kH);
  OnScreen(kModes[2], [&] {
    ASSERT_TRUE(
        Compile("pipeline p { entry 0 : 14 : slideshow { file \"p1\"; file \"p2\"; file \"p3\"; "
                "file \"p1\"; file \"p2\"; file \"p3\"; } }"));
    const int n = 6;
    SetRandState(7);
    const Drawn first = DrawSchedule(7, n);
    auto kinds = [&] {
      std::vector<std::int32_t> k;
      for (int i = 1; i < n; i++) k.push_back(Show()->schedule[2 * i].kind);
      return k;
    };
    Frame(0.5f);
    EXPECT_EQ(Show()->order, first.order);
    EXPECT_EQ(kinds(), first.kinds);
    for (float t : {0.5f, 3.0f, 9.0f, 13.9f}) Frame(t);
    EXPECT_EQ(Show()->order, first.order);
    EXPECT_EQ(kinds(), first.kinds);
    EXPECT_EQ(GetRandState(), first.state);

    const Drawn second = DrawSchedule(first.state, n);
    Frame(2.0f);
    EXPECT_EQ(Show()->order, second.order);
    EXPECT_EQ(kinds(), second.kinds);
    EXPECT_EQ(GetRandState(), second.state);
  });
}

// What each wipe shows at screen pixel (X, Y) at progress f, as the picture
// (1 = A, 2 = B) and its pixel, for pictures of the screen's size.
struct Seen {
  int id, x, y;
};

Seen Wipe(int kind, float f, int X, int Y) {
  const int W = kW, H = kH;
  const bool odd = (Y & 1) != 0;
  auto A = [](int x, int y) { return Seen{1, x, y}; };
  auto B = [](int x, int y) { return Seen{2, x, y}; };
  int x = 0, y = 0;
  switch (kind) {
    case 2:
    case 3:
    case 11:
      x = static_cast<int>((1 - f) * W);
      break;
    case 4:
    case 5:
    case 13:
      x = static_cast<int>(f * W);
      break;
    case 6:
    case 7:
      y = static_cast<int>((1 - f) * H);
      break;
    case 8:
    case 9:
      y = static_cast<int>(f * H);
      break;
    case 10:
      x = static_cast<int>(f < 0.5f ? (0.5f - f) * W * 2 : (1 - f) * W * 2);
      break;
    case 12:
      x = static_cast<int>(f < 0.5f ? f * W * 2 : (f - 0.5f) * W * 2);
      break;
  }
  switch (kind) {
    case 2:  // B slides in from the right over A
      return X < x ? A(X, Y) : B(X - x, Y);
    case 3:  // B pushes A out to the left
      return X < x ? A(X + W - x, Y) : B(X - x, Y);
    case 4:  // B slides in from the left over A
      return X < x ? B(X + W - x, Y) : A(X, Y);
    case 5:  // B pushes A out to the right
      return X < x ? B(X + W - x, Y) : A(X - x, Y);
    case 6:
      return Y < y ? A(X, Y) : B(X, Y - y);
    case 7:
      return Y < y ? A(X, Y + H - y) : B(X, Y - y);
    case 8:
      return Y < y ? B(X, Y + H - y) : A(X, Y);
    case 9:
      return Y < y ? B(X, Y + H - y) : A(X, Y - y);
    case 10:  // odd lines of B come in from the right, then the even ones
      if (f < 0.5f) return odd && X >= x ? B(X - x, Y) : A(X, Y);
      return odd ? B(X, Y) : (X >= x ? B(X - x, Y) : A(X, Y));
    case 11:  // odd lines of B from the left, even ones from the right
      if (odd) return X < W - x ? B(X + x, Y) : A(X, Y);
      return X >= x ? B(X - x, Y) : A(X, Y);
    case 12:  // even lines of A leave to the right, then the odd ones
      if (f < 0.5f) return odd ? A(X, Y) : (X >= x ? A(X - x, Y) : B(X, Y));
      return odd && X >= x ? A(X - x, Y) : B(X, Y);
    case 13:  // odd lines of A leave to the left, even ones to the right
      if (odd) return X < W - x ? A(X + x, Y) : B(X, Y);
      return X >= x ? A(X - x, Y) : B(X, Y);
  }
  return Seen{0, 0, 0};
}

struct WipeCase {
  PixelMode mode;
  int kind;
};
void PrintTo(const WipeCase& c, std::ostream* os) { *os << c.mode.name << " kind " << c.kind; }

class SlideshowWipes : public Slideshow, public testing::WithParamInterface<WipeCase> {};

// Slot 2 of three pictures over 7 s (1 s slots) set to the wipe under test;
// A and B take the whole screen.
TEST_P(SlideshowWipes, ShowTheirPicturesWhereTheMovementPutsThem) {
  WritePicture("a", 1, kW, kH);
  WritePicture("b", 2, kW, kH);
  const WipeCase c = GetParam();
  OnScreen(c.mode, [&] {
    ASSERT_TRUE(
        Compile("pipeline p { entry 0 : 7 : slideshow { file \"a\"; file \"b\"; file \"a\"; } }"));
    Frame(0.0f);
    for (const float f : {0.0f, 0.25f, 0.5f, 0.75f, 0.875f}) {
      Show()->schedule[2] = cVOXAslideshow::tSlot{0, 1, c.kind};
      Show()->lastTime = 0.0f;  // no new schedule
      Frame(2.0f + f, 0x00FF00);
      const std::vector<std::uint32_t> screen = Screen();
      int wrong = 0;
      for (int Y = 0; Y < kH; Y++)
        for (int X = 0; X < kW; X++) {
          const Seen s = Wipe(c.kind, f, X, Y);
          if (f == 0.0f) {
            ASSERT_EQ(s.id, 1) << "the wipe starts on A alone";
          }
          const std::uint32_t expected = Code(s.id, s.x, s.y);
          if (screen[static_cast<std::size_t>(Y * kW + X)] != expected && wrong++ < 3)
            ADD_FAILURE() << "f " << f << " at " << X << "," << Y << ": picture " << s.id
                          << " pixel " << s.x << "," << s.y;
        }
      EXPECT_EQ(wrong, 0) << "f " << f;
    }
  });
}

std::vector<WipeCase> AllWipes() {
  std::vector<WipeCase> cases;
  for (const PixelMode& mode : {kModes[0], kModes[2]})
    for (int kind = 2; kind <= 13; kind++) cases.push_back(WipeCase{mode, kind});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Kinds, SlideshowWipes, testing::ValuesIn(AllWipes()),
                         [](const auto& info) {
                           return std::string(info.param.mode.name) + "_kind" +
                                  std::to_string(info.param.kind);
                         });

// Through black: the first half fades A out, the second fades B in.
TEST_F(Slideshow, ThroughBlackFadesOutAThenInB) {
  WritePicture("a", 1, kW, kH);
  WritePicture("b", 2, kW, kH);
  OnScreen(kModes[0], [&] {
    ASSERT_TRUE(Compile("pipeline p { entry 0 : 5 : slideshow { file \"a\"; file \"b\"; } }"));
    Frame(0.0f);
    struct Case {
      float f;
      int id;
      float strength;
    };
    for (const Case c :
         {Case{0.0f, 1, 0.0f}, Case{0.25f, 1, 0.5f}, Case{0.5f, 2, 1.0f}, Case{0.75f, 2, 0.5f}}) {
      Show()->schedule[2] = cVOXAslideshow::tSlot{0, 1, 1};
      Show()->lastTime = 0.0f;
      Frame(2.0f + c.f, 0xFFFFFF);
      for (auto [x, y] : {std::pair{0, 0}, {40, 9}, {63, 47}})
        EXPECT_EQ(Pixel(video::GetBackSurface(), x, y), Faded(Code(c.id, x, y), c.strength))
            << "f " << c.f << " at " << x << "," << y;
    }
  });
}

// A device that rasterises in hardware dithers the fades; the blend is the same.
TEST_F(Slideshow, FadesAreDitheredOnAHardwareRasterizer) {
  WritePicture("a", 1, kW, kH);
  platform::Hardware().devices3d = {platform::HardwareD3DDevice()};
  OnDisplay(kModes[0], [&] {
    threedee::Setup3DDevice();
    ASSERT_TRUE(threedee::IsHardwareRasterizer());
    ASSERT_TRUE(Compile("pipeline p { entry 0 : 3 : slideshow { file \"a\"; } }"));
    Frame(0.5f);
    DWORD dither = 0;
    kernel::d3dState.device->GetRenderState(D3DRENDERSTATE_DITHERENABLE, &dither);
    EXPECT_EQ(dither, 1u);
    // Within one step of the format (8 for 5 bits, 4 for 6) of the undithered value.
    for (auto [x, y] : {std::pair{0, 0}, {63, 0}, {33, 21}, {62, 47}}) {
      const std::uint32_t got = Pixel(video::GetBackSurface(), x, y);
      const std::uint32_t want = Faded(Code(1, x, y), 0.5f);
      for (int shift : {16, 8, 0})
        EXPECT_LE(std::abs(static_cast<int>(got >> shift & 0xFF) -
                           static_cast<int>(want >> shift & 0xFF)),
                  8)
            << x << "," << y;
    }
  });
}

// Pictures narrower or lower than the screen: centred in holds and fades, at
// the top left in wipes, and no transition reads or writes outside them or
// the screen (the sanitizer build watches).
TEST_P(SlideshowFormats, SmallPicturesAreCentredInHoldsAndCornerPlacedInWipes) {
  WritePicture("small", 1, 10, 8);
  WritePicture("flat", 2, kW, 5);
  WritePicture("thin", 3, 5, kH);
  OnScreen(GetParam(), [&] {
    ASSERT_TRUE(
        Compile("pipeline p { entry 0 : 7 : slideshow { file \"small\"; file \"flat\"; file "
                "\"thin\"; } }"));
    Frame(0.0f);
    const std::uint32_t fill = AsStored(0x00FF00);
    video::voxaSurface* back = video::GetBackSurface();

    Show()->schedule[1] = cVOXAslideshow::tSlot{0, 0, -1};
    Frame(1.5f, 0x00FF00);
    const int left = (kW - 10) / 2, top = (kH - 8) / 2;
    EXPECT_EQ(Pixel(back, left, top), Code(1, 0, 0));
    EXPECT_EQ(Pixel(back, left + 9, top + 7), Code(1, 9, 7));
    EXPECT_EQ(Pixel(back, left - 1, top), fill);
    EXPECT_EQ(Pixel(back, left + 10, top + 7), fill);
    EXPECT_EQ(Pixel(back, left, top + 8), fill);

    // A wipe at its start shows A alone, placed at the top left.
    Show()->schedule[2] = cVOXAslideshow::tSlot{0, 2, 5};
    Show()->lastTime = 0.0f;
    Frame(2.0f, 0x00FF00);
    EXPECT_EQ(Pixel(back, 0, 0), Code(1, 0, 0));
    EXPECT_EQ(Pixel(back, 9, 7), Code(1, 9, 7));
    EXPECT_EQ(Pixel(back, 10, 0), fill);
    EXPECT_EQ(Pixel(back, 0, 8), fill);

    // Every transition between every pair, at many points of its slot.
    for (int kind = 1; kind <= 13; kind++)
      for (int from = 0; from < 3; from++)
        for (int to = 0; to < 3; to++)
          for (const float f : {0.0f, 0.1f, 0.3f, 0.5f, 0.6f, 0.9f, 0.999f}) {
            Show()->schedule[2] = cVOXAslideshow::tSlot{from, to, kind};
            Show()->lastTime = 0.0f;
            video::GetBackSurface()->Fill(0);
            EXPECT_TRUE(Show()->Execute(2.0f + f, 2.0f + f, 0.0f)) << kind;
          }
    // B pushing A out to the left, halfway: B's first columns land at x = 32.
    Show()->schedule[2] = cVOXAslideshow::tSlot{1, 0, 3};
    Show()->lastTime = 0.0f;
    Frame(2.5f, 0x00FF00);
    EXPECT_EQ(Pixel(back, 0, 0), Code(2, 32, 0));
    EXPECT_EQ(Pixel(back, 31, 4), Code(2, 63, 4));
    EXPECT_EQ(Pixel(back, 32, 0), fill) << "B is narrower than the travel";
    EXPECT_EQ(Pixel(back, 0, 5), fill);
  });
}

// A back buffer that cannot be locked fails the frame, whatever the slot shows.
TEST_F(Slideshow, ABackBufferThatCannotBeLockedFailsTheFrame) {
  WritePicture("a", 1, kW, kH);
  WritePicture("b", 2, kW, kH);
  OnScreen(kModes[2], [&] {
    ASSERT_TRUE(Compile("pipeline p { entry 0 : 5 : slideshow { file \"a\"; file \"b\"; } }"));
    Frame(0.0f);
    Show()->schedule[2] = cVOXAslideshow::tSlot{0, 1, 7};
    static_cast<video::kernelSurface*>(video::GetBackSurface())->surface->SimulateLoss();
    for (float t : {0.5f, 1.5f, 2.5f, 4.5f}) {  // fade in, hold, wipe, fade out
      Show()->lastTime = 0.0f;
      EXPECT_FALSE(Show()->Execute(t, t, 0.0f)) << t;
    }
    EXPECT_TRUE(Logged("Lock() failed!"));
  });
}

// The parts of a block that could only fail later are refused while compiling.
struct RefusedCase {
  const char* name;
  const char* block;
  const char* message;
};
void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class SlideshowRefused : public Slideshow, public testing::WithParamInterface<RefusedCase> {};

TEST_P(SlideshowRefused, FailsTheCompile) {
  WritePicture("a", 1, kW, kH);
  OnScreen(kModes[2], [&] {
    EXPECT_FALSE(
        Compile(std::string("pipeline p { entry 0 : 1 : slideshow ") + GetParam().block + " }"));
    EXPECT_TRUE(LoggedPart(GetParam().message)) << GetParam().message;
  });
}

// Without a 3D device no fade could be drawn: the block is refused.
TEST_F(Slideshow, NoThreeDeeDeviceRefusesTheCommand) {
  WritePicture("a", 1, kW, kH);
  OnScreen(kModes[2], [&] {
    IDirect3DDevice7* device = kernel::d3dState.device;
    kernel::d3dState.device = nullptr;
    EXPECT_FALSE(Compile("pipeline p { entry 0 : 1 : slideshow { file \"a\"; } }"));
    kernel::d3dState.device = device;
    EXPECT_TRUE(Logged("demo.txt(1,44) Could not create VertexArray() object!"));
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SlideshowRefused,
    testing::Values(RefusedCase{"NoPicture", "{ ; }",
                                "Error 271 occured: A slideshow requires at least one picture!"},
                    RefusedCase{"OtherStatement", "{ file \"a\"; buffer DDSsecondary; }",
                                "Error 201 occured: Syntax error!"},
                    RefusedCase{"MissingPicture", "{ file \"a\"; file \"none\"; }",
                                "Error on loading data \"none\""},
                    RefusedCase{"NameNotAString", "{ file a; }", "Error 2 occured"}),
    [](const auto& info) { return std::string(info.param.name); });

// Frames of a fade and of some wipes as the window shows them, written as PNG
// files; with VOXA2_KEEP_FRAMES naming a folder they are kept there to look at.
TEST_F(Slideshow, PresentedFramesCanBeLookedAt) {
  WriteTga("pictures/warm.tga", 320, 240, [](int x, int y) {
    return static_cast<std::uint32_t>((x * 255 / 320) << 16 | (y * 255 / 240) << 8 | 0x20);
  });
  WriteTga("pictures/cool.tga", 320, 240,
           [](int x, int y) { return ((x / 20 + y / 20) & 1) ? 0x2040C0u : 0xE0E0F0u; });
  const char* keep = std::getenv("VOXA2_KEEP_FRAMES");
  OnScreen(
      kModes[0],
      [&] {
        ASSERT_TRUE(
            Compile("pipeline p { entry 0 : 5 : slideshow { file \"warm\"; file \"cool\"; } }"));
        Frame(0.0f);
        struct Shot {
          const char* name;
          int kind;
          float t;
        };
        for (const Shot shot : {Shot{"fadein", 0, 0.6f}, Shot{"push", 3, 2.4f},
                                Shot{"interlaced", 11, 2.4f}, Shot{"lines", 12, 2.3f}}) {
          if (shot.kind) Show()->schedule[2] = cVOXAslideshow::tSlot{0, 1, shot.kind};
          Show()->lastTime = 0.0f;
          Frame(shot.t);
          video::PresentFrame();
          const platform::PresentedFrame& frame = platform::LastPresentedFrame();
          ASSERT_EQ(frame.width, 320);
          ASSERT_EQ(frame.height, 240);
          const std::string file = std::string("slideshow-") + shot.name + ".png";
          ASSERT_TRUE(platform::WritePresentedFramePng(file));
          if (keep)
            std::filesystem::copy_file(file, std::filesystem::path(keep) / file,
                                       std::filesystem::copy_options::overwrite_existing);
        }
      },
      320, 240);
}

}  // namespace
}  // namespace fxtest
