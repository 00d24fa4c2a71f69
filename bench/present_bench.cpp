// Milliseconds per 1920x1080 frame (median of 30) for presenting and for the
// blits the demos use, beside the per-pixel conversion through the masks.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "platform/blit.h"

namespace {

namespace px = platform::pixels;
constexpr int kW = 1920, kH = 1080;

double MedianMs(const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < 30; ++i) {
    auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

struct Frame {
  DDPIXELFORMAT format;
  int bytes, pitch;
  std::vector<BYTE> memory;
  Frame(const DDPIXELFORMAT& f, int w, int h)
      : format(f), bytes(static_cast<int>(f.dwRGBBitCount / 8)), pitch((w * bytes + 7) & ~7),
        memory(static_cast<size_t>(pitch) * h) {
    for (size_t i = 0; i < memory.size(); ++i) memory[i] = static_cast<BYTE>(i * 2654435761u >> 13);
  }
  px::View view() { return {memory.data(), pitch, &format, bytes}; }
};

}  // namespace

int main() {
  std::vector<std::uint32_t> out(static_cast<size_t>(kW) * kH);
  for (const DDPIXELFORMAT& f : {px::R5G6B5(), px::X8R8G8B8()}) {
    Frame frame(f, kW, kH);
    const double rows = MedianMs([&] {
      for (int y = 0; y < kH; ++y)
        px::ToRgb(frame.memory.data() + y * frame.pitch, f, out.data() + y * kW, kW);
    });
    const double masks = MedianMs([&] {
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
          out[static_cast<size_t>(y) * kW + x] = px::Unpack(
              f, px::Read(frame.memory.data() + y * frame.pitch + x * frame.bytes, frame.bytes));
    });
    std::printf("present %2u-bit 1920x1080 to XRGB: rows %6.2f ms, masks %6.2f ms%s\n",
                f.dwRGBBitCount, rows, masks,
                px::IsXrgb(f) ? " (presented without conversion)" : "");
  }
  for (const DDPIXELFORMAT& f : {px::R5G6B5(), px::X8R8G8B8()}) {
    Frame dst(f, kW, kH);
    Frame same(f, kW, kH);
    Frame small(f, 640, 480);
    std::printf("%2u-bit 1920x1080: fill %5.2f ms, copy %5.2f ms, stretch from 640x480 %5.2f ms\n",
                f.dwRGBBitCount, MedianMs([&] { px::Fill(dst.view(), kW, kH, 0x1234); }),
                MedianMs([&] { px::Copy(dst.view(), kW, kH, same.view(), kW, kH); }),
                MedianMs([&] { px::Copy(dst.view(), kW, kH, small.view(), 640, 480); }));
  }
  Frame from(px::R5G6B5(), kW, kH), to(px::X8R8G8B8(), kW, kH);
  std::printf("1920x1080 R5G6B5 onto X8R8G8B8: %5.2f ms\n",
              MedianMs([&] { px::Copy(to.view(), kW, kH, from.view(), kW, kH); }));
  return 0;
}
