// The demo's loading picture made from a bitmap of the picture collector: what
// the launcher hands to the demo before it compiles the script.
#pragma once

#include "demo/demo.h"

namespace ZGUI {
class cBitmap;
}

namespace VOXA2 {

class cBitmapLoadingPicture : public cLoadingPicture {
 public:
  // The bitmap stays with its owner (normally the demo's picture collector).
  explicit cBitmapLoadingPicture(ZGUI::cBitmap* bitmap) : bitmap_(bitmap) {}
  std::int32_t Width() const override;
  std::int32_t Height() const override;
  void Draw(void* pixels, int pitch, std::int32_t width, std::int32_t height, std::int32_t left,
            std::int32_t top) override;

 private:
  ZGUI::cBitmap* bitmap_;
};

}  // namespace VOXA2
