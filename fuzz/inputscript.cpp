// libFuzzer target for the headless backend's input script (the file that
// VOXA2_HEADLESS_SCRIPT names): the input is read as a whole script; the
// steps are parsed and checked, none is run. Built by tools/fuzz.sh.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/headless.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 16)) return 0;
  std::string error;
  platform::SetHeadlessScript(std::string(reinterpret_cast<const char*>(data), size), &error);
  return 0;
}
