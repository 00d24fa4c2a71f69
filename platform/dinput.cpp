#include "platform/dinput.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "platform/backend.h"
#include "platform/fakehardware.h"

const IID IID_IDirectInput7A{71};
const IID IID_IDirectInputDevice7A{72};
const IID IID_IDirectInputDevice2A{73};
const GUID GUID_SysKeyboard{0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0, 0}};
const GUID GUID_SysMouse{0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0, 0}};
const DIDATAFORMAT c_dfDIKeyboard{sizeof(DIDATAFORMAT), 256};
const DIDATAFORMAT c_dfDIMouse{sizeof(DIDATAFORMAT), sizeof(DIMOUSESTATE)};

namespace {

// Written by the main thread's event pump, read by the input thread.
struct InputState {
  std::mutex mutex;
  BYTE keys[256] = {};
  LONG dx = 0, dy = 0;
  BYTE buttons[4] = {};
  struct DeviceState {
    IDirectInputDevice7A* device;
    bool acquired;
    bool lostPending;
  };
  std::vector<DeviceState> devices;
};

InputState& S() {
  static InputState s;
  return s;
}

InputState::DeviceState* FindLocked(IDirectInputDevice7A* d) {
  for (auto& e : S().devices)
    if (e.device == d) return &e;
  return nullptr;
}

}  // namespace

namespace platform {

void InputKey(int dik, bool down) {
  if (dik <= 0 || dik > 255) return;
  std::lock_guard lock(S().mutex);
  S().keys[dik] = down ? 0x80 : 0;
}

void InputMouseMotion(int dx, int dy) {
  std::lock_guard lock(S().mutex);
  S().dx += dx;
  S().dy += dy;
}

void InputMouseButton(int button, bool down) {
  if (button < 0 || button > 3) return;
  std::lock_guard lock(S().mutex);
  S().buttons[button] = down ? 0x80 : 0;
}

void InputFocus(bool focused) {
  std::lock_guard lock(S().mutex);
  if (!focused) {
    // Nothing is held down in a window without focus.
    std::memset(S().keys, 0, sizeof S().keys);
    std::memset(S().buttons, 0, sizeof S().buttons);
    return;
  }
  for (auto& e : S().devices)
    if (e.acquired) e.lostPending = true;
}

void InjectKey(int dik, bool down) { InputKey(dik, down); }
void InjectMouseMotion(int dx, int dy) { InputMouseMotion(dx, dy); }
void InjectMouseButton(int button, bool down) { InputMouseButton(button, down); }
void InjectInputFocus(bool focused) { InputFocus(focused); }

void ResetInput() {
  std::lock_guard lock(S().mutex);
  std::memset(S().keys, 0, sizeof S().keys);
  std::memset(S().buttons, 0, sizeof S().buttons);
  S().dx = S().dy = 0;
}

}  // namespace platform

HRESULT DirectInputCreateEx(HINSTANCE, DWORD version, REFIID iid, void** out, void*) {
  if (!out) return DIERR_INVALIDPARAM;
  *out = nullptr;
  if (iid.id != IID_IDirectInput7A.id || version < DIRECTINPUT_VERSION) return E_NOINTERFACE;
  *out = new (std::nothrow) IDirectInput7A;
  return *out ? DI_OK : E_OUTOFMEMORY;
}

HRESULT IDirectInput7A::CreateDeviceEx(const GUID& device, REFIID iid, void** out, void*) {
  if (!out) return DIERR_INVALIDPARAM;
  *out = nullptr;
  if (iid.id != IID_IDirectInputDevice7A.id && iid.id != IID_IDirectInputDevice2A.id)
    return E_NOINTERFACE;
  bool keyboard = device == GUID_SysKeyboard;
  if (!keyboard && !(device == GUID_SysMouse)) return DIERR_INVALIDPARAM;
  auto* d = new (std::nothrow) IDirectInputDevice7A;
  if (!d) return E_OUTOFMEMORY;
  d->keyboard_ = keyboard;
  {
    std::lock_guard lock(S().mutex);
    S().devices.push_back({d, false, false});
  }
  *out = d;
  return DI_OK;
}

IDirectInputDevice7A::~IDirectInputDevice7A() {
  std::lock_guard lock(S().mutex);
  auto& v = S().devices;
  v.erase(std::remove_if(v.begin(), v.end(), [this](auto& e) { return e.device == this; }),
          v.end());
}

HRESULT IDirectInputDevice7A::SetDataFormat(const DIDATAFORMAT* format) {
  if (format != (keyboard_ ? &c_dfDIKeyboard : &c_dfDIMouse)) return DIERR_INVALIDPARAM;
  format_ = format;
  return DI_OK;
}

HRESULT IDirectInputDevice7A::SetCooperativeLevel(HWND hwnd, DWORD flags) {
  if (!hwnd && (flags & DISCL_FOREGROUND)) return DIERR_INVALIDPARAM;
  level_ = flags;
  return DI_OK;
}

// An exclusive mouse is captured: motion then arrives as relative counts.
HRESULT IDirectInputDevice7A::Acquire() {
  if (!format_) return DIERR_INVALIDPARAM;
  {
    std::lock_guard lock(S().mutex);
    auto* e = FindLocked(this);
    if (!e) return DIERR_NOTINITIALIZED;
    e->acquired = true;
    e->lostPending = false;
    if (!keyboard_) S().dx = S().dy = 0;
  }
  if (!keyboard_ && (level_ & DISCL_EXCLUSIVE)) platform::CurrentBackend().SetRelativeMouse(true);
  return DI_OK;
}

HRESULT IDirectInputDevice7A::Unacquire() {
  {
    std::lock_guard lock(S().mutex);
    auto* e = FindLocked(this);
    if (!e) return DIERR_NOTINITIALIZED;
    e->acquired = false;
  }
  if (!keyboard_ && (level_ & DISCL_EXCLUSIVE)) platform::CurrentBackend().SetRelativeMouse(false);
  return DI_OK;
}

// Called by the input thread: only the state tables are touched, under the mutex.
HRESULT IDirectInputDevice7A::GetDeviceState(DWORD size, void* data) {
  if (!data || !format_ || size != format_->dwDataSize) return DIERR_INVALIDPARAM;
  std::lock_guard lock(S().mutex);
  auto* e = FindLocked(this);
  if (!e || !e->acquired) return DIERR_NOTACQUIRED;
  if (e->lostPending) {
    e->lostPending = false;
    e->acquired = false;
    return DIERR_INPUTLOST;
  }
  if (keyboard_) {
    std::memcpy(data, S().keys, 256);
    return DI_OK;
  }
  DIMOUSESTATE m{};
  m.lX = S().dx;
  m.lY = S().dy;
  std::memcpy(m.rgbButtons, S().buttons, 4);
  S().dx = S().dy = 0;
  std::memcpy(data, &m, sizeof m);
  return DI_OK;
}
