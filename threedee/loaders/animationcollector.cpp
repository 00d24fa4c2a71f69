#include "threedee/loaders/animationcollector.h"

#include <memory>
#include <new>

#include "demo/block.h"
#include "demo/demo.h"
#include "demo/lists.h"
#include "effects2d/texturecollector.h"
#include "foundation/archive.h"
#include "foundation/errors.h"
#include "foundation/stream.h"
#include "script/parser.h"
#include "threedee/loaders/threedsloader.h"
#include "threedee/scene/material.h"
#include "threedee/scene/materialblocks.h"
#include "threedee/scene/mesh.h"
#include "threedee/scene/scene.h"
#include "windxkernel/debuglog.h"

namespace VOXA2 {
namespace {

using threedee::c3Dscene;
using threedee::cMaterial;

constexpr const char* kFolder = "3ds\\";

c3Dscene* New3DSscene() { return VOXA::errors::NewOrThrow<threedee::c3DSscene>("c3DSscene"); }

std::string Concatenate(const std::string& name, const char* extension, const char* failure) {
  try {
    return kFolder + name + extension;
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor(failure);
  }
}

// The scene that the description names, created and loaded; none (with the
// line logged) when it cannot be loaded.
void LoadDescribedScene(tAni3DDesc* description) {
  const tAnimationSceneKind& kind = AnimationSceneKinds()[description->kind];
  const std::string path = Concatenate(description->name, kind.extension, "file name!");
  std::unique_ptr<c3Dscene> scene(kind.make ? kind.make() : nullptr);
  if (scene) scene->demo = description->demo;
  if (!scene || !scene->Load(path.c_str())) {
    LogMessage(5, "Could not load %s", path.c_str());
    return;
  }
  description->scene = scene.release();
}

// A material block of the description: it replaces the scene's material of
// its name (any case) throughout the tree, or joins the list.
void ReadDescribedMaterial(cParserT* parser, c3Dscene* scene) {
  std::unique_ptr<cMaterial> material(
      threedee::ParseMaterial(parser, static_cast<float>(scene->frames)));
  material->scene = scene;
  const char* name = material->GetName() ? material->GetName() : "";
  for (cMaterial*& slot : scene->materials) {
    if (!slot || !EqualNoCase(slot->GetName() ? slot->GetName() : "", name)) continue;
    ReplaceMaterialInTree(scene->root, slot, material.get());
    delete slot;
    slot = material.release();
    LogMessage(5, "replaced material \"%s\" in animation!", name);
    return;
  }
  LogMessage(5, "Adding material");
  scene->AddMaterial(material.get());
  material.release();
  LogMessage(5, "added material \"%s\" to animation!", name);
}

}  // namespace

tAnimationSceneKind* AnimationSceneKinds() {
  static tAnimationSceneKind kinds[] = {
      {"a3ds", ".3DS", "c3DSscene", New3DSscene},
      // The Text3D reader sets its maker here.
      {"t3d", ".T3D", "cText3Dscene", nullptr},
  };
  return kinds;
}

void tAni3DDesc::Set(const char* newName, cVOXAdemo* newDemo) {
  try {
    name = newName ? newName : "";
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eOutOfMemory("Could not allocate memory to duplicate string!");
  }
  demo = newDemo;
}

void ParseAnimationDescription(cParserT* parser, void* context) {
  auto* description = static_cast<tAni3DDesc*>(context);
  if (!parser->open || parser->token->code == tokEndOfFile) return;
  if (!IsExactWord(parser, "animation")) parser->Error(100, "Syntax error!");
  parser->GetToken();
  if (IsExactWord(parser, "a3ds"))
    description->kind = kAnimation3DS;
  else if (IsExactWord(parser, "t3d"))
    description->kind = kAnimationText3D;
  else
    parser->Error(100, "Syntax error!");
  parser->GetToken();
  parser->Check(tokString);
  try {
    description->name = static_cast<cStringToken*>(parser->token.get())->text;
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eOutOfMemory("Could not allocate memory to duplicate duplicate string");
  }
  parser->GetToken();
  parser->Expect(tokOpenBrace);
  LoadDescribedScene(description);
  // A scene that failed to load ends the description; the caller falls back.
  if (!description->scene) return;
  while (parser->token->code != tokCloseBrace) {
    if (parser->token->code == tokSemicolon) {
      parser->GetToken();
    } else if (IsExactWord(parser, "material")) {
      parser->GetToken();
      ReadDescribedMaterial(parser, description->scene);
    } else {
      parser->Error(101, "Syntax error!");
    }
  }
  // One animation per file: what follows its block is not read.
  parser->GetToken();
}

void ReplaceMaterialInTree(threedee::c3Dobject* object, cMaterial* oldMaterial,
                           cMaterial* newMaterial) {
  for (; object; object = object->nextSibling) {
    if (auto* mesh = dynamic_cast<threedee::c3Dmesh*>(object))
      mesh->ReplaceMaterial(oldMaterial, newMaterial);
    ReplaceMaterialInTree(object->firstChild, oldMaterial, newMaterial);
  }
}

void cVOXA3DScollector::FreeItem(void* data) { delete static_cast<c3Dscene*>(data); }

bool cVOXA3DScollector::LoadItem(tDataEntry* entry) {
  tAni3DDesc description;
  description.Set(entry->name.c_str(), demo);
  LogMessage(5, "Loading 3D animation %s", entry->name.c_str());
  const std::string path = Concatenate(entry->name, ".dsc", "file name!");
  // The scene is the entry's once stored; until then this load owns it.
  std::unique_ptr<c3Dscene> scene;
  if (OpenFile(path.c_str(), 0)) {
    auto parser = std::unique_ptr<cParser>(VOXA::errors::NewOrThrow<cParser>("cParser"));
    bool parsed;
    try {
      parsed = parser->ParseFile(path.c_str(), ParseAnimationDescription, &description);
    } catch (...) {
      delete description.scene;
      throw;
    }
    scene.reset(description.scene);
    description.scene = nullptr;
    if (!parsed) {
      LogMessage(5, "Error on parsing animation description file \"%s\"!", path.c_str());
      return false;
    }
  }
  if (!scene) {
    const std::string compatible = Concatenate(entry->name, ".3DS", "file name!");
    scene.reset(New3DSscene());
    scene->demo = demo;
    if (!scene->Load(compatible.c_str())) {
      LogMessage(5, "Could not load %s (compatibility call)", compatible.c_str());
      return false;
    }
  }
  FindOrCreateCollector<cVOXAtexturecollector>(demo, "texture", "cVOXAtexturecollector");
  if (!scene->LoadTextures(demo->FindDataCollector("texture"))) return false;
  entry->data = scene.release();
  return true;
}

cVOXAdatacollector* Find3DScollector(cVOXAdemo* demo) {
  FindOrCreateCollector<cVOXA3DScollector>(demo, "3DS", "cVOXA3DScollector");
  return demo->FindDataCollector("3DS");
}

c3Dscene* GetAnimation(cVOXAdemo* demo, const char* name) {
  return static_cast<c3Dscene*>(Find3DScollector(demo)->GetData(name));
}

bool ReleaseAnimation(cVOXAdemo* demo, c3Dscene* scene) {
  cVOXAdatacollector* collector = demo ? demo->FindDataCollector("3DS") : nullptr;
  return collector && collector->ReleaseDataByPointer(scene);
}

}  // namespace VOXA2
