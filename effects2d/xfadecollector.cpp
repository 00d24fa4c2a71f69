#include "effects2d/xfadecollector.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <new>

#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "foundation/numeric.h"
#include "foundation/pictures.h"
#include "foundation/random.h"
#include "windxkernel/video.h"

namespace VOXA2 {

void cVOXAxfadecollector::FreeItem(void* data) { delete static_cast<cMonoPic*>(data); }

// Slow waves across the screen with noise on top: neighbouring pixels switch
// at similar but not equal thresholds, so the dissolve looks grainy rather
// than like a wipe. The values stay within 8767 … 56767 plus −8192 … 8191, so
// every byte lies in 2 … 253.
bool cVOXAxfadecollector::LoadItem(tDataEntry* entry) {
  std::unique_ptr<cMonoPic> pattern(VOXA::errors::NewOrThrow<cMonoPic>("cMonoPic"));
  pattern->Create(screenInfo.width, screenInfo.height);
  std::uint8_t* out = pattern->GetPixels();
  for (std::int32_t y = 0; y < pattern->height; y++) {
    for (std::int32_t x = 0; x < pattern->width; x++) {
      const double fx = x, fy = y;
      const std::int32_t f = TruncToInt(
          (std::sin(0.02 * fx) + std::cos(0.0123 * fx) + std::cos(0.0321 * fx + 0.1 * fy)) *
              8000.0 +
          32767.0);
      const std::int32_t n = Rand() / 2 - 0x2000;
      std::int32_t v = f + n;
      if (v < 0) v = 0;
      if (v > 0xFFFF) v = 0xFFFF;
      *out++ = static_cast<std::uint8_t>(v >> 8);
    }
  }
  entry->data = pattern.release();
  return true;
}

// Reads every byte once so that the first frame of the cross-fade does not pay
// for bringing the pattern in.
void cVOXAxfadecollector::PrepareItem(void* data) {
  auto* pattern = static_cast<cMonoPic*>(data);
  if (!pattern || !pattern->pixels) return;
  ReadEveryByte(pattern->pixels,
                static_cast<std::size_t>(pattern->width) * static_cast<std::size_t>(pattern->height));
}

}  // namespace VOXA2
