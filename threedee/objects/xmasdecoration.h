// Decorations for tan trees, added by the Text3D statement
// "add" "xmasdecoration" "to" "tree" { ... }: candles (with or without a
// flame) and spheres, each a small keyframed mesh placed on a branch of the
// tree (preferring the middle of its height, keeping apart from the others)
// and appended to the tree's children.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/basis.h"
#include "threedee/scene/vector.h"

namespace VOXA2 {
class cParserT;
}

namespace VOXA2::threedee {

class c3Dobject;
class c3Dscene;
class c3DSmesh;
class c3Dtantree;
class cMaterial;

class cText3Dadder : public virtual basis::basisObject {
 public:
  // Reads the block at the parser's current token and adds to the target.
  virtual void Add(c3Dobject* target, cParserT* parser, c3Dscene* scene) = 0;
};

class cText3Dadder_xmasdecoration : public cText3Dadder {
 public:
  void Add(c3Dobject* target, cParserT* parser, c3Dscene* scene) override;
};

// The generated mesh of one decoration, before the mesher.
struct tDecoration {
  struct tVertex {
    Vector position, normal;
    float u = 0, v = 0;
  };
  struct tFace {
    std::int32_t a, b, c;
    cMaterial* material;
  };
  std::vector<tVertex> vertices;
  std::vector<tFace> faces;
};

tDecoration MakeCandle(const Vector& up, float size, float diameter, cMaterial* material,
                       bool flame, cMaterial* flameMaterial);
tDecoration MakeSphere(const Vector& up, float diameter, cMaterial* material);

// prefix " - " kind " $(xmasdecoration:N)$", counting on through the run.
std::string MakeDecorationName(const char* prefix, const char* kind);

// A place on a branch of the tree (the tree's foot when it has none);
// appended to the places taken. The up vector is always the tree's.
void ChooseDecorationPlace(const c3Dtantree& tree, Vector& position, Vector& up,
                           std::vector<Vector>& placed);

// The decoration as a keyframed mesh at the position, the tree's last child.
c3DSmesh* AttachDecoration(c3Dtantree& tree, const tDecoration& decoration, const Vector& position,
                           const std::string& name, cMaterial* textureMaterial);

}  // namespace VOXA2::threedee
