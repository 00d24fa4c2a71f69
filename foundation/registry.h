// The registries of descriptor records (script commands, view3D sub-commands,
// picture filters). Records stay in the order of their identifiers compared
// as signed words, which orders 0xFE0000nn by nn; an identifier is registered
// once, and so is a name where the records' names must differ.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "foundation/errors.h"

namespace VOXA2 {

template <typename Record>
class cSortedRegistry {
 public:
  // listName is what a failed growth reports; name, when given, is the field
  // that must differ between records (compared exactly; records without a
  // name never clash).
  explicit cSortedRegistry(const char* listName, const char* Record::*name = nullptr)
      : listName_(listName), name_(name) {}

  // False for none, or when its identifier (or name) is registered already.
  bool Insert(const Record* record) {
    if (!record) return false;
    for (const Record* r : records_) {
      if (name_ && record->*name_ && r->*name_ && std::strcmp(record->*name_, r->*name_) == 0)
        return false;
      if (r->identifier == record->identifier) return false;
    }
    auto at = std::upper_bound(records_.begin(), records_.end(), record,
                               [](const Record* a, const Record* b) { return Key(a) < Key(b); });
    try {
      records_.insert(at, record);
    } catch (const std::bad_alloc&) {
      throw new VOXA::errors::eCouldNotAllocateMemoryFor(listName_);
    }
    return true;
  }

  // None for an index outside the registry.
  const Record* At(std::int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= records_.size()) return nullptr;
    return records_[static_cast<std::size_t>(index)];
  }

  template <typename Identifier>
  const Record* Find(Identifier identifier) const {
    for (const Record* r : records_)
      if (r->identifier == identifier) return r;
    return nullptr;
  }

  void Clear() {
    records_.clear();
    records_.shrink_to_fit();
  }

 private:
  static std::int32_t Key(const Record* record) {
    return static_cast<std::int32_t>(record->identifier);
  }

  const char* listName_;
  const char* Record::*name_;
  std::vector<const Record*> records_;
};

}  // namespace VOXA2
