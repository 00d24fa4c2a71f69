// The command "motion_blur": each frame every pixel of a temporary buffer
// becomes the mean of its old value and the source's, so the buffer keeps a
// fading history of the source. It shows only where another command copies
// the buffer.
#pragma once

#include <vector>

#include "demo/command.h"

namespace VOXA2 {

namespace video {
class voxaSurface;
}

class cVOXAmotion_blur : public cVOXAcommand {
 public:
  struct tPair {
    video::voxaSurface* source;
    video::voxaSurface* temporary;
  };

  explicit cVOXAmotion_blur(cVOXAdemo* owner) : cVOXAcommand(owner) {}
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;

  std::vector<tPair> pairs;
};

}  // namespace VOXA2
