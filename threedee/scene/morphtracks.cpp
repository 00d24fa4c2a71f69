#include "threedee/scene/morphtracks.h"

#include <algorithm>

namespace VOXA2 {

cView3Di_morph::cView3Di_morph(int vertexCount)
    : vertexCount_(vertexCount > 0 ? vertexCount : 0),
      ownVertices_(tracks::OrFailFor(
          "vertex list!",
          [&] { return std::vector<threedee::Vector>(vertexCount_, threedee::Vector{}); })),
      vertices_(ownVertices_.data()) {}

void cView3Di_morph::SetVertexBuffer(threedee::Vector* vertices) {
  if (vertices == vertices_) return;
  std::copy_n(vertices_, vertexCount_, vertices);
  ownVertices_.clear();
  ownVertices_.shrink_to_fit();
  vertices_ = vertices;
}

}  // namespace VOXA2
