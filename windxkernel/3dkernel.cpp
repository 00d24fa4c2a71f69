#include "windxkernel/3dkernel.h"

#include <cmath>
#include <cstring>

#include "platform/d3d.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/deviceoptions.h"
#include "windxkernel/launcher.h"
#include "windxkernel/material.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/vertexarray.h"
#include "windxkernel/viewport.h"

namespace VOXA2::threedee {

const Matrix4 identityMatrix{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
std::int32_t chosenDeviceIndex = 0;

namespace {

Matrix4 kept[10] = {identityMatrix, identityMatrix, identityMatrix, identityMatrix, identityMatrix,
                    identityMatrix, identityMatrix, identityMatrix, identityMatrix, identityMatrix};
bool sceneOpen = false;

// Slot of a transform type among the kept matrices, −1 for other types.
int Slot(std::uint32_t type) {
  if (type <= 7) return static_cast<int>(type);
  if (type == kTransformView) return 8;
  if (type == kTransformProjection) return 9;
  return -1;
}

}  // namespace

void SetTransform(std::uint32_t type, const float* m) {
  int slot = Slot(type);
  if (slot < 0 || !m) return;
  if (PrimitivesPending()) FlushPrimitives();
  std::memcpy(kept[slot].m, m, sizeof kept[slot].m);
  static const D3DTRANSFORMSTATETYPE states[] = {D3DTRANSFORMSTATE_WORLD, D3DTRANSFORMSTATE_WORLD1,
                                                 D3DTRANSFORMSTATE_WORLD2,
                                                 D3DTRANSFORMSTATE_WORLD3};
  D3DTRANSFORMSTATETYPE state;
  if (slot < 4)
    state = states[slot];
  else if (slot == 8)
    state = D3DTRANSFORMSTATE_VIEW;
  else if (slot == 9)
    state = D3DTRANSFORMSTATE_PROJECTION;
  else
    return;
  IDirect3DDevice7* device = kernel::d3dState.device;
  if (!device) return;
  // Direct3D multiplies row vectors: it takes the transpose.
  D3DMATRIX t;
  float* d = &t._11;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) d[c * 4 + r] = m[r * 4 + c];
  device->SetTransform(state, &t);
}

float* GetTransform(float* out, std::uint32_t type) {
  int slot = Slot(type);
  std::memcpy(out, slot < 0 ? identityMatrix.m : kept[slot].m, sizeof identityMatrix.m);
  return out;
}

bool BeginScene() {
  if (sceneOpen) return true;
  IDirect3DDevice7* device = kernel::d3dState.device;
  if (!device) return false;
  if (device->BeginScene() < 0) return false;
  sceneOpen = true;
  return true;
}

void EndScene() {
  if (!sceneOpen) return;
  if (PrimitivesPending()) FlushPrimitives();
  if (kernel::d3dState.device) kernel::d3dState.device->EndScene();
  sceneOpen = false;
}

namespace {

Matrix4& Singular(Matrix4& out) {
  out = Matrix4{};
  out.m[15] = 1;
  return out;
}

}  // namespace

Matrix4& Matrix4::Invert(Matrix4& out, const Matrix4& in) {
  const float* m = in.m;
  const float c1 = m[5] * m[10] - m[6] * m[9], c2 = m[6] * m[8] - m[4] * m[10],
              c3 = m[4] * m[9] - m[5] * m[8];
  const float det = m[0] * c1 + m[1] * c2 + m[2] * c3;
  // A singular matrix (an object scaled to nothing) has no inverse: it gets
  // the zero map, finite for everyone who reads it.
  if (!std::isfinite(1.0f / det)) return Singular(out);
  const float d = 1.0f / det;
  const float e1 = m[6] * m[11] - m[7] * m[10], e2 = m[7] * m[9] - m[5] * m[11],
              e3 = m[7] * m[8] - m[4] * m[11];
  float r[16];
  r[0] = c1 * d;
  r[1] = (m[2] * m[9] - m[1] * m[10]) * d;
  r[2] = (m[1] * m[6] - m[2] * m[5]) * d;
  r[3] = -(m[1] * e1 + m[2] * e2 + m[3] * c1) * d;
  r[4] = c2 * d;
  r[5] = (m[0] * m[10] - m[2] * m[8]) * d;
  r[6] = (m[2] * m[4] - m[0] * m[6]) * d;
  r[7] = (m[0] * e1 + m[2] * e3 - m[3] * c2) * d;
  r[8] = c3 * d;
  r[9] = (m[1] * m[8] - m[0] * m[9]) * d;
  r[10] = (m[0] * m[5] - m[1] * m[4]) * d;
  r[11] = (m[0] * e2 - m[1] * e3 - m[3] * c3) * d;
  r[12] = r[13] = r[14] = 0;
  r[15] = 1;
  std::memcpy(out.m, r, sizeof r);  // out may be in
  return out;
}

Matrix4& Matrix4::InvertRotation(Matrix4& out, const Matrix4& in) {
  const float* m = in.m;
  const float c1 = m[5] * m[10] - m[6] * m[9], c2 = m[6] * m[8] - m[4] * m[10],
              c3 = m[4] * m[9] - m[5] * m[8];
  const float det = m[0] * c1 + m[1] * c2 + m[2] * c3;
  if (!std::isfinite(1.0f / det)) return Singular(out);
  const float d = 1.0f / det;
  float r[16] = {};
  r[0] = c1 * d;
  r[1] = c2 * d;
  r[2] = c3 * d;
  r[4] = (m[2] * m[9] - m[1] * m[10]) * d;
  r[5] = (m[0] * m[10] - m[2] * m[8]) * d;
  r[6] = (m[1] * m[8] - m[0] * m[9]) * d;
  r[8] = (m[1] * m[6] - m[2] * m[5]) * d;
  r[9] = (m[2] * m[4] - m[0] * m[6]) * d;
  r[10] = (m[0] * m[5] - m[1] * m[4]) * d;
  r[15] = 1;
  std::memcpy(out.m, r, sizeof r);
  return out;
}

namespace {

// The steps of the start-up table report by their own line numbers.
void Step(bool ok, int line) {
  if (!ok) LogMessage(5, "Failure in file %s, line %i!", __FILE__, line);
  if (!ValidateTextureStages())
    LogMessage(5, "Validate() failed in file %s, line %i!", __FILE__, line);
}

void DirectStep(D3DRENDERSTATETYPE state, DWORD value, int line) {
  if (kernel::d3dState.device->SetRenderState(state, value) < 0)
    LogMessage(5, "DXFailure in file %s, line %i!", __FILE__, line);
  if (!ValidateTextureStages())
    LogMessage(5, "Validate() failed in file %s, line %i!", __FILE__, line);
}

#define VOXA2_STEP(call) Step(call, __LINE__)

// Steps 2 to 4 of the start: the flags from the device, its defaults and
// the launcher's resources.
void StartOnDevice() {
  wBufferingInUse = kernel::d3dState.wBufferCapable != 0;
  if (wBufferingInUse) LogMessage(5, "Using W Buffering");
  D3DDEVICEDESC7 desc{};
  kernel::d3dState.device->GetCaps(&desc);
  wFogInUse = (desc.dpcTriCaps.dwRasterCaps & D3DPRASTERCAPS_WFOG) != 0;
  if (wFogInUse) LogMessage(5, "Using W Fog");
  wFogInUse = wFogInUse || wBufferingInUse;
  Setup3DDevice();
  UpdateBatchPending();
  VOXA2::CreateDeviceResources();
}

void ReleaseFromDevice() {
  DestroyBatches();
  EndScene();
  VOXA2::ReleaseDeviceResources();
  ResetViewport();
  DeleteTextureStages();
  ResetTextureStages();
}

}  // namespace

void Init3DKernel() {
  if (!kernel::d3dState.device) return;
  StartOnDevice();
}

void Release3DKernel() {
  if (!kernel::d3dState.device) return;
  ReleaseFromDevice();
}

namespace {

bool StartChosenDevice() {
  if (!kernel::D3DSelectDevice(chosenDeviceIndex)) return false;
  if (!kernel::d3dState.device) return true;
  StartOnDevice();
  return true;
}

}  // namespace

bool Apply3DSettings() {
  if (!kernel::d3dState.device) return false;
  ReleaseFromDevice();
  return StartChosenDevice();
}

bool Restart3DDevice() {
  if (kernel::d3dState.device) ReleaseFromDevice();
  return StartChosenDevice();
}

voxaOption* GetThreedeeOption(std::uint32_t index) {
  if (index == 0) return &optionDevice;
  if (index == 1 && kernel::d3dState.wBufferCapable) return &optionWBuffer;
  return nullptr;
}

void Setup3DDevice() {
  if (!kernel::d3dState.device) return;
  const int h = IsHardwareRasterizer() ? 1 : 0;
  VOXA2_STEP(SetRenderMode(0, 0, 1));
  VOXA2_STEP(SetRenderMode(0, 0, 0));
  VOXA2_STEP(SetRenderMode(0, 1, 1));
  VOXA2_STEP(SetRenderMode(0, 1, 0));
  VOXA2_STEP(SetRenderMode(1, 0, 1));
  VOXA2_STEP(SetRenderMode(1, 0, 0));
  VOXA2_STEP(SetRenderMode(1, 1, 1));
  VOXA2_STEP(SetRenderMode(1, 1, 0));
  VOXA2_STEP(SetRenderMode(1, 2, 1));
  VOXA2_STEP(SetRenderMode(1, 2, 0));
  VOXA2_STEP(SetRenderMode(1, 3, 0));
  VOXA2_STEP(SetRenderMode(1, 3, 2));
  VOXA2_STEP(SetRenderMode(2, 1));
  VOXA2_STEP(SetRenderMode(2, 2));
  VOXA2_STEP(SetRenderMode(3, 0));
  VOXA2_STEP(SetRenderMode(3, 1));
  VOXA2_STEP(SetRenderMode(4, 1));
  VOXA2_STEP(SetRenderMode(4, 0));
  VOXA2_STEP(SetRenderMode(5, 0, 0));
  VOXA2_STEP(SetRenderMode(5, 0, 1));
  VOXA2_STEP(SetRenderMode(5, 1, 1));
  VOXA2_STEP(SetRenderMode(5, 1, 0));
  VOXA2_STEP(SetRenderMode(6, 0, 1));
  VOXA2_STEP(SetRenderMode(6, 0, 0));
  VOXA2_STEP(SetRenderMode(6, 1, 7));
  VOXA2_STEP(SetRenderMode(6, 1, 6));
  VOXA2_STEP(SetRenderMode(7, 1 - h));
  VOXA2_STEP(SetRenderMode(7, h));
  VOXA2_STEP(SetRenderMode(8, 0, 1));
  VOXA2_STEP(SetRenderMode(8, 0, 0));
  VOXA2_STEP(SetRenderMode(8, 1, 1));
  VOXA2_STEP(SetRenderMode(8, 1, 0));
  VOXA2_STEP(SetRenderMode(8, 5, 1));
  VOXA2_STEP(SetRenderMode(8, 5, 0));
  VOXA2_STEP(SetRenderMode(8, 6, 1));
  VOXA2_STEP(SetRenderMode(8, 6, 0));
  VOXA2_STEP(SetRenderMode(8, 7, 0));
  VOXA2_STEP(SetRenderMode(8, 7, 2));
  VOXA2_STEP(SetRenderMode(9, 0, 1));
  VOXA2_STEP(SetRenderMode(9, 0, 0));
  VOXA2_STEP(SetRenderMode(9, 1, 0));
  VOXA2_STEP(SetRenderMode(9, 1, 1));
  VOXA2_STEP(SetRenderMode(11, 1));
  VOXA2_STEP(SetRenderMode(11, 0));
  VOXA2_STEP(SetRenderMode(12, 1));
  VOXA2_STEP(SetRenderMode(12, 0));
  VOXA2_STEP(SetRenderMode(13, 0));
  VOXA2_STEP(SetRenderMode(13, 1));
  VOXA2_STEP(SetRenderMode(14, 1));
  VOXA2_STEP(SetRenderMode(14, 0));
  for (std::uint32_t p = 0; p < 8; ++p) {
    VOXA2_STEP(SetRenderMode(15, 0, p));
    VOXA2_STEP(SetClipPlane(p, 0, 1, 1, 1));
    VOXA2_STEP(SetClipPlane(p, 1, 0, 0, 0));
    VOXA2_STEP(SetRenderMode(15, 1, p));
  }
  VOXA2_STEP(SetFog(2, 1.0f));
  VOXA2_STEP(SetFog(2, 0.0f));
  VOXA2_STEP(SetFog(3, 0.0f));
  VOXA2_STEP(SetFog(3, 1.0f));
  VOXA2_STEP(SetFog(4, 0.0f));
  VOXA2_STEP(SetFog(4, 1.0f));
  DirectStep(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE, __LINE__);
  DirectStep(D3DRENDERSTATE_ALPHATESTENABLE, TRUE, __LINE__);
  DirectStep(D3DRENDERSTATE_CLIPPING, TRUE, __LINE__);
  DirectStep(D3DRENDERSTATE_LIGHTING, TRUE, __LINE__);
  keptLightingState = true;
  DirectStep(D3DRENDERSTATE_COLORKEYENABLE, FALSE, __LINE__);
  DirectStep(D3DRENDERSTATE_COLORKEYBLENDENABLE, FALSE, __LINE__);
  CreateTextureStages();
  ResetTextureStages();
  InvalidateViewport();
  ResetViewport();
}

#undef VOXA2_STEP

}  // namespace VOXA2::threedee
