#include "platform/sound_data.h"

#include <libopenmpt/libopenmpt.h>
#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace platform::sound {
namespace {

// libsndfile reads through these callbacks from a block that the caller owns.
struct MemoryReader {
  const unsigned char* data;
  sf_count_t length;
  sf_count_t position;
};

sf_count_t MemoryLength(void* user) { return static_cast<MemoryReader*>(user)->length; }

sf_count_t MemorySeek(sf_count_t offset, int whence, void* user) {
  auto* m = static_cast<MemoryReader*>(user);
  sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->position : m->length;
  sf_count_t target = base + offset;
  if (target < 0 || target > m->length) return -1;
  m->position = target;
  return target;
}

sf_count_t MemoryRead(void* buffer, sf_count_t count, void* user) {
  auto* m = static_cast<MemoryReader*>(user);
  sf_count_t n = std::clamp<sf_count_t>(m->length - m->position, 0, count);
  std::memcpy(buffer, m->data + m->position, static_cast<std::size_t>(n));
  m->position += n;
  return n;
}

sf_count_t MemoryWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t MemoryTell(void* user) { return static_cast<MemoryReader*>(user)->position; }

openmpt_module* AsModule(void* handle) { return static_cast<openmpt_module*>(handle); }

}  // namespace

std::shared_ptr<const SampleData> DecodeSample(const void* data, std::size_t length,
                                               bool* tooLong) {
  if (tooLong) *tooLong = false;
  MemoryReader reader{static_cast<const unsigned char*>(data), static_cast<sf_count_t>(length), 0};
  SF_VIRTUAL_IO io{MemoryLength, MemorySeek, MemoryRead, MemoryWrite, MemoryTell};
  SF_INFO info{};
  SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, &reader);
  if (!file) return nullptr;
  std::shared_ptr<SampleData> sample;
  const sf_count_t maxFrames = static_cast<sf_count_t>(kMaxSampleSeconds) * info.samplerate;
  // SF_COUNT_MAX stands for a length the header does not tell.
  bool longer = info.samplerate > 0 && info.frames != SF_COUNT_MAX && info.frames > maxFrames;
  if (!longer && info.channels >= 1 && info.channels <= 2 && info.samplerate > 0) {
    sample = std::make_shared<SampleData>();
    sample->channels = info.channels;
    sample->frequency = info.samplerate;
    // The header's frame count is not trusted: decode until the data ends,
    // or until the sample is longer than the limit whatever the header said.
    constexpr sf_count_t kChunk = 16384;
    std::size_t used = 0;
    for (;;) {
      sample->samples.resize(used + static_cast<std::size_t>(kChunk) * info.channels);
      sf_count_t got = sf_readf_float(file, sample->samples.data() + used, kChunk);
      if (got <= 0) break;
      used += static_cast<std::size_t>(got) * info.channels;
      if (static_cast<sf_count_t>(used / info.channels) > maxFrames) {
        longer = true;
        break;
      }
    }
    sample->samples.resize(used);
    if (used == 0 || longer) sample.reset();
  }
  sf_close(file);
  if (tooLong) *tooLong = longer;
  return sample;
}

std::unique_ptr<Module> Module::Load(const void* data, std::size_t length, bool loop) {
  openmpt_module* m = openmpt_module_create_from_memory2(data, length, nullptr, nullptr, nullptr,
                                                         nullptr, nullptr, nullptr, nullptr);
  if (!m) return nullptr;
  openmpt_module_set_repeat_count(m, loop ? -1 : 0);
  return std::unique_ptr<Module>(new Module(m));
}

Module::~Module() { openmpt_module_destroy(AsModule(handle_)); }

std::size_t Module::Render(int rate, std::size_t frames, float* stereo) {
  return openmpt_module_read_interleaved_float_stereo(AsModule(handle_), rate, frames, stereo);
}

const char* ModuleLibraryVersion() {
  static const std::string text = [] {
    const char* v = openmpt_get_string("library_version");
    std::string s = std::string("libopenmpt ") + (v ? v : "?");
    openmpt_free_string(v);
    return s;
  }();
  return text.c_str();
}

const char* SampleLibraryVersion() { return sf_version_string(); }

}  // namespace platform::sound
