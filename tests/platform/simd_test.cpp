// The vector loops of the pixel stages against the plain per-pixel loops:
// the same random chunks through a pipeline compiled each way must leave the
// same colours, depths and chunk values, state by state.
#include "platform/d3d/simd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <ostream>
#include <random>
#include <vector>

#include "platform/d3d/pixels.h"
#include "platform/d3d/texture.h"
#include "platform/fakehardware.h"
#include "tests/platform/raster_support.h"

namespace raster = platform::raster;

namespace {

constexpr int kWidth = 150, kHeight = 20;

struct StateCase {
  const char* name;
  raster::PixelFormat format;
  bool blend;
  DWORD srcBlend, dstBlend;
  int texWidth, texHeight;  // 0: no texture stage
  DWORD filter;             // D3DTFG_
  DWORD address;
  bool gouraud;
  bool perspective;  // rhw changes along the row
  bool depth;
  raster::FogKind fog;
  bool alphaTest;
  DWORD addressV = 0;  // 0: as address
  bool dither = false;
  DWORD border = 0x80FF4020;
  int depthBytes = 4;
  bool wBuffer = false;
  DWORD depthFunc = D3DCMP_LESSEQUAL;
  DWORD mip = D3DTFP_NONE;  // a full chain of levels when not NONE
  DWORD minFilter = 0;      // 0: as filter
};

const StateCase kStates[] = {
    // The fill benchmark's state and its neighbours.
    {"ModulateBlend", raster::PixelFormat::X8R8G8B8, true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA,
     256, 256, D3DTFG_LINEAR, D3DTADDRESS_WRAP, true, false, false, raster::FogKind::None, false},
    {"ModulateOpaque", raster::PixelFormat::X8R8G8B8, false, D3DBLEND_ONE, D3DBLEND_ZERO, 64, 16,
     D3DTFG_LINEAR, D3DTADDRESS_WRAP, true, false, false, raster::FogKind::None, false},
    {"TinyTexture", raster::PixelFormat::X8R8G8B8, true, D3DBLEND_ONE, D3DBLEND_ONE, 1, 2,
     D3DTFG_LINEAR, D3DTADDRESS_WRAP, true, false, false, raster::FogKind::None, false},
    {"Perspective", raster::PixelFormat::X8R8G8B8, true, D3DBLEND_SRCCOLOR, D3DBLEND_INVSRCCOLOR,
     32, 128, D3DTFG_LINEAR, D3DTADDRESS_WRAP, true, true, false, raster::FogKind::None, false},
    {"FlatWithDepth", raster::PixelFormat::X8R8G8B8, true, D3DBLEND_DESTCOLOR,
     D3DBLEND_INVDESTCOLOR, 8, 8, D3DTFG_LINEAR, D3DTADDRESS_WRAP, false, false, true,
     raster::FogKind::None, false},
    {"ClampedTexture", raster::PixelFormat::X8R8G8B8, true, D3DBLEND_INVSRCALPHA, D3DBLEND_SRCALPHA,
     16, 16, D3DTFG_LINEAR, D3DTADDRESS_CLAMP, true, false, false, raster::FogKind::None, false},
    {"PointSampled", raster::PixelFormat::X8R8G8B8, true, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, 16, 16,
     D3DTFG_POINT, D3DTADDRESS_WRAP, true, false, false, raster::FogKind::None, false},
    {"GouraudOnly", raster::PixelFormat::X8R8G8B8, false, D3DBLEND_ONE, D3DBLEND_ZERO, 0, 0, 0, 0,
     true, false, true, raster::FogKind::None, false},
    {"FogAndAlphaTest", raster::PixelFormat::X8R8G8B8, true, D3DBLEND_SRCALPHA, D3DBLEND_ONE, 64,
     64, D3DTFG_LINEAR, D3DTADDRESS_WRAP, true, false, true, raster::FogKind::Vertex, true},
    {"TableFogPerspective", raster::PixelFormat::X8R8G8B8, false, D3DBLEND_ONE, D3DBLEND_ZERO, 128,
     4, D3DTFG_LINEAR, D3DTADDRESS_WRAP, true, true, true, raster::FogKind::TableW, false},
    {"SixteenBitTarget", raster::PixelFormat::R5G6B5, true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA,
     256, 256, D3DTFG_LINEAR, D3DTADDRESS_WRAP, true, false, false, raster::FogKind::None, false},
    {"TwentyFourBitTarget", raster::PixelFormat::R8G8B8, false, D3DBLEND_ONE, D3DBLEND_ZERO, 32, 32,
     D3DTFG_LINEAR, D3DTADDRESS_WRAP, false, false, true, raster::FogKind::None, false},
    // Every addressing mode on either axis, sizes not a power of two, point
    // and bilinear, the 16-bit targets with dither.
    {"MirrorClampNpot", raster::PixelFormat::X8R8G8B8, true, D3DBLEND_SRCALPHA,
     D3DBLEND_INVSRCALPHA, 48, 20, D3DTFG_LINEAR, D3DTADDRESS_MIRROR, true, false, false,
     raster::FogKind::None, false, D3DTADDRESS_CLAMP},
    {"ClampMirrorSixteenBitDither", raster::PixelFormat::R5G6B5, false, D3DBLEND_ONE, D3DBLEND_ZERO,
     256, 256, D3DTFG_LINEAR, D3DTADDRESS_CLAMP, true, false, false, raster::FogKind::None, false,
     D3DTADDRESS_MIRROR, true},
    {"BorderWrapNpot", raster::PixelFormat::X8R8G8B8, false, D3DBLEND_ONE, D3DBLEND_ZERO, 30, 7,
     D3DTFG_LINEAR, D3DTADDRESS_BORDER, true, true, false, raster::FogKind::None, false,
     D3DTADDRESS_WRAP},
    {"WrapBorderPoint", raster::PixelFormat::X8R8G8B8, true, D3DBLEND_ONE, D3DBLEND_ONE, 33, 64,
     D3DTFG_POINT, D3DTADDRESS_WRAP, true, false, false, raster::FogKind::None, false,
     D3DTADDRESS_BORDER},
    {"MirrorPointPow2", raster::PixelFormat::X1R5G5B5, true, D3DBLEND_SRCALPHA,
     D3DBLEND_INVSRCALPHA, 16, 32, D3DTFG_POINT, D3DTADDRESS_MIRROR, true, false, false,
     raster::FogKind::None, false, 0, true},
    {"ClampPointNpotDepthFog", raster::PixelFormat::R8G8B8, true, D3DBLEND_SRCALPHA,
     D3DBLEND_INVSRCALPHA, 100, 3, D3DTFG_POINT, D3DTADDRESS_CLAMP, true, false, true,
     raster::FogKind::TableZ, false},
    {"MirrorNpotPerspective", raster::PixelFormat::R5G6B5, true, D3DBLEND_DESTCOLOR, D3DBLEND_ZERO,
     5, 9, D3DTFG_LINEAR, D3DTADDRESS_MIRROR, true, true, true, raster::FogKind::Vertex, false,
     D3DTADDRESS_MIRROR, true},
    // Depth buffers of 16 bits and W, every comparison's bits.
    {"SixteenBitDepthGreater",
     raster::PixelFormat::R5G6B5,
     false,
     D3DBLEND_ONE,
     D3DBLEND_ZERO,
     64,
     64,
     D3DTFG_LINEAR,
     D3DTADDRESS_CLAMP,
     true,
     false,
     true,
     raster::FogKind::None,
     false,
     D3DTADDRESS_MIRROR,
     true,
     0,
     2,
     false,
     D3DCMP_GREATER},
    {"WBufferNotEqualTableFogZ",
     raster::PixelFormat::X8R8G8B8,
     true,
     D3DBLEND_SRCALPHA,
     D3DBLEND_INVSRCALPHA,
     32,
     32,
     D3DTFG_POINT,
     D3DTADDRESS_WRAP,
     true,
     true,
     true,
     raster::FogKind::TableZ,
     false,
     0,
     false,
     0,
     4,
     true,
     D3DCMP_NOTEQUAL},
    {"LessDepthVertexFog",
     raster::PixelFormat::X1R5G5B5,
     true,
     D3DBLEND_ONE,
     D3DBLEND_ONE,
     0,
     0,
     0,
     0,
     false,
     false,
     true,
     raster::FogKind::Vertex,
     false,
     0,
     true,
     0,
     2,
     false,
     D3DCMP_LESS},
    // A level of detail per pixel: mip-mapped, and minification filtered
    // otherwise than magnification.
    {.name = "TrilinearPerspective",
     .format = raster::PixelFormat::X8R8G8B8,
     .blend = true,
     .srcBlend = D3DBLEND_SRCALPHA,
     .dstBlend = D3DBLEND_INVSRCALPHA,
     .texWidth = 64,
     .texHeight = 16,
     .filter = D3DTFG_LINEAR,
     .address = D3DTADDRESS_WRAP,
     .gouraud = true,
     .perspective = true,
     .depth = true,
     .mip = D3DTFP_LINEAR},
    {.name = "NearestLevelPointMirror",
     .format = raster::PixelFormat::R5G6B5,
     .texWidth = 32,
     .texHeight = 32,
     .filter = D3DTFG_POINT,
     .address = D3DTADDRESS_MIRROR,
     .gouraud = true,
     .addressV = D3DTADDRESS_CLAMP,
     .dither = true,
     .mip = D3DTFP_POINT},
    {.name = "BilinearMagnifiedPointMinifiedNpot",
     .format = raster::PixelFormat::X8R8G8B8,
     .texWidth = 24,
     .texHeight = 40,
     .filter = D3DTFG_LINEAR,
     .address = D3DTADDRESS_BORDER,
     .gouraud = true,
     .perspective = true,
     .minFilter = D3DTFN_POINT},
};

void PrintTo(const StateCase& c, std::ostream* os) { *os << c.name; }

int BytesOf(raster::PixelFormat f) {
  switch (f) {
    case raster::PixelFormat::R5G6B5:
    case raster::PixelFormat::X1R5G5B5:
      return 2;
    case raster::PixelFormat::R8G8B8:
      return 3;
    default:
      return 4;
  }
}

// Texture coordinates (as u·rhw) that take the sampler to its edges: huge,
// tiny, not a number, and values on the rounding boundaries of its fixed point.
double SpecialCoordinate(std::mt19937& rng) {
  static const double kValues[] = {0.0,
                                   1e-9,
                                   -1e-9,
                                   1e-30,
                                   0.5 / 256.0,
                                   -0.5 / 256.0,
                                   1.0 / 512.0 + 1.0 / 1048576.0,
                                   4194304.0,
                                   -4194304.0,
                                   1e12,
                                   -1e12,
                                   3e38,
                                   -3e38,
                                   std::numeric_limits<double>::infinity(),
                                   std::numeric_limits<double>::quiet_NaN()};
  return kValues[rng() % (sizeof kValues / sizeof kValues[0])];
}

class VectorStages : public ::testing::TestWithParam<StateCase> {};

TEST_P(VectorStages, MatchThePlainLoopsOnRandomChunks) {
  ASSERT_NE(raster::simd::Supported(), raster::VectorLevel::None);
  const StateCase& sc = GetParam();
  std::mt19937 rng(12345);
  auto uniform = [&](double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng);
  };

  rastertest::Target device(4, 4, platform::pixels::X8R8G8B8());
  IDirectDrawSurface7* surface = nullptr;
  raster::Texture texture;
  if (sc.texWidth) {
    surface = device.CreateTexture(sc.texWidth, sc.texHeight, platform::pixels::A8R8G8B8(),
                                   sc.mip != D3DTFP_NONE);
    for (IDirectDrawSurface7* level = surface; level; level = level->nextMipLevel())
      rastertest::FillTexels(level, [&](int, int) { return static_cast<DWORD>(rng()); });
    ASSERT_TRUE(texture.Update(surface));
  }

  raster::RenderSettings s;
  s.blend = sc.blend;
  s.srcBlend = sc.srcBlend;
  s.dstBlend = sc.dstBlend;
  s.gouraud = sc.gouraud;
  s.depthTest = sc.depth;
  s.depthFunc = sc.depthFunc;
  s.wBuffer = sc.wBuffer;
  s.farW = 4.0f;
  s.fog = sc.fog;
  s.fogFormula = D3DFOG_LINEAR;
  s.fogColor = 0x00336699;
  s.fogStart = 0.1f;
  s.fogEnd = 0.9f;
  s.alphaTest = sc.alphaTest;
  s.dither = sc.dither;
  s.alphaFunc = D3DCMP_GREATER;
  s.alphaRef = 100;
  if (sc.texWidth) {
    DWORD* st = s.stageStates[0];
    st[D3DTSS_COLOROP] = D3DTOP_MODULATE;
    st[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    st[D3DTSS_COLORARG2] = D3DTA_DIFFUSE;
    st[D3DTSS_ALPHAOP] = D3DTOP_MODULATE;
    st[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    st[D3DTSS_ALPHAARG2] = D3DTA_DIFFUSE;
    st[D3DTSS_MAGFILTER] = sc.filter;
    st[D3DTSS_MINFILTER] =
        sc.minFilter ? sc.minFilter : (sc.filter == D3DTFG_LINEAR ? D3DTFN_LINEAR : D3DTFN_POINT);
    st[D3DTSS_MIPFILTER] = sc.mip;
    st[D3DTSS_ADDRESSU] = sc.address;
    st[D3DTSS_ADDRESSV] = sc.addressV ? sc.addressV : sc.address;
    st[D3DTSS_BORDERCOLOR] = sc.border;
    s.stageStates[1][D3DTSS_COLOROP] = D3DTOP_DISABLE;
    s.textures[0] = &texture;
  }

  // The plain loops first, then every vector level this processor has, each
  // on its own copy of the same random target.
  std::vector<raster::VectorLevel> levels = {raster::VectorLevel::None, raster::VectorLevel::Sse2};
  if (raster::simd::Supported() == raster::VectorLevel::Avx2)
    levels.push_back(raster::VectorLevel::Avx2);
  const int paths = static_cast<int>(levels.size());
  const int bytes = BytesOf(sc.format);
  std::vector<BYTE> pixels[3], depth[3];
  pixels[0].resize(static_cast<size_t>(kWidth * kHeight * bytes));
  depth[0].resize(static_cast<size_t>(kWidth * kHeight * 4));
  for (BYTE& b : pixels[0]) b = static_cast<BYTE>(rng());
  for (BYTE& b : depth[0]) b = static_cast<BYTE>(rng());
  raster::PixelPipeline pipes[3];
  for (int k = 0; k < paths; ++k) {
    pixels[k] = pixels[0];
    depth[k] = depth[0];
    raster::Target t;
    t.pixels = pixels[k].data();
    t.pitch = kWidth * bytes;
    t.width = kWidth;
    t.height = kHeight;
    t.format = sc.format;
    t.depth = depth[k].data();
    t.depthPitch = kWidth * 4;
    t.depthBytes = sc.depthBytes;
    t.depthMask = sc.depthBytes == 2 ? 0xFFFF : 0xFFFFFF;
    pipes[k] = raster::CompilePipeline(s, t, levels[static_cast<size_t>(k)]);
    ASSERT_EQ(pipes[k].vector, levels[static_cast<size_t>(k)]);
  }

  for (int round = 0; round < 400; ++round) {
    raster::Interpolants ip;
    // Colours that run past 0..255 within the chunk now and then.
    for (raster::Plane* pl : {&ip.r, &ip.g, &ip.b, &ip.a, &ip.fog})
      *pl = {uniform(-60, 320), uniform(-12, 12), uniform(-3, 3)};
    ip.z = {uniform(-0.1, 1.1), uniform(-0.01, 0.01), uniform(-0.01, 0.01)};
    ip.rhw = {uniform(0.2, 2), sc.perspective ? uniform(-0.002, 0.002) : 0.0, uniform(-0.01, 0.01)};
    for (raster::Plane* pl : {&ip.tu[0], &ip.tv[0]}) {
      const double scale = std::pow(10.0, uniform(-4, 2));
      *pl = {uniform(-scale, scale), uniform(-scale, scale) / 64, uniform(-scale, scale) / 64};
      if (rng() % 8 == 0) *pl = {SpecialCoordinate(rng), rng() % 2 ? 0.0 : uniform(-1, 1), 0};
    }
    raster::Chunk chunks[3];
    const int n = 1 + static_cast<int>(rng() % raster::kChunk);
    const int x = static_cast<int>(rng() % static_cast<unsigned>(kWidth - n + 1));
    const int y = static_cast<int>(rng() % kHeight);
    for (int k = 0; k < paths; ++k) {
      raster::Chunk& c = chunks[k];
      c.x = x;
      c.y = y;
      c.n = n;
      c.values = &ip;
      pipes[k].interpolate(ip, c);
      pipes[k].Run(c);
    }
    for (int k = 1; k < paths; ++k) {
      SCOPED_TRACE(::testing::Message() << "level " << k << ", round " << round);
      const raster::Chunk &a = chunks[0], &b = chunks[k];
      for (int i = 0; i < n; ++i) {
        ASSERT_EQ(a.live[i], b.live[i]) << "pixel " << i;
        if (!a.live[i]) continue;
        ASSERT_EQ(a.r[i], b.r[i]) << "pixel " << i;
        ASSERT_EQ(a.g[i], b.g[i]) << "pixel " << i;
        ASSERT_EQ(a.b[i], b.b[i]) << "pixel " << i;
        ASSERT_EQ(a.a[i], b.a[i]) << "pixel " << i;
      }
      ASSERT_EQ(pixels[0], pixels[k]);
      ASSERT_EQ(depth[0], depth[k]);
    }
  }
  if (surface) surface->Release();
}

INSTANTIATE_TEST_SUITE_P(States, VectorStages, ::testing::ValuesIn(kStates),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
