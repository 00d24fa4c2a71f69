// The seam between the Direct3D stand-in (d3d.cpp) and the rasteriser that
// draws for it. The device checks each call, then hands the draw over with its
// state; the rasteriser writes the DirectDraw surfaces' memory. The software
// rasteriser lives in d3d/; another one (a GPU one, say) is one more folder
// implementing Rasteriser, chosen where the device makes its rasteriser.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d.h"

namespace platform::raster {

// Where each part of a flexible-vertex-format vertex lies, in bytes.
struct VertexLayout {
  int stride = 0;
  bool rhw = false;
  int weights = 0;  // blend weights in the vertex
  int position = 0, weight = 0, normal = -1, diffuse = -1, specular = -1, texture = 0;
  int textureSets = 0;
};

// False for a format without a position.
bool DecodeFVF(DWORD fvf, VertexLayout* out);

// The device state a draw reads. serial changes whenever any of it changes,
// so a rasteriser rebuilds what it derives from the state only then.
struct DeviceState {
  const DWORD* renderStates = nullptr;    // kD3DRenderStateCount entries
  const D3DMATRIX* transforms = nullptr;  // indexed by D3DTRANSFORMSTATE_ (1..6)
  const std::array<std::array<float, 4>, 8>* clipPlanes = nullptr;
  D3DVIEWPORT7 viewport{};
  IDirectDrawSurface7* target = nullptr;
  IDirectDrawSurface7* depth = nullptr;
  DWORD rasterCaps = 0;
  const std::array<std::array<DWORD, kD3DTextureStageStateCount>, 8>* stageStates = nullptr;
  IDirectDrawSurface7* const* textures = nullptr;  // 8
  const D3DMATRIX* textureTransforms = nullptr;    // 8
  const D3DMATERIAL7* material = nullptr;
  const std::vector<D3DLIGHT7>* lights = nullptr;
  const std::vector<bool>* lightEnabled = nullptr;
  std::uint64_t serial = 0;
};

// A call per draw, never per triangle or pixel. A rasteriser may keep work
// pending after a call returns (it then copies what it needs of the vertices
// and the state, which the caller may change at once); Finish lands all of it
// in memory, and the device and DirectDraw call it before anything reads or
// writes the surfaces (Lock, Blt, Flip, EndScene).
class Rasteriser {
 public:
  virtual ~Rasteriser() = default;
  // Draws count vertices of the layout at data, through the index list when
  // there is one (indices outside the vertices are skipped).
  virtual HRESULT Draw(const DeviceState& state, D3DPRIMITIVETYPE type, const VertexLayout& layout,
                       const BYTE* data, int count, const WORD* indices, int indexCount) = 0;
  // Sets the depth of every rectangle, limited to the viewport and the buffer.
  virtual HRESULT ClearDepth(const DeviceState& state, const D3DRECT* rects, DWORD count,
                             float z) = 0;
  virtual void Finish() = 0;
};

// The fixed-function rasteriser of d3d/, on the processor, drawing with the
// number of threads VOXA2_THREADS asks for (the machine's cores by default);
// with one thread every call has finished its writes when it returns.
std::unique_ptr<Rasteriser> CreateSoftwareRasteriser();
std::unique_ptr<Rasteriser> CreateSoftwareRasteriser(int threads);

}  // namespace platform::raster
