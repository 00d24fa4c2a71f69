// Our Direct3D 7 stand-in, reached through the DirectDraw object: device and
// Z-buffer format enumeration, device creation on a 3D-capable surface and the
// viewport. The device grows its drawing operations with the rasteriser.
#pragma once

#include "platform/ddraw.h"

constexpr HRESULT D3D_OK = 0;
constexpr HRESULT D3DENUMRET_OK = 1;
constexpr HRESULT D3DENUMRET_CANCEL = 0;

constexpr HRESULT D3DERR_INVALID_DEVICE = MakeDDResult(705);
constexpr HRESULT D3DERR_INITFAILED = MakeDDResult(706);
constexpr HRESULT D3DERR_INVALIDPRIMITIVETYPE = MakeDDResult(736);
constexpr HRESULT D3DERR_INVALIDVERTEXTYPE = MakeDDResult(737);
constexpr HRESULT D3DERR_SCENE_IN_SCENE = MakeDDResult(760);
constexpr HRESULT D3DERR_SCENE_NOT_IN_SCENE = MakeDDResult(761);
constexpr HRESULT D3DERR_INVALIDVERTEXFORMAT = MakeDDResult(2048);
constexpr HRESULT D3DERR_ZBUFFER_NOTPRESENT = MakeDDResult(2070);
constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = MakeDDResult(2072);
constexpr HRESULT D3DERR_UNSUPPORTEDCOLOROPERATION = MakeDDResult(2073);
constexpr HRESULT D3DERR_UNSUPPORTEDCOLORARG = MakeDDResult(2074);
constexpr HRESULT D3DERR_UNSUPPORTEDALPHAOPERATION = MakeDDResult(2075);
constexpr HRESULT D3DERR_UNSUPPORTEDALPHAARG = MakeDDResult(2076);
constexpr HRESULT D3DERR_TOOMANYOPERATIONS = MakeDDResult(2077);
constexpr HRESULT D3DERR_VIEWPORTHASNODEVICE = MakeDDResult(774);

// Every public Direct3D result with its name.
const std::vector<ResultName>& Direct3DResultNames();

constexpr DWORD D3DDEVCAPS_HWTRANSFORMANDLIGHT = 0x00010000;
constexpr DWORD D3DDEVCAPS_HWRASTERIZATION = 0x00080000;
constexpr DWORD D3DPRASTERCAPS_DITHER = 0x00000001;
constexpr DWORD D3DPRASTERCAPS_ZTEST = 0x00000010;
constexpr DWORD D3DPRASTERCAPS_FOGVERTEX = 0x00000080;
constexpr DWORD D3DPRASTERCAPS_FOGTABLE = 0x00000100;
constexpr DWORD D3DPRASTERCAPS_WBUFFER = 0x00040000;
constexpr DWORD D3DPRASTERCAPS_WFOG = 0x00100000;
constexpr DWORD D3DPSHADECAPS_COLORFLATRGB = 0x00000008;
constexpr DWORD D3DPSHADECAPS_COLORGOURAUDRGB = 0x00000200;
constexpr DWORD D3DPTEXTURECAPS_POW2 = 0x00000002;
constexpr DWORD D3DPTEXTURECAPS_SQUAREONLY = 0x00000020;

struct D3DPRIMCAPS {
  DWORD dwSize;
  DWORD dwMiscCaps;
  DWORD dwRasterCaps;
  DWORD dwZCmpCaps;
  DWORD dwSrcBlendCaps;
  DWORD dwDestBlendCaps;
  DWORD dwAlphaCmpCaps;
  DWORD dwShadeCaps;
  DWORD dwTextureCaps;
  DWORD dwTextureFilterCaps;
  DWORD dwTextureBlendCaps;
  DWORD dwTextureAddressCaps;
  DWORD dwStippleWidth;
  DWORD dwStippleHeight;
};

struct D3DDEVICEDESC7 {
  DWORD dwDevCaps;
  D3DPRIMCAPS dpcLineCaps;
  D3DPRIMCAPS dpcTriCaps;
  DWORD dwDeviceRenderBitDepth;
  DWORD dwDeviceZBufferBitDepth;
  DWORD dwMinTextureWidth, dwMinTextureHeight;
  DWORD dwMaxTextureWidth, dwMaxTextureHeight;
  DWORD dwMaxTextureRepeat;
  DWORD dwMaxTextureAspectRatio;
  DWORD dwMaxAnisotropy;
  float dvGuardBandLeft, dvGuardBandTop, dvGuardBandRight, dvGuardBandBottom;
  float dvExtentsAdjust;
  DWORD dwStencilCaps;
  DWORD dwFVFCaps;
  DWORD dwTextureOpCaps;
  WORD wMaxTextureBlendStages;
  WORD wMaxSimultaneousTextures;
  DWORD dwMaxActiveLights;
  float dvMaxVertexW;
  GUID deviceGUID;
  WORD wMaxUserClipPlanes;
  WORD wMaxVertexBlendMatrices;
  DWORD dwVertexProcessingCaps;
};

struct D3DVIEWPORT7 {
  DWORD dwX;
  DWORD dwY;
  DWORD dwWidth;
  DWORD dwHeight;
  float dvMinZ;
  float dvMaxZ;
};

using LPD3DENUMDEVICESCALLBACK7 = HRESULT (*)(char* description, char* name, D3DDEVICEDESC7* desc,
                                              void* context);
using LPD3DENUMPIXELFORMATSCALLBACK = HRESULT (*)(DDPIXELFORMAT* format, void* context);

class IDirect3DDevice7 : public DDObject {
 public:
  ~IDirect3DDevice7() override;

  HRESULT GetCaps(D3DDEVICEDESC7* desc);
  HRESULT SetViewport(D3DVIEWPORT7* viewport);
  HRESULT GetViewport(D3DVIEWPORT7* viewport);

  IDirectDrawSurface7* renderTarget() const { return target_; }
  IDirectDrawSurface7* depthBuffer() const { return depth_; }

 private:
  friend class IDirect3D7;
  D3DDEVICEDESC7 desc_{};
  IDirectDrawSurface7* target_ = nullptr;  // counted
  IDirectDrawSurface7* depth_ = nullptr;   // counted
  D3DVIEWPORT7 viewport_{};
};

class IDirect3D7 : public DDObject {
 public:
  explicit IDirect3D7(IDirectDraw7* owner);
  ~IDirect3D7() override;

  HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, void* context);
  HRESULT EnumZBufferFormats(const GUID& device, LPD3DENUMPIXELFORMATSCALLBACK callback,
                             void* context);
  HRESULT CreateDevice(const GUID& device, IDirectDrawSurface7* target, IDirect3DDevice7** out);

 private:
  IDirectDraw7* owner_;  // counted
};
