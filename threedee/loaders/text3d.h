// Text3D scene files: a whole 3D scene written in the script language, with
// materials, objects of procedural kinds, keyframed nodes, attachments and
// merged copies of other animations.
//   file      := "scene" frames "{" { statement } "}"
//   statement := ";" | "material" material | "object" object
//              | "attach" "to" name ":" object | "add" adder "to" name block
//   object    := kind name "{" { item } "}" | "merge" "{" { merge item } "}"
// Object readers of further kinds join through RegisterText3DKind.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "demo/block.h"
#include "foundation/allocate.h"
#include "script/parser.h"
#include "threedee/scene/keyframed.h"
#include "threedee/scene/scene.h"

namespace VOXA2::threedee {

enum : std::int32_t { errText3DSyntax = 100 };

class cText3Dscene;

// A reader of one object kind: called on the token after the keyword, it
// returns the object (or none) with the parser after its block.
using tText3DKindReader = c3Dobject* (*)(cText3Dscene* scene);
// An adder: reads its block on the parser and decorates the target.
using tText3DAdder = void (*)(cText3Dscene* scene, c3Dobject* target);
// Registered from code that the program calls (a registration in a static
// initialiser of a library object that nothing references is not linked in).
bool RegisterText3DKind(const char* keyword, tText3DKindReader reader);
bool RegisterText3DAdder(const char* type, tText3DAdder adder);
// Metablobs, trees, tan trees, water surfaces and tan-tree decorations.
void RegisterProceduralText3DKinds();
// Splash, firework and snow particle systems.
void RegisterParticleText3DKinds();
// The object kinds a scene file may name (built in, then registered), and the
// adders' types, for the program's own listings.
std::vector<std::string> Text3DKindKeywords();
std::vector<std::string> Text3DAdderTypes();

class cText3Dscene : public c3Dscene {
 public:
  cText3Dscene() = default;
  ~cText3Dscene() override;

  bool Load(const char* fileName) override;
  // The scene from a parser that holds the text; false after a parse error,
  // which the parser has logged with its place.
  bool Read(cParserT* source);
  c3Dscene* Duplicate() override;

  // Appends objects after the last sibling of chain, with that sibling's parent.
  virtual void AppendObjects(c3Dobject* chain, c3Dobject* objects);
  virtual void ParseTrack(c3DStemporary* object);
  virtual c3Dobject* ParseTemporary();
  virtual c3Dobject* ParseTimeMapper();
  virtual c3Dobject* ParseBezierSurface();
  virtual c3Dobject* ParseSpike();
  virtual c3Dobject* ParseLightray();
  virtual c3Dobject* ParseWobbler();
  virtual c3Dobject* ParseMerge();
  virtual c3Dobject* ParseObject();
  virtual void ParseStatement();

  // ---- the frame that every object block shares, for the kinds' readers

  // A new object of the scene, named by the string at the parser, with the
  // block's "{" read. The caller holds it until its "}".
  template <class T>
  std::unique_ptr<T> BeginObject(const char* className) {
    std::unique_ptr<T> object(VOXA::errors::NewOrThrow<T>(className));
    object->scene = this;
    object->currentView = &currentView;
    ReadObjectName(object.get());
    parser->Expect(tokOpenBrace);
    return object;
  }
  // "object" item: the child object after the keyword; with wholeChain every
  // object of a merged chain records the parent, else the first alone.
  void ParseChild(c3Dobject* object, bool wholeChain);
  // "material" item: the scene's material of the name after the keyword, or
  // none with a warning.
  cMaterial* ParseMaterialName();
  // Runs item(word, token code) on every item of a block up to its "}", which
  // it reads; ";" is skipped. item answers false for a token it does not take.
  template <class Item>
  void ReadItems(Item item) {
    for (;;) {
      bool skipped = false;
      if (AtBlockEnd(parser, &skipped)) return;
      if (skipped) continue;
      if (!item(Word(), parser->token->code)) SyntaxError();
    }
  }
  // The text of the current identifier, or "" for any other token.
  std::string Word() const;
  float Frames() const { return static_cast<float>(frames); }
  // "(" x "," y "," z ")"
  Vector ParseVector();
  [[noreturn]] void SyntaxError(std::int32_t code = errText3DSyntax);

  cParserT* parser = nullptr;  // while a file is read

 private:
  void ReadObjectName(c3Dobject* object);
  void ParseMaterialStatement();
  c3Dobject* ReadTarget();
  std::unique_ptr<cParser> ownParser_;
};

// The routine that the parser runs over a scene file, for the scene given.
void ParseText3DScene(cParserT* parser, void* scene);

void SetParentOfChain(c3Dobject* objects, c3Dobject* parent);
// The scene references of the object, its children and next siblings.
void SetOwningScene(c3Dobject* object, c3Dscene* scene);
// Puts the text in front of the names of the object, its children and next siblings.
void RenameTree(c3Dobject* object, const char* text);

}  // namespace VOXA2::threedee
