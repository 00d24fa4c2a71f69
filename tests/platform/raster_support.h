// A Direct3D device on a small render target of a chosen format, for pixel
// tests of the rasteriser.
#pragma once

#include <initializer_list>
#include <vector>

#include "platform/d3d.h"

namespace rastertest {

struct TLVertex {  // pre-transformed
  float x, y, z, rhw;
  DWORD diffuse, specular;
};
constexpr DWORD kTLFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR;

struct LVertex {  // model space
  float x, y, z;
  DWORD diffuse, specular;
};
constexpr DWORD kLFormat = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR;

struct TexVertex {  // pre-transformed, one texture set
  float x, y, z, rhw;
  DWORD diffuse, specular;
  float u, v;
};
constexpr DWORD kTexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;

class Target {
 public:
  // zBits 0: no Z-buffer. threads 0: the software rasteriser's own choice.
  Target(int width, int height, const DDPIXELFORMAT& format, DWORD zTotal = 16, DWORD zStencil = 0,
         int threads = 0);
  ~Target();
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;

  IDirect3DDevice7* operator->() const { return device_; }
  IDirect3DDevice7* device() const { return device_; }
  int width() const { return width_; }
  int height() const { return height_; }
  const DDPIXELFORMAT& format() const { return format_; }
  IDirectDrawSurface7* surface() const { return surface_; }
  IDirectDrawSurface7* zBuffer() const { return z_; }

  // 0x00RRGGBB as the surface holds it.
  DWORD Pixel(int x, int y) const;
  DWORD Depth(int x, int y) const;
  void Fill(DWORD rgb);
  void ClearDepth(float z);
  // What a colour becomes once stored (16-bit targets lose low bits).
  DWORD Stored(DWORD rgb) const;
  void Draw(D3DPRIMITIVETYPE type, std::vector<TLVertex> v);
  void DrawModel(D3DPRIMITIVETYPE type, std::vector<LVertex> v);
  void DrawTextured(D3DPRIMITIVETYPE type, std::vector<TexVertex> v);
  // A screen-aligned rectangle with texture coordinates u0..u1, v0..v1 across it.
  void TexturedRect(float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1,
                    DWORD diffuse = 0xFFFFFFFF);
  // A texture surface (with its full mip chain when asked); the caller releases it.
  IDirectDrawSurface7* CreateTexture(int width, int height, const DDPIXELFORMAT& format,
                                     bool mipmaps = false);
  // A pre-transformed rectangle of one colour at depth z.
  void Rect(float x0, float y0, float x1, float y1, float z, DWORD color);

 private:
  int width_, height_;
  DDPIXELFORMAT format_;
  IDirectDraw7* dd_ = nullptr;
  IDirectDrawSurface7* surface_ = nullptr;
  IDirectDrawSurface7* z_ = nullptr;
  IDirect3D7* d3d_ = nullptr;
  IDirect3DDevice7* device_ = nullptr;
};

// Writes ARGB colours into a surface in its own format.
template <typename F>
void FillTexels(IDirectDrawSurface7* s, F argbAt);
void FillSolid(IDirectDrawSurface7* s, DWORD argb);
DWORD EncodeTexel(const DDPIXELFORMAT& f, DWORD argb);

template <typename F>
void FillTexels(IDirectDrawSurface7* s, F argbAt) {
  DDSURFACEDESC2 d{};
  if (s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr) != DD_OK) return;
  const int bytes = static_cast<int>(d.ddpfPixelFormat.dwRGBBitCount / 8);
  for (int y = 0; y < static_cast<int>(d.dwHeight); ++y)
    for (int x = 0; x < static_cast<int>(d.dwWidth); ++x)
      platform::pixels::Write(static_cast<BYTE*>(d.lpSurface) + y * d.lPitch + x * bytes, bytes,
                              EncodeTexel(d.ddpfPixelFormat, argbAt(x, y)));
  s->Unlock(nullptr);
}

// Direct3D's perspective projection (row-vector form), 90° field of view.
D3DMATRIX Perspective(float nearZ, float farZ);

}  // namespace rastertest
