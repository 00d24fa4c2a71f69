#include "effects2d/quademit.h"

#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "foundation/errors.h"
#include "foundation/numeric.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2::effects2d {
namespace {

// The vertex where the edge a-b meets coordinate `bound` of the member C:
// position and texture coordinates interpolated, the rest taken from a.
template <float tSpriteVertex::*C>
tSpriteVertex Crossing(const tSpriteVertex& a, const tSpriteVertex& b, float bound) {
  const float t = (bound - a.*C) / (b.*C - a.*C);
  tSpriteVertex v = a;
  v.x = a.x + t * (b.x - a.x);
  v.y = a.y + t * (b.y - a.y);
  v.z = a.z + t * (b.z - a.z);
  v.u = a.u + t * (b.u - a.u);
  v.v = a.v + t * (b.v - a.v);
  v.*C = bound;
  return v;
}

// One walk over the polygon's edges against low <= C <= high. Each edge gives
// at most two vertices, so out needs room for 2 * n.
template <float tSpriteVertex::*C>
int ClipSlab(const tSpriteVertex* in, int n, float low, float high, tSpriteVertex* out) {
  int k = 0;
  for (int i = 0; i < n; i++) {
    const tSpriteVertex& a = in[i];
    const tSpriteVertex& b = in[i + 1 < n ? i + 1 : 0];
    const float ac = a.*C, bc = b.*C;
    if (ac >= low && ac <= high) {
      out[k++] = a;
      if (bc > high) out[k++] = Crossing<C>(a, b, high);
      if (bc < low) out[k++] = Crossing<C>(a, b, low);
    } else if (ac > high) {
      if (bc <= high) {
        out[k++] = Crossing<C>(a, b, high);
        if (bc < low) out[k++] = Crossing<C>(a, b, low);
      }
    } else if (ac < low && bc >= low) {
      out[k++] = Crossing<C>(a, b, low);
      if (bc > high) out[k++] = Crossing<C>(a, b, high);
    }
  }
  return k;
}

// The colour's red, green and blue with a new alpha byte.
std::uint32_t WithAlpha(std::uint32_t color, std::uint32_t alpha) {
  return (color & 0x00FFFFFFu) | alpha << 24;
}

void ClipAndSend(const tSpriteVertex quad[4], const tClipBounds& bounds, const tFanSink& sink) {
  tSpriteVertex clipped[kMaxClipped];
  const int k = ClipQuad(quad, bounds, clipped);
  if (k >= 3) sink(clipped, k);
}

void EmitGaussian(const tSpriteVertex quad[4], const tEmission& e, float screenWidth,
                  const tClipBounds& bounds, const tFanSink& sink) {
  const std::int32_t m = e.gaussCount;
  const float p = screenWidth * e.gaussStep;
  const std::size_t side = 2 * static_cast<std::size_t>(m) + 1;
  std::vector<float> mask;
  try {
    mask.resize(side * side);
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("gauss mask");
  }
  const float sigma2 = e.gaussWidth * e.gaussWidth;
  std::size_t n = 0;
  for (std::int32_t i = m; i >= -m; i--)
    for (std::int32_t j = m; j >= -m; j--)
      mask[n++] = std::exp(-static_cast<float>(i * i + j * j) / sigma2);
  if (e.alpha == 0.0f) return;  // every copy would be skipped
  tSpriteVertex work[4];
  n = 0;
  for (std::int32_t i = m; i >= -m; i--)
    for (std::int32_t j = m; j >= -m; j--) {
      const std::uint32_t alpha = SaturatedByte(mask[n++] * 255.0f * e.alpha);
      for (int c = 0; c < 4; c++) {
        work[c] = quad[c];
        work[c].x = quad[c].x + static_cast<float>(j) * p;
        work[c].y = quad[c].y + static_cast<float>(i) * p;
        work[c].z = 0.0f;
        work[c].color = WithAlpha(quad[c].color, alpha);
      }
      ClipAndSend(work, bounds, sink);
    }
}

void EmitDistortion(const tSpriteVertex quad[4], const tEmission& e, const tClipBounds& bounds,
                    const tFanSink& sink) {
  const auto n = static_cast<float>(e.distortCount);
  const std::uint32_t alpha = SaturatedByte(255.0f * e.alpha / n);
  tSpriteVertex work[4];
  for (int c = 0; c < 4; c++) {
    work[c] = quad[c];
    work[c].color = WithAlpha(quad[c].color, alpha);
  }
  const float sx = 2.0f * e.distortX / n, sy = 2.0f * e.distortY / n;
  float ox = -e.distortX, oy = -e.distortY;
  for (std::int32_t i = 0; i < e.distortCount; i++) {
    for (int c = 0; c < 4; c++) {
      work[c].x = quad[c].x + ox;
      work[c].y = quad[c].y + oy;
    }
    ClipAndSend(work, bounds, sink);
    ox += sx;
    oy += sy;
  }
}

}  // namespace

std::uint32_t SaturatedByte(float value) {
  const std::int32_t v = TruncToInt(value);
  return static_cast<std::uint32_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

int ClipQuad(const tSpriteVertex quad[4], const tClipBounds& bounds, tSpriteVertex* out) {
  tSpriteVertex first[kMaxFirstClip];
  const int n = ClipSlab<&tSpriteVertex::x>(quad, 4, bounds.left, bounds.right, first);
  return ClipSlab<&tSpriteVertex::y>(first, n, bounds.top, bounds.bottom, out);
}

void EmitQuad(const tSpriteVertex quad[4], const tEmission& emission, float screenWidth,
              const tClipBounds& bounds, const tFanSink& sink) {
  if (emission.gaussCount > 0)
    EmitGaussian(quad, emission, screenWidth, bounds, sink);
  else if (emission.distortCount > 0)
    EmitDistortion(quad, emission, bounds, sink);
  else
    ClipAndSend(quad, bounds, sink);
}

void AddFan(threedee::TriangleBatch* batch, const tSpriteVertex* vertices, int count) {
  if (!batch || count < 3) return;
  std::uint16_t* indices = nullptr;
  std::uint16_t b0 = 0;
  threedee::VertexArray* area = batch->AddIndices(count, 3 * (count - 2), &indices, &b0);
  if (!area || !area->pointer.vertex || area->pointer.stride != sizeof(tSpriteVertex)) return;
  std::memcpy(area->pointer.vertex, vertices,
              sizeof(tSpriteVertex) * static_cast<std::size_t>(count));
  for (int i = 2; i < count; i++) {
    *indices++ = b0;
    *indices++ = static_cast<std::uint16_t>(b0 + i - 1);
    *indices++ = static_cast<std::uint16_t>(b0 + i);
  }
}

}  // namespace VOXA2::effects2d
