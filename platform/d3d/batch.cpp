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

// Whether the primitive may touch one of the rows: a row beyond its
// vertices on either side covers the rounding of lines and edges.
bool Touches(const Batch& b, const Primitive& p, const Rows& rows) {
  const int n = p.kind == Primitive::Triangle ? 3 : p.kind == Primitive::Line ? 2 : 1;
  float lo = INFINITY, hi = -INFINITY;
  for (int i = 0; i < n; ++i) {
    const float y = b.vertices[static_cast<size_t>(p.v[i])].y;
    if (!std::isfinite(y)) return true;
    lo = std::min(lo, y);
    hi = std::max(hi, y);
  }
  const Rect& clip = b.state->scissor;
  const double top = std::max(std::floor(double(lo)) - 1, double(clip.y0));
  const double bottom = std::min(std::ceil(double(hi)) + 1, double(clip.y1 - 1));
  return top <= bottom && rows.Any(static_cast<int>(top), static_cast<int>(bottom));
}

}  // namespace

void Batch::Clear() {
  state.reset();
  vertexCount = 0;
  primitives.clear();
  depthRects.clear();
}

void Batch::SetVertexCount(int count) {
  if (vertices.size() < static_cast<size_t>(count)) vertices.resize(static_cast<size_t>(count));
  vertexCount = count;
}

int Batch::AddVertex(const ScreenVertex& v) {
  if (vertices.size() == static_cast<size_t>(vertexCount))
    vertices.push_back(v);
  else
    vertices[static_cast<size_t>(vertexCount)] = v;
  return vertexCount++;
}

void RunBatch(const Batch& b, const Rows& rows) {
  if (!b.depthRects.empty()) {
    ClearDepth(b, rows);
    return;
  }
  const DrawState& s = *b.state;
  for (const Primitive& p : b.primitives) {
    if (rows.count > 1 && !Touches(b, p, rows)) continue;
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
