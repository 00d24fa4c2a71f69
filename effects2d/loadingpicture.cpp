#include "effects2d/loadingpicture.h"

#include "gui/bitmap.h"
#include "gui/graphicsdevice.h"

namespace VOXA2 {

std::int32_t cBitmapLoadingPicture::Width() const { return bitmap_ ? bitmap_->GetWidth() : 0; }
std::int32_t cBitmapLoadingPicture::Height() const { return bitmap_ ? bitmap_->GetHeight() : 0; }

void cBitmapLoadingPicture::Draw(void* pixels, int pitch, std::int32_t width, std::int32_t height,
                                 std::int32_t left, std::int32_t top) {
  if (!bitmap_) return;
  ZGUI::cGraphicsDevice device(pixels, pitch, ZGUI::tRect{0, 0, width - 1, height - 1});
  device.DrawBitmap(bitmap_, ZGUI::tRect{left, top, left + bitmap_->GetWidth() - 1,
                                         top + bitmap_->GetHeight() - 1});
}

}  // namespace VOXA2
