#include "threedee/scene/objectlist.h"

#include <string>

#include "threedee/scene/interpolator.h"
#include "threedee/scene/scene.h"

namespace VOXA2::threedee {

namespace {

void Append(tObjectList& list, c3Dobject* object) {
  tracks::AppendKey(list.objects, std::move(object), "object list!");
}

}  // namespace

void ParseObjectList(c3Dscene* scene, tObjectList& list, cParserT* parser, bool expandAll,
                     bool meshesOnly) {
  ClearObjectList(list);
  if (!scene)
    parser->Error(errNoCode, "3DS animation must be specified before refering to its objects!");
  if (parser->token->code == tokIdentifier &&
      static_cast<cIdentToken*>(parser->token.get())->text == "all") {
    if (expandAll && scene) AddToObjectList(scene->root, list, meshesOnly);
    parser->GetToken();
    return;
  }
  for (;;) {
    if (parser->token->code == tokComma) parser->GetToken();
    std::string name;
    if (parser->token->code == tokString)
      name = static_cast<cStringToken*>(parser->token.get())->text;
    parser->Expect(tokString);
    c3Dobject* object = scene ? scene->FindObject(name.c_str()) : nullptr;
    if (!object)
      parser->Error(errNoCode, "Object \"%s\" does not exists in 3DS animation!", name.c_str());
    else if (meshesOnly && object->kind != c3Dobject::kTriangularMesh)
      parser->Error(errNoCode, "Object \"%s\" is no mesh!", name.c_str());
    else
      Append(list, object);
    if (parser->token->code != tokComma) return;
  }
}

void AddToObjectList(c3Dobject* object, tObjectList& list, bool meshesOnly) {
  for (; object; object = object->nextSibling) {
    if (!meshesOnly || object->kind == c3Dobject::kTriangularMesh) Append(list, object);
    AddToObjectList(object->firstChild, list, meshesOnly);
  }
}

void ClearObjectList(tObjectList& list) {
  list.objects.clear();
  list.objects.shrink_to_fit();
}

void SetObjectFlagAll(c3Dobject* object, int flag, std::int32_t value) {
  for (; object; object = object->nextSibling) {
    object->values[flag] = value;
    SetObjectFlagAll(object->firstChild, flag, value);
  }
}

}  // namespace VOXA2::threedee
