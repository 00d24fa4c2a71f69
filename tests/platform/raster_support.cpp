#include "tests/platform/raster_support.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "platform/fakehardware.h"
#include "platform/raster.h"

namespace rastertest {

Target::Target(int width, int height, const DDPIXELFORMAT& format, DWORD zTotal, DWORD zStencil,
               int threads)
    : width_(width), height_(height), format_(format) {
  platform::ResetHardware();
  if (threads > 0)
    platform::Hardware().devices3d[0].rasteriser = [threads] {
      return platform::raster::CreateSoftwareRasteriser(threads);
    };
  void* object = nullptr;
  EXPECT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr), DD_OK);
  dd_ = static_cast<IDirectDraw7*>(object);
  HWND window = reinterpret_cast<HWND>(std::uintptr_t{42});
  EXPECT_EQ(dd_->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
  auto make = [&](DWORD caps, const DDPIXELFORMAT& f) {
    DDSURFACEDESC2 d{};
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    d.dwWidth = static_cast<DWORD>(width);
    d.dwHeight = static_cast<DWORD>(height);
    d.ddpfPixelFormat = f;
    d.ddsCaps.dwCaps = caps;
    IDirectDrawSurface7* s = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&d, &s, nullptr), DD_OK);
    return s;
  };
  surface_ = make(DDSCAPS_3DDEVICE, format);
  if (zTotal) {
    z_ = make(DDSCAPS_ZBUFFER, platform::MakeZFormat(zTotal, zStencil));
    EXPECT_EQ(surface_->AddAttachedSurface(z_), DD_OK);
  }
  EXPECT_EQ(dd_->QueryInterface(IID_IDirect3D7, &object), DD_OK);
  d3d_ = static_cast<IDirect3D7*>(object);
  EXPECT_EQ(d3d_->CreateDevice(platform::HardwareD3DDevice().desc.deviceGUID, surface_, &device_),
            D3D_OK);
  device_->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  device_->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
  device_->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
  Fill(0);
  if (z_) ClearDepth(1.0f);
  EXPECT_EQ(device_->BeginScene(), D3D_OK);
}

Target::~Target() {
  device_->EndScene();
  device_->Release();
  d3d_->Release();
  if (z_) z_->Release();
  surface_->Release();
  dd_->Release();
}

DWORD Target::Pixel(int x, int y) const {
  int bytes = static_cast<int>(format_.dwRGBBitCount / 8);
  const BYTE* p = surface_->pixels() + y * surface_->pitch() + x * bytes;
  return platform::pixels::Unpack(format_, platform::pixels::Read(p, bytes));
}

DWORD Target::Depth(int x, int y) const {
  int bytes = static_cast<int>((z_->format().dwZBufferBitDepth + 7) / 8);
  const BYTE* p = z_->pixels() + y * z_->pitch() + x * bytes;
  return platform::pixels::Read(p, bytes) & z_->format().dwZBitMask;
}

void Target::Fill(DWORD rgb) {
  DDBLTFX fx{sizeof fx, platform::pixels::Pack(format_, rgb)};
  EXPECT_EQ(surface_->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
}

void Target::ClearDepth(float z) {
  EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, z, 0), D3D_OK);
}

void Target::DrawTextured(D3DPRIMITIVETYPE type, std::vector<TexVertex> v) {
  EXPECT_EQ(
      device_->DrawPrimitive(type, kTexFormat, v.data(), static_cast<DWORD>(v.size()), D3DDP_WAIT),
      D3D_OK);
}

void Target::TexturedRect(float x0, float y0, float x1, float y1, float u0, float v0, float u1,
                          float v1, DWORD diffuse) {
  DrawTextured(D3DPT_TRIANGLEFAN, {{x0, y0, 0.5f, 1, diffuse, 0, u0, v0},
                                   {x1, y0, 0.5f, 1, diffuse, 0, u1, v0},
                                   {x1, y1, 0.5f, 1, diffuse, 0, u1, v1},
                                   {x0, y1, 0.5f, 1, diffuse, 0, u0, v1}});
}

IDirectDrawSurface7* Target::CreateTexture(int width, int height, const DDPIXELFORMAT& format,
                                           bool mipmaps) {
  DDSURFACEDESC2 d{};
  d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  d.dwWidth = static_cast<DWORD>(width);
  d.dwHeight = static_cast<DWORD>(height);
  d.ddpfPixelFormat = format;
  d.ddsCaps.dwCaps =
      DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY | (mipmaps ? DDSCAPS_MIPMAP | DDSCAPS_COMPLEX : 0);
  IDirectDrawSurface7* s = nullptr;
  EXPECT_EQ(dd_->CreateSurface(&d, &s, nullptr), DD_OK);
  return s;
}

DWORD EncodeTexel(const DDPIXELFORMAT& f, DWORD argb) {
  DWORD p = platform::pixels::Pack(f, argb & 0xFFFFFF);
  DWORD mask = (f.dwFlags & DDPF_ALPHAPIXELS) ? f.dwRGBAlphaBitMask : 0;
  if (mask) {
    const int shift = std::countr_zero(mask), bits = std::countr_one(mask >> shift);
    p |= ((argb >> 24) >> (8 - bits)) << shift;
  }
  return p;
}

void FillSolid(IDirectDrawSurface7* s, DWORD argb) {
  FillTexels(s, [argb](int, int) { return argb; });
}

DWORD Target::Stored(DWORD rgb) const {
  return platform::pixels::Unpack(format_, platform::pixels::Pack(format_, rgb));
}

void Target::Draw(D3DPRIMITIVETYPE type, std::vector<TLVertex> v) {
  EXPECT_EQ(
      device_->DrawPrimitive(type, kTLFormat, v.data(), static_cast<DWORD>(v.size()), D3DDP_WAIT),
      D3D_OK);
}

void Target::DrawModel(D3DPRIMITIVETYPE type, std::vector<LVertex> v) {
  EXPECT_EQ(
      device_->DrawPrimitive(type, kLFormat, v.data(), static_cast<DWORD>(v.size()), D3DDP_WAIT),
      D3D_OK);
}

void Target::Rect(float x0, float y0, float x1, float y1, float z, DWORD color) {
  Draw(D3DPT_TRIANGLESTRIP, {{x0, y0, z, 1, color, 0},
                             {x1, y0, z, 1, color, 0},
                             {x0, y1, z, 1, color, 0},
                             {x1, y1, z, 1, color, 0}});
}

D3DMATRIX Perspective(float n, float f) {
  D3DMATRIX m{};
  m._11 = 1;
  m._22 = 1;
  m._33 = f / (f - n);
  m._34 = 1;
  m._43 = -n * f / (f - n);
  return m;
}

}  // namespace rastertest
