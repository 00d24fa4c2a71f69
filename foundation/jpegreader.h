// JPEG pictures through libjpeg (the 6b interface of libjpeg-turbo). The JPEG
// reader has no signature: every picture file is offered to it first.
#pragma once

#include "foundation/gfxloader.h"

namespace JPEGlib {

class cJPEGreader : public cGfxFFmtWrapper {
 public:
  bool ReadColor(TStream* stream, cColorPic* picture, tChannelDepths* depths) override;
  bool ReadGray(TStream* stream, cMonoPic* plane) override;
};

}  // namespace JPEGlib
