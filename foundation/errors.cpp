#include "foundation/errors.h"

#include <cstdio>
#include <new>

namespace VOXA::errors {

eError::eError(const char* format, va_list args) { SetMessage(format, args); }

eError::eError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  SetMessage(format, args);
  va_end(args);
}

const char* eError::GetPrefix() const { return ""; }

// The text is sized from what the arguments format to, so a long %s argument
// can never run past the buffer.
void eError::SetMessage(const char* format, va_list args) {
  message_.clear();
  hasMessage_ = false;
  if (!format) return;
  va_list measure;
  va_copy(measure, args);
  int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length < 0) length = 0;
  try {
    const char* prefix = GetPrefix();
    std::string text(prefix);
    std::size_t start = text.size();
    text.resize(start + static_cast<std::size_t>(length) + 1);
    va_list out;
    va_copy(out, args);
    std::vsnprintf(text.data() + start, static_cast<std::size_t>(length) + 1, format, out);
    va_end(out);
    text.resize(start + static_cast<std::size_t>(length));
    message_ = std::move(text);
  } catch (const std::bad_alloc&) {
    throw "Could not allocate memory for error message in eError::SetMessage()!";
  }
  hasMessage_ = true;
}

void eError::SetMessageF(const char* format, ...) {
  va_list args;
  va_start(args, format);
  SetMessage(format, args);
  va_end(args);
}

const char* eError::GetMessage() const { return hasMessage_ ? message_.c_str() : ""; }

const char* eError::GetDescription() const { return hasMessage_ ? message_.c_str() : nullptr; }

#define VOXA_DEFINE_ERROR_KIND(Name, Prefix, Description) \
  Name::Name(const char* format, ...) {                   \
    va_list args;                                         \
    va_start(args, format);                               \
    SetMessage(format, args);                             \
    va_end(args);                                         \
  }                                                       \
  const char* Name::GetPrefix() const { return Prefix; }  \
  const char* Name::GetDescription() const { return HasMessage() ? GetMessage() : Description; }

VOXA_DEFINE_ERROR_KIND(eFatalError, "Fatal: ", "Fatal error!")
VOXA_DEFINE_ERROR_KIND(eOutOfMemory, "Out of memory: ", "Out of memory!")
VOXA_DEFINE_ERROR_KIND(eNonFatalError, "", "Non-fatal error!")
VOXA_DEFINE_ERROR_KIND(eLocalFatalError, "Fatal (local): ", "Local fatal error!")
VOXA_DEFINE_ERROR_KIND(eInformation, "Information: ", "Non-fatal error!")
VOXA_DEFINE_ERROR_KIND(eWarning, "Warning: ", "Non-fatal error!")

#undef VOXA_DEFINE_ERROR_KIND

eCouldNotCreateObject::eCouldNotCreateObject(const char* className) {
  if (className)
    SetMessageF("Could not create %s() object!", className);
  else
    SetMessageF("Could not create object!");
}

eCouldNotAllocateMemoryFor::eCouldNotAllocateMemoryFor(const char* what) {
  if (what)
    SetMessageF("Could not allocate memory for %s!", what);
  else
    SetMessageF("Could not allocate memory!");
}

}  // namespace VOXA::errors
