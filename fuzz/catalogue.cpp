// libFuzzer target for demo catalogues: the input is read as a data folder's
// "demo.ini", by name through the mounted data tree as the launcher reads one,
// with the sample tree's description files beside it. Built by tools/fuzz.sh.
#include <cstddef>
#include <cstdint>

#include "fuzz/support.h"
#include "viewer/catalogue/catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzsupport::ServeInputAs("fuzz.ini");
  fuzzsupport::SetInput(data, size);
  VOXA2::tDCdemocollector::FreeDemoList(VOXA2::tDCdemocollector::BuildDemoList("fuzz.ini", nullptr));
  return 0;
}
