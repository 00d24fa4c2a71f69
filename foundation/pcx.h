// PCX pictures: 8-bit run-length encoded, with a 256-colour palette or as
// three colour planes. The launcher's own assets are PCX files.
#pragma once

#include <cstdint>

#include "foundation/gfxloader.h"

namespace PCXlib {

// Decodes run-length data from source[*position] until count bytes are in
// destination; never writes past destination[count - 1] nor reads source[limit]
// or beyond. False when the source ran out first.
bool DecodeRLE(std::int32_t count, std::uint8_t* destination, const std::uint8_t* source,
               std::int32_t limit, std::int32_t* position);

class cPCXreader : public cGfxFFmtWrapper {
 public:
  std::uint32_t SignatureLength() override { return 2; }
  bool CheckSignature(const std::uint8_t* bytes, std::uint32_t count) override;
  bool ReadColor(TStream* stream, cColorPic* picture, tChannelDepths* depths) override;
  bool ReadGray(TStream* stream, cMonoPic* plane) override;
};

}  // namespace PCXlib
