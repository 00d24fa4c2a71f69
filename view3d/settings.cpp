#include "view3d/settings.h"

#include "demo/block.h"
#include "threedee/scene/interpolatedvalues.h"
#include "windxkernel/rendermodes.h"

namespace VOXA2 {

bool cVOXA3Dvisibility::Parse(cParserT* parser) {
  threedee::ParseObjectList(RequireAnimation(owner, parser, word_), objects, parser, false, false);
  parser->Expect(tokSemicolon);
  return true;
}

bool cVOXA3Dvisibility::Execute(float, float, float, bool* result) {
  *result = true;
  threedee::c3Dscene* scene = owner->currentAnimation;
  if (!scene) return true;
  if (objects.objects.empty()) threedee::SetObjectFlagAll(scene->root, 0, shown_);
  for (threedee::c3Dobject* object : objects.objects) object->values[0] = shown_;
  return true;
}

bool cVOXA3Dalpha::Parse(cParserT* parser) {
  value.reset(ParseInterpolator(parser, 1, owner->length));
  if (value) ClampTrack(value.get(), 0.0f, 1.0f);
  parser->Expect(tokSemicolon);
  return true;
}

bool cVOXA3Dalpha::Execute(float, float sinceStart, float, bool* result) {
  *result = true;
  value->Evaluate(sinceStart);
  owner->alpha = value->GetValue();
  return true;
}

bool cVOXA3Dtint::Parse(cParserT* parser) {
  value.reset(ParseInterpolator(parser, 3, owner->length));
  if (value) {
    value->clampBelow = true;
    value->lowerBound = 0.0f;
  }
  parser->Expect(tokSemicolon);
  return true;
}

bool cVOXA3Dtint::Execute(float, float sinceStart, float, bool* result) {
  *result = true;
  value->Evaluate(sinceStart);
  for (int k = 0; k < 3; k++) owner->tint[k] = value->GetValue(k);
  return true;
}

bool cVOXA3Dswitch::Parse(cParserT* parser) {
  value.reset(ParseEnumInterpolator(parser, owner->length));
  parser->Expect(tokSemicolon);
  return true;
}

bool cVOXA3Dswitch::Execute(float, float sinceStart, float, bool* result) {
  value->Evaluate(sinceStart);
  *result = value->value != 0;
  Apply(*result);
  return true;
}

void cVOXA3Dwireframed::Apply(bool on) {
  owner->wireframed = on;
  threedee::SetRenderMode(2, on ? 1 : 2);
}

void cVOXA3Dculling::Apply(bool on) { owner->culling = on; }

}  // namespace VOXA2
