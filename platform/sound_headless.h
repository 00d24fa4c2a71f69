// Controls of the sound stand-in for tests: which devices the headless
// backend offers, and the capture of what its output plays.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/mixer.h"
#include "platform/win32.h"

namespace platform {

struct HeadlessSoundDevices {
  bool silence = true;              // the silence device (-2) can be opened
  bool defaultOutput = true;        // the default device (-1) opens a capture output
  std::vector<std::string> listed;  // devices 0 and up, each a capture output
};

// Takes effect at the next BASS_Init.
void SetHeadlessSoundDevices(const HeadlessSoundDevices& devices);

// The format of the open output (frequency 0 when none is open).
sound::OutputFormat CurrentSoundFormat();

// The speaker configuration last set on the open output.
DWORD CurrentSpeakerConfig();

// Pulls frames from the mixer into the capture buffer, as a sound card would,
// when a started capture output is open (not the silence device). Returns the
// bytes added.
std::size_t RenderHeadlessAudio(std::size_t frames);

// Hands out the captured bytes and empties the buffer.
std::vector<unsigned char> TakeHeadlessAudioCapture();

}  // namespace platform
