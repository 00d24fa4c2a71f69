// Pixel tests of the rasteriser. Every expectation is computed from the
// drawing rules (pixel centres at integers, the top-left rule, Direct3D's
// formulas), never from captured output.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/fakehardware.h"
#include "tests/platform/raster_support.h"

using rastertest::LVertex;
using rastertest::Target;
using rastertest::TLVertex;

namespace {

struct FormatCase {
  const char* name;
  DDPIXELFORMAT (*format)();
};

const FormatCase kFormats[] = {{"R5G6B5", platform::pixels::R5G6B5},
                               {"X1R5G5B5", platform::pixels::X1R5G5B5},
                               {"R8G8B8", platform::pixels::R8G8B8},
                               {"X8R8G8B8", platform::pixels::X8R8G8B8}};

class Raster : public ::testing::TestWithParam<FormatCase> {};

int Channel(DWORD c, int k) { return static_cast<int>((c >> (16 - 8 * k)) & 255); }

// Tolerance of one step of the target's channel, plus one for rounding.
int Tolerance(const DDPIXELFORMAT& f, int k) {
  DWORD mask = k == 0 ? f.dwRBitMask : k == 1 ? f.dwGBitMask : f.dwBBitMask;
  int bits = 0;
  for (DWORD m = mask; m; m >>= 1) bits += m & 1;
  return 1 + 255 / ((1 << bits) - 1) * (bits < 8);
}

// Inside a convex clockwise polygon (y down), with a margin in pixels.
bool InsideConvex(const float (*p)[2], int n, float x, float y, float margin) {
  for (int i = 0; i < n; ++i) {
    const float* a = p[i];
    const float* b = p[(i + 1) % n];
    float ex = b[0] - a[0], ey = b[1] - a[1];
    float cross = ex * (y - a[1]) - ey * (x - a[0]);
    if (cross / std::hypot(ex, ey) < margin) return false;
  }
  return true;
}

}  // namespace

// Two triangles that share a slanted diagonal, added into the target: a
// pixel drawn twice would show twice the colour, a missed one none.
TEST_P(Raster, SharedDiagonalIsDrawnExactlyOnce) {
  Target t(16, 16, GetParam().format());
  t->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
  t->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
  t->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
  const float q[4][2] = {{1.5f, 0.25f}, {14.75f, 3.5f}, {12.5f, 15.5f}, {2.25f, 12.75f}};
  const DWORD c = 0xFF404040;
  auto v = [&](int i) { return TLVertex{q[i][0], q[i][1], 0.5f, 1, c, 0}; };
  t.Draw(D3DPT_TRIANGLELIST, {v(0), v(1), v(2), v(0), v(2), v(3)});
  const DWORD once = t.Stored(0x404040);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      DWORD p = t.Pixel(x, y);
      ASSERT_TRUE(p == 0 || p == once) << x << "," << y;
      if (InsideConvex(q, 4, float(x), float(y), 0.01f)) {
        EXPECT_EQ(p, once) << x << "," << y;
      }
      if (!InsideConvex(q, 4, float(x), float(y), -0.01f)) {
        EXPECT_EQ(p, 0u) << x << "," << y;
      }
    }
}

// Pixel centres on the left and top edges belong to the rectangle, those on
// the right and bottom edges to its neighbours.
TEST_P(Raster, TopLeftRuleOnAnAlignedRectangle) {
  Target t(8, 8, GetParam().format());
  t.Rect(1, 2, 6, 5, 0.5f, 0xFFFFFFFF);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(t.Pixel(x, y), (x >= 1 && x < 6 && y >= 2 && y < 5) ? 0xFFFFFFu : 0u)
          << x << "," << y;
}

struct CompareCase {
  DWORD func;
  bool less, equal, greater;
};

TEST_P(Raster, EveryDepthCompareAgainstAClearedDepth) {
  const CompareCase cases[] = {{D3DCMP_NEVER, 0, 0, 0},        {D3DCMP_LESS, 1, 0, 0},
                               {D3DCMP_EQUAL, 0, 1, 0},        {D3DCMP_LESSEQUAL, 1, 1, 0},
                               {D3DCMP_GREATER, 0, 0, 1},      {D3DCMP_NOTEQUAL, 1, 0, 1},
                               {D3DCMP_GREATEREQUAL, 0, 1, 1}, {D3DCMP_ALWAYS, 1, 1, 1}};
  for (const CompareCase& c : cases) {
    Target t(6, 2, GetParam().format());
    t->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    t->SetRenderState(D3DRENDERSTATE_ZFUNC, c.func);
    t.ClearDepth(0.5f);
    const DWORD cleared = t.Depth(0, 0);
    t.Rect(0, 0, 2, 2, 0.25f, 0xFFFF0000);
    t.Rect(2, 0, 4, 2, 0.5f, 0xFFFF0000);
    t.Rect(4, 0, 6, 2, 0.75f, 0xFFFF0000);
    const bool want[3] = {c.less, c.equal, c.greater};
    const float z[3] = {0.25f, 0.5f, 0.75f};
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(t.Pixel(2 * k, 1), want[k] ? 0xFF0000u : 0u) << "func " << c.func << " col " << k;
      DWORD written = static_cast<DWORD>(std::lround(z[k] * 65535.0f));
      EXPECT_EQ(t.Depth(2 * k, 1), want[k] ? written : cleared) << "func " << c.func;
    }
  }
}

TEST_P(Raster, NearerRectangleWinsUnderLessEqualInEitherOrder) {
  for (bool nearFirst : {true, false}) {
    Target t(4, 4, GetParam().format());
    t->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    t->SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_LESSEQUAL);
    if (nearFirst) t.Rect(0, 0, 4, 4, 0.3f, 0xFF00FF00);
    t.Rect(0, 0, 4, 4, 0.6f, 0xFFFF0000);
    if (!nearFirst) t.Rect(0, 0, 4, 4, 0.3f, 0xFF00FF00);
    EXPECT_EQ(t.Pixel(2, 2), 0x00FF00u);
  }
}

TEST_P(Raster, DepthWritesOffKeepTheBuffer) {
  Target t(4, 4, GetParam().format());
  t->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
  t->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, FALSE);
  t.Rect(0, 0, 4, 4, 0.25f, 0xFF0000FF);
  EXPECT_EQ(t.Pixel(1, 1), 0x0000FFu);
  EXPECT_EQ(t.Depth(1, 1), 0xFFFFu);
}

// Every pair of the ten blend factors, with the destination alpha reading 1.
TEST_P(Raster, BlendFactorsFollowTheFormula) {
  const DWORD factors[] = {D3DBLEND_ZERO,        D3DBLEND_ONE,          D3DBLEND_SRCCOLOR,
                           D3DBLEND_INVSRCCOLOR, D3DBLEND_SRCALPHA,     D3DBLEND_INVSRCALPHA,
                           D3DBLEND_DESTALPHA,   D3DBLEND_INVDESTALPHA, D3DBLEND_DESTCOLOR,
                           D3DBLEND_INVDESTCOLOR};
  const DWORD source = 0x80C04020;  // alpha 128
  Target t(2, 2, GetParam().format());
  t->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
  for (DWORD sf : factors)
    for (DWORD df : factors) {
      t.Fill(0x3060F0);
      const DWORD dest = t.Pixel(0, 0);
      t->SetRenderState(D3DRENDERSTATE_SRCBLEND, sf);
      t->SetRenderState(D3DRENDERSTATE_DESTBLEND, df);
      t.Rect(0, 0, 2, 2, 0.5f, source);
      const double sa = 128 / 255.0;
      for (int k = 0; k < 3; ++k) {
        const double s = Channel(source, k) / 255.0, d = Channel(dest, k) / 255.0;
        auto factor = [&](DWORD f) {
          switch (f) {
            case D3DBLEND_ZERO:
              return 0.0;
            case D3DBLEND_ONE:
              return 1.0;
            case D3DBLEND_SRCCOLOR:
              return s;
            case D3DBLEND_INVSRCCOLOR:
              return 1 - s;
            case D3DBLEND_SRCALPHA:
              return sa;
            case D3DBLEND_INVSRCALPHA:
              return 1 - sa;
            case D3DBLEND_DESTALPHA:
              return 1.0;
            case D3DBLEND_INVDESTALPHA:
              return 0.0;
            case D3DBLEND_DESTCOLOR:
              return d;
            default:
              return 1 - d;
          }
        };
        const double want = std::fmin(1.0, s * factor(sf) + d * factor(df)) * 255;
        EXPECT_NEAR(Channel(t.Pixel(1, 1), k), want, Tolerance(t.format(), k))
            << "src " << sf << " dst " << df << " channel " << k;
      }
    }
}

TEST_P(Raster, HalfTransparentRedOverBlue) {
  Target t(2, 2, GetParam().format());
  t->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
  t->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  t->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  t.Fill(0x0000FF);
  t.Rect(0, 0, 2, 2, 0.5f, 0x80FF0000);
  const DWORD p = t.Pixel(0, 0);
  EXPECT_NEAR(Channel(p, 0), 128, Tolerance(t.format(), 0));
  EXPECT_EQ(Channel(p, 1), 0);
  EXPECT_NEAR(Channel(p, 2), 127, Tolerance(t.format(), 2));
}

TEST_P(Raster, AlphaTestRejectsWithoutTouchingDepth) {
  Target t(4, 4, GetParam().format());
  t->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
  t->SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, TRUE);
  t->SetRenderState(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATER);
  t->SetRenderState(D3DRENDERSTATE_ALPHAREF, 0);
  t.Rect(0, 0, 2, 4, 0.25f, 0x00FFFFFF);  // alpha 0: rejected
  t.Rect(2, 0, 4, 4, 0.25f, 0x01FFFFFF);  // alpha 1: passes
  EXPECT_EQ(t.Pixel(1, 1), 0u);
  EXPECT_EQ(t.Depth(1, 1), 0xFFFFu);
  EXPECT_EQ(t.Pixel(3, 1), 0xFFFFFFu);
  EXPECT_EQ(t.Depth(3, 1), static_cast<DWORD>(std::lround(0.25f * 65535)));
}

TEST_P(Raster, CullingByScreenWinding) {
  struct Case {
    DWORD cull;
    bool clockwiseDrawn, counterDrawn;
  } cases[] = {{D3DCULL_NONE, true, true}, {D3DCULL_CW, false, true}, {D3DCULL_CCW, true, false}};
  for (const Case& c : cases) {
    Target t(8, 4, GetParam().format());
    t->SetRenderState(D3DRENDERSTATE_CULLMODE, c.cull);
    // Clockwise on screen (y down) on the left, counter-clockwise on the right.
    t.Draw(D3DPT_TRIANGLELIST, {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0},
                                {4, 0, 0.5f, 1, 0xFFFFFFFF, 0},
                                {0, 4, 0.5f, 1, 0xFFFFFFFF, 0},
                                {4, 0, 0.5f, 1, 0xFFFFFFFF, 0},
                                {4, 4, 0.5f, 1, 0xFFFFFFFF, 0},
                                {8, 0, 0.5f, 1, 0xFFFFFFFF, 0}});
    EXPECT_EQ(t.Pixel(1, 1) != 0, c.clockwiseDrawn) << "cull " << c.cull;
    EXPECT_EQ(t.Pixel(6, 1) != 0, c.counterDrawn) << "cull " << c.cull;
  }
}

TEST_P(Raster, StripTrianglesAlternateWindingSoNoneIsCulled) {
  Target t(8, 4, GetParam().format());
  t->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CCW);
  t.Rect(0, 0, 8, 4, 0.5f, 0xFFFFFFFF);  // a clockwise strip
  for (int x = 0; x < 8; ++x) EXPECT_EQ(t.Pixel(x, 2), 0xFFFFFFu) << x;
}

TEST_P(Raster, ShadingTakesTheFirstVertexWhenFlat) {
  struct Case {
    D3DPRIMITIVETYPE type;
    DWORD expected;
  } cases[] = {{D3DPT_TRIANGLELIST, 0xFF0000},
               {D3DPT_TRIANGLESTRIP, 0xFF0000},
               {D3DPT_TRIANGLEFAN, 0x00FF00}};
  for (const Case& c : cases) {
    Target t(8, 8, GetParam().format());
    t->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
    t.Draw(c.type, {{0, 0, 0.5f, 1, 0xFFFF0000, 0},
                    {8, 0, 0.5f, 1, 0xFF00FF00, 0},
                    {0, 8, 0.5f, 1, 0xFF0000FF, 0}});
    EXPECT_EQ(t.Pixel(2, 2), c.expected) << c.type;
  }
}

TEST_P(Raster, GouraudInterpolatesBetweenVertices) {
  Target t(9, 2, GetParam().format());
  // Red 0 at x = 0 and 255 at x = 8: the centre pixel gets half.
  t.Draw(D3DPT_TRIANGLESTRIP, {{0, 0, 0.5f, 1, 0xFF000000, 0},
                               {8, 0, 0.5f, 1, 0xFFFF0000, 0},
                               {0, 2, 0.5f, 1, 0xFF000000, 0},
                               {8, 2, 0.5f, 1, 0xFFFF0000, 0}});
  EXPECT_NEAR(Channel(t.Pixel(4, 1), 0), 127.5, Tolerance(t.format(), 0));
  EXPECT_EQ(t.Pixel(0, 1), 0u);
}

TEST_P(Raster, WireframeDrawsTheEdgesOnly) {
  Target t(8, 8, GetParam().format());
  t->SetRenderState(D3DRENDERSTATE_FILLMODE, D3DFILL_WIREFRAME);
  t.Draw(D3DPT_TRIANGLELIST, {{1, 1, 0.5f, 1, 0xFFFFFFFF, 0},
                              {7, 1, 0.5f, 1, 0xFFFFFFFF, 0},
                              {1, 7, 0.5f, 1, 0xFFFFFFFF, 0}});
  for (int x = 1; x < 7; ++x) EXPECT_EQ(t.Pixel(x, 1), 0xFFFFFFu) << "top edge " << x;
  for (int y = 2; y < 7; ++y) EXPECT_EQ(t.Pixel(1, y), 0xFFFFFFu) << "left edge " << y;
  EXPECT_EQ(t.Pixel(4, 4), 0xFFFFFFu);  // on the hypotenuse
  EXPECT_EQ(t.Pixel(2, 3), 0u);         // inside
  EXPECT_EQ(t.Pixel(5, 5), 0u);         // outside
}

TEST_P(Raster, PointFillAndPointsCoverTheTruncatedPixel) {
  Target t(8, 8, GetParam().format());
  t.Draw(D3DPT_POINTLIST,
         {{2.0f, 3.0f, 0.5f, 1, 0xFFFFFFFF, 0}, {5.7f, 6.2f, 0.5f, 1, 0xFFFF0000, 0}});
  EXPECT_EQ(t.Pixel(2, 3), 0xFFFFFFu);
  EXPECT_EQ(t.Pixel(5, 6), 0xFF0000u);
  EXPECT_EQ(t.Pixel(6, 6), 0u);
}

TEST_P(Raster, ClearDepthStaysInItsRectangleAndTheViewport) {
  Target t(8, 8, GetParam().format());
  D3DRECT r{2, 2, 5, 6};
  ASSERT_EQ(t->Clear(1, &r, D3DCLEAR_ZBUFFER, 0, 0.25f, 0), D3D_OK);
  const DWORD quarter = static_cast<DWORD>(std::lround(0.25f * 65535));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(t.Depth(x, y), (x >= 2 && x < 5 && y >= 2 && y < 6) ? quarter : 0xFFFFu);
  D3DVIEWPORT7 vp{0, 0, 3, 3, 0, 1};
  ASSERT_EQ(t->SetViewport(&vp), D3D_OK);
  t.ClearDepth(0.0f);
  EXPECT_EQ(t.Depth(2, 2), 0u);
  EXPECT_EQ(t.Depth(3, 3), quarter);
  EXPECT_EQ(t.Depth(6, 6), 0xFFFFu);
}

TEST_P(Raster, DrawingStaysInsideTheViewport) {
  Target t(8, 8, GetParam().format());
  D3DVIEWPORT7 vp{2, 2, 4, 4, 0, 1};
  ASSERT_EQ(t->SetViewport(&vp), D3D_OK);
  t.Rect(-100, -100, 100, 100, 0.5f, 0xFFFFFFFF);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(t.Pixel(x, y), (x >= 2 && x < 6 && y >= 2 && y < 6) ? 0xFFFFFFu : 0u);
}

INSTANTIATE_TEST_SUITE_P(Formats, Raster, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

// --------------------------------------------------------- transformed vertices

namespace {

void Camera(Target& t, float nearZ, float farZ) {
  D3DMATRIX p = rastertest::Perspective(nearZ, farZ);
  ASSERT_EQ(t->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &p), D3D_OK);
}

// A square facing the camera at eye depth z, covering the whole view.
std::vector<LVertex> Wall(float z, DWORD color, DWORD specular = 0) {
  return {{-z, z, z, color, specular},
          {z, z, z, color, specular},
          {-z, -z, z, color, specular},
          {z, -z, z, color, specular}};
}

}  // namespace

struct FogCase {
  const char* name;
  bool table;
  DWORD formula;
  float start, end, density;
  double expected;  // fog factor at eye depth 51
};

class Fog : public ::testing::TestWithParam<FogCase> {};

TEST_P(Fog, FactorAtAKnownDepth) {
  const FogCase& c = GetParam();
  for (auto format : {platform::pixels::R5G6B5, platform::pixels::X8R8G8B8}) {
    Target t(4, 4, format());
    Camera(t, 1, 101);
    auto bits = [](float f) {
      DWORD v;
      std::memcpy(&v, &f, 4);
      return v;
    };
    t->SetRenderState(D3DRENDERSTATE_FOGENABLE, TRUE);
    t->SetRenderState(D3DRENDERSTATE_FOGCOLOR, 0x000000FF);
    t->SetRenderState(c.table ? D3DRENDERSTATE_FOGTABLEMODE : D3DRENDERSTATE_FOGVERTEXMODE,
                      c.formula);
    t->SetRenderState(D3DRENDERSTATE_FOGSTART, bits(c.start));
    t->SetRenderState(D3DRENDERSTATE_FOGEND, bits(c.end));
    t->SetRenderState(D3DRENDERSTATE_FOGDENSITY, bits(c.density));
    t.DrawModel(D3DPT_TRIANGLESTRIP, Wall(51, 0xFFFF0000));
    const DWORD p = t.Pixel(2, 2);
    EXPECT_NEAR(Channel(p, 0), c.expected * 255, Tolerance(t.format(), 0) + 1);
    EXPECT_NEAR(Channel(p, 2), (1 - c.expected) * 255, Tolerance(t.format(), 2) + 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, Fog,
    ::testing::Values(FogCase{"VertexLinear", false, D3DFOG_LINEAR, 1, 101, 1, 0.5},
                      FogCase{"VertexExp", false, D3DFOG_EXP, 0, 1, 0.02f, std::exp(-1.02)},
                      FogCase{"VertexExp2", false, D3DFOG_EXP2, 0, 1, 0.02f, std::exp(-1.0404)},
                      FogCase{"TableLinear", true, D3DFOG_LINEAR, 1, 101, 1, 0.5},
                      FogCase{"TableExp", true, D3DFOG_EXP, 0, 1, 0.02f, std::exp(-1.02)}),
    [](const auto& info) { return std::string(info.param.name); });

namespace {

// A red square of pre-transformed vertices under blue vertex fog, with the
// given specular colour or none; the colour it leaves.
DWORD FoggedSquare(std::optional<DWORD> specular) {
  Target t(4, 4, platform::pixels::X8R8G8B8());
  t->SetRenderState(D3DRENDERSTATE_FOGENABLE, TRUE);
  t->SetRenderState(D3DRENDERSTATE_FOGCOLOR, 0x0000FF);
  std::vector<TLVertex> v = {{0, 0, 0.5f, 1, 0xFFFF0000, specular.value_or(0)},
                             {4, 0, 0.5f, 1, 0xFFFF0000, specular.value_or(0)},
                             {0, 4, 0.5f, 1, 0xFFFF0000, specular.value_or(0)},
                             {4, 4, 0.5f, 1, 0xFFFF0000, specular.value_or(0)}};
  if (specular) {
    t.Draw(D3DPT_TRIANGLESTRIP, v);
  } else {
    struct Plain {
      float x, y, z, rhw;
      DWORD diffuse;
    };
    std::vector<Plain> plain;
    for (const TLVertex& p : v) plain.push_back({p.x, p.y, p.z, p.rhw, p.diffuse});
    EXPECT_EQ(t->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, plain.data(), 4,
                               D3DDP_WAIT),
              D3D_OK);
  }
  return t.Pixel(1, 1);
}

}  // namespace

TEST(RasterFog, PreTransformedVerticesCarryTheFactorInTheSpecularAlpha) {
  const DWORD pixel = FoggedSquare(0x40000000);
  EXPECT_NEAR(Channel(pixel, 0), 64, 1);
  EXPECT_NEAR(Channel(pixel, 2), 191, 1);
}

// Particles carry no specular colour: vertex fog leaves them as they are,
// while a specular alpha of 0 is fully fogged.
TEST(RasterFog, PreTransformedVerticesWithoutASpecularColourAreUnfogged) {
  EXPECT_EQ(FoggedSquare(std::nullopt), 0xFF0000u);
  EXPECT_EQ(FoggedSquare(0), 0x0000FFu);
}

// A floor from behind the camera to far in front: the part behind the camera
// would land above the horizon if it were projected unclipped.
TEST(RasterClipping, NearPlaneKeepsWhatIsBehindTheCameraOffTheScreen) {
  for (auto format : {platform::pixels::R5G6B5, platform::pixels::X8R8G8B8}) {
    Target t(16, 16, format());
    Camera(t, 1, 100);
    t.DrawModel(D3DPT_TRIANGLESTRIP, {{-50, -1, -20, 0xFFFFFFFF, 0},
                                      {50, -1, -20, 0xFFFFFFFF, 0},
                                      {-50, -1, 50, 0xFFFFFFFF, 0},
                                      {50, -1, 50, 0xFFFFFFFF, 0}});
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 16; ++x) EXPECT_EQ(t.Pixel(x, y), 0u) << x << "," << y;
    EXPECT_EQ(t.Pixel(8, 15), 0xFFFFFFu);
    EXPECT_EQ(t.Pixel(0, 15), 0xFFFFFFu);
  }
}

TEST(RasterClipping, WallsBeyondTheFarPlaneOrBehindTheCameraDrawNothing) {
  Target t(8, 8, platform::pixels::X8R8G8B8());
  Camera(t, 1, 100);
  t.DrawModel(D3DPT_TRIANGLESTRIP, Wall(150, 0xFFFFFFFF));
  t.DrawModel(D3DPT_TRIANGLESTRIP, Wall(-5, 0xFFFFFFFF));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(t.Pixel(x, y), 0u);
  t.DrawModel(D3DPT_TRIANGLESTRIP, Wall(50, 0xFFFFFFFF));
  EXPECT_EQ(t.Pixel(4, 4), 0xFFFFFFu);
}

TEST(RasterClipping, UserPlaneCutsInWorldSpace) {
  Target t(8, 8, platform::pixels::X8R8G8B8());
  Camera(t, 1, 100);
  float plane[4] = {1, 0, 0, 0};  // keeps x ≥ 0
  ASSERT_EQ(t->SetClipPlane(0, plane), D3D_OK);
  t->SetRenderState(D3DRENDERSTATE_CLIPPLANEENABLE, 1);
  t.DrawModel(D3DPT_TRIANGLESTRIP, Wall(10, 0xFFFFFFFF));
  for (int x = 0; x < 8; ++x) EXPECT_EQ(t.Pixel(x, 4), x >= 4 ? 0xFFFFFFu : 0u) << x;
}

TEST(RasterTransform, VertexBlendingMixesTheWorldMatrices) {
  Target t(8, 8, platform::pixels::X8R8G8B8());
  Camera(t, 1, 100);
  D3DMATRIX shift{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 20, 0, 0, 1};  // moves x by 20
  ASSERT_EQ(t->SetTransform(D3DTRANSFORMSTATE_WORLD1, &shift), D3D_OK);
  t->SetRenderState(D3DRENDERSTATE_VERTEXBLEND, D3DVERTEXBLEND_1WEIGHTS);
  struct BVertex {
    float x, y, z, weight;
    DWORD diffuse;
  };
  // Weight 1 keeps the square on WORLD; weight 0.5 moves it half-way (x + 10).
  for (float weight : {1.0f, 0.5f}) {
    t.Fill(0);
    std::vector<BVertex> v = {{-1 - 10 * (1 - weight) * 2, 1, 10, weight, 0xFFFFFFFF},
                              {1 - 10 * (1 - weight) * 2, 1, 10, weight, 0xFFFFFFFF},
                              {-1 - 10 * (1 - weight) * 2, -1, 10, weight, 0xFFFFFFFF},
                              {1 - 10 * (1 - weight) * 2, -1, 10, weight, 0xFFFFFFFF}};
    ASSERT_EQ(t->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZB1 | D3DFVF_DIFFUSE, v.data(), 4,
                               D3DDP_WAIT),
              D3D_OK);
    // Either way the square lands in the middle: x ∈ [−1, 1] at depth 10.
    EXPECT_EQ(t.Pixel(4, 4), 0xFFFFFFu) << weight;
    EXPECT_EQ(t.Pixel(0, 4), 0u) << weight;
  }
}

TEST(RasterDither, SixteenBitTargetsMixNeighbouringLevels) {
  Target t(4, 4, platform::pixels::R5G6B5());
  t->SetRenderState(D3DRENDERSTATE_DITHERENABLE, TRUE);
  t.Rect(0, 0, 4, 4, 0.5f, 0xFF440000);  // red 68: between the levels 66 and 74
  int sum = 0, low = 0, high = 0;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      int r = Channel(t.Pixel(x, y), 0);
      sum += r;
      low += r == 66;
      high += r == 74;
    }
  EXPECT_EQ(low + high, 16);
  EXPECT_GT(high, 0);
  EXPECT_NEAR(sum / 16.0, 68, 2.5);
}

TEST(RasterDevice, DrawingOutsideASceneIsRefused) {
  Target t(4, 4, platform::pixels::X8R8G8B8());
  ASSERT_EQ(t->EndScene(), D3D_OK);
  TLVertex v[3] = {};
  EXPECT_EQ(t->DrawPrimitive(D3DPT_TRIANGLELIST, rastertest::kTLFormat, v, 3, 0),
            D3DERR_SCENE_NOT_IN_SCENE);
  ASSERT_EQ(t->BeginScene(), D3D_OK);
}

TEST(RasterDevice, IndexedDrawsSkipIndicesBeyondTheVertices) {
  Target t(8, 8, platform::pixels::X8R8G8B8());
  TLVertex v[4] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0},
                   {8, 0, 0.5f, 1, 0xFFFFFFFF, 0},
                   {0, 8, 0.5f, 1, 0xFFFFFFFF, 0},
                   {8, 8, 0.5f, 1, 0xFFFFFFFF, 0}};
  WORD indices[6] = {0, 1, 2, 1, 3, 900};
  EXPECT_EQ(t->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, rastertest::kTLFormat, v, 4, indices, 6, 0),
            D3D_OK);
  EXPECT_EQ(t.Pixel(1, 1), 0xFFFFFFu);
  EXPECT_EQ(t.Pixel(6, 6), 0u);
}

struct DepthFormatCase {
  DWORD total, stencil;
};

TEST(RasterDepth, EveryZFormatStoresTheQuantisedDepth) {
  for (DepthFormatCase c : {DepthFormatCase{16, 0}, {24, 0}, {32, 8}, {32, 0}}) {
    Target t(4, 4, platform::pixels::X8R8G8B8(), c.total, c.stencil);
    t->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    t->SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_LESS);
    t.ClearDepth(0.5f);
    t.Rect(0, 0, 2, 4, 0.25f, 0xFFFFFFFF);
    t.Rect(2, 0, 4, 4, 0.75f, 0xFFFFFFFF);
    const double max =
        c.total - c.stencil >= 32 ? 4294967295.0 : double((1u << (c.total - c.stencil)) - 1);
    EXPECT_EQ(t.Depth(1, 1), static_cast<DWORD>(0.25 * max + 0.5)) << c.total;
    EXPECT_EQ(t.Depth(3, 1), static_cast<DWORD>(0.5 * max + 0.5)) << c.total;
    EXPECT_EQ(t.Pixel(3, 1), 0u) << c.total;
  }
}

// With W-buffering the buffer holds the eye depth over the far plane's.
TEST(RasterDepth, WBufferHoldsEyeDepthAndTheNearerWallWins) {
  Target t(4, 4, platform::pixels::X8R8G8B8());
  Camera(t, 1, 101);
  t->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_USEW);
  t.DrawModel(D3DPT_TRIANGLESTRIP, Wall(51, 0xFF00FF00));
  EXPECT_EQ(t.Depth(2, 2), static_cast<DWORD>(std::lround(51.0 / 101.0 * 65535)));
  t.DrawModel(D3DPT_TRIANGLESTRIP, Wall(80, 0xFFFF0000));
  EXPECT_EQ(t.Pixel(2, 2), 0x00FF00u);
  t.DrawModel(D3DPT_TRIANGLESTRIP, Wall(20, 0xFF0000FF));
  EXPECT_EQ(t.Pixel(2, 2), 0x0000FFu);
}

TEST(RasterDepth, BiasBringsACoplanarDecalInFront) {
  Target t(4, 4, platform::pixels::X8R8G8B8());
  t->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
  t->SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_LESS);
  t.Rect(0, 0, 4, 4, 0.5f, 0xFFFF0000);
  t.Rect(0, 0, 4, 4, 0.5f, 0xFF00FF00);  // same depth: refused under LESS
  EXPECT_EQ(t.Pixel(1, 1), 0xFF0000u);
  t->SetRenderState(D3DRENDERSTATE_ZBIAS, 1);
  t.Rect(0, 0, 4, 4, 0.5f, 0xFF0000FF);
  EXPECT_EQ(t.Pixel(1, 1), 0x0000FFu);
}

TEST(RasterLines, OnePixelWideWithoutTheLastPixel) {
  Target t(8, 8, platform::pixels::X8R8G8B8());
  t.Draw(D3DPT_LINESTRIP, {{1, 2, 0.5f, 1, 0xFFFFFFFF, 0},
                           {5, 2, 0.5f, 1, 0xFFFFFFFF, 0},
                           {5, 6, 0.5f, 1, 0xFFFFFFFF, 0}});
  for (int x = 0; x < 8; ++x) EXPECT_EQ(t.Pixel(x, 2), (x >= 1 && x <= 5) ? 0xFFFFFFu : 0u) << x;
  for (int y = 3; y < 8; ++y) EXPECT_EQ(t.Pixel(5, y), y < 6 ? 0xFFFFFFu : 0u) << y;
}
