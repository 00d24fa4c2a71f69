// A light ray: a translucent cone between two end points (a keyframed
// position, another object's position, or one vertex of a mesh), rebuilt as a
// volume every frame, cut down to the camera's view volume and drawn as flat,
// self-coloured, blended triangles without depth writes. Being cut by the
// near plane closes the shaft, so it stays visible from inside.
#pragma once

#include <cstdint>
#include <memory>

#include "script/parser.h"
#include "threedee/objects/fxvolume.h"
#include "threedee/scene/object.h"
#include "threedee/scene/valuetracks.h"
#include "windxkernel/deviceowned.h"
#include "windxkernel/vertexarray.h"

namespace VOXA2::threedee {

class c3DtriangularMesh;

struct t3DPoint : public virtual basis::basisStruct {
  enum : std::int32_t { kNone = 0, kPosition = 1, kObject = 2, kVertex = 3 };
  ~t3DPoint() override = default;

  cView3Di_position* track = nullptr;  // kind 1, owned
  c3Dobject* object = nullptr;         // kind 2, the tree's
  c3DtriangularMesh* mesh = nullptr;   // kind 3, the tree's
  std::int32_t vertexIndex = 0;
  std::int32_t kind = kNone;
};

class c3Dlightray : public virtual c3Dobject {
 public:
  c3Dlightray();
  ~c3Dlightray() override;

  bool Update(float frame, float time, float sinceStart, float fraction) override;
  bool Render(bool recurse) override;
  c3Dobject* Duplicate() const override;
  void CopyTo(c3Dlightray* target) const;
  void SetScene(c3Dscene* newScene) override;

  //   endpoint := "position" value3 | "object" name | "vertex" int "of" name
  // Names are looked up in the scene at once.
  static bool ParseEndPoint(t3DPoint* point, cParserT* parser, c3Dscene* scene);
  static void ResetEndPoint(t3DPoint* point);
  static void CopyEndPoint(const t3DPoint* source, t3DPoint* destination);
  static void ResolveEndPoint(t3DPoint* point, c3Dscene* scene);
  // The point at the frame in the ray's own space; false (and nothing written)
  // when an object or mesh end point lost its object.
  static bool GetEndPointPosition(const t3DPoint* point, const Matrix4& toLocal, Vector& out,
                                  const float& frame);

  std::unique_ptr<c3DFXVolume> cone;
  std::unique_ptr<c3DFXVolume> clip;
  float frame = 0;
  VertexFormat vertexFormat;
  DeviceOwned<TriangleBatch> batch;
  t3DPoint origin;
  t3DPoint target;
  cView3Di_position* hotspotTrack = nullptr;     // degrees, owned
  cView3Di_position* resolutionTrack = nullptr;  // sides, owned
  cView3Di_position* lengthTrack = nullptr;      // owned
  std::int32_t blendMode = 0;  // 0 additive, 1 and 2 blended, 3 multiplying
  float alpha = 127.0f, red = 255.0f, green = 255.0f, blue = 255.0f;

  static constexpr float kDefaultHotspot = 22.5f;
  static constexpr std::int32_t kDefaultResolution = 3;

 private:
  void SetDrawingState();
  // The cone's triangles into the batch, then drawn.
  void DrawCone(std::uint32_t colour);
};

}  // namespace VOXA2::threedee
