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
  t->pixels = s->memory();
  t->pitch = s->pitch();
  t->width = s->width();
  t->height = s->height();
  t->depth = nullptr;
  if (z && z->memory() && z->width() >= s->width() && z->height() >= s->height()) {
    t->depth = z->memory();
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
  auto ds = std::make_shared<DrawState>();
  for (int i = 0; i < 8; ++i) {
    const auto& ss = (*st.stageStates)[static_cast<size_t>(i)];
    std::copy(ss.begin(), ss.end(), s.stageStates[i]);
    std::shared_ptr<Texture>& t = textures_[i];
    IDirectDrawSurface7* surface = st.textures[i];
    if (t->Stale(surface)) {
      if (t.use_count() > 1) t = std::make_shared<Texture>();
      // A surface drawn into as well is read once the drawing has landed.
      if (surface && (surface == st.target || surface == st.depth)) Finish();
    }
    s.textures[i] = t->Update(surface) ? t.get() : nullptr;
    ds->textures[i] = t;
  }
  settings_ = s;
  ds->pipeline = CompilePipeline(s, target);

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
  vp.texStages = ds->pipeline.combiner.stageCount;
  for (int i = 0; i < 8; ++i) {
    const auto& ss = (*st.stageStates)[static_cast<size_t>(i)];
    vp.texIndex[i] = ss[D3DTSS_TEXCOORDINDEX];
    vp.texTransform[i] = (ss[D3DTSS_TEXTURETRANSFORMFLAGS] & 0xFF) != D3DTTFF_DISABLE;
    vp.texMatrix[i] = st.textureTransforms[i];
  }

  const D3DVIEWPORT7& v = st.viewport;
  ds->scissor = Rect{static_cast<int>(v.dwX), static_cast<int>(v.dwY),
                     static_cast<int>(std::min<DWORD>(v.dwX + v.dwWidth, target.width)),
                     static_cast<int>(std::min<DWORD>(v.dwY + v.dwHeight, target.height))};
  ds->cull = s.cull;
  ds->fill = s.fill;
  ds->gouraud = s.gouraud;
  ds->texStages = vp.texStages;
  state_ = std::move(ds);
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
    if (textures_[i]->Stale(st.textures[i])) serial_ = ~std::uint64_t{0};
  if (!Prepare(st)) return DDERR_INVALIDPIXELFORMAT;
  if (count <= 0 || state_->scissor.Empty()) return D3D_OK;
  std::shared_ptr<Batch> batch = NewBatch();
  Batch& b = *batch;
  b.state = state_;
  rhw_ = layout.rhw;
  b.SetVertexCount(count);
  if (rhw_) {
    // Already transformed: used as given, neither lit nor clipped.
    for (int i = 0; i < count; ++i) {
      const BYTE* v = data + static_cast<std::ptrdiff_t>(i) * layout.stride;
      ScreenVertex& s = b.vertices[static_cast<size_t>(i)];
      std::memcpy(&s.x, v, 16);
      float specular[4];
      ReadColors(layout, v, s.color, specular);
      std::memcpy(s.specular, specular, sizeof s.specular);
      // The fog factor rides in the specular alpha; without a specular
      // colour the vertex is unfogged.
      s.fog = settings_.fog == FogKind::Vertex && layout.specular >= 0 ? specular[3] : 1.0f;
      static constexpr float kNoNormal[3] = {0, 0, 0};
      for (int k = 0; k < processing_.texStages; ++k)
        StageCoordinates(processing_, k, layout, v, kNoNormal, s.tex[k]);
    }
  } else {
    clip_.resize(static_cast<size_t>(count));
    outcodes_.resize(static_cast<size_t>(count));
    auto process = [&](int begin, int end) {
      ProcessVertices(processing_, layout,
                      data + static_cast<std::ptrdiff_t>(begin) * layout.stride, end - begin,
                      &clip_[static_cast<size_t>(begin)], &outcodes_[static_cast<size_t>(begin)]);
      for (int i = begin; i < end; ++i)
        if (!outcodes_[static_cast<size_t>(i)])
          b.vertices[static_cast<size_t>(i)] = Project(clip_[static_cast<size_t>(i)]);
    };
    // Each vertex on its own: large draws share the work out.
    constexpr int kParallelVertices = 2048;
    if (vertexThreads_ && count >= kParallelVertices)
      vertexThreads_->Run(count, process);
    else
      process(0, count);
  }

  const int n = indices ? indexCount : count;
  auto at = [&](int i) { return indices ? static_cast<int>(indices[i]) : i; };
  auto valid = [count](int i) { return i < count; };
  switch (type) {
    case D3DPT_POINTLIST:
      for (int i = 0; i < n; ++i)
        if (valid(at(i)) && (rhw_ || !outcodes_[static_cast<size_t>(at(i))]))
          b.Add(Primitive::Point, at(i));
      break;
    case D3DPT_LINELIST:
    case D3DPT_LINESTRIP: {
      const int step = type == D3DPT_LINELIST ? 2 : 1;
      for (int i = 0; i + 1 < n; i += step)
        if (valid(at(i)) && valid(at(i + 1))) Line(b, at(i), at(i + 1));
      break;
    }
    case D3DPT_TRIANGLELIST:
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: {
      const int step = type == D3DPT_TRIANGLELIST ? 3 : 1;
      for (int t = 0; t + 2 < n; t += step) {
        int i0, i1, i2;
        // The first vertex is the one flat shading takes: 3t, t and t + 1.
        if (type == D3DPT_TRIANGLEFAN) {
          i0 = at(t + 1), i1 = at(t + 2), i2 = at(0);
        } else if (type == D3DPT_TRIANGLESTRIP && (t & 1)) {
          i0 = at(t), i1 = at(t + 2), i2 = at(t + 1);  // odd triangles turn the other way
        } else {
          i0 = at(t), i1 = at(t + 1), i2 = at(t + 2);
        }
        if (valid(i0) && valid(i1) && valid(i2)) Triangle(b, i0, i1, i2);
      }
      break;
    }
    default:
      return D3DERR_INVALIDPRIMITIVETYPE;
  }
  Run(std::move(batch));
  return D3D_OK;
}

void Renderer::Triangle(Batch& b, int i0, int i1, int i2) {
  if (!rhw_) {
    const std::uint32_t o0 = outcodes_[static_cast<size_t>(i0)],
                        o1 = outcodes_[static_cast<size_t>(i1)],
                        o2 = outcodes_[static_cast<size_t>(i2)];
    if (o0 & o1 & o2) return;
    if (o0 | o1 | o2) {
      ClippedTriangle(b, i0, i1, i2, o0 | o1 | o2);
      return;
    }
  }
  b.Add(Primitive::Triangle, i0, i1, i2);
}

void Renderer::ClippedTriangle(Batch& b, int i0, int i1, int i2, std::uint32_t mask) {
  ClipVertex in[3] = {clip_[static_cast<size_t>(i0)], clip_[static_cast<size_t>(i1)],
                      clip_[static_cast<size_t>(i2)]};
  if (!settings_.gouraud)
    for (auto& v : in) {
      std::memcpy(v.color, in[0].color, sizeof v.color);
      std::memcpy(v.specular, in[0].specular, sizeof v.specular);
    }
  ClipVertex out[kMaxClipVertices];
  const int n = ClipPolygon(in, 3, mask, out);
  if (n < 3) return;
  const int first = b.vertexCount;
  for (int i = 0; i < n; ++i) b.AddVertex(Project(out[i]));
  if (settings_.fill == D3DFILL_SOLID) {
    for (int i = 1; i + 1 < n; ++i) b.Add(Primitive::Triangle, first, first + i, first + i + 1);
    return;
  }
  // Wire frames and points show the clipped polygon's outline and corners.
  const ScreenVertex* s = &b.vertices[static_cast<size_t>(first)];
  double area = 0;
  for (int i = 1; i + 1 < n; ++i) area += ScreenArea(s[0], s[i], s[i + 1]);
  if ((settings_.cull == D3DCULL_CW && area > 0) || (settings_.cull == D3DCULL_CCW && area < 0))
    return;
  for (int i = 0; i < n; ++i) {
    if (settings_.fill == D3DFILL_POINT)
      b.Add(Primitive::Point, first + i);
    else
      b.Add(Primitive::Line, first + i, first + (i + 1) % n);
  }
}

void Renderer::Line(Batch& b, int i0, int i1) {
  const auto a = static_cast<size_t>(i0), c = static_cast<size_t>(i1);
  if (!rhw_) {
    const std::uint32_t o0 = outcodes_[a], o1 = outcodes_[c];
    if (o0 & o1) return;
    if (o0 | o1) {
      ClipVertex p = clip_[a], q = clip_[c];
      if (!ClipLine(p, q, o0 | o1)) return;
      ScreenVertex sp = Project(p), sq = Project(q);
      if (!settings_.gouraud) {
        std::memcpy(sq.color, sp.color, sizeof sq.color);
        std::memcpy(sq.specular, sp.specular, sizeof sq.specular);
      }
      const int first = b.AddVertex(sp);
      b.Add(Primitive::Line, first, b.AddVertex(sq));
      return;
    }
  }
  b.Add(Primitive::Line, i0, i1);
}

HRESULT Renderer::ClearDepth(const DeviceState& st, const D3DRECT* rects, DWORD count, float z) {
  if (!Prepare(st)) return DDERR_INVALIDPIXELFORMAT;
  const PixelPipeline& p = state_->pipeline;
  const Target& t = p.target;
  if (!t.depth) return D3DERR_ZBUFFER_NOTPRESENT;
  std::shared_ptr<Batch> batch = NewBatch();
  batch->state = state_;
  batch->depthValue = QuantiseDepth(p, z);
  const Rect& clip = state_->scissor;
  for (DWORD i = 0; i < count; ++i) {
    const D3DRECT& d = rects[i];
    Rect r{std::max<LONG>(d.x1, clip.x0), std::max<LONG>(d.y1, clip.y0),
           std::min<LONG>(d.x2, clip.x1), std::min<LONG>(d.y2, clip.y1)};
    if (!r.Empty()) batch->depthRects.push_back(r);
  }
  if (batch->depthRects.empty()) return D3D_OK;
  if (t.depthBytes < 2 || t.depthBytes > 4) return D3DERR_ZBUFFER_NOTPRESENT;
  Run(std::move(batch));
  return D3D_OK;
}

Renderer::Renderer(int threads) {
  for (auto& t : textures_) t = std::make_shared<Texture>();
  if (threads > 1) {
    workers_ = std::make_unique<Workers>(threads);
    vertexThreads_ = std::make_unique<ParallelFor>(threads);
  }
}

void Renderer::Finish() {
  if (workers_) workers_->Finish();
}

std::shared_ptr<Batch> Renderer::NewBatch() {
  // Only the queue of Workers and this pool hold batches, and the queue
  // lets them go on this thread: a count of one is a batch nobody reads.
  if (workers_) workers_->Collect();
  for (const std::shared_ptr<Batch>& b : pool_)
    if (b.use_count() == 1) {
      b->Clear();
      return b;
    }
  auto b = std::make_shared<Batch>();
  constexpr size_t kPool = 8;
  if (pool_.size() < kPool) pool_.push_back(b);
  return b;
}

void Renderer::Run(std::shared_ptr<Batch> b) {
  if (workers_)
    workers_->Submit(std::move(b));
  else
    RunBatch(*b, Rows{});
}

std::unique_ptr<Rasteriser> CreateSoftwareRasteriser() {
  return CreateSoftwareRasteriser(RasterThreadCount());
}

std::unique_ptr<Rasteriser> CreateSoftwareRasteriser(int threads) {
  return std::make_unique<Renderer>(std::clamp(threads, 1, kMaxThreads));
}

}  // namespace platform::raster
