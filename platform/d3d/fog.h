// Fog factors: 1 keeps the colour, 0 gives the fog colour.
#pragma once

#include "platform/d3d/state.h"

namespace platform::raster {

// Direct3D's three formulas at distance d, clamped to 0..1; D3DFOG_NONE gives 1.
float FogFactor(DWORD formula, float d, float start, float end, float density);

}  // namespace platform::raster
