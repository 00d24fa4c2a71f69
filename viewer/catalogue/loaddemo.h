// Loading a catalogue's demo: its loading screen, then its compiled script.
#pragma once

#include <memory>

#include "demo/demo.h"
#include "viewer/catalogue/catalogue.h"

namespace VOXA2 {

// Null for no record or when the demo cannot be loaded. The data file of the
// record's catalogue must be mounted; the demo is compiled, not yet prepared.
std::unique_ptr<cVOXAdemo> LoadDemo(const tDCdemo* record);

}  // namespace VOXA2
