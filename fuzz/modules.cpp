// libFuzzer target for modules as handed to libopenmpt: the input is loaded
// from memory, looping and not, and a tenth of a second is rendered at two
// rates. Built by tools/fuzz.sh.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/sound_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  std::vector<float> stereo(2 * 4410);
  for (bool loop : {false, true}) {
    auto module = platform::sound::Module::Load(data, size, loop);
    if (!module) return 0;
    const int rate = loop ? 44100 : 8000;
    module->Render(rate, static_cast<std::size_t>(rate / 10), stereo.data());
  }
  return 0;
}
