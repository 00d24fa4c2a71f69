#include "gui/stack.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "foundation/errors.h"
#include "windxkernel/debuglog.h"

cStack::~cStack() { Clear(); }

void cStack::Clear() {
  std::free(base_);
  base_ = top_ = nullptr;
  capacity_ = 0;
}

bool cStack::Push(const void* source, std::int32_t size) {
  if (size <= 0) return true;
  const std::int32_t used = GetUsed();
  if (std::int64_t{used} + size > capacity_) {
    const std::int64_t wanted = std::int64_t{capacity_} + size;
    void* grown =
        wanted <= INT32_MAX ? std::realloc(base_, static_cast<std::size_t>(wanted)) : nullptr;
    if (!grown) {
      // The stack is left empty rather than pointing at a block it gave up.
      Clear();
      LogMessage(5, "Stack error: Could not enlarge stack!");
      throw new VOXA::errors::eOutOfMemory("Could not enlarge stack!");
    }
    base_ = static_cast<std::uint8_t*>(grown);
    top_ = base_ + used;
    capacity_ = static_cast<std::int32_t>(wanted);
  }
  std::memcpy(top_, source, static_cast<std::size_t>(size));
  top_ += size;
  return true;
}

bool cStack::Pop(void* destination, std::int32_t size) {
  if (size <= 0) return true;
  if (size > GetUsed()) {
    LogMessage(5, "Stack error: Cannot pop from empty stack!");
    throw new VOXA::errors::eLocalFatalError("Stack error: Cannot pop from empty stack!");
  }
  top_ -= size;
  std::memcpy(destination, top_, static_cast<std::size_t>(size));
  return true;
}

bool cStack::PushInt(std::int32_t value) { return Push(&value, sizeof value); }
bool cStack::PopInt(std::int32_t* value) { return Pop(value, sizeof *value); }
bool cStack::PushPointer(const void* value) { return Push(&value, sizeof value); }
bool cStack::PopPointer(void** value) { return Pop(value, sizeof *value); }
bool cStack::PushByte(std::uint8_t value) { return Push(&value, sizeof value); }
bool cStack::PopByte(std::uint8_t* value) { return Pop(value, sizeof *value); }
bool cStack::PushFloat(float value) { return Push(&value, sizeof value); }
bool cStack::PopFloat(float* value) { return Pop(value, sizeof *value); }

bool cStack::PushString(const char* value) {
  const auto length = static_cast<std::int32_t>(value ? std::strlen(value) : 0);
  Push(value, length);
  return PushInt(length);
}

bool cStack::PopString(char** value) {
  std::int32_t length = 0;
  PopInt(&length);
  if (length < 0 || length > GetUsed()) {
    LogMessage(5, "Stack error: Cannot pop from empty stack!");
    throw new VOXA::errors::eLocalFatalError("Stack error: Cannot pop from empty stack!");
  }
  char* text = new (std::nothrow) char[static_cast<std::size_t>(length) + 1];
  if (!text) throw new VOXA::errors::eCouldNotAllocateMemoryFor("data!");
  Pop(text, length);
  text[length] = '\0';
  *value = text;
  return true;
}
