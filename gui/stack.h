// A last-in, first-out stack of raw bytes with typed pushes and pops. It keeps
// no type information: every pop must match the size of its push. The block
// grows by exactly the size of each push and only Clear gives it back.
#pragma once

#include <cstdint>

#include "foundation/basis.h"

class cStack : public virtual basis::basisObject {
 public:
  cStack() = default;
  cStack(const cStack&) = delete;
  cStack& operator=(const cStack&) = delete;
  ~cStack() override;

  virtual void Clear();
  // Growth failure throws out-of-memory, underflow a local fatal error; both
  // are logged first. Every operation that returns answers true.
  virtual bool Push(const void* source, std::int32_t size);
  virtual bool Pop(void* destination, std::int32_t size);
  virtual bool PushInt(std::int32_t value);
  virtual bool PopInt(std::int32_t* value);
  // Pointer-sized, so pointers survive on 64-bit builds.
  virtual bool PushPointer(const void* value);
  virtual bool PopPointer(void** value);
  virtual bool PushByte(std::uint8_t value);
  virtual bool PopByte(std::uint8_t* value);
  // The characters without the terminator, then the length.
  virtual bool PushString(const char* value);
  // A new string that the caller frees with delete[].
  virtual bool PopString(char** value);
  virtual bool PushFloat(float value);
  virtual bool PopFloat(float* value);

  std::int32_t GetCapacity() const { return capacity_; }
  std::int32_t GetUsed() const { return static_cast<std::int32_t>(top_ - base_); }

 private:
  std::uint8_t* base_ = nullptr;
  std::uint8_t* top_ = nullptr;
  std::int32_t capacity_ = 0;
};
