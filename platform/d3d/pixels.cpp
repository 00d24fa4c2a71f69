#include "platform/d3d/pixels.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <type_traits>
#include <utility>

#include "platform/d3d/fog.h"
#include "platform/d3d/formats.h"
#include "platform/d3d/simd.h"

namespace platform::raster {
namespace {

constexpr std::uint8_t kBayer[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};

// Colour planes in 16.16 fixed point. Bounded so that 64 steps stay inside
// 32 bits: a slope beyond 256 levels a pixel saturates anyway.
std::int32_t Fixed(double v, double limit) {
  if (!(v > -limit)) v = -limit;
  if (v > limit) v = limit;
  v *= 65536.0;
  return static_cast<std::int32_t>(v >= 0 ? v + 0.5 : v - 0.5);
}
constexpr double kStartLimit = 8192.0, kStepLimit = 256.0;

inline std::int32_t Clamp255(std::int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

template <bool Gouraud, bool NeedW, bool VertexFog, VectorLevel L>
void Interpolate(const Interpolants& ip, Chunk& c) {
  constexpr bool Vector = L != VectorLevel::None;
  const double x = c.x, y = c.y;
  const int n = c.n;
  if constexpr (Gouraud) {
    const Plane* planes[4] = {&ip.r, &ip.g, &ip.b, &ip.a};
    std::int32_t* out[4] = {c.r, c.g, c.b, c.a};
    for (int k = 0; k < 4; ++k) {
      const std::int32_t s = Fixed(planes[k]->At(x, y), kStartLimit);
      const std::int32_t d = Fixed(planes[k]->dx, kStepLimit);
      std::int32_t* o = out[k];
      if constexpr (Vector)
        simd::Ramp255<L>(s, d, n, o);
      else
        for (int i = 0; i < n; ++i) o[i] = Clamp255((s + i * d) >> 16);
    }
  } else {
    // Flat: the setup put the first vertex's colour in c.
    const std::int32_t r = Clamp255(Fixed(ip.r.c, kStartLimit) >> 16),
                       g = Clamp255(Fixed(ip.g.c, kStartLimit) >> 16),
                       b = Clamp255(Fixed(ip.b.c, kStartLimit) >> 16),
                       a = Clamp255(Fixed(ip.a.c, kStartLimit) >> 16);
    for (int i = 0; i < (Vector ? simd::Lanes(n) : n); ++i) {
      c.r[i] = r;
      c.g[i] = g;
      c.b[i] = b;
      c.a[i] = a;
    }
  }
  const float zs = static_cast<float>(ip.z.At(x, y)), dz = static_cast<float>(ip.z.dx);
  if constexpr (Vector)
    simd::RampFloat<L>(zs, dz, n, c.z);
  else
    for (int i = 0; i < n; ++i) c.z[i] = zs + static_cast<float>(i) * dz;
  if constexpr (NeedW) {
    const double qs = ip.rhw.At(x, y), dq = ip.rhw.dx;
    for (int i = 0; i < n; ++i) {
      double q = qs + i * dq;
      c.w[i] = q > 1e-30 ? static_cast<float>(1.0 / q) : 1e30f;
    }
  }
  if constexpr (VertexFog) {
    const std::int32_t s = Fixed(ip.fog.At(x, y), kStartLimit), d = Fixed(ip.fog.dx, kStepLimit);
    for (int i = 0; i < n; ++i) c.fog[i] = Clamp255((s + i * d) >> 16);
  }
  const int lanes = Vector ? simd::Lanes(n) : n;
  for (int i = 0; i < lanes; ++i) c.live[i] = i < n;
}

// Wide: more than 24 depth bits, which float arithmetic cannot address.
template <bool W, int Bytes, bool Wide, VectorLevel L>
void Depth(const PixelPipeline& p, Chunk& c) {
  using Real = std::conditional_t<Wide, double, float>;
  const Target& t = p.target;
  BYTE* row = t.depth + static_cast<std::ptrdiff_t>(c.y) * t.depthPitch +
              static_cast<std::ptrdiff_t>(c.x) * Bytes;
  const std::uint32_t mask = t.depthMask, keep = ~mask;
  const Real scale = static_cast<Real>(p.depthScale);
  int i = 0;
  if constexpr (L != VectorLevel::None && !Wide && Bytes != 3) i = simd::Depth<L, W, Bytes>(p, c);
  for (; i < c.n; ++i) {
    Real d = W ? c.w[i] * p.wScale : c.z[i];
    d = d > 0 ? (d < 1 ? d : 1) : 0;  // NaN goes to 0
    auto q = static_cast<std::uint32_t>(d * scale + Real(0.5));
    q = q < mask ? q : mask;
    q = q > p.depthBias ? q - p.depthBias : 0;
    BYTE* at = row + i * Bytes;
    const std::uint32_t word = LoadWord<Bytes>(at), old = word & mask;
    const std::uint32_t idx =
        static_cast<std::uint32_t>(q >= old) + static_cast<std::uint32_t>(q > old);
    const std::uint8_t live = c.live[i] & static_cast<std::uint8_t>((p.depthCompare >> idx) & 1);
    c.live[i] = live;
    // Stored every time, changed only where written: no branch on the outcome.
    StoreWord<Bytes>(at, (p.depthWrite & live) ? (word & keep) | q : word);
  }
}

template <FogKind K, VectorLevel L>
void Fog(const PixelPipeline& p, Chunk& c) {
  int i = 0;
  if constexpr (L != VectorLevel::None) i = simd::Fog<L, K>(p, c);
  for (; i < c.n; ++i) {
    int f;
    if constexpr (K == FogKind::Vertex) {
      f = c.fog[i];
    } else {
      float d = (K == FogKind::TableZ ? c.z[i] : c.w[i]) * p.fogTableScale + 0.5f;
      int idx = d > 0 ? (d < 1023 ? static_cast<int>(d) : 1023) : 0;
      f = p.fogTable[idx];
    }
    int g = 255 - f;
    c.r[i] = (c.r[i] * f + p.fogR * g + 127) / 255;
    c.g[i] = (c.g[i] * f + p.fogG * g + 127) / 255;
    c.b[i] = (c.b[i] * f + p.fogB * g + 127) / 255;
  }
}

template <PixelFormat F, bool Blend, VectorLevel L>
void Write(const PixelPipeline& p, Chunk& c) {
  using Fmt = Format<F>;
  const Target& t = p.target;
  BYTE* row = t.pixels + static_cast<std::ptrdiff_t>(c.y) * t.pitch +
              static_cast<std::ptrdiff_t>(c.x) * Fmt::kBytes;
  const std::uint8_t* dith = &p.dither[(c.y & 3) * 4];
  int i = 0;
  if constexpr (L != VectorLevel::None) i = simd::WritePixels<L, F, Blend>(p, c);
  for (; i < c.n; ++i) {
    if (!c.live[i]) continue;
    BYTE* at = row + i * Fmt::kBytes;
    int r = c.r[i], g = c.g[i], b = c.b[i];
    if constexpr (Blend) {
      int dr, dg, db;
      Fmt::Unpack(LoadWord<Fmt::kBytes>(at), dr, dg, db);
      const int sa = c.a[i];
      const int* s = p.src;
      const int* d = p.dst;
      auto mix = [&](int sc, int dc) {
        int fs = s[0] + s[1] * sc + s[2] * sa + s[3] * dc;
        int fd = d[0] + d[1] * sc + d[2] * sa + d[3] * dc;
        int v = (sc * fs + dc * fd + 127) / 255;
        return v > 255 ? 255 : v;
      };
      r = mix(r, dr);
      g = mix(g, dg);
      b = mix(b, db);
    }
    StoreWord<Fmt::kBytes>(at, Fmt::Pack(r, g, b, dith[(c.x + i) & 3]));
  }
}

// Bilinear WRAP sampling of a power-of-two level: the common case, with
// masks instead of the general addressing.
inline std::uint32_t BilinearWrapPow2(const TextureLevel& l, float u, float v) {
  // Fixed point with 8 fraction bits, offset by 2^32 texels (a multiple of
  // any power-of-two size) so it stays positive; the masks then wrap.
  constexpr double kLimit = 1073741824.0, kOffset = 1099511627776.0;  // 2^30, 2^40
  double fx = static_cast<double>(u) * l.width - 0.5, fy = static_cast<double>(v) * l.height - 0.5;
  fx = fx > -kLimit ? (fx < kLimit ? fx : kLimit) : -kLimit;  // NaN too
  fy = fy > -kLimit ? (fy < kLimit ? fy : kLimit) : -kLimit;
  const auto ix = static_cast<std::int64_t>(fx * 256.0 + kOffset);
  const auto iy = static_cast<std::int64_t>(fy * 256.0 + kOffset);
  const auto wx = static_cast<std::uint32_t>(ix & 255), wy = static_cast<std::uint32_t>(iy & 255);
  const int mx = l.width - 1, my = l.height - 1;
  const int x0 = static_cast<int>((ix >> 8) & mx), y0 = static_cast<int>((iy >> 8) & my);
  const int x1 = (x0 + 1) & mx, y1 = (y0 + 1) & my;
  const std::uint32_t* row0 = &l.texels[static_cast<size_t>(y0) * static_cast<size_t>(l.width)];
  const std::uint32_t* row1 = &l.texels[static_cast<size_t>(y1) * static_cast<size_t>(l.width)];
  auto mix = [](std::uint32_t a, std::uint32_t b, std::uint32_t w) {
    const std::uint32_t iw = 256 - w;
    std::uint32_t rb = ((a & 0x00FF00FF) * iw + (b & 0x00FF00FF) * w + 0x00800080) >> 8;
    std::uint32_t ag = ((a >> 8) & 0x00FF00FF) * iw + ((b >> 8) & 0x00FF00FF) * w + 0x00800080;
    return (rb & 0x00FF00FF) | (ag & 0xFF00FF00);
  };
  return mix(mix(row0[x0], row0[x1], wx), mix(row1[x0], row1[x1], wx), wy);
}

inline bool IsPow2(int v) { return v > 0 && (v & (v - 1)) == 0; }

// Sample for each pixel's level of detail on the vector path: the pixels
// that read the same level with the same filter are gathered and sampled
// together (a chunk spans a few levels at most), the second level of a
// trilinear sample mixed in afterwards.
template <VectorLevel L>
void SampleMipmapped(const Sampler& sm, const float* lods, const float* us, const float* vs, int n,
                     std::uint32_t* out) {
  const auto& levels = sm.texture->levels();
  SamplePlan plans[kChunk];
  for (int i = 0; i < n; ++i) plans[i] = PlanSample(sm, lods[i]);
  alignas(32) float gu[kChunk], gv[kChunk];
  alignas(32) std::uint32_t got[kChunk];
  std::uint8_t at[kChunk];
  for (int pass = 0; pass < 2; ++pass) {
    auto levelOf = [pass](const SamplePlan& p) { return pass == 0 ? p.level : p.second; };
    std::uint64_t pending = 0;
    for (int i = 0; i < n; ++i)
      if (levelOf(plans[i]) >= 0) pending |= std::uint64_t{1} << i;
    while (pending) {
      const SamplePlan& first = plans[std::countr_zero(pending)];
      const int level = levelOf(first);
      const bool linear = first.linear;
      int k = 0;
      for (std::uint64_t rest = pending; rest; rest &= rest - 1) {
        const int i = std::countr_zero(rest);
        if (levelOf(plans[i]) != level || plans[i].linear != linear) continue;
        gu[k] = us[i], gv[k] = vs[i], at[k++] = static_cast<std::uint8_t>(i);
        pending &= ~(std::uint64_t{1} << i);
      }
      for (int j = k; j < simd::Lanes(k); ++j) gu[j] = gv[j] = 0;
      simd::SampleLevel<L>(sm, levels[static_cast<size_t>(level)], linear, gu, gv, k, got);
      for (int j = 0; j < k; ++j)
        out[at[j]] = pass == 0 ? got[j] : MixTexels(out[at[j]], got[j], plans[at[j]].weight);
    }
  }
  for (int i = n; i < simd::Lanes(n); ++i) out[i] = 0;
}

template <VectorLevel L>
void ShadeChunk(const PixelPipeline& p, Chunk& c) {
  const Interpolants& ip = *c.values;
  const double x0 = c.x, y = c.y;
  const int n = c.n;
  constexpr bool vector = L != VectorLevel::None;
  const int lanes = vector ? simd::Lanes(n) : n;  // what the vector loops read
  alignas(32) std::uint32_t tex[8][kChunk];
  alignas(32) float us[kChunk], vs[kChunk], lods[kChunk];
  for (int s = 0; s < p.combiner.stageCount; ++s) {
    const StageSetup& st = p.combiner.stages[s];
    if (!st.readsTexture) continue;
    if (!st.sampler.texture) {
      for (int i = 0; i < lanes; ++i) tex[s][i] = 0xFFFFFFFFu;
      continue;
    }
    const auto& levels = st.sampler.texture->levels();
    const auto& level0 = levels.front();
    const double w = level0.width, h = level0.height;
    const Plane& U = ip.tu[s];
    const Plane& V = ip.tv[s];
    const Plane& Q = ip.rhw;
    // The level of detail matters only when it can change the filter or the
    // level; without a mip filter a chain of levels is never read below its base.
    const bool mipmapped =
        levels.size() > 1 && (st.sampler.mip == D3DTFP_POINT || st.sampler.mip == D3DTFP_LINEAR);
    const bool needLod = mipmapped || st.sampler.magLinear != st.sampler.minLinear;
    const double u0 = U.At(x0, y), v0 = V.At(x0, y), q0 = Q.At(x0, y);
    if (!needLod && Q.dx == 0) {
      // w constant along the row: u and v are linear in x.
      const double iq = std::fabs(q0) > 1e-30 ? 1.0 / q0 : 1e30;
      const float us0 = static_cast<float>(u0 * iq), dus = static_cast<float>(U.dx * iq);
      const float vs0 = static_cast<float>(v0 * iq), dvs = static_cast<float>(V.dx * iq);
      if constexpr (vector) {
        simd::RampFloat<L>(us0, dus, n, us);
        simd::RampFloat<L>(vs0, dvs, n, vs);
      } else {
        for (int i = 0; i < n; ++i) {
          us[i] = us0 + static_cast<float>(i) * dus;
          vs[i] = vs0 + static_cast<float>(i) * dvs;
        }
      }
    } else {
      for (int i = n; i < lanes; ++i) us[i] = vs[i] = 0;
    }
    for (int i = 0; i < n && (needLod || Q.dx != 0); ++i) {
      double q = q0 + i * Q.dx;
      if (!(std::fabs(q) > 1e-30)) q = 1e-30;
      const double iq = 1.0 / q;
      const double u = (u0 + i * U.dx) * iq, v = (v0 + i * V.dx) * iq;
      us[i] = static_cast<float>(u);
      vs[i] = static_cast<float>(v);
      if (needLod) {
        // The texel footprint from the derivatives of u = U/Q.
        const double dux = (U.dx - u * Q.dx) * iq * w, dvx = (V.dx - v * Q.dx) * iq * h;
        const double duy = (U.dy - u * Q.dy) * iq * w, dvy = (V.dy - v * Q.dy) * iq * h;
        const double rho2 = std::max(dux * dux + dvx * dvx, duy * duy + dvy * dvy);
        lods[i] = rho2 > 0 ? static_cast<float>(0.5 * std::log2(rho2)) : -64.0f;
      }
    }
    const Sampler& sm = st.sampler;
    if (!needLod && sm.magLinear && sm.addressU == D3DTADDRESS_WRAP &&
        sm.addressV == D3DTADDRESS_WRAP && IsPow2(level0.width) && IsPow2(level0.height) &&
        sm.maxLevel == 0) {
      if constexpr (vector)
        simd::BilinearWrapPow2<L>(level0, us, vs, n, tex[s]);
      else
        for (int i = 0; i < n; ++i) tex[s][i] = BilinearWrapPow2(level0, us[i], vs[i]);
    } else if (vector && !needLod && level0.width <= simd::kMaxVectorSize &&
               level0.height <= simd::kMaxVectorSize) {
      // One level, one filter: what Sample reads without a level of detail.
      const int base = std::clamp(sm.maxLevel, 0, static_cast<int>(levels.size()) - 1);
      if constexpr (vector)
        simd::SampleLevel<L>(sm, levels[static_cast<size_t>(base)], sm.magLinear, us, vs, n,
                             tex[s]);
    } else if (vector && level0.width <= simd::kMaxVectorSize &&
               level0.height <= simd::kMaxVectorSize) {
      if constexpr (vector) SampleMipmapped<L>(sm, lods, us, vs, n, tex[s]);
    } else {
      for (int i = 0; i < n; ++i) tex[s][i] = Sample(sm, us[i], vs[i], needLod ? lods[i] : -64.0f);
      for (int i = n; i < lanes; ++i) tex[s][i] = 0;
    }
  }
  alignas(32) std::int32_t sr[kChunk], sg[kChunk], sb[kChunk];
  if (p.combiner.readsSpecular) {
    const Plane* planes[3] = {&ip.sr, &ip.sg, &ip.sb};
    std::int32_t* out[3] = {sr, sg, sb};
    for (int k = 0; k < 3; ++k) {
      const double s0 = planes[k]->At(x0, y), d = planes[k]->dx;
      for (int i = 0; i < n; ++i) out[k][i] = Clamp255(static_cast<std::int32_t>(s0 + i * d + 0.5));
    }
  }
  if constexpr (vector) {
    if (p.combiner.modulateOnly) {
      simd::Modulate<L>(c, tex[0]);
      return;
    }
  }
  CombineChunk(p.combiner, tex, sr, sg, sb, c);
}

// Function tables over the state keys.
template <VectorLevel V>
constexpr InterpolateFn kInterpolateOf[2][2][2] = {
    {{Interpolate<false, false, false, V>, Interpolate<false, false, true, V>},
     {Interpolate<false, true, false, V>, Interpolate<false, true, true, V>}},
    {{Interpolate<true, false, false, V>, Interpolate<true, false, true, V>},
     {Interpolate<true, true, false, V>, Interpolate<true, true, true, V>}}};

template <VectorLevel V>
constexpr StageFn kDepthOf[2][4] = {{Depth<false, 2, false, V>, Depth<false, 3, false, V>,
                                     Depth<false, 4, false, V>, Depth<false, 4, true, V>},
                                    {Depth<true, 2, false, V>, Depth<true, 3, false, V>,
                                     Depth<true, 4, false, V>, Depth<true, 4, true, V>}};

template <VectorLevel V>
constexpr StageFn kFogOf[4] = {nullptr, Fog<FogKind::Vertex, V>, Fog<FogKind::TableZ, V>,
                               Fog<FogKind::TableW, V>};

// A stage's table at the pipeline's vector level.
template <typename Table>
const auto& AtLevel(VectorLevel v, const Table& none, const Table& sse2, const Table& avx2) {
  return v == VectorLevel::Avx2 ? avx2 : v == VectorLevel::Sse2 ? sse2 : none;
}

template <VectorLevel V>
constexpr StageFn kWriteOf[4][2] = {
    {Write<PixelFormat::R5G6B5, false, V>, Write<PixelFormat::R5G6B5, true, V>},
    {Write<PixelFormat::X1R5G5B5, false, V>, Write<PixelFormat::X1R5G5B5, true, V>},
    {Write<PixelFormat::R8G8B8, false, V>, Write<PixelFormat::R8G8B8, true, V>},
    {Write<PixelFormat::X8R8G8B8, false, V>, Write<PixelFormat::X8R8G8B8, true, V>}};

// Blend factors as k0·255 + ks·Sc + ksa·Sa + kd·Dc. Our targets have no alpha
// channel, so the destination alpha reads as 1.
void Factor(DWORD blend, int* k, bool source) {
  k[0] = k[1] = k[2] = k[3] = 0;
  switch (blend) {
    case D3DBLEND_ZERO:
    case D3DBLEND_INVDESTALPHA:
      break;
    case D3DBLEND_ONE:
    case D3DBLEND_DESTALPHA:
      k[0] = 255;
      break;
    case D3DBLEND_SRCCOLOR:
      k[1] = 1;
      break;
    case D3DBLEND_INVSRCCOLOR:
      k[0] = 255, k[1] = -1;
      break;
    case D3DBLEND_SRCALPHA:
      k[2] = 1;
      break;
    case D3DBLEND_INVSRCALPHA:
      k[0] = 255, k[2] = -1;
      break;
    case D3DBLEND_DESTCOLOR:
      k[3] = 1;
      break;
    case D3DBLEND_INVDESTCOLOR:
      k[0] = 255, k[3] = -1;
      break;
    default:  // not a factor we offer: the default of that side
      k[0] = source ? 255 : 0;
      break;
  }
}

}  // namespace

void PixelPipeline::Run(Chunk& c) const {
  if (shade) shade(*this, c);
  if (alphaTest) {
    for (int i = 0; i < c.n; ++i) {
      int a = c.a[i];
      std::uint32_t idx =
          static_cast<std::uint32_t>(a >= alphaRef) + static_cast<std::uint32_t>(a > alphaRef);
      c.live[i] &= static_cast<std::uint8_t>((alphaCompare >> idx) & 1);
    }
  }
  if (depth) depth(*this, c);
  if (fog) fog(*this, c);
  write(*this, c);
}

PixelPipeline CompilePipeline(const RenderSettings& s, const Target& t, VectorLevel most) {
  PixelPipeline p;
  p.target = t;
  p.vector = std::min(most, simd::Supported());
  const bool depthOn = s.depthTest && t.depth && t.depthBytes >= 2 && t.depthBytes <= 4;
  const bool needW = (depthOn && s.wBuffer) || s.fog == FogKind::TableW;
  const auto& interpolate =
      AtLevel(p.vector, kInterpolateOf<VectorLevel::None>, kInterpolateOf<VectorLevel::Sse2>,
              kInterpolateOf<VectorLevel::Avx2>);
  p.interpolate = interpolate[s.gouraud][needW][s.fog == FogKind::Vertex];
  if (depthOn) {
    const auto& depth = AtLevel(p.vector, kDepthOf<VectorLevel::None>, kDepthOf<VectorLevel::Sse2>,
                                kDepthOf<VectorLevel::Avx2>);
    p.depth = depth[s.wBuffer][t.depthBytes - 2 + (t.depthMask > 0xFFFFFFu)];
    p.depthCompare = (s.depthFunc >= D3DCMP_NEVER && s.depthFunc <= D3DCMP_ALWAYS)
                         ? s.depthFunc - 1
                         : D3DCMP_LESSEQUAL - 1;
    p.depthWrite = s.depthWrite;
    p.depthScale = t.depthMask;
    // A bias step is two units of a 16-bit buffer, whatever the buffer's depth.
    p.depthBias = static_cast<std::uint32_t>(static_cast<double>(s.depthBias) * 2.0 *
                                             (static_cast<double>(t.depthMask) / 65535.0));
    p.wScale = s.farW > 0 ? 1.0f / s.farW : 1.0f;
  }
  p.alphaTest = s.alphaTest;
  p.alphaRef = s.alphaRef;
  p.alphaCompare = (s.alphaFunc >= D3DCMP_NEVER && s.alphaFunc <= D3DCMP_ALWAYS)
                       ? s.alphaFunc - 1
                       : D3DCMP_ALWAYS - 1;
  p.fog = AtLevel(p.vector, kFogOf<VectorLevel::None>, kFogOf<VectorLevel::Sse2>,
                  kFogOf<VectorLevel::Avx2>)[static_cast<int>(s.fog)];
  if (s.fog != FogKind::None) {
    p.fogR = (s.fogColor >> 16) & 255;
    p.fogG = (s.fogColor >> 8) & 255;
    p.fogB = s.fogColor & 255;
  }
  if (s.fog == FogKind::TableZ || s.fog == FogKind::TableW) {
    float range = s.fog == FogKind::TableZ ? 1.0f : (s.farW > 0 ? s.farW : 1.0f);
    p.fogTableScale = 1023.0f / range;
    for (int i = 0; i < 1024; ++i) {
      float d = range * static_cast<float>(i) / 1023.0f;
      float f = FogFactor(s.fogFormula, d, s.fogStart, s.fogEnd, s.fogDensity);
      p.fogTable[i] = static_cast<std::uint8_t>(f * 255.0f + 0.5f);
    }
  }
  const bool blending = s.blend && !(s.srcBlend == D3DBLEND_ONE && s.dstBlend == D3DBLEND_ZERO);
  if (blending) {
    Factor(s.srcBlend, p.src, true);
    Factor(s.dstBlend, p.dst, false);
  }
  if (s.dither && (t.format == PixelFormat::R5G6B5 || t.format == PixelFormat::X1R5G5B5))
    for (int i = 0; i < 16; ++i) p.dither[i] = kBayer[i];
  const auto& write = AtLevel(p.vector, kWriteOf<VectorLevel::None>, kWriteOf<VectorLevel::Sse2>,
                              kWriteOf<VectorLevel::Avx2>);
  p.write = write[static_cast<int>(t.format)][blending];

  p.combiner = CompileCombiner(s);
  constexpr StageFn kShade[3] = {ShadeChunk<VectorLevel::None>, ShadeChunk<VectorLevel::Sse2>,
                                 ShadeChunk<VectorLevel::Avx2>};  // in VectorLevel's order
  p.shade = p.combiner.passesDiffuse ? nullptr : kShade[static_cast<int>(p.vector)];
  return p;
}

std::uint32_t QuantiseDepth(const PixelPipeline& p, float depth) {
  double d = depth > 0 ? (depth < 1 ? depth : 1) : 0;
  return static_cast<std::uint32_t>(d * static_cast<double>(p.target.depthMask) + 0.5);
}

}  // namespace platform::raster
