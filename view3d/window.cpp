#include "view3d/window.h"

#include <algorithm>
#include <utility>

#include "demo/block.h"
#include "effects2d/fullscreenfx.h"
#include "foundation/numeric.h"
#include "threedee/scene/interpolatedvalues.h"
#include "threedee/scene/material.h"
#include "threedee/scene/renderstage.h"
#include "view3d/overlay.h"
#include "windxkernel/video.h"
#include "windxkernel/viewport.h"

namespace VOXA2 {

cVOXA3Dwindow::cVOXA3Dwindow(cVOXAview3D* owner)
    : cVOXA3Dcommand(owner),
      frame(threedee::VertexArray::Create(false, 10, threedee::ScreenVertexFormat())) {}

bool cVOXA3Dwindow::Parse(cParserT* parser) {
  area.reset(ParseInterpolator(parser, 4, owner->length));
  ClampTrack(area.get(), 0.0f, 1.0f);
  if (IsExactWord(parser, "border")) {
    parser->GetToken();
    borderWidth.reset(ParseInterpolator(parser, 1, owner->length));
    borderWidth->clampBelow = true;
    borderWidth->lowerBound = 0.0f;
    parser->Expect(tokComma);
    borderColor.reset(ParseInterpolator(parser, 4, owner->length));
    ClampTrack(borderColor.get(), 0.0f, 1.0f);
  }
  parser->Expect(tokSemicolon);
  return true;
}

bool cVOXA3Dwindow::Execute(float, float sinceStart, float, bool* result) {
  *result = true;
  if (!area) return false;
  const std::int32_t w = screenInfo.width, h = screenInfo.height;
  area->Evaluate(sinceStart);
  const float* a = area->GetValues();
  std::int32_t left = TruncToInt(a[0] * static_cast<float>(w - 1));
  std::int32_t top = TruncToInt(a[1] * static_cast<float>(h - 1));
  std::int32_t right = TruncToInt(a[2] * static_cast<float>(w - 1));
  std::int32_t bottom = TruncToInt(a[3] * static_cast<float>(h - 1));
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);

  std::uint32_t colour = 0xFFFFFFFFu;
  if (borderColor) {
    borderColor->Evaluate(sinceStart);
    const float* c = borderColor->GetValues();
    colour = threedee::PackArgb(c[0] * 255, c[1] * 255, c[2] * 255, c[3] * 255);
  }
  std::int32_t bx = 0, by = 0;
  if (borderWidth) {
    borderWidth->Evaluate(sinceStart);
    const float width = borderWidth->GetValue();
    // Pixels of a 640 x 480 screen scaled to this one; a rounded 1/480 would
    // make a width of 2 one pixel high on 480 lines.
    bx = TruncToInt(static_cast<double>(w) * width / 640.0);
    by = TruncToInt(static_cast<double>(h) * width / 480.0);
  }
  if (bx > 0 || by > 0) {
    threedee::SetViewport(left, top, right, bottom);
    // A frame wider than half the window leaves at least its middle pixel.
    bx = std::min(bx, (right - left) / 2);
    by = std::min(by, (bottom - top) / 2);
    // The edges are inclusive pixel bounds and the device fills up to, not
    // through, a right or bottom edge: the ring's outer and inner right and
    // bottom edges lie one pixel further, so that the ring is bx by by pixels
    // wide all round and the rectangle inside it is the shrunk viewport.
    const float l = static_cast<float>(left + screenInfo.windowLeft);
    const float t = static_cast<float>(top + screenInfo.windowTop);
    const float r = static_cast<float>(right + 1 + screenInfo.windowLeft);
    const float b = static_cast<float>(bottom + 1 + screenInfo.windowTop);
    const float fx = static_cast<float>(bx), fy = static_cast<float>(by);
    const float ring[8][2] = {{l, t}, {l + fx, t + fy}, {r, t}, {r - fx, t + fy},
                              {r, b}, {r - fx, b - fy}, {l, b}, {l + fx, b - fy}};
    if (frame && frame->Lock(3)) {
      for (int k = 0; k < 8; ++k)
        effects2d::WriteScreenVertex(frame->pointer, frame->data + k * frame->pointer.stride,
                                     ring[k][0], ring[k][1], colour, 0, 0);
      frame->Unlock();
      SetOverlayState(threedee::kBlendSrcAlpha, threedee::kBlendInvSrcAlpha, nullptr, 0);
      static std::uint16_t indices[10] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1};
      threedee::DrawIndexedPrimitive(4, frame.get(), indices, 10, 0, 9);
      owner->SetUpRenderState();
    }
    left += bx, top += by, right -= bx, bottom -= by;
  }
  owner->viewLeft = left, owner->viewTop = top, owner->viewRight = right,
  owner->viewBottom = bottom;
  owner->viewWidth = right - left + 1;
  owner->viewHeight = bottom - top + 1;
  threedee::SetViewport(left, top, right, bottom);
  return true;
}

}  // namespace VOXA2
