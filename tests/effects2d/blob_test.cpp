// The command "blob": the metaball field in the texture's own pixel format,
// where a blob sits for its position, strength and threshold, the gray
// palette on unusual masks, the pixel loop on extreme values, and the words
// and refusals of its block.
#include "effects2d/blob.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "platform/fakehardware.h"
#include "tests/effects2d/fx_fixture.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/texture.h"
#include "windxkernel/video.h"

namespace fxtest {
namespace {

using namespace VOXA2;

constexpr int kN = 256;
const PixelMode kTargets[] = {kModes[0], kModes[1], kModes[2]};

class BlobTexture : public FxTest {
 protected:
  // One blob command on a declared screen texture "blobs".
  bool CompileBlock(const std::string& block, const char* size = "256, 256") {
    return Compile(std::string("texture \"blobs\", ") + size +
                   "; pipeline p { entry 0 : 10 : blob { file \"blobs\"; " + block + " } }");
  }
  cVOXAblob* Command() { return static_cast<cVOXAblob*>(FxTest::Command()); }
  video::voxaTexture* Texture() { return Command()->texture; }
  // Opaque white and opaque black in the texture's format.
  std::uint32_t White() {
    video::voxaTexture* t = Texture();
    return t->GetAlphaMask() | t->GetRedMask() | t->GetGreenMask() | t->GetBlueMask();
  }
  std::uint32_t Black() { return Texture()->GetAlphaMask(); }
  // Every texel of the texture, row by row, as raw values.
  std::vector<std::uint32_t> Texels() {
    video::voxaTexture* t = Texture();
    const int bp = (t->GetBitCount() + 7) / 8;
    void* pixels = nullptr;
    int pitch = 0;
    EXPECT_TRUE(t->GetSurface()->Lock(&pixels, &pitch, 1));
    std::vector<std::uint32_t> out;
    for (int y = 0; y < t->GetHeight(); y++)
      for (int x = 0; x < t->GetWidth(); x++) {
        std::uint32_t v = 0;
        std::memcpy(&v, static_cast<const unsigned char*>(pixels) + y * pitch + x * bp, bp);
        out.push_back(v);
      }
    t->GetSurface()->Unlock();
    return out;
  }
  bool Frame(float t) { return FxTest::Command()->Execute(t, t, 0); }
};

class Blob : public BlobTexture, public testing::WithParamInterface<PixelMode> {};

// A blob of multiply m on N x N with threshold 6.5: texel level N²m/d − 1664,
// white from 1919 up and black at 1664 and below.
TEST_P(Blob, DefaultBlobIsAWhiteDiscOfRadiusAboutSixAtTheCentre) {
  OnDisplay(GetParam(), [&] {
    ASSERT_TRUE(CompileBlock("blob { }"));
    Texture()->GetSurface()->Fill(0x808080);
    ASSERT_TRUE(Frame(0.0f));
    const std::vector<std::uint32_t> texels = Texels();
    const std::uint32_t alpha = Texture()->GetAlphaMask();
    int white = 0, black = 0;
    for (int y = 0; y < kN; y++)
      for (int x = 0; x < kN; x++) {
        const std::uint32_t v = texels[static_cast<std::size_t>(y * kN + x)];
        ASSERT_EQ(v & alpha, alpha) << x << "," << y;
        const double r = std::hypot(x - 128, y - 128);
        if (r < 5.8) {
          EXPECT_EQ(v, White()) << x << "," << y;
          white += v == White();
        } else if (r > 6.3) {
          EXPECT_EQ(v, Black()) << x << "," << y;
          black += v == Black();
        }
      }
    EXPECT_GT(white, 90);  // about π·5.8²
  });
}

INSTANTIATE_TEST_SUITE_P(Formats, Blob, testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

struct PlaceCase {
  const char* name;
  const char* block;
  int whiteX, whiteY;  // a texel that must be white
  int blackX, blackY;  // and one that must be black
};

class BlobPlace : public BlobTexture, public testing::WithParamInterface<PlaceCase> {};

// (0, 0) is the top-left corner, (1, 1) the bottom-right; multiply scales the
// strength, a negative one is held at 0; sub moves the threshold.
TEST_P(BlobPlace, BlobsSitWhereTheirParametersSay) {
  const PlaceCase& c = GetParam();
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(CompileBlock(c.block));
    ASSERT_TRUE(Frame(0.0f));
    const std::vector<std::uint32_t> texels = Texels();
    if (c.whiteX >= 0) {
      EXPECT_EQ(texels[static_cast<std::size_t>(c.whiteY * kN + c.whiteX)], White());
    }
    if (c.blackX >= 0) {
      EXPECT_EQ(texels[static_cast<std::size_t>(c.blackY * kN + c.blackX)], Black());
    }
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlobPlace,
    testing::Values(
        PlaceCase{"TopLeft", "blob { position (0, 0); }", 0, 0, 7, 0},
        PlaceCase{"BottomRight", "blob { position (1, 1); }", 255, 255, 255, 248},
        PlaceCase{"Quarter", "blob { position (0.25, 0.75); }", 64, 192, 128, 128},
        // radius √(2·65536/1919) ≈ 8.3 for multiply 2, against 5.8
        PlaceCase{"Stronger", "blob { multiply 2; }", 136, 128, 128, 137},
        PlaceCase{"NegativeMultiplyAddsNothing", "blob { multiply -3; }", -1, -1, 128, 128},
        // two blobs 12 apart: alone each leaves the midpoint gray (65536/36 −
        // 1664 = 156), together white
        PlaceCase{"BlobsMerge", "blob { position (0.5, 0.5); } blob { position (0.546875, 0.5); }",
                  134, 128, 128, 140},
        // 65536/64 = 1024: white with sub 0, black with the default
        PlaceCase{"SubZero", "sub 0; blob { }", 136, 128, -1, -1},
        PlaceCase{"LastWordWins", "blob { position (0, 0); position (0.5, 0.5); }", 128, 128, 0,
                  0}),
    [](const auto& info) { return std::string(info.param.name); });

// Without blobs the sum is 0: every texel is black for a positive sub, white
// for a sub below −1.
TEST_F(BlobTexture, WithoutBlobsTheWholeTextureIsFilled) {
  OnDisplay(kModes[0], [&] {
    ASSERT_TRUE(CompileBlock("sub linear 1 to -9;"));
    Texture()->GetSurface()->Fill(0x808080);
    ASSERT_TRUE(Frame(0.0f));
    for (std::uint32_t v : Texels()) ASSERT_EQ(v, Black());
    ASSERT_TRUE(Frame(10.0f));
    for (std::uint32_t v : Texels()) ASSERT_EQ(v, White());
  });
}

// A blob moving across: its disc follows the position track in time.
TEST_F(BlobTexture, PositionFollowsItsTrack) {
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(CompileBlock("blob { position linear (0.25, 0.5) to (0.75, 0.5); }"));
    ASSERT_TRUE(Frame(0.0f));
    EXPECT_EQ(Texels()[128 * kN + 64], White());
    ASSERT_TRUE(Frame(10.0f));
    const std::vector<std::uint32_t> texels = Texels();
    EXPECT_EQ(texels[128 * kN + 192], White());
    EXPECT_EQ(texels[128 * kN + 64], Black());
  });
}

// A 256 x 128 texture warns and is still painted over its 128 rows with the
// width as N. Rows are counted up from the bottom, so the default blob's row
// is H − (1 − 0.5)·N = 0.
TEST_F(BlobTexture, NonSquareTextureWarnsAndIsPaintedOverItsOwnRows) {
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(CompileBlock("blob { }", "256, 128"));
    EXPECT_TRUE(LoggedPart("Screen texture \"blobs\" used for blob command should be square!"));
    ASSERT_EQ(Texture()->GetHeight(), 128);
    ASSERT_TRUE(Frame(0.0f));
    const std::vector<std::uint32_t> texels = Texels();
    ASSERT_EQ(texels.size(), 256u * 128u);
    EXPECT_EQ(texels[0 * kN + 128], White());
    EXPECT_EQ(texels[7 * kN + 128], Black());
    EXPECT_EQ(texels[127 * kN + 128], Black());
  });
}

// A lost texture surface cannot be locked: the frame fails with a log line,
// and once the surface is restored the next frame paints again.
TEST_F(BlobTexture, FailedLockFailsTheFrame) {
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(CompileBlock("blob { }"));
    IDirectDrawSurface7* surface = static_cast<video::kernelTexture*>(Texture())->surface.surface;
    ASSERT_NE(surface, nullptr);
    surface->SimulateLoss();
    EXPECT_FALSE(Frame(0.0f));
    EXPECT_TRUE(LoggedPart("Locking system memory texture surface failed!"));
    surface->Restore();
    ASSERT_TRUE(Frame(0.0f));
    EXPECT_EQ(Texels()[128 * kN + 128], White());
  });
}

// The texture the blob paints is the one the rotozoomer samples: the screen
// centre shows the white disc, the corners the black field.
TEST_F(BlobTexture, RotozoomerDrawsThePaintedTexture) {
  OnDisplay(
      kModes[2],
      [&] {
        threedee::Setup3DDevice();
        ASSERT_TRUE(Compile(
            "texture \"blobs\", 256, 256;\n"
            "parallel pipeline p {\n"
            "  entry 0 : 10 : blob { file \"blobs\"; sub 0.5;\n"
            "    blob { position (0.5, 0.5); multiply 3; }\n"
            "    blob { position linear (0.2, 0.38) to (0.8, 0.38); }\n"
            "    blob { position linear (0.75, 0.62) to (0.25, 0.62); multiply 2; } }\n"
            "  entry 0 : 10 : rotozoomer { file \"blobs\"; angle 0; zoom 1; filter point; }\n"
            "}"));
        video::GetBackSurface()->Fill(0x0000FF);
        ASSERT_TRUE(FxTest::Command(0, 0)->Execute(5.0f, 5.0f, 0));
        ASSERT_TRUE(FxTest::Command(0, 1)->Execute(5.0f, 5.0f, 0));
        EXPECT_EQ(Pixel(video::GetBackSurface(), 320, 240), 0xFFFFFFu);
        EXPECT_EQ(Pixel(video::GetBackSurface(), 2, 2), 0x000000u);
        EXPECT_EQ(Pixel(video::GetBackSurface(), 637, 477), 0x000000u);
        if (const char* dir = std::getenv("VOXA2_SHOT_DIR")) {
          video::PresentFrame();
          platform::WritePresentedFramePng(std::string(dir) + "/blob.png");
        }
      },
      640, 480);
}

struct BlockCase {
  const char* name;
  const char* script;
  bool compiles;
  const char* message;
};

class BlobBlock : public FxTest, public testing::WithParamInterface<BlockCase> {};

TEST_P(BlobBlock, WordsAndRefusals) {
  WriteTga("textures/picture.tga", 4, 4, [](int, int) { return 0xFFFFFF; });
  OnDisplay(kModes[2], [&] {
    EXPECT_EQ(
        Compile(std::string("texture \"blobs\", 64, 64;\npipeline p { entry 0 : 10 : blob { ") +
                GetParam().script + " } }"),
        GetParam().compiles);
    if (*GetParam().message) {
      EXPECT_TRUE(LoggedPart(GetParam().message)) << GetParam().message;
    }
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlobBlock,
    testing::Values(
        BlockCase{"AllWords", "file \"blobs\"; SUB 2;; BLOB { position (0.1, 0.2); MULTIPLY 3;; }",
                  true, ""},
        BlockCase{"NoFile", "blob { }", true, ""},
        BlockCase{"PictureTexture", "file \"picture\";", false,
                  "Texture \"picture\" is no screen texture!"},
        BlockCase{"UnknownTexture", "file \"nothere\";", false, "Error on loading command!"},
        BlockCase{"UnknownWord", "file \"blobs\"; zoom 2;", false, "Syntax error!"},
        BlockCase{"UnknownWordInBlob", "blob { angle 2; }", false, "Syntax error!"},
        BlockCase{"NumberInBlob", "blob { 5; }", false, "Syntax error!"}),
    [](const auto& info) { return std::string(info.param.name); });

struct PaletteCase {
  const char* name;
  std::uint32_t red, green, blue, alpha;
  std::uint32_t entry128, entry255;
};

class BlobPalette : public testing::TestWithParam<PaletteCase> {};

// Entry i puts i's top bits on each colour mask; masks wider than 8 bits are
// scaled so that 255 fills them, and empty masks stay empty.
TEST_P(BlobPalette, GrayRampInTheMasks) {
  const PaletteCase& c = GetParam();
  const std::vector<std::uint32_t> p = cVOXAblob::MakePalette(c.red, c.green, c.blue, c.alpha);
  ASSERT_EQ(p.size(), 256u);
  EXPECT_EQ(p[0], c.alpha);
  EXPECT_EQ(p[128], c.entry128);
  EXPECT_EQ(p[255], c.entry255);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, BlobPalette,
    testing::Values(PaletteCase{"R5G6B5", 0xF800, 0x07E0, 0x001F, 0, 0x8410, 0xFFFF},
                    PaletteCase{"X1R5G5B5", 0x7C00, 0x03E0, 0x001F, 0x8000, 0xC210, 0xFFFF},
                    PaletteCase{"A8R8G8B8", 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, 0xFF808080u,
                                0xFFFFFFFFu},
                    // 128·1023/255 = 513 = 0x201 per channel
                    PaletteCase{"A2R10G10B10", 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000u,
                                0xC0000000u | 0x201u << 20 | 0x201u << 10 | 0x201u, 0xFFFFFFFFu},
                    PaletteCase{"NoGreen", 0xF800, 0, 0x001F, 0, 0x8010, 0xF81F}),
    [](const auto& info) { return std::string(info.param.name); });

// The pixel loop straight on memory: 24-bit pixels are written as three
// bytes, the padding behind each row is left alone, blobs far outside give
// black without overflowing, and strong blobs together stay white.
TEST(BlobPixels, ExtremeValuesAndRowPadding) {
  constexpr int kW = 4, kH = 3, kPitch = 16;
  const std::vector<std::uint32_t> palette = cVOXAblob::MakePalette(0xFF0000, 0xFF00, 0xFF, 0);
  struct Case {
    const char* name;
    std::vector<cVOXAblob::tBlobPoint> points;
    std::uint8_t expected;  // every byte of every pixel
  };
  const std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const Case cases[] = {
      {"FarAway", {{kMin, kMax, kMax, 0}, {kMax, kMin, kMax, 0}}, 0x00},
      {"StrongTogether", {{2, 2, kMax, 0}, {2, 2, kMax, 0}, {3, 1, kMax, 0}}, 0xFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> memory(kPitch * kH, 0xAB);
    std::vector<cVOXAblob::tBlobPoint> points = c.points;
    // With strength INT_MAX every pixel within 4 texels of a point is white.
    cVOXAblob::DrawBlobs(points.data(), static_cast<std::int32_t>(points.size()), memory.data(), kW,
                         kH, 24, kPitch, 6.5f, palette.data());
    for (int y = 0; y < kH; y++)
      for (int i = 0; i < kPitch; i++) {
        const std::uint8_t expected = i < kW * 3 ? c.expected : 0xAB;
        ASSERT_EQ(memory[static_cast<std::size_t>(y * kPitch + i)], expected) << y << "," << i;
      }
  }
}

}  // namespace
}  // namespace fxtest
