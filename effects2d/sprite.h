// The command "sprite": one textured quad placed, sized and turned in screen
// coordinates, with corners that can be moved or pinned, a tint, and blurred
// copies from other moments, zoomed about a centre, on a gaussian grid or in a
// shifted row.
#pragma once

#include <cstdint>
#include <memory>

#include "demo/command.h"
#include "effects2d/drawoptions.h"
#include "effects2d/quademit.h"
#include "threedee/scene/valuetracks.h"
#include "windxkernel/deviceowned.h"

namespace VOXA2 {

namespace video {
class voxaTexture;
}

class cVOXAsprite : public cVOXAcommand {
 public:
  explicit cVOXAsprite(cVOXAdemo* owner);
  ~cVOXAsprite() override;
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;

  // Counts beyond these are held to them (with a warning in the debug log):
  // a typo such as 1000 would otherwise freeze the frame or exhaust memory.
  static constexpr std::int32_t kMaxGaussCount = 16;
  static constexpr std::int32_t kMaxCount = 256;

  using tTrack = std::unique_ptr<cView3Di_position>;

  video::voxaTexture* texture = nullptr;  // the "texture" collector's
  tTrack position, size, height, width, rotationZ;
  tTrack vertex[4], vertexOffset[4];
  tTrack ymul, rotationX, rotationY, tint, alphamul;
  tTrack forwardCount, forwardStep, backwardCount, backwardStep;
  tTrack distortCount, distortX, distortY;
  tTrack radialCount, radialStep, radialCentre;
  tTrack gaussStep, gaussCount, gaussWidth;
  effects2d::tDrawOptions options;

 private:
  void ReadStatement(cParserT* parser);
  // One drawing pass at time t with weight a; the main pass adds the gaussian,
  // distortion and radial copies.
  void Pass(float t, float a, bool main);
  std::int32_t Capped(std::int32_t count, std::int32_t limit, const char* what);
  // The batch, made again when the device layer dropped its batches.
  threedee::TriangleBatch* Batch();
  void Emit(const effects2d::tSpriteVertex quad[4], const effects2d::tEmission& emission);

  threedee::BatchHandle batch_;
  effects2d::tClipBounds bounds_{};
  bool warned_ = false;
};

}  // namespace VOXA2
