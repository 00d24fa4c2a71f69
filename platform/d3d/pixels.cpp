#include "platform/d3d/pixels.h"

#include <cmath>
#include <type_traits>
#include <utility>

#include "platform/d3d/fog.h"
#include "platform/d3d/formats.h"

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

template <bool Gouraud, bool NeedW, bool VertexFog>
void Interpolate(const Interpolants& ip, Chunk& c) {
  const double x = c.x, y = c.y;
  const int n = c.n;
  if constexpr (Gouraud) {
    const Plane* planes[4] = {&ip.r, &ip.g, &ip.b, &ip.a};
    std::int32_t* out[4] = {c.r, c.g, c.b, c.a};
    for (int k = 0; k < 4; ++k) {
      const std::int32_t s = Fixed(planes[k]->At(x, y), kStartLimit);
      const std::int32_t d = Fixed(planes[k]->dx, kStepLimit);
      std::int32_t* o = out[k];
      for (int i = 0; i < n; ++i) o[i] = Clamp255((s + i * d) >> 16);
    }
  } else {
    // Flat: the setup put the first vertex's colour in c.
    const std::int32_t r = Clamp255(Fixed(ip.r.c, kStartLimit) >> 16),
                       g = Clamp255(Fixed(ip.g.c, kStartLimit) >> 16),
                       b = Clamp255(Fixed(ip.b.c, kStartLimit) >> 16),
                       a = Clamp255(Fixed(ip.a.c, kStartLimit) >> 16);
    for (int i = 0; i < n; ++i) {
      c.r[i] = r;
      c.g[i] = g;
      c.b[i] = b;
      c.a[i] = a;
    }
  }
  const float zs = static_cast<float>(ip.z.At(x, y)), dz = static_cast<float>(ip.z.dx);
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
  for (int i = 0; i < n; ++i) c.live[i] = 1;
}

// Wide: more than 24 depth bits, which float arithmetic cannot address.
template <bool W, int Bytes, bool Wide>
void Depth(const PixelPipeline& p, Chunk& c) {
  using Real = std::conditional_t<Wide, double, float>;
  const Target& t = p.target;
  BYTE* row = t.depth + static_cast<std::ptrdiff_t>(c.y) * t.depthPitch +
              static_cast<std::ptrdiff_t>(c.x) * Bytes;
  const std::uint32_t mask = t.depthMask, keep = ~mask;
  const Real scale = static_cast<Real>(p.depthScale);
  for (int i = 0; i < c.n; ++i) {
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

template <FogKind K>
void Fog(const PixelPipeline& p, Chunk& c) {
  for (int i = 0; i < c.n; ++i) {
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

template <PixelFormat F, bool Blend>
void Write(const PixelPipeline& p, Chunk& c) {
  using Fmt = Format<F>;
  const Target& t = p.target;
  BYTE* row = t.pixels + static_cast<std::ptrdiff_t>(c.y) * t.pitch +
              static_cast<std::ptrdiff_t>(c.x) * Fmt::kBytes;
  const std::uint8_t* dith = &p.dither[(c.y & 3) * 4];
  for (int i = 0; i < c.n; ++i) {
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

// Function tables over the state keys.
constexpr InterpolateFn kInterpolate[2][2][2] = {
    {{Interpolate<false, false, false>, Interpolate<false, false, true>},
     {Interpolate<false, true, false>, Interpolate<false, true, true>}},
    {{Interpolate<true, false, false>, Interpolate<true, false, true>},
     {Interpolate<true, true, false>, Interpolate<true, true, true>}}};

constexpr StageFn kDepth[2][4] = {
    {Depth<false, 2, false>, Depth<false, 3, false>, Depth<false, 4, false>, Depth<false, 4, true>},
    {Depth<true, 2, false>, Depth<true, 3, false>, Depth<true, 4, false>, Depth<true, 4, true>}};

constexpr StageFn kFog[4] = {nullptr, Fog<FogKind::Vertex>, Fog<FogKind::TableZ>,
                             Fog<FogKind::TableW>};

constexpr StageFn kWrite[4][2] = {
    {Write<PixelFormat::R5G6B5, false>, Write<PixelFormat::R5G6B5, true>},
    {Write<PixelFormat::X1R5G5B5, false>, Write<PixelFormat::X1R5G5B5, true>},
    {Write<PixelFormat::R8G8B8, false>, Write<PixelFormat::R8G8B8, true>},
    {Write<PixelFormat::X8R8G8B8, false>, Write<PixelFormat::X8R8G8B8, true>}};

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

PixelPipeline CompilePipeline(const RenderSettings& s, const Target& t) {
  PixelPipeline p;
  p.target = t;
  const bool depthOn = s.depthTest && t.depth && t.depthBytes >= 2 && t.depthBytes <= 4;
  const bool needW = (depthOn && s.wBuffer) || s.fog == FogKind::TableW;
  p.interpolate = kInterpolate[s.gouraud][needW][s.fog == FogKind::Vertex];
  if (depthOn) {
    p.depth = kDepth[s.wBuffer][t.depthBytes - 2 + (t.depthMask > 0xFFFFFFu)];
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
  p.fog = kFog[static_cast<int>(s.fog)];
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
  p.write = kWrite[static_cast<int>(t.format)][blending];
  return p;
}

std::uint32_t QuantiseDepth(const PixelPipeline& p, float depth) {
  double d = depth > 0 ? (depth < 1 ? depth : 1) : 0;
  return static_cast<std::uint32_t>(d * static_cast<double>(p.target.depthMask) + 0.5);
}

}  // namespace platform::raster
