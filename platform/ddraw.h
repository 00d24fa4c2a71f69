// Our DirectDraw 7 stand-in: display devices and modes, surfaces held in
// memory in their pixel format, blits, flips and presentation through the
// backend. Only what the player calls is declared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win32.h"

using ULONG = std::uint32_t;

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
inline bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}

// Interface identifiers: only their identity matters here.
struct IID {
  int id;
};
using REFIID = const IID&;
extern const IID IID_IDirectDraw7;
extern const IID IID_IDirect3D7;

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  };
  std::int64_t QuadPart;
};

// Result codes: 0 is success, failures are negative.
constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDENUMRET_OK = 1;
constexpr HRESULT DDENUMRET_CANCEL = 0;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
constexpr HRESULT MakeDDResult(int code) { return static_cast<HRESULT>(0x88760000u | code); }

constexpr HRESULT DDERR_GENERIC = E_FAIL;
constexpr HRESULT DDERR_INVALIDPARAMS = E_INVALIDARG;
constexpr HRESULT DDERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DDERR_UNSUPPORTED = E_NOTIMPL;
constexpr HRESULT DDERR_NOTINITIALIZED = CO_E_NOTINITIALIZED;
constexpr HRESULT DDERR_CANNOTATTACHSURFACE = MakeDDResult(10);
constexpr HRESULT DDERR_INVALIDCAPS = MakeDDResult(100);
constexpr HRESULT DDERR_INVALIDMODE = MakeDDResult(120);
constexpr HRESULT DDERR_INVALIDOBJECT = MakeDDResult(130);
constexpr HRESULT DDERR_INVALIDPIXELFORMAT = MakeDDResult(145);
constexpr HRESULT DDERR_INVALIDRECT = MakeDDResult(150);
constexpr HRESULT DDERR_NOTFOUND = MakeDDResult(255);
constexpr HRESULT DDERR_OUTOFVIDEOMEMORY = MakeDDResult(380);
constexpr HRESULT DDERR_SURFACEALREADYATTACHED = MakeDDResult(410);
constexpr HRESULT DDERR_SURFACEBUSY = MakeDDResult(430);
constexpr HRESULT DDERR_SURFACELOST = MakeDDResult(450);
constexpr HRESULT DDERR_SURFACENOTATTACHED = MakeDDResult(460);
constexpr HRESULT DDERR_WASSTILLDRAWING = MakeDDResult(540);
constexpr HRESULT DDERR_NOCLIPPERATTACHED = MakeDDResult(568);
constexpr HRESULT DDERR_NOHWND = MakeDDResult(569);
constexpr HRESULT DDERR_NOTFLIPPABLE = MakeDDResult(582);
constexpr HRESULT DDERR_NOTLOCKED = MakeDDResult(584);
constexpr HRESULT DDERR_NOEXCLUSIVEMODE = MakeDDResult(225);
constexpr HRESULT DDERR_NOCOOPERATIVELEVELSET = MakeDDResult(212);
constexpr HRESULT DDERR_PRIMARYSURFACEALREADYEXISTS = MakeDDResult(564);
constexpr HRESULT DDERR_UNSUPPORTEDMODE = MakeDDResult(590);

// Every public DirectDraw result with its name, for the name tables of the set-up.
struct ResultName {
  HRESULT code;
  const char* name;
};
const std::vector<ResultName>& DirectDrawResultNames();

// Capability, surface, lock and blit flags.
constexpr DWORD DDCAPS_3D = 0x00000001;
constexpr DWORD DDSCL_FULLSCREEN = 0x00000001;
constexpr DWORD DDSCL_ALLOWREBOOT = 0x00000002;
constexpr DWORD DDSCL_NORMAL = 0x00000008;
constexpr DWORD DDSCL_EXCLUSIVE = 0x00000010;
constexpr DWORD DDSCL_MULTITHREADED = 0x00000400;

constexpr DWORD DDSCAPS_3DDEVICE = 0x00002000;
constexpr DWORD DDSCAPS_BACKBUFFER = 0x00000004;
constexpr DWORD DDSCAPS_COMPLEX = 0x00000008;
constexpr DWORD DDSCAPS_FLIP = 0x00000010;
constexpr DWORD DDSCAPS_FRONTBUFFER = 0x00000020;
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x00000040;
constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x00000200;
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x00000800;
constexpr DWORD DDSCAPS_TEXTURE = 0x00001000;
constexpr DWORD DDSCAPS_VIDEOMEMORY = 0x00004000;
constexpr DWORD DDSCAPS_ZBUFFER = 0x00020000;
constexpr DWORD DDSCAPS_MIPMAP = 0x00400000;
constexpr DWORD DDSCAPS2_HINTDYNAMIC = 0x00000004;
constexpr DWORD DDSCAPS2_MIPMAPSUBLEVEL = 0x00010000;
constexpr DWORD DDSCAPS2_OPAQUE = 0x00000080;
constexpr DWORD DDSCAPS2_TEXTUREMANAGE = 0x00000010;

constexpr DWORD DDSD_CAPS = 0x00000001;
constexpr DWORD DDSD_HEIGHT = 0x00000002;
constexpr DWORD DDSD_WIDTH = 0x00000004;
constexpr DWORD DDSD_PITCH = 0x00000008;
constexpr DWORD DDSD_BACKBUFFERCOUNT = 0x00000020;
constexpr DWORD DDSD_PIXELFORMAT = 0x00001000;
constexpr DWORD DDSD_MIPMAPCOUNT = 0x00020000;
constexpr DWORD DDSD_REFRESHRATE = 0x00040000;

constexpr DWORD DDPF_ALPHAPIXELS = 0x00000001;
constexpr DWORD DDPF_ALPHA = 0x00000002;
constexpr DWORD DDPF_PALETTEINDEXED4 = 0x00000008;
constexpr DWORD DDPF_PALETTEINDEXEDTO8 = 0x00000010;
constexpr DWORD DDPF_PALETTEINDEXED8 = 0x00000020;
constexpr DWORD DDPF_RGB = 0x00000040;
constexpr DWORD DDPF_COMPRESSED = 0x00000080;
constexpr DWORD DDPF_YUV = 0x00000200;
constexpr DWORD DDPF_ZBUFFER = 0x00000400;
constexpr DWORD DDPF_PALETTEINDEXED1 = 0x00000800;
constexpr DWORD DDPF_PALETTEINDEXED2 = 0x00001000;

constexpr DWORD DDLOCK_WAIT = 0x00000001;
constexpr DWORD DDLOCK_READONLY = 0x00000010;
constexpr DWORD DDLOCK_WRITEONLY = 0x00000020;
constexpr DWORD DDLOCK_NOSYSLOCK = 0x00000800;
constexpr DWORD DDLOCK_DISCARDCONTENTS = 0x00002000;
constexpr DWORD DDLOCK_NOOVERWRITE = 0x00001000;

constexpr DWORD DDBLT_ASYNC = 0x00000200;
constexpr DWORD DDBLT_COLORFILL = 0x00000400;
constexpr DWORD DDBLT_WAIT = 0x01000000;
constexpr DWORD DDBLTFAST_WAIT = 0x00000010;
constexpr DWORD DDFLIP_WAIT = 0x00000001;

constexpr DWORD DDBD_8 = 0x00000800;
constexpr DWORD DDBD_16 = 0x00000400;
constexpr DWORD DDBD_24 = 0x00000200;
constexpr DWORD DDBD_32 = 0x00000100;

// For Z formats the bit count reads as the Z-buffer depth and the red mask as
// the stencil depth, as callers of the Z enumeration expect.
struct DDPIXELFORMAT {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwFourCC;
  union {
    DWORD dwRGBBitCount;
    DWORD dwZBufferBitDepth;
  };
  union {
    DWORD dwRBitMask;
    DWORD dwStencilBitDepth;
  };
  union {
    DWORD dwGBitMask;
    DWORD dwZBitMask;
  };
  DWORD dwBBitMask;
  DWORD dwRGBAlphaBitMask;
};

struct DDSCAPS2 {
  DWORD dwCaps;
  DWORD dwCaps2;
  DWORD dwCaps3;
  DWORD dwCaps4;
};

struct DDSURFACEDESC2 {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwHeight;
  DWORD dwWidth;
  LONG lPitch;
  DWORD dwBackBufferCount;
  DWORD dwMipMapCount;
  DWORD dwRefreshRate;
  void* lpSurface;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS2 ddsCaps;
};

struct DDCAPS {
  DWORD dwSize;
  DWORD dwCaps;
  DWORD dwCaps2;
  DWORD dwVidMemTotal;
  DWORD dwVidMemFree;
};

struct DDDEVICEIDENTIFIER2 {
  char szDriver[512];
  char szDescription[512];
  LARGE_INTEGER liDriverVersion;
  DWORD dwVendorId;
  DWORD dwDeviceId;
  DWORD dwSubSysId;
  DWORD dwRevision;
  GUID guidDeviceIdentifier;
  DWORD dwWHQLLevel;
};

struct DDBLTFX {
  DWORD dwSize;
  DWORD dwFillColor;
};

class IDirectDraw7;
class IDirectDrawSurface7;
class IDirect3D7;

// Reference counting as the player relies on it.
class DDObject {
 public:
  virtual ~DDObject() = default;
  ULONG AddRef() { return ++refs_; }
  ULONG Release();

 protected:
  ULONG refs_ = 1;
};

class IDirectDrawClipper : public DDObject {
 public:
  HRESULT SetHWnd(DWORD flags, HWND hwnd);
  HWND window() const { return window_; }

 private:
  HWND window_ = nullptr;
};

namespace platform::pixels {
struct View;
}

class IDirectDrawSurface7 : public DDObject {
 public:
  ~IDirectDrawSurface7() override;

  HRESULT Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD flags, HANDLE event);
  HRESULT Unlock(RECT* rect);
  HRESULT Blt(RECT* dstRect, IDirectDrawSurface7* src, RECT* srcRect, DWORD flags, DDBLTFX* fx);
  HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface7* src, RECT* srcRect, DWORD flags);
  HRESULT Flip(IDirectDrawSurface7* override, DWORD flags);
  HRESULT GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** out);
  HRESULT AddAttachedSurface(IDirectDrawSurface7* surface);
  HRESULT DeleteAttachedSurface(DWORD flags, IDirectDrawSurface7* surface);
  HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc);
  HRESULT GetPixelFormat(DDPIXELFORMAT* format);
  HRESULT IsLost();
  HRESULT Restore();
  HRESULT SetClipper(IDirectDrawClipper* clipper);
  HRESULT PageLock(DWORD flags);
  HRESULT PageUnlock(DWORD flags);

  // Stand-in state, read by the Direct3D stand-in and by tests.
  int width() const { return width_; }
  int height() const { return height_; }
  int pitch() const { return pitch_; }
  DWORD caps() const { return caps_.dwCaps; }
  const DDPIXELFORMAT& format() const { return format_; }
  // The contents, every device's pending drawing landed first.
  BYTE* pixels();
  // The contents as they are: for the rasterisers, which write them.
  BYTE* memory() { return memory_.data(); }
  bool IsAttached(const IDirectDrawSurface7* s) const;
  int lockCount() const { return locks_; }
  // Changes whenever the contents may have changed (a lock or a blit into
  // it); unique across surfaces, so caches keyed on it never confuse two.
  std::uint64_t version() const { return version_; }
  // The next smaller level of a mip chain, null at the end (no reference).
  IDirectDrawSurface7* nextMipLevel() const;
  // Marks the surface lost, as a mode switch by another program would.
  void SimulateLoss() { lost_ = true; }

 private:
  friend class IDirectDraw7;
  void Present(IDirectDrawSurface7* src, const RECT& srcRect, const RECT& dstRect);
  platform::pixels::View view(const RECT& r);  // the rectangle's pixels

  IDirectDraw7* owner_ = nullptr;  // counted: a surface keeps its DirectDraw object alive
  DDSCAPS2 caps_{};
  DDPIXELFORMAT format_{};
  int width_ = 0, height_ = 0, pitch_ = 0, bytesPerPixel_ = 0;
  std::vector<BYTE> memory_;
  std::vector<IDirectDrawSurface7*> attached_;  // each holds one reference
  IDirectDrawClipper* clipper_ = nullptr;
  int locks_ = 0;
  bool lost_ = false;
  std::uint64_t version_ = 0;
  bool windowPrimary_ = false;  // the desktop's primary: blits onto it show the frame
};

using LPDDENUMCALLBACKA = BOOL (*)(GUID* guid, char* description, char* name, void* context);
using LPDDENUMMODESCALLBACK2 = HRESULT (*)(DDSURFACEDESC2* mode, void* context);

class IDirectDraw7 : public DDObject {
 public:
  ~IDirectDraw7() override;

  HRESULT GetCaps(DDCAPS* driverCaps, DDCAPS* emulationCaps);
  HRESULT GetDeviceIdentifier(DDDEVICEIDENTIFIER2* id, DWORD flags);
  HRESULT SetCooperativeLevel(HWND hwnd, DWORD flags);
  HRESULT EnumDisplayModes(DWORD flags, DDSURFACEDESC2* templ, void* context,
                           LPDDENUMMODESCALLBACK2 callback);
  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD refresh, DWORD flags);
  HRESULT GetDisplayMode(DDSURFACEDESC2* desc);
  HRESULT RestoreDisplayMode();
  HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** out, void* outer);
  HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** out, void* outer);
  HRESULT QueryInterface(REFIID iid, void** out);

  int deviceIndex() const { return device_; }
  HWND cooperativeWindow() const { return window_; }
  bool fullScreen() const { return (level_ & DDSCL_FULLSCREEN) != 0; }

 private:
  friend HRESULT DirectDrawCreateEx(GUID*, void**, REFIID, void*);
  int device_ = 0;
  DWORD level_ = 0;
  HWND window_ = nullptr;
  bool modeSet_ = false;
  DDSURFACEDESC2 mode_{};
};

BOOL DirectDrawEnumerateA(LPDDENUMCALLBACKA callback, void* context);
HRESULT DirectDrawCreateEx(GUID* guid, void** out, REFIID iid, void* outer);

// Pixel formats the stand-in offers, and conversions between them.
namespace platform::pixels {
DDPIXELFORMAT Rgb(DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a = 0);
DDPIXELFORMAT R5G6B5();
DDPIXELFORMAT X1R5G5B5();
DDPIXELFORMAT R8G8B8();
DDPIXELFORMAT X8R8G8B8();
DDPIXELFORMAT A1R5G5B5();
DDPIXELFORMAT A4R4G4B4();
DDPIXELFORMAT A8R8G8B8();
// A 0x00RRGGBB colour packed by the format's masks, and back.
DWORD Pack(const DDPIXELFORMAT& f, DWORD rgb);
DWORD Unpack(const DDPIXELFORMAT& f, DWORD pixel);
DWORD Read(const BYTE* p, int bytesPerPixel);
void Write(BYTE* p, int bytesPerPixel, DWORD value);
}  // namespace platform::pixels
