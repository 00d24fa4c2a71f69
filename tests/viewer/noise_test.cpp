// The noise of the minimised screen: one generator state runs over every row,
// each pixel takes its low bytes, and nothing outside the rows is written.
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

#include "viewer/launcher.h"

namespace {

// The generator's first six states from seed 100.
const std::uint32_t kStates[6] = {0x079951F5, 0xB4500E18, 0xD7B695D1,
                                  0x10E6C546, 0x8A16DA96, 0x46AA42A8};

TEST(MinimizedNoise, FillsEveryRowWithTheStatesLowBytesAndNothingElse) {
  constexpr int kWidth = 5, kHeight = 2, kSlack = 3, kGuard = 8;
  for (int bytes : {2, 3, 4}) {
    SCOPED_TRACE(bytes);
    const int pitch = kWidth * bytes + kSlack;
    std::vector<std::uint8_t> buffer(kGuard + pitch * kHeight + kGuard, 0xAA);
    std::uint8_t* pixels = buffer.data() + kGuard;
    VOXA2::FillNoise(pixels, pitch, kWidth, kHeight, bytes, 100);
    // The state runs on from one row to the next: row 1 starts with the sixth.
    for (const auto& [x, y, state] : {std::tuple{0, 0, 0}, {1, 0, 1}, {0, 1, 5}}) {
      const std::uint8_t* p = pixels + y * pitch + x * bytes;
      for (int i = 0; i < bytes; ++i)
        EXPECT_EQ(p[i], static_cast<std::uint8_t>(kStates[state] >> (8 * i))) << x << "," << y;
    }
    for (int i = 0; i < kGuard; ++i) {
      EXPECT_EQ(buffer[i], 0xAA);
      EXPECT_EQ(buffer[buffer.size() - 1 - i], 0xAA);
    }
    for (int y = 0; y < kHeight; ++y)
      for (int i = kWidth * bytes; i < pitch; ++i) EXPECT_EQ(pixels[y * pitch + i], 0xAA) << y;
  }
}

TEST(MinimizedNoise, LeavesOtherPixelSizesAlone) {
  std::vector<std::uint8_t> buffer(64, 0xAA);
  VOXA2::FillNoise(buffer.data(), 8, 4, 4, 1, 100);
  EXPECT_EQ(buffer, std::vector<std::uint8_t>(64, 0xAA));
}

}  // namespace
