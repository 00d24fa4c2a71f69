#include "windxkernel/input.h"

#include <cstdarg>
#include <cstring>
#include <mutex>

#include "foundation/errors.h"
#include "windxkernel/application.h"
#include "windxkernel/catchchain.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/launcher.h"
#include "windxkernel/video.h"

namespace kernel {

tInputState inputState;

const tKeyTranslation keyTranslation[111] = {
    {DIK_ESCAPE, 1},
    {DIK_1, 2},
    {DIK_2, 3},
    {DIK_3, 4},
    {DIK_4, 5},
    {DIK_5, 6},
    {DIK_6, 7},
    {DIK_7, 8},
    {DIK_8, 9},
    {DIK_9, 10},
    {DIK_0, 11},
    {DIK_MINUS, 12},
    {DIK_EQUALS, 13},
    {DIK_BACK, 14},
    {DIK_TAB, 15},
    {DIK_Q, 16},
    {DIK_W, 17},
    {DIK_E, 18},
    {DIK_R, 19},
    {DIK_T, 20},
    {DIK_Y, 21},
    {DIK_U, 22},
    {DIK_I, 23},
    {DIK_O, 24},
    {DIK_P, 25},
    {DIK_LBRACKET, 26},
    {DIK_RBRACKET, 27},
    {DIK_RETURN, 28},
    {DIK_LCONTROL, 29},
    {DIK_A, 30},
    {DIK_S, 31},
    {DIK_D, 32},
    {DIK_F, 33},
    {DIK_G, 34},
    {DIK_H, 35},
    {DIK_J, 36},
    {DIK_K, 37},
    {DIK_L, 38},
    {DIK_SEMICOLON, 39},
    {DIK_APOSTROPHE, 40},
    {DIK_GRAVE, 41},
    {DIK_LSHIFT, 42},
    {DIK_BACKSLASH, 43},
    {DIK_Z, 44},
    {DIK_X, 45},
    {DIK_C, 46},
    {DIK_V, 47},
    {DIK_B, 48},
    {DIK_N, 49},
    {DIK_M, 50},
    {DIK_COMMA, 51},
    {DIK_PERIOD, 52},
    {DIK_SLASH, 53},
    {DIK_RSHIFT, 54},
    {DIK_LMENU, 55},
    {DIK_CAPITAL, 56},
    {DIK_SPACE, 57},
    {DIK_F1, 58},
    {DIK_F2, 59},
    {DIK_F3, 60},
    {DIK_F4, 61},
    {DIK_F5, 62},
    {DIK_F6, 63},
    {DIK_F7, 64},
    {DIK_F8, 65},
    {DIK_F9, 66},
    {DIK_F10, 67},
    {DIK_F11, 68},
    {DIK_F12, 69},
    {DIK_F13, 70},
    {DIK_F14, 71},
    {DIK_F15, 72},
    {DIK_NUMLOCK, 73},
    {DIK_SCROLL, 74},
    {DIK_MULTIPLY, 75},
    {DIK_NUMPAD7, 76},
    {DIK_NUMPAD8, 77},
    {DIK_NUMPAD9, 78},
    {DIK_SUBTRACT, 79},
    {DIK_NUMPAD4, 80},
    {DIK_NUMPAD5, 81},
    {DIK_NUMPAD6, 82},
    {DIK_ADD, 83},
    {DIK_NUMPAD1, 84},
    {DIK_NUMPAD2, 85},
    {DIK_NUMPAD3, 86},
    {DIK_NUMPAD0, 87},
    {DIK_DECIMAL, 88},
    {DIK_NUMPADEQUALS, 89},
    {DIK_NUMPADCOMMA, 90},
    {DIK_NUMPADENTER, 91},
    {DIK_DIVIDE, 92},
    {DIK_RCONTROL, 93},
    {DIK_SYSRQ, 94},
    {DIK_RMENU, 95},
    {DIK_HOME, 96},
    {DIK_UP, 97},
    {DIK_PRIOR, 98},
    {DIK_LEFT, 99},
    {DIK_RIGHT, 100},
    {DIK_END, 101},
    {DIK_DOWN, 102},
    {DIK_NEXT, 103},
    {DIK_INSERT, 104},
    {DIK_DELETE, 105},
    {DIK_LWIN, 106},
    {DIK_RWIN, 107},
    {DIK_APPS, 108},
    {DIK_PAUSE, 109},
    {DIK_OEM_102, 110},
    {0, 0},
};

namespace {

IDirectInput7A* directInput = nullptr;
IDirectInputDevice7A* keyboard = nullptr;
IDirectInputDevice2A* mouse = nullptr;

int TranslateKey(int dik) {
  for (const tKeyTranslation* t = keyTranslation; t->dik; ++t)
    if (t->dik == dik) return t->key;
  return 0;
}

// One read, with the one retry after a lost device that DirectInput asks for.
bool ReadDevice(IDirectInputDevice7A* device, DWORD size, void* data) {
  HRESULT r = device->GetDeviceState(size, data);
  if (r == DIERR_INPUTLOST) {
    if (device->Acquire() < 0) return false;
    r = device->GetDeviceState(size, data);
  }
  return r >= 0;
}

}  // namespace

bool DIInit() {
  cApplication* app = GetApplication();
  HINSTANCE instance = app ? app->instance : nullptr;
  HWND window = app ? app->window : nullptr;
  bool full = app && app->fullScreen;
  void* object = nullptr;
  if (DirectInputCreateEx(instance, DIRECTINPUT_VERSION, IID_IDirectInput7A, &object, nullptr) < 0)
    return false;
  directInput = static_cast<IDirectInput7A*>(object);

  if (directInput->CreateDeviceEx(GUID_SysKeyboard, IID_IDirectInputDevice7A, &object, nullptr) < 0)
    return false;
  keyboard = static_cast<IDirectInputDevice7A*>(object);
  if (keyboard->SetDataFormat(&c_dfDIKeyboard) < 0) return false;
  if (keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND) < 0)
    return false;
  if (keyboard->Acquire() < 0) return false;

  if (directInput->CreateDeviceEx(GUID_SysMouse, IID_IDirectInputDevice2A, &object, nullptr) < 0)
    return false;
  mouse = static_cast<IDirectInputDevice2A*>(object);
  if (mouse->SetDataFormat(&c_dfDIMouse) < 0) return false;
  DWORD level = (full ? DISCL_EXCLUSIVE : DISCL_NONEXCLUSIVE) | DISCL_FOREGROUND;
  if (mouse->SetCooperativeLevel(window, level) < 0) return false;
  if (mouse->Acquire() < 0) return false;
  return true;
}

void DIRelease() {
  if (!directInput) return;
  if (keyboard) {
    keyboard->Unacquire();
    keyboard->Release();
    keyboard = nullptr;
  }
  if (mouse) {
    mouse->Unacquire();
    mouse->Release();
    mouse = nullptr;
  }
  directInput->Release();
  directInput = nullptr;
}

bool DIAcquire() {
  if (keyboard && keyboard->Acquire() < 0) return false;
  if (mouse && mouse->Acquire() < 0) return false;
  return true;
}

bool DIUnacquire() {
  if (keyboard && keyboard->Unacquire() < 0) return false;
  if (mouse && mouse->Unacquire() < 0) return false;
  return true;
}

void ClearInputState() {
  std::lock_guard lock(InputLock());
  inputState = tInputState{};
}

bool FlushMouseMove() {
  if (inputState.mouseMovePending) {
    VOXA2::OnMouseMove(inputState.mouseX, inputState.mouseY, GetTime());
    inputState.mouseMovePending = 0;
  }
  return true;
}

// The whole poll, with the events it fires, holds the input lock; the guard
// releases it even when a hook throws.
bool PollInput() {
  InputLockWaiters().fetch_add(1, std::memory_order_acq_rel);
  std::lock_guard lock(InputLock());
  InputLockWaiters().fetch_sub(1, std::memory_order_acq_rel);
  cApplication* app = GetApplication();
  if (!app || !app->activeFlag) return true;
  tInputState& s = inputState;

  if (mouse) {
    if (!ReadDevice(mouse, sizeof s.mouseRead, &s.mouseRead)) return false;
    if (app->fullScreen) {
      s.cursorX += s.mouseRead.lX;
      s.cursorY += s.mouseRead.lY;
    } else {
      s.cursorX = app->mouseX;
      s.cursorY = app->mouseY;
    }
    int width = VOXA2::screenInfo.width, height = VOXA2::screenInfo.height;
    if (s.cursorX < 0) s.cursorX = 0;
    if (s.cursorY < 0) s.cursorY = 0;
    if (width > 0 && s.cursorX >= width) s.cursorX = width - 1;
    if (height > 0 && s.cursorY >= height) s.cursorY = height - 1;
    int previous[4];
    std::memcpy(previous, s.buttons, sizeof previous);
    int previousX = s.mouseX, previousY = s.mouseY;
    s.mouseX = s.cursorX;
    s.mouseY = s.cursorY;
    for (int i = 0; i < 4; ++i) s.buttons[i] = s.mouseRead.rgbButtons[i];
    if (s.mouseX != previousX || s.mouseY != previousY) s.mouseMovePending = 1;
    for (int i = 0; i < 4; ++i) {
      if (s.buttons[i] == previous[i]) continue;
      FlushMouseMove();
      VOXA2::OnMouseButton(i, s.buttons[i] != 0, GetTime());
    }
    // The wheel counts WHEEL_DELTA a notch, as DirectInput's z axis does.
    s.wheel += s.mouseRead.lZ;
    if (const int notches = s.wheel / kWheelDelta) {
      s.wheel -= notches * kWheelDelta;
      FlushMouseMove();
      VOXA2::OnMouseWheel(notches, GetTime());
    }
  }

  if (keyboard) {
    std::memcpy(s.previousKeys, s.keys, sizeof s.keys);
    if (!ReadDevice(keyboard, sizeof s.keys, s.keys)) return false;
    for (int code = 0; code < 256; ++code) {
      if (s.keys[code] == s.previousKeys[code]) continue;
      if (int key = TranslateKey(code)) VOXA2::OnKey(key, s.keys[code] != 0, GetTime());
    }
  }
  return true;
}

constexpr CatchTexts inputThreadChain{
    "Fatal error occured in User Interaction Thread: %s",
    "Fatal: Exception was not catched in User Interaction Thread!",
    "Fatal: Extreme fatal exception catched in User Interaction Thread!",
    "Fatal: Unknown exception was not catched in User Interaction Thread!"};

DWORD UserInteractionThread(void*) {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
  cApplication* app = GetApplication();
  Guarded(inputThreadChain, [app] {
    while (app && !app->quitFlag) {
      DWORD start = GetTickCount();
      PollInput();
      DWORD took = GetTickCount() - start;
      if (took < 10) Sleep(10 - took);
    }
  });
  if (app) app->Quit();
  return 0;
}

}  // namespace kernel
