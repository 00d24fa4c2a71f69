#include "windxkernel/video.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "platform/backend.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/application.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/input.h"
#include "windxkernel/launcher.h"

namespace VOXA2 {

tScreenInfo screenInfo;

std::uint32_t PackScreenColor(std::uint32_t rgb) {
  const tScreenInfo& s = screenInfo;
  auto channel = [](std::uint32_t c, int bits, int shift) -> std::uint32_t {
    if (bits <= 0) return 0;
    return (bits >= 8 ? c << (bits - 8) : c >> (8 - bits)) << shift;
  };
  return channel((rgb >> 16) & 0xFF, s.redBits, s.redShift) |
         channel((rgb >> 8) & 0xFF, s.greenBits, s.greenShift) |
         channel(rgb & 0xFF, s.blueBits, s.blueShift);
}

namespace video {
namespace {

kernelSurface frontSurface;
kernelSurface backSurface;
// The one temporary surface that every caller of CreateTemporary shares keeps
// its own slot, so it never aliases a demo's buffer.
kernelSurface* sharedTemporary = nullptr;
std::vector<kernelSurface*> temporarySurfaces;  // the demos' buffers

std::vector<kernelDevice*> videoDevices;
int currentDevice = -1;

struct PendingMode {
  bool pending = false;
  int device = 0, width = 0, height = 0, bits = 0;
} pendingMode;

kernelSurface* NewTemporary() {
  auto* s = VOXA::errors::NewOrThrow<kernelSurface>("kernelSurface");
  s->surface = kernel::DDNewTempSurface();
  if (!s->surface) {
    delete s;
    return nullptr;
  }
  s->rectangle = &kernel::videoState.virtualRect;
  s->Fill(0);
  return s;
}

void Release(kernelSurface* s) {
  kernel::DDDeleteTempSurface(s->surface);
  delete s;
}

}  // namespace

bool kernelSurface::Lock(void** pixels, int* pitch, int mode) {
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  DWORD flags = DDLOCK_WAIT | DDLOCK_NOSYSLOCK;
  if ((mode & 3) == 1) flags |= DDLOCK_READONLY;
  if ((mode & 3) == 2) flags |= DDLOCK_WRITEONLY;
  HRESULT r = surface ? surface->Lock(rectangle, &desc, flags, nullptr) : DDERR_INVALIDOBJECT;
  if (pixels) *pixels = desc.lpSurface;
  if (pitch) *pitch = desc.lPitch;
  return r == DD_OK;
}

bool kernelSurface::GetSize(std::int32_t* width, std::int32_t* height) {
  std::int32_t w = 0, h = 0;
  if (rectangle) {
    w = rectangle->right - rectangle->left;
    h = rectangle->bottom - rectangle->top;
  } else if (surface) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (surface->GetSurfaceDesc(&desc) != DD_OK) return false;
    w = static_cast<std::int32_t>(desc.dwWidth);
    h = static_cast<std::int32_t>(desc.dwHeight);
  } else {
    return false;
  }
  if (width) *width = w;
  if (height) *height = h;
  return true;
}

bool kernelSurface::Unlock() { return surface && surface->Unlock(rectangle) == DD_OK; }

// The colour is packed in the surface's own format, which for anything but a
// texture is the screen's.
HRESULT kernelSurface::Fill(std::uint32_t rgb) {
  if (!surface) return DDERR_INVALIDOBJECT;
  DDPIXELFORMAT format{};
  surface->GetPixelFormat(&format);
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = platform::pixels::Pack(format, rgb & 0xFFFFFF);
  return surface->Blt(rectangle, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

HRESULT kernelSurface::Copy(voxaSurface* destination) {
  auto* d = dynamic_cast<kernelSurface*>(destination);
  if (!d) return DD_OK;
  if (!d->surface || !surface) return DDERR_INVALIDOBJECT;
  DWORD x = d->rectangle ? static_cast<DWORD>(d->rectangle->left) : 0;
  DWORD y = d->rectangle ? static_cast<DWORD>(d->rectangle->top) : 0;
  return d->surface->BltFast(x, y, surface, rectangle, DDBLTFAST_WAIT);
}

kernelSurface* kernelSurface::CreateTemporary() {
  if (!sharedTemporary) sharedTemporary = NewTemporary();
  return sharedTemporary;
}

kernelSurface* kernelSurface::Create() {
  kernelSurface* s = NewTemporary();
  if (s) temporarySurfaces.push_back(s);
  return s;
}

void FreeTemporarySurface(kernelSurface* surface) {
  auto it = std::find(temporarySurfaces.begin(), temporarySurfaces.end(), surface);
  if (!surface || it == temporarySurfaces.end()) return;
  temporarySurfaces.erase(it);
  Release(surface);
}

void FreeTemporarySurfaces() {
  frontSurface.surface = backSurface.surface = nullptr;
  frontSurface.rectangle = backSurface.rectangle = nullptr;
  while (!temporarySurfaces.empty()) {
    Release(temporarySurfaces.back());
    temporarySurfaces.pop_back();
  }
  temporarySurfaces.shrink_to_fit();
  if (sharedTemporary) Release(sharedTemporary);
  sharedTemporary = nullptr;
}

kernelSurface* GetFrontSurface() { return &frontSurface; }
kernelSurface* GetBackSurface() { return &backSurface; }

void InitScreenSurfaces() {
  kernel::tVideoState& v = kernel::videoState;
  frontSurface.surface = v.front;
  frontSurface.rectangle = &v.screenRect;
  backSurface.surface = v.back;
  backSurface.rectangle = &v.screenRect;
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = 0;
  for (kernelSurface* s : {&frontSurface, &backSurface})
    if (s->surface)
      s->surface->Blt(s->rectangle, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);

  tScreenInfo& s = screenInfo;
  s.virtualWidth = v.virtualRect.right;
  s.virtualHeight = v.virtualRect.bottom;
  s.width = v.screenRect.right;
  s.height = v.screenRect.bottom;
  s.windowLeft = v.windowLeft;
  s.windowTop = v.windowTop;
  s.preferredWidth = s.preferredHeight = 0;
  s.bitsPerPixel = v.bitsPerPixel;
  s.bytesPerPixel = v.bytesPerPixel;
  s.is15Bit = static_cast<std::uint8_t>(v.is15Bit);
  s.redShift = v.redShift;
  s.greenShift = v.greenShift;
  s.blueShift = v.blueShift;
  s.redBits = v.redLength;
  s.greenBits = v.greenLength;
  s.blueBits = v.blueLength;
  s.redMask = static_cast<std::int32_t>(v.redMask);
  s.greenMask = static_cast<std::int32_t>(v.greenMask);
  s.blueMask = static_cast<std::int32_t>(v.blueMask);
}

const tVideoMode* kernelDevice::GetMode(int index) {
  if (static_cast<unsigned>(index) >= static_cast<unsigned>(modeCount)) return nullptr;
  return &modes[static_cast<size_t>(index)];
}

void EnumerateVideoDevices() {
  FreeVideoDevices();
  for (kernel::DDDeviceInfo* record : kernel::ddDevices) {
    auto* d = VOXA::errors::NewOrThrow<kernelDevice>("kernelDevice");
    d->name = record->name.c_str();
    d->description = record->description.c_str();
    for (const DDSURFACEDESC2& m : record->modes)
      d->modes.push_back(tVideoMode{
          static_cast<std::int32_t>(m.dwWidth), static_cast<std::int32_t>(m.dwHeight),
          static_cast<std::int32_t>(m.ddpfPixelFormat.dwRGBBitCount), m.ddpfPixelFormat.dwRBitMask,
          m.ddpfPixelFormat.dwGBitMask, m.ddpfPixelFormat.dwBBitMask});
    d->modeCount = static_cast<std::int32_t>(d->modes.size());
    videoDevices.push_back(d);
  }
  currentDevice = kernel::videoState.selectedDevice;
  InitScreenSurfaces();
}

void FreeVideoDevices() {
  FreeTemporarySurfaces();
  for (auto* d : videoDevices) delete d;
  videoDevices.clear();
}

int GetCurrentVideoDevice() { return currentDevice; }

kernelDevice* GetVideoDevice(int index) {
  if (static_cast<unsigned>(index) >= videoDevices.size()) return nullptr;
  return videoDevices[static_cast<size_t>(index)];
}

bool RequestVideoMode(int device, int width, int height, int bitsPerPixel) {
  if (bitsPerPixel == 0) bitsPerPixel = screenInfo.bitsPerPixel;
  if (height == 0) height = screenInfo.virtualHeight;
  if (width == 0) width = screenInfo.virtualWidth;
  if (static_cast<unsigned>(device) >= videoDevices.size()) device = currentDevice;
  if (device == currentDevice && width == screenInfo.virtualWidth &&
      height == screenInfo.virtualHeight && bitsPerPixel == screenInfo.bitsPerPixel)
    return true;
  pendingMode = PendingMode{true, device, width, height, bitsPerPixel};
  return true;
}

bool ChooseVideoMode() {
  if (!pendingMode.pending) return true;
  pendingMode.pending = false;
  FreeTemporarySurfaces();
  VOXA2::threedee::Release3DKernel();
  kernel::D3DRelease();
  if (!kernel::DIUnacquire()) return false;
  if (pendingMode.device != currentDevice && !kernel::DDSelectDevice(pendingMode.device))
    return false;
  currentDevice = kernel::videoState.selectedDevice;
  kernel::videoState.virtualRequestWidth = screenInfo.preferredWidth;
  kernel::videoState.virtualRequestHeight = screenInfo.preferredHeight;

  int chosen = 0;
  if (kernel::videoState.modes) {
    const auto& modes = *kernel::videoState.modes;
    for (size_t i = 0; i < modes.size(); ++i) {
      int w = static_cast<int>(modes[i].dwWidth), h = static_cast<int>(modes[i].dwHeight);
      int bits = static_cast<int>(modes[i].ddpfPixelFormat.dwRGBBitCount);
      if (w <= pendingMode.width && h <= pendingMode.height && bits <= pendingMode.bits) {
        LogMessage(5, "mode %i (%ix%ix%i) seems good", static_cast<int>(i), w, h, bits);
        chosen = static_cast<int>(i);
      }
    }
  }
  if (!kernel::DDSetMode(chosen)) return false;
  if (!kernel::DIAcquire()) return false;
  if (!kernel::D3DInit()) return false;
  VOXA2::threedee::Init3DKernel();
  InitScreenSurfaces();
  VOXA2::Reinitialize();  // a GUI that cannot be laid out does not stop the mode change
  return true;
}

void PresentFrame() { kernel::DDPresent(); }

const char* GetPlatformName() {
  static std::string name;
  name = std::string("Linux ") + platform::CurrentBackend().Name();
  return name.c_str();
}

// clang defines the GNU macros too (as GCC 4.2), so it is asked first.
const char* GetCompilerVersion() {
  static char text[64];
#if defined(__clang__)
  std::snprintf(text, sizeof text, "clang C++ %d.%d.%d", __clang_major__, __clang_minor__,
                __clang_patchlevel__);
#elif defined(__GNUC__)
  std::snprintf(text, sizeof text, "GNU C++ %d.%d.%d", __GNUC__, __GNUC_MINOR__,
                __GNUC_PATCHLEVEL__);
#else
  std::snprintf(text, sizeof text, "unknown C++ compiler");
#endif
  return text;
}

void PostApplicationQuit() {
  if (kernel::cApplication* app = GetApplication()) app->Quit();
}

}  // namespace video
}  // namespace VOXA2
