#include "platform/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::sound {
namespace {

// libopenmpt renders between these rates; below them the music is rendered at
// a whole multiple of the output rate and averaged down.
constexpr int kModuleMinRate = 8000;
constexpr int kModuleMaxRate = 192000;

constexpr std::size_t kBlockFrames = 1024;

}  // namespace

Gains Gains::From(float volume, float pan) {
  pan = std::clamp(pan, -1.0f, 1.0f);
  Gains g;
  g.left = volume * (pan > 0 ? 1 - pan : 1);
  g.right = volume * (pan < 0 ? 1 + pan : 1);
  return g;
}

Mixer::Mixer(const OutputFormat& format) : format_(format) {}

void Mixer::SetFormat(const OutputFormat& format) {
  format_ = format;
  for (Voice& v : voices_) v.step = v.frequency / format_.frequency;
}

void Mixer::AddMusic(std::uint32_t handle, std::unique_ptr<Module> module) {
  music_[handle] = MusicChannel{std::move(module), Gains{}, false};
}

bool Mixer::HasMusic(std::uint32_t handle) const { return music_.count(handle) != 0; }

void Mixer::PlayMusic(std::uint32_t handle) {
  auto it = music_.find(handle);
  if (it != music_.end()) it->second.playing = true;
}

void Mixer::SetMusicGains(std::uint32_t handle, float volume, float pan) {
  auto it = music_.find(handle);
  if (it != music_.end()) it->second.gains = Gains::From(volume, pan);
}

void Mixer::RemoveMusic(std::uint32_t handle) { music_.erase(handle); }

void Mixer::PlaySample(std::uint32_t sampleHandle, std::shared_ptr<const SampleData> data,
                       double frequency, float volume, float pan) {
  if (!data || data->FrameCount() == 0 || frequency <= 0) return;
  Voice v{sampleHandle,
          std::move(data),
          0,
          frequency,
          frequency / format_.frequency,
          Gains::From(volume, pan)};
  voices_.push_back(std::move(v));
}

int Mixer::PlayingVoices(std::uint32_t sampleHandle) const {
  return static_cast<int>(std::count_if(voices_.begin(), voices_.end(), [&](const Voice& v) {
    return v.sampleHandle == sampleHandle;
  }));
}

void Mixer::StopSample(std::uint32_t sampleHandle) {
  std::erase_if(voices_, [&](const Voice& v) { return v.sampleHandle == sampleHandle; });
}

void Mixer::MixMusic(MusicChannel& music, float* stereo, std::size_t frames) {
  int factor = 1;
  while (format_.frequency * factor < kModuleMinRate) ++factor;
  int rate = std::min(format_.frequency * factor, kModuleMaxRate);
  musicBuffer_.resize(frames * factor * 2);
  std::size_t got = music.module->Render(rate, frames * factor, musicBuffer_.data());
  if (got < frames * factor) music.playing = false;
  std::size_t out = got / factor;
  const float scale = 1.0f / static_cast<float>(factor);
  for (std::size_t i = 0; i < out; ++i) {
    float l = 0, r = 0;
    for (int k = 0; k < factor; ++k) {
      l += musicBuffer_[(i * factor + k) * 2];
      r += musicBuffer_[(i * factor + k) * 2 + 1];
    }
    stereo[i * 2] += l * scale * music.gains.left;
    stereo[i * 2 + 1] += r * scale * music.gains.right;
  }
}

// Linear interpolation between neighbouring frames; the last frame holds.
// Returns false once the voice has played to its end.
bool Mixer::MixVoice(Voice& voice, float* stereo, std::size_t frames) {
  const SampleData& d = *voice.data;
  const std::size_t count = d.FrameCount();
  const float* s = d.samples.data();
  const float gl = voice.gains.left, gr = voice.gains.right;
  double pos = voice.position;
  const double step = voice.step;
  std::size_t i = 0;
  if (d.channels == 1) {
    for (; i < frames; ++i) {
      std::size_t n = static_cast<std::size_t>(pos);
      if (n >= count) break;
      float f = static_cast<float>(pos - static_cast<double>(n));
      float a = s[n];
      float b = n + 1 < count ? s[n + 1] : a;
      float v = a + (b - a) * f;
      stereo[i * 2] += v * gl;
      stereo[i * 2 + 1] += v * gr;
      pos += step;
    }
  } else {
    for (; i < frames; ++i) {
      std::size_t n = static_cast<std::size_t>(pos);
      if (n >= count) break;
      float f = static_cast<float>(pos - static_cast<double>(n));
      std::size_t m = n + 1 < count ? n + 1 : n;
      float l = s[n * 2] + (s[m * 2] - s[n * 2]) * f;
      float r = s[n * 2 + 1] + (s[m * 2 + 1] - s[n * 2 + 1]) * f;
      stereo[i * 2] += l * gl;
      stereo[i * 2 + 1] += r * gr;
      pos += step;
    }
  }
  voice.position = pos;
  return i == frames && static_cast<std::size_t>(pos) < count;
}

void Mixer::Mix(float* stereo, std::size_t frames) {
  for (auto& [handle, music] : music_) {
    if (music.playing) MixMusic(music, stereo, frames);
  }
  std::erase_if(voices_, [&](Voice& v) { return !MixVoice(v, stereo, frames); });
}

void Mixer::Render(void* out, std::size_t frames) {
  auto* bytes = static_cast<unsigned char*>(out);
  while (frames > 0) {
    std::size_t n = std::min(frames, kBlockFrames);
    mix_.assign(n * 2, 0.0f);
    Mix(mix_.data(), n);
    for (std::size_t i = 0; i < n; ++i) {
      float l = mix_[i * 2], r = mix_[i * 2 + 1];
      if (format_.channels == 1 || format_.monoSpeaker) l = r = (l + r) * 0.5f;
      for (int c = 0; c < format_.channels; ++c) {
        float v = std::clamp(c == 0 ? l : r, -2.0f, 2.0f);
        if (format_.bits == 8) {
          long q = std::lrint(v * 128.0f) + 128;
          *bytes++ = static_cast<unsigned char>(std::clamp(q, 0L, 255L));
        } else {
          long q = std::clamp(std::lrint(v * 32768.0f), -32768L, 32767L);
          auto s = static_cast<std::int16_t>(q);
          std::memcpy(bytes, &s, 2);
          bytes += 2;
        }
      }
    }
    frames -= n;
  }
}

}  // namespace platform::sound
