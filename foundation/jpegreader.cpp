// libjpeg's errors end in a long jump back to the reader, never in a C++
// exception through the library's C frames: the functions that set the
// recovery point hold nothing with a destructor.
#include "foundation/jpegreader.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "foundation/log.h"
#include "foundation/pictures.h"
#include "foundation/stream.h"

using VOXA::logging::LogMessage;

namespace JPEGlib {

namespace {

constexpr std::int32_t kBufferSize = 4096;

struct tErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf recovery;
};

struct tSourceManager {
  jpeg_source_mgr pub;
  TStream* stream;
  JOCTET* buffer;
  boolean startOfFile;
};

void ErrorExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<tErrorManager*>(info->err)->recovery, 1);
}

// Warnings are counted by the standard manager; the count is logged by the reader.
void OutputMessage(j_common_ptr) {}

void InitSource(j_decompress_ptr info) {
  reinterpret_cast<tSourceManager*>(info->src)->startOfFile = TRUE;
}

boolean FillInputBuffer(j_decompress_ptr info) {
  auto* source = reinterpret_cast<tSourceManager*>(info->src);
  std::int32_t n = source->stream->Read(source->buffer, 1, kBufferSize);
  if (n <= 0) {
    if (source->startOfFile) ERREXIT(info, JERR_INPUT_EMPTY);
    // Data that ends early is completed with an end-of-image marker.
    WARNMS(info, JWRN_JPEG_EOF);
    source->buffer[0] = 0xFF;
    source->buffer[1] = JPEG_EOI;
    n = 2;
  }
  source->startOfFile = FALSE;
  source->pub.next_input_byte = source->buffer;
  source->pub.bytes_in_buffer = static_cast<std::size_t>(n);
  return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* source = info->src;
  while (count > static_cast<long>(source->bytes_in_buffer)) {
    count -= static_cast<long>(source->bytes_in_buffer);
    FillInputBuffer(info);
  }
  source->next_input_byte += count;
  source->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void TermSource(j_decompress_ptr) {}

void StreamSource(j_decompress_ptr info, TStream* stream) {
  if (!info->src) {
    auto* source = static_cast<tSourceManager*>((*info->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, sizeof(tSourceManager)));
    source->buffer = static_cast<JOCTET*>((*info->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, kBufferSize));
    info->src = &source->pub;
  }
  auto* source = reinterpret_cast<tSourceManager*>(info->src);
  source->pub.init_source = InitSource;
  source->pub.fill_input_buffer = FillInputBuffer;
  source->pub.skip_input_data = SkipInputData;
  source->pub.resync_to_restart = jpeg_resync_to_restart;
  source->pub.term_source = TermSource;
  source->pub.bytes_in_buffer = 0;
  source->pub.next_input_byte = nullptr;
  source->stream = stream;
}

// A compressed 8x8 block takes at least a few bits even in a progressive file;
// a header that claims far more pixels than that, or a picture above the
// limits, is refused before the picture is allocated.
constexpr std::int64_t kMaxPixelsPerByte = 4096;

bool SizeFits(const jpeg_decompress_struct& info, TStream* stream) {
  const std::int64_t pixels = static_cast<std::int64_t>(info.image_width) * info.image_height;
  const std::int64_t limit = kMaxPixelsPerByte * std::max<std::int64_t>(stream->Size(), 0) + 65536;
  if (pixels <= limit) {
    CheckPictureSize(info.image_width, info.image_height);
    return true;
  }
  LogMessage(5, "JPEG: a %u x %u picture does not fit its file", info.image_width,
             info.image_height);
  return false;
}

// One colour space per target: 0 for a refusal after the header, 1 success,
// -1 a library error. The target is created by the callback.
template <typename Target>
int Decode(jpeg_decompress_struct* info, tErrorManager* errors, TStream* stream,
           J_COLOR_SPACE space, Target* target) {
  if (setjmp(errors->recovery)) return -1;
  jpeg_create_decompress(info);
  StreamSource(info, stream);
  jpeg_read_header(info, TRUE);
  if (!SizeFits(*info, stream)) return 0;
  info->out_color_space = space;
  jpeg_start_decompress(info);
  const JDIMENSION samples = info->output_width * static_cast<JDIMENSION>(info->output_components);
  JSAMPARRAY row =
      (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE, samples, 1);
  target->Begin(static_cast<std::int32_t>(info->image_width),
                static_cast<std::int32_t>(info->image_height));
  while (info->output_scanline < info->output_height) {
    const JDIMENSION y = info->output_scanline;
    jpeg_read_scanlines(info, row, 1);
    target->Row(y, row[0], info->output_width);
  }
  jpeg_finish_decompress(info);
  return 1;
}

struct tColorTarget {
  cColorPic* picture;
  void Begin(std::int32_t width, std::int32_t height) {
    picture->Create(width, height);
    std::memset(
        picture->planes[3].pixels, 255,
        static_cast<std::size_t>(picture->width) * static_cast<std::size_t>(picture->height));
  }
  void Row(JDIMENSION y, const JSAMPLE* samples, JDIMENSION count) {
    if (y >= static_cast<JDIMENSION>(picture->height)) return;
    const std::size_t w = static_cast<std::size_t>(picture->width);
    const std::size_t at = y * w;
    for (std::size_t x = 0; x < count && x < w; ++x) {
      picture->planes[0].pixels[at + x] = samples[3 * x];
      picture->planes[1].pixels[at + x] = samples[3 * x + 1];
      picture->planes[2].pixels[at + x] = samples[3 * x + 2];
    }
  }
  void Clear() { picture->Clear(); }
};

struct tGrayTarget {
  cMonoPic* plane;
  void Begin(std::int32_t width, std::int32_t height) { plane->Create(width, height); }
  void Row(JDIMENSION y, const JSAMPLE* samples, JDIMENSION count) {
    if (y >= static_cast<JDIMENSION>(plane->height)) return;
    const std::size_t w = static_cast<std::size_t>(plane->width);
    std::memcpy(plane->pixels + y * w, samples, count < w ? count : w);
  }
  void Clear() { plane->Clear(); }
};

template <typename Target>
bool Read(TStream* stream, J_COLOR_SPACE space, Target target) {
  jpeg_decompress_struct info;
  tErrorManager errors;
  std::memset(&info, 0, sizeof(info));
  info.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = ErrorExit;
  errors.pub.output_message = OutputMessage;
  int result = -1;
  try {
    result = Decode(&info, &errors, stream, space, &target);
  } catch (...) {
    // Running out of memory for the picture itself passes on to the caller.
    jpeg_destroy_decompress(&info);
    throw;
  }
  if (result == 1 && errors.pub.num_warnings > 0) {
    LogMessage(5, "The JPEG data might be corrupted (%i warning%s)!",
               static_cast<int>(errors.pub.num_warnings), errors.pub.num_warnings == 1 ? "" : "s");
  }
  if (result != 1) target.Clear();
  jpeg_destroy_decompress(&info);
  return result == 1;
}

}  // namespace

bool cJPEGreader::ReadColor(TStream* stream, cColorPic* picture, tChannelDepths* depths) {
  if (!picture || !stream) return false;
  if (depths) *depths = {8, 8, 8, 0};
  return Read(stream, JCS_RGB, tColorTarget{picture});
}

bool cJPEGreader::ReadGray(TStream* stream, cMonoPic* plane) {
  if (!plane || !stream) return false;
  return Read(stream, JCS_GRAYSCALE, tGrayTarget{plane});
}

}  // namespace JPEGlib
