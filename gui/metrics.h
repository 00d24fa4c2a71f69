// Screen metrics, the 640 x 480 canvas scaling, and the per-format tables that
// 16-bit shading and text drawing use.
#pragma once

#include <cstdint>

#include "gui/types.h"

namespace ZGUI {

std::int32_t GetScreenWidth();
std::int32_t GetScreenHeight();

// Canvas units to pixels, truncated, never below 1.
std::int32_t ScaleX(std::int32_t x);
std::int32_t ScaleY(std::int32_t y);
tPoint ScalePoint(std::int32_t x, std::int32_t y);
tPoint ScalePoint(tPoint p);
// A thickness: scaled like ScalePoint, but at most a third of the limit's size.
tPoint ScaleRect(std::int32_t x, std::int32_t y, tRect limit);
tPoint ScaleRect(tPoint p, tRect limit);

void UpdatePixelFormat();
void ReleasePixelFormat();

// The screen's bytes per pixel (2, 3 or 4; anything else draws nothing).
std::int32_t GetBytesPerPixel();
// The mask that halves every channel of a packed pixel without carries:
// mask & (mask >> 1) over the channels on 2-byte screens, 0x7F7F7F otherwise.
std::uint32_t GetHalfMask();
// The 16-bit doubling table (each channel doubled, saturating), or null when
// the screen is not 2 bytes per pixel.
const std::uint16_t* GetDoublingTable();
// A 0x00RRGGBB colour packed for the screen: (c >> (8 - bits)) << shift.
std::uint32_t PackColor(std::uint32_t rgb);
// A packed pixel back to 0x00RRGGBB, low bits zero.
std::uint32_t UnpackColor(std::uint32_t pixel);

}  // namespace ZGUI
