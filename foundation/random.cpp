#include "foundation/random.h"

namespace VOXA2 {
namespace {

thread_local std::uint32_t randState = 1;

}  // namespace

std::int32_t Rand() {
  randState = randState * 1103515245u + 12345u;
  return static_cast<std::int32_t>((randState >> 16) & 0x7FFF);
}

void SetRandState(std::uint32_t state) { randState = state; }

std::uint32_t GetRandState() { return randState; }

float RandomFraction() { return static_cast<float>(Rand()) / static_cast<float>(kRandMax); }

}  // namespace VOXA2
