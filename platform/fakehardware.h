// The display and 3D hardware that the DirectDraw and Direct3D stand-ins
// report. The default is what the player meets on any machine; tests replace
// it with other devices, modes and formats, and with failing calls.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d.h"

namespace platform {

struct FakeDisplayDevice {
  bool hasGuid = false;  // the default display device has none
  GUID guid{};
  std::string description = "Primary Display Driver";
  std::string name = "display";
  DWORD caps = DDCAPS_3D;
  HRESULT createResult = DD_OK;
  HRESULT capsResult = DD_OK;
  HRESULT identifierResult = DD_OK;
  HRESULT cooperativeResult = DD_OK;
  HRESULT enumModesResult = DD_OK;
  std::string driver = "voxa2-soft";
  std::string driverDescription = "Software display";
  DWORD versionHigh = 0x00010000, versionLow = 0x00000001;
  DWORD vendor = 0, device = 0, subSystem = 0, revision = 0, whql = 0;
  std::vector<DDSURFACEDESC2> modes;  // the full-screen modes
};

struct FakeD3DDevice {
  std::string description;
  std::string name;
  D3DDEVICEDESC7 desc{};
  // Makes the rasteriser that draws for the device (never null); empty: the
  // software rasteriser.
  std::function<std::unique_ptr<raster::Rasteriser>()> rasteriser;
};

// One call that reached the Direct3D device, for tests that count device work.
struct D3DCall {
  std::string method;
  DWORD a = 0, b = 0, c = 0, d = 0;
};

struct FakeHardware {
  std::vector<FakeDisplayDevice> displays;
  std::vector<FakeD3DDevice> devices3d;
  std::vector<DDPIXELFORMAT> zFormats;
  // Consulted before each surface is made; a failure code refuses it.
  std::function<HRESULT(const DDSURFACEDESC2&)> surfaceResult;
  // Consulted by CreateDevice with the attached Z-buffer's format.
  std::function<HRESULT(const DDPIXELFORMAT& zFormat)> createDeviceResult;
  HRESULT queryDirect3DResult = DD_OK;
  HRESULT enumDevicesResult = D3D_OK;
  HRESULT setViewportResult = D3D_OK;
  HRESULT createVertexBufferResult = D3D_OK;
  // Sees every state change, scene bracket and draw of a Direct3D device.
  std::function<void(const D3DCall&)> observeD3D;
  // Consulted by ValidateDevice once the stage set-up passed its own checks:
  // a device that takes fewer set-ups than the software rasteriser.
  std::function<HRESULT(IDirect3DDevice7& device)> validateDevice;
};

// A full-screen mode record as the enumeration delivers it.
DDSURFACEDESC2 MakeMode(DWORD width, DWORD height, const DDPIXELFORMAT& format, DWORD refresh = 60);
DDPIXELFORMAT MakeZFormat(DWORD totalBits, DWORD stencilBits);
// The two 3D devices: one rasterising (and transforming) in "hardware", one not.
FakeD3DDevice HardwareD3DDevice();
FakeD3DDevice SoftwareD3DDevice();

// The default configuration, and the live one (which tests may change).
FakeHardware DefaultHardware();
FakeHardware& Hardware();
void ResetHardware();

// The last frame shown in a window, as 0x00RRGGBB pixels.
struct PresentedFrame {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  int count = 0;  // frames shown so far
};
const PresentedFrame& LastPresentedFrame();
bool WritePresentedFramePng(const std::string& path);

// Input as the user gives it; the sdl backend feeds the same calls from its events.
void InjectKey(int dik, bool down);
void InjectMouseMotion(int dx, int dy);
void InjectMouseButton(int button, bool down);
void InjectMouseWheel(int dz);
// Focus changes make acquired input devices report a loss once.
void InjectInputFocus(bool focused);
void ResetInput();

}  // namespace platform
