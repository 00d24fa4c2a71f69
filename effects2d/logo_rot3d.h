// The command "logo_rot3d": a texture as a quad that wanders over the screen
// on a fixed path and turns about its horizontal axis.
#pragma once

#include "demo/command.h"

namespace VOXA2 {

namespace video {
class voxaTexture;
}
namespace threedee {
class VertexArray;
}

class cVOXAlogo_rot3d : public cVOXAcommand {
 public:
  explicit cVOXAlogo_rot3d(cVOXAdemo* owner);
  ~cVOXAlogo_rot3d() override;
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;

  // The quad's corners at time t since the start, as (x, y) pairs in
  // render-target pixels, corners 1 to 4.
  static void Corners(float t, float out[8]);

  video::voxaTexture* texture = nullptr;  // the "texture" collector's
  threedee::VertexArray* quad = nullptr;
};

}  // namespace VOXA2
