#include "windxkernel/ddraw.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <new>
#include <string>

#include "foundation/errors.h"
#include "windxkernel/application.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/debuglog.h"

namespace kernel {

tVideoState videoState;
std::vector<DDDeviceInfo*> ddDevices;

const int windowSizes[20][2] = {{320, 200},   {320, 240},   {400, 300},   {480, 360},
                                {512, 384},   {640, 400},   {640, 480},   {800, 600},
                                {960, 720},   {1024, 768},  {1152, 864},  {1280, 1024},
                                {1600, 1200}, {1920, 1080}, {2000, 1600}, {3000, 2000},
                                {4000, 3000}, {5000, 4000}, {6000, 4500}, {6400, 4800}};

namespace {

bool FullScreen() {
  cApplication* app = GetApplication();
  return !app || app->fullScreen != 0;
}

HWND MainWindow() {
  cApplication* app = GetApplication();
  return app ? app->window : nullptr;
}

const char* Plural(int n) { return n == 1 ? "" : "s"; }

constexpr DWORD kFullScreenLevel =
    DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE | DDSCL_MULTITHREADED;

HRESULT CreateDirectDraw(const DDDeviceInfo& d, IDirectDraw7** out) {
  GUID guid = d.guid;
  void* object = nullptr;
  HRESULT r = DirectDrawCreateEx(d.isDefault ? nullptr : &guid, &object, IID_IDirectDraw7, nullptr);
  *out = r == DD_OK ? static_cast<IDirectDraw7*>(object) : nullptr;
  return r;
}

BOOL DDEnumCallback(GUID* guid, char* description, char* name, void*) {
  LogMessage(5, "  Enumerated DirectDraw device");
  // The pointer is logged as the word it is on this platform.
  LogMessage(5, "    pGUID == %08lX",
             static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(guid)));
  LogMessage(5, "    name: \"%s\", desc \"%s\"", name, description);
  if (!FullScreen() && guid) {
    LogMessage(5, "    Fatal: In windowed mode, just the default DD device can be used");
    return TRUE;
  }
  void* object = nullptr;
  if (DirectDrawCreateEx(guid, &object, IID_IDirectDraw7, nullptr) != DD_OK) {
    LogMessage(5, "    Fatal: Could not create instance of DD device");
    return TRUE;
  }
  auto* dd = static_cast<IDirectDraw7*>(object);
  DDCAPS caps{};
  caps.dwSize = sizeof caps;
  if (dd->GetCaps(&caps, nullptr) != DD_OK) {
    LogMessage(5, "    Fatal: Could not retrieve capabilities of DD device");
    dd->Release();
    return TRUE;
  }
  DDDEVICEIDENTIFIER2 id{};
  std::string identified;
  if (dd->GetDeviceIdentifier(&id, 0) == DD_OK) {
    DWORD high = static_cast<DWORD>(id.liDriverVersion.HighPart);
    DWORD low = id.liDriverVersion.LowPart;
    LogMessage(5, "    Driver name: \"%s\"", id.szDriver);
    LogMessage(5, "    Driver version: %d.%02d.%02d.%04d", static_cast<int>(high >> 16),
               static_cast<int>(high & 0xFFFF), static_cast<int>(low >> 16),
               static_cast<int>(low & 0xFFFF));
    LogMessage(5, "    Driver description: \"%s\"", id.szDescription);
    LogMessage(5, "    Vendor ID: %08X", id.dwVendorId);
    LogMessage(5, "    Device ID: %08X", id.dwDeviceId);
    LogMessage(5, "    Sub System ID: %08X", id.dwSubSysId);
    LogMessage(5, "    Revision: %08X", id.dwRevision);
    LogMessage(5, "    WHQL certification level: %08x", id.dwWHQLLevel);
    identified = id.szDescription;
  }
  LogMessage(5, "    Adding DD device to the application's device list");
  if (caps.dwCaps & DDCAPS_3D) videoState.preferred3DDevice = static_cast<int>(ddDevices.size());
  auto* info = new (std::nothrow) DDDeviceInfo;
  if (!info) {
    dd->Release();
    throw new VOXA::errors::eCouldNotCreateObject("DDDeviceInfo");
  }
  if (guid) info->guid = *guid;
  info->isDefault = guid ? 0 : 1;
  info->driverCaps = caps;
  info->name = name ? name : "";
  info->description = std::string(description ? description : "") + " (" + identified + ")";
  ddDevices.push_back(info);
  dd->Release();
  return TRUE;
}

HRESULT DDEnumModesCallback(DDSURFACEDESC2* mode, void* context) {
  auto* device = static_cast<DDDeviceInfo*>(context);
  const DDPIXELFORMAT& f = mode->ddpfPixelFormat;
  int w = static_cast<int>(mode->dwWidth), h = static_cast<int>(mode->dwHeight);
  int bits = static_cast<int>(f.dwRGBBitCount);
  if (f.dwFlags & DDPF_YUV) {
    LogMessage(5, "    %i x %i YUV mode detected! not enlisted...", w, h);
    return DDENUMRET_OK;
  }
  if (f.dwFlags & (DDPF_ALPHA | DDPF_ZBUFFER)) return DDENUMRET_OK;
  if (f.dwFlags & DDPF_PALETTEINDEXED1) {
    LogMessage(5, "    %i x %i x 1bit paletted mode detected! not enlisted...", w, h);
    return DDENUMRET_OK;
  }
  if (f.dwFlags & DDPF_PALETTEINDEXED2) {
    LogMessage(5, "    %i x %i x 2bit paletted mode detected! not enlisted...", w, h);
    return DDENUMRET_OK;
  }
  if (f.dwFlags & DDPF_PALETTEINDEXED4) {
    LogMessage(5, "    %i x %i x 4bit paletted mode detected! not enlisted...", w, h);
    return DDENUMRET_OK;
  }
  if (f.dwFlags & DDPF_PALETTEINDEXED8) {
    LogMessage(5, "    %i x %i x 8bit paletted mode detected! not enlisted...", w, h);
    return DDENUMRET_OK;
  }
  if (f.dwFlags & DDPF_PALETTEINDEXEDTO8) {
    LogMessage(5,
               "    %i x %i x 8bit paletted mode detected (DDPF_PALETTEINDEXEDTO8)! not "
               "enlisted...",
               w, h);
    return DDENUMRET_OK;
  }
  if ((f.dwFlags & DDPF_RGB) && bits <= 8) {
    LogMessage(5, "    Unsupported %i x %i x %ibit RGB mode detected! not enlisted...", w, h, bits);
    return DDENUMRET_OK;
  }
  std::string picture;
  for (int bit = std::min(bits, 32) - 1; bit >= 0; --bit) {
    DWORD m = 1u << bit;
    picture += (f.dwRBitMask & m) ? 'R' : (f.dwGBitMask & m) ? 'G' : (f.dwBBitMask & m) ? 'B' : '0';
  }
  auto length = [](DWORD mask) {
    return mask ? std::countr_one(mask >> std::countr_zero(mask)) : 0;
  };
  bool kept = bits >= 16;
  LogMessage(5, "    Found %i x %i x %ibit mode (RGB%i%i%i, %s)! %senlisted...", w, h, bits,
             length(f.dwRBitMask), length(f.dwGBitMask), length(f.dwBBitMask), picture.c_str(),
             kept ? "" : "not ");
  if (kept) device->modes.push_back(*mode);
  return DDENUMRET_OK;
}

void DDAddMode(int width, int height, DDDeviceInfo* record) {
  if (width > GetSystemMetrics(SM_CXSCREEN) || height > GetSystemMetrics(SM_CYSCREEN)) return;
  HDC dc = GetDC(MainWindow());
  int bits = GetDeviceCaps(dc, BITSPIXEL);
  ReleaseDC(MainWindow(), dc);
  DDSURFACEDESC2 mode{};
  mode.dwSize = sizeof mode;
  mode.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  mode.dwWidth = static_cast<DWORD>(width);
  mode.dwHeight = static_cast<DWORD>(height);
  mode.dwRefreshRate = 0;
  mode.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
  mode.ddpfPixelFormat.dwFlags = DDPF_RGB;
  mode.ddpfPixelFormat.dwRGBBitCount = static_cast<DWORD>(bits);
  mode.ddpfPixelFormat.dwRBitMask = 0xF800;
  mode.ddpfPixelFormat.dwGBitMask = 0x07E0;
  mode.ddpfPixelFormat.dwBBitMask = 0x001F;
  record->modes.push_back(mode);
  LogMessage(5, "    Added %i x %i x %i mode", width, height, bits);
}

bool DDCompareModes(const DDSURFACEDESC2& a, const DDSURFACEDESC2& b) {
  if (a.dwWidth != b.dwWidth) return a.dwWidth < b.dwWidth;
  if (a.dwHeight != b.dwHeight) return a.dwHeight < b.dwHeight;
  if (a.ddpfPixelFormat.dwRGBBitCount != b.ddpfPixelFormat.dwRGBBitCount)
    return a.ddpfPixelFormat.dwRGBBitCount < b.ddpfPixelFormat.dwRGBBitCount;
  return a.dwRefreshRate < b.dwRefreshRate;
}

// A mask as one character per bit of the mode, highest first.
void DDLogBitmask(int shift, int length, DWORD mask, char letter) {
  std::string picture;
  for (int bit = std::min(videoState.bitsPerPixel, 32) - 1; bit >= 0; --bit)
    picture += (mask & (1u << bit)) ? letter : '0';
  LogMessage(5, "    start:%2d   len:%2d   mask:%s", shift, length, picture.c_str());
}

void Analyse(DWORD mask, int* shift, int* length) {
  *shift = mask ? std::countr_zero(mask) : 0;
  *length = mask ? std::countr_one(mask >> *shift) : 0;
}

bool Clear(IDirectDrawSurface7* surface) {
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = 0;
  return surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx) == DD_OK;
}

DDSURFACEDESC2 ScreenSurfaceDesc(DWORD caps) {
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  d.dwWidth = static_cast<DWORD>(videoState.screenRect.right);
  d.dwHeight = static_cast<DWORD>(videoState.screenRect.bottom);
  d.ddpfPixelFormat = videoState.screenFormat;
  d.ddsCaps.dwCaps = caps;
  return d;
}

}  // namespace

bool DDInit() {
  videoState.preferred3DDevice = -1;
  LogMessage(5, "Enumerating all DD devices");
  DirectDrawEnumerateA(DDEnumCallback, nullptr);
  int count = static_cast<int>(ddDevices.size());
  LogMessage(5, "Enumerated %i device%s", count, Plural(count));
  if (count == 0) {
    LogMessage(5, "Sorry, but I need at least one supported device to continue!");
    DDErrorBox("ddraw.cpp", __LINE__, 0);
    return false;
  }
  LogMessage(5, "");
  LogMessage(5, "Enlisting video modes for the devices");
  for (size_t i = 0; i < ddDevices.size();) {
    DDDeviceInfo* d = ddDevices[i];
    if (!FullScreen()) {
      LogMessage(5, "  Listing resolutions for device \"%s\"", d->name.c_str());
      for (auto& size : windowSizes) DDAddMode(size[0], size[1], d);
    } else {
      IDirectDraw7* dd = nullptr;
      if (CreateDirectDraw(*d, &dd) == DD_OK) {
        if (dd->SetCooperativeLevel(MainWindow(), kFullScreenLevel) == DD_OK) {
          LogMessage(5, "  Enumerating video modes for device \"%s\"", d->name.c_str());
          HRESULT r = dd->EnumDisplayModes(0, nullptr, d, DDEnumModesCallback);
          int n = static_cast<int>(d->modes.size());
          if (r != DD_OK || n == 0)
            LogMessage(5, "    No video modes found!");
          else
            LogMessage(5, "    Accepted %i mode%s", n, Plural(n));
        }
        dd->Release();
      }
    }
    if (!d->modes.empty()) {
      std::stable_sort(d->modes.begin(), d->modes.end(), DDCompareModes);
      ++i;
      continue;
    }
    LogMessage(5, "    Removing device from list");
    delete d;
    ddDevices.erase(ddDevices.begin() + static_cast<std::ptrdiff_t>(i));
    int removed = static_cast<int>(i);
    if (videoState.preferred3DDevice == removed)
      videoState.preferred3DDevice = -1;
    else if (videoState.preferred3DDevice > removed)
      --videoState.preferred3DDevice;
  }
  LogMessage(5, "");
  // Every device may have gone for want of modes: there is nothing to select then.
  if (ddDevices.empty()) {
    LogMessage(5, "Sorry, but I need at least one supported device to continue!");
    DDErrorBox("ddraw.cpp", __LINE__, 0);
    return false;
  }
  return DDSelectDevice(videoState.preferred3DDevice >= 0 ? videoState.preferred3DDevice : 0);
}

bool DDSelectDevice(int index) {
  for (;;) {
    DDReleaseObject();
    if (index < 0 || index >= static_cast<int>(ddDevices.size())) return false;
    videoState.selectedDevice = index;
    DDDeviceInfo* d = ddDevices[index];
    LogMessage(5, "");
    LogMessage(5, "Selecting device #%i \"%s\"", index, d->name.c_str());
    HRESULT r = CreateDirectDraw(*d, &videoState.directDraw);
    if (r == DD_OK) {
      LogMessage(5, "  Setting cooperative level");
      r = FullScreen() ? videoState.directDraw->SetCooperativeLevel(MainWindow(), kFullScreenLevel)
                       : videoState.directDraw->SetCooperativeLevel(
                             nullptr, DDSCL_NORMAL | DDSCL_MULTITHREADED);
    }
    if (r != DD_OK) {
      if (index + 1 < static_cast<int>(ddDevices.size())) {
        ++index;
        continue;
      }
      DDErrorBox("ddraw.cpp", __LINE__, r);
      return false;
    }
    break;
  }
  LogMessage(5, "  Scanning for best fitting video mode");
  videoState.modes = &ddDevices[index]->modes;
  const auto& modes = *videoState.modes;
  const DWORD W = static_cast<DWORD>(videoState.requestedWidth);
  const DWORD H = static_cast<DWORD>(videoState.requestedHeight);
  auto bits = [](const DDSURFACEDESC2& m) { return m.ddpfPixelFormat.dwRGBBitCount; };
  const std::function<bool(const DDSURFACEDESC2&)> rules[] = {
      [&](const DDSURFACEDESC2& m) { return m.dwWidth == W && m.dwHeight == H && bits(m) == 16; },
      [&](const DDSURFACEDESC2& m) { return m.dwWidth == W && bits(m) == 16; },
      [&](const DDSURFACEDESC2& m) { return m.dwWidth == W && m.dwHeight == H; },
      [&](const DDSURFACEDESC2& m) { return m.dwWidth == W; },
  };
  int best = 0;
  for (auto& rule : rules) {
    int found = -1;
    for (size_t i = 0; i < modes.size(); ++i)
      if (rule(modes[i])) found = static_cast<int>(i);
    if (found >= 0) {
      best = found;
      break;
    }
  }
  videoState.virtualRequestWidth = videoState.requestedWidth;
  videoState.virtualRequestHeight = videoState.requestedHeight;
  videoState.chosenMode = best;
  LogMessage(5, "  Changing to desired video mode #%i", best);
  return DDSetMode(best);
}

bool DDSetMode(int index) {
  DDReleaseSurfaces();
  if (!videoState.directDraw || !videoState.modes || index < 0 ||
      index >= static_cast<int>(videoState.modes->size()))
    return false;
  videoState.currentMode = index;
  const DDSURFACEDESC2 mode = (*videoState.modes)[index];
  bool full = FullScreen();
  LogMessage(5, "");
  LogMessage(5, "Trying to set %s #%i (%ix%ix%i)", full ? "mode" : "window size", index,
             static_cast<int>(mode.dwWidth), static_cast<int>(mode.dwHeight),
             static_cast<int>(mode.ddpfPixelFormat.dwRGBBitCount));
  IDirectDraw7* dd = videoState.directDraw;
  DDSURFACEDESC2 display{};
  display.dwSize = sizeof display;
  int screenW, screenH;
  HRESULT r;
  if (full) {
    r = dd->SetDisplayMode(mode.dwWidth, mode.dwHeight, mode.ddpfPixelFormat.dwRGBBitCount,
                           mode.dwRefreshRate, 0);
    if (r == DD_OK) r = dd->GetDisplayMode(&display);
    if (r != DD_OK) {
      DDErrorBox("ddraw.cpp", __LINE__, r);
      return false;
    }
    screenW = static_cast<int>(display.dwWidth);
    screenH = static_cast<int>(display.dwHeight);
  } else {
    r = dd->GetDisplayMode(&display);
    if (r != DD_OK) {
      DDErrorBox("ddraw.cpp", __LINE__, r);
      return false;
    }
    if (cApplication* app = GetApplication())
      app->ResizeWindow(static_cast<int>(mode.dwWidth), static_cast<int>(mode.dwHeight));
    screenW = static_cast<int>(mode.dwWidth);
    screenH = static_cast<int>(mode.dwHeight);
  }

  tVideoState& v = videoState;
  v.virtualRequestWidth = std::min(v.virtualRequestWidth, screenW);
  v.virtualRequestHeight = std::min(v.virtualRequestHeight, screenH);
  int virtualW = v.virtualRequestWidth > 0 ? v.virtualRequestWidth : screenW;
  int virtualH = v.virtualRequestHeight > 0 ? v.virtualRequestHeight : screenH;
  v.screenRect = RECT{0, 0, screenW, screenH};
  v.virtualRect = RECT{0, 0, virtualW, virtualH};
  v.windowLeft = (screenW - virtualW) / 2;
  v.windowTop = (screenH - virtualH) / 2;
  v.windowRight = v.windowLeft + virtualW;
  v.windowBottom = v.windowTop + virtualH;
  v.virtualRequestWidth = v.virtualRequestHeight = 0;
  v.bitsPerPixel = static_cast<int>(display.ddpfPixelFormat.dwRGBBitCount);
  v.bytesPerPixel = (v.bitsPerPixel + 7) / 8;

  LogMessage(5, "  width: %i", screenW);
  LogMessage(5, "  height: %i", screenH);
  LogMessage(5, "  virtual width: %i", virtualW);
  LogMessage(5, "  virtual height: %i", virtualH);
  LogMessage(5, "  screen window: (%i|%i)-(%i|%i)", v.windowLeft, v.windowTop, v.windowRight - 1,
             v.windowBottom - 1);
  LogMessage(5, "  bits per pixel: %i", v.bitsPerPixel);
  LogMessage(5, "  bytes per pixel: %i", v.bytesPerPixel);
  LogMessage(5, "  Bitmasks:");
  const DDPIXELFORMAT& f = display.ddpfPixelFormat;
  v.redMask = f.dwRBitMask;
  v.greenMask = f.dwGBitMask;
  v.blueMask = f.dwBBitMask;
  Analyse(v.redMask, &v.redShift, &v.redLength);
  Analyse(v.greenMask, &v.greenShift, &v.greenLength);
  Analyse(v.blueMask, &v.blueShift, &v.blueLength);
  DDLogBitmask(v.redShift, v.redLength, v.redMask, 'R');
  DDLogBitmask(v.greenShift, v.greenLength, v.greenMask, 'G');
  DDLogBitmask(v.blueShift, v.blueLength, v.blueMask, 'B');
  v.is15Bit = v.greenLength == 5 ? 1 : 0;
  if (v.is15Bit) LogMessage(5, "    15bit compatible mode enabled!");
  v.screenFormat = f;

  if (full) {
    LogMessage(5, "  Trying to create the primary and secondary surface...");
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE |
                       DDSCAPS_VIDEOMEMORY;
    d.dwBackBufferCount = 1;
    r = dd->CreateSurface(&d, &v.front, nullptr);
    if (r == DD_OK) {
      DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
      r = v.front->GetAttachedSurface(&caps, &v.back);
    }
    if (r != DD_OK) {
      DDErrorBox("ddraw.cpp", __LINE__, r);
      return false;
    }
    v.realPrimary = nullptr;
  } else {
    LogMessage(5, "  Trying to create the real primary surface...");
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    r = dd->CreateSurface(&d, &v.realPrimary, nullptr);
    if (r != DD_OK) {
      DDErrorBox("ddraw.cpp", __LINE__, r);
      return false;
    }
    LogMessage(5, "  Trying to set up a clipper for the window...");
    IDirectDrawClipper* clipper = nullptr;
    r = dd->CreateClipper(0, &clipper, nullptr);
    if (r == DD_OK) r = clipper->SetHWnd(0, MainWindow());
    if (r == DD_OK) r = v.realPrimary->SetClipper(clipper);
    // The primary surface keeps the clipper alive from here on.
    if (clipper) clipper->Release();
    if (r != DD_OK) {
      DDErrorBox("ddraw.cpp", __LINE__, r);
      return false;
    }
    LogMessage(5, "  Trying to create the primary surface...");
    DDSURFACEDESC2 fd = ScreenSurfaceDesc(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY);
    r = dd->CreateSurface(&fd, &v.front, nullptr);
    if (r != DD_OK) {
      DDErrorBox("ddraw.cpp", __LINE__, r);
      return false;
    }
    LogMessage(5, "  Trying to create the secondary surface...");
    DDSURFACEDESC2 bd =
        ScreenSurfaceDesc(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY | DDSCAPS_3DDEVICE);
    r = dd->CreateSurface(&bd, &v.back, nullptr);
    if (r != DD_OK) {
      DDErrorBox("ddraw.cpp", __LINE__, r);
      return false;
    }
  }
  LogMessage(5, "  Trying to clear the secondary surface...");
  if (!Clear(v.back)) return false;
  if (full) {
    LogMessage(5, "  Trying to clear the primary surface...");
    if (!Clear(v.front)) return false;
  }
  LogMessage(5, "  DirectDraw initialization completed!");
  LogMessage(5, "");
  return true;
}

IDirectDrawSurface7* DDNewTempSurface() {
  LogMessage(5, "Trying to create temporary surface...");
  if (!videoState.directDraw) return nullptr;
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  d.dwWidth = static_cast<DWORD>(videoState.virtualRect.right);
  d.dwHeight = static_cast<DWORD>(videoState.virtualRect.bottom);
  d.ddpfPixelFormat = videoState.screenFormat;
  d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
  IDirectDrawSurface7* surface = nullptr;
  HRESULT r = videoState.directDraw->CreateSurface(&d, &surface, nullptr);
  if (r != DD_OK) {
    LogMessage(5, "  DDNewTempSurface() failed! (%s)", DDErrorName(r));
    return nullptr;
  }
  LogMessage(5, "  adding temporary surface to list");
  videoState.temporary.push_back(surface);
  LogMessage(5, "  done");
  return surface;
}

void DDDeleteTempSurface(IDirectDrawSurface7* surface) {
  auto& list = videoState.temporary;
  auto it = std::find(list.begin(), list.end(), surface);
  if (!surface || it == list.end()) return;
  list.erase(it);
  surface->PageUnlock(0);
  surface->Release();
}

void DDPresent() {
  tVideoState& v = videoState;
  if (!v.front || !v.back) return;
  if (FullScreen()) {
    for (;;) {
      HRESULT r = v.front->Flip(nullptr, DDFLIP_WAIT);
      if (r == DDERR_SURFACELOST) {
        if (v.front->Restore() != DD_OK) break;
        continue;
      }
      if (r == DDERR_WASSTILLDRAWING) continue;
      break;
    }
    return;
  }
  if (!v.realPrimary) return;
  // The drawing area is the screen window, wherever it sits in the screen.
  RECT area{v.windowLeft, v.windowTop, v.windowRight, v.windowBottom};
  v.front->BltFast(static_cast<DWORD>(v.windowLeft), static_cast<DWORD>(v.windowTop), v.back, &area,
                   DDBLTFAST_WAIT);
  int x = 0, y = 0;
  if (cApplication* app = GetApplication()) {
    x = app->windowX;
    y = app->windowY;
  }
  RECT source = v.screenRect;
  RECT target{x, y, x + source.right, y + source.bottom};
  v.realPrimary->Blt(&target, v.front, &source, DDBLT_WAIT, nullptr);
}

bool DDRestore() {
  auto restore = [](IDirectDrawSurface7* s) {
    if (s && s->IsLost() != DD_OK) s->Restore();
  };
  for (auto* s : videoState.temporary) restore(s);
  restore(videoState.front);
  if (!FullScreen()) {
    restore(videoState.back);
    restore(videoState.realPrimary);
  }
  return true;
}

bool DDDeactivate() { return true; }

void DDReleaseSurfaces() {
  tVideoState& v = videoState;
  while (!v.temporary.empty()) {
    v.temporary.back()->Release();
    v.temporary.pop_back();
  }
  if (v.front && v.back && v.front->IsAttached(v.back)) {
    // The flip chain owns its back buffer: drop the reference the look-up gave,
    // and releasing the front releases the chain.
    v.back->Release();
    v.back = nullptr;
  }
  if (v.front) v.front->Release();
  v.front = nullptr;
  if (v.back) v.back->Release();
  v.back = nullptr;
  if (v.realPrimary) v.realPrimary->Release();
  v.realPrimary = nullptr;
}

void DDReleaseObject() {
  DDReleaseSurfaces();
  if (videoState.directDraw) {
    videoState.directDraw->RestoreDisplayMode();
    videoState.directDraw->Release();
    videoState.directDraw = nullptr;
  }
}

void DDRelease() {
  DDReleaseObject();
  for (auto* d : ddDevices) delete d;
  ddDevices.clear();
  videoState.modes = nullptr;
  videoState.selectedDevice = -1;
  videoState.currentMode = -1;
}

void DDErrorBox(const char* file, int line, HRESULT result) {
  char text[1024];
  std::snprintf(text, sizeof text, "(DD)%s(%d): %s%s%s%s", file, line,
                "DirectDraw call failed - return FALSE", result ? " (" : "",
                result ? DDErrorName(result) : "", result ? ")" : "");
  LogFailure("%s", text);
  DDRelease();
  MessageBoxA(MainWindow(), text, "Error occured!", MB_TASKMODAL);
}

}  // namespace kernel
