// The readers of the Text3D kinds whose objects are generated procedurally:
// metablobs, trees, tan trees and water surfaces, and the adder of tan-tree
// decorations. Each block's closing step builds what the values describe.
#include <strings.h>

#include <cmath>
#include <cstring>
#include <string>

#include "threedee/loaders/text3d.h"
#include "threedee/objects/metablobs.h"
#include "threedee/objects/tantree.h"
#include "threedee/objects/tree.h"
#include "threedee/objects/water.h"
#include "threedee/objects/xmasdecoration.h"
#include "threedee/scene/interpolatedvalues.h"

namespace VOXA2::threedee {

namespace {

constexpr float kPi = 3.14159265358979f;

std::int32_t Code(const cParserT* parser) { return parser->token ? parser->token->code : tokNone; }

bool SameText(const std::string& word, const char* text) {
  return strcasecmp(word.c_str(), text) == 0;
}

template <class T>
void Replace(T*& slot, T* value) {
  delete slot;
  slot = value;
}

cView3Di_position* ReadTrack(cText3Dscene* scene, std::int32_t components) {
  scene->parser->GetToken();
  return ParseInterpolator(scene->parser, components, scene->Frames());
}

// Made unit length (unless its squared length is 0 or exactly 1); shorter
// than the limit afterwards gives the fallback.
Vector Direction(Vector v, float limit, const Vector& fallback) {
  v.Normalize();
  return v.Dot(v) < limit ? fallback : v;
}

// Runs item on every item up to the block's "}" (read); ";" is skipped.
template <class Item>
void ReadBlock(cText3Dscene* scene, Item item) {
  for (;;) {
    const std::int32_t code = Code(scene->parser);
    if (code == tokCloseBrace) {
      scene->parser->GetToken();
      return;
    }
    if (code == tokSemicolon) {
      scene->parser->GetToken();
      continue;
    }
    if (!item(scene->Word(), code)) scene->SyntaxError();
  }
}

void ReadBlob(cText3Dscene* scene, c3Dmetablobs& blobs) {
  cParserT* parser = scene->parser;
  parser->GetToken();
  parser->Expect(tokOpenBrace);
  c3Dmetablobs::tBlob* blob = blobs.AddBlob();
  for (;;) {
    const std::int32_t code = Code(parser);
    if (code == tokCloseBrace) break;
    if (code == tokSemicolon) {
      parser->GetToken();
      continue;
    }
    const std::string word = scene->Word();
    if (code == tokPosition) {
      Replace(blob->position, ReadTrack(scene, 3));
    } else if (SameText(word, "multiply")) {
      Replace(blob->strength, ReadTrack(scene, 1));
      blob->strength->clampBelow = true;
      blob->strength->lowerBound = 0.0f;
    } else if (SameText(word, "sine")) {
      parser->GetToken();
      parser->Check(tokIdentifier);
      const std::string which = scene->Word();
      if (which != "parameter" && which != "scale") scene->SyntaxError(202);
      Replace(which == "parameter" ? blob->sineParameter : blob->sineScale, ReadTrack(scene, 3));
    } else {
      scene->SyntaxError(201);
    }
    parser->Expect(tokSemicolon);
  }
  parser->GetToken();
}

c3Dobject* ReadMetablobs(cText3Dscene* scene) {
  cParserT* parser = scene->parser;
  auto object = scene->BeginObject<c3Dmetablobs>("c3Dmetablobs");
  c3Dmetablobs& blobs = *object;
  auto detail = [&] {
    const std::int32_t value = parser->ParseIntExpression();
    if (value < 2 || value > 254)
      parser->Error(errNoCode, "Detail level should be in range [2, 254] (default is 30)");
    return value;
  };
  ReadBlock(scene, [&](const std::string& word, std::int32_t) {
    if (word == "object") {
      scene->ParseChild(&blobs, false);
    } else if (word == "material") {
      blobs.material = scene->ParseMaterialName();
    } else if (word == "parameter") {
      parser->GetToken();
      scene->ParseTrack(&blobs);
    } else if (word == "detail") {
      parser->GetToken();
      blobs.detailX = blobs.detailY = blobs.detailZ = detail();
      if (Code(parser) == tokComma) {
        parser->GetToken();
        blobs.detailY = detail();
        parser->Expect(tokComma);
        blobs.detailZ = detail();
      }
    } else if (word == "stretch") {
      parser->GetToken();
      blobs.gridMin = scene->ParseVector();
      parser->Expect(tokComma);
      blobs.gridMax = scene->ParseVector();
    } else if (SameText(word, "sub")) {
      Replace(blobs.thresholdTrack, ReadTrack(scene, 1));
      parser->Expect(tokSemicolon);
    } else if (SameText(word, "blob")) {
      ReadBlob(scene, blobs);
    } else {
      return false;
    }
    return true;
  });
  blobs.AllocateGrid();
  return object.release();
}

// "material" name ["," name]: the first for branches or trunk, the second
// (or the first again) for the leaves.
void ReadTwoMaterials(cText3Dscene* scene, cMaterial*& first, cMaterial*& second) {
  first = second = scene->ParseMaterialName();
  if (Code(scene->parser) == tokComma) second = scene->ParseMaterialName();
}

float Positive(cParserT* parser, const char* message) {
  const float value = parser->ParseFloatExpression();
  if (!(value > 0)) parser->Error(errNoCode, "%s", message);
  return value;
}

// The fields of a tree or tan tree that their blocks set alike.
struct tPlantFields {
  Vector& origin;
  Vector& up;
  float& radius;
  cMaterial*& firstMaterial;  // branches or trunk
  cMaterial*& leafMaterial;
};

// The items both kinds of tree read alike; false for any other.
bool ReadPlantItem(cText3Dscene* scene, c3DSmesh& plant, const std::string& word, std::int32_t code,
                   tPlantFields fields) {
  cParserT* parser = scene->parser;
  if (code == tokPosition) {
    parser->GetToken();
    fields.origin = Direction(scene->ParseVector(), 0.1f, Vector(0, 0, 0));
  } else if (word == "object") {
    scene->ParseChild(&plant, false);
  } else if (word == "material") {
    ReadTwoMaterials(scene, fields.firstMaterial, fields.leafMaterial);
  } else if (word == "up") {
    parser->GetToken();
    fields.up = Direction(scene->ParseVector(), 0.0001f, Vector(0, 0, 1));
  } else if (word == "radius") {
    parser->GetToken();
    fields.radius = Positive(parser, "Radius value must not be zero or negative!");
  } else if (word == "parameter") {
    parser->GetToken();
    scene->ParseTrack(&plant);
  } else {
    return false;
  }
  return true;
}

c3Dobject* ReadTree(cText3Dscene* scene) {
  cParserT* parser = scene->parser;
  auto object = scene->BeginObject<c3Dtree>("c3Dtree");
  c3Dtree& tree = *object;
  ReadBlock(scene, [&](const std::string& word, std::int32_t code) {
    if (ReadPlantItem(
            scene, tree, word, code,
            {tree.origin, tree.up, tree.trunkRadius, tree.branchMaterial, tree.leafMaterial}))
      return true;
    if (word == "right") {
      parser->GetToken();
      tree.right = Direction(scene->ParseVector(), 0.0001f, Vector(1, 0, 0));
    } else if (word == "depth") {
      parser->GetToken();
      tree.depth = parser->ParseIntExpression();
      if (tree.depth < 3) parser->Error(errNoCode, "Depth value must not be less than 3!");
    } else if (word == "spread" || word == "balance" || word == "twist") {
      parser->GetToken();
      const float value = parser->ParseFloatExpression();
      (word == "spread"    ? tree.spread
       : word == "balance" ? tree.balance
                           : tree.twist) = value * (word == "twist" ? kPi : kPi / 2);
    } else if (word == "fullness") {
      parser->GetToken();
      tree.fullness = parser->ParseFloatExpression();
    } else if (word == "leaf") {
      parser->GetToken();
      if (scene->Word() != "size") parser->Error(errNoCode, "\"size\" expected!");
      parser->GetToken();
      tree.leafSize = Positive(parser, "Leaf size must not be zero or negative!");
    } else {
      return false;
    }
    return true;
  });
  tree.BuildMesh();
  return object.release();
}

c3Dobject* ReadTantree(cText3Dscene* scene) {
  cParserT* parser = scene->parser;
  auto object = scene->BeginObject<c3Dtantree>("c3Dtantree");
  c3Dtantree& tree = *object;
  ReadBlock(scene, [&](const std::string& word, std::int32_t code) {
    if (ReadPlantItem(scene, tree, word, code,
                      {tree.origin, tree.up, tree.radius, tree.trunkMaterial, tree.leafMaterial}))
      return true;
    if (word == "height") {
      parser->GetToken();
      tree.height = Positive(parser, "Height value must not be zero or negative!");
    } else if (word == "leaves") {
      parser->GetToken();
      tree.leaves = parser->ParseIntExpression();
      if (tree.leaves < 1 || tree.leaves > 100000)
        parser->Error(errNoCode, "Number of leaves must be in range 1 to 100,000!");
    } else if (word == "trunk") {
      parser->GetToken();
      parser->Check(tokIdentifier);
      const std::string part = scene->Word();
      parser->GetToken();
      if (part == "radius") {
        tree.trunkRadius = Positive(parser, "Trunk radius value must not be zero or negative!");
      } else if (part == "segments") {
        tree.segments = parser->ParseIntExpression();
        if (tree.segments < 0)
          parser->Error(errNoCode, "There can be no negative trunk segment count!");
      } else if (part == "sides") {
        tree.sides = parser->ParseIntExpression();
        if (tree.sides < 3) parser->Error(errNoCode, "Trunk side count must not be less than 3!");
      } else {
        scene->SyntaxError(101);
      }
    } else {
      return false;
    }
    return true;
  });
  tree.BuildMesh();
  return object.release();
}

c3Dobject* ReadWaterSurface(cText3Dscene* scene) {
  cParserT* parser = scene->parser;
  auto object = scene->BeginObject<c3Dwatersurface>("c3Dwatersurface");
  c3Dwatersurface& water = *object;
  // The second word of a two-word item, read on.
  auto second = [&](const char* word) {
    parser->GetToken();
    if (scene->Word() != word) scene->SyntaxError();
  };
  ReadBlock(scene, [&](const std::string& word, std::int32_t code) {
    if (code == tokDefault) {
      parser->GetToken();
      if (scene->Word() != "face" && scene->Word() != "vertex") scene->SyntaxError();
      second("count");
      parser->GetToken();
      parser->ParseIntExpression();
      return true;
    }
    if (word == "object") {
      scene->ParseChild(&water, true);
    } else if (word == "material") {
      water.material = scene->ParseMaterialName();
    } else if (word == "unit") {
      Replace(water.unitTrack, ReadTrack(scene, 1));
    } else if (word == "texture" || word == "wave") {
      second("multiplyer");
      Replace(word == "texture" ? water.textureMultiplyerTrack : water.waveMultiplyerTrack,
              ReadTrack(scene, 1));
    } else if (word == "extra") {
      second("clipper");
      parser->GetToken();
      parser->Check(tokString);
      const std::string name = static_cast<const cStringToken*>(parser->token.get())->text;
      water.clipper = dynamic_cast<c3DtriangularMesh*>(scene->FindObject(name.c_str()));
      if (!water.clipper)
        parser->Error(errNoCode, "Object \"%s\" does not exists or is no triangular mesh!",
                      name.c_str());
      parser->GetToken();
    } else if (word == "amplitude") {
      Replace(water.amplitudeTrack, ReadTrack(scene, 1));
    } else if (word == "parameter") {
      parser->GetToken();
      scene->ParseTrack(&water);
    } else if (word == "splash") {
      parser->GetToken();
      if (!t3Dwater_splash::Parse(parser, water.AddSplash(), scene))
        parser->Error(errNoCode, "Could not load splash");
    } else {
      return false;
    }
    return true;
  });
  return object.release();
}

void AddXmasDecoration(cText3Dscene* scene, c3Dobject* target) {
  cText3Dadder_xmasdecoration adder;
  adder.Add(target, scene->parser, scene);
}

}  // namespace

void RegisterProceduralText3DKinds() {
  RegisterText3DKind("metablobs", ReadMetablobs);
  RegisterText3DKind("tree", ReadTree);
  RegisterText3DKind("tantree", ReadTantree);
  RegisterText3DKind("watersurface", ReadWaterSurface);
  RegisterText3DAdder("xmasdecoration", AddXmasDecoration);
}

}  // namespace VOXA2::threedee
