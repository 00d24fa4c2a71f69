// libFuzzer target for the four picture readers: the input is offered to each
// reader as a colour and as a gray picture, and to the loader with all four.
// Built by tools/fuzz.sh only.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/errors.h"
#include "foundation/gfxloader.h"
#include "foundation/jpegreader.h"
#include "foundation/pcx.h"
#include "foundation/pictures.h"
#include "foundation/pngreader.h"
#include "foundation/streams.h"
#include "foundation/tga.h"

namespace {

void Offer(cGfxFFmtWrapper& reader, std::string& bytes) {
  try {
    TMemFile colorStream(bytes.data(), static_cast<int32_t>(bytes.size()), true);
    cColorPic picture;
    tChannelDepths depths;
    reader.ReadColor(&colorStream, &picture, &depths);
    TMemFile grayStream(bytes.data(), static_cast<int32_t>(bytes.size()), true);
    cMonoPic plane;
    reader.ReadGray(&grayStream, &plane);
  } catch (VOXA::errors::eError* error) {
    // Running out of memory for a picture is the one error a reader may raise.
    delete error;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static JPEGlib::cJPEGreader jpeg;
  static PNGlib::cPNGreader png;
  static PCXlib::cPCXreader pcx;
  static TARGAlib::cTARGAreader tga;
  static cGfxLoader* loader = [] {
    auto* l = new cGfxLoader();
    for (cGfxFFmtWrapper* r :
         {static_cast<cGfxFFmtWrapper*>(&jpeg), static_cast<cGfxFFmtWrapper*>(&png),
          static_cast<cGfxFFmtWrapper*>(&pcx), static_cast<cGfxFFmtWrapper*>(&tga)}) {
      l->RegisterReader(r, false);
    }
    return l;
  }();
  if (size > (1u << 20)) return 0;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  Offer(jpeg, bytes);
  Offer(png, bytes);
  Offer(pcx, bytes);
  Offer(tga, bytes);
  Offer(*loader, bytes);
  return 0;
}
