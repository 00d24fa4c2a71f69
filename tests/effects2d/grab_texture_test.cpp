// The command "grab_texture": a buffer copied into a screen texture at the
// texture's own size, larger or smaller than the buffer, and the blocks that
// are refused while compiling.
#include "effects2d/grab_texture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ddraw.h"
#include "tests/effects2d/fx_fixture.h"
#include "windxkernel/texture.h"
#include "windxkernel/video.h"

namespace fxtest {
namespace {

using namespace VOXA2;
namespace px = platform::pixels;

// Top left, top right, bottom left, bottom right.
constexpr std::uint32_t kQuadrants[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

void PaintQuadrants(video::voxaSurface* surface) {
  void* pixels = nullptr;
  int pitch = 0;
  ASSERT_TRUE(surface->Lock(&pixels, &pitch, 2));
  const int w = screenInfo.width, h = screenInfo.height, bp = screenInfo.bytesPerPixel;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
      px::Write(static_cast<BYTE*>(pixels) + y * pitch + x * bp, bp,
                PackScreenColor(kQuadrants[(y < h / 2 ? 0 : 2) + (x < w / 2 ? 0 : 1)]));
  surface->Unlock();
}

// A texel of the texture as 0xRRGGBB.
std::uint32_t Texel(video::voxaTexture* texture, int x, int y) {
  IDirectDrawSurface7* surface = static_cast<video::kernelTexture*>(texture)->surface.surface;
  void* pixels = nullptr;
  int pitch = 0;
  EXPECT_TRUE(texture->GetSurface()->Lock(&pixels, &pitch, 1));
  const int bp = (texture->GetBitCount() + 7) / 8;
  const std::uint32_t value = px::Read(static_cast<BYTE*>(pixels) + y * pitch + x * bp, bp);
  texture->GetSurface()->Unlock();
  return px::Unpack(surface->format(), value);
}

class GrabTextureTest : public FxTest {
 protected:
  cVOXAgrab_texture* Grab() { return static_cast<cVOXAgrab_texture*>(Command()); }
};

// The whole buffer lands on the whole texture: each quadrant keeps its colour
// at its centre and in its corner, whichever is larger.
struct ScaleCase {
  const char* name;
  const PixelMode* mode;
  int width, height;  // of the screen
  const char* size;   // of the texture statement
  int textureWidth, textureHeight;
};

class GrabTexture : public GrabTextureTest, public testing::WithParamInterface<ScaleCase> {};

TEST_P(GrabTexture, QuadrantsKeepTheirColours) {
  const ScaleCase& c = GetParam();
  OnDisplay(
      *c.mode,
      [&] {
        ASSERT_TRUE(Compile(std::string("texture \"grab\"") + c.size +
                            ";\npipeline p { entry 0 : 10 : grab_texture { buffer DDSsecondary; "
                            "texture \"grab\"; } }"));
        video::voxaTexture* texture = Grab()->texture;
        ASSERT_NE(texture, nullptr);
        ASSERT_EQ(texture->GetWidth(), c.textureWidth);
        ASSERT_EQ(texture->GetHeight(), c.textureHeight);
        PaintQuadrants(video::GetBackSurface());
        ASSERT_TRUE(Grab()->Execute(0.0f, 0.0f, 0.0f));
        const int w = c.textureWidth, h = c.textureHeight;
        for (int q = 0; q < 4; q++) {
          const bool right = q % 2 != 0, bottom = q >= 2;
          EXPECT_EQ(Texel(texture, right ? 3 * w / 4 : w / 4, bottom ? 3 * h / 4 : h / 4),
                    kQuadrants[q])
              << "centre of quadrant " << q;
          EXPECT_EQ(Texel(texture, right ? w - 1 : 0, bottom ? h - 1 : 0), kQuadrants[q])
              << "corner of quadrant " << q;
        }
      },
      c.width, c.height);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, GrabTexture,
    testing::Values(ScaleCase{"LargerBuffer", &kModes[2], 640, 480, "", 256, 256},
                    ScaleCase{"SmallerBuffer", &kModes[0], 64, 48, "", 256, 256},
                    ScaleCase{"NotSquare", &kModes[1], 64, 48, ", 128, 32", 128, 32}),
    [](const auto& info) { return std::string(info.param.name); });

// A command that was never given a buffer or a texture cannot grab: its frame
// fails rather than pretending.
TEST_F(GrabTextureTest, FrameWithoutBufferOrTextureFails) {
  demo = std::make_unique<cVOXAdemo>();
  cVOXAgrab_texture grab(demo.get());
  EXPECT_NE(demo->FindDataCollector("texture"), nullptr);
  EXPECT_FALSE(grab.Execute(0.0f, 0.0f, 0.0f));
}

struct BlockCase {
  const char* name;
  const char* block;
  const char* message;  // empty: the block compiles
};

class GrabTextureBlock : public FxTest, public testing::WithParamInterface<BlockCase> {};

TEST_P(GrabTextureBlock, WordsAndRefusals) {
  WriteTga("textures/picture.tga", 4, 4, [](int, int) { return 0xFFFFFF; });
  OnDisplay(kModes[2], [&] {
    const bool compiles = !*GetParam().message;
    EXPECT_EQ(
        Compile(std::string("texture \"grab\";\npipeline p { entry 0 : 10 : grab_texture { ") +
                GetParam().block + " } }"),
        compiles);
    if (!compiles) {
      EXPECT_TRUE(LoggedPart(GetParam().message)) << GetParam().message;
    }
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GrabTextureBlock,
    testing::Values(
        BlockCase{"BothInAnyOrder", ";texture \"grab\";; buffer DDStemporary;", ""},
        BlockCase{"CapitalTexture", "buffer DDSsecondary; Texture \"grab\";",
                  "Error 201 occured: Syntax error!"},
        BlockCase{"PictureTexture", "buffer DDSsecondary; texture \"picture\";",
                  "Texture \"picture\" is no screen texture!"},
        BlockCase{"UnknownTexture", "buffer DDSsecondary; texture \"nothere\";",
                  "Error on loading command!"},
        BlockCase{"NoBuffer", "texture \"grab\";", "grab_texture without \"buffer\"!"},
        BlockCase{"NoTexture", "buffer DDSsecondary;", "grab_texture without \"texture\"!"},
        BlockCase{"NotABuffer", "buffer grab; texture \"grab\";",
                  "Error 202 occured: Buffer expected!"},
        BlockCase{"OtherKeyword", "file \"grab\";", "Error 201 occured: Syntax error!"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fxtest
