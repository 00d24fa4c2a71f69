// The software rasteriser behind the Direct3D device (raster.h): primitive
// assembly, clipping, the viewport mapping and the choice of the pixel path
// for the device's current state. Each draw becomes a batch (batch.h), drawn
// at once on the calling thread when the rasteriser has one thread, else
// handed to the worker threads (workers.h) and landed by Finish.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d/batch.h"
#include "platform/d3d/clipper.h"
#include "platform/d3d/pixels.h"
#include "platform/d3d/setup.h"
#include "platform/d3d/texture.h"
#include "platform/d3d/vertices.h"
#include "platform/d3d/workers.h"
#include "platform/raster.h"

namespace platform::raster {

class Renderer final : public Rasteriser {
 public:
  explicit Renderer(int threads = 1);
  HRESULT Draw(const DeviceState& state, D3DPRIMITIVETYPE type, const VertexLayout& layout,
               const BYTE* data, int count, const WORD* indices, int indexCount) override;
  HRESULT ClearDepth(const DeviceState& state, const D3DRECT* rects, DWORD count, float z) override;
  void Finish() override;

 private:
  bool Prepare(const DeviceState& state);
  ScreenVertex Project(const ClipVertex& v) const;
  void Triangle(Batch& b, int i0, int i1, int i2);
  void ClippedTriangle(Batch& b, int i0, int i1, int i2, std::uint32_t mask);
  void Line(Batch& b, int i0, int i1);
  std::shared_ptr<Batch> NewBatch();
  // Draws the batch now, or hands it to the threads.
  void Run(std::shared_ptr<Batch> b);

  std::uint64_t serial_ = ~std::uint64_t{0};
  // Per stage; replaced rather than re-read while a batch may read it.
  std::shared_ptr<Texture> textures_[8];
  bool ready_ = false;
  RenderSettings settings_;
  VertexProcessing processing_;
  std::shared_ptr<const DrawState> state_;
  float vpX_ = 0, vpY_ = 0, vpHalfW_ = 0, vpHalfH_ = 0, minZ_ = 0, zRange_ = 1;

  bool rhw_ = false;
  std::vector<ClipVertex> clip_;
  std::vector<std::uint32_t> outcodes_;
  // Batches to reuse once nothing reads them, keeping their memory.
  std::vector<std::shared_ptr<Batch>> pool_;
  std::unique_ptr<Workers> workers_;            // null: drawn on the calling thread
  std::unique_ptr<ParallelFor> vertexThreads_;  // null with workers_
};

}  // namespace platform::raster
