// Growth of the demo runtime's lists: a failed growth is reported with the
// list's name, as every list of the player is.
#pragma once

#include <new>
#include <utility>
#include <vector>

#include "foundation/errors.h"

namespace VOXA2 {

template <class T, class V>
void AppendToList(std::vector<T>& list, V&& value, const char* listName) {
  try {
    list.push_back(std::forward<V>(value));
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor(listName);
  }
}

// ASCII letters compare without regard to case; other bytes exactly.
inline bool EqualNoCase(const char* a, const char* b) {
  if (!a || !b) return a == b;
  for (;; ++a, ++b) {
    unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
    if (!x) return true;
  }
}

}  // namespace VOXA2
