// libFuzzer target for picture description files: the input is read as
// "pictures\fuzz.dsc", whose picture comes from the sample tree, and its
// filters are parsed and applied as the picture collector loads a picture.
// Runs on the headless display (fuzz/display.h); built by tools/fuzz.sh.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "effects2d/pictureloader.h"
#include "foundation/errors.h"
#include "fuzz/display.h"
#include "fuzz/support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzsupport::ServeInputAs("pictures\\fuzz.dsc");
  fuzzsupport::SetInput(data, size);
  try {
    std::unique_ptr<cColorPic> picture(
        VOXA2::LoadPicture("pictures\\fuzz", false, "pictures\\", nullptr, true));
  } catch (VOXA::errors::eError* error) {
    // Running out of memory for a picture is the one error a loader may raise.
    delete error;
  }
  return 0;
}
