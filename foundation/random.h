// The player's one pseudo-random generator: the classic linear congruential
// rule (state x 1103515245 + 12345, results 0 to 32767), so that shuffles,
// noise and random choices come out the same on every system. Its state is
// kept per thread, starts at 1 and is shared by every user on that thread.
#pragma once

#include <cstdint>

namespace VOXA2 {

inline constexpr std::int32_t kRandMax = 32767;

// The next value, 0 to 32767: bits 16 to 30 of the new state.
std::int32_t Rand();
// The calling thread's state, to seed it or to repeat a sequence.
void SetRandState(std::uint32_t state);
std::uint32_t GetRandState();
// Rand() / 32767 as a float: a fraction from 0 to 1, both ends included.
float RandomFraction();

}  // namespace VOXA2
