#include "view3d/fog.h"

#include "demo/block.h"
#include "threedee/scene/interpolatedvalues.h"
#include "threedee/scene/material.h"
#include "windxkernel/rendermodes.h"

namespace VOXA2 {

bool cVOXA3Dfog::Parse(cParserT* parser) {
  if (parser->token->code == tokDisabled) {
    enabled = false;
    parser->GetToken();
  } else {
    colorTrack.reset(ParseInterpolator(parser, 3, owner->length));
  }
  // Read after "disabled" too, where it has no effect.
  if (IsExactWord(parser, "ranged")) {
    parser->GetToken();
    startTrack.reset(ParseInterpolator(parser, 1, owner->length));
    parser->Expect(tokComma);
    endTrack.reset(ParseInterpolator(parser, 1, owner->length));
  }
  parser->Expect(tokSemicolon);
  return true;
}

bool cVOXA3Dfog::Execute(float, float sinceStart, float, bool* result) {
  *result = true;
  if (!enabled || !colorTrack) {
    threedee::SetRenderMode(8, 0, 0);
    owner->fogEnabled = false;
    return true;
  }
  colorTrack->Evaluate(sinceStart);
  // Components outside 0..1 are held there rather than spilling into the
  // neighbouring bytes of the colour.
  const std::uint32_t color = threedee::PackColor(colorTrack->GetValues());
  float start = 0.0f, end = 1.0f;
  if (startTrack) {
    startTrack->Evaluate(sinceStart);
    start = startTrack->GetValue();
  }
  if (endTrack) {
    endTrack->Evaluate(sinceStart);
    end = endTrack->GetValue();
  }
  threedee::SetRenderMode(8, 0, 1);
  threedee::SetRenderMode(8, 1, color);
  threedee::SetRenderMode(8, 5, 0);
  threedee::SetRenderMode(8, 6, 1);
  threedee::SetRenderMode(8, 7, 2);
  threedee::SetFog(2, start);
  threedee::SetFog(3, end);
  owner->fogEnabled = true;
  return true;
}

}  // namespace VOXA2
