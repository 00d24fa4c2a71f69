// The whole-surface commands "clear" and "copy", the command "picture" and the
// command "music_volume".
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "demo/command.h"
#include "threedee/scene/valuetracks.h"

namespace ZGUI {
class cBitmap;
}

namespace VOXA2 {

namespace video {
class voxaSurface;
}

class cVOXAclear : public cVOXAcommand {
 public:
  explicit cVOXAclear(cVOXAdemo* owner) : cVOXAcommand(owner) {}
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;

  std::vector<video::voxaSurface*> buffers;
  std::unique_ptr<cView3Di_position> color;  // red, green, blue in 0 … 255
};

class cVOXAcopy : public cVOXAcommand {
 public:
  struct tPair {
    video::voxaSurface* source;
    video::voxaSurface* destination;
  };

  explicit cVOXAcopy(cVOXAdemo* owner) : cVOXAcommand(owner) {}
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;

  std::vector<tPair> pairs;
};

class cVOXApicture : public cVOXAcommand {
 public:
  explicit cVOXApicture(cVOXAdemo* owner);
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;

  video::voxaSurface* buffer = nullptr;
  ZGUI::cBitmap* picture = nullptr;  // the picture collector's
  // The top left corner as fractions of the screen's width and height.
  std::unique_ptr<cView3Di_position> position;
};

class cVOXAmusic_volume : public cVOXAcommand {
 public:
  explicit cVOXAmusic_volume(cVOXAdemo* owner) : cVOXAcommand(owner) {}
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;

  std::unique_ptr<cView3Di_position> volume;  // 0 … 64
};

}  // namespace VOXA2
