// The command "rotozoomer": the drawing area covered by a texture that turns
// about its centre and zooms, with motion-blur copies for earlier and later
// moments. The quad stays put; rotation and zoom act on the texture
// coordinates, so the addressing mode decides what lies outside the texture.
#pragma once

#include <cstdint>
#include <memory>

#include "demo/command.h"
#include "effects2d/drawoptions.h"
#include "threedee/scene/valuetracks.h"
#include "windxkernel/deviceowned.h"

namespace VOXA2 {

namespace video {
class voxaTexture;
}

class cVOXArotozoomer : public cVOXAcommand {
 public:
  explicit cVOXArotozoomer(cVOXAdemo* owner);
  ~cVOXArotozoomer() override;
  static cVOXAcommand* Create(cVOXAdemo* owner);
  bool Parse(float start, float length, cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction) override;
  // Appends one copy at the copy's time with its weight on alpha.
  bool Draw(float copyTime, float weight);

  // Above this many blur copies in one direction the count is cut, with a
  // warning: each copy is a full-screen quad.
  static constexpr std::int32_t kMaxBlurCopies = 256;

  video::voxaTexture* texture = nullptr;  // the texture collector's
  threedee::BatchHandle batch;
  std::unique_ptr<cView3Di_position> tint;  // alpha, red, green, blue in 0 … 1
  std::unique_ptr<cView3Di_position> zoom;
  std::unique_ptr<cView3Di_position> angle;  // degrees
  std::unique_ptr<cView3Di_position> blurForwardCount, blurForwardStep;
  std::unique_ptr<cView3Di_position> blurBackwardCount, blurBackwardStep;
  effects2d::tDrawOptions options;

 private:
  // The device layer drops every batch when the device changes: a batch of
  // an older generation is gone and a new one is made.
  threedee::TriangleBatch* Batch();
  std::int32_t BlurCount(cView3Di_position* count, float time);

  bool warnedBlur_ = false;
};

}  // namespace VOXA2
