// What the headless sound output plays, read back for tests.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/sound_headless.h"

namespace testsupport {

// Left and right channels of a 16-bit capture, in -1 … 1.
struct Channels {
  std::vector<double> left, right;
};

inline Channels Capture16Stereo(std::size_t frames) {
  platform::RenderHeadlessAudio(frames);
  std::vector<unsigned char> bytes = platform::TakeHeadlessAudioCapture();
  Channels c;
  for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
    std::int16_t l, r;
    std::memcpy(&l, &bytes[i], 2);
    std::memcpy(&r, &bytes[i + 2], 2);
    c.left.push_back(l / 32768.0);
    c.right.push_back(r / 32768.0);
  }
  return c;
}

// The root mean square of the values from index from up to, not including, to.
inline double Rms(const std::vector<double>& v, std::size_t from = 0, std::size_t to = SIZE_MAX) {
  to = std::min(to, v.size());
  double sum = 0;
  for (std::size_t i = from; i < to; ++i) sum += v[i] * v[i];
  return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0;
}

// Frames up to and including the last one that is not silent.
inline std::size_t SoundingLength(const std::vector<double>& v) {
  for (std::size_t i = v.size(); i > 0; --i) {
    if (v[i - 1] != 0) return i;
  }
  return 0;
}

}  // namespace testsupport
