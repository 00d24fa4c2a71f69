// A mode larger than the catalogue's drawing area: the screen buffers have the
// mode's size, a demo's own buffers the area's. Commands lay out on the screen
// and draw into a smaller buffer only as far as it reaches.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/ddraw.h"
#include "tests/effects2d/fx_fixture.h"
#include "windxkernel/video.h"

namespace fxtest {
namespace {

using namespace VOXA2;

constexpr int kScreenW = 64, kScreenH = 48, kAreaW = 32, kAreaH = 24;

struct AreaCase {
  const char* name;
  const char* block;  // "@" stands for the buffer drawn into
};
void PrintTo(const AreaCase& c, std::ostream* os) { *os << c.name; }

std::string Entry(const char* block, const char* buffer) {
  std::string text = block;
  text.replace(text.find('@'), 1, buffer);
  return "entry 0 : 10 : " + text + " ";
}

void WriteData() {
  WriteTga("pictures/quad.tga", 16, 12, [](int x, int y) {
    static const std::uint32_t colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    return colours[(x >= 8 ? 1 : 0) + (y >= 6 ? 2 : 0)];
  });
  // A morph picture lit all over, so that its points fill the square.
  WritePcx("morphs/dots.pcx", 256, 256,
           [](int x, int y) { return static_cast<std::uint8_t>(1 + (x * 7 + y * 3) % 250); });
  WritePcx("pictures/text.PCX", 320, 16, [](int, int) { return std::uint8_t{0}; });
  WritePcx("pictures/light.PCX", 256, 256,
           [](int u, int v) { return static_cast<std::uint8_t>(3 * u + 5 * v); });
  WritePcx("pictures/ground.PCX", 320, 200,
           [](int x, int y) { return static_cast<std::uint8_t>((x ^ y) & 0x7F); });
}

class DrawingArea : public FxTest,
                    public testing::WithParamInterface<std::tuple<PixelMode, AreaCase>> {
 protected:
  // The mode is made at the screen's size, then the area is asked for.
  void OnLargerMode(const std::function<void()>& body) {
    OnDisplay(
        std::get<0>(GetParam()),
        [&] {
          screenInfo.preferredWidth = kAreaW;
          screenInfo.preferredHeight = kAreaH;
          ASSERT_TRUE(video::RequestVideoMode(video::GetCurrentVideoDevice(), kAreaW, kAreaH,
                                              std::get<0>(GetParam()).bits));
          ASSERT_TRUE(video::ChooseVideoMode());
          ASSERT_EQ(screenInfo.width, kScreenW);
          ASSERT_EQ(screenInfo.virtualWidth, kAreaW);
          body();
        },
        kScreenW, kScreenH);
  }
};

// The same command drawn into the back buffer and into a buffer of the area:
// the small buffer holds exactly the back buffer's top-left corner.
TEST_P(DrawingArea, ASmallBufferHoldsTheCornerOfTheScreensPicture) {
  const AreaCase& c = std::get<1>(GetParam());
  WriteData();
  OnLargerMode([&] {
    ASSERT_TRUE(Compile("buffer t;\npipeline p { " + Entry(c.block, "DDSsecondary") +
                        Entry(c.block, "t") + "}"));
    video::voxaSurface* back = video::GetBackSurface();
    video::voxaSurface* small = demo->surfaces.at(3);
    std::int32_t w = 0, h = 0;
    ASSERT_TRUE(small->GetSize(&w, &h));
    ASSERT_EQ(w, kAreaW);
    ASSERT_EQ(h, kAreaH);
    back->Fill(0);
    small->Fill(0);
    ASSERT_TRUE(Command(0, 0)->Execute(0.5f, 0.5f, 0.05f));
    ASSERT_TRUE(Command(0, 1)->Execute(0.5f, 0.5f, 0.05f));
    int drawn = 0;
    for (int y = 0; y < kAreaH; y++)
      for (int x = 0; x < kAreaW; x++) {
        const std::uint32_t expected = Pixel(back, x, y);
        drawn += expected != 0;
        ASSERT_EQ(Pixel(small, x, y), expected) << x << "," << y;
      }
    EXPECT_GT(drawn, 0) << "the corner shows nothing to compare";
  });
}

INSTANTIATE_TEST_SUITE_P(
    , DrawingArea,
    testing::Combine(
        testing::ValuesIn(kModes),
        testing::Values(AreaCase{"picture", "picture { buffer @; file \"quad\"; }"},
                        AreaCase{"morph", "morph { buffer @; file \"dots\" to \"dots\"; frames 0; }"},
                        AreaCase{"bumpscroller",
                                 "bumpscroller { buffer @; file \"text\", \"light\", \"ground\"; }"})),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
    });

class DrawingAreaPairs : public FxTest, public testing::WithParamInterface<PixelMode> {};

// Commands that read the screen and write a buffer of the area: each row is
// cut to the narrower of the two.
TEST_P(DrawingAreaPairs, ScreenIntoAreaBufferStopsAtItsEdge) {
  OnDisplay(
      GetParam(),
      [&] {
        screenInfo.preferredWidth = kAreaW;
        screenInfo.preferredHeight = kAreaH;
        ASSERT_TRUE(
            video::RequestVideoMode(video::GetCurrentVideoDevice(), kAreaW, kAreaH, GetParam().bits));
        ASSERT_TRUE(video::ChooseVideoMode());
        ASSERT_TRUE(Compile(
            "buffer t; buffer u;\npipeline p {"
            " entry 0 : 10 : motion_blur { buffer DDSsecondary to t; }"
            " entry 0 : 10 : pixel_crossfade { buffer DDSsecondary to u; position 1; file \"x\"; } }"));
        video::voxaSurface* back = video::GetBackSurface();
        video::voxaSurface* t = demo->surfaces.at(3);
        video::voxaSurface* u = demo->surfaces.at(4);
        // Every channel even in every format, so that half of it is exact.
        back->Fill(0x808080);
        t->Fill(0);
        u->Fill(0);
        ASSERT_TRUE(Command(0, 0)->Execute(0, 0, 0));
        ASSERT_TRUE(Command(0, 1)->Execute(0, 0, 0));
        for (int y = 0; y < kAreaH; y++)
          for (int x = 0; x < kAreaW; x++) {
            ASSERT_EQ(Pixel(t, x, y), AsStored(0x404040)) << x << "," << y;
            ASSERT_EQ(Pixel(u, x, y), AsStored(0x808080)) << x << "," << y;
          }
      },
      kScreenW, kScreenH);
}

INSTANTIATE_TEST_SUITE_P(, DrawingAreaPairs, testing::ValuesIn(kModes),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fxtest
