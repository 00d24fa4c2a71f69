// The Text3D tests' harness: a scene read from a text through the real
// parser, and its object tree written out as text.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "demo/demo.h"
#include "tests/support/scriptread.h"
#include "threedee/loaders/text3d.h"

namespace text3dtest {

using namespace VOXA2;
using namespace VOXA2::threedee;

struct Read {
  testsupport::ScriptRead read;
  std::unique_ptr<cText3Dscene> scene;
};

inline Read ParseScene(const std::string& text, cVOXAdemo* demo = nullptr) {
  Read out;
  out.scene = std::make_unique<cText3Dscene>();
  out.scene->demo = demo;
  out.read = testsupport::ReadScript(text, "3ds\\test.T3D",
                                     [&](cParserT* parser) { ParseText3DScene(parser, out.scene.get()); });
  return out;
}

// "name(child,child),sibling", checking every parent link on the way.
inline std::string Tree(const c3Dobject* object, const c3Dobject* parent = nullptr) {
  std::string out;
  for (; object; object = object->nextSibling) {
    EXPECT_EQ(object->parent, parent) << object->GetName();
    if (!out.empty()) out += ",";
    out += object->GetName() ? object->GetName() : "?";
    if (object->firstChild) out += "(" + Tree(object->firstChild, object) + ")";
  }
  return out;
}

// The snippet reads to the tree given, or, with none, raises the error given.
inline void ExpectRead(const std::string& text, const char* tree,
                       const testsupport::RaisedError& error) {
  SCOPED_TRACE(text);
  const Read r = ParseScene(text);
  if (tree) {
    EXPECT_TRUE(r.read.ok) << r.read.message;
    EXPECT_EQ(Tree(r.scene->root), tree);
  } else {
    testsupport::ExpectRaised(r.read, error);
  }
}

inline std::string InScene(const std::string& statements) {
  return "scene 10\n{\n" + statements + "\n}\n";
}

}  // namespace text3dtest
