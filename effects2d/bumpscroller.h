// The command "bumpscroller": a gray text picture scrolls up over a gray
// background, the two are read as a height field, and a light that moves on a
// fixed curve lights the field through a gray light map. The work is done at
// 320 x 200 in software, coloured through a table that fades in and out, and
// scaled onto the buffer, centred.
#pragma once

#include <cstdint>

#include "demo/command.h"
#include "foundation/pictures.h"

namespace VOXA2 {

namespace video {
class voxaSurface;
}

class cVOXAbumpscroller : public cVOXAcommand {
 public:
  static constexpr std::int32_t kWidth = 320;
  static constexpr std::int32_t kHeight = 200;

  explicit cVOXAbumpscroller(cVOXAdemo* owner);
  ~cVOXAbumpscroller() override;
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;

  video::voxaSurface* buffer = nullptr;
  cMonoPic slope;  // 320 x 200: 128 where the field is flat
  cMonoPic work;   // 320 x 200: the height field, then the lit picture
  // The gray picture collector's, sizes checked when they are read.
  cMonoPic* background = nullptr;  // at least 320 x 200
  cMonoPic* lightMap = nullptr;    // 256 x 256
  cMonoPic* text = nullptr;        // 320 wide
  std::uint32_t colors[256] = {};  // screen pixels, remade every frame

 private:
  bool ReadPictures(cParserT* parser);
  void MakeColors(float sinceStart);
  void BuildHeightField(std::int32_t scroll);
  void ComputeSlope();
  void Light(std::int32_t lightX, std::int32_t lightY);
  // Lays out on the screen; writes only inside clipWidth x clipHeight.
  void Output(std::uint8_t* pixels, int pitch, std::int32_t clipWidth, std::int32_t clipHeight);
};

}  // namespace VOXA2
