// Decoders behind the sound stand-in: modules through libopenmpt, samples
// through libsndfile, both read from memory.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace platform::sound {

// A decoded sample: interleaved frames of one or two channels, in -1 … 1.
struct SampleData {
  int channels = 1;
  int frequency = 44100;  // the file's own rate; playback sets its own
  std::vector<float> samples;

  std::size_t FrameCount() const { return samples.size() / static_cast<std::size_t>(channels); }
};

// The longest sample decoded, in seconds at the sample's own rate: no demo
// needs more, and a few kilobytes of packed silence can last for hours.
inline constexpr int kMaxSampleSeconds = 600;

// WAV, OGG, FLAC, MP3 and whatever else libsndfile reads. Null when the bytes
// are not a sample it understands, have more than two channels, or last longer
// than the limit; *tooLong (when given) tells the last case apart.
std::shared_ptr<const SampleData> DecodeSample(const void* data, std::size_t length,
                                               bool* tooLong = nullptr);

// One module, rendered as interleaved stereo floats.
class Module {
 public:
  // Null when libopenmpt does not recognise the bytes.
  static std::unique_ptr<Module> Load(const void* data, std::size_t length, bool loop);
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // Renders up to frames frames at the rate (8000 … 192000 Hz); fewer, down
  // to 0, once the song has ended without looping.
  std::size_t Render(int rate, std::size_t frames, float* stereo);

 private:
  explicit Module(void* handle) : handle_(handle) {}
  void* handle_;
};

// The version texts that the linked libraries report.
const char* ModuleLibraryVersion();
const char* SampleLibraryVersion();

}  // namespace platform::sound
