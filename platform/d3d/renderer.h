// The rasteriser behind the Direct3D device: primitive assembly, clipping,
// the viewport mapping and the choice of the pixel path for the device's
// current state. Every call has finished writing colour and depth when it
// returns.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/d3d/clipper.h"
#include "platform/d3d/pixels.h"
#include "platform/d3d/setup.h"
#include "platform/d3d/texture.h"
#include "platform/d3d/vertices.h"

namespace platform::raster {

// The device state a draw reads. serial changes whenever any of it changes,
// so the renderer rebuilds its derived state only then.
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

class Renderer {
 public:
  // Draws count vertices of the layout at data, through the index list when
  // there is one (indices outside the vertices are skipped).
  HRESULT Draw(const DeviceState& state, D3DPRIMITIVETYPE type, const VertexLayout& layout,
               const BYTE* data, int count, const WORD* indices, int indexCount);
  // Sets the depth of every rectangle, limited to the viewport and the buffer.
  HRESULT ClearDepth(const DeviceState& state, const D3DRECT* rects, DWORD count, float z);

 private:
  bool Prepare(const DeviceState& state);
  ScreenVertex Project(const ClipVertex& v) const;
  void Triangle(int i0, int i1, int i2);
  void ScreenTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c);
  void ClippedTriangle(int i0, int i1, int i2, std::uint32_t mask);
  void Line(int i0, int i1);
  void Point(int i);

  std::uint64_t serial_ = ~std::uint64_t{0};
  Texture textures_[8];
  bool ready_ = false;
  RenderSettings settings_;
  VertexProcessing processing_;
  PixelPipeline pipeline_;
  Rect scissor_;
  float vpX_ = 0, vpY_ = 0, vpHalfW_ = 0, vpHalfH_ = 0, minZ_ = 0, zRange_ = 1;

  bool rhw_ = false;
  std::vector<ClipVertex> clip_;
  std::vector<std::uint32_t> outcodes_;
  std::vector<ScreenVertex> screen_;
};

}  // namespace platform::raster
