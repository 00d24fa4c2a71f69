// libFuzzer target for font pictures: the first byte chooses how much of the
// launcher's character set cuts the picture, the rest is the picture. A font
// that loads is built at a few sizes and measured. Built by tools/fuzz.sh only.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "foundation/errors.h"
#include "foundation/streams.h"
#include "gui/bitmapfont.h"
#include "windxkernel/video.h"

namespace {

const char kCharacterSet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ\xC4\xD6\xDC"
    "abcdefghijklmnopqrstuvwxyz\xE4\xF6\xFC\xDF"
    "1234567890,;.:-_#'+*~\xB4`?=()[]{}/\\&%$\xA7\"!^\xB0<>| @";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  VOXA2::screenInfo.width = 640;
  VOXA2::screenInfo.height = 480;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  const std::size_t setLength = 1 + data[0] % (sizeof(kCharacterSet) - 1);
  const std::string set(kCharacterSet, setLength);
  std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    TMemFile stream(bytes.data(), static_cast<int32_t>(bytes.size()), true);
    ZGUI::cBitmapFont font;
    if (!font.Load(&stream, set.c_str())) return 0;
    for (std::int32_t fontSize : {1, 10, 20}) {
      ZGUI::cBitmapFont sized(&font, fontSize);
      sized.GetTextWidth(set.c_str(), static_cast<std::int32_t>(set.size()));
    }
  } catch (VOXA::errors::eError* error) {
    // Running out of memory for a huge glyph is the one error the font may raise.
    delete error;
  }
  return 0;
}
