// Sound files made in memory for tests and benchmarks: RIFF WAV tones, FLAC
// silence and a small ProTracker module of our own.
#pragma once

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
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

// Mono 16-bit FLAC of silence, written by libsndfile; FLAC packs an hour of
// it into a few hundred kilobytes. Without a known length the stream header
// leaves its frame count at 0 ("unknown"), and a reader learns the length
// only by decoding.
inline std::vector<unsigned char> MakeSilentFlac(int rate, double seconds, bool knownLength) {
  struct Sink {
    std::vector<unsigned char> bytes;
    sf_count_t position = 0;
  } sink;
  SF_VIRTUAL_IO io{
      [](void* user) { return static_cast<sf_count_t>(static_cast<Sink*>(user)->bytes.size()); },
      [](sf_count_t offset, int whence, void* user) {
        auto* s = static_cast<Sink*>(user);
        const sf_count_t base = whence == SEEK_SET   ? 0
                                : whence == SEEK_CUR ? s->position
                                                     : static_cast<sf_count_t>(s->bytes.size());
        s->position = base + offset;
        return s->position;
      },
      [](void*, sf_count_t, void*) -> sf_count_t { return 0; },
      [](const void* data, sf_count_t count, void* user) {
        auto* s = static_cast<Sink*>(user);
        const auto end = static_cast<std::size_t>(s->position + count);
        if (s->bytes.size() < end) s->bytes.resize(end);
        std::memcpy(s->bytes.data() + s->position, data, static_cast<std::size_t>(count));
        s->position += count;
        return count;
      },
      [](void* user) { return static_cast<Sink*>(user)->position; }};
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 1;
  info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &sink);
  if (!file) return {};
  const std::vector<short> zeros(65536, 0);
  auto left = static_cast<sf_count_t>(std::llround(rate * seconds));
  while (left > 0) {
    const sf_count_t n = std::min<sf_count_t>(left, static_cast<sf_count_t>(zeros.size()));
    sf_writef_short(file, zeros.data(), n);
    left -= n;
  }
  sf_close(file);
  // The stream header follows "fLaC" and its block header; the 36-bit frame
  // count starts in the low half of its 14th byte.
  if (!knownLength && sink.bytes.size() >= 26) {
    sink.bytes[21] &= 0xF0;
    std::fill(sink.bytes.begin() + 22, sink.bytes.begin() + 26, 0);
  }
  return sink.bytes;
}

}  // namespace testsupport
