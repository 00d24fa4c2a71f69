// The tan tree: a fir of a tapering trunk (stacked cylinder segments ending
// in a point) and flat leaf quads radiating from the trunk axis, hanging 25
// degrees down and shorter towards the top so that the crown fills a cone.
// Built once with random leaf places; before every draw the leaves are
// re-sorted back to front for the current view.
#pragma once

#include <cstdint>
#include <vector>

#include "threedee/objects/tree.h"

namespace VOXA2::threedee {

class c3Dtantree : public c3DSmesh {
 public:
  static constexpr int kMaxVertices = 65536;

  struct tTanLeaf {
    Vector attachment{0, 0, 0};  // on the trunk axis
    Vector outward{0, 0, 0};     // unit, across the trunk
    Vector side{0, 0, 0};        // across the leaf, half its length
    Vector branch{0, 0, 0};      // from the axis to the outer edge
    float length = 0;
    float height = 0;  // of the attachment above the foot
    std::int32_t firstVertex = 0;
  };
  struct tTanLeafKey {
    float key = 0;
    std::int32_t firstVertex = 0;
  };
  struct tTree {
    Vector base{0, 0, 0};
    Vector direction{0, 0, 1};
    float trunkLength = 0;
    std::vector<tTanLeaf> leaves;
    std::vector<tTanLeafKey> order;
    std::int32_t firstLeafIndex = 0;
  };

  c3Dtantree();
  // Logs the size of the built mesh.
  ~c3Dtantree() override;

  virtual void BuildMesh();
  // The leaves sorted for the view, then the mesh drawn.
  bool Render(bool recurse) override;
  c3Dobject* Duplicate() const override;
  void CopyTo(c3Dtantree* target) const;
  void SetScene(c3Dscene* newScene) override;

  std::unique_ptr<tTree> tree;
  VertexFormat trunkFormat;
  VertexFormat leafFormat;
  std::int32_t leafMeshIndex = 0;
  Vector origin{0, 0, 0};  // "position"
  Vector up{0, 0, 1};
  float height = 3.0f;
  float radius = 1.0f;
  float trunkRadius = 0.1f;
  std::int32_t leaves = 1000;
  std::int32_t segments = 6;
  std::int32_t sides = 6;
  cMaterial* leafMaterial = nullptr;
  cMaterial* trunkMaterial = nullptr;

 private:
  void SortLeaves(const Matrix4& view);
};

}  // namespace VOXA2::threedee
