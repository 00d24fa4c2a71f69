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

class Target {
 public:
  // zBits 0: no Z-buffer.
  Target(int width, int height, const DDPIXELFORMAT& format, DWORD zTotal = 16, DWORD zStencil = 0);
  ~Target();
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;

  IDirect3DDevice7* operator->() const { return device_; }
  IDirect3DDevice7* device() const { return device_; }
  int width() const { return width_; }
  int height() const { return height_; }
  const DDPIXELFORMAT& format() const { return format_; }

  // 0x00RRGGBB as the surface holds it.
  DWORD Pixel(int x, int y) const;
  DWORD Depth(int x, int y) const;
  void Fill(DWORD rgb);
  void ClearDepth(float z);
  // What a colour becomes once stored (16-bit targets lose low bits).
  DWORD Stored(DWORD rgb) const;
  void Draw(D3DPRIMITIVETYPE type, std::vector<TLVertex> v);
  void DrawModel(D3DPRIMITIVETYPE type, std::vector<LVertex> v);
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

// Direct3D's perspective projection (row-vector form), 90° field of view.
D3DMATRIX Perspective(float nearZ, float farZ);

}  // namespace rastertest
