// Vertex input and processing: the layout of a flexible vertex format, and the
// transform of model-space vertices into clip space with vertex blending, fog
// factors and user clip-plane distances. Lighting will slot in where the
// vertex colours are read.
#pragma once

#include <cstdint>

#include "platform/d3d/state.h"

namespace platform::raster {

struct VertexLayout {
  int stride = 0;
  bool rhw = false;
  int weights = 0;  // blend weights in the vertex
  int position = 0, weight = 0, normal = -1, diffuse = -1, specular = -1, texture = 0;
  int textureSets = 0;
};

// False for a format without a position.
bool DecodeFVF(DWORD fvf, VertexLayout* out);

// Clip-space vertex: everything the clipper interpolates.
struct ClipVertex {
  float clip[4];   // x, y, z, w
  float color[4];  // r, g, b, a in 0..1; specular added when enabled
  float fog;       // vertex fog factor
  float user[8];   // distance to each user clip plane, ≥ 0 inside
};
constexpr int kClipFloats = sizeof(ClipVertex) / sizeof(float);

// Outcode bits: one per frustum plane (−x, +x, −y, +y, near, far), then user planes.
constexpr std::uint32_t kFrustumBits = 6;

struct VertexProcessing {
  // Combined matrices per blend matrix (WORLD..WORLD3).
  D3DMATRIX worldViewProj[4];
  D3DMATRIX worldView[4];
  D3DMATRIX world[4];
  int blendMatrices = 1;  // 1: no vertex blending
  bool vertexFog = false;
  DWORD fogFormula = D3DFOG_NONE;
  float fogStart = 0, fogEnd = 1, fogDensity = 1;
  bool rangeFog = false;
  bool specular = false;
  std::uint32_t userPlanes = 0;  // enabled user planes
  float planes[8][4] = {};
};

// The product a·b in Direct3D's row-vector convention.
D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b);

// Reads and transforms count vertices; outcodes get the planes each lies outside.
void ProcessVertices(const VertexProcessing& vp, const VertexLayout& layout, const BYTE* data,
                     int count, ClipVertex* out, std::uint32_t* outcodes);

// Colours of one vertex as 0..1 floats: diffuse (white when absent), specular (black).
void ReadColors(const VertexLayout& layout, const BYTE* vertex, float diffuse[4],
                float specular[4]);

}  // namespace platform::raster
