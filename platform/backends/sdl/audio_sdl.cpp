#include "platform/backends/sdl/audio_sdl.h"

#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <deque>
#include <string>

namespace platform::sound {
namespace {

// ALSA's library writes every failed look for a card to standard error (eight
// lines per start on a machine without one). SDL loads the library at run
// time; loaded here first, with its error handler silenced, SDL gets the same
// instance. What the failure means, SDL's error text and the sound layer's
// log line tell.
void QuietErrors(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsa() {
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
  if (!alsa) return;  // kept loaded: the handler must stay in force
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
    set(QuietErrors);
}

bool StartSdlAudio() {
  static const bool started = [] {
    SilenceAlsa();
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  }();
  return started;
}

class SdlOutput final : public AudioOutput {
 public:
  explicit SdlOutput(SDL_AudioDeviceID id) : id_(id) {}
  ~SdlOutput() override { SDL_CloseAudioDevice(id_); }
  void Start() override { SDL_PauseAudioDevice(id_, 0); }

 private:
  SDL_AudioDeviceID id_;
};

void Callback(void* user, Uint8* stream, int length) {
  reinterpret_cast<PullFunction>(user)(stream, static_cast<std::size_t>(length));
}

class SdlAudio final : public AudioDriver {
 public:
  bool SilenceAvailable() override { return true; }

  int DeviceCount() override {
    return StartSdlAudio() ? std::max(SDL_GetNumAudioDevices(0), 0) : 0;
  }

  const char* DeviceName(int index) override {
    // SDL's names live until the next listing; ours as long as the process.
    const char* name = StartSdlAudio() ? SDL_GetAudioDeviceName(index, 0) : nullptr;
    if (!name) return nullptr;
    for (const std::string& n : names_) {
      if (n == name) return n.c_str();
    }
    names_.emplace_back(name);
    return names_.back().c_str();
  }

  std::unique_ptr<AudioOutput> Open(int device, const OutputFormat& format,
                                    PullFunction pull) override {
    if (!StartSdlAudio()) return nullptr;
    const char* name = nullptr;
    if (device >= 0) {
      name = SDL_GetAudioDeviceName(device, 0);
      if (!name) return nullptr;
    }
    SDL_AudioSpec want{};
    want.freq = format.frequency;
    want.format = format.bits == 8 ? AUDIO_U8 : AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(format.channels);
    want.samples = 1024;
    want.callback = Callback;
    want.userdata = reinterpret_cast<void*>(pull);
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts our format to the device's.
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
    if (id == 0) return nullptr;
    return std::make_unique<SdlOutput>(id);
  }

 private:
  std::deque<std::string> names_;
};

}  // namespace

AudioDriver& SdlAudioDriver() {
  static SdlAudio driver;
  return driver;
}

}  // namespace platform::sound
