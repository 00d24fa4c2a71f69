#include "gui/background.h"

#include "gui/bitmap.h"
#include "gui/graphicsdevice.h"

namespace ZGUI {

tPoint BackgroundPlacement(std::int32_t mode, std::int32_t areaWidth, std::int32_t areaHeight,
                           std::int32_t width, std::int32_t height) {
  if (mode < backgroundmode::TopLeft || mode > backgroundmode::BottomRight) return tPoint(0, 0);
  const int column = (mode - backgroundmode::TopLeft) % 3;  // left, centre, right
  const int row = (mode - backgroundmode::TopLeft) / 3;     // top, middle, bottom
  const std::int32_t across[] = {0, (areaWidth - width) / 2, areaWidth - width};
  const std::int32_t down[] = {0, (areaHeight - height) / 2, areaHeight - height};
  return tPoint(across[column], down[row]);
}

cBackground::cBackground() = default;
cBackground::~cBackground() = default;

void cBackground::Draw(cGraphicsDevice* device, tRect area) {
  if (!device) return;
  auto paintColour = [&] {
    if (translucent) {
      device->BlendRect(area, color_);
    } else {
      device->FillRect(area, color_);
    }
  };
  auto place = [&](std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
    const tRect destination{x, y, x + w - 1, y + h - 1};
    if (translucent) {
      device->DrawBitmapBlended(picture_.get(), destination);
    } else {
      device->DrawBitmap(picture_.get(), destination);
    }
  };
  if (!picture_ || mode_ == backgroundmode::None) {
    paintColour();
    return;
  }
  const std::int64_t areaWidth = RectWidth(area), areaHeight = RectHeight(area);
  const std::int32_t w = picture_->GetWidth(), h = picture_->GetHeight();
  if (mode_ == backgroundmode::Tiled && w > 0 && h > 0) {
    for (std::int64_t y = 0; y < areaHeight; y += h) {
      for (std::int64_t x = 0; x < areaWidth; x += w) {
        place(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), w, h);
      }
    }
    return;
  }
  paintColour();
  const tPoint at = BackgroundPlacement(mode_, static_cast<std::int32_t>(areaWidth),
                                        static_cast<std::int32_t>(areaHeight), w, h);
  place(at.x, at.y, w, h);
}

void cBackground::SetPicture(cBitmap* bitmap) {
  if (bitmap == picture_.get()) return;
  picture_.reset(bitmap);
  if (mode_ == backgroundmode::None) mode_ = backgroundmode::Tiled;
  BackgroundChanged();
}

void cBackground::ClearPicture() {
  if (!picture_) return;
  picture_.reset();
  mode_ = backgroundmode::None;
  BackgroundChanged();
}

void cBackground::SetMode(std::int32_t mode) {
  if (mode == mode_ || !picture_) return;
  mode_ = mode;
  BackgroundChanged();
}

void cBackground::SetColor(std::uint32_t color) {
  if (color == color_) return;
  color_ = color;
  if (mode_ != backgroundmode::Tiled) BackgroundChanged();
}

cBitmap* cBackground::GetPicture() const { return picture_.get(); }
std::int32_t cBackground::GetMode() const { return mode_; }
std::uint32_t cBackground::GetColor() const { return color_; }

}  // namespace ZGUI
