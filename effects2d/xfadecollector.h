// The demo's cache of cross-fade patterns ("xfade"): 8-bit gray noise of the
// screen's size, generated on the first request for a name. The name is only
// a key; no file is read.
#pragma once

#include "demo/datacollector.h"

namespace VOXA2 {

class cVOXAxfadecollector : public cVOXAdatacollector {
 public:
  explicit cVOXAxfadecollector(const char* kind) : cVOXAdatacollector(kind) {}
  ~cVOXAxfadecollector() override { FreeEntries(); }

  // The entries' data are cMonoPic pointers.
  void FreeItem(void* data) override;
  bool LoadItem(tDataEntry* entry) override;
  void PrepareItem(void* data) override;
  bool RestoreItem(void*) override { return true; }
};

}  // namespace VOXA2
