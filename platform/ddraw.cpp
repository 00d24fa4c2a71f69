#include "platform/ddraw.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/backend.h"
#include "platform/blit.h"
#include "platform/d3d.h"
#include "platform/fakehardware.h"

const IID IID_IDirectDraw7{7};
const IID IID_IDirect3D7{37};

namespace platform::pixels {

DDPIXELFORMAT Rgb(DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a) {
  DDPIXELFORMAT f{};
  f.dwSize = sizeof f;
  f.dwFlags = DDPF_RGB | (a ? DDPF_ALPHAPIXELS : 0);
  f.dwRGBBitCount = bits;
  f.dwRBitMask = r;
  f.dwGBitMask = g;
  f.dwBBitMask = b;
  f.dwRGBAlphaBitMask = a;
  return f;
}
DDPIXELFORMAT R5G6B5() { return Rgb(16, 0xF800, 0x07E0, 0x001F); }
DDPIXELFORMAT X1R5G5B5() { return Rgb(16, 0x7C00, 0x03E0, 0x001F); }
DDPIXELFORMAT R8G8B8() { return Rgb(24, 0xFF0000, 0x00FF00, 0x0000FF); }
DDPIXELFORMAT X8R8G8B8() { return Rgb(32, 0x00FF0000, 0x0000FF00, 0x000000FF); }
DDPIXELFORMAT A1R5G5B5() { return Rgb(16, 0x7C00, 0x03E0, 0x001F, 0x8000); }
DDPIXELFORMAT A4R4G4B4() { return Rgb(16, 0x0F00, 0x00F0, 0x000F, 0xF000); }
DDPIXELFORMAT A8R8G8B8() { return Rgb(32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000); }

namespace {
DWORD PackChannel(DWORD mask, DWORD c8) {
  if (!mask) return 0;
  int shift = std::countr_zero(mask);
  int len = std::countr_one(mask >> shift);
  DWORD v = len <= 8 ? c8 >> (8 - len) : c8 << (len - 8);
  return (v << shift) & mask;
}
DWORD UnpackChannel(DWORD mask, DWORD pixel) {
  if (!mask) return 0;
  int shift = std::countr_zero(mask);
  int len = std::countr_one(mask >> shift);
  DWORD max = len >= 32 ? 0xFFFFFFFFu : (1u << len) - 1;
  DWORD v = (pixel & mask) >> shift;
  return static_cast<DWORD>((static_cast<std::uint64_t>(v) * 255 + max / 2) / max);
}
}  // namespace

DWORD Pack(const DDPIXELFORMAT& f, DWORD rgb) {
  return PackChannel(f.dwRBitMask, (rgb >> 16) & 0xFF) |
         PackChannel(f.dwGBitMask, (rgb >> 8) & 0xFF) | PackChannel(f.dwBBitMask, rgb & 0xFF);
}

DWORD Unpack(const DDPIXELFORMAT& f, DWORD pixel) {
  return (UnpackChannel(f.dwRBitMask, pixel) << 16) | (UnpackChannel(f.dwGBitMask, pixel) << 8) |
         UnpackChannel(f.dwBBitMask, pixel);
}

// Pixels are little-endian words of their depth.
DWORD Read(const BYTE* p, int bytesPerPixel) {
  DWORD v = 0;
  for (int i = 0; i < bytesPerPixel; ++i) v |= static_cast<DWORD>(p[i]) << (8 * i);
  return v;
}

void Write(BYTE* p, int bytesPerPixel, DWORD value) {
  for (int i = 0; i < bytesPerPixel; ++i) p[i] = static_cast<BYTE>(value >> (8 * i));
}

}  // namespace platform::pixels

namespace platform {

DDSURFACEDESC2 MakeMode(DWORD width, DWORD height, const DDPIXELFORMAT& format, DWORD refresh) {
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  d.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
  d.dwWidth = width;
  d.dwHeight = height;
  d.lPitch = static_cast<LONG>(width * ((format.dwRGBBitCount + 7) / 8));
  d.dwRefreshRate = refresh;
  d.ddpfPixelFormat = format;
  return d;
}

DDPIXELFORMAT MakeZFormat(DWORD totalBits, DWORD stencilBits) {
  DDPIXELFORMAT f{};
  f.dwSize = sizeof f;
  f.dwFlags = DDPF_ZBUFFER;
  f.dwZBufferBitDepth = totalBits;
  f.dwStencilBitDepth = stencilBits;
  DWORD zBits = totalBits - stencilBits;
  f.dwZBitMask = zBits >= 32 ? 0xFFFFFFFFu : (1u << zBits) - 1;
  return f;
}

FakeHardware DefaultHardware() {
  FakeHardware hw;
  FakeDisplayDevice display;
  // The classic sizes, each in 16 and 32 bits.
  static const int sizes[][2] = {{320, 200},   {320, 240},   {400, 300},  {512, 384},  {640, 400},
                                 {640, 480},   {800, 600},   {1024, 768}, {1152, 864}, {1280, 960},
                                 {1280, 1024}, {1600, 1200}, {1920, 1080}};
  for (auto& s : sizes) {
    display.modes.push_back(MakeMode(s[0], s[1], pixels::R5G6B5()));
    display.modes.push_back(MakeMode(s[0], s[1], pixels::X8R8G8B8()));
  }
  hw.displays.push_back(display);
  hw.devices3d = {HardwareD3DDevice(), SoftwareD3DDevice()};
  hw.zFormats = {MakeZFormat(16, 0), MakeZFormat(32, 8)};
  return hw;
}

FakeHardware& Hardware() {
  static FakeHardware hw = DefaultHardware();
  return hw;
}

void ResetHardware() { Hardware() = DefaultHardware(); }

}  // namespace platform

ULONG DDObject::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT IDirectDrawClipper::SetHWnd(DWORD, HWND hwnd) {
  window_ = hwnd;
  return DD_OK;
}

// ---------------------------------------------------------------- enumeration

BOOL DirectDrawEnumerateA(LPDDENUMCALLBACKA callback, void* context) {
  if (!callback) return FALSE;
  // A copy: the callback may create objects, which look the list up again.
  auto devices = platform::Hardware().displays;
  for (auto& d : devices) {
    GUID guid = d.guid;
    std::string description = d.description, name = d.name;
    if (!callback(d.hasGuid ? &guid : nullptr, description.data(), name.data(), context)) break;
  }
  return TRUE;
}

namespace {

platform::FakeDisplayDevice* Device(int index) {
  auto& displays = platform::Hardware().displays;
  if (index < 0 || index >= static_cast<int>(displays.size())) return nullptr;
  return &displays[index];
}

DDPIXELFORMAT DesktopFormat() {
  switch (platform::CurrentBackend().DesktopBitsPerPixel()) {
    case 16:
      return platform::pixels::R5G6B5();
    case 15:
      return platform::pixels::X1R5G5B5();
    case 24:
      return platform::pixels::R8G8B8();
    default:
      return platform::pixels::X8R8G8B8();
  }
}

std::uint64_t NextVersion() {
  static std::atomic<std::uint64_t> counter{0};
  return ++counter;
}

int BytesPerPixel(const DDPIXELFORMAT& f) {
  return static_cast<int>((f.dwZBufferBitDepth + 7) / 8);  // the same word for colour and Z
}

// A rectangle inside a surface; null stands for the whole surface. A rectangle
// of no extent names the one pixel at its corner, as the flare test reads it.
bool Resolve(const RECT* r, int width, int height, RECT* out) {
  if (!r) {
    *out = RECT{0, 0, width, height};
    return true;
  }
  if (r->left < 0 || r->top < 0 || r->left > r->right || r->top > r->bottom || r->right > width ||
      r->bottom > height)
    return false;
  *out = *r;
  if (out->right == out->left) {
    if (out->left >= width) return false;
    out->right = out->left + 1;
  }
  if (out->bottom == out->top) {
    if (out->top >= height) return false;
    out->bottom = out->top + 1;
  }
  return true;
}

}  // namespace

HRESULT DirectDrawCreateEx(GUID* guid, void** out, REFIID iid, void*) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (&iid != &IID_IDirectDraw7 && iid.id != IID_IDirectDraw7.id) return E_NOINTERFACE;
  auto& displays = platform::Hardware().displays;
  int index = -1;
  for (size_t i = 0; i < displays.size(); ++i) {
    bool match = guid ? (displays[i].hasGuid && displays[i].guid == *guid) : !displays[i].hasGuid;
    if (match) {
      index = static_cast<int>(i);
      break;
    }
  }
  if (index < 0) return MakeDDResult(561);  // DDERR_INVALIDDIRECTDRAWGUID
  if (displays[index].createResult != DD_OK) return displays[index].createResult;
  auto* dd = new (std::nothrow) IDirectDraw7;
  if (!dd) return DDERR_OUTOFMEMORY;
  dd->device_ = index;
  *out = dd;
  return DD_OK;
}

// -------------------------------------------------------------- IDirectDraw7

IDirectDraw7::~IDirectDraw7() = default;

HRESULT IDirectDraw7::GetCaps(DDCAPS* driverCaps, DDCAPS* emulationCaps) {
  auto* d = Device(device_);
  if (!d) return DDERR_GENERIC;
  if (d->capsResult != DD_OK) return d->capsResult;
  if (driverCaps) {
    driverCaps->dwCaps = d->caps;
    driverCaps->dwVidMemTotal = driverCaps->dwVidMemFree = 64u << 20;
  }
  if (emulationCaps) emulationCaps->dwCaps = d->caps;
  return DD_OK;
}

HRESULT IDirectDraw7::GetDeviceIdentifier(DDDEVICEIDENTIFIER2* id, DWORD) {
  auto* d = Device(device_);
  if (!d || !id) return DDERR_INVALIDPARAMS;
  if (d->identifierResult != DD_OK) return d->identifierResult;
  std::snprintf(id->szDriver, sizeof id->szDriver, "%s", d->driver.c_str());
  std::snprintf(id->szDescription, sizeof id->szDescription, "%s", d->driverDescription.c_str());
  id->liDriverVersion.HighPart = static_cast<LONG>(d->versionHigh);
  id->liDriverVersion.LowPart = d->versionLow;
  id->dwVendorId = d->vendor;
  id->dwDeviceId = d->device;
  id->dwSubSysId = d->subSystem;
  id->dwRevision = d->revision;
  id->dwWHQLLevel = d->whql;
  return DD_OK;
}

HRESULT IDirectDraw7::SetCooperativeLevel(HWND hwnd, DWORD flags) {
  auto* d = Device(device_);
  if (!d) return DDERR_GENERIC;
  if (d->cooperativeResult != DD_OK) return d->cooperativeResult;
  if ((flags & DDSCL_EXCLUSIVE) && !hwnd) return DDERR_INVALIDPARAMS;
  level_ = flags;
  window_ = hwnd;
  return DD_OK;
}

HRESULT IDirectDraw7::EnumDisplayModes(DWORD, DDSURFACEDESC2*, void* context,
                                       LPDDENUMMODESCALLBACK2 callback) {
  auto* d = Device(device_);
  if (!d || !callback) return DDERR_INVALIDPARAMS;
  if (d->enumModesResult != DD_OK) return d->enumModesResult;
  auto modes = d->modes;
  for (auto& m : modes) {
    DDSURFACEDESC2 copy = m;
    if (callback(&copy, context) == DDENUMRET_CANCEL) break;
  }
  return DD_OK;
}

// The real monitor never changes mode: the mode only decides the size and
// format of the screen surfaces, which presentation scales onto the desktop.
HRESULT IDirectDraw7::SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD refresh, DWORD) {
  auto* d = Device(device_);
  if (!d) return DDERR_GENERIC;
  if (!(level_ & DDSCL_EXCLUSIVE)) return DDERR_NOEXCLUSIVEMODE;
  for (auto& m : d->modes) {
    if (m.dwWidth == width && m.dwHeight == height && m.ddpfPixelFormat.dwRGBBitCount == bits &&
        (refresh == 0 || m.dwRefreshRate == refresh) && (m.ddpfPixelFormat.dwFlags & DDPF_RGB)) {
      mode_ = m;
      modeSet_ = true;
      return DD_OK;
    }
  }
  return DDERR_INVALIDMODE;
}

HRESULT IDirectDraw7::GetDisplayMode(DDSURFACEDESC2* desc) {
  if (!desc) return DDERR_INVALIDPARAMS;
  if (modeSet_) {
    *desc = mode_;
    return DD_OK;
  }
  *desc = platform::MakeMode(static_cast<DWORD>(platform::CurrentBackend().DesktopWidth()),
                             static_cast<DWORD>(platform::CurrentBackend().DesktopHeight()),
                             DesktopFormat(), 60);
  return DD_OK;
}

HRESULT IDirectDraw7::RestoreDisplayMode() {
  modeSet_ = false;
  return DD_OK;
}

HRESULT IDirectDraw7::CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** out, void*) {
  if (!desc || !out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (!level_) return DDERR_NOCOOPERATIVELEVELSET;
  auto& hook = platform::Hardware().surfaceResult;
  if (hook) {
    HRESULT r = hook(*desc);
    if (r != DD_OK) return r;
  }
  DWORD caps = (desc->dwFlags & DDSD_CAPS) ? desc->ddsCaps.dwCaps : 0;

  auto make = [this](DWORD surfaceCaps, int width, int height,
                     const DDPIXELFORMAT& format) -> IDirectDrawSurface7* {
    auto* s = new (std::nothrow) IDirectDrawSurface7;
    if (!s) return nullptr;
    s->version_ = NextVersion();
    s->owner_ = this;
    AddRef();
    s->caps_.dwCaps = surfaceCaps;
    s->format_ = format;
    s->width_ = width;
    s->height_ = height;
    s->bytesPerPixel_ = BytesPerPixel(format);
    // Rows are padded to 8 bytes, so code that ignores the pitch shows it.
    s->pitch_ = (width * s->bytesPerPixel_ + 7) & ~7;
    s->memory_.assign(static_cast<size_t>(s->pitch_) * static_cast<size_t>(height), 0);
    return s;
  };

  if (caps & DDSCAPS_PRIMARYSURFACE) {
    DDSURFACEDESC2 display{};
    GetDisplayMode(&display);
    int w = static_cast<int>(display.dwWidth), h = static_cast<int>(display.dwHeight);
    if (caps & DDSCAPS_FLIP) {
      if (!fullScreen() || !modeSet_) return DDERR_NOEXCLUSIVEMODE;
      if (!(desc->dwFlags & DDSD_BACKBUFFERCOUNT) || desc->dwBackBufferCount < 1)
        return DDERR_INVALIDPARAMS;
      DWORD memory = caps & (DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY);
      IDirectDrawSurface7* front = make(caps | DDSCAPS_FRONTBUFFER, w, h, display.ddpfPixelFormat);
      IDirectDrawSurface7* back = make(
          DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX | (caps & DDSCAPS_3DDEVICE) | memory,
          w, h, display.ddpfPixelFormat);
      if (!front || !back) {
        if (front) front->Release();
        if (back) back->Release();
        return DDERR_OUTOFMEMORY;
      }
      front->attached_.push_back(back);  // the chain's reference
      *out = front;
      return DD_OK;
    }
    auto* primary = new (std::nothrow) IDirectDrawSurface7;
    if (!primary) return DDERR_OUTOFMEMORY;
    primary->owner_ = this;
    AddRef();
    primary->caps_.dwCaps = caps;
    primary->format_ = display.ddpfPixelFormat;
    primary->width_ = w;
    primary->height_ = h;
    primary->bytesPerPixel_ = BytesPerPixel(display.ddpfPixelFormat);
    primary->windowPrimary_ = true;
    *out = primary;
    return DD_OK;
  }

  if (!(desc->dwFlags & DDSD_WIDTH) || !(desc->dwFlags & DDSD_HEIGHT)) return DDERR_INVALIDPARAMS;
  int w = static_cast<int>(desc->dwWidth), h = static_cast<int>(desc->dwHeight);
  if (w <= 0 || h <= 0 || w > 16384 || h > 16384) return DDERR_INVALIDPARAMS;
  DDPIXELFORMAT format{};
  if (desc->dwFlags & DDSD_PIXELFORMAT) {
    format = desc->ddpfPixelFormat;
  } else {
    DDSURFACEDESC2 display{};
    GetDisplayMode(&display);
    format = display.ddpfPixelFormat;
  }
  if (caps & DDSCAPS_ZBUFFER) {
    if (!(format.dwFlags & DDPF_ZBUFFER)) return DDERR_INVALIDPIXELFORMAT;
  } else if (!(format.dwFlags & DDPF_RGB)) {
    return DDERR_INVALIDPIXELFORMAT;
  }
  int bytes = BytesPerPixel(format);
  if (bytes < 1 || bytes > 4) return DDERR_INVALIDPIXELFORMAT;
  IDirectDrawSurface7* s = make(caps, w, h, format);
  if (!s) return DDERR_OUTOFMEMORY;
  s->caps_.dwCaps2 = desc->ddsCaps.dwCaps2;
  if ((caps & DDSCAPS_TEXTURE) && (caps & DDSCAPS_MIPMAP) && (caps & DDSCAPS_COMPLEX)) {
    // The full chain down to 1x1 on the larger side, each level half the
    // previous one (at least 1); each level holds the next.
    IDirectDrawSurface7* level = s;
    while (w > 1 || h > 1) {
      w = std::max(1, w / 2);
      h = std::max(1, h / 2);
      IDirectDrawSurface7* next = make(
          DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | (caps & (DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY)),
          w, h, format);
      if (!next) {
        s->Release();
        return DDERR_OUTOFMEMORY;
      }
      next->caps_.dwCaps2 = DDSCAPS2_MIPMAPSUBLEVEL;
      level->attached_.push_back(next);
      level = next;
    }
  }
  *out = s;
  return DD_OK;
}

HRESULT IDirectDraw7::CreateClipper(DWORD, IDirectDrawClipper** out, void*) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = new (std::nothrow) IDirectDrawClipper;
  return *out ? DD_OK : DDERR_OUTOFMEMORY;
}

HRESULT IDirectDraw7::QueryInterface(REFIID iid, void** out) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (iid.id == IID_IDirectDraw7.id) {
    AddRef();
    *out = this;
    return DD_OK;
  }
  if (iid.id != IID_IDirect3D7.id) return E_NOINTERFACE;
  if (platform::Hardware().queryDirect3DResult != DD_OK)
    return platform::Hardware().queryDirect3DResult;
  *out = new (std::nothrow) IDirect3D7(this);
  return *out ? DD_OK : DDERR_OUTOFMEMORY;
}

// ------------------------------------------------------- IDirectDrawSurface7

IDirectDrawSurface7::~IDirectDrawSurface7() {
  for (auto* s : attached_) s->Release();
  if (clipper_) clipper_->Release();
  if (owner_) owner_->Release();
}

BYTE* IDirectDrawSurface7::pixels() {
  platform::FinishDrawing();
  return memory_.data();
}

IDirectDrawSurface7* IDirectDrawSurface7::nextMipLevel() const {
  for (auto* s : attached_)
    if ((s->caps_.dwCaps & DDSCAPS_MIPMAP) && (s->caps_.dwCaps2 & DDSCAPS2_MIPMAPSUBLEVEL))
      return s;
  return nullptr;
}

bool IDirectDrawSurface7::IsAttached(const IDirectDrawSurface7* s) const {
  return std::find(attached_.begin(), attached_.end(), s) != attached_.end();
}

HRESULT IDirectDrawSurface7::Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD, HANDLE) {
  if (!desc) return DDERR_INVALIDPARAMS;
  if (lost_) return DDERR_SURFACELOST;
  if (memory_.empty()) return DDERR_UNSUPPORTED;
  RECT r;
  if (!Resolve(rect, width_, height_, &r)) return DDERR_INVALIDRECT;
  platform::FinishDrawing();
  desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
  desc->dwWidth = static_cast<DWORD>(width_);
  desc->dwHeight = static_cast<DWORD>(height_);
  desc->lPitch = pitch_;
  desc->ddpfPixelFormat = format_;
  desc->ddsCaps = caps_;
  desc->lpSurface = memory_.data() + static_cast<size_t>(r.top) * static_cast<size_t>(pitch_) +
                    static_cast<size_t>(r.left) * static_cast<size_t>(bytesPerPixel_);
  ++locks_;
  version_ = NextVersion();
  return DD_OK;
}

HRESULT IDirectDrawSurface7::Unlock(RECT*) {
  if (locks_ == 0) return DDERR_NOTLOCKED;
  --locks_;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::Blt(RECT* dstRect, IDirectDrawSurface7* src, RECT* srcRect,
                                 DWORD flags, DDBLTFX* fx) {
  if (lost_ || (src && src->lost_)) return DDERR_SURFACELOST;
  RECT d{0, 0, width_, height_};
  // The desktop's primary is clipped to the window, wherever the window is.
  if (!windowPrimary_ && !Resolve(dstRect, width_, height_, &d)) return DDERR_INVALIDRECT;
  platform::FinishDrawing();
  version_ = NextVersion();
  if (flags & DDBLT_COLORFILL) {
    if (!fx) return DDERR_INVALIDPARAMS;
    if (memory_.empty()) return DDERR_UNSUPPORTED;
    platform::pixels::Fill(view(d), d.right - d.left, d.bottom - d.top, fx->dwFillColor);
    return DD_OK;
  }
  if (!src) return DDERR_INVALIDPARAMS;
  RECT s;
  if (!Resolve(srcRect, src->width_, src->height_, &s)) return DDERR_INVALIDRECT;
  if (windowPrimary_) {
    Present(src, s, d);
    return DD_OK;
  }
  if (memory_.empty() || src->memory_.empty()) return DDERR_UNSUPPORTED;
  // Nearest-neighbour stretch, sampling at pixel centres; formats are converted.
  // A surface copied onto itself reads from a snapshot.
  std::vector<BYTE> copy;
  platform::pixels::View from = src->view(s);
  if (src == this) {
    copy = memory_;
    from.data = copy.data() + (from.data - memory_.data());
  }
  platform::pixels::Copy(view(d), d.right - d.left, d.bottom - d.top, from, s.right - s.left,
                         s.bottom - s.top);
  return DD_OK;
}

HRESULT IDirectDrawSurface7::BltFast(DWORD x, DWORD y, IDirectDrawSurface7* src, RECT* srcRect,
                                     DWORD) {
  if (!src) return DDERR_INVALIDPARAMS;
  if (lost_ || src->lost_) return DDERR_SURFACELOST;
  RECT s;
  if (!Resolve(srcRect, src->width_, src->height_, &s)) return DDERR_INVALIDRECT;
  RECT d{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x) + (s.right - s.left),
         static_cast<LONG>(y) + (s.bottom - s.top)};
  // BltFast does not clip: a destination outside the surface is refused.
  RECT checked;
  if (!Resolve(&d, width_, height_, &checked)) return DDERR_INVALIDRECT;
  return Blt(&d, src, &s, DDBLT_WAIT, nullptr);
}

HRESULT IDirectDrawSurface7::Flip(IDirectDrawSurface7*, DWORD) {
  if (!(caps_.dwCaps & DDSCAPS_FRONTBUFFER) || attached_.empty()) return DDERR_NOTFLIPPABLE;
  if (lost_) return DDERR_SURFACELOST;
  IDirectDrawSurface7* back = nullptr;
  for (auto* s : attached_)
    if (s->caps_.dwCaps & DDSCAPS_BACKBUFFER) back = s;
  if (!back) return DDERR_NOTFLIPPABLE;
  platform::FinishDrawing();
  memory_.swap(back->memory_);
  RECT whole{0, 0, width_, height_};
  Present(this, whole, whole);
  return DD_OK;
}

platform::pixels::View IDirectDrawSurface7::view(const RECT& r) {
  return {memory_.data() + static_cast<size_t>(r.top) * static_cast<size_t>(pitch_) +
              static_cast<size_t>(r.left) * static_cast<size_t>(bytesPerPixel_),
          pitch_, &format_, bytesPerPixel_};
}

// Hands the source rectangle to the backend as 0x??RRGGBB words: 32-bit
// memory as it is, other formats converted into a frame kept between calls.
void IDirectDrawSurface7::Present(IDirectDrawSurface7* src, const RECT& s, const RECT&) {
  HWND window = clipper_ ? clipper_->window() : (owner_ ? owner_->cooperativeWindow() : nullptr);
  int w = s.right - s.left, h = s.bottom - s.top;
  bool fullScreen = owner_ && owner_->fullScreen();
  platform::pixels::View from = src->view(s);
  if (platform::pixels::IsXrgb(src->format_) && from.pitch % 4 == 0) {
    platform::CurrentBackend().Present(window, reinterpret_cast<const std::uint32_t*>(from.data), w,
                                       h, from.pitch / 4, fullScreen);
    return;
  }
  thread_local std::vector<std::uint32_t> frame;
  frame.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int y = 0; y < h; ++y)
    platform::pixels::ToRgb(from.data + static_cast<std::ptrdiff_t>(y) * from.pitch, src->format_,
                            frame.data() + static_cast<size_t>(y) * static_cast<size_t>(w), w);
  platform::CurrentBackend().Present(window, frame.data(), w, h, w, fullScreen);
}

HRESULT IDirectDrawSurface7::GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** out) {
  if (!caps || !out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  for (auto* s : attached_) {
    if ((s->caps_.dwCaps & caps->dwCaps) == caps->dwCaps) {
      s->AddRef();
      *out = s;
      return DD_OK;
    }
  }
  return DDERR_NOTFOUND;
}

HRESULT IDirectDrawSurface7::AddAttachedSurface(IDirectDrawSurface7* surface) {
  if (!surface || surface == this) return DDERR_INVALIDPARAMS;
  if (IsAttached(surface)) return DDERR_SURFACEALREADYATTACHED;
  if ((surface->caps_.dwCaps & DDSCAPS_ZBUFFER) &&
      (surface->width_ != width_ || surface->height_ != height_))
    return DDERR_CANNOTATTACHSURFACE;
  surface->AddRef();
  attached_.push_back(surface);
  return DD_OK;
}

HRESULT IDirectDrawSurface7::DeleteAttachedSurface(DWORD, IDirectDrawSurface7* surface) {
  auto it = std::find(attached_.begin(), attached_.end(), surface);
  if (!surface || it == attached_.end()) return DDERR_SURFACENOTATTACHED;
  attached_.erase(it);
  surface->Release();
  return DD_OK;
}

HRESULT IDirectDrawSurface7::GetSurfaceDesc(DDSURFACEDESC2* desc) {
  if (!desc) return DDERR_INVALIDPARAMS;
  desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
  desc->dwWidth = static_cast<DWORD>(width_);
  desc->dwHeight = static_cast<DWORD>(height_);
  desc->lPitch = pitch_;
  desc->ddpfPixelFormat = format_;
  desc->ddsCaps = caps_;
  desc->lpSurface = nullptr;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::GetPixelFormat(DDPIXELFORMAT* format) {
  if (!format) return DDERR_INVALIDPARAMS;
  *format = format_;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::IsLost() { return lost_ ? DDERR_SURFACELOST : DD_OK; }

HRESULT IDirectDrawSurface7::Restore() {
  lost_ = false;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::SetClipper(IDirectDrawClipper* clipper) {
  if (clipper) clipper->AddRef();
  if (clipper_) clipper_->Release();
  clipper_ = clipper;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::PageLock(DWORD) { return DD_OK; }
HRESULT IDirectDrawSurface7::PageUnlock(DWORD) { return DD_OK; }
