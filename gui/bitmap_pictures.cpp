// Conversions between bitmaps in the screen format and planar colour pictures.
#include <cstring>
#include <memory>
#include <new>

#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "foundation/pictures.h"
#include "gui/bitmap.h"
#include "gui/metrics.h"
#include "gui/pixels.h"
#include "windxkernel/video.h"

namespace ZGUI {
namespace {

struct tChannel {
  std::int32_t shift, bits;
};

bool Usable(const tChannel& c) {
  return c.bits >= 1 && c.bits <= 8 && c.shift >= 0 && c.shift < 32;
}

tChannel Channel(int index) {
  const auto& s = VOXA2::screenInfo;
  switch (index) {
    case 0:
      return {s.redShift, s.redBits};
    case 1:
      return {s.greenShift, s.greenBits};
    default:
      return {s.blueShift, s.blueBits};
  }
}

// A plane whose block does not match the picture's size is not read.
const std::uint8_t* PlaneOf(const cColorPic* picture, int index) {
  const cMonoPic& plane = picture->planes[index];
  if (!plane.pixels || plane.width != picture->width || plane.height != picture->height)
    return nullptr;
  return plane.pixels;
}

}  // namespace

cBitmap::cBitmap(const cColorPic* picture, std::int32_t width, std::int32_t height) : cBitmap() {
  FromColorPic(picture, width, height);
}

void cBitmap::FromColorPic(const cColorPic* picture, std::int32_t width, std::int32_t height) {
  if (locked_ || !picture) return;
  // The caller's picture is never changed; a resized copy is worked on instead.
  std::unique_ptr<cColorPic> copy;
  if (width != 0 || height != 0) {
    copy.reset(VOXA::errors::NewOrThrow<cColorPic>("cColorPic", picture));
    if (width != 0 && height != 0)
      copy->Resample(width, height);
    else if (width != 0)
      copy->ResampleWidth(width);
    else
      copy->ResampleHeight(height);
    picture = copy.get();
  }
  Release();
  Allocate(picture->width, picture->height);
  locked_ = true;
  const std::size_t count = std::size_t(width_) * std::size_t(height_);
  const int bytes = depth_;
  if (count != 0 && bytes >= 2 && bytes <= 4) {
    std::memset(data_.data(), 0, count * bytes);
    for (int c = 0; c < 3; ++c) {
      const tChannel channel = Channel(c);
      const std::uint8_t* plane = PlaneOf(picture, c);
      if (!plane || !Usable(channel)) continue;
      std::uint8_t* p = data_.data();
      for (std::size_t i = 0; i < count; ++i, p += bytes) {
        std::uint32_t value = std::uint32_t(plane[i] >> (8 - channel.bits)) << channel.shift;
        pixels::Store(p, bytes, pixels::Load(p, bytes) | value);
      }
    }
  }
  locked_ = false;
}

void cBitmap::ToColorPic(cColorPic* picture) {
  if (locked_ || !picture) return;
  Sync();
  picture->Create(width_, height_);
  locked_ = true;
  const std::size_t count = std::size_t(width_) * std::size_t(height_);
  const int bytes = depth_;
  if (count != 0 && bytes >= 2 && bytes <= 4 && PlaneOf(picture, 3)) {
    std::memset(picture->planes[3].pixels, 255, count);
    for (int c = 0; c < 3; ++c) {
      const tChannel channel = Channel(c);
      std::uint8_t* plane = picture->planes[c].pixels;
      if (!Usable(channel)) continue;
      const std::uint32_t mask = (1u << channel.bits) - 1;
      const std::uint8_t* p = data_.data();
      for (std::size_t i = 0; i < count; ++i, p += bytes)
        plane[i] = static_cast<std::uint8_t>(((pixels::Load(p, bytes) >> channel.shift) & mask)
                                             << (8 - channel.bits));
    }
  }
  locked_ = false;
}

}  // namespace ZGUI
