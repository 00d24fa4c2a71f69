// "fog": linear, range-based fog of a colour over a depth range for the rest
// of the frame, or "fog disabled".
#pragma once

#include <memory>

#include "threedee/scene/valuetracks.h"
#include "view3d/view3d.h"

namespace VOXA2 {

class cVOXA3Dfog : public cVOXA3Dcommand {
 public:
  using cVOXA3Dcommand::cVOXA3Dcommand;
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;

  bool enabled = true;
  std::unique_ptr<cView3Di_position> colorTrack;  // red, green, blue as 0..1
  // Fractions of the depth range (0 near, 1 far); none: 0 and 1.
  std::unique_ptr<cView3Di_position> startTrack, endTrack;
};

}  // namespace VOXA2
