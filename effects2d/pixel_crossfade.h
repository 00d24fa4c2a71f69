// The command "pixel_crossfade": dissolves a source buffer into a target
// buffer pixel by pixel, in the order of a noise pattern from the "xfade"
// collector, as its position rises from 0 to 1.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "demo/command.h"
#include "threedee/scene/valuetracks.h"

class cMonoPic;

namespace VOXA2 {

namespace video {
class voxaSurface;
}

class cVOXApixel_crossfade : public cVOXAcommand {
 public:
  struct tPair {
    video::voxaSurface* source;
    video::voxaSurface* destination;
  };

  explicit cVOXApixel_crossfade(cVOXAdemo* owner);
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;

  // Copies each source pixel whose pattern byte is at most the threshold, over
  // rows of `columns` pixels; the pattern is read as one run of columns x rows
  // bytes. Bytes per pixel other than 2, 3 and 4 copy nothing.
  static void CrossFade(const std::uint8_t* pattern, const std::uint8_t* source,
                        std::int32_t sourcePitch, std::uint8_t* destination,
                        std::int32_t destinationPitch, std::int32_t columns, std::int32_t rows,
                        std::int32_t bytesPerPixel, std::uint8_t threshold);

  std::vector<tPair> pairs;
  cMonoPic* pattern = nullptr;                  // the xfade collector's
  std::unique_ptr<cView3Di_position> position;  // 0 … 1
};

}  // namespace VOXA2
