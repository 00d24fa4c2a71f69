// Without a sound card the output is a buffer: tests pull frames from the
// mixer into it, as a card would, and look at the bytes.
#include "platform/backends/headless/audio_capture.h"

#include <mutex>
#include <utility>

#include "platform/sound_headless.h"

namespace platform {
namespace {

class CaptureOutput;

struct CaptureSink {
  std::mutex mutex;
  HeadlessSoundDevices devices;
  CaptureOutput* open = nullptr;
  std::vector<unsigned char> captured;
};

CaptureSink& Sink() {
  static CaptureSink sink;
  return sink;
}

class CaptureOutput final : public sound::AudioOutput {
 public:
  CaptureOutput(const sound::OutputFormat& format, sound::PullFunction pull)
      : format_(format), pull_(pull) {}
  ~CaptureOutput() override {
    std::lock_guard lock(Sink().mutex);
    if (Sink().open == this) Sink().open = nullptr;
  }
  void Start() override {
    std::lock_guard lock(Sink().mutex);
    started_ = true;
  }

  // With the sink's lock held.
  std::size_t Render(std::vector<unsigned char>& into, std::size_t frames) const {
    if (!started_) return 0;
    const std::size_t bytes = frames * static_cast<std::size_t>(format_.BytesPerFrame());
    const std::size_t old = into.size();
    into.resize(old + bytes);
    pull_(into.data() + old, bytes);
    return bytes;
  }

 private:
  sound::OutputFormat format_;
  sound::PullFunction pull_;
  bool started_ = false;
};

class CaptureDriver final : public sound::AudioDriver {
 public:
  bool SilenceAvailable() override {
    std::lock_guard lock(Sink().mutex);
    return Sink().devices.silence;
  }

  int DeviceCount() override {
    std::lock_guard lock(Sink().mutex);
    return static_cast<int>(Sink().devices.listed.size());
  }

  const char* DeviceName(int index) override {
    std::lock_guard lock(Sink().mutex);
    const auto& listed = Sink().devices.listed;
    if (index < 0 || static_cast<std::size_t>(index) >= listed.size()) return nullptr;
    return listed[static_cast<std::size_t>(index)].c_str();
  }

  std::unique_ptr<sound::AudioOutput> Open(int device, const sound::OutputFormat& format,
                                           sound::PullFunction pull) override {
    CaptureSink& sink = Sink();
    std::lock_guard lock(sink.mutex);
    const bool offered = device < 0 ? sink.devices.defaultOutput
                                    : static_cast<std::size_t>(device) < sink.devices.listed.size();
    if (!offered) return nullptr;
    auto output = std::make_unique<CaptureOutput>(format, pull);
    sink.open = output.get();
    sink.captured.clear();
    return output;
  }
};

}  // namespace

void SetHeadlessSoundDevices(const HeadlessSoundDevices& devices) {
  std::lock_guard lock(Sink().mutex);
  Sink().devices = devices;
}

std::size_t RenderHeadlessAudio(std::size_t frames) {
  CaptureSink& sink = Sink();
  std::lock_guard lock(sink.mutex);
  return sink.open ? sink.open->Render(sink.captured, frames) : 0;
}

std::vector<unsigned char> TakeHeadlessAudioCapture() {
  std::lock_guard lock(Sink().mutex);
  return std::exchange(Sink().captured, {});
}

namespace sound {

AudioDriver& CaptureAudioDriver() {
  static CaptureDriver driver;
  return driver;
}

}  // namespace sound
}  // namespace platform
