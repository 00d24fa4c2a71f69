// Input messages and the queue that carries them from the input thread to the
// main thread. The queue's lock is the toolkit's only lock: the input thread
// appends, the main thread appends and takes once per frame.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "foundation/basis.h"
#include "gui/object.h"

namespace ZGUI {

namespace messagetype {
inline constexpr std::int32_t Plain = 1, Key = 2, Mouse = 3;
}

namespace mouseaction {
// Wheel: the wheel turned by `wheel` notches (positive: away from the user).
inline constexpr std::int32_t Move = 0, Press = 1, Release = 2, Wheel = 3;
}

struct tMessage : public virtual basis::basisStruct {
  tMessage() = default;
  explicit tMessage(std::int32_t messageType) : type(messageType) {}
  tMessage(const tMessage&) = delete;
  tMessage& operator=(const tMessage&) = delete;
  // Frees data, which the record owns (a malloc'd block).
  ~tMessage() override;

  std::int32_t type = messagetype::Plain;
  std::uint32_t param = 0;
  void* data = nullptr;
};

struct tKeyMessage : public tMessage {
  tKeyMessage() : tMessage(messagetype::Key) {}
  std::int32_t key = 0;
  std::uint8_t character = 0;
  bool pressed = false;
  std::uint32_t modifiers = 0;
};

struct tMouseMessage : public tMessage {
  tMouseMessage() : tMessage(messagetype::Mouse) {}
  std::int32_t action = mouseaction::Move;
  std::int32_t button = -1;
  std::uint8_t buttons[8] = {};
  std::int32_t x = 0, y = 0;
  // The notches of a wheel message, else 0.
  std::int32_t wheel = 0;
  // Always 0; kept so that the record has the layout its readers expect.
  std::int32_t reserved = 0;
};

class cMessageQueue : public cObject {
 public:
  cMessageQueue() = default;
  cMessageQueue(const cMessageQueue&) = delete;
  cMessageQueue& operator=(const cMessageQueue&) = delete;
  // Closes the queue, waits for an append or take under way, and deletes what
  // is still queued.
  ~cMessageQueue() override;

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;

  // A hint only: another thread may append at any moment.
  virtual bool IsEmpty() const;
  // The oldest message, now the caller's; null when empty or closed.
  virtual tMessage* GetMessage();
  // Takes the message over; null is ignored, and a closed queue deletes it.
  virtual void AddMessage(tMessage* message);
  virtual void ReleaseMessage(tMessage* message);
  virtual void PostMouseMessage(std::int32_t action, std::int32_t button,
                                const std::uint8_t buttons[8], std::int32_t x, std::int32_t y);
  // The wheel turned by notches with the pointer at (x, y).
  void PostWheelMessage(std::int32_t notches, const std::uint8_t buttons[8], std::int32_t x,
                        std::int32_t y);
  virtual void PostKeyMessage(std::int32_t key, std::uint8_t character, bool pressed,
                              std::uint32_t modifiers);
  virtual void PostMessage();

  // What destruction does first, also for an owner that must stop the input
  // thread's posts before it tears down: from now on nothing is queued or
  // taken, and what is queued is deleted in queue order.
  void Close();

  // The keyboard manager keeps its key states under the same lock.
  std::mutex& GetLock() { return inUse_; }

 private:
  // Replaces the array by one of count entries; on failure the queue is
  // emptied, its messages deleted, and the allocation error thrown.
  void Resize(std::int32_t count);

  std::mutex inUse_;
  bool closed_ = false;
  std::atomic<std::int32_t> count_{0};
  tMessage** messages_ = nullptr;
};

}  // namespace ZGUI
