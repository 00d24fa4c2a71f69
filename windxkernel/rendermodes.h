// The one road to Direct3D render states: a cache of every setting that
// calls the device only when a value changes (flushing queued triangles
// first), the float fog parameters, user clip planes, and whether the device
// rasterises in hardware. Main thread only.
#pragma once

#include <cstdint>

namespace VOXA2::threedee {

// kind, then (for kinds with sub-kinds) the sub-kind, then the value.
bool SetRenderMode(std::uint32_t kind, ...);
// Parameter 2 fog start, 3 fog end, 4 fog density.
bool SetFog(std::uint32_t parameter, float value);
bool SetClipPlane(std::uint32_t plane, float a, float b, float c, float d);
bool IsHardwareRasterizer();

// Set when the 3D layer starts on a device (W-buffering also by its option).
extern bool wBufferingInUse;
extern bool wFogInUse;

// Back to the start-up values, so that a new device receives every setting.
void ResetRenderModes();

}  // namespace VOXA2::threedee
