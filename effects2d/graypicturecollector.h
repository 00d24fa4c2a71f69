// The demo's cache of gray pictures ("graypicture"): one-plane 8-bit pictures
// (height maps and light maps) read from "pictures\<name>.PCX", each loaded once
// and shared by every command that names it.
#pragma once

#include "demo/datacollector.h"

namespace VOXA2 {

class cVOXAgraypicturecollector : public cVOXAdatacollector {
 public:
  explicit cVOXAgraypicturecollector(const char* kind) : cVOXAdatacollector(kind) {}
  ~cVOXAgraypicturecollector() override { FreeEntries(); }

  // The entries' data are cMonoPic pointers, of whatever size the file has:
  // the commands check the sizes they need.
  void FreeItem(void* data) override;
  bool LoadItem(tDataEntry* entry) override;
  void PrepareItem(void* data) override;
  bool RestoreItem(void*) override { return true; }
};

}  // namespace VOXA2
