// The size limits of pictures: every reader refuses a picture above 8192
// pixels a side or 64 million pixels once its header is read, with one log
// line naming the file, and reads one at the limit. The files are made here:
// small files that claim huge pictures.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "foundation/gfxloader.h"
#include "foundation/pictures.h"
#include "tests/foundation/picture_fixtures.h"

namespace {

// A 1-bit gray PNG of zeros; deflate at level 9 packs 20000 x 20000 into about 48 KB.
void WritePng(const char* path, int width, int height) {
  std::FILE* file = std::fopen(path, "wb");
  ASSERT_NE(file, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 1,
               PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row((static_cast<std::size_t>(width) + 7) / 8, 0);
  for (int y = 0; y < height; ++y) png_write_row(png, row.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

// A gray JPEG of 16 x 8 pixels whose frame header then claims the size given;
// the file is padded so that the claim fits its length, as a real picture of
// that size, all one colour, would.
void WriteJpeg(const char* path, int width, int height) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = 16;
  info.image_height = 8;
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> line(16, 128);
  JSAMPROW row = line.data();
  while (info.next_scanline < info.image_height) jpeg_write_scanlines(&info, &row, 1);
  jpeg_finish_compress(&info);
  std::string bytes(reinterpret_cast<const char*>(buffer), size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  const std::size_t frame = bytes.find("\xFF\xC0");
  ASSERT_NE(frame, std::string::npos);
  bytes[frame + 5] = static_cast<char>(height >> 8);
  bytes[frame + 6] = static_cast<char>(height);
  bytes[frame + 7] = static_cast<char>(width >> 8);
  bytes[frame + 8] = static_cast<char>(width);
  const std::size_t fits = static_cast<std::size_t>(
      static_cast<std::int64_t>(width) * height / 4096 + 1);
  if (bytes.size() < fits) bytes.resize(fits, '\0');
  std::ofstream(path, std::ios::binary) << bytes;
}

// A one-plane PCX of index 0 in runs of 63, with its palette.
void WritePcx(const char* path, int width, int height) {
  std::vector<std::uint8_t> runs;
  for (std::int64_t done = 0; done < static_cast<std::int64_t>(width) * height; done += 63) {
    runs.insert(runs.end(), {0xFF, 0});
  }
  std::ofstream(path, std::ios::binary) << picturetest::Pcx(width, height, width, 1, runs, true);
}

// A run-length TGA of opaque black in packets of 128 pixels.
void WriteTga(const char* path, int width, int height) {
  std::vector<std::uint8_t> packets;
  for (std::int64_t done = 0; done < static_cast<std::int64_t>(width) * height; done += 128) {
    packets.insert(packets.end(), {0xFF, 0, 0, 0, 0xFF});
  }
  std::ofstream(path, std::ios::binary) << picturetest::Tga(width, height, 10, 32, 0, "", packets);
}

struct Limit {
  const char* name;
  std::function<void(const char*, int, int)> write;
  int width;
  int height;
  bool read;
};

const Limit kLimits[] = {
    {"PngTwentyThousandSquare", WritePng, 20000, 20000, false},
    {"PngOneWiderThanTheSide", WritePng, 8193, 1, false},
    {"PngOverTheArea", WritePng, 8000, 8001, false},
    {"PngAtTheSide", WritePng, 8192, 2, true},
    {"JpegTwentyThousandSquare", WriteJpeg, 20000, 20000, false},
    {"JpegOneTallerThanTheSide", WriteJpeg, 16, 8193, false},
    {"JpegAtTheSide", WriteJpeg, 16, 8192, true},
    {"PcxOneWiderThanTheSide", WritePcx, 8193, 1, false},
    {"PcxOverTheArea", WritePcx, 8192, 7813, false},
    {"PcxAtTheSide", WritePcx, 8192, 1, true},
    {"TgaOneTallerThanTheSide", WriteTga, 1, 8193, false},
    {"TgaOverTheArea", WriteTga, 8192, 7813, false},
    {"TgaAtTheSide", WriteTga, 1, 8192, true},
};

class Limits : public picturetest::PictureTest, public ::testing::WithParamInterface<Limit> {};

TEST_P(Limits, PicturesAboveTheLimitsAreRefusedByName) {
  const Limit& c = GetParam();
  c.write("big.pic", c.width, c.height);
  cColorPic picture;
  EXPECT_EQ(picture.Load("big.pic"), c.read);
  const std::string line = "Picture \"big.pic\" refused: " + std::to_string(c.width) + " x " +
                           std::to_string(c.height) +
                           " pixels is above the limit of 8192 pixels a side and 64000000 "
                           "pixels in all";
  if (c.read) {
    EXPECT_EQ(picture.width, c.width);
    EXPECT_EQ(picture.height, c.height);
    EXPECT_EQ(Log().find("refused"), std::string::npos) << Log();
    return;
  }
  EXPECT_EQ(picture.planes[0].pixels, nullptr);
  EXPECT_NE(Log().find(line + "\n"), std::string::npos) << Log();
  // The gray readers refuse it just as well (TGA has none).
  cMonoPic plane;
  EXPECT_FALSE(plane.Load("big.pic"));
}

INSTANTIATE_TEST_SUITE_P(Readers, Limits, ::testing::ValuesIn(kLimits),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
