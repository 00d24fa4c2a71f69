// The demo-wide cache of named resources of one kind: each name is loaded once,
// on its first request, and handed to every later requester with a use count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/basis.h"

namespace VOXA2 {

class cVOXAdemo;

struct tDataEntry {
  std::string name;
  void* data = nullptr;  // owned by the collector; its type is the kind's
  std::int32_t useCount = 0;
  bool loading = false;
};

class cVOXAdatacollector : public virtual basis::basisObject {
 public:
  cVOXAdatacollector() = default;
  explicit cVOXAdatacollector(const char* kind);
  // A kind's destructor calls FreeEntries, so that its own FreeItem frees its pieces.
  ~cVOXAdatacollector() override;

  // Base: releases the piece with free().
  virtual void FreeItem(void* data);
  virtual bool LoadItem(tDataEntry* entry);
  virtual void PrepareItem(void* data) { (void)data; }
  virtual bool RestoreItem(void* data) {
    (void)data;
    return true;
  }
  virtual void PrepareAll();
  virtual bool RestoreAll();
  // Reads size bytes once and discards them, so that the first frame that
  // uses a piece does not pay for bringing it in: what PrepareItem does.
  static void ReadEveryByte(const void* data, std::size_t size);

  void* GetData(const char* name);
  bool ReleaseData(const char* name);
  bool ReleaseDataByPointer(void* data);
  bool ReleaseEntry(tDataEntry* entry);
  // Frees every entry through FreeItem, in order.
  void FreeEntries();

  std::vector<tDataEntry*> entries;
  cVOXAdemo* demo = nullptr;
  std::string kindName;

 private:
  // Removes the entry (found by identity) and frees it with its piece.
  void RemoveEntry(tDataEntry* entry);
};

// Creators of collector kinds by kind name, so that code which only knows a
// kind's name (the script compiler's "texture" statement) can make one.
using tCollectorCreator = cVOXAdatacollector* (*)();
bool RegisterDataCollectorKind(const char* kind, tCollectorCreator creator);
void UnregisterDataCollectorKind(const char* kind);
// None when no creator is registered for the kind or the creator fails.
cVOXAdatacollector* CreateDataCollector(const char* kind);
// The registered kinds' names, in the order of registration.
std::vector<std::string> RegisteredDataCollectorKinds();

}  // namespace VOXA2
