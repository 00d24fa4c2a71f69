// The command "morph": the points of a morph point set plotted in software as
// single gray pixels, at the position and brightness of the morph position t
// (0 the "from" picture, 1 the "to" picture), over what the buffer holds.
#pragma once

#include <cstdint>
#include <memory>

#include "demo/command.h"
#include "threedee/scene/valuetracks.h"

namespace VOXA2 {

namespace video {
class voxaSurface;
}

struct tMorph;

class cVOXAmorph : public cVOXAcommand {
 public:
  explicit cVOXAmorph(cVOXAdemo* owner);
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;

  // Plots every point at t into a locked surface of width x height pixels,
  // a later point over an earlier one. Points outside the surface, and bytes
  // per pixel other than 2, 3 and 4, write nothing.
  static void DrawPoints(const tMorph& morph, float t, std::uint8_t* pixels, std::int32_t pitch,
                         std::int32_t width, std::int32_t height, std::int32_t bytesPerPixel,
                         const std::uint32_t (&grays)[256]);

  video::voxaSurface* buffer = nullptr;
  tMorph* morph = nullptr;                      // the morph collector's
  std::unique_ptr<cView3Di_position> position;  // t, held to 0 … 1
};

}  // namespace VOXA2
