// Procedural plants built once when their scene is read: the branching tree
// (every segment splits into a continuation and a side branch, bent by a few
// shape values; tubes of triangle strips, double-sided leaves at the tips)
// and what it shares with the tan tree: rotation of a direction about an
// axis, and the render meshes of a built plant.
#pragma once

#include <cstdint>
#include <vector>

#include "threedee/scene/keyframed.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2::threedee {

class cMaterial;

// v turned by the angle (radians, right-handed) about the axis; a zero axis
// scales v by cos(angle).
Vector RotateDirection(const Vector& v, const Vector& axis, float angle);

// One render mesh being filled: writes position, normal and the first
// texture-coordinate pair, and keeps the position as the undeformed one.
struct tMeshWriter {
  cOBSTriMesh* mesh = nullptr;
  int counter = 0;  // vertices written
  bool Begin(cOBSTriMesh* into);
  void Write(const Vector& position, const Vector& normal, float u, float v);
  void End();
};

// The plant's parts brought to `count` entries, each with one render mesh;
// existing parts are kept.
void SetPartCount(c3DtriangularMesh& mesh, std::size_t count);
// A render mesh sized for the vertices (a new vertex array unless the old one
// fits in count and format) and the triangle indices.
void SizeRenderMesh(cOBSTriMesh& mesh, int vertices, VertexFormat& format, int indices,
                    const char* originalsName);
// The texture-coordinate sets that a material's maps ask of a vertex format.
void TakeMapCount(VertexFormat& format, const cMaterial* material);
// The faces and vertices of every render mesh, for the size lines of the plants.
void CountFacesAndVertices(const c3DtriangularMesh& mesh, int& faces, int& vertices);

class c3Dtree : public c3DSmesh {
 public:
  // The largest mesh one render mesh addresses with 16-bit indices.
  static constexpr int kMaxVertices = 65536;

  struct tTreeNode : public virtual basis::basisStruct {
    tTreeNode() = default;
    tTreeNode(const tTreeNode&) = delete;
    tTreeNode& operator=(const tTreeNode&) = delete;
    ~tTreeNode() override;

    Vector position{0, 0, 0};
    float radius = 0;
    std::int32_t sides = 3;
    std::uint32_t firstVertex = 0;
    Vector direction{0, 0, 0};
    Vector right{0, 0, 0};
    Vector axis{0, 0, 0};
    tTreeNode* continuation = nullptr;  // owned
    tTreeNode* sideBranch = nullptr;    // owned
  };

  // Draws the random spread, balance and twist.
  c3Dtree();
  // Logs the size of the built mesh.
  ~c3Dtree() override;

  virtual void BuildMesh();
  c3Dobject* Duplicate() const override;
  void CopyTo(c3Dtree* target) const;
  void SetScene(c3Dscene* newScene) override;

  tTreeNode* GrowNodes(const Vector& start, Vector direction, Vector right, float radius,
                       int depth) const;
  static tTreeNode* CloneNodes(const tTreeNode* node);
  static void CountGeometry(const tTreeNode* node, int& ringVertices, int& strips,
                            int& leafVertices, int& leafIndices);
  // The most vertices a tree of this depth can have (every split making two).
  static std::int64_t MostVertices(int depth);

  tTreeNode* root = nullptr;
  VertexFormat branchFormat;
  VertexFormat leafFormat;
  Vector origin{0, 0, 0};  // "position"
  Vector up{0, 0, 1};
  Vector right{1, 0, 0};
  float trunkRadius = 0.2f;  // "radius"
  std::int32_t depth = 8;
  float spread, balance, twist;
  float fullness = 0;
  float leafSize = 0.1f;
  cMaterial* leafMaterial = nullptr;
  cMaterial* branchMaterial = nullptr;

 private:
  void BuildRings(tTreeNode* node, tMeshWriter& out, float step, float angle, float v);
  void BuildStripIndices(const tTreeNode* node, std::size_t& strip, cOBSTriMesh& mesh);
  void BuildLeaves(const tTreeNode* node, std::uint16_t*& index, tMeshWriter& out);
  void BuildLeaf(const Vector& p, Vector d, Vector r, std::uint16_t*& index, tMeshWriter& out);
};

}  // namespace VOXA2::threedee
