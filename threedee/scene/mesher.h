// The mesher turns one loaded mesh (vertices, each vertex's index in the
// file, faces with their materials) into the render parts of a triangular
// mesh: one part per material, holding only the vertices its faces use, in a
// vertex format with as many coordinate sets as the material has maps, drawn
// as 16-bit indexed triangle lists. A part with more vertices than 16-bit
// indices reach is cut into several render meshes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/basis.h"
#include "threedee/scene/trimesh.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2::threedee {

class cMaterial;
class cMesher;

// The most vertices one render mesh addresses with 16-bit indices.
constexpr int kMaxRenderMeshVertices = 65536;

// One indexed triangle list of one material in its final vertex format.
class cEasyMesh : public virtual basis::basisObject {
 public:
  std::unique_ptr<VertexArray> vertices;  // in memory
  std::vector<std::int32_t> originalIndices;
  std::vector<std::uint16_t> indices;
  std::vector<std::unique_ptr<cTriStrip>> strips;
  std::vector<std::unique_ptr<cTriFan>> fans;
};

// The faces and vertices of one material, in the source format.
class cOMmesh : public virtual basis::basisObject {
 public:
  cMesher* mesher = nullptr;
  cMaterial* material = nullptr;
  std::unique_ptr<VertexArray> vertices;  // in memory
  std::vector<std::int32_t> originalIndices;
  std::vector<std::int32_t> faces;  // three indices into vertices per face
  std::vector<std::unique_ptr<cEasyMesh>> easyMeshes;

  std::int32_t FaceCount() const { return static_cast<std::int32_t>(faces.size() / 3); }
};

class cMesher : public virtual basis::basisObject {
 public:
  struct tFace {
    std::int32_t a, b, c;
    cMaterial* material;  // never null
  };

  ~cMesher() override { Clear(); }

  void Clear();
  // One part per material in order of first use, each with one log line.
  void SplitByMaterial();
  void CountElements() const {}
  // Fills the target's render parts, one per part of the split.
  void BuildRenderMeshes(c3DtriangularMesh* target);

  std::vector<std::unique_ptr<cOMmesh>> parts;
  // The loaded mesh, filled by the loader; the vertices in memory.
  std::unique_ptr<VertexArray> source;
  std::vector<std::int32_t> originalIndices;
  std::vector<tFace> faces;

 private:
  void BuildEasyMeshes(cOMmesh& part);
};

}  // namespace VOXA2::threedee
