#include "platform/blit.h"

#include <cstring>
#include <vector>

namespace platform::pixels {
namespace {

// The formats with a row routine of their own; Other goes through the masks.
enum class Kind { Xrgb8888, Rgb888, Rgb565, Xrgb1555, Other };

Kind KindOf(const DDPIXELFORMAT& f) {
  const DWORD r = f.dwRBitMask, g = f.dwGBitMask, b = f.dwBBitMask;
  switch (f.dwRGBBitCount) {
    case 32:
      if (r == 0xFF0000 && g == 0xFF00 && b == 0xFF) return Kind::Xrgb8888;
      break;
    case 24:
      if (r == 0xFF0000 && g == 0xFF00 && b == 0xFF) return Kind::Rgb888;
      break;
    case 16:
      if (r == 0xF800 && g == 0x07E0 && b == 0x001F) return Kind::Rgb565;
      if (r == 0x7C00 && g == 0x03E0 && b == 0x001F) return Kind::Xrgb1555;
      break;
    default:
      break;
  }
  return Kind::Other;
}

int BytesOf(const DDPIXELFORMAT& f) { return static_cast<int>((f.dwRGBBitCount + 7) / 8); }

std::uint16_t Load16(const BYTE* p) {
  std::uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
std::uint32_t Load32(const BYTE* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// A channel of 5 or 6 bits widened to 8 with rounding, as Unpack does:
// (v * 255 + 15) / 31 and (v * 255 + 31) / 63 without a division.
inline std::uint32_t Widen5(std::uint32_t v) { return (v * 527 + 23) >> 6; }
inline std::uint32_t Widen6(std::uint32_t v) { return (v * 259 + 33) >> 6; }

void FromRgb(const std::uint32_t* in, const DDPIXELFORMAT& format, BYTE* dst, int count) {
  switch (KindOf(format)) {
    case Kind::Xrgb8888:
      for (int i = 0; i < count; ++i) {
        const std::uint32_t v = in[i] & 0xFFFFFF;
        std::memcpy(dst + 4 * i, &v, 4);
      }
      return;
    case Kind::Rgb888:
      for (int i = 0; i < count; ++i) {
        dst[3 * i] = static_cast<BYTE>(in[i]);
        dst[3 * i + 1] = static_cast<BYTE>(in[i] >> 8);
        dst[3 * i + 2] = static_cast<BYTE>(in[i] >> 16);
      }
      return;
    case Kind::Rgb565:
      for (int i = 0; i < count; ++i) {
        const std::uint32_t c = in[i];
        const auto v = static_cast<std::uint16_t>(((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) |
                                                  ((c >> 3) & 0x001F));
        std::memcpy(dst + 2 * i, &v, 2);
      }
      return;
    case Kind::Xrgb1555:
      for (int i = 0; i < count; ++i) {
        const std::uint32_t c = in[i];
        const auto v = static_cast<std::uint16_t>(((c >> 9) & 0x7C00) | ((c >> 6) & 0x03E0) |
                                                  ((c >> 3) & 0x001F));
        std::memcpy(dst + 2 * i, &v, 2);
      }
      return;
    case Kind::Other:
      break;
  }
  const int bytes = BytesOf(format);
  for (int i = 0; i < count; ++i) Write(dst + bytes * i, bytes, Pack(format, in[i]));
}

// Same-format pixels of N bytes, picked by a column table.
template <int N>
void Gather(const BYTE* src, const int* columns, BYTE* dst, int count) {
  for (int i = 0; i < count; ++i) std::memcpy(dst + N * i, src + N * columns[i], N);
}

void GatherBytes(const BYTE* src, const int* columns, BYTE* dst, int count, int bytes) {
  switch (bytes) {
    case 1:
      return Gather<1>(src, columns, dst, count);
    case 2:
      return Gather<2>(src, columns, dst, count);
    case 3:
      return Gather<3>(src, columns, dst, count);
    default:
      return Gather<4>(src, columns, dst, count);
  }
}

// The nearest source index for each of n destination positions over a source
// extent of m, sampled at pixel centres.
std::vector<int> Nearest(int n, int m) {
  std::vector<int> at(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    at[static_cast<size_t>(i)] = static_cast<int>((static_cast<std::int64_t>(2 * i + 1) * m) / (2 * n));
  return at;
}

}  // namespace

bool IsXrgb(const DDPIXELFORMAT& format) { return KindOf(format) == Kind::Xrgb8888; }

void ToRgb(const BYTE* src, const DDPIXELFORMAT& format, std::uint32_t* out, int count) {
  switch (KindOf(format)) {
    case Kind::Xrgb8888:
      for (int i = 0; i < count; ++i) out[i] = Load32(src + 4 * i) & 0xFFFFFF;
      return;
    case Kind::Rgb888:
      for (int i = 0; i < count; ++i)
        out[i] = static_cast<std::uint32_t>(src[3 * i]) |
                 static_cast<std::uint32_t>(src[3 * i + 1]) << 8 |
                 static_cast<std::uint32_t>(src[3 * i + 2]) << 16;
      return;
    case Kind::Rgb565:
      for (int i = 0; i < count; ++i) {
        const std::uint32_t v = Load16(src + 2 * i);
        out[i] = Widen5(v >> 11) << 16 | Widen6((v >> 5) & 63) << 8 | Widen5(v & 31);
      }
      return;
    case Kind::Xrgb1555:
      for (int i = 0; i < count; ++i) {
        const std::uint32_t v = Load16(src + 2 * i);
        out[i] = Widen5((v >> 10) & 31) << 16 | Widen5((v >> 5) & 31) << 8 | Widen5(v & 31);
      }
      return;
    case Kind::Other:
      break;
  }
  const int bytes = BytesOf(format);
  for (int i = 0; i < count; ++i) out[i] = Unpack(format, Read(src + bytes * i, bytes));
}

void Fill(View dst, int width, int height, DWORD value) {
  if (width <= 0 || height <= 0) return;
  const int bytes = dst.bytes;
  const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(bytes);
  // The first row pixel by pixel, every other row a copy of it.
  BYTE* first = dst.data;
  if (bytes == 1) {
    std::memset(first, static_cast<int>(value & 0xFF), rowBytes);
  } else {
    BYTE one[4];
    Write(one, bytes, value);
    for (int x = 0; x < width; ++x) std::memcpy(first + x * bytes, one, static_cast<size_t>(bytes));
  }
  for (int y = 1; y < height; ++y)
    std::memcpy(dst.data + static_cast<std::ptrdiff_t>(y) * dst.pitch, first, rowBytes);
}

void Copy(View dst, int dw, int dh, View src, int sw, int sh) {
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const int dbytes = dst.bytes;
  const bool same = dst.format->dwRGBBitCount == src.format->dwRGBBitCount &&
                    dst.format->dwRBitMask == src.format->dwRBitMask &&
                    dst.format->dwGBitMask == src.format->dwGBitMask &&
                    dst.format->dwBBitMask == src.format->dwBBitMask;
  const bool stretchX = dw != sw;
  const std::vector<int> rows = Nearest(dh, sh);
  const std::vector<int> columns = stretchX ? Nearest(dw, sw) : std::vector<int>{};
  std::vector<std::uint32_t> rgb, picked;
  if (!same) {
    rgb.resize(static_cast<size_t>(sw));
    if (stretchX) picked.resize(static_cast<size_t>(dw));
  }
  const size_t rowBytes = static_cast<size_t>(dw) * static_cast<size_t>(dbytes);
  for (int y = 0; y < dh; ++y) {
    BYTE* drow = dst.data + static_cast<std::ptrdiff_t>(y) * dst.pitch;
    // A source row that the previous destination row showed already.
    if (y > 0 && rows[static_cast<size_t>(y)] == rows[static_cast<size_t>(y) - 1]) {
      std::memcpy(drow, drow - dst.pitch, rowBytes);
      continue;
    }
    const BYTE* srow = src.data + static_cast<std::ptrdiff_t>(rows[static_cast<size_t>(y)]) * src.pitch;
    if (same) {
      if (stretchX)
        GatherBytes(srow, columns.data(), drow, dw, dbytes);
      else
        std::memcpy(drow, srow, rowBytes);
      continue;
    }
    ToRgb(srow, *src.format, rgb.data(), sw);
    const std::uint32_t* line = rgb.data();
    if (stretchX) {
      for (int x = 0; x < dw; ++x)
        picked[static_cast<size_t>(x)] = rgb[static_cast<size_t>(columns[static_cast<size_t>(x)])];
      line = picked.data();
    }
    FromRgb(line, *dst.format, drow, dw);
  }
}

}  // namespace platform::pixels
