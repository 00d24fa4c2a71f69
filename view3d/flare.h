// "flare": lens flares of one object, textured squares on the line from the
// object's place on the screen through the viewport's centre, drawn over the
// frame while the object is in sight (or always, with "force"). Its result
// tells whether they were drawn.
#pragma once

#include <memory>
#include <vector>

#include "foundation/basis.h"
#include "threedee/scene/steptracks.h"
#include "threedee/scene/valuetracks.h"
#include "view3d/view3d.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2 {

namespace video {
class voxaTexture;
}

struct tFlare : public virtual basis::basisStruct {
  enum : std::int32_t { kAdditive = 0, kMixing = 1, kSubtractive = 2, kFilter = 3 };

  // One entry: texture "," position "," size "," colour "," blend ";".
  static bool Parse(cParserT* parser, tFlare* flare, cVOXAview3D* owner);

  video::voxaTexture* texture = nullptr;  // the texture collector's
  // 0 at the viewport's centre, 1 on the object.
  std::unique_ptr<cView3Di_position> position;
  std::unique_ptr<cView3Di_position> size;   // fraction of the viewport's width
  std::unique_ptr<cView3Di_position> color;  // alpha, red, green, blue: 0..1
  std::unique_ptr<cView3Di_enum> blend;
};

class cVOXA3Dflare : public cVOXA3Dcommand {
 public:
  explicit cVOXA3Dflare(cVOXAview3D* owner);
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;

  threedee::c3Dobject* object = nullptr;  // the animation's
  std::unique_ptr<threedee::VertexArray> vertexArray;
  std::vector<std::unique_ptr<tFlare>> flares;
  bool force = false;
};

}  // namespace VOXA2
