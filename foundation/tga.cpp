#include "foundation/tga.h"

#include <cstdlib>
#include <memory>

#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/pictures.h"
#include "foundation/stream.h"

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::logging::LogMessage;

namespace TARGAlib {

namespace {
constexpr std::int32_t kHeaderSize = 18;
// A run packet (header byte and one pixel) gives at most 128 pixels.
constexpr std::int64_t kMaxPixelsPerByte = 128;
}  // namespace

bool cTARGAreader::ReadColor(TStream* stream, cColorPic* picture, tChannelDepths* depths) {
  if (!stream || !picture) return false;
  std::uint8_t header[kHeaderSize];
  if (stream->Read(header, kHeaderSize, 1) != 1) return false;
  if (header[16] != 32) return false;
  const std::int32_t dataStart = kHeaderSize + header[0];
  stream->Seek(dataStart, kSeekStart);
  if (stream->Failed()) return false;

  const std::int32_t width = static_cast<std::int16_t>(header[12] | (header[13] << 8));
  const std::int32_t height = static_cast<std::int16_t>(header[14] | (header[15] << 8));
  // The packets follow the header to the end of the file, and can be longer
  // than width x height x 4 bytes (raw packets of one pixel take five).
  const std::int64_t available = static_cast<std::int64_t>(stream->Size()) - dataStart;
  const std::int64_t pixels = static_cast<std::int64_t>(width) * height;
  if (width <= 0 || height <= 0 || available <= 0 || pixels > available * kMaxPixelsPerByte) {
    LogMessage(5, "TGA: a %i x %i picture does not fit its file", width, height);
    return false;
  }
  CheckPictureSize(width, height);

  picture->Create(width, height);
  if (depths) *depths = {8, 8, 8, 8};
  std::unique_ptr<std::uint8_t, decltype(&std::free)> buffer(
      static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(available))), &std::free);
  if (!buffer) throw new eCouldNotAllocateMemoryFor("picture buffer!");
  const std::int64_t length = stream->Read(buffer.get(), 1, static_cast<std::int32_t>(available));
  if (length <= 0) return false;
  if (header[2] != 10) return false;

  const std::uint8_t* data = buffer.get();
  std::uint8_t* red = picture->planes[0].pixels;
  std::uint8_t* green = picture->planes[1].pixels;
  std::uint8_t* blue = picture->planes[2].pixels;
  std::uint8_t* alpha = picture->planes[3].pixels;
  auto put = [&](std::int64_t at, const std::uint8_t* bgra) {
    blue[at] = bgra[0];
    green[at] = bgra[1];
    red[at] = bgra[2];
    alpha[at] = bgra[3];
  };
  // Pixels that the data does not reach stay as created.
  std::int64_t at = 0, position = 0;
  while (at < pixels && position < length) {
    const std::uint8_t packet = data[position++];
    const std::int64_t count = (packet & 0x7F) + 1;
    if (packet & 0x80) {
      if (position + 4 > length) break;
      for (std::int64_t k = 0; k < count && at < pixels; ++k) put(at++, data + position);
      position += 4;
    } else {
      for (std::int64_t k = 0; k < count && at < pixels && position + 4 <= length; ++k) {
        put(at++, data + position);
        position += 4;
      }
      if (position + 4 > length) break;
    }
  }
  buffer.reset();
  // Rows are stored bottom to top, whatever the descriptor says.
  picture->FlipVertical();
  return true;
}

}  // namespace TARGAlib
