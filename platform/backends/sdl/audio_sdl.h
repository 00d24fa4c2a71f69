// The sdl backend's audio output: SDL's output devices, pulled from SDL's
// audio thread.
#pragma once

#include "platform/audio_output.h"

namespace platform::sound {

AudioDriver& SdlAudioDriver();

}  // namespace platform::sound
