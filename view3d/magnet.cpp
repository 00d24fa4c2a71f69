#include "view3d/magnet.h"

#include <cmath>
#include <string>

#include "demo/block.h"
#include "threedee/scene/interpolatedvalues.h"

namespace VOXA2 {

cVOXA3Dmagnet::~cVOXA3Dmagnet() { threedee::ClearObjectList(objectList); }

bool cVOXA3Dmagnet::Parse(cParserT* parser) {
  threedee::c3Dscene* scene = RequireAnimation(owner, parser, "magnet");
  const std::string name = ReadStringLiteral(parser);
  magnet = scene->FindObject(name.c_str());
  if (!magnet) parser->Error(errNoCode, "Could not find magnet object named \"%s\"!", name.c_str());
  parser->Expect(tokAt);
  threedee::ParseObjectList(scene, objectList, parser, true, true);
  if (IsExactWord(parser, "radius")) {
    parser->GetToken();
    radiusTrack.reset(ParseInterpolator(parser, 1, owner->length));
    radiusTrack->clampBelow = true;
    radiusTrack->lowerBound = 0.0f;
  }
  parser->Expect(tokSemicolon);
  return true;
}

float cVOXA3Dmagnet::DefaultRadius(threedee::c3Dobject* magnet) {
  if (auto* bounded = dynamic_cast<threedee::c3DfiniteMesh*>(magnet)) return bounded->radius;
  if (auto* drawable = dynamic_cast<threedee::c3Dmesh*>(magnet)) {
    const float* v = drawable->meshValues;
    return std::fabs(v[0]) + std::fabs(v[1]) + std::fabs(v[2]);
  }
  return 3.0f;
}

void cVOXA3Dmagnet::DeformMesh(threedee::c3DtriangularMesh& mesh, const threedee::Vector& centre,
                               float radius) {
  // The sum of squares of the inverse's 3x3 block is 3 for a mesh at scale 1.
  const float* inverse = mesh.inverseWorld.m;
  float s = 0;
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) s += inverse[row * 4 + col] * inverse[row * 4 + col];
  const float reach = 2.0f * radius * s / 3.0f;
  threedee::DeformMesh(mesh, [&](threedee::Vector& p) {
    threedee::Vector v(p.x - centre.x, p.y - centre.y, p.z - centre.z);
    const float d = std::sqrt(v.Dot(v));
    // A vertex at the centre has no direction to go: it stays.
    if (!(d < reach) || d == 0) return false;
    const float f = (reach + d) / (2.0f * d);
    p = threedee::Vector(centre.x + v.x * f, centre.y + v.y * f, centre.z + v.z * f);
    return true;
  });
}

bool cVOXA3Dmagnet::Execute(float, float sinceStart, float, bool* result) {
  *result = true;
  if (!magnet) return false;
  const float* m = magnet->world.m;
  const threedee::Vector centre(m[3], m[7], m[11]);
  float radius;
  if (radiusTrack) {
    radiusTrack->Evaluate(sinceStart);
    radius = radiusTrack->GetValue();
  } else {
    radius = DefaultRadius(magnet);
  }
  if (radius == 0) return true;
  for (threedee::c3Dobject* object : objectList.objects) {
    auto* mesh = dynamic_cast<threedee::c3DtriangularMesh*>(object);
    if (mesh) DeformMesh(*mesh, centre, radius);
  }
  return true;
}

}  // namespace VOXA2
