// Our DirectInput 7 stand-in: a keyboard state table and a mouse with
// relative counts and four buttons, fed by the backend's events on the main
// thread and read by the input thread under the stand-in's own mutex.
#pragma once

#include "platform/ddraw.h"

constexpr HRESULT DI_OK = 0;
constexpr HRESULT DIERR_INPUTLOST = static_cast<HRESULT>(0x8007001Eu);
constexpr HRESULT DIERR_NOTACQUIRED = static_cast<HRESULT>(0x8007000Cu);
constexpr HRESULT DIERR_INVALIDPARAM = E_INVALIDARG;
constexpr HRESULT DIERR_NOTINITIALIZED = static_cast<HRESULT>(0x80070015u);

constexpr DWORD DIRECTINPUT_VERSION = 0x0700;
constexpr DWORD DISCL_EXCLUSIVE = 0x00000001;
constexpr DWORD DISCL_NONEXCLUSIVE = 0x00000002;
constexpr DWORD DISCL_FOREGROUND = 0x00000004;
constexpr DWORD DISCL_BACKGROUND = 0x00000008;

extern const IID IID_IDirectInput7A;
extern const IID IID_IDirectInputDevice7A;
extern const IID IID_IDirectInputDevice2A;
extern const GUID GUID_SysKeyboard;
extern const GUID GUID_SysMouse;

// The state layouts a device can be told to deliver.
struct DIDATAFORMAT {
  DWORD dwSize;
  DWORD dwDataSize;
};
extern const DIDATAFORMAT c_dfDIKeyboard;
extern const DIDATAFORMAT c_dfDIMouse;

struct DIMOUSESTATE {
  LONG lX;
  LONG lY;
  LONG lZ;
  BYTE rgbButtons[4];
};

// Key codes of the keyboard table.
enum : BYTE {
  DIK_ESCAPE = 0x01,
  DIK_1 = 0x02,
  DIK_2 = 0x03,
  DIK_3 = 0x04,
  DIK_4 = 0x05,
  DIK_5 = 0x06,
  DIK_6 = 0x07,
  DIK_7 = 0x08,
  DIK_8 = 0x09,
  DIK_9 = 0x0A,
  DIK_0 = 0x0B,
  DIK_MINUS = 0x0C,
  DIK_EQUALS = 0x0D,
  DIK_BACK = 0x0E,
  DIK_TAB = 0x0F,
  DIK_Q = 0x10,
  DIK_W = 0x11,
  DIK_E = 0x12,
  DIK_R = 0x13,
  DIK_T = 0x14,
  DIK_Y = 0x15,
  DIK_U = 0x16,
  DIK_I = 0x17,
  DIK_O = 0x18,
  DIK_P = 0x19,
  DIK_LBRACKET = 0x1A,
  DIK_RBRACKET = 0x1B,
  DIK_RETURN = 0x1C,
  DIK_LCONTROL = 0x1D,
  DIK_A = 0x1E,
  DIK_S = 0x1F,
  DIK_D = 0x20,
  DIK_F = 0x21,
  DIK_G = 0x22,
  DIK_H = 0x23,
  DIK_J = 0x24,
  DIK_K = 0x25,
  DIK_L = 0x26,
  DIK_SEMICOLON = 0x27,
  DIK_APOSTROPHE = 0x28,
  DIK_GRAVE = 0x29,
  DIK_LSHIFT = 0x2A,
  DIK_BACKSLASH = 0x2B,
  DIK_Z = 0x2C,
  DIK_X = 0x2D,
  DIK_C = 0x2E,
  DIK_V = 0x2F,
  DIK_B = 0x30,
  DIK_N = 0x31,
  DIK_M = 0x32,
  DIK_COMMA = 0x33,
  DIK_PERIOD = 0x34,
  DIK_SLASH = 0x35,
  DIK_RSHIFT = 0x36,
  DIK_MULTIPLY = 0x37,
  DIK_LMENU = 0x38,
  DIK_SPACE = 0x39,
  DIK_CAPITAL = 0x3A,
  DIK_F1 = 0x3B,
  DIK_F2 = 0x3C,
  DIK_F3 = 0x3D,
  DIK_F4 = 0x3E,
  DIK_F5 = 0x3F,
  DIK_F6 = 0x40,
  DIK_F7 = 0x41,
  DIK_F8 = 0x42,
  DIK_F9 = 0x43,
  DIK_F10 = 0x44,
  DIK_NUMLOCK = 0x45,
  DIK_SCROLL = 0x46,
  DIK_NUMPAD7 = 0x47,
  DIK_NUMPAD8 = 0x48,
  DIK_NUMPAD9 = 0x49,
  DIK_SUBTRACT = 0x4A,
  DIK_NUMPAD4 = 0x4B,
  DIK_NUMPAD5 = 0x4C,
  DIK_NUMPAD6 = 0x4D,
  DIK_ADD = 0x4E,
  DIK_NUMPAD1 = 0x4F,
  DIK_NUMPAD2 = 0x50,
  DIK_NUMPAD3 = 0x51,
  DIK_NUMPAD0 = 0x52,
  DIK_DECIMAL = 0x53,
  DIK_OEM_102 = 0x56,
  DIK_F11 = 0x57,
  DIK_F12 = 0x58,
  DIK_F13 = 0x64,
  DIK_F14 = 0x65,
  DIK_F15 = 0x66,
  DIK_KANA = 0x70,
  DIK_NUMPADEQUALS = 0x8D,
  DIK_NUMPADENTER = 0x9C,
  DIK_RCONTROL = 0x9D,
  DIK_NUMPADCOMMA = 0xB3,
  DIK_DIVIDE = 0xB5,
  DIK_SYSRQ = 0xB7,
  DIK_RMENU = 0xB8,
  DIK_PAUSE = 0xC5,
  DIK_HOME = 0xC7,
  DIK_UP = 0xC8,
  DIK_PRIOR = 0xC9,
  DIK_LEFT = 0xCB,
  DIK_RIGHT = 0xCD,
  DIK_END = 0xCF,
  DIK_DOWN = 0xD0,
  DIK_NEXT = 0xD1,
  DIK_INSERT = 0xD2,
  DIK_DELETE = 0xD3,
  DIK_LWIN = 0xDB,
  DIK_RWIN = 0xDC,
  DIK_APPS = 0xDD,
  DIK_SLEEP = 0xDF,
};

class IDirectInputDevice7A : public DDObject {
 public:
  ~IDirectInputDevice7A() override;
  HRESULT SetDataFormat(const DIDATAFORMAT* format);
  HRESULT SetCooperativeLevel(HWND hwnd, DWORD flags);
  HRESULT Acquire();
  HRESULT Unacquire();
  HRESULT GetDeviceState(DWORD size, void* data);

 private:
  friend class IDirectInput7A;
  bool keyboard_ = false;
  const DIDATAFORMAT* format_ = nullptr;
  DWORD level_ = 0;
};
// The mouse is asked for through the older interface; it is the same object here.
using IDirectInputDevice2A = IDirectInputDevice7A;

class IDirectInput7A : public DDObject {
 public:
  HRESULT CreateDeviceEx(const GUID& device, REFIID iid, void** out, void* outer);
};

HRESULT DirectInputCreateEx(HINSTANCE instance, DWORD version, REFIID iid, void** out, void* outer);

namespace platform {
// The backend's events, on the main thread (tests call the same through fakehardware.h).
void InputKey(int dik, bool down);
void InputMouseMotion(int dx, int dy);
void InputMouseButton(int button, bool down);
// The wheel's z axis in counts, WHEEL_DELTA (120) a notch; positive away from the user.
void InputMouseWheel(int dz);
void InputFocus(bool focused);
// How many times the keyboard's or the mouse's state was read so far: a change
// fed after the count was taken has been seen once it grew.
long InputReads(bool keyboard);
}  // namespace platform
