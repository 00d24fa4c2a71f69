// Allocation that raises the player's out-of-memory errors instead of
// answering null.
#pragma once

#include <new>
#include <utility>

#include "foundation/errors.h"

namespace VOXA::errors {

// new T(args...) that raises Error(what) when the memory is not there:
// eCouldNotCreateObject with the class name, unless the caller names another
// kind.
template <typename T, typename Error = eCouldNotCreateObject, typename... Args>
T* NewOrThrow(const char* what, Args&&... args) {
  T* made = new (std::nothrow) T(std::forward<Args>(args)...);
  if (!made) throw new Error(what);
  return made;
}

}  // namespace VOXA::errors
