// A draw as the rasteriser records it: the primitives in screen space, ready
// to be set up and scan-converted, and the state they are drawn with. A batch
// is complete in itself (it reads nothing the device may change later), so it
// may be drawn after the call that made it has returned, by any thread, one
// set of rows at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d/pixels.h"
#include "platform/d3d/setup.h"
#include "platform/d3d/texture.h"

namespace platform::raster {

// The state shared by the batches drawn between two state changes.
struct DrawState {
  PixelPipeline pipeline;
  // The textures the pipeline's samplers read, kept alive for as long as a
  // batch may read them.
  std::shared_ptr<const Texture> textures[8];
  Rect scissor;
  DWORD cull = D3DCULL_CCW, fill = D3DFILL_SOLID;
  bool gouraud = true;
  int texStages = 0;
};

struct Primitive {
  enum Kind : std::uint8_t { Triangle, Line, Point };
  Kind kind = Triangle;
  int v[3] = {};  // indices into the batch's vertices
};

struct Batch {
  std::shared_ptr<const DrawState> state;
  // The first vertexCount are the batch's; the rest is room kept from an
  // earlier use, so that a batch reused costs no construction.
  std::vector<ScreenVertex> vertices;
  int vertexCount = 0;
  std::vector<Primitive> primitives;
  // A depth clear instead of primitives: the rectangles, clipped, and the value.
  std::vector<Rect> depthRects;
  std::uint32_t depthValue = 0;

  void Clear();
  // Room for the first count vertices, their values left to the caller.
  void SetVertexCount(int count);
  // Appends a vertex; returns its index.
  int AddVertex(const ScreenVertex& v);
  void Add(Primitive::Kind kind, int a, int b = 0, int c = 0) {
    primitives.push_back(Primitive{kind, {a, b, c}});
  }
};

// Draws the batch's primitives, in order, on the rows given.
void RunBatch(const Batch& b, const Rows& rows);

}  // namespace platform::raster
