#include "view3d/animation.h"

#include <cmath>

#include "demo/block.h"
#include "threedee/loaders/animationcollector.h"
#include "threedee/scene/cameras.h"
#include "threedee/scene/interpolatedvalues.h"
#include "threedee/scene/material.h"
#include "threedee/scene/objectlist.h"
#include "windxkernel/material.h"

namespace VOXA2 {

float MapFrame(float f, float frames, bool wrap) {
  if (!(frames > 0.0f) || std::isnan(f)) return 0.0f;
  if (!wrap) return f > frames ? frames : f < 0.0f ? 0.0f : f;
  if (!std::isfinite(f)) return 0.0f;
  // The remainder in double is exact, so no count of steps is needed.
  double r = std::fmod(static_cast<double>(f), static_cast<double>(frames));
  if (r < 0.0) r += frames;
  if (r == 0.0 && f > 0.0f) r = frames;
  return static_cast<float>(r);
}

bool cVOXA3Duse::Parse(cParserT* parser) {
  const std::string name = ReadStringLiteral(parser);
  // Loaded now, so that the statements after it can name its objects.
  animation = GetAnimation(owner->demo, name.c_str());
  if (!animation) return false;
  owner->currentAnimation = animation;
  parser->Expect(tokSemicolon);
  return true;
}

bool cVOXA3Duse::Execute(float, float, float, bool* result) {
  *result = true;
  owner->currentAnimation = animation;
  animation->currentView = owner;
  threedee::SetObjectFlagAll(animation->root, 0, 1);
  // Lit meshes take device lights again as they draw.
  for (bool& slot : animation->deviceLightSlots) slot = false;
  for (threedee::c3Dlight* light : animation->lights) light->deviceLight = -1;
  for (int light = 0; light < 8; light++) threedee::DisableLight(light);
  return true;
}

bool cVOXA3Dframes::Parse(cParserT* parser) {
  RequireAnimation(owner, parser, "frames");
  frame.reset(ParseInterpolator(parser, 1, owner->length));
  if (parser->token->code == tokComma) {
    parser->GetToken();
    wrap = parser->ParseIntExpression() != 0;
  }
  parser->Expect(tokSemicolon);
  return true;
}

bool cVOXA3Dframes::Execute(float time, float sinceStart, float fraction, bool* result) {
  *result = true;
  threedee::c3Dscene* scene = owner->currentAnimation;
  if (!scene || !frame) return false;
  frame->Evaluate(sinceStart);
  const float f = MapFrame(frame->GetValue(), static_cast<float>(scene->frames), wrap);
  for (threedee::cMaterial* material : scene->materials)
    if (material) material->Update(f);
  if (scene->root) {
    scene->root->Update(f, time, sinceStart, fraction);
    scene->root->PostUpdate();
  }
  return true;
}

}  // namespace VOXA2
