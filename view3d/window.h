// "window": the view3D command's viewport narrowed to a rectangle of the
// screen for the rest of the frame, with an optional coloured frame drawn
// inside its edge.
#pragma once

#include <memory>

#include "threedee/scene/valuetracks.h"
#include "view3d/view3d.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2 {

class cVOXA3Dwindow : public cVOXA3Dcommand {
 public:
  explicit cVOXA3Dwindow(cVOXAview3D* owner);
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;

  std::unique_ptr<cView3Di_position> area;         // left, top, right, bottom: 0..1 of the screen
  std::unique_ptr<cView3Di_position> borderWidth;  // in pixels of a 640 x 480 screen
  std::unique_ptr<cView3Di_position> borderColor;  // alpha, red, green, blue: 0..1
  std::unique_ptr<threedee::VertexArray> frame;    // ten vertices, eight written
};

}  // namespace VOXA2
