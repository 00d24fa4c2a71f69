#include "threedee/scene/view.h"

#include "threedee/scene/interpolator.h"
#include "threedee/scene/material.h"
#include "windxkernel/rendermodes.h"

namespace VOXA2::threedee {

void cHighlevelBatch::AddMesh(cMaterial* material, cOBSTriMesh* mesh) {
  tracks::AppendKey(meshes_, std::pair{material, mesh}, "mesh list!");
}

void cHighlevelBatch::AddSecondMesh(cMaterial* material, c3DoneMaterialMesh* mesh) {
  tracks::AppendKey(secondMeshes_, std::pair{material, mesh}, "second mesh list!");
}

void cHighlevelBatch::AddRender(cMaterial* material, std::uint32_t kind, VertexArray* vertices,
                                std::uint32_t first, std::uint32_t last) {
  tracks::AppendKey(renders_, tRender{material, kind, vertices, false, 0, 0, first, last},
                    "render list!");
}

void cHighlevelBatch::AddIndexed(cMaterial* material, std::uint32_t kind, VertexArray* vertices,
                                 const std::uint16_t* indices, std::uint32_t count,
                                 std::uint32_t first, std::uint32_t last) {
  // The indices are copied: the caller's array may change before the flush.
  const std::size_t at = indices_.size();
  tracks::OrFailFor("index list!", [&] {
    indices_.insert(indices_.end(), indices, indices + count);
    return 0;
  });
  tracks::AppendKey(renders_, tRender{material, kind, vertices, true, at, count, first, last},
                    "render list!");
}

void cHighlevelBatch::Flush() {
  if (Empty()) return;
  SetRenderMode(1, 1, 0);
  if (view) view->flushing = true;
  for (auto [material, mesh] : meshes_) {
    material->Prepare();
    material->DrawRenderMesh(mesh);
  }
  for (auto [material, mesh] : secondMeshes_) {
    material->Prepare();
    material->DrawMesh(mesh);
  }
  for (const tRender& r : renders_) {
    r.material->Prepare();
    if (r.indexed)
      r.material->DrawIndexed(r.kind, r.vertices, indices_.data() + r.firstIndex, r.count, r.first,
                              r.last);
    else
      r.material->DrawPrimitive(r.kind, r.vertices, r.first, r.last);
  }
  Discard();
  SetRenderMode(1, 1, 1);
  if (view) view->flushing = false;
}

void cHighlevelBatch::Discard() {
  meshes_.clear();
  secondMeshes_.clear();
  renders_.clear();
  indices_.clear();
}

}  // namespace VOXA2::threedee
