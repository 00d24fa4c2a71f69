#include "windxkernel/3dkernel.h"

#include <cstring>

#include "windxkernel/d3dinit.h"
#include "windxkernel/vertexarray.h"

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

}  // namespace VOXA2::threedee
