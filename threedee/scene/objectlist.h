// Sets of objects of a loaded animation named in scripts ("all", or quoted
// names separated by ","), as the view3D sub-commands and the wobbler read
// them. A list holds the objects, not owns them; the scene does.
#pragma once

#include <cstdint>
#include <vector>

#include "script/parser.h"
#include "threedee/scene/object.h"

namespace VOXA2::threedee {

class c3Dscene;

struct tObjectList {
  std::vector<c3Dobject*> objects;
};

// Reads "all" (every object of the tree with expandAll, else an empty list)
// or one or more names; meshesOnly admits triangular meshes only. Errors are
// parse errors (code -1). The caller reads the closing ";".
void ParseObjectList(c3Dscene* scene, tObjectList& list, cParserT* parser, bool expandAll,
                     bool meshesOnly);
// The object, its following siblings and all their descendants, depth first;
// with meshesOnly only the triangular meshes among them.
void AddToObjectList(c3Dobject* object, tObjectList& list, bool meshesOnly);
void ClearObjectList(tObjectList& list);
// The view flag on the object, its following siblings and all their descendants.
void SetObjectFlagAll(c3Dobject* object, int flag, std::int32_t value);

}  // namespace VOXA2::threedee
