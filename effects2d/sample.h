// Samples: the demo's cache of sounds loaded from "samples\" ("sample"), and
// the command "sample" that plays one whenever its pipeline starts it.
#pragma once

#include <cstdint>

#include "demo/command.h"
#include "demo/datacollector.h"

namespace VOXA2 {

namespace music {
class voxaSample;
}

class cVOXAsamplecollector : public cVOXAdatacollector {
 public:
  explicit cVOXAsamplecollector(const char* kind) : cVOXAdatacollector(kind) {}
  ~cVOXAsamplecollector() override { FreeEntries(); }

  void FreeItem(void* data) override;
  bool LoadItem(tDataEntry* entry) override;
  void PrepareItem(void*) override {}
  bool RestoreItem(void*) override { return true; }
};

class cVOXAsample : public cVOXAcommand {
 public:
  explicit cVOXAsample(cVOXAdemo* owner);
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  void Start() override;

  music::voxaSample* sample = nullptr;  // the collector's
  std::int32_t volume = 64;             // 0 … 64
  std::int32_t panning = 0;             // -128 left … 127 right
  std::int32_t frequency = 44100;
};

}  // namespace VOXA2
