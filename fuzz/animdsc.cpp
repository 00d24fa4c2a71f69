// libFuzzer target for 3D animation description files: the input is read as
// "3ds\fuzz.dsc", the scene files and textures it names coming from the sample
// tree, and the animation is loaded, released and asked for again as a demo's
// collector does. Runs on the headless display (fuzz/display.h); built by
// tools/fuzz.sh.
#include <cstddef>
#include <cstdint>

#include "demo/demo.h"
#include "foundation/errors.h"
#include "fuzz/display.h"
#include "fuzz/support.h"
#include "threedee/loaders/animationcollector.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzsupport::ServeInputAs("3ds\\fuzz.dsc");
  fuzzsupport::SetInput(data, size);
  using namespace VOXA2;
  cVOXAdemo demo;
  try {
    if (threedee::c3Dscene* scene = GetAnimation(&demo, "fuzz")) {
      ReleaseAnimation(&demo, scene);
      GetAnimation(&demo, "fuzz");
    }
  } catch (VOXA::errors::eError* error) {
    // Running out of memory is the one error a load may raise.
    delete error;
  }
  return 0;
}
