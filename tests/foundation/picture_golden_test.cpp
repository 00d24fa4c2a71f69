// Pictures written by ImageMagick and netpbm, loaded through the global loader,
// against ImageMagick's own decoding of the same files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/gfxloader.h"
#include "foundation/pictures.h"
#include "tests/foundation/picture_fixtures.h"

namespace {

using picturetest::Reference;
using picturetest::Shell;

struct Variant {
  const char* name;
  const char* make;  // shell lines that write `file` from base.ppm and rgba.png
  const char* file;
  tChannelDepths depths;
  int tolerance;  // JPEG decoders may differ in their inverse DCT
  bool grayToo;   // also compare a gray read with ImageMagick's gray
};

constexpr tChannelDepths kPcx{8, 8, 8, 0};
constexpr tChannelDepths kTga{8, 8, 8, 8};
constexpr tChannelDepths kOpaque{8, 8, 8, 0};
constexpr tChannelDepths kAlpha{8, 8, 8, 8};

const Variant kVariants[] = {
    {"PcxPaletteImageMagick", "$C base.ppm -colors 40 -type palette f.pcx", "f.pcx", kPcx, 0,
     false},
    {"PcxThreePlanesImageMagick", "$C base.ppm -type truecolor f.pcx", "f.pcx", kPcx, 0, false},
    {"PcxPaletteNetpbm", "$C base.ppm -colors 40 q.ppm; ppmtopcx -8bit q.ppm > f.pcx 2>/dev/null",
     "f.pcx", kPcx, 0, false},
    {"PcxThreePlanesNetpbm", "ppmtopcx -24bit base.ppm > f.pcx 2>/dev/null", "f.pcx", kPcx, 0,
     false},
    {"Tga32RleImageMagick", "$C rgba.png -compress RLE f.tga", "f.tga", kTga, 0, false},
    {"Tga32RleNetpbmWithIdField",
     "pngtopam -alphapam rgba.png > a.pam; pamtotga -rgb a.pam > f.tga 2>/dev/null", "f.tga", kTga,
     0, false},
    {"PngGray", "$C base.ppm -colorspace Gray -depth 8 -define png:color-type=0 f.png", "f.png",
     kOpaque, 0, true},
    {"PngGrayAlpha", "$C rgba.png -colorspace Gray -depth 8 -define png:color-type=4 f.png",
     "f.png", kAlpha, 0, false},
    {"PngRgb", "$C base.ppm PNG24:f.png", "f.png", kOpaque, 0, false},
    {"PngRgba", "$C rgba.png PNG32:f.png", "f.png", kAlpha, 0, false},
    {"PngPaletteWithTransparency", "$C rgba.png -colors 30 PNG8:f.png", "f.png", kAlpha, 0, false},
    {"PngPaletteNetpbmTransparentEntry",
     "$C base.ppm -colors 12 q.ppm; h=$($C q.ppm -format '%[hex:p{0,0}]' info:); "
     "pnmtopng -transparent \"#$(echo $h | cut -c1-6)\" q.ppm > f.png 2>/dev/null",
     "f.png", kAlpha, 0, false},
    {"PngGrayTransparentValue",
     "$C base.ppm -colorspace Gray -depth 8 g.pgm; h=$($C g.pgm -format '%[hex:p{0,0}]' info:); "
     "pnmtopng -transparent \"#$(echo $h | cut -c1-6)\" g.pgm > f.png 2>/dev/null",
     "f.png", kAlpha, 0, false},
    {"PngRgbTransparentColour",
     "h=$($C base.ppm -format '%[hex:p{0,0}]' info:); "
     "pamtopng -transparent \"#$(echo $h | cut -c1-6)\" base.ppm > f.png 2>/dev/null",
     "f.png", kAlpha, 0, false},
    {"PngRgb16", "$C base.ppm -depth 16 PNG48:f.png", "f.png", kOpaque, 0, false},
    {"PngRgba16", "$C rgba.png -depth 16 PNG64:f.png", "f.png", kAlpha, 0, false},
    {"PngGray1Bit",
     "$C base.ppm -colorspace Gray -depth 1 -define png:color-type=0 -define png:bit-depth=1 f.png",
     "f.png", kOpaque, 0, true},
    {"PngGray2Bit",
     "$C base.ppm -colorspace Gray -depth 2 -define png:color-type=0 -define png:bit-depth=2 f.png",
     "f.png", kOpaque, 0, true},
    {"PngGray4Bit",
     "$C base.ppm -colorspace Gray -depth 4 -define png:color-type=0 -define png:bit-depth=4 f.png",
     "f.png", kOpaque, 0, true},
    {"PngPalette2BitNetpbm", "$C base.ppm -colors 4 q.ppm; pnmtopng q.ppm > f.png 2>/dev/null",
     "f.png", kOpaque, 0, false},
    {"PngInterlacedRgba", "$C rgba.png -interlace PNG PNG32:f.png", "f.png", kAlpha, 0, false},
    {"PngInterlacedPaletteNetpbm", "pnmtopng -interlace base.ppm > f.png 2>/dev/null", "f.png",
     kOpaque, 0, false},
    {"JpegBaseline", "$C base.ppm -quality 90 f.jpg", "f.jpg", kOpaque, 2, false},
    {"JpegProgressive", "$C base.ppm -interlace JPEG f.jpg", "f.jpg", kOpaque, 2, false},
    {"JpegGray", "$C base.ppm -colorspace Gray f.jpg", "f.jpg", kOpaque, 2, true},
    {"JpegNetpbm", "pnmtojpeg base.ppm > f.jpg 2>/dev/null", "f.jpg", kOpaque, 2, false},
};

class GoldenPictures : public picturetest::PictureTest,
                       public ::testing::WithParamInterface<Variant> {};

void ExpectClose(const std::vector<std::uint8_t>& ours, const std::vector<std::uint8_t>& theirs,
                 int tolerance, const char* what) {
  ASSERT_EQ(ours.size(), theirs.size()) << what;
  int worst = 0;
  std::size_t at = 0;
  for (std::size_t i = 0; i < ours.size(); ++i) {
    const int d = std::abs(static_cast<int>(ours[i]) - theirs[i]);
    if (d > worst) {
      worst = d;
      at = i;
    }
  }
  EXPECT_LE(worst, tolerance) << what << ": sample " << at << " is " << int(ours[at])
                              << ", ImageMagick decodes " << int(theirs[at]);
}

TEST_P(GoldenPictures, PlanesEqualImageMagickPixels) {
  const Variant& v = GetParam();
  ASSERT_TRUE(Shell(std::string(picturetest::kBasePictures) + v.make)) << v.make;
  // TGA rows are stored bottom to top: the reference applies the orientation.
  const bool tga = std::string(v.file).ends_with(".tga");
  const std::vector<std::uint8_t> rgba = Reference(v.file, "rgba", tga ? "-auto-orient" : "");
  ASSERT_EQ(rgba.size(), 13u * 9u * 4u);

  cColorPic picture;
  tChannelDepths depths{-1, -1, -1, -1};
  ASSERT_TRUE(picture.Load(v.file, &depths));
  ASSERT_EQ(picture.width, 13);
  ASSERT_EQ(picture.height, 9);
  std::vector<std::uint8_t> ours(rgba.size());
  for (std::size_t i = 0; i < 13u * 9u; ++i) {
    for (int c = 0; c < 4; ++c) ours[4 * i + c] = picture.planes[c].pixels[i];
  }
  ExpectClose(ours, rgba, v.tolerance, "rgba");
  EXPECT_EQ(depths.red, v.depths.red);
  EXPECT_EQ(depths.green, v.depths.green);
  EXPECT_EQ(depths.blue, v.depths.blue);
  EXPECT_EQ(depths.alpha, v.depths.alpha);

  if (v.grayToo) {
    const std::vector<std::uint8_t> gray = Reference(v.file, "gray");
    cMonoPic plane;
    ASSERT_TRUE(plane.Load(v.file));
    ASSERT_EQ(plane.width, 13);
    ExpectClose(std::vector<std::uint8_t>(plane.pixels, plane.pixels + 13 * 9), gray, v.tolerance,
                "gray");
  }
}

INSTANTIATE_TEST_SUITE_P(Readers, GoldenPictures, ::testing::ValuesIn(kVariants),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
