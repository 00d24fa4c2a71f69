// The rasteriser's threads: the same frames drawn with 1, 2 and 8 threads
// leave the same bytes in the target and the Z-buffer, whatever the state,
// the target format and the order of the draws.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "platform/fakehardware.h"
#include "tests/platform/raster_support.h"

using rastertest::LVertex;
using rastertest::Target;
using rastertest::TexVertex;
using rastertest::TLVertex;

namespace {

constexpr int kWidth = 163, kHeight = 150;  // rows for several bands per thread

struct ModelTexVertex {
  float x, y, z;
  DWORD diffuse, specular;
  float u, v;
};
constexpr DWORD kModelTexFormat = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;

void Ok(HRESULT r) { EXPECT_EQ(r, D3D_OK); }
DWORD Bits(float f) {
  DWORD v;
  std::memcpy(&v, &f, sizeof v);
  return v;
}

// A texture with a pattern per level.
IDirectDrawSurface7* PatternTexture(Target& t, int size, bool mipmaps, DWORD seed) {
  IDirectDrawSurface7* tex = t.CreateTexture(size, size, platform::pixels::A8R8G8B8(), mipmaps);
  int level = 0;
  for (IDirectDrawSurface7* s = tex; s; s = s->nextMipLevel(), ++level)
    rastertest::FillTexels(s, [&](int x, int y) {
      return static_cast<DWORD>(
          (0x60 + 0x30 * (x & 3)) << 24 | ((x * 37 + level * 90) & 255) << 16 |
          ((y * 23 + static_cast<int>(seed)) & 255) << 8 | ((x ^ y) * 11 & 255));
    });
  return tex;
}

void SetTexturing(Target& t, DWORD address, DWORD filter, DWORD mip) {
  t->SetTextureStageState(0, D3DTSS_ADDRESS, address);
  t->SetTextureStageState(0, D3DTSS_MAGFILTER, filter);
  t->SetTextureStageState(0, D3DTSS_MINFILTER,
                          filter == D3DTFG_LINEAR ? D3DTFN_LINEAR : D3DTFN_POINT);
  t->SetTextureStageState(0, D3DTSS_MIPFILTER, mip);
  t->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  t->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
}

// Every kind of draw, with the state changed between them: perspective
// floors (mip-mapped, vertex and table fog, clipped by the near plane),
// blended and alpha-tested triangles in random order and depth, a texture
// rewritten and a part of the Z-buffer cleared between draws, lines,
// points, wire frames, a large lit mesh and a smaller viewport.
void DrawScene(Target& t) {
  std::mt19937 random(7);
  auto below = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
  auto coordinate = [&](int range) { return static_cast<float>(below(range * 16)) / 16.0f - 8; };

  IDirectDrawSurface7* mipmapped = PatternTexture(t, 64, true, 1);
  IDirectDrawSurface7* plain = PatternTexture(t, 16, false, 2);
  D3DMATRIX projection = rastertest::Perspective(1, 60);
  t->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);
  t->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
  t->SetRenderState(D3DRENDERSTATE_DITHERENABLE, TRUE);
  t->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, TRUE);
  t->SetRenderState(D3DRENDERSTATE_FOGENABLE, TRUE);
  t->SetRenderState(D3DRENDERSTATE_FOGCOLOR, 0x406080);
  t->SetRenderState(D3DRENDERSTATE_FOGVERTEXMODE, D3DFOG_LINEAR);
  t->SetRenderState(D3DRENDERSTATE_FOGSTART, Bits(2));
  t->SetRenderState(D3DRENDERSTATE_FOGEND, Bits(40));

  // A floor from behind the camera to the far plane, trilinear, vertex fog.
  t->SetTexture(0, mipmapped);
  SetTexturing(t, D3DTADDRESS_WRAP, D3DTFG_LINEAR, D3DTFP_LINEAR);
  std::vector<ModelTexVertex> floor = {{-30, -1, -5, 0xFFFFFFFF, 0xFF202020, 0, 0},
                                       {30, -1, -5, 0xFFFFC080, 0xFF000000, 24, 0},
                                       {-30, -1, 70, 0xFF80C0FF, 0xFF101010, 0, 24},
                                       {30, -1, 70, 0xFFFFFFFF, 0xFF000000, 24, 24}};
  Ok(t->DrawPrimitive(D3DPT_TRIANGLESTRIP, kModelTexFormat, floor.data(), 4, 0));
  // A ceiling with table fog on eye depth, mirror addressing and the nearest level.
  t->SetRenderState(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_EXP);
  t->SetRenderState(D3DRENDERSTATE_FOGDENSITY, Bits(0.05f));
  SetTexturing(t, D3DTADDRESS_MIRROR, D3DTFG_POINT, D3DTFP_POINT);
  for (ModelTexVertex& v : floor) v.y = 1.5f;
  Ok(t->DrawPrimitive(D3DPT_TRIANGLESTRIP, kModelTexFormat, floor.data(), 4, 0));
  t->SetRenderState(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_NONE);

  // Pre-transformed triangles, blended, in random places, depths and sizes.
  t->SetTexture(0, plain);
  SetTexturing(t, D3DTADDRESS_CLAMP, D3DTFG_LINEAR, D3DTFP_NONE);
  t->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
  t->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  t->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  for (int draw = 0; draw < 40; ++draw) {
    if (draw == 20) {
      // The texture rewritten and the state changed halfway.
      rastertest::FillSolid(plain, 0xA0FF8020);
      t->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
      t->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
      t->SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, TRUE);
      t->SetRenderState(D3DRENDERSTATE_ALPHAREF, 0x70);
      t->SetRenderState(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATER);
    }
    if (draw == 30) {
      D3DRECT band{10, 30, 150, 90};
      t->Clear(1, &band, D3DCLEAR_ZBUFFER, 0, 0.3f, 0);
    }
    const int size = draw % 3 == 0 ? 180 : 30;
    std::vector<TexVertex> v;
    for (int k = 0; k < 9; ++k) {
      const float x0 = coordinate(size) + static_cast<float>(below(kWidth));
      const float y0 = coordinate(size) + static_cast<float>(below(kHeight));
      v.push_back({x0, y0, static_cast<float>(below(1000)) / 1000.0f, 1,
                   static_cast<DWORD>(random()) | 0x20000000u, static_cast<DWORD>(random()),
                   coordinate(4) / 4, coordinate(4) / 4});
    }
    Ok(t->DrawPrimitive(D3DPT_TRIANGLELIST, rastertest::kTexFormat, v.data(), 9, 0));
  }
  t->SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, FALSE);
  t->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
  t->SetTexture(0, nullptr);

  // Lines, points and a wire frame, flat, with the depth test reversed.
  t->SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_GREATEREQUAL);
  t->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
  std::vector<TLVertex> strip;
  for (int k = 0; k < 30; ++k)
    strip.push_back({static_cast<float>(below(kWidth)), static_cast<float>(below(kHeight)), 0.5f, 1,
                     static_cast<DWORD>(random()), 0xFF000000});
  Ok(t->DrawPrimitive(D3DPT_LINESTRIP, rastertest::kTLFormat, strip.data(), 30, 0));
  Ok(t->DrawPrimitive(D3DPT_POINTLIST, rastertest::kTLFormat, strip.data(), 30, 0));
  t->SetRenderState(D3DRENDERSTATE_FILLMODE, D3DFILL_WIREFRAME);
  Ok(t->DrawPrimitive(D3DPT_TRIANGLEFAN, rastertest::kTLFormat, strip.data(), 12, 0));
  t->SetRenderState(D3DRENDERSTATE_FILLMODE, D3DFILL_SOLID);
  t->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD);
  t->SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_LESSEQUAL);

  // A large draw, lit, its vertices transformed in parts, a corner of it
  // behind the near plane.
  t->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
  D3DMATERIAL7 material{{0.8f, 0.6f, 0.4f, 1}, {0.2f, 0.2f, 0.2f, 1}, {}, {}, 0};
  t->SetMaterial(&material);
  D3DLIGHT7 light{};
  light.dltType = D3DLIGHT_DIRECTIONAL;
  light.dcvDiffuse = {1, 1, 1, 1};
  light.dvDirection = {0.3f, -0.4f, 0.866f};
  t->SetLight(0, &light);
  t->LightEnable(0, TRUE);
  struct LitVertex {
    float x, y, z, nx, ny, nz;
  };
  std::vector<LitVertex> grid;
  for (int row = 0; row < 24; ++row)
    for (int column = 0; column < 30; ++column) {
      const float x = -3 + 0.2f * static_cast<float>(column),
                  y = -2 + 0.2f * static_cast<float>(row);
      const float z = 0.5f + 0.08f * static_cast<float>(row + column);
      const float nx = 0.1f * static_cast<float>(column % 4) - 0.15f;
      const LitVertex a{x, y, z, nx, 0, -1}, b{x + 0.2f, y, z, nx, 0, -1},
          c{x, y + 0.2f, z, nx, 0, -1}, d{x + 0.2f, y + 0.2f, z, nx, 0, -1};
      grid.insert(grid.end(), {a, b, c, c, b, d});
    }
  Ok(t->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZ | D3DFVF_NORMAL, grid.data(),
                      static_cast<DWORD>(grid.size()), 0));
  t->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);

  // Walls cut by the near plane, in a smaller viewport.
  D3DVIEWPORT7 viewport{7, 19, 140, 111, 0, 1};
  t->SetViewport(&viewport);
  std::vector<LVertex> wall = {{-4, 3, 0.2f, 0xFFFF0000, 0xFF00FF00},
                               {4, 3, 6, 0xFF00FF00, 0xFF0000FF},
                               {-4, -3, 0.2f, 0xFF0000FF, 0xFFFF0000},
                               {4, -3, 6, 0xFFFFFFFF, 0xFF000000}};
  Ok(t->DrawPrimitive(D3DPT_TRIANGLESTRIP, rastertest::kLFormat, wall.data(), 4, 0));

  t->SetTexture(0, nullptr);
  mipmapped->Release();
  plain->Release();
}

// The target's and the Z-buffer's bytes.
std::vector<BYTE> Contents(const Target& t) {
  std::vector<BYTE> bytes;
  for (IDirectDrawSurface7* s : {t.surface(), t.zBuffer()}) {
    DDSURFACEDESC2 d{};
    EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    const auto* p = static_cast<const BYTE*>(d.lpSurface);
    const size_t row =
        d.dwWidth *
        (s == t.surface() ? d.ddpfPixelFormat.dwRGBBitCount : d.ddpfPixelFormat.dwZBufferBitDepth) /
        8;
    for (DWORD y = 0; y < d.dwHeight; ++y)
      bytes.insert(bytes.end(), p + y * d.lPitch, p + y * d.lPitch + row);
    s->Unlock(nullptr);
  }
  return bytes;
}

struct FormatCase {
  const char* name;
  DDPIXELFORMAT (*format)();
  DWORD zTotal, zStencil;
};

TEST(RasterThreads, EveryThreadCountDrawsTheSameBytes) {
  const FormatCase formats[] = {{"X8R8G8B8, 24-bit Z", platform::pixels::X8R8G8B8, 32, 8},
                                {"R5G6B5 dithered, 16-bit Z", platform::pixels::R5G6B5, 16, 0}};
  for (const FormatCase& f : formats) {
    std::vector<BYTE> reference;
    for (int threads : {1, 2, 8}) {
      Target t(kWidth, kHeight, f.format(), f.zTotal, f.zStencil, threads);
      t.Fill(0x102030);
      DrawScene(t);
      std::vector<BYTE> bytes = Contents(t);
      if (threads == 1)
        reference = bytes;
      else
        EXPECT_TRUE(bytes == reference) << f.name << ", " << threads << " threads";
    }
  }
}

}  // namespace
