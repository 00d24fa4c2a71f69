// Audio output through SDL for the sdl backend (the headless backend captures
// instead). The output pulls the mixer from SDL's audio thread.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/mixer.h"

namespace platform::sound {

// Fills bytes bytes of the output format; called on SDL's audio thread.
using PullFunction = void (*)(unsigned char* out, std::size_t bytes);

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;  // closes the device; waits for the audio thread
  virtual void Start() = 0;
};

// Output devices that SDL lists (0 when its audio cannot start).
int SdlOutputDeviceCount();
const char* SdlOutputDeviceName(int index);

// device -1 is SDL's default output; null when the device cannot be opened.
std::unique_ptr<AudioOutput> OpenSdlOutput(int device, const OutputFormat& format,
                                           PullFunction pull);

}  // namespace platform::sound
