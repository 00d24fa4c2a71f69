// Texturing, texture stages and lighting of the rasteriser. Expectations come
// from the sampling rules (texel centres at half-integers, Direct3D's
// addressing modes and level selection) and from Direct3D's formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/d3d/pixels.h"
#include "platform/fakehardware.h"
#include "tests/platform/raster_support.h"

using rastertest::Target;
using rastertest::TexVertex;

namespace {

struct FormatCase {
  const char* name;
  DDPIXELFORMAT (*format)();
};

const FormatCase kTargets[] = {{"R5G6B5", platform::pixels::R5G6B5},
                               {"X8R8G8B8", platform::pixels::X8R8G8B8}};

class Texturing : public ::testing::TestWithParam<FormatCase> {};

int Channel(DWORD c, int k) { return static_cast<int>((c >> (16 - 8 * k)) & 255); }

// Within tol per channel after the target's quantisation.
::testing::AssertionResult Near(const Target& t, DWORD got, DWORD want, int tol) {
  DWORD stored = t.Stored(want);
  for (int k = 0; k < 3; ++k)
    if (std::abs(Channel(got, k) - Channel(stored, k)) > tol)
      return ::testing::AssertionFailure()
             << std::hex << "got 0x" << got << ", want 0x" << stored << " (from 0x" << want << ")";
  return ::testing::AssertionSuccess();
}

// A distinct colour per texel of a small texture.
DWORD TexelColour(int x, int y) {
  return 0xFF000000u | static_cast<DWORD>(40 + 50 * x) << 16 |
         static_cast<DWORD>(30 + 60 * y) << 8 | static_cast<DWORD>(200 - 20 * (x + y));
}

float AsFloatBits(float f) { return f; }
DWORD FloatBits(float f) {
  DWORD v;
  std::memcpy(&v, &f, sizeof v);
  return v;
}

}  // namespace

TEST_P(Texturing, PointSampledTexelsAreExactAtPixelCentres) {
  Target t(16, 16, GetParam().format());
  IDirectDrawSurface7* tex = t.CreateTexture(4, 4, platform::pixels::X8R8G8B8());
  rastertest::FillTexels(tex, TexelColour);
  t->SetTexture(0, tex);
  // Twice the texture's size: pixel (x, y) has its centre in texel (x/2, y/2).
  t.TexturedRect(-0.5f, -0.5f, 7.5f, 7.5f, 0, 0, 1, 1);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(t.Pixel(x, y), t.Stored(TexelColour(x / 2, y / 2) & 0xFFFFFF)) << x << "," << y;
  t->SetTexture(0, nullptr);
  tex->Release();
}

// Each mode maps texel index i of a 4-texel row (u = (i + 0.5)/4) from −4 to 7.
TEST_P(Texturing, AddressingModesPerAxis) {
  struct Case {
    DWORD mode;
    int expect[12];  // texel for i = −4..7; −1 = border
  } cases[] = {
      {D3DTADDRESS_WRAP, {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3}},
      {D3DTADDRESS_MIRROR, {3, 2, 1, 0, 0, 1, 2, 3, 3, 2, 1, 0}},
      {D3DTADDRESS_CLAMP, {0, 0, 0, 0, 0, 1, 2, 3, 3, 3, 3, 3}},
      {D3DTADDRESS_BORDER, {-1, -1, -1, -1, 0, 1, 2, 3, -1, -1, -1, -1}},
  };
  const DWORD row[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00};
  const DWORD border = 0xFF808080;
  for (const Case& c : cases) {
    for (int axis = 0; axis < 2; ++axis) {
      Target t(16, 16, GetParam().format());
      IDirectDrawSurface7* tex =
          t.CreateTexture(axis == 0 ? 4 : 1, axis == 0 ? 1 : 4, platform::pixels::X8R8G8B8());
      rastertest::FillTexels(tex, [&](int x, int y) { return row[axis == 0 ? x : y]; });
      t->SetTexture(0, tex);
      t->SetTextureStageState(0, D3DTSS_BORDERCOLOR, border);
      // The other axis wraps: its single texel is the same everywhere.
      t->SetTextureStageState(0, axis == 0 ? D3DTSS_ADDRESSU : D3DTSS_ADDRESSV, c.mode);
      if (axis == 0)
        t.TexturedRect(-0.5f, -0.5f, 11.5f, 0.5f, -1, 0, 2, 1);
      else
        t.TexturedRect(-0.5f, -0.5f, 0.5f, 11.5f, 0, -1, 1, 2);
      for (int i = 0; i < 12; ++i) {
        DWORD want = c.expect[i] < 0 ? border : row[c.expect[i]];
        DWORD got = axis == 0 ? t.Pixel(i, 0) : t.Pixel(0, i);
        EXPECT_EQ(got, t.Stored(want & 0xFFFFFF))
            << "mode " << c.mode << " axis " << axis << " i " << i;
      }
      t->SetTexture(0, nullptr);
      tex->Release();
    }
  }
}

TEST_P(Texturing, BilinearFilterMixesTheFourNearestTexels) {
  Target t(16, 16, GetParam().format());
  IDirectDrawSurface7* tex = t.CreateTexture(2, 1, platform::pixels::X8R8G8B8());
  rastertest::FillTexels(tex, [](int x, int) { return x ? 0xFFFFFFFFu : 0xFF000000u; });
  t->SetTexture(0, tex);
  t->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
  t->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
  // Eight pixels over two texels: pixel x samples u·2 − 0.5 = (x + 0.5)/4 − 0.5.
  t.TexturedRect(-0.5f, -0.5f, 7.5f, 0.5f, 0, 0, 1, 1);
  for (int x = 0; x < 8; ++x) {
    double s = (x + 0.5) / 4.0 - 0.5;
    double w = std::clamp(s, 0.0, 1.0);
    int v = static_cast<int>(std::lround(255 * w));
    EXPECT_TRUE(Near(t, t.Pixel(x, 0), static_cast<DWORD>(v * 0x010101), 2)) << x;
  }
  // Wrapped, the first pixels mix in the last texel (the same filter both
  // ways, as the common fast case).
  t->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
  t->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
  t.TexturedRect(-0.5f, -0.5f, 7.5f, 0.5f, 0, 0, 1, 1);
  for (int x = 0; x < 8; ++x) {
    double s = (x + 0.5) / 4.0 - 0.5, f = s - std::floor(s);
    const bool leftWhite = static_cast<int>(std::floor(s)) & 1;
    double w = leftWhite ? 1 - f : f;
    int v = static_cast<int>(std::lround(255 * w));
    EXPECT_TRUE(Near(t, t.Pixel(x, 0), static_cast<DWORD>(v * 0x010101), 2)) << "wrap " << x;
  }
  t->SetTexture(0, nullptr);
  tex->Release();
}

TEST(TextureSurfaces, MipChainOfA256By64TextureHasNineHalvingLevels) {
  Target t(4, 4, platform::pixels::X8R8G8B8());
  IDirectDrawSurface7* tex = t.CreateTexture(256, 64, platform::pixels::R5G6B5(), true);
  int levels = 0, w = 256, h = 64;
  IDirectDrawSurface7* level = tex;
  level->AddRef();
  while (level) {
    EXPECT_EQ(level->width(), w);
    EXPECT_EQ(level->height(), h);
    ++levels;
    w = std::max(1, w / 2);
    h = std::max(1, h / 2);
    DDSCAPS2 caps{DDSCAPS_TEXTURE | DDSCAPS_MIPMAP, 0, 0, 0};
    IDirectDrawSurface7* next = nullptr;
    HRESULT r = level->GetAttachedSurface(&caps, &next);
    level->Release();
    level = r == DD_OK ? next : nullptr;
    if (r != DD_OK) {
      EXPECT_EQ(r, DDERR_NOTFOUND);
    }
  }
  EXPECT_EQ(levels, 9);
  tex->Release();
}

// A 64x64 chain with one colour per level, drawn on 16x16 pixels: a
// footprint of 4 texels, level of detail 2.
TEST_P(Texturing, MipLevelFollowsTheMinification) {
  const DWORD colours[7] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF,
                            0xFF000000, 0xFF808080, 0xFF00FFFF};
  struct Case {
    DWORD mip;
    float bias;
    DWORD maxLevel;
    double level;  // expected, fractional when two levels mix
  } cases[] = {
      {D3DTFP_NONE, 0, 0, 0},     {D3DTFP_POINT, 0, 0, 2},       {D3DTFP_LINEAR, 0, 0, 2},
      {D3DTFP_POINT, 0.5f, 0, 3}, {D3DTFP_LINEAR, 0.5f, 0, 2.5}, {D3DTFP_POINT, -1, 0, 1},
      {D3DTFP_POINT, 0, 3, 3},
  };
  for (const Case& c : cases) {
    Target t(32, 32, GetParam().format());
    IDirectDrawSurface7* tex = t.CreateTexture(64, 64, platform::pixels::X8R8G8B8(), true);
    int n = 0;
    for (IDirectDrawSurface7* s = tex; s; s = s->nextMipLevel(), ++n)
      rastertest::FillSolid(s, colours[n]);
    t->SetTexture(0, tex);
    t->SetTextureStageState(0, D3DTSS_MIPFILTER, c.mip);
    t->SetTextureStageState(0, D3DTSS_MIPMAPLODBIAS, FloatBits(c.bias));
    t->SetTextureStageState(0, D3DTSS_MAXMIPLEVEL, c.maxLevel);
    t.TexturedRect(-0.5f, -0.5f, 15.5f, 15.5f, 0, 0, 1, 1);
    const int lo = static_cast<int>(c.level);
    const double f = c.level - lo;
    DWORD want = 0;
    for (int k = 0; k < 3; ++k) {
      double v = Channel(colours[lo], k) * (1 - f) + (f > 0 ? Channel(colours[lo + 1], k) * f : 0);
      want |= static_cast<DWORD>(std::lround(v)) << (16 - 8 * k);
    }
    EXPECT_TRUE(Near(t, t.Pixel(7, 7), want, 2)) << "mip " << c.mip << " bias " << c.bias;
    t->SetTexture(0, nullptr);
    tex->Release();
  }
}

// Perspective: on a wall receding in depth, equal steps of u land at
// screen positions that follow 1/w, not a straight line.
TEST(TexturingPerspective, CoordinatesFollowOneOverW) {
  Target t(64, 4, platform::pixels::X8R8G8B8());
  IDirectDrawSurface7* tex = t.CreateTexture(8, 1, platform::pixels::X8R8G8B8());
  rastertest::FillTexels(tex, [](int x, int) { return 0xFF000000u | static_cast<DWORD>(x * 32); });
  t->SetTexture(0, tex);
  // Left edge at w = 1, right edge at w = 4.
  const float q0 = 1.0f, q1 = 0.25f;
  t.DrawTextured(D3DPT_TRIANGLEFAN, {{-0.5f, -0.5f, 0.1f, q0, 0xFFFFFFFF, 0, 0, 0},
                                     {63.5f, -0.5f, 0.9f, q1, 0xFFFFFFFF, 0, 1, 0},
                                     {63.5f, 3.5f, 0.9f, q1, 0xFFFFFFFF, 0, 1, 1},
                                     {-0.5f, 3.5f, 0.1f, q0, 0xFFFFFFFF, 0, 0, 1}});
  for (int x = 0; x < 64; x += 5) {
    double s = (x + 0.5) / 64.0;
    double u = (s * q1) / ((1 - s) * q0 + s * q1);
    int texel = static_cast<int>(std::floor(u * 8));
    // Away from texel edges, where rounding could go either way.
    double edge = u * 8 - texel;
    if (edge < 0.05 || edge > 0.95) continue;
    EXPECT_EQ(t.Pixel(x, 1) & 255, static_cast<DWORD>(texel * 32)) << x;
  }
  t->SetTexture(0, nullptr);
  tex->Release();
}

// ------------------------------------------------------------- the stages

namespace {

struct Rgba {
  double c[4];
};
Rgba Split(DWORD v) {
  return Rgba{
      {((v >> 16) & 255) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0, (v >> 24) / 255.0}};
}
double Sat(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

}  // namespace

// Every operation on constant inputs: arg1 = the texture (a 1x1 texel),
// arg2 = the diffuse colour, the factor as third party. Expected values are
// Direct3D's formulas on 0..1 values.
TEST_P(Texturing, EveryStageOperationOnConstantInputs) {
  const DWORD texel = 0x60C04020, diffuse = 0xA0308090, factor = 0x40FF8000;
  const Rgba x = Split(texel), y = Split(diffuse), f = Split(factor);
  struct Case {
    DWORD op;
    double (*colour)(const Rgba& x, const Rgba& y, const Rgba& f, int k);
  } cases[] = {
      {D3DTOP_SELECTARG1, [](const Rgba& x, const Rgba&, const Rgba&, int k) { return x.c[k]; }},
      {D3DTOP_SELECTARG2, [](const Rgba&, const Rgba& y, const Rgba&, int k) { return y.c[k]; }},
      {D3DTOP_MODULATE,
       [](const Rgba& x, const Rgba& y, const Rgba&, int k) { return x.c[k] * y.c[k]; }},
      {D3DTOP_MODULATE2X,
       [](const Rgba& x, const Rgba& y, const Rgba&, int k) { return Sat(2 * x.c[k] * y.c[k]); }},
      {D3DTOP_MODULATE4X,
       [](const Rgba& x, const Rgba& y, const Rgba&, int k) { return Sat(4 * x.c[k] * y.c[k]); }},
      {D3DTOP_ADD,
       [](const Rgba& x, const Rgba& y, const Rgba&, int k) { return Sat(x.c[k] + y.c[k]); }},
      {D3DTOP_ADDSIGNED,
       [](const Rgba& x, const Rgba& y, const Rgba&, int k) { return Sat(x.c[k] + y.c[k] - 0.5); }},
      {D3DTOP_ADDSIGNED2X, [](const Rgba& x, const Rgba& y, const Rgba&,
                              int k) { return Sat(2 * (x.c[k] + y.c[k] - 0.5)); }},
      {D3DTOP_SUBTRACT,
       [](const Rgba& x, const Rgba& y, const Rgba&, int k) { return Sat(x.c[k] - y.c[k]); }},
      {D3DTOP_ADDSMOOTH, [](const Rgba& x, const Rgba& y, const Rgba&,
                            int k) { return Sat(x.c[k] + y.c[k] - x.c[k] * y.c[k]); }},
      {D3DTOP_BLENDDIFFUSEALPHA, [](const Rgba& x, const Rgba& y, const Rgba&,
                                    int k) { return x.c[k] * y.c[3] + y.c[k] * (1 - y.c[3]); }},
      {D3DTOP_BLENDTEXTUREALPHA, [](const Rgba& x, const Rgba& y, const Rgba&,
                                    int k) { return x.c[k] * x.c[3] + y.c[k] * (1 - x.c[3]); }},
      {D3DTOP_BLENDFACTORALPHA, [](const Rgba& x, const Rgba& y, const Rgba& f,
                                   int k) { return x.c[k] * f.c[3] + y.c[k] * (1 - f.c[3]); }},
      // Stage 0's current colour is the diffuse colour.
      {D3DTOP_BLENDCURRENTALPHA, [](const Rgba& x, const Rgba& y, const Rgba&,
                                    int k) { return x.c[k] * y.c[3] + y.c[k] * (1 - y.c[3]); }},
      {D3DTOP_BLENDTEXTUREALPHAPM, [](const Rgba& x, const Rgba& y, const Rgba&,
                                      int k) { return Sat(x.c[k] + y.c[k] * (1 - x.c[3])); }},
      {D3DTOP_PREMODULATE, [](const Rgba&, const Rgba& y, const Rgba&, int k) { return y.c[k]; }},
      {D3DTOP_MODULATEALPHA_ADDCOLOR, [](const Rgba& x, const Rgba& y, const Rgba&,
                                         int k) { return Sat(x.c[k] + x.c[3] * y.c[k]); }},
      {D3DTOP_MODULATECOLOR_ADDALPHA, [](const Rgba& x, const Rgba& y, const Rgba&,
                                         int k) { return Sat(x.c[k] * y.c[k] + x.c[3]); }},
      {D3DTOP_MODULATEINVALPHA_ADDCOLOR, [](const Rgba& x, const Rgba& y, const Rgba&,
                                            int k) { return Sat(x.c[k] + (1 - x.c[3]) * y.c[k]); }},
      {D3DTOP_MODULATEINVCOLOR_ADDALPHA, [](const Rgba& x, const Rgba& y, const Rgba&,
                                            int k) { return Sat((1 - x.c[k]) * y.c[k] + x.c[3]); }},
      // Unsupported bump mapping passes the current colour on.
      {D3DTOP_BUMPENVMAP, [](const Rgba&, const Rgba& y, const Rgba&, int k) { return y.c[k]; }},
      {D3DTOP_BUMPENVMAPLUMINANCE,
       [](const Rgba&, const Rgba& y, const Rgba&, int k) { return y.c[k]; }},
      {D3DTOP_DOTPRODUCT3,
       [](const Rgba& x, const Rgba& y, const Rgba&, int) {
         double d = 0;
         for (int i = 0; i < 3; ++i) d += (x.c[i] - 0.5) * (y.c[i] - 0.5);
         return Sat(4 * d);
       }},
  };
  ASSERT_EQ(std::size(cases), 23u);
  for (const Case& c : cases) {
    Target t(4, 4, GetParam().format());
    IDirectDrawSurface7* tex = t.CreateTexture(1, 1, platform::pixels::A8R8G8B8());
    rastertest::FillSolid(tex, texel);
    t->SetTexture(0, tex);
    t->SetRenderState(D3DRENDERSTATE_TEXTUREFACTOR, factor);
    t->SetTextureStageState(0, D3DTSS_COLOROP, c.op);
    t->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    t->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    t.TexturedRect(-0.5f, -0.5f, 3.5f, 3.5f, 0, 0, 1, 1, diffuse);
    DWORD want = 0;
    for (int k = 0; k < 3; ++k)
      want |= static_cast<DWORD>(std::lround(255 * c.colour(x, y, f, k))) << (16 - 8 * k);
    EXPECT_TRUE(Near(t, t.Pixel(1, 1), want, 2)) << "op " << c.op;
    t->SetTexture(0, nullptr);
    tex->Release();
  }
}

// Modifiers and the alpha path, through the combiner directly.
TEST(TextureStages, ModifiersAndAlphaOperations) {
  using platform::raster::CombineStage;
  using platform::raster::StageInputs;
  using platform::raster::StageSetup;
  StageInputs in{0x80102030, 0x80102030, 0x40C08040, 0x20000000, 0};
  struct Case {
    DWORD colorOp, colorArg1, alphaOp, alphaArg1;
    DWORD want;
  } cases[] = {
      {D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
       0x403F7FBF},
      {D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE, D3DTOP_SELECTARG1,
       D3DTA_TEXTURE | D3DTA_COMPLEMENT, 0xBF404040},
      {D3DTOP_SELECTARG1, D3DTA_TFACTOR | D3DTA_ALPHAREPLICATE | D3DTA_COMPLEMENT,
       D3DTOP_SELECTARG1, D3DTA_TFACTOR, 0x20DFDFDF},
      // The mask value 15 is no argument: it reads the current colour.
      {D3DTOP_SELECTARG1, 15, D3DTOP_SELECTARG1, 15, 0x80102030},
  };
  for (const Case& c : cases) {
    StageSetup s;
    s.colorOp = c.colorOp;
    s.colorArg1 = c.colorArg1;
    s.alphaOp = c.alphaOp;
    s.alphaArg1 = c.alphaArg1;
    EXPECT_EQ(CombineStage(s, in), c.want) << std::hex << c.colorArg1;
  }
}

TEST_P(Texturing, CascadeStopsAtTheFirstDisabledStage) {
  Target t(4, 4, GetParam().format());
  t->SetRenderState(D3DRENDERSTATE_TEXTUREFACTOR, 0xFF2080C0);
  t->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  t->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
  t->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  t->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  t->SetTextureStageState(2, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  t.TexturedRect(-0.5f, -0.5f, 3.5f, 3.5f, 0, 0, 1, 1, 0xFFFFFFFF);
  EXPECT_EQ(t.Pixel(1, 1), t.Stored(0x2080C0));
  // With stage 1 on, stage 2 runs too.
  t->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  t->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
  t.TexturedRect(-0.5f, -0.5f, 3.5f, 3.5f, 0, 0, 1, 1, 0xFF102030);
  EXPECT_EQ(t.Pixel(1, 1), t.Stored(0x102030));
}

// An unbound stage reads opaque white; a texture without alpha reads alpha 1.
TEST_P(Texturing, UnboundTextureIsWhiteAndFormatsWithoutAlphaAreOpaque) {
  Target t(4, 4, GetParam().format());
  t->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  t->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  t.TexturedRect(-0.5f, -0.5f, 3.5f, 3.5f, 0, 0, 1, 1, 0xFF4080C0);
  EXPECT_EQ(t.Pixel(1, 1), t.Stored(0x4080C0));

  IDirectDrawSurface7* tex = t.CreateTexture(1, 1, platform::pixels::R5G6B5());
  rastertest::FillSolid(tex, 0xFFFFFFFF);
  t->SetTexture(0, tex);
  // Colour = texture alpha, replicated.
  t->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  t->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE);
  t.TexturedRect(-0.5f, -0.5f, 3.5f, 3.5f, 0, 0, 1, 1, 0x00000000);
  EXPECT_EQ(t.Pixel(1, 1), t.Stored(0xFFFFFF));
  t->SetTexture(0, nullptr);
  tex->Release();
}

// A texture written after a draw is read again by the next draw.
TEST(TexturingCache, ChangedTexelsAreSeenByTheNextDraw) {
  Target t(4, 4, platform::pixels::X8R8G8B8());
  IDirectDrawSurface7* tex = t.CreateTexture(1, 1, platform::pixels::X8R8G8B8());
  rastertest::FillSolid(tex, 0xFF112233);
  t->SetTexture(0, tex);
  t.TexturedRect(-0.5f, -0.5f, 3.5f, 3.5f, 0, 0, 1, 1);
  EXPECT_EQ(t.Pixel(1, 1), 0x112233u);
  rastertest::FillSolid(tex, 0xFF445566);
  t.TexturedRect(-0.5f, -0.5f, 3.5f, 3.5f, 0, 0, 1, 1);
  EXPECT_EQ(t.Pixel(1, 1), 0x445566u);
  t->SetTexture(0, nullptr);
  tex->Release();
}

// Coordinate sets by index, and a texture transform on (u, v, 0, 1): the
// offsets in the matrix's last row shift the coordinates.
TEST(TexturingCoordinates, SetIndexAndTransformWithUnitPadding) {
  Target t(8, 1, platform::pixels::X8R8G8B8());
  IDirectDrawSurface7* tex = t.CreateTexture(8, 1, platform::pixels::X8R8G8B8());
  rastertest::FillTexels(tex, [](int x, int) { return 0xFF000000u | static_cast<DWORD>(x * 32); });
  t->SetTexture(0, tex);
  struct V2 {
    float x, y, z, rhw;
    DWORD diffuse;
    float u0, v0, u1, v1;
  };
  // Set 0 is nonsense; set 1 carries the coordinates.
  V2 v[4] = {{-0.5f, -0.5f, 0.5f, 1, 0xFFFFFFFF, 9, 9, 0, 0},
             {7.5f, -0.5f, 0.5f, 1, 0xFFFFFFFF, 9, 9, 1, 0},
             {7.5f, 0.5f, 0.5f, 1, 0xFFFFFFFF, 9, 9, 1, 1},
             {-0.5f, 0.5f, 0.5f, 1, 0xFFFFFFFF, 9, 9, 0, 1}};
  const DWORD fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | (2 << D3DFVF_TEXCOUNT_SHIFT);
  t->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 1);
  ASSERT_EQ(t->DrawPrimitive(D3DPT_TRIANGLEFAN, fvf, v, 4, 0), D3D_OK);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(t.Pixel(x, 0), static_cast<DWORD>(x * 32));
  // u' = u + 2/8 (a translation in the row that multiplies the padded 1).
  D3DMATRIX m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.25f, 0, 0, 1};
  t->SetTransform(D3DTRANSFORMSTATE_TEXTURE0, &m);
  t->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
  ASSERT_EQ(t->DrawPrimitive(D3DPT_TRIANGLEFAN, fvf, v, 4, 0), D3D_OK);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(t.Pixel(x, 0), static_cast<DWORD>(((x + 2) % 8) * 32));
  t->SetTexture(0, nullptr);
  tex->Release();
  (void)AsFloatBits;
}

TEST(TexturingDevice, ValidateDeviceReportsWhatTheRasteriserCannotDo) {
  Target t(4, 4, platform::pixels::X8R8G8B8());
  struct Case {
    DWORD stage, state, value;
    HRESULT want;
  } cases[] = {
      {0, D3DTSS_COLOROP, D3DTOP_MODULATE, D3D_OK},
      {0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP, D3DERR_UNSUPPORTEDCOLOROPERATION},
      {0, D3DTSS_COLORARG1, 15, D3DERR_UNSUPPORTEDCOLORARG},
      {0, D3DTSS_ALPHAOP, D3DTOP_BUMPENVMAPLUMINANCE, D3DERR_UNSUPPORTEDALPHAOPERATION},
      {0, D3DTSS_ALPHAARG2, 15 | D3DTA_COMPLEMENT, D3DERR_UNSUPPORTEDALPHAARG},
      // Past the first disabled stage nothing counts.
      {2, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP, D3D_OK},
      {1, D3DTSS_COLOROP, D3DTOP_DOTPRODUCT3, D3D_OK},
  };
  for (const Case& c : cases) {
    Target fresh(4, 4, platform::pixels::X8R8G8B8());
    fresh->SetTextureStageState(c.stage, static_cast<D3DTEXTURESTAGESTATETYPE>(c.state), c.value);
    DWORD passes = 0;
    EXPECT_EQ(fresh->ValidateDevice(&passes), c.want)
        << c.stage << "/" << c.state << "/" << c.value;
  }
}

TEST(TexturingDevice, TextureFormatsAreOfferedInOrderWithoutCompression) {
  Target t(4, 4, platform::pixels::X8R8G8B8());
  std::vector<DDPIXELFORMAT> got;
  t->EnumTextureFormats(
      [](DDPIXELFORMAT* f, void* ctx) -> HRESULT {
        static_cast<std::vector<DDPIXELFORMAT>*>(ctx)->push_back(*f);
        return D3DENUMRET_OK;
      },
      &got);
  const DDPIXELFORMAT want[] = {platform::pixels::X1R5G5B5(), platform::pixels::R5G6B5(),
                                platform::pixels::A1R5G5B5(), platform::pixels::A4R4G4B4(),
                                platform::pixels::X8R8G8B8(), platform::pixels::A8R8G8B8()};
  ASSERT_EQ(got.size(), std::size(want));
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].dwRGBAlphaBitMask, want[i].dwRGBAlphaBitMask) << i;
    EXPECT_EQ(got[i].dwRBitMask, want[i].dwRBitMask) << i;
    EXPECT_EQ(got[i].dwGBitMask, want[i].dwGBitMask) << i;
    EXPECT_FALSE(got[i].dwFlags & DDPF_COMPRESSED);
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, Texturing, ::testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });
