#include "platform/d3d/fog.h"

#include <cmath>

namespace platform::raster {

float FogFactor(DWORD formula, float d, float start, float end, float density) {
  float f = 1.0f;
  switch (formula) {
    case D3DFOG_LINEAR:
      // Start equal to end: everything at or beyond it is fogged.
      f = end != start ? (end - d) / (end - start) : (d < end ? 1.0f : 0.0f);
      break;
    case D3DFOG_EXP:
      f = std::exp(-density * d);
      break;
    case D3DFOG_EXP2:
      f = std::exp(-(density * d) * (density * d));
      break;
    default:
      break;
  }
  if (!(f > 0.0f)) return 0.0f;  // NaN included
  return f < 1.0f ? f : 1.0f;
}

}  // namespace platform::raster
