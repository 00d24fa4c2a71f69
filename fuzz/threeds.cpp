// libFuzzer target for 3DS files: the input is read whole into a loader, as
// a 3DS scene loads its file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/errors.h"
#include "foundation/streams.h"
#include "fuzz/support.h"
#include "threedee/loaders/threedsloader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzsupport::SetInput(data, size);
  std::string& bytes = fuzzsupport::Input().bytes;
  TMemFile stream(bytes.data(), static_cast<std::int32_t>(bytes.size()), true);
  try {
    VOXA2::threedee::c3DSloader loader;
    VOXA2::threedee::ReadMainChunk(&loader, &stream);
  } catch (VOXA::errors::eError* error) {
    // Running out of memory is the one error a loader may raise.
    delete error;
  }
  return 0;
}
