// "magnet": every frame, each vertex of the listed meshes that lies within a
// radius of another object of the animation is pushed away from it, halfway
// towards the edge of that sphere; an animated magnet sweeps a bulge through
// the meshes.
#pragma once

#include <memory>

#include "threedee/scene/objectlist.h"
#include "threedee/scene/trimesh.h"
#include "threedee/scene/valuetracks.h"
#include "view3d/view3d.h"

namespace VOXA2 {

class cVOXA3Dmagnet : public cVOXA3Dcommand {
 public:
  using cVOXA3Dcommand::cVOXA3Dcommand;
  ~cVOXA3Dmagnet() override;
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;

  // A vertex at distance d < the effective radius R of the centre ends at
  // (R + d) / 2 in the same direction. Centre and positions are compared as
  // they are stored: the magnet's world translation against the mesh's own
  // coordinates, only the radius follows the mesh's scale.
  static void DeformMesh(threedee::c3DtriangularMesh& mesh, const threedee::Vector& centre,
                         float radius);
  // The radius without a track: the magnet's bounding sphere, the components
  // of a drawable's second vector, or 3.
  static float DefaultRadius(threedee::c3Dobject* magnet);

  threedee::c3Dobject* magnet = nullptr;  // the animation's
  threedee::tObjectList objectList;
  std::unique_ptr<cView3Di_position> radiusTrack;
};

}  // namespace VOXA2
