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
  int top = 0, bottom = -1;  // the rows it may touch, inclusive
  int v[3] = {};             // indices into the batch's vertices
};

struct Batch {
  std::shared_ptr<const DrawState> state;
  std::vector<ScreenVertex> vertices;
  std::vector<Primitive> primitives;
  // A depth clear instead of primitives: the rectangles, clipped, and the value.
  std::vector<Rect> depthRects;
  std::uint32_t depthValue = 0;

  void Clear();
  // Appends a primitive over the given vertices, with its rows from their
  // positions (within the scissor; any row of it when a position is not finite).
  void Add(Primitive::Kind kind, int a, int b = 0, int c = 0);
};

// Draws the batch's primitives, in order, on the rows given.
void RunBatch(const Batch& b, const Rows& rows);

}  // namespace platform::raster
