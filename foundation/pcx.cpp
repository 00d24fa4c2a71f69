#include "foundation/pcx.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/pictures.h"
#include "foundation/stream.h"

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::logging::LogMessage;

namespace PCXlib {

namespace {

constexpr std::int32_t kHeaderSize = 128;
constexpr std::int32_t kPaletteSize = 768;

struct tHeader {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t planes = 0;
  std::int32_t bytesPerLine = 0;
};

using Block = std::unique_ptr<std::uint8_t, decltype(&std::free)>;

Block Allocate(std::int64_t bytes, const char* what) {
  Block block(
      static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(bytes > 0 ? bytes : 1))),
      &std::free);
  if (!block) throw new eCouldNotAllocateMemoryFor(what);
  return block;
}

std::int32_t Word(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::int32_t SignedWord(const std::uint8_t* p) { return static_cast<std::int16_t>(Word(p)); }

// Reads and judges the header; planes must be 1 or, when allowed, 3.
bool ReadHeader(TStream* stream, bool threePlanes, tHeader* header) {
  std::uint8_t raw[kHeaderSize];
  if (stream->Read(raw, kHeaderSize, 1) != 1) return false;
  if (raw[0] != 0x0A || raw[1] < 5 || raw[2] != 1 || raw[3] != 8) return false;
  header->planes = raw[65];
  if (header->planes != 1 && !(threePlanes && header->planes == 3)) return false;
  header->width = SignedWord(raw + 8) - SignedWord(raw + 4) + 1;
  header->height = SignedWord(raw + 10) - SignedWord(raw + 6) + 1;
  header->bytesPerLine = Word(raw + 66);
  return true;
}

// A header that the file cannot back: sizes that are not positive, pixels
// beyond the decoded line, a file too short for its palette, or more decoded
// bytes than the run-length data can produce (63 bytes per 2 source bytes);
// past those, a picture above the limits.
bool HeaderFitsFile(const tHeader& header, std::int32_t fileSize) {
  bool fits = header.width > 0 && header.height > 0 && header.width <= header.bytesPerLine;
  const std::int64_t data =
      static_cast<std::int64_t>(fileSize) - kHeaderSize - (header.planes == 1 ? kPaletteSize : 0);
  fits = fits && data >= 0;
  const std::int64_t decoded =
      static_cast<std::int64_t>(header.bytesPerLine) * header.height * header.planes;
  fits = fits && decoded <= data * 32;
  if (!fits) {
    LogMessage(5, "PCX: a %i x %i picture of %i bytes per line does not fit its file of %i bytes",
               header.width, header.height, header.bytesPerLine, fileSize);
    return false;
  }
  CheckPictureSize(header.width, header.height);
  return true;
}

// Reads the palette from the end of the file and decodes the indices of a
// one-plane picture into a new block of bytes-per-line x height bytes.
bool ReadPaletteData(TStream* stream, const tHeader& header, std::int32_t fileSize,
                     std::uint8_t* palette, Block* decoded) {
  Block file = Allocate(fileSize, "file buffer!");
  stream->Seek(-kPaletteSize, kSeekEnd);
  if (stream->Failed()) return false;
  if (stream->Read(palette, kPaletteSize, 1) != 1) return false;
  stream->Seek(kHeaderSize, kSeekStart);
  const std::int32_t limit = stream->Read(file.get(), 1, fileSize - kHeaderSize - kPaletteSize);
  const std::int64_t count = static_cast<std::int64_t>(header.bytesPerLine) * header.height;
  Block lines = Allocate(count + 64, "line buffer!");
  std::int32_t position = 0;
  if (!DecodeRLE(static_cast<std::int32_t>(count), lines.get(), file.get(), limit, &position)) {
    return false;
  }
  *decoded = std::move(lines);
  return true;
}

}  // namespace

bool DecodeRLE(std::int32_t count, std::uint8_t* destination, const std::uint8_t* source,
               std::int32_t limit, std::int32_t* position) {
  std::int32_t produced = 0;
  std::int32_t p = *position;
  while (produced < count) {
    if (p >= limit) {
      *position = p;
      return false;
    }
    const std::uint8_t byte = source[p++];
    if ((byte & 0xC0) == 0xC0) {
      if (p >= limit) {
        *position = p;
        return false;
      }
      const std::uint8_t value = source[p++];
      std::int32_t run = byte & 0x3F;
      if (run > count - produced) run = count - produced;
      std::memset(destination + produced, value, static_cast<std::size_t>(run));
      produced += run;
    } else {
      destination[produced++] = byte;
    }
  }
  *position = p;
  return p <= limit;
}

bool cPCXreader::CheckSignature(const std::uint8_t* bytes, std::uint32_t count) {
  if (count >= 1 && bytes[0] != 0x0A) return false;
  if (count >= 2 && bytes[1] < 5) return false;
  return true;
}

bool cPCXreader::ReadColor(TStream* stream, cColorPic* picture, tChannelDepths* depths) {
  if (!stream || !picture) return false;
  tHeader header;
  if (!ReadHeader(stream, true, &header)) return false;
  const std::int32_t fileSize = stream->Size();
  if (!HeaderFitsFile(header, fileSize)) return false;

  picture->Create(header.width, header.height);
  if (depths) *depths = {8, 8, 8, 0};
  std::memset(picture->planes[3].pixels, 255,
              static_cast<std::size_t>(header.width) * static_cast<std::size_t>(header.height));
  const auto w = static_cast<std::size_t>(header.width);
  const auto bpl = static_cast<std::size_t>(header.bytesPerLine);

  if (header.planes == 1) {
    std::uint8_t palette[kPaletteSize];
    Block decoded(nullptr, &std::free);
    if (!ReadPaletteData(stream, header, fileSize, palette, &decoded)) return false;
    for (std::size_t y = 0; y < static_cast<std::size_t>(header.height); ++y) {
      const std::uint8_t* line = decoded.get() + y * bpl;
      for (std::size_t x = 0; x < w; ++x) {
        const std::uint8_t* entry = palette + 3 * line[x];
        picture->planes[0].pixels[y * w + x] = entry[0];
        picture->planes[1].pixels[y * w + x] = entry[1];
        picture->planes[2].pixels[y * w + x] = entry[2];
      }
    }
    return true;
  }

  Block file = Allocate(fileSize, "file buffer!");
  stream->Seek(kHeaderSize, kSeekStart);
  const std::int32_t limit = stream->Read(file.get(), 1, fileSize - kHeaderSize);
  const std::int64_t count = 3 * static_cast<std::int64_t>(bpl) * header.height;
  Block decoded = Allocate(count + 64, "line buffer!");
  std::int32_t position = 0;
  if (!DecodeRLE(static_cast<std::int32_t>(count), decoded.get(), file.get(), limit, &position)) {
    return false;
  }
  for (std::size_t y = 0; y < static_cast<std::size_t>(header.height); ++y) {
    for (int c = 0; c < 3; ++c) {
      std::memcpy(picture->planes[c].pixels + y * w, decoded.get() + (3 * y + c) * bpl, w);
    }
  }
  return true;
}

// The palette index is the gray value; the palette itself is not applied.
bool cPCXreader::ReadGray(TStream* stream, cMonoPic* plane) {
  if (!stream || !plane) return false;
  tHeader header;
  if (!ReadHeader(stream, false, &header)) return false;
  const std::int32_t fileSize = stream->Size();
  if (!HeaderFitsFile(header, fileSize)) return false;

  plane->Create(header.width, header.height);
  std::uint8_t palette[kPaletteSize];
  Block decoded(nullptr, &std::free);
  if (!ReadPaletteData(stream, header, fileSize, palette, &decoded)) return false;
  const auto w = static_cast<std::size_t>(header.width);
  for (std::size_t y = 0; y < static_cast<std::size_t>(header.height); ++y) {
    std::memcpy(plane->pixels + y * w,
                decoded.get() + y * static_cast<std::size_t>(header.bytesPerLine), w);
  }
  return true;
}

}  // namespace PCXlib
