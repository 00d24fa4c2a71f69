// libFuzzer target for samples as handed to libsndfile: the input is decoded
// from memory as the sound layer decodes a sample file. Built by tools/fuzz.sh.
#include <cstddef>
#include <cstdint>

#include "platform/sound_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  (void)platform::sound::DecodeSample(data, size);
  return 0;
}
