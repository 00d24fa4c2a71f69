// TGA pictures: run-length encoded 32-bit true colour only, rows taken bottom to top.
#pragma once

#include "foundation/gfxloader.h"

namespace TARGAlib {

class cTARGAreader : public cGfxFFmtWrapper {
 public:
  bool ReadColor(TStream* stream, cColorPic* picture, tChannelDepths* depths) override;
  // No gray reading: answers false.
};

}  // namespace TARGAlib
