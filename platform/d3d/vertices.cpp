#include "platform/d3d/vertices.h"

#include <cmath>
#include <cstring>

#include "platform/d3d/fog.h"

namespace platform::raster {
namespace {

float ReadFloat(const BYTE* p) {
  float f;
  std::memcpy(&f, p, sizeof f);
  return f;
}

void UnpackColor(const BYTE* p, float out[4]) {
  DWORD c;
  std::memcpy(&c, p, sizeof c);
  out[0] = ((c >> 16) & 255) / 255.0f;
  out[1] = ((c >> 8) & 255) / 255.0f;
  out[2] = (c & 255) / 255.0f;
  out[3] = (c >> 24) / 255.0f;
}

void Transform(const D3DMATRIX& m, const float p[3], float out[4]) {
  out[0] = p[0] * m._11 + p[1] * m._21 + p[2] * m._31 + m._41;
  out[1] = p[0] * m._12 + p[1] * m._22 + p[2] * m._32 + m._42;
  out[2] = p[0] * m._13 + p[1] * m._23 + p[2] * m._33 + m._43;
  out[3] = p[0] * m._14 + p[1] * m._24 + p[2] * m._34 + m._44;
}

}  // namespace

bool DecodeFVF(DWORD fvf, VertexLayout* out) {
  VertexLayout l;
  DWORD pos = fvf & D3DFVF_POSITION_MASK;
  int o = 0;
  if (pos == D3DFVF_XYZRHW) {
    l.rhw = true;
    o = 16;
  } else if (pos == D3DFVF_XYZ || (pos >= D3DFVF_XYZB1 && pos <= D3DFVF_XYZB5)) {
    o = 12;
    l.weights = pos == D3DFVF_XYZ ? 0 : static_cast<int>((pos - D3DFVF_XYZRHW) / 2);
  } else {
    return false;
  }
  l.weight = o;
  o += 4 * l.weights;
  if (fvf & D3DFVF_NORMAL) l.normal = o, o += 12;
  if (fvf & D3DFVF_DIFFUSE) l.diffuse = o, o += 4;
  if (fvf & D3DFVF_SPECULAR) l.specular = o, o += 4;
  l.texture = o;
  l.textureSets = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
  o += 8 * l.textureSets;
  l.stride = o;
  *out = l;
  return true;
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  const float* x = &a._11;
  const float* y = &b._11;
  D3DMATRIX r;
  float* z = &r._11;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      z[i * 4 + j] = x[i * 4] * y[j] + x[i * 4 + 1] * y[4 + j] + x[i * 4 + 2] * y[8 + j] +
                     x[i * 4 + 3] * y[12 + j];
  return r;
}

void ReadColors(const VertexLayout& layout, const BYTE* vertex, float diffuse[4],
                float specular[4]) {
  if (layout.diffuse >= 0) {
    UnpackColor(vertex + layout.diffuse, diffuse);
  } else {
    diffuse[0] = diffuse[1] = diffuse[2] = diffuse[3] = 1.0f;
  }
  if (layout.specular >= 0) {
    UnpackColor(vertex + layout.specular, specular);
  } else {
    specular[0] = specular[1] = specular[2] = specular[3] = 0.0f;
  }
}

void ProcessVertices(const VertexProcessing& vp, const VertexLayout& layout, const BYTE* data,
                     int count, ClipVertex* out, std::uint32_t* outcodes) {
  // The vertex may carry fewer weights than the blend mode asks for.
  const int matrices =
      vp.blendMatrices - 1 <= layout.weights ? vp.blendMatrices : layout.weights + 1;
  for (int n = 0; n < count; ++n) {
    const BYTE* v = data + static_cast<std::ptrdiff_t>(n) * layout.stride;
    ClipVertex& cv = out[n];
    float p[3] = {ReadFloat(v), ReadFloat(v + 4), ReadFloat(v + 8)};
    float weight[4] = {1, 0, 0, 0};
    if (matrices > 1) {
      float sum = 0;
      for (int k = 0; k < matrices - 1; ++k) {
        weight[k] = ReadFloat(v + layout.weight + 4 * k);
        sum += weight[k];
      }
      weight[matrices - 1] = 1.0f - sum;
    }
    float clip[4] = {0, 0, 0, 0}, eye[4] = {0, 0, 0, 0}, world[4] = {0, 0, 0, 0}, t[4];
    for (int k = 0; k < matrices; ++k) {
      Transform(vp.worldViewProj[k], p, t);
      for (int i = 0; i < 4; ++i) clip[i] += weight[k] * t[i];
      if (vp.vertexFog) {
        Transform(vp.worldView[k], p, t);
        for (int i = 0; i < 4; ++i) eye[i] += weight[k] * t[i];
      }
      if (vp.userPlanes) {
        Transform(vp.world[k], p, t);
        for (int i = 0; i < 4; ++i) world[i] += weight[k] * t[i];
      }
    }
    std::memcpy(cv.clip, clip, sizeof clip);

    // Lighting goes here: with it, lit colours replace the vertex colours.
    float specular[4];
    ReadColors(layout, v, cv.color, specular);
    if (vp.specular)
      for (int i = 0; i < 3; ++i) cv.color[i] = std::fmin(cv.color[i] + specular[i], 1.0f);
    if (vp.vertexFog) {
      if (vp.fogFormula == D3DFOG_NONE) {
        cv.fog = specular[3];  // the fog factor rides in the specular alpha
      } else {
        float d =
            vp.rangeFog ? std::sqrt(eye[0] * eye[0] + eye[1] * eye[1] + eye[2] * eye[2]) : eye[2];
        cv.fog = FogFactor(vp.fogFormula, d, vp.fogStart, vp.fogEnd, vp.fogDensity);
      }
    } else {
      cv.fog = 1.0f;
    }

    const float w = clip[3];
    std::uint32_t code = 0;
    code |= (clip[0] < -w) << 0;
    code |= (clip[0] > w) << 1;
    code |= (clip[1] < -w) << 2;
    code |= (clip[1] > w) << 3;
    code |= (clip[2] < 0) << 4;
    code |= (clip[2] > w) << 5;
    code |= !(w > 0) << 4;  // also catches NaN
    for (int i = 0; i < 8; ++i) {
      if (!(vp.userPlanes & (1u << i))) {
        cv.user[i] = 0;
        continue;
      }
      const float* pl = vp.planes[i];
      cv.user[i] = pl[0] * world[0] + pl[1] * world[1] + pl[2] * world[2] + pl[3] * world[3];
      code |= static_cast<std::uint32_t>(cv.user[i] < 0) << (kFrustumBits + i);
    }
    outcodes[n] = code;
  }
}

}  // namespace platform::raster
