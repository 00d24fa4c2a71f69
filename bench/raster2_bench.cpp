// The rasteriser's reference workloads (bench/raster_cases.h): the textured
// fill under each addressing mode on 32-bit and 5-6-5 targets, and 100,000
// small lit triangles per frame with the depth test, at 640x480, with 1, 2
// and the machine's number of rasteriser threads (VOXA2_THREADS, when set,
// picks one count). A frame ends when its drawing has landed in memory.
//
// bench/llvmpipe_bench.cpp renders the same through Mesa's llvmpipe. Build
// in Release:
//   cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVOXA2_SANITIZE=OFF
//   ninja -C build-release bench_raster && build-release/bench/bench_raster
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/raster_cases.h"
#include "platform/d3d.h"
#include "platform/fakehardware.h"

namespace {

using rasterbench::kHeight;
using rasterbench::kWidth;

struct Device {
  IDirectDraw7* dd = nullptr;
  IDirectDrawSurface7* target = nullptr;
  IDirectDrawSurface7* z = nullptr;
  IDirect3D7* d3d = nullptr;
  IDirect3DDevice7* device = nullptr;

  explicit Device(int bits) {
    void* object = nullptr;
    DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr);
    dd = static_cast<IDirectDraw7*>(object);
    dd->SetCooperativeLevel(reinterpret_cast<HWND>(std::uintptr_t{1}), DDSCL_NORMAL);
    target = Make(DDSCAPS_3DDEVICE, kWidth, kHeight,
                  bits == 16 ? platform::pixels::R5G6B5() : platform::pixels::X8R8G8B8());
    z = Make(DDSCAPS_ZBUFFER, kWidth, kHeight,
             bits == 16 ? platform::MakeZFormat(16, 0) : platform::MakeZFormat(32, 8));
    target->AddAttachedSurface(z);
    dd->QueryInterface(IID_IDirect3D7, &object);
    d3d = static_cast<IDirect3D7*>(object);
    d3d->CreateDevice(platform::HardwareD3DDevice().desc.deviceGUID, target, &device);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
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
  IDirectDrawSurface7* Make(DWORD caps, int w, int h, const DDPIXELFORMAT& f) {
    DDSURFACEDESC2 d{};
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    d.dwWidth = static_cast<DWORD>(w);
    d.dwHeight = static_cast<DWORD>(h);
    d.ddpfPixelFormat = f;
    d.ddsCaps.dwCaps = caps;
    IDirectDrawSurface7* s = nullptr;
    dd->CreateSurface(&d, &s, nullptr);
    return s;
  }
};

template <typename F>
double SecondsPerFrame(F frame) {
  using Clock = std::chrono::steady_clock;
  frame();  // warm-up
  platform::FinishDrawing();
  int frames = 0;
  const auto start = Clock::now();
  double elapsed = 0;
  while (elapsed < 2.0 || frames < 3) {
    frame();
    platform::FinishDrawing();
    ++frames;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  }
  return elapsed / frames;
}

double Fill(const rasterbench::FillCase& c) {
  Device dev(c.bits);
  IDirect3DDevice7* d = dev.device;
  IDirectDrawSurface7* tex =
      dev.Make(DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY, 256, 256, platform::pixels::A8R8G8B8());
  DDSURFACEDESC2 desc{};
  tex->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)
      reinterpret_cast<std::uint32_t*>(static_cast<BYTE*>(desc.lpSurface) + y * desc.lPitch)[x] =
          0x80000000u | static_cast<std::uint32_t>(x) << 16 | static_cast<std::uint32_t>(y) << 8 |
          static_cast<std::uint32_t>((x ^ y) & 255);
  tex->Unlock(nullptr);
  d->SetTexture(0, tex);
  d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
  d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
  d->SetRenderState(D3DRENDERSTATE_DITHERENABLE, c.bits == 16);
  d->SetTextureStageState(0, D3DTSS_ADDRESS,
                          c.addressing == rasterbench::Addressing::Mirror  ? D3DTADDRESS_MIRROR
                          : c.addressing == rasterbench::Addressing::Clamp ? D3DTADDRESS_CLAMP
                                                                           : D3DTADDRESS_WRAP);
  constexpr float lo = rasterbench::kTexLow, hi = rasterbench::kTexHigh;
  struct V {
    float x, y, z, rhw;
    DWORD diffuse;
    float u, v;
  } quad[4] = {{-0.5f, -0.5f, 0.5f, 1, 0xFFFF8040, lo, lo},
               {kWidth - 0.5f, -0.5f, 0.5f, 1, 0xFF40FF80, hi, lo},
               {-0.5f, kHeight - 0.5f, 0.5f, 1, 0xFF8040FF, lo, hi},
               {kWidth - 0.5f, kHeight - 0.5f, 0.5f, 1, 0xFFFFFFFF, hi, hi}};
  const double s = SecondsPerFrame([&] {
    for (int i = 0; i < 10; ++i)
      d->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, quad, 4,
                       0);
  });
  d->SetTexture(0, nullptr);
  tex->Release();
  return 10.0 * kWidth * kHeight / s / 1e6;
}

double Triangles() {
  Device dev(32);
  IDirect3DDevice7* d = dev.device;
  D3DMATRIX proj{};
  proj._11 = 0.75f;
  proj._22 = 1;
  proj._33 = 100.0f / 99.0f;
  proj._34 = 1;
  proj._43 = -100.0f / 99.0f;
  d->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &proj);
  d->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
  d->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
  D3DMATERIAL7 m{{0.8f, 0.6f, 0.4f, 1}, {0.2f, 0.2f, 0.2f, 1}, {}, {}, 0};
  d->SetMaterial(&m);
  d->SetRenderState(D3DRENDERSTATE_AMBIENT, 0x00202020);
  D3DLIGHT7 light{};
  light.dltType = D3DLIGHT_DIRECTIONAL;
  light.dcvDiffuse = {1, 1, 1, 1};
  light.dvDirection = {0.3f, -0.4f, 0.866f};
  d->SetLight(0, &light);
  d->LightEnable(0, TRUE);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
  struct V {
    float x, y, z, nx, ny, nz;
  };
  std::vector<V> tris;
  const int cols = 250, rows = 200;  // 50,000 quads: 100,000 triangles
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      const float x = -1.2f + 2.4f * c / cols, y = -0.9f + 1.8f * r / rows;
      const float dx = 2.4f / cols, dy = 1.8f / rows;
      const float nx = 0.2f * ((c & 3) - 1.5f), ny = 0.2f * ((r & 3) - 1.5f);
      V a{x, y, 1.2f, nx, ny, -1}, b{x + dx, y, 1.2f, nx, ny, -1}, e{x, y + dy, 1.2f, nx, ny, -1},
          f{x + dx, y + dy, 1.2f, nx, ny, -1};
      tris.insert(tris.end(), {a, b, e, e, b, f});
    }
  const DWORD batch = 60000;  // vertices per draw: a 16-bit index range's worth
  const double s = SecondsPerFrame([&] {
    d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    for (size_t i = 0; i < tris.size(); i += batch) {
      const DWORD n = static_cast<DWORD>(std::min<size_t>(batch, tris.size() - i));
      d->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZ | D3DFVF_NORMAL, &tris[i], n, 0);
    }
  });
  return tris.size() / 3.0 / s / 1e6;
}

void Run(int threads) {
  // The rasteriser reads the count when a device is made.
  setenv("VOXA2_THREADS", std::to_string(threads).c_str(), 1);
  for (const rasterbench::FillCase& c : rasterbench::FillCases()) {
    std::printf("%s %.1f\n", rasterbench::Line(c.name, threads).c_str(), Fill(c));
    std::fflush(stdout);
  }
  std::printf("%s %.2f\n", rasterbench::Line("tris", threads).c_str(), Triangles());
  std::fflush(stdout);
}

}  // namespace

int main() {
  if (const char* set = std::getenv("VOXA2_THREADS")) {
    Run(std::atoi(set));
    return 0;
  }
  for (int threads : rasterbench::ThreadCounts()) Run(threads);
  return 0;
}
