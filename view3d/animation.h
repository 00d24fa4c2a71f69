// "use" chooses a loaded 3D animation; "frames" moves it to a frame.
#pragma once

#include <memory>

#include "threedee/scene/valuetracks.h"
#include "view3d/view3d.h"

namespace VOXA2 {

// f as a frame of an animation of `frames` frames. Wrapping keeps N itself
// (200 of 100 is 100, 150 is 50, -10 is 90); without it f is held in 0..N.
// No frames, or a frame that is not a number, gives 0.
float MapFrame(float f, float frames, bool wrap);

class cVOXA3Duse : public cVOXA3Dcommand {
 public:
  using cVOXA3Dcommand::cVOXA3Dcommand;
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;

  threedee::c3Dscene* animation = nullptr;  // the collector's
};

class cVOXA3Dframes : public cVOXA3Dcommand {
 public:
  using cVOXA3Dcommand::cVOXA3Dcommand;
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;

  std::unique_ptr<cView3Di_position> frame;
  bool wrap = true;
};

}  // namespace VOXA2
