// Keyboard and mouse through DirectInput, read by the "User Interaction
// Thread" every 10 ms and turned into events for the launcher layer.
#pragma once

#include "platform/dinput.h"

namespace kernel {

// The shared input state, under the input lock.
struct tInputState {
  int cursorX = 0, cursorY = 0;
  int mouseX = 0, mouseY = 0;
  int buttons[4] = {0, 0, 0, 0};
  int mouseMovePending = 0;
  int wheel = 0;  // wheel counts short of a notch
  DIMOUSESTATE mouseRead{};
  BYTE keys[256] = {};
  BYTE previousKeys[256] = {};
};
extern tInputState inputState;

// The wheel counts of one notch.
inline constexpr int kWheelDelta = 120;

// DirectInput key code and the key code the launcher receives, 110 pairs and
// a closing pair of zeros.
struct tKeyTranslation {
  BYTE dik;
  int key;
};
extern const tKeyTranslation keyTranslation[111];

bool DIInit();
void DIRelease();
bool DIAcquire();
bool DIUnacquire();
bool PollInput();
bool FlushMouseMove();
void ClearInputState();
DWORD UserInteractionThread(void* parameter);

}  // namespace kernel
