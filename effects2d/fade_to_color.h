// The command "fade_to_color": the whole drawing area covered by one colour
// at an animated alpha, blended over the picture.
#pragma once

#include <memory>

#include "demo/command.h"
#include "threedee/scene/valuetracks.h"

namespace VOXA2 {

namespace threedee {
class VertexArray;
}

class cVOXAfade_to_color : public cVOXAcommand {
 public:
  explicit cVOXAfade_to_color(cVOXAdemo* owner);
  ~cVOXAfade_to_color() override;
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;

  std::unique_ptr<cView3Di_position> color;  // alpha, red, green, blue in 0 … 255
  threedee::VertexArray* quad = nullptr;
};

}  // namespace VOXA2
