// libFuzzer target for scrolly texts: the input is read as "texts\fuzz.scr"
// by the scrolly collector, with the sample tree's crazy font at hand (kept
// from run to run, as a demo keeps it). Runs on the headless display
// (fuzz/display.h); built by tools/fuzz.sh.
#include <cstddef>
#include <cstdint>

#include "demo/demo.h"
#include "effects2d/crazyfontcollector.h"
#include "effects2d/scrollycollector.h"
#include "fuzz/display.h"
#include "fuzz/support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace VOXA2;
  static cVOXAdemo* demo = [] {
    auto* d = new cVOXAdemo;
    if (!d->AddDataCollector(new cVOXAcrazyfontcollector("crazyfont")) ||
        !d->AddDataCollector(new cVOXAscrollycollector("scrolly")))
      std::abort();
    return d;
  }();
  fuzzsupport::ServeInputAs("texts\\fuzz.scr");
  fuzzsupport::SetInput(data, size);
  cVOXAdatacollector* texts = demo->FindDataCollector("scrolly");
  if (texts->GetData("texts\\fuzz.scr")) texts->ReleaseData("texts\\fuzz.scr");
  return 0;
}
