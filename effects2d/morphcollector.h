// The demo's cache of morph point sets ("morph"): two 256 x 256 gray pictures
// from "morphs\", requested as "<from>\x08<to>", turned at load time into one
// point per lit pixel with its start, its movement and its change of gray, so
// that a frame only interpolates and plots.
#pragma once

#include <cstdint>
#include <vector>

#include "demo/datacollector.h"
#include "foundation/basis.h"

class cMonoPic;

namespace VOXA2 {

struct tMorphPoint {
  float x = 0.0f, y = 0.0f;    // start on the screen
  float dx = 0.0f, dy = 0.0f;  // end minus start
  float dvalue = 0.0f;         // end gray minus start gray
  std::int32_t value = 0;      // start gray, 0 … 255
};

struct tMorph : public basis::basisStruct {
  // The pairing of the two pictures' lit pixels on the current screen; a
  // missing picture pairs with a random cloud. Without a lit pixel in either
  // the morph has no points.
  static tMorph* Build(const cMonoPic* from, const cMonoPic* to);

  std::vector<tMorphPoint> points;
};

// The lit (non-zero) pixels of a picture; 0 for none.
std::int32_t CountSetPixels(const cMonoPic* picture);

class cVOXAmorphcollector : public cVOXAdatacollector {
 public:
  explicit cVOXAmorphcollector(const char* kind) : cVOXAdatacollector(kind) {}
  ~cVOXAmorphcollector() override { FreeEntries(); }

  // The entries' data are tMorph pointers.
  void FreeItem(void* data) override;
  bool LoadItem(tDataEntry* entry) override;
  void PrepareItem(void* data) override;
  bool RestoreItem(void*) override { return true; }
};

}  // namespace VOXA2
