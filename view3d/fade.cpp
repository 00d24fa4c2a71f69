#include "view3d/fade.h"

#include "effects2d/fullscreenfx.h"
#include "foundation/numeric.h"
#include "threedee/scene/interpolatedvalues.h"
#include "threedee/scene/material.h"
#include "threedee/scene/renderstage.h"
#include "view3d/overlay.h"
#include "windxkernel/video.h"

namespace VOXA2 {

cVOXA3Dfade_to_color::cVOXA3Dfade_to_color(cVOXAview3D* owner)
    : cVOXA3Dcommand(owner),
      vertices(threedee::VertexArray::Create(false, 4, threedee::ScreenVertexFormat())) {}

bool cVOXA3Dfade_to_color::Parse(cParserT* parser) {
  colorTrack.reset(ParseInterpolator(parser, 4, owner->length));
  parser->Expect(tokSemicolon);
  return true;
}

bool cVOXA3Dfade_to_color::Execute(float, float sinceStart, float, bool* result) {
  *result = true;
  if (!colorTrack) return false;
  colorTrack->Evaluate(sinceStart);
  const float* c = colorTrack->GetValues();
  if (TruncToInt(c[0]) == 0 || !vertices) return true;
  const std::uint32_t colour = threedee::PackArgb(c[0], c[1], c[2], c[3]);
  // The right and bottom edges are inclusive: the quad reaches one pixel
  // further, so that it covers the last column and row too.
  const float left = static_cast<float>(owner->viewLeft + screenInfo.windowLeft);
  const float top = static_cast<float>(owner->viewTop + screenInfo.windowTop);
  const float right = static_cast<float>(owner->viewRight + 1 + screenInfo.windowLeft);
  const float bottom = static_cast<float>(owner->viewBottom + 1 + screenInfo.windowTop);
  const float corners[4][2] = {{left, top}, {left, bottom}, {right, bottom}, {right, top}};
  vertices->Lock(3);
  for (int k = 0; k < 4; ++k)
    effects2d::WriteScreenVertex(vertices->pointer, vertices->data + k * vertices->pointer.stride,
                                 corners[k][0], corners[k][1], colour, 0, 0);
  vertices->Unlock();
  SetOverlayState(threedee::kBlendSrcAlpha, threedee::kBlendInvSrcAlpha, nullptr, 0);
  threedee::DrawPrimitive(5, vertices.get(), 0, 3);
  owner->SetUpRenderState();
  return true;
}

}  // namespace VOXA2
