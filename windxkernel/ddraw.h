// The DirectDraw set-up: display devices and their modes, the choice of the
// mode that fits the requested screen, the screen surfaces, temporary
// surfaces, presentation and restoring. Main thread only.
#pragma once

#include <string>
#include <vector>

#include "platform/ddraw.h"

namespace kernel {

struct DDDeviceInfo {
  GUID guid{};
  int isDefault = 0;
  DDCAPS driverCaps{};
  std::string name;
  std::string description;
  std::vector<DDSURFACEDESC2> modes;
};

struct tVideoState {
  IDirectDraw7* directDraw = nullptr;
  IDirectDrawSurface7* front = nullptr;
  IDirectDrawSurface7* realPrimary = nullptr;
  IDirectDrawSurface7* back = nullptr;
  std::vector<IDirectDrawSurface7*> temporary;
  int selectedDevice = -1;
  int preferred3DDevice = -1;
  int currentMode = -1;
  int chosenMode = -1;
  std::vector<DDSURFACEDESC2>* modes = nullptr;  // the selected device's (not owned)
  int requestedWidth = 640, requestedHeight = 480;
  int virtualRequestWidth = 0, virtualRequestHeight = 0;
  RECT screenRect{0, 0, 0, 0};
  RECT virtualRect{0, 0, 0, 0};
  int windowLeft = 0, windowTop = 0, windowRight = 0, windowBottom = 0;
  int bitsPerPixel = 0, bytesPerPixel = 0;
  int redShift = 0, redLength = 0;
  DWORD redMask = 0;
  int greenShift = 0, greenLength = 0;
  DWORD greenMask = 0;
  int blueShift = 0, blueLength = 0;
  DWORD blueMask = 0;
  int is15Bit = 0;
  DDPIXELFORMAT screenFormat{};
};

extern tVideoState videoState;
extern std::vector<DDDeviceInfo*> ddDevices;

// The twenty window sizes offered in windowed mode, in their order.
extern const int windowSizes[20][2];

bool DDInit();
bool DDSelectDevice(int index);
bool DDSetMode(int index);
IDirectDrawSurface7* DDNewTempSurface();
void DDDeleteTempSurface(IDirectDrawSurface7* surface);
void DDPresent();
bool DDRestore();
void DDReleaseSurfaces();
void DDReleaseObject();
void DDRelease();
bool DDDeactivate();
void DDErrorBox(const char* file, int line, HRESULT result);

}  // namespace kernel
