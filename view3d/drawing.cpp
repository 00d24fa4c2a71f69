#include "view3d/drawing.h"

#include "windxkernel/viewport.h"

namespace VOXA2 {

bool cVOXA3Ddraw::Parse(cParserT* parser) {
  threedee::ParseObjectList(RequireAnimation(owner, parser, "draw"), objectList, parser, true,
                            false);
  parser->Expect(tokSemicolon);
  return true;
}

bool cVOXA3Ddraw::Execute(float, float, float, bool* result) {
  *result = true;
  threedee::c3Dscene* scene = owner->currentAnimation;
  if (!scene) return true;
  if (objectList.objects.empty()) return !scene->root || scene->root->Render(true);
  for (threedee::c3Dobject* object : objectList.objects)
    if (!object->Render(false)) return false;
  return true;
}

bool cVOXA3Dclearzbuffer::Parse(cParserT* parser) {
  parser->Expect(tokSemicolon);
  return true;
}

bool cVOXA3Dclearzbuffer::Execute(float, float, float, bool* result) {
  *result = true;
  threedee::ClearViewport(1.0f);
  return true;
}

bool cVOXA3Dflush::Execute(float, float, float, bool* result) {
  *result = true;
  owner->batch->Flush();
  return true;
}

}  // namespace VOXA2
