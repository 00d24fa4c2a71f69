// What a scene's objects and materials read of the view3D command that shows
// the scene (the scene's current view), and the command's render batch, into
// which transparent materials defer their drawing until the end of the frame.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "foundation/basis.h"
#include "threedee/scene/vector.h"

namespace VOXA2::threedee {

class cMaterial;
class cHighlevelBatch;
class VertexArray;
class cOBSTriMesh;
class c3DoneMaterialMesh;

// The view volume: near, far, the two vertical and the two horizontal side
// planes, every normal pointing out (a point p is inside when n·p + d <= 0 for all six).
struct cFustrum {
  cPlane planes[6];
};

class cSceneView : public virtual basis::basisObject {
 public:
  // Reset at the start of every run of the command.
  void ResetLook() {
    alpha = 1.0f;
    tint[0] = tint[1] = tint[2] = 1.0f;
    culling = true;
  }

  float alpha = 1.0f;
  float tint[3] = {1.0f, 1.0f, 1.0f};
  bool culling = true;
  // Set only while the batch replays the deferred work.
  bool flushing = false;
  cHighlevelBatch* batch = nullptr;
  cFustrum fustrum;
};

// Deferred draws, replayed in the order they were added.
class cHighlevelBatch : public virtual basis::basisObject {
 public:
  explicit cHighlevelBatch(cSceneView* owner) : view(owner) {}

  void AddMesh(cMaterial* material, cOBSTriMesh* mesh);
  void AddSecondMesh(cMaterial* material, c3DoneMaterialMesh* mesh);
  void AddRender(cMaterial* material, std::uint32_t kind, VertexArray* vertices,
                 std::uint32_t first, std::uint32_t last);
  void AddIndexed(cMaterial* material, std::uint32_t kind, VertexArray* vertices,
                  const std::uint16_t* indices, std::uint32_t count, std::uint32_t first,
                  std::uint32_t last);
  // With Z writes off and the view flushing, each entry through its material's
  // Prepare and draw: the render meshes, then the one-material meshes, then the
  // primitive runs, each in the order added. The lists are empty afterwards.
  void Flush();
  bool Empty() const { return meshes_.empty() && secondMeshes_.empty() && renders_.empty(); }

  cSceneView* view;

 private:
  struct tRender {
    cMaterial* material;
    std::uint32_t kind;
    VertexArray* vertices;
    bool indexed;
    std::size_t firstIndex;  // into indices_
    std::uint32_t count;
    std::uint32_t first, last;
  };
  std::vector<std::pair<cMaterial*, cOBSTriMesh*>> meshes_;
  std::vector<std::pair<cMaterial*, c3DoneMaterialMesh*>> secondMeshes_;
  std::vector<tRender> renders_;
  std::vector<std::uint16_t> indices_;
};

}  // namespace VOXA2::threedee
