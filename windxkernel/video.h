// The video kernel: the screen description, lockable surfaces over the screen
// buffers and temporary surfaces, the display devices with their modes, the
// change of mode between frames and presentation. Main thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/basis.h"
#include "platform/ddraw.h"

namespace VOXA2 {

struct tScreenInfo {
  std::int32_t virtualWidth = 0, virtualHeight = 0;
  std::int32_t width = 0, height = 0;
  std::int32_t windowLeft = 0, windowTop = 0;
  std::int32_t preferredWidth = 0, preferredHeight = 0;
  std::int32_t bitsPerPixel = 0;
  std::int32_t bytesPerPixel = 0;
  std::uint8_t is15Bit = 0;
  std::int32_t redShift = 0, greenShift = 0, blueShift = 0;
  std::int32_t redBits = 0, greenBits = 0, blueBits = 0;
  std::int32_t redMask = 0, greenMask = 0, blueMask = 0;
};

extern tScreenInfo screenInfo;

// A 0x00RRGGBB colour as a pixel of the screen format.
std::uint32_t PackScreenColor(std::uint32_t rgb);

namespace video {

class voxaSurface : public virtual basis::basisObject {
 public:
  ~voxaSurface() override = default;
  // Mode: 0 and 3 read and write, 1 read only, 2 write only.
  virtual bool Lock(void** pixels, int* pitch, int mode) = 0;
  virtual bool Unlock() = 0;
  virtual HRESULT Fill(std::uint32_t rgb) = 0;
  virtual HRESULT Copy(voxaSurface* destination) = 0;
  // The size of the area Lock hands out: a demo's own buffers have the drawing
  // area's size, which can be smaller than the screen's.
  virtual bool GetSize(std::int32_t* width, std::int32_t* height) = 0;
};

class kernelSurface : public voxaSurface {
 public:
  kernelSurface() = default;
  ~kernelSurface() override = default;  // DirectDraw's surfaces belong to the set-up

  bool Lock(void** pixels, int* pitch, int mode) override;
  bool Unlock() override;
  HRESULT Fill(std::uint32_t rgb) override;
  HRESULT Copy(voxaSurface* destination) override;
  bool GetSize(std::int32_t* width, std::int32_t* height) override;

  // The shared temporary surface, and new ones for a demo's own buffers.
  static kernelSurface* CreateTemporary();
  static kernelSurface* Create();

  IDirectDrawSurface7* surface = nullptr;
  RECT* rectangle = nullptr;
};

// Releases one surface made by kernelSurface::Create (a demo's buffer) at once.
void FreeTemporarySurface(kernelSurface* surface);
void FreeTemporarySurfaces();
void InitScreenSurfaces();
kernelSurface* GetFrontSurface();
kernelSurface* GetBackSurface();

struct tVideoMode {
  std::int32_t width, height, bitsPerPixel;
  std::uint32_t redMask, greenMask, blueMask;
};

class videoDevice : public virtual basis::basisObject {
 public:
  ~videoDevice() override = default;
  virtual const char* GetName() = 0;
  virtual const char* GetDescription() = 0;
  virtual const tVideoMode* GetMode(int index) = 0;
};

class kernelDevice : public videoDevice {
 public:
  const char* GetName() override { return name; }
  const char* GetDescription() override { return description; }
  const tVideoMode* GetMode(int index) override;

  const char* name = nullptr;
  const char* description = nullptr;
  std::vector<tVideoMode> modes;
  std::int32_t modeCount = 0;
};

void EnumerateVideoDevices();
void FreeVideoDevices();
int GetCurrentVideoDevice();
kernelDevice* GetVideoDevice(int index);
bool RequestVideoMode(int device, int width, int height, int bitsPerPixel);
bool ChooseVideoMode();
void PresentFrame();

const char* GetPlatformName();
const char* GetCompilerVersion();
void PostApplicationQuit();

}  // namespace video
}  // namespace VOXA2
