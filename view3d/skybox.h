// "skybox": six textured faces of a cube centred on the eye and as large as
// the far plane allows, drawn without depth test or writes, so that all drawn
// after it lies in front; an optional rotation turns it over time.
#pragma once

#include <memory>

#include "threedee/scene/rotationtracks.h"
#include "view3d/view3d.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2 {

namespace video {
class voxaTexture;
}

class cVOXA3Dskybox : public cVOXA3Dcommand {
 public:
  // Faces in the order ft, rt, bk, lf, dn, up: the planes y = +1, x = +1,
  // y = -1, x = -1, z = -1 and z = +1.
  static constexpr const char* kSuffixes[6] = {"ft", "rt", "bk", "lf", "dn", "up"};

  explicit cVOXA3Dskybox(cVOXAview3D* owner);
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;

  video::voxaTexture* textures[6] = {};  // the texture collector's
  std::unique_ptr<threedee::VertexArray> vertices;
  std::unique_ptr<cView3Di_rotation> rotationTrack;
};

}  // namespace VOXA2
