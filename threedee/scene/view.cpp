#include "threedee/scene/view.h"

#include "threedee/scene/interpolator.h"
#include "threedee/scene/material.h"

namespace VOXA2::threedee {

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
  if (view) view->flushing = true;
  for (const tRender& r : renders_) {
    r.material->Prepare();
    if (r.indexed)
      r.material->DrawIndexed(r.kind, r.vertices, indices_.data() + r.firstIndex, r.count, r.first,
                              r.last);
    else
      r.material->DrawPrimitive(r.kind, r.vertices, r.first, r.last);
  }
  renders_.clear();
  indices_.clear();
  if (view) view->flushing = false;
}

}  // namespace VOXA2::threedee
