// The command "blob": two-dimensional metaballs painted every frame into a
// square screen texture's own surface, through an opaque gray ramp in the
// texture's pixel format. It draws nothing on the screen; other commands draw
// the texture.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "demo/command.h"
#include "threedee/scene/valuetracks.h"

namespace VOXA2 {

namespace video {
class voxaTexture;
}

class cVOXAblob : public cVOXAcommand {
 public:
  struct tBlobParameter {
    std::unique_ptr<cView3Di_position> position;  // (x, y), 0 … 1 across the texture
    std::unique_ptr<cView3Di_position> multiply;  // held at 0 and above
  };
  struct tBlobPoint {
    std::int32_t bx = 0, by = 0;  // in the counters of the pixel loop
    std::int32_t strength = 0;
    std::int64_t dy2 = 0;  // squared vertical distance from the current row
  };

  explicit cVOXAblob(cVOXAdemo* owner);
  ~cVOXAblob() override;
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;

  // The pixel loop over a locked surface of width x height pixels. Bytes per
  // pixel other than 2, 3 and 4 write nothing.
  static void DrawBlobs(tBlobPoint* points, std::int32_t count, void* pixels, std::int32_t width,
                        std::int32_t height, std::int32_t bitsPerPixel, std::int32_t pitch,
                        float sub, const std::uint32_t* palette);
  // Black (entry 0) to white (entry 255), opaque, in the format of the masks.
  static std::vector<std::uint32_t> MakePalette(std::uint32_t red, std::uint32_t green,
                                                std::uint32_t blue, std::uint32_t alpha);

  video::voxaTexture* texture = nullptr;  // the texture collector's
  std::unique_ptr<cView3Di_position> sub;
  std::vector<tBlobParameter> blobParameters;
  std::vector<tBlobPoint> blobPoints;
  std::vector<std::uint32_t> palette;  // empty until the first frame

 private:
  void ParseBlob(cParserT* parser);
};

}  // namespace VOXA2
