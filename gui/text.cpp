// Text output of the graphics device: glyph intensities pick a precomputed,
// halved colour from the device's palette, which is added to the halved pixel
// and doubled back with saturation (through the screen's doubling table on
// 2-byte screens, byte by byte otherwise).
#include <algorithm>
#include <cstring>

#include "gui/bitmapfont.h"
#include "gui/fonts.h"
#include "gui/graphicsdevice.h"
#include "gui/metrics.h"
#include "gui/pixels.h"

namespace ZGUI {
namespace {

inline std::uint32_t DoubleBytes(std::uint32_t s) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const std::uint32_t b = std::min<std::uint32_t>(((s >> shift) & 0xFF) * 2, 255);
    out |= b << shift;
  }
  return out;
}

struct tGlyphRun {
  const std::uint8_t* source;  // first glyph pixel to draw
  std::int32_t sourcePitch;    // the glyph's width
  std::uint8_t* target;
  std::int32_t columns, rows;
};

template <int B>
void Blend(const tGlyphRun& run, std::int32_t pitch, const std::uint32_t* palette,
           const std::uint16_t* doubling, std::uint32_t half) {
  const std::uint8_t* src = run.source;
  std::uint8_t* dst = run.target;
  for (std::int32_t y = 0; y < run.rows; ++y, src += run.sourcePitch, dst += pitch) {
    std::uint8_t* p = dst;
    for (std::int32_t x = 0; x < run.columns; ++x, p += B) {
      const std::uint8_t v = src[x];
      if (!v) continue;
      const std::uint32_t d = pixels::Load<B>(p);
      if constexpr (B == 2) {
        pixels::Store<2>(p, doubling[static_cast<std::uint16_t>(((d >> 1) & half) + palette[v])]);
      } else {
        const std::uint32_t s = ((d >> 1) & 0x7F7F7F) + palette[v];
        pixels::Store<B>(p, DoubleBytes(s));
      }
    }
  }
}

}  // namespace

void cGraphicsDevice::DrawTextEx(const cFont* font, std::int32_t x, std::int32_t y,
                                 const char* text) {
  if (!font || !text || !*text) return;
  const tRect rect{x, y, x + font->GetTextWidth(text), y + font->GetHeight()};
  const tRect visible = Intersect(rect, clip_);
  if (IsEmpty(visible)) return;
  DrawGlyphs(font->GetSizedFont(), rect, visible, text);
}

void cGraphicsDevice::DrawTextInRect(const cFont* font, tRect rect, const char* text) {
  if (!font || !text || !*text) return;
  const tRect visible = Intersect(rect, clip_);
  if (IsEmpty(visible)) return;
  DrawGlyphs(font->GetSizedFont(), rect, visible, text);
}

void cGraphicsDevice::DrawGlyphs(const cBitmapFont* font, tRect rect, const tRect& visible,
                                 const char* text) {
  if (!font) return;
  const std::int32_t height = font->GetHeight();
  const std::int32_t width =
      font->GetTextWidth(text, static_cast<std::int32_t>(std::strlen(text)));
  // The text's own extent decides what the visible area cuts off; the visible
  // area itself stays, so text longer than its rectangle ends at its edge.
  if (RectWidth(rect) < width) rect.right = rect.left + width - 1;
  if (RectHeight(rect) < height) rect.bottom = rect.top + height - 1;
  const std::int32_t firstRow = visible.top - rect.top;
  const std::int32_t rows = std::min<std::int64_t>(height, std::int64_t{visible.bottom} - rect.top + 1) - firstRow;
  if (rows < 1) return;

  const std::int32_t bytes = GetBytesPerPixel();
  const std::uint16_t* doubling = bytes == 2 ? GetDoublingTable() : nullptr;
  const std::uint32_t half = GetHalfMask();
  const std::uint32_t* palette = palette_.get();
  std::int64_t pen = rect.left;
  for (const char* c = text; *c && pen <= visible.right; ++c) {
    const cBitmapFont::tCharacter* glyph = font->GetGlyph(static_cast<std::uint8_t>(*c));
    if (!glyph || glyph->width <= 0) continue;
    const std::int64_t left = std::max<std::int64_t>(pen, visible.left);
    const std::int64_t right = std::min<std::int64_t>(pen + glyph->width - 1, visible.right);
    if (left <= right) {
      tGlyphRun run{glyph->pixels + static_cast<std::size_t>(firstRow) * glyph->width +
                        static_cast<std::size_t>(left - pen),
                    glyph->width, At(static_cast<std::int32_t>(left), visible.top),
                    static_cast<std::int32_t>(right - left + 1), rows};
      pixels::ForDepth(bytes, [&]<int B>() {
        if (B == 2 && !doubling) return;
        Blend<B>(run, pitch_, palette, doubling, half);
      });
    }
    pen += glyph->width;
  }
}

}  // namespace ZGUI
