// A lit, textured, fogged floor seen in perspective: the properties one
// checks by eye, as rules. Set VOXA2_SCENE_PPM to a path to keep the image.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/fakehardware.h"
#include "tests/platform/raster_support.h"

using rastertest::Target;

namespace {

struct FloorVertex {
  float x, y, z, nx, ny, nz, u, v;
};

int Channel(DWORD c, int k) { return static_cast<int>((c >> (16 - 8 * k)) & 255); }

DWORD FloatBits(float f) {
  DWORD v;
  std::memcpy(&v, &f, sizeof v);
  return v;
}

void WritePpm(const Target& t, const char* path) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return;
  std::fprintf(f, "P6\n%d %d\n255\n", t.width(), t.height());
  for (int y = 0; y < t.height(); ++y)
    for (int x = 0; x < t.width(); ++x) {
      DWORD p = t.Pixel(x, y);
      const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16),
                                    static_cast<unsigned char>(p >> 8),
                                    static_cast<unsigned char>(p)};
      std::fwrite(rgb, 1, 3, f);
    }
  std::fclose(f);
}

}  // namespace

// The camera at the origin looks along +z over a floor at y = −1 from z = 1
// to 20. Row r of the 64-pixel image (pixel centres at integers) shows the
// floor at depth 32/(r − 32).
TEST(Scene, LitTexturedFoggedFloor) {
  Target t(64, 64, platform::pixels::X8R8G8B8());
  const DWORD fog = 0x2040A0;
  t.Fill(fog);
  t.ClearDepth(1.0f);
  D3DMATRIX proj = rastertest::Perspective(0.5f, 50.0f);
  t->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &proj);
  t->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
  t->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
  D3DMATERIAL7 m{{1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0};
  t->SetMaterial(&m);
  D3DLIGHT7 light{};
  light.dltType = D3DLIGHT_DIRECTIONAL;
  light.dcvDiffuse = {1, 1, 1, 1};
  light.dvDirection = {0, -1, 0.5f};
  t->SetLight(0, &light);
  t->LightEnable(0, TRUE);
  t->SetRenderState(D3DRENDERSTATE_FOGENABLE, TRUE);
  t->SetRenderState(D3DRENDERSTATE_FOGCOLOR, fog);
  t->SetRenderState(D3DRENDERSTATE_FOGVERTEXMODE, D3DFOG_LINEAR);
  t->SetRenderState(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_NONE);
  t->SetRenderState(D3DRENDERSTATE_FOGSTART, FloatBits(5.0f));
  t->SetRenderState(D3DRENDERSTATE_FOGEND, FloatBits(20.0f));
  // A 2x2 checker of white and dark grey, one texel per floor unit.
  IDirectDrawSurface7* tex = t.CreateTexture(2, 2, platform::pixels::R5G6B5());
  rastertest::FillTexels(tex, [](int x, int y) { return (x ^ y) & 1 ? 0xFF404040u : 0xFFFFFFFFu; });
  t->SetTexture(0, tex);
  // A strip of rows in depth, so that vertex fog follows the distance closely.
  std::vector<FloorVertex> v;
  for (int k = 0; k <= 38; ++k) {
    const float z = 1.0f + 0.5f * static_cast<float>(k);
    v.push_back({-20, -1, z, 0, 1, 0, -10, z / 2});
    v.push_back({20, -1, z, 0, 1, 0, 10, z / 2});
  }
  ASSERT_EQ(t->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1,
                             v.data(), static_cast<DWORD>(v.size()), 0),
            D3D_OK);
  if (const char* path = std::getenv("VOXA2_SCENE_PPM")) WritePpm(t, path);

  // Above the horizon nothing is drawn.
  for (int x = 0; x < 64; x += 7) EXPECT_EQ(t.Pixel(x, 10), fog);
  // Near rows (depth below the fog start) hold both texels, lit by N·L.
  const double nl = 1 / std::sqrt(1.25);
  bool bright = false, dark = false;
  for (int x = 0; x < 64; ++x) {
    const int g = Channel(t.Pixel(x, 60), 1);
    bright = bright || std::abs(g - 255 * nl) <= 3;
    dark = dark || std::abs(g - 0x41 * nl) <= 3;
  }
  EXPECT_TRUE(bright);
  EXPECT_TRUE(dark);
  // Towards the horizon the floor fades into the fog: rows at depth 16
  // (fog factor 4/15) and 8 (12/15) against a row before the fog starts.
  auto distance = [&](int row) {
    double d = 0;
    for (int x = 0; x < 64; ++x)
      for (int k = 0; k < 3; ++k) d += std::abs(Channel(t.Pixel(x, row), k) - Channel(fog, k));
    return d / 64;
  };
  const double clear = distance(45);
  EXPECT_NEAR(distance(36) / clear, 12.0 / 15, 0.1);
  EXPECT_NEAR(distance(34) / clear, 4.0 / 15, 0.1);
  t->SetTexture(0, nullptr);
  tex->Release();
}
