#include "platform/d3d.h"

#include <new>

#include "platform/fakehardware.h"

namespace platform {
namespace {

D3DDEVICEDESC7 CommonDesc() {
  D3DDEVICEDESC7 d{};
  d.dpcTriCaps.dwSize = d.dpcLineCaps.dwSize = sizeof(D3DPRIMCAPS);
  d.dpcTriCaps.dwRasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST |
                              D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE |
                              D3DPRASTERCAPS_WBUFFER | D3DPRASTERCAPS_WFOG;
  d.dpcTriCaps.dwShadeCaps = D3DPSHADECAPS_COLORFLATRGB | D3DPSHADECAPS_COLORGOURAUDRGB;
  d.dpcTriCaps.dwTextureCaps = D3DPTEXTURECAPS_POW2;
  d.dpcLineCaps = d.dpcTriCaps;
  d.dwDeviceRenderBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
  d.dwDeviceZBufferBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
  d.dwMinTextureWidth = d.dwMinTextureHeight = 1;
  d.dwMaxTextureWidth = d.dwMaxTextureHeight = 2048;
  d.wMaxTextureBlendStages = 8;
  d.wMaxSimultaneousTextures = 8;
  d.dwMaxActiveLights = 8;
  d.wMaxUserClipPlanes = 8;
  d.wMaxVertexBlendMatrices = 4;
  return d;
}

}  // namespace

// Both devices draw with the same software rasteriser; the first one claims
// hardware rasterisation and transform, the look the player was tuned for.
FakeD3DDevice HardwareD3DDevice() {
  FakeD3DDevice dev{"VOXA2 rasteriser", "VOXA2 HAL", CommonDesc()};
  dev.desc.dwDevCaps = D3DDEVCAPS_HWRASTERIZATION | D3DDEVCAPS_HWTRANSFORMANDLIGHT;
  dev.desc.deviceGUID = GUID{0x56584132, 0x0001, 0x0007, {'H', 'A', 'L', 0, 0, 0, 0, 1}};
  return dev;
}

FakeD3DDevice SoftwareD3DDevice() {
  FakeD3DDevice dev{"VOXA2 reference rasteriser", "VOXA2 RGB", CommonDesc()};
  dev.desc.deviceGUID = GUID{0x56584132, 0x0002, 0x0007, {'R', 'G', 'B', 0, 0, 0, 0, 2}};
  return dev;
}

}  // namespace platform

IDirect3D7::IDirect3D7(IDirectDraw7* owner) : owner_(owner) {
  if (owner_) owner_->AddRef();
}

IDirect3D7::~IDirect3D7() {
  if (owner_) owner_->Release();
}

HRESULT IDirect3D7::EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, void* context) {
  if (!callback) return DDERR_INVALIDPARAMS;
  auto& hw = platform::Hardware();
  if (hw.enumDevicesResult != D3D_OK) return hw.enumDevicesResult;
  auto devices = hw.devices3d;
  for (auto& d : devices) {
    D3DDEVICEDESC7 desc = d.desc;
    if (callback(d.description.data(), d.name.data(), &desc, context) == D3DENUMRET_CANCEL) break;
  }
  return D3D_OK;
}

HRESULT IDirect3D7::EnumZBufferFormats(const GUID& device, LPD3DENUMPIXELFORMATSCALLBACK callback,
                                       void* context) {
  if (!callback) return DDERR_INVALIDPARAMS;
  bool known = false;
  for (auto& d : platform::Hardware().devices3d) known = known || d.desc.deviceGUID == device;
  if (!known) return D3DERR_INVALID_DEVICE;
  auto formats = platform::Hardware().zFormats;
  for (auto& f : formats) {
    DDPIXELFORMAT copy = f;
    if (callback(&copy, context) == D3DENUMRET_CANCEL) break;
  }
  return D3D_OK;
}

HRESULT IDirect3D7::CreateDevice(const GUID& device, IDirectDrawSurface7* target,
                                 IDirect3DDevice7** out) {
  if (!target || !out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  const platform::FakeD3DDevice* found = nullptr;
  for (auto& d : platform::Hardware().devices3d)
    if (d.desc.deviceGUID == device) found = &d;
  if (!found) return D3DERR_INVALID_DEVICE;
  if (!(target->caps() & DDSCAPS_3DDEVICE)) return DDERR_INVALIDCAPS;
  // The Z-buffer is whatever Z surface is attached to the render target.
  IDirectDrawSurface7* depth = nullptr;
  DDSCAPS2 zcaps{DDSCAPS_ZBUFFER, 0, 0, 0};
  if (target->GetAttachedSurface(&zcaps, &depth) != DD_OK) depth = nullptr;
  if (depth && platform::Hardware().createDeviceResult) {
    HRESULT r = platform::Hardware().createDeviceResult(depth->format());
    if (r != D3D_OK) {
      depth->Release();
      return r;
    }
  }
  auto* dev = new (std::nothrow) IDirect3DDevice7;
  if (!dev) {
    if (depth) depth->Release();
    return DDERR_OUTOFMEMORY;
  }
  dev->desc_ = found->desc;
  dev->target_ = target;
  target->AddRef();
  dev->depth_ = depth;  // the reference GetAttachedSurface gave
  dev->viewport_ = D3DVIEWPORT7{
      0, 0, static_cast<DWORD>(target->width()), static_cast<DWORD>(target->height()), 0.0f, 1.0f};
  *out = dev;
  return D3D_OK;
}

IDirect3DDevice7::~IDirect3DDevice7() {
  if (depth_) depth_->Release();
  if (target_) target_->Release();
}

HRESULT IDirect3DDevice7::GetCaps(D3DDEVICEDESC7* desc) {
  if (!desc) return DDERR_INVALIDPARAMS;
  *desc = desc_;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetViewport(D3DVIEWPORT7* viewport) {
  if (!viewport) return DDERR_INVALIDPARAMS;
  if (platform::Hardware().setViewportResult != D3D_OK)
    return platform::Hardware().setViewportResult;
  if (viewport->dwX + viewport->dwWidth > static_cast<DWORD>(target_->width()) ||
      viewport->dwY + viewport->dwHeight > static_cast<DWORD>(target_->height()))
    return DDERR_INVALIDPARAMS;
  viewport_ = *viewport;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetViewport(D3DVIEWPORT7* viewport) {
  if (!viewport) return DDERR_INVALIDPARAMS;
  *viewport = viewport_;
  return D3D_OK;
}
