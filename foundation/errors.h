// The error objects that the player raises: allocated on the heap, raised and
// caught by pointer, deleted by whoever catches them. Each owns one message that
// starts with its kind's prefix.
#pragma once

#include <cstdarg>
#include <string>

#include "foundation/basis.h"

#define VOXA_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

namespace VOXA::errors {

class eError : public virtual basis::basisObject {
 public:
  eError() = default;
  eError(const char* format, va_list args);
  explicit eError(const char* format, ...);
  ~eError() override = default;

  virtual const char* GetPrefix() const;
  // Formats the message behind the kind's prefix; a null format leaves no message.
  virtual void SetMessage(const char* format, va_list args);
  virtual void SetMessageF(const char* format, ...) VOXA_PRINTF(2, 3);
  // The message, or "" when there is none.
  virtual const char* GetMessage() const;
  // The message, or the kind's default text (null for the plain eError).
  virtual const char* GetDescription() const;

 protected:
  bool HasMessage() const { return hasMessage_; }

 private:
  std::string message_;
  bool hasMessage_ = false;
};

// Every kind keeps eError's operations and answers its own prefix and default
// description; its formatting constructor formats as that kind.
#define VOXA_DECLARE_ERROR_KIND(Name, Base)      \
  class Name : public Base {                     \
   public:                                       \
    Name() = default;                            \
    explicit Name(const char* format, ...);      \
    ~Name() override = default;                  \
    const char* GetPrefix() const override;      \
    const char* GetDescription() const override; \
  }

VOXA_DECLARE_ERROR_KIND(eFatalError, eError);
VOXA_DECLARE_ERROR_KIND(eOutOfMemory, eFatalError);
VOXA_DECLARE_ERROR_KIND(eNonFatalError, eError);
VOXA_DECLARE_ERROR_KIND(eLocalFatalError, eNonFatalError);
VOXA_DECLARE_ERROR_KIND(eInformation, eNonFatalError);
VOXA_DECLARE_ERROR_KIND(eWarning, eNonFatalError);

#undef VOXA_DECLARE_ERROR_KIND

// "Could not create %s() object!" with a class name, or "Could not create object!".
class eCouldNotCreateObject : public eOutOfMemory {
 public:
  explicit eCouldNotCreateObject(const char* className);
};

// "Could not allocate memory for %s!" with what, or "Could not allocate memory!".
class eCouldNotAllocateMemoryFor : public eOutOfMemory {
 public:
  explicit eCouldNotAllocateMemoryFor(const char* what);
};

}  // namespace VOXA::errors
