// A small software renderer over pixel memory that is already in the screen's
// pixel format (a locked surface, a temporary surface or a bitmap's pixels).
// It never owns that memory. Every operation is clipped to the clip rectangle
// and has a row loop for 2, 3 and 4 bytes per pixel; other depths draw nothing.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/basis.h"
#include "gui/types.h"

namespace ZGUI {

class cBitmap;
class cBitmapFont;
class cFont;

class cGraphicsDevice : public virtual basis::basisObject {
 public:
  cGraphicsDevice();
  cGraphicsDevice(void* pixels, std::int32_t pitch, tRect bounds);
  cGraphicsDevice(const cGraphicsDevice&) = delete;
  cGraphicsDevice& operator=(const cGraphicsDevice&) = delete;
  ~cGraphicsDevice() override;

  void SetBuffer(void* pixels, std::int32_t pitch, tRect bounds);
  // Points the device at a bitmap's pixels; a null bitmap changes nothing.
  void SetBitmap(cBitmap* bitmap);
  // Replaces (never nests) the clip: the rectangle within the bounds.
  void SetClipRect(tRect rect);
  // The old point (dx, dy) becomes (0, 0); the same pixels stay drawable.
  void MoveOrigin(std::int32_t dx, std::int32_t dy);
  // A device over part of this one, owned by the caller; null when nothing of
  // the area is visible.
  cGraphicsDevice* CreateSubDevice(tRect area);
  bool SetSubArea(const cGraphicsDevice* parent, tRect area);

  void FillRect(tRect rect, std::uint32_t color);
  void DarkenRect(tRect rect);
  void LightenRect(tRect rect);
  void BlendRect(tRect rect, std::uint32_t color);
  void DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                std::uint32_t color);
  void DrawBevel(tRect rect, std::int32_t horizontal, std::int32_t vertical, bool raised);
  void DrawBevelTop(tRect rect, std::int32_t horizontal, std::int32_t vertical, bool raised);
  void DrawBevelBottom(tRect rect, std::int32_t horizontal, std::int32_t vertical, bool raised);
  void DrawBevelLeft(tRect rect, std::int32_t horizontal, std::int32_t vertical, bool raised);
  void DrawBevelRight(tRect rect, std::int32_t horizontal, std::int32_t vertical, bool raised);

  // Bitmap copies; the bitmap's pixels are in the screen format.
  void DrawBitmap(const cBitmap* bitmap, tRect destination);
  void DrawBitmapBlended(const cBitmap* bitmap, tRect destination);
  void DrawBitmapPart(const cBitmap* bitmap, tRect source, tRect destination);
  // Only the device rows of one parity, for interlaced transitions.
  void CopyBitmapRect(const cBitmap* bitmap, tRect source, tRect destination, bool oddRows);
  // Zero pixels of the bitmap are left out.
  void DrawBitmapTransparent(std::int32_t x, std::int32_t y, const cBitmap* bitmap);
  // Darkens the device under every non-zero pixel of the bitmap.
  void DarkenMasked(std::int32_t x, std::int32_t y, const cBitmap* bitmap);

  // The text colour and its 256-entry palette of packed, halved intensities.
  void SetTextColor(std::uint32_t color);
  void SetTextColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  void BuildFontPalette(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  std::uint32_t GetTextColor() const { return textColor_; }
  // One line of text, its colour added onto the pixels by glyph intensity,
  // saturating; the top-left corner at (x, y), or at the rectangle's, which
  // then cuts the text too.
  void DrawTextEx(const cFont* font, std::int32_t x, std::int32_t y, const char* text);
  void DrawTextInRect(const cFont* font, tRect rect, const char* text);
  const std::uint32_t* GetFontPalette() const { return palette_.get(); }

  tRect GetClipRect() const { return clip_; }
  tRect GetBounds() const { return bounds_; }
  std::uint8_t* GetPixels() const { return pixels_; }
  std::int32_t GetPitch() const { return pitch_; }

 private:
  enum class eShade { Darken, Lighten, Blend };
  void Shade(tRect rect, eShade kind, std::uint32_t color);
  void Bevel(tRect rect, std::int32_t bx, std::int32_t by, bool raised, int edges);
  std::uint8_t* At(std::int32_t x, std::int32_t y) const;
  void CopyRows(const cBitmap* bitmap, tRect visible, std::int32_t sx, std::int32_t sy, int mode,
                int parity);
  void PlaceWhole(const cBitmap* bitmap, tRect destination, int mode);
  void PlacePart(const cBitmap* bitmap, tRect source, tRect destination, int parity);
  void DrawGlyphs(const cBitmapFont* font, tRect rect, const tRect& visible, const char* text);
  void PlaceAtPoint(std::int32_t x, std::int32_t y, const cBitmap* bitmap, bool darken);

  // A fresh device is empty, so nothing drawn before a buffer is attached can
  // reach address 0.
  tRect clip_ = kEmptyRect;
  tRect bounds_ = kEmptyRect;
  std::uint8_t* pixels_ = nullptr;
  std::int32_t pitch_ = 0;
  std::unique_ptr<std::uint32_t[]> palette_;
  std::uint32_t textColor_ = 0xFFFFFF;
};

// The half-and-half mix of two 0x00RRGGBB colours.
std::uint32_t AverageColour(std::uint32_t a, std::uint32_t b);

}  // namespace ZGUI
