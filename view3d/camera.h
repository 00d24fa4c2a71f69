// "camera" looks through a camera object of the current animation;
// "camera_stretch" scales the projection in force horizontally and vertically.
#pragma once

#include <memory>

#include "threedee/scene/cameras.h"
#include "threedee/scene/valuetracks.h"
#include "view3d/view3d.h"

namespace VOXA2 {

class cVOXA3Dcamera : public cVOXA3Dcommand {
 public:
  using cVOXA3Dcommand::cVOXA3Dcommand;
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;

  threedee::c3Dcamera* camera = nullptr;  // the scene's
  // Checked while parsing; the view comes from the camera's own aim.
  threedee::c3Dtarget* target = nullptr;
  // A value above 0 becomes the camera's plane distance.
  std::unique_ptr<cView3Di_position> nearTrack, farTrack;
};

class cVOXA3Dcam_stretch : public cVOXA3Dcommand {
 public:
  using cVOXA3Dcommand::cVOXA3Dcommand;
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;

  std::unique_ptr<cView3Di_position> xStretch, yStretch;
};

}  // namespace VOXA2
