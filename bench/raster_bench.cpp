// Fill rate (pixels per second) of the software rasteriser at 640x480, flat
// and Gouraud, in 16 and 32 bits, and the throughput of small transformed
// triangles. Build in Release:
//
//   cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVOXA2_SANITIZE=OFF
//   ninja -C build-release bench_raster_parts && build-release/bench/bench_raster_parts
#include <benchmark/benchmark.h>

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

}  // namespace

BENCHMARK(FlatFill)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(GouraudDepthFill)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(SmallTriangles)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
