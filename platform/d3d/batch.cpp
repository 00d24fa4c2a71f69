#include "platform/d3d/batch.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "platform/d3d/formats.h"

namespace platform::raster {
namespace {

void DrawTriangle(const DrawState& s, const ScreenVertex& a, const ScreenVertex& b,
                  const ScreenVertex& c, const Rows& rows) {
  const double area = ScreenArea(a, b, c);
  // Positive area is clockwise on screen (y down).
  if ((s.cull == D3DCULL_CW && area > 0) || (s.cull == D3DCULL_CCW && area < 0)) return;
  switch (s.fill) {
    case D3DFILL_POINT:
      for (const ScreenVertex* v : {&a, &b, &c}) RasterizePoint(*v, s.scissor, s.pipeline, rows);
      break;
    case D3DFILL_WIREFRAME: {
      // Every edge in the colour of the first vertex when flat.
      ScreenVertex e[3] = {a, b, c};
      if (!s.gouraud)
        for (auto& v : e) {
          std::memcpy(v.color, a.color, sizeof v.color);
          std::memcpy(v.specular, a.specular, sizeof v.specular);
        }
      for (int i = 0; i < 3; ++i)
        RasterizeLine(e[i], e[(i + 1) % 3], s.gouraud, s.scissor, s.pipeline, rows);
      break;
    }
    default: {
      TriangleSetup setup;
      if (SetupTriangle(a, b, c, s.gouraud, &setup, s.texStages))
        RasterizeTriangle(setup, s.scissor, s.pipeline, rows);
      break;
    }
  }
}

void ClearDepth(const Batch& batch, const Rows& rows) {
  const Target& t = batch.state->pipeline.target;
  const std::uint32_t q = batch.depthValue, mask = t.depthMask;
  auto fill = [&](auto bytes, const Rect& r) {
    constexpr int B = decltype(bytes)::value;
    for (int y = rows.First(r.y0); y < r.y1; y = rows.Next(y)) {
      BYTE* p = t.depth + static_cast<std::ptrdiff_t>(y) * t.depthPitch +
                static_cast<std::ptrdiff_t>(r.x0) * B;
      for (int x = r.x0; x < r.x1; ++x, p += B) StoreWord<B>(p, (LoadWord<B>(p) & ~mask) | q);
    }
  };
  for (const Rect& r : batch.depthRects) {
    switch (t.depthBytes) {
      case 2:
        fill(std::integral_constant<int, 2>{}, r);
        break;
      case 3:
        fill(std::integral_constant<int, 3>{}, r);
        break;
      case 4:
        fill(std::integral_constant<int, 4>{}, r);
        break;
      default:
        break;
    }
  }
}

}  // namespace

void Batch::Clear() {
  state.reset();
  vertices.clear();
  primitives.clear();
  depthRects.clear();
}

void Batch::Add(Primitive::Kind kind, int a, int b, int c) {
  Primitive p;
  p.kind = kind;
  p.v[0] = a, p.v[1] = b, p.v[2] = c;
  const int n = kind == Primitive::Triangle ? 3 : kind == Primitive::Line ? 2 : 1;
  const Rect& clip = state->scissor;
  // A row beyond the vertices on either side covers the rounding of lines
  // and edges; the clamp keeps huge positions in range before the conversion.
  double lo = clip.y1, hi = clip.y0 - 1;
  for (int i = 0; i < n; ++i) {
    const double y = vertices[static_cast<size_t>(p.v[i])].y;
    if (!std::isfinite(y)) {
      lo = clip.y0, hi = clip.y1;
      break;
    }
    lo = std::min(lo, std::floor(y) - 1);
    hi = std::max(hi, std::ceil(y) + 1);
  }
  p.top = static_cast<int>(std::clamp(lo, double(clip.y0), double(clip.y1)));
  p.bottom = static_cast<int>(std::clamp(hi, double(clip.y0 - 1), double(clip.y1 - 1)));
  if (p.top <= p.bottom) primitives.push_back(p);
}

void RunBatch(const Batch& b, const Rows& rows) {
  if (!b.depthRects.empty()) {
    ClearDepth(b, rows);
    return;
  }
  const DrawState& s = *b.state;
  for (const Primitive& p : b.primitives) {
    if (!rows.Any(p.top, p.bottom)) continue;
    const ScreenVertex& v0 = b.vertices[static_cast<size_t>(p.v[0])];
    switch (p.kind) {
      case Primitive::Triangle:
        DrawTriangle(s, v0, b.vertices[static_cast<size_t>(p.v[1])],
                     b.vertices[static_cast<size_t>(p.v[2])], rows);
        break;
      case Primitive::Line:
        RasterizeLine(v0, b.vertices[static_cast<size_t>(p.v[1])], s.gouraud, s.scissor, s.pipeline,
                      rows);
        break;
      case Primitive::Point:
        RasterizePoint(v0, s.scissor, s.pipeline, rows);
        break;
    }
  }
}

}  // namespace platform::raster
