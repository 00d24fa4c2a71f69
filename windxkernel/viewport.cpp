#include "windxkernel/viewport.h"

#include "platform/d3d.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/video.h"

namespace VOXA2::threedee {
namespace {

std::int32_t keptLeft = -1, keptTop = -1, keptRight = -1, keptBottom = -1;

}  // namespace

void SetViewport(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  const std::int32_t w = screenInfo.virtualWidth, h = screenInfo.virtualHeight;
  if (right >= w) right = w - 1;
  if (bottom >= h) bottom = h - 1;
  if (left < 0) left = 0;
  if (top < 0) top = 0;
  if (right < left) right = left;
  if (bottom < top) bottom = top;
  if (left == keptLeft && top == keptTop && right == keptRight && bottom == keptBottom) return;
  keptLeft = left, keptTop = top, keptRight = right, keptBottom = bottom;
  D3DVIEWPORT7 vp{static_cast<DWORD>(screenInfo.windowLeft + left),
                  static_cast<DWORD>(screenInfo.windowTop + top),
                  static_cast<DWORD>(right - left + 1),
                  static_cast<DWORD>(bottom - top + 1),
                  0.0f,
                  1.0f};
  if (kernel::d3dState.device) kernel::d3dState.device->SetViewport(&vp);
}

void ResetViewport() {
  SetViewport(0, 0, screenInfo.virtualWidth - 1, screenInfo.virtualHeight - 1);
}

std::int32_t GetViewportLeft() { return keptLeft; }
std::int32_t GetViewportTop() { return keptTop; }
std::int32_t GetViewportRight() { return keptRight; }
std::int32_t GetViewportBottom() { return keptBottom; }
std::int32_t GetViewportWidth() { return keptRight - keptLeft + 1; }
std::int32_t GetViewportHeight() { return keptBottom - keptTop + 1; }

void InvalidateViewport() { keptLeft = keptTop = keptRight = keptBottom = -1; }

bool ClearViewport(float depth) {
  IDirect3DDevice7* device = kernel::d3dState.device;
  if (!device) return false;
  if (depth > 1.0f) depth = 1.0f;
  if (depth < 0.0f) depth = 0.0f;
  const LONG x = screenInfo.windowLeft, y = screenInfo.windowTop;
  D3DRECT r{x + keptLeft, y + keptTop, x + keptRight + 1, y + keptBottom + 1};
  return device->Clear(1, &r, D3DCLEAR_ZBUFFER, 0, depth, 0) >= 0;
}

bool ProjectToScreen(float* point) {
  float view[16], proj[16];
  GetTransform(view, kTransformView);
  GetTransform(proj, kTransformProjection);
  const float p[4] = {point[0], point[1], point[2], 1.0f};
  float e[4], c[4];
  for (int r = 0; r < 4; ++r)
    e[r] = view[r * 4] * p[0] + view[r * 4 + 1] * p[1] + view[r * 4 + 2] * p[2] +
           view[r * 4 + 3] * p[3];
  for (int r = 0; r < 4; ++r)
    c[r] = proj[r * 4] * e[0] + proj[r * 4 + 1] * e[1] + proj[r * 4 + 2] * e[2] +
           proj[r * 4 + 3] * e[3];
  const float x = c[0], y = c[1], z = c[2], w = c[3];
  if (x < -w || x > w || y < -w || y > w || z <= 0 || z > w) return false;
  const float rhw = 1.0f / w;
  const float cornerX = static_cast<float>(screenInfo.windowLeft);
  const float cornerY = static_cast<float>(screenInfo.windowTop);
  const float sx = cornerX + keptLeft + (GetViewportWidth() / 2.0f) * (x * rhw + 1.0f);
  const float sy = cornerY + keptTop + (GetViewportHeight() / 2.0f) * (1.0f - y * rhw);
  if (sx < cornerX + keptLeft || sx > cornerX + keptRight || sy < cornerY + keptTop ||
      sy > cornerY + keptBottom)
    return false;
  point[0] = sx;
  point[1] = sy;
  point[2] = z * rhw;
  return true;
}

}  // namespace VOXA2::threedee
