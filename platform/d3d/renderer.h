// The software rasteriser behind the Direct3D device (raster.h): primitive
// assembly, clipping, the viewport mapping and the choice of the pixel path
// for the device's current state. Every call has finished writing colour and
// depth when it returns.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/d3d/clipper.h"
#include "platform/d3d/pixels.h"
#include "platform/d3d/setup.h"
#include "platform/d3d/texture.h"
#include "platform/d3d/vertices.h"
#include "platform/raster.h"

namespace platform::raster {

class Renderer final : public Rasteriser {
 public:
  HRESULT Draw(const DeviceState& state, D3DPRIMITIVETYPE type, const VertexLayout& layout,
               const BYTE* data, int count, const WORD* indices, int indexCount) override;
  HRESULT ClearDepth(const DeviceState& state, const D3DRECT* rects, DWORD count, float z) override;
  // Every call has finished its writes when it returns: nothing is pending.
  void Finish() override {}

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
