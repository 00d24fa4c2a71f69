#include "platform/d3d/clipper.h"

#include <algorithm>

namespace platform::raster {
namespace {

float Distance(const ClipVertex& v, int plane) {
  const float* c = v.clip;
  switch (plane) {
    case 0:
      return c[0] + c[3];
    case 1:
      return c[3] - c[0];
    case 2:
      return c[1] + c[3];
    case 3:
      return c[3] - c[1];
    case 4:
      return c[2];
    case 5:
      return c[3] - c[2];
    default:
      return v.user[plane - kFrustumBits];
  }
}

ClipVertex Lerp(const ClipVertex& a, const ClipVertex& b, float t) {
  ClipVertex r;
  const float* x = reinterpret_cast<const float*>(&a);
  const float* y = reinterpret_cast<const float*>(&b);
  float* z = reinterpret_cast<float*>(&r);
  for (int i = 0; i < kClipFloats; ++i) z[i] = x[i] + (y[i] - x[i]) * t;
  return r;
}

}  // namespace

int ClipPolygon(const ClipVertex* in, int n, std::uint32_t mask, ClipVertex* out) {
  ClipVertex bufA[kMaxClipVertices], bufB[kMaxClipVertices];
  const ClipVertex* src = in;
  ClipVertex* dst = bufA;
  for (int plane = 0; plane < 32 && n > 0; ++plane) {
    if (!(mask & (1u << plane))) continue;
    int m = 0;
    for (int i = 0; i < n; ++i) {
      const ClipVertex& a = src[i];
      const ClipVertex& b = src[(i + 1) % n];
      float da = Distance(a, plane), db = Distance(b, plane);
      if (da >= 0) dst[m++] = a;
      if ((da >= 0) != (db >= 0) && m < kMaxClipVertices) dst[m++] = Lerp(a, b, da / (da - db));
      if (m >= kMaxClipVertices) break;
    }
    n = m;
    src = dst;
    dst = dst == bufA ? bufB : bufA;
  }
  std::copy(src, src + n, out);
  return n;
}

bool ClipLine(ClipVertex& a, ClipVertex& b, std::uint32_t mask) {
  for (int plane = 0; plane < 32; ++plane) {
    if (!(mask & (1u << plane))) continue;
    float da = Distance(a, plane), db = Distance(b, plane);
    if (da < 0 && db < 0) return false;
    if (da < 0)
      a = Lerp(a, b, da / (da - db));
    else if (db < 0)
      b = Lerp(b, a, db / (db - da));
  }
  return true;
}

}  // namespace platform::raster
