// Metaballs: keyframed point sources of the field Σ weight / distance², sampled
// every frame on a regular grid inside a box of the object's space; the
// surface where the field equals the threshold is cut out cell by cell with
// the case tables of marchingcubes.h into one indexed triangle list, drawn
// with the object's one material.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "threedee/scene/keyframed.h"
#include "threedee/scene/mesh.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2::threedee {

class c3Dmetablobs : public c3DoneMaterialMesh, public c3DfiniteMesh, public virtual c3DStemporary {
 public:
  static constexpr std::int32_t kKind = 9;
  // One render mesh's 16-bit indices reach this many vertices.
  static constexpr std::int32_t kMaxVertices = 65536;
  // A cell emits at most four triangles.
  static constexpr std::int32_t kIndicesPerCell = 12;

  struct tBlob : public virtual basis::basisStruct {
    tBlob() = default;
    tBlob(const tBlob&) = delete;
    tBlob& operator=(const tBlob&) = delete;
    ~tBlob() override;

    cView3Di_position* position = nullptr;       // 3 components
    cView3Di_position* strength = nullptr;       // 1 component, never below 0
    cView3Di_position* sineScale = nullptr;      // 3 components
    cView3Di_position* sineParameter = nullptr;  // 3 components, radians
    Vector centre{0, 0, 0};
    float weight = 0;
  };

  c3Dmetablobs();
  ~c3Dmetablobs() override;

  // The grid for the detail levels and blobs as they are now; once, after
  // the object is read.
  void AllocateGrid();
  // The surface of the sampled field: one vertex on each crossed grid edge,
  // then the cells' triangles with their normals, and the bounding volume.
  void Extract();
  // The frame's surface: tracks, blobs, field, then the triangles.
  bool Polygonise(float frame, float time, float sinceStart, float fraction);
  bool DrawGeometry();

  bool Update(float frame, float time, float sinceStart, float fraction) override {
    return Polygonise(frame, time, sinceStart, fraction);
  }
  bool Animate(float frame, float time, float sinceStart, float fraction) override {
    return Polygonise(frame, time, sinceStart, fraction);
  }
  bool Draw() override { return DrawGeometry(); }
  bool Render(bool recurse) override { return c3DoneMaterialMesh::Render(recurse); }
  std::int32_t TestVisibility() override { return c3DfiniteMesh::TestVisibility(); }
  void SetScene(c3Dscene* newScene) override { c3DoneMaterialMesh::SetScene(newScene); }
  // A copy with its own blobs, threshold track, detail levels and grid.
  c3Dobject* Duplicate() const override;
  void CopyTo(c3Dmetablobs* target) const;

  // Appends a blob with no tracks, owned by the object.
  tBlob* AddBlob();

  std::int32_t cellsX = 0, cellsY = 0, cellsZ = 0;
  std::int32_t cellsPerLayer = 0, cellCount = 0;
  std::int32_t pointsPerRow = 0, pointsPerLayer = 0, pointCount = 0;
  std::vector<float> blobRowSums, blobLayerSums;
  std::vector<float> potentials;
  std::vector<std::uint32_t> edgeVertices;  // three planes of cellCount
  std::vector<std::uint8_t> insideFlags;
  VertexFormat vertexFormat;
  std::unique_ptr<VertexArray> vertexArray;
  std::vector<std::uint16_t> indices;
  std::int32_t vertexCount = 0;
  std::int32_t indexCount = 0;
  Vector gridOrigin{0, 0, 0};
  Vector cellSize{0, 0, 0};
  Vector gridMin{-4, -4, -4};
  Vector gridMax{4, 4, 4};
  float threshold = 1.0f;
  std::vector<std::unique_ptr<tBlob>> blobs;
  cView3Di_position* thresholdTrack = nullptr;  // owned
  std::int32_t detailX = 30, detailY = 30, detailZ = 30;
  // The surface outgrew the 16-bit indices once; said once per object.
  bool toldTruncated = false;

 private:
  void SampleField();
};

}  // namespace VOXA2::threedee
