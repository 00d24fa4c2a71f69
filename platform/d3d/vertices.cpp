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

void TransformNormal(const D3DMATRIX& m, const float n[3], float out[3]) {
  out[0] = n[0] * m._11 + n[1] * m._21 + n[2] * m._31;
  out[1] = n[0] * m._12 + n[1] * m._22 + n[2] * m._32;
  out[2] = n[0] * m._13 + n[1] * m._23 + n[2] * m._33;
}

float Dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void Normalise(float v[3]) {
  float l = std::sqrt(Dot(v, v));
  if (l > 0)
    for (int i = 0; i < 3; ++i) v[i] /= l;
}

const float* Source(DWORD source, const VertexLayout& layout, const float* vd, const float* vs,
                    const D3DCOLORVALUE& material, bool colorVertex) {
  if (colorVertex) {
    if (source == D3DMCS_COLOR1 && layout.diffuse >= 0) return vd;
    if (source == D3DMCS_COLOR2 && layout.specular >= 0) return vs;
  }
  return &material.r;
}

}  // namespace

void StageCoordinates(const VertexProcessing& vp, int stage, const VertexLayout& layout,
                      const BYTE* vertex, const float normal[3], float out[2]) {
  const DWORD index = vp.texIndex[stage];
  float in[4] = {0, 0, 0, 1};
  if ((index & 0xFFFF0000u) == D3DTSS_TCI_CAMERASPACENORMAL) {
    in[0] = normal[0], in[1] = normal[1], in[2] = normal[2];
  } else {
    const int set = static_cast<int>(index & 0xFFFF);
    if (set < layout.textureSets) {
      const BYTE* t = vertex + layout.texture + 8 * set;
      in[0] = ReadFloat(t), in[1] = ReadFloat(t + 4);
    }
  }
  if (vp.texTransform[stage]) {
    // Our convention: a two-component set is padded to (u, v, 0, 1), so the
    // matrix's last row carries offsets.
    const D3DMATRIX& m = vp.texMatrix[stage];
    out[0] = in[0] * m._11 + in[1] * m._21 + in[2] * m._31 + in[3] * m._41;
    out[1] = in[0] * m._12 + in[1] * m._22 + in[2] * m._32 + in[3] * m._42;
  } else {
    out[0] = in[0], out[1] = in[1];
  }
}

void LightVertex(const VertexProcessing& vp, const float P[3], const float N[3],
                 const VertexLayout& layout, const float vd[4], const float vs[4], float diffuse[4],
                 float specular[3]) {
  const D3DMATERIAL7& m = vp.material;
  const float* md = Source(vp.diffuseSource, layout, vd, vs, m.diffuse, vp.colorVertex);
  const float* ms = Source(vp.specularSource, layout, vd, vs, m.specular, vp.colorVertex);
  const float* ma = Source(vp.ambientSource, layout, vd, vs, m.ambient, vp.colorVertex);
  const float* me = Source(vp.emissiveSource, layout, vd, vs, m.emissive, vp.colorVertex);
  float amb[3] = {vp.globalAmbient[0], vp.globalAmbient[1], vp.globalAmbient[2]};
  float dif[3] = {0, 0, 0}, spe[3] = {0, 0, 0};
  // Towards the viewer: the camera at the origin, or straight back along z.
  float V[3] = {0, 0, -1};
  if (vp.localViewer) {
    V[0] = -P[0], V[1] = -P[1], V[2] = -P[2];
    Normalise(V);
  }
  for (const LightSetup& l : vp.lights) {
    float L[3];
    float att = 1;
    if (l.type == D3DLIGHT_DIRECTIONAL) {
      L[0] = -l.direction[0], L[1] = -l.direction[1], L[2] = -l.direction[2];
    } else {
      L[0] = l.position[0] - P[0], L[1] = l.position[1] - P[1], L[2] = l.position[2] - P[2];
      const float d = std::sqrt(Dot(L, L));
      if (d > l.range) continue;
      if (d > 0)
        for (float& c : L) c /= d;
      const float den = l.att0 + l.att1 * d + l.att2 * d * d;
      att = den > 0 ? 1.0f / den : 1.0f;
      if (l.type == D3DLIGHT_SPOT) {
        const float rho = -Dot(L, l.direction);
        if (rho <= l.cosHalfPhi) continue;
        if (rho < l.cosHalfTheta) {
          const float t = (rho - l.cosHalfPhi) / (l.cosHalfTheta - l.cosHalfPhi);
          att *= l.falloff == 1.0f ? t : std::pow(t, l.falloff);
        }
      }
    }
    for (int k = 0; k < 3; ++k) amb[k] += att * l.ambient[k];
    const float nl = Dot(N, L);
    if (nl <= 0) continue;
    for (int k = 0; k < 3; ++k) dif[k] += att * nl * l.diffuse[k];
    if (vp.specular) {
      float H[3] = {L[0] + V[0], L[1] + V[1], L[2] + V[2]};
      Normalise(H);
      const float nh = Dot(N, H);
      if (nh > 0) {
        const float f = att * (m.power > 0 ? std::pow(nh, m.power) : 1.0f);
        for (int k = 0; k < 3; ++k) spe[k] += f * l.specular[k];
      }
    }
  }
  for (int k = 0; k < 3; ++k) {
    diffuse[k] = std::fmin(std::fmax(me[k] + amb[k] * ma[k] + dif[k] * md[k], 0.0f), 1.0f);
    specular[k] = std::fmin(std::fmax(spe[k] * ms[k], 0.0f), 1.0f);
  }
  diffuse[3] = std::fmin(std::fmax(md[3], 0.0f), 1.0f);
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
    float normal[3] = {0, 0, 0};
    const bool lit = vp.lighting && layout.normal >= 0;
    const bool needNormal = layout.normal >= 0 && (lit || vp.texStages > 0);
    const bool needEye = vp.vertexFog || lit;
    for (int k = 0; k < matrices; ++k) {
      Transform(vp.worldViewProj[k], p, t);
      for (int i = 0; i < 4; ++i) clip[i] += weight[k] * t[i];
      if (needNormal) {
        const float n0[3] = {ReadFloat(v + layout.normal), ReadFloat(v + layout.normal + 4),
                             ReadFloat(v + layout.normal + 8)};
        float tn[3];
        TransformNormal(vp.normalMatrix[k], n0, tn);
        for (int i = 0; i < 3; ++i) normal[i] += weight[k] * tn[i];
      }
      if (needEye) {
        Transform(vp.worldView[k], p, t);
        for (int i = 0; i < 4; ++i) eye[i] += weight[k] * t[i];
      }
      if (vp.userPlanes) {
        Transform(vp.world[k], p, t);
        for (int i = 0; i < 4; ++i) world[i] += weight[k] * t[i];
      }
    }
    std::memcpy(cv.clip, clip, sizeof clip);

    if (needNormal && vp.normalize) Normalise(normal);
    float specular[4];
    ReadColors(layout, v, cv.color, specular);
    if (lit) {
      float vd[4], lit4[4];
      std::memcpy(vd, cv.color, sizeof vd);
      LightVertex(vp, eye, normal, layout, vd, specular, lit4, cv.specular);
      std::memcpy(cv.color, lit4, sizeof lit4);
    } else {
      std::memcpy(cv.specular, specular, sizeof cv.specular);
    }
    for (int s = 0; s < vp.texStages; ++s) StageCoordinates(vp, s, layout, v, normal, cv.tex[s]);
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
