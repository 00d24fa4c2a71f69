// The row routines of fills, copies and presentation give exactly what the
// format masks give pixel by pixel, for every format pair and stretch.
#include "platform/blit.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

using platform::pixels::View;
namespace px = platform::pixels;

int Bytes(const DDPIXELFORMAT& f) { return static_cast<int>((f.dwRGBBitCount + 7) / 8); }

struct Block {
  DDPIXELFORMAT format;
  int width, height, pitch;
  std::vector<BYTE> memory;
  Block(const DDPIXELFORMAT& f, int w, int h, unsigned seed)
      : format(f), width(w), height(h), pitch((w * Bytes(f) + 7) & ~7) {
    memory.resize(static_cast<size_t>(pitch) * static_cast<size_t>(h));
    std::mt19937 random(seed);
    for (auto& b : memory) b = static_cast<BYTE>(random());
  }
  View view(int x = 0, int y = 0) {
    return {memory.data() + y * pitch + x * Bytes(format), pitch, &format, Bytes(format)};
  }
};

// The pixel-by-pixel copy through the masks.
void ReferenceCopy(Block& dst, int dx, int dy, int dw, int dh, const Block& src, int sx, int sy,
                   int sw, int sh) {
  const int db = Bytes(dst.format), sb = Bytes(src.format);
  const bool same = dst.format.dwRGBBitCount == src.format.dwRGBBitCount &&
                    dst.format.dwRBitMask == src.format.dwRBitMask &&
                    dst.format.dwGBitMask == src.format.dwGBitMask &&
                    dst.format.dwBBitMask == src.format.dwBBitMask;
  for (int y = 0; y < dh; ++y) {
    int ry = sy + static_cast<int>((static_cast<std::int64_t>(2 * y + 1) * sh) / (2 * dh));
    for (int x = 0; x < dw; ++x) {
      int rx = sx + static_cast<int>((static_cast<std::int64_t>(2 * x + 1) * sw) / (2 * dw));
      DWORD v = px::Read(src.memory.data() + ry * src.pitch + rx * sb, sb);
      if (!same) v = px::Pack(dst.format, px::Unpack(src.format, v));
      px::Write(dst.memory.data() + (dy + y) * dst.pitch + (dx + x) * db, db, v);
    }
  }
}

const DDPIXELFORMAT kFormats[] = {px::R5G6B5(),   px::X1R5G5B5(), px::R8G8B8(),
                                  px::X8R8G8B8(), px::A8R8G8B8(), px::A4R4G4B4(),
                                  px::A1R5G5B5(), px::Rgb(8, 0xE0, 0x1C, 0x03)};

TEST(Blit, SixteenBitPixelsWidenAsTheMasksSay) {
  for (const DDPIXELFORMAT& f : {px::R5G6B5(), px::X1R5G5B5(), px::A1R5G5B5(), px::A4R4G4B4()}) {
    std::vector<BYTE> all(65536 * 2);
    for (int v = 0; v < 65536; ++v) px::Write(all.data() + 2 * v, 2, static_cast<DWORD>(v));
    std::vector<std::uint32_t> rgb(65536);
    px::ToRgb(all.data(), f, rgb.data(), 65536);
    for (int v = 0; v < 65536; ++v)
      ASSERT_EQ(rgb[static_cast<size_t>(v)], px::Unpack(f, static_cast<DWORD>(v)))
          << "pixel " << v << " of the format with red mask " << f.dwRBitMask;
  }
}

TEST(Blit, CopiesMatchThePixelByPixelCopyForEveryFormatPair) {
  struct Shape {
    int sw, sh, dw, dh;
  };
  // Same size, enlarged, shrunk, stretched one way only, one pixel.
  const Shape shapes[] = {{37, 11, 37, 11}, {13, 7, 40, 23}, {41, 29, 9, 5},
                          {16, 9, 31, 9},   {16, 9, 16, 20}, {1, 1, 5, 3}};
  unsigned seed = 1;
  for (const DDPIXELFORMAT& sf : kFormats) {
    for (const DDPIXELFORMAT& df : kFormats) {
      for (const Shape& s : shapes) {
        Block src(sf, s.sw + 5, s.sh + 4, seed++);
        Block got(df, s.dw + 6, s.dh + 3, seed++);
        Block want = got;
        px::Copy(got.view(3, 2), s.dw, s.dh, src.view(2, 1), s.sw, s.sh);
        ReferenceCopy(want, 3, 2, s.dw, s.dh, src, 2, 1, s.sw, s.sh);
        ASSERT_EQ(got.memory, want.memory)
            << sf.dwRGBBitCount << "-bit red " << sf.dwRBitMask << " onto " << df.dwRGBBitCount
            << "-bit red " << df.dwRBitMask << ", " << s.sw << "x" << s.sh << " to " << s.dw
            << "x" << s.dh;
      }
    }
  }
}

TEST(Blit, FillsWriteThePackedValueInsideTheRectangleOnly) {
  unsigned seed = 100;
  for (const DDPIXELFORMAT& f : kFormats) {
    const DWORD value = 0xA5C3E1F7u;
    Block got(f, 29, 13, seed++);
    Block want = got;
    px::Fill(got.view(4, 3), 21, 7, value);
    const int b = Bytes(f);
    for (int y = 3; y < 10; ++y)
      for (int x = 4; x < 25; ++x) px::Write(want.memory.data() + y * want.pitch + x * b, b, value);
    EXPECT_EQ(got.memory, want.memory) << f.dwRGBBitCount << "-bit red " << f.dwRBitMask;
  }
}

}  // namespace
