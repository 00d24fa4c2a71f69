// The demo's cache of full-screen pictures ("picture"): bitmaps in the screen's
// pixel format, loaded from "pictures\" and scaled to the screen unless a
// description file says otherwise.
#pragma once

#include "demo/datacollector.h"

namespace VOXA2 {

class cVOXApicturecollector : public cVOXAdatacollector {
 public:
  explicit cVOXApicturecollector(const char* kind) : cVOXAdatacollector(kind) {}
  ~cVOXApicturecollector() override { FreeEntries(); }

  void FreeItem(void* data) override;
  bool LoadItem(tDataEntry* entry) override;
  void PrepareItem(void* data) override;
  bool RestoreItem(void*) override { return true; }
};

}  // namespace VOXA2
