// Sound files made in memory for tests and benchmarks: RIFF WAV tones and a
// small ProTracker module of our own.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

namespace testsupport {

inline void PutLE(std::vector<unsigned char>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

inline void PutBE16(std::vector<unsigned char>& out, unsigned value) {
  out.push_back(static_cast<unsigned char>(value >> 8));
  out.push_back(static_cast<unsigned char>(value));
}

// A PCM WAV of a sine (amplitude 0 … 1 of full scale) in every channel.
inline std::vector<unsigned char> MakeSineWav(int rate, int channels, int bits, double hz,
                                              double seconds, double amplitude) {
  const int frames = static_cast<int>(std::lround(rate * seconds));
  const int bytesPerSample = bits / 8;
  const std::uint32_t dataBytes = static_cast<std::uint32_t>(frames * channels * bytesPerSample);
  std::vector<unsigned char> out;
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  PutLE(out, 36 + dataBytes, 4);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  PutLE(out, 16, 4);
  PutLE(out, 1, 2);  // PCM
  PutLE(out, static_cast<std::uint32_t>(channels), 2);
  PutLE(out, static_cast<std::uint32_t>(rate), 4);
  PutLE(out, static_cast<std::uint32_t>(rate * channels * bytesPerSample), 4);
  PutLE(out, static_cast<std::uint32_t>(channels * bytesPerSample), 2);
  PutLE(out, static_cast<std::uint32_t>(bits), 2);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  PutLE(out, dataBytes, 4);
  for (int i = 0; i < frames; ++i) {
    double v = amplitude * std::sin(2 * std::numbers::pi * hz * i / rate);
    for (int c = 0; c < channels; ++c) {
      if (bits == 8) {
        out.push_back(static_cast<unsigned char>(std::lround(v * 127) + 128));
      } else {
        PutLE(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767))),
              2);
      }
    }
  }
  return out;
}

// A four-channel "M.K." module: one looped 8-bit sine sample and one pattern
// of 64 rows with a note every four rows, cycling over the four channels.
// At the default speed it lasts 64 × 6 ticks of 20 ms: 7.68 seconds.
inline std::vector<unsigned char> MakeTestModule() {
  std::vector<unsigned char> out;
  std::string title = "voxa2 test tune";
  title.resize(20, '\0');
  out.insert(out.end(), title.begin(), title.end());
  constexpr unsigned kSampleBytes = 64;  // two periods of 32 bytes
  for (int s = 0; s < 31; ++s) {
    std::string name = s == 0 ? "sine" : "";
    name.resize(22, '\0');
    out.insert(out.end(), name.begin(), name.end());
    PutBE16(out, s == 0 ? kSampleBytes / 2 : 0);  // length in words
    out.push_back(0);                             // finetune
    out.push_back(s == 0 ? 64 : 0);               // volume
    PutBE16(out, 0);                              // repeat start
    PutBE16(out, s == 0 ? kSampleBytes / 2 : 1);  // repeat length
  }
  out.push_back(1);    // song length
  out.push_back(127);  // restart
  for (int i = 0; i < 128; ++i) out.push_back(0);
  out.insert(out.end(), {'M', '.', 'K', '.'});
  constexpr unsigned kPeriods[] = {428, 381, 339, 320, 285, 254, 226, 214};
  for (int row = 0; row < 64; ++row) {
    for (int channel = 0; channel < 4; ++channel) {
      if (row % 4 == 0 && (row / 4) % 4 == channel) {
        unsigned period = kPeriods[(row / 4) % 8];
        out.push_back(static_cast<unsigned char>(period >> 8));  // sample 1: high nibble 0
        out.push_back(static_cast<unsigned char>(period));
        out.push_back(0x10);  // sample 1, no effect
        out.push_back(0);
      } else {
        out.insert(out.end(), {0, 0, 0, 0});
      }
    }
  }
  for (unsigned i = 0; i < kSampleBytes; ++i) {
    double v = std::sin(2 * std::numbers::pi * i / 32.0);
    out.push_back(static_cast<unsigned char>(static_cast<signed char>(std::lround(v * 100))));
  }
  return out;
}

}  // namespace testsupport
