// How one drawing pass of "sprite" turns its quad into triangles: unchanged,
// as a grid of alpha-weighted shifted copies (gaussian blur) or as a row of
// shifted copies (distortion); each copy clipped to the viewport in software
// and handed on as a fan.
#pragma once

#include <cstdint>
#include <functional>

namespace VOXA2 {

namespace threedee {
class TriangleBatch;
struct VertexFormat;
}  // namespace threedee

namespace effects2d {

// The screen-space vertex of the sprite: position, reciprocal w, diffuse colour
// (alpha in the top byte), one pair of texture coordinates.
struct tSpriteVertex {
  float x, y, z, rhw;
  std::uint32_t color;
  float u, v;
};
static_assert(sizeof(tSpriteVertex) == 28, "the device reads the vertices as they lie");

// tSpriteVertex is the layout of ScreenVertexFormat() (effects2d/fullscreenfx.h).

// Pixel edges of the area that copies are clipped to.
struct tClipBounds {
  float left, right, top, bottom;
};

// Clipping against one slab can make two vertices of every edge, so a quad
// that crosses itself (a tilt past its half extent, or corners placed freely)
// reaches 8 vertices after the first slab and 16 after the second.
constexpr int kMaxFirstClip = 8;
constexpr int kMaxClipped = 16;

// The quad (corners in order) clipped to the bounds, into out (room for
// kMaxClipped vertices); returns how many vertices remain.
int ClipQuad(const tSpriteVertex quad[4], const tClipBounds& bounds, tSpriteVertex* out);

// The gaussian and distortion parameters of one emission.
struct tEmission {
  float alpha = 1.0f;  // the pass alpha e
  std::int32_t gaussCount = 0;
  float gaussStep = 0.0f;   // relative to the screen width
  float gaussWidth = 1.0f;  // sigma
  std::int32_t distortCount = 0;
  float distortX = 0.0f, distortY = 0.0f;  // pixels
};

// Receives each clipped copy that keeps at least 3 vertices.
using tFanSink = std::function<void(const tSpriteVertex* vertices, int count)>;

// Emits the quad as the parameters say; screenWidth turns the gaussian step
// into pixels. Throws "gauss mask" when the mask cannot be had.
void EmitQuad(const tSpriteVertex quad[4], const tEmission& emission, float screenWidth,
              const tClipBounds& bounds, const tFanSink& sink);

// Adds a fan of count vertices around the first to the batch: the vertices from
// the batch's first free one b0 on, and the triangles (b0, b0 + i - 1, b0 + i).
void AddFan(threedee::TriangleBatch* batch, const tSpriteVertex* vertices, int count);

// Low 8 bits would turn a value just above 255 into a nearly transparent
// alpha; the byte saturates instead.
std::uint32_t SaturatedByte(float value);

}  // namespace effects2d
}  // namespace VOXA2
