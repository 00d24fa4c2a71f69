// PNG pictures through libpng: every depth and colour type, interlaced or not.
#pragma once

#include "foundation/gfxloader.h"

namespace PNGlib {

class cPNGreader : public cGfxFFmtWrapper {
 public:
  std::uint32_t SignatureLength() override { return 8; }
  bool CheckSignature(const std::uint8_t* bytes, std::uint32_t count) override;
  bool ReadColor(TStream* stream, cColorPic* picture, tChannelDepths* depths) override;
  bool ReadGray(TStream* stream, cMonoPic* plane) override;
};

// The version and copyright notice of the linked library.
const char* GetVersion();
const char* GetCopyright();

}  // namespace PNGlib
