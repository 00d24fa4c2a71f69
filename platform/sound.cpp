#include "platform/sound.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "platform/audio_output.h"
#include "platform/backend.h"
#include "platform/sound_headless.h"

namespace {

using platform::sound::AudioDriver;
using platform::sound::AudioOutput;
using platform::sound::Mixer;
using platform::sound::OutputFormat;
using platform::sound::SampleData;

class DirectSoundObject final : public IDirectSound {
 public:
  HRESULT SetSpeakerConfig(DWORD config) override;
};

struct Sample {
  std::shared_ptr<const SampleData> data;
  DWORD max = 1;
};

struct MusicAttributes {
  int volume = 100;
  int panning = 0;
};

struct SoundState {
  // Shared with SDL's audio thread, which pulls the mixer.
  std::mutex mutex;
  Mixer mixer;

  bool open = false;
  bool silent = false;
  std::unique_ptr<AudioOutput> output;
  DWORD speaker = DSSPEAKER_STEREO;
  std::map<HSAMPLE, Sample> samples;
  std::map<HMUSIC, MusicAttributes> music;
  DWORD nextHandle = 1;
  int error = BASS_OK;
  DirectSoundObject directSound;
};

SoundState& State() {
  static SoundState state;
  return state;
}

BOOL Fail(int code) {
  State().error = code;
  return FALSE;
}

BOOL Succeed() {
  State().error = BASS_OK;
  return TRUE;
}

// The backend says where sound goes: SDL's devices, or a capture in memory.
AudioDriver& Audio() { return platform::CurrentBackend().Audio(); }

void Pull(unsigned char* out, std::size_t bytes) {
  SoundState& s = State();
  std::lock_guard lock(s.mutex);
  s.mixer.Render(out, bytes / static_cast<std::size_t>(s.mixer.Format().BytesPerFrame()));
}

HRESULT DirectSoundObject::SetSpeakerConfig(DWORD config) {
  SoundState& s = State();
  std::lock_guard lock(s.mutex);
  s.speaker = config;
  OutputFormat f = s.mixer.Format();
  f.monoSpeaker = (config & 0xFF) == DSSPEAKER_MONO;
  s.mixer.SetFormat(f);
  return 0;
}

// Handles are never reused, so a stale one (after BASS_Free) is only refused.
DWORD NewHandle() { return State().nextHandle++; }

}  // namespace

BOOL BASS_GetDeviceDescription(int device, const char** description) {
  if (device < 0) return Fail(BASS_ERROR_DEVICE);
  AudioDriver& audio = Audio();
  const char* name = device < audio.DeviceCount() ? audio.DeviceName(device) : nullptr;
  if (!name) return Fail(BASS_ERROR_DEVICE);
  if (description) *description = name;
  return Succeed();
}

BOOL BASS_Init(int device, DWORD frequency, DWORD flags, HWND) {
  SoundState& s = State();
  if (s.open) return Fail(BASS_ERROR_ALREADY);
  if (frequency == 0 || frequency > 192000) return Fail(BASS_ERROR_FORMAT);
  OutputFormat format;
  format.frequency = static_cast<int>(frequency);
  format.channels = (flags & BASS_DEVICE_MONO) ? 1 : 2;
  format.bits = (flags & BASS_DEVICE_8BITS) ? 8 : 16;

  bool silent = false;
  std::unique_ptr<AudioOutput> output;
  if (device == BASS_DEVICE_SILENCE) {
    if (!Audio().SilenceAvailable()) return Fail(BASS_ERROR_DRIVER);
    silent = true;
  } else if (device < BASS_DEVICE_SILENCE) {
    return Fail(BASS_ERROR_DEVICE);
  } else {
    AudioDriver& audio = Audio();
    if (device >= audio.DeviceCount()) return Fail(BASS_ERROR_DEVICE);
    output = audio.Open(device, format, Pull);
    if (!output) return Fail(BASS_ERROR_DRIVER);
  }

  std::lock_guard lock(s.mutex);
  s.mixer = Mixer(format);
  s.open = true;
  s.silent = silent;
  s.speaker = DSSPEAKER_STEREO;
  s.output = std::move(output);
  return Succeed();
}

BOOL BASS_Free() {
  SoundState& s = State();
  std::unique_ptr<AudioOutput> output;
  {
    std::lock_guard lock(s.mutex);
    output = std::move(s.output);
    s.open = s.silent = false;
    s.mixer = Mixer();
    s.samples.clear();
    s.music.clear();
  }
  // Closing waits for SDL's audio thread, which may be waiting for the lock.
  output.reset();
  // The error code stays: the kernel reads a failed Init's code after this call.
  return TRUE;
}

int BASS_ErrorGetCode() { return State().error; }

BOOL BASS_GetInfo(BASS_INFO* info) {
  if (!State().open) return Fail(BASS_ERROR_INIT);
  if (!info) return Fail(BASS_ERROR_UNKNOWN);
  // Everything is mixed in software, at any rate.
  info->flags = DSCAPS_CONTINUOUSRATE | DSCAPS_EMULDRIVER;
  info->hwsize = 0;
  info->hwfree = 0;
  info->minrate = 1000;
  info->maxrate = 192000;
  return Succeed();
}

IDirectSound* BASS_GetDSoundObject(DWORD object) {
  SoundState& s = State();
  if (!s.open) {
    Fail(BASS_ERROR_INIT);
    return nullptr;
  }
  if (object != 1 || s.silent) {
    Fail(BASS_ERROR_UNKNOWN);
    return nullptr;
  }
  Succeed();
  return &s.directSound;
}

BOOL BASS_Start() {
  SoundState& s = State();
  if (!s.open) return Fail(BASS_ERROR_INIT);
  if (s.output) s.output->Start();
  return Succeed();
}

HMUSIC BASS_MusicLoad(BOOL memory, const void* file, DWORD offset, DWORD length, DWORD flags) {
  SoundState& s = State();
  if (!s.open) return Fail(BASS_ERROR_INIT);
  if (!memory || !file) return Fail(BASS_ERROR_FILEOPEN);
  auto module = platform::sound::Module::Load(static_cast<const unsigned char*>(file) + offset,
                                              length, (flags & BASS_MUSIC_LOOP) != 0);
  if (!module) return Fail(BASS_ERROR_FORMAT);
  HMUSIC handle = NewHandle();
  std::lock_guard lock(s.mutex);
  s.mixer.AddMusic(handle, std::move(module));
  s.music[handle] = MusicAttributes{};
  Succeed();
  return handle;
}

BOOL BASS_MusicPlay(HMUSIC music) {
  SoundState& s = State();
  std::lock_guard lock(s.mutex);
  if (!s.music.count(music)) return Fail(BASS_ERROR_HANDLE);
  s.mixer.PlayMusic(music);
  return Succeed();
}

BOOL BASS_MusicFree(HMUSIC music) {
  SoundState& s = State();
  std::lock_guard lock(s.mutex);
  if (!s.music.erase(music)) return Fail(BASS_ERROR_HANDLE);
  s.mixer.RemoveMusic(music);
  return Succeed();
}

BOOL BASS_ChannelSetAttributes(DWORD handle, int, int volume, int panning) {
  SoundState& s = State();
  std::lock_guard lock(s.mutex);
  auto it = s.music.find(handle);
  if (it == s.music.end()) return Fail(BASS_ERROR_HANDLE);
  if (volume != -1) it->second.volume = std::clamp(volume, 0, 100);
  if (panning != -101) it->second.panning = std::clamp(panning, -100, 100);
  s.mixer.SetMusicGains(handle, static_cast<float>(it->second.volume) / 100.0f,
                        static_cast<float>(it->second.panning) / 100.0f);
  return Succeed();
}

HSAMPLE BASS_SampleLoad(BOOL memory, const void* file, DWORD offset, DWORD length, DWORD max,
                        DWORD) {
  SoundState& s = State();
  if (!s.open) return Fail(BASS_ERROR_INIT);
  if (!memory || !file) return Fail(BASS_ERROR_FILEOPEN);
  bool tooLong = false;
  auto data = platform::sound::DecodeSample(static_cast<const unsigned char*>(file) + offset,
                                            length, &tooLong);
  // A sample longer than the decoder's limit would take more memory than it grants.
  if (!data) return Fail(tooLong ? BASS_ERROR_MEM : BASS_ERROR_FORMAT);
  HSAMPLE handle = NewHandle();
  std::lock_guard lock(s.mutex);
  s.samples[handle] = Sample{std::move(data), std::max<DWORD>(max, 1)};
  Succeed();
  return handle;
}

// The start offset and the loop flag are not used: every play is one pass
// from the first frame, which is what the kernel asks for.
HCHANNEL BASS_SamplePlayEx(HSAMPLE sample, DWORD, int frequency, int volume, int panning, BOOL) {
  SoundState& s = State();
  std::lock_guard lock(s.mutex);
  auto it = s.samples.find(sample);
  if (it == s.samples.end()) return Fail(BASS_ERROR_HANDLE);
  if (static_cast<DWORD>(s.mixer.PlayingVoices(sample)) >= it->second.max) {
    return Fail(BASS_ERROR_NOCHAN);
  }
  double rate = frequency > 0 ? frequency : it->second.data->frequency;
  s.mixer.PlaySample(sample, it->second.data, rate,
                     static_cast<float>(std::clamp(volume, 0, 100)) / 100.0f,
                     static_cast<float>(std::clamp(panning, -100, 100)) / 100.0f);
  State().error = BASS_OK;
  return NewHandle();
}

BOOL BASS_SampleFree(HSAMPLE sample) {
  SoundState& s = State();
  std::lock_guard lock(s.mutex);
  if (!s.samples.erase(sample)) return Fail(BASS_ERROR_HANDLE);
  s.mixer.StopSample(sample);
  return Succeed();
}

namespace platform {

const char* SoundLibraryVersion() {
  static const std::string text =
      std::string(sound::ModuleLibraryVersion()) + ", " + sound::SampleLibraryVersion();
  return text.c_str();
}

sound::OutputFormat CurrentSoundFormat() {
  SoundState& s = State();
  std::lock_guard lock(s.mutex);
  if (!s.open) return sound::OutputFormat{0, 0, 0, false};
  return s.mixer.Format();
}

DWORD CurrentSpeakerConfig() { return State().speaker; }

}  // namespace platform
