// libpng reports errors by a long jump back to the recovery point: the
// functions that set one hold nothing with a destructor, and what they change
// after it is volatile.
#include "foundation/pngreader.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "foundation/log.h"
#include "foundation/pictures.h"
#include "foundation/stream.h"

using VOXA::logging::LogMessage;

namespace PNGlib {

namespace {

void ReadCallback(png_structp png, png_bytep data, png_size_t length) {
  auto* stream = static_cast<TStream*>(png_get_io_ptr(png));
  if (!stream || length > 0x7FFFFFFF ||
      stream->Read(data, 1, static_cast<std::int32_t>(length)) <
          static_cast<std::int32_t>(length)) {
    png_error(png, "Read Error");
  }
}

void ErrorCallback(png_structp png, png_const_charp message) {
  LogMessage(5, "PNG Error: %s", message);
  png_longjmp(png, 1);
}

void WarningCallback(png_structp, png_const_charp message) {
  LogMessage(5, "PNG Warning: %s", message);
}

// Deflate packs at most 1032 bytes into one: no chunk, and no image, of a
// file decodes to more than this.
std::uint64_t DecodedLimit(std::int32_t fileSize) {
  return 1032ull * static_cast<std::uint64_t>(fileSize > 0 ? fileSize : 0) + 65536;
}

// A header that asks for more filtered bytes than the file can hold, or for a
// picture above the limits, is refused before anything is allocated.
void CheckSize(png_structp png, png_uint_32 width, png_uint_32 height, int bitDepth, int colorType,
               std::int32_t fileSize) {
  int channels = 1;
  if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA) channels = 2;
  if (colorType == PNG_COLOR_TYPE_RGB) channels = 3;
  if (colorType == PNG_COLOR_TYPE_RGB_ALPHA) channels = 4;
  const std::uint64_t rowBytes =
      (static_cast<std::uint64_t>(width) * channels * bitDepth + 7) / 8 + 1;
  const std::uint64_t limit = DecodedLimit(fileSize);
  if (width > 0x7FFF'FFFFu / 4 || rowBytes * height > limit ||
      static_cast<std::uint64_t>(width) * height > 0x7FFF'FFFFu) {
    png_error(png, "Image size does not fit the file");
  }
  CheckPictureSize(width, height);
}

// Whether every chunk up to IEND lies inside the file. The library allocates
// and clears a chunk's whole length before it reads the chunk, so a hostile
// length would cost that much memory before the read fails; such a file could
// never load anyway, and is refused as the short read it is. Leaves the stream
// where it was.
bool ChunksFitFile(TStream* stream) {
  const std::int64_t start = stream->Tell();
  const std::int64_t size = stream->Size();
  std::int64_t position = start + 8;
  bool fits = true;
  while (position + 8 <= size) {
    std::uint8_t header[8];
    stream->Seek(static_cast<std::int32_t>(position), kSeekStart);
    if (stream->Read(header, 8, 1) != 1) break;
    const std::int64_t length = (static_cast<std::int64_t>(header[0]) << 24) | (header[1] << 16) |
                                (header[2] << 8) | header[3];
    if (position + 12 + length > size) {
      fits = false;
      break;
    }
    if (std::memcmp(header + 4, "IEND", 4) == 0) break;
    position += 12 + length;
  }
  stream->Seek(static_cast<std::int32_t>(start), kSeekStart);
  return fits;
}

struct tHeader {
  png_uint_32 width;
  png_uint_32 height;
  int bitDepth;
  int colorType;
};

void ReadHeader(png_structp png, png_infop info, TStream* stream, tHeader* header) {
  if (!ChunksFitFile(stream)) png_error(png, "Read Error");
  png_set_read_fn(png, stream, ReadCallback);
  // Compressed chunks expand no further than deflate allows.
  png_set_chunk_malloc_max(png, static_cast<png_alloc_size_t>(DecodedLimit(stream->Size())));
  png_read_info(png, info);
  png_get_IHDR(png, info, &header->width, &header->height, &header->bitDepth, &header->colorType,
               nullptr, nullptr, nullptr);
  CheckSize(png, header->width, header->height, header->bitDepth, header->colorType,
            stream->Size());
}

// The rows live in one block from png_malloc; both are freed by the caller,
// on success and after a long jump alike.
struct tRows {
  png_bytep block;
  png_bytepp rows;
};

void ReadRows(png_structp png, png_infop info, png_uint_32 height, std::size_t minimum,
              volatile tRows* rows) {
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const png_size_t rowBytes = png_get_rowbytes(png, info);
  if (rowBytes < minimum) png_error(png, "Unexpected row layout");
  rows->rows = static_cast<png_bytepp>(png_malloc(png, sizeof(png_bytep) * (height ? height : 1)));
  rows->block = static_cast<png_bytep>(png_malloc(png, rowBytes * (height ? height : 1)));
  for (png_uint_32 y = 0; y < height; ++y) rows->rows[y] = rows->block + y * rowBytes;
  png_read_image(png, rows->rows);
  png_read_end(png, info);
}

void FreeRows(png_structp png, volatile tRows* rows) {
  png_free(png, rows->rows);
  png_free(png, rows->block);
  rows->rows = nullptr;
  rows->block = nullptr;
}

bool HasTransparency(png_structp png, png_infop info, int* entries) {
  *entries = 0;
  if (!png_get_valid(png, info, PNG_INFO_tRNS)) return false;
  png_bytep alpha = nullptr;
  png_color_16p color = nullptr;
  png_get_tRNS(png, info, &alpha, entries, &color);
  return true;
}

bool DecodeColor(png_structp png, png_infop info, TStream* stream, cColorPic* picture,
                 tChannelDepths* depths) {
  volatile tRows rows = {nullptr, nullptr};
  if (setjmp(png_jmpbuf(png))) {
    FreeRows(png, &rows);
    picture->Clear();
    return false;
  }
  tHeader header;
  ReadHeader(png, info, stream, &header);
  picture->Create(static_cast<std::int32_t>(header.width),
                  static_cast<std::int32_t>(header.height));

  int bitDepth = header.bitDepth;
  const int type = header.colorType;
  if (bitDepth == 16) {
    png_set_strip_16(png);
    bitDepth = 8;
  }
  if (type == PNG_COLOR_TYPE_PALETTE || bitDepth < 8) png_set_packing(png);

  int entries = 0;
  const bool transparency = HasTransparency(png, info, &entries);
  if (depths) {
    *depths = {8, 8, 8, 0};
    if (transparency) depths->alpha = 1;
    if (entries > 0 || type == PNG_COLOR_TYPE_GRAY_ALPHA || type == PNG_COLOR_TYPE_RGB_ALPHA) {
      depths->alpha = 8;
    }
  }
  if (type == PNG_COLOR_TYPE_PALETTE) png_set_expand(png);
  if (type == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand(png);
  if (transparency) png_set_expand(png);
  if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_RGB ||
      (type == PNG_COLOR_TYPE_PALETTE && (entries == 0 || !transparency))) {
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  }
  const std::size_t width = header.width;
  ReadRows(png, info, header.height, 4 * width, &rows);

  for (png_uint_32 y = 0; y < header.height; ++y) {
    const png_bytep row = rows.rows[y];
    const std::size_t at = y * width;
    for (std::size_t x = 0; x < width; ++x) {
      picture->planes[0].pixels[at + x] = row[4 * x];
      picture->planes[1].pixels[at + x] = row[4 * x + 1];
      picture->planes[2].pixels[at + x] = row[4 * x + 2];
      picture->planes[3].pixels[at + x] = row[4 * x + 3];
    }
  }
  FreeRows(png, &rows);
  return true;
}

bool DecodeGray(png_structp png, png_infop info, TStream* stream, cMonoPic* plane) {
  volatile tRows rows = {nullptr, nullptr};
  if (setjmp(png_jmpbuf(png))) {
    FreeRows(png, &rows);
    plane->Clear();
    return false;
  }
  tHeader header;
  ReadHeader(png, info, stream, &header);
  plane->Create(static_cast<std::int32_t>(header.width), static_cast<std::int32_t>(header.height));

  int bitDepth = header.bitDepth;
  const int type = header.colorType;
  if (bitDepth == 16) {
    png_set_strip_16(png);
    bitDepth = 8;
  }
  if (type == PNG_COLOR_TYPE_PALETTE || bitDepth < 8) png_set_packing(png);
  int entries = 0;
  const bool transparency = HasTransparency(png, info, &entries);
  if (type == PNG_COLOR_TYPE_PALETTE) png_set_expand(png);
  if (type == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand(png);
  if (transparency) png_set_expand(png);
  if (type == PNG_COLOR_TYPE_RGB || type == PNG_COLOR_TYPE_RGB_ALPHA ||
      type == PNG_COLOR_TYPE_PALETTE) {
    png_set_rgb_to_gray(png, PNG_ERROR_ACTION_NONE, -1.0, -1.0);
  }
  // A transparency chunk expands to an alpha channel in gray and RGB files
  // too; it is stripped there as well, so every row holds one byte a pixel.
  if (type == PNG_COLOR_TYPE_GRAY_ALPHA || type == PNG_COLOR_TYPE_RGB_ALPHA || transparency) {
    png_set_strip_alpha(png);
  }
  const std::size_t width = header.width;
  ReadRows(png, info, header.height, width, &rows);
  for (png_uint_32 y = 0; y < header.height; ++y) {
    std::memcpy(plane->pixels + y * width, rows.rows[y], width);
  }
  FreeRows(png, &rows);
  return true;
}

template <typename Decode>
bool Read(Decode decode) {
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorCallback, WarningCallback);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  bool ok = false;
  try {
    ok = decode(png, info);
  } catch (...) {
    // Running out of memory for the picture itself passes on to the caller.
    png_destroy_read_struct(&png, &info, nullptr);
    throw;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return ok;
}

}  // namespace

bool cPNGreader::CheckSignature(const std::uint8_t* bytes, std::uint32_t count) {
  if (count == 0) return true;
  return png_sig_cmp(bytes, 0, count > 8 ? 8 : count) == 0;
}

bool cPNGreader::ReadColor(TStream* stream, cColorPic* picture, tChannelDepths* depths) {
  if (!stream || !picture) return false;
  return Read([&](png_structp png, png_infop info) {
    return DecodeColor(png, info, stream, picture, depths);
  });
}

bool cPNGreader::ReadGray(TStream* stream, cMonoPic* plane) {
  if (!stream || !plane) return false;
  return Read(
      [&](png_structp png, png_infop info) { return DecodeGray(png, info, stream, plane); });
}

const char* GetVersion() { return png_get_libpng_ver(nullptr); }
const char* GetCopyright() { return png_get_copyright(nullptr); }

}  // namespace PNGlib
