#include "platform/dinput.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <deque>
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

// A key's or button's change as the event pump saw it.
struct Change {
  int code;
  bool down;
};
// Changes wait until a read takes them; past this many the oldest are applied
// at once, so a device nobody reads cannot grow its queue.
constexpr std::size_t kMaxPendingChanges = 256;

// The state tables are read once per poll, so a press and release between two
// reads would never be seen. A read takes the waiting changes in order and stops
// before a second change of anything it has already changed: a tap reads as
// pressed, then as released at the next read, and the order of keys is kept.
template <std::size_t N>
struct LatchedTable {
  BYTE state[N] = {};
  std::deque<Change> pending;

  void Apply(const Change& c) { state[c.code] = c.down ? 0x80 : 0; }
  void Queue(Change c) {
    if (pending.size() >= kMaxPendingChanges) {
      Apply(pending.front());
      pending.pop_front();
    }
    pending.push_back(c);
  }
  void TakePending() {
    std::bitset<N> changed;
    while (!pending.empty()) {
      const Change c = pending.front();
      const bool same = (state[c.code] != 0) == c.down;  // a key's auto-repeat
      if (!same) {
        if (changed[c.code]) break;
        changed.set(c.code);
        Apply(c);
      }
      pending.pop_front();
    }
  }
  void Clear() {
    std::memset(state, 0, sizeof state);
    pending.clear();
  }
};

// Written by the main thread's event pump, read by the input thread.
struct InputState {
  std::mutex mutex;
  LatchedTable<256> keys;
  LONG dx = 0, dy = 0, dz = 0;
  LatchedTable<4> buttons;
  struct DeviceState {
    IDirectInputDevice7A* device;
    bool acquired;
    bool lostPending;
  };
  std::vector<DeviceState> devices;
  long keyboardReads = 0, mouseReads = 0;
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
  S().keys.Queue({dik, down});
}

void InputMouseMotion(int dx, int dy) {
  std::lock_guard lock(S().mutex);
  S().dx += dx;
  S().dy += dy;
}

void InputMouseWheel(int dz) {
  std::lock_guard lock(S().mutex);
  S().dz += dz;
}

void InputMouseButton(int button, bool down) {
  if (button < 0 || button > 3) return;
  std::lock_guard lock(S().mutex);
  S().buttons.Queue({button, down});
}

void InputFocus(bool focused) {
  std::lock_guard lock(S().mutex);
  if (!focused) {
    // Nothing is held down in a window without focus.
    S().keys.Clear();
    S().buttons.Clear();
    return;
  }
  for (auto& e : S().devices)
    if (e.acquired) e.lostPending = true;
}

void InjectKey(int dik, bool down) { InputKey(dik, down); }
void InjectMouseMotion(int dx, int dy) { InputMouseMotion(dx, dy); }
void InjectMouseButton(int button, bool down) { InputMouseButton(button, down); }
void InjectMouseWheel(int dz) { InputMouseWheel(dz); }
void InjectInputFocus(bool focused) { InputFocus(focused); }

long InputReads(bool keyboard) {
  std::lock_guard lock(S().mutex);
  return keyboard ? S().keyboardReads : S().mouseReads;
}

void ResetInput() {
  std::lock_guard lock(S().mutex);
  S().keys.Clear();
  S().buttons.Clear();
  S().dx = S().dy = S().dz = 0;
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
  bool captured = false;
  {
    std::lock_guard lock(S().mutex);
    auto* e = FindLocked(this);
    captured = e && e->acquired && !keyboard_ && (level_ & DISCL_EXCLUSIVE);
    auto& v = S().devices;
    v.erase(std::remove_if(v.begin(), v.end(), [this](auto& d) { return d.device == this; }),
            v.end());
  }
  // A mouse released while acquired lets the pointer go, as unacquiring does.
  if (captured) platform::CurrentBackend().SetRelativeMouse(false);
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
    S().keys.TakePending();
    std::memcpy(data, S().keys.state, 256);
    ++S().keyboardReads;
    return DI_OK;
  }
  DIMOUSESTATE m{};
  m.lX = S().dx;
  m.lY = S().dy;
  m.lZ = S().dz;
  S().buttons.TakePending();
  std::memcpy(m.rgbButtons, S().buttons.state, 4);
  S().dx = S().dy = S().dz = 0;
  std::memcpy(data, &m, sizeof m);
  ++S().mouseReads;
  return DI_OK;
}
