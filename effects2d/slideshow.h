// The command "slideshow": pictures of the demo's picture collector shown one
// after another in a shuffled order, joined by randomly chosen transitions
// (fades through black, slides, pushes, interlaced line wipes), faded in from
// and out to black. Always draws into the back buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "demo/command.h"

namespace ZGUI {
class cBitmap;
}

namespace VOXA2 {

namespace threedee {
class VertexArray;
}

class cVOXAslideshow : public cVOXAcommand {
 public:
  // One slot of the schedule: kind -1 holds `from`, 0 fades through black
  // (from -1: fade in; to -1: fade out), 1 to 13 are the transitions.
  struct tSlot {
    std::int32_t from = 0;
    std::int32_t to = 0;
    std::int32_t kind = 0;
  };

  explicit cVOXAslideshow(cVOXAdemo* owner);
  ~cVOXAslideshow() override;
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;

  std::vector<ZGUI::cBitmap*> pictures;  // the picture collector's, in script order
  std::unique_ptr<threedee::VertexArray> fadeQuad;
  std::int32_t slotCount = 0;  // 2n + 1
  float slotLength = 0.0f;     // seconds
  // Below it the schedule is drawn again; the first frame always is below.
  float lastTime = 3.3999999521443642e+38f;
  std::vector<std::int32_t> order;  // picture indices, shuffled
  std::vector<tSlot> schedule;      // 2n + 1 slots

 private:
  void Reshuffle();
  // The picture centred on the back buffer.
  bool CopyCentred(const ZGUI::cBitmap* picture);
  bool DrawWipe(std::int32_t kind, const ZGUI::cBitmap* a, const ZGUI::cBitmap* b, float f);
  // A black quad over the drawing area; strength 0 changes nothing, 1 is black.
  void DrawFade(float strength);
};

}  // namespace VOXA2
