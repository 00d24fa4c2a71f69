// Rectangle fills, copies and conversions between surface memories, with the
// common pixel formats taken apart only once per row instead of through the
// format masks per pixel. The results are those of pixels::Pack, Unpack, Read
// and Write for every format.
#pragma once

#include <cstdint>

#include "platform/ddraw.h"

namespace platform::pixels {

// A block of pixels in memory: the first pixel of the block, the distance
// between rows in bytes, the block's format and its bytes per pixel.
struct View {
  BYTE* data;
  int pitch;
  const DDPIXELFORMAT* format;
  int bytes;
};

// Fills width x height pixels with one already packed value.
void Fill(View dst, int width, int height, DWORD value);

// Copies src (sw x sh) onto dst (dw x dh), nearest pixel at pixel centres when
// the sizes differ, converting the format when the two differ. The blocks must
// not overlap.
void Copy(View dst, int dw, int dh, View src, int sw, int sh);

// One row of pixels as 0x00RRGGBB.
void ToRgb(const BYTE* src, const DDPIXELFORMAT& format, std::uint32_t* out, int count);

// Whether a format's pixels already are 0x??RRGGBB words, the top byte aside.
bool IsXrgb(const DDPIXELFORMAT& format);

}  // namespace platform::pixels
