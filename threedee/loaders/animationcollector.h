// The demo's cache of 3D animations ("3DS"). An animation is a whole scene known
// by a name. On its first request the collector reads the description
// "3ds\NAME.dsc" when there is one (it names a 3DS or a Text3D scene file and may
// replace or add materials), else the 3DS file "3ds\NAME.3DS"; then the scene's
// textures come from the demo's texture collector. The scene stays until its
// last use is released or the demo ends; a failed load is not kept, so the next
// request tries again.
//
// Description files, read with the script parser:
//   description := "animation" ("a3ds" | "t3d") string "{" { ";" | "material" material } "}"
#pragma once

#include <cstdint>
#include <string>

#include "demo/datacollector.h"
#include "foundation/basis.h"

namespace VOXA2 {

class cParserT;

namespace threedee {
class c3Dscene;
class c3Dobject;
class cMaterial;
}  // namespace threedee

// The scene kinds a description names, by their keyword.
enum : std::int32_t {
  kAnimation3DS = 0,     // "a3ds": "3ds\FILE.3DS"
  kAnimationText3D = 1,  // "t3d": "3ds\FILE.T3D"
};

// What one load works with; the description parser fills kind and scene.
struct tAni3DDesc : public basis::basisStruct {
  tAni3DDesc() = default;
  ~tAni3DDesc() override = default;
  // A fresh copy of the name, and the demo.
  void Set(const char* newName, cVOXAdemo* newDemo);

  std::string name;  // the entry's name; a description puts its scene's file name here
  std::int32_t kind = kAnimation3DS;
  threedee::c3Dscene* scene = nullptr;  // not owned: it passes to the entry
  cVOXAdemo* demo = nullptr;
};

class cVOXA3DScollector : public cVOXAdatacollector {
 public:
  explicit cVOXA3DScollector(const char* kind) : cVOXAdatacollector(kind) {}
  ~cVOXA3DScollector() override { FreeEntries(); }

  // The entries' data are threedee::c3Dscene pointers.
  void FreeItem(void* data) override;
  bool LoadItem(tDataEntry* entry) override;
  bool RestoreItem(void*) override { return true; }
};

// The callback that the parser runs over a description; context is a tAni3DDesc.
void ParseAnimationDescription(cParserT* parser, void* context);

// For the object, its next siblings and all their children: every mesh swaps
// oldMaterial for newMaterial.
void ReplaceMaterialInTree(threedee::c3Dobject* object, threedee::cMaterial* oldMaterial,
                           threedee::cMaterial* newMaterial);

// The demo's "3DS" collector, made and added when the demo has none.
cVOXAdatacollector* Find3DScollector(cVOXAdemo* demo);
// The named animation, loaded on its first request; none when it cannot be
// loaded. Every animation handed out counts one use, which ReleaseAnimation gives back.
threedee::c3Dscene* GetAnimation(cVOXAdemo* demo, const char* name);
bool ReleaseAnimation(cVOXAdemo* demo, threedee::c3Dscene* scene);

// How a description's scene kind is made: its keyword, the extension of its
// file, the class named when it cannot be created, and its maker (none: this
// build has no reader for the kind, and such a scene fails to load).
using tAnimationSceneMaker = threedee::c3Dscene* (*)();
struct tAnimationSceneKind {
  const char* keyword;
  const char* extension;
  const char* className;
  tAnimationSceneMaker make;
};
// Indexed by kAnimation3DS, kAnimationText3D; a reader of a kind sets its maker.
tAnimationSceneKind* AnimationSceneKinds();

}  // namespace VOXA2
