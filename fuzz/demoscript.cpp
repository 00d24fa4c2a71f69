// libFuzzer target for the demo-script compiler: the input is compiled as a
// whole script with every command registered (view3D and its sub-commands
// among them), its data coming from the sample tree; a script that compiles
// is started and plays one frame. Runs on the headless display
// (fuzz/display.h); built by tools/fuzz.sh.
#include <cstddef>
#include <cstdint>

#include "demo/demo.h"
#include "fuzz/display.h"
#include "fuzz/support.h"
#include "view3d/view3d.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace VOXA2;
  if (size > (1u << 16)) return 0;
  static const bool view3D = RegisterView3D();
  if (!view3D) std::abort();
  fuzzsupport::ServeInputAs("demos\\fuzz.scr");
  fuzzsupport::SetInput(data, size);
  cVOXAdemo demo;
  demo.clock = [] { return 0.5f; };
  if (demo.Load("demos\\fuzz.scr") && demo.Start()) demo.Run();
  return 0;
}
