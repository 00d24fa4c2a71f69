// libFuzzer target for crazy-font descriptions: the input is read as
// "fonts\fuzz.dsc" by the font collector, which then cuts the named picture of
// the sample tree into glyphs. Runs on the headless display (fuzz/display.h);
// built by tools/fuzz.sh.
#include <cstddef>
#include <cstdint>

#include "demo/demo.h"
#include "effects2d/crazyfontcollector.h"
#include "fuzz/display.h"
#include "fuzz/support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace VOXA2;
  fuzzsupport::ServeInputAs("fonts\\fuzz.dsc");
  fuzzsupport::SetInput(data, size);
  cVOXAdemo demo;
  auto* fonts = new cVOXAcrazyfontcollector("crazyfont");
  if (!demo.AddDataCollector(fonts)) std::abort();
  fonts->GetData("fuzz");
  return 0;
}
