// Fill rate (pixels per second) of the software rasteriser at 640x480, flat
// and Gouraud, in 16 and 32 bits, the throughput of small transformed
// triangles, and one frame of the full-screen texture effects ("rotozoomer",
// "wobble") at 640x480 and 1024x768 in both formats, with the device work
// those commands send: the same vertices, strips and states. Build in Release:
//
//   cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVOXA2_SANITIZE=OFF
//   ninja -C build-release bench_raster_parts && build-release/bench/bench_raster_parts
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/d3d.h"
#include "platform/fakehardware.h"

namespace {

struct Device {
  IDirectDraw7* dd = nullptr;
  IDirectDrawSurface7* target = nullptr;
  IDirectDrawSurface7* z = nullptr;
  IDirect3D7* d3d = nullptr;
  IDirect3DDevice7* device = nullptr;

  Device(int w, int h, const DDPIXELFORMAT& format) {
    void* object = nullptr;
    DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr);
    dd = static_cast<IDirectDraw7*>(object);
    dd->SetCooperativeLevel(reinterpret_cast<HWND>(std::uintptr_t{1}), DDSCL_NORMAL);
    auto make = [&](DWORD caps, const DDPIXELFORMAT& f) {
      DDSURFACEDESC2 d{};
      d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
      d.dwWidth = static_cast<DWORD>(w);
      d.dwHeight = static_cast<DWORD>(h);
      d.ddpfPixelFormat = f;
      d.ddsCaps.dwCaps = caps;
      IDirectDrawSurface7* s = nullptr;
      dd->CreateSurface(&d, &s, nullptr);
      return s;
    };
    target = make(DDSCAPS_3DDEVICE, format);
    z = make(DDSCAPS_ZBUFFER, platform::MakeZFormat(format.dwRGBBitCount == 16 ? 16 : 32,
                                                    format.dwRGBBitCount == 16 ? 0 : 8));
    target->AddAttachedSurface(z);
    dd->QueryInterface(IID_IDirect3D7, &object);
    d3d = static_cast<IDirect3D7*>(object);
    d3d->CreateDevice(platform::HardwareD3DDevice().desc.deviceGUID, target, &device);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    device->BeginScene();
  }
  ~Device() {
    device->EndScene();
    device->Release();
    d3d->Release();
    z->Release();
    target->Release();
    dd->Release();
  }
};

struct TLVertex {
  float x, y, z, rhw;
  DWORD diffuse;
};

DDPIXELFORMAT FormatOf(int bits) {
  return bits == 16 ? platform::pixels::R5G6B5() : platform::pixels::X8R8G8B8();
}

// Full-screen quads, front to back would reject by depth: drawn at one depth
// with LESSEQUAL so every pixel passes the test and writes.
void Fill(benchmark::State& state, bool gouraud) {
  const int bits = static_cast<int>(state.range(0));
  Device dev(640, 480, FormatOf(bits));
  dev.device->SetRenderState(D3DRENDERSTATE_SHADEMODE, gouraud ? D3DSHADE_GOURAUD : D3DSHADE_FLAT);
  dev.device->SetRenderState(D3DRENDERSTATE_ZENABLE, gouraud ? D3DZB_TRUE : D3DZB_FALSE);
  dev.device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, TRUE);
  dev.device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  TLVertex v[4] = {{0, 0, 0.5f, 1, 0xFFFF0000},
                   {640, 0, 0.5f, 1, 0xFF00FF00},
                   {0, 480, 0.5f, 1, 0xFF0000FF},
                   {640, 480, 0.5f, 1, 0xFFFFFFFF}};
  for (auto _ : state) {
    dev.device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, v, 4, 0);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 640 * 480);
  state.SetLabel(std::to_string(bits) + "-bit, items = pixels");
}

void FlatFill(benchmark::State& state) { Fill(state, false); }
void GouraudDepthFill(benchmark::State& state) { Fill(state, true); }

// A grid of small model-space triangles (about 8 pixels each), transformed,
// clipped and depth-tested: the load of a scene of many small faces.
void SmallTriangles(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  Device dev(640, 480, FormatOf(bits));
  D3DMATRIX proj{};
  proj._11 = 0.75f;
  proj._22 = 1;
  proj._33 = 100.0f / 99.0f;
  proj._34 = 1;
  proj._43 = -100.0f / 99.0f;
  dev.device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &proj);
  dev.device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
  dev.device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  struct V {
    float x, y, z;
    DWORD diffuse;
  };
  std::vector<V> tris;
  const int cols = 160, rows = 60;  // 9600 quads, 19200 triangles
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      float x = -1.0f + 2.0f * c / cols, y = -0.75f + 1.5f * r / rows;
      float dx = 2.0f / cols * 0.5f, dy = 1.5f / rows * 0.5f;
      DWORD color = 0xFF000000u | static_cast<DWORD>(r * 4) << 8 | static_cast<DWORD>(c);
      V a{x, y, 1, color}, b{x + dx, y, 1, color}, d{x, y + dy, 1, color},
          e{x + dx, y + dy, 1, color};
      tris.insert(tris.end(), {a, b, d, d, b, e});
    }
  const DWORD count = static_cast<DWORD>(tris.size());
  for (auto _ : state) {
    dev.device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZ | D3DFVF_DIFFUSE, tris.data(), count,
                              0);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * (count / 3));
  state.SetLabel(std::to_string(bits) + "-bit, items = triangles");
}

// A 256x256 texture in the target's depth, with the device states that the
// full-screen effects meet by default on a hardware device: texture ×
// diffuse, bilinear, wrap, alpha blending, dithering, no depth test.
IDirectDrawSurface7* EffectTexture(Device& dev, int bits) {
  DDSURFACEDESC2 d{};
  d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  d.dwWidth = 256;
  d.dwHeight = 256;
  d.ddpfPixelFormat = bits == 16 ? platform::pixels::R5G6B5() : platform::pixels::A8R8G8B8();
  d.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
  IDirectDrawSurface7* tex = nullptr;
  dev.dd->CreateSurface(&d, &tex, nullptr);
  DDSURFACEDESC2 lock{};
  tex->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr);
  for (int y = 0; y < 256; ++y) {
    BYTE* row = static_cast<BYTE*>(lock.lpSurface) + y * lock.lPitch;
    for (int x = 0; x < 256; ++x) {
      const std::uint32_t r = static_cast<std::uint32_t>(x), g = static_cast<std::uint32_t>(y),
                          b = static_cast<std::uint32_t>((x ^ y) & 255);
      if (bits == 16)
        reinterpret_cast<std::uint16_t*>(row)[x] =
            static_cast<std::uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
      else
        reinterpret_cast<std::uint32_t*>(row)[x] = 0xFF000000u | r << 16 | g << 8 | b;
    }
  }
  tex->Unlock(nullptr);
  IDirect3DDevice7* dv = dev.device;
  dv->SetTexture(0, tex);
  dv->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
  dv->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
  dv->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_NONE);
  dv->SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_WRAP);
  dv->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  dv->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  dv->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  dv->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  dv->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  dv->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  dv->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  dv->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
  dv->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
  dv->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
  dv->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  dv->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  dv->SetRenderState(D3DRENDERSTATE_DITHERENABLE, TRUE);
  return tex;
}

struct TexVertex {
  float x, y, z, rhw;
  DWORD diffuse;
  float u, v;
};
constexpr DWORD kTexVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Arguments: screen width (the height follows 4:3), bits per pixel.
int HeightOf(int width) { return width * 3 / 4; }

// One rotozoomer frame: the drawing area as one indexed quad whose texture
// coordinates are turned (20 degrees, moving) and zoomed (1.3) about the centre.
void RotozoomerFrame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = HeightOf(w);
  const int bits = static_cast<int>(state.range(1));
  Device dev(w, h, FormatOf(bits));
  IDirectDrawSurface7* tex = EffectTexture(dev, bits);
  const WORD indices[6] = {0, 1, 2, 0, 2, 3};
  float t = 0;
  for (auto _ : state) {
    const double theta = 0.349 + t;
    const auto p = static_cast<float>(1.3 * std::cos(theta)),
               q = static_cast<float>(1.3 * std::sin(theta));
    const float cx[4] = {-0.5f, 0.5f, 0.5f, -0.5f}, cy[4] = {-0.5f, -0.5f, 0.5f, 0.5f};
    TexVertex quad[4];
    for (int i = 0; i < 4; ++i)
      quad[i] = {(cx[i] + 0.5f) * static_cast<float>(w),
                 (cy[i] + 0.5f) * static_cast<float>(h),
                 0,
                 1,
                 0xFFFFFFFF,
                 p * cx[i] + q * cy[i] + 0.5f,
                 -q * cx[i] + p * cy[i] + 0.5f};
    dev.device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, kTexVertexFormat, quad, 4,
                                     const_cast<WORD*>(indices), 6, 0);
    benchmark::ClobberMemory();
    t += 0.01f;
  }
  dev.device->SetTexture(0, nullptr);
  tex->Release();
  state.SetItemsProcessed(state.iterations() * w * h);
  state.SetLabel(std::to_string(w) + "x" + std::to_string(h) + " " + std::to_string(bits) +
                 "-bit, items = pixels");
}

// One wobble frame with the default parameters: a 32x24 grid built anew
// (waves, turn, zoom) and drawn as one serpentine indexed strip.
void WobbleFrame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = HeightOf(w);
  const int bits = static_cast<int>(state.range(1));
  Device dev(w, h, FormatOf(bits));
  IDirectDrawSurface7* tex = EffectTexture(dev, bits);
  constexpr int nx = 32, ny = 24;
  std::vector<TexVertex> grid((nx + 1) * (ny + 1));
  std::vector<WORD> strip;
  for (int j = 0; j < ny; ++j) {
    const int top = j * (nx + 1), bottom = top + nx + 1;
    const bool last = j == ny - 1;
    if (j % 2 == 0) {
      for (int c = 0; c < nx; ++c) strip.insert(strip.end(), {WORD(top + c), WORD(bottom + c)});
      strip.push_back(WORD(top + nx));
      if (last) strip.push_back(WORD(bottom + nx));
    } else {
      for (int c = nx; c > 0; --c) strip.insert(strip.end(), {WORD(top + c), WORD(bottom + c)});
      strip.push_back(WORD(top));
      if (last) strip.push_back(WORD(bottom));
    }
  }
  float t = 0;
  for (auto _ : state) {
    const float cw = static_cast<float>(w) / nx, ch = static_cast<float>(h) / ny;
    const float du = 1.0f / nx, dv = 1.0f / ny, add = t * 0.1f;
    TexVertex* out = grid.data();
    float y = 0, v = 0;
    for (int r = 0; r <= ny; ++r, y += ch, v += dv) {
      const float push = 0.1f * std::sin(v * 5.0f + add);
      float x = 0, u = 0;
      for (int c = 0; c <= nx; ++c, x += cw, u += du)
        *out++ = {x, y, 0, 1, 0xFFFFFFFF, u + push, v + 0.1f * std::sin(u * 5.0f + add)};
    }
    dev.device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, kTexVertexFormat, grid.data(),
                                     static_cast<DWORD>(grid.size()), strip.data(),
                                     static_cast<DWORD>(strip.size()), 0);
    benchmark::ClobberMemory();
    t += 0.02f;
  }
  dev.device->SetTexture(0, nullptr);
  tex->Release();
  state.SetItemsProcessed(state.iterations() * w * h);
  state.SetLabel(std::to_string(w) + "x" + std::to_string(h) + " " + std::to_string(bits) +
                 "-bit, items = pixels");
}

}  // namespace

BENCHMARK(FlatFill)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(GouraudDepthFill)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(SmallTriangles)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(RotozoomerFrame)->ArgsProduct({{640, 1024}, {16, 32}})->Unit(benchmark::kMillisecond);
BENCHMARK(WobbleFrame)->ArgsProduct({{640, 1024}, {16, 32}})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
