#include "windxkernel/d3dinit.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "windxkernel/application.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/debuglog.h"

namespace kernel {

t3DState d3dState;
std::vector<D3DDeviceInfo*> d3dDevices;

namespace {

const char* NameIn(const std::vector<ResultName>& table, HRESULT result) {
  for (auto& e : table)
    if (e.code == result) return e.name;
  return "unknown";
}

HRESULT D3DEnumDevicesCallback(char* description, char* name, D3DDEVICEDESC7* desc, void*) {
  LogMessage(5, "    Found \"%s\" (%s)", name, description);
  if (desc->dwDeviceZBufferBitDepth == 0) {
    LogMessage(5, "      Fatal: Device does not supports a Z buffer");
    return D3DENUMRET_OK;
  }
  switch (videoState.bytesPerPixel) {
    case 2:
      if (!(desc->dwDeviceRenderBitDepth & DDBD_16)) {
        LogMessage(5, "      Fatal: Device does not support rendering to a 16 bit surface");
        return D3DENUMRET_OK;
      }
      break;
    case 3:
      if (!(desc->dwDeviceRenderBitDepth & DDBD_24)) {
        LogMessage(5, "      Fatal: Device does not support rendering to a 24 bit surface");
        return D3DENUMRET_OK;
      }
      break;
    case 4:
      if (!(desc->dwDeviceRenderBitDepth & DDBD_32)) {
        LogMessage(5, "      Fatal: Device does not support rendering to a 32 bit surface");
        return D3DENUMRET_OK;
      }
      break;
    default:
      LogMessage(5, "      Fatal: Internal error (vm_bypp == %i)", videoState.bytesPerPixel);
      return D3DENUMRET_OK;
  }
  if (!(desc->dpcTriCaps.dwShadeCaps & D3DPSHADECAPS_COLORGOURAUDRGB)) {
    LogMessage(5,
               "      Fatal: Device does not supports gouraud shading (what the hell D3D is "
               "trying to feed me with?!)");
    return D3DENUMRET_OK;
  }
  LogMessage(5, "      Accepted device");
  auto* info = VOXA::errors::NewOrThrow<D3DDeviceInfo>("D3DDeviceInfo");
  info->name = name ? name : "";
  info->description = description ? description : "";
  info->hardwareRasterization = (desc->dwDevCaps & D3DDEVCAPS_HWRASTERIZATION) ? 1 : 0;
  info->hardwareTransformAndLight = (desc->dwDevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) ? 1 : 0;
  if (info->hardwareRasterization)
    LogMessage(5, "      The device is capable of Hardware Rasterizing");
  if (info->hardwareTransformAndLight)
    LogMessage(5, "      The device is capable of Hardware Transform and Lightening");
  info->guid = desc->deviceGUID;
  info->desc = *desc;
  d3dDevices.push_back(info);
  return D3DENUMRET_OK;
}

HRESULT D3DZBufferCallback(DDPIXELFORMAT* format, void* context) {
  auto* list = static_cast<std::vector<tZBufferFormat>*>(context);
  if (!(format->dwFlags & DDPF_ZBUFFER)) return D3DENUMRET_OK;
  int total = static_cast<int>(format->dwZBufferBitDepth);
  int stencil = static_cast<int>(format->dwStencilBitDepth);
  LogMessage(5, "    Found %i bit Z buffer, with %i bits for Z and %i bits for stencil", total,
             total - stencil, stencil);
  if (total == 8 || total == 16 || total == 24 || total == 32)
    list->push_back(tZBufferFormat{total, stencil, total - stencil, *format});
  else
    LogMessage(5, "      Unknown Z buffer found (%i bits)", total);
  return D3DENUMRET_OK;
}

bool D3DCompareZBufferFormats(const tZBufferFormat& a, const tZBufferFormat& b) {
  if (a.zBits != b.zBits) return a.zBits > b.zBits;
  return a.stencilBits < b.stencilBits;
}

bool D3DCompareDevices(const D3DDeviceInfo* a, const D3DDeviceInfo* b) {
  if (a->hardwareRasterization != b->hardwareRasterization) return a->hardwareRasterization > 0;
  return a->hardwareTransformAndLight > b->hardwareTransformAndLight;
}

}  // namespace

const char* DDErrorName(HRESULT result) { return NameIn(DirectDrawResultNames(), result); }
const char* D3DErrorName(HRESULT result) { return NameIn(Direct3DResultNames(), result); }

bool D3DCreate() {
  if (!videoState.directDraw) return false;
  LogMessage(5, "Creating the Direct3D object");
  void* object = nullptr;
  HRESULT r = videoState.directDraw->QueryInterface(IID_IDirect3D7, &object);
  if (r != DD_OK) {
    D3DErrorBox("d3dinit.cpp", __LINE__, r);
    return false;
  }
  d3dState.direct3D = static_cast<IDirect3D7*>(object);
  LogMessage(5, "  Enumerating all D3D devices");
  for (auto* d : d3dDevices) delete d;
  d3dDevices.clear();
  r = d3dState.direct3D->EnumDevices(D3DEnumDevicesCallback, nullptr);
  if (r != D3D_OK) {
    D3DErrorBox("d3dinit.cpp", __LINE__, r);
    return false;
  }
  if (d3dDevices.empty()) {
    LogMessage(5, "  Did not found any satisfying D3D device!");
    return false;
  }
  std::stable_sort(d3dDevices.begin(), d3dDevices.end(), D3DCompareDevices);
  return D3DSelectDevice(0);
}

bool D3DInit() { return D3DCreate(); }

bool D3DSelectDevice(int index) {
  D3DReleaseDevice();
  if (!d3dState.direct3D || index < 0 || index >= static_cast<int>(d3dDevices.size())) return false;
  d3dState.previousDevice = d3dState.currentDevice;
  d3dState.currentDevice = index;
  const D3DDeviceInfo& d = *d3dDevices[index];
  d3dState.hardwareRasterization = d.hardwareRasterization;
  d3dState.hardwareTransformAndLight = d.hardwareTransformAndLight;
  d3dState.wBufferCapable = (d.desc.dpcTriCaps.dwRasterCaps & D3DPRASTERCAPS_WBUFFER) ? 1 : 0;
  LogMessage(5, "Selecting D3D rendering device \"%s\" (%s)", d.name.c_str(),
             d.description.c_str());
  LogMessage(5, "  Enumerating all Z buffer formats");
  std::vector<tZBufferFormat> formats;
  d3dState.direct3D->EnumZBufferFormats(d.guid, D3DZBufferCallback, &formats);
  if (formats.empty()) {
    LogMessage(5, "    Fatal: No Z buffer formats found!");
    return false;
  }
  LogMessage(5, "    found %i Z buffer formats", static_cast<int>(formats.size()));
  std::stable_sort(formats.begin(), formats.end(), D3DCompareZBufferFormats);
  LogMessage(5, "  Sorted by priority:");
  for (size_t i = 0; i < formats.size(); ++i)
    LogMessage(5, "    #%i: %i bpp, %i bpz, %i bps", static_cast<int>(i), formats[i].totalBits,
               formats[i].zBits, formats[i].stencilBits);

  IDirectDrawSurface7* back = videoState.back;
  for (const auto& f : formats) {
    LogMessage(5, "  Choosing %i bit Z buffer (%i for Z, %i for stencil)", f.totalBits, f.zBits,
               f.stencilBits);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = static_cast<DWORD>(videoState.screenRect.right);
    desc.dwHeight = static_cast<DWORD>(videoState.screenRect.bottom);
    desc.ddpfPixelFormat = f.format;
    desc.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | (d3dState.hardwareRasterization ? DDSCAPS_VIDEOMEMORY
                                                                            : DDSCAPS_SYSTEMMEMORY);
    IDirectDrawSurface7* z = nullptr;
    if (!videoState.directDraw ||
        videoState.directDraw->CreateSurface(&desc, &z, nullptr) != DD_OK) {
      LogMessage(5, "    Fatal: Failed to create surface");
      continue;
    }
    if (!back || back->AddAttachedSurface(z) != DD_OK) {
      LogMessage(5, "    Fatal: Failed to attach surface to secondary surface");
      z->Release();
      continue;
    }
    GUID guid = d.guid;
    if (d3dState.direct3D->CreateDevice(guid, back, &d3dState.device) == D3D_OK) {
      d3dState.zBuffer = z;
      break;
    }
    LogMessage(5, "    Fatal: Failed to create D3D device");
    back->DeleteAttachedSurface(0, z);
    z->Release();
  }
  if (!d3dState.device) {
    LogMessage(5, "  Fatal: No Z buffer format worked!");
    return false;
  }
  LogMessage(5, "    This works...");
  D3DVIEWPORT7 viewport{static_cast<DWORD>(videoState.windowLeft),
                        static_cast<DWORD>(videoState.windowTop),
                        static_cast<DWORD>(videoState.virtualRect.right),
                        static_cast<DWORD>(videoState.virtualRect.bottom),
                        0.0f,
                        1.0f};
  HRESULT r = d3dState.device->SetViewport(&viewport);
  if (r != D3D_OK) {
    D3DErrorBox("d3dinit.cpp", __LINE__, r);
    return false;
  }
  return true;
}

// A failed detach must not keep the device and its Z-buffer alive: the next
// selection would leak them and find the back buffer still occupied.
bool D3DReleaseDevice() {
  bool detached = true;
  if (d3dState.zBuffer && videoState.back) {
    HRESULT r = videoState.back->DeleteAttachedSurface(0, d3dState.zBuffer);
    if (r != DD_OK) {
      LogMessage(5, "  Could not detach the Z buffer from the secondary surface (%s)",
                 DDErrorName(r));
      detached = false;
    }
  }
  if (d3dState.zBuffer) d3dState.zBuffer->Release();
  d3dState.zBuffer = nullptr;
  if (d3dState.device) d3dState.device->Release();
  d3dState.device = nullptr;
  return detached;
}

bool D3DRelease() {
  if (!videoState.directDraw && !d3dState.direct3D) return true;
  D3DReleaseDevice();
  if (d3dState.direct3D) d3dState.direct3D->Release();
  d3dState.direct3D = nullptr;
  for (auto* d : d3dDevices) delete d;
  d3dDevices.clear();
  return true;
}

bool D3DDeinit() { return D3DRelease(); }

bool D3DRestore() {
  if (d3dState.zBuffer && d3dState.zBuffer->IsLost() != DD_OK) d3dState.zBuffer->Restore();
  return true;
}

bool D3DDeactivate() { return true; }

void D3DErrorBox(const char* file, int line, HRESULT result) {
  char text[1024];
  std::snprintf(text, sizeof text, "(D3D)%s(%d): %s%s%s%s", file, line,
                "Direct3D call failed - return FALSE", result ? " (" : "",
                result ? D3DErrorName(result) : "", result ? ")" : "");
  LogFailure("%s", text);
  D3DRelease();
  cApplication* app = GetApplication();
  MessageBoxA(app ? app->window : nullptr, text, "Error occured!", MB_TASKMODAL);
}

}  // namespace kernel
