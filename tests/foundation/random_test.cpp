// The player's generator: the classic sequence from seed 1, a state that a
// caller can set and read back, and one state per thread.
#include "foundation/random.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

using VOXA2::GetRandState;
using VOXA2::Rand;
using VOXA2::SetRandState;

std::vector<std::int32_t> Draw(int count) {
  std::vector<std::int32_t> out;
  for (int i = 0; i < count; i++) out.push_back(Rand());
  return out;
}

TEST(Random, SeedOneGivesTheClassicSequence) {
  SetRandState(1);
  EXPECT_EQ(Draw(5), (std::vector<std::int32_t>{16838, 5758, 10113, 17515, 31051}));
}

// Bits 16 to 30 of the state after one step; bit 31 never shows.
TEST(Random, ResultIsBits16To30OfTheNextState) {
  for (std::uint32_t state : {0u, 0x7FFFFFFFu, 0xFFFFFFFFu, 123456789u}) {
    SetRandState(state);
    const std::uint32_t next = state * 1103515245u + 12345u;
    EXPECT_EQ(Rand(), static_cast<std::int32_t>((next >> 16) & 0x7FFF)) << state;
    EXPECT_EQ(GetRandState(), next);
  }
}

TEST(Random, EachThreadStartsAtOne) {
  SetRandState(99);
  Rand();
  std::vector<std::int32_t> other;
  std::thread([&] { other = Draw(3); }).join();
  EXPECT_EQ(other, (std::vector<std::int32_t>{16838, 5758, 10113}));
  EXPECT_NE(GetRandState(), 1u);
}

}  // namespace
