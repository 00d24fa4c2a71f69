// Our own mixer: sums the playing music and sample voices into the output
// format. It is not locked; the sound stand-in serialises every call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/sound_data.h"

namespace platform::sound {

struct OutputFormat {
  int frequency = 48000;
  int channels = 2;          // 1 or 2
  int bits = 16;             // 8 (unsigned) or 16 (signed, native order)
  bool monoSpeaker = false;  // both stereo channels carry the mix of the two

  int BytesPerFrame() const { return channels * bits / 8; }
};

// Volume 0 … 1 and pan -1 (left) … 1 (right) as gains per channel: the far
// side fades linearly, the near side stays at the volume.
struct Gains {
  float left = 1;
  float right = 1;
  static Gains From(float volume, float pan);
};

class Mixer {
 public:
  explicit Mixer(const OutputFormat& format = {});

  const OutputFormat& Format() const { return format_; }
  // Voices keep their playback rate in Hz across a change of output rate.
  void SetFormat(const OutputFormat& format);

  // Music channels, keyed by the stand-in's handle. A module is added
  // stopped, at full volume and centred.
  void AddMusic(std::uint32_t handle, std::unique_ptr<Module> module);
  bool HasMusic(std::uint32_t handle) const;
  void PlayMusic(std::uint32_t handle);
  void SetMusicGains(std::uint32_t handle, float volume, float pan);
  void RemoveMusic(std::uint32_t handle);

  // Starts one play of a sample at a playback rate in Hz.
  void PlaySample(std::uint32_t sampleHandle, std::shared_ptr<const SampleData> data,
                  double frequency, float volume, float pan);
  int PlayingVoices(std::uint32_t sampleHandle) const;
  void StopSample(std::uint32_t sampleHandle);

  // Fills frames frames of the output format.
  void Render(void* out, std::size_t frames);

  // Interleaved stereo floats before the format conversion (added, not stored).
  void Mix(float* stereo, std::size_t frames);

 private:
  struct MusicChannel {
    std::unique_ptr<Module> module;
    Gains gains;
    bool playing = false;
  };
  struct Voice {
    std::uint32_t sampleHandle;
    std::shared_ptr<const SampleData> data;
    double position = 0;
    double frequency = 44100;
    double step = 1;
    Gains gains;
  };

  void MixMusic(MusicChannel& music, float* stereo, std::size_t frames);
  static bool MixVoice(Voice& voice, float* stereo, std::size_t frames);

  OutputFormat format_;
  std::map<std::uint32_t, MusicChannel> music_;
  std::vector<Voice> voices_;
  std::vector<float> mix_;
  std::vector<float> musicBuffer_;
};

}  // namespace platform::sound
