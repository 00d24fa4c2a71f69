// Audio output, as a backend offers it: the devices it lists and an output
// that pulls the mixer. The sdl backend plays through SDL audio; the headless
// one captures into memory for tests (sound_headless.h).
#pragma once

#include <cstddef>
#include <memory>

#include "platform/mixer.h"

namespace platform::sound {

// Fills bytes bytes of the output format; called on the output's own thread
// (SDL's audio thread) or, for a capture, on the thread that asks for frames.
using PullFunction = void (*)(unsigned char* out, std::size_t bytes);

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;  // closes the device; waits for the audio thread
  virtual void Start() = 0;
};

class AudioDriver {
 public:
  virtual ~AudioDriver() = default;

  // Whether the silent device (-2) can be opened.
  virtual bool SilenceAvailable() = 0;
  // Output devices 0 and up (0 when the driver cannot start), and their names.
  virtual int DeviceCount() = 0;
  virtual const char* DeviceName(int index) = 0;
  // device -1 is the default output; null when the device cannot be opened.
  virtual std::unique_ptr<AudioOutput> Open(int device, const OutputFormat& format,
                                            PullFunction pull) = 0;
};

}  // namespace platform::sound
