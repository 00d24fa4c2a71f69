#include "gui/messages.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "foundation/errors.h"

namespace ZGUI {
namespace {

template <class T>
T* CreateRecord(const char* name) {
  T* record = new (std::nothrow) T();
  if (!record) throw new VOXA::errors::eCouldNotCreateObject(name);
  return record;
}

}  // namespace

tMessage::~tMessage() { std::free(data); }

cMessageQueue::~cMessageQueue() { Close(); }

void cMessageQueue::Close() {
  std::lock_guard<std::mutex> lock(inUse_);
  closed_ = true;
  const std::int32_t count = count_.load();
  for (std::int32_t i = 0; i < count; ++i) ReleaseMessage(messages_[i]);
  std::free(messages_);
  messages_ = nullptr;
  count_ = 0;
}

const char* cMessageQueue::GetClassName() const { return "cMessageQueue"; }
std::int32_t cMessageQueue::GetClassID() const { return classid::MessageQueue; }
bool cMessageQueue::InheritsFrom(std::int32_t id) const { return id == classid::Object; }

bool cMessageQueue::IsEmpty() const { return count_.load(std::memory_order_relaxed) == 0; }

void cMessageQueue::Resize(std::int32_t count) {
  if (count == 0) {
    std::free(messages_);
    messages_ = nullptr;
    return;
  }
  void* grown = std::realloc(messages_, sizeof(tMessage*) * static_cast<std::size_t>(count));
  if (!grown) {
    const std::int32_t queued = count_.load();
    for (std::int32_t i = 0; i < queued; ++i) delete messages_[i];
    std::free(messages_);
    messages_ = nullptr;
    count_ = 0;
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("message queue!");
  }
  messages_ = static_cast<tMessage**>(grown);
}

tMessage* cMessageQueue::GetMessage() {
  std::lock_guard<std::mutex> lock(inUse_);
  const std::int32_t count = count_.load();
  if (closed_ || count == 0) return nullptr;
  tMessage* oldest = messages_[0];
  std::memmove(messages_, messages_ + 1, sizeof(tMessage*) * static_cast<std::size_t>(count - 1));
  // The taken message is no longer in the array: a failed shrink loses it too.
  count_ = count - 1;
  try {
    Resize(count - 1);
  } catch (...) {
    delete oldest;
    throw;
  }
  return oldest;
}

void cMessageQueue::AddMessage(tMessage* message) {
  if (!message) return;
  std::lock_guard<std::mutex> lock(inUse_);
  if (closed_) {
    delete message;
    return;
  }
  const std::int32_t count = count_.load();
  try {
    Resize(count + 1);
  } catch (...) {
    delete message;
    throw;
  }
  messages_[count] = message;
  count_ = count + 1;
}

void cMessageQueue::ReleaseMessage(tMessage* message) { delete message; }

void cMessageQueue::PostMouseMessage(std::int32_t action, std::int32_t button,
                                     const std::uint8_t buttons[8], std::int32_t x,
                                     std::int32_t y) {
  auto* message = CreateRecord<tMouseMessage>("tMouseMessage");
  message->action = action;
  message->button = button;
  if (buttons) std::memcpy(message->buttons, buttons, sizeof(message->buttons));
  message->x = x;
  message->y = y;
  AddMessage(message);
}

void cMessageQueue::PostWheelMessage(std::int32_t notches, const std::uint8_t buttons[8],
                                     std::int32_t x, std::int32_t y) {
  auto* message = CreateRecord<tMouseMessage>("tMouseMessage");
  message->action = mouseaction::Wheel;
  message->wheel = notches;
  if (buttons) std::memcpy(message->buttons, buttons, sizeof(message->buttons));
  message->x = x;
  message->y = y;
  AddMessage(message);
}

void cMessageQueue::PostKeyMessage(std::int32_t key, std::uint8_t character, bool pressed,
                                   std::uint32_t modifiers) {
  auto* message = CreateRecord<tKeyMessage>("tKeyMessage");
  message->key = key;
  message->character = character;
  message->pressed = pressed;
  message->modifiers = modifiers;
  AddMessage(message);
}

void cMessageQueue::PostMessage() { AddMessage(CreateRecord<tMessage>("tMessage")); }

}  // namespace ZGUI
