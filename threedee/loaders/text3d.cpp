#include "threedee/loaders/text3d.h"

#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "demo/block.h"
#include "demo/datacollector.h"
#include "demo/demo.h"
#include "demo/lists.h"
#include "foundation/stream.h"
#include "threedee/loaders/animationcollector.h"
#include "threedee/loaders/threedsloader.h"
#include "threedee/scene/interpolatedvalues.h"
#include "threedee/scene/material.h"
#include "threedee/scene/materialblocks.h"
#include "threedee/scene/mesh.h"
#include "windxkernel/debuglog.h"

namespace VOXA2::threedee {
namespace {

template <class Handler>
std::vector<std::pair<std::string, Handler>>& Registry() {
  static std::vector<std::pair<std::string, Handler>> entries;
  return entries;
}

template <class Handler>
bool Register(const char* name, Handler handler) {
  if (!name || !handler) return false;
  for (auto& entry : Registry<Handler>())
    if (entry.first == name) {
      entry.second = handler;
      return true;
    }
  AppendToList(Registry<Handler>(), std::pair<std::string, Handler>(name, handler), "registry!");
  return true;
}

template <class Handler>
Handler Registered(const std::string& name) {
  for (auto& entry : Registry<Handler>())
    if (entry.first == name) return entry.second;
  return nullptr;
}

std::int32_t Code(const cParserT* parser) { return parser->token ? parser->token->code : tokNone; }

// A value given twice replaces the earlier one.
template <class T, class U>
void Replace(T*& slot, U* value) {
  delete slot;
  slot = value;
}

}  // namespace

bool RegisterText3DKind(const char* keyword, tText3DKindReader reader) { return Register(keyword, reader); }
bool RegisterText3DAdder(const char* type, tText3DAdder adder) { return Register(type, adder); }

// ---- tree helpers

void SetParentOfChain(c3Dobject* objects, c3Dobject* parent) {
  for (; objects; objects = objects->nextSibling) objects->parent = parent;
}

void SetOwningScene(c3Dobject* object, c3Dscene* scene) {
  for (; object; object = object->nextSibling) {
    object->scene = scene;
    object->currentView = scene ? &scene->currentView : nullptr;
    SetOwningScene(object->firstChild, scene);
  }
}

void RenameTree(c3Dobject* object, const char* text) {
  for (; object; object = object->nextSibling) {
    std::string renamed;
    try {
      renamed = std::string(text) + (object->GetName() ? object->GetName() : "");
    } catch (const std::bad_alloc&) {
      throw new VOXA::errors::eCouldNotAllocateMemoryFor("name!");
    }
    object->name = std::move(renamed);
    RenameTree(object->firstChild, text);
  }
}

// ---- the scene

cText3Dscene::~cText3Dscene() = default;

bool cText3Dscene::Load(const char* fileName) {
  ownParser_.reset(VOXA::errors::NewOrThrow<cParser>("cParser"));
  parser = ownParser_.get();
  const bool ok = ownParser_->ParseFile(fileName, ParseText3DScene, this);
  parser = nullptr;
  ownParser_.reset();
  return ok;
}

bool cText3Dscene::Read(cParserT* source) {
  parser = source;
  const bool ok = source->Run(ParseText3DScene, this);
  parser = nullptr;
  return ok;
}

c3Dscene* cText3Dscene::Duplicate() {
  auto* copy = VOXA::errors::NewOrThrow<cText3Dscene>("cText3Dscene");
  copy->demo = demo;
  bool copied = false;
  try {
    copied = CopyTo(copy);
  } catch (...) {
    delete copy;
    throw;
  }
  if (!copied) {
    delete copy;
    return nullptr;
  }
  return copy;
}

void cText3Dscene::SyntaxError(std::int32_t code) {
  parser->Error(code, "Syntax error!");
  throw new cParserR::ErrorMessage(code, "Syntax error!");
}

std::string cText3Dscene::Word() const {
  if (Code(parser) != tokIdentifier) return {};
  return static_cast<const cIdentToken*>(parser->token.get())->text;
}

Vector cText3Dscene::ParseVector() {
  Vector v;
  parser->Expect(tokOpenParen);
  v.x = parser->ParseFloatExpression();
  parser->Expect(tokComma);
  v.y = parser->ParseFloatExpression();
  parser->Expect(tokComma);
  v.z = parser->ParseFloatExpression();
  parser->Expect(tokCloseParen);
  return v;
}

void cText3Dscene::ReadObjectName(c3Dobject* object) { object->name = ReadNameString(parser); }

void cText3Dscene::AppendObjects(c3Dobject* chain, c3Dobject* objects) {
  while (chain->nextSibling) chain = chain->nextSibling;
  chain->nextSibling = objects;
  SetParentOfChain(objects, chain->parent);
}

void cText3Dscene::ParseChild(c3Dobject* object, bool wholeChain) {
  parser->GetToken();
  c3Dobject* child = ParseObject();
  if (!child) return;
  if (!object->firstChild)
    object->firstChild = child;
  else
    AppendObjects(object->firstChild, child);
  if (wholeChain)
    SetParentOfChain(child, object);
  else
    child->parent = object;
}

cMaterial* cText3Dscene::ParseMaterialName() {
  parser->GetToken();
  const std::string name = ReadNameString(parser);
  cMaterial* material = FindMaterial(name.c_str());
  if (!material) parser->Warning("Material \"%s\" does not exists!", name.c_str());
  return material;
}

void cText3Dscene::ParseTrack(c3DStemporary* object) {
  parser->Expect(tokOpenBrace);
  ReadItems([&](const std::string& word, std::int32_t code) {
    if (code == tokPosition) {
      parser->GetToken();
      Replace(object->positionTrack, ParseInterpolator(parser, 3, Frames()));
    } else if (code == tokColor) {
      parser->GetToken();
      Replace(object->colourTrack, ParseInterpolator(parser, 3, Frames()));
    } else if (word == "rotation") {
      parser->GetToken();
      Replace(object->rotationTrack, ParseRotationInterpolator(parser, Frames()));
    } else if (word == "hide") {
      parser->GetToken();
      Replace(object->hideTrack, ParseEnumInterpolator(parser, Frames()));
    } else {
      // The tracks of one float or three, by their keywords.
      struct Slot {
        const char* word;
        cView3Di_position* c3DStemporary::*track;
        std::int32_t components;
      };
      static constexpr Slot kSlots[] = {{"scale", &c3DStemporary::scaleTrack, 3},
                                        {"FOV", &c3DStemporary::fovTrack, 1},
                                        {"roll", &c3DStemporary::rollTrack, 1},
                                        {"hotspot", &c3DStemporary::hotspotTrack, 1},
                                        {"fall", &c3DStemporary::falloffTrack, 1}};
      for (const Slot& slot : kSlots)
        if (word == slot.word) {
          parser->GetToken();
          Replace(object->*slot.track, ParseInterpolator(parser, slot.components, Frames()));
          return true;
        }
      return false;
    }
    return true;
  });
}

namespace {

// The kinds that the scene reads itself; further kinds are registered.
struct tBuiltInKind {
  const char* keyword;
  c3Dobject* (cText3Dscene::*read)();
};
constexpr tBuiltInKind kBuiltInKinds[] = {
    {"temporary", &cText3Dscene::ParseTemporary},     {"timemapper", &cText3Dscene::ParseTimeMapper},
    {"beziersurface", &cText3Dscene::ParseBezierSurface}, {"spike", &cText3Dscene::ParseSpike},
    {"lightray", &cText3Dscene::ParseLightray},       {"merge", &cText3Dscene::ParseMerge},
    {"wobbler", &cText3Dscene::ParseWobbler},
};

}  // namespace

std::vector<std::string> Text3DKindKeywords() {
  std::vector<std::string> keywords;
  for (const tBuiltInKind& kind : kBuiltInKinds) keywords.emplace_back(kind.keyword);
  for (const auto& entry : Registry<tText3DKindReader>()) keywords.push_back(entry.first);
  return keywords;
}

std::vector<std::string> Text3DAdderTypes() {
  std::vector<std::string> types;
  for (const auto& entry : Registry<tText3DAdder>()) types.push_back(entry.first);
  return types;
}

c3Dobject* cText3Dscene::ParseObject() {
  const std::string word = Word();
  if (!word.empty()) {
    for (const tBuiltInKind& kind : kBuiltInKinds)
      if (word == kind.keyword) {
        parser->GetToken();
        return (this->*kind.read)();
      }
    if (tText3DKindReader reader = Registered<tText3DKindReader>(word)) {
      parser->GetToken();
      return reader(this);
    }
  }
  parser->Error(errNoCode, "Object type expected!");
  throw new cParserR::ErrorMessage(errNoCode, "Object type expected!");
}

c3Dobject* cText3Dscene::ReadTarget() {
  const std::string name = ReadNameString(parser);
  c3Dobject* target = FindObject(name.c_str());
  if (!target) parser->Error(errNoCode, "Object \"%s\" not found!", name.c_str());
  return target;
}

void cText3Dscene::ParseMaterialStatement() {
  parser->GetToken();
  cMaterial* material = ParseMaterial(parser, Frames());
  const std::string name = material->GetName() ? material->GetName() : "";
  LogMessage(5, PutMaterial(this, material) ? "replaced material \"%s\"" : "added material \"%s\"",
             name.c_str());
}

void cText3Dscene::ParseStatement() {
  for (;;) {
    const std::int32_t code = Code(parser);
    if (code == tokCloseBrace) return;
    if (code == tokSemicolon) {
      parser->GetToken();
      continue;
    }
    const std::string word = Word();
    if (word == "material") {
      ParseMaterialStatement();
    } else if (word == "object") {
      parser->GetToken();
      c3Dobject* object = ParseObject();
      if (!object) continue;
      if (!root)
        root = object;
      else
        AppendObjects(root, object);
    } else if (word == "attach") {
      parser->GetToken();
      parser->Expect(tokTo);
      c3Dobject* target = ReadTarget();
      parser->Expect(tokColon);
      c3Dobject* object = ParseObject();
      if (!object) continue;
      if (!target->firstChild)
        target->firstChild = object;
      else
        AppendObjects(target->firstChild, object);
      SetParentOfChain(object, target);
    } else if (word == "add") {
      parser->GetToken();
      const std::string type = Code(parser) == tokIdentifier ? Word() : cToken::GetTypeName(Code(parser));
      parser->GetToken();
      parser->Expect(tokTo);
      c3Dobject* target = ReadTarget();
      tText3DAdder adder = Registered<tText3DAdder>(type);
      if (!adder) parser->Error(errNoCode, "Adder of type \"%s\" does not exists!", type.c_str());
      if (adder) adder(this, target);
    } else {
      SyntaxError();
    }
  }
}

void ParseText3DScene(cParserT* parser, void* context) {
  RegisterProceduralText3DKinds();
  RegisterParticleText3DKinds();
  auto* scene = static_cast<cText3Dscene*>(context);
  scene->parser = parser;
  parser->Check(tokIdentifier);
  if (scene->Word() != "scene") parser->Error(errNoCode, "\"scene\" expected!");
  parser->GetToken();
  scene->frames = parser->ParseIntExpression();
  // Key times and the view3D command's wrap both divide by the frame count.
  if (scene->frames < 1) parser->Error(errNoCode, "Frame count must be 1 or greater!");
  parser->Expect(tokOpenBrace);
  scene->ParseStatement();
  LogMessage(7, "");
  LogMessage(7, "Object tree:");
  DumpObjectTree(scene->root, 2);
  LogMessage(7, "");
}

// ---- merge

c3Dobject* cText3Dscene::ParseMerge() {
  parser->Expect(tokOpenBrace);
  std::string file;
  bool haveFile = false;
  enum class Renaming { kNone, kDefault, kText } renaming = Renaming::kDefault;
  std::string prefix;
  ReadItems([&](const std::string& word, std::int32_t code) {
    if (code == tokFile) {
      parser->GetToken();
      file = ReadNameString(parser);
      haveFile = true;
    } else if (word == "suffix") {
      parser->GetToken();
      if (Word() == "none") {
        renaming = Renaming::kNone;
        parser->GetToken();
      } else if (Code(parser) == tokDefault) {
        renaming = Renaming::kDefault;
        parser->GetToken();
      } else if (Code(parser) == tokString) {
        renaming = Renaming::kText;
        prefix = ReadNameString(parser);
      } else {
        return false;
      }
    } else {
      return false;
    }
    return true;
  });
  if (!haveFile) parser->Error(errNoCode, "\"file\" expected!");

  // A scene read outside a demo has no animations to merge.
  if (!demo) return nullptr;
  c3Dscene* animation = GetAnimation(demo, file.c_str());
  if (!animation) return nullptr;
  if (!animation->root) {
    // Released first, so that the animation is not held until the demo ends.
    ReleaseAnimation(demo, animation);
    parser->Error(errNoCode, "Scene \"%s\" contains no objects!", file.c_str());
  }
  std::unique_ptr<c3Dscene> copy;
  try {
    copy.reset(animation->Duplicate());
  } catch (...) {
    ReleaseAnimation(demo, animation);
    throw;
  }
  ReleaseAnimation(demo, animation);
  if (!copy) return nullptr;

  const std::size_t firstMaterial = materials.size();
  try {
    materials.reserve(materials.size() + copy->materials.size());
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("material list!");
  }
  for (cMaterial*& m : copy->materials) {
    materials.push_back(m);
    m = nullptr;
  }
  for (c3Dcamera* camera : copy->cameras) AppendToList(cameras, camera, "camera list!");
  for (c3Dlight* light : copy->lights) AppendToList(lights, light, "light list!");
  c3Dobject* merged = std::exchange(copy->root, nullptr);
  SetOwningScene(merged, this);
  for (std::size_t i = firstMaterial; i < materials.size(); ++i)
    if (materials[i]) materials[i]->scene = this;

  if (renaming != Renaming::kNone) {
    std::string text;
    try {
      text = renaming == Renaming::kText ? prefix : file + ".";
    } catch (const std::bad_alloc&) {
      throw new VOXA::errors::eCouldNotAllocateMemoryFor("scene name!");
    }
    RenameTree(merged, text.c_str());
    for (std::size_t i = firstMaterial; i < materials.size(); ++i) {
      cMaterial* m = materials[i];
      if (!m) continue;
      try {
        m->name = text + (m->GetName() ? m->GetName() : "");
      } catch (const std::bad_alloc&) {
        throw new VOXA::errors::eCouldNotAllocateMemoryFor("name!");
      }
    }
  }
  copy->materials.clear();
  copy->cameras.clear();
  copy->lights.clear();
  return merged;
}

}  // namespace VOXA2::threedee
