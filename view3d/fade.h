// "fade_to_color": the view3D command's viewport covered by one colour,
// blended over the frame by the colour's alpha.
#pragma once

#include <memory>

#include "threedee/scene/valuetracks.h"
#include "view3d/view3d.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2 {

class cVOXA3Dfade_to_color : public cVOXA3Dcommand {
 public:
  explicit cVOXA3Dfade_to_color(cVOXAview3D* owner);
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;

  std::unique_ptr<cView3Di_position> colorTrack;  // alpha, red, green, blue on 0..255
  std::unique_ptr<threedee::VertexArray> vertices;
};

}  // namespace VOXA2
