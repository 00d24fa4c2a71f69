// The Direct3D set-up: the devices that can render into the screen format,
// their order, and the rendering device with its Z-buffer on the back buffer.
// Also the names of DirectDraw and Direct3D results. Main thread only.
#pragma once

#include <string>
#include <vector>

#include "platform/d3d.h"

namespace kernel {

struct D3DDeviceInfo {
  std::string name;
  std::string description;
  D3DDEVICEDESC7 desc{};
  GUID guid{};
  int hardwareRasterization = 0;
  int hardwareTransformAndLight = 0;
};

struct tZBufferFormat {
  int totalBits = 0;
  int stencilBits = 0;
  int zBits = 0;
  DDPIXELFORMAT format{};
};

struct t3DState {
  IDirect3D7* direct3D = nullptr;
  IDirect3DDevice7* device = nullptr;
  IDirectDrawSurface7* zBuffer = nullptr;
  int currentDevice = -1;
  int previousDevice = 0;
  int hardwareRasterization = 0;
  int hardwareTransformAndLight = 0;
  int wBufferCapable = 0;
};

extern t3DState d3dState;
extern std::vector<D3DDeviceInfo*> d3dDevices;

bool D3DCreate();
bool D3DInit();
bool D3DSelectDevice(int index);
bool D3DReleaseDevice();
bool D3DRelease();
bool D3DDeinit();
bool D3DRestore();
bool D3DDeactivate();
void D3DErrorBox(const char* file, int line, HRESULT result);

const char* D3DErrorName(HRESULT result);
const char* DDErrorName(HRESULT result);

}  // namespace kernel
