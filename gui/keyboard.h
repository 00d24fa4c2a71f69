// Key changes from the input thread become key messages: the manager keeps the
// state of every key and of the three lock keys, builds the modifier word and
// turns the key position into a code page 1252 character on a German layout.
#pragma once

#include <cstdint>
#include <mutex>

#include "gui/object.h"

namespace ZGUI {

class cMessageQueue;

// Bits of a key message's modifier word. Caps lock sets the shift bits too.
namespace modifier {
inline constexpr std::uint32_t Shift = 0x003, CapsLock = 0x007, Alt = 0x018, Control = 0x060,
                               NumLock = 0x080, ScrollLock = 0x100;
}

// The key codes the manager itself looks at.
namespace keycode {
inline constexpr std::int32_t LeftControl = 29, LeftShift = 42, RightShift = 54, LeftAlt = 55,
                              CapsLock = 56, NumLock = 73, ScrollLock = 74, RightControl = 93,
                              RightAlt = 95, Last = 110;
}

struct tLockStates {
  bool numLock = false, capsLock = false, scrollLock = false;
};

class cKeyboardManager : public cObject {
 public:
  // The lock states start as the platform reports them.
  explicit cKeyboardManager(tLockStates locks = {});
  cKeyboardManager(const cKeyboardManager&) = delete;
  cKeyboardManager& operator=(const cKeyboardManager&) = delete;

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;

  // Attach before the input thread reports keys: the key states are kept
  // under the queue's lock from then on.
  virtual void SetMessageQueue(cMessageQueue* queue);
  virtual cMessageQueue* GetMessageQueue() const;
  // One key change from the input thread. Repeats of a held key post nothing.
  virtual void HandleKey(std::int32_t key, bool pressed);
  virtual bool IsNumLockOn() const;
  virtual bool IsCapsLockOn() const;
  virtual bool IsScrollLockOn() const;
  virtual bool IsShifted() const;
  virtual bool IsAltDown() const;
  virtual bool IsControlDown() const;
  virtual bool IsKeyDown(std::int32_t key) const;

 private:
  std::mutex& Lock() const;
  std::uint32_t Modifiers() const;

  cMessageQueue* queue_ = nullptr;
  std::uint8_t keyDown_[keycode::Last + 1] = {};
  bool numLock_, capsLock_, scrollLock_;
  bool shiftDown_ = false, altDown_ = false, controlDown_ = false;
  // Guards the states while no queue is attached.
  mutable std::mutex ownLock_;
};

// The character a key gives under a modifier word (0 for none).
std::uint8_t TranslateKey(std::int32_t key, std::uint32_t modifiers);

}  // namespace ZGUI
