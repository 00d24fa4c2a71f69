#include "platform/d3d/renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "platform/d3d/formats.h"

namespace platform::raster {
namespace {

bool SameMasks(const DDPIXELFORMAT& f, DWORD bits, DWORD r, DWORD g, DWORD b) {
  return f.dwRGBBitCount == bits && f.dwRBitMask == r && f.dwGBitMask == g && f.dwBBitMask == b;
}

bool TargetOf(IDirectDrawSurface7* s, IDirectDrawSurface7* z, Target* t) {
  const DDPIXELFORMAT& f = s->format();
  if (SameMasks(f, 16, 0xF800, 0x07E0, 0x001F))
    t->format = PixelFormat::R5G6B5;
  else if (SameMasks(f, 16, 0x7C00, 0x03E0, 0x001F))
    t->format = PixelFormat::X1R5G5B5;
  else if (SameMasks(f, 24, 0xFF0000, 0xFF00, 0xFF))
    t->format = PixelFormat::R8G8B8;
  else if (SameMasks(f, 32, 0xFF0000, 0xFF00, 0xFF))
    t->format = PixelFormat::X8R8G8B8;
  else
    return false;
  t->pixels = s->pixels();
  t->pitch = s->pitch();
  t->width = s->width();
  t->height = s->height();
  t->depth = nullptr;
  if (z && z->pixels() && z->width() >= s->width() && z->height() >= s->height()) {
    t->depth = z->pixels();
    t->depthPitch = z->pitch();
    t->depthBytes = static_cast<int>((z->format().dwZBufferBitDepth + 7) / 8);
    t->depthMask = z->format().dwZBitMask;
  }
  return true;
}

float AsFloat(DWORD v) {
  float f;
  std::memcpy(&f, &v, sizeof f);
  return f;
}

// The inverse transpose of m's 3x3 part, for normals (identity when singular).
D3DMATRIX NormalMatrix(const D3DMATRIX& m) {
  const double a = m._11, b = m._12, c = m._13, d = m._21, e = m._22, f = m._23, g = m._31,
               h = m._32, i = m._33;
  const double A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
  const double det = a * A + b * B + c * C;
  D3DMATRIX r{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  if (det == 0 || !std::isfinite(det)) return r;
  const double k = 1.0 / det;
  // Cofactors over the determinant: the inverse transposed.
  r._11 = static_cast<float>(A * k);
  r._12 = static_cast<float>(B * k);
  r._13 = static_cast<float>(C * k);
  r._21 = static_cast<float>(-(b * i - c * h) * k);
  r._22 = static_cast<float>((a * i - c * g) * k);
  r._23 = static_cast<float>(-(a * h - b * g) * k);
  r._31 = static_cast<float>((b * f - c * e) * k);
  r._32 = static_cast<float>(-(a * f - c * d) * k);
  r._33 = static_cast<float>((a * e - b * d) * k);
  return r;
}

void Colour3(const D3DCOLORVALUE& c, float out[3]) { out[0] = c.r, out[1] = c.g, out[2] = c.b; }

}  // namespace

bool Renderer::Prepare(const DeviceState& st) {
  if (st.serial == serial_) return ready_;
  serial_ = st.serial;
  ready_ = false;
  Target target;
  if (!st.target || !TargetOf(st.target, st.depth, &target)) return false;
  const DWORD* rs = st.renderStates;
  const D3DMATRIX* m = st.transforms;
  const D3DMATRIX& proj = m[D3DTRANSFORMSTATE_PROJECTION];

  RenderSettings s;
  s.depthTest = rs[D3DRENDERSTATE_ZENABLE] != D3DZB_FALSE;
  s.wBuffer = rs[D3DRENDERSTATE_ZENABLE] == D3DZB_USEW && (st.rasterCaps & D3DPRASTERCAPS_WBUFFER);
  s.depthFunc = rs[D3DRENDERSTATE_ZFUNC];
  s.depthWrite = rs[D3DRENDERSTATE_ZWRITEENABLE] != 0;
  s.depthBias = static_cast<int>(std::min<DWORD>(rs[D3DRENDERSTATE_ZBIAS], 16));
  s.alphaTest = rs[D3DRENDERSTATE_ALPHATESTENABLE] != 0;
  s.alphaFunc = rs[D3DRENDERSTATE_ALPHAFUNC];
  s.alphaRef = static_cast<int>(rs[D3DRENDERSTATE_ALPHAREF] & 255);
  s.blend = rs[D3DRENDERSTATE_ALPHABLENDENABLE] != 0;
  s.srcBlend = rs[D3DRENDERSTATE_SRCBLEND];
  s.dstBlend = rs[D3DRENDERSTATE_DESTBLEND];
  s.dither = rs[D3DRENDERSTATE_DITHERENABLE] != 0;
  s.gouraud = rs[D3DRENDERSTATE_SHADEMODE] != D3DSHADE_FLAT;
  s.fill = rs[D3DRENDERSTATE_FILLMODE];
  s.cull = rs[D3DRENDERSTATE_CULLMODE];
  s.specular = rs[D3DRENDERSTATE_SPECULARENABLE] != 0;
  // The far plane's eye depth, from a projection of the usual form.
  double q = proj._33, r = proj._43;
  double far = (1 - q != 0 && q != 0) ? r / (1 - q) : 0;
  s.farW = std::isfinite(far) && far > 0 ? static_cast<float>(far) : 1.0f;
  if (rs[D3DRENDERSTATE_FOGENABLE]) {
    s.fogColor = rs[D3DRENDERSTATE_FOGCOLOR];
    s.fogStart = AsFloat(rs[D3DRENDERSTATE_FOGSTART]);
    s.fogEnd = AsFloat(rs[D3DRENDERSTATE_FOGEND]);
    s.fogDensity = AsFloat(rs[D3DRENDERSTATE_FOGDENSITY]);
    s.rangeFog = rs[D3DRENDERSTATE_RANGEFOGENABLE] != 0;
    if (rs[D3DRENDERSTATE_FOGTABLEMODE] != D3DFOG_NONE) {
      // Eye-space w when the device offers it and the projection gives a w.
      bool wFog = (st.rasterCaps & D3DPRASTERCAPS_WFOG) && proj._34 != 0;
      s.fog = wFog ? FogKind::TableW : FogKind::TableZ;
      s.fogFormula = rs[D3DRENDERSTATE_FOGTABLEMODE];
    } else {
      s.fog = FogKind::Vertex;
      s.fogFormula = rs[D3DRENDERSTATE_FOGVERTEXMODE];
    }
  }
  s.textureFactor = rs[D3DRENDERSTATE_TEXTUREFACTOR];
  for (int i = 0; i < 8; ++i) {
    const auto& ss = (*st.stageStates)[static_cast<size_t>(i)];
    std::copy(ss.begin(), ss.end(), s.stageStates[i]);
    s.textures[i] = textures_[i].Update(st.textures[i]) ? &textures_[i] : nullptr;
  }
  settings_ = s;
  pipeline_ = CompilePipeline(s, target);

  VertexProcessing& vp = processing_;
  const D3DTRANSFORMSTATETYPE worlds[4] = {D3DTRANSFORMSTATE_WORLD, D3DTRANSFORMSTATE_WORLD1,
                                           D3DTRANSFORMSTATE_WORLD2, D3DTRANSFORMSTATE_WORLD3};
  for (int k = 0; k < 4; ++k) {
    vp.world[k] = m[worlds[k]];
    vp.worldView[k] = Multiply(vp.world[k], m[D3DTRANSFORMSTATE_VIEW]);
    vp.worldViewProj[k] = Multiply(vp.worldView[k], proj);
  }
  vp.blendMatrices = static_cast<int>(std::min<DWORD>(rs[D3DRENDERSTATE_VERTEXBLEND], 3)) + 1;
  vp.vertexFog = s.fog == FogKind::Vertex;
  vp.fogFormula = s.fogFormula;
  vp.fogStart = s.fogStart;
  vp.fogEnd = s.fogEnd;
  vp.fogDensity = s.fogDensity;
  vp.rangeFog = s.rangeFog;
  vp.specular = s.specular;
  vp.userPlanes = rs[D3DRENDERSTATE_CLIPPLANEENABLE] & 0xFF;
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 4; ++j) vp.planes[i][j] = (*st.clipPlanes)[i][j];

  vp.lighting = rs[D3DRENDERSTATE_LIGHTING] != 0;
  vp.normalize = rs[D3DRENDERSTATE_NORMALIZENORMALS] != 0;
  vp.localViewer = rs[D3DRENDERSTATE_LOCALVIEWER] != 0;
  vp.colorVertex = rs[D3DRENDERSTATE_COLORVERTEX] != 0;
  vp.diffuseSource = rs[D3DRENDERSTATE_DIFFUSEMATERIALSOURCE];
  vp.specularSource = rs[D3DRENDERSTATE_SPECULARMATERIALSOURCE];
  vp.ambientSource = rs[D3DRENDERSTATE_AMBIENTMATERIALSOURCE];
  vp.emissiveSource = rs[D3DRENDERSTATE_EMISSIVEMATERIALSOURCE];
  const DWORD ambient = rs[D3DRENDERSTATE_AMBIENT];
  vp.globalAmbient[0] = ((ambient >> 16) & 255) / 255.0f;
  vp.globalAmbient[1] = ((ambient >> 8) & 255) / 255.0f;
  vp.globalAmbient[2] = (ambient & 255) / 255.0f;
  vp.material = *st.material;
  for (int k = 0; k < 4; ++k) vp.normalMatrix[k] = NormalMatrix(vp.worldView[k]);
  vp.lights.clear();
  const D3DMATRIX& view = m[D3DTRANSFORMSTATE_VIEW];
  for (size_t i = 0; i < st.lights->size(); ++i) {
    if (!(*st.lightEnabled)[i]) continue;
    const D3DLIGHT7& l = (*st.lights)[i];
    LightSetup ls;
    ls.type = l.dltType;
    Colour3(l.dcvDiffuse, ls.diffuse);
    Colour3(l.dcvSpecular, ls.specular);
    Colour3(l.dcvAmbient, ls.ambient);
    const D3DVECTOR& p = l.dvPosition;
    ls.position[0] = p.x * view._11 + p.y * view._21 + p.z * view._31 + view._41;
    ls.position[1] = p.x * view._12 + p.y * view._22 + p.z * view._32 + view._42;
    ls.position[2] = p.x * view._13 + p.y * view._23 + p.z * view._33 + view._43;
    const D3DVECTOR& d = l.dvDirection;
    ls.direction[0] = d.x * view._11 + d.y * view._21 + d.z * view._31;
    ls.direction[1] = d.x * view._12 + d.y * view._22 + d.z * view._32;
    ls.direction[2] = d.x * view._13 + d.y * view._23 + d.z * view._33;
    const float len =
        std::sqrt(ls.direction[0] * ls.direction[0] + ls.direction[1] * ls.direction[1] +
                  ls.direction[2] * ls.direction[2]);
    if (len > 0)
      for (float& c : ls.direction) c /= len;
    ls.range = l.dvRange;
    ls.falloff = l.dvFalloff;
    ls.att0 = l.dvAttenuation0;
    ls.att1 = l.dvAttenuation1;
    ls.att2 = l.dvAttenuation2;
    ls.cosHalfTheta = std::cos(l.dvTheta * 0.5f);
    ls.cosHalfPhi = std::cos(l.dvPhi * 0.5f);
    vp.lights.push_back(ls);
  }
  vp.texStages = pipeline_.combiner.stageCount;
  for (int i = 0; i < 8; ++i) {
    const auto& ss = (*st.stageStates)[static_cast<size_t>(i)];
    vp.texIndex[i] = ss[D3DTSS_TEXCOORDINDEX];
    vp.texTransform[i] = (ss[D3DTSS_TEXTURETRANSFORMFLAGS] & 0xFF) != D3DTTFF_DISABLE;
    vp.texMatrix[i] = st.textureTransforms[i];
  }

  const D3DVIEWPORT7& v = st.viewport;
  scissor_ = Rect{static_cast<int>(v.dwX), static_cast<int>(v.dwY),
                  static_cast<int>(std::min<DWORD>(v.dwX + v.dwWidth, target.width)),
                  static_cast<int>(std::min<DWORD>(v.dwY + v.dwHeight, target.height))};
  vpX_ = static_cast<float>(v.dwX);
  vpY_ = static_cast<float>(v.dwY);
  vpHalfW_ = v.dwWidth * 0.5f;
  vpHalfH_ = v.dwHeight * 0.5f;
  minZ_ = v.dvMinZ;
  zRange_ = v.dvMaxZ - v.dvMinZ;
  ready_ = true;
  return true;
}

ScreenVertex Renderer::Project(const ClipVertex& v) const {
  ScreenVertex s;
  float w = v.clip[3] > 1e-20f ? v.clip[3] : 1e-20f;
  float rhw = 1.0f / w;
  s.x = vpX_ + vpHalfW_ * (1.0f + v.clip[0] * rhw);
  s.y = vpY_ + vpHalfH_ * (1.0f - v.clip[1] * rhw);
  s.z = minZ_ + zRange_ * v.clip[2] * rhw;
  s.rhw = rhw;
  std::memcpy(s.color, v.color, sizeof s.color);
  std::memcpy(s.specular, v.specular, sizeof s.specular);
  std::memcpy(s.tex, v.tex, sizeof(float) * 2 * static_cast<size_t>(processing_.texStages));
  s.fog = v.fog;
  return s;
}

HRESULT Renderer::Draw(const DeviceState& st, D3DPRIMITIVETYPE type, const VertexLayout& layout,
                       const BYTE* data, int count, const WORD* indices, int indexCount) {
  // A texture written since the last draw is read again.
  for (int i = 0; i < 8 && st.textures; ++i)
    if (textures_[i].Stale(st.textures[i])) serial_ = ~std::uint64_t{0};
  if (!Prepare(st)) return DDERR_INVALIDPIXELFORMAT;
  if (count <= 0 || scissor_.Empty()) return D3D_OK;
  rhw_ = layout.rhw;
  screen_.resize(static_cast<size_t>(count));
  if (rhw_) {
    // Already transformed: used as given, neither lit nor clipped.
    for (int i = 0; i < count; ++i) {
      const BYTE* v = data + static_cast<std::ptrdiff_t>(i) * layout.stride;
      ScreenVertex& s = screen_[static_cast<size_t>(i)];
      std::memcpy(&s.x, v, 16);
      float specular[4];
      ReadColors(layout, v, s.color, specular);
      std::memcpy(s.specular, specular, sizeof s.specular);
      s.fog = settings_.fog == FogKind::Vertex ? specular[3] : 1.0f;
      static constexpr float kNoNormal[3] = {0, 0, 0};
      for (int k = 0; k < processing_.texStages; ++k)
        StageCoordinates(processing_, k, layout, v, kNoNormal, s.tex[k]);
    }
  } else {
    clip_.resize(static_cast<size_t>(count));
    outcodes_.resize(static_cast<size_t>(count));
    ProcessVertices(processing_, layout, data, count, clip_.data(), outcodes_.data());
    for (int i = 0; i < count; ++i)
      if (!outcodes_[static_cast<size_t>(i)])
        screen_[static_cast<size_t>(i)] = Project(clip_[static_cast<size_t>(i)]);
  }

  const int n = indices ? indexCount : count;
  auto at = [&](int i) { return indices ? static_cast<int>(indices[i]) : i; };
  auto valid = [count](int i) { return i < count; };
  switch (type) {
    case D3DPT_POINTLIST:
      for (int i = 0; i < n; ++i)
        if (valid(at(i))) Point(at(i));
      break;
    case D3DPT_LINELIST:
    case D3DPT_LINESTRIP: {
      const int step = type == D3DPT_LINELIST ? 2 : 1;
      for (int i = 0; i + 1 < n; i += step)
        if (valid(at(i)) && valid(at(i + 1))) Line(at(i), at(i + 1));
      break;
    }
    case D3DPT_TRIANGLELIST:
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: {
      const int step = type == D3DPT_TRIANGLELIST ? 3 : 1;
      for (int t = 0; t + 2 < n; t += step) {
        int a, b, c;
        // The first vertex is the one flat shading takes: 3t, t and t + 1.
        if (type == D3DPT_TRIANGLEFAN) {
          a = at(t + 1), b = at(t + 2), c = at(0);
        } else if (type == D3DPT_TRIANGLESTRIP && (t & 1)) {
          a = at(t), b = at(t + 2), c = at(t + 1);  // odd triangles turn the other way
        } else {
          a = at(t), b = at(t + 1), c = at(t + 2);
        }
        if (valid(a) && valid(b) && valid(c)) Triangle(a, b, c);
      }
      break;
    }
    default:
      return D3DERR_INVALIDPRIMITIVETYPE;
  }
  return D3D_OK;
}

void Renderer::Triangle(int i0, int i1, int i2) {
  const auto a = static_cast<size_t>(i0), b = static_cast<size_t>(i1), c = static_cast<size_t>(i2);
  if (rhw_) {
    ScreenTriangle(screen_[a], screen_[b], screen_[c]);
    return;
  }
  std::uint32_t o0 = outcodes_[a], o1 = outcodes_[b], o2 = outcodes_[c];
  if (o0 & o1 & o2) return;
  if (!(o0 | o1 | o2)) {
    ScreenTriangle(screen_[a], screen_[b], screen_[c]);
    return;
  }
  ClippedTriangle(i0, i1, i2, o0 | o1 | o2);
}

void Renderer::ScreenTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
  double area = ScreenArea(a, b, c);
  // Positive area is clockwise on screen (y down).
  if ((settings_.cull == D3DCULL_CW && area > 0) || (settings_.cull == D3DCULL_CCW && area < 0))
    return;
  switch (settings_.fill) {
    case D3DFILL_POINT:
      for (const ScreenVertex* v : {&a, &b, &c}) RasterizePoint(*v, scissor_, pipeline_);
      break;
    case D3DFILL_WIREFRAME: {
      // Every edge in the colour of the first vertex when flat.
      ScreenVertex e[3] = {a, b, c};
      if (!settings_.gouraud)
        for (auto& v : e) {
          std::memcpy(v.color, a.color, sizeof v.color);
          std::memcpy(v.specular, a.specular, sizeof v.specular);
        }
      for (int i = 0; i < 3; ++i)
        RasterizeLine(e[i], e[(i + 1) % 3], settings_.gouraud, scissor_, pipeline_);
      break;
    }
    default: {
      TriangleSetup setup;
      if (SetupTriangle(a, b, c, settings_.gouraud, &setup, processing_.texStages))
        RasterizeTriangle(setup, scissor_, pipeline_);
      break;
    }
  }
}

void Renderer::ClippedTriangle(int i0, int i1, int i2, std::uint32_t mask) {
  ClipVertex in[3] = {clip_[static_cast<size_t>(i0)], clip_[static_cast<size_t>(i1)],
                      clip_[static_cast<size_t>(i2)]};
  if (!settings_.gouraud)
    for (auto& v : in) {
      std::memcpy(v.color, in[0].color, sizeof v.color);
      std::memcpy(v.specular, in[0].specular, sizeof v.specular);
    }
  ClipVertex out[kMaxClipVertices];
  int n = ClipPolygon(in, 3, mask, out);
  if (n < 3) return;
  ScreenVertex s[kMaxClipVertices];
  for (int i = 0; i < n; ++i) s[i] = Project(out[i]);
  if (settings_.fill == D3DFILL_SOLID) {
    for (int i = 1; i + 1 < n; ++i) ScreenTriangle(s[0], s[i], s[i + 1]);
    return;
  }
  // Wire frames and points show the clipped polygon's outline and corners.
  double area = 0;
  for (int i = 1; i + 1 < n; ++i) area += ScreenArea(s[0], s[i], s[i + 1]);
  if ((settings_.cull == D3DCULL_CW && area > 0) || (settings_.cull == D3DCULL_CCW && area < 0))
    return;
  for (int i = 0; i < n; ++i) {
    if (settings_.fill == D3DFILL_POINT)
      RasterizePoint(s[i], scissor_, pipeline_);
    else
      RasterizeLine(s[i], s[(i + 1) % n], settings_.gouraud, scissor_, pipeline_);
  }
}

void Renderer::Line(int i0, int i1) {
  const auto a = static_cast<size_t>(i0), b = static_cast<size_t>(i1);
  if (rhw_) {
    RasterizeLine(screen_[a], screen_[b], settings_.gouraud, scissor_, pipeline_);
    return;
  }
  std::uint32_t o0 = outcodes_[a], o1 = outcodes_[b];
  if (o0 & o1) return;
  if (!(o0 | o1)) {
    RasterizeLine(screen_[a], screen_[b], settings_.gouraud, scissor_, pipeline_);
    return;
  }
  ClipVertex p = clip_[a], q = clip_[b];
  if (!ClipLine(p, q, o0 | o1)) return;
  ScreenVertex sp = Project(p), sq = Project(q);
  if (!settings_.gouraud) {
    std::memcpy(sq.color, sp.color, sizeof sq.color);
    std::memcpy(sq.specular, sp.specular, sizeof sq.specular);
  }
  RasterizeLine(sp, sq, settings_.gouraud, scissor_, pipeline_);
}

void Renderer::Point(int i) {
  const auto a = static_cast<size_t>(i);
  if (!rhw_ && outcodes_[a]) return;
  RasterizePoint(screen_[a], scissor_, pipeline_);
}

HRESULT Renderer::ClearDepth(const DeviceState& st, const D3DRECT* rects, DWORD count, float z) {
  if (!Prepare(st)) return DDERR_INVALIDPIXELFORMAT;
  const Target& t = pipeline_.target;
  if (!t.depth) return D3DERR_ZBUFFER_NOTPRESENT;
  const std::uint32_t q = QuantiseDepth(pipeline_, z), mask = t.depthMask;
  auto fill = [&](auto bytes, const Rect& r) {
    constexpr int B = decltype(bytes)::value;
    for (int y = r.y0; y < r.y1; ++y) {
      BYTE* p = t.depth + static_cast<std::ptrdiff_t>(y) * t.depthPitch +
                static_cast<std::ptrdiff_t>(r.x0) * B;
      for (int x = r.x0; x < r.x1; ++x, p += B) StoreWord<B>(p, (LoadWord<B>(p) & ~mask) | q);
    }
  };
  for (DWORD i = 0; i < count; ++i) {
    const D3DRECT& d = rects[i];
    Rect r{std::max<LONG>(d.x1, scissor_.x0), std::max<LONG>(d.y1, scissor_.y0),
           std::min<LONG>(d.x2, scissor_.x1), std::min<LONG>(d.y2, scissor_.y1)};
    if (r.Empty()) continue;
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
        return D3DERR_ZBUFFER_NOTPRESENT;
    }
  }
  return D3D_OK;
}

std::unique_ptr<Rasteriser> CreateSoftwareRasteriser() { return std::make_unique<Renderer>(); }

}  // namespace platform::raster
