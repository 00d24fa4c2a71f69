#include "foundation/pictures.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "foundation/archive.h"
#include "foundation/errors.h"
#include "foundation/gfxloader.h"

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::errors::eOutOfMemory;

namespace {

// Byte count of a plane; sizes that are not positive hold no bytes, and a
// plane never holds more than a stream can address.
std::size_t Area(std::int32_t width, std::int32_t height, const char* where) {
  if (width <= 0 || height <= 0) return 0;
  const std::int64_t area = static_cast<std::int64_t>(width) * height;
  if (area > INT32_MAX) throw new eOutOfMemory("Out of memory in %s!", where);
  return static_cast<std::size_t>(area);
}

// A zeroed block; a failed allocation is reported rather than written through.
std::uint8_t* ZeroedBlock(std::int32_t width, std::int32_t height, const char* where) {
  const std::size_t area = Area(width, height, where);
  if (area == 0) return nullptr;
  auto* block = static_cast<std::uint8_t*>(
      std::calloc(static_cast<std::size_t>(width), static_cast<std::size_t>(height)));
  if (!block) throw new eOutOfMemory("Out of memory in %s!", where);
  return block;
}

// Nearest-neighbour shrink of one line with a 32-bit fixed-point fraction.
void ResampleLine(const std::uint8_t* source, std::uint8_t* destination, std::uint32_t s,
                  std::uint32_t d) {
  const std::uint32_t q = s / d;
  const std::uint32_t r = s % d;
  const std::uint64_t n = (static_cast<std::uint64_t>(r) << 32) + (s - q);
  const auto f = static_cast<std::uint32_t>(n / d);
  auto a = static_cast<std::uint32_t>(n % d);
  std::uint32_t p = 0;
  for (std::uint32_t o = 0; o < d; ++o) {
    destination[o] = source[p];
    p += q;
    const std::uint32_t before = a;
    a += f;
    if (a < before) ++p;
  }
}

// Nearest-neighbour growth from the end, so that source and destination may
// share one block.
void ResampleLineBackward(const std::uint8_t* source, std::uint8_t* destination, std::uint32_t s,
                          std::uint32_t d) {
  const auto t = static_cast<std::uint32_t>((static_cast<std::uint64_t>(s) << 32) / d);
  std::uint32_t a = 0;
  std::int64_t p = static_cast<std::int64_t>(s) - 1;
  for (std::int64_t o = static_cast<std::int64_t>(d) - 1; o >= 0; --o) {
    destination[o] = source[p];
    const std::uint32_t before = a;
    a += t;
    if (a < before) --p;
  }
}

// The width goes first when that makes the picture in between the smaller one.
bool WidthFirst(std::int32_t w, std::int32_t h, std::int32_t newW, std::int32_t newH) {
  return static_cast<std::uint32_t>(h) * static_cast<std::uint32_t>(newW) <
         static_cast<std::uint32_t>(w) * static_cast<std::uint32_t>(newH);
}

// The 16.16 step of a shrink, as whole part and fraction. The step is
// formed in 64 bits: for sizes of 65536 and more a 32-bit step wraps and can
// leave boxes of no bytes.
struct tStep {
  std::uint32_t whole;
  std::uint32_t fraction;
};
tStep ShrinkStep(std::int32_t size, std::int32_t newSize) {
  const std::uint64_t t =
      (static_cast<std::uint64_t>(size) << 16) / static_cast<std::uint64_t>(newSize);
  return {static_cast<std::uint32_t>(t >> 16), static_cast<std::uint32_t>(t & 0xFFFF)};
}

// c + floor((next - c) * a / 65536): the difference may be negative.
std::uint8_t Lerp(std::uint8_t c, std::uint8_t next, std::uint32_t a) {
  const std::int32_t step =
      ((static_cast<std::int32_t>(next) - c) * static_cast<std::int32_t>(a)) >> 16;
  return static_cast<std::uint8_t>(c + step);
}

}  // namespace

// ---- cMonoPic ------------------------------------------------------------

cMonoPic::cMonoPic(const cMonoPic* source) { Copy(source); }

cMonoPic::~cMonoPic() { std::free(pixels); }

void cMonoPic::Allocate(std::int32_t w, std::int32_t h, std::uint8_t** target) {
  std::uint8_t* block = ZeroedBlock(w, h, "cMonoPic::Allocate()");
  if (target) {
    *target = block;
    return;
  }
  pixels = block;
  width = w > 0 ? w : 0;
  height = h > 0 ? h : 0;
}

void cMonoPic::Free(std::uint8_t** target) {
  if (target) {
    std::free(*target);
    *target = nullptr;
    return;
  }
  std::free(pixels);
  pixels = nullptr;
  width = 0;
  height = 0;
}

void cMonoPic::Clear() { Free(); }

void cMonoPic::Create(std::int32_t w, std::int32_t h) {
  Clear();
  Allocate(w, h);
}

void cMonoPic::size(std::int32_t w, std::int32_t h) {
  const std::size_t area = Area(w, h, "cMonoPic::size()");
  if (area == 0) {
    std::free(pixels);
    pixels = nullptr;
  } else {
    void* grown = std::realloc(pixels, area);
    if (!grown) throw new eOutOfMemory("Out of memory in cMonoPic::size()!");
    pixels = static_cast<std::uint8_t*>(grown);
  }
  width = w > 0 ? w : 0;
  height = h > 0 ? h : 0;
}

void cMonoPic::Copy(const cMonoPic* source) {
  if (!source || source == this) return;
  Clear();
  Create(source->width, source->height);
  if (pixels && source->pixels) {
    std::memcpy(pixels, source->pixels, Area(width, height, "cMonoPic::Copy()"));
  }
}

void cMonoPic::FlipVertical() {
  if (width <= 0 || height < 2) return;
  auto* line = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(width)));
  if (!line) throw new eCouldNotAllocateMemoryFor("line buffer!");
  const auto w = static_cast<std::size_t>(width);
  for (std::int32_t i = 0; i < height / 2; ++i) {
    std::uint8_t* top = pixels + static_cast<std::size_t>(i) * w;
    std::uint8_t* bottom = pixels + static_cast<std::size_t>(height - 1 - i) * w;
    std::memcpy(line, top, w);
    std::memcpy(top, bottom, w);
    std::memcpy(bottom, line, w);
  }
  std::free(line);
}

void cMonoPic::CopyRect(const cMonoPic* source, std::int32_t sx, std::int32_t sy, std::int32_t dx,
                        std::int32_t dy, std::int32_t w, std::int32_t h) {
  if (!source) return;
  if (sx >= source->width || sy >= source->height || dx >= width || dy >= height) return;
  // Negative positions would address bytes before the planes.
  if (sx < 0 || sy < 0 || dx < 0 || dy < 0) return;
  std::int64_t cw = w, ch = h;
  if (sx + cw > source->width) cw = source->width - sx;
  if (sy + ch > source->height) ch = source->height - sy;
  if (dx + cw > width) cw = width - dx;
  if (dy + ch > height) ch = height - dy;
  if (cw < 1 || ch < 1) return;
  for (std::int64_t k = 0; k < ch; ++k) {
    std::memmove(pixels + (dy + k) * width + dx, source->pixels + (sy + k) * source->width + sx,
                 static_cast<std::size_t>(cw));
  }
}

void cMonoPic::ScaleWidth(std::int32_t newWidth) {
  if (newWidth <= 0 || newWidth == width || width <= 0 || height <= 0) return;
  const auto w = static_cast<std::uint32_t>(width);
  const auto nw = static_cast<std::uint32_t>(newWidth);
  if (newWidth < width) {
    for (std::int32_t y = 0; y < height; ++y) {
      ResampleLine(pixels + static_cast<std::size_t>(y) * w,
                   pixels + static_cast<std::size_t>(y) * nw, w, nw);
    }
    size(newWidth, height);
  } else {
    size(newWidth, height);
    for (std::int32_t y = height - 1; y >= 0; --y) {
      ResampleLineBackward(pixels + static_cast<std::size_t>(y) * w,
                           pixels + static_cast<std::size_t>(y) * nw, w, nw);
    }
  }
}

void cMonoPic::ScaleHeight(std::int32_t newHeight) {
  if (newHeight <= 0 || newHeight == height || width <= 0 || height <= 0) return;
  const auto w = static_cast<std::size_t>(width);
  const std::uint32_t t =
      static_cast<std::uint32_t>((static_cast<std::uint64_t>(height) << 16) / newHeight);
  if (newHeight < height) {
    const auto [i, f] = ShrinkStep(height, newHeight);
    std::uint32_t s = 0, a = 0;
    for (std::int32_t k = 0; k < newHeight; ++k) {
      std::memmove(pixels + k * w, pixels + s * w, w);
      a += f;
      if (a >= 65536) {
        a &= 0xFFFF;
        ++s;
      }
      s += i;
    }
    size(width, newHeight);
  } else {
    const std::int32_t oldHeight = height;
    size(width, newHeight);
    std::uint32_t a = 0;
    std::int64_t s = oldHeight - 1;
    for (std::int64_t k = newHeight - 1; k >= 0; --k) {
      std::memmove(pixels + k * w, pixels + s * w, w);
      a += t;
      if (a >= 65536) {
        a &= 0xFFFF;
        --s;
      }
    }
  }
}

void cMonoPic::Scale(std::int32_t newWidth, std::int32_t newHeight) {
  if (WidthFirst(width, height, newWidth, newHeight)) {
    ScaleWidth(newWidth);
    ScaleHeight(newHeight);
  } else {
    ScaleHeight(newHeight);
    ScaleWidth(newWidth);
  }
}

void cMonoPic::ResampleWidth(std::int32_t newWidth, const cMonoPic* weight) {
  if (newWidth <= 0 || newWidth == width || width <= 0 || height <= 0) return;
  std::uint8_t* block = nullptr;
  Allocate(newWidth, height, &block);
  const std::uint8_t* wp =
      (weight && weight->width == width && weight->height == height) ? weight->pixels : nullptr;
  const auto w = static_cast<std::size_t>(width);
  const auto nw = static_cast<std::size_t>(newWidth);
  if (newWidth < width) {
    const auto [i, f] = ShrinkStep(width, newWidth);
    for (std::int32_t y = 0; y < height; ++y) {
      const std::uint8_t* c = pixels + y * w;
      const std::uint8_t* cw = wp ? wp + y * w : nullptr;
      std::uint8_t* out = block + y * nw;
      std::uint32_t p = 0, a = 0;
      for (std::size_t x = 0; x < nw; ++x) {
        a += f;
        std::uint32_t n = i;
        if (a >= 65536) {
          n = i + 1;
          a &= 0xFFFF;
        }
        std::uint32_t sum = 0, weighted = 0, weights = 0;
        for (std::uint32_t k = p; k < p + n; ++k) {
          sum += c[k];
          if (cw) {
            weighted += static_cast<std::uint32_t>(c[k]) * cw[k];
            weights += cw[k];
          }
        }
        out[x] = static_cast<std::uint8_t>(weights > 0 ? weighted / weights : sum / n);
        p += n;
      }
    }
  } else {
    const std::uint32_t t =
        static_cast<std::uint32_t>((static_cast<std::uint64_t>(width - 1) << 16) / (newWidth - 1));
    for (std::int32_t y = 0; y < height; ++y) {
      const std::uint8_t* c = pixels + y * w;
      std::uint8_t* out = block + y * nw;
      std::uint32_t p = 0, a = 0;
      for (std::size_t x = 0; x < nw; ++x) {
        out[x] = (a == 0 || p + 1 >= w) ? c[p] : Lerp(c[p], c[p + 1], a);
        a += t;
        if (a >= 65536) {
          a &= 0xFFFF;
          ++p;
        }
      }
    }
  }
  std::free(pixels);
  pixels = block;
  width = newWidth;
}

void cMonoPic::ResampleHeight(std::int32_t newHeight, const cMonoPic* weight) {
  if (newHeight <= 0 || newHeight == height || width <= 0 || height <= 0) return;
  std::uint8_t* block = nullptr;
  Allocate(width, newHeight, &block);
  const std::uint8_t* wp =
      (weight && weight->width == width && weight->height == height) ? weight->pixels : nullptr;
  const auto w = static_cast<std::size_t>(width);
  if (newHeight < height) {
    const auto [i, f] = ShrinkStep(height, newHeight);
    std::uint32_t s = 0, a = 0;
    for (std::int32_t k = 0; k < newHeight; ++k) {
      a += f;
      std::uint32_t n = i;
      if (a >= 65536) {
        n = i + 1;
        a &= 0xFFFF;
      }
      std::uint8_t* out = block + k * w;
      for (std::size_t x = 0; x < w; ++x) {
        std::uint32_t sum = 0, weighted = 0, weights = 0;
        for (std::uint32_t r = s; r < s + n; ++r) {
          const std::uint8_t c = pixels[r * w + x];
          sum += c;
          if (wp) {
            weighted += static_cast<std::uint32_t>(c) * wp[r * w + x];
            weights += wp[r * w + x];
          }
        }
        out[x] = static_cast<std::uint8_t>(weights > 0 ? weighted / weights : sum / n);
      }
      s += n;
    }
  } else {
    const std::uint32_t t = static_cast<std::uint32_t>(
        (static_cast<std::uint64_t>(height - 1) << 16) / (newHeight - 1));
    std::uint32_t s = 0, a = 0;
    for (std::int32_t k = 0; k < newHeight; ++k) {
      std::uint8_t* out = block + k * w;
      const std::uint8_t* row = pixels + s * w;
      if (a == 0 || s + 1 >= static_cast<std::uint32_t>(height)) {
        std::memcpy(out, row, w);
      } else {
        for (std::size_t x = 0; x < w; ++x) out[x] = Lerp(row[x], row[x + w], a);
      }
      a += t;
      if (a >= 65536) {
        a &= 0xFFFF;
        ++s;
      }
    }
  }
  std::free(pixels);
  pixels = block;
  height = newHeight;
}

void cMonoPic::Resample(std::int32_t newWidth, std::int32_t newHeight, const cMonoPic* weight) {
  if (WidthFirst(width, height, newWidth, newHeight)) {
    ResampleWidth(newWidth, weight);
    ResampleHeight(newHeight, weight);
  } else {
    ResampleHeight(newHeight, weight);
    ResampleWidth(newWidth, weight);
  }
}

bool cMonoPic::Load(const char* name) { return GetGfxLoader().LoadGray(name, this); }

bool cMonoPic::LoadRaw(const char* name, std::int32_t w, std::int32_t h) {
  std::unique_ptr<TStream> stream = OpenFile(name, 0);
  if (!stream) return false;
  const std::int64_t length = stream->Size();
  // An empty file has no size, and a zero divisor none either.
  if (length <= 0) return false;
  std::int64_t width64 = w, height64 = h;
  if (width64 < 0 && height64 < 0) {
    width64 = static_cast<std::int64_t>(std::sqrt(static_cast<double>(length)));
    if (width64 <= 0) return false;
    height64 = length / width64;
  } else if (width64 < 0) {
    if (height64 == 0) return false;
    width64 = length / height64;
  } else if (height64 < 0) {
    if (width64 == 0) return false;
    height64 = length / width64;
  }
  if (width64 <= 0) return false;
  if (height64 > length / width64) height64 = length / width64;
  if (height64 == 0) height64 = 1;
  if (width64 > length / height64) width64 = length / height64;
  if (width64 <= 0) return false;

  const auto fw = static_cast<std::int32_t>(width64), fh = static_cast<std::int32_t>(height64);
  std::uint8_t* buffer = ZeroedBlock(fw, fh, "cMonoPic::LoadRaw()");
  stream->Seek(0, kSeekStart);
  const bool complete = stream->Read(buffer, fw, fh) == fh;
  stream.reset();
  if (complete) {
    std::free(pixels);
    pixels = buffer;
    width = fw;
    height = fh;
  } else {
    std::free(buffer);
  }
  return complete;
}

// ---- cColorPic -----------------------------------------------------------

cColorPic::cColorPic(const cColorPic* source) { Copy(source); }
cColorPic::cColorPic(const cMonoPic (&source)[4]) { SetPlanes(source); }
cColorPic::cColorPic(cMonoPic* const (&source)[4]) { SetPlanes(source); }

void cColorPic::Clear() {
  for (cMonoPic& plane : planes) plane.Clear();
  width = 0;
  height = 0;
}

void cColorPic::Create(std::int32_t w, std::int32_t h) {
  for (cMonoPic& plane : planes) plane.Create(w, h);
  width = planes[0].width;
  height = planes[0].height;
}

void cColorPic::Copy(const cColorPic* source) {
  if (!source || source == this) return;
  width = source->width;
  height = source->height;
  for (int i = 0; i < 4; ++i) planes[i].Copy(&source->planes[i]);
}

void cColorPic::SetPlanes(const cMonoPic (&source)[4]) {
  cMonoPic* const pointers[4] = {
      const_cast<cMonoPic*>(&source[0]), const_cast<cMonoPic*>(&source[1]),
      const_cast<cMonoPic*>(&source[2]), const_cast<cMonoPic*>(&source[3])};
  SetPlanes(pointers);
}

void cColorPic::SetPlanes(cMonoPic* const (&source)[4]) {
  for (cMonoPic* plane : source) {
    if (!plane || plane->width != source[0]->width || plane->height != source[0]->height) return;
  }
  for (int i = 0; i < 4; ++i) planes[i].Copy(source[i]);
  width = source[0]->width;
  height = source[0]->height;
}

void cColorPic::Fill(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha) {
  const std::uint8_t values[4] = {red, green, blue, alpha};
  const std::size_t area = Area(width, height, "cColorPic::Fill()");
  for (int i = 0; i < 4; ++i) {
    if (planes[i].pixels && planes[i].width == width && planes[i].height == height) {
      std::memset(planes[i].pixels, values[i], area);
    }
  }
}

void cColorPic::CopyRect(const cColorPic* source, std::int32_t sx, std::int32_t sy, std::int32_t dx,
                         std::int32_t dy, std::int32_t w, std::int32_t h) {
  if (!source) return;
  for (int i = 0; i < 4; ++i) planes[i].CopyRect(&source->planes[i], sx, sy, dx, dy, w, h);
}

void cColorPic::FlipVertical() {
  for (cMonoPic& plane : planes) plane.FlipVertical();
}

void cColorPic::ScaleWidth(std::int32_t newWidth) {
  if (width == 0 || newWidth == 0 || newWidth == width) return;
  for (cMonoPic& plane : planes) plane.ScaleWidth(newWidth);
  width = planes[0].width;
}

void cColorPic::ScaleHeight(std::int32_t newHeight) {
  if (height == 0 || newHeight == 0 || newHeight == height) return;
  for (cMonoPic& plane : planes) plane.ScaleHeight(newHeight);
  height = planes[0].height;
}

void cColorPic::ResampleWidth(std::int32_t newWidth) {
  if (width == 0 || newWidth == 0 || newWidth == width) return;
  for (int i = 0; i < 3; ++i) planes[i].ResampleWidth(newWidth, &planes[3]);
  planes[3].ResampleWidth(newWidth, nullptr);
  width = planes[0].width;
}

void cColorPic::ResampleHeight(std::int32_t newHeight) {
  if (height == 0 || newHeight == 0 || newHeight == height) return;
  for (int i = 0; i < 3; ++i) planes[i].ResampleHeight(newHeight, &planes[3]);
  planes[3].ResampleHeight(newHeight, nullptr);
  height = planes[0].height;
}

void cColorPic::Resample(std::int32_t newWidth, std::int32_t newHeight) {
  if (WidthFirst(width, height, newWidth, newHeight)) {
    ResampleWidth(newWidth);
    ResampleHeight(newHeight);
  } else {
    ResampleHeight(newHeight);
    ResampleWidth(newWidth);
  }
}

void cColorPic::Scale(std::int32_t newWidth, std::int32_t newHeight) {
  if (WidthFirst(width, height, newWidth, newHeight)) {
    ScaleWidth(newWidth);
    ScaleHeight(newHeight);
  } else {
    ScaleHeight(newHeight);
    ScaleWidth(newWidth);
  }
}

bool cColorPic::Load(const char* name, tChannelDepths* depths) {
  return GetGfxLoader().LoadColor(name, this, depths);
}

AutoFree::~AutoFree() { std::free(block_); }
