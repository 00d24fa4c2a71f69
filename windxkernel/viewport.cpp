#include "windxkernel/viewport.h"

#include "platform/d3d.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/material.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/vertexarray.h"
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

namespace {

bool Project(float* point, float* rhwOut) {
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
  if (rhwOut) *rhwOut = rhw;
  return true;
}

// One pixel of the back buffer by the mode's bytes per pixel (3 bytes read
// and written as three, never past the surface).
bool ReadPixel(IDirectDrawSurface7* back, RECT* r, DWORD flags, int bytes, std::uint32_t* value,
               const std::uint32_t* restore) {
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  if (back->Lock(r, &d, flags, nullptr) != DD_OK) return false;
  auto* p = static_cast<BYTE*>(d.lpSurface);
  std::uint32_t v = 0;
  if (bytes >= 2 && bytes <= 4) {
    for (int b = 0; b < bytes; ++b) v |= static_cast<std::uint32_t>(p[b]) << (8 * b);
    if (restore)
      for (int b = 0; b < bytes; ++b) p[b] = static_cast<BYTE>(*restore >> (8 * b));
  }
  *value = v;
  back->Unlock(r);
  return true;
}

}  // namespace

bool ProjectToScreen(float* point) { return Project(point, nullptr); }

bool FlareVisibilityTest(float* point) {
  IDirect3DDevice7* device = kernel::d3dState.device;
  IDirectDrawSurface7* back = kernel::videoState.back;
  if (!device || !back) return false;
  float rhw = 1.0f;
  if (!Project(point, &rhw)) return false;
  const auto px = static_cast<LONG>(point[0]), py = static_cast<LONG>(point[1]);
  if (PrimitivesPending()) FlushPrimitives();
  device->EndScene();
  // A one-pixel rectangle, right and bottom exclusive.
  RECT r{px, py, px + 1, py + 1};
  const int bytes = kernel::videoState.bytesPerPixel;
  std::uint32_t p0 = 0, p1 = 0;
  if (!ReadPixel(back, &r, DDLOCK_WAIT | DDLOCK_READONLY | DDLOCK_NOSYSLOCK, bytes, &p0, nullptr)) {
    device->BeginScene();
    LogMessage(5, "Lock() failed!");
    return false;
  }
  device->BeginScene();
  const int bits = kernel::videoState.bitsPerPixel;
  const int testBit = kernel::videoState.is15Bit ? 14 : (bits == 32 ? 23 : bits - 1);
  const DWORD probe =
      (testBit >= 0 && testBit < 32 && ((p0 >> testBit) & 1)) ? 0xFF000000u : 0xFFFFFFFFu;

  static constexpr D3DRENDERSTATETYPE kSaved[9] = {
      D3DRENDERSTATE_SRCBLEND,  D3DRENDERSTATE_DESTBLEND, D3DRENDERSTATE_ZWRITEENABLE,
      D3DRENDERSTATE_ZENABLE,   D3DRENDERSTATE_FOGENABLE, D3DRENDERSTATE_DITHERENABLE,
      D3DRENDERSTATE_SHADEMODE, D3DRENDERSTATE_CULLMODE,  D3DRENDERSTATE_ZFUNC};
  DWORD saved[9];
  for (int i = 0; i < 9; ++i) device->GetRenderState(kSaved[i], &saved[i]);
  IDirectDrawSurface7* texture = nullptr;
  device->GetTexture(0, &texture);

  const DWORD probeStates[9] = {
      D3DBLEND_ONE,    D3DBLEND_ZERO, FALSE,         wBufferingInUse ? D3DZB_USEW : D3DZB_TRUE,
      FALSE,           FALSE,         D3DSHADE_FLAT, D3DCULL_NONE,
      D3DCMP_LESSEQUAL};
  for (int i = 0; i < 9; ++i) device->SetRenderState(kSaved[i], probeStates[i]);
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);

  struct {
    float x, y, z, rhw;
    DWORD diffuse, specular;
    float u, v;
  } vertex{static_cast<float>(px), static_cast<float>(py), point[2], rhw, probe, probe, 0, 0};
  device->DrawPrimitive(D3DPT_POINTLIST,
                        D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1, &vertex, 1,
                        D3DDP_WAIT);

  for (int i = 0; i < 9; ++i) device->SetRenderState(kSaved[i], saved[i]);
  device->SetTexture(0, texture);
  if (texture) texture->Release();  // GetTexture added a reference
  RestoreStagesAfterProbe();

  device->EndScene();
  const bool read = ReadPixel(back, &r, DDLOCK_WAIT | DDLOCK_NOSYSLOCK, bytes, &p1, &p0);
  device->BeginScene();
  if (!read) {
    LogMessage(5, "Lock() failed!");
    return false;
  }
  return p1 != p0;
}

}  // namespace VOXA2::threedee
