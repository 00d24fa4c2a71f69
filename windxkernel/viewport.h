// The viewport: the rectangle of the drawing area that 3D output goes to,
// clearing its depth, and projecting a point to the screen with the kept view
// and projection. Main thread only.
#pragma once

#include <cstdint>

namespace VOXA2::threedee {

// Edges in pixels of the drawing area, right and bottom inclusive.
void SetViewport(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
void ResetViewport();
std::int32_t GetViewportLeft();
std::int32_t GetViewportTop();
std::int32_t GetViewportRight();
std::int32_t GetViewportBottom();
std::int32_t GetViewportWidth();
std::int32_t GetViewportHeight();
// Forgets the kept edges, so that the next SetViewport reaches the device.
void InvalidateViewport();

bool ClearViewport(float depth);
// point = (x, y, z) in, (screen x, screen y, depth) out when it lands in the viewport.
bool ProjectToScreen(float* point);
// Whether a lens flare's light source at point is visible: it projects into
// the viewport and a probe drawn there passes the depth test. The probed
// pixel keeps its colour. point becomes (screen x, screen y, depth) once it
// projected.
bool FlareVisibilityTest(float* point);

}  // namespace VOXA2::threedee
