// The base of vertex-list tracks: the output is a list of vertex positions,
// either the track's own or an array that belongs to somebody else (a mesh's
// vertices), into which evaluation then writes directly.
#pragma once

#include <vector>

#include "threedee/scene/interpolator.h"
#include "threedee/scene/vector.h"

namespace VOXA2 {

class cView3Di_morph : public cView3Dinterpolator {
 public:
  ~cView3Di_morph() override = default;

  cView3Dinterpolator* Clone() const override { return CloneTyped(); }
  virtual int GetVertexCount() const { return vertexCount_; }
  // Copies the current vertices into the given array (at least the vertex count
  // long, owned by the caller), which from then on receives every evaluation.
  virtual void SetVertexBuffer(threedee::Vector* vertices);
  virtual cView3Di_morph* CloneTyped() const = 0;

  threedee::Vector* GetVertices() { return vertices_; }
  const threedee::Vector* GetVertices() const { return vertices_; }

 protected:
  explicit cView3Di_morph(int vertexCount);

  int vertexCount_;
  std::vector<threedee::Vector> ownVertices_;
  threedee::Vector* vertices_;
};

}  // namespace VOXA2
