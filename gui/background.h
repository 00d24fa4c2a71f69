// What lies behind a widget's content: a plain colour, a tiled picture or a
// picture placed once in one of nine positions, painted opaque or mixed half
// and half with what the device already holds. Carried as a second base by
// the widgets that have a background.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/basis.h"
#include "gui/types.h"

namespace ZGUI {

class cBitmap;
class cGraphicsDevice;

// How the picture is drawn: not at all, tiled, or once at a place.
namespace backgroundmode {
inline constexpr std::int32_t None = 0, Tiled = 1, TopLeft = 2, TopCenter = 3, TopRight = 4,
                              MiddleLeft = 5, Center = 6, MiddleRight = 7, BottomLeft = 8,
                              BottomCenter = 9, BottomRight = 10;
}

class cBackground : public virtual basis::basisObject {
 public:
  cBackground();
  cBackground(const cBackground&) = delete;
  cBackground& operator=(const cBackground&) = delete;
  ~cBackground() override;

  // Places and tiles are measured from the device's origin.
  virtual void Draw(cGraphicsDevice* device, tRect area);
  // The carrying widget invalidates itself.
  virtual void BackgroundChanged() = 0;
  // Takes the bitmap over; a null bitmap only drops the old picture.
  virtual void SetPicture(cBitmap* bitmap);
  virtual void ClearPicture();
  virtual void SetMode(std::int32_t mode);
  virtual void SetColor(std::uint32_t color);
  virtual cBitmap* GetPicture() const;
  virtual std::int32_t GetMode() const;
  virtual std::uint32_t GetColor() const;

  // Mixes colour and picture with what is beneath instead of covering it.
  bool translucent = false;

 private:
  std::unique_ptr<cBitmap> picture_;
  std::int32_t mode_ = backgroundmode::None;
  std::uint32_t color_ = 0;
};

// Where a picture of size w x h goes in an area of W x H for a placing mode.
tPoint BackgroundPlacement(std::int32_t mode, std::int32_t areaWidth, std::int32_t areaHeight,
                           std::int32_t width, std::int32_t height);

}  // namespace ZGUI
