// The command "grab_texture": copies a buffer, scaled to the texture's size,
// into a screen texture each frame, so that whatever draws with the texture
// shows what was rendered into the buffer.
#pragma once

#include "demo/command.h"

namespace VOXA2 {

namespace video {
class voxaSurface;
class voxaTexture;
}  // namespace video

class cVOXAgrab_texture : public cVOXAcommand {
 public:
  explicit cVOXAgrab_texture(cVOXAdemo* owner);
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;

  video::voxaSurface* buffer = nullptr;
  video::voxaTexture* texture = nullptr;  // the texture collector's
};

}  // namespace VOXA2
