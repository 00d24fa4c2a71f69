// Vertex input and processing: the layout of a flexible vertex format, and the
// transform of model-space vertices into clip space with vertex blending, fog
// factors, user clip-plane distances, Direct3D 7 lighting and the texture
// coordinates of each stage.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d/state.h"
#include "platform/raster.h"

namespace platform::raster {

// Clip-space vertex: everything the clipper interpolates.
struct ClipVertex {
  float clip[4];   // x, y, z, w
  float color[4];  // r, g, b, a in 0..1: the diffuse (or lit) colour
  float specular[3];
  float fog;        // vertex fog factor
  float tex[8][2];  // coordinates per texture stage
  float user[8];    // distance to each user clip plane, ≥ 0 inside
};
constexpr int kClipFloats = sizeof(ClipVertex) / sizeof(float);

// Outcode bits: one per frustum plane (−x, +x, −y, +y, near, far), then user planes.
constexpr std::uint32_t kFrustumBits = 6;

// A light in camera space, ready for the vertex loop.
struct LightSetup {
  DWORD type = D3DLIGHT_DIRECTIONAL;
  float diffuse[3] = {}, specular[3] = {}, ambient[3] = {};
  float position[3] = {};
  float direction[3] = {0, 0, 1};  // where the light points, unit length
  float range = 0;
  float falloff = 1, att0 = 1, att1 = 0, att2 = 0;
  float cosHalfTheta = 1, cosHalfPhi = 1;
};

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

  // Lighting, for vertices with a normal.
  bool lighting = false;
  bool normalize = false;
  bool localViewer = true;
  D3DMATRIX normalMatrix[4];  // inverse transpose of worldView, per blend matrix
  float globalAmbient[3] = {};
  D3DMATERIAL7 material{};
  bool colorVertex = true;
  DWORD diffuseSource = D3DMCS_COLOR1, specularSource = D3DMCS_COLOR2,
        ambientSource = D3DMCS_MATERIAL, emissiveSource = D3DMCS_MATERIAL;
  std::vector<LightSetup> lights;  // the enabled ones

  // Texture coordinates for the first texStages stages.
  int texStages = 0;
  DWORD texIndex[8] = {};
  bool texTransform[8] = {};
  D3DMATRIX texMatrix[8];
};

// Coordinates of one stage from the vertex's sets (or the camera-space
// normal), through the stage's transform applied to (u, v, 0, 1).
void StageCoordinates(const VertexProcessing& vp, int stage, const VertexLayout& layout,
                      const BYTE* vertex, const float normal[3], float out[2]);

// Lit colours of one vertex: position and normal in camera space, the
// vertex colours (when present) as material sources.
void LightVertex(const VertexProcessing& vp, const float position[3], const float normal[3],
                 const VertexLayout& layout, const float vertexDiffuse[4],
                 const float vertexSpecular[4], float diffuse[4], float specular[3]);

// The product a·b in Direct3D's row-vector convention.
D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b);

// Reads and transforms count vertices; outcodes get the planes each lies outside.
void ProcessVertices(const VertexProcessing& vp, const VertexLayout& layout, const BYTE* data,
                     int count, ClipVertex* out, std::uint32_t* outcodes);

// Colours of one vertex as 0..1 floats: diffuse (white when absent), specular (black).
void ReadColors(const VertexLayout& layout, const BYTE* vertex, float diffuse[4],
                float specular[4]);

}  // namespace platform::raster
