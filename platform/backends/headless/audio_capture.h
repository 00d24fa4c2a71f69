// The headless backend's audio output: the devices that tests configure, each
// a capture that keeps what it plays in memory (sound_headless.h).
#pragma once

#include "platform/audio_output.h"

namespace platform::sound {

AudioDriver& CaptureAudioDriver();

}  // namespace platform::sound
