// "draw" renders objects of the current animation, "clearzbuffer" clears the
// depth of the viewport, "flush" draws the render batch at that point.
#pragma once

#include "threedee/scene/objectlist.h"
#include "view3d/view3d.h"

namespace VOXA2 {

class cVOXA3Ddraw : public cVOXA3Dcommand {
 public:
  using cVOXA3Dcommand::cVOXA3Dcommand;
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;

  // Empty: the whole tree.
  threedee::tObjectList objectList;
};

class cVOXA3Dclearzbuffer : public cVOXA3Dcommand {
 public:
  using cVOXA3Dcommand::cVOXA3Dcommand;
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;
};

// Reads nothing: a ";" after it is an empty statement of the block.
class cVOXA3Dflush : public cVOXA3Dcommand {
 public:
  using cVOXA3Dcommand::cVOXA3Dcommand;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;
};

}  // namespace VOXA2
